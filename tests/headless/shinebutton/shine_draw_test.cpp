// TShineSpeedButton's pictures: the state images of a small hand-made glyph,
// the emboss mask, the layout, the frames and the gradient face.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/graphics/Gdi.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"

namespace {

// Pixel words 0x00RRGGBB; colours as TColor 0x00BBGGRR.
constexpr std::uint32_t K = 0xFF00FF, A = 0x804020, B = 0x102030, S = 0xFFFF00;
TColor ColorOf(std::uint32_t px) { return TColor(((px & 0xFF) << 16) | (px & 0xFF00) | ((px >> 16) & 0xFF)); }

// The glyph, bottom-left pixel K:   K A K K
//                                   A B K K
//                                   K K K K
const std::vector<std::vector<std::uint32_t>> kGlyph = {{K, A, K, K}, {A, B, K, K}, {K, K, K, K}};

std::unique_ptr<TBitmap> MakeGlyph(const std::vector<std::vector<std::uint32_t>>& rows) {
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    auto bmp = std::make_unique<TBitmap>(w, h, pf32bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            static_cast<std::uint32_t*>(bmp->ScanLine(y))[x] = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    return bmp;
}

std::vector<std::vector<std::uint32_t>> PixelsOf(TBitmap* bmp) {
    std::vector<std::vector<std::uint32_t>> rows;
    for (int y = 0; y < bmp->Height(); ++y) {
        const auto* row = static_cast<const std::uint32_t*>(bmp->ScanLine(y));
        rows.emplace_back();
        for (int x = 0; x < bmp->Width(); ++x) rows.back().push_back(row[x] & 0xFFFFFF);
    }
    return rows;
}

class ShineDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPlatformClasses(); }
    void SetUp() override {
        headless::Reset();
        form = new TForm(Application);
        form->SetBorderStyle(bsNone);
        form->SetBounds(0, 0, 120, 80);
        form->SetColor(TColor(0x00404040));
        button = new TShineSpeedButton(form);
        button->SetParent(form);
        button->SetBounds(10, 10, 25, 25);
        form->Show();
        os::update_window(form->Handle());
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }
    headless::Image Surface() {
        os::update_window(form->Handle());
        return headless::Surface(form->Handle());
    }
    // A pixel of the button, as 0x00RRGGBB.
    std::uint32_t At(const headless::Image& image, int x, int y) { return image.at(10 + x, 10 + y) & 0xFFFFFF; }

    TForm* form = nullptr;
    TShineSpeedButton* button = nullptr;
};

// ---------------------------------------------------------------- state images
TEST_F(ShineDrawTest, ActiveEffectsPerPixel) {
    struct Case {
        TActiveImageType effect;
        std::vector<std::vector<std::uint32_t>> expected;
    };
    const Case cases[] = {
        {aiNormal, kGlyph},
        {aiXorLight, {{K, 0x7FBF20, K, K}, {0x7FBF20, 0xEFDF30, K, K}, {K, K, K, K}}},
        {aiHalfLight, {{K, 0xBF9F10, K, K}, {0xBF9F10, 0x878F18, K, K}, {K, K, K, K}}},
        {aiQuaterLight, {{K, 0xDFCF08, K, K}, {0xDFCF08, 0xC3C70C, K, K}, {K, K, K, K}}},
        {aiAddLight, {{K, 0xFFFF20, K, K}, {0xFFFF20, 0xFFFF30, K, K}, {K, K, K, K}}},
        // The outline: transparent pixels beside the picture (never diagonally).
        {aiFrameLight, {{S, A, S, K}, {A, B, S, K}, {S, S, K, K}}},
        // Two pixels wide: also the transparent neighbours of the outline.
        {aiFrameLight2, {{S, A, S, S}, {A, B, S, S}, {S, S, S, K}}},
        {aiMaskLight, {{K, S, K, K}, {S, B, K, K}, {K, K, K, K}}},
    };
    auto glyph = MakeGlyph(kGlyph);
    button->SetGlyph(glyph.get());
    button->MouseEnter(0, 0, 0);
    ASSERT_EQ(button->State(), sbActiveUp);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        button->SetActiveImage(c.effect);
        auto image = button->CreateStateGlyph();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(PixelsOf(image.get()), c.expected);
        EXPECT_TRUE(image->Transparent());
        EXPECT_EQ(image->TransparentColor(), ColorOf(K));
    }
}

TEST_F(ShineDrawTest, DisabledEffectsPerPixel) {
    struct Case {
        TDisabledImageType effect;
        std::vector<std::vector<std::uint32_t>> expected;
    };
    const Case cases[] = {
        {diGrayscale, {{K, 0x4A4A4A, K, K}, {0x4A4A4A, 0x202020, K, K}, {K, K, K, K}}},
        // Over the face colour (C0, C0, C0).
        {diAlphaHalfTrans, {{K, 0xA08070, K, K}, {0xA08070, 0x687078, K, K}, {K, K, K, K}}},
        {diAlphaQuaterTrans, {{K, 0xB0A098, K, K}, {0xB0A098, 0x94989C, K, K}, {K, K, K, K}}},
        {diMaskTrans, {{K, K, K, K}, {K, B, K, K}, {K, K, K, K}}},
    };
    auto glyph = MakeGlyph(kGlyph);
    button->SetGlyph(glyph.get());
    button->Colors()->SetColor(TColor(0xC0C0C0));
    button->SetEnabled(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        button->SetDisabledImage(c.effect);
        auto image = button->CreateStateGlyph();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(PixelsOf(image.get()), c.expected);
    }
}

TEST_F(ShineDrawTest, EffectsOnEdgeCases) {
    // Red and a picture pixel that takes the key's own colour.
    auto glyph = MakeGlyph({{0xFF0000, 0x000000, 0x00FFFF}, {0x00FF00, 0xFF0000, 0x00FFFF}});
    button->SetGlyph(glyph.get());
    button->MouseEnter(0, 0, 0);
    struct Case {
        TActiveImageType effect;
        TColor shine;
        std::vector<std::vector<std::uint32_t>> expected;
    } cases[] = {
        // Black shine: xor changes nothing.
        {aiXorLight, clBlack, {{0xFF0000, 0x000000, 0x00FFFF}, {0x00FF00, 0xFF0000, 0x00FFFF}}},
        // Shine equal to a pixel: the half-way mix leaves it.
        {aiHalfLight, clRed, {{0xFF0000, 0x7F0000, 0x7F7F7F}, {0x00FF00, 0xFF0000, 0x7F7F7F}}},
        {aiAddLight, clWhite, {{0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, {0x00FF00, 0xFFFFFF, 0xFFFFFF}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        button->SetActiveImage(c.effect);
        button->SetShineColor(c.shine);
        auto image = button->CreateStateGlyph();
        EXPECT_EQ(PixelsOf(image.get()), c.expected);
    }
    // Grey of pure red.
    button->SetEnabled(false);
    button->SetDisabledImage(diGrayscale);
    EXPECT_EQ(PixelsOf(button->CreateStateGlyph().get())[0][0], 0x555555u);
}

TEST_F(ShineDrawTest, CheckerboardEffectsOnEveryPixelOfAnOddGlyph) {
    auto glyph = MakeGlyph({{A, A, A}, {A, A, A}, {K, A, A}});
    button->SetGlyph(glyph.get());
    button->MouseEnter(0, 0, 0);
    button->SetActiveImage(aiMaskLight);
    EXPECT_EQ(PixelsOf(button->CreateStateGlyph().get()),
              (std::vector<std::vector<std::uint32_t>>{{A, S, A}, {S, A, S}, {K, S, A}}));
}

TEST_F(ShineDrawTest, FrameLightDrawsNoHaloPastTheBorder) {
    auto glyph = MakeGlyph({{A, K, K}, {K, K, K}});
    button->SetGlyph(glyph.get());
    button->MouseEnter(0, 0, 0);
    EXPECT_EQ(PixelsOf(button->CreateStateGlyph().get()),
              (std::vector<std::vector<std::uint32_t>>{{A, S, K}, {S, K, K}}));
}

TEST_F(ShineDrawTest, EmbossMaskMarksDiagonalChanges) {
    auto glyph = MakeGlyph(kGlyph);
    button->SetGlyph(glyph.get());
    button->SetEnabled(false);
    auto mask = button->CreateStateGlyph();
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->Monochrome());
    const char* expected[] = {"##..", "##..", "...."};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(mask->Canvas()->Pixels(x, y) & 0xFFFFFF, expected[y][x] == '#' ? 0xFFFFFFu : 0u) << x << "," << y;
    // One colour on the key: only the outline.
    auto solid = MakeGlyph({{K, K, K, K}, {K, A, A, K}, {K, A, A, K}, {K, K, K, K}});
    button->SetGlyph(solid.get());
    mask = button->CreateStateGlyph();
    const char* outline[] = {"###.", "#.#.", "###.", "...."};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(mask->Canvas()->Pixels(x, y) & 0xFFFFFF, outline[y][x] == '#' ? 0xFFFFFFu : 0u) << x << "," << y;
}

TEST_F(ShineDrawTest, EmptyGlyphHasNoStateImage) { EXPECT_EQ(button->CreateStateGlyph(), nullptr); }

// ---------------------------------------------------------------- painting the glyph
TEST_F(ShineDrawTest, DisabledDefaultShowsTheEmbossedEdgesOnly) {
    auto glyph = MakeGlyph(kGlyph);
    button->SetGlyph(glyph.get());
    button->SetUpFrame(false);
    button->Colors()->SetColor(TColor(0x202020));
    button->SetDisabledHighlight(TColor(0x0000FF));  // red
    button->SetDisabledShadow(TColor(0xFF0000));     // blue
    button->SetEnabled(false);
    headless::Image image = Surface();
    // The glyph (4 x 3) sits at (10, 11); mask pixels (0,0) (1,0) (0,1) (1,1).
    std::map<std::pair<int, int>, std::uint32_t> expected = {
        {{10, 11}, 0x0000FF}, {{11, 11}, 0x0000FF}, {{10, 12}, 0x0000FF}, {{11, 12}, 0x0000FF},
        {{12, 12}, 0xFF0000}, {{11, 13}, 0xFF0000}, {{12, 13}, 0xFF0000},
    };
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) {
            auto it = expected.find({x, y});
            EXPECT_EQ(At(image, x, y), it == expected.end() ? 0x202020u : it->second) << x << "," << y;
        }
}

TEST_F(ShineDrawTest, GlyphIsDrawnTransparentAndMovesOneDownWhenDown) {
    auto glyph = MakeGlyph({{A, K}, {K, K}});
    button->SetGlyph(glyph.get());
    button->SetUpFrame(false);
    button->SetDownFrame(false);
    button->SetActiveFrame(false);
    button->Colors()->SetColor(TColor(0x202020));
    button->PressedColors()->SetColor(TColor(0x303030));
    headless::Image up = Surface();
    // 2 x 2 on 25 x 25: at (11, 11).
    EXPECT_EQ(At(up, 11, 11), A);
    EXPECT_EQ(At(up, 12, 11), 0x202020u);
    EXPECT_EQ(At(up, 11, 12), 0x202020u);
    button->SetGroupIndex(1);
    button->SetDown(true);
    ASSERT_EQ(button->State(), sbDown);
    headless::Image down = Surface();
    EXPECT_EQ(At(down, 12, 12), A);
    EXPECT_EQ(At(down, 11, 11), 0x303030u);
}

TEST_F(ShineDrawTest, TransparentButtonLetsTheParentShow) {
    button->SetTransparent(true);
    button->SetUpFrame(false);
    headless::Image image = Surface();
    for (int y = 0; y < 25; y += 6)
        for (int x = 0; x < 25; x += 6) EXPECT_EQ(At(image, x, y), 0x404040u);
}

// ---------------------------------------------------------------- captions
TEST_F(ShineDrawTest, CaptionShadowAndHighlightDrawOnlyWhenSet) {
    button->SetBounds(10, 10, 60, 25);
    button->SetUpFrame(false);
    button->SetCaption("W");
    button->Colors()->SetColor(clBlack);
    button->Font()->SetColor(clWhite);
    auto colours = [&] {
        headless::Image image = Surface();
        std::map<std::uint32_t, int> seen;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 60; ++x) ++seen[At(image, x, y)];
        return seen;
    };
    auto plain = colours();
    EXPECT_EQ(plain.count(0xFF0000), 0u);
    button->SetFontShadow(clBlue);  // 0x0000FF pixel
    auto shadow = colours();
    EXPECT_GT(shadow.count(0x0000FF), 0u);
    EXPECT_EQ(shadow.count(0xFF0000), 0u);
    button->SetFontShadow(clNone);
    button->SetFontHighlight(clRed);
    auto highlight = colours();
    EXPECT_GT(highlight.count(0xFF0000), 0u);
    EXPECT_EQ(highlight.count(0x0000FF), 0u);
    // Disabled: the two disabled colours, whatever the shadow and highlight say.
    button->SetDisabledHighlight(clLime);
    button->SetDisabledShadow(clYellow);
    button->SetEnabled(false);
    auto disabled = colours();
    EXPECT_GT(disabled.count(0x00FF00), 0u);
    EXPECT_GT(disabled.count(0xFFFF00), 0u);
    EXPECT_EQ(disabled.count(0xFF0000), 0u);
    EXPECT_EQ(disabled.count(0xFFFFFF), 0u);
}

// ---------------------------------------------------------------- layout
TEST_F(ShineDrawTest, LayoutTable) {
    TBitmap scratch(1, 1, pf32bit);
    TCanvas* canvas = scratch.Canvas();
    // The caption's extent as DrawText measures it, independently of the button.
    win::RECT r{0, 0, 75, 0};
    win::DrawTextUtf8(canvas->Handle(), "Ab", &r, win::DT_CALCRECT);
    const int tw = r.right, th = r.bottom;
    ASSERT_GT(tw, 0);
    ASSERT_GT(th, 0);
    struct Case {
        const char* what;
        int w, h, gw, gh;
        bool caption;
        TButtonLayout layout;
        int margin, spacing;
        TPoint glyph;
        TRect text;
    };
    const int bw = 16 + 4 + tw, bh = std::max(16, th);  // glyph left or right of the caption
    const int vh = 16 + 4 + th, vw = std::max(16, tw);  // glyph above or below
    const Case cases[] = {
        {"wide glyph centred: truncates toward zero", 25, 25, 30, 16, false, blGlyphLeft, -1, 4, {-2, 4}, {}},
        {"odd remainder goes right and down", 25, 25, 16, 16, false, blGlyphLeft, -1, 4, {4, 4}, {}},
        {"no spacing without a caption", 25, 25, 16, 16, false, blGlyphRight, 0, 4, {9, 4}, {}},
        {"left, centred", 75, 25, 16, 16, true, blGlyphLeft, -1, 4,
         {(75 - bw) / 2, (25 - bh) / 2 + (bh - 16) / 2},
         Rect((75 - bw) / 2 + 20, (25 - bh) / 2 + (bh - th) / 2, (75 - bw) / 2 + 20 + tw, (25 - bh) / 2 + (bh - th) / 2 + th)},
        {"left, margin 0", 75, 25, 16, 16, true, blGlyphLeft, 0, 4,
         {0, (25 - bh) / 2 + (bh - 16) / 2}, Rect(20, (25 - bh) / 2 + (bh - th) / 2, 20 + tw, (25 - bh) / 2 + (bh - th) / 2 + th)},
        {"right, margin 0 touches the right edge", 75, 25, 16, 16, true, blGlyphRight, 0, 4,
         {75 - 16, (25 - bh) / 2 + (bh - 16) / 2},
         Rect(75 - bw, (25 - bh) / 2 + (bh - th) / 2, 75 - bw + tw, (25 - bh) / 2 + (bh - th) / 2 + th)},
        {"top, margin 0", 75, 50, 16, 16, true, blGlyphTop, 0, 4,
         {(75 - vw) / 2 + (vw - 16) / 2, 0}, Rect((75 - vw) / 2 + (vw - tw) / 2, 20, (75 - vw) / 2 + (vw - tw) / 2 + tw, 20 + th)},
        {"bottom, margin 0 touches the bottom edge", 75, 50, 16, 16, true, blGlyphBottom, 0, 4,
         {(75 - vw) / 2 + (vw - 16) / 2, 50 - 16}, Rect((75 - vw) / 2 + (vw - tw) / 2, 50 - vh, (75 - vw) / 2 + (vw - tw) / 2 + tw, 50 - vh + th)},
        {"bottom, centred", 75, 50, 16, 16, true, blGlyphBottom, -1, 4,
         {(75 - vw) / 2 + (vw - 16) / 2, (50 - vh) / 2 + th + 4},
         Rect((75 - vw) / 2 + (vw - tw) / 2, (50 - vh) / 2, (75 - vw) / 2 + (vw - tw) / 2 + tw, (50 - vh) / 2 + th)},
        {"caption only", 75, 25, 0, 0, true, blGlyphLeft, -1, 4, {(75 - tw) / 2, (25 - th) / 2 + th / 2},
         Rect((75 - tw) / 2, (25 - th) / 2, (75 - tw) / 2 + tw, (25 - th) / 2 + th)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        button->SetBounds(10, 10, c.w, c.h);
        if (c.gw > 0) {
            TBitmap g(c.gw, c.gh, pf32bit);
            button->SetGlyph(&g);
        } else {
            button->SetGlyph(nullptr);
        }
        button->SetCaption(c.caption ? "Ab" : "");
        button->SetLayout(c.layout);
        button->SetMargin(c.margin);
        button->SetSpacing(c.spacing);
        TPoint glyph;
        TRect text;
        button->CalcDrawPosition(canvas, &glyph, &text);
        EXPECT_EQ(glyph.x, c.glyph.x);
        EXPECT_EQ(glyph.y, c.glyph.y);
        if (c.caption) EXPECT_EQ(text, c.text);
        else EXPECT_EQ(text.Width(), 0);
    }
}

TEST_F(ShineDrawTest, AmpersandTakesNoRoom) {
    TBitmap scratch(1, 1, pf32bit);
    TCanvas* canvas = scratch.Canvas();
    TPoint g;
    TRect with, without;
    button->SetBounds(10, 10, 75, 25);
    button->SetCaption("&Go");
    button->CalcDrawPosition(canvas, &g, &with);
    button->SetCaption("Go");
    button->CalcDrawPosition(canvas, &g, &without);
    EXPECT_EQ(with, without);
    button->SetCaption("A&&B");
    TRect doubled;
    button->CalcDrawPosition(canvas, &g, &doubled);
    button->SetCaption("A&B");
    TRect single;
    button->CalcDrawPosition(canvas, &g, &single);
    EXPECT_GT(doubled.Width(), single.Width()) << "a doubled ampersand draws one ampersand";
}

// ---------------------------------------------------------------- frames
// Letters: h s d f = Colors Highlight, Shadow, DarkShadow, face;
//          H S D F = the same of PressedColors.
const std::map<char, std::uint32_t> kFrameColours = {
    {'h', 0xF0F0F0}, {'s', 0x808080}, {'d', 0x101010}, {'f', 0xC0C0C0},
    {'H', 0xF0E0E0}, {'S', 0x806060}, {'D', 0x100808}, {'F', 0xD0C0C0},
};

TEST_F(ShineDrawTest, FramesPerTypeAndState) {
    auto set = [](TShineBtnColors* c, char h, char s, char d, char f) {
        c->SetHighlight(ColorOf(kFrameColours.at(h)));
        c->SetShadow(ColorOf(kFrameColours.at(s)));
        c->SetDarkShadow(ColorOf(kFrameColours.at(d)));
        c->SetColor(ColorOf(kFrameColours.at(f)));
    };
    set(button->Colors(), 'h', 's', 'd', 'f');
    set(button->PressedColors(), 'H', 'S', 'D', 'F');
    button->SetBounds(10, 10, 6, 5);
    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    struct Case {
        TFrameType type;
        bool down;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {ftFlatFrame, false, {"hhhhhf", "hffffs", "hffffs", "hffffs", "fsssss"}},
        {ftFlatFrame, true, {"SSSSSF", "SFFFFH", "SFFFFH", "SFFFFH", "FHHHHH"}},
        {ftNormalFrame, false, {"hhhhhf", "hfffsd", "hfffsd", "hssssd", "fddddd"}},
        {ftNormalFrame, true, {"DDDDDF", "DSSSSH", "DSFFFH", "DSFFFH", "FHHHHH"}},
        {ftEnclosedFrame, false, {"dddddd", "dhhhfd", "dhffsd", "dfsssd", "dddddd"}},
        {ftEnclosedFrame, true, {"dddddd", "dSSSFd", "dSFFHd", "dFHHHd", "dddddd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + (c.down ? " down" : " up"));
        button->SetFrameType(c.type);
        button->SetDown(c.down);
        ASSERT_EQ(button->State(), c.down ? sbDown : sbUp);
        headless::Image image = Surface();
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(At(image, x, y), kFrameColours.at(c.rows[y][x])) << x << "," << y;
    }
}

TEST_F(ShineDrawTest, FrameSwitchesPerState) {
    button->Colors()->SetColor(TColor(0x202020));
    button->PressedColors()->SetColor(TColor(0x202020));
    button->SetFrameType(ftEnclosedFrame);
    auto framed = [&] { return At(Surface(), 0, 0) != 0x202020u; };
    EXPECT_TRUE(framed());
    button->SetUpFrame(false);
    EXPECT_FALSE(framed()) << "no inner frame, no outer ring";
    button->MouseEnter(0, 0, 0);
    ASSERT_EQ(button->State(), sbActiveUp);
    EXPECT_TRUE(framed());
    button->SetActiveFrame(false);
    EXPECT_FALSE(framed());
}

// ---------------------------------------------------------------- face
TEST_F(ShineDrawTest, GradientEnds) {
    struct Case {
        const char* what;
        int w, h;
        bool vertical;
        TColor from, to;
        // x or y along the gradient, and the expected grey level there
        std::vector<std::pair<int, std::uint32_t>> samples;
    };
    auto grey = [](std::uint32_t v) { return v << 16 | v << 8 | v; };
    const Case cases[] = {
        {"vertical black to white", 30, 25, true, clBlack, clWhite, {{0, grey(0)}, {24, grey(255)}}},
        {"vertical, one row more", 30, 26, true, clBlack, clWhite, {{0, grey(0)}, {25, grey(255)}}},
        {"horizontal, 256 wide: entry i at x = i", 256, 4, false, clBlack, clWhite, {{0, 0}, {100, grey(100)}, {255, grey(255)}}},
        // 10 + (0 - 10) * 128 / 255: -5.02 truncates to -5, so 5 (not 4).
        {"falling: truncation toward zero", 256, 4, false, TColor(0x0A0A0A), clBlack, {{128, grey(5)}, {0, grey(10)}, {255, 0}}},
        {"equal ends: flat", 40, 4, false, TColor(0x336699), TColor(0x336699), {{0, 0x996633}, {20, 0x996633}, {39, 0x996633}}},
    };
    form->SetBounds(0, 0, 300, 60);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        button->SetUpFrame(false);
        button->SetBounds(10, 10, c.w, c.h);
        button->Colors()->SetGradation(true);
        button->Colors()->SetGradVertical(c.vertical);
        button->Colors()->SetColor(c.from);
        button->Colors()->SetGradColor(c.to);
        headless::Image image = Surface();
        for (auto [pos, px] : c.samples) {
            for (int across : {0, (c.vertical ? c.w : c.h) - 1}) {
                int x = c.vertical ? across : pos, y = c.vertical ? pos : across;
                EXPECT_EQ(At(image, x, y), px) << pos;
            }
        }
    }
}

TEST_F(ShineDrawTest, SolidFaceAndPressedFace) {
    button->SetUpFrame(false);
    button->SetDownFrame(false);
    button->Colors()->SetColor(TColor(0x112233));
    button->PressedColors()->SetColor(TColor(0x445566));
    EXPECT_EQ(At(Surface(), 12, 12), 0x332211u);
    button->SetGroupIndex(1);
    button->SetDown(true);
    EXPECT_EQ(At(Surface(), 12, 12), 0x665544u);
}

}  // namespace
