// Pixel-level work behind the GDI facade: reading and writing pixels of
// every bitmap format as raw values, colour conversions (nearest palette
// entry), the 256 ternary raster operations, and GDI's stretch pixel
// selection. Used by Gdi.cpp and Bitmap.cpp.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/graphics/Gdi.h"

namespace gfx::raster {

using win::BitmapObject;
using win::COLORREF;
using win::RGBQUAD;

// The bits a pixel of the bitmap has (all 32 for 32 bpp).
std::uint32_t pixel_mask(const BitmapObject& b);

// Raw pixel values (palette index, packed 16-bit word, 0x00RRGGBB for 24
// bits, the whole word for 32 bits) of n pixels of row y from column x.
// The range must lie inside the bitmap.
void load_row(const BitmapObject& b, int y, int x, int n, std::uint32_t* out);
void store_row(BitmapObject& b, int y, int x, int n, const std::uint32_t* in);
std::uint32_t load_pixel(const BitmapObject& b, int x, int y);
void store_pixel(BitmapObject& b, int x, int y, std::uint32_t raw);

// The colour of a raw value, and the raw value nearest to a colour (the
// nearest palette entry by squared distance, first of equals; 16 bits drop
// the low bits). COLORREF flag bytes are ignored.
COLORREF to_color(const BitmapObject& b, std::uint32_t raw);
std::uint32_t from_color(const BitmapObject& b, COLORREF color);
int nearest_index(const RGBQUAD* palette, int count, COLORREF color);

// Converts n raw values of one bitmap's format to another's, through their
// colours (or unchanged when both formats are the same). True colour into
// an 8-bit palette takes blit_index, not from_color.
bool same_format(const BitmapObject& a, const BitmapObject& b);
// The 8-bit palette entry a blit maps a colour to: nearest to the centre of
// the colour's 5-5-5 cell (as gdi32's lookup table), not to the colour itself.
std::uint32_t blit_index(const BitmapObject& to, COLORREF color);
void convert_row(const BitmapObject& from, const std::uint32_t* in, const BitmapObject& to, std::uint32_t* out, int n);

// ---------------------------------------------------------------- ternary raster operations
// The ROP3 index (the high byte of a raster-operation code) names the
// result for each of the 8 combinations of pattern, source and destination
// bits: bit (P*4 + S*2 + D).
constexpr std::uint8_t rop3_index(win::DWORD rop) { return static_cast<std::uint8_t>((rop >> 16) & 0xFF); }
constexpr bool rop_uses_source(std::uint8_t r) { return ((r >> 2) & 0x33) != (r & 0x33); }
constexpr bool rop_uses_pattern(std::uint8_t r) { return ((r >> 4) & 0x0F) != (r & 0x0F); }
constexpr bool rop_uses_dest(std::uint8_t r) { return ((r >> 1) & 0x55) != (r & 0x55); }

constexpr std::uint32_t rop3(std::uint8_t r, std::uint32_t d, std::uint32_t s, std::uint32_t p) {
    std::uint32_t out = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((r >> i) & 1)) continue;
        out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return out;
}

// d[i] = rop(d[i], s[i], p) for n pixels (s may be null when unused).
using RopRowFn = void (*)(std::uint32_t* d, const std::uint32_t* s, std::uint32_t p, int n);
RopRowFn rop_row(std::uint8_t r);

// The binary raster operation of a pen (R2_xxx) as a ROP3 index.
std::uint8_t rop2_to_rop3(int rop2);

// ---------------------------------------------------------------- stretching
// For each destination index, the source indices it takes (first..last,
// inclusive): one when enlarging, a run when shrinking. COLORONCOLOR keeps
// the last of a run; BLACKONWHITE ANDs the run, WHITEONBLACK ORs it.
struct Span {
    int first, last;
};
std::vector<Span> stretch_spans(int src_size, int dst_size);

// ---------------------------------------------------------------- palettes
// The 16 colours of the Windows VGA palette, in its order.
const std::vector<RGBQUAD>& vga_palette();
// 256 colours: the 16 VGA colours, a 6x6x6 cube and 24 greys.
const std::vector<RGBQUAD>& default_palette_256();

}  // namespace gfx::raster
