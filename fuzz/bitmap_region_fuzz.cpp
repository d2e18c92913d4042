// BitmapToRgnData on arbitrary bitmaps: any BMP the reader takes (RLE, bit
// fields, short palettes, odd sizes, every depth) is converted. A block it
// returns must be canonical and hold exactly the pixels that differ from
// the key (the bottom-left pixel's raw value in the normalised bitmap); a
// conversion it refuses must raise the run limit's EInvalidGraphic and
// leave no block. Sanitizers catch reads and writes outside the pixels.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "controls/region/Region.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Region.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBitmap bitmap;
    TBytesStream in(data, size);
    try {
        bitmap.LoadFromStream(&in);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    // Large pictures say nothing small ones do not, and slow the search.
    if (static_cast<long>(bitmap.Width()) * bitmap.Height() > 64 * 64) return 0;

    void* block = reinterpret_cast<void*>(1);
    int length = 0;
    try {
        length = BitmapToRgnData(&bitmap, &block);
    } catch (const EInvalidGraphic& e) {
        check(block == nullptr);
        check(e.Message == "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
        return 0;
    }
    check(block != nullptr && length >= 32);
    const std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(block), static_cast<std::uint8_t*>(block) + length);
    FreeRgnData(block);

    const TPixelFormat format = bitmap.PixelFormat();
    check(format == pf8bit || format == pf24bit);
    const std::size_t bpp = format == pf8bit ? 1 : 3;
    const int w = bitmap.Width(), h = bitmap.Height();
    const gfx::Region region = gfx::Region::from_data(bytes);
    check(gfx::Region::is_canonical(region.rects()));
    check(region.data_size() == bytes.size());
    for (const auto& r : region.rects()) check(r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h);
    std::uint8_t key[3] = {};
    std::memcpy(key, bitmap.ScanLine(h - 1), bpp);
    for (int y = 0; y < h; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bitmap.ScanLine(y));
        for (int x = 0; x < w; ++x) check(region.contains(x, y) == (std::memcmp(row + x * bpp, key, bpp) != 0));
    }
    return 0;
}
