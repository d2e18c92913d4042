// The control gallery on the headless backend: its form resource holds the
// variants it promises, clicks are counted, groups hold, the toggle disables
// and enables the samples, and the hooked button stays pressed during its box.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gallery/Gallery.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Registration.h"

namespace {

class GalleryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPlatformClasses();
        Register();
        RegisterShineSpdBtn();
    }
    void SetUp() override {
        headless::Reset();
        Application->CreateForm(form);
        form->Show();
        os::update_window(form->Handle());
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }
    TShineSpeedButton* Shine(const char* name) { return dynamic_cast<TShineSpeedButton*>(form->FindComponent(name)); }
    void ClickOn(TControl* c) {
        TPoint p = c->ClientToScreen({c->Width() / 2, c->Height() / 2});
        headless::Click(p.x, p.y);
    }

    TGalleryForm* form = nullptr;
};

TEST_F(GalleryTest, HoldsEveryVariant) {
    std::set<int> frames, layouts, active, disabled;
    bool margin0 = false, centred = false, solid = false, horizontal = false, vertical = false, transparent = false,
         hook = false, accel = false;
    int regions = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        if (auto* r = dynamic_cast<TRgnBtn*>(form->Components(i))) {
            ++regions;
            EXPECT_FALSE(r->GetGlyph(1)->Empty());
            EXPECT_FALSE(r->GetGlyph(2)->Empty());
            EXPECT_FALSE(r->GetGlyph(3)->Empty());
            EXPECT_NE(r->RgnHandle(), nullptr);
        }
        auto* b = dynamic_cast<TShineSpeedButton*>(form->Components(i));
        if (!b) continue;
        frames.insert(b->FrameType());
        layouts.insert(b->Layout());
        active.insert(b->ActiveImage());
        if (!b->Enabled()) disabled.insert(b->DisabledImage());
        margin0 |= b->Margin() == 0;
        centred |= b->Margin() < 0 && !b->Glyph()->Empty();
        solid |= !b->Colors()->Gradation();
        horizontal |= b->Colors()->Gradation() && !b->Colors()->GradVertical();
        vertical |= b->Colors()->Gradation() && b->Colors()->GradVertical();
        transparent |= b->Transparent();
        hook |= b->ClickDownHook();
        accel |= b->Caption().find('&') != std::string::npos;
    }
    EXPECT_EQ(regions, 2);
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(layouts.size(), 4u);
    EXPECT_EQ(active.size(), 8u);
    EXPECT_EQ(disabled.size(), 5u);
    EXPECT_TRUE(margin0 && centred && solid && horizontal && vertical && transparent && hook && accel);
    EXPECT_TRUE(form->RgnBtn1->AutoSize());
    EXPECT_FALSE(form->RgnBtn2->AutoSize());
    EXPECT_EQ(form->RgnBtn2->Width(), 2 * form->RgnBtn2->GetGlyph(1)->Width());
}

TEST_F(GalleryTest, CountsClicksAndKeepsGroups) {
    ClickOn(form->GroupTwoBtn);
    ClickOn(form->GroupTwoBtn);
    ClickOn(form->GroupThreeBtn);
    EXPECT_EQ(form->Clicks("GroupTwoBtn"), 2);
    EXPECT_EQ(form->Clicks("GroupThreeBtn"), 1);
    EXPECT_FALSE(form->GroupOneBtn->Down());
    EXPECT_FALSE(form->GroupTwoBtn->Down());
    EXPECT_TRUE(form->GroupThreeBtn->Down());
    EXPECT_EQ(form->ClicksLabel->Caption(), "Three: 1 click   (all buttons: 3)");
    ClickOn(form->StyleBoldBtn);
    ClickOn(form->StyleBoldBtn);
    EXPECT_FALSE(form->StyleBoldBtn->Down()) << "AllowAllUp lets the last one go";
}

TEST_F(GalleryTest, ToggleDisablesAndEnablesTheSamples) {
    TShineSpeedButton* flat = Shine("FlatBtn");
    TShineSpeedButton* emboss = Shine("Disabled0Btn");
    ASSERT_TRUE(flat && emboss);
    EXPECT_FALSE(emboss->Enabled());
    ClickOn(form->ToggleBtn);
    EXPECT_FALSE(flat->Enabled());
    EXPECT_FALSE(form->RgnBtn1->Enabled());
    EXPECT_EQ(form->ToggleBtn->Caption(), "&Enable all");
    ClickOn(form->ToggleBtn);
    EXPECT_TRUE(flat->Enabled());
    EXPECT_TRUE(emboss->Enabled());
    EXPECT_TRUE(form->ToggleBtn->Enabled());
}

TEST_F(GalleryTest, HookedButtonStaysPressedWhileItsBoxIsOpen) {
    TShineButtonState during = sbUp;
    bool box_seen = false;
    headless::PushIdleAction([&] {
        during = form->HookBtn->State();
        os::WindowId box = headless::FindWindowByCaption("About the click hook");
        box_seen = box != 0;
        if (box) os::post_message(box, win::WM_CLOSE, 0, 0);
    });
    ClickOn(form->HookBtn);
    EXPECT_TRUE(box_seen);
    EXPECT_EQ(during, sbActiveDown);
    EXPECT_EQ(form->Clicks("HookBtn"), 1);
    EXPECT_NE(form->HookBtn->State(), sbActiveDown);
}

TEST_F(GalleryTest, AcceleratorsClickFromTheKeyboard) {
    form->SetFocus();
    headless::PressKey('F');  // &Flat
    EXPECT_EQ(form->Clicks("FlatBtn"), 1);
}

}  // namespace
