// Code page 932 conversions for the headless backend, through glibc's iconv.
// Whatever cannot be converted becomes '?', one per character.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/os.h"

namespace {

// One iconv descriptor, closed with its owner.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EInvalidOperation(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { iconv_close(cd_); }

    // Converts one whole unit of input; false when it has no form in the target.
    bool convert(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        char* dst = buffer;
        std::size_t dst_left = sizeof buffer;
        if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) || src_left != 0) return false;
        // Flush any shift state (none for these code sets, but harmless).
        if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) return false;
        out.append(buffer, sizeof buffer - dst_left);
        return true;
    }

private:
    iconv_t cd_;
};

Converter& to_utf8() {
    static Converter c("UTF-8", "CP932");
    return c;
}

Converter& to_932() {
    static Converter c("CP932", "UTF-8");
    return c;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

bool lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

namespace os {

std::string ansi_to_utf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 3 / 2);
    for (std::size_t i = 0; i < ansi.size();) {
        unsigned char b = static_cast<unsigned char>(ansi[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
        } else if (lead_byte(b) && i + 1 < ansi.size() && to_utf8().convert(ansi.substr(i, 2), out)) {
            i += 2;
        } else if (!lead_byte(b) && to_utf8().convert(ansi.substr(i, 1), out)) {
            ++i;
        } else {
            out += '?';  // a byte with no character; the next byte starts afresh
            ++i;
        }
    }
    return out;
}

std::string utf8_to_ansi(std::string_view utf8, bool* lossless) {
    bool exact = true;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = utf8_length(utf8, i);
        if (n == 0) {
            out += '?';
            exact = false;
            ++i;
            continue;
        }
        if (n == 1) {
            out += utf8[i];
        } else if (!to_932().convert(utf8.substr(i, n), out)) {
            out += '?';
            exact = false;
        }
        i += n;
    }
    if (lossless) *lossless = exact;
    return out;
}

}  // namespace os
