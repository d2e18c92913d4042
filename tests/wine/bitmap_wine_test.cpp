// Our BMP files against the real gdi32 and user32: the bytes our writer
// makes are read by LoadImage and CreateDIBitmap, and our reader takes
// what GetDIBits writes, with the same pixels either way.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Bmp.h"

#include <windows.h>

namespace {

struct Format {
    const char* name;
    TPixelFormat format;
    int bpp;
    bool rgb565;
};
const Format kFormats[] = {
    {"1", pf1bit, 1, false},  {"4", pf4bit, 4, false},  {"8", pf8bit, 8, false},   {"15", pf15bit, 16, false},
    {"16", pf16bit, 16, true}, {"24", pf24bit, 24, false}, {"32", pf32bit, 32, false}, {"device", pfDevice, 32, false},
};

// A picture of random pixels and, when paletted, a random palette.
void Randomise(TBitmap& b, std::mt19937& rng) {
    if (b.Handle()->bpp <= 8) {
        std::vector<win::RGBQUAD> pal = b.Palette();
        for (auto& q : pal) q = win::RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), 0};
        b.SetPalette(pal);
    }
    for (int y = 0; y < b.Height(); ++y) {
        auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
        for (int i = 0; i < b.Handle()->stride; ++i) row[i] = static_cast<std::uint8_t>(rng());
        if (b.Handle()->bpp == 32)
            for (int x = 0; x < b.Width(); ++x) row[4 * x + 3] = 0;  // no alpha: LoadImage would keep it anyway
    }
}

COLORREF OurPixel(TBitmap& b, int x, int y) { return static_cast<COLORREF>(b.Canvas()->Pixels(x, y)); }

std::string TempPath(const char* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    char narrow[MAX_PATH * 2];
    WideCharToMultiByte(CP_ACP, 0, dir, -1, narrow, sizeof narrow, nullptr, nullptr);
    return std::string(narrow) + name;
}

// Pixels of a real bitmap as 32-bit colours, through GetDIBits into a
// buffer of sentinels: rows the call did not fill show up.
std::vector<std::uint32_t> RealPixels(HBITMAP bitmap, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h, 0xA5A5A5A5);
    HDC dc = GetDC(nullptr);
    int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(lines, h);
    return px;
}

std::uint32_t AsDibPixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

TEST(BitmapWine, OurFilesLoadWithLoadImageAndCreateDIBitmap) {
    std::mt19937 rng(11);
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        const int w = 13, h = 5;
        TBitmap ours(w, h, f.format);
        Randomise(ours, rng);
        TMemoryStream s;
        ours.SaveToStream(&s);

        std::string path = TempPath("zimmo-graphics-test.bmp");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(s.Bytes.data()), static_cast<std::streamsize>(s.Bytes.size()));
        }
        HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(loaded, nullptr);
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectW(loaded, sizeof ds, &ds), static_cast<int>(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmWidth, w);
        EXPECT_EQ(ds.dsBm.bmHeight, h);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, f.bpp);
        std::vector<std::uint32_t> real = RealPixels(loaded, w, h);
        // LoadImage keeps a 5-6-5 file in a 5-5-5 section: green loses a bit.
        std::uint32_t significant = f.rgb565 ? 0xF8F8F8 : 0xFFFFFF;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(real[static_cast<std::size_t>(y * w + x)] & significant, AsDibPixel(OurPixel(ours, x, y)) & significant)
                    << x << "," << y;
        DeleteObject(loaded);
        DeleteFileA(path.c_str());

        // The packed DIB after the file header, as CreateDIBitmap reads it.
        const auto* info = reinterpret_cast<const BITMAPINFO*>(s.Bytes.data() + 14);
        std::uint32_t off = s.Bytes[10] | (s.Bytes[11] << 8) | (s.Bytes[12] << 16) | (static_cast<std::uint32_t>(s.Bytes[13]) << 24);
        HDC screen = GetDC(nullptr);
        HBITMAP ddb = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, s.Bytes.data() + off, info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        ASSERT_NE(ddb, nullptr);
        real = RealPixels(ddb, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(real[static_cast<std::size_t>(y * w + x)] & 0xFFFFFF, AsDibPixel(OurPixel(ours, x, y))) << x << "," << y;
        DeleteObject(ddb);
    }
}

TEST(BitmapWine, WeReadWhatGetDIBitsWrites) {
    std::mt19937 rng(12);
    for (const Format& f : kFormats) {
        if (f.format == pfDevice) continue;
        for (bool top_down : {false, true}) {
            SCOPED_TRACE(testing::Message() << f.name << (top_down ? " top-down" : " bottom-up"));
            const int w = 11, h = 4;
            // A real DIB section of the format with random content.
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD colors[256];
            } bi{};
            bi.h.biSize = sizeof(BITMAPINFOHEADER);
            bi.h.biWidth = w;
            bi.h.biHeight = h;
            bi.h.biPlanes = 1;
            bi.h.biBitCount = static_cast<WORD>(f.bpp);
            int colours = f.bpp <= 8 ? 1 << f.bpp : 0;
            for (int i = 0; i < colours; ++i) bi.colors[i] = RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), 0};
            if (f.rgb565) {
                bi.h.biCompression = BI_BITFIELDS;
                DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
                std::memcpy(bi.colors, masks, sizeof masks);
            }
            void* bits = nullptr;
            HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(dib, nullptr);
            int stride = ((w * f.bpp + 31) / 32) * 4;
            for (int i = 0; i < stride * h; ++i) static_cast<std::uint8_t*>(bits)[i] = static_cast<std::uint8_t>(rng());

            // GetDIBits into sentinels, with a header asking for the same format.
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD colors[256];
            } out{};
            out.h = bi.h;
            out.h.biHeight = top_down ? -h : h;
            std::memset(out.colors, 0xA5, sizeof out.colors);
            if (f.rgb565) std::memcpy(out.colors, bi.colors, 12);
            std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * h, 0xA5);
            HDC dc = CreateCompatibleDC(nullptr);
            ASSERT_EQ(GetDIBits(dc, dib, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS), h);

            std::size_t table = f.rgb565 ? 12 : static_cast<std::size_t>(colours) * 4;
            std::vector<std::uint8_t> file(14 + 40 + table);
            file[0] = 'B';
            file[1] = 'M';
            std::uint32_t off = static_cast<std::uint32_t>(file.size()), size = off + static_cast<std::uint32_t>(pixels.size());
            std::memcpy(&file[2], &size, 4);
            std::memcpy(&file[10], &off, 4);
            out.h.biClrUsed = 0;
            std::memcpy(&file[14], &out.h, 40);
            std::memcpy(&file[54], out.colors, table);
            file.insert(file.end(), pixels.begin(), pixels.end());

            TBitmap ours;
            TMemoryStream s(file);
            ours.LoadFromStream(&s);
            ASSERT_EQ(ours.Width(), w);
            ASSERT_EQ(ours.Height(), h);
            EXPECT_EQ(ours.PixelFormat(), f.format);
            HGDIOBJ old = SelectObject(dc, dib);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) ASSERT_EQ(OurPixel(ours, x, y), GetPixel(dc, x, y)) << x << "," << y;
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(dib);
        }
    }
}

}  // namespace
