// Our GDI facade against the real gdi32 and user32, on the same inputs:
// every named raster operation, all 256 ROP3 codes, the monochrome colour
// rules, nearest palette colours, stretching, fills and the focus
// rectangle. Both sides draw into DIB sections whose pixels were filled
// with the same content (sentinels where nothing should be drawn).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"

#include <windows.h>

namespace {

std::mt19937& Rng() {
    static std::mt19937 rng;
    return rng;
}

// Each test draws its own random numbers, whichever tests run before it.
class RasterWine : public ::testing::Test {
protected:
    void SetUp() override { Rng().seed(std::hash<std::string>{}(::testing::UnitTest::GetInstance()->current_test_info()->name())); }
};

// One picture on both sides: our bitmap in our DC, gdi32's DIB section in
// a real memory DC, both of the same format and palette.
class Pair {
public:
    Pair(int w, int h, int bpp, const std::vector<RGBQUAD>& palette = {}, bool rgb565 = false) : w_(w), h_(h), bpp_(bpp) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colors[256];
        } bi{};
        bi.h.biSize = sizeof(BITMAPINFOHEADER);
        bi.h.biWidth = w;
        bi.h.biHeight = -h;
        bi.h.biPlanes = 1;
        bi.h.biBitCount = static_cast<WORD>(bpp);
        bi.h.biClrUsed = static_cast<DWORD>(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i) bi.colors[i] = palette[i];
        if (rgb565) {
            bi.h.biCompression = BI_BITFIELDS;
            DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
            std::memcpy(bi.colors, masks, sizeof masks);
        }
        void* bits = nullptr;
        real_bitmap_ = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
        real_bits_ = static_cast<std::uint8_t*>(bits);
        real_dc_ = ::CreateCompatibleDC(nullptr);
        real_old_ = ::SelectObject(real_dc_, real_bitmap_);

        win::BITMAPINFO ours{};
        std::memcpy(static_cast<void*>(&ours.bmiHeader), &bi.h, sizeof bi.h);
        std::memcpy(ours.bmiColors, bi.colors, sizeof bi.colors);
        ours_ = win::CreateDIBSection(nullptr, &ours, DIB_RGB_COLORS, nullptr, nullptr, 0);
        our_dc_ = win::CreateCompatibleDC(nullptr);
        our_old_ = win::SelectObject(our_dc_, ours_);
        stride_ = ((w * bpp + 31) / 32) * 4;
    }
    // A monochrome device bitmap on both sides.
    static Pair Mono(int w, int h) { return Pair(w, h); }
    static std::unique_ptr<Pair> NewMono(int w, int h) { return std::unique_ptr<Pair>(new Pair(w, h)); }

    ~Pair() {
        ::SelectObject(real_dc_, real_old_);
        ::DeleteDC(real_dc_);
        ::DeleteObject(real_bitmap_);
        win::SelectObject(our_dc_, our_old_);
        win::DeleteDC(our_dc_);
        win::DeleteObject(ours_);
    }
    Pair(const Pair&) = delete;

    HDC real() const { return real_dc_; }
    win::HDC ours() const { return our_dc_; }
    int width() const { return w_; }
    int height() const { return h_; }

    // The same bytes on both sides.
    void Fill(const std::vector<std::uint8_t>& bytes) {
        for (int y = 0; y < h_; ++y) {
            std::memcpy(RealRow(y), bytes.data() + static_cast<std::size_t>(y) * stride_, static_cast<std::size_t>(stride_));
            std::memcpy(ours_->row(y), bytes.data() + static_cast<std::size_t>(y) * stride_, static_cast<std::size_t>(stride_));
        }
    }
    void FillRandom() {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride_) * h_);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(Rng()());
        Fill(bytes);
    }
    void FillSentinel() { Fill(std::vector<std::uint8_t>(static_cast<std::size_t>(stride_) * h_, 0xA5)); }

    // Compares the pixels (the bits of each row that belong to the picture).
    ::testing::AssertionResult Same() {
        ::GdiFlush();
        int bits = w_ * bpp_;
        for (int y = 0; y < h_; ++y) {
            const std::uint8_t* a = RealRow(y);
            const std::uint8_t* b = ours_->row(y);
            for (int bit = 0; bit < bits; bit += 8) {
                int n = std::min(8, bits - bit);
                std::uint8_t m = static_cast<std::uint8_t>(0xFF << (8 - n));
                std::uint8_t ra = a[bit / 8] & m, rb = b[bit / 8] & m;
                if (ra != rb)
                    return ::testing::AssertionFailure() << "row " << y << " byte " << bit / 8 << ": gdi32 " << std::hex << int(ra)
                                                         << ", ours " << int(rb) << " (pixel " << std::dec << bit / bpp_ << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    // Monochrome device bitmaps: the real one read through GetBitmapBits.
    Pair(int w, int h) : w_(w), h_(h), bpp_(1), mono_(true) {
        real_bitmap_ = ::CreateBitmap(w, h, 1, 1, nullptr);
        real_dc_ = ::CreateCompatibleDC(nullptr);
        real_old_ = ::SelectObject(real_dc_, real_bitmap_);
        ours_ = win::CreateBitmap(w, h, 1, 1, nullptr);
        our_dc_ = win::CreateCompatibleDC(nullptr);
        our_old_ = win::SelectObject(our_dc_, ours_);
        stride_ = ((w + 31) / 32) * 4;
        mono_rows_.resize(static_cast<std::size_t>(((w + 15) / 16) * 2) * h);
    }
    std::uint8_t* RealRow(int y) {
        if (!mono_) return real_bits_ + static_cast<std::size_t>(y) * stride_;
        // Device bitmaps have word-aligned rows; read and write them whole.
        int ws = ((w_ + 15) / 16) * 2;
        ::GetBitmapBits(real_bitmap_, static_cast<LONG>(mono_rows_.size()), mono_rows_.data());
        scratch_.assign(mono_rows_.begin() + static_cast<std::ptrdiff_t>(y) * ws, mono_rows_.begin() + static_cast<std::ptrdiff_t>(y + 1) * ws);
        scratch_.resize(static_cast<std::size_t>(stride_));
        pending_row_ = y;
        return scratch_.data();
    }

    int w_, h_, bpp_, stride_ = 0;
    bool mono_ = false;
    HBITMAP real_bitmap_ = nullptr;
    std::uint8_t* real_bits_ = nullptr;
    HDC real_dc_ = nullptr;
    HGDIOBJ real_old_ = nullptr;
    win::HBITMAP ours_ = nullptr;
    win::HDC our_dc_ = nullptr;
    win::HBITMAP our_old_ = nullptr;
    std::vector<std::uint8_t> mono_rows_, scratch_;
    int pending_row_ = -1;

public:
    // Writes the same bytes into a monochrome pair.
    void FillMono(const std::vector<std::uint8_t>& word_rows) {
        ::SetBitmapBits(real_bitmap_, static_cast<DWORD>(word_rows.size()), word_rows.data());
        int ws = ((w_ + 15) / 16) * 2;
        for (int y = 0; y < h_; ++y) std::memcpy(ours_->row(y), word_rows.data() + static_cast<std::size_t>(y) * ws, static_cast<std::size_t>(ws));
    }
    void FillMonoRandom() {
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(((w_ + 15) / 16) * 2) * h_);
        for (auto& b : rows) b = static_cast<std::uint8_t>(Rng()());
        FillMono(rows);
    }
};

// A solid brush selected on both sides; restored on destruction.
class Brushes {
public:
    Brushes(Pair& p, COLORREF c) : p_(p), real_(::CreateSolidBrush(c)), ours_(win::CreateSolidBrush(c)) {
        real_old_ = ::SelectObject(p.real(), real_);
        our_old_ = win::SelectObject(p.ours(), ours_);
    }
    ~Brushes() {
        ::SelectObject(p_.real(), real_old_);
        ::DeleteObject(real_);
        win::SelectObject(p_.ours(), our_old_);
        win::DeleteObject(ours_);
    }

private:
    Pair& p_;
    HBRUSH real_;
    win::HBRUSH ours_;
    HGDIOBJ real_old_;
    win::HBRUSH our_old_;
};

struct Colours {
    COLORREF text, bk;
};
void SetColours(Pair& p, Colours c) {
    ::SetTextColor(p.real(), c.text);
    ::SetBkColor(p.real(), c.bk);
    win::SetTextColor(p.ours(), c.text);
    win::SetBkColor(p.ours(), c.bk);
}

void BothBitBlt(Pair& d, int x, int y, int w, int h, Pair& s, int sx, int sy, DWORD rop) {
    ::BitBlt(d.real(), x, y, w, h, s.real(), sx, sy, rop);
    win::BitBlt(d.ours(), x, y, w, h, s.ours(), sx, sy, rop);
}
void BothStretchBlt(Pair& d, int x, int y, int w, int h, Pair& s, int sx, int sy, int sw, int sh, DWORD rop) {
    ::StretchBlt(d.real(), x, y, w, h, s.real(), sx, sy, sw, sh, rop);
    win::StretchBlt(d.ours(), x, y, w, h, s.ours(), sx, sy, sw, sh, rop);
}

const DWORD kNamed[] = {SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE, NOTSRCCOPY, NOTSRCERASE, MERGECOPY, MERGEPAINT,
                        PATCOPY, PATPAINT, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS, win::ROP_DSna, win::ROP_DSPDxax};

TEST_F(RasterWine, NamedRopsOnOnePixelMatchGdi32) {
    Pair src(1, 1, 32), dst(1, 1, 32);
    const std::uint32_t s = 0xFEDCBA98;
    for (DWORD rop : kNamed) {
        SCOPED_TRACE(testing::Message() << std::hex << rop);
        std::vector<std::uint8_t> sb(4), db(4);
        std::memcpy(sb.data(), &s, 4);
        src.Fill(sb);
        dst.FillSentinel();
        ::SetPixel(dst.real(), 0, 0, 0x89ABCDEF & 0xFFFFFF);
        win::SetPixel(dst.ours(), 0, 0, 0x89ABCDEF & 0xFFFFFF);
        Brushes b(dst, RGB(0x12, 0x34, 0x56));
        BothBitBlt(dst, 0, 0, 1, 1, src, 0, 0, rop);
        EXPECT_TRUE(dst.Same());
    }
}

TEST_F(RasterWine, AllRop3CodesOnRandomBitmapsMatchGdi32) {
    Pair src(7, 5, 32), dst(7, 5, 32);
    for (int rop = 0; rop < 256; ++rop) {
        SCOPED_TRACE(rop);
        src.FillRandom();
        dst.FillRandom();
        Brushes b(dst, Rng()() & 0xFFFFFF);
        // Partly outside the destination, so that clipping takes part.
        BothBitBlt(dst, 1, 1, 7, 5, src, 0, 0, static_cast<DWORD>(rop) << 16);
        ASSERT_TRUE(dst.Same());
    }
}

TEST_F(RasterWine, NamedRopsOnOtherFormatsMatchGdi32) {
    std::vector<RGBQUAD> pal;
    for (int i = 0; i < 256; ++i) pal.push_back(RGBQUAD{static_cast<BYTE>(Rng()()), static_cast<BYTE>(Rng()()), static_cast<BYTE>(Rng()()), 0});
    struct Format {
        const char* name;
        int bpp;
        bool rgb565;
        std::size_t colors;
    } formats[] = {{"1", 1, false, 2}, {"4", 4, false, 16}, {"8", 8, false, 256}, {"8/20", 8, false, 20},
                   {"555", 16, false, 0}, {"565", 16, true, 0}, {"24", 24, false, 0}};
    for (const Format& f : formats) {
        for (const Format& g : formats) {
            SCOPED_TRACE(testing::Message() << f.name << " onto " << g.name);
            Pair src(9, 3, f.bpp, std::vector<RGBQUAD>(pal.begin(), pal.begin() + static_cast<std::ptrdiff_t>(f.colors)), f.rgb565);
            Pair dst(9, 3, g.bpp, std::vector<RGBQUAD>(pal.rbegin(), pal.rbegin() + static_cast<std::ptrdiff_t>(g.colors)), g.rgb565);
            for (DWORD rop : std::initializer_list<DWORD>{SRCCOPY, SRCINVERT, SRCAND, MERGECOPY, PATINVERT, DSTINVERT, win::ROP_DSPDxax}) {
                SCOPED_TRACE(testing::Message() << std::hex << rop);
                src.FillRandom();
                dst.FillRandom();
                SetColours(dst, {RGB(10, 200, 30), RGB(250, 240, 5)});
                SetColours(src, {RGB(1, 2, 3), ::GetPixel(src.real(), 4, 1)});
                // gdi32 dithers a brush that a 1-bit bitmap cannot show; ours
                // takes the nearest colour. Give those a colour of their own.
                COLORREF brush = g.bpp == 1 ? RGB(pal[255].rgbRed, pal[255].rgbGreen, pal[255].rgbBlue) : RGB(0x40, 0x80, 0xC0);
                Brushes b(dst, brush);
                BothBitBlt(dst, 0, 0, 9, 3, src, 0, 0, rop);
                ASSERT_TRUE(dst.Same());
            }
        }
    }
}

TEST_F(RasterWine, ColourToMonochromeMatchesGdi32) {
    Pair src(16, 4, 32);
    Pair mono = Pair::Mono(16, 4);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        src.FillRandom();
        // Make some pixels the background colour, also with another unused byte.
        COLORREF key = ::GetPixel(src.real(), 3, 2);
        for (int i = 0; i < 12; ++i) {
            int x = static_cast<int>(Rng()() % 16), y = static_cast<int>(Rng()() % 4);
            ::SetPixel(src.real(), x, y, key);
            win::SetPixel(src.ours(), x, y, key);
        }
        SetColours(src, {RGB(9, 9, 9), key});
        SetColours(mono, {RGB(200, 0, 0), RGB(0, 0, 200)});
        mono.FillMonoRandom();
        BothBitBlt(mono, 0, 0, 16, 4, src, 0, 0, SRCCOPY);
        ASSERT_TRUE(mono.Same());
    }
}

TEST_F(RasterWine, MonochromeToColourMatchesGdi32) {
    Pair mono = Pair::Mono(16, 4);
    Pair dst(16, 4, 32);
    std::vector<RGBQUAD> pal = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
    Pair dst8(16, 4, 8, pal);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        mono.FillMonoRandom();
        dst.FillSentinel();
        dst8.FillSentinel();
        Colours c{Rng()() & 0xFFFFFF, Rng()() & 0xFFFFFF};
        SetColours(dst, c);
        SetColours(dst8, c);
        SetColours(mono, {RGB(1, 1, 1), RGB(2, 2, 2)});
        BothBitBlt(dst, 0, 0, 16, 4, mono, 0, 0, SRCCOPY);
        ASSERT_TRUE(dst.Same());
        BothBitBlt(dst8, 0, 0, 16, 4, mono, 0, 0, SRCCOPY);
        ASSERT_TRUE(dst8.Same());
        // The see-through mask blits of a picture with a key colour.
        dst.FillRandom();
        BothBitBlt(dst, 0, 0, 16, 4, mono, 0, 0, SRCAND);
        ASSERT_TRUE(dst.Same());
    }
}

TEST_F(RasterWine, BrushesAndPixelsOnMonochromeBitmapsMatchGdi32) {
    Pair mono = Pair::Mono(8, 2);
    // Black and white brushes (gdi32 dithers others), any pixel colour.
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(128, 128, 128), RGB(200, 10, 10), RGB(10, 10, 200)};
    for (COLORREF bk : colours) {
        for (COLORREF c : colours) {
            COLORREF brush = c == RGB(255, 255, 255) ? c : RGB(0, 0, 0);
            SCOPED_TRACE(testing::Message() << std::hex << "bk " << bk << " colour " << c);
            mono.FillMonoRandom();
            SetColours(mono, {RGB(0, 0, 0), bk});
            Brushes b(mono, brush);
            ::PatBlt(mono.real(), 0, 0, 4, 2, PATCOPY);
            win::PatBlt(mono.ours(), 0, 0, 4, 2, PATCOPY);
            ::SetPixel(mono.real(), 6, 1, c);
            win::SetPixel(mono.ours(), 6, 1, c);
            ASSERT_TRUE(mono.Same());
        }
    }
}

TEST_F(RasterWine, NearestPaletteColourMatchesGdi32) {
    std::vector<RGBQUAD> pal;
    for (int i = 0; i < 40; ++i) pal.push_back(RGBQUAD{static_cast<BYTE>(Rng()()), static_cast<BYTE>(Rng()()), static_cast<BYTE>(Rng()()), 0});
    pal[7] = pal[3];  // equal entries: the first wins
    Pair p8(32, 8, 8, pal), p4(32, 8, 4, std::vector<RGBQUAD>(pal.begin(), pal.begin() + 16));
    Pair src(32, 8, 32);
    src.FillRandom();
    for (Pair* p : {&p8, &p4}) {
        SCOPED_TRACE(p == &p8 ? "8 bits" : "4 bits");
        p->FillSentinel();
        BothBitBlt(*p, 0, 0, 32, 8, src, 0, 0, SRCCOPY);
        EXPECT_TRUE(p->Same());
        p->FillSentinel();
        for (int i = 0; i < 64; ++i) {
            COLORREF c = Rng()() & 0xFFFFFF;
            int x = i % 32, y = i / 32;
            EXPECT_EQ(win::SetPixel(p->ours(), x, y, c), ::SetPixel(p->real(), x, y, c));
        }
        EXPECT_TRUE(p->Same());
    }
}

TEST_F(RasterWine, StretchingMatchesGdi32) {
    struct Mode {
        const char* name;
        int mode;
    } modes[] = {{"COLORONCOLOR", COLORONCOLOR}, {"BLACKONWHITE", BLACKONWHITE}, {"WHITEONBLACK", WHITEONBLACK}};
    for (const Mode& m : modes) {
        for (int round = 0; round < 60; ++round) {
            int sw = 1 + static_cast<int>(Rng()() % 30), sh = 1 + static_cast<int>(Rng()() % 30);
            int dw = 1 + static_cast<int>(Rng()() % 40), dh = 1 + static_cast<int>(Rng()() % 40);
            SCOPED_TRACE(testing::Message() << m.name << " " << sw << "x" << sh << " -> " << dw << "x" << dh);
            Pair src(sw, sh, 32), dst(41, 41, 32);
            src.FillRandom();
            dst.FillSentinel();
            ::SetStretchBltMode(dst.real(), m.mode);
            win::SetStretchBltMode(dst.ours(), m.mode);
            BothStretchBlt(dst, 0, 0, dw, dh, src, 0, 0, sw, sh, SRCCOPY);
            ASSERT_TRUE(dst.Same());
        }
    }
}

TEST_F(RasterWine, MirroredStretchMatchesGdi32) {
    struct Case {
        int x, w, sx, sw;
    } cases[] = {{5, -5, 0, 5}, {0, 5, 5, -5}, {5, -5, 5, -5}, {9, -9, 0, 4}, {0, 4, 9, -9}, {8, -3, 1, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.w << " " << c.sx << " " << c.sw);
        Pair src(10, 3, 32), dst(12, 6, 32);
        src.FillRandom();
        dst.FillSentinel();
        ::SetStretchBltMode(dst.real(), COLORONCOLOR);
        win::SetStretchBltMode(dst.ours(), COLORONCOLOR);
        BothStretchBlt(dst, c.x, 0, c.w, 6, src, c.sx, 0, c.sw, 3, SRCCOPY);
        EXPECT_TRUE(dst.Same());
        BothStretchBlt(dst, c.x, 5, c.w, -5, src, c.sx, 2, c.sw, -2, SRCCOPY);
        EXPECT_TRUE(dst.Same());
    }
}

TEST_F(RasterWine, StretchedMaskOntoColourMatchesGdi32) {
    Pair mono = Pair::Mono(24, 23);
    Pair dst(48, 46, 32);
    mono.FillMonoRandom();
    dst.FillRandom();
    SetColours(dst, {RGB(0, 0, 0), RGB(255, 255, 255)});
    BothStretchBlt(dst, 0, 0, 48, 46, mono, 0, 0, 24, 23, SRCAND);
    EXPECT_TRUE(dst.Same());
}

TEST_F(RasterWine, FillsAndFocusRectangleMatchGdi32AndUser32) {
    Pair p(20, 12, 32);
    p.FillRandom();
    HBRUSH real = ::CreateSolidBrush(RGB(30, 60, 90));
    win::HBRUSH ours = win::CreateSolidBrush(RGB(30, 60, 90));
    struct Case {
        RECT r;
    } cases[] = {{{2, 1, 17, 10}}, {{3, 3, 4, 9}}, {{0, 0, 20, 12}}, {{5, 5, 14, 6}}, {{-3, -2, 8, 30}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom);
        win::RECT wr{c.r.left, c.r.top, c.r.right, c.r.bottom};
        ::DrawFocusRect(p.real(), &c.r);
        win::DrawFocusRect(p.ours(), &wr);
        EXPECT_TRUE(p.Same()) << "DrawFocusRect";
        ::FrameRect(p.real(), &c.r, real);
        win::FrameRect(p.ours(), &wr, ours);
        EXPECT_TRUE(p.Same()) << "FrameRect";
        ::InvertRect(p.real(), &c.r);
        win::InvertRect(p.ours(), &wr);
        EXPECT_TRUE(p.Same()) << "InvertRect";
        ::FillRect(p.real(), &c.r, real);
        win::FillRect(p.ours(), &wr, ours);
        EXPECT_TRUE(p.Same()) << "FillRect";
    }
    ::DeleteObject(real);
    win::DeleteObject(ours);
}

TEST_F(RasterWine, PenLinesAndRectanglesMatchGdi32) {
    Pair p(16, 16, 32);
    p.FillRandom();
    HPEN real_pen = ::CreatePen(PS_SOLID, 1, RGB(200, 100, 50));
    win::HPEN our_pen = win::CreatePen(PS_SOLID, 1, RGB(200, 100, 50));
    HGDIOBJ ro = ::SelectObject(p.real(), real_pen);
    win::HPEN oo = win::SelectObject(p.ours(), our_pen);
    Brushes b(p, RGB(1, 200, 3));
    for (int r2 : {R2_COPYPEN, R2_XORPEN, R2_NOT, R2_MASKPEN}) {
        SCOPED_TRACE(r2);
        ::SetROP2(p.real(), r2);
        win::SetROP2(p.ours(), r2);
        const POINT pts[] = {{1, 1}, {14, 1}, {14, 14}, {1, 14}, {1, 2}, {8, 8}};
        ::MoveToEx(p.real(), 0, 0, nullptr);
        win::MoveToEx(p.ours(), 0, 0, nullptr);
        for (POINT q : pts) {
            ::LineTo(p.real(), q.x, q.y);
            win::LineTo(p.ours(), q.x, q.y);
        }
        ::Rectangle(p.real(), 3, 4, 12, 9);
        win::Rectangle(p.ours(), 3, 4, 12, 9);
        EXPECT_TRUE(p.Same());
    }
    ::SelectObject(p.real(), ro);
    win::SelectObject(p.ours(), oo);
    ::DeleteObject(real_pen);
    win::DeleteObject(our_pen);
}

TEST_F(RasterWine, CompatibleBitmapsHaveGdi32sFormats) {
    struct Case {
        const char* name;
        int bpp;  // of a DIB section in the DC; 0: a fresh DC; 1 with mono: a monochrome bitmap
        bool mono;
    } cases[] = {{"fresh DC", 0, false}, {"monochrome", 1, true}, {"1", 1, false}, {"4", 4, false},
                 {"8", 8, false}, {"16", 16, false}, {"24", 24, false}, {"32", 32, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Pair> p;
        HDC real = ::CreateCompatibleDC(nullptr);
        win::HDC ours = win::CreateCompatibleDC(nullptr);
        if (c.mono) p = Pair::NewMono(4, 4);
        else if (c.bpp) p = std::make_unique<Pair>(4, 4, c.bpp, std::vector<RGBQUAD>(c.bpp <= 8 ? 1u << c.bpp : 0u, RGBQUAD{1, 2, 3, 0}));
        HBITMAP rb = ::CreateCompatibleBitmap(p ? p->real() : real, 3, 2);
        win::HBITMAP ob = win::CreateCompatibleBitmap(p ? p->ours() : ours, 3, 2);
        DIBSECTION ds{};
        int size = ::GetObjectW(rb, sizeof ds, &ds);
        EXPECT_EQ(ob->dib, size == static_cast<int>(sizeof(DIBSECTION)));
        // A device bitmap of the screen's depth is our 32-bit device format.
        EXPECT_EQ(ob->bpp, ds.dsBm.bmBitsPixel == 1 || ob->dib ? ds.dsBm.bmBitsPixel : 32);
        ::DeleteObject(rb);
        win::DeleteObject(ob);
        ::DeleteDC(real);
        win::DeleteDC(ours);
    }
}

}  // namespace
