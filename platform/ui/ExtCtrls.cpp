#include "platform/ui/ExtCtrls.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Gdi.h"
#include "platform/ui/Messages.h"

namespace {

template <class E>
E CheckedEnum(std::int64_t v, const EnumNames& names) {
    if (!names.NameOf(static_cast<int>(v))) throw EInvalidOperation("列挙値が範囲を超えています (" + std::to_string(v) + ")");
    return static_cast<E>(v);
}

const EnumNames kBevelNames{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
const EnumNames kBorderStyleNames{{"bsNone", "bsSingle"}};
const EnumNames kShapeNames{{"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"}};

TRect Inset(const TRect& r, int by) { return Rect(r.Left + by, r.Top + by, r.Right - by, r.Bottom - by); }
bool IsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// Lines of `width` pixels around r, top and left in one colour, right and
// bottom in the other; r shrinks by the lines drawn.
void Frame3D(TCanvas* canvas, TRect& r, TColor top, TColor bottom, int width) {
    for (int i = 0; i < width && !IsEmpty(r); ++i) {
        canvas->Brush()->SetColor(top);
        canvas->FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
        canvas->FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
        canvas->Brush()->SetColor(bottom);
        canvas->FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
        canvas->FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
        r = Inset(r, 1);
    }
}

void BevelColors(TBevelCut cut, TColor* top, TColor* bottom) {
    switch (cut) {
    case bvLowered: *top = clBtnShadow; *bottom = clBtnHighlight; break;
    case bvRaised: *top = clBtnHighlight; *bottom = clBtnShadow; break;
    default: *top = *bottom = clBtnFace; break;
    }
}

// The pixels of row y that a figure inside r covers: [first, second).
// Pixels count when their centre lies inside the figure.
enum class Figure { Rectangle, RoundRect, Ellipse };

std::pair<int, int> CurveSpan(double cx_left, double cx_right, double cy, double rx, double ry, int y) {
    double dy = (y + 0.5 - cy) / ry;
    if (dy <= -1.0 || dy >= 1.0) return {0, 0};
    double half = rx * std::sqrt(1.0 - dy * dy);
    int x0 = static_cast<int>(std::ceil(cx_left - half - 0.5));
    int x1 = static_cast<int>(std::floor(cx_right + half - 0.5)) + 1;
    return {x0, std::max(x0, x1)};
}

std::pair<int, int> Span(Figure figure, const TRect& r, int corner, int y) {
    if (IsEmpty(r) || y < r.Top || y >= r.Bottom) return {0, 0};
    std::pair<int, int> s{r.Left, r.Right};
    if (figure == Figure::Ellipse) {
        s = CurveSpan((r.Left + r.Right) / 2.0, (r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0, r.Width() / 2.0,
                      r.Height() / 2.0, y);
    } else if (figure == Figure::RoundRect && corner > 1) {
        double rad = std::min({corner / 2.0, r.Width() / 2.0, r.Height() / 2.0});
        double centre = y + 0.5;
        if (centre < r.Top + rad || centre > r.Bottom - rad) {
            double cy = centre < r.Top + rad ? r.Top + rad : r.Bottom - rad;
            s = CurveSpan(r.Left + rad, r.Right - rad, cy, rad, rad, y);
        }
    }
    return {std::max(s.first, r.Left), std::min(s.second, r.Right)};
}

void FillSpan(TCanvas* canvas, int x0, int x1, int y) {
    if (x1 > x0) canvas->FillRect(Rect(x0, y, x1, y + 1));
}

}  // namespace

// ---------------------------------------------------------------- TPicture
TPicture::TPicture() : bitmap_(std::make_unique<TBitmap>()) {
    bitmap_->OnChange = TNotifyEvent([this](TObject* s) { BitmapChanged(s); });
}

TPicture::~TPicture() = default;

TBitmap* TPicture::Bitmap() { return bitmap_.get(); }

TGraphic* TPicture::Graphic() const { return bitmap_->Empty() ? nullptr : bitmap_.get(); }

void TPicture::SetGraphic(TGraphic* graphic) {
    if (graphic && !dynamic_cast<TBitmap*>(graphic))
        throw EInvalidGraphic(std::string(graphic->ClassName()) + " は画像として使えません");
    bitmap_->Assign(graphic);
}

int TPicture::Width() const { return bitmap_->Width(); }
int TPicture::Height() const { return bitmap_->Height(); }

void TPicture::Assign(TPersistent* source) {
    if (!source) {
        bitmap_->Assign(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(source)) {
        if (p != this) bitmap_->Assign(p->Graphic());
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        bitmap_->Assign(b);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::LoadFromFile(const std::string& path) { bitmap_->LoadFromFile(path); }
void TPicture::SaveToFile(const std::string& path) { bitmap_->SaveToFile(path); }

void TPicture::BitmapChanged(TObject*) {
    if (OnChange) OnChange(this);
}

void TPicture::DefineProperties(TFiler* filer) { bitmap_->DefineProperties(filer); }

// ---------------------------------------------------------------- TImage
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = TNotifyEvent([this](TObject* s) { PictureChanged(s); });
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

const PropList& TImage::Properties() const {
    using C = TImage;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Bool<C>("AutoSize", false, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Bool<C>("Center", false, [](C* c) { return c->Center(); }, [](C* c, bool v) { c->SetCenter(v); }),
        props::Obj<C>("Picture", [](C* c) -> TPersistent* { return c->Picture(); },
                      [](C* c, TPersistent* v) { c->Picture()->Assign(v); }),
        props::Bool<C>("Stretch", false, [](C* c) { return c->Stretch(); }, [](C* c, bool v) { c->SetStretch(v); }),
        props::Bool<C>("Transparent", false, [](C* c) { return c->Transparent(); }, [](C* c, bool v) { c->SetTransparent(v); }),
    });
    return list;
}

void TImage::SetAutoSize(bool value) {
    if (value == auto_size_) return;
    auto_size_ = value;
    ApplyAutoSize();
}

void TImage::SetStretch(bool value) {
    if (value == stretch_) return;
    stretch_ = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    if (value == center_) return;
    center_ = value;
    Invalidate();
}

void TImage::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(value);
    Invalidate();
}

void TImage::Loaded() {
    TGraphicControl::Loaded();
    ApplyAutoSize();
}

void TImage::ApplyAutoSize() {
    if (auto_size_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

void TImage::PictureChanged(TObject*) {
    if (in_change_) return;
    in_change_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{in_change_};
    // A new picture takes the image's transparency.
    if (TGraphic* g = picture_->Graphic(); g && g->Transparent() != transparent_) g->SetTransparent(transparent_);
    ApplyAutoSize();
    Invalidate();
}

TRect TImage::DestRect() const {
    if (stretch_) return ClientRect();
    int w = picture_->Width(), h = picture_->Height();
    int x = center_ ? (Width() - w) / 2 : 0;
    int y = center_ ? (Height() - h) / 2 : 0;
    return Bounds(x, y, w, h);
}

void TImage::Paint() {
    TCanvas* canvas = Canvas();
    TGraphic* g = picture_->Graphic();
    if (!g) {
        if (Designing()) {
            canvas->Pen()->SetStyle(psDash);
            canvas->Pen()->SetColor(clBlack);
            canvas->Brush()->SetStyle(bsClear);
            canvas->Rectangle(ClientRect());
        }
        return;
    }
    TRect d = DestRect();
    if (stretch_) canvas->StretchDraw(d, g);
    else canvas->Draw(d.Left, d.Top, g);
}

// ---------------------------------------------------------------- TPanel
TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clBtnFace);
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks;
    SetBounds(0, 0, 185, 41);
}

TPanel::~TPanel() = default;

const PropList& TPanel::Properties() const {
    using C = TPanel;
    static const PropList list = ExtendProps(TWinControl::Properties(), {
        props::Int<C>("BevelInner", bvNone, [](C* c) { return c->BevelInner(); },
                      [](C* c, std::int64_t v) { c->SetBevelInner(CheckedEnum<TBevelCut>(v, kBevelNames)); }, PropKind::Enum, &kBevelNames),
        props::Int<C>("BevelOuter", bvRaised, [](C* c) { return c->BevelOuter(); },
                      [](C* c, std::int64_t v) { c->SetBevelOuter(CheckedEnum<TBevelCut>(v, kBevelNames)); }, PropKind::Enum, &kBevelNames),
        props::Int<C>("BevelWidth", 1, [](C* c) { return c->BevelWidth(); }, [](C* c, std::int64_t v) { c->SetBevelWidth(int(v)); }),
        props::Int<C>("BorderStyle", bsNone, [](C* c) { return c->BorderStyle(); },
                      [](C* c, std::int64_t v) { c->SetBorderStyle(CheckedEnum<TBorderStyle>(v, kBorderStyleNames)); }, PropKind::Enum, &kBorderStyleNames),
        props::Int<C>("BorderWidth", 0, [](C* c) { return c->BorderWidth(); }, [](C* c, std::int64_t v) { c->SetBorderWidth(int(v)); }),
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Int<C>("Color", clBtnFace, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        props::Bool<C>("ParentColor", false, [](C* c) { return c->ParentColor(); }, [](C* c, bool v) { c->SetParentColor(v); }),
        props::Bool<C>("ParentFont", true, [](C* c) { return c->ParentFont(); }, [](C* c, bool v) { c->SetParentFont(v); }),
    });
    return list;
}

void TPanel::SetBevelOuter(TBevelCut value) {
    if (value == bevel_outer_) return;
    bevel_outer_ = value;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
    if (value == bevel_inner_) return;
    bevel_inner_ = value;
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (value == bevel_width_) return;
    bevel_width_ = value;
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    value = std::max(value, 0);
    if (value == border_width_) return;
    border_width_ = value;
    Invalidate();
}

void TPanel::SetBorderStyle(TBorderStyle style) {
    style = style == bsNone ? bsNone : bsSingle;
    if (style == border_style_) return;
    border_style_ = style;
    Invalidate();
}

void TPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetStyle(bsSolid);
    if (border_style_ == bsSingle) {
        canvas->Brush()->SetColor(clWindowFrame);
        canvas->FrameRect(r);
        r = Inset(r, 1);
    }
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    TColor top, bottom;
    if (bevel_outer_ != bvNone) {
        BevelColors(bevel_outer_, &top, &bottom);
        Frame3D(canvas, r, top, bottom, bevel_width_);
    }
    r = Inset(r, border_width_);
    if (bevel_inner_ != bvNone) {
        BevelColors(bevel_inner_, &top, &bottom);
        Frame3D(canvas, r, top, bottom, bevel_width_);
    }
    if (Caption().empty() || IsEmpty(r)) return;
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(Font());
    win::RECT text{r.Left, r.Top, r.Right, r.Bottom};
    win::DrawTextUtf8(canvas->Handle(), Caption(), &text, win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
}

// ---------------------------------------------------------------- TShape
TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner),
      brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()) {
    brush_->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    pen_->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    SetBounds(0, 0, 65, 65);
}

TShape::~TShape() = default;

const PropList& TShape::Properties() const {
    using C = TShape;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Obj<C>("Brush", [](C* c) -> TPersistent* { return c->Brush(); }),
        props::Obj<C>("Pen", [](C* c) -> TPersistent* { return c->Pen(); }),
        props::Int<C>("Shape", stRectangle, [](C* c) { return c->Shape(); },
                      [](C* c, std::int64_t v) { c->SetShape(CheckedEnum<TShapeType>(v, kShapeNames)); }, PropKind::Enum, &kShapeNames),
    });
    return list;
}

void TShape::SetShape(TShapeType shape) {
    if (shape == shape_) return;
    shape_ = shape;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* canvas = Canvas();
    int pen = pen_->Style() == psClear ? 0 : std::max(pen_->Width(), 1);
    int w = Width(), h = Height();
    if (pen == 0) {
        --w;
        --h;
    }
    int x = 0, y = 0;
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        int s = std::min(w, h);
        x = (w - s) / 2;
        y = (h - s) / 2;
        w = h = s;
    }
    if (w <= 0 || h <= 0) return;
    Figure figure = shape_ == stEllipse || shape_ == stCircle       ? Figure::Ellipse
                    : shape_ == stRoundRect || shape_ == stRoundSquare ? Figure::RoundRect
                                                                    : Figure::Rectangle;
    int corner = std::min(w, h) / 4;
    TRect outer = Bounds(x, y, w, h);
    TRect inner = Inset(outer, pen);
    int inner_corner = std::max(0, corner - 2 * pen);
    bool fill = brush_->Style() != bsClear;
    canvas->Brush()->SetStyle(bsSolid);
    for (int row = outer.Top; row < outer.Bottom; ++row) {
        auto [o0, o1] = Span(figure, outer, corner, row);
        auto [i0, i1] = Span(figure, inner, inner_corner, row);
        if (fill && i1 > i0) {
            canvas->Brush()->SetColor(brush_->Color());
            FillSpan(canvas, i0, i1, row);
        }
        if (pen == 0) continue;
        canvas->Brush()->SetColor(pen_->Color());
        if (i1 > i0) {
            FillSpan(canvas, o0, i0, row);
            FillSpan(canvas, i1, o1, row);
        } else {
            FillSpan(canvas, o0, o1, row);
        }
    }
}
