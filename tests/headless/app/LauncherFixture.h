// The program started on the headless backend the way RunLauncher starts
// it, short of the message loop, with its executable (and so zimmo.ini) in
// a directory of its own; and helpers that drive it and read what its
// windows show.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

#include "characters/Mallo.h"
#include "characters/Oswy.h"
#include "characters/Quon.h"
#include "characters/Tibbet.h"
#include "controls/region/Region.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "settings/StatusWindow1.h"

namespace apptest {

inline constexpr const char* kTitle = "Launcher Zimmo! ～ミロテ編～";
inline constexpr const char* kOpenSettings = "設定ウィンドウを開く(&S)...";
inline constexpr const char* kInformation = "インフォメーション(&I)...";
inline constexpr const char* kExit = "終了する(&X)";
inline constexpr const char* kNames[] = {"Mallo", "Tibbet", "Quon", "Oswy"};

// Points and rectangles in a form failed expectations print.
using Pos = std::pair<int, int>;
using Corners = std::tuple<int, int, int, int>;  // left, top, right, bottom
inline Corners CornersOf(const os::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// ---------------------------------------------------------------- the characters
inline TForm* Character(int index) {
    TForm* forms[] = {Form1, Form2, Form3, Form4};
    return forms[index];
}

template <class Form>
std::vector<TRgn*> FramesOfForm(Form* f) {
    return {f->Rgn1, f->Rgn2, f->Rgn3, f->Rgn4, f->Rgn5, f->Rgn6, f->Rgn7, f->Rgn8, f->Rgn9, f->Rgn10, f->Rgn11, f->Rgn12};
}
// The twelve frames of a character, Rgn1 first.
inline std::vector<TRgn*> FramesOf(int index) {
    switch (index) {
    case 0: return FramesOfForm(Form1);
    case 1: return FramesOfForm(Form2);
    case 2: return FramesOfForm(Form3);
    default: return FramesOfForm(Form4);
    }
}
inline TTimer* TimerOf(int index) {
    TTimer* timers[] = {Form1->Timer1, Form2->Timer1, Form3->Timer1, Form4->Timer1};
    return timers[index];
}
inline int FrameCounterOf(int index) {
    int counters[] = {Form1->FrameCounter, Form2->FrameCounter, Form3->FrameCounter, Form4->FrameCounter};
    return counters[index];
}
inline TRgnList* RgnListOf(int index) {
    TRgnList* lists[] = {Form1->RgnList1, Form2->RgnList1, Form3->RgnList1, Form4->RgnList1};
    return lists[index];
}

// The frame (1 to 12) a character shows: the only one its region list
// marks shown, with the window cut to exactly that frame's region. 0 when
// no frame, several frames or another shape are found.
inline int ShownFrame(int index) {
    std::vector<TRgn*> frames = FramesOf(index);
    int shown = 0;
    for (int i = 0; i < 12; ++i) {
        if (!frames[i]->ShowFlag()) continue;
        if (shown) return 0;
        shown = i + 1;
    }
    if (!shown) return 0;
    headless::WindowState w = headless::State(Character(index)->Handle());
    if (!w.region || gfx::Region::from_rects(*w.region) != frames[shown - 1]->RgnHandle()->region) return 0;
    return shown;
}

// Shows a frame the way the character windows do.
inline void ShowFrameOf(int index, int frame) {
    RgnListOf(index)->Add(FramesOf(index)[frame - 1]);
    RgnListOf(index)->SetWndRgn();
}

// A screen point inside the shape the character's window has now.
inline TPoint PointOnCharacter(int index) {
    TForm* f = Character(index);
    headless::WindowState w = headless::State(f->Handle());
    const os::Rect r = w.region && !w.region->empty() ? w.region->front() : os::Rect{0, 0, 1, 1};
    return {f->Left() + r.left, f->Top() + r.top};
}

// ---------------------------------------------------------------- controls
// The screen point at (dx, dy) inside a control.
inline TPoint ScreenPoint(TControl* c, int dx, int dy) { return c->ClientToScreen({dx, dy}); }
inline TPoint CentreOf(TControl* c) { return ScreenPoint(c, c->Width() / 2, c->Height() / 2); }
inline headless::MouseResult ClickOn(TControl* c) {
    TPoint p = CentreOf(c);
    return headless::Click(p.x, p.y);
}

// The 32-bit pixels of a w x h block of a bitmap, top row first.
inline std::vector<std::uint32_t> BitmapBlock(TBitmap* b, int x0, int y0, int w, int h) {
    std::vector<std::uint32_t> px;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) px.push_back(static_cast<std::uint32_t>(b->Canvas()->Pixels(x, y)));
    return px;
}
inline std::vector<std::uint32_t> ImageListCell(TImageList* list, int index) {
    TBitmap cell;
    list->GetBitmap(index, &cell);
    return BitmapBlock(&cell, 0, 0, list->Width(), list->Height());
}
// The same block of the window's surface, in TColor order (0x00BBGGRR).
inline std::vector<std::uint32_t> SurfaceBlock(os::WindowId w, int x0, int y0, int width, int height) {
    headless::Image s = headless::Surface(w);
    std::vector<std::uint32_t> px;
    for (int y = y0; y < y0 + height; ++y)
        for (int x = x0; x < x0 + width; ++x) {
            std::uint32_t rgb = s.at(x, y);
            px.push_back((rgb & 0xFF) << 16 | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
        }
    return px;
}

// ---------------------------------------------------------------- the settings window
// Runs `open`, which should show the settings window modally, and `inside`
// in its modal loop; then clicks the close button unless `inside` closed
// the window (the loop ends once `inside` returns) or ended the program.
// Returns whether the loop ran `inside`; when it did not, the idle action
// left queued does nothing later.
inline bool RunModal(const std::function<void()>& open, const std::function<void()>& inside) {
    auto armed = std::make_shared<bool>(true);
    auto ran = std::make_shared<bool>(false);
    const std::function<void()>* body = &inside;
    headless::PushIdleAction([armed, ran, body] {
        if (!*armed) return;
        *ran = true;
        (*body)();
        if (StatusForm1->ModalResult == mrNone && !Application->Terminated()) ClickOn(StatusForm1->Image5);
    });
    open();
    *armed = false;
    return *ran;
}
// Through a character's menu: a right click on it, then the one item. The
// character must be visible and clear of the other windows.
inline bool OpenFromMenu(int index, const std::function<void()>& inside) {
    return RunModal(
        [index] {
            headless::SetMenuChoiceByCaption(kOpenSettings);
            TPoint p = PointOnCharacter(index);
            headless::RightClick(p.x, p.y);
        },
        inside);
}
// Through a double click on the tray icon.
inline bool OpenFromTray(const std::function<void()>& inside) {
    return RunModal([] { headless::TrayDoubleClick(); }, inside);
}
// Chooses an item of the tray icon's menu.
inline void ChooseFromTrayMenu(const char* caption) {
    headless::SetMenuChoiceByCaption(caption);
    headless::TrayRightClick();
}

// ---------------------------------------------------------------- files
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---------------------------------------------------------------- the fixture
// Each test starts with a fresh headless world and a directory of its own
// for the executable; Start() brings the program up, Stop() ends it as the
// end of RunLauncher does. A test fails when an error box was shown,
// unless it says it expects one.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        headless::SetIdleLimit(1000);  // a modal window left open fails fast
        std::string pattern = (std::filesystem::temp_directory_path() / "zimmo-apptests-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        SetExecutable("zimmo.exe");
    }

    void TearDown() override {
        if (!expect_error_boxes_) {
            for (const headless::ErrorBox& e : headless::ErrorBoxes()) ADD_FAILURE() << "error box: " << e.message;
        }
        Stop();
        headless::Reset();
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    // Places the executable in the test's directory under this name.
    void SetExecutable(const std::string& name) {
        executable_ = name;
        headless::SetModuleFileName((dir_ / name).string());
    }
    // Ends the program and starts the next case of a table from scratch:
    // a fresh headless world, the same executable, no settings file.
    void ResetWorld() {
        Stop();
        headless::Reset();
        headless::SetIdleLimit(1000);
        SetExecutable(executable_);
        std::error_code ec;
        std::filesystem::remove(IniPath(), ec);
    }

    // What RunLauncher does before the message loop.
    static void Start() {
        RegisterPlatformClasses();
        Register();
        Application->Initialize();
        Application->SetTitle(kTitle);
        Application->CreateForm(Form1);
    }
    static void Stop() {
        Application->DestroyComponents();
        Form1 = nullptr;
        Form2 = nullptr;
        Form3 = nullptr;
        Form4 = nullptr;
        StatusForm1 = nullptr;
    }
    static void Restart() {
        Stop();
        Start();
    }

    std::filesystem::path IniPath() const { return dir_ / "zimmo.ini"; }
    void WriteIni(const std::string& bytes) const { WriteFile(IniPath(), bytes); }
    std::string Ini() const { return ReadFile(IniPath()); }

    static void Place(TForm* form, int left, int top) { form->SetBounds(left, top, form->Width(), form->Height()); }
    // Ticks of every timer (50 ms each).
    static void Tick(int ticks = 1) { headless::AdvanceTime(50 * static_cast<std::int64_t>(ticks)); }

    std::filesystem::path dir_;
    std::string executable_;
    bool expect_error_boxes_ = false;
};

}  // namespace apptest
