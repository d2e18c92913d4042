// Start-up and the end of the program: the five windows in their order with
// their owners and shapes, the settings applied before the tray icon comes
// up, no taskbar button, the whole run through RunLauncher, and a start-up
// that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Launcher.h"
#include "platform/headless/Headless.h"
#include "tests/headless/app/LauncherFixture.h"

namespace apptest {
namespace {

using StartupTest = LauncherTest;

TEST_F(StartupTest, MalloOwnsTheOtherFourWindowsAndIsTheOnlyFormOfTheApplication) {
    Start();
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_EQ(Application->ComponentCount(), 1);
    EXPECT_EQ(Application->Title(), kTitle);
    EXPECT_EQ(headless::ApplicationTitle(), kTitle);
    TComponent* owned[] = {Form2, Form3, Form4, StatusForm1};
    for (TComponent* c : owned) {
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Owner(), Form1) << c->ClassName();
    }
    // Created in this order: Mallo, Tibbet, Quon, Oswy, the settings window
    // (with its children), and last the tray icon's own window. (The timers
    // share a hidden window of their own.)
    std::vector<os::WindowId> forms;
    for (os::WindowId w : headless::Windows()) {
        headless::WindowState s = headless::State(w);
        if (s.kind == os::WindowKind::Form && s.caption != "TimerWindow") forms.push_back(w);
    }
    ASSERT_EQ(forms.size(), 6u);
    os::WindowId expected[] = {Form1->Handle(), Form2->Handle(), Form3->Handle(), Form4->Handle(), StatusForm1->Handle(),
                               StatusForm1->LMDTrayIcon1->Handle()};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(forms[i], expected[i]) << "form " << i;
    EXPECT_EQ(headless::Windows().back(), StatusForm1->LMDTrayIcon1->Handle());
}

TEST_F(StartupTest, TheCharactersAreShownInOrderAndTheSettingsWindowStaysHidden) {
    Start();
    // Each show raises its window: Tibbet, Quon and Oswy in turn, and then
    // Mallo, shown by the settings load.
    std::vector<os::WindowId> shown;
    for (os::WindowId w : headless::ZOrder())
        if (headless::State(w).visible) shown.push_back(w);
    std::vector<os::WindowId> expected = {Form1->Handle(), Form4->Handle(), Form3->Handle(), Form2->Handle()};
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(StatusForm1->Visible());
    EXPECT_FALSE(headless::State(StatusForm1->Handle()).visible);
    EXPECT_TRUE(headless::AcceptsDrops(StatusForm1->Handle()));
}

// Each window as its layout and its constructor leave it: borderless, on
// top, at its start position, cut to Rgn1 before any move, and its timer
// running at 50 ms.
TEST_F(StartupTest, EveryCharacterStartsShapedToItsFirstUpFrame) {
    struct Case {
        const char* caption;
        os::Rect bounds;
    } cases[] = {
        {"Mallo", {0, -50, 132, 1}},
        {"Tibbet", {480, -50, 603, 1}},
        {"Quon", {-50, 480, 73, 536}},
        {"Oswy", {992, 736, 1115, 791}},
    };
    const long scanned = RgnScannedRows();
    Start();
    EXPECT_EQ(RgnScannedRows(), scanned) << "the frames' regions are stored with the forms, not made from their pictures";
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].caption);
        TForm* f = Character(i);
        headless::WindowState w = headless::State(f->Handle());
        EXPECT_EQ(w.caption, cases[i].caption);
        EXPECT_EQ(CornersOf(w.bounds), CornersOf(cases[i].bounds));
        EXPECT_FALSE(w.bordered);
        EXPECT_TRUE(w.stay_on_top);
        EXPECT_TRUE(w.visible);
        EXPECT_EQ(ShownFrame(i), 1);
        EXPECT_EQ(FrameCounterOf(i), 0);
        // The first shape the window ever had was Rgn1's.
        auto first = std::find_if(headless::RegionLog().begin(), headless::RegionLog().end(),
                                  [&](const headless::RegionChange& c) { return c.window == f->Handle(); });
        ASSERT_NE(first, headless::RegionLog().end());
        ASSERT_TRUE(first->rects.has_value());
        EXPECT_EQ(gfx::Region::from_rects(*first->rects), FramesOf(i)[0]->RgnHandle()->region);
        EXPECT_TRUE(TimerOf(i)->Running());
        EXPECT_EQ(TimerOf(i)->Interval(), 50u);
    }
    EXPECT_EQ(headless::TimerCount(), 4u);
    headless::WindowState s = headless::State(StatusForm1->Handle());
    EXPECT_EQ(CornersOf(s.bounds), (Corners{20, 20, 370, 370}));
    EXPECT_FALSE(s.bordered);
    EXPECT_TRUE(s.stay_on_top);
    EXPECT_EQ(s.caption, "設定ウィンドウ");
}

TEST_F(StartupTest, TheTrayIconComesUpLastAndTakesTheTaskbarButtonAway) {
    WriteIni("[Visible]\r\nChar01=0\r\nChar02=0\r\nChar03=0\r\nChar04=0\r\n");
    Start();
    ASSERT_EQ(headless::TrayIcons().size(), 1u);
    EXPECT_EQ(headless::TrayIcons()[0].window, StatusForm1->LMDTrayIcon1->Handle());
    EXPECT_FALSE(headless::TrayIcons()[0].icon.empty());
    EXPECT_EQ(headless::TrayIcons()[0].tip, "");
    EXPECT_EQ(headless::TrayLog().size(), 1u);
    EXPECT_FALSE(headless::TaskbarButtonShown());
    EXPECT_EQ(headless::TaskbarButtonChanges(), 1u);
    EXPECT_FALSE(Application->ShowMainForm);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(headless::State(Character(i)->Handle()).visible) << kNames[i];
}

// The whole run: the loop starts without showing Mallo (its flag is off),
// the characters walk, and the tray menu's exit command ends the run; the
// windows and the tray icon go, and nothing is saved.
TEST_F(StartupTest, RunLauncherRunsUntilTheExitCommandAndSavesNothing) {
    const std::string file = "[Visible]\r\nChar01=0\r\n";
    WriteIni(file);
    bool ran = false;
    headless::PushIdleAction([&] {
        ran = true;
        EXPECT_FALSE(Form1->Visible());
        headless::SetCursorPos(900, 700);
        Tick(10);
        EXPECT_EQ(Form4->Left(), 992 - 20);
        EXPECT_FALSE(headless::State(Form1->Handle()).visible);
        ChooseFromTrayMenu(kExit);
    });
    EXPECT_EQ(RunLauncher(), 0);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(headless::ErrorBoxes().empty());
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_EQ(headless::TrayLog().size(), 2u);
    EXPECT_TRUE(headless::Windows().empty());
    EXPECT_EQ(Ini(), file);
    EXPECT_EQ(headless::InvalidWindowCalls(), 0u);
}

// A start-up that raises is shown by the application's exception display
// and the entry point still returns 0.
TEST_F(StartupTest, AFailedStartUpIsShownAndReturnsZero) {
    struct ResourceGuard {
        ~ResourceGuard() { headless::UnregisterResources(); }
    } guard;
    const std::string broken = "object Form1: TForm1\n  Left = \n";
    headless::RegisterResource("TForm1", "FORM", std::vector<std::uint8_t>(broken.begin(), broken.end()));
    EXPECT_EQ(RunLauncher(), 0);
    ASSERT_EQ(headless::ErrorBoxes().size(), 1u);
    EXPECT_EQ(headless::ErrorBoxes()[0].title, kTitle);
    EXPECT_FALSE(headless::ErrorBoxes()[0].message.empty());
    EXPECT_TRUE(headless::TrayIcons().empty());
    expect_error_boxes_ = true;
}

}  // namespace
}  // namespace apptest
