// TRgnBtn: which glyph shows when (pressed only by a press inside the
// normal glyph's region, released by any mouse-up), its region's scale, and
// its stored region data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/region/Region.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/GdiObject.h"
#include "platform/graphics/Region.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tools/designer/Designer.h"

namespace {

constexpr TColor kKey = 0xDD8800;
constexpr TColor kLime = 0x00FF00;  // the form's background
constexpr TColor kRed = 0x0000FF, kBlue = 0xFF0000, kPurple = 0x800080;

// 4 x 3 glyphs: 'x' in the glyph's colour, '.' the key.
const std::vector<std::string> kGlyph = {"xx..", ".xx.", "...."};
const std::vector<std::string> kPressed = {"xxxx", "xxxx", "...."};

std::unique_ptr<TBitmap> Glyph(const std::vector<std::string>& rows, TColor colour) {
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->Canvas()->SetPixels(x, y, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == 'x' ? colour : kKey);
    return bmp;
}

std::uint32_t Rgb(TColor c) { return static_cast<std::uint32_t>((c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF)); }

std::vector<os::Rect> RectsOf(win::HRGN rgn) {
    if (!rgn) return {};
    win::DWORD n = win::GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> block(n);
    win::GetRegionData(rgn, n, block.data());
    const gfx::Region region = gfx::Region::from_data(block);
    return {region.rects().begin(), region.rects().end()};
}
std::vector<os::Rect> Canonical(const std::vector<os::Rect>& rects) {
    const gfx::Region region = gfx::Region::from_rects(rects);
    return {region.rects().begin(), region.rects().end()};
}

enum class Shows { Nothing, Glyph1, Glyph2, Glyph3 };

class RgnBtnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPlatformClasses();
        Register();
    }
    void SetUp() override {
        headless::Reset();
        form = new TForm(Application);
        form->SetBounds(0, 0, 80, 60);
        form->SetColor(kLime);
        button = new TRgnBtn(form);
        button->SetName("Button1");
        button->SetParent(form);
        button->SetBounds(10, 10, 4, 3);
        form->Show();
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }
    // The button as a loaded form would hold it: three glyphs and a region.
    void Equip(bool glyph2 = true, bool glyph3 = true) {
        auto g1 = Glyph(kGlyph, kRed), g2 = Glyph(kPressed, kBlue), g3 = Glyph(kGlyph, kPurple);
        button->SetGlyph(1, g1.get());
        if (glyph2) button->SetGlyph(2, g2.get());
        if (glyph3) button->SetGlyph(3, g3.get());
        button->UpdateRgn();
    }
    // Compares the button's painted face with what a glyph should show:
    // its colour on its opaque pixels, the form through the key.
    ::testing::AssertionResult Showing(Shows what) {
        os::update_window(form->Handle());
        headless::Image image = headless::Surface(form->Handle());
        const auto& rows = what == Shows::Glyph2 ? kPressed : kGlyph;
        const TColor colour = what == Shows::Glyph1 ? kRed : what == Shows::Glyph2 ? kBlue : kPurple;
        const int sx = button->Width() / 4, sy = button->Height() / 3;
        for (int y = 0; y < button->Height(); ++y)
            for (int x = 0; x < button->Width(); ++x) {
                const bool opaque =
                    what != Shows::Nothing && rows[static_cast<std::size_t>(y / sy)][static_cast<std::size_t>(x / sx)] == 'x';
                const std::uint32_t want = Rgb(opaque ? colour : kLime);
                const std::uint32_t got = image.at(button->Left() + x, button->Top() + y);
                if (got != want)
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << std::hex << got << ", expected " << want;
            }
        return ::testing::AssertionSuccess();
    }
    headless::MouseResult Down(int x, int y, headless::Button b = headless::Button::Left) {
        return headless::MouseDown(button->Left() + x, button->Top() + y, b);
    }
    headless::MouseResult Up(int x, int y, headless::Button b = headless::Button::Left) {
        return headless::MouseUp(button->Left() + x, button->Top() + y, b);
    }

    TForm* form = nullptr;      // owned by Application
    TRgnBtn* button = nullptr;  // owned by form
};

TEST_F(RgnBtnTest, FreshButton) {
    auto* fresh = new TRgnBtn(form);
    EXPECT_EQ(fresh->Width(), 25);
    EXPECT_EQ(fresh->Height(), 25);
    EXPECT_EQ(fresh->ControlStyle, static_cast<unsigned>(csCaptureMouse | csClickEvents));
    for (int i = 1; i <= 3; ++i) {
        ASSERT_NE(fresh->GetGlyph(i), nullptr);
        EXPECT_TRUE(fresh->GetGlyph(i)->Empty());
    }
    EXPECT_EQ(fresh->RgnData(), nullptr);
    EXPECT_EQ(fresh->RgnHandle(), nullptr);
    EXPECT_FALSE(fresh->Pressed());
    EXPECT_FALSE(fresh->AutoSize());
    EXPECT_EQ(fresh->Perform(win::WM_ERASEBKGND), 1);
}

// ---------------------------------------------------------------- glyphs shown
TEST_F(RgnBtnTest, APressOnAKeyPixelFiresEventsButKeepsTheNormalGlyph) {
    Equip();
    int downs = 0, ups = 0, clicks = 0;
    button->OnMouseDown = TMouseEvent([&](TObject*, TMouseButton, TShiftState, int x, int y) {
        EXPECT_EQ(x, 3);
        EXPECT_EQ(y, 0);
        ++downs;
    });
    button->OnMouseUp = TMouseEvent([&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; });
    button->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    EXPECT_TRUE(Showing(Shows::Glyph1));
    Down(3, 0);
    EXPECT_FALSE(button->Pressed());
    EXPECT_TRUE(Showing(Shows::Glyph1));
    Up(3, 0);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(RgnBtnTest, APressInsideTheRegionShowsThePressedGlyphUntilAnyMouseUp) {
    struct Case {
        headless::Button button;
        int upX, upY;  // the release, in button coordinates
    } cases[] = {
        {headless::Button::Left, 1, 1},   {headless::Button::Left, 3, 2},   // on a key pixel
        {headless::Button::Left, 40, 40},                                   // off the button
        {headless::Button::Right, 1, 0},  {headless::Button::Middle, -5, 2},
    };
    Equip();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "button " << static_cast<int>(c.button) << ", up at " << c.upX << "," << c.upY);
        Down(1, 1, c.button);
        EXPECT_TRUE(button->Pressed());
        EXPECT_TRUE(Showing(Shows::Glyph2));
        Up(c.upX, c.upY, c.button);
        EXPECT_FALSE(button->Pressed());
        EXPECT_TRUE(Showing(Shows::Glyph1));
    }
}

TEST_F(RgnBtnTest, WithoutAPressedGlyphAPressShowsNothing) {
    Equip(/*glyph2*/ false);
    Down(0, 0);
    EXPECT_TRUE(button->Pressed());
    EXPECT_TRUE(Showing(Shows::Nothing));
    Up(0, 0);
    EXPECT_TRUE(Showing(Shows::Glyph1));
}

TEST_F(RgnBtnTest, DisabledButtonsShowTheirDisabledGlyphOrTheNormalOne) {
    struct Case {
        bool glyph3, pressed;
        Shows shows;
    } cases[] = {
        {false, false, Shows::Glyph1},
        {false, true, Shows::Glyph1},
        {true, false, Shows::Glyph3},
        {true, true, Shows::Glyph3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "Glyph3 " << c.glyph3 << ", pressed " << c.pressed);
        button->GetGlyph(3)->Assign(nullptr);
        Equip(true, c.glyph3);
        if (c.pressed) Down(1, 0);
        button->SetEnabled(false);
        EXPECT_EQ(button->Pressed(), c.pressed) << "disabling keeps the pressed flag";
        EXPECT_TRUE(Showing(c.shows));
        if (c.pressed) Up(1, 0);
        EXPECT_FALSE(button->Pressed());
        button->SetEnabled(true);
        EXPECT_TRUE(Showing(Shows::Glyph1));
    }
}

TEST_F(RgnBtnTest, WithoutARegionHandleItNeverPresses) {
    auto g1 = Glyph(kGlyph, kRed);
    button->SetGlyph(1, g1.get());  // region data, but no handle until UpdateRgn
    ASSERT_NE(button->RgnData(), nullptr);
    ASSERT_EQ(button->RgnHandle(), nullptr);
    Down(0, 0);
    EXPECT_FALSE(button->Pressed());
    Up(0, 0);
}

// ---------------------------------------------------------------- glyph assignment
TEST_F(RgnBtnTest, AssigningPressedAndDisabledGlyphsLeavesTheRegionAlone) {
    Equip();
    const std::uint8_t* data = button->RgnData();
    win::HRGN handle = button->RgnHandle();
    const long scanned = RgnScannedRows();
    auto other = Glyph(kPressed, kRed);
    button->SetGlyph(2, other.get());
    button->SetGlyph(3, other.get());
    button->SetGlyph(1, button->GetGlyph(1));  // its own glyph: nothing
    EXPECT_EQ(button->RgnData(), data);
    EXPECT_EQ(button->RgnHandle(), handle);
    EXPECT_EQ(RgnScannedRows(), scanned);
}

TEST_F(RgnBtnTest, AFailedNormalGlyphLeavesNoGlyphAndNoRegion) {
    Equip();
    std::vector<std::string> crowded(1, "x");
    for (int i = 1; i < 102; ++i) crowded[0] += ".x";
    crowded.push_back(std::string(crowded[0].size(), '.'));
    auto bad = Glyph(crowded, kRed);
    const std::size_t presents = headless::PresentCount(form->Handle());
    try {
        button->SetGlyph(1, bad.get());
        ADD_FAILURE() << "assigned";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
    }
    EXPECT_TRUE(button->GetGlyph(1)->Empty());
    EXPECT_EQ(button->RgnData(), nullptr);
    EXPECT_EQ(button->RgnDataLength(), 0);
    EXPECT_EQ(button->RgnHandle(), nullptr);
    EXPECT_GT(headless::PresentCount(form->Handle()), presents) << "repainted at once";
}

// ---------------------------------------------------------------- size and scale
TEST_F(RgnBtnTest, AStretchedButtonScalesItsRegionAndItsGlyph) {
    // A 50 x 50 button with a 25 x 25 glyph: everything twice as large.
    std::vector<std::string> big;
    for (int y = 0; y < 25; ++y) {
        std::string row;
        for (int x = 0; x < 25; ++x) row += (y < 24 && (x + y) % 5 != 0) ? 'x' : '.';
        big.push_back(row);
    }
    auto g1 = Glyph(big, kRed);
    button->SetGlyph(1, g1.get());
    button->SetBounds(10, 10, 50, 50);
    button->UpdateRgn();
    std::vector<os::Rect> doubled;
    const gfx::Region block = gfx::Region::from_data({button->RgnData(), static_cast<std::size_t>(button->RgnDataLength())});
    for (const os::Rect& r : block.rects())
        doubled.push_back({r.left * 2, r.top * 2, r.right * 2, r.bottom * 2});
    EXPECT_EQ(RectsOf(button->RgnHandle()), Canonical(doubled)) << "in the button's own coordinates, scaled";

    os::update_window(form->Handle());
    headless::Image image = headless::Surface(form->Handle());
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool opaque = big[static_cast<std::size_t>(y / 2)][static_cast<std::size_t>(x / 2)] == 'x';
            ASSERT_EQ(image.at(10 + x, 10 + y), Rgb(opaque ? kRed : kLime)) << "pixel " << x << "," << y;
        }
    // (2, 0) is the glyph's (1, 0), opaque; (0, 0) is its key pixel (0, 0).
    Down(2, 0);
    EXPECT_TRUE(button->Pressed());
    Up(2, 0);
    Down(1, 1);
    EXPECT_FALSE(button->Pressed());
    Up(1, 1);
}

TEST_F(RgnBtnTest, AutoSizeTakesTheNormalGlyphsSize) {
    button->SetBounds(10, 10, 30, 40);
    button->SetAutoSize(true);  // no glyph yet: nothing to take
    EXPECT_EQ(button->BoundsRect(), Bounds(10, 10, 30, 40));
    auto g1 = Glyph(kGlyph, kRed);
    button->SetGlyph(1, g1.get());  // at run time a new glyph does not resize
    EXPECT_EQ(button->BoundsRect(), Bounds(10, 10, 30, 40));
    // Unlike TRgn, setting the value it already has sizes again.
    button->SetAutoSize(true);
    EXPECT_EQ(button->BoundsRect(), Bounds(10, 10, 4, 3));
    button->SetBounds(10, 20, 300, 300);
    EXPECT_EQ(button->BoundsRect(), Bounds(10, 20, 4, 3));
    button->SetAutoSize(false);
    button->SetBounds(10, 20, 300, 300);
    EXPECT_EQ(button->BoundsRect(), Bounds(10, 20, 300, 300));
    // With AutoSize the region keeps the glyph's scale whatever the size was.
    button->SetAutoSize(true);
    button->UpdateRgn();
    EXPECT_EQ(RectsOf(button->RgnHandle()), Canonical({{0, 0, 2, 1}, {1, 1, 3, 2}}));
}

TEST_F(RgnBtnTest, UpdateRgnFailures) {
    struct Case {
        const char* what;
        void (*breakIt)(TRgnBtn*);
        const char* message;
    } cases[] = {
        {"no region data", [](TRgnBtn* b) { b->DestroyRgn(); }, "Button1 のﾘｰｼﾞｮﾝ情報がありません"},
        {"empty Glyph1", [](TRgnBtn* b) { b->GetGlyph(1)->Assign(nullptr); }, "Button1:Glyph1 のﾋﾞｯﾄﾏｯﾌﾟが正しくありません"},
        {"a block the region code refuses",
         [](TRgnBtn* b) {
             FormProperty p{"RgnData", {}, 0};
             p.value.kind = FormValue::Kind::Binary;
             p.value.bytes.assign(36, 0x7F);
             SetFormProperty(b, p, b->Owner());
         },
         "ﾘｰｼﾞｮﾝが作成できません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Equip();
        c.breakIt(button);
        try {
            button->UpdateRgn();
            ADD_FAILURE() << "built a region";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
}

// ---------------------------------------------------------------- form resources
TEST_F(RgnBtnTest, DesignedButtonsLoadWithoutAPixelScan) {
    TDesignForm designer("TForm");
    designer.SetName("Form9");
    designer.SetDesigning(true);
    auto* designed = new TRgnBtn(&designer);
    designed->SetName("Button1");
    designed->SetParent(&designer);
    designed->SetDesigning(true);
    auto g1 = Glyph(kGlyph, kRed), g2 = Glyph(kPressed, kBlue);
    designed->SetGlyph(1, g1.get());
    designed->SetGlyph(2, g2.get());
    EXPECT_EQ(designed->BoundsRect(), Bounds(0, 0, 4, 3)) << "the designer sizes it to Glyph1";
    EXPECT_EQ(designed->RgnHandle(), nullptr);
    designed->SetLeft(10);
    const std::string text = WriteComponentResourceText(&designer);
    for (const char* path : {"Glyph1.Data = {", "Glyph2.Data = {", "RgnData = {"}) EXPECT_NE(text.find(path), std::string::npos) << path;
    EXPECT_EQ(text.find("Glyph3.Data"), std::string::npos);

    TDesignForm loaded("TForm");
    const long scanned = RgnScannedRows();
    ReadComponentResourceText(&loaded, text);
    EXPECT_EQ(RgnScannedRows(), scanned);
    auto* b = dynamic_cast<TRgnBtn*>(loaded.FindComponent("Button1"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(RectsOf(b->RgnHandle()), Canonical({{0, 0, 2, 1}, {1, 1, 3, 2}})) << "no offset by Left";
    EXPECT_EQ(WriteComponentResourceText(&loaded), text);

    // Without its region data the form does not load.
    std::string broken = text;
    std::size_t at = broken.find("    RgnData = {");
    broken.erase(at, broken.find('}', at) + 2 - at);
    TDesignForm failed("TForm");
    try {
        ReadComponentResourceText(&failed, broken);
        ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Button1 のﾘｰｼﾞｮﾝ情報がありません");
    }
}

}  // namespace
