// TBitmap::LoadFromStream on arbitrary bytes. A file it takes must save and
// load again to the same size, format, palette and pixels, and save to the
// same bytes a second time; a file it refuses must be refused with
// EInvalidGraphic (a read past the end of the input is caught by ASan).
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBitmap first;
    TBytesStream in(data, size);
    try {
        first.LoadFromStream(&in);
    } catch (const EInvalidGraphic&) {
        check(first.Empty());
        return 0;
    }
    check(!first.Empty());
    TMemoryStream saved;
    first.SaveToStream(&saved);
    saved.Position = 0;
    TBitmap second;
    second.LoadFromStream(&saved);  // our own file: any exception here is a fault
    check(saved.Position == saved.Size());
    check(second.Width() == first.Width() && second.Height() == first.Height());
    check(second.PixelFormat() == first.PixelFormat());
    check(second.Palette() == first.Palette());
    const win::BitmapObject& a = *first.Handle();
    const win::BitmapObject& b = *second.Handle();
    std::size_t bits = static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.bpp);
    for (int y = 0; y < a.height; ++y) {
        check(std::memcmp(a.row(y), b.row(y), bits / 8) == 0);
        if (bits % 8) {
            auto m = static_cast<std::uint8_t>(0xFF << (8 - bits % 8));
            check((a.row(y)[bits / 8] & m) == (b.row(y)[bits / 8] & m));
        }
    }
    TMemoryStream again;
    second.SaveToStream(&again);
    check(again.Bytes == saved.Bytes);
    return 0;
}
