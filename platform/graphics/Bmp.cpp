#include "platform/graphics/Bmp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Raster.h"

namespace bmp {
namespace {

using win::BitmapObject;
using win::RGBQUAD;

[[noreturn]] void fail(const std::string& why) { throw EInvalidGraphic("ビットマップが無効です (" + why + ")"); }

// Bounds-checked little-endian reads of the input.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> d) : d_(d) {}
    std::size_t size() const { return d_.size(); }
    bool has(std::size_t at, std::size_t n) const { return at <= d_.size() && n <= d_.size() - at; }
    std::uint8_t u8(std::size_t at) const {
        if (!has(at, 1)) fail("データが途中で終わっています");
        return d_[at];
    }
    std::uint16_t u16(std::size_t at) const {
        if (!has(at, 2)) fail("ヘッダーが途中で終わっています");
        return static_cast<std::uint16_t>(d_[at] | (d_[at + 1] << 8));
    }
    std::uint32_t u32(std::size_t at) const {
        if (!has(at, 4)) fail("ヘッダーが途中で終わっています");
        return d_[at] | (d_[at + 1] << 8) | (d_[at + 2] << 16) | (static_cast<std::uint32_t>(d_[at + 3]) << 24);
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    const std::uint8_t* ptr(std::size_t at) const { return d_.data() + at; }

private:
    std::span<const std::uint8_t> d_;
};

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0;
    int bpp = 0;
    std::uint32_t compression = 0;
    std::uint32_t size_image = 0;
    std::uint32_t clr_used = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    bool core = false;
};

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;

Header read_header(const Reader& r) {
    Header h;
    h.size = r.u32(0);
    if (h.size == 12) {
        h.core = true;
        h.width = r.u16(4);
        h.height = r.u16(6);
        if (r.u16(8) != 1) fail("プレーン数が 1 ではありません");
        h.bpp = r.u16(10);
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) fail("色深度 " + std::to_string(h.bpp) + " には対応していません");
        return h;
    }
    if (h.size != 40 && h.size != 52 && h.size != 56 && h.size != 108 && h.size != 124)
        fail("ヘッダーの大きさ " + std::to_string(h.size) + " には対応していません");
    if (!r.has(0, h.size)) fail("ヘッダーが途中で終わっています");
    h.width = r.i32(4);
    h.height = r.i32(8);
    if (r.u16(12) != 1) fail("プレーン数が 1 ではありません");
    h.bpp = r.u16(14);
    h.compression = r.u32(16);
    h.size_image = r.u32(20);
    h.clr_used = r.u32(32);
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        fail("色深度 " + std::to_string(h.bpp) + " には対応していません");
    switch (h.compression) {
    case kRgb: break;
    case kRle8: if (h.bpp != 8) fail("RLE8 は 8 ビットのビットマップにしか使えません"); break;
    case kRle4: if (h.bpp != 4) fail("RLE4 は 4 ビットのビットマップにしか使えません"); break;
    case kBitfields: if (h.bpp != 16 && h.bpp != 32) fail("ビットフィールドは 16 か 32 ビットにしか使えません"); break;
    default: fail("圧縮形式 " + std::to_string(h.compression) + " には対応していません");
    }
    if ((h.compression == kRle8 || h.compression == kRle4) && h.height < 0) fail("上から下の RLE ビットマップはありえません");
    return h;
}

int mask_shift(std::uint32_t m) { return m ? std::countr_zero(m) : 0; }
int mask_width(std::uint32_t m) { return m ? std::popcount(m >> std::countr_zero(m)) : 0; }

// A channel of a bit-field pixel scaled to 8 bits.
std::uint32_t channel(std::uint32_t v, std::uint32_t m) {
    if (!m) return 0;
    int shift = mask_shift(m), width = mask_width(m);
    std::uint32_t c = (v & m) >> shift;
    if (width >= 8) return (c >> (width - 8)) & 0xFF;
    // Replicate the top bits into the low ones, as for 5-bit channels.
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        int s = 8 - filled - width;
        out |= s >= 0 ? (c << s) : (c >> -s);
        filled += width;
    }
    return out & 0xFF;
}

void decode_rle(const Reader& r, std::size_t at, std::size_t end, BitmapObject& b, bool four) {
    // x stays within 0 to width whatever the runs and deltas add up to:
    // pixels past the row's end are dropped (as the system drops them)
    // without being walked through.
    int x = 0, y = b.height - 1;  // bottom-up
    auto put = [&](std::uint32_t v) {
        if (y >= 0) gfx::raster::store_pixel(b, x, y, v);
        ++x;
    };
    auto fitting = [&](int n) { return std::min(n, b.width - x); };
    while (true) {
        if (at + 2 > end) fail("RLE データが途中で終わっています");
        std::uint8_t n = r.u8(at), c = r.u8(at + 1);
        at += 2;
        if (n > 0) {
            for (int i = 0, count = fitting(n); i < count; ++i) put(four ? ((i & 1) ? (c & 0x0F) : (c >> 4)) : c);
            continue;
        }
        if (c == 0) {  // end of line
            x = 0;
            --y;
        } else if (c == 1) {  // end of bitmap
            return;
        } else if (c == 2) {  // delta
            if (at + 2 > end) fail("RLE データが途中で終わっています");
            x = std::min(b.width, x + r.u8(at));
            y -= r.u8(at + 1);
            at += 2;
        } else {  // absolute run of c pixels, padded to a word
            std::size_t bytes = four ? (c + 1u) / 2u : c;
            if (at + bytes > end) fail("RLE データが途中で終わっています");
            for (int i = 0, count = fitting(c); i < count; ++i) {
                std::uint8_t byte = r.u8(at + (four ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i)));
                put(four ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
            }
            at += (bytes + 1) & ~std::size_t{1};
        }
        if (y < 0) return;  // past the top: nothing more can be drawn
    }
}

// bits_offset: where the pixels start in d, or npos for "right after the
// colour table".
win::HBITMAP read_dib(std::span<const std::uint8_t> d, std::size_t bits_offset) {
    Reader r(d);
    Header h = read_header(r);
    if (h.width <= 0) fail("幅が正しくありません");
    if (h.height == 0) fail("高さが 0 です");
    std::int64_t height = h.height < 0 ? -h.height : h.height;
    if (h.width > kMaxSide || height > kMaxSide || h.width * height > kMaxPixels)
        fail("大きさ " + std::to_string(h.width) + "x" + std::to_string(height) + " は大きすぎます");
    bool top_down = h.height < 0;

    std::size_t at = h.size;
    // Bit-field masks: inside a V2 and later header, else after it.
    if (h.compression == kBitfields) {
        std::size_t m = h.size >= 52 ? 40 : at;
        h.masks[0] = r.u32(m);
        h.masks[1] = r.u32(m + 4);
        h.masks[2] = r.u32(m + 8);
        if (h.size < 52) at += 12;
    } else if (h.bpp == 16) {
        h.masks[0] = 0x7C00; h.masks[1] = 0x03E0; h.masks[2] = 0x001F;
    } else if (h.bpp == 32 || h.bpp == 24) {
        h.masks[0] = 0xFF0000; h.masks[1] = 0xFF00; h.masks[2] = 0xFF;
    }

    std::size_t entry = h.core ? 3 : 4;
    std::size_t colors = 0;
    std::vector<RGBQUAD> palette;
    if (h.bpp <= 8) {
        std::size_t max = std::size_t{1} << h.bpp;
        colors = h.clr_used ? std::min<std::size_t>(h.clr_used, max) : max;
        if (!r.has(at, colors * entry)) fail("カラーテーブルが途中で終わっています");
        for (std::size_t i = 0; i < colors; ++i)
            palette.push_back(RGBQUAD{r.u8(at + i * entry), r.u8(at + i * entry + 1), r.u8(at + i * entry + 2), 0});
        at += colors * entry;
    } else if (h.clr_used) {
        // A colour table for palette devices; not needed, but it comes before the bits.
        if (h.clr_used > 256) fail("カラーテーブルが大きすぎます");
        at += std::size_t{h.clr_used} * entry;
    }
    if (bits_offset != std::size_t(-1)) {
        if (bits_offset < at) fail("ピクセルデータの位置がヘッダーと重なっています");
        at = bits_offset;
    }
    if (at > d.size()) fail("ピクセルデータの位置がファイルの外にあります");

    auto width = static_cast<int>(h.width);
    auto rows = static_cast<int>(height);
    bool rgb565 = false, to32 = false;
    int out_bpp = h.bpp;
    if (h.bpp == 16) {
        if (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F) rgb565 = false;
        else if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F) rgb565 = true;
        else to32 = true;
    } else if (h.bpp == 32 && !(h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF)) {
        to32 = true;
    }
    if (to32) out_bpp = 32;

    bool rle = h.compression == kRle8 || h.compression == kRle4;
    std::size_t stride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(h.bpp) + 31) / 32) * 4;
    // The pixels must be there before memory is taken for them; a small RLE
    // stream could otherwise ask for a huge picture.
    if (!rle && !r.has(at, stride * static_cast<std::size_t>(rows))) fail("ピクセルデータが途中で終わっています");
    if (rle && h.width * height > kMaxRlePixels) fail("RLE の画像が大きすぎます");

    auto bitmap = std::make_unique<BitmapObject>(width, rows, out_bpp);
    bitmap->dib = true;
    bitmap->rgb565 = rgb565;
    bitmap->palette = std::move(palette);

    if (rle) {
        std::size_t end = d.size();
        if (h.size_image) {
            if (!r.has(at, h.size_image)) fail("RLE データが途中で終わっています");
            end = at + h.size_image;
        }
        decode_rle(r, at, end, *bitmap, h.compression == kRle4);
        return bitmap.release();
    }

    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* src = r.ptr(at + stride * static_cast<std::size_t>(top_down ? y : rows - 1 - y));
        std::uint8_t* dst = bitmap->row(y);
        if (!to32) {
            std::memcpy(dst, src, std::min<std::size_t>(stride, static_cast<std::size_t>(bitmap->stride)));
            continue;
        }
        auto* out = reinterpret_cast<std::uint32_t*>(dst);
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = h.bpp == 16 ? static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                          : static_cast<std::uint32_t>(src[4 * x] | (src[4 * x + 1] << 8) | (src[4 * x + 2] << 16) |
                                                                       (static_cast<std::uint32_t>(src[4 * x + 3]) << 24));
            out[x] = (channel(v, h.masks[0]) << 16) | (channel(v, h.masks[1]) << 8) | channel(v, h.masks[2]);
        }
    }
    return bitmap.release();
}

void put16(std::vector<std::uint8_t>& o, std::size_t at, std::uint16_t v) {
    o[at] = static_cast<std::uint8_t>(v);
    o[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& o, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) o[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::uint32_t FileSizeFromHeader(std::span<const std::uint8_t> h) {
    if (h.size() < 14) fail("ファイルヘッダーが短すぎます");
    if (h[0] != 'B' || h[1] != 'M') fail("BM で始まっていません");
    return h[2] | (h[3] << 8) | (h[4] << 16) | (static_cast<std::uint32_t>(h[5]) << 24);
}

win::HBITMAP ReadFile(std::span<const std::uint8_t> file) {
    FileSizeFromHeader(file);
    Reader r(file);
    std::uint32_t off = r.u32(10);
    std::span<const std::uint8_t> dib = file.subspan(14);
    if (off == 0) return read_dib(dib, std::size_t(-1));
    if (off < 14) fail("ピクセルデータの位置がヘッダーと重なっています");
    return read_dib(dib, off - 14);
}

win::HBITMAP ReadPackedDib(std::span<const std::uint8_t> dib) { return read_dib(dib, std::size_t(-1)); }

std::vector<std::uint8_t> WriteFile(const win::BitmapObject& b) {
    int bpp = b.bpp;
    bool fields = bpp == 16 && b.rgb565;
    std::size_t colors = bpp <= 8 ? b.palette.size() : 0;
    std::size_t stride = static_cast<std::size_t>(b.stride);
    std::size_t image = stride * static_cast<std::size_t>(b.height);
    std::size_t offset = 14 + 40 + (fields ? 12 : 0) + colors * 4;
    std::vector<std::uint8_t> o(offset + image, 0);
    o[0] = 'B';
    o[1] = 'M';
    put32(o, 2, static_cast<std::uint32_t>(o.size()));
    put32(o, 10, static_cast<std::uint32_t>(offset));
    put32(o, 14, 40);
    put32(o, 18, static_cast<std::uint32_t>(b.width));
    put32(o, 22, static_cast<std::uint32_t>(b.height));
    put16(o, 26, 1);
    put16(o, 28, static_cast<std::uint16_t>(bpp));
    put32(o, 30, fields ? kBitfields : kRgb);
    put32(o, 34, static_cast<std::uint32_t>(image));
    std::size_t full = bpp <= 8 ? (std::size_t{1} << bpp) : 0;
    put32(o, 46, colors && colors != full ? static_cast<std::uint32_t>(colors) : 0);
    std::size_t at = 54;
    if (fields) {
        put32(o, at, 0xF800);
        put32(o, at + 4, 0x07E0);
        put32(o, at + 8, 0x001F);
        at += 12;
    }
    for (std::size_t i = 0; i < colors; ++i, at += 4) {
        o[at] = b.palette[i].rgbBlue;
        o[at + 1] = b.palette[i].rgbGreen;
        o[at + 2] = b.palette[i].rgbRed;
    }
    for (int y = 0; y < b.height; ++y)
        std::memcpy(o.data() + offset + stride * static_cast<std::size_t>(b.height - 1 - y), b.row(y), stride);
    return o;
}

}  // namespace bmp
