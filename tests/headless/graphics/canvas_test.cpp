// TCanvas and its tools on bitmaps, the text functions on the backend's
// font (whatever font it is: expectations come from os::render_text), and
// the colour functions.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/SysUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Color.h"

using namespace win;

namespace {

class CanvasTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LiveGdiObjects(), live_) << "GDI objects leaked"; }
    long live_ = LiveGdiObjects();
};

// ---------------------------------------------------------------- tools
TEST_F(CanvasTest, FontSizeAndHeightConvertAt96Dpi) {
    TFont f;
    EXPECT_EQ(f.Name(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(f.Height(), -12);
    EXPECT_EQ(f.Size(), 9);
    EXPECT_EQ(f.Charset(), 128);
    EXPECT_EQ(f.Color(), clWindowText);
    struct Case {
        int size, height;
    } sizes[] = {{9, -12}, {12, -16}, {10, -13}, {11, -15}, {1, -1}, {72, -96}};
    for (const Case& c : sizes) {
        SCOPED_TRACE(c.size);
        f.SetSize(c.size);
        EXPECT_EQ(f.Height(), c.height);
        EXPECT_EQ(f.Size(), c.size);
    }
    f.SetHeight(20);  // a positive height is the cell height
    EXPECT_EQ(f.Size(), -15);
    EXPECT_EQ(f.Description().height, 20);
    f.SetHeight(-14);
    f.SetStyle({fsBold, fsUnderline});
    f.SetName("IPAGothic");
    os::FontSpec s = f.Description();
    EXPECT_EQ(s.height, 14);
    EXPECT_TRUE(s.bold);
    EXPECT_FALSE(s.italic);
    EXPECT_TRUE(s.underline);
    EXPECT_EQ(s.name, "IPAGothic");
    EXPECT_EQ(s.charset, 128);
}

TEST_F(CanvasTest, ToolsReportOnlyRealChanges) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetColor(clRed);
    f.SetColor(clRed);
    f.SetSize(9);  // already 9
    f.SetStyle(TFontStyles{} << fsItalic);
    EXPECT_EQ(changes, 2);
    TFont g;
    g.SetName("Other");
    f.Assign(&g);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(f.Name(), "Other");
    EXPECT_TRUE(f.Style().Empty());

    TBrush b;
    b.SetStyle(bsClear);
    b.SetColor(clLime);
    EXPECT_EQ(b.Style(), bsSolid) << "a colour makes a clear brush solid";
    TPen p;
    EXPECT_EQ(p.Color(), clBlack);
    EXPECT_EQ(p.Width(), 1);
    EXPECT_EQ(p.Mode(), pmCopy);
}

TEST_F(CanvasTest, PenModesAreBinaryRasterOperations) {
    struct Case {
        TPenMode mode;
        int rop2;
    } cases[] = {{pmBlack, R2_BLACK}, {pmWhite, R2_WHITE}, {pmNop, R2_NOP}, {pmNot, R2_NOT}, {pmCopy, R2_COPYPEN},
                 {pmNotCopy, R2_NOTCOPYPEN}, {pmMergePenNot, R2_MERGEPENNOT}, {pmMaskPenNot, R2_MASKPENNOT},
                 {pmMergeNotPen, R2_MERGENOTPEN}, {pmMaskNotPen, R2_MASKNOTPEN}, {pmMerge, R2_MERGEPEN},
                 {pmNotMerge, R2_NOTMERGEPEN}, {pmMask, R2_MASKPEN}, {pmNotMask, R2_NOTMASKPEN}, {pmXor, R2_XORPEN},
                 {pmNotXor, R2_NOTXORPEN}};
    for (const Case& c : cases) EXPECT_EQ(PenModeToROP2(c.mode), c.rop2) << c.mode;
}

// ---------------------------------------------------------------- drawing
std::vector<TColor> Pixels(TBitmap& b) {
    std::vector<TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) out.push_back(b.Canvas()->Pixels(x, y));
    return out;
}

TEST_F(CanvasTest, FillFrameRectangleAndLines) {
    TBitmap b(6, 5, pf24bit);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clYellow);
    c->FillRect(Rect(1, 1, 5, 4));
    c->Brush()->SetStyle(bsClear);
    c->FillRect(Rect(0, 0, 6, 5));  // a clear brush fills nothing
    std::vector<TColor> px = Pixels(b);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(px[static_cast<std::size_t>(y * 6 + x)], (x >= 1 && x < 5 && y >= 1 && y < 4) ? clYellow : clWhite) << x << "," << y;

    c->Brush()->SetColor(clBlue);
    c->FrameRect(Rect(0, 0, 6, 5));
    EXPECT_EQ(c->Pixels(0, 0), clBlue);
    EXPECT_EQ(c->Pixels(5, 4), clBlue);
    EXPECT_EQ(c->Pixels(1, 1), clYellow);

    c->Pen()->SetColor(clRed);
    c->Brush()->SetColor(clLime);
    c->Rectangle(1, 1, 5, 4);
    EXPECT_EQ(c->Pixels(1, 1), clRed);
    EXPECT_EQ(c->Pixels(4, 3), clRed);
    EXPECT_EQ(c->Pixels(2, 2), clLime);

    c->MoveTo(0, 4);
    c->LineTo(3, 4);
    EXPECT_EQ(c->PenPos(), (TPoint{3, 4}));
    EXPECT_EQ(c->Pixels(2, 4), clRed);
    EXPECT_EQ(c->Pixels(3, 4), clBlue) << "a line leaves out its last pixel";
}

TEST_F(CanvasTest, XorPenDrawsAndUndoes) {
    TBitmap b(5, 5, pf24bit);
    std::vector<TColor> before = Pixels(b);
    TCanvas* c = b.Canvas();
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clLime);
    for (int i = 0; i < 2; ++i) {
        c->MoveTo(0, 0);
        c->LineTo(4, 4);
        if (i == 0) {
            EXPECT_EQ(c->Pixels(1, 1), clFuchsia);  // white xor lime
        }
    }
    EXPECT_EQ(Pixels(b), before);
}

TEST_F(CanvasTest, SystemColoursResolveThroughTheSystem) {
    TBitmap b(1, 1, pf24bit);
    b.Canvas()->Brush()->SetColor(clBtnFace);
    b.Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(static_cast<COLORREF>(b.Canvas()->Pixels(0, 0)), os::sys_color(15));
    EXPECT_EQ(ColorToRGB(clBtnShadow), os::sys_color(16));
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
}

TEST_F(CanvasTest, CopyRectUsesTheCopyMode) {
    TBitmap a(2, 1, pf24bit), b(2, 1, pf24bit);
    a.Canvas()->SetPixels(0, 0, clRed);
    a.Canvas()->SetPixels(1, 0, clWhite);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(0, 0, 2, 1));
    b.Canvas()->SetCopyMode(SRCINVERT);
    b.Canvas()->CopyRect(Rect(0, 0, 2, 1), a.Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clFuchsia);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clYellow);
    b.Canvas()->SetCopyMode(SRCCOPY);
    b.Canvas()->CopyRect(Rect(0, 0, 2, 1), a.Canvas(), Rect(1, 0, 2, 1));  // one pixel stretched to two
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clWhite);
}

TEST_F(CanvasTest, CanvasWithoutADeviceContextRefusesToDraw) {
    TCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

// ---------------------------------------------------------------- text
// The text pixels os::render_text gives for the font, placed at (x, y):
// ink where the coverage is at least 128; other pixels of the text cell
// `cell` (opaque) or `back` (transparent).
::testing::AssertionResult ShowsText(TBitmap& b, int x, int y, std::string_view text, const os::FontSpec& font, TColor ink,
                                     TColor back, bool opaque, TColor cell) {
    std::u16string t = Utf8ToUtf16(text);
    os::TextMetrics m;
    std::vector<std::uint8_t> cov = os::render_text(font, t, &m);
    if (m.width <= 0 || m.height <= 0) return ::testing::AssertionFailure() << "the font draws nothing";
    for (int py = 0; py < b.Height(); ++py)
        for (int px = 0; px < b.Width(); ++px) {
            int cx = px - x, cy = py - y;
            bool in = cx >= 0 && cx < m.width && cy >= 0 && cy < m.height;
            TColor want = back;
            if (in && cov[static_cast<std::size_t>(cy * m.width + cx)] >= 128) want = ink;
            else if (in && opaque) want = cell;
            TColor got = b.Canvas()->Pixels(px, py);
            if (got != want)
                return ::testing::AssertionFailure() << "pixel " << px << "," << py << ": " << std::hex << got << " instead of " << want;
        }
    return ::testing::AssertionSuccess();
}

TEST_F(CanvasTest, TextOutIsOpaqueOnASolidBrushAndTransparentOnAClearOne) {
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "bsClear" : "bsSolid");
        TBitmap b(40, 24, pf24bit);
        b.Canvas()->Brush()->SetColor(clSilver);
        b.Canvas()->FillRect(Rect(0, 0, 40, 24));
        b.Canvas()->Font()->SetColor(clNavy);
        b.Canvas()->Font()->SetHeight(-12);
        b.Canvas()->Brush()->SetColor(clYellow);
        if (clear) b.Canvas()->Brush()->SetStyle(bsClear);
        b.Canvas()->TextOut(3, 2, "Wg字");
        EXPECT_TRUE(ShowsText(b, 3, 2, "Wg字", b.Canvas()->Font()->Description(), clNavy, clSilver, !clear, clYellow));
        EXPECT_EQ(b.Canvas()->PenPos().x, 3 + b.Canvas()->TextWidth("Wg字")) << "TextOut moves the pen past the text";
    }
}

TEST_F(CanvasTest, TextExtentIsTheBackendsMeasure) {
    TBitmap b(1, 1);
    TCanvas* c = b.Canvas();
    c->Font()->SetHeight(-16);
    c->Font()->SetStyle({fsBold});
    for (const char* s : {"A", "Wg", "設定", "a b"}) {
        SCOPED_TRACE(s);
        os::TextMetrics m = os::measure_text(c->Font()->Description(), Utf8ToUtf16(s));
        SIZE e = c->TextExtent(s);
        EXPECT_EQ(e.cx, m.width);
        EXPECT_EQ(e.cy, m.height);
    }
    EXPECT_EQ(c->TextWidth(""), 0);
    EXPECT_GT(c->TextHeight(""), 0) << "an empty text still has a line's height";
}

TEST_F(CanvasTest, TextRectClipsAndFillsItsRectangle) {
    TBitmap b(30, 20, pf24bit);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clAqua);
    c->Font()->SetColor(clMaroon);
    TRect r = Rect(2, 3, 9, 12);
    c->TextRect(r, 4, 4, "WWWW");
    os::TextMetrics m;
    std::vector<std::uint8_t> cov = os::render_text(c->Font()->Description(), u"WWWW", &m);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            TColor want = clWhite;
            if (r.Contains(x, y)) {
                int cx = x - 4, cy = y - 4;
                bool ink = cx >= 0 && cx < m.width && cy >= 0 && cy < m.height && cov[static_cast<std::size_t>(cy * m.width + cx)] >= 128;
                want = ink ? clMaroon : clAqua;
            }
            ASSERT_EQ(c->Pixels(x, y), want) << x << "," << y;
        }
}

// DrawText on a bitmap's canvas, with transparent text.
struct TextSurface {
    explicit TextSurface(int w = 60, int h = 30) : b(w, h, pf24bit) {
        b.Canvas()->Font()->SetColor(clBlack);
        b.Canvas()->Brush()->SetStyle(bsClear);
        dc = b.Canvas()->Handle();
    }
    int Draw(std::string_view text, RECT r, UINT format) { return DrawTextUtf8(dc, text, &r, format); }
    os::FontSpec font() { return b.Canvas()->Font()->Description(); }
    TBitmap b;
    HDC dc;
};

TEST_F(CanvasTest, DrawTextPlacesSingleLinesByFormat) {
    TextSurface probe;
    os::TextMetrics m = os::measure_text(probe.font(), u"Ab");
    struct Case {
        const char* name;
        UINT format;
        int x, y;  // where the text lands in the rectangle (2, 1, 52, 27)
    } cases[] = {
        {"left top", DT_SINGLELINE, 2, 1},
        {"centre", DT_SINGLELINE | DT_CENTER, 2 + (50 - m.width) / 2, 1},
        {"right", DT_SINGLELINE | DT_RIGHT, 52 - m.width, 1},
        {"vertical centre", DT_SINGLELINE | DT_VCENTER, 2, 1 + (26 - m.height) / 2},
        {"bottom", DT_SINGLELINE | DT_BOTTOM, 2, 27 - m.height},
        {"centre both", DT_SINGLELINE | DT_CENTER | DT_VCENTER, 2 + (50 - m.width) / 2, 1 + (26 - m.height) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextSurface s;
        int h = s.Draw("Ab", RECT{2, 1, 52, 27}, c.format);
        EXPECT_TRUE(ShowsText(s.b, c.x, c.y, "Ab", s.font(), clBlack, clWhite, false, clWhite));
        EXPECT_EQ(h, c.y - 1 + m.height) << "the height, or the bottom of the text when centred or at the bottom";
    }
}

TEST_F(CanvasTest, DrawTextAmpersandsMarkTheAcceleratorUnlessNoPrefix) {
    struct Case {
        const char* text;
        const char* shown;
        int underlined;  // index into `shown`; -1 for none
        UINT extra;
    } cases[] = {
        {"&File", "File", 0, 0}, {"Sa&ve", "Save", 2, 0}, {"A && B", "A & B", -1, 0},
        {"&File", "&File", -1, DT_NOPREFIX}, {"x&", "x", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TextSurface s;
        RECT calc{0, 0, 0, 0};
        DrawTextUtf8(s.dc, c.text, &calc, DT_SINGLELINE | DT_CALCRECT | c.extra);
        os::TextMetrics m = os::measure_text(s.font(), Utf8ToUtf16(c.shown));
        EXPECT_EQ(calc.right, m.width) << "measured without the marks";
        EXPECT_EQ(calc.bottom, m.height);
        s.Draw(c.text, RECT{0, 0, 60, 30}, DT_SINGLELINE | c.extra);
        // Without the underline the text is exactly the backend's text.
        if (c.underlined < 0) {
            EXPECT_TRUE(ShowsText(s.b, 0, 0, c.shown, s.font(), clBlack, clWhite, false, clWhite));
            continue;
        }
        std::u16string shown = Utf8ToUtf16(c.shown);
        int ux = os::measure_text(s.font(), std::u16string_view(shown).substr(0, static_cast<std::size_t>(c.underlined))).width;
        int uw = os::measure_text(s.font(), std::u16string_view(shown).substr(static_cast<std::size_t>(c.underlined), 1)).width;
        int row = std::min(m.ascent, m.height - 1);
        for (int x = 0; x < 60; ++x) {
            bool under = x >= ux && x < ux + uw;
            if (under) {
                EXPECT_EQ(s.b.Canvas()->Pixels(x, row), clBlack) << "underline at " << x;
            }
        }
        // Away from the underline row the pixels are the text's.
        TextSurface plain;
        plain.Draw(c.shown, RECT{0, 0, 60, 30}, DT_SINGLELINE | DT_NOPREFIX);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                if (y != row) {
                    ASSERT_EQ(s.b.Canvas()->Pixels(x, y), plain.b.Canvas()->Pixels(x, y)) << x << "," << y;
                }
    }
}

TEST_F(CanvasTest, DrawTextBreaksLinesAndMeasuresThem) {
    TextSurface s;
    os::TextMetrics line = os::measure_text(s.font(), u" ");
    int wide = os::measure_text(s.font(), u"aaaa").width;
    struct Case {
        const char* name;
        const char* text;
        UINT format;
        int width;  // of the rectangle
        int lines;
        const char16_t* widest;
    } cases[] = {
        {"line breaks", "ab\ncdef\r\ng", 0, 100, 3, u"cdef"},
        {"single line ignores breaks", "ab\ncd", DT_SINGLELINE, 100, 1, nullptr},
        {"word break", "aaaa bb c", DT_WORDBREAK, wide + 1, 2, u"aaaa"},
        {"word break, three lines", "aaaa bb cc", DT_WORDBREAK, wide + 1, 3, u"aaaa"},
        {"a long word keeps its line", "aaaaaaaaaa b", DT_WORDBREAK, wide, 2, u"aaaaaaaaaa"},
        {"no word break", "aaaa bb cc", 0, wide + 1, 1, u"aaaa bb cc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RECT r{5, 7, 5 + c.width, 7};
        int h = DrawTextUtf8(s.dc, c.text, &r, c.format | DT_CALCRECT);
        EXPECT_EQ(h, c.lines * line.height);
        EXPECT_EQ(r.bottom, 7 + c.lines * line.height);
        EXPECT_EQ(r.left, 5);
        if (c.widest) {
            EXPECT_EQ(r.right, 5 + os::measure_text(s.font(), c.widest).width);
        }
    }

    // The lines are drawn one below the other.
    TextSurface t(60, 40);
    t.Draw("ab\ncd", RECT{1, 1, 60, 40}, 0);
    TextSurface first(60, 40), second(60, 40);
    first.Draw("ab", RECT{1, 1, 60, 40}, DT_SINGLELINE);
    second.Draw("cd", RECT{1, 1 + line.height, 60, 40}, DT_SINGLELINE);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            TColor want = y < 1 + line.height ? first.b.Canvas()->Pixels(x, y) : second.b.Canvas()->Pixels(x, y);
            ASSERT_EQ(t.b.Canvas()->Pixels(x, y), want) << x << "," << y;
        }
}

TEST_F(CanvasTest, DrawTextClipsToItsRectangleUnlessNoClip) {
    for (bool noclip : {false, true}) {
        SCOPED_TRACE(noclip ? "DT_NOCLIP" : "clipped");
        TextSurface s;
        s.Draw("WWWWWW", RECT{0, 0, 7, 30}, DT_SINGLELINE | (noclip ? DT_NOCLIP : 0));
        TextSurface full;
        full.Draw("WWWWWW", RECT{0, 0, 60, 30}, DT_SINGLELINE);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x) {
                TColor want = (x < 7 || noclip) ? full.b.Canvas()->Pixels(x, y) : clWhite;
                ASSERT_EQ(s.b.Canvas()->Pixels(x, y), want) << x << "," << y;
            }
    }
}

TEST_F(CanvasTest, TextIsUtf8AndBadBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("aé字😀"), u"aé字😀");
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE5\xAD"), u"\uFFFD\uFFFD");  // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // over-long
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");    // a surrogate
}

// ---------------------------------------------------------------- colour names
TEST_F(CanvasTest, ColoursConvertToAndFromTheirNames) {
    struct Case {
        TColor color;
        const char* text;
    } cases[] = {{clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clNone, "clNone"}, {clDefault, "clDefault"},
                 {clGray, "clGray"}, {0x00123456, "$00123456"}, {clInfoBk, "clInfoBk"}, {static_cast<TColor>(0x80000000 | 40), "$80000028"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ColorToString(c.color), c.text);
        EXPECT_EQ(StringToColor(c.text), c.color);
    }
    EXPECT_EQ(StringToColor("CLRED"), clRed) << "names in any case";
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("-2147483633"), clBtnFace);
    EXPECT_EQ(StringToColor("clDkGray"), clGray);
    for (const char* bad : {"", "clPink", "$", "$12345678901", "12x", "-", "$-1", "--5", "99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(StringToColor(bad), EConvertError);
    }
}

}  // namespace
