// TBitmap: sizes, pixel formats and their conversions, scan lines, copies,
// transparency and masks, drawing onto canvases, resources.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"
#include "platform/headless/Headless.h"

using namespace win;

namespace {

class BitmapTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LiveGdiObjects(), live_) << "GDI objects leaked"; }
    long live_ = LiveGdiObjects();
};

// Fills a bitmap with a picture of distinct colours: pixel (x, y) is
// RGB(10 + 20x, 10 + 20y, 200).
void Paint(TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, RGB(10 + 20 * x, 10 + 20 * y, 200));
}
TColor Painted(int x, int y) { return static_cast<TColor>(RGB(10 + 20 * x, 10 + 20 * y, 200)); }

TEST_F(BitmapTest, NewBitmapIsEmpty) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.Handle(), nullptr);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_FALSE(b.Transparent());
    EXPECT_EQ(b.TransparentMode(), tmAuto);
    EXPECT_FALSE(b.Monochrome());
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphic);
    b.SetWidth(5);
    EXPECT_TRUE(b.Empty()) << "a bitmap needs both sides";
    b.SetHeight(4);
    EXPECT_FALSE(b.Empty());
    EXPECT_EQ(b.Handle()->bpp, 32);
}

TEST_F(BitmapTest, ResizingKeepsTheTopLeftAndAddsWhite) {
    struct Case {
        int w, h;
    } cases[] = {{6, 4}, {4, 6}, {2, 2}, {7, 1}, {1, 7}};
    for (TPixelFormat f : {pfDevice, pf8bit, pf24bit, pf1bit}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "format " << f << " to " << c.w << "x" << c.h);
            TBitmap b(4, 4, f);
            Paint(b);
            std::vector<TColor> before;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) before.push_back(b.Canvas()->Pixels(x, y));
            b.SetSize(c.w, c.h);
            ASSERT_EQ(b.Width(), c.w);
            ASSERT_EQ(b.Height(), c.h);
            EXPECT_EQ(b.PixelFormat(), f);
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    TColor want = (x < 4 && y < 4) ? before[static_cast<std::size_t>(y * 4 + x)] : clWhite;
                    EXPECT_EQ(b.Canvas()->Pixels(x, y), want) << x << "," << y;
                }
        }
    }
}

TEST_F(BitmapTest, PixelFormatConversionsKeepOrApproximateColours) {
    struct Case {
        const char* name;
        TPixelFormat from, to;
        TColor in, out;
    } cases[] = {
        {"32 to 24 keeps", pf32bit, pf24bit, 0x123456, 0x123456},
        {"24 to 32 keeps", pf24bit, pf32bit, 0x123456, 0x123456},
        {"device to 24 keeps", pfDevice, pf24bit, 0xFEDCBA, 0xFEDCBA},
        {"24 to 15 drops low bits", pf24bit, pf15bit, 0x563412, static_cast<TColor>(RGB(0x10, 0x31, 0x52))},
        {"24 to 16 drops low bits", pf24bit, pf16bit, 0x563412, static_cast<TColor>(RGB(0x10, 0x34, 0x52))},
        {"24 to 8 takes the nearest entry", pf24bit, pf8bit, static_cast<TColor>(RGB(250, 5, 5)), clRed},
        {"24 to 8 keeps a cube colour", pf24bit, pf8bit, static_cast<TColor>(RGB(51, 102, 153)), static_cast<TColor>(RGB(51, 102, 153))},
        {"24 to 4 takes the nearest VGA colour", pf24bit, pf4bit, static_cast<TColor>(RGB(120, 130, 128)), clGray},
        {"24 to 1 takes black or white", pf24bit, pf1bit, static_cast<TColor>(RGB(200, 190, 180)), clWhite},
        {"8 to 24 keeps", pf8bit, pf24bit, clTeal, clTeal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap b(3, 2, c.from);
        b.Canvas()->SetPixels(1, 1, c.in);
        b.SetPixelFormat(c.to);
        EXPECT_EQ(b.PixelFormat(), c.to);
        EXPECT_EQ(b.Canvas()->Pixels(1, 1), c.out);
        EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);
    }
    TBitmap b(1, 1);
    EXPECT_THROW(b.SetPixelFormat(pfCustom), EInvalidGraphic);
}

TEST_F(BitmapTest, FourBitsToEightKeepPaletteAndIndices) {
    TBitmap b(4, 1, pf4bit);
    std::vector<RGBQUAD> pal(16);
    for (int i = 0; i < 16; ++i) pal[static_cast<std::size_t>(i)] = RGBQUAD{static_cast<BYTE>(i * 16), 7, static_cast<BYTE>(255 - i), 0};
    pal[9] = pal[2];  // two equal entries: the indices tell them apart
    b.SetPalette(pal);
    auto* row = static_cast<std::uint8_t*>(b.ScanLine(0));
    row[0] = 0x29;
    row[1] = 0xF0;
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(b.Palette(), pal);
    auto* r8 = static_cast<const std::uint8_t*>(b.ScanLine(0));
    EXPECT_EQ(std::vector<int>(r8, r8 + 4), (std::vector<int>{2, 9, 15, 0}));
}

TEST_F(BitmapTest, ScanLinesFollowThePixelFormatTopRowFirst) {
    TBitmap b(2, 3, pf24bit);
    b.Canvas()->SetPixels(1, 0, static_cast<TColor>(RGB(0x11, 0x22, 0x33)));
    auto* top = static_cast<const std::uint8_t*>(b.ScanLine(0));
    EXPECT_EQ(top[3], 0x33);  // B, G, R
    EXPECT_EQ(top[4], 0x22);
    EXPECT_EQ(top[5], 0x11);
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(static_cast<const std::uint32_t*>(b.ScanLine(0))[1], 0x00112233u);
    static_cast<std::uint32_t*>(b.ScanLine(2))[0] = 0x00FF0000;  // red, bottom-left
    EXPECT_EQ(b.Canvas()->Pixels(0, 2), clRed);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphic);
}

TEST_F(BitmapTest, AssignCopiesAndNullEmpties) {
    TBitmap a(3, 2, pf8bit);
    Paint(a);
    a.SetTransparent(true);
    a.SetTransparentColor(clLime);
    TBitmap b;
    b.Assign(&a);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.Palette(), a.Palette());
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentColor(), clLime);
    EXPECT_NE(b.Handle(), a.Handle());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(b.Canvas()->Pixels(x, y), a.Canvas()->Pixels(x, y));
    a.Canvas()->SetPixels(0, 0, clBlack);
    EXPECT_NE(b.Canvas()->Pixels(0, 0), clBlack) << "the copy is independent";

    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    TFont font;
    EXPECT_THROW(b.Assign(&font), EConvertError);
}

TEST_F(BitmapTest, ChangesFireOnChange) {
    TBitmap b(2, 2);
    int changes = 0;
    b.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &b);
        ++changes;
    };
    b.Canvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(changes, 1);
    b.SetSize(3, 3);
    EXPECT_EQ(changes, 2);
    b.SetSize(3, 3);
    EXPECT_EQ(changes, 2) << "the same size is no change";
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(changes, 3);
    b.SetTransparent(true);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(b.Modified);
}

TEST_F(BitmapTest, TransparentColourAndMask) {
    TBitmap b(3, 2, pf24bit);
    Paint(b);
    b.Canvas()->SetPixels(0, 1, clFuchsia);  // bottom-left: the key in tmAuto
    b.Canvas()->SetPixels(2, 0, clFuchsia);
    EXPECT_EQ(b.TransparentColor(), clFuchsia);
    HBITMAP mask = b.MaskHandle();
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->monochrome_ddb);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP old = SelectObject(dc, mask);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            bool key = (x == 0 && y == 1) || (x == 2 && y == 0);
            EXPECT_EQ(GetPixel(dc, x, y), key ? 0xFFFFFFu : 0u) << x << "," << y;
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(b.MaskHandle(), mask) << "kept while the picture is unchanged";

    b.SetTransparentColor(Painted(1, 0));
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), Painted(1, 0));
    b.SetTransparentColor(clDefault);
    EXPECT_EQ(b.TransparentMode(), tmAuto);
    EXPECT_EQ(b.TransparentColor(), clFuchsia);

    HBITMAP mine = b.ReleaseMaskHandle();
    EXPECT_TRUE(DeleteObject(mine));
}

// Draws `picture` onto a grey canvas and reads what the canvas shows.
std::vector<TColor> DrawOnGrey(TBitmap& picture, const TRect& where, int cw, int ch) {
    TBitmap canvas(cw, ch);
    canvas.Canvas()->Brush()->SetColor(clGray);
    canvas.Canvas()->FillRect(Rect(0, 0, cw, ch));
    if (where.Width() == picture.Width() && where.Height() == picture.Height()) canvas.Canvas()->Draw(where.Left, where.Top, &picture);
    else canvas.Canvas()->StretchDraw(where, &picture);
    std::vector<TColor> out;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) out.push_back(canvas.Canvas()->Pixels(x, y));
    return out;
}

TEST_F(BitmapTest, DrawLeavesOutTheBottomLeftColourOfTransparentBitmaps) {
    for (TPixelFormat f : {pfDevice, pf24bit, pf8bit}) {
        SCOPED_TRACE(f);
        TBitmap pic(3, 2, f);
        Paint(pic);
        pic.Canvas()->SetPixels(0, 1, clFuchsia);
        pic.Canvas()->SetPixels(1, 0, clFuchsia);
        std::vector<TColor> opaque = DrawOnGrey(pic, Bounds(1, 1, 3, 2), 5, 4);
        pic.SetTransparent(true);
        std::vector<TColor> seen = DrawOnGrey(pic, Bounds(1, 1, 3, 2), 5, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                int px = x - 1, py = y - 1;
                bool inside = px >= 0 && px < 3 && py >= 0 && py < 2;
                TColor colour = inside ? pic.Canvas()->Pixels(px, py) : clGray;
                std::size_t i = static_cast<std::size_t>(y * 5 + x);
                EXPECT_EQ(opaque[i], colour) << x << "," << y;
                EXPECT_EQ(seen[i], colour == clFuchsia ? clGray : colour) << x << "," << y;
            }
    }
}

TEST_F(BitmapTest, StretchDrawDoublesEveryPixelAlsoSeeThrough) {
    TBitmap pic(3, 2, pf24bit);
    Paint(pic);
    pic.Canvas()->SetPixels(0, 1, clFuchsia);
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent);
        pic.SetTransparent(transparent);
        std::vector<TColor> seen = DrawOnGrey(pic, Rect(0, 0, 6, 4), 6, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                TColor colour = pic.Canvas()->Pixels(x / 2, y / 2);
                if (transparent && colour == clFuchsia) colour = clGray;
                EXPECT_EQ(seen[static_cast<std::size_t>(y * 6 + x)], colour) << x << "," << y;
            }
    }
}

TEST_F(BitmapTest, MonochromeBitmapsDrawBlackAndWhite) {
    TBitmap b(4, 1, pf24bit);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(Rect(0, 0, 4, 1));
    b.Canvas()->SetPixels(1, 0, clRed);
    b.Canvas()->SetPixels(2, 0, static_cast<TColor>(RGB(254, 255, 255)));
    b.SetMonochrome(true);
    EXPECT_TRUE(b.Monochrome());
    EXPECT_TRUE(b.Handle()->monochrome_ddb);
    std::vector<TColor> seen = DrawOnGrey(b, Bounds(0, 0, 4, 1), 4, 1);
    EXPECT_EQ(seen, (std::vector<TColor>{clWhite, clBlack, clBlack, clWhite})) << "only white stays white";
    b.SetMonochrome(false);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clBlack);
}

TEST_F(BitmapTest, HandlesChangeOwners) {
    TBitmap b(2, 2);
    b.Canvas()->FillRect(Rect(0, 0, 2, 2));  // the canvas's DC holds the bitmap
    HBITMAP h = b.ReleaseHandle();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(h->selected, 0) << "released out of the canvas";
    TBitmap c;
    c.SetHandle(h);
    EXPECT_EQ(c.Width(), 2);
    c.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(c.Canvas()->Pixels(0, 0), clRed);
    c.SetHandle(CreateBitmap(3, 1, 1, 1, nullptr));  // frees the previous one
    EXPECT_TRUE(c.Monochrome());
    EXPECT_EQ(c.Canvas()->Pixels(2, 0), clBlack);
}

std::vector<std::uint8_t> SmallBmp() {
    TBitmap b(2, 1, pf24bit);
    b.Canvas()->SetPixels(0, 0, clRed);
    b.Canvas()->SetPixels(1, 0, clBlue);
    TMemoryStream s;
    b.SaveToStream(&s);
    return s.Bytes;
}

TEST_F(BitmapTest, LoadsBitmapResourcesByName) {
    headless::RegisterResource("GRAPHICSTEST", "BITMAP", SmallBmp());
    TBitmap b;
    b.LoadFromResourceName("GRAPHICSTEST");
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clBlue);
    try {
        b.LoadFromResourceName("NO SUCH BITMAP");
        ADD_FAILURE() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_NE(std::string(e.what()).find("NO SUCH BITMAP"), std::string::npos);
    }
    EXPECT_EQ(b.Width(), 2) << "the picture stays";
    headless::UnregisterResources();
}

}  // namespace

// Files: a picture saved and loaded again is the same picture; a file that
// cannot be opened or made is a stream error, and a load that fails leaves
// the bitmap as it was.
TEST_F(BitmapTest, FilesRoundTripAndMissingOnesAreStreamErrors) {
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "/zimmo-bitmap-file-test.bmp";
    {
        TBitmap saved(3, 2, pf24bit);
        Paint(saved);
        saved.SaveToFile(file);
        TBitmap loaded;
        loaded.LoadFromFile(file);
        ASSERT_EQ(loaded.Width(), 3);
        ASSERT_EQ(loaded.Height(), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(loaded.Canvas()->Pixels(x, y), Painted(x, y)) << x << "," << y;

        EXPECT_THROW(loaded.LoadFromFile(dir + "/no-such-folder/none.bmp"), EStreamError);
        EXPECT_EQ(loaded.Width(), 3) << "a failed load changes nothing";
        EXPECT_THROW(saved.SaveToFile(dir + "/no-such-folder/none.bmp"), EStreamError);
    }
    std::remove(file.c_str());
}
