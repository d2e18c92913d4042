#include "platform/graphics/Canvas.h"

#include <cstdlib>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"

void GdiObjectDeleter::operator()(win::GdiObject* object) const {
    if (!object) return;
    if (object->kind == win::GdiKind::DC) win::DeleteDC(static_cast<win::HDC>(object));
    else win::DeleteObject(object);
}

namespace {
// MulDiv: a * b / c rounded half away from zero.
int mul_div(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<long long>(c)));
    return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}
}  // namespace

// ---------------------------------------------------------------- TFont
TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this) return;
        name_ = f->name_;
        height_ = f->height_;
        color_ = f->color_;
        style_ = f->style_;
        charset_ = f->charset_;
        pitch_ = f->pitch_;
        stale_ = true;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::SetName(std::string_view name) {
    if (name_ == name) return;
    name_ = name;
    stale_ = true;
    Changed();
}
void TFont::SetHeight(int height) {
    if (height_ == height) return;
    height_ = height;
    stale_ = true;
    Changed();
}
int TFont::Size() const { return -mul_div(height_, 72, 96); }
void TFont::SetSize(int points) { SetHeight(-mul_div(points, 96, 72)); }
void TFont::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;  // not part of the font object: the canvas sets the text colour
    Changed();
}
void TFont::SetStyle(TFontStyles style) {
    if (style_ == style) return;
    style_ = style;
    stale_ = true;
    Changed();
}
void TFont::SetCharset(int charset) {
    if (charset_ == charset) return;
    charset_ = charset;
    stale_ = true;
    Changed();
}
void TFont::SetPitch(TFontPitch pitch) {
    if (pitch_ == pitch) return;
    pitch_ = pitch;
    stale_ = true;
    Changed();
}

os::FontSpec TFont::Description() const {
    os::FontSpec s;
    s.name = name_;
    s.height = height_ < 0 ? -height_ : height_;
    s.bold = style_.Contains(fsBold);
    s.italic = style_.Contains(fsItalic);
    s.underline = style_.Contains(fsUnderline);
    s.charset = charset_;
    return s;
}

win::HFONT TFont::Handle() {
    if (!handle_ || stale_) {
        handle_.reset(win::CreateFontFromSpec(Description()));
        stale_ = false;
    }
    return handle_.get();
}

void TFont::Changed() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TPen
int PenModeToROP2(TPenMode mode) {
    static constexpr int kRop2[] = {
        1 /*R2_BLACK*/,       16 /*R2_WHITE*/,      11 /*R2_NOP*/,     6 /*R2_NOT*/,
        13 /*R2_COPYPEN*/,    4 /*R2_NOTCOPYPEN*/,  14 /*R2_MERGEPENNOT*/, 5 /*R2_MASKPENNOT*/,
        12 /*R2_MERGENOTPEN*/, 3 /*R2_MASKNOTPEN*/, 15 /*R2_MERGEPEN*/, 2 /*R2_NOTMERGEPEN*/,
        9 /*R2_MASKPEN*/,     8 /*R2_NOTMASKPEN*/,  7 /*R2_XORPEN*/,   10 /*R2_NOTXORPEN*/,
    };
    return kRop2[static_cast<int>(mode) & 15];
}

TPen::TPen() = default;
TPen::~TPen() = default;

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        stale_ = true;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    stale_ = true;
    Changed();
}
void TPen::SetWidth(int width) {
    if (width_ == width) return;
    width_ = width;
    stale_ = true;
    Changed();
}
void TPen::SetStyle(TPenStyle style) {
    if (style_ == style) return;
    style_ = style;
    stale_ = true;
    Changed();
}
void TPen::SetMode(TPenMode mode) {
    if (mode_ == mode) return;
    mode_ = mode;
    Changed();
}

win::HPEN TPen::Handle() {
    if (!handle_ || stale_) {
        int style = win::PS_SOLID;
        switch (style_) {
        case psDash: style = win::PS_DASH; break;
        case psDot: style = win::PS_DOT; break;
        case psDashDot: style = 3; break;
        case psDashDotDot: style = 4; break;
        case psClear: style = win::PS_NULL; break;
        default: break;
        }
        handle_.reset(win::CreatePen(style, width_, ColorToRGB(color_)));
        stale_ = false;
    }
    return handle_.get();
}

void TPen::Changed() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TBrush
TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        if (b == this) return;
        color_ = b->color_;
        style_ = b->style_;
        stale_ = true;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    // A colour on a clear brush makes it solid, as VCL does.
    if (style_ == bsClear) style_ = bsSolid;
    stale_ = true;
    Changed();
}
void TBrush::SetStyle(TBrushStyle style) {
    if (style_ == style) return;
    style_ = style;
    stale_ = true;
    Changed();
}

win::HBRUSH TBrush::Handle() {
    if (style_ == bsClear) {
        handle_.reset();
        stale_ = false;
        return static_cast<win::HBRUSH>(win::GetStockObject(win::NULL_BRUSH));
    }
    if (!handle_ || stale_) {
        handle_.reset(win::CreateSolidBrush(ColorToRGB(color_)));
        stale_ = false;
    }
    return handle_.get();
}

void TBrush::Changed() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TCanvas
TCanvas::TCanvas() : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    auto changed = [this](TObject*) { ObjectChanged(); };
    font_->OnChange = changed;
    pen_->OnChange = changed;
    brush_->OnChange = changed;
}

TCanvas::~TCanvas() { Deselect(); }

win::HDC TCanvas::Handle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidOperation("キャンバスは描画を許可していません");
    RequiredState();
    return dc_;
}

void TCanvas::SetHandle(win::HDC dc) {
    if (dc == dc_) return;
    Deselect();
    dc_ = dc;
}

void TCanvas::Refresh() { Deselect(); }

void TCanvas::Deselect() {
    if (dc_ && selected_) {
        win::SelectObject(dc_, win::GetStockObject(win::SYSTEM_FONT));
        win::SelectObject(dc_, win::GetStockObject(win::BLACK_PEN));
        win::SelectObject(dc_, win::GetStockObject(win::WHITE_BRUSH));
    }
    selected_ = false;
}

void TCanvas::ObjectChanged() {
    // The tools recreate their handles when asked next; take the old ones
    // out of the DC first, so that they can be freed.
    Deselect();
}

void TCanvas::RequiredState() {
    if (!dc_ || selected_) return;
    win::SelectObject(dc_, font_->Handle());
    win::SetTextColor(dc_, ColorToRGB(font_->Color()));
    win::SelectObject(dc_, pen_->Handle());
    win::SetROP2(dc_, PenModeToROP2(pen_->Mode()));
    win::SelectObject(dc_, brush_->Handle());
    win::SetBkColor(dc_, ColorToRGB(brush_->Color()));
    win::SetBkMode(dc_, brush_->Style() == bsClear ? win::TRANSPARENT : win::OPAQUE);
    selected_ = true;
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TColor TCanvas::Pixels(int x, int y) { return static_cast<TColor>(win::GetPixel(Handle(), x, y)); }

void TCanvas::SetPixels(int x, int y, TColor color) {
    win::SetPixel(Handle(), x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::MoveTo(int x, int y) {
    win::MoveToEx(Handle(), x, y, nullptr);
    pen_pos_ = TPoint{x, y};
}

void TCanvas::LineTo(int x, int y) {
    win::HDC dc = Handle();
    win::MoveToEx(dc, pen_pos_.x, pen_pos_.y, nullptr);
    win::LineTo(dc, x, y);
    pen_pos_ = TPoint{x, y};
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    win::Rectangle(Handle(), left, top, right, bottom);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    win::RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    win::HDC dc = Handle();
    win::FillRect(dc, &r, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    win::RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    win::HDC dc = Handle();
    win::FrameRect(dc, &r, brush_->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    win::RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    win::DrawFocusRect(Handle(), &r);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Handle();
    graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Handle();
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
    if (!source) return;
    win::HDC s = source->Handle();
    win::StretchBlt(Handle(), dest.Left, dest.Top, dest.Width(), dest.Height(), s, src.Left, src.Top, src.Width(), src.Height(),
                    copy_mode_);
    Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    win::HDC dc = Handle();
    win::ExtTextOutUtf8(dc, x, y, 0, nullptr, text);
    MoveTo(x + TextWidth(text), y);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
    win::RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    win::UINT options = win::ETO_CLIPPED;
    if (brush_->Style() != bsClear) options |= win::ETO_OPAQUE;
    win::ExtTextOutUtf8(Handle(), x, y, options, &r, text);
    Changed();
}

win::SIZE TCanvas::TextExtent(std::string_view text) {
    win::SIZE s;
    win::GetTextExtentUtf8(Handle(), text, &s);
    return s;
}

TRect TCanvas::ClipRect() {
    win::RECT r;
    win::GetClipBox(Handle(), &r);
    return TRect{r.left, r.top, r.right, r.bottom};
}
