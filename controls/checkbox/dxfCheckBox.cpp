#include "controls/checkbox/dxfCheckBox.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "controls/checkbox/dxfRes.h"
#include "platform/core/Classes.h"
#include "platform/graphics/Gdi.h"
#include "platform/ui/WinApi.h"

using namespace win;

namespace {

PropInfo AlwaysStored(PropInfo p) {
    p.always_stored = true;
    return p;
}

const EnumNames kAlignmentNames{{"taLeftJustify", "taRightJustify"}};
const EnumNames kDragModeNames{{"dmManual", "dmAutomatic"}};

// A picture's side: a custom glyph's own when it has one, else the strip's cell.
int SideOf(const TBitmap* glyph, bool height) {
    if (!glyph->Empty()) return height ? glyph->Height() : glyph->Width();
    return dxfRes::CBBmp()->Height();  // cells are square
}

// Puts an object into a DC for the length of a scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() {
        if (old_) SelectObject(dc_, old_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;        // not owned
    HGDIOBJ old_;   // not owned
};

// Clears a flag for the length of a scope.
class Cleared {
public:
    explicit Cleared(bool& flag) : flag_(flag) { flag_ = false; }
    ~Cleared() { flag_ = true; }
    Cleared(const Cleared&) = delete;
    Cleared& operator=(const Cleared&) = delete;

private:
    bool& flag_;
};

}  // namespace

TdxfCheckBox::TdxfCheckBox(TComponent* AOwner)
    : TCustomControl(AOwner),
      glyph_checked_(std::make_unique<TBitmap>()),
      glyph_unchecked_(std::make_unique<TBitmap>()) {
    // A glyph read from a form resource is loaded into the bitmap itself.
    glyph_checked_->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    glyph_unchecked_->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    TabStop = true;
    SetBounds(Left(), Top(), 100, 17);
}

TdxfCheckBox::~TdxfCheckBox() {
    glyph_checked_.reset();
    glyph_unchecked_.reset();
}

const PropList& TdxfCheckBox::Properties() const {
    using C = TdxfCheckBox;
    static const PropList list = ExtendProps(TWinControl::Properties(), {
        AlwaysStored(props::Bool<C>("Checked", false, [](C* c) { return c->Checked(); }, [](C* c, bool v) { c->SetChecked(v); })),
        props::Bool<C>("AutoSize", true, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Int<C>("Alignment", taRightJustify, [](C* c) { return c->Alignment(); },
                      [](C* c, std::int64_t v) {
                          if (v != taLeftJustify && v != taRightJustify)
                              throw EReadError(c->Name() + ": Alignment の値が範囲を超えています (" + std::to_string(v) + ")");
                          c->SetAlignment(static_cast<TdxfCBAlignment>(v));
                      },
                      PropKind::Enum, &kAlignmentNames),
        AlwaysStored(props::Int<C>("GroupIndex", 0, [](C* c) { return c->GroupIndex(); },
                                   [](C* c, std::int64_t v) { c->SetGroupIndex(static_cast<int>(v)); })),
        props::Bool<C>("AllowAllUp", true, [](C* c) { return c->AllowAllUp(); }, [](C* c, bool v) { c->SetAllowAllUp(v); }),
        props::Obj<C>("GlyphChecked", [](C* c) -> TPersistent* { return c->GlyphChecked(); },
                      [](C* c, TPersistent* v) { c->SetCheckedBmp(dynamic_cast<TBitmap*>(v)); }),
        props::Obj<C>("GlyphUnChecked", [](C* c) -> TPersistent* { return c->GlyphUnChecked(); },
                      [](C* c, TPersistent* v) { c->SetUnCheckedBmp(dynamic_cast<TBitmap*>(v)); }),
        props::Int<C>("Style", 1, [](C* c) { return c->Style(); }, [](C* c, std::int64_t v) {
            c->SetStyle(static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)));
        }),
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Int<C>("Color", clWindow, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Bool<C>("Ctl3D", true, [](C* c) { return c->Ctl3D(); }, [](C* c, bool v) { c->SetCtl3D(v); }),
        props::Int<C>("DragCursor", crDrag, [](C* c) { return c->DragCursor; }, [](C* c, std::int64_t v) { c->DragCursor = int(v); }, PropKind::Cursor),
        props::Int<C>("DragMode", 0, [](C* c) { return c->DragMode; }, [](C* c, std::int64_t v) { c->DragMode = int(v); }, PropKind::Enum, &kDragModeNames),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        // Written even at their defaults: a stored font or colour turns them
        // off while reading, and they must come back on.
        AlwaysStored(props::Bool<C>("ParentColor", true, [](C* c) { return c->ParentColor(); }, [](C* c, bool v) { c->SetParentColor(v); })),
        props::Bool<C>("ParentCtl3D", true, [](C* c) { return c->ParentCtl3D(); }, [](C* c, bool v) { c->SetParentCtl3D(v); }),
        AlwaysStored(props::Bool<C>("ParentFont", true, [](C* c) { return c->ParentFont(); }, [](C* c, bool v) { c->SetParentFont(v); })),
        props::Bool<C>("TabStop", true, [](C* c) { return c->TabStop; }, [](C* c, bool v) { c->TabStop = v; }),
        props::Event<C>("OnEnter", &C::OnEnter),
        props::Event<C>("OnExit", &C::OnExit),
    });
    return list;
}

// ---------------------------------------------------------------- setters
void TdxfCheckBox::SetChecked(bool Value) {
    const bool old = checked_;
    // In a group a checked box refuses to be unchecked, unless the group
    // is positive and allows all up.
    if (Value != old && (group_index_ == 0 || !old || (group_index_ > 0 && allow_all_up_) || Value)) {
        checked_ = Value;
        Invalidate();
        if (group_index_ > 0 && checked_) UpdateExclusive();
    }
    // Also when the group refused: the request itself is the event.
    if (notify_ && Value != old && OnClick) OnClick(this);
}

void TdxfCheckBox::SetAutoSize(bool Value) {
    if (Value == auto_size_) return;
    auto_size_ = Value;
    if (auto_size_) CalcSize();
}

void TdxfCheckBox::SetAlignment(TdxfCBAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    Invalidate();
}

void TdxfCheckBox::SetGroupIndex(int Value) { group_index_ = Value; }

void TdxfCheckBox::SetAllowAllUp(bool Value) { allow_all_up_ = Value; }

void TdxfCheckBox::SetCheckedBmp(TBitmap* Value) {
    glyph_checked_->Assign(Value);
    if (auto_size_) CalcSize();
    Invalidate();
}

void TdxfCheckBox::SetUnCheckedBmp(TBitmap* Value) {
    glyph_unchecked_->Assign(Value);
    if (auto_size_) CalcSize();
    Invalidate();
}

void TdxfCheckBox::SetStyle(int Value) {
    style_ = std::max(Value, 1);
    TBitmap* strip = dxfRes::CBBmp();
    if (strip->Height() > 0) {
        const int styles = strip->Width() / (4 * strip->Height());
        if (styles >= 1) style_ = std::min(style_, styles);
    }
    Invalidate();
}

// ---------------------------------------------------------------- behaviour
void TdxfCheckBox::Click() {
    {
        // Click fires OnClick itself, once, whatever SetChecked decides.
        Cleared quiet(notify_);
        SetChecked(!checked_);
    }
    TCustomControl::Click();
    win::SetFocus(Handle());
}

void TdxfCheckBox::UpdateExclusive() {
    if (group_index_ == 0 || !Parent()) return;
    TMessage m;
    m.Msg = CM_BUTTONPRESSED;
    m.WParam = static_cast<WPARAM>(static_cast<LPARAM>(group_index_));
    m.LParam = reinterpret_cast<LPARAM>(static_cast<TControl*>(this));
    Parent()->Broadcast(m);
}

void TdxfCheckBox::ButtonPressed(TMessage& Message) {
    // LParam is only compared, never followed: any control may send this.
    const bool same_group = Message.WParam == static_cast<WPARAM>(static_cast<LPARAM>(group_index_));
    const bool other = reinterpret_cast<TControl*>(Message.LParam) != static_cast<TControl*>(this);
    if (same_group && other && checked_) {
        checked_ = false;
        Invalidate();
    }
}

void TdxfCheckBox::CreateHandle() {
    TCustomControl::CreateHandle();
    // A disabled box takes no input, as the system's controls do.
    if (HandleAllocated() && !Enabled()) os::enable_window(Handle(), false);
}

void TdxfCheckBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDBLCLK:
        // The second press toggles again: a double click is two clicks.
        TCustomControl::WndProc(Message);
        Click();
        return;
    case WM_KEYUP:
        TCustomControl::WndProc(Message);
        if (Message.WParam == static_cast<WPARAM>(VK_SPACE)) Click();
        return;
    case WM_SIZE:
        TCustomControl::WndProc(Message);
        Invalidate();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();  // the focus rectangle comes or goes
        TCustomControl::WndProc(Message);
        return;
    case CM_FONTCHANGED:
        TCustomControl::WndProc(Message);
        if (auto_size_) CalcSize();
        Invalidate();
        return;
    case CM_TEXTCHANGED:
        TCustomControl::WndProc(Message);
        if (HandleAllocated() && auto_size_) CalcSize();
        Invalidate();
        return;
    case CM_ENABLEDCHANGED:
        TCustomControl::WndProc(Message);
        if (HandleAllocated()) os::enable_window(Handle(), Enabled());
        Invalidate();
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;  // Paint covers the whole control
        return;
    case CM_BUTTONPRESSED:
        ButtonPressed(Message);
        return;
    default:
        TCustomControl::WndProc(Message);
    }
}

// ---------------------------------------------------------------- sizes and drawing
int TdxfCheckBox::PictureWidth() const {
    return std::max({0, SideOf(glyph_checked_.get(), false), SideOf(glyph_unchecked_.get(), false)});
}

int TdxfCheckBox::PictureHeight() const {
    return std::max({0, SideOf(glyph_checked_.get(), true), SideOf(glyph_unchecked_.get(), true)});
}

void TdxfCheckBox::CalcSize() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    // Outside a paint the canvas shares a scratch DC with other controls:
    // select this font into it again before measuring.
    canvas->Refresh();
    const int height = std::max(PictureHeight(), canvas->TextHeight("Wg") + 2);
    const int width = canvas->TextWidth(Caption()) + PictureWidth() + 4;
    SetWidth(width);
    SetHeight(height);
}

void TdxfCheckBox::Paint() {
    const int cw = Width(), ch = Height();
    if (cw <= 0 || ch <= 0) return;
    TBitmap* buffer = dxfRes::DrawBmp();
    if (buffer->Width() < cw) buffer->SetWidth(cw);
    if (buffer->Height() < ch) buffer->SetHeight(ch);

    const int W = PictureWidth(), H = PictureHeight();
    const int top = (ch - H) / 2;
    TRect box{0, top, W, top + H};

    TCanvas* canvas = buffer->Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());

    if (alignment_ == taLeftJustify) {
        box.Left = cw - W;
        box.Right = cw;
    }

    TBitmap* strip = dxfRes::CBBmp();
    if (checked_) {
        if (!glyph_checked_->Empty()) DrawImage(canvas, box, glyph_checked_.get(), 1);
        else if (!strip->Empty()) DrawImage(canvas, box, strip, Enabled() ? 1 : 3);
    } else {
        if (!glyph_unchecked_->Empty()) DrawImage(canvas, box, glyph_unchecked_.get(), 0);
        else if (!strip->Empty()) DrawImage(canvas, box, strip, Enabled() ? 0 : 2);
    }

    canvas->Font()->Assign(Font());
    const std::string& caption = Caption();
    const int h = canvas->TextHeight(caption), w = canvas->TextWidth(caption);
    TRect text;
    if (alignment_ == taRightJustify) {
        text = TRect{W + 2, (ch - h) / 2 - 1, W + w + 6, (ch - h) / 2 + h + 1};
        text.Top = std::max(text.Top, 0);
        text.Right = std::min(text.Right, cw);
        text.Bottom = std::min(text.Bottom, ch);
    } else {
        text = TRect{0, (ch - h) / 2 - 2, w + 2, (ch - h) / 2 + h + 2};
        text.Top = std::max(text.Top, 0);
        text.Right = std::min(text.Right, cw - W - 2);
        text.Bottom = std::min(text.Bottom, ch);
    }

    canvas->Brush()->SetStyle(bsClear);
    const TRect inner{text.Left + 1, text.Top + 1, text.Right - 1, text.Bottom - 1};
    if (Enabled()) {
        canvas->TextRect(inner, inner.Left, inner.Top, caption);
    } else {
        // Engraved: a white copy one pixel down and right under the grey text.
        canvas->Font()->SetColor(clWhite);
        canvas->TextRect(inner, inner.Left + 1, inner.Top + 1, caption);
        canvas->Font()->SetColor(clGray);
        canvas->TextRect(inner, inner.Left, inner.Top, caption);
    }
    canvas->Brush()->SetStyle(bsSolid);

    if (Focused() && !caption.empty()) canvas->DrawFocusRect(text);

    win::BitBlt(Canvas()->Handle(), 0, 0, cw, ch, canvas->Handle(), 0, 0, SRCCOPY);
}

void TdxfCheckBox::DrawImage(TCanvas* Canvas, const TRect& Rect, TBitmap* Bitmap, int Index) {
    if (!Canvas || !Bitmap || Bitmap->Empty()) return;
    const int rw = Rect.Width(), rh = Rect.Height();
    if (rw <= 0 || rh <= 0) return;

    // 1. The picture, cut out into a bitmap of its own.
    TBitmap picture;
    if (Bitmap == dxfRes::CBBmp()) {
        const int side = Bitmap->Height();
        picture.SetSize(side, side);
        win::BitBlt(picture.Canvas()->Handle(), 0, 0, side, side, Bitmap->Canvas()->Handle(),
               side * ((style_ - 1) * 4 + Index), 0, SRCCOPY);
    } else {
        picture.Assign(Bitmap);
    }
    const int pw = picture.Width(), ph = picture.Height();

    // 2. Centred, relative to the rectangle.
    const int x = (rw - pw) / 2, y = (rh - ph) / 2;

    // 3. The composition: the rectangle's size, filled with the canvas's brush.
    HDC target = Canvas->Handle();
    GdiPtr<DCObject> work(win::CreateCompatibleDC(target));
    GdiPtr<BitmapObject> surface(win::CreateCompatibleBitmap(target, rw, rh));
    {
        Selection on_surface(work.get(), surface.get());
        HBRUSH brush = Canvas->Brush()->Handle();
        RECT all{0, 0, rw, rh};
        win::FillRect(work.get(), &all, brush);

        // 4. The picture at its place.
        win::SetStretchBltMode(work.get(), COLORONCOLOR);
        win::StretchBlt(work.get(), x, y, pw, ph, picture.Canvas()->Handle(), 0, 0, pw, ph, SRCCOPY);

        // 5. The brush where the mask is white (the transparent colour).
        GdiPtr<DCObject> mask_dc(win::CreateCompatibleDC(nullptr));
        {
            Selection on_mask(mask_dc.get(), picture.MaskHandle());
            Selection with_brush(work.get(), brush);
            const COLORREF old_text = win::SetTextColor(work.get(), 0x000000);
            const COLORREF old_back = win::SetBkColor(work.get(), 0xFFFFFF);
            win::BitBlt(work.get(), x, y, pw, ph, mask_dc.get(), 0, 0, ROP_DSPDxax);
            win::SetTextColor(work.get(), old_text);
            win::SetBkColor(work.get(), old_back);
        }

        // 6. The whole composition onto the canvas.
        win::BitBlt(target, Rect.Left, Rect.Top, rw, rh, work.get(), 0, 0, SRCCOPY);
    }
    // 7. Selections undone above; the DCs, the surface and the picture go here.
}

ZIMMO_REGISTER_CLASS(TdxfCheckBox)
