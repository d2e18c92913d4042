// TPicture (the picture of a TImage and its stored form), TImage, TPanel
// and TShape.
#pragma once
#include <memory>

#include "platform/core/Component.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/StdCtrls.h"

// ---------------------------------------------------------------- TPicture
// Holds a bitmap. Form resources store it as Picture.Data, the bitmap's
// stored form: a 4-byte little-endian length, then that many bytes of a
// Windows BMP file. Every change of the bitmap, drawing on its canvas
// included, fires OnChange.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    const char* ClassName() const override { return "TPicture"; }

    // The bitmap, owned; empty until a picture is loaded or drawn.
    TBitmap* Bitmap();
    // The picture, or null when there is none (not owned).
    TGraphic* Graphic() const;
    // Copies a picture in (a TBitmap); null empties this one.
    void SetGraphic(TGraphic* graphic);
    int Width() const;
    int Height() const;

    // A TPicture or a TBitmap; null empties.
    void Assign(TPersistent* source) override;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path);

    void DefineProperties(TFiler* filer) override;

    TNotifyEvent OnChange;

private:
    void BitmapChanged(TObject*);
    std::unique_ptr<TBitmap> bitmap_;  // owned
};

// ---------------------------------------------------------------- TImage
// Shows its picture at the top left, centred (Center) or stretched to the
// control (Stretch). AutoSize makes the control the picture's size;
// Transparent draws the picture with its transparent colour left out.
// Drawing on Picture()->Bitmap()->Canvas() shows on the next paint.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    const char* ClassName() const override { return "TImage"; }
    const PropList& Properties() const override;

    TPicture* Picture() { return picture_.get(); }  // owned
    void SetPicture(TPicture* picture) { picture_->Assign(picture); }
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    void Paint() override;
    void Loaded() override;

protected:
    // Where the picture goes in the control.
    TRect DestRect() const;

private:
    void PictureChanged(TObject*);
    void ApplyAutoSize();

    std::unique_ptr<TPicture> picture_;  // owned
    bool auto_size_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
    bool in_change_ = false;
};

// ---------------------------------------------------------------- TPanel
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A window of its own, filled with Color, framed by an outer and an inner
// bevel (each BevelWidth pixels) with BorderWidth between them, and its
// Caption in the middle. Its graphic controls are painted on it.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    ~TPanel() override;
    const char* ClassName() const override { return "TPanel"; }
    const PropList& Properties() const override;

    TBevelCut BevelOuter() const { return bevel_outer_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return bevel_inner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return bevel_width_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value);
    // bsSingle adds a one-pixel window-frame line outside the bevels.
    TBorderStyle BorderStyle() const { return border_style_; }
    void SetBorderStyle(TBorderStyle style);

    void Paint() override;

private:
    TBevelCut bevel_outer_ = bvRaised;
    TBevelCut bevel_inner_ = bvNone;
    int bevel_width_ = 1;
    int border_width_ = 0;
    TBorderStyle border_style_ = bsNone;
};

// ---------------------------------------------------------------- TShape
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A figure filled with Brush (none for bsClear) and outlined Pen.Width
// pixels wide in Pen.Color (every pen style but psClear draws solid). A
// square, rounded square or circle is the largest one centred in the
// control; rounded corners have a quarter of the smaller side. With psClear
// there is no outline and, as the system's figures drawn without a pen, the
// last column and row of the control stay unpainted.
class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* AOwner);
    ~TShape() override;
    const char* ClassName() const override { return "TShape"; }
    const PropList& Properties() const override;

    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType shape);
    TBrush* Brush() { return brush_.get(); }  // owned
    void SetBrush(TBrush* brush) { brush_->Assign(brush); }
    TPen* Pen() { return pen_.get(); }  // owned
    void SetPen(TPen* pen) { pen_->Assign(pen); }

    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
    std::unique_ptr<TBrush> brush_;  // owned
    std::unique_ptr<TPen> pen_;      // owned
};
