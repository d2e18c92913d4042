// Popup menus and tool tips of the seam.
#include "platform/core/Exceptions.h"
#include "platform/win32/Backend.h"

#include <commctrl.h>

namespace win32 {
namespace {

// One tool tip window per top-level form, made on first use.
HWND tooltip_window(HWND tool) {
    HWND root = ::GetAncestor(tool, GA_ROOT);
    WindowRecord* rec = find_record(root);
    if (!rec) throw EInvalidOperation("ウィンドウがありません");
    if (!rec->tooltip) {
        static const bool common_controls = [] {
            INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
            return ::InitCommonControlsEx(&init) != FALSE;
        }();
        (void)common_controls;
        // Owned by the form, so the system destroys it with the form.
        rec->tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT, root, nullptr, instance(), nullptr);
        if (!rec->tooltip) throw EInvalidOperation("ツールチップを作成できません");
    }
    return rec->tooltip;
}

TOOLINFOW tool_info(HWND tool, std::uintptr_t id) {
    TOOLINFOW ti{};
    // The version-2 size is the one every comctl32 takes, with or without a manifest.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = tool;
    ti.uId = id;
    return ti;
}

}  // namespace
}  // namespace win32

namespace os {

using win32::to_hwnd;

std::uintptr_t track_popup_menu(WindowId owner, const std::vector<MenuItem>& items, Point screen) {
    win32::apply_pending_changes();
    win32::UniqueMenu menu(::CreatePopupMenu());
    if (!menu) throw EOutOfMemory("メニューを作成できません");
    for (const MenuItem& item : items) {
        if (item.caption == "-") {
            ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT flags =
            MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED) | (item.checked ? MF_CHECKED : MF_UNCHECKED);
        ::AppendMenuW(menu.get(), flags, item.command, win32::widen(item.caption).c_str());
    }
    HWND h = owner ? to_hwnd(owner) : win32::application_window();
    // Without the foreground the menu would not close on a click elsewhere.
    ::SetForegroundWindow(h);
    UINT_PTR chosen = 0;
    {
        win32::SystemLoopScope tracking;
        chosen = static_cast<UINT_PTR>(::TrackPopupMenu(menu.get(),
                                                        TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                        screen.x, screen.y, 0, h, nullptr));
    }
    // Lets the foreground switch complete, as the system asks after a menu.
    ::PostMessageW(h, WM_NULL, 0, 0);
    win32::rethrow_kept_exception();
    return chosen;
}

void set_tooltip(WindowId w, std::uintptr_t tool_id, const Rect& client_rect, std::string_view text) {
    HWND tool = to_hwnd(w);
    HWND tip = win32::tooltip_window(tool);
    std::wstring wide = win32::widen(text);
    TOOLINFOW ti = win32::tool_info(tool, tool_id);
    ti.rect = RECT{client_rect.left, client_rect.top, client_rect.right, client_rect.bottom};
    ti.lpszText = wide.data();  // copied by the control
    ::SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void remove_tooltip(WindowId w, std::uintptr_t tool_id) {
    HWND tool = to_hwnd(w);
    win32::WindowRecord* root = win32::find_record(::GetAncestor(tool, GA_ROOT));
    if (!root || !root->tooltip) return;
    TOOLINFOW ti = win32::tool_info(tool, tool_id);
    ::SendMessageW(root->tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace os
