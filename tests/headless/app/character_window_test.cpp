// Clicking a character: the shell gets its launch path, whole and in code
// page 932, from whichever frame is clicked, or the default beep sounds;
// and its right-button menu, whose one item stops everybody and opens the
// settings window for that character.
#include <gtest/gtest.h>

#include <string>

#include "tests/headless/app/LauncherFixture.h"

namespace apptest {
namespace {

class CharacterWindowTest : public LauncherTest {
protected:
    // Starts the program and places the four characters apart on the screen
    // with the cursor where nobody walks.
    void StartApart() {
        Start();
        for (int i = 0; i < 4; ++i) Place(Character(i), 100 + 200 * i, 300);
    }
    static void ClickCharacter(int index) {
        TPoint p = PointOnCharacter(index);
        headless::Click(p.x, p.y);
    }
};

// What a click on a character handed to the shell.
::testing::AssertionResult OpenedWith(const headless::ShellCall& call, os::WindowId owner, const std::string& file) {
    if (call.owner != owner) return ::testing::AssertionFailure() << "owner " << call.owner << ", not " << owner;
    if (call.operation != "OPEN") return ::testing::AssertionFailure() << "operation " << call.operation;
    if (call.file != file) return ::testing::AssertionFailure() << "file '" << call.file << "', not '" << file << "'";
    if (!call.parameters.empty() || !call.directory.empty())
        return ::testing::AssertionFailure() << "parameters '" << call.parameters << "', directory '" << call.directory << "'";
    if (call.show != 5) return ::testing::AssertionFailure() << "show " << call.show;
    return ::testing::AssertionSuccess();
}

TEST_F(CharacterWindowTest, AClickWithoutALaunchPathOnlyBeeps) {
    StartApart();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(kNames[i]);
        ClickCharacter(i);
        ClickCharacter(i);
        EXPECT_EQ(headless::Beeps(), std::vector<unsigned>(2 * (i + 1), 0u));
    }
    EXPECT_TRUE(headless::ShellCalls().empty());
}

// Every one of the twelve frames carries the click to the same handler,
// which reads the character's own edit; the frame does not matter.
TEST_F(CharacterWindowTest, AClickOnAnyFrameOpensTheCharactersPath) {
    StartApart();
    const std::string paths[] = {"C:\\Mallo\\a.txt", "D:\\Tibbet", "http://example.com/quon", "E:\\Oswy's game.exe"};
    for (int i = 0; i < 4; ++i) StatusForm1->LaunchPathEdit(i)->SetText(paths[i]);
    for (int i = 0; i < 4; ++i) {
        for (int frame = 1; frame <= 12; ++frame) {
            SCOPED_TRACE(testing::Message() << kNames[i] << " frame " << frame);
            ShowFrameOf(i, frame);
            ASSERT_EQ(ShownFrame(i), frame);
            std::size_t calls = headless::ShellCalls().size();
            ClickCharacter(i);
            ASSERT_EQ(headless::ShellCalls().size(), calls + 1);
            EXPECT_TRUE(OpenedWith(headless::ShellCalls().back(), Character(i)->Handle(), paths[i]));
        }
    }
    EXPECT_TRUE(headless::Beeps().empty());
}

// Outside the shown frame's region the window does not exist: the click
// reaches whatever lies beneath.
TEST_F(CharacterWindowTest, AClickBesideTheFigureIsNotACharactersClick) {
    StartApart();
    StatusForm1->Edit1->SetText("C:\\a.txt");
    headless::MouseResult r = headless::Click(Form1->Left() + 100, Form1->Top() + 10);
    EXPECT_NE(r.window, Form1->Handle());
    EXPECT_TRUE(headless::ShellCalls().empty());
    EXPECT_TRUE(headless::Beeps().empty());
}

// The edit is read at the moment of the click: a new path counts at once,
// an emptied one beeps again.
TEST_F(CharacterWindowTest, AChangedPathTakesEffectAtTheNextClick) {
    StartApart();
    const char* sequence[] = {"C:\\first.txt", "C:\\second.txt", "", "C:\\third.txt"};
    std::size_t beeps = 0;
    for (const char* path : sequence) {
        SCOPED_TRACE(path);
        StatusForm1->Edit5->SetText(path);
        std::size_t calls = headless::ShellCalls().size();
        ClickCharacter(2);
        if (*path) {
            ASSERT_EQ(headless::ShellCalls().size(), calls + 1);
            EXPECT_TRUE(OpenedWith(headless::ShellCalls().back(), Form3->Handle(), path));
        } else {
            EXPECT_EQ(headless::ShellCalls().size(), calls);
            ++beeps;
        }
        EXPECT_EQ(headless::Beeps().size(), beeps);
    }
}

// The path reaches the shell whole and in code page 932, however long,
// including double-byte characters whose second byte is a backslash.
TEST_F(CharacterWindowTest, ThePathReachesTheShellWholeInCodePage932) {
    struct Case {
        const char* name;
        std::string path;  // UTF-8
        std::string ansi;  // what the shell gets
    } cases[] = {
        {"255 bytes", "C:\\" + std::string(248, 'a') + ".txt", "C:\\" + std::string(248, 'a') + ".txt"},
        {"300 bytes", "C:\\" + std::string(293, 'b') + ".txt", "C:\\" + std::string(293, 'b') + ".txt"},
        {"Japanese", "C:\\ツール\\表示.exe", "C:\\\x83\x63\x81\x5B\x83\x8B\\\x95\x5C\x8E\xA6.exe"},
        {"half-width kana", "D:\\ﾃｽﾄ", "D:\\\xC3\xBD\xC4"},
        {"blanks", "C:\\Program Files\\a b.exe", "C:\\Program Files\\a b.exe"},
    };
    StartApart();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StatusForm1->Edit3->SetText(c.path);
        std::size_t calls = headless::ShellCalls().size();
        ClickCharacter(1);
        ASSERT_EQ(headless::ShellCalls().size(), calls + 1);
        EXPECT_TRUE(OpenedWith(headless::ShellCalls().back(), Form2->Handle(), c.ansi));
    }
    EXPECT_EQ(std::string("C:\\" + std::string(293, 'b') + ".txt").size(), 300u);
}

// The right-button menu has one item; choosing it stops all four timers
// and shows the settings window modally for that character, with the
// other windows disabled; its close button sets everybody walking again.
TEST_F(CharacterWindowTest, TheMenuStopsEverybodyAndOpensTheSettingsWindowForTheCharacter) {
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(kNames[index]);
        StartApart();
        std::size_t menus = headless::MenusShown().size();
        bool ran = OpenFromMenu(index, [&] {
            ASSERT_EQ(headless::MenusShown().size(), menus + 1);
            const headless::MenuRecord& menu = headless::MenusShown().back();
            EXPECT_EQ(menu.owner, Character(index)->Handle());
            ASSERT_EQ(menu.items.size(), 1u);
            EXPECT_EQ(menu.items[0].caption, kOpenSettings);
            for (int i = 0; i < 4; ++i) {
                EXPECT_FALSE(TimerOf(i)->Enabled()) << kNames[i];
                EXPECT_FALSE(TimerOf(i)->Running()) << kNames[i];
                EXPECT_FALSE(headless::State(Character(i)->Handle()).enabled) << kNames[i];
            }
            EXPECT_TRUE(StatusForm1->Modal());
            EXPECT_TRUE(headless::State(StatusForm1->Handle()).visible);
            EXPECT_EQ(StatusForm1->SelectedCharacter, index);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(StatusForm1->LaunchPathEdit(i)->Enabled(), i == index) << i;
        });
        EXPECT_TRUE(ran);
        EXPECT_FALSE(StatusForm1->Visible());
        EXPECT_FALSE(StatusForm1->Modal());
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];
            EXPECT_TRUE(headless::State(Character(i)->Handle()).enabled) << kNames[i];
        }
        EXPECT_TRUE(std::filesystem::exists(IniPath()));
        Stop();
        std::filesystem::remove(IniPath());
    }
}

// Closed by the system (Alt+F4 sends WM_CLOSE): Tibbet, Quon and Oswy stay
// shown and walking, whatever their check boxes say; Mallo, the main form,
// ends the program as the tray menu's exit does, saving nothing.
TEST_F(CharacterWindowTest, ASystemCloseLeavesTheOthersAndEndsTheProgramOnMallo) {
    StartApart();
    for (int i = 1; i < 4; ++i) {
        os::send_message(Character(i)->Handle(), win::WM_CLOSE, 0, 0);
        EXPECT_TRUE(Character(i)->Visible()) << kNames[i];
        EXPECT_TRUE(headless::State(Character(i)->Handle()).visible) << kNames[i];
        EXPECT_TRUE(StatusForm1->VisibleFlag(i)->Checked()) << kNames[i];
    }
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(TimerOf(i)->Running()) << kNames[i];
    EXPECT_FALSE(Application->Terminated());

    os::send_message(Form1->Handle(), win::WM_CLOSE, 0, 0);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(os::quit_requested());
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

}  // namespace
}  // namespace apptest
