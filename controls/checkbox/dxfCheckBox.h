// Unit dxfCheckBox: TdxfCheckBox, an owner-drawn check box whose box is a
// cell of the shared strip (unit dxfRes) in one of its styles, or a custom
// picture per state; alone or in a group in which checking one box
// unchecks the others.
#pragma once
#include <memory>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/Controls.h"

// The side of the caption: taRightJustify puts the box at the left and the
// caption to its right; taLeftJustify the caption at the left and the box
// at the right edge.
enum TdxfCBAlignment { taLeftJustify = 0, taRightJustify = 1 };

// Strip cells: (Style - 1) * 4 + state, the states unchecked, checked,
// unchecked disabled, checked disabled. A custom glyph has no disabled
// picture. Pictures are drawn centred in the box rectangle with their
// bottom-left pixel's colour replaced by Color.
//
// Groups: GroupIndex 0 is no group. A positive group unchecks the other
// boxes of the same parent and group when one is checked, and refuses to
// uncheck a checked box unless AllowAllUp; a negative group never unchecks.
// A user's click fires OnClick once, a SetChecked with a new value once,
// whether or not the group let the state change.
class TdxfCheckBox : public TCustomControl {
public:
    explicit TdxfCheckBox(TComponent* AOwner);
    ~TdxfCheckBox() override;
    const char* ClassName() const override { return "TdxfCheckBox"; }
    const PropList& Properties() const override;

    bool Checked() const { return checked_; }
    void SetChecked(bool Value);
    // On: the control takes the size of box and caption (CalcSize) at every
    // change of font, caption (once the window exists), glyph or AutoSize.
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool Value);
    TdxfCBAlignment Alignment() const { return alignment_; }
    void SetAlignment(TdxfCBAlignment Value);
    int GroupIndex() const { return group_index_; }
    void SetGroupIndex(int Value);
    bool AllowAllUp() const { return allow_all_up_; }
    void SetAllowAllUp(bool Value);
    // The custom pictures, owned; empty means the strip's cell. The setters
    // copy the bitmap given (null empties).
    TBitmap* GlyphChecked() const { return glyph_checked_.get(); }
    void SetCheckedBmp(TBitmap* Value);
    TBitmap* GlyphUnChecked() const { return glyph_unchecked_.get(); }
    void SetUnCheckedBmp(TBitmap* Value);
    // 1 to the strip's number of styles (its width / (4 x its height));
    // without a strip of at least one style only the lower bound applies.
    int Style() const { return style_; }
    void SetStyle(int Value);

    bool Ctl3D() const { return ctl3d_; }
    void SetCtl3D(bool Value) { ctl3d_ = Value; }
    bool ParentCtl3D() const { return parent_ctl3d_; }
    void SetParentCtl3D(bool Value) { parent_ctl3d_ = Value; }
    TCursor DragCursor = crDrag;
    int DragMode = 0;  // dmManual

    void Click() override;
    void Paint() override;
    void WndProc(TMessage& Message) override;

    void CalcSize();
    // Draws picture `Index` of Bitmap (a strip cell of Style when Bitmap is
    // the strip, else the whole bitmap) centred in Rect of Canvas, its
    // transparent colour replaced by the canvas's brush colour.
    void DrawImage(TCanvas* Canvas, const TRect& Rect, TBitmap* Bitmap, int Index);
    // Unchecks the other boxes of this one's group (CM_BUTTONPRESSED to
    // every child of the parent).
    void UpdateExclusive();

protected:
    void CreateHandle() override;

private:
    // The larger of the checked and the unchecked picture's sizes.
    int PictureWidth() const;
    int PictureHeight() const;
    void ButtonPressed(TMessage& Message);

    bool checked_ = false;
    bool auto_size_ = true;
    TdxfCBAlignment alignment_ = taRightJustify;
    int group_index_ = 0;
    bool allow_all_up_ = true;
    std::unique_ptr<TBitmap> glyph_checked_;    // owned
    std::unique_ptr<TBitmap> glyph_unchecked_;  // owned
    int style_ = 1;
    bool notify_ = true;  // SetChecked fires OnClick; off only inside Click's own SetChecked
    bool ctl3d_ = true;
    bool parent_ctl3d_ = true;
};
