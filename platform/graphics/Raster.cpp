#include "platform/graphics/Raster.h"

#include <array>
#include <cstring>
#include <utility>

namespace gfx::raster {

std::uint32_t pixel_mask(const BitmapObject& b) {
    return b.bpp >= 32 ? 0xFFFFFFFFu : ((1u << b.bpp) - 1u);
}

void load_row(const BitmapObject& b, int y, int x, int n, std::uint32_t* out) {
    const std::uint8_t* row = b.row(y);
    switch (b.bpp) {
    case 32:
        std::memcpy(out, row + 4 * static_cast<std::size_t>(x), 4 * static_cast<std::size_t>(n));
        break;
    case 24: {
        const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, p += 3) out[i] = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        break;
    }
    case 16: {
        const std::uint8_t* p = row + 2 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, p += 2) out[i] = p[0] | (p[1] << 8);
        break;
    }
    case 8:
        for (int i = 0; i < n; ++i) out[i] = row[x + i];
        break;
    case 4:
        for (int i = 0; i < n; ++i) {
            int c = x + i;
            out[i] = (c & 1) ? (row[c >> 1] & 0x0F) : (row[c >> 1] >> 4);
        }
        break;
    case 1:
        for (int i = 0; i < n; ++i) {
            int c = x + i;
            out[i] = (row[c >> 3] >> (7 - (c & 7))) & 1;
        }
        break;
    }
}

void store_row(BitmapObject& b, int y, int x, int n, const std::uint32_t* in) {
    std::uint8_t* row = b.row(y);
    switch (b.bpp) {
    case 32:
        std::memcpy(row + 4 * static_cast<std::size_t>(x), in, 4 * static_cast<std::size_t>(n));
        break;
    case 24: {
        std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, p += 3) {
            p[0] = static_cast<std::uint8_t>(in[i]);
            p[1] = static_cast<std::uint8_t>(in[i] >> 8);
            p[2] = static_cast<std::uint8_t>(in[i] >> 16);
        }
        break;
    }
    case 16: {
        std::uint8_t* p = row + 2 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, p += 2) {
            p[0] = static_cast<std::uint8_t>(in[i]);
            p[1] = static_cast<std::uint8_t>(in[i] >> 8);
        }
        break;
    }
    case 8:
        for (int i = 0; i < n; ++i) row[x + i] = static_cast<std::uint8_t>(in[i]);
        break;
    case 4:
        for (int i = 0; i < n; ++i) {
            int c = x + i;
            std::uint8_t& byte = row[c >> 1];
            std::uint8_t v = static_cast<std::uint8_t>(in[i] & 0x0F);
            byte = (c & 1) ? static_cast<std::uint8_t>((byte & 0xF0) | v) : static_cast<std::uint8_t>((byte & 0x0F) | (v << 4));
        }
        break;
    case 1:
        for (int i = 0; i < n; ++i) {
            int c = x + i;
            std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (c & 7));
            if (in[i] & 1) row[c >> 3] |= bit;
            else row[c >> 3] &= static_cast<std::uint8_t>(~bit);
        }
        break;
    }
}

std::uint32_t load_pixel(const BitmapObject& b, int x, int y) {
    std::uint32_t v = 0;
    load_row(b, y, x, 1, &v);
    return v;
}

void store_pixel(BitmapObject& b, int x, int y, std::uint32_t raw) { store_row(b, y, x, 1, &raw); }

namespace {
constexpr std::uint32_t expand5(std::uint32_t v) { return (v << 3) | (v >> 2); }
constexpr std::uint32_t expand6(std::uint32_t v) { return (v << 2) | (v >> 4); }
constexpr COLORREF rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }
}  // namespace

COLORREF to_color(const BitmapObject& b, std::uint32_t raw) {
    switch (b.bpp) {
    case 32:
    case 24:
        return rgb((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF);
    case 16:
        if (b.rgb565) return rgb(expand5((raw >> 11) & 0x1F), expand6((raw >> 5) & 0x3F), expand5(raw & 0x1F));
        return rgb(expand5((raw >> 10) & 0x1F), expand5((raw >> 5) & 0x1F), expand5(raw & 0x1F));
    default:
        if (raw >= b.palette.size()) return 0;
        const RGBQUAD& q = b.palette[raw];
        return rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
}

int nearest_index(const RGBQUAD* palette, int count, COLORREF color) {
    int r = color & 0xFF, g = (color >> 8) & 0xFF, bl = (color >> 16) & 0xFF;
    int best = 0;
    long best_d = -1;
    for (int i = 0; i < count; ++i) {
        long dr = palette[i].rgbRed - r, dg = palette[i].rgbGreen - g, db = palette[i].rgbBlue - bl;
        long d = dr * dr + dg * dg + db * db;
        if (best_d < 0 || d < best_d) {
            best_d = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

std::uint32_t from_color(const BitmapObject& b, COLORREF color) {
    std::uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, bl = (color >> 16) & 0xFF;
    switch (b.bpp) {
    case 32:
    case 24:
        return (r << 16) | (g << 8) | bl;
    case 16:
        if (b.rgb565) return ((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3);
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3);
    default:
        if (b.palette.empty()) return 0;
        return static_cast<std::uint32_t>(nearest_index(b.palette.data(), static_cast<int>(b.palette.size()), color));
    }
}

bool same_format(const BitmapObject& a, const BitmapObject& b) {
    if (a.bpp != b.bpp) return false;
    if (a.bpp == 16) return a.rgb565 == b.rgb565;
    if (a.bpp <= 8) return a.palette == b.palette;
    return true;
}

std::uint32_t blit_index(const BitmapObject& to, COLORREF c) {
    // gdi32 looks blitted colours up in a 5-5-5 table: the nearest entry to
    // the centre of the colour's 5-bit cell.
    COLORREF centre = ((c & 0xF8) | 4) | (((c >> 8) & 0xF8) | 4) << 8 | (((c >> 16) & 0xF8) | 4) << 16;
    return static_cast<std::uint32_t>(nearest_index(to.palette.data(), static_cast<int>(to.palette.size()), centre));
}

void convert_row(const BitmapObject& from, const std::uint32_t* in, const BitmapObject& to, std::uint32_t* out, int n) {
    if (same_format(from, to)) {
        if (in != out) std::memcpy(out, in, 4 * static_cast<std::size_t>(n));
        return;
    }
    bool to_true = to.bpp >= 24;
    // True colour into 8 bits goes through gdi32's 5-5-5 table; a palette
    // into a palette, and anything into smaller palettes, takes the nearest
    // entry to the colour itself.
    bool to_palette = to.bpp == 8 && !from.paletted() && !to.palette.empty();
    // Long rows into a palette remember each 5-5-5 cell's entry.
    std::vector<std::int16_t> cells;
    if (to_palette && n >= 1024) cells.assign(32768, -1);
    // Runs of one value are common; convert each run once.
    std::uint32_t last_in = 0, last_out = 0;
    bool have = false;
    for (int i = 0; i < n; ++i) {
        std::uint32_t v = in[i];
        if (from.bpp == 32) v &= 0x00FFFFFF;
        if (!have || v != last_in) {
            last_in = v;
            COLORREF c = to_color(from, v);
            if (to_true) {
                last_out = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            } else if (to_palette) {
                if (cells.empty()) {
                    last_out = blit_index(to, c);
                } else {
                    std::size_t cell = ((c >> 3) & 0x1F) | (((c >> 11) & 0x1F) << 5) | (((c >> 19) & 0x1F) << 10);
                    if (cells[cell] < 0) cells[cell] = static_cast<std::int16_t>(blit_index(to, c));
                    last_out = static_cast<std::uint32_t>(cells[cell]);
                }
            } else {
                last_out = from_color(to, c);
            }
            have = true;
        }
        out[i] = last_out;
    }
}

// ---------------------------------------------------------------- raster operations
namespace {
template <std::uint8_t R>
void rop_row_impl(std::uint32_t* d, const std::uint32_t* s, std::uint32_t p, int n) {
    if constexpr (rop_uses_source(R)) {
        for (int i = 0; i < n; ++i) d[i] = rop3(R, d[i], s[i], p);
    } else {
        for (int i = 0; i < n; ++i) d[i] = rop3(R, d[i], 0, p);
    }
}

template <std::size_t... I>
constexpr std::array<RopRowFn, 256> make_rop_table(std::index_sequence<I...>) {
    return {{&rop_row_impl<static_cast<std::uint8_t>(I)>...}};
}
constexpr std::array<RopRowFn, 256> kRopRows = make_rop_table(std::make_index_sequence<256>{});
}  // namespace

RopRowFn rop_row(std::uint8_t r) { return kRopRows[r]; }

std::uint8_t rop2_to_rop3(int rop2) {
    // R2 code - 1 is a truth table over (P, D) with bit P*2 + D.
    unsigned t = static_cast<unsigned>(rop2 - 1) & 0x0F;
    std::uint8_t out = 0;
    for (int i = 0; i < 8; ++i) {
        int p = (i >> 2) & 1, d = i & 1;
        if ((t >> (p * 2 + d)) & 1) out = static_cast<std::uint8_t>(out | (1u << i));
    }
    return out;
}

// ---------------------------------------------------------------- stretching
std::vector<Span> stretch_spans(int src, int dst) {
    std::vector<Span> spans(static_cast<std::size_t>(dst > 0 ? dst : 0));
    if (dst <= 0 || src <= 0) return spans;
    if (src <= dst) {
        // Enlarging: destination i takes source (i * src + (src - 1) / 2) / dst.
        for (int i = 0; i < dst; ++i) {
            int j = static_cast<int>((static_cast<std::int64_t>(i) * src + (src - 1) / 2) / dst);
            spans[static_cast<std::size_t>(i)] = {j, j};
        }
        return spans;
    }
    // Shrinking: source j goes to destination ((2j + 1) * dst - 1) / (2 * src),
    // the one whose cell holds its centre (ties to the lower one). A
    // destination of one pixel takes all but the last source pixel.
    for (auto& s : spans) s = {-1, -1};
    int count = dst == 1 ? src - 1 : src;
    for (int j = 0; j < count; ++j) {
        auto i = static_cast<std::size_t>(((2 * static_cast<std::int64_t>(j) + 1) * dst - 1) / (2 * static_cast<std::int64_t>(src)));
        if (spans[i].first < 0) spans[i].first = j;
        spans[i].last = j;
    }
    return spans;
}

// ---------------------------------------------------------------- palettes
const std::vector<RGBQUAD>& vga_palette() {
    static const std::vector<RGBQUAD> p = [] {
        const COLORREF c[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                                0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        std::vector<RGBQUAD> v;
        for (COLORREF x : c)
            v.push_back(RGBQUAD{static_cast<std::uint8_t>(x >> 16), static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x), 0});
        return v;
    }();
    return p;
}

const std::vector<RGBQUAD>& default_palette_256() {
    static const std::vector<RGBQUAD> p = [] {
        std::vector<RGBQUAD> v = vga_palette();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    v.push_back(RGBQUAD{static_cast<std::uint8_t>(b * 51), static_cast<std::uint8_t>(g * 51), static_cast<std::uint8_t>(r * 51), 0});
        for (int i = 1; i <= 24; ++i) {
            auto g = static_cast<std::uint8_t>(i * 10 + 3);
            v.push_back(RGBQUAD{g, g, g, 0});
        }
        return v;
    }();
    return p;
}

}  // namespace gfx::raster
