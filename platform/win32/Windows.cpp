// Windows of the seam: the hidden application window, forms, children and
// edits, their window procedures, messages, the message loop, timers, shapes
// and painting.
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/win32/Backend.h"

namespace win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"ZimmoWindow";
constexpr wchar_t kApplicationClass[] = L"ZimmoApplication";
constexpr LONG_PTR kBorderStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

struct State {
    std::unordered_map<HWND, std::unique_ptr<WindowRecord>> windows;
    HWND application = nullptr;  // lives as long as the process
    // Windows inside a menu or move loop of the system, with their depth,
    // and the menus the backend tracks itself.
    std::unordered_map<HWND, int> system_loops;
    int own_menus = 0;
    bool quit = false;
    std::exception_ptr kept;
    UINT_PTR next_control_id = 1;
    int batch_depth = 0;
    std::vector<HWND> pending;  // forms with held-back changes, in the order of their first change
};

// Never destroyed: the platform may destroy windows during static
// destruction, and their messages must still find the records.
State& state() {
    static State* s = new State;
    return *s;
}

void track_system_loops(HWND h, UINT msg) {
    auto& loops = state().system_loops;
    switch (msg) {
        case WM_ENTERMENULOOP:
        case WM_ENTERSIZEMOVE: ++loops[h]; break;
        case WM_EXITMENULOOP:
        case WM_EXITSIZEMOVE:
            if (auto it = loops.find(h); it != loops.end() && --it->second <= 0) loops.erase(it);
            break;
        default: break;
    }
}

// Moves and sizes a window. A plain move says so (SWP_NOSIZE): the system
// then spares the window a size computation (WM_NCCALCSIZE) on every step.
void move_window(HWND h, const RECT& to) {
    RECT now{};
    ::GetWindowRect(h, &now);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (now.right - now.left == to.right - to.left && now.bottom - now.top == to.bottom - to.top) flags |= SWP_NOSIZE;
    ::SetWindowPos(h, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top, flags);
}

bool is_borderless(HWND h) {
    return !(::GetWindowLongPtrW(h, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
}

void apply_pending(WindowRecord& rec) {
    HWND h = rec.hwnd;
    if (std::exchange(rec.region_pending, false)) {
        UniqueRegion region = std::move(rec.pending_region);
        // On success the system owns the region.
        if (::SetWindowRgn(h, region.get(), rec.pending_redraw)) region.release();
    }
    if (std::exchange(rec.bounds_pending, false)) move_window(h, rec.pending_bounds);
    if (std::exchange(rec.invalid_pending, false))
        ::InvalidateRect(h, rec.invalid_whole ? nullptr : &rec.pending_invalid, FALSE);
}

// The record of a form whose change is to be held back; null outside a batch.
WindowRecord* batched_form(HWND h) {
    if (state().batch_depth == 0) return nullptr;
    WindowRecord* rec = find_record(h);
    if (!rec || rec->kind != os::WindowKind::Form) return nullptr;
    if (!rec->bounds_pending && !rec->region_pending && !rec->invalid_pending) state().pending.push_back(h);
    return rec;
}

void forget(HWND h) {
    remove_tray_icons_of(h);
    state().system_loops.erase(h);  // a window destroyed inside a loop leaves it
    state().windows.erase(h);
}

// Hands a message to the sink; an exception waits for the end of the
// system call that brought the message.
LRESULT deliver(WindowRecord& rec, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return rec.sink->on_message(msg, wp, lp);
    } catch (...) {
        keep_exception(std::current_exception());
        return 0;
    }
}

LRESULT CALLBACK window_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WindowRecord* rec = find_record(h);
    if (!rec) return ::DefWindowProcW(h, msg, wp, lp);
    track_system_loops(h, msg);
    if (!rec->sink) {
        if (msg == WM_NCDESTROY) {
            const LRESULT r = ::DefWindowProcW(h, msg, wp, lp);
            forget(h);
            return r;
        }
        return ::DefWindowProcW(h, msg, wp, lp);
    }
    if (rec->kind == os::WindowKind::Form && is_borderless(h)) {
        // A form without border and caption has no non-client area: nothing
        // to compute, paint or show as active. Left to DefWindowProc, each
        // of these would also notify the desktop (Wine's taskbar).
        switch (msg) {
            case WM_NCCALCSIZE: return 0;  // the client area is the whole window
            case WM_NCPAINT: return 0;
            case WM_NCACTIVATE: return TRUE;
            default: break;
        }
    }
    if (msg == WM_TIMER) {
        TickBatch batch;
        return deliver(*rec, msg, wp, lp);
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(h, &ps);
        HDC outer = std::exchange(rec->paint_dc, dc);
        const RECT outer_rect = std::exchange(rec->paint_rect, ps.rcPaint);
        deliver(*rec, msg, wp, lp);
        // The sink may have destroyed the window meanwhile.
        if (WindowRecord* still = find_record(h)) {
            still->paint_dc = outer;
            still->paint_rect = outer_rect;
        }
        ::EndPaint(h, &ps);
        return 0;
    }
    const LRESULT r = deliver(*rec, msg, wp, lp);
    if (msg == WM_NCDESTROY) forget(h);
    return r;
}

WNDPROC edit_class_proc(HWND h) { return reinterpret_cast<WNDPROC>(::GetClassLongPtrW(h, GCLP_WNDPROC)); }

// Edits are the system's controls, subclassed so that the sink sees their
// messages first; default_message hands them on to the system's procedure.
LRESULT CALLBACK edit_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WindowRecord* rec = find_record(h);
    if (!rec) return ::CallWindowProcW(edit_class_proc(h), h, msg, wp, lp);
    WNDPROC original = rec->edit_proc;
    if (!rec->sink) {
        const LRESULT r = ::CallWindowProcW(original, h, msg, wp, lp);
        if (msg == WM_NCDESTROY) forget(h);
        return r;
    }
    const LRESULT r = deliver(*rec, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The control frees its own data here: make sure it gets the message.
        if (!rec->final_default_done) ::CallWindowProcW(original, h, msg, wp, lp);
        forget(h);
    }
    return r;
}

LRESULT CALLBACK application_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    // Closing the taskbar button must not destroy the window that owns every
    // form: the program ends through its main form.
    if (msg == WM_CLOSE) return 0;
    return ::DefWindowProcW(h, msg, wp, lp);
}

// The first icon group of the executable, for the taskbar button.
HICON program_icon() {
    struct Found {
        HICON icon = nullptr;
    };
    Found found;
    ::EnumResourceNamesW(
        instance(), RT_GROUP_ICON,
        [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            reinterpret_cast<Found*>(param)->icon = ::LoadIconW(module, name);
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&found));
    return found.icon;
}

void register_classes() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = window_proc;
        wc.hInstance = instance();
        // No cursor and no brush: WM_SETCURSOR and WM_ERASEBKGND are the sink's.
        wc.lpszClassName = kWindowClass;
        if (!::RegisterClassExW(&wc)) throw EInvalidOperation("ウィンドウクラスを登録できません");

        WNDCLASSEXW app{};
        app.cbSize = sizeof app;
        app.lpfnWndProc = application_proc;
        app.hInstance = instance();
        app.hIcon = program_icon();
        app.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        app.lpszClassName = kApplicationClass;
        if (!::RegisterClassExW(&app)) throw EInvalidOperation("ウィンドウクラスを登録できません");
        return true;
    }();
    (void)registered;
}

WindowRecord& add_record(HWND h, os::WindowKind kind) {
    auto rec = std::make_unique<WindowRecord>();
    rec->hwnd = h;
    rec->kind = kind;
    WindowRecord& r = *rec;
    state().windows[h] = std::move(rec);
    return r;
}

}  // namespace

// ---------------------------------------------------------------- shared state

WindowRecord* find_record(HWND h) {
    if (!h) return nullptr;
    auto& windows = state().windows;
    auto it = windows.find(h);
    return it == windows.end() ? nullptr : it->second.get();
}

WindowRecord& record(os::WindowId w) {
    WindowRecord* rec = find_record(to_hwnd(w));
    if (!rec) throw EInvalidOperation("ウィンドウがありません");
    return *rec;
}

HINSTANCE instance() { return ::GetModuleHandleW(nullptr); }

HWND application_window() {
    State& s = state();
    if (!s.application) {
        register_classes();
        // A popup with a caption and no size: it stays off the screen, and
        // while shown it is what the taskbar lists for the program. It starts
        // hidden: a program that lives in the notification area never shows
        // a button, not even while it starts.
        const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
        s.application =
            ::CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0,
                              0, nullptr, nullptr, instance(), nullptr);
        if (!s.application) throw EInvalidOperation("アプリケーションウィンドウを作成できません");
    }
    return s.application;
}

TickBatch::TickBatch() { ++state().batch_depth; }

TickBatch::~TickBatch() {
    if (--state().batch_depth == 0) apply_pending_changes();
}

void apply_pending_changes() {
    // Applying sends messages whose handlers may hold back changes again:
    // those wait for the next call.
    std::vector<HWND> pending = std::exchange(state().pending, {});
    for (HWND h : pending)
        if (WindowRecord* rec = find_record(h)) apply_pending(*rec);
}

bool in_system_loop() { return state().own_menus > 0 || !state().system_loops.empty(); }
SystemLoopScope::SystemLoopScope() { ++state().own_menus; }
SystemLoopScope::~SystemLoopScope() { --state().own_menus; }

void keep_exception(std::exception_ptr e) {
    State& s = state();
    if (!s.kept) s.kept = std::move(e);  // the first one is the cause
}

void rethrow_kept_exception() {
    if (std::exception_ptr e = std::exchange(state().kept, nullptr)) std::rethrow_exception(e);
}

}  // namespace win32

namespace os {

using win32::to_hwnd;
using win32::to_id;

// ---------------------------------------------------------------- messages

std::intptr_t default_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND h = to_hwnd(w);
    win32::WindowRecord* rec = win32::find_record(h);
    if (rec && rec->kind == WindowKind::Edit) {
        if (msg == WM_NCDESTROY) rec->final_default_done = true;
        return ::CallWindowProcW(rec->edit_proc, h, msg, wparam, lparam);
    }
    if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC) {
        if (auto brush = win32::edit_control_color(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
            return *brush;
    }
    return ::DefWindowProcW(h, msg, wparam, lparam);
}

std::intptr_t send_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    const LRESULT r = ::SendMessageW(to_hwnd(w), msg, wparam, lparam);
    win32::rethrow_kept_exception();
    return r;
}

void post_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    ::PostMessageW(to_hwnd(w), msg, wparam, lparam);
}

bool process_one_message() {
    win32::apply_pending_changes();  // a loop run from inside a tick
    win32::State& s = win32::state();
    if (s.quit) return false;
    MSG m;
    const BOOL got = ::GetMessageW(&m, nullptr, 0, 0);
    if (got == 0) {
        s.quit = true;  // WM_QUIT, whoever posted it
    } else if (got > 0) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    win32::rethrow_kept_exception();
    return !s.quit;
}

void process_pending_messages() {
    win32::apply_pending_changes();
    win32::State& s = win32::state();
    MSG m;
    while (!s.quit && ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            s.quit = true;
            break;
        }
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
        win32::rethrow_kept_exception();
    }
    win32::rethrow_kept_exception();
}

void quit_message_loop() {
    win32::state().quit = true;
    // Wakes a GetMessage that is waiting, ours or a modal loop's of the system.
    ::PostQuitMessage(0);
}

bool quit_requested() { return win32::state().quit; }

// ---------------------------------------------------------------- windows

WindowId create_window(const WindowParams& params, WindowSink* sink) {
    win32::register_classes();
    HWND parent = nullptr;
    HMENU control_id = nullptr;
    const wchar_t* window_class = win32::kWindowClass;
    DWORD style = 0, ex_style = 0;
    switch (params.kind) {
        case WindowKind::Form:
            parent = win32::application_window();  // the owner
            style = WS_POPUP | WS_CLIPCHILDREN | (params.bordered ? win32::kBorderStyles : 0);
            if (params.stay_on_top) ex_style |= WS_EX_TOPMOST;
            break;
        case WindowKind::Child:
        case WindowKind::Edit:
            parent = to_hwnd(params.parent);
            if (!::IsWindow(parent)) throw EInvalidOperation("親ウィンドウがありません");
            control_id = reinterpret_cast<HMENU>(win32::state().next_control_id++);
            style = WS_CHILD | WS_CLIPSIBLINGS;
            if (params.kind == WindowKind::Child) {
                style |= WS_CLIPCHILDREN;
            } else {
                window_class = L"EDIT";
                style |= WS_TABSTOP | ES_AUTOHSCROLL;
                if (params.read_only) style |= ES_READONLY;
                // The sunken 3-D edge of an edit; a flat one has no frame at all.
                if (!params.flat) ex_style |= WS_EX_CLIENTEDGE;
            }
            break;
    }
    const Rect& b = params.bounds;
    HWND h = ::CreateWindowExW(ex_style, window_class, win32::widen(params.caption).c_str(), style, b.left, b.top,
                               std::max(0, b.width()), std::max(0, b.height()), parent, control_id, win32::instance(),
                               nullptr);
    if (!h) throw EInvalidOperation("ウィンドウを作成できません");
    win32::WindowRecord& rec = win32::add_record(h, params.kind);
    if (params.kind == WindowKind::Edit)
        rec.edit_proc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(win32::edit_proc)));
    // The sink cannot know its window before this function returns, so the
    // messages of the creation and of the first showing are the system's.
    if (params.visible) show_window(to_id(h), true);
    rec.sink = sink;
    try {
        // Showing may have run other windows' sinks (deactivation, focus).
        win32::rethrow_kept_exception();
    } catch (...) {
        // The caller never learns of the window: it must not outlive the call,
        // and its sink hears nothing of its end.
        rec.sink = nullptr;
        ::DestroyWindow(h);
        throw;
    }
    return to_id(h);
}

void destroy_window(WindowId w) {
    HWND h = to_hwnd(w);
    if (win32::find_record(h)) ::DestroyWindow(h);
    // A sink's exception during destruction waits for the next message:
    // this is called from destructors.
}

void set_window_bounds(WindowId w, const Rect& bounds) {
    const RECT r{bounds.left, bounds.top, bounds.left + std::max(0, bounds.width()),
                 bounds.top + std::max(0, bounds.height())};
    if (win32::WindowRecord* rec = win32::batched_form(to_hwnd(w))) {
        rec->bounds_pending = true;
        rec->pending_bounds = r;
        return;
    }
    win32::move_window(to_hwnd(w), r);
}

Rect window_bounds(WindowId w) {
    win32::apply_pending_changes();
    HWND h = to_hwnd(w);
    RECT r{};
    ::GetWindowRect(h, &r);
    if (::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)
        ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
}

void show_window(WindowId w, bool visible) {
    win32::apply_pending_changes();
    HWND h = to_hwnd(w);
    const bool child = ::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD;
    ::ShowWindow(h, !visible ? SW_HIDE : child ? SW_SHOWNA : SW_SHOW);
}

bool window_visible(WindowId w) { return ::GetWindowLongPtrW(to_hwnd(w), GWL_STYLE) & WS_VISIBLE; }

void enable_window(WindowId w, bool enabled) { ::EnableWindow(to_hwnd(w), enabled); }

bool window_enabled(WindowId w) { return ::IsWindowEnabled(to_hwnd(w)); }

void set_window_caption(WindowId w, std::string_view caption) {
    ::SetWindowTextW(to_hwnd(w), win32::widen(caption).c_str());
}

void set_window_bordered(WindowId w, bool bordered) {
    win32::apply_pending_changes();
    HWND h = to_hwnd(w);
    const LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
    const LONG_PTR wanted = bordered ? (style | win32::kBorderStyles) : (style & ~win32::kBorderStyles);
    if (wanted == style) return;
    RECT r{};
    ::GetWindowRect(h, &r);
    ::SetWindowLongPtrW(h, GWL_STYLE, wanted);
    // The window rectangle stays; the client area grows or shrinks inside it.
    ::SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE);
}

void set_window_stay_on_top(WindowId w, bool stay_on_top) {
    win32::apply_pending_changes();
    HWND h = to_hwnd(w);
    constexpr UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ::SetWindowPos(h, stay_on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, keep);
    if (!stay_on_top && (::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
        // Wine keeps an owned popup above its owner's place in the order and
        // so leaves it topmost; without the owner for a moment it lets go.
        HWND owner = ::GetWindow(h, GW_OWNER);
        ::SetWindowLongPtrW(h, GWLP_HWNDPARENT, 0);
        ::SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
        ::SetWindowLongPtrW(h, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    }
}

void bring_window_to_top(WindowId w) {
    win32::apply_pending_changes();
    ::SetWindowPos(to_hwnd(w), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void set_foreground_window(WindowId w) {
    win32::apply_pending_changes();
    ::SetForegroundWindow(to_hwnd(w));
}

WindowId window_from_point(Point screen) {
    win32::apply_pending_changes();
    return to_id(::WindowFromPoint(POINT{screen.x, screen.y}));
}

namespace {
// Hands the window its new shape (null: none), or holds it back in a batch.
void set_region(HWND h, win32::UniqueRegion region, bool redraw) {
    if (win32::WindowRecord* rec = win32::batched_form(h)) {
        rec->region_pending = true;
        rec->pending_region = std::move(region);
        rec->pending_redraw = redraw;
        return;
    }
    // On success the system owns the region.
    if (::SetWindowRgn(h, region.get(), redraw)) region.release();
}
}  // namespace

void set_window_region(WindowId w, std::span<const std::uint8_t> region_data, bool redraw) {
    HWND h = to_hwnd(w);
    if (region_data.empty()) {
        set_region(h, win32::UniqueRegion{}, redraw);
        return;
    }
    // The header and the rectangle count must agree with the size before
    // the system reads a byte of it.
    RGNDATAHEADER header{};
    if (region_data.size() < sizeof header) throw EInvalidGraphic("リージョンデータが正しくありません");
    std::memcpy(&header, region_data.data(), sizeof header);
    const std::size_t rects = region_data.size() - sizeof header;
    if (header.dwSize != sizeof header || header.iType != RDH_RECTANGLES || header.nCount > rects / sizeof(RECT))
        throw EInvalidGraphic("リージョンデータが正しくありません");
    // A copy, aligned for the structure.
    std::vector<DWORD> block((sizeof header + header.nCount * sizeof(RECT)) / sizeof(DWORD));
    std::memcpy(block.data(), region_data.data(), block.size() * sizeof(DWORD));
    win32::UniqueRegion region(::ExtCreateRegion(nullptr, static_cast<DWORD>(block.size() * sizeof(DWORD)),
                                                 reinterpret_cast<const RGNDATA*>(block.data())));
    if (!region) throw EInvalidGraphic("リージョンを作成できません");
    set_region(h, std::move(region), redraw);
}

// ---------------------------------------------------------------- painting

void invalidate(WindowId w, const Rect* client_rect) {
    if (win32::WindowRecord* rec = win32::batched_form(to_hwnd(w))) {
        // Painted once, after the tick's shape and move.
        const bool first = !std::exchange(rec->invalid_pending, true);
        if (!client_rect) {
            rec->invalid_whole = true;
        } else {
            const RECT r{client_rect->left, client_rect->top, client_rect->right, client_rect->bottom};
            if (first) {
                rec->invalid_whole = false;
                rec->pending_invalid = r;
            } else {
                ::UnionRect(&rec->pending_invalid, &rec->pending_invalid, &r);
            }
        }
        return;
    }
    if (client_rect) {
        const RECT r{client_rect->left, client_rect->top, client_rect->right, client_rect->bottom};
        ::InvalidateRect(to_hwnd(w), &r, FALSE);
    } else {
        ::InvalidateRect(to_hwnd(w), nullptr, FALSE);
    }
}

void update_window(WindowId w) {
    win32::apply_pending_changes();
    ::UpdateWindow(to_hwnd(w));
    win32::rethrow_kept_exception();
}

void present(WindowId w, int x, int y, int width, int height, const std::uint32_t* pixels, int stride_bytes) {
    if (!pixels || width <= 0 || height <= 0 || stride_bytes < width * 4 || stride_bytes % 4 != 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = stride_bytes / 4;  // whole rows; the copy takes `width` of them
    info.bmiHeader.biHeight = -height;          // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HWND h = to_hwnd(w);
    auto copy = [&](HDC dc, int left, int top, int right, int bottom) {
        // Rows from `top` on, as a top-down bitmap of their own, so that the
        // source always starts at its first row.
        const auto* first = reinterpret_cast<const std::uint8_t*>(pixels) + std::size_t(top) * stride_bytes;
        info.bmiHeader.biHeight = -(bottom - top);
        ::StretchDIBits(dc, x + left, y + top, right - left, bottom - top, left, 0, right - left, bottom - top, first,
                        &info, DIB_RGB_COLORS, SRCCOPY);
    };
    win32::WindowRecord* rec = win32::find_record(h);
    if (rec && rec->paint_dc) {
        // Only what the system asks to be painted goes to the screen: a
        // frame change asks for the frame's box, not the whole window.
        const RECT& p = rec->paint_rect;
        const int left = std::max(0, int(p.left) - x), top = std::max(0, int(p.top) - y);
        const int right = std::min(width, int(p.right) - x), bottom = std::min(height, int(p.bottom) - y);
        if (left < right && top < bottom) copy(rec->paint_dc, left, top, right, bottom);
    } else {
        win32::WindowDC dc(h);
        if (dc) copy(dc.get(), 0, 0, width, height);
    }
}

// ---------------------------------------------------------------- timers

void set_timer(WindowId w, std::uintptr_t id, unsigned interval_ms) {
    ::SetTimer(to_hwnd(w), id, interval_ms, nullptr);
}

void kill_timer(WindowId w, std::uintptr_t id) { ::KillTimer(to_hwnd(w), id); }

}  // namespace os
