// The scripted mouse and keyboard of the headless backend.
#include <optional>
#include <utility>

#include "platform/core/Exceptions.h"
#include "platform/headless/World.h"
#include "platform/os.h"

using namespace headless::detail;

namespace headless {

namespace {

constexpr int kVkLButton = 0x01, kVkRButton = 0x02, kVkMButton = 0x04, kVkBack = 0x08, kVkTab = 0x09,
              kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11, kVkCapital = 0x14, kVkEscape = 0x1B,
              kVkSpace = 0x20, kVkNumpad0 = 0x60, kVkMenu = 0x12;

enum class Kind { Down, Up, DblClk, Move };

struct Messages {
    unsigned down, up, dblclk, nc_down, nc_up, nc_dblclk;
    int vk;
};

Messages messages(Button b) {
    switch (b) {
    case Button::Right: return {kWmRButtonDown, kWmRButtonUp, kWmRButtonDblClk, 0x00A4, 0x00A5, 0x00A6, kVkRButton};
    case Button::Middle: return {kWmMButtonDown, kWmMButtonUp, kWmMButtonDblClk, 0x00A7, 0x00A8, 0x00A9, kVkMButton};
    case Button::Left: break;
    }
    return {kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, 0x00A1, 0x00A2, 0x00A3, kVkLButton};
}

bool key_down(int vk) {
    auto& keys = world().keys;
    auto it = keys.find(vk);
    return it != keys.end() && it->second.first;
}

std::uintptr_t mk_flags() {
    std::uintptr_t f = 0;
    if (key_down(kVkLButton)) f |= kMkLButton;
    if (key_down(kVkRButton)) f |= kMkRButton;
    if (key_down(kVkMButton)) f |= kMkMButton;
    if (key_down(kVkShift)) f |= kMkShift;
    if (key_down(kVkControl)) f |= kMkControl;
    return f;
}

void log(WindowId w, unsigned msg, os::Point screen, bool swallowed = false) {
    os::Point client = screen;
    if (w) client = os::screen_to_client(w, screen);
    world().mouse_log.push_back({w, msg, screen, client, swallowed});
}

MouseResult route(os::Point p, Kind kind, Button button) {
    World& s = world();
    s.cursor = p;
    Messages m = messages(button);
    if (kind == Kind::Down || kind == Kind::DblClk) s.keys[m.vk].first = true;
    if (kind == Kind::Up) s.keys[m.vk].first = false;
    unsigned client_msg = kind == Kind::Down ? m.down : kind == Kind::Up ? m.up : kind == Kind::DblClk ? m.dblclk : kWmMouseMove;
    unsigned nc_msg = kind == Kind::Down ? m.nc_down : kind == Kind::Up ? m.nc_up : kind == Kind::DblClk ? m.nc_dblclk : kWmNcMouseMove;

    // A system move owns the mouse until the left button comes up.
    if (s.moving) {
        WindowId w = s.moving->window;
        Window* win = find(w, false);
        if (!win) {
            s.moving.reset();
        } else if (kind == Kind::Move) {
            os::Rect from = s.moving->from;
            int dx = p.x - s.moving->start.x, dy = p.y - s.moving->start.y;
            os::Rect to{from.left + dx, from.top + dy, from.right + dx, from.bottom + dy};
            if (!(to == win->bounds)) set_bounds(*win, to);
            return {w, kHtCaption, false, false, true};
        } else if (kind == Kind::Up && button == Button::Left) {
            s.move_log.push_back({w, s.moving->from, win->bounds});
            s.moving.reset();
            deliver(w, kWmExitSizeMove, 0, 0);
            return {w, kHtCaption, false, false, true};
        } else {
            return {w, kHtCaption, false, false, true};
        }
    }

    if (s.capture && find(s.capture, false)) {
        WindowId c = s.capture;
        os::Point cp = os::screen_to_client(c, p);
        log(c, client_msg, p);
        deliver(c, client_msg, mk_flags(), PackPoint(cp.x, cp.y));
        return {c, kHtClient, false, true, false};
    }

    std::vector<WindowId> skip;
    for (;;) {
        HitResult h = hit(p, skip);
        // A tracked window hears once that the pointer left it.
        if (s.mouse_tracked && s.mouse_tracked != h.window) {
            WindowId left = std::exchange(s.mouse_tracked, 0);
            if (find(left, false)) deliver(left, kWmMouseLeave, 0, 0);
        }
        if (!h.window) {
            log(0, 0, p);
            return {};
        }
        if (h.top_disabled) {
            log(h.window, 0, p, true);
            return {h.window, 0, true, false, false};
        }
        int ht = static_cast<int>(deliver(h.window, kWmNcHitTest, 0, PackPoint(p.x, p.y)));
        if (!find(h.window, false)) return {h.window, ht, false, false, false};
        if (ht == kHtTransparent) {
            skip.push_back(h.window);
            continue;
        }
        if (kind == Kind::Move) {
            std::intptr_t code = static_cast<std::intptr_t>(static_cast<std::uint16_t>(ht)) |
                                 (static_cast<std::intptr_t>(kWmMouseMove) << 16);
            deliver(h.window, kWmSetCursor, h.window, code);
            if (!find(h.window, false)) return {h.window, ht, false, false, false};
        }
        if (kind == Kind::Down || kind == Kind::DblClk) {
            // A press activates the window's form.
            raise(h.top);
            s.foreground = h.top;
        }
        if (ht == kHtClient) {
            os::Point cp = os::screen_to_client(h.window, p);
            log(h.window, client_msg, p);
            deliver(h.window, client_msg, mk_flags(), PackPoint(cp.x, cp.y));
            return {h.window, ht, false, true, false};
        }
        s.move_requested = 0;
        log(h.window, nc_msg, p);
        deliver(h.window, nc_msg, static_cast<std::uintptr_t>(ht), PackPoint(p.x, p.y));
        MouseResult r{h.window, ht, false, false, false};
        Window* w = find(h.window, false);
        if (kind == Kind::Down && button == Button::Left && w && s.move_requested == h.window) {
            s.move_requested = 0;
            s.moving = Move{h.window, p, w->bounds};
            deliver(h.window, kWmEnterSizeMove, 0, 0);
            r.moved = true;
        }
        return r;
    }
}

std::optional<char16_t> typed_char(int vk) {
    bool shift = key_down(kVkShift), control = key_down(kVkControl);
    auto it = world().keys.find(kVkCapital);
    bool caps = it != world().keys.end() && it->second.second;
    if (vk >= 'A' && vk <= 'Z') {
        if (control) return static_cast<char16_t>(vk - 'A' + 1);
        return static_cast<char16_t>(shift != caps ? vk : vk - 'A' + 'a');
    }
    if (vk >= '0' && vk <= '9') return static_cast<char16_t>(vk);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return static_cast<char16_t>('0' + vk - kVkNumpad0);
    switch (vk) {
    case kVkSpace: return u' ';
    case kVkReturn: return u'\r';
    case kVkBack: return u'\b';
    case kVkTab: return u'\t';
    case kVkEscape: return char16_t{27};
    default: return std::nullopt;
    }
}

// The focus window, when it and its ancestors take input.
WindowId keyboard_target() {
    WindowId f = world().focus;
    for (Window* w = find(f, false); w; w = w->kind == os::WindowKind::Form ? nullptr : find(w->parent, false))
        if (!w->enabled) return 0;
    return find(f, false) ? f : 0;
}

}  // namespace

void SetCursorPos(int x, int y) { world().cursor = {x, y}; }
void SetCursorReadable(bool readable) { world().cursor_readable = readable; }

MouseResult MouseDown(int x, int y, Button button) { return route({x, y}, Kind::Down, button); }
MouseResult MouseUp(int x, int y, Button button) { return route({x, y}, Kind::Up, button); }
MouseResult MouseMove(int x, int y) { return route({x, y}, Kind::Move, Button::Left); }

MouseResult Click(int x, int y, Button button) {
    MouseResult r = route({x, y}, Kind::Down, button);
    route({x, y}, Kind::Up, button);
    return r;
}

MouseResult RightClick(int x, int y) { return Click(x, y, Button::Right); }

MouseResult DoubleClick(int x, int y, Button button) {
    MouseResult r = route({x, y}, Kind::Down, button);
    route({x, y}, Kind::Up, button);
    route({x, y}, Kind::DblClk, button);
    route({x, y}, Kind::Up, button);
    return r;
}

MouseResult Drag(int from_x, int from_y, int to_x, int to_y) {
    MouseResult r = route({from_x, from_y}, Kind::Down, Button::Left);
    route({to_x, to_y}, Kind::Move, Button::Left);
    route({to_x, to_y}, Kind::Up, Button::Left);
    return r;
}

const std::vector<MouseEvent>& MouseLog() { return world().mouse_log; }
const std::vector<MoveRecord>& MoveLog() { return world().move_log; }
const std::vector<CaptureEvent>& CaptureLog() { return world().capture_log; }

void KeyDown(int vk) {
    auto& state = world().keys[vk];
    state.first = true;
    state.second = !state.second;
    WindowId w = keyboard_target();
    if (!w) return;
    // With Alt held (and not Ctrl) the keys are system keys, as on Windows.
    const bool sys = key_down(kVkMenu) && !key_down(kVkControl) && vk != kVkMenu;
    deliver(w, sys ? kWmSysKeyDown : kWmKeyDown, static_cast<std::uintptr_t>(vk), 1);
    if (auto ch = typed_char(vk); ch && keyboard_target() == w) deliver(w, sys ? kWmSysChar : kWmChar, *ch, 1);
}

void KeyUp(int vk) {
    world().keys[vk].first = false;
    const bool sys = key_down(kVkMenu) && !key_down(kVkControl);
    if (WindowId w = keyboard_target())
        deliver(w, sys ? kWmSysKeyUp : kWmKeyUp, static_cast<std::uintptr_t>(vk), static_cast<std::intptr_t>(0xC0000001u));
}

void PressKey(int vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void TypeText(std::u16string_view text) {
    for (char16_t ch : text)
        if (WindowId w = keyboard_target()) deliver(w, kWmChar, ch, 1);
}

void SetKeyState(int vk, bool down, bool toggled) { world().keys[vk] = {down, toggled}; }

}  // namespace headless

namespace headless {
WindowId MouseTracked() { return world().mouse_tracked; }
}  // namespace headless

namespace os {
void track_mouse_leave(WindowId w) {
    if (find(w)) world().mouse_tracked = w;
}
}  // namespace os
