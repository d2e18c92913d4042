// Private to the win32 backend: the record kept for each window it made, the
// state its files share, and the text conversions they all use.
#pragma once
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace win32 {

inline HWND to_hwnd(os::WindowId w) { return reinterpret_cast<HWND>(w); }
inline os::WindowId to_id(HWND h) { return reinterpret_cast<os::WindowId>(h); }

// What the backend keeps for one of its windows, from create_window until
// the window's WM_NCDESTROY.
struct WindowRecord {
    HWND hwnd = nullptr;
    os::WindowKind kind = os::WindowKind::Form;
    os::WindowSink* sink = nullptr;   // not owned; null until create_window returns
    WNDPROC edit_proc = nullptr;      // Edit: the system's own window procedure
    HDC paint_dc = nullptr;           // BeginPaint's DC while WM_PAINT runs (not owned)
    RECT paint_rect{};                // and the rectangle it asks for
    bool final_default_done = false;  // default_message ran for WM_NCDESTROY
    // Edit colours, answered to the parent's WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC.
    COLORREF text_color = 0, back_color = 0;
    UniqueBrush back_brush;  // owned; null while the system colours apply
    UniqueFont font;         // owned; the edit's WM_SETFONT
    HWND tooltip = nullptr;  // Form: its tool tip window, owned by the form and destroyed with it
    // Form: a move and a shape held back while a tick runs (TickBatch); only
    // the last of each reaches the system, when the tick's message is done.
    bool bounds_pending = false;
    RECT pending_bounds{};
    bool region_pending = false;
    UniqueRegion pending_region;  // owned until handed to SetWindowRgn; null = no shape
    bool pending_redraw = false;
    bool invalid_pending = false;  // an invalidation, applied after the shape and the move
    bool invalid_whole = false;
    RECT pending_invalid{};
};

// The record of one of our windows; null for any other window.
WindowRecord* find_record(HWND h);
// The record of a window the caller must have got from create_window;
// EInvalidOperation otherwise.
WindowRecord& record(os::WindowId w);

HINSTANCE instance();
// The hidden window that owns every form; made on first use.
HWND application_window();

// A modal loop of the system (menu tracking, moving or sizing a window) is
// running: the mouse capture belongs to it.
bool in_system_loop();
class SystemLoopScope {
public:
    SystemLoopScope();
    ~SystemLoopScope();
    SystemLoopScope(const SystemLoopScope&) = delete;
    SystemLoopScope& operator=(const SystemLoopScope&) = delete;
};

// While a timer message is dispatched, the moves and shapes of forms are
// collected and applied once at its end: a tick may move a window twice and
// show two frames, and the system and the desktop would pay for each (under
// Wine: a repaint of the desktop behind the window and a message to the
// taskbar per change). Nested batches end with the outermost one.
class TickBatch {
public:
    TickBatch();
    ~TickBatch();
    TickBatch(const TickBatch&) = delete;
    TickBatch& operator=(const TickBatch&) = delete;
};
// Applies the held-back changes now: before anything that reads or changes
// a window's state by another way, or runs a loop of its own.
void apply_pending_changes();

// An exception a sink raised inside a window procedure is kept here, since it
// must not unwind through the system's frames, and raised again once the
// system call that led to it has returned.
void keep_exception(std::exception_ptr e);
void rethrow_kept_exception();

// The parent's answer to WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC for an edit
// with colours of its own; nothing for any other control.
std::optional<LRESULT> edit_control_color(HWND edit, HDC dc);
// Removes the tray icons of a window that is going away.
void remove_tray_icons_of(HWND h);

// ---------------------------------------------------------------- text
// UTF-8 <-> UTF-16; invalid UTF-8 becomes U+FFFD.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
// Bytes of a code page (932, CP_ACP) <-> UTF-16. to_code_page sets *lossless
// (when given) to false if a character has no form in the code page.
std::wstring from_code_page(std::string_view bytes, UINT code_page);
std::string to_code_page(std::wstring_view wide, UINT code_page, bool* lossless);

}  // namespace win32
