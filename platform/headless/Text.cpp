// A deterministic stand-in for the system font: box glyphs with fixed widths,
// so that text layout in tests depends on nothing outside the program.
//
// For a font of height h (FontSpec::height; 0 means 12, a negative value its
// magnitude; clamped to 1..1000): an ASCII character is h/2 pixels wide (one
// more when bold), any other character h; the ascent is h*4/5. A glyph is the
// outline of a box with one vertical and one horizontal inner stroke whose
// places depend on the code point; space and control characters are blank.
#include <algorithm>

#include "platform/os.h"

namespace {

struct Face {
    int h, ascent;
    bool bold, underline;
};

Face face(const os::FontSpec& f) {
    int h = f.height == 0 ? 12 : (f.height < 0 ? -f.height : f.height);
    h = std::clamp(h, 1, 1000);
    return {h, h * 4 / 5, f.bold, f.underline};
}

// Code points of UTF-16 text; a lone surrogate stands for itself.
std::vector<char32_t> code_points(std::u16string_view text) {
    std::vector<char32_t> cps;
    cps.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        cps.push_back(c);
    }
    return cps;
}

int advance(const Face& f, char32_t c) { return c < 0x80 ? f.h / 2 + (f.bold ? 1 : 0) : f.h; }

}  // namespace

namespace os {

TextMetrics measure_text(const FontSpec& font, std::u16string_view text) {
    Face f = face(font);
    int width = 0;
    for (char32_t c : code_points(text)) width += advance(f, c);
    return {width, f.h, f.ascent};
}

std::vector<std::uint8_t> render_text(const FontSpec& font, std::u16string_view text, TextMetrics* metrics) {
    Face f = face(font);
    std::vector<char32_t> cps = code_points(text);
    int width = 0;
    for (char32_t c : cps) width += advance(f, c);
    if (metrics) *metrics = {width, f.h, f.ascent};
    std::vector<std::uint8_t> cov(static_cast<std::size_t>(width) * f.h, 0);
    auto set = [&](int x, int y) {
        if (x >= 0 && x < width && y >= 0 && y < f.h) cov[static_cast<std::size_t>(y) * width + x] = 255;
    };
    int left = 0;
    for (char32_t c : cps) {
        int cw = advance(f, c);
        if (c > 0x20 && c != 0x7F && cw > 0) {
            int x0 = left, x1 = left + std::max(0, cw - 2);
            int y0 = f.h / 10, y1 = std::max(y0, f.ascent - 1);
            for (int x = x0; x <= x1; ++x) {
                set(x, y0);
                set(x, y1);
            }
            for (int y = y0; y <= y1; ++y) {
                set(x0, y);
                set(x1, y);
                if (f.bold) set(x0 + 1, y);
            }
            if (x1 - x0 >= 2) {
                int vx = x0 + 1 + static_cast<int>(c % static_cast<char32_t>(x1 - x0 - 1));
                for (int y = y0; y <= y1; ++y) set(vx, y);
            }
            if (y1 - y0 >= 2) {
                int hy = y0 + 1 + static_cast<int>((c / 3) % static_cast<char32_t>(y1 - y0 - 1));
                for (int x = x0; x <= x1; ++x) set(x, hy);
            }
        }
        if (f.underline)
            for (int x = left; x < left + cw; ++x) set(x, std::min(f.h - 1, f.ascent + 1));
        left += cw;
    }
    return cov;
}

}  // namespace os
