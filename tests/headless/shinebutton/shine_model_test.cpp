// TShineSpeedButton and TShineBtnColors: defaults, setter rules, colour-set
// assignment, the glyph's conversion, streaming and registration.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/core/Classes.h"
#include "platform/core/FormResource.h"
#include "platform/core/Stream.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"

namespace {

// Counts GlyphOnChange.
class CountingButton : public TShineSpeedButton {
public:
    using TShineSpeedButton::TShineSpeedButton;
    int glyph_changes = 0;

protected:
    void GlyphOnChange(TObject* sender) override {
        ++glyph_changes;
        TShineSpeedButton::GlyphOnChange(sender);
    }
};

class ShineModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPlatformClasses(); }
    void SetUp() override {
        headless::Reset();
        form = new TForm(Application);
        form->SetName("Form1");
        form->SetBounds(0, 0, 120, 80);
        button = new CountingButton(form);
        button->SetName("Shine1");
        button->SetParent(form);
        button->SetBounds(10, 10, 40, 20);
        form->Show();
        Settle();
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }
    // Paints whatever is pending, so that a later invalidation shows.
    void Settle() { os::update_window(form->Handle()); }
    bool Invalid() { return headless::State(form->Handle()).invalid.has_value(); }

    TForm* form = nullptr;
    CountingButton* button = nullptr;
};

TEST_F(ShineModelTest, NewButtonHasTheDeclaredDefaults) {
    TShineSpeedButton b(nullptr);
    EXPECT_EQ(b.Width(), 25);
    EXPECT_EQ(b.Height(), 25);
    EXPECT_EQ(b.Caption(), "");
    EXPECT_EQ(b.State(), sbUp);
    EXPECT_EQ(b.ControlStyle, unsigned(csCaptureMouse | csOpaque | csDoubleClicks));
    EXPECT_EQ(b.GroupIndex(), 0);
    EXPECT_FALSE(b.Down());
    EXPECT_EQ(b.FrameType(), ftNormalFrame);
    EXPECT_TRUE(b.ActiveFrame());
    EXPECT_TRUE(b.UpFrame());
    EXPECT_TRUE(b.DownFrame());
    EXPECT_EQ(b.ActiveImage(), aiFrameLight);
    EXPECT_EQ(b.DisabledImage(), diDefault);
    EXPECT_EQ(b.DisabledHighlight(), TColor(0x80000014));
    EXPECT_EQ(b.DisabledShadow(), TColor(0x80000010));
    EXPECT_EQ(b.ShineColor(), TColor(0x0000FFFF));
    EXPECT_EQ(b.FontHighlight(), TColor(0x1FFFFFFF));
    EXPECT_EQ(b.FontShadow(), TColor(0x1FFFFFFF));
    EXPECT_EQ(b.Font()->Color(), TColor(0x80000012));
    EXPECT_EQ(b.ActiveFont()->Color(), TColor(0x8000000D));
    EXPECT_EQ(b.Layout(), blGlyphLeft);
    EXPECT_EQ(b.Margin(), -1);
    EXPECT_EQ(b.Spacing(), 4);
    EXPECT_TRUE(b.Glyph()->Empty());
    EXPECT_FALSE(b.ActiveButtonTimer()->Enabled());
    EXPECT_EQ(b.ActiveButtonTimer()->Interval(), 200u);
    for (TShineBtnColors* set : {b.Colors(), b.PressedColors()}) {
        EXPECT_EQ(set->Highlight(), TColor(0x80000014));
        EXPECT_EQ(set->Shadow(), TColor(0x80000010));
        EXPECT_EQ(set->DarkShadow(), TColor(0x80000006));
        EXPECT_EQ(set->GradColor(), TColor(0x00FF0000));
        EXPECT_FALSE(set->GradVertical());
        EXPECT_FALSE(set->Gradation());
    }
    EXPECT_EQ(b.Colors()->Color(), TColor(0x8000000F));
    EXPECT_EQ(b.PressedColors()->Color(), TColor(0x80000014));
}

TEST_F(ShineModelTest, SettersStoreAndInvalidateOnlyOnChangeExceptTheFontColourPair) {
    struct Case {
        const char* name;
        std::function<void(TShineSpeedButton*)> same, changed;
        bool same_invalidates;
    };
    const Case cases[] = {
        {"Margin", [](auto* b) { b->SetMargin(-1); }, [](auto* b) { b->SetMargin(3); }, false},
        {"Spacing", [](auto* b) { b->SetSpacing(4); }, [](auto* b) { b->SetSpacing(0); }, false},
        {"FrameType", [](auto* b) { b->SetFrameType(ftNormalFrame); }, [](auto* b) { b->SetFrameType(ftFlatFrame); }, false},
        {"Layout", [](auto* b) { b->SetLayout(blGlyphLeft); }, [](auto* b) { b->SetLayout(blGlyphTop); }, false},
        {"ShineColor", [](auto* b) { b->SetShineColor(clYellow); }, [](auto* b) { b->SetShineColor(clRed); }, false},
        {"ActiveImage", [](auto* b) { b->SetActiveImage(aiFrameLight); }, [](auto* b) { b->SetActiveImage(aiXorLight); }, false},
        {"DisabledImage", [](auto* b) { b->SetDisabledImage(diDefault); }, [](auto* b) { b->SetDisabledImage(diGrayscale); }, false},
        {"UpFrame", [](auto* b) { b->SetUpFrame(true); }, [](auto* b) { b->SetUpFrame(false); }, false},
        {"ClickDownHook", [](auto* b) { b->SetClickDownHook(false); }, [](auto* b) { b->SetClickDownHook(true); }, false},
        {"Transparent", [](auto* b) { b->SetTransparent(false); }, [](auto* b) { b->SetTransparent(true); }, false},
        {"FontHighlight", [](auto* b) { b->SetFontHighlight(clNone); }, [](auto* b) { b->SetFontHighlight(clWhite); }, true},
        {"FontShadow", [](auto* b) { b->SetFontShadow(clNone); }, [](auto* b) { b->SetFontShadow(clBlack); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settle();
        c.same(button);
        EXPECT_EQ(Invalid(), c.same_invalidates);
        Settle();
        c.changed(button);
        EXPECT_TRUE(Invalid());
    }
}

TEST_F(ShineModelTest, TransparentTakesAwayAndGivesBackTheOpaqueStyle) {
    button->SetTransparent(true);
    EXPECT_EQ(button->ControlStyle & csOpaque, 0u);
    EXPECT_EQ(button->ControlStyle, unsigned(csCaptureMouse | csDoubleClicks));
    button->SetTransparent(false);
    EXPECT_NE(button->ControlStyle & csOpaque, 0u);
}

TEST_F(ShineModelTest, ColourSetAssignmentCopiesInPlaceAndFiresTwice) {
    TShineBtnColors source;
    source.SetHighlight(0x010203);
    source.SetShadow(0x040506);
    source.SetDarkShadow(0x070809);
    source.SetGradColor(0x0A0B0C);
    source.SetGradVertical(true);
    source.SetGradation(true);
    source.SetColor(0x0D0E0F);
    TShineBtnColors* owned = button->Colors();
    int fired = 0;
    TNotifyEvent wiring = owned->OnChange;
    owned->OnChange = TNotifyEvent([&](TObject* s) {
        ++fired;
        wiring(s);
    });
    Settle();
    button->SetColors(&source);
    EXPECT_EQ(button->Colors(), owned);
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(Invalid());
    EXPECT_EQ(owned->Highlight(), TColor(0x010203));
    EXPECT_EQ(owned->Shadow(), TColor(0x040506));
    EXPECT_EQ(owned->DarkShadow(), TColor(0x070809));
    EXPECT_EQ(owned->GradColor(), TColor(0x0A0B0C));
    EXPECT_TRUE(owned->GradVertical());
    EXPECT_TRUE(owned->Gradation());
    EXPECT_EQ(owned->Color(), TColor(0x0D0E0F));

    // AssignTo fires the destination's event once.
    TShineBtnColors dest;
    int dest_fired = 0;
    dest.OnChange = TNotifyEvent([&](TObject*) { ++dest_fired; });
    source.AssignTo(&dest);
    EXPECT_EQ(dest_fired, 1);
    EXPECT_EQ(dest.Color(), TColor(0x0D0E0F));
}

TEST_F(ShineModelTest, WrongColourSetsAreRefusedAndCopyNothing) {
    TFont font;
    int fired = 0;
    button->PressedColors()->OnChange = TNotifyEvent([&](TObject*) { ++fired; });
    EXPECT_THROW(button->SetColors(nullptr), EConvertError);
    EXPECT_THROW(button->SetPressedColors(&font), EConvertError);
    TShineBtnColors set;
    EXPECT_THROW(set.AssignTo(&font), EConvertError);
    EXPECT_THROW(set.Assign(&font), EConvertError);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(button->PressedColors()->Color(), clBtnHighlight);
}

TEST_F(ShineModelTest, FontsIgnoreNullAndCopyOtherwise) {
    button->SetFont(nullptr);
    button->SetActiveFont(nullptr);
    EXPECT_EQ(button->Font()->Color(), clBtnText);
    TFont f;
    f.SetColor(clRed);
    f.SetHeight(-20);
    TFont* owned = button->Font();
    Settle();
    button->SetFont(&f);
    EXPECT_EQ(button->Font(), owned);
    EXPECT_EQ(owned->Color(), clRed);
    EXPECT_EQ(owned->Height(), -20);
    EXPECT_TRUE(Invalid());
    // A change of an owned font repaints too.
    Settle();
    button->ActiveFont()->SetColor(clGreen);
    EXPECT_TRUE(Invalid());
}

TEST_F(ShineModelTest, GlyphSetterConvertsOnceAndNullEmptiesWithoutConversion) {
    TBitmap picture(3, 2, pf24bit);
    picture.Canvas()->SetPixels(0, 0, clRed);
    button->SetGlyph(&picture);
    EXPECT_EQ(button->glyph_changes, 1);
    EXPECT_EQ(button->Glyph()->PixelFormat(), pf32bit);
    EXPECT_EQ(button->Glyph()->Width(), 3);
    EXPECT_EQ(button->Glyph()->Height(), 2);
    EXPECT_EQ(static_cast<const std::uint32_t*>(button->Glyph()->ScanLine(0))[0] & 0xFFFFFF, 0xFF0000u);

    Settle();
    button->SetGlyph(nullptr);
    EXPECT_EQ(button->glyph_changes, 1);
    EXPECT_TRUE(button->Glyph()->Empty());
    EXPECT_EQ(button->Glyph()->Width(), 0);
    EXPECT_EQ(button->Glyph()->Height(), 0);
    EXPECT_TRUE(Invalid());

    // A change made to the glyph itself converts it too.
    TBitmap eight(2, 2, pf8bit);
    button->Glyph()->Assign(&eight);
    EXPECT_EQ(button->Glyph()->PixelFormat(), pf32bit);
}

TEST_F(ShineModelTest, FormRoundTripKeepsTheValuesAndTheGroupReadOrder) {
    TBitmap picture(2, 2, pf24bit);
    button->SetGroupIndex(3);
    button->SetAllowAllUp(true);
    button->SetDown(true);
    button->SetCaption("&Go");
    button->SetFrameType(ftEnclosedFrame);
    button->SetActiveImage(aiMaskLight);
    button->SetDisabledImage(diMaskTrans);
    button->SetLayout(blGlyphBottom);
    button->SetMargin(0);
    button->SetShineColor(clRed);
    button->PressedColors()->SetGradation(true);
    button->SetGlyph(&picture);
    const std::string text = WriteComponentResourceText(form);

    // GroupIndex, then Down, then AllowAllUp; Color of both sets always.
    const std::size_t group = text.find("GroupIndex = 3"), down = text.find("Down = True"),
                      all_up = text.find("AllowAllUp = True");
    ASSERT_NE(group, std::string::npos);
    ASSERT_NE(down, std::string::npos);
    ASSERT_NE(all_up, std::string::npos);
    EXPECT_LT(group, down);
    EXPECT_LT(down, all_up);
    EXPECT_NE(text.find("Colors.Color = clBtnFace"), std::string::npos) << text;
    EXPECT_NE(text.find("PressedColors.Color = clBtnHighlight"), std::string::npos) << text;
    EXPECT_EQ(text.find("Colors.Highlight"), std::string::npos) << "defaults are not stored";
    EXPECT_NE(text.find("Glyph.Data"), std::string::npos);

    TForm copy(nullptr);
    ReadComponentResourceText(&copy, text);
    auto* b = dynamic_cast<TShineSpeedButton*>(copy.FindComponent("Shine1"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GroupIndex(), 3);
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(b->AllowAllUp());
    EXPECT_EQ(b->Caption(), "&Go");
    EXPECT_EQ(b->FrameType(), ftEnclosedFrame);
    EXPECT_EQ(b->ActiveImage(), aiMaskLight);
    EXPECT_EQ(b->DisabledImage(), diMaskTrans);
    EXPECT_EQ(b->Layout(), blGlyphBottom);
    EXPECT_EQ(b->Margin(), 0);
    EXPECT_EQ(b->ShineColor(), clRed);
    EXPECT_TRUE(b->PressedColors()->Gradation());
    EXPECT_EQ(b->Glyph()->Width(), 2);
    EXPECT_EQ(b->Glyph()->PixelFormat(), pf32bit);

    // The glyph is stored with 32 bits per pixel (biBitCount of the BMP).
    TMemoryStream stream;
    b->Glyph()->SaveToStream(&stream);
    const std::uint8_t* bytes = stream.Bytes.data();
    ASSERT_GT(stream.Bytes.size(), 28u);
    EXPECT_EQ(bytes[28], 32);
}

TEST_F(ShineModelTest, DownBeforeGroupIndexInAFormIsLost) {
    // The read order matters: Down on a button not yet grouped is ignored.
    const std::string text =
        "object Form1: TForm\n  object B: TShineSpeedButton\n    Down = True\n    GroupIndex = 1\n  end\nend\n";
    TForm f(nullptr);
    ReadComponentResourceText(&f, text);
    auto* b = dynamic_cast<TShineSpeedButton*>(f.FindComponent("B"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GroupIndex(), 1);
    EXPECT_FALSE(b->Down());
}

TEST_F(ShineModelTest, DamagedEnumerationInAFormIsAReadError) {
    const std::string text = "object Form1: TForm\n  object B: TShineSpeedButton\n    Layout = blGlyphMiddle\n  end\nend\n";
    TForm f(nullptr);
    EXPECT_THROW(ReadComponentResourceText(&f, text), EReadError);
}

TEST_F(ShineModelTest, TheClassIsRegisteredForFormResources) {
    EXPECT_TRUE(IsClassRegistered("TShineSpeedButton"));
    EXPECT_TRUE(IsClassRegistered("TSpeedButton"));
    RegisterShineSpdBtn();
    const auto palette = PaletteClasses("MyComponent");
    EXPECT_NE(std::find(palette.begin(), palette.end(), "TShineSpeedButton"), palette.end());
}

}  // namespace
