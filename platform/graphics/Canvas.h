// TCanvas, the drawing surface of bitmaps and controls, with its drawing
// tools TFont, TPen and TBrush (VCL style). A canvas draws through a
// device context (platform/graphics/Gdi.h) and selects its tools' handles
// into it before each operation.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Object.h"
#include "platform/core/Types.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Gdi.h"

class TGraphic;

// Owns a GDI object (or a DC) and releases it with DeleteObject (DeleteDC).
struct GdiObjectDeleter {
    void operator()(win::GdiObject* object) const;
};
template <typename T>
using GdiPtr = std::unique_ptr<T, GdiObjectDeleter>;

// ---------------------------------------------------------------- TFont
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of TFontStyle values.
class TFontStyles {
public:
    TFontStyles() = default;
    TFontStyles(std::initializer_list<TFontStyle> styles) {
        for (TFontStyle s : styles) *this << s;
    }
    bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
    TFontStyles& operator<<(TFontStyle s) { bits_ |= 1u << s; return *this; }  // include
    TFontStyles& operator>>(TFontStyle s) { bits_ &= ~(1u << s); return *this; }  // exclude
    bool Empty() const { return bits_ == 0; }
    unsigned Bits() const { return bits_; }
    bool operator==(const TFontStyles&) const = default;

private:
    unsigned bits_ = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// A font description. Height < 0 is the character height in pixels (as
// VCL), Height > 0 the cell height; Size is in points at 96 dpi
// (Height = -Size * 96 / 72). Every setter that changes a value fires OnChange.
class TFont : public TPersistent {
public:
    TFont();
    ~TFont() override;
    const char* ClassName() const override { return "TFont"; }
    void Assign(TPersistent* Source) override;
    // Published for form resources ("Font.Height"); see GraphicsProperties.cpp.
    const PropList& Properties() const override;

    const std::string& Name() const { return name_; }
    void SetName(std::string_view name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);

    // The backend's description of this font.
    os::FontSpec Description() const;
    // The font object for this description; owned by the font, recreated
    // after a change.
    win::HFONT Handle();

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    std::string name_ = "ＭＳ Ｐゴシック";
    int height_ = -12;
    TColor color_ = clWindowText;
    TFontStyles style_;
    int charset_ = 128;  // SHIFTJIS_CHARSET
    TFontPitch pitch_ = fpDefault;
    GdiPtr<win::FontObject> handle_;  // owned
    bool stale_ = false;
};

// ---------------------------------------------------------------- TPen
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// In the order of VCL, each a binary raster operation (SetROP2).
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
// The R2_xxx code of a pen mode.
int PenModeToROP2(TPenMode mode);

class TPen : public TPersistent {
public:
    TPen();
    ~TPen() override;
    const char* ClassName() const override { return "TPen"; }
    void Assign(TPersistent* Source) override;
    // Published for form resources ("Font.Height"); see GraphicsProperties.cpp.
    const PropList& Properties() const override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);

    // Owned by the pen, recreated after a change. The mode is not part of
    // it: the canvas sets it on the DC.
    win::HPEN Handle();

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    GdiPtr<win::PenObject> handle_;  // owned
    bool stale_ = false;
};

// ---------------------------------------------------------------- TBrush
// The hatch styles are drawn as solid brushes.
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TPersistent {
public:
    TBrush();
    ~TBrush() override;
    const char* ClassName() const override { return "TBrush"; }
    void Assign(TPersistent* Source) override;
    // Published for form resources ("Font.Height"); see GraphicsProperties.cpp.
    const PropList& Properties() const override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);

    // Owned by the brush, recreated after a change; the stock null brush
    // for bsClear.
    win::HBRUSH Handle();

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    GdiPtr<win::BrushObject> handle_;  // owned
    bool stale_ = false;
};

// ---------------------------------------------------------------- TCanvas
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    const char* ClassName() const override { return "TCanvas"; }

    // The device context with pen, brush and font selected. A subclass
    // makes it on demand (CreateHandle); otherwise it is set from outside.
    win::HDC Handle();
    // Attaches a device context (not owned); null detaches. The canvas's
    // objects are taken out of the previous one.
    void SetHandle(win::HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }
    // Takes the canvas's objects out of the DC, so that they can change.
    void Refresh();

    TPen* Pen() { return pen_.get(); }      // owned
    TBrush* Brush() { return brush_.get(); }  // owned
    TFont* Font() { return font_.get(); }     // owned
    void SetPen(TPen* pen) { pen_->Assign(pen); }
    void SetBrush(TBrush* brush) { brush_->Assign(brush); }
    void SetFont(TFont* font) { font_->Assign(font); }

    // The raster operation of CopyRect; SRCCOPY by default.
    win::DWORD CopyMode() const { return copy_mode_; }
    void SetCopyMode(win::DWORD rop) { copy_mode_ = rop; }

    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    TPoint PenPos() const { return pen_pos_; }
    void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void DrawFocusRect(const TRect& rect);

    // A Transparent bitmap leaves out its transparent colour; any other
    // graphic is copied.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& source_rect);

    // Text in Font; opaque on the brush colour with bsSolid, transparent with bsClear.
    void TextOut(int x, int y, std::string_view text);
    // Text at (x, y) clipped to rect; with bsSolid the rect is filled first.
    void TextRect(const TRect& rect, int x, int y, std::string_view text);
    win::SIZE TextExtent(std::string_view text);
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    // The area drawing reaches (logical coordinates).
    TRect ClipRect();

    // Fired after each drawing operation (a bitmap learns of changes to its pixels).
    TNotifyEvent OnChange;

protected:
    // A subclass creates its DC here and calls SetHandle.
    virtual void CreateHandle() {}
    // Selects font, pen and brush and sets the DC's state from them.
    void RequiredState();
    void Changed();

private:
    void Deselect();
    void ObjectChanged();

    std::unique_ptr<TFont> font_;    // owned
    std::unique_ptr<TPen> pen_;      // owned
    std::unique_ptr<TBrush> brush_;  // owned
    win::HDC dc_ = nullptr;          // not owned
    bool selected_ = false;          // our objects are selected into dc_
    win::HGDIOBJ old_font_ = nullptr, old_pen_ = nullptr, old_brush_ = nullptr;  // not owned
    win::DWORD copy_mode_ = 0x00CC0020;  // SRCCOPY
    TPoint pen_pos_;
};
