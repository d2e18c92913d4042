// TShineSpeedButton over time: the state table driven by the scripted mouse,
// exclusive groups with shine and platform speed buttons, the hover timer,
// accelerators, double clicks and enabling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"

namespace {

constexpr int kVkMenu = 0x12;

class ShineInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPlatformClasses(); }
    void SetUp() override {
        headless::Reset();
        form = new TForm(Application);
        form->SetBorderStyle(bsNone);
        form->SetBounds(0, 0, 200, 100);
        a = Make(10);
        b = Make(60);
        c = Make(110);
        form->Show();
        os::update_window(form->Handle());
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }
    TShineSpeedButton* Make(int left, TWinControl* parent = nullptr) {
        auto* s = new TShineSpeedButton(form);
        s->SetParent(parent ? parent : form);
        s->SetBounds(left, 10, 40, 20);
        s->OnClick = TNotifyEvent([this, s](TObject*) { clicks.push_back(s); });
        s->OnDblClick = TNotifyEvent([this, s](TObject*) { dblclicks.push_back(s); });
        return s;
    }
    void Group(int index, bool all_up, std::initializer_list<TShineSpeedButton*> members) {
        for (TShineSpeedButton* m : members) {
            m->SetGroupIndex(index);
            m->SetAllowAllUp(all_up);
        }
    }

    TForm* form = nullptr;
    TShineSpeedButton *a = nullptr, *b = nullptr, *c = nullptr;
    std::vector<TShineSpeedButton*> clicks, dblclicks;
};

// Points in screen coordinates (the form sits at 0, 0 with no frame).
constexpr int kInA = 20, kY = 20, kOutside = 195;

TEST_F(ShineInputTest, StateTableUngrouped) {
    struct Step {
        const char* what;
        enum { Move, Down, Up } action;
        int x;
        TShineButtonState state;
        bool in_control, pressed;
        std::size_t clicks;
    };
    const Step steps[] = {
        {"hover enters", Step::Move, kInA, sbActiveUp, true, false, 0},
        {"left button down", Step::Down, kInA, sbActiveDown, true, true, 0},
        {"held, moved out", Step::Move, kOutside, sbUp, true, true, 0},
        {"held, moved back in", Step::Move, kInA, sbActiveDown, true, true, 0},
        {"released inside: a click, then hover again", Step::Up, kInA, sbActiveUp, true, false, 1},
        {"down again", Step::Down, kInA, sbActiveDown, true, true, 1},
        {"released outside: no click", Step::Up, kOutside, sbUp, false, false, 1},
        {"hover enters again", Step::Move, 30, sbActiveUp, true, false, 1},
        {"hover leaves", Step::Move, kOutside, sbUp, false, false, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.action == Step::Move) headless::MouseMove(s.x, kY);
        if (s.action == Step::Down) headless::MouseDown(s.x, kY);
        if (s.action == Step::Up) headless::MouseUp(s.x, kY);
        EXPECT_EQ(a->State(), s.state);
        EXPECT_EQ(a->MouseInControl(), s.in_control);
        EXPECT_EQ(a->MousePressed(), s.pressed);
        EXPECT_EQ(clicks.size(), s.clicks);
        EXPECT_FALSE(a->Down());
    }
}

TEST_F(ShineInputTest, ReleaseIsInsideOnlyBelowTheRightAndBottomEdge) {
    // The button covers x 10..49, y 10..29.
    struct Case { int x, y; bool click; } cases[] = {{10, 10, true}, {49, 29, true}, {50, 20, false}, {20, 30, false}, {9, 20, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.x) + "," + std::to_string(k.y));
        clicks.clear();
        headless::MouseDown(20, 20);
        headless::MouseUp(k.x, k.y);
        EXPECT_EQ(clicks.size(), k.click ? 1u : 0u);
    }
}

TEST_F(ShineInputTest, GroupWithoutAllowAllUpKeepsExactlyOneDown) {
    Group(1, false, {a, b, c});
    headless::Click(kInA, kY);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), sbActiveDown);
    headless::Click(70, kY);  // b
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), sbUp);
    EXPECT_TRUE(b->Down());
    headless::Click(70, kY);  // the down member again: stays down, still clicks
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(clicks.size(), 3u);
    b->SetDown(false);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_FALSE(c->Down());
}

TEST_F(ShineInputTest, GroupWithAllowAllUpReleasesTheDownMember) {
    Group(2, true, {a, b});
    headless::Click(kInA, kY);
    EXPECT_TRUE(a->Down());
    headless::Click(kInA, kY);
    EXPECT_FALSE(a->Down());
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(a->State(), sbActiveUp);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(ShineInputTest, UngroupedButtonIsNeverDown) {
    a->SetDown(true);
    EXPECT_FALSE(a->Down());
    a->SetAccelCharDown(true);
    a->SetCaption("&Go");
    form->Perform(CM_DIALOGCHAR, 'G');
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(ShineInputTest, LeavingItsGroupReleasesAButton) {
    Group(1, false, {a, b});
    a->SetDown(true);
    a->SetGroupIndex(0);
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), sbUp);
}

TEST_F(ShineInputTest, GroupsReachPlatformSpeedButtonsOfTheSameParentOnly) {
    auto* speed = new TSpeedButton(form);
    speed->SetParent(form);
    speed->SetBounds(160, 10, 30, 20);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 50, 200, 50);
    TShineSpeedButton* elsewhere = Make(10, panel);
    elsewhere->SetGroupIndex(1);
    elsewhere->SetDown(true);
    TShineSpeedButton* other_group = c;
    other_group->SetGroupIndex(9);
    other_group->SetDown(true);

    Group(1, false, {a, b});
    speed->SetGroupIndex(1);
    speed->SetDown(true);
    EXPECT_TRUE(speed->Down());

    a->SetDown(true);  // a shine member releases the platform one
    EXPECT_FALSE(speed->Down());
    EXPECT_TRUE(a->Down());

    speed->SetDown(true);  // and the platform one releases the shine one
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), sbUp);

    headless::Click(70, kY);  // b by the mouse
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(speed->Down());

    // AllowAllUp of one member reaches every member, the speed button too.
    a->SetAllowAllUp(true);
    EXPECT_TRUE(b->AllowAllUp());
    EXPECT_TRUE(speed->AllowAllUp());
    speed->SetAllowAllUp(false);
    EXPECT_FALSE(a->AllowAllUp());
    EXPECT_FALSE(b->AllowAllUp());

    EXPECT_TRUE(elsewhere->Down()) << "another parent is untouched";
    EXPECT_FALSE(elsewhere->AllowAllUp());
    EXPECT_TRUE(other_group->Down()) << "another group is untouched";

    // No proxy stays behind.
    EXPECT_EQ(form->ControlCount(), 5);
    EXPECT_EQ(a->GroupProxyButton(), nullptr);
}

TEST_F(ShineInputTest, PlatformSpeedButtonGroupsByItself) {
    auto* s1 = new TSpeedButton(form);
    auto* s2 = new TSpeedButton(form);
    for (auto* s : {s1, s2}) {
        s->SetParent(form);
        s->SetGroupIndex(4);
    }
    s1->SetBounds(10, 60, 30, 20);
    s2->SetBounds(50, 60, 30, 20);
    int clicked = 0;
    s2->OnClick = TNotifyEvent([&](TObject*) { ++clicked; });
    s1->SetDown(true);
    headless::Click(60, 70);
    EXPECT_TRUE(s2->Down());
    EXPECT_FALSE(s1->Down());
    EXPECT_EQ(clicked, 1);
    headless::Click(60, 70);
    EXPECT_TRUE(s2->Down()) << "without AllowAllUp the down one stays";
    s1->SetAllowAllUp(true);
    headless::Click(60, 70);
    EXPECT_FALSE(s2->Down());
}

TEST_F(ShineInputTest, HoverTimerCatchesAMissedLeaveAndStops) {
    headless::MouseMove(kInA, kY);
    ASSERT_EQ(a->State(), sbActiveUp);
    EXPECT_TRUE(a->ActiveButtonTimer()->Running());
    // The pointer jumps away without any message reaching the program.
    headless::SetCursorPos(500, 500);
    headless::AdvanceTime(199);
    EXPECT_EQ(a->State(), sbActiveUp);
    headless::AdvanceTime(1);
    EXPECT_EQ(a->State(), sbUp);
    EXPECT_FALSE(a->MouseInControl());
    EXPECT_FALSE(a->ActiveButtonTimer()->Running());
    EXPECT_EQ(headless::TimerCount(), 0u) << "no periodic work is left";
}

TEST_F(ShineInputTest, HoverTimerRunsOnlyWhileTheMouseIsOver) {
    EXPECT_EQ(headless::TimerCount(), 0u);
    headless::MouseMove(kInA, kY);
    EXPECT_EQ(headless::TimerCount(), 1u);
    headless::AdvanceTime(1000);  // ticks that find the pointer inside change nothing
    EXPECT_EQ(a->State(), sbActiveUp);
    headless::MouseMove(kOutside, kY);
    EXPECT_EQ(a->State(), sbUp);
    EXPECT_EQ(headless::TimerCount(), 0u);
}

TEST_F(ShineInputTest, LeavingTheWholeWindowIsReported) {
    TForm* other = new TForm(Application);
    other->SetBorderStyle(bsNone);
    other->SetBounds(300, 0, 100, 100);
    other->Show();
    headless::MouseMove(kInA, kY);
    ASSERT_EQ(a->State(), sbActiveUp);
    EXPECT_EQ(headless::MouseTracked(), form->Handle());
    headless::MouseMove(350, 50);  // straight into another window
    EXPECT_EQ(a->State(), sbUp);
    EXPECT_FALSE(a->ActiveButtonTimer()->Running());
}

TEST_F(ShineInputTest, EnterAndLeaveEventsComeForEveryNotification) {
    int enters = 0, leaves = 0;
    a->OnMouseEnter = TShineMouseEvent([&](TObject*, TShiftState, int, int) { ++enters; });
    a->OnMouseLeave = TShineMouseEvent([&](TObject*, TShiftState, int, int) { ++leaves; });
    a->SetEnabled(false);
    a->Perform(CM_MOUSEENTER);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(a->State(), sbDisabled) << "a disabled button does not light up";
    headless::SetCursorPos(500, 500);
    a->SetEnabled(true);  // UpdateTracking finds the pointer elsewhere
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(a->State(), sbUp);
}

TEST_F(ShineInputTest, ShiftStateComesFromTheKeys) {
    TShiftState seen = 0;
    a->OnMouseEnter = TShineMouseEvent([&](TObject*, TShiftState s, int, int) { seen = s; });
    headless::SetKeyState(0x10, true);  // Shift
    headless::SetKeyState(0x11, true);  // Ctrl
    headless::MouseMove(kInA, kY);
    EXPECT_EQ(seen, TShiftState(ssShift | ssCtrl));
}

TEST_F(ShineInputTest, AcceleratorsAreConsumedOnlyWhenVisibleWithAShowingParent) {
    a->SetCaption("&Go");
    b->SetCaption("Stop");
    form->SetFocus();
    headless::PressKey('G');
    EXPECT_EQ(clicks, std::vector<TShineSpeedButton*>{a});
    headless::SetKeyState(kVkMenu, true);
    headless::PressKey('G');  // Alt+G: a system character
    headless::SetKeyState(kVkMenu, false);
    EXPECT_EQ(clicks.size(), 2u);

    struct Case {
        const char* what;
        bool visible, enabled, form_shown;
        win::LRESULT consumed;
    } cases[] = {
        {"shown", true, true, true, 1},
        {"hidden button", false, true, true, 0},
        {"disabled button", true, false, true, 0},
        {"hidden form", true, true, false, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        a->SetVisible(k.visible);
        a->SetEnabled(k.enabled);
        form->SetVisible(k.form_shown);
        clicks.clear();
        EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'g'), k.consumed);
        EXPECT_EQ(clicks.size(), static_cast<std::size_t>(k.consumed));
    }
}

TEST_F(ShineInputTest, AcceleratorCanToggleDown) {
    Group(3, true, {a, b});
    a->SetCaption("&Go");
    a->SetAccelCharDown(true);
    form->Perform(CM_DIALOGCHAR, 'G');
    EXPECT_TRUE(a->Down());
    form->Perform(CM_DIALOGCHAR, 'G');
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(ShineInputTest, DoubleClicks) {
    // On an up button: no OnDblClick, the second press clicks again.
    headless::DoubleClick(kInA, kY);
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_TRUE(dblclicks.empty());
    // On a down grouped button: OnDblClick.
    clicks.clear();
    Group(1, false, {b, c});
    b->SetDown(true);
    headless::DoubleClick(70, kY);
    EXPECT_EQ(dblclicks, std::vector<TShineSpeedButton*>{b});
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_TRUE(b->Down());
}

TEST_F(ShineInputTest, ClickDownHookShowsThePressedLookWhileTheClickRuns) {
    a->SetClickDownHook(true);
    std::vector<TShineButtonState> during;
    a->OnClick = TNotifyEvent([&](TObject*) { during.push_back(a->State()); });
    headless::MouseMove(kInA, kY);
    headless::Click(kInA, kY);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0], sbActiveDown);
    EXPECT_EQ(a->State(), sbActiveUp);
}

TEST_F(ShineInputTest, DisablingReleasesWithoutTellingTheGroup) {
    Group(1, false, {a, b});
    a->SetDown(true);
    a->SetEnabled(false);
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), sbDisabled);
    EXPECT_FALSE(b->Down());
    a->SetEnabled(true);
    EXPECT_EQ(a->State(), sbUp);
    // A disabled button takes no press.
    a->SetEnabled(false);
    headless::Click(kInA, kY);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(a->State(), sbDisabled);
}

TEST_F(ShineInputTest, RightButtonDoesNotPress) {
    headless::MouseMove(kInA, kY);
    headless::MouseDown(kInA, kY, headless::Button::Right);
    EXPECT_EQ(a->State(), sbActiveUp);
    EXPECT_FALSE(a->MousePressed());
    headless::MouseUp(kInA, kY, headless::Button::Right);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(ShineInputTest, GroupedReleaseOutsideKeepsTheDownState) {
    Group(1, false, {a, b});
    a->SetDown(true);
    headless::MouseDown(kInA, kY);
    headless::MouseMove(kOutside, kY);
    EXPECT_EQ(a->State(), sbDown);
    headless::MouseUp(kOutside, kY);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), sbDown);
    EXPECT_TRUE(clicks.empty());
}

}  // namespace
