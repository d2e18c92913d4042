// BitmapToRgnData against the real gdi32: the conversion's own route (one
// CreateRectRgn per run, united with CombineRgn, read with GetRegionData)
// run on the real functions gives byte for byte the block our conversion
// gives, and the real ExtCreateRegion accepts every block we write.
#include "controls/region/Region.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/core/FormResource.h"
#include "platform/graphics/Bitmap.h"

#include <windows.h>

namespace {

struct DeleteReal {
    void operator()(HRGN h) const { ::DeleteObject(h); }
};
using Real = std::unique_ptr<std::remove_pointer_t<HRGN>, DeleteReal>;

std::vector<std::uint8_t> RealBytes(HRGN h) {
    std::vector<std::uint8_t> v(::GetRegionData(h, 0, nullptr));
    EXPECT_NE(::GetRegionData(h, static_cast<DWORD>(v.size()), reinterpret_cast<RGNDATA*>(v.data())), 0u);
    return v;
}

// The conversion's route on the real gdi32, reading the same pixels: runs
// of pixels that differ from the bottom-left one, row by row.
std::vector<std::uint8_t> RealRoute(TBitmap* bmp) {
    const int w = bmp->Width(), h = bmp->Height();
    const std::size_t bytes = bmp->PixelFormat() == pf8bit ? 1 : 3;
    std::uint8_t key[3] = {};
    std::memcpy(key, bmp->ScanLine(h - 1), bytes);
    Real acc(::CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < h; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bmp->ScanLine(y));
        auto isKey = [&](int x) { return std::memcmp(row + static_cast<std::size_t>(x) * bytes, key, bytes) == 0; };
        for (int x = 0; x < w;) {
            while (x < w && isKey(x)) ++x;
            const int s = x;
            while (x < w && !isKey(x)) ++x;
            if (x > s) {
                Real run(::CreateRectRgn(s, y, x, y + 1));
                ::CombineRgn(acc.get(), acc.get(), run.get(), RGN_OR);
            }
        }
    }
    return RealBytes(acc.get());
}

std::vector<std::uint8_t> Ours(TBitmap* bmp) {
    void* data = nullptr;
    const int n = BitmapToRgnData(bmp, &data);
    std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + n);
    FreeRgnData(data);
    return out;
}

std::string Dump(const std::vector<std::uint8_t>& b) {
    std::string s;
    for (std::size_t i = 8; i + 16 <= b.size(); i += 16) {
        std::int32_t r[4];
        std::memcpy(r, b.data() + i, 16);
        s += " (" + std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," + std::to_string(r[3]) + ")";
    }
    return s;
}

::testing::AssertionResult SameAsGdi(TBitmap* bmp) {
    const std::vector<std::uint8_t> real = RealRoute(bmp);
    const std::vector<std::uint8_t> ours = Ours(bmp);
    if (ours != real) return ::testing::AssertionFailure() << "ours" << Dump(ours) << "\nreal" << Dump(real);
    return ::testing::AssertionSuccess();
}

// The real ExtCreateRegion takes the block, plain and scaled, and makes the
// region the route made.
::testing::AssertionResult GdiAccepts(const std::vector<std::uint8_t>& block, TBitmap* bmp) {
    std::vector<DWORD> aligned((block.size() + 3) / 4);
    std::memcpy(aligned.data(), block.data(), block.size());
    const auto* data = reinterpret_cast<const RGNDATA*>(aligned.data());
    Real plain(::ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data));
    if (!plain) return ::testing::AssertionFailure() << "ExtCreateRegion refused the block";
    if (RealBytes(plain.get()) != block) return ::testing::AssertionFailure() << "rebuilt differently";
    XFORM xf{2, 0, 0, 2, 5, 7};
    Real scaled(::ExtCreateRegion(&xf, static_cast<DWORD>(block.size()), data));
    if (!scaled) return ::testing::AssertionFailure() << "ExtCreateRegion refused the block with a transform";
    // The scaled region holds (2x + 5, 2y + 7) exactly for the opaque pixels.
    for (int y = 0; y < bmp->Height(); ++y)
        for (int x = 0; x < bmp->Width(); ++x) {
            const bool in = ::PtInRegion(plain.get(), x, y) != 0;
            if ((::PtInRegion(scaled.get(), 2 * x + 5, 2 * y + 7) != 0) != in ||
                (::PtInRegion(scaled.get(), 2 * x + 6, 2 * y + 8) != 0) != in)
                return ::testing::AssertionFailure() << "scaled region differs at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

std::unique_ptr<TBitmap> RandomBitmap(std::mt19937& rng, TPixelFormat format) {
    const int w = 1 + static_cast<int>(rng() % 64);
    const int h = 1 + static_cast<int>(rng() % 40);
    auto bmp = std::make_unique<TBitmap>(w, h, format);
    const int bytes = format == pf8bit ? 1 : 3;
    // A few pixel values, one of them the key, so that runs and holes form;
    // some rows repeat the one above so that bands merge.
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 4; ++i) values.push_back(rng() & (format == pf8bit ? 0xFFu : 0xFFFFFFu));
    values.push_back(values[0] ^ 1);  // differs from the first value in one bit
    const std::uint32_t key = values[rng() % values.size()];
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(bmp->ScanLine(y));
        if (y > 0 && rng() % 3 == 0) {
            std::memcpy(row, bmp->ScanLine(y - 1), static_cast<std::size_t>(w * bytes));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = rng() % 2 ? key : values[rng() % values.size()];
            for (int b = 0; b < bytes; ++b) row[x * bytes + b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
    }
    auto* last = static_cast<std::uint8_t*>(bmp->ScanLine(h - 1));
    for (int b = 0; b < bytes; ++b) last[b] = static_cast<std::uint8_t>(key >> (8 * b));
    return bmp;
}

TEST(RegionUnitWine, RandomBitmapsGiveTheBlocksOfTheRealGdi) {
    std::mt19937 rng(4242);
    for (int n = 0; n < 300; ++n) {
        const TPixelFormat format = n % 2 ? pf8bit : pf24bit;
        auto bmp = RandomBitmap(rng, format);
        SCOPED_TRACE(::testing::Message() << "bitmap " << n << ": " << bmp->Width() << "x" << bmp->Height() << ", "
                                          << (format == pf8bit ? 8 : 24) << " bits");
        ASSERT_TRUE(SameAsGdi(bmp.get()));
        ASSERT_TRUE(GdiAccepts(Ours(bmp.get()), bmp.get()));
    }
}

TEST(RegionUnitWine, EdgeShapesGiveTheBlocksOfTheRealGdi) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;  // '.' the key, anything else opaque
    } cases[] = {
        {"nothing opaque", {"....", "...."}},
        {"one pixel", {"...", ".x.", "..."}},
        {"two equal rows", {"x.xx", "x.xx", "...."}},
        {"full width runs", {"xxxx", "xxxx", ".xxx"}},
        {"a hundred runs", {std::string(199, 'x'), std::string(199, '.')}},
    };
    for (std::string& row : cases[4].rows)
        for (std::size_t i = 1; i < row.size(); i += 2) row[i] = '.';
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int w = static_cast<int>(c.rows[0].size()), h = static_cast<int>(c.rows.size());
        TBitmap bmp(w, h, pf24bit);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bmp.Canvas()->SetPixels(x, y, c.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '.' ? 0xDD8800 : 0x0000FF);
        EXPECT_TRUE(SameAsGdi(&bmp));
        EXPECT_TRUE(GdiAccepts(Ours(&bmp), &bmp));
    }
}

// The frames stored with the character windows: their blocks are what the
// real gdi32 makes of their stored pictures.
TEST(RegionUnitWine, StoredFramesHoldTheBlocksOfTheRealGdi) {
    const char* forms[] = {"TForm1", "TForm2", "TForm3", "TForm4"};
    int frames = 0;
    for (const char* name : forms) {
        SCOPED_TRACE(name);
        HRSRC info = ::FindResourceA(nullptr, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
        ASSERT_NE(info, nullptr);
        HGLOBAL res = ::LoadResource(nullptr, info);
        const char* text = static_cast<const char*>(::LockResource(res));
        FormNode tree = ParseFormText(std::string_view(text, ::SizeofResource(nullptr, info)), name);
        for (const FormNode& node : tree.children) {
            if (node.className != "TRgn") continue;
            SCOPED_TRACE(node.name);
            const std::vector<std::uint8_t>* picture = nullptr;
            const std::vector<std::uint8_t>* block = nullptr;
            for (const FormProperty& p : node.properties) {
                if (p.path == "RgnBitmap.Data") picture = &p.value.bytes;
                if (p.path == "RgnData") block = &p.value.bytes;
            }
            ASSERT_TRUE(picture && block);
            TMemoryStream file(std::vector<std::uint8_t>(picture->begin() + 4, picture->end()));
            TBitmap bmp;
            bmp.LoadFromStream(&file);
            EXPECT_EQ(RealRoute(&bmp), *block);
            EXPECT_TRUE(GdiAccepts(*block, &bmp));
            ++frames;
        }
    }
    EXPECT_EQ(frames, 48);
}

}  // namespace
