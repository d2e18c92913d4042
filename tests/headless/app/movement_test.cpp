// How the four characters follow their targets tick by tick: the dead zone
// and step of each on both axes, the frame each move shows, the frame
// counter, Oswy waiting for Tibbet, standing still while the settings
// window is open, Mallo's visible flag, unclamped positions, and no GDI
// object left behind however long they walk.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/graphics/GdiObject.h"
#include "tests/headless/app/LauncherFixture.h"

namespace apptest {
namespace {

using MovementTest = LauncherTest;

enum Frame { kStill = 1, kUp = 2, kDown = 5, kLeft = 8, kRight = 11 };  // what the first tick shows

// One tick right after start-up (frame counter 0, Rgn1 shown): the
// character at `own` with its target at `target` ends at `expected`
// showing `frame`. For Oswy the target is Tibbet's top-left corner, and the
// cursor sits there so that Tibbet stands still.
TEST_F(MovementTest, EachCharacterMovesByItsStepOnlyBeyondItsDeadZone) {
    struct Case {
        const char* name;
        int character;
        TPoint own, target, expected;
        int frame;
    } cases[] = {
        // Mallo: dead zone Top..Top+32 and Left..Left+32, step 3.
        {"Mallo y = Top", 0, {100, 100}, {116, 100}, {100, 100}, kStill},
        {"Mallo y = Top + 32", 0, {100, 100}, {116, 132}, {100, 100}, kStill},
        {"Mallo y = Top - 1", 0, {100, 100}, {116, 99}, {100, 97}, kUp},
        {"Mallo y = Top + 33", 0, {100, 100}, {116, 133}, {100, 103}, kDown},
        {"Mallo x = Left", 0, {100, 100}, {100, 116}, {100, 100}, kStill},
        {"Mallo x = Left + 32", 0, {100, 100}, {132, 116}, {100, 100}, kStill},
        {"Mallo x = Left - 1", 0, {100, 100}, {99, 116}, {97, 100}, kLeft},
        {"Mallo x = Left + 33", 0, {100, 100}, {133, 116}, {103, 100}, kRight},
        {"Mallo up and left", 0, {100, 100}, {50, 50}, {97, 97}, kLeft},
        {"Mallo down and right", 0, {100, 100}, {300, 300}, {103, 103}, kRight},
        // Tibbet: dead zone Top-24..Top+12 and Left-24..Left+12, step 2.
        {"Tibbet x = Left - 24", 1, {200, 300}, {176, 300}, {200, 300}, kStill},
        {"Tibbet x = Left + 12", 1, {200, 300}, {212, 300}, {200, 300}, kStill},
        {"Tibbet x = Left - 25", 1, {200, 300}, {175, 300}, {198, 300}, kLeft},
        {"Tibbet x = Left + 13", 1, {200, 300}, {213, 300}, {202, 300}, kRight},
        {"Tibbet y = Top - 24", 1, {200, 300}, {200, 276}, {200, 300}, kStill},
        {"Tibbet y = Top + 12", 1, {200, 300}, {200, 312}, {200, 300}, kStill},
        {"Tibbet y = Top - 25", 1, {200, 300}, {200, 275}, {200, 298}, kUp},
        {"Tibbet y = Top + 13", 1, {200, 300}, {200, 313}, {200, 302}, kDown},
        // Quon: dead zone Top-48..Top+24 and Left-48..Left+24, step 4.
        {"Quon y = Top - 48", 2, {300, 300}, {300, 252}, {300, 300}, kStill},
        {"Quon y = Top - 49", 2, {300, 300}, {300, 251}, {300, 296}, kUp},
        {"Quon y = Top + 24", 2, {300, 300}, {300, 324}, {300, 300}, kStill},
        {"Quon y = Top + 25", 2, {300, 300}, {300, 325}, {300, 304}, kDown},
        {"Quon x = Left - 48", 2, {300, 300}, {252, 300}, {300, 300}, kStill},
        {"Quon x = Left - 49", 2, {300, 300}, {251, 300}, {296, 300}, kLeft},
        {"Quon x = Left + 24", 2, {300, 300}, {324, 300}, {300, 300}, kStill},
        {"Quon x = Left + 25", 2, {300, 300}, {325, 300}, {304, 300}, kRight},
        // Oswy after Tibbet: dead zone Top-12..Top+32 and Left-12..Left+32, step 2.
        {"Oswy, Tibbet at Top - 12", 3, {500, 500}, {500, 488}, {500, 500}, kStill},
        {"Oswy, Tibbet at Top + 32", 3, {500, 500}, {500, 532}, {500, 500}, kStill},
        {"Oswy, Tibbet at Top - 13", 3, {500, 500}, {500, 487}, {500, 498}, kUp},
        {"Oswy, Tibbet at Top + 33", 3, {500, 500}, {500, 533}, {500, 502}, kDown},
        {"Oswy, Tibbet at Left - 12", 3, {500, 500}, {488, 500}, {500, 500}, kStill},
        {"Oswy, Tibbet at Left + 32", 3, {500, 500}, {532, 500}, {500, 500}, kStill},
        {"Oswy, Tibbet at Left - 13", 3, {500, 500}, {487, 500}, {498, 500}, kLeft},
        {"Oswy, Tibbet at Left + 33", 3, {500, 500}, {533, 500}, {502, 500}, kRight},
        {"Oswy, Tibbet up and left", 3, {500, 500}, {400, 400}, {498, 498}, kLeft},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        TForm* self = Character(c.character);
        Place(self, c.own.x, c.own.y);
        if (c.character == 3) Place(Form2, c.target.x, c.target.y);
        headless::SetCursorPos(c.target.x, c.target.y);
        Tick();
        EXPECT_EQ(self->Left(), c.expected.x);
        EXPECT_EQ(self->Top(), c.expected.y);
        EXPECT_EQ(ShownFrame(c.character), c.frame);
        // The window went where the form says it is.
        os::Rect r = headless::State(self->Handle()).bounds;
        EXPECT_EQ(r.left, c.expected.x);
        EXPECT_EQ(r.top, c.expected.y);
        if (c.character == 3) {
            EXPECT_EQ(Form2->Left(), c.target.x) << "Tibbet must stand still for this case";
            EXPECT_EQ(Form2->Top(), c.target.y) << "Tibbet must stand still for this case";
        }
        Stop();
    }
}

// The counter runs 1, 2, 0, ... from start-up on every tick, moving or not;
// a steady walk shows the three frames of its direction in turn, and a
// character that stops keeps the frame it showed last.
TEST_F(MovementTest, TheFrameCounterCyclesOnEveryTickAndPicksTheFrameOfTheMove) {
    Start();
    Place(Form1, 100, 100);  // walks down until tick 3, then stands
    Place(Form2, 600, 100);  // walks down and left, so shows left frames
    Place(Form3, 100, 390);  // stands until tick 3, then walks up
    Place(Form4, 590, 600);  // walks up after Tibbet
    headless::SetCursorPos(110, 400);
    const int up[] = {1, 2, 3}, down[] = {4, 5, 6}, left[] = {7, 8, 9};  // by counter
    for (int tick = 1; tick <= 9; ++tick) {
        SCOPED_TRACE(testing::Message() << "tick " << tick);
        if (tick == 4) headless::SetCursorPos(110, 110);
        Tick();
        int counter = tick % 3;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(FrameCounterOf(i), counter) << kNames[i];
        EXPECT_EQ(ShownFrame(0), down[tick <= 3 ? counter : 0]);
        EXPECT_EQ(ShownFrame(1), left[counter]);
        EXPECT_EQ(ShownFrame(2), tick <= 3 ? 1 : up[counter]);
        EXPECT_EQ(ShownFrame(3), up[counter]);
    }
}

// Every tick takes the mouse capture for its own window and gives it back
// before the next timer runs; the timers run Mallo, Tibbet, Quon, Oswy.
TEST_F(MovementTest, EachTickHoldsTheCaptureOnlyWhileItRuns) {
    Start();
    Tick(3);
    const auto& log = headless::CaptureLog();
    ASSERT_EQ(log.size(), 3u * 8);
    for (std::size_t i = 0; i < log.size(); i += 2) {
        int character = static_cast<int>(i / 2 % 4);
        EXPECT_EQ(log[i].window, Character(character)->Handle()) << "entry " << i;
        EXPECT_EQ(log[i + 1].window, 0u) << "entry " << i + 1;
        EXPECT_EQ(log[i].time, log[i + 1].time);
    }
    EXPECT_EQ(os::capture(), 0u);
}

// A tick that cannot read the cursor (a secure desktop, a locked
// workstation) walks nobody towards it and leaves the frame counters; the
// capture is still taken and given back, and Oswy still follows Tibbet.
TEST_F(MovementTest, ATickWithoutACursorMovesNoOneTowardsIt) {
    Start();
    for (int i = 0; i < 4; ++i) Place(Character(i), 300 + 100 * i, 300);
    Place(Form4, 100, 100);  // far from Tibbet, so Oswy walks
    headless::SetCursorPos(0, 0);
    headless::SetCursorReadable(false);
    const std::size_t captures = headless::CaptureLog().size();
    Tick();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Pos(Character(i)->Left(), Character(i)->Top()), Pos(300 + 100 * i, 300)) << kNames[i];
        EXPECT_EQ(FrameCounterOf(i), 0) << kNames[i];
        EXPECT_EQ(ShownFrame(i), 1) << kNames[i];
    }
    EXPECT_EQ(Pos(Form4->Left(), Form4->Top()), Pos(102, 102)) << "Oswy walks after Tibbet";
    EXPECT_EQ(headless::CaptureLog().size(), captures + 8);
    EXPECT_EQ(os::capture(), 0u);

    headless::SetCursorReadable(true);
    Tick();
    EXPECT_EQ(Pos(Form1->Left(), Form1->Top()), Pos(297, 297)) << "the cursor is back: Mallo walks to it";
}


// up from where it stood once Tibbet is back. Tibbet keeps following while
// hidden.
TEST_F(MovementTest, OswyWaitsWhileTibbetIsHidden) {
    struct Case {
        const char* name;
        bool oswy_shown;
    } cases[] = {{"Oswy shown", true}, {"Oswy hidden too", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        Place(Form2, 100, 100);
        Place(Form4, 600, 600);
        headless::SetCursorPos(100, 100);
        Tick();  // Oswy: counter 1, one step up and left
        ASSERT_EQ(ShownFrame(3), 8);
        StatusForm1->CheckBox2->SetChecked(false);
        StatusForm1->CheckBox4->SetChecked(c.oswy_shown);
        ASSERT_FALSE(Form2->Visible());
        ASSERT_EQ(Form4->Visible(), c.oswy_shown);

        headless::SetCursorPos(900, 100);  // Tibbet walks right while hidden
        std::size_t regions = headless::RegionChangeCount(Form4->Handle());
        std::size_t captures = headless::CaptureLog().size();
        Tick(5);
        EXPECT_EQ(Form4->Left(), 598);
        EXPECT_EQ(Form4->Top(), 598);
        EXPECT_EQ(Form4->FrameCounter, 1);
        EXPECT_EQ(ShownFrame(3), 8);
        EXPECT_EQ(headless::RegionChangeCount(Form4->Handle()), regions);
        EXPECT_EQ(headless::CaptureLog().size(), captures + 5 * 6) << "Oswy took the capture";
        EXPECT_EQ(Form2->Left(), 110) << "Tibbet stopped following while hidden";

        StatusForm1->CheckBox2->SetChecked(true);
        Tick();
        EXPECT_EQ(Form4->FrameCounter, 2);
        EXPECT_EQ(Form4->Left(), 596);
        EXPECT_EQ(ShownFrame(3), 9);
        Stop();
    }
}

// Opening the settings window stops every character: no move, no counter
// change, no new shape, however long it stays open; closing it sets them
// walking again.
TEST_F(MovementTest, NobodyMovesWhileTheSettingsWindowIsOpen) {
    Start();
    for (int i = 0; i < 4; ++i) Place(Character(i), 300 + 60 * i, 400);
    headless::SetCursorPos(900, 100);
    Tick();
    TPoint before[4];
    int frames[4];
    for (int i = 0; i < 4; ++i) {
        before[i] = {Character(i)->Left(), Character(i)->Top()};
        frames[i] = ShownFrame(i);
    }
    std::size_t regions = headless::RegionLog().size();
    EXPECT_TRUE(OpenFromMenu(2, [&] {
        Tick(40);
        headless::SetCursorPos(0, 700);
        Tick(40);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(kNames[i]);
            EXPECT_EQ(Character(i)->Left(), before[i].x);
            EXPECT_EQ(Character(i)->Top(), before[i].y);
            EXPECT_EQ(FrameCounterOf(i), 1);
            EXPECT_EQ(ShownFrame(i), frames[i]);
        }
        EXPECT_EQ(headless::RegionLog().size(), regions);
    }));
    Tick();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(FrameCounterOf(i), 2) << kNames[i];
    EXPECT_NE(Form1->Top(), before[0].y);
}

// Mallo's window follows its check box at the next tick, whatever showed
// or hid it in between.
TEST_F(MovementTest, MallosVisibleFlagIsImposedAtEveryTick) {
    struct Case {
        bool flag;
        bool forced;  // what something else made of the window
    } cases[] = {{false, true}, {true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag " << c.flag);
        Start();
        StatusForm1->CheckBox1->SetChecked(c.flag);
        ASSERT_EQ(Form1->Visible(), c.flag);
        Form1->SetVisible(c.forced);
        ASSERT_EQ(headless::State(Form1->Handle()).visible, c.forced);
        Tick();
        EXPECT_EQ(Form1->Visible(), c.flag);
        EXPECT_EQ(headless::State(Form1->Handle()).visible, c.flag);
        Stop();
    }
}

// Positions are never clamped: characters walk on into negative
// coordinates and off the screen, and back again.
TEST_F(MovementTest, PositionsAreNotClampedToTheScreen) {
    Start();
    headless::SetCursorPos(-100000, 100000);
    Tick(100);
    const TPoint away[] = {{0 - 300, -50 + 300}, {480 - 200, -50 + 200}, {-50 - 400, 480 + 400}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(kNames[i]);
        EXPECT_EQ(Character(i)->Left(), away[i].x);
        EXPECT_EQ(Character(i)->Top(), away[i].y);
        EXPECT_EQ(headless::State(Character(i)->Handle()).bounds.left, away[i].x);
    }
    headless::SetCursorPos(100000, -100000);
    Tick(100);
    const TPoint home[] = {{0, -50}, {480, -50}, {-50, 480}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(kNames[i]);
        EXPECT_EQ(Character(i)->Left(), home[i].x);
        EXPECT_EQ(Character(i)->Top(), home[i].y);
    }
}

// Walking shows a frame at every step, and every shape goes to the
// window; the settings window draws its list at every opening. No region,
// bitmap or other GDI object is left behind.
TEST_F(MovementTest, GdiObjectsStayFlatOverAHundredThousandTicks) {
    Start();
    // Drawing objects a control keeps once it has painted are not leaks:
    // every frame paints once, and the settings window opens once, first.
    for (int i = 0; i < 4; ++i)
        for (int frame = 1; frame <= 12; ++frame) {
            ShowFrameOf(i, frame);
            os::update_window(Character(i)->Handle());
        }
    EXPECT_TRUE(OpenFromTray([] {}));
    const long regions = win::LiveGdiObjects(win::GdiKind::Region);
    const long all = win::LiveGdiObjects();
    const long scanned = RgnScannedRows();
    const TPoint corners[] = {{0, 0}, {1000, 700}, {1000, 0}, {0, 700}};
    for (int round = 0; round < 100; ++round) {
        headless::SetCursorPos(corners[round % 4].x, corners[round % 4].y);
        Tick(1000);
        if (round % 10 == 0) {
            EXPECT_TRUE(OpenFromMenu(round / 10 % 4, [] { ClickOn(StatusForm1->Image3); }));
        }
    }
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
    EXPECT_EQ(win::LiveGdiObjects(), all);
    EXPECT_EQ(RgnScannedRows(), scanned) << "walking made a region from a picture";
    // They did walk: about a third of the time each, one or two frames a step.
    EXPECT_GT(headless::RegionLog().size(), 100000u);
}

}  // namespace
}  // namespace apptest
