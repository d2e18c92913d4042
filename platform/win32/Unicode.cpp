// Text conversions: UTF-8, UTF-16 and the ANSI code pages, with the system's
// own tables (MultiByteToWideChar / WideCharToMultiByte).
#include <climits>

#include "platform/core/Exceptions.h"
#include "platform/win32/Backend.h"

namespace win32 {
namespace {

constexpr UINT kJapanese = 932;

int checked_length(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw EConvertError("文字列が長すぎます");
    return static_cast<int>(size);
}

}  // namespace

std::wstring from_code_page(std::string_view bytes, UINT code_page) {
    if (bytes.empty()) return {};
    const int in = checked_length(bytes.size());
    const int n = ::MultiByteToWideChar(code_page, 0, bytes.data(), in, nullptr, 0);
    if (n <= 0) throw EConvertError("文字コードを変換できません");
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(code_page, 0, bytes.data(), in, out.data(), n);
    return out;
}

std::string to_code_page(std::wstring_view wide, UINT code_page, bool* lossless) {
    if (lossless) *lossless = true;
    if (wide.empty()) return {};
    const int in = checked_length(wide.size());
    // UTF-8 and UTF-7 take neither the flag nor the default-character test.
    const bool unicode = code_page == CP_UTF8 || code_page == CP_UTF7;
    const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE;
    BOOL* used = unicode ? nullptr : &used_default;
    const int n = ::WideCharToMultiByte(code_page, flags, wide.data(), in, nullptr, 0, nullptr, used);
    if (n <= 0) throw EConvertError("文字コードを変換できません");
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(code_page, flags, wide.data(), in, out.data(), n, nullptr, used);
    if (lossless && used_default) *lossless = false;
    return out;
}

std::wstring widen(std::string_view utf8) { return from_code_page(utf8, CP_UTF8); }

std::string narrow(std::wstring_view wide) { return to_code_page(wide, CP_UTF8, nullptr); }

}  // namespace win32

namespace os {

std::string ansi_to_utf8(std::string_view ansi) { return win32::narrow(win32::from_code_page(ansi, win32::kJapanese)); }

std::string utf8_to_ansi(std::string_view utf8, bool* lossless) {
    const std::wstring wide = win32::widen(utf8);
    bool exact = true;
    std::string out = win32::to_code_page(wide, win32::kJapanese, &exact);
    // Invalid UTF-8 arrives as U+FFFD, which code page 932 has no form of, so
    // the default-character test already reports it.
    if (lossless) *lossless = exact;
    return out;
}

}  // namespace os
