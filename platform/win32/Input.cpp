// Mouse, keyboard and coordinates of the seam.
#include "platform/win32/Backend.h"

namespace win32 {
namespace {

// The system cursor for a TCursor value; null for crNone. The class
// library's own drag cursors have no system counterpart and show the arrow.
LPCWSTR system_cursor(int cursor, bool* none) {
    *none = false;
    switch (cursor) {
        case -1: *none = true; return nullptr;  // crNone
        case -3: return IDC_CROSS;
        case -4: return IDC_IBEAM;
        case -6: return IDC_SIZENESW;
        case -7: return IDC_SIZENS;
        case -8: return IDC_SIZENWSE;
        case -9: return IDC_SIZEWE;
        case -10: return IDC_UPARROW;
        case -11: return IDC_WAIT;    // crHourGlass
        case -13: return IDC_NO;      // crNoDrop
        case -14: return IDC_SIZEWE;  // crHSplit
        case -15: return IDC_SIZENS;  // crVSplit
        case -17: return IDC_WAIT;    // crSQLWait
        case -18: return IDC_NO;
        case -19: return IDC_APPSTARTING;
        case -20: return IDC_HELP;
        case -21: return IDC_HAND;  // crHandPoint
        case -22: return IDC_SIZEALL;
        default: return IDC_ARROW;  // crDefault, crArrow, crDrag, crMultiDrag, unknown
    }
}

}  // namespace
}  // namespace win32

namespace os {

using win32::to_hwnd;
using win32::to_id;

std::optional<Point> cursor_pos() {
    POINT p{};
    if (!::GetCursorPos(&p)) return std::nullopt;
    return Point{p.x, p.y};
}

void set_cursor_shape(int cursor) {
    bool none = false;
    LPCWSTR name = win32::system_cursor(cursor, &none);
    ::SetCursor(none ? nullptr : ::LoadCursorW(nullptr, name));
}

// While the system tracks a menu or moves a window, the capture is its own:
// taking it away (as the characters' tick does 80 times a second) would end
// the menu or the move at once. The program's capture and release are then
// left out.
void set_capture(WindowId w) {
    if (!win32::in_system_loop()) ::SetCapture(to_hwnd(w));
}

void release_capture() {
    if (!win32::in_system_loop()) ::ReleaseCapture();
}

WindowId capture() { return to_id(::GetCapture()); }

void track_mouse_leave(WindowId w) {
    TRACKMOUSEEVENT t{};
    t.cbSize = sizeof t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = to_hwnd(w);
    ::TrackMouseEvent(&t);
}

void set_focus(WindowId w) { ::SetFocus(to_hwnd(w)); }

WindowId focus() { return to_id(::GetFocus()); }

short key_state(int virtual_key) { return ::GetKeyState(virtual_key); }

Point screen_to_client(WindowId w, Point p) {
    win32::apply_pending_changes();
    POINT q{p.x, p.y};
    ::ScreenToClient(to_hwnd(w), &q);
    return Point{q.x, q.y};
}

Point client_to_screen(WindowId w, Point p) {
    win32::apply_pending_changes();
    POINT q{p.x, p.y};
    ::ClientToScreen(to_hwnd(w), &q);
    return Point{q.x, q.y};
}

}  // namespace os
