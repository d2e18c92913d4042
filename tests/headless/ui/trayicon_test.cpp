// The tray icon component on the headless backend: what activating does
// to the notification area, the taskbar button and the main form; the
// mouse on the icon (double clicks with any button, the right button's
// menu); the icon's return after the taskbar is made anew; its removal;
// events inside a modal loop; and the icon data it stores.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TrayIcon.h"

namespace {

// An icon file with one 16 x 16 image of `size` bytes after the directory.
std::vector<std::uint8_t> IconFile(std::uint8_t fill = 0x11, std::uint8_t size = 8) {
    std::vector<std::uint8_t> f = {0, 0, 1, 0, 1, 0,                 // reserved, type 1, one image
                                   16, 16, 0, 0, 1, 0, 32, 0,        // 16 x 16, 1 plane, 32 bits
                                   size, 0, 0, 0, 22, 0, 0, 0};      // bytes, offset
    f.insert(f.end(), size, fill);
    return f;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// The Tray1 object of a form resource.
FormNode TrayNode(const std::string& text) {
    for (const FormNode& n : ParseFormText(text).children)
        if (n.name == "Tray1") return n;
    ADD_FAILURE() << "no Tray1 in\n" << text;
    return {};
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        RegisterStandardClasses();
        form = new TForm(Application);
        form->SetName("Form1");
        tray = new TTrayIcon(form);
        tray->SetName("Tray1");
        menu = new TPopupMenu(form);
        menu->SetName("Menu1");
        for (const char* caption : {"&Open", "-", "E&xit"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            item->OnClick = [this, caption](TObject*) { chosen.push_back(caption); };
            menu->Items()->Add(item);
        }
        tray->SetPopupMenu(menu);
        tray->Icon()->SetData(IconFile());
        tray->OnDblClick = [this](TObject* s) { double_clicks += s == tray; };
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }

    // Sends the notification area's mouse messages for the one icon.
    void Mouse(std::initializer_list<unsigned> messages) {
        for (unsigned m : messages) headless::SendTrayMessage(tray->Handle(), 1, m);
    }

    TForm* form = nullptr;
    TTrayIcon* tray = nullptr;
    TPopupMenu* menu = nullptr;
    int double_clicks = 0;
    std::vector<std::string> chosen;
};

TEST_F(TrayIconTest, ActivatingShowsTheIconAndHidesTheTaskbarButtonAndTheMainForm) {
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_EQ(tray->Handle(), 0u) << "no window before it is needed";
    tray->SetHint("Launcher Zimmo!");
    tray->SetActive(true);

    ASSERT_EQ(headless::TrayIcons().size(), 1u);
    headless::TrayIcon icon = headless::TrayIcons()[0];
    EXPECT_EQ(icon.window, tray->Handle());
    EXPECT_EQ(icon.icon, IconFile());
    EXPECT_EQ(icon.tip, "Launcher Zimmo!");
    EXPECT_TRUE(tray->IconShown());
    EXPECT_FALSE(headless::State(tray->Handle()).visible);
    EXPECT_FALSE(headless::TaskbarButtonShown());
    EXPECT_FALSE(Application->ShowMainForm);

    tray->SetActive(true);
    tray->SetHint("changed");
    tray->Icon()->SetData(IconFile(0x22));
    ASSERT_EQ(headless::TrayIcons().size(), 1u) << "changes keep one icon";
    EXPECT_EQ(headless::TrayIcons()[0].tip, "changed");
    EXPECT_EQ(headless::TrayIcons()[0].icon, IconFile(0x22));

    tray->SetActive(false);
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_FALSE(tray->IconShown());
    EXPECT_TRUE(headless::TaskbarButtonShown()) << "deactivating gives the taskbar button back";
    EXPECT_EQ(headless::InvalidWindowCalls(), 0u);
}

TEST_F(TrayIconTest, AStoredActiveIconIsShownOnceLoadedAndNeverWhileDesigning) {
    const std::string text = "object Form1: TForm\n"
                             "  object Tray1: TTrayIcon\n    Active = True\n    Hint = 'tip'\n    Icon.Data = {" +
                             Hex(IconFile(0x33)) +
                             "}\n    PopupMenu = Menu1\n    ShowMinimizedIcon = False\n  end\n"
                             "  object Menu1: TPopupMenu\n  end\n"
                             "end\n";
    auto* loaded = new TForm(Application);
    ReadComponentResourceText(loaded, text);
    auto* t = dynamic_cast<TTrayIcon*>(loaded->FindComponent("Tray1"));
    ASSERT_TRUE(t);
    ASSERT_EQ(headless::TrayLog().size(), 1u) << "added once, after the whole resource was read";
    ASSERT_EQ(headless::TrayIcons().size(), 1u);
    EXPECT_EQ(headless::TrayIcons()[0].icon, IconFile(0x33));
    EXPECT_EQ(headless::TrayIcons()[0].tip, "tip");
    EXPECT_EQ(t->PopupMenu(), loaded->FindComponent("Menu1"));
    EXPECT_FALSE(t->ShowMinimizedIcon());
    EXPECT_EQ(FormatFormText(TrayNode(WriteComponentResourceText(loaded))), FormatFormText(TrayNode(text)))
        << "written again as it was read";

    auto* designed = new TForm(Application);
    designed->SetDesigning(true);
    std::size_t changes = headless::TaskbarButtonChanges();
    ReadComponentResourceText(designed, text);
    EXPECT_EQ(headless::TrayIcons().size(), 1u) << "a designed form shows no icon";
    EXPECT_EQ(headless::TaskbarButtonChanges(), changes);
}

TEST_F(TrayIconTest, ADoubleClickWithAnyButtonFiresOnDblClickOnce) {
    struct Case {
        const char* button;
        unsigned down, up, dbl;
        int clicks, menus;  // besides the double click: the first release's own effect
    } cases[] = {
        {"left", 0x0201, 0x0202, 0x0203, 1, 0},
        {"right", 0x0204, 0x0205, 0x0206, 0, 1},
        {"middle", 0x0207, 0x0208, 0x0209, 0, 0},
    };
    int clicks = 0;
    tray->OnClick = [&](TObject*) { ++clicks; };
    tray->SetActive(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        double_clicks = clicks = 0;
        std::size_t menus = headless::MenusShown().size();
        Mouse({c.down, c.up, c.dbl, c.up});
        EXPECT_EQ(double_clicks, 1);
        EXPECT_EQ(clicks, c.clicks);
        EXPECT_EQ(headless::MenusShown().size() - menus, static_cast<std::size_t>(c.menus));

        // The next single click is a click again.
        Mouse({c.down, c.up});
        EXPECT_EQ(double_clicks, 1);
        EXPECT_EQ(clicks, 2 * c.clicks);
        EXPECT_EQ(headless::MenusShown().size() - menus, static_cast<std::size_t>(2 * c.menus));
    }
    EXPECT_TRUE(chosen.empty());
}

TEST_F(TrayIconTest, ASingleLeftClickWithoutAHandlerDoesNothing) {
    tray->SetActive(true);
    headless::SetCursorPos(500, 760);
    Mouse({0x0201, 0x0202});
    EXPECT_EQ(double_clicks, 0);
    EXPECT_TRUE(headless::MenusShown().empty());
    EXPECT_TRUE(headless::ErrorBoxes().empty());
}

TEST_F(TrayIconTest, TheRightButtonBringsTheProgramForwardThenOpensTheMenuAtTheCursor) {
    tray->SetActive(true);
    headless::SetCursorPos(700, 740);
    std::optional<os::WindowId> foreground_at_menu;
    headless::SetMenuChooser([&](const headless::MenuRecord& m) -> std::uintptr_t {
        foreground_at_menu = headless::ForegroundWindow();
        return m.items.back().command;  // E&xit
    });
    headless::TrayRightClick();
    ASSERT_EQ(headless::MenusShown().size(), 1u);
    const headless::MenuRecord& shown = headless::MenusShown()[0];
    EXPECT_EQ(shown.point.x, 700);
    EXPECT_EQ(shown.point.y, 740);
    ASSERT_EQ(shown.items.size(), 3u);
    EXPECT_EQ(shown.items[0].caption, "&Open");
    EXPECT_EQ(foreground_at_menu, tray->Handle());
    EXPECT_EQ(chosen, std::vector<std::string>{"E&xit"});
    EXPECT_EQ(menu->PopupComponent(), tray);

    // Without a menu the right button does nothing; a deleted menu is forgotten.
    delete menu;
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    headless::TrayRightClick();
    EXPECT_EQ(headless::MenusShown().size(), 1u);
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheTaskbarIsMadeAnew) {
    auto* idle = new TTrayIcon(form);  // never activated
    idle->Icon()->SetData(IconFile());
    tray->SetActive(true);
    headless::RestartTaskbar();
    ASSERT_EQ(headless::TrayIcons().size(), 1u);
    EXPECT_EQ(headless::TrayIcons()[0].window, tray->Handle());
    EXPECT_TRUE(tray->IconShown());

    // A taskbar missing at activation: the icon comes with the new one.
    tray->SetActive(false);
    headless::SetTrayAvailable(false);
    tray->SetActive(true);
    EXPECT_FALSE(tray->IconShown());
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_FALSE(headless::TaskbarButtonShown());
    headless::SetTrayAvailable(true);
    headless::RestartTaskbar();
    ASSERT_EQ(headless::TrayIcons().size(), 1u);
    EXPECT_TRUE(tray->IconShown());
    Mouse({0x0201, 0x0202, 0x0203, 0x0202});
    EXPECT_EQ(double_clicks, 1);
}

TEST_F(TrayIconTest, DestructionRemovesTheIconAndItsWindow) {
    tray->SetActive(true);
    os::WindowId window = tray->Handle();
    delete tray;
    EXPECT_TRUE(headless::TrayIcons().empty());
    ASSERT_FALSE(headless::TrayLog().empty());
    EXPECT_FALSE(headless::TrayLog().back().added);
    EXPECT_FALSE(headless::IsWindow(window));
    EXPECT_FALSE(headless::TaskbarButtonShown()) << "the program is ending: no button comes back";

    auto* second = new TTrayIcon(form);
    second->SetActive(true);
    Application->DestroyComponents();  // with its owner
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_EQ(headless::InvalidWindowCalls(), 0u);
}

TEST_F(TrayIconTest, IconEventsArriveWhileAModalWindowRuns) {
    tray->SetActive(true);
    auto* dialog = new TForm(Application);
    tray->OnDblClick = [&](TObject*) {
        ++double_clicks;
        dialog->Close();
    };
    headless::PushIdleAction([] { headless::TrayDoubleClick(); });
    dialog->ShowModal();
    EXPECT_EQ(double_clicks, 1);

    // The menu too, with the modal window's own windows disabled.
    menu->Items()->Items(0)->OnClick = [&](TObject*) {
        chosen.push_back("open");
        dialog->Close();
    };
    headless::SetMenuChoiceByCaption("&Open");
    headless::PushIdleAction([] { headless::TrayRightClick(); });
    dialog->ShowModal();
    EXPECT_EQ(chosen, std::vector<std::string>{"open"});
}

TEST_F(TrayIconTest, AFailingHandlerIsReportedAndTheIconStaysUsable) {
    tray->SetActive(true);
    tray->OnDblClick = [](TObject*) { throw EInvalidOperation("起動できません"); };
    EXPECT_NO_THROW(headless::TrayDoubleClick());
    ASSERT_EQ(headless::ErrorBoxes().size(), 1u);
    EXPECT_EQ(headless::ErrorBoxes()[0].message, "起動できません.");
    EXPECT_NO_THROW(headless::TrayRightClick());
    EXPECT_EQ(headless::MenusShown().size(), 1u);
}

TEST_F(TrayIconTest, IconDataMustBeAnIconFileWithItsImagesInside) {
    auto edited = [](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> f = IconFile();
        f[at] = value;
        return f;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"too short", {0, 0, 1, 0}},
        {"a cursor file", edited(2, 2)},
        {"reserved not 0", edited(0, 1)},
        {"no images", edited(4, 0)},
        {"a cut directory", edited(4, 2)},
        {"an empty image", edited(14, 0)},
        {"an image past the end", edited(14, 9)},
        {"an offset past the end", edited(18, 200)},
        {"an offset that wraps", [] {
             std::vector<std::uint8_t> f = IconFile();
             f[18] = f[19] = f[20] = f[21] = 0xFF;
             return f;
         }()},
    };
    TIcon icon;
    icon.SetData(IconFile(0x44));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(icon.SetData(c.bytes), EInvalidGraphic);
        EXPECT_EQ(icon.Data(), IconFile(0x44)) << "unchanged";
        std::string text = "object Form1: TForm\n  object T: TTrayIcon\n    Icon.Data = {" + Hex(c.bytes) + "}\n  end\nend\n";
        EXPECT_THROW(ReadComponentResourceText(new TForm(Application), text), EReadError);
    }
    icon.SetData({});
    EXPECT_TRUE(icon.Empty());

    headless::RegisterResource("TESTICON", "ICON", IconFile(0x55));
    tray->SetIconFromResource("TESTICON");
    EXPECT_EQ(tray->Icon()->Data(), IconFile(0x55));
    EXPECT_THROW(tray->SetIconFromResource("NOSUCHICON"), EResNotFound);
    EXPECT_EQ(tray->Icon()->Data(), IconFile(0x55));
    headless::UnregisterResources();
}

}  // namespace
