#include "platform/ui/Controls.h"

#include <algorithm>
#include <unordered_map>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Gdi.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

long TControl::PaintCount = 0;

namespace {
// The control the pointer is over, as told by CM_MOUSEENTER; not owned.
TControl* g_mouse_over = nullptr;
// Our windows and the controls that own them.
std::unordered_map<os::WindowId, TWinControl*>& Windows() {
    static auto* map = new std::unordered_map<os::WindowId, TWinControl*>;  // lives for the whole program
    return *map;
}

void SetMouseOver(TControl* control) {
    if (control == g_mouse_over) return;
    TControl* old = g_mouse_over;
    g_mouse_over = control;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (control && control == g_mouse_over) control->Perform(CM_MOUSEENTER);
}
}  // namespace

TShiftState GetShiftState() {
    constexpr std::pair<int, TShiftFlag> keys[] = {{0x01, ssLeft}, {0x02, ssRight}, {0x04, ssMiddle},
                                                  {win::VK_SHIFT, ssShift}, {win::VK_CONTROL, ssCtrl},
                                                  {win::VK_MENU, ssAlt}};
    TShiftState s = 0;
    for (auto [vk, flag] : keys)
        if (os::key_state(vk) < 0) s |= flag;
    return s;
}

TWinControl* FindControl(os::WindowId window) {
    auto it = Windows().find(window);
    return it == Windows().end() ? nullptr : it->second;
}

TControl* FindDragTarget(TPoint screen, bool allowDisabled) {
    TWinControl* w = FindControl(os::window_from_point({screen.x, screen.y}));
    if (!w) return nullptr;
    if (TControl* c = w->ControlAtPos(w->ScreenToClient(screen), allowDisabled)) return c;
    return w;
}

bool IsAccel(unsigned character, std::string_view caption) {
    std::string_view hotkey;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&' || i + 1 >= caption.size()) continue;
        ++i;
        if (caption[i] == '&') continue;
        std::size_t len = 1;
        auto lead = static_cast<unsigned char>(caption[i]);
        if (lead >= 0xF0) len = 4;
        else if (lead >= 0xE0) len = 3;
        else if (lead >= 0xC0) len = 2;
        hotkey = caption.substr(i, len);
        i += hotkey.size() - 1;
    }
    if (hotkey.empty()) return false;
    if (hotkey.size() == 1) {
        auto fold = [](unsigned c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
        return fold(character) == fold(static_cast<unsigned char>(hotkey[0]));
    }
    std::string utf8;
    if (character < 0x800) {
        utf8 += static_cast<char>(0xC0 | (character >> 6));
    } else {
        utf8 += static_cast<char>(0xE0 | (character >> 12));
        utf8 += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    }
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
    return utf8 == hotkey;
}

// ---------------------------------------------------------------- TControlCanvas
void TControlCanvas::CreateHandle() {
    // A control's canvas draws only while its window paints; outside a paint
    // it draws into a scratch surface so that stray drawing cannot corrupt
    // another control's picture.
    static TBitmap* scratch = [] {
        auto* b = new TBitmap(1, 1, pf32bit);  // lives for the whole program
        return b;
    }();
    SetHandle(scratch->Canvas()->Handle());
}

// ---------------------------------------------------------------- TControl
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
    font_->OnChange = TNotifyEvent([this](TObject* s) { FontChanged(s); });
}

TControl::~TControl() {
    if (g_mouse_over == this) g_mouse_over = nullptr;
    if (parent_) parent_->RemoveControl(this);
}

void TControl::FontChanged(TObject*) {
    parent_font_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("コントロールを自分自身の親にはできません");
    if (parent_) parent_->RemoveControl(this);
    if (parent) {
        parent->InsertControl(this);
        if (parent_color_) color_ = parent->Color();
        if (parent_font_) {
            font_->OnChange = {};
            font_->Assign(parent->Font());
            font_->OnChange = TNotifyEvent([this](TObject* s) { FontChanged(s); });
        }
        if (parent_show_hint_) show_hint_ = parent->ShowHint();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    if (parent_ && !dynamic_cast<TWinControl*>(this)) Invalidate();  // the old area
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged();
    if (!dynamic_cast<TWinControl*>(this)) Invalidate();
    if (resized) Perform(win::WM_SIZE, 0, PackPoint(width, height));
    UpdateHint();
}

TPoint TControl::ClientToScreen(TPoint p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        os::Point s = os::client_to_screen(const_cast<TWinControl*>(w)->Handle(), {p.x, p.y});
        return {s.x, s.y};
    }
    if (parent_) return parent_->ClientToScreen({p.x + left_, p.y + top_});
    return {p.x + left_, p.y + top_};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint origin = ClientToScreen({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    VisibleChanged();
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

void TControl::VisibleChanged() {
    if (parent_) parent_->Invalidate();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    return parent_ ? parent_->Showing() : true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    // A disabled window takes no input from the system either.
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) os::enable_window(w->Handle(), enabled);
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }

void TControl::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    UpdateHint();
}

void TControl::SetShowHint(bool show) {
    parent_show_hint_ = false;
    if (show == show_hint_) return;
    show_hint_ = show;
    UpdateHint();
}

void TControl::SetParentShowHint(bool value) {
    parent_show_hint_ = value;
    if (value && parent_) show_hint_ = parent_->ShowHint();
    UpdateHint();
}

void TControl::UpdateHint() {
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        if (w->HandleAllocated()) w->UpdateTooltips();
    } else if (parent_ && parent_->HandleAllocated()) {
        parent_->UpdateTooltips();
    }
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor color) {
    parent_color_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
    parent_color_ = v;
    if (v && parent_) {
        color_ = parent_->Color();
        Invalidate();
    }
}

void TControl::SetParentFont(bool v) {
    parent_font_ = v;
    if (v && parent_) {
        font_->OnChange = {};
        font_->Assign(parent_->Font());
        font_->OnChange = TNotifyEvent([this](TObject* s) { FontChanged(s); });
        Perform(CM_FONTCHANGED);
    }
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated()) return;
    os::Rect r{left_, top_, left_ + width_, top_ + height_};
    os::invalidate(parent_->Handle(), &r);
}

void TControl::Update() {
    if (parent_ && parent_->HandleAllocated()) os::update_window(parent_->Handle());
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (parent_) {
        auto& v = parent_->controls_;
        auto it = std::find(v.begin(), v.end(), this);
        if (it != v.end() && it + 1 != v.end()) {
            v.erase(it);
            v.push_back(this);
            Invalidate();
        }
    }
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) os::bring_window_to_top(w->Handle());
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& v = parent_->controls_;
    auto it = std::find(v.begin(), v.end(), this);
    if (it != v.end() && it != v.begin()) {
        v.erase(it);
        v.insert(v.begin(), this);
        Invalidate();
    }
}

win::LRESULT TControl::Perform(win::UINT msg, win::WPARAM wparam, win::LPARAM lparam) {
    TMessage m{msg, wparam, lparam, 0};
    WndProc(m);
    return m.Result;
}

TShiftState TControl::ShiftFromWParam(win::WPARAM wp) {
    TShiftState s = 0;
    if (wp & win::MK_SHIFT) s |= ssShift;
    if (wp & win::MK_CONTROL) s |= ssCtrl;
    if (wp & win::MK_LBUTTON) s |= ssLeft;
    if (wp & win::MK_RBUTTON) s |= ssRight;
    if (wp & win::MK_MBUTTON) s |= ssMiddle;
    if (os::key_state(win::VK_MENU) < 0) s |= ssAlt;
    return s;
}

void TControl::WndProc(TMessage& m) {
    int x = MessageX(m.LParam), y = MessageY(m.LParam);
    switch (m.Msg) {
    case win::WM_LBUTTONDOWN:
        if (ControlStyle & csClickEvents) ControlState |= csClicked;
        ControlState |= csLButtonDown;
        MouseDown(mbLeft, ShiftFromWParam(m.WParam), x, y);
        return;
    case win::WM_LBUTTONDBLCLK:
        if (ControlStyle & csDoubleClicks) {
            ControlState |= csLButtonDown;
            if (ControlStyle & csClickEvents) DblClick();
            MouseDown(mbLeft, ShiftFromWParam(m.WParam) | ssDouble, x, y);
        } else {
            if (ControlStyle & csClickEvents) ControlState |= csClicked;
            ControlState |= csLButtonDown;
            MouseDown(mbLeft, ShiftFromWParam(m.WParam), x, y);
        }
        return;
    case win::WM_LBUTTONUP: {
        bool clicked = (ControlState & csClicked) != 0;
        ControlState &= ~(csClicked | csLButtonDown);
        MouseUp(mbLeft, ShiftFromWParam(m.WParam), x, y);
        if (clicked && ClientRect().Contains(x, y)) Click();
        return;
    }
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONDBLCLK:
        MouseDown(mbRight, ShiftFromWParam(m.WParam), x, y);
        return;
    case win::WM_RBUTTONUP: {
        MouseUp(mbRight, ShiftFromWParam(m.WParam), x, y);
        // The menu of the control, or of the nearest parent that has one, at the cursor.
        for (TControl* c = this; c; c = c->Parent()) {
            if (TPopupMenu* menu = c->PopupMenu()) {
                // At the cursor; where it cannot be read, at the click.
                TPoint click = ClientToScreen({x, y});
                os::Point at = os::cursor_pos().value_or(os::Point{click.x, click.y});
                menu->SetPopupComponent(this);
                menu->Popup(at.x, at.y);
                break;
            }
        }
        return;
    }
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, ShiftFromWParam(m.WParam), x, y);
        return;
    case win::WM_MBUTTONUP:
        MouseUp(mbMiddle, ShiftFromWParam(m.WParam), x, y);
        return;
    case win::WM_MOUSEMOVE:
        MouseMove(ShiftFromWParam(m.WParam), x, y);
        return;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        Invalidate();
        return;
    default:
        DefaultHandler(m);
    }
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, s, x, y);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

const PropList& TControl::Properties() const {
    using C = TControl;
    static const PropList list = [] {
        PropInfo left = props::Int<C>("Left", 0, [](C* c) { return c->Left(); }, [](C* c, std::int64_t v) { c->SetLeft(int(v)); });
        PropInfo top = props::Int<C>("Top", 0, [](C* c) { return c->Top(); }, [](C* c, std::int64_t v) { c->SetTop(int(v)); });
        PropInfo width = props::Int<C>("Width", 0, [](C* c) { return c->Width(); }, [](C* c, std::int64_t v) { c->SetWidth(int(v)); });
        PropInfo height = props::Int<C>("Height", 0, [](C* c) { return c->Height(); }, [](C* c, std::int64_t v) { c->SetHeight(int(v)); });
        left.always_stored = top.always_stored = width.always_stored = height.always_stored = true;
        return ExtendProps(TComponent(nullptr).Properties(), {
            left, top, width, height,
            props::Int<C>("Cursor", crDefault, [](C* c) { return c->Cursor(); }, [](C* c, std::int64_t v) { c->SetCursor(int(v)); }, PropKind::Cursor),
            props::Str<C>("Hint", [](C* c) { return c->Hint(); }, [](C* c, const std::string& v) { c->SetHint(v); }),
            props::Bool<C>("ParentShowHint", true, [](C* c) { return c->ParentShowHint(); }, [](C* c, bool v) { c->SetParentShowHint(v); }),
            props::Bool<C>("ShowHint", false, [](C* c) { return c->ShowHint(); }, [](C* c, bool v) { c->SetShowHint(v); }),
            props::Bool<C>("Visible", true, [](C* c) { return c->Visible(); }, [](C* c, bool v) { c->SetVisible(v); }),
            props::Bool<C>("Enabled", true, [](C* c) { return c->Enabled(); }, [](C* c, bool v) { c->SetEnabled(v); }),
            props::Ref<C, TPopupMenu>("PopupMenu", [](C* c) { return c->PopupMenu(); }, [](C* c, TPopupMenu* m) { c->SetPopupMenu(m); }),
            props::Event<C>("OnClick", &C::OnClick),
            props::Event<C>("OnDblClick", &C::OnDblClick),
        });
    }();
    return list;
}

// ---------------------------------------------------------------- TGraphicControl
TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

// ---------------------------------------------------------------- TWinControl
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Children outlive this part of the object (the owner destroys them
    // later): cut them loose first.
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    }
    controls_.clear();
    mouse_control_ = nullptr;
    DestroyHandle();
}

const PropList& TWinControl::Properties() const {
    using C = TWinControl;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Int<C>("TabOrder", -1, [](C* c) { return c->TabOrder(); }, [](C* c, std::int64_t v) { c->SetTabOrder(int(v)); }),
        props::Bool<C>("TabStop", false, [](C* c) { return c->TabStop; }, [](C* c, bool v) { c->TabStop = v; }),
    });
    return list;
}

os::WindowId TWinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void TWinControl::CreateParams(os::WindowParams& p) {
    p.kind = os::WindowKind::Child;
    p.parent = Parent() ? Parent()->Handle() : 0;
    p.bounds = {Left(), Top(), Left() + Width(), Top() + Height()};
    p.caption = Text();
    p.visible = Visible();
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    if (Parent()) Parent()->HandleNeeded();
    if (handle_) return;  // the parent created ours with its own
    os::WindowParams params;
    CreateParams(params);
    handle_ = os::create_window(params, this);
    Windows()[handle_] = this;
    if (!Enabled()) os::enable_window(handle_, false);
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
    UpdateTooltips();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    // The messages of the destruction still get their default handling.
    os::destroy_window(handle_);
    Windows().erase(handle_);
    handle_ = 0;
    if (g_mouse_over == this) g_mouse_over = nullptr;
}

void TWinControl::SetParent(TWinControl* parent) {
    TControl::SetParent(parent);
    if (parent && parent->HandleAllocated() && !HandleAllocated()) HandleNeeded();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount()) throw EListError(errors::ListIndex(index));
    return controls_[static_cast<std::size_t>(index)];
}

int TWinControl::IndexOfControl(const TControl* c) const {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    return it == controls_.end() ? -1 : static_cast<int>(it - controls_.begin());
}

void TWinControl::InsertControl(TControl* c) {
    c->parent_ = this;
    controls_.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (w->tab_order_ < 0) {
            int n = 0;
            for (TControl* o : controls_)
                if (o != c && dynamic_cast<TWinControl*>(o)) ++n;
            w->tab_order_ = n;
        }
    }
    c->Invalidate();
}

void TWinControl::RemoveControl(TControl* c) {
    if (mouse_control_ == c) mouse_control_ = nullptr;
    c->Invalidate();
    if (HandleAllocated() && !dynamic_cast<TWinControl*>(c)) os::remove_tooltip(handle_, reinterpret_cast<std::uintptr_t>(c));
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it != controls_.end()) controls_.erase(it);
    c->parent_ = nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (!(c->Visible() || c->Designing()) || !(c->Enabled() || allowDisabled)) continue;
        if (c->BoundsRect().Contains(p.x, p.y)) return c;
    }
    return nullptr;
}

int TWinControl::TabOrder() const { return tab_order_; }

void TWinControl::SetTabOrder(int order) {
    if (!Parent() || Loading()) {
        tab_order_ = order;
        return;
    }
    std::vector<TWinControl*> list = Parent()->TabList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
    for (std::size_t i = 0; i < list.size(); ++i) list[i]->tab_order_ = static_cast<int>(i);
}

std::vector<TWinControl*> TWinControl::TabList() const {
    std::vector<TWinControl*> list;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) list.push_back(w);
    std::stable_sort(list.begin(), list.end(), [](TWinControl* a, TWinControl* b) { return a->tab_order_ < b->tab_order_; });
    return list;
}

void TWinControl::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> list = TabList();
    list.erase(std::remove_if(list.begin(), list.end(), [](TWinControl* w) { return !w->TabStop || !w->CanFocus(); }), list.end());
    if (list.empty()) return;
    auto it = std::find(list.begin(), list.end(), current);
    std::size_t i = it == list.end() ? 0 : static_cast<std::size_t>(it - list.begin());
    std::size_t n = list.size();
    std::size_t next = it == list.end() ? (forward ? 0 : n - 1) : (forward ? (i + 1) % n : (i + n - 1) % n);
    list[next]->SetFocus();
}

bool TWinControl::Focused() const { return handle_ != 0 && os::focus() == handle_; }

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() { os::set_focus(Handle()); }

void TWinControl::Broadcast(TMessage& message) {
    for (TControl* c : std::vector<TControl*>(controls_)) {
        c->WndProc(message);
        if (message.Result != 0) return;
    }
}

void TWinControl::Invalidate() {
    if (handle_) os::invalidate(handle_, nullptr);
}

void TWinControl::BoundsChanged() {
    if (handle_) os::set_window_bounds(handle_, {Left(), Top(), Left() + Width(), Top() + Height()});
}

void TWinControl::VisibleChanged() {
    if (Visible()) {
        if (!Parent() || Parent()->HandleAllocated()) os::show_window(Handle(), true);
    } else if (handle_) {
        os::show_window(handle_, false);
    }
}

TRect TWinControl::BufferRect() { return ClientRect(); }

void TWinControl::PaintWindow(TCanvas* canvas) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(BufferRect());
}

void TWinControl::PaintControls(TCanvas* canvas, const TRect& area) {
    win::HDC dc = canvas->Handle();
    for (TControl* c : std::vector<TControl*>(controls_)) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !(g->Visible() || g->Designing())) continue;
        TRect b = g->BoundsRect();
        if (b.Right <= area.Left || b.Left >= area.Right || b.Bottom <= area.Top || b.Top >= area.Bottom) continue;
        int saved = win::SaveDC(dc);
        win::SetViewportOrgEx(dc, b.Left, b.Top, nullptr);
        win::IntersectClipRect(dc, 0, 0, b.Width(), b.Height());
        g->canvas_->SetHandle(dc);
        ++PaintCount;
        try {
            g->Paint();
        } catch (...) {
            g->canvas_->SetHandle(nullptr);
            win::RestoreDC(dc, saved);
            throw;
        }
        g->canvas_->SetHandle(nullptr);
        win::RestoreDC(dc, saved);
    }
}

void TWinControl::PaintHandler() {
    if (painting_) return;
    painting_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{painting_};
    TRect area = BufferRect();
    if (area.Width() <= 0 || area.Height() <= 0) return;
    if (!buffer_) buffer_ = std::make_unique<TBitmap>(area.Width(), area.Height(), pf32bit);
    if (buffer_->Width() != area.Width() || buffer_->Height() != area.Height()) buffer_->SetSize(area.Width(), area.Height());
    TCanvas* canvas = buffer_->Canvas();
    PaintWindow(canvas);
    PaintControls(canvas, area);
    const auto* top = static_cast<const std::uint8_t*>(buffer_->ScanLine(0));
    int stride = area.Height() > 1 ? static_cast<int>(static_cast<const std::uint8_t*>(buffer_->ScanLine(1)) - top)
                                   : area.Width() * 4;
    os::present(handle_, 0, 0, area.Width(), area.Height(), reinterpret_cast<const std::uint32_t*>(top), stride);
}

bool TWinControl::RouteMouse(TMessage& m) {
    bool down = m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_RBUTTONDOWN || m.Msg == win::WM_MBUTTONDOWN ||
                m.Msg == win::WM_LBUTTONDBLCLK || m.Msg == win::WM_RBUTTONDBLCLK || m.Msg == win::WM_MBUTTONDBLCLK;
    bool up = m.Msg == win::WM_LBUTTONUP || m.Msg == win::WM_RBUTTONUP || m.Msg == win::WM_MBUTTONUP;
    TPoint p{MessageX(m.LParam), MessageY(m.LParam)};
    TControl* target = mouse_control_ ? mouse_control_ : ControlAtPos(p);
    if (!target) return false;
    if (down && (target->ControlStyle & csCaptureMouse)) {
        mouse_control_ = target;
        os::set_capture(handle_);
    }
    TMessage routed = m;
    routed.LParam = PackPoint(p.x - target->Left(), p.y - target->Top());
    if (up) {
        mouse_control_ = nullptr;
        if (os::capture() == handle_) os::release_capture();
    }
    target->WndProc(routed);
    m.Result = routed.Result;
    return true;
}

void TWinControl::TrackMouse(TPoint client) {
    SetMouseOver(FindDragTarget(ClientToScreen(client), true));
    // Also while another window holds the capture: the pointer may leave
    // this one without a move reaching it.
    if (handle_) os::track_mouse_leave(handle_);
}

void TWinControl::MouseLeft() {
    // Only a leave of the window the pointer was last seen in counts.
    if (!g_mouse_over || (g_mouse_over != this && g_mouse_over->Parent() != this)) return;
    // A cursor that cannot be read (a secure desktop) is over nothing of ours.
    std::optional<os::Point> at = os::cursor_pos();
    TControl* now = at ? FindDragTarget({at->x, at->y}, true) : nullptr;
    SetMouseOver(now);
    if (handle_ && now && (now == this || now->Parent() == this)) os::track_mouse_leave(handle_);
}

void TWinControl::UpdateTooltips() {
    if (!handle_) return;
    auto shows = [](TControl* c) { return c->ShowHint() && !c->Hint().empty(); };
    if (shows(this))
        os::set_tooltip(handle_, 0, {0, 0, Width(), Height()}, Hint());
    else
        os::remove_tooltip(handle_, 0);
    for (TControl* c : controls_) {
        if (dynamic_cast<TWinControl*>(c)) continue;
        auto id = reinterpret_cast<std::uintptr_t>(c);
        if (shows(c))
            os::set_tooltip(handle_, id, {c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()}, c->Hint());
        else
            os::remove_tooltip(handle_, id);
    }
}

void TWinControl::KeyDown(int& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(int& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char16_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case win::WM_PAINT:
        PaintHandler();
        return;
    case win::WM_ERASEBKGND:
        m.Result = 1;  // the back buffer covers everything
        return;
    case win::WM_SETCURSOR:
        // Only for our own client area: a child window chooses its own cursor.
        if ((m.LParam & 0xFFFF) == win::HTCLIENT && m.WParam == handle_ && os::cursor_pos()) {
            os::Point s = *os::cursor_pos();
            TPoint p = ScreenToClient({s.x, s.y});
            TControl* c = ControlAtPos(p);
            TCursor cursor = c && c->Cursor() != crDefault ? c->Cursor() : Cursor();
            os::set_cursor_shape(cursor == crDefault ? crArrow : cursor);
            m.Result = 1;
            return;
        }
        break;
    case win::WM_MOVE:
    case win::WM_SIZE:
        if (handle_ && m.WParam != 1 /* SIZE_MINIMIZED */) {
            // The window system moved the window (a drag by its caption): follow it.
            os::Rect r = os::window_bounds(handle_);
            if (r.left != Left() || r.top != Top() || r.width() != Width() || r.height() != Height()) {
                os::WindowId h = handle_;
                handle_ = 0;  // record the bounds without moving the window back
                SetBounds(r.left, r.top, r.width(), r.height());
                handle_ = h;
            }
        }
        break;
    case win::WM_SETFOCUS:
        DoEnter();
        break;
    case win::WM_KILLFOCUS:
        DoExit();
        break;
    case win::WM_KEYDOWN: {
        int key = static_cast<int>(m.WParam);
        KeyDown(key, ShiftFromWParam(0));
        if (key == win::VK_TAB && Parent()) {
            TWinControl* root = this;
            while (root->Parent()) root = root->Parent();
            root->SelectNext(this, os::key_state(win::VK_SHIFT) >= 0);
            return;
        }
        if (key == 0) return;
        break;
    }
    case win::WM_KEYUP: {
        int key = static_cast<int>(m.WParam);
        KeyUp(key, ShiftFromWParam(0));
        if (key == 0) return;
        break;
    }
    case win::WM_CHAR: {
        auto ch = static_cast<char16_t>(m.WParam);
        KeyPress(ch);
        if (ch == 0) return;
        // A character the focused control does not take may be an accelerator.
        if (!WantsChars()) {
            TWinControl* root = this;
            while (root->Parent()) root = root->Parent();
            if (root->Perform(CM_DIALOGCHAR, ch, m.LParam) != 0) return;
        }
        break;
    }
    case win::WM_SYSCHAR: {
        TWinControl* root = this;
        while (root->Parent()) root = root->Parent();
        if (root->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) return;
        break;
    }
    case CM_DIALOGCHAR:
        Broadcast(m);
        return;
    case win::WM_SYSCOLORCHANGE: {
        // The system colours changed: every control hears it.
        TMessage notice{CM_SYSCOLORCHANGE, 0, 0, 0};
        Broadcast(notice);
        Invalidate();
        break;
    }
    case CM_SYSCOLORCHANGE: {
        TMessage notice = m;
        Broadcast(notice);
        Invalidate();
        return;
    }
    case win::WM_MOUSELEAVE:
        MouseLeft();
        return;
    default:
        if (m.Msg == win::WM_MOUSEMOVE) TrackMouse({MessageX(m.LParam), MessageY(m.LParam)});
        if (m.Msg >= win::WM_MOUSEMOVE && m.Msg <= win::WM_MBUTTONDBLCLK && RouteMouse(m)) return;
        if (m.Msg >= win::WM_MOUSEMOVE && m.Msg <= win::WM_MBUTTONDBLCLK) {
            TControl::WndProc(m);
            if (m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_RBUTTONDOWN) DefaultHandler(m);
            return;
        }
        TControl::WndProc(m);
        return;
    }
    DefaultHandler(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (handle_ && m.Msg < CM_BASE) m.Result = os::default_message(handle_, m.Msg, m.WParam, m.LParam);
}

std::intptr_t TWinControl::on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    TMessage m{msg, wparam, lparam, 0};
    try {
        WndProc(m);
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
    }
    return m.Result;
}

// ---------------------------------------------------------------- TCustomControl
TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(TCanvas* canvas) {
    canvas_->SetHandle(canvas->Handle());
    try {
        Paint();
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}
