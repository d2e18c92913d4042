// The settings window while it is open: the portrait list for the selected
// character, the arrow buttons, dropped files, the visible flags, the close
// button, dragging the window, the information page, and the tray icon's
// commands, also those that arrive while the window is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/headless/app/LauncherFixture.h"

namespace apptest {
namespace {

class SettingsWindowTest : public LauncherTest {
protected:
    // Starts the program with the characters apart on the screen and the
    // four edits holding values of their own.
    void StartApart() {
        Start();
        for (int i = 0; i < 4; ++i) {
            Place(Character(i), 450 + 100 * i, 500);
            StatusForm1->LaunchPathEdit(i)->SetText("before " + std::to_string(i));
        }
    }
    static Pos WindowPos() { return {StatusForm1->Left(), StatusForm1->Top()}; }
    static std::vector<std::uint32_t> Picture() {
        return BitmapBlock(StatusForm1->Image1->Picture()->Bitmap(), 0, 0, 350, 350);
    }
};

// The list drawn for a selection: image k in colour in row k, the grey
// image 4 + r in every other row r, both in Image1's picture and on the
// screen; only the selected character's edit enabled.
::testing::AssertionResult ShowsListFor(int selected) {
    TImageList* list = StatusForm1->ImageList1;
    TBitmap* picture = StatusForm1->Image1->Picture()->Bitmap();
    for (int row = 0; row < 4; ++row) {
        int image = row == selected ? row : 4 + row;
        std::vector<std::uint32_t> want = ImageListCell(list, image);
        if (BitmapBlock(picture, 12, 50 + 72 * row, 48, 48) != want)
            return ::testing::AssertionFailure() << "row " << row << " of the picture is not image " << image;
        if (SurfaceBlock(StatusForm1->Handle(), 12, 50 + 72 * row, 48, 48) != want)
            return ::testing::AssertionFailure() << "row " << row << " on the screen is not image " << image;
    }
    for (int i = 0; i < 4; ++i) {
        bool enabled = StatusForm1->LaunchPathEdit(i)->Enabled();
        if (enabled != (i == selected) || headless::State(StatusForm1->LaunchPathEdit(i)->Handle()).enabled != enabled)
            return ::testing::AssertionFailure() << "edit of character " << i << (enabled ? " enabled" : " disabled");
    }
    return ::testing::AssertionSuccess();
}

TEST_F(SettingsWindowTest, TheListShowsTheOpenersPortraitInColourAndTheOthersInGrey) {
    StartApart();
    // The colour and the grey picture of each row differ, or the test could not tell them apart.
    for (int row = 0; row < 4; ++row)
        ASSERT_NE(ImageListCell(StatusForm1->ImageList1, row), ImageListCell(StatusForm1->ImageList1, 4 + row)) << row;
    for (int opener : {2, 0, 3, 1}) {
        SCOPED_TRACE(kNames[opener]);
        EXPECT_TRUE(OpenFromMenu(opener, [&] {
            EXPECT_EQ(StatusForm1->SelectedCharacter, opener);
            EXPECT_TRUE(ShowsListFor(opener));
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(StatusForm1->LaunchPathEdit(i)->Text(), "before " + std::to_string(i)) << "disabled edits keep their text";
        }));
    }
}

// The downward arrow selects the next character, the upward one the
// previous, both wrapping round; the list follows each press at once.
TEST_F(SettingsWindowTest, TheArrowsChangeTheSelectionAndWrapRound) {
    struct Case {
        const char* name;
        int opener;
        std::vector<bool> presses;  // true: the downward (next) arrow
        int expected;
    } cases[] = {
        {"next from Oswy", 3, {true}, 0},
        {"previous from Mallo", 0, {false}, 3},
        {"four times next", 1, {true, true, true, true}, 1},
        {"four times previous", 2, {false, false, false, false}, 2},
        {"next then previous", 0, {true, false}, 0},
        {"twice previous from Tibbet", 1, {false, false}, 3},
    };
    StartApart();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(OpenFromMenu(c.opener, [&] {
            int selected = c.opener;
            for (bool next : c.presses) {
                ClickOn(next ? StatusForm1->Image3 : StatusForm1->Image4);
                selected = (selected + (next ? 1 : 3)) % 4;
                EXPECT_EQ(StatusForm1->SelectedCharacter, selected);
                EXPECT_TRUE(ShowsListFor(selected));
            }
            EXPECT_EQ(StatusForm1->SelectedCharacter, c.expected);
        }));
    }
}

// A drop anywhere on the window sets the selected character's edit to the
// path of the last item; the other edits keep theirs. An item without a
// code page 932 name is refused with the default beep.
TEST_F(SettingsWindowTest, DroppedPathsGoToTheSelectedCharacter) {
    struct Case {
        const char* name;
        int selected;
        std::vector<std::string> paths;
        std::string expected;
        std::size_t beeps;
    } cases[] = {
        {"one file", 2, {"C:\\Users\\me\\notes.txt"}, "C:\\Users\\me\\notes.txt", 0},
        {"three files: the last wins", 1, {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"}, "C:\\3.txt", 0},
        {"a folder", 3, {"D:\\Games"}, "D:\\Games", 0},
        {"a 300-byte name, whole", 0, {"C:\\" + std::string(296, 'x')}, "C:\\" + std::string(296, 'x'), 0},
        {"a Japanese name", 0, {"C:\\ツール\\表示.exe"}, "C:\\ツール\\表示.exe", 0},
        {"a name code page 932 cannot hold", 2, {"C:\\한글.txt"}, "before 2", 1},
        {"a good name, then one refused", 1, {"C:\\good.txt", "C:\\😀.txt"}, "C:\\good.txt", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartApart();
        EXPECT_TRUE(OpenFromMenu(c.selected, [&] {
            os::DropId drop = headless::DropFiles(StatusForm1->Handle(), c.paths);
            ASSERT_NE(drop, 0u);
            EXPECT_TRUE(headless::DropFinished(drop));
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(StatusForm1->LaunchPathEdit(i)->Text(), i == c.selected ? c.expected : "before " + std::to_string(i))
                    << "edit of character " << i;
            EXPECT_EQ(headless::Beeps(), std::vector<unsigned>(c.beeps, 0u));
        }));
        ResetWorld();
    }
}

// Only the window takes drops: a drop over another character's edit still
// goes to the selected character, and a click on that character opens it.
TEST_F(SettingsWindowTest, ADropOnAnotherCharactersEditStillGoesToTheSelectedOne) {
    StartApart();
    EXPECT_TRUE(OpenFromMenu(2, [&] {
        TPoint over = CentreOf(StatusForm1->Edit1);
        EXPECT_NE(headless::DropFilesAt(over.x, over.y, {"C:\\quon.exe"}), 0u);
        EXPECT_EQ(StatusForm1->Edit5->Text(), "C:\\quon.exe");
        EXPECT_EQ(StatusForm1->Edit1->Text(), "before 0");
    }));
    TPoint p = PointOnCharacter(2);
    headless::Click(p.x, p.y);
    ASSERT_FALSE(headless::ShellCalls().empty());
    EXPECT_EQ(headless::ShellCalls().back().file, "C:\\quon.exe");
}

// The check boxes show and hide their characters at once; with none ticked
// the close button only beeps and saves nothing; once one is ticked again
// it saves the flags as they are.
TEST_F(SettingsWindowTest, CloseIsRefusedWhileNoCharacterIsTicked) {
    StartApart();
    EXPECT_TRUE(OpenFromMenu(0, [&] {
        for (int i = 0; i < 4; ++i) {
            ClickOn(StatusForm1->VisibleFlag(i));
            EXPECT_FALSE(StatusForm1->VisibleFlag(i)->Checked()) << kNames[i];
            EXPECT_FALSE(headless::State(Character(i)->Handle()).visible) << kNames[i];
        }
        for (int attempt = 1; attempt <= 2; ++attempt) {
            ClickOn(StatusForm1->Image5);
            EXPECT_EQ(headless::Beeps(), std::vector<unsigned>(attempt, 0u));
            EXPECT_TRUE(StatusForm1->Visible());
            EXPECT_TRUE(StatusForm1->Modal());
            EXPECT_FALSE(std::filesystem::exists(IniPath()));
        }
        ClickOn(StatusForm1->CheckBox3);
        EXPECT_TRUE(headless::State(Form3->Handle()).visible);
    }));
    EXPECT_FALSE(StatusForm1->Visible());
    EXPECT_NE(Ini().find("[Visible]\r\nChar01=0\r\nChar02=0\r\nChar03=1\r\nChar04=0\r\n"), std::string::npos) << Ini();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];
}

// Closed by the system (Alt+F4 and the window menu send WM_CLOSE): the
// same as the close button, refusal with the beep included; a close while
// the window is hidden does nothing.
TEST_F(SettingsWindowTest, ASystemCloseActsAsTheCloseButton) {
    StartApart();
    auto systemClose = [] { os::send_message(StatusForm1->Handle(), win::WM_CLOSE, 0, 0); };
    EXPECT_TRUE(OpenFromMenu(2, [&] {
        for (int i = 1; i < 4; ++i) ClickOn(StatusForm1->VisibleFlag(i));
        ClickOn(StatusForm1->VisibleFlag(0));
        systemClose();
        EXPECT_EQ(headless::Beeps(), std::vector<unsigned>{0u});
        EXPECT_TRUE(StatusForm1->Visible()) << "refused: nothing is ticked";
        EXPECT_FALSE(std::filesystem::exists(IniPath()));
        ClickOn(StatusForm1->CheckBox2);
        systemClose();
        EXPECT_EQ(StatusForm1->ModalResult, mrCancel) << "closed";
    }));
    EXPECT_FALSE(StatusForm1->Visible());
    EXPECT_EQ(Ini(),
              "[Visible]\r\nChar01=0\r\nChar02=1\r\nChar03=0\r\nChar04=0\r\n"
              "[Execute]\r\nChar01=before 0\r\nChar02=before 1\r\nChar03=before 2\r\nChar04=before 3\r\n");
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];

    std::filesystem::remove(IniPath());
    systemClose();
    EXPECT_FALSE(std::filesystem::exists(IniPath())) << "a hidden window saves nothing";
    EXPECT_FALSE(StatusForm1->Visible());
}

// Every close writes the file and restarts the four timers, also when
// nothing changed.
TEST_F(SettingsWindowTest, EveryCloseWritesTheFileAndRestartsTheTimers) {
    StartApart();
    const std::string saved =
        "[Visible]\r\nChar01=1\r\nChar02=1\r\nChar03=1\r\nChar04=1\r\n"
        "[Execute]\r\nChar01=before 0\r\nChar02=before 1\r\nChar03=before 2\r\nChar04=before 3\r\n";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::filesystem::remove(IniPath());
        EXPECT_TRUE(OpenFromMenu(round, [] {}));
        EXPECT_EQ(Ini(), saved);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(TimerOf(i)->Enabled()) << kNames[i];
            EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];
        }
    }
}

// Every point of the window's own surface answers as a caption bar, so a
// press there drags the window; the windowed controls that take input
// answer for themselves and do not.
TEST_F(SettingsWindowTest, DraggingMovesTheWindowFromItsSurfaceButNotFromItsControls) {
    struct Case {
        const char* name;
        std::function<TPoint()> from;
        bool moves;
    } cases[] = {
        {"the bottom label", [] { return ScreenPoint(StatusForm1->Label22, 3, 3); }, true},
        {"a name label", [] { return ScreenPoint(StatusForm1->Label20, 2, 2); }, true},
        {"a portrait", [] { return ScreenPoint(StatusForm1->Image1, 30, 200); }, true},
        {"an edit's shadow", [] { return ScreenPoint(StatusForm1->Shape7, 230, 17); }, true},
        {"the background", [] { return ScreenPoint(StatusForm1->Image1, 200, 30); }, true},
        {"the selected character's edit", [] { return CentreOf(StatusForm1->Edit3); }, false},
        // As on Windows, a disabled window takes no mouse input: the press
        // lands on the window's surface.
        {"a disabled edit", [] { return CentreOf(StatusForm1->Edit5); }, true},
        {"a check box", [] { return CentreOf(StatusForm1->CheckBox2); }, false},
        {"the next button", [] { return CentreOf(StatusForm1->Image3); }, false},
    };
    StartApart();
    EXPECT_TRUE(OpenFromMenu(1, [&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Pos before = WindowPos();
            TPoint from = c.from();
            std::size_t moves = headless::MoveLog().size();
            headless::MouseResult r = headless::Drag(from.x, from.y, from.x + 37, from.y + 11);
            EXPECT_EQ(r.moved, c.moves);
            EXPECT_EQ(headless::MoveLog().size(), moves + (c.moves ? 1 : 0));
            Pos expected = c.moves ? Pos{before.first + 37, before.second + 11} : before;
            EXPECT_EQ(WindowPos(), expected);
            EXPECT_EQ(headless::State(StatusForm1->Handle()).bounds.left, expected.first);
            EXPECT_EQ(StatusForm1->SelectedCharacter, 1);
            EXPECT_TRUE(StatusForm1->Visible());
        }
        for (TPoint p : {TPoint{0, 0}, TPoint{349, 349}, TPoint{175, 3}, TPoint{-5, 400}})
            EXPECT_EQ(os::send_message(StatusForm1->Handle(), win::WM_NCHITTEST, 0, headless::PackPoint(p.x, p.y)),
                      headless::kHtCaption);
    }));
}

// The window reopens where it was dragged to.
TEST_F(SettingsWindowTest, TheWindowKeepsItsPlaceBetweenOpenings) {
    StartApart();
    EXPECT_TRUE(OpenFromMenu(0, [] {
        TPoint from = ScreenPoint(StatusForm1->Label22, 3, 3);
        headless::Drag(from.x, from.y, from.x + 150, from.y + 60);
    }));
    EXPECT_TRUE(OpenFromTray([] {
        EXPECT_EQ(WindowPos(), (Pos{170, 80}));
        EXPECT_EQ(CornersOf(headless::State(StatusForm1->Handle()).bounds), (Corners{170, 80, 520, 430}));
    }));
}

// The information button beeps, brings the window home to 20, 20 and
// opens the page, whose sn is the executable's name without its last
// extension.
TEST_F(SettingsWindowTest, TheInformationButtonMovesTheWindowHomeAndOpensThePage) {
    struct Case {
        const char* executable;
        const char* address;
    } cases[] = {
        {"zimmo.exe", "http://zimmo.example.com/info.php?pf=w&sn=zimmo"},
        {"my.launcher.exe", "http://zimmo.example.com/info.php?pf=w&sn=my.launcher"},
        {"launcher", "http://zimmo.example.com/info.php?pf=w&sn=launcher"},
        {"ミロテ.exe", "http://zimmo.example.com/info.php?pf=w&sn=\x83\x7E\x83\x8D\x83\x65"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable);
        SetExecutable(c.executable);
        StartApart();
        EXPECT_TRUE(OpenFromMenu(3, [&] {
            TPoint from = ScreenPoint(StatusForm1->Label22, 3, 3);
            headless::Drag(from.x, from.y, from.x + 100, from.y + 100);
            ASSERT_EQ(WindowPos(), (Pos{120, 120}));
            ClickOn(StatusForm1->Image2);
            EXPECT_EQ(headless::Beeps(), std::vector<unsigned>{0});
            EXPECT_EQ(WindowPos(), (Pos{20, 20}));
            EXPECT_EQ(CornersOf(headless::State(StatusForm1->Handle()).bounds), (Corners{20, 20, 370, 370}));
            ASSERT_EQ(headless::ShellCalls().size(), 1u);
            const headless::ShellCall& call = headless::ShellCalls()[0];
            EXPECT_EQ(call.owner, StatusForm1->Handle());
            EXPECT_EQ(call.operation, "OPEN");
            EXPECT_EQ(call.file, c.address);
            EXPECT_EQ(call.parameters, "");
            EXPECT_EQ(call.directory, "");
            EXPECT_EQ(call.show, 5);
            EXPECT_TRUE(StatusForm1->Visible());
        }));
        ResetWorld();
    }
}

// The tray menu holds its five items; its information command opens the
// page and moves nothing, with the window open or closed.
TEST_F(SettingsWindowTest, TheTrayMenusInformationCommandOnlyOpensThePage) {
    StartApart();
    EXPECT_TRUE(OpenFromMenu(0, [] {
        TPoint from = ScreenPoint(StatusForm1->Label22, 3, 3);
        headless::Drag(from.x, from.y, from.x + 100, from.y + 50);
        ChooseFromTrayMenu(kInformation);
        EXPECT_EQ(WindowPos(), (Pos{120, 70}));
    }));
    ChooseFromTrayMenu(kInformation);
    EXPECT_EQ(WindowPos(), (Pos{120, 70}));
    EXPECT_FALSE(StatusForm1->Visible());
    ASSERT_EQ(headless::ShellCalls().size(), 2u);
    for (const headless::ShellCall& call : headless::ShellCalls()) {
        EXPECT_EQ(call.owner, StatusForm1->Handle());
        EXPECT_EQ(call.file, "http://zimmo.example.com/info.php?pf=w&sn=zimmo");
        EXPECT_EQ(call.operation, "OPEN");
    }
    EXPECT_TRUE(headless::Beeps().empty());
    const headless::MenuRecord& menu = headless::MenusShown().back();
    std::vector<std::string> captions;
    for (const os::MenuItem& item : menu.items) captions.push_back(item.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{kOpenSettings, "-", kInformation, "-", kExit}));
}

// A double click on the tray icon with any button opens the window for
// Mallo, whatever was selected before; a single click does nothing.
TEST_F(SettingsWindowTest, ATrayDoubleClickOpensTheWindowForMallo) {
    struct Case {
        const char* name;
        std::vector<unsigned> messages;
        bool opens;
    } cases[] = {
        {"left double click", {headless::kWmLButtonDown, headless::kWmLButtonUp, headless::kWmLButtonDblClk, headless::kWmLButtonUp}, true},
        {"right double click", {headless::kWmRButtonDown, headless::kWmRButtonUp, headless::kWmRButtonDblClk, headless::kWmRButtonUp}, true},
        {"middle double click", {headless::kWmMButtonDown, headless::kWmMButtonUp, headless::kWmMButtonDblClk, headless::kWmMButtonUp}, true},
        {"left click", {headless::kWmLButtonDown, headless::kWmLButtonUp}, false},
    };
    StartApart();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(OpenFromMenu(3, [] { ClickOn(StatusForm1->Image4); }));
        ASSERT_EQ(StatusForm1->SelectedCharacter, 2);
        bool ran = RunModal(
            [&] {
                // The right button's first release opens the menu: choose nothing there.
                if (c.messages[0] == headless::kWmRButtonDown) headless::SetMenuChoice(0);
                headless::TrayIcon icon = headless::TrayIcons().at(0);
                for (unsigned m : c.messages) headless::SendTrayMessage(icon.window, icon.id, m);
            },
            [] {
                EXPECT_EQ(StatusForm1->SelectedCharacter, 0);
                EXPECT_TRUE(ShowsListFor(0));
                for (int i = 0; i < 4; ++i) EXPECT_FALSE(TimerOf(i)->Running()) << kNames[i];
            });
        EXPECT_EQ(ran, c.opens);
        EXPECT_FALSE(StatusForm1->Visible());
    }
}

// While the window is open, the tray's open requests only bring it to the
// front: its selection, its list and the stopped timers stay.
TEST_F(SettingsWindowTest, OpenRequestsWhileTheWindowIsOpenKeepItsState) {
    StartApart();
    EXPECT_TRUE(OpenFromMenu(2, [&] {
        ClickOn(StatusForm1->Image3);
        ASSERT_EQ(StatusForm1->SelectedCharacter, 3);
        std::vector<std::uint32_t> picture = Picture();
        headless::TrayDoubleClick();
        ChooseFromTrayMenu(kOpenSettings);
        EXPECT_EQ(StatusForm1->SelectedCharacter, 3);
        EXPECT_EQ(Picture(), picture);
        EXPECT_TRUE(ShowsListFor(3));
        EXPECT_TRUE(StatusForm1->Modal());
        EXPECT_EQ(headless::ZOrder().front(), StatusForm1->Handle());
        for (int i = 0; i < 4; ++i) EXPECT_FALSE(TimerOf(i)->Running()) << kNames[i];
        EXPECT_TRUE(headless::ErrorBoxes().empty());
    }));
    EXPECT_FALSE(StatusForm1->Visible());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];
}

// The exit command ends the program at once, with the window open or
// closed, and leaves the settings file as it was; the timers are not
// started again.
TEST_F(SettingsWindowTest, TheExitCommandEndsTheProgramWithoutSaving) {
    struct Case {
        const char* name;
        bool window_open;
        bool file;
    } cases[] = {
        {"window closed, no file", false, false},
        {"window closed, a file", false, true},
        {"window open, no file", true, false},
        {"window open, a file", true, true},
    };
    const std::string file = "[Visible]\r\nChar02=1\r\n; kept as it is\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file) WriteIni(file);
        StartApart();
        if (c.window_open) {
            EXPECT_TRUE(OpenFromMenu(1, [] {
                StatusForm1->Edit3->SetText("changed");
                ChooseFromTrayMenu(kExit);
                EXPECT_TRUE(Application->Terminated());
            }));
            EXPECT_FALSE(StatusForm1->Visible());
            for (int i = 0; i < 4; ++i) EXPECT_FALSE(TimerOf(i)->Enabled()) << kNames[i];
        } else {
            ChooseFromTrayMenu(kExit);
        }
        EXPECT_TRUE(Application->Terminated());
        EXPECT_TRUE(os::quit_requested());
        EXPECT_EQ(std::filesystem::exists(IniPath()), c.file);
        if (c.file) {
            EXPECT_EQ(Ini(), file);
        }
        ResetWorld();
    }
}

}  // namespace
}  // namespace apptest
