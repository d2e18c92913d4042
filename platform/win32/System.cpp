// The application window's taskbar button and title, facts about the system,
// the error box, and the profile functions.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/core/Exceptions.h"
#include "platform/win32/Backend.h"

namespace win32 {
namespace {

// A string the caller passes as a view: null stays null, since the profile
// functions give NULL a meaning of its own (all sections, all keys, delete).
class OptionalText {
public:
    explicit OptionalText(std::string_view text) : present_(text.data() != nullptr), text_(text) {}
    const char* get() const { return present_ ? text_.c_str() : nullptr; }

private:
    bool present_;
    std::string text_;
};

std::optional<std::wstring> short_path(const std::wstring& path) {
    DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring out(n, L'\0');
    n = ::GetShortPathNameW(path.c_str(), out.data(), n);
    if (n == 0 || n >= out.size()) return std::nullopt;
    out.resize(n);
    return out;
}

std::optional<std::string> exact_ansi(const std::wstring& path) {
    bool lossless = true;
    std::string ansi = to_code_page(path, CP_ACP, &lossless);
    if (!lossless) return std::nullopt;
    return ansi;
}

// The profile functions take the file name in the system's ANSI code page.
// A path that code page cannot spell is given by its short (8.3) form: of
// the file, or of its folder followed by the name; to write a file whose
// name itself cannot be spelt, the file is made first so that it has a
// short name. Without short names the nearest spelling is used and the call
// fails (the replacement character is not allowed in file names).
std::string profile_path(std::string_view utf8, bool for_writing) {
    const std::wstring wide = widen(utf8);
    if (auto ansi = exact_ansi(wide)) return *ansi;
    if (auto s = short_path(wide))
        if (auto ansi = exact_ansi(*s)) return *ansi;
    const std::size_t slash = wide.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        if (auto folder = short_path(wide.substr(0, slash)))
            if (auto ansi = exact_ansi(*folder + L'\\' + wide.substr(slash + 1))) return *ansi;
    }
    if (for_writing) {
        HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            if (auto s = short_path(wide))
                if (auto ansi = exact_ansi(*s)) return *ansi;
        }
    }
    return to_code_page(wide, CP_ACP, nullptr);
}

bool running_under_wine() {
    static const bool wine = [] {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

}  // namespace
}  // namespace win32

namespace os {

void set_taskbar_button(bool shown) {
    HWND app = win32::application_window();
    LONG_PTR ex = ::GetWindowLongPtrW(app, GWL_EXSTYLE);
    ex = shown ? (ex | WS_EX_APPWINDOW) : (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW));
    ::SetWindowLongPtrW(app, GWL_EXSTYLE, ex);
    // The taskbar lists a visible window without an owner: showing and hiding
    // the window adds and removes the button.
    ::SetWindowPos(app, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (!shown && win32::running_under_wine()) {
        // Wine's taskbar looks at its buttons again only when the active
        // window changes: a change there and back takes the button away.
        HWND active = ::GetActiveWindow();
        ::SetActiveWindow(app);
        ::SetActiveWindow(active);
    }
}

void set_application_title(std::string_view title) {
    ::SetWindowTextW(win32::application_window(), win32::widen(title).c_str());
}

std::string module_file_name() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return win32::narrow(path);
        }
        path.resize(path.size() * 2);  // cut: try again with room to spare
    }
}

Rect screen_rect() { return Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

std::uint32_t sys_color(int index) { return ::GetSysColor(index); }

void message_beep(unsigned type) { ::MessageBeep(type); }

void show_error(std::string_view title, std::string_view message) {
    win32::apply_pending_changes();  // the box's loop may run inside a tick
    ::MessageBoxW(win32::application_window(), win32::widen(message).c_str(), win32::widen(title).c_str(),
                  MB_OK | MB_ICONERROR);
    win32::rethrow_kept_exception();
}

std::string get_profile_string(std::string_view file, std::string_view section, std::string_view key,
                               std::string_view default_value, std::size_t buffer_size) {
    if (buffer_size == 0) return {};
    const std::string path = win32::profile_path(file, false);
    const win32::OptionalText sec(section), name(key);
    const std::string fallback(default_value);
    std::string buffer(std::min<std::size_t>(buffer_size, 0x7FFFFFFF), '\0');
    const DWORD n = ::GetPrivateProfileStringA(sec.get(), name.get(), fallback.c_str(), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(std::min<std::size_t>(n, buffer.size()));
    // One value ends at its zero: a buffer that ends inside a double-byte
    // character leaves that character out, and the count may still include
    // its lead byte. Lists of names (a null section or key) keep their zeros.
    if (sec.get() && name.get()) buffer.resize(std::min(buffer.size(), std::strlen(buffer.c_str())));
    return buffer;
}

bool write_profile_string(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view value) {
    const std::string path = win32::profile_path(file, true);
    const win32::OptionalText sec(section), name(key), text(value);
    return ::WritePrivateProfileStringA(sec.get(), name.get(), text.get(), path.c_str()) != FALSE;
}

}  // namespace os
