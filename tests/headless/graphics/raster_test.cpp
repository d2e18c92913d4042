// The GDI facade's pixel semantics: raster operations, the monochrome
// colour rules, palettes, stretching, clipping, fills, lines and object
// bookkeeping.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"

using namespace win;

namespace {

// Every test leaves as many GDI objects alive as it found.
class GdiTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LiveGdiObjects(), live_) << "GDI objects leaked"; }
    long live_ = LiveGdiObjects();
};

HBITMAP Dib(int w, int h, int bpp, const std::vector<RGBQUAD>& palette = {}, bool rgb565 = false, bool top_down = true) {
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = top_down ? -h : h;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    bi.bmiHeader.biClrUsed = static_cast<DWORD>(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) bi.bmiColors[i] = palette[i];
    if (rgb565) {
        bi.bmiHeader.biCompression = BI_BITFIELDS;
        DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(bi.bmiColors, masks, sizeof masks);
    }
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
    EXPECT_NE(b, nullptr);
    return b;
}

// A memory DC holding a bitmap; frees both.
struct Surface {
    explicit Surface(HBITMAP b) : dc(CreateCompatibleDC(nullptr)), bitmap(b) { old = SelectObject(dc, b); }
    ~Surface() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    std::uint32_t& px(int x, int y) { return bitmap->row32(y)[x]; }
    HDC dc;
    HBITMAP bitmap;
    HBITMAP old;
};

RGBQUAD Quad(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }

// Bit k of the result is bit (P_k*4 + S_k*2 + D_k) of the ROP3 index.
std::uint32_t TruthTable(std::uint8_t rop, std::uint32_t d, std::uint32_t s, std::uint32_t p) {
    std::uint32_t out = 0;
    for (int k = 0; k < 32; ++k) {
        int idx = (((p >> k) & 1) << 2) | (((s >> k) & 1) << 1) | ((d >> k) & 1);
        out |= static_cast<std::uint32_t>((rop >> idx) & 1) << k;
    }
    return out;
}

constexpr std::uint32_t kSource = 0xFEDCBA98;  // 32-bit DIB pixels: 0xXXRRGGBB
constexpr COLORREF kDest = 0x89ABCDEF;            // set as a COLORREF: the flag byte drops
constexpr std::uint32_t kDestPixel = 0x00EFCDAB;
constexpr COLORREF kBrush = 0x00123456;           // COLORREF: 0x00BBGGRR
constexpr std::uint32_t kBrushPixel = 0x00563412;  // the same colour as a DIB pixel

std::uint32_t Blit1(DWORD rop, COLORREF d, std::uint32_t s, COLORREF brush) {
    Surface src(Dib(1, 1, 32)), dst(Dib(1, 1, 32));
    src.px(0, 0) = s;
    SetPixel(dst.dc, 0, 0, d);
    HBRUSH b = CreateSolidBrush(brush);
    HBRUSH old = SelectObject(dst.dc, b);
    BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, rop);
    SelectObject(dst.dc, old);
    DeleteObject(b);
    return dst.px(0, 0);
}

TEST_F(GdiTest, EachNamedRasterOperationGivesItsOwnPixel) {
    using F = std::uint32_t (*)(std::uint32_t, std::uint32_t, std::uint32_t);
    struct Case {
        const char* name;
        DWORD rop;
        F expect;
    } cases[] = {
        {"SRCCOPY", SRCCOPY, [](std::uint32_t, std::uint32_t S, std::uint32_t) { return S; }},
        {"SRCPAINT", SRCPAINT, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return D | S; }},
        {"SRCAND", SRCAND, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return D & S; }},
        {"SRCINVERT", SRCINVERT, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return D ^ S; }},
        {"SRCERASE", SRCERASE, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return S & ~D; }},
        {"NOTSRCCOPY", NOTSRCCOPY, [](std::uint32_t, std::uint32_t S, std::uint32_t) { return ~S; }},
        {"NOTSRCERASE", NOTSRCERASE, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return ~(D | S); }},
        {"MERGECOPY", MERGECOPY, [](std::uint32_t, std::uint32_t S, std::uint32_t P) { return P & S; }},
        {"MERGEPAINT", MERGEPAINT, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return ~S | D; }},
        {"PATCOPY", PATCOPY, [](std::uint32_t, std::uint32_t, std::uint32_t P) { return P; }},
        {"PATPAINT", PATPAINT, [](std::uint32_t D, std::uint32_t S, std::uint32_t P) { return P | ~S | D; }},
        {"PATINVERT", PATINVERT, [](std::uint32_t D, std::uint32_t, std::uint32_t P) { return P ^ D; }},
        {"DSTINVERT", DSTINVERT, [](std::uint32_t D, std::uint32_t, std::uint32_t) { return ~D; }},
        {"BLACKNESS", BLACKNESS, [](std::uint32_t, std::uint32_t, std::uint32_t) { return 0u; }},
        {"WHITENESS", WHITENESS, [](std::uint32_t, std::uint32_t, std::uint32_t) { return 0xFFFFFFFFu; }},
        {"DSna", ROP_DSna, [](std::uint32_t D, std::uint32_t S, std::uint32_t) { return D & ~S; }},
        {"DSPDxax", ROP_DSPDxax, [](std::uint32_t D, std::uint32_t S, std::uint32_t P) { return D ^ ((D ^ P) & S); }},
    };
    std::set<std::uint32_t> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t got = Blit1(c.rop, kDest, kSource, kBrush);
        EXPECT_EQ(got, c.expect(kDestPixel, kSource, kBrushPixel)) << std::hex << got;
        seen.insert(got);
    }
    EXPECT_EQ(seen.size(), std::size(cases)) << "two operations gave the same pixel";
}

TEST_F(GdiTest, EveryRop3FollowsItsTruthTable) {
    std::mt19937 rng(7);
    Surface src(Dib(8, 1, 32)), dst(Dib(8, 1, 32));
    for (int rop = 0; rop < 256; ++rop) {
        SCOPED_TRACE(rop);
        std::uint32_t d[8], s[8];
        for (int i = 0; i < 8; ++i) {
            d[i] = dst.px(i, 0) = rng();
            s[i] = src.px(i, 0) = rng();
        }
        COLORREF brush = rng() & 0xFFFFFF;
        std::uint32_t p = ((brush & 0xFF) << 16) | (brush & 0xFF00) | ((brush >> 16) & 0xFF);
        HBRUSH b = CreateSolidBrush(brush);
        HBRUSH old = SelectObject(dst.dc, b);
        BitBlt(dst.dc, 0, 0, 8, 1, src.dc, 0, 0, static_cast<DWORD>(rop) << 16);
        SelectObject(dst.dc, old);
        DeleteObject(b);
        for (int i = 0; i < 8; ++i) ASSERT_EQ(dst.px(i, 0), TruthTable(static_cast<std::uint8_t>(rop), d[i], s[i], p)) << i;
    }
}

TEST_F(GdiTest, ColorrefAndDibPixelOrderRedAndBlueOppositely) {
    Surface s(Dib(2, 1, 32));
    s.px(0, 0) = 0x00FF0000;  // red in a DIB
    EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(255, 0, 0));
    SetPixel(s.dc, 1, 0, RGB(0, 0, 255));
    EXPECT_EQ(s.px(1, 0), 0x000000FFu);  // blue in a DIB
}

TEST_F(GdiTest, ColourToMonochromeMarksTheSourceBackgroundColour) {
    Surface src(Dib(5, 1, 32)), mono(CreateBitmap(5, 1, 1, 1, nullptr));
    const COLORREF key = RGB(0xFF, 0x00, 0xFF);
    src.px(0, 0) = 0x00FF00FF;  // the key
    src.px(1, 0) = 0x00FE00FF;  // one step away
    src.px(2, 0) = 0xAAFF00FF;  // the key colour, but another unused byte: not equal
    src.px(3, 0) = 0x00FFFFFF;  // white is not special
    src.px(4, 0) = 0x00000000;
    SetBkColor(src.dc, key);
    SetBkColor(mono.dc, RGB(1, 2, 3));  // the destination's colours play no part
    SetTextColor(mono.dc, RGB(4, 5, 6));
    BitBlt(mono.dc, 0, 0, 5, 1, src.dc, 0, 0, SRCCOPY);
    const int expect[] = {1, 0, 0, 0, 0};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(mono.dc, x, 0), expect[x] ? 0xFFFFFFu : 0u) << x;
}

TEST_F(GdiTest, MonochromeToColourUsesDestinationTextAndBackground) {
    const std::uint8_t bits[2] = {0xA0, 0};  // 1 0 1 0, word-aligned row
    Surface mono(CreateBitmap(4, 1, 1, 1, bits)), dst(Dib(4, 1, 32));
    SetTextColor(dst.dc, RGB(10, 20, 30));
    SetBkColor(dst.dc, RGB(200, 210, 220));
    SetTextColor(mono.dc, RGB(99, 99, 99));  // the source's colours play no part
    SetBkColor(mono.dc, RGB(98, 98, 98));
    BitBlt(dst.dc, 0, 0, 4, 1, mono.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(200, 210, 220));
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(10, 20, 30));
    EXPECT_EQ(GetPixel(dst.dc, 2, 0), RGB(200, 210, 220));
    EXPECT_EQ(GetPixel(dst.dc, 3, 0), RGB(10, 20, 30));

    // Monochrome to monochrome copies the bits whatever the colours.
    Surface other(CreateBitmap(4, 1, 1, 1, nullptr));
    BitBlt(other.dc, 0, 0, 4, 1, mono.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(other.bitmap->row(0)[0] & 0xF0, 0xA0);
}

TEST_F(GdiTest, MaskBlitsCutOutTheKeyColour) {
    // The see-through paint: a monochrome mask (1 on the key) ANDed onto the
    // background, then the picture with key pixels black XORed on.
    Surface pic(Dib(3, 1, 32)), mask(CreateBitmap(3, 1, 1, 1, nullptr)), masked(Dib(3, 1, 32)), work(Dib(3, 1, 32));
    pic.px(0, 0) = 0x00FF00FF;  // key
    pic.px(1, 0) = 0x00102030;
    pic.px(2, 0) = 0x00FF00FF;
    SetBkColor(pic.dc, RGB(255, 0, 255));
    BitBlt(mask.dc, 0, 0, 3, 1, pic.dc, 0, 0, SRCCOPY);
    BitBlt(masked.dc, 0, 0, 3, 1, pic.dc, 0, 0, SRCCOPY);
    BitBlt(masked.dc, 0, 0, 3, 1, mask.dc, 0, 0, ROP_DSna);
    EXPECT_EQ(masked.px(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(masked.px(1, 0), 0x00102030u);
    for (int x = 0; x < 3; ++x) work.px(x, 0) = 0x00777777;
    StretchBlt(work.dc, 0, 0, 3, 1, mask.dc, 0, 0, 3, 1, SRCAND);
    StretchBlt(work.dc, 0, 0, 3, 1, masked.dc, 0, 0, 3, 1, SRCINVERT);
    EXPECT_EQ(work.px(0, 0), 0x00777777u);
    EXPECT_EQ(work.px(1, 0), 0x00102030u);
    EXPECT_EQ(work.px(2, 0), 0x00777777u);

    // DSPDxax with the mask as source: the brush where the mask is white.
    for (int x = 0; x < 3; ++x) work.px(x, 0) = 0x00777777;
    SetTextColor(work.dc, 0);
    SetBkColor(work.dc, 0xFFFFFF);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HBRUSH old = SelectObject(work.dc, brush);
    BitBlt(work.dc, 0, 0, 3, 1, mask.dc, 0, 0, ROP_DSPDxax);
    SelectObject(work.dc, old);
    DeleteObject(brush);
    EXPECT_EQ(work.px(0, 0), 0x00010203u);
    EXPECT_EQ(work.px(1, 0), 0x00777777u);
}

TEST_F(GdiTest, PalettedDestinationTakesTheNearestEntry) {
    std::vector<RGBQUAD> pal = {Quad(RGB(0, 0, 0)), Quad(RGB(200, 0, 0)), Quad(RGB(0, 200, 0)), Quad(RGB(200, 0, 0)), Quad(RGB(255, 255, 255))};
    struct Case {
        COLORREF in;
        int index;  // first of equally near entries
    } cases[] = {
        {RGB(190, 10, 0), 1}, {RGB(200, 0, 0), 1}, {RGB(10, 180, 20), 2}, {RGB(100, 100, 100), 0},
        {RGB(140, 140, 140), 4}, {RGB(250, 250, 240), 4}, {RGB(0, 0, 0), 0},
    };
    Surface p(Dib(1, 1, 8, pal)), src(Dib(1, 1, 32));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.in);
        COLORREF set = SetPixel(p.dc, 0, 0, c.in);
        EXPECT_EQ(p.bitmap->row(0)[0], c.index);
        EXPECT_EQ(set, GetPixel(p.dc, 0, 0));
        p.bitmap->row(0)[0] = 0xEE;
        src.px(0, 0) = ((c.in & 0xFF) << 16) | (c.in & 0xFF00) | ((c.in >> 16) & 0xFF);
        BitBlt(p.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY);
        EXPECT_EQ(p.bitmap->row(0)[0], c.index);
    }
}

TEST_F(GdiTest, ConversionsBetweenFormatsKeepRepresentableColours) {
    // A colour each format holds exactly goes through every format unchanged.
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(132, 0, 132)};
    std::vector<RGBQUAD> pal;
    for (COLORREF c : colours) pal.push_back(Quad(c));
    struct Format {
        const char* name;
        int bpp;
        bool rgb565;
    } formats[] = {{"4", 4, false}, {"8", 8, false}, {"555", 16, false}, {"565", 16, true}, {"24", 24, false}, {"32", 32, false}};
    for (const Format& f : formats) {
        SCOPED_TRACE(f.name);
        Surface s(Dib(6, 1, f.bpp, f.bpp <= 8 ? pal : std::vector<RGBQUAD>{}, f.rgb565));
        Surface back(Dib(6, 1, 32));
        for (int x = 0; x < 6; ++x) {
            SetPixel(s.dc, x, 0, colours[x]);  // 132 = 10000100b survives 5 bits
        }
        BitBlt(back.dc, 0, 0, 6, 1, s.dc, 0, 0, SRCCOPY);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(back.dc, x, 0), colours[x]) << x;
    }
}

TEST_F(GdiTest, SixteenBitPixelsExpandTheirTopBits) {
    Surface s555(Dib(1, 1, 16)), s565(Dib(1, 1, 16, {}, true));
    *reinterpret_cast<std::uint16_t*>(s555.bitmap->row(0)) = 0x7FFF;
    EXPECT_EQ(GetPixel(s555.dc, 0, 0), RGB(255, 255, 255));
    *reinterpret_cast<std::uint16_t*>(s555.bitmap->row(0)) = (0x10 << 10) | (0x01 << 5) | 0x1F;
    EXPECT_EQ(GetPixel(s555.dc, 0, 0), RGB(0x84, 0x08, 0xFF));
    *reinterpret_cast<std::uint16_t*>(s565.bitmap->row(0)) = (0x1F << 11) | (0x20 << 5);
    EXPECT_EQ(GetPixel(s565.dc, 0, 0), RGB(0xFF, 0x82, 0));
    SetPixel(s565.dc, 0, 0, RGB(0x87, 0x47, 0x0F));
    EXPECT_EQ(*reinterpret_cast<std::uint16_t*>(s565.bitmap->row(0)), (0x10 << 11) | (0x11 << 5) | 0x01);
}

// Source pixel chosen for each destination pixel (COLORONCOLOR), as gdi32
// chooses them: a shrunk run keeps its last column but its first row.
TEST_F(GdiTest, StretchPicksSourcePixelsAsGdi) {
    struct Case {
        int sw, dw;
        std::vector<int> columns, rows;
    } cases[] = {
        {2, 1, {0}, {0}},
        {3, 1, {1}, {0}},
        {13, 1, {11}, {0}},
        {3, 2, {1, 2}, {0, 2}},
        {4, 3, {0, 2, 3}, {0, 1, 3}},
        {7, 3, {1, 4, 6}, {0, 2, 5}},
        {10, 7, {0, 2, 3, 5, 6, 8, 9}, {0, 1, 3, 4, 6, 7, 9}},
        {24, 17, {0, 2, 3, 5, 6, 7, 9, 10, 12, 13, 15, 16, 17, 19, 20, 22, 23}, {0, 1, 3, 4, 6, 7, 8, 10, 11, 13, 14, 16, 17, 18, 20, 21, 23}},
        {1, 3, {0, 0, 0}, {0, 0, 0}},
        {2, 3, {0, 0, 1}, {0, 0, 1}},
        {3, 4, {0, 1, 1, 2}, {0, 1, 1, 2}},
        {3, 7, {0, 0, 1, 1, 1, 2, 2}, {0, 0, 1, 1, 1, 2, 2}},
        {7, 10, {0, 1, 1, 2, 3, 3, 4, 5, 5, 6}, {0, 1, 1, 2, 3, 3, 4, 5, 5, 6}},
        {17, 24, {0, 1, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 12, 13, 13, 14, 15, 15, 16},
                 {0, 1, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 12, 13, 13, 14, 15, 15, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << " -> " << c.dw);
        for (bool vertical : {false, true}) {
            SCOPED_TRACE(vertical ? "rows" : "columns");
            const std::vector<int>& picks = vertical ? c.rows : c.columns;
            Surface src(vertical ? Dib(1, c.sw, 32) : Dib(c.sw, 1, 32));
            Surface dst(vertical ? Dib(1, c.dw + 1, 32) : Dib(c.dw + 1, 1, 32));
            for (int i = 0; i < c.sw; ++i) (vertical ? src.px(0, i) : src.px(i, 0)) = static_cast<std::uint32_t>(i);
            for (int i = 0; i <= c.dw; ++i) (vertical ? dst.px(0, i) : dst.px(i, 0)) = 0xDEADBEEF;
            SetStretchBltMode(dst.dc, COLORONCOLOR);
            if (vertical) StretchBlt(dst.dc, 0, 0, 1, c.dw, src.dc, 0, 0, 1, c.sw, SRCCOPY);
            else StretchBlt(dst.dc, 0, 0, c.dw, 1, src.dc, 0, 0, c.sw, 1, SRCCOPY);
            for (int i = 0; i < c.dw; ++i) EXPECT_EQ(vertical ? dst.px(0, i) : dst.px(i, 0), static_cast<std::uint32_t>(picks[i])) << i;
            EXPECT_EQ(vertical ? dst.px(0, c.dw) : dst.px(c.dw, 0), 0xDEADBEEFu) << "drawn past the rectangle";
        }
    }
}

TEST_F(GdiTest, StretchingByWholeFactorsRepeatsEveryPixel) {
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        Surface src(Dib(5, 3, 32)), dst(Dib(5 * k, 3 * k, 32));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) src.px(x, y) = static_cast<std::uint32_t>(y * 16 + x);
        StretchBlt(dst.dc, 0, 0, 5 * k, 3 * k, src.dc, 0, 0, 5, 3, SRCCOPY);
        for (int y = 0; y < 3 * k; ++y)
            for (int x = 0; x < 5 * k; ++x) ASSERT_EQ(dst.px(x, y), src.px(x / k, y / k)) << x << "," << y;
    }
}

TEST_F(GdiTest, ShrinkingCombinesDroppedPixelsByStretchMode) {
    // Source pixel j has only bit j set (or, for AND, only bit j clear); the
    // result shows which sources were combined.
    struct Case {
        int mode;
        int sw, dw;
        std::vector<std::uint32_t> sets;
    } cases[] = {
        {WHITEONBLACK, 7, 3, {0x03, 0x1C, 0x60}},
        {BLACKONWHITE, 7, 3, {0x03, 0x1C, 0x60}},
        {WHITEONBLACK, 3, 1, {0x03}},  // one pixel wide: the last source is not taken
        {COLORONCOLOR, 7, 3, {0x02, 0x10, 0x40}},
        {HALFTONE, 7, 3, {0x02, 0x10, 0x40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " " << c.sw << " -> " << c.dw);
        bool inverted = c.mode == BLACKONWHITE;
        Surface src(Dib(c.sw, 1, 32)), dst(Dib(c.dw, 1, 32));
        for (int j = 0; j < c.sw; ++j) src.px(j, 0) = inverted ? ~(1u << j) : (1u << j);
        SetStretchBltMode(dst.dc, c.mode);
        StretchBlt(dst.dc, 0, 0, c.dw, 1, src.dc, 0, 0, c.sw, 1, SRCCOPY);
        for (int i = 0; i < c.dw; ++i) EXPECT_EQ(inverted ? ~dst.px(i, 0) : dst.px(i, 0), c.sets[i]) << i;
    }
}

TEST_F(GdiTest, NegativeSizesRunBackwardsFromTheirStartAndMirror) {
    // A size of -n covers start, start - 1, ..., start - n + 1.
    struct Case {
        int x, w, sx, sw;
        const char* expect;  // destination pixels 0..6: source pixel number, '.' untouched
    } cases[] = {
        {0, 5, 0, 5, "01234.."},  {5, -5, 0, 5, ".43210."}, {0, 5, 5, -5, "54321.."},
        {5, -5, 5, -5, ".12345."}, {6, -6, 0, 3, ".221100"}, {0, 3, 6, -6, "531...."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.w << " <- " << c.sx << " " << c.sw);
        Surface src(Dib(7, 1, 32)), dst(Dib(7, 1, 32));
        for (int i = 0; i < 7; ++i) {
            src.px(i, 0) = static_cast<std::uint32_t>(i);
            dst.px(i, 0) = 0xEEEEEEEE;
        }
        SetStretchBltMode(dst.dc, COLORONCOLOR);
        StretchBlt(dst.dc, c.x, 0, c.w, 1, src.dc, c.sx, 0, c.sw, 1, SRCCOPY);
        std::string got;
        for (int i = 0; i < 7; ++i) got += dst.px(i, 0) == 0xEEEEEEEE ? '.' : static_cast<char>('0' + dst.px(i, 0));
        EXPECT_EQ(got, c.expect);
    }
}

TEST_F(GdiTest, BlitsClipToBothBitmapsTheClipRectAndFollowTheOrigin) {
    Surface src(Dib(4, 4, 32)), dst(Dib(6, 6, 32));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.px(x, y) = static_cast<std::uint32_t>(0x100 + y * 4 + x);
    auto clear = [&] {
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) dst.px(x, y) = 0;
    };
    struct Case {
        const char* name;
        int x, y, w, h, sx, sy;
        POINT org;
        RECT clip;  // device; empty = none
    } cases[] = {
        {"inside", 1, 1, 2, 2, 1, 1, {0, 0}, {}},
        {"past the destination", 4, 4, 4, 4, 0, 0, {0, 0}, {}},
        {"before the destination", -2, -1, 4, 4, 0, 0, {0, 0}, {}},
        {"past the source", 0, 0, 6, 6, 2, 2, {0, 0}, {}},
        {"negative source", 0, 0, 6, 6, -1, -2, {0, 0}, {}},
        {"origin", 0, 0, 4, 4, 0, 0, {2, 1}, {}},
        {"clip", 0, 0, 4, 4, 0, 0, {0, 0}, {1, 2, 3, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        SetViewportOrgEx(dst.dc, c.org.x, c.org.y, nullptr);
        SetClipRect(dst.dc, c.clip.right ? &c.clip : nullptr);
        BitBlt(dst.dc, c.x, c.y, c.w, c.h, src.dc, c.sx, c.sy, SRCCOPY);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                int lx = x - c.org.x, ly = y - c.org.y;  // logical
                int sx = lx - c.x + c.sx, sy = ly - c.y + c.sy;
                bool in_rect = lx >= c.x && lx < c.x + c.w && ly >= c.y && ly < c.y + c.h;
                bool in_src = sx >= 0 && sx < 4 && sy >= 0 && sy < 4;
                bool in_clip = !c.clip.right || (x >= c.clip.left && x < c.clip.right && y >= c.clip.top && y < c.clip.bottom);
                std::uint32_t expect = in_rect && in_src && in_clip ? src.px(sx, sy) : 0;
                ASSERT_EQ(dst.px(x, y), expect) << x << "," << y;
            }
    }
}

TEST_F(GdiTest, OverlappingBlitWithinOneBitmapMovesLikeMemmove) {
    for (int dir : {-1, 1}) {
        SCOPED_TRACE(dir);
        Surface s(Dib(5, 5, 32));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) s.px(x, y) = static_cast<std::uint32_t>(y * 5 + x);
        std::vector<std::uint32_t> before(s.bitmap->storage);
        BitBlt(s.dc, 1 + dir, 1 + dir, 3, 3, s.dc, 1, 1, SRCCOPY);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(s.px(1 + dir + x, 1 + dir + y), before[static_cast<std::size_t>((1 + y) * 5 + 1 + x)]);
    }
}

TEST_F(GdiTest, FillsFramesAndPatternBlits) {
    Surface s(Dib(6, 5, 32));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{1, 1, 5, 4};
    FillRect(s.dc, &r, red);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(s.px(x, y), (x >= 1 && x < 5 && y >= 1 && y < 4) ? 0x00FF0000u : 0u) << x << "," << y;

    PatBlt(s.dc, 0, 0, 6, 5, BLACKNESS);
    FrameRect(s.dc, &r, red);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            bool ring = (x >= 1 && x < 5 && y >= 1 && y < 4) && (x == 1 || x == 4 || y == 1 || y == 3);
            EXPECT_EQ(s.px(x, y), ring ? 0x00FF0000u : 0u) << x << "," << y;
        }

    // A negative size extends to the left and up.
    PatBlt(s.dc, 0, 0, 6, 5, BLACKNESS);
    HBRUSH old = SelectObject(s.dc, red);
    PatBlt(s.dc, 3, 3, -2, -2, PATCOPY);
    SelectObject(s.dc, old);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(s.px(x, y), (x >= 1 && x < 3 && y >= 1 && y < 3) ? 0x00FF0000u : 0u) << x << "," << y;
    EXPECT_FALSE(PatBlt(s.dc, 0, 0, 1, 1, SRCCOPY)) << "PatBlt has no source";
    DeleteObject(red);
}

// Inverted pixels of DrawFocusRect as gdi32 and user32 draw them: dots
// along the outline, counted from the top-right corner; sides that fall
// together (one pixel wide or high) cancel where both invert.
TEST_F(GdiTest, FocusRectangleDotsAsUser32AndUndoesItself) {
    struct Case {
        RECT r;
        std::vector<const char*> picture;  // rows 0..3 of an 8 x 4 surface; X inverted
    } cases[] = {
        {{0, 0, 8, 4}, {".X.X.X.X", "X.......", ".......X", "X.X.X.X."}},
        {{1, 1, 3, 3}, {"........", "..X.....", ".X......", "........"}},
        {{1, 0, 3, 3}, {"..X.....", ".X......", "..X.....", "........"}},
        {{1, 0, 2, 4}, {".X......", "........", "........", "........"}},
        {{1, 0, 2, 3}, {".X......", "........", ".X......", "........"}},
        {{1, 1, 5, 2}, {"........", "....X...", "........", "........"}},
        {{1, 1, 4, 2}, {"........", ".X.X....", "........", "........"}},
        {{2, 2, 3, 3}, {"........", "........", "........", "........"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom);
        Surface s(Dib(8, 4, 32));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) s.px(x, y) = 0x00123456;
        DrawFocusRect(s.dc, &c.r);
        for (int y = 0; y < 4; ++y) {
            std::string row;
            for (int x = 0; x < 8; ++x) row += s.px(x, y) == 0x00123456 ? '.' : s.px(x, y) == ~0x00123456u ? 'X' : '?';
            EXPECT_EQ(row, c.picture[static_cast<std::size_t>(y)]) << "row " << y;
        }
        DrawFocusRect(s.dc, &c.r);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) EXPECT_EQ(s.px(x, y), 0x00123456u);
    }
}

TEST_F(GdiTest, LinesLeaveOutTheirLastPixelAndXorPensUndoThemselves) {
    Surface s(Dib(6, 6, 32));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HPEN old = SelectObject(s.dc, pen);
    MoveToEx(s.dc, 0, 2, nullptr);
    LineTo(s.dc, 4, 2);
    LineTo(s.dc, 4, 5);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            bool on = (y == 2 && x < 4) || (x == 4 && y >= 2 && y < 5);
            EXPECT_EQ(s.px(x, y), on ? 0x000000FFu : 0u) << x << "," << y;
        }
    POINT pos;
    MoveToEx(s.dc, 0, 0, &pos);
    EXPECT_EQ(pos.x, 4);
    EXPECT_EQ(pos.y, 5);

    std::vector<std::uint32_t> before(s.bitmap->storage);
    SetROP2(s.dc, R2_XORPEN);
    for (int i = 0; i < 2; ++i) {
        MoveToEx(s.dc, 0, 0, nullptr);
        LineTo(s.dc, 5, 5);
    }
    EXPECT_EQ(s.bitmap->storage, before);
    SelectObject(s.dc, old);
    DeleteObject(pen);
}

TEST_F(GdiTest, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
    Surface s(Dib(6, 6, 32));
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    HBRUSH ob = SelectObject(s.dc, brush);
    Rectangle(s.dc, 1, 1, 5, 5);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            bool in = x >= 1 && x < 5 && y >= 1 && y < 5;
            bool edge = in && (x == 1 || x == 4 || y == 1 || y == 4);
            EXPECT_EQ(s.px(x, y), edge ? 0u : in ? 0x0000FF00u : 0u) << x << "," << y;
        }
    // Without a pen the fill stops one pixel short on the right and bottom.
    PatBlt(s.dc, 0, 0, 6, 6, WHITENESS);
    HGDIOBJ op = SelectObject(s.dc, GetStockObject(NULL_PEN));
    Rectangle(s.dc, 1, 1, 5, 5);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(s.px(x, y) & 0xFFFFFF, (x >= 1 && x < 4 && y >= 1 && y < 4) ? 0x0000FF00u : 0xFFFFFFu);
    SelectObject(s.dc, op);
    SelectObject(s.dc, ob);
    DeleteObject(brush);
}

TEST_F(GdiTest, ObjectsKnowWhereTheyAreSelected) {
    HBITMAP b = CreateCompatibleBitmap(nullptr, 4, 4);
    HDC dc1 = CreateCompatibleDC(nullptr), dc2 = CreateCompatibleDC(nullptr);
    HBITMAP stock = SelectObject(dc1, b);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(dc2, b), nullptr) << "a bitmap is in one DC at a time";
    EXPECT_FALSE(DeleteObject(b)) << "a selected bitmap is not freed";
    EXPECT_EQ(SelectObject(dc1, stock), b);
    EXPECT_TRUE(DeleteObject(b));

    // Stock objects survive DeleteObject; a fresh DC holds them.
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetCurrentObject(dc1, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc1, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(DeleteObject(nullptr), 0);
    EXPECT_EQ(DeleteObject(dc1), 0) << "a DC goes with DeleteDC";

    // A brush deleted while selected lives until the DC lets go of it.
    long brushes = LiveGdiObjects(GdiKind::Brush);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    SelectObject(dc1, brush);
    SelectObject(dc2, brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(LiveGdiObjects(GdiKind::Brush), brushes + 1);
    EXPECT_EQ(static_cast<HBRUSH>(GetCurrentObject(dc1, OBJ_BRUSH))->color, RGB(1, 2, 3));
    SelectObject(dc1, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(LiveGdiObjects(GdiKind::Brush), brushes + 1) << "still in the second DC";
    DeleteDC(dc1);
    DeleteDC(dc2);
    EXPECT_EQ(LiveGdiObjects(GdiKind::Brush), brushes) << "freed with the last DC";
}

TEST_F(GdiTest, CompatibleBitmapsFollowTheDcsBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateCompatibleBitmap(dc, 2, 2);  // a fresh DC holds a monochrome bitmap
    EXPECT_EQ(a->bpp, 1);
    HBITMAP c = CreateCompatibleBitmap(nullptr, 2, 2);
    EXPECT_EQ(c->bpp, 32);
    HBITMAP old = SelectObject(dc, c);
    HBITMAP d = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(d->bpp, 32);
    BITMAP bm{};
    EXPECT_EQ(GetObject(a, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 2) << "device bitmaps have word-aligned rows";
    EXPECT_EQ(bm.bmBits, nullptr);
    // A DC holding a DIB section makes DIB sections of its format.
    std::vector<RGBQUAD> pal = {Quad(RGB(1, 2, 3)), Quad(RGB(4, 5, 6))};
    HBITMAP dib = Dib(4, 4, 8, pal);
    SelectObject(dc, dib);
    HBITMAP e = CreateCompatibleBitmap(dc, 3, 2);
    EXPECT_TRUE(e->dib);
    EXPECT_EQ(e->bpp, 8);
    EXPECT_EQ(e->palette, dib->palette);
    // A side of 0: the stock 1x1 monochrome bitmap, which DeleteObject keeps.
    HBITMAP z = CreateCompatibleBitmap(dc, 0, 5);
    EXPECT_TRUE(z->stock);
    EXPECT_TRUE(DeleteObject(z));
    SelectObject(dc, old);
    for (HBITMAP b : {a, c, d, dib, e}) DeleteObject(b);
    DeleteDC(dc);
}

TEST_F(GdiTest, SaveAndRestoreKeepTheDcState) {
    Surface s(Dib(2, 2, 32));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    SetBkColor(s.dc, RGB(9, 9, 9));
    int level = SaveDC(s.dc);
    HBRUSH old = SelectObject(s.dc, brush);
    SetBkColor(s.dc, RGB(7, 7, 7));
    SetViewportOrgEx(s.dc, 5, 5, nullptr);
    IntersectClipRect(s.dc, 0, 0, 1, 1);
    EXPECT_TRUE(RestoreDC(s.dc, level));
    EXPECT_EQ(GetBkColor(s.dc), RGB(9, 9, 9));
    EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BRUSH), old);
    RECT box;
    GetClipBox(s.dc, &box);
    EXPECT_EQ(box.right, 2);
    EXPECT_TRUE(DeleteObject(brush)) << "restoring took the brush out";
    EXPECT_FALSE(RestoreDC(s.dc, -1)) << "nothing left to restore";
}

}  // namespace
