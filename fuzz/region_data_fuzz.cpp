// ExtCreateRegion on arbitrary bytes, under a few transforms. Whatever it
// builds must write back a canonical block, which rebuilds to the same bytes;
// whatever it refuses, Region::from_data must refuse with EConvertError.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Region.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

std::uint32_t u32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A block as GetRegionData writes it: header fields consistent, rectangles
// canonical, rcBound their bounding box, or all zero when there are none.
void check_canonical(const std::vector<std::uint8_t>& b) {
    check(b.size() >= 32 && (b.size() - 32) % 16 == 0);
    const std::uint32_t n = u32(b.data() + 8);
    check(u32(b.data()) == 32 && u32(b.data() + 4) == 1 && b.size() == 32 + 16u * n && u32(b.data() + 12) == 16u * n);
    std::vector<gfx::Rect> rects(n);
    if (n) std::memcpy(rects.data(), b.data() + 32, 16u * n);
    check(gfx::Region::is_canonical(rects));
    gfx::Rect bound;
    std::memcpy(&bound, b.data() + 16, 16);
    gfx::Rect want{};
    if (n) {
        want = gfx::Rect{rects[0].left, rects[0].top, rects[0].right, rects[n - 1].bottom};
        for (const gfx::Rect& r : rects) {
            want.left = r.left < want.left ? r.left : want.left;
            want.right = r.right > want.right ? r.right : want.right;
        }
    }
    check(bound == want);
}

std::vector<std::uint8_t> bytes_of(win::HRGN h) {
    std::vector<std::uint8_t> v(win::GetRegionData(h, 0, nullptr));
    check(win::GetRegionData(h, static_cast<win::DWORD>(v.size()), v.data()) == v.size());
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const win::XFORM transforms[] = {
        {1, 0, 0, 1, 0, 0},
        {2, 0, 0, 2, -3, 5},
        {0.5f, 0, 0, 1.5f, 0.5f, -0.5f},
        {-1, 0, 0, -1, 0, 0},
        {1.0f / 3, 0, 0, 1e9f, 0, 0},  // y overflows 32 bits for most inputs
    };
    const long live = win::LiveGdiObjects();
    const win::DWORD n = static_cast<win::DWORD>(size);
    for (int k = -1; k < static_cast<int>(sizeof transforms / sizeof transforms[0]); ++k) {
        const win::XFORM* xf = k < 0 ? nullptr : &transforms[k];
        win::HRGN h = win::ExtCreateRegion(xf, n, data);

        bool parsed = true;
        try {
            const gfx::RegionTransform t{xf ? xf->eM11 : 1, xf ? xf->eM22 : 1, xf ? xf->eDx : 0, xf ? xf->eDy : 0};
            (void)gfx::Region::from_data({data, size}, xf ? &t : nullptr);
        } catch (const EConvertError&) {
            parsed = false;
        }
        check(parsed == (h != nullptr));
        if (!h) continue;

        const std::vector<std::uint8_t> block = bytes_of(h);
        check_canonical(block);
        win::HRGN again = win::ExtCreateRegion(nullptr, static_cast<win::DWORD>(block.size()), block.data());
        check(again && win::EqualRgn(h, again) && bytes_of(again) == block);
        win::DeleteObject(again);
        win::DeleteObject(h);
    }
    check(win::LiveGdiObjects() == live);
    return 0;
}
