// The system's edit controls: text, colours and fonts.
#include <string>

#include "platform/win32/Backend.h"
#include "platform/win32/Fonts.h"

namespace win32 {

std::optional<LRESULT> edit_control_color(HWND edit, HDC dc) {
    WindowRecord* rec = find_record(edit);
    if (!rec || rec->kind != os::WindowKind::Edit || !rec->back_brush) return std::nullopt;
    // A disabled edit keeps the greyed text of the system.
    ::SetTextColor(dc, ::IsWindowEnabled(edit) ? rec->text_color : ::GetSysColor(COLOR_GRAYTEXT));
    ::SetBkColor(dc, rec->back_color);
    return reinterpret_cast<LRESULT>(rec->back_brush.get());
}

}  // namespace win32

namespace os {

using win32::to_hwnd;

void set_edit_text(WindowId edit, std::string_view text) {
    ::SetWindowTextW(to_hwnd(edit), win32::widen(text).c_str());
    win32::rethrow_kept_exception();
}

std::string edit_text(WindowId edit) {
    HWND h = to_hwnd(edit);
    const int length = ::GetWindowTextLengthW(h);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(h, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return win32::narrow(text);
}

void set_edit_colors(WindowId edit, std::uint32_t text_rgb, std::uint32_t back_rgb) {
    win32::WindowRecord& rec = win32::record(edit);
    rec.text_color = text_rgb;
    rec.back_color = back_rgb;
    rec.back_brush.reset(::CreateSolidBrush(back_rgb));
    ::InvalidateRect(rec.hwnd, nullptr, TRUE);
}

void set_window_font(WindowId w, const FontSpec& font) {
    win32::WindowRecord& rec = win32::record(w);
    if (rec.kind != WindowKind::Edit) return;  // other windows draw their text themselves
    win32::UniqueFont made = win32::create_font(font);
    ::SendMessageW(rec.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), TRUE);
    // The old font is released only once the control has let go of it.
    rec.font = std::move(made);
}

}  // namespace os
