#include "platform/ui/WinApi.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/SysUtils.h"

namespace win {

int SetWindowRgn(HWND window, HRGN rgn, BOOL redraw) {
    if (!rgn) {
        os::set_window_region(window, {}, redraw != 0);
        return 1;
    }
    // Until the shape is set the region stays the caller's: a failure
    // (0 or an exception) leaves it to the caller to release, once.
    DWORD size = GetRegionData(rgn, 0, nullptr);
    if (size == 0) return 0;
    std::vector<std::uint8_t> block(size);
    if (GetRegionData(rgn, size, block.data()) == 0) return 0;
    os::set_window_region(window, block, redraw != 0);
    DeleteObject(rgn);  // the window system's from now on
    return 1;
}

HINSTANCE ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show) {
    auto text = [](const char* s) { return std::string_view(s ? s : ""); };
    return os::shell_execute_ansi(owner, text(operation), text(file), text(parameters), text(directory), show);
}

BOOL MessageBeep(UINT type) {
    os::message_beep(type);
    return 1;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return 0;
    std::optional<os::Point> p = os::cursor_pos();
    if (!p) return 0;
    point->x = p->x;
    point->y = p->y;
    return 1;
}

HWND SetCapture(HWND window) {
    HWND previous = os::capture();
    os::set_capture(window);
    return previous;
}

BOOL ReleaseCapture() {
    os::release_capture();
    return 1;
}

HWND GetCapture() { return os::capture(); }

HWND SetFocus(HWND window) {
    HWND previous = os::focus();
    os::set_focus(window);
    return previous;
}

short GetKeyState(int virtual_key) { return os::key_state(virtual_key); }

BOOL SetForegroundWindow(HWND window) {
    os::set_foreground_window(window);
    return 1;
}

void DragAcceptFiles(HWND window, BOOL accept) { os::drag_accept_files(window, accept != 0); }

UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size) {
    if (index == 0xFFFFFFFFu) return os::drag_count(drop);
    if (index >= os::drag_count(drop)) return 0;
    std::string ansi = ToAnsi(os::drag_file(drop, index));
    if (!buffer) return static_cast<UINT>(ansi.size());
    if (size == 0) return 0;
    std::size_t n = std::min<std::size_t>(ansi.size(), size - 1);
    std::memcpy(buffer, ansi.data(), n);
    buffer[n] = '\0';
    return static_cast<UINT>(n);
}

bool DragQueryFileIsAnsi(HDROP drop, UINT index) {
    if (index >= os::drag_count(drop)) return false;
    bool lossless = true;
    ToAnsi(os::drag_file(drop, index), &lossless);
    return lossless;
}

void DragFinish(HDROP drop) { os::drag_finish(drop); }

}  // namespace win
