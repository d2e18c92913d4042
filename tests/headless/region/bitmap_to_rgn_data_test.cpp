// BitmapToRgnData: the region data block of a bitmap's non-key pixels.
// Expected blocks are built from the pixels alone (row runs, identical
// neighbouring rows merged into one band, header written by hand), so the
// region sweep under test is not used to check itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/region/Region.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiObject.h"
#include "platform/graphics/Region.h"
#include "tests/headless/support/FailingAllocator.h"

namespace {

// ---------------------------------------------------------------- pictures
// One letter a pixel. 24-bit pictures colour each letter from kColors (B, G,
// R in memory); 8-bit pictures use the letter's index in kColors as the
// palette index, and palette entries 'C' and 'D' are the same colour, so
// only the index tells them apart.
struct Bgr {
    std::uint8_t b, g, r;
};
constexpr std::string_view kLetters = "ABCDEFGH";
constexpr Bgr kColors[] = {
    {0xDD, 0x88, 0x00},  // A: the frames' key colour (0, 136, 221)
    {0xFF, 0x80, 0x00},  // B: the key of Mallo's eighth frame
    {0x20, 0x40, 0x60},  // C
    {0x20, 0x40, 0x60},  // D: the same colour as C
    {0xDD, 0x88, 0x01},  // E: A with red + 1
    {0xDC, 0x88, 0x00},  // F: A with blue - 1
    {0x00, 0x00, 0x00},  // G: black
    {0xFF, 0xFF, 0xFF},  // H: white
};

int LetterIndex(char c) {
    auto i = kLetters.find(c);
    EXPECT_NE(i, std::string_view::npos) << "unknown letter " << c;
    return i == std::string_view::npos ? 0 : static_cast<int>(i);
}

std::unique_ptr<TBitmap> Picture(const std::vector<std::string>& rows, TPixelFormat format) {
    const int h = static_cast<int>(rows.size());
    const int w = h ? static_cast<int>(rows[0].size()) : 0;
    auto bmp = std::make_unique<TBitmap>(w, h, format);
    if (format == pf8bit) {
        std::vector<win::RGBQUAD> palette;
        for (const Bgr& c : kColors) palette.push_back({c.b, c.g, c.r, 0});
        bmp->SetPalette(palette);
    }
    for (int y = 0; y < h; ++y) {
        auto* line = static_cast<std::uint8_t*>(bmp->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            const int i = LetterIndex(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            if (format == pf8bit) {
                line[x] = static_cast<std::uint8_t>(i);
            } else {
                line[x * 3] = kColors[i].b;
                line[x * 3 + 1] = kColors[i].g;
                line[x * 3 + 2] = kColors[i].r;
            }
        }
    }
    return bmp;
}

// ---------------------------------------------------------------- the reference
struct R {
    std::int32_t l, t, r, b;
    bool operator==(const R&) const = default;
};

// The canonical rectangles of the non-key pixels: runs per row; a row whose
// runs equal the open band's extends it, anything else closes it.
std::vector<R> ExpectedRects(std::vector<std::string> rows, TPixelFormat format = pf8bit) {
    std::vector<R> out;
    if (rows.empty()) return out;
    // 24-bit pixels compare by colour: D is C's colour.
    if (format == pf24bit)
        for (std::string& row : rows)
            for (char& c : row)
                if (c == 'D') c = 'C';
    const char key = rows.back()[0];
    std::vector<std::pair<int, int>> band;
    int top = 0;
    auto close = [&](int bottom) {
        for (auto [l, r] : band) out.push_back({l, top, r, bottom});
        band.clear();
    };
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        const std::string& row = rows[static_cast<std::size_t>(y)];
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; x < static_cast<int>(row.size());) {
            if (row[static_cast<std::size_t>(x)] == key) { ++x; continue; }
            const int s = x;
            while (x < static_cast<int>(row.size()) && row[static_cast<std::size_t>(x)] != key) ++x;
            runs.emplace_back(s, x);
        }
        if (runs != band) {
            close(y);
            band = runs;
            top = y;
        }
    }
    close(static_cast<int>(rows.size()));
    return out;
}

std::vector<std::uint8_t> BlockOf(const std::vector<R>& rects) {
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    R bound{0, 0, 0, 0};
    if (!rects.empty()) {
        bound = rects[0];
        for (const R& r : rects) {
            bound.l = std::min(bound.l, r.l);
            bound.t = std::min(bound.t, r.t);
            bound.r = std::max(bound.r, r.r);
            bound.b = std::max(bound.b, r.b);
        }
    }
    put(32);
    put(1);
    put(static_cast<std::uint32_t>(rects.size()));
    put(static_cast<std::uint32_t>(16 * rects.size()));
    for (const R& r : {bound}) for (auto v : {r.l, r.t, r.r, r.b}) put(static_cast<std::uint32_t>(v));
    for (const R& r : rects) for (auto v : {r.l, r.t, r.r, r.b}) put(static_cast<std::uint32_t>(v));
    return out;
}

std::uint32_t U32(const std::vector<std::uint8_t>& block, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, block.data() + at, 4);
    return v;
}

// Runs the conversion; the block is copied out and released at once.
struct Converted {
    int length = 0;
    std::vector<std::uint8_t> block;
};
Converted Convert(TBitmap* bmp) {
    void* data = nullptr;
    Converted c;
    c.length = BitmapToRgnData(bmp, &data);
    EXPECT_NE(data, nullptr);
    if (data) {
        c.block.assign(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + c.length);
        FreeRgnData(data);
    }
    return c;
}

::testing::AssertionResult ConvertsTo(const std::vector<std::string>& rows, TPixelFormat format) {
    auto bmp = Picture(rows, format);
    Converted c = Convert(bmp.get());
    std::vector<std::uint8_t> expected = BlockOf(ExpectedRects(rows, format));
    if (c.length != static_cast<int>(c.block.size()))
        return ::testing::AssertionFailure() << "length " << c.length << " for a block of " << c.block.size();
    if (c.block != expected) {
        auto got = gfx::Region::from_data(c.block);
        auto r = ::testing::AssertionFailure() << "block differs: " << got.rects().size() << " rectangles, expected "
                                               << ExpectedRects(rows, format).size() << ":";
        for (const auto& q : got.rects()) r << " (" << q.left << "," << q.top << "," << q.right << "," << q.bottom << ")";
        return r;
    }
    return ::testing::AssertionSuccess();
}

class BitmapToRgnDataTest : public ::testing::Test {
protected:
    void SetUp() override { live_ = win::LiveGdiObjects(); }
    void TearDown() override { EXPECT_EQ(win::LiveGdiObjects(), live_) << "GDI objects leaked"; }
    long live_ = 0;
};

// ---------------------------------------------------------------- shapes
TEST_F(BitmapToRgnDataTest, ShapesGiveTheirCanonicalBlocks) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
    } cases[] = {
        {"all key: no rectangles", {"AAAA", "AAAA", "AAAA"}},
        {"a 1x1 key bitmap", {"A"}},
        {"one pixel", {"AAAAA", "AAACA", "AAAAA"}},
        {"two identical rows merge into one band", {"ACCAC", "ACCAC", "AAAAA"}},
        {"rows that differ stay apart", {"ACCAA", "ACCCA", "AAAAA"}},
        {"a keyless row ends a band", {"ACA", "AAA", "ACA", "AAA"}},
        {"runs touching both edges", {"CCACC", "CCCCC", "AAAAA"}},
        {"the key is the bottom-left pixel, not the majority", {"CCCC", "CACC", "ACCC"}},
        {"bottom-left pixel stays outside", {"CCCC", "CCCC", "ACCC"}},
        {"near-key colours count as opaque", {"EFAE", "AAAA"}},
        {"a single column", {"C", "C", "A", "C", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(ConvertsTo(c.rows, pf24bit));
        EXPECT_TRUE(ConvertsTo(c.rows, pf8bit));
    }
}

TEST_F(BitmapToRgnDataTest, AllKeyBitmapHasNoRectangles) {
    auto bmp = Picture({"AAA", "AAA"}, pf24bit);
    Converted c = Convert(bmp.get());
    ASSERT_EQ(c.length, 32);
    EXPECT_EQ(U32(c.block, 0), 32u);
    EXPECT_EQ(U32(c.block, 4), 1u);
    EXPECT_EQ(U32(c.block, 8), 0u);
}

TEST_F(BitmapToRgnDataTest, SinglePixelIsOneRectangleAndItsOwnBound) {
    auto bmp = Picture({"AAAAA", "AAAAA", "AAAGA", "AAAAA"}, pf24bit);
    Converted c = Convert(bmp.get());
    ASSERT_EQ(c.length, 48);
    EXPECT_EQ(U32(c.block, 8), 1u);
    EXPECT_EQ(U32(c.block, 12), 16u);
    for (std::size_t at : {16u, 32u}) {  // rcBound, then the rectangle
        SCOPED_TRACE(at);
        EXPECT_EQ(static_cast<std::int32_t>(U32(c.block, at)), 3);
        EXPECT_EQ(static_cast<std::int32_t>(U32(c.block, at + 4)), 2);
        EXPECT_EQ(static_cast<std::int32_t>(U32(c.block, at + 8)), 4);
        EXPECT_EQ(static_cast<std::int32_t>(U32(c.block, at + 12)), 3);
    }
}

TEST_F(BitmapToRgnDataTest, EachBitmapIsCutAgainstItsOwnKey) {
    // The same picture over two backgrounds: each keeps the other's colour.
    std::vector<std::string> a = {"BBAAB", "BAAAB", "AAAAA"};
    std::vector<std::string> b = {"BBAAB", "BAAAB", "BBBBB"};
    EXPECT_TRUE(ConvertsTo(a, pf24bit));
    EXPECT_TRUE(ConvertsTo(b, pf24bit));
    EXPECT_NE(ExpectedRects(a), ExpectedRects(b));
}

TEST_F(BitmapToRgnDataTest, EightBitKeyIsThePaletteIndexNotTheColour) {
    // C and D are one colour in two palette entries: against key D, C is opaque.
    std::vector<std::string> rows = {"CCDD", "DCCD", "DDDD"};
    auto bmp = Picture(rows, pf8bit);
    Converted c = Convert(bmp.get());
    EXPECT_EQ(c.block, BlockOf(ExpectedRects(rows)));
    EXPECT_EQ(U32(c.block, 8), 2u);
}

// ---------------------------------------------------------------- pixel formats
TEST_F(BitmapToRgnDataTest, NormalisesThePixelFormatOfTheBitmapItself) {
    struct Case {
        TPixelFormat in, out;
    } cases[] = {
        {pf1bit, pf8bit}, {pf4bit, pf8bit}, {pf8bit, pf8bit}, {pf15bit, pf24bit}, {pf16bit, pf24bit},
        {pf24bit, pf24bit}, {pf32bit, pf24bit}, {pfDevice, pf24bit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.in);
        TBitmap bmp(6, 4, c.in);
        // Black and white exist in every format, so the picture survives any conversion.
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(Rect(0, 0, 6, 4));
        bmp.Canvas()->SetPixels(1, 0, clBlack);
        bmp.Canvas()->SetPixels(2, 0, clBlack);
        bmp.Canvas()->SetPixels(4, 2, clBlack);
        ASSERT_EQ(bmp.PixelFormat(), c.in);
        Converted got = Convert(&bmp);
        EXPECT_EQ(bmp.PixelFormat(), c.out);
        EXPECT_EQ(bmp.Width(), 6);
        EXPECT_EQ(bmp.Height(), 4);
        EXPECT_EQ(got.block, BlockOf({{1, 0, 3, 1}, {4, 2, 5, 3}}));
    }
}

// ---------------------------------------------------------------- the run limit
// Row 0 holds `runs` one-pixel runs one key pixel apart, then `tail` key
// pixels; row 1 is all key.
std::vector<std::string> RunRow(int runs, int tail) {
    std::string row;
    for (int i = 0; i < runs; ++i) row += i ? "AC" : "C";
    row += std::string(static_cast<std::size_t>(tail), 'A');
    return {row, std::string(row.size(), 'A')};
}

TEST_F(BitmapToRgnDataTest, RunLimitOfAHundredPerRow) {
    struct Case {
        int runs, tail;
        bool converts;
    } cases[] = {
        {100, 0, true},  {100, 1, true},  {100, 40, true},
        {101, 0, true},  {101, 1, true},  {101, 2, false}, {101, 9, false},
        {102, 0, false}, {102, 1, false}, {150, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.runs << " runs, then " << c.tail << " key pixels");
        std::vector<std::string> rows = RunRow(c.runs, c.tail);
        for (TPixelFormat f : {pf8bit, pf24bit}) {
            auto bmp = Picture(rows, f);
            const long live = win::LiveGdiObjects();
            if (c.converts) {
                Converted got = Convert(bmp.get());
                EXPECT_EQ(U32(got.block, 8), static_cast<std::uint32_t>(c.runs));
                EXPECT_EQ(got.block, BlockOf(ExpectedRects(rows, f)));
            } else {
                void* data = reinterpret_cast<void*>(1);
                try {
                    BitmapToRgnData(bmp.get(), &data);
                    ADD_FAILURE() << "converted";
                } catch (const EInvalidGraphic& e) {
                    EXPECT_EQ(e.Message, "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
                }
                EXPECT_EQ(data, nullptr);
            }
            EXPECT_EQ(win::LiveGdiObjects(), live);
        }
    }
}

TEST_F(BitmapToRgnDataTest, RunLimitCountsEachRowAfresh) {
    // A hundred runs in every row of a tall picture is fine.
    std::vector<std::string> rows(50, RunRow(100, 0)[0]);
    rows.push_back(std::string(rows[0].size(), 'A'));
    EXPECT_TRUE(ConvertsTo(rows, pf24bit));
}

// ---------------------------------------------------------------- failures
TEST_F(BitmapToRgnDataTest, FailuresRaiseTheirClassAndLeaveNoBlock) {
    TBitmap empty;
    TBitmap zeroWidth;
    // CreateBitmap answers a zero size with a 1 x 1 bitmap, as GDI does;
    // only a bitmap object made by hand has no width or height.
    zeroWidth.SetHandle(new win::BitmapObject(0, 5, 24));
    TBitmap zeroHeight;
    zeroHeight.SetHandle(new win::BitmapObject(5, 0, 24));
    struct Case {
        const char* what;
        TBitmap* bitmap;
        const char* message;
    } cases[] = {
        {"null", nullptr, "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません"},
        {"empty", &empty, "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません"},
        {"width 0", &zeroWidth, "幅または高さが 0 です"},
        {"height 0", &zeroHeight, "幅または高さが 0 です"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bitmap && c.bitmap != &empty) {
            ASSERT_FALSE(c.bitmap->Empty());
        }
        const long live = win::LiveGdiObjects();
        void* data = reinterpret_cast<void*>(1);
        try {
            BitmapToRgnData(c.bitmap, &data);
            ADD_FAILURE() << "converted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(win::LiveGdiObjects(), live);
    }
}

// Out of memory anywhere in a conversion (the format change, a rectangle,
// a union, the block) is the conversion's memory error, never a block that
// lacks some runs; and nothing is left allocated.
TEST_F(BitmapToRgnDataTest, EveryFailedAllocationRaisesAndLeavesNoBlock) {
    std::mt19937 rng(7);
    std::vector<std::string> rows;
    for (int y = 0; y < 30; ++y) {
        std::string row;
        for (int x = 0; x < 40; ++x) row += rng() % 3 ? 'A' : kLetters[1 + rng() % 4];
        rows.push_back(row);
    }
    rows.back()[0] = 'A';
    const std::vector<std::uint8_t> expected = BlockOf(ExpectedRects(rows, pf24bit));
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        SCOPED_TRACE(::testing::Message() << "format " << format);
        std::unique_ptr<TBitmap> bmp;
        void* data = nullptr;
        int length = 0;
        std::string error;
        long live = 0;
        long runs = failing_allocator::FailEachAllocation(
            [&] {
                if (data && data != reinterpret_cast<void*>(1)) FreeRgnData(data);  // the last run's, unchecked
                bmp = Picture(rows, pf24bit);
                if (format != pf24bit) bmp->SetPixelFormat(format);
                data = reinterpret_cast<void*>(1);
                error.clear();
                live = win::LiveGdiObjects();
            },
            [&] {
                try {
                    length = BitmapToRgnData(bmp.get(), &data);
                } catch (const Exception& e) {
                    error = e.Message;
                    throw;
                }
            },
            [&](long n, bool threw) {
                SCOPED_TRACE(::testing::Message() << "allocation " << n << " failed");
                EXPECT_EQ(win::LiveGdiObjects(), live);
                if (threw) {
                    EXPECT_EQ(error, "ﾒﾓﾘ獲得に失敗しました");
                    EXPECT_EQ(data, nullptr);
                } else {
                    ASSERT_NE(data, nullptr);
                    std::vector<std::uint8_t> got(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + length);
                    FreeRgnData(data);
                    data = nullptr;
                    EXPECT_EQ(got, expected) << "a failure that was not reported";
                }
            });
        if (data && data != reinterpret_cast<void*>(1)) FreeRgnData(data);
        EXPECT_GT(runs, 100) << "a conversion of this size allocates for every run";
    }
}

TEST_F(BitmapToRgnDataTest, CountsTheRowsItScans) {
    auto bmp = Picture({"AC", "CA", "AA"}, pf24bit);
    const long before = RgnScannedRows();
    Convert(bmp.get());
    EXPECT_EQ(RgnScannedRows(), before + 3);
}

// ---------------------------------------------------------------- random pictures
// Random pictures against the reference, with invariants of every block:
// header values, length, bound, canonical order, and exact pixel membership.
TEST_F(BitmapToRgnDataTest, RandomPicturesMatchTheReference) {
    std::mt19937 rng(20240611);
    for (int n = 0; n < 400; ++n) {
        const int w = 1 + static_cast<int>(rng() % 64);
        const int h = 1 + static_cast<int>(rng() % 40);
        // A few colours, weighted towards the key so that shapes have holes,
        // and rows copied from the one above so that bands merge.
        const int colours = 2 + static_cast<int>(rng() % 6);
        std::vector<std::string> rows;
        for (int y = 0; y < h; ++y) {
            if (y > 0 && rng() % 3 == 0) {
                rows.push_back(rows.back());
                continue;
            }
            std::string row;
            for (int x = 0; x < w; ++x) row += rng() % 2 ? 'A' : kLetters[1 + rng() % static_cast<unsigned>(colours)];
            rows.push_back(row);
        }
        rows.back()[0] = kLetters[rng() % 3];  // the key: A, B or C
        const TPixelFormat format = n % 2 ? pf8bit : pf24bit;
        SCOPED_TRACE(::testing::Message() << "picture " << n << ": " << w << "x" << h << ", format " << format);

        auto bmp = Picture(rows, format);
        Converted c = Convert(bmp.get());
        ASSERT_EQ(c.block, BlockOf(ExpectedRects(rows, format)));

        const std::uint32_t count = U32(c.block, 8);
        EXPECT_EQ(c.length, static_cast<int>(32 + 16 * count));
        EXPECT_EQ(U32(c.block, 12), 16 * count);
        gfx::Region region = gfx::Region::from_data(c.block);
        EXPECT_TRUE(gfx::Region::is_canonical(region.rects()));
        // A pixel is inside exactly when it differs from the key: by palette
        // index at 8 bits, by colour at 24.
        auto value = [&](int x, int y) {
            const int i = LetterIndex(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            const Bgr& c = kColors[i];
            return format == pf8bit ? i : c.b | c.g << 8 | c.r << 16;
        };
        const int key = value(0, h - 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(region.contains(x, y), value(x, y) != key) << "pixel " << x << "," << y;
    }
}

}  // namespace
