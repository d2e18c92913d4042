// The BMP reader and writer: every format round trip, the header kinds,
// compressions and row orders the reader takes, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Bmp.h"

using namespace win;

namespace {

class BmpTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LiveGdiObjects(), live_) << "GDI objects leaked"; }
    long live_ = LiveGdiObjects();
};

// Little-endian bytes of a file under construction.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); return *this; }
    Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(std::initializer_list<int> v) {
        for (int x : v) u8(static_cast<unsigned>(x));
        return *this;
    }
    Bytes& zeros(std::size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
};

// A BMP with a BITMAPINFOHEADER (or another header size, padded with
// zeros); bfOffBits right after the colour table unless given.
struct Info {
    std::uint32_t header = 40;
    std::int32_t width = 1, height = 1;
    unsigned planes = 1, bpp = 24;
    std::uint32_t compression = 0, size_image = 0, clr_used = 0;
    std::vector<std::uint32_t> masks;       // in the header (V4/V5) or after it
    std::vector<std::uint32_t> colours;     // 0x00RRGGBB
    std::vector<std::uint8_t> bits;
    std::int64_t off_bits = -1;             // -1: computed
    std::int64_t file_size = -1;            // -1: computed
};

std::vector<std::uint8_t> Build(const Info& i) {
    Bytes dib;
    dib.u32(i.header).u32(static_cast<std::uint32_t>(i.width)).u32(static_cast<std::uint32_t>(i.height)).u16(i.planes).u16(i.bpp);
    dib.u32(i.compression).u32(i.size_image).u32(0).u32(0).u32(i.clr_used).u32(0);
    bool inside = i.header >= 52;
    if (inside)
        for (std::uint32_t m : i.masks) dib.u32(m);
    if (dib.b.size() < i.header) dib.zeros(i.header - dib.b.size());
    if (!inside)
        for (std::uint32_t m : i.masks) dib.u32(m);
    for (std::uint32_t c : i.colours) dib.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8((c >> 16) & 0xFF).u8(0);
    std::size_t off = 14 + dib.b.size();
    Bytes f;
    std::size_t total = off + i.bits.size();
    f.raw({'B', 'M'}).u32(static_cast<std::uint32_t>(i.file_size >= 0 ? i.file_size : static_cast<std::int64_t>(total))).u32(0);
    f.u32(static_cast<std::uint32_t>(i.off_bits >= 0 ? i.off_bits : static_cast<std::int64_t>(off)));
    f.b.insert(f.b.end(), dib.b.begin(), dib.b.end());
    f.b.insert(f.b.end(), i.bits.begin(), i.bits.end());
    return f.b;
}

// The bitmap read from the bytes, owned by the caller's guard.
struct Read {
    explicit Read(const std::vector<std::uint8_t>& file) : b(bmp::ReadFile(file)) {}
    ~Read() { DeleteObject(b); }
    COLORREF at(int x, int y) const {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP old = SelectObject(dc, b);
        COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    }
    HBITMAP b;
};

TEST_F(BmpTest, ReadsEveryHeaderKindCompressionAndRowOrder) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        int width, height, bpp;
        std::vector<COLORREF> pixels;  // row by row from the top
    };
    std::vector<Case> cases;
    {
        Info i;  // 24 bits, 2x2, bottom-up: the last row in the file is the top
        i.width = 2, i.height = 2;
        i.bits = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0, /* bottom: red, green */ 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0 /* top: blue, white */};
        cases.push_back({"24 bottom-up", Build(i), 2, 2, 24, {RGB(0, 0, 255), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0)}});
        i.height = -2;
        cases.push_back({"24 top-down", Build(i), 2, 2, 24, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)}});
    }
    {
        Info i;  // 8 bits with three colours
        i.bpp = 8, i.width = 3, i.clr_used = 3;
        i.colours = {0x112233, 0x445566, 0x778899};
        i.bits = {2, 0, 1, 0};
        cases.push_back({"8 with biClrUsed", Build(i), 3, 1, 8, {RGB(0x77, 0x88, 0x99), RGB(0x11, 0x22, 0x33), RGB(0x44, 0x55, 0x66)}});
    }
    {
        Info i;  // 4 bits, 1 bit: high nibble / high bit first
        i.bpp = 4, i.width = 3;
        for (int k = 0; k < 16; ++k) i.colours.push_back(static_cast<std::uint32_t>(k * 0x111111));
        i.bits = {0x1F, 0x80, 0, 0};
        cases.push_back({"4", Build(i), 3, 1, 4, {0x111111, 0xFFFFFF, 0x888888}});
        Info m;
        m.bpp = 1, m.width = 10;
        m.colours = {0x0000FF, 0x00FF00};  // index 0 blue (as 0x00RRGGBB), 1 green
        m.bits = {0xA0, 0x40, 0, 0};
        cases.push_back({"1", Build(m), 10, 1, 1,
                         {RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 0, 255),
                          RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 255, 0)}});
    }
    {
        Info i;  // 16 bits 5-5-5 and 5-6-5
        i.bpp = 16, i.width = 2;
        i.bits = {0x00, 0x7C, 0x1F, 0x00};  // red, blue
        cases.push_back({"16 555", Build(i), 2, 1, 16, {RGB(255, 0, 0), RGB(0, 0, 255)}});
        i.compression = 3, i.masks = {0xF800, 0x07E0, 0x001F};
        i.bits = {0xE0, 0x07, 0x00, 0xF8};  // green, red
        cases.push_back({"16 565 bit fields", Build(i), 2, 1, 16, {RGB(0, 255, 0), RGB(255, 0, 0)}});
        i.masks = {0x0F00, 0x00F0, 0x000F};  // 4-4-4: becomes 32 bits
        i.bits = {0x0F, 0x0F, 0xF0, 0x00};
        cases.push_back({"16 444 bit fields", Build(i), 2, 1, 32, {RGB(255, 0, 255), RGB(0, 255, 0)}});
    }
    {
        Info i;  // 32 bits: plain, bit fields after a V3 header, inside V4 and V5 headers
        i.bpp = 32, i.width = 1;
        i.bits = {0x30, 0x20, 0x10, 0x00};
        cases.push_back({"32", Build(i), 1, 1, 32, {RGB(0x10, 0x20, 0x30)}});
        i.compression = 3, i.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // R G B reversed
        cases.push_back({"32 bit fields", Build(i), 1, 1, 32, {RGB(0x30, 0x20, 0x10)}});
        i.header = 108;
        i.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
        i.bits = {0x00, 0x30, 0x20, 0x10};
        cases.push_back({"32 V4", Build(i), 1, 1, 32, {RGB(0x10, 0x20, 0x30)}});
        i.header = 124;
        cases.push_back({"32 V5", Build(i), 1, 1, 32, {RGB(0x10, 0x20, 0x30)}});
    }
    {
        // OS/2 core header: 16-bit sizes, 3-byte colour entries.
        Bytes f;
        f.raw({'B', 'M'}).u32(14 + 12 + 6 + 4).u32(0).u32(14 + 12 + 6);
        f.u32(12).u16(2).u16(1).u16(1).u16(1);
        f.raw({0, 0, 0, 0xFF, 0xFF, 0xFF});
        f.raw({0x40, 0, 0, 0});
        cases.push_back({"core", f.b, 2, 1, 1, {RGB(0, 0, 0), RGB(255, 255, 255)}});
    }
    {
        Info i;  // a gap between the colour table and the bits
        i.bpp = 8, i.width = 1, i.clr_used = 2;
        i.colours = {0xFF0000, 0x00FF00};
        i.bits = {9, 9, 9, 9, 1, 0, 0, 0};
        i.off_bits = 14 + 40 + 8 + 4;
        cases.push_back({"gap before the bits", Build(i), 1, 1, 8, {RGB(0, 255, 0)}});
    }
    {
        Info i;  // RLE8: runs, end of line, a delta, an absolute run, end of bitmap
        i.bpp = 8, i.width = 5, i.height = 3, i.compression = 1, i.clr_used = 4;
        i.colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
        i.bits = {3, 1, 1, 2, 1, 3, 0, 0,   // bottom row: 1 1 1 2 3
                  0, 2, 2, 0, 1, 3, 0, 0,   // middle row: skip 2, then 3
                  0, 3, 1, 2, 3, 0, 0, 1};  // top row: absolute 1 2 3 (padded); end
        const COLORREF R = RGB(255, 0, 0), G = RGB(0, 255, 0), B = RGB(0, 0, 255);
        cases.push_back({"RLE8", Build(i), 5, 3, 8, {R, G, B, 0, 0, 0, 0, B, 0, 0, R, R, R, G, B}});
        Info f;  // RLE4: a run alternating two nibbles, an absolute run of three
        f.bpp = 4, f.width = 7, f.compression = 2, f.clr_used = 3;
        f.colours = {0x000000, 0xFF0000, 0x00FF00};
        f.bits = {4, 0x12, 0, 3, 0x21, 0x00, 0, 1};
        cases.push_back({"RLE4", Build(f), 7, 1, 4, {R, G, R, G, G, R, 0}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Read r(c.file);
        ASSERT_EQ(r.b->width, c.width);
        ASSERT_EQ(r.b->height, c.height);
        EXPECT_EQ(r.b->bpp, c.bpp);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(r.at(x, y), c.pixels[static_cast<std::size_t>(y * c.width + x)]) << x << "," << y;
    }
}

// Runs and deltas that reach past the row's end draw nothing there, however
// far they reach: the column may not wrap round into the picture (or out of
// it) after two billion pixels.
TEST_F(BmpTest, RlePixelsPastTheRowEndAreDropped) {
    const COLORREF R = RGB(255, 0, 0), G = RGB(0, 255, 0), B = RGB(0, 0, 255);
    Info small;
    small.bpp = 8, small.width = 3, small.height = 2, small.compression = 1, small.clr_used = 4;
    small.colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    small.bits = {5, 1, 0, 2, 250, 0, 2, 2, 0, 0,  // bottom row: a run of 5, a delta far right, a run: 1 1 1
                  0, 4, 2, 3, 1, 2, 0, 1};         // top row: absolute 2 3 1 2 (one too many); end
    Info huge = small;  // 1 x 1, then 2^31 + 127 pixels of runs to the right of it
    huge.width = 1, huge.height = 1;
    const std::size_t runs = 8421505;
    huge.bits.assign(2 + 2 * runs + 4, 255);
    huge.bits[1] = 1;
    for (std::size_t i = 0; i < runs; ++i) huge.bits[3 + 2 * i] = 2;
    const std::uint8_t end[] = {1, 3, 0, 1};
    std::copy(std::begin(end), std::end(end), huge.bits.end() - 4);
    struct Case {
        const char* name;
        Info info;
        std::vector<COLORREF> pixels;  // top row first
    } cases[] = {
        {"runs, a delta and an absolute run past the end", small, {G, B, R, R, R, R}},
        {"two billion pixels of runs", huge, {R}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Read r(Build(c.info));
        ASSERT_EQ(r.b->width, c.info.width);
        for (int y = 0; y < c.info.height; ++y)
            for (int x = 0; x < c.info.width; ++x)
                EXPECT_EQ(r.at(x, y), c.pixels[static_cast<std::size_t>(y * c.info.width + x)]) << x << "," << y;
    }
}

TEST_F(BmpTest, DamagedFilesRaiseInvalidGraphic) {
    Info good;
    good.width = 2, good.height = 2, good.bpp = 8, good.clr_used = 2;
    good.colours = {0, 0xFFFFFF};
    good.bits = std::vector<std::uint8_t>(8, 1);
    auto with = [&](auto change) {
        Info i = good;
        change(i);
        return Build(i);
    };
    auto cut = [](std::vector<std::uint8_t> f, std::size_t n) {
        f.resize(f.size() - n);
        return f;
    };
    std::vector<std::uint8_t> no_eob = Build([&] {
        Info i = good;
        i.compression = 1;
        i.bits = {2, 1, 0, 0, 2, 1};  // two lines, no end of bitmap
        return i;
    }());
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        const char* says;  // a part of the message
    } cases[] = {
        {"empty", {}, "短すぎ"},
        {"13 bytes", cut(Build(good), Build(good).size() - 13), "短すぎ"},
        {"not BM", [&] { auto f = Build(good); f[1] = 'N'; return f; }(), "BM"},
        {"header cut", cut(Build(good), Build(good).size() - 30), "ヘッダー"},
        {"header size 20", with([](Info& i) { i.header = 20; }), "ヘッダーの大きさ"},
        {"width 0", with([](Info& i) { i.width = 0; }), "幅"},
        {"width negative", with([](Info& i) { i.width = -2; }), "幅"},
        {"height 0", with([](Info& i) { i.height = 0; }), "高さ"},
        {"width too large", with([](Info& i) { i.width = 40000; }), "大きすぎ"},
        {"too many pixels", with([](Info& i) { i.width = 30000, i.height = 30000; }), "大きすぎ"},
        {"bpp 7", with([](Info& i) { i.bpp = 7; }), "色深度"},
        {"bpp 0", with([](Info& i) { i.bpp = 0; }), "色深度"},
        {"2 planes", with([](Info& i) { i.planes = 2; }), "プレーン"},
        {"JPEG", with([](Info& i) { i.compression = 4; }), "圧縮形式"},
        {"RLE8 with 4 bits", with([](Info& i) { i.compression = 1, i.bpp = 4; }), "RLE8"},
        {"RLE top-down", with([](Info& i) { i.compression = 1, i.height = -2; }), "RLE"},
        {"bit fields with 24 bits", with([](Info& i) { i.compression = 3, i.bpp = 24; }), "ビットフィールド"},
        {"colour table cut", with([](Info& i) { i.clr_used = 200, i.bits.clear(); }), "カラーテーブル"},
        {"pixels cut", cut(Build(good), 1), "ピクセルデータ"},
        {"bits beyond the end", with([](Info& i) { i.off_bits = 5000; }), "ファイルの外"},
        {"bits inside the header", with([](Info& i) { i.off_bits = 20; }), "重なって"},
        {"RLE without end", no_eob, "RLE"},
        {"RLE picture too large", with([](Info& i) { i.compression = 1, i.width = 5000, i.height = 5000; }), "大きすぎ"},
        {"RLE size beyond the end", with([](Info& i) { i.compression = 1, i.size_image = 1000; }), "RLE"},
        {"colour table for 24 bits too large", with([](Info& i) { i.bpp = 24, i.clr_used = 100000; }), "カラーテーブル"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            HBITMAP b = bmp::ReadFile(c.file);
            DeleteObject(b);
            ADD_FAILURE() << "read a damaged file";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

// Random pixels in every format TBitmap can hold.
void Randomise(TBitmap& b, std::mt19937& rng) {
    for (int y = 0; y < b.Height(); ++y) {
        auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
        int bytes = (b.Width() * b.Handle()->bpp + 7) / 8;
        for (int i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(rng());
        // Bits past the last pixel are not part of the picture.
        int bits = b.Width() * b.Handle()->bpp;
        if (bits % 8) row[bytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - bits % 8));
    }
}

TEST_F(BmpTest, EveryFormatSurvivesWritingAndReading) {
    std::mt19937 rng(3);
    const TPixelFormat formats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (TPixelFormat f : formats) {
        for (auto [w, h] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{33, 2}}) {
            SCOPED_TRACE(testing::Message() << "format " << f << " " << w << "x" << h);
            TBitmap a(w, h, f);
            Randomise(a, rng);
            if (a.Handle()->bpp <= 8) {
                std::vector<RGBQUAD> pal = a.Palette();
                for (auto& q : pal) q = RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), 0};
                a.SetPalette(pal);
            }
            TMemoryStream s;
            a.SaveToStream(&s);
            std::vector<std::uint8_t> first = s.Bytes;
            s.Position = 0;
            TBitmap b;
            b.LoadFromStream(&s);
            EXPECT_EQ(s.Position, s.Size());
            ASSERT_EQ(b.Width(), w);
            ASSERT_EQ(b.Height(), h);
            EXPECT_EQ(b.PixelFormat(), f == pfDevice ? pf32bit : f);
            EXPECT_EQ(b.Palette(), a.Palette());
            int bits = w * a.Handle()->bpp;
            for (int y = 0; y < h; ++y) {
                auto* pa = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(a).ScanLine(y));
                auto* pb = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(b).ScanLine(y));
                EXPECT_EQ(std::memcmp(pa, pb, static_cast<std::size_t>((bits + 7) / 8)), 0) << "row " << y;
            }
            // Writing what was read gives the same bytes.
            TMemoryStream again;
            b.SaveToStream(&again);
            EXPECT_EQ(again.Bytes, first);
        }
    }
}

TEST_F(BmpTest, WritesWhatWindowsWrites) {
    TBitmap b(3, 2, pf8bit);
    TMemoryStream s;
    b.SaveToStream(&s);
    const auto& f = s.Bytes;
    auto u32 = [&](std::size_t at) { return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (static_cast<std::uint32_t>(f[at + 3]) << 24); };
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(f[at] | (f[at + 1] << 8)); };
    std::size_t off = 14 + 40 + 256 * 4;
    ASSERT_EQ(f.size(), off + 2 * 4);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(u32(2), f.size());
    EXPECT_EQ(u32(10), off);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 3u);
    EXPECT_EQ(u32(22), 2u) << "positive height: bottom-up";
    EXPECT_EQ(u16(26), 1u);
    EXPECT_EQ(u16(28), 8u);
    EXPECT_EQ(u32(30), 0u) << "BI_RGB";
    EXPECT_EQ(u32(34), 8u) << "rows padded to 4 bytes";
    EXPECT_EQ(u32(46), 0u) << "a full colour table";

    // Bottom-up: the top row is written last.
    TBitmap t(1, 2, pf24bit);
    static_cast<std::uint8_t*>(t.ScanLine(0))[0] = 0xAA;
    static_cast<std::uint8_t*>(t.ScanLine(1))[0] = 0xBB;
    TMemoryStream ts;
    t.SaveToStream(&ts);
    EXPECT_EQ(ts.Bytes[54], 0xBB);
    EXPECT_EQ(ts.Bytes[58], 0xAA);
}

TEST_F(BmpTest, StreamsReadTheirPictureAndNoMore) {
    TBitmap a(4, 4, pf24bit);
    a.Canvas()->Brush()->SetColor(clRed);
    a.Canvas()->FillRect(Rect(0, 0, 4, 4));
    TMemoryStream s;
    s.WriteBuffer("xyz", 3);
    a.SaveToStream(&s);
    std::int64_t end = s.Position;
    s.WriteBuffer("tail", 4);
    s.Position = 3;
    TBitmap b;
    b.LoadFromStream(&s);
    EXPECT_EQ(s.Position, end);
    EXPECT_EQ(b.Canvas()->Pixels(2, 2), clRed);

    // A damaged picture leaves the bitmap and the stream as they were.
    TMemoryStream bad(std::vector<std::uint8_t>{'B', 'M', 99, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0});
    EXPECT_THROW(b.LoadFromStream(&bad), EInvalidGraphic);
    EXPECT_EQ(bad.Position, 0);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Canvas()->Pixels(2, 2), clRed);
}

}  // namespace
