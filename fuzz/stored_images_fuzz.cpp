// The stored image data of form resources that the standard controls read
// themselves: an image list's "Bitmap" (count, strip, masks) when the first
// byte is even, a tray icon's "Icon.Data" when it is odd. Data a reader
// refuses must be refused with its exception and leave the object as it
// was; data it takes must store and read back to the same cells and bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/TrayIcon.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// What a list shows: every cell drawn masked on one colour, then disabled.
std::vector<std::uint32_t> Rendering(TImageList& list) {
    std::vector<std::uint32_t> pixels;
    if (list.Count() == 0) return pixels;
    TBitmap target(list.Width(), list.Height(), pf32bit);
    for (int i = 0; i < list.Count() && i < 4; ++i) {
        for (bool enabled : {true, false}) {
            target.Canvas()->Brush()->SetColor(clTeal);
            target.Canvas()->FillRect(Rect(0, 0, list.Width(), list.Height()));
            list.Draw(target.Canvas(), 0, 0, i, enabled);
            for (int y = 0; y < list.Height(); ++y) {
                const auto* row = static_cast<const std::uint32_t*>(target.ScanLine(y));
                pixels.insert(pixels.end(), row, row + list.Width());
            }
        }
    }
    return pixels;
}

void FuzzImageList(const std::uint8_t* data, std::size_t size) {
    TImageList list(nullptr);
    list.SetWidth(3);
    list.SetHeight(2);
    TBitmap one(3, 2, pf24bit);
    list.Add(&one, nullptr);
    TBytesStream in(data, size);
    try {
        list.ReadData(&in);
    } catch (const EReadError&) {
        check(list.Count() == 1 && list.Width() == 3 && list.Height() == 2);
        return;
    }
    TMemoryStream stored;
    list.WriteData(&stored);
    TImageList again(nullptr);  // the published properties come first, as in a form resource
    again.SetWidth(list.Width());
    again.SetHeight(list.Height());
    again.SetMasked(list.Masked());
    TBytesStream back(stored.Bytes.data(), stored.Bytes.size());
    again.ReadData(&back);  // our own data: any exception here is a fault
    check(again.Count() == list.Count() && again.Width() == list.Width() && again.Height() == list.Height());
    check(Rendering(again) == Rendering(list));
    TMemoryStream second;
    again.WriteData(&second);
    check(second.Bytes == stored.Bytes);
}

void FuzzIcon(const std::uint8_t* data, std::size_t size) {
    TIcon icon;
    const std::vector<std::uint8_t> before = {0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 32, 0, 1, 0, 0, 0, 22, 0, 0, 0, 7};
    icon.SetData(before);
    try {
        icon.SetData({data, size});
    } catch (const EInvalidGraphic&) {
        check(icon.Data() == before);
        return;
    }
    check(icon.Data().size() == size && (size == 0 || std::memcmp(icon.Data().data(), data, size) == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0) FuzzImageList(data + 1, size - 1);
    else FuzzIcon(data + 1, size - 1);
    return 0;
}
