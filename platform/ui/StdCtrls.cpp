#include "platform/ui/StdCtrls.h"

#include <algorithm>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Gdi.h"
#include "platform/ui/Messages.h"

namespace {

// Edit-control messages the platform sends through the window's own handling.
constexpr win::UINT kEmSetSel = 0x00B1;
constexpr win::UINT kEmLimitText = 0x00C5;

PropInfo AlwaysStored(PropInfo p) {
    p.always_stored = true;
    return p;
}

const EnumNames kBorderStyleNames{{"bsNone", "bsSingle"}};

// An enumeration value from a stream or a caller, checked against its names.
template <class E>
E CheckedEnum(std::int64_t v, const EnumNames& names) {
    if (!names.NameOf(static_cast<int>(v))) throw EInvalidOperation("列挙値が範囲を超えています (" + std::to_string(v) + ")");
    return static_cast<E>(v);
}

bool HasPopupMenu(const TControl* c) {
    for (; c; c = c->Parent())
        if (c->PopupMenu()) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------- TLabel
TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetColor(clBtnFace);
    SetParentColor(true);
    SetBounds(0, 0, 65, 17);
}

TLabel::~TLabel() = default;

const PropList& TLabel::Properties() const {
    using C = TLabel;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Bool<C>("AutoSize", true, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Int<C>("Color", clBtnFace, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        // Written even at its default: a stored colour, even the parent's,
        // turns it off while reading, and it must come back on.
        AlwaysStored(props::Bool<C>("ParentColor", true, [](C* c) { return c->ParentColor(); }, [](C* c, bool v) { c->SetParentColor(v); })),
        props::Bool<C>("ParentFont", true, [](C* c) { return c->ParentFont(); }, [](C* c, bool v) { c->SetParentFont(v); }),
        props::Bool<C>("ShowAccelChar", true, [](C* c) { return c->ShowAccelChar(); }, [](C* c, bool v) { c->SetShowAccelChar(v); }),
        props::Bool<C>("Transparent", false, [](C* c) { return c->Transparent(); }, [](C* c, bool v) { c->SetTransparent(v); }),
    });
    return list;
}

void TLabel::SetAutoSize(bool value) {
    if (value == auto_size_) return;
    auto_size_ = value;
    AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    if (value == show_accel_char_) return;
    show_accel_char_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetParent(TWinControl* parent) {
    TGraphicControl::SetParent(parent);
    AdjustBounds();  // the parent's font came along
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::WndProc(TMessage& m) {
    TGraphicControl::WndProc(m);
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}

unsigned TLabel::DrawTextFlags() const {
    return win::DT_LEFT | win::DT_TOP | (show_accel_char_ ? 0u : win::DT_NOPREFIX);
}

void TLabel::AdjustBounds() {
    if (!auto_size_ || Loading()) return;
    // An empty caption still takes the height of a line.
    std::string text = Caption();
    if (text.empty() || (show_accel_char_ && text == "&")) text += ' ';
    GdiPtr<win::DCObject> dc(win::CreateCompatibleDC(nullptr));
    win::HGDIOBJ old = win::SelectObject(dc.get(), Font()->Handle());
    win::RECT r{0, 0, 0, 0};
    win::DrawTextUtf8(dc.get(), text, &r, DrawTextFlags() | win::DT_CALCRECT);
    win::SelectObject(dc.get(), old);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TLabel::Paint() {
    TCanvas* canvas = Canvas();
    if (!transparent_) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(ClientRect());
    }
    const std::string& text = Caption();
    if (text.empty()) return;
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(Font());
    unsigned flags = DrawTextFlags();
    if (!Enabled()) {
        canvas->Font()->SetColor(clBtnHighlight);
        win::RECT lower{1, 1, Width() + 1, Height() + 1};
        win::DrawTextUtf8(canvas->Handle(), text, &lower, flags);
        canvas->Font()->SetColor(clBtnShadow);
    }
    win::RECT r{0, 0, Width(), Height()};
    win::DrawTextUtf8(canvas->Handle(), text, &r, flags);
}

// ---------------------------------------------------------------- TEdit
TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    SetColor(clWindow);
    TabStop = true;
    ControlStyle = csClickEvents | csSetCaption | csDoubleClicks | csFramed;
    SetBounds(0, 0, 121, 21);
    AdjustHeight();
}

TEdit::~TEdit() = default;

const PropList& TEdit::Properties() const {
    using C = TEdit;
    static const PropList list = ExtendProps(TWinControl::Properties(), {
        props::Bool<C>("AutoSize", true, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Int<C>("BorderStyle", bsSingle, [](C* c) { return c->BorderStyle(); },
                      [](C* c, std::int64_t v) { c->SetBorderStyle(CheckedEnum<TBorderStyle>(v, kBorderStyleNames)); }, PropKind::Enum, &kBorderStyleNames),
        props::Int<C>("Color", clWindow, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Bool<C>("Ctl3D", true, [](C* c) { return c->Ctl3D(); }, [](C* c, bool v) { c->SetCtl3D(v); }),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        props::Int<C>("MaxLength", 0, [](C* c) { return c->MaxLength(); }, [](C* c, std::int64_t v) { c->SetMaxLength(int(v)); }),
        props::Bool<C>("ParentColor", false, [](C* c) { return c->ParentColor(); }, [](C* c, bool v) { c->SetParentColor(v); }),
        props::Bool<C>("ParentFont", true, [](C* c) { return c->ParentFont(); }, [](C* c, bool v) { c->SetParentFont(v); }),
        props::Bool<C>("ReadOnly", false, [](C* c) { return c->ReadOnly(); }, [](C* c, bool v) { c->SetReadOnly(v); }),
        props::Bool<C>("TabStop", true, [](C* c) { return c->TabStop; }, [](C* c, bool v) { c->TabStop = v; }),
        props::Str<C>("Text", [](C* c) { return c->Text(); }, [](C* c, const std::string& v) { c->SetText(v); }),
    });
    return list;
}

std::string TEdit::Text() const {
    if (HandleAllocated() && window_) return os::edit_text(window_);
    return TControl::Text();
}

void TEdit::SetText(const std::string& text) {
    // What the user typed is the text to compare with, not an older copy.
    SyncTextFromWindow();
    TWinControl::SetText(text);
}

void TEdit::SyncTextFromWindow() {
    if (!window_) return;
    std::string shown = os::edit_text(window_);
    if (shown == TControl::Text()) return;
    syncing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{syncing_};
    TWinControl::SetText(shown);
}

void TEdit::SetReadOnly(bool value) {
    if (value == read_only_) return;
    read_only_ = value;
    RecreateWindow();
}

void TEdit::SetBorderStyle(TBorderStyle style) {
    style = style == bsNone ? bsNone : bsSingle;
    if (style == border_style_) return;
    border_style_ = style;
    RecreateWindow();
    AdjustHeight();
}

void TEdit::SetCtl3D(bool value) {
    if (value == ctl3d_) return;
    ctl3d_ = value;
    RecreateWindow();
    AdjustHeight();
}

void TEdit::SetAutoSize(bool value) {
    if (value == auto_size_) return;
    auto_size_ = value;
    AdjustHeight();
}

void TEdit::SetMaxLength(int value) {
    value = std::max(value, 0);
    if (value == max_length_) return;
    max_length_ = value;
    if (window_) os::send_message(window_, kEmLimitText, static_cast<win::WPARAM>(max_length_), 0);
}

void TEdit::SelectAll() {
    if (HandleAllocated()) os::send_message(Handle(), kEmSetSel, 0, -1);
}

void TEdit::SetParent(TWinControl* parent) {
    TWinControl::SetParent(parent);
    AdjustHeight();  // the parent's font came along
}

void TEdit::Loaded() {
    TWinControl::Loaded();
    AdjustHeight();
}

void TEdit::AdjustHeight() {
    if (!auto_size_ || border_style_ != bsSingle || Loading()) return;
    os::TextMetrics m = os::measure_text(Font()->Description(), u"0");
    SetHeight(m.height + (ctl3d_ ? 8 : 6));
}

void TEdit::CreateParams(os::WindowParams& p) {
    TWinControl::CreateParams(p);
    p.kind = os::WindowKind::Edit;
    p.read_only = read_only_;
    p.flat = border_style_ == bsNone || !ctl3d_;
}

void TEdit::CreateHandle() {
    TWinControl::CreateHandle();
    // The parent may have made this window already, inside the call above.
    if (HandleAllocated() && Handle() != window_) SetUpWindow();
}

void TEdit::SetUpWindow() {
    window_ = Handle();
    os::set_window_font(window_, Font()->Description());
    ApplyColors();
    if (!Enabled()) os::enable_window(window_, false);
    if (max_length_) os::send_message(window_, kEmLimitText, static_cast<win::WPARAM>(max_length_), 0);
}

void TEdit::ApplyColors() {
    if (window_) os::set_edit_colors(window_, ColorToRGB(Font()->Color()), ColorToRGB(Color()));
}

void TEdit::RecreateWindow() {
    if (!HandleAllocated()) return;
    bool focused = Focused();
    DestroyHandle();  // WM_DESTROY keeps the text
    HandleNeeded();
    if (focused && CanFocus()) SetFocus();
}

void TEdit::DefaultHandler(TMessage& m) {
    if (!HandleAllocated() && window_ && m.Msg < CM_BASE) {
        m.Result = os::default_message(window_, m.Msg, m.WParam, m.LParam);
        return;
    }
    TWinControl::DefaultHandler(m);
}

void TEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
        if (!syncing_ && window_ && os::edit_text(window_) != TControl::Text()) os::set_edit_text(window_, TControl::Text());
        break;
    case CM_ENABLEDCHANGED:
        if (window_) os::enable_window(window_, Enabled());
        break;
    case CM_COLORCHANGED:
        ApplyColors();
        break;
    case CM_FONTCHANGED:
        if (window_) os::set_window_font(window_, Font()->Description());
        ApplyColors();
        AdjustHeight();
        break;
    case win::WM_PAINT:
    case win::WM_ERASEBKGND:
        // The system draws its own control.
        DefaultHandler(m);
        return;
    case win::WM_SETCURSOR:
        if ((m.LParam & 0xFFFF) == win::HTCLIENT) {
            os::set_cursor_shape(Cursor() == crDefault ? crIBeam : Cursor());
            m.Result = 1;
            return;
        }
        DefaultHandler(m);
        return;
    case win::WM_DESTROY:
        if (window_) {
            SyncTextFromWindow();
            DefaultHandler(m);
            window_ = 0;
        }
        return;
    default:
        if (m.Msg >= win::WM_MOUSEMOVE && m.Msg <= win::WM_MBUTTONDBLCLK) {
            // The events first; then the system's edit, which selects and
            // releases its capture on these too.
            TWinControl::WndProc(m);
            bool defaulted = m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_RBUTTONDOWN;
            bool menu_shown = m.Msg == win::WM_RBUTTONUP && HasPopupMenu(this);
            if (!defaulted && !menu_shown) DefaultHandler(m);
            return;
        }
        break;
    }
    TWinControl::WndProc(m);
}
