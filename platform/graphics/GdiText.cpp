// Text of the GDI facade: TextOut, ExtTextOut, text extents and DrawText,
// on the coverage maps that the backend's font rasteriser gives.
#include <algorithm>
#include <vector>

#include "platform/graphics/Gdi.h"

#include "platform/core/SysUtils.h"
#include "platform/graphics/Raster.h"

namespace win {
using namespace gfx::raster;


namespace {

bool intersect(RECT& a, const RECT& b) {
    a.left = std::max(a.left, b.left);
    a.top = std::max(a.top, b.top);
    a.right = std::min(a.right, b.right);
    a.bottom = std::min(a.bottom, b.bottom);
    return a.left < a.right && a.top < a.bottom;
}

// Device pixels drawing may touch, narrowed by an optional logical rect.
RECT text_clip(const DCObject* dc, const RECT* logical) {
    RECT r{0, 0, dc->bitmap->width, dc->bitmap->height};
    if (dc->clipped) intersect(r, dc->clip);
    if (logical) {
        RECT l{logical->left + dc->viewport_org.x, logical->top + dc->viewport_org.y, logical->right + dc->viewport_org.x,
               logical->bottom + dc->viewport_org.y};
        if (!intersect(r, l)) r = RECT{};
    }
    return r;
}

std::uint32_t text_pixel(const DCObject* dc, COLORREF c) { return from_color(*dc->bitmap, c & 0x00FFFFFF); }

void fill(DCObject* dc, RECT device, const RECT& clip, std::uint32_t raw) {
    if (!intersect(device, clip)) return;
    BitmapObject& b = *dc->bitmap;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(device.right - device.left), raw);
    for (int y = device.top; y < device.bottom; ++y) store_row(b, y, device.left, static_cast<int>(row.size()), row.data());
}

int line_height(const os::FontSpec& font) {
    os::TextMetrics m = os::measure_text(font, u" ");
    return m.height;
}

// One line at logical (x, y): cell background when OPAQUE, then the glyphs.
// Returns the line's width.
int draw_line(DCObject* dc, int x, int y, std::u16string_view text, const RECT& clip, bool opaque) {
    const os::FontSpec& font = dc->font->description;
    os::TextMetrics m;
    std::vector<std::uint8_t> coverage = text.empty() ? std::vector<std::uint8_t>{} : os::render_text(font, text, &m);
    if (text.empty()) m = os::measure_text(font, text);
    int dx = x + dc->viewport_org.x, dy = y + dc->viewport_org.y;
    BitmapObject& b = *dc->bitmap;
    ++b.version;
    if (opaque) fill(dc, RECT{dx, dy, dx + m.width, dy + m.height}, clip, text_pixel(dc, dc->bk_color));
    std::uint32_t ink = text_pixel(dc, dc->text_color);
    if (coverage.size() < static_cast<std::size_t>(m.width) * static_cast<std::size_t>(std::max(m.height, 0))) return m.width;
    for (int row = 0; row < m.height; ++row) {
        int py = dy + row;
        if (py < clip.top || py >= clip.bottom) continue;
        const std::uint8_t* cov = coverage.data() + static_cast<std::size_t>(row) * m.width;
        for (int col = 0; col < m.width; ++col) {
            int px = dx + col;
            if (cov[col] >= 128 && px >= clip.left && px < clip.right) store_pixel(b, px, py, ink);
        }
    }
    return m.width;
}

// A line of DrawText after the ampersand rule: its text and the indices
// of the characters to underline.
struct Line {
    std::u16string text;
    std::vector<std::size_t> underline;
};

Line strip_prefixes(std::u16string_view s, bool prefixes) {
    Line line;
    if (!prefixes) {
        line.text = s;
        return line;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'&') {
            if (i + 1 < s.size() && s[i + 1] == u'&') {
                line.text.push_back(u'&');
                ++i;
            } else if (i + 1 < s.size()) {
                line.underline.push_back(line.text.size());
            }
            continue;
        }
        line.text.push_back(s[i]);
    }
    return line;
}

int width_of(const os::FontSpec& font, std::u16string_view s) { return s.empty() ? 0 : os::measure_text(font, s).width; }

// Splits at line breaks, then (word break) at blanks where a line would be
// wider than max_width; a word wider than that keeps a line of its own.
std::vector<std::u16string> split_lines(std::u16string_view s, bool single, bool word_break, int max_width, const os::FontSpec& font) {
    std::vector<std::u16string> hard;
    if (single) {
        hard.emplace_back(s);
    } else {
        std::u16string cur;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == u'\r' || s[i] == u'\n') {
                hard.push_back(cur);
                cur.clear();
                if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
                continue;
            }
            cur.push_back(s[i]);
        }
        hard.push_back(cur);
    }
    if (!word_break || single) return hard;
    std::vector<std::u16string> out;
    for (const auto& line : hard) {
        std::u16string cur;
        std::size_t i = 0;
        while (i < line.size()) {
            std::size_t j = line.find(u' ', i);
            std::size_t end = j == std::u16string::npos ? line.size() : j;
            std::u16string word = line.substr(i, end - i);
            std::u16string candidate = cur.empty() ? word : cur + u' ' + word;
            // Measure without the ampersands, which draw nothing.
            if (!cur.empty() && width_of(font, strip_prefixes(candidate, true).text) > max_width) {
                out.push_back(cur);
                cur = word;
            } else {
                cur = candidate;
            }
            i = end == line.size() ? end : end + 1;
        }
        out.push_back(cur);
    }
    return out;
}

}  // namespace

BOOL ExtTextOutUtf8(HDC dc, int x, int y, UINT options, const RECT* rect, std::string_view text) {
    if (!dc) return 0;
    RECT clip = text_clip(dc, (options & ETO_CLIPPED) ? rect : nullptr);
    if ((options & ETO_OPAQUE) && rect) {
        RECT d{rect->left + dc->viewport_org.x, rect->top + dc->viewport_org.y, rect->right + dc->viewport_org.x,
               rect->bottom + dc->viewport_org.y};
        fill(dc, d, text_clip(dc, nullptr), text_pixel(dc, dc->bk_color));
    }
    draw_line(dc, x, y, ::Utf8ToUtf16(text), clip, dc->bk_mode == OPAQUE);
    return 1;
}

BOOL TextOutUtf8(HDC dc, int x, int y, std::string_view text) { return ExtTextOutUtf8(dc, x, y, 0, nullptr, text); }

BOOL GetTextExtentUtf8(HDC dc, std::string_view text, SIZE* size) {
    if (!dc || !size) return 0;
    std::u16string t = ::Utf8ToUtf16(text);
    os::TextMetrics m = os::measure_text(dc->font->description, t);
    size->cx = t.empty() ? 0 : m.width;
    size->cy = t.empty() ? line_height(dc->font->description) : m.height;
    return 1;
}

int DrawTextUtf8(HDC dc, std::string_view utf8, RECT* rect, UINT format) {
    if (!dc || !rect) return 0;
    const os::FontSpec& font = dc->font->description;
    bool single = format & DT_SINGLELINE;
    bool prefixes = !(format & DT_NOPREFIX);
    std::u16string text = ::Utf8ToUtf16(utf8);
    int lh = line_height(font);

    std::vector<Line> lines;
    for (const auto& l : split_lines(text, single, format & DT_WORDBREAK, rect->right - rect->left, font))
        lines.push_back(strip_prefixes(l, prefixes));
    std::vector<int> widths;
    int max_w = 0;
    for (const auto& l : lines) {
        widths.push_back(width_of(font, l.text));
        max_w = std::max(max_w, widths.back());
    }
    int total = lh * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        rect->right = rect->left + max_w;
        rect->bottom = rect->top + total;
        return total;
    }

    int y = rect->top;
    if (single) {
        if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - lh) / 2;
        else if (format & DT_BOTTOM) y = rect->bottom - lh;
    }
    RECT clip = text_clip(dc, (format & DT_NOCLIP) ? nullptr : rect);
    bool opaque = dc->bk_mode == OPAQUE;
    std::uint32_t ink = text_pixel(dc, dc->text_color);
    int y0 = y;
    for (std::size_t i = 0; i < lines.size(); ++i, y += lh) {
        const Line& l = lines[i];
        int w = widths[i];
        int x = rect->left;
        if (format & DT_CENTER) x = rect->left + (rect->right - rect->left - w) / 2;
        else if (format & DT_RIGHT) x = rect->right - w;
        draw_line(dc, x, y, l.text, clip, opaque);
        // The accelerator's underline: the row below the baseline, under the character.
        os::TextMetrics m = os::measure_text(font, l.text.empty() ? std::u16string_view(u" ") : std::u16string_view(l.text));
        int row = std::min(m.ascent, std::max(m.height - 1, 0));
        for (std::size_t k : l.underline) {
            if (k >= l.text.size()) continue;
            int ux = x + width_of(font, std::u16string_view(l.text).substr(0, k));
            int uw = width_of(font, std::u16string_view(l.text).substr(k, 1));
            RECT u{ux + dc->viewport_org.x, y + row + dc->viewport_org.y, ux + uw + dc->viewport_org.x, y + row + 1 + dc->viewport_org.y};
            fill(dc, u, clip, ink);
        }
    }
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y0 - rect->top + lh;
    return total;
}

}  // namespace win
