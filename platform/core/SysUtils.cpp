#include "platform/core/SysUtils.h"

#include <charconv>

#include "platform/os.h"

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    auto cont = [&](std::size_t k) { return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c < 0xE0 && cont(i + 1)) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            len = 2;
        } else if (c >= 0xE0 && c < 0xF0 && cont(i + 1) && cont(i + 2)) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) | (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
        } else if (c >= 0xF0 && c < 0xF5 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6) | (static_cast<unsigned char>(s[i + 3]) & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) { out += static_cast<char>(0xC0 | cp >> 6); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string ToAnsi(std::string_view utf8, bool* lossless) { return os::utf8_to_ansi(utf8, lossless); }
std::string FromAnsi(std::string_view ansi) { return os::ansi_to_utf8(ansi); }

std::string ParamStr(int index) { return index == 0 ? os::module_file_name() : std::string(); }

namespace {
std::size_t NameStart(std::string_view f) {
    std::size_t p = f.find_last_of("\\/:");
    return p == std::string_view::npos ? 0 : p + 1;
}
}  // namespace

std::string ExtractFilePath(std::string_view f) { return std::string(f.substr(0, NameStart(f))); }
std::string ExtractFileName(std::string_view f) { return std::string(f.substr(NameStart(f))); }

std::string ChangeFileExt(std::string_view f, std::string_view ext) {
    std::size_t start = NameStart(f);
    std::size_t dot = f.rfind('.');
    std::string_view stem = (dot == std::string_view::npos || dot < start) ? f : f.substr(0, dot);
    return std::string(stem) + std::string(ext);
}

bool TryStrToInt(std::string_view t, std::int32_t* value) {
    if (t.empty()) return false;
    bool neg = false;
    std::size_t i = 0;
    if (t[0] == '-' || t[0] == '+') { neg = t[0] == '-'; i = 1; }
    int base = 10;
    if (t.size() > i + 1 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) { base = 16; i += 2; }
    else if (t.size() > i && t[i] == '$') { base = 16; i += 1; }
    if (i >= t.size()) return false;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(t.data() + i, t.data() + t.size(), v, base);
    if (ec != std::errc() || end != t.data() + t.size()) return false;
    if (base == 16) {
        if (v > 0xFFFFFFFFull) return false;
        // Two's complement in unsigned arithmetic: "-0x80000000" must not overflow.
        auto u = static_cast<std::uint32_t>(v);
        *value = static_cast<std::int32_t>(neg ? 0u - u : u);
        return true;
    }
    if (v > (neg ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    *value = neg ? static_cast<std::int32_t>(-static_cast<std::int64_t>(v)) : static_cast<std::int32_t>(v);
    return true;
}

std::int32_t StrToIntDef(std::string_view t, std::int32_t def) {
    std::int32_t v;
    return TryStrToInt(t, &v) ? v : def;
}
