// The win32 backend against the real user32, gdi32, shell32 and kernel32:
// each seam function is checked by reading back with the system's own calls.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/os.h"
#include "platform/win32/ResourceFiles.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

using os::WindowId;

HWND H(WindowId w) { return reinterpret_cast<HWND>(w); }

std::wstring W(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string U8(const std::wstring& wide) {
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A sink that logs every message and answers through an optional handler,
// else through the system's default.
class RecordingSink : public os::WindowSink {
public:
    struct Message {
        unsigned msg;
        std::uintptr_t wparam;
        std::intptr_t lparam;
    };
    WindowId window = 0;
    std::vector<Message> log;
    std::function<std::optional<std::intptr_t>(unsigned, std::uintptr_t, std::intptr_t)> handler;

    std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) override {
        log.push_back({msg, wparam, lparam});
        if (handler)
            if (auto answer = handler(msg, wparam, lparam)) return *answer;
        return os::default_message(window, msg, wparam, lparam);
    }
    int count(unsigned msg) const {
        int n = 0;
        for (const Message& m : log) n += m.msg == msg;
        return n;
    }
};

// A window of the backend with its sink; destroyed at the end of the scope.
struct TestWindow {
    RecordingSink sink;  // declared first: outlives the window
    WindowId id = 0;
    explicit TestWindow(const os::WindowParams& params) {
        id = os::create_window(params, &sink);
        sink.window = id;
    }
    ~TestWindow() { os::destroy_window(id); }
    HWND hwnd() const { return H(id); }
};

os::WindowParams form_params(os::Rect bounds, bool bordered = true, bool visible = false) {
    os::WindowParams p;
    p.kind = os::WindowKind::Form;
    p.bounds = bounds;
    p.caption = "テスト";
    p.bordered = bordered;
    p.visible = visible;
    return p;
}

os::WindowParams control_params(os::WindowKind kind, WindowId parent, os::Rect bounds) {
    os::WindowParams p;
    p.kind = kind;
    p.parent = parent;
    p.bounds = bounds;
    p.visible = true;
    return p;
}

os::Rect window_rect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// Runs the message loop until done() or the time is up; a timer on a window
// of its own keeps process_one_message from waiting for ever.
bool pump_until(const std::function<bool()>& done, unsigned timeout_ms) {
    TestWindow clock(form_params({0, 0, 10, 10}, false));
    os::set_timer(clock.id, 1, 10);
    const ULONGLONG end = GetTickCount64() + timeout_ms;
    while (!done() && GetTickCount64() < end) os::process_one_message();
    os::kill_timer(clock.id, 1);
    return done();
}

// A region data block: the 32-byte header, then the rectangles as given.
std::vector<std::uint8_t> region_block(const std::vector<RECT>& rects) {
    RGNDATAHEADER h{};
    h.dwSize = sizeof h;
    h.iType = RDH_RECTANGLES;
    h.nCount = static_cast<DWORD>(rects.size());
    h.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    if (!rects.empty()) {
        h.rcBound = rects.front();
        for (const RECT& r : rects) {
            h.rcBound.left = std::min(h.rcBound.left, r.left);
            h.rcBound.top = std::min(h.rcBound.top, r.top);
            h.rcBound.right = std::max(h.rcBound.right, r.right);
            h.rcBound.bottom = std::max(h.rcBound.bottom, r.bottom);
        }
    }
    std::vector<std::uint8_t> block(sizeof h + rects.size() * sizeof(RECT));
    std::memcpy(block.data(), &h, sizeof h);
    if (!rects.empty()) std::memcpy(block.data() + sizeof h, rects.data(), rects.size() * sizeof(RECT));
    return block;
}

// The rectangles of the window's region as the system holds them; none
// when the window has no region.
std::optional<std::vector<RECT>> window_region_rects(HWND h) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(h, rgn);
    std::optional<std::vector<RECT>> out;
    if (kind != ERROR) {
        const DWORD size = GetRegionData(rgn, 0, nullptr);
        std::vector<DWORD> data((size + 3) / 4);
        GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(data.data()));
        const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
        const auto* rects = reinterpret_cast<const RECT*>(header + 1);
        out.emplace(rects, rects + header->nCount);
    }
    DeleteObject(rgn);
    return out;
}

testing::AssertionResult SameRects(const std::vector<RECT>& expected, const std::vector<RECT>& actual) {
    auto text = [](const std::vector<RECT>& rs) {
        std::string s;
        for (const RECT& r : rs)
            s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                 std::to_string(r.bottom) + ")";
        return s.empty() ? std::string("(none)") : s;
    };
    bool same = expected.size() == actual.size();
    for (std::size_t i = 0; same && i < expected.size(); ++i)
        same = std::memcmp(&expected[i], &actual[i], sizeof(RECT)) == 0;
    if (same) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected " << text(expected) << ", the system holds " << text(actual);
}

HWND application_window_of(const TestWindow& form) { return GetWindow(form.hwnd(), GW_OWNER); }

// ---------------------------------------------------------------- the application window

TEST(Win32Application, OwnsEveryFormAndCarriesTheTaskbarButton) {
    TestWindow bordered(form_params({50, 50, 350, 250}, true));
    TestWindow borderless(form_params({60, 60, 160, 110}, false));
    HWND app = application_window_of(bordered);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(application_window_of(borderless), app);
    EXPECT_EQ(GetWindow(app, GW_OWNER), nullptr);
    EXPECT_FALSE(GetWindowLongPtrW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    for (HWND form : {bordered.hwnd(), borderless.hwnd()})
        EXPECT_FALSE(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    os::set_taskbar_button(false);
    EXPECT_FALSE(IsWindowVisible(app));
    os::set_taskbar_button(true);
    EXPECT_TRUE(IsWindowVisible(app));
    EXPECT_TRUE(GetWindowLongPtrW(app, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(window_rect(app).width(), 0);  // never seen on the screen
    os::set_taskbar_button(false);
    EXPECT_FALSE(IsWindowVisible(app));

    os::set_application_title("Launcher Zimmo! ～ミロテ編～");
    wchar_t title[64] = {};
    GetWindowTextW(app, title, 64);
    EXPECT_EQ(std::wstring(title), L"Launcher Zimmo! \uFF5E\u30DF\u30ED\u30C6\u7DE8\uFF5E");
    os::set_taskbar_button(true);  // as the program starts
}

// ---------------------------------------------------------------- windows

TEST(Win32Windows, FormStylesFollowTheParameters) {
    struct Case {
        bool bordered, stay_on_top;
    } cases[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bordered " << c.bordered << ", stay on top " << c.stay_on_top);
        os::WindowParams p = form_params({100, 120, 400, 320}, c.bordered);
        p.stay_on_top = c.stay_on_top;
        TestWindow form(p);
        const LONG_PTR style = GetWindowLongPtrW(form.hwnd(), GWL_STYLE);
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CHILD);
        EXPECT_EQ((style & WS_CAPTION) == WS_CAPTION, c.bordered);
        EXPECT_EQ((style & WS_THICKFRAME) != 0, c.bordered);
        EXPECT_EQ((GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.stay_on_top);
        // Form bounds are the window rectangle.
        EXPECT_EQ(os::window_bounds(form.id), (os::Rect{100, 120, 400, 320}));
        EXPECT_EQ(window_rect(form.hwnd()), (os::Rect{100, 120, 400, 320}));
    }
}

int our_windows() {
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(h, cls, 32);
            *reinterpret_cast<int*>(p) += lstrcmpW(cls, L"ZimmoWindow") == 0;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

TEST(Win32Windows, CreationMessagesAreTheSystemsAndFailuresLeaveNoWindow) {
    // Created visible: the sink has no id yet, so the frame is drawn and
    // sized by the system, and the sink hears only what comes afterwards.
    TestWindow first(form_params({100, 100, 300, 250}, true, true));
    EXPECT_EQ(first.sink.count(WM_CREATE), 0);
    EXPECT_EQ(first.sink.count(WM_SHOWWINDOW), 0);
    EXPECT_TRUE(IsWindowVisible(first.hwnd()));

    // Showing a new form deactivates the first; when the first one's sink
    // fails, the caller gets the exception and the new window is gone.
    first.sink.handler = [](unsigned msg, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == WM_NCACTIVATE && !wp) throw EInvalidOperation("refused");
        return std::nullopt;
    };
    os::set_foreground_window(first.id);
    ASSERT_EQ(GetActiveWindow(), first.hwnd());
    const int before = our_windows();
    RecordingSink sink;
    EXPECT_THROW(os::create_window(form_params({150, 150, 250, 250}, true, true), &sink), EInvalidOperation);
    EXPECT_EQ(our_windows(), before);
    first.sink.handler = nullptr;
    EXPECT_NO_THROW(os::process_pending_messages());  // nothing kept for later
}

TEST(Win32Windows, BorderChangeKeepsTheWindowRectangle) {
    TestWindow form(form_params({100, 100, 400, 300}, true, true));
    HWND owner = GetWindow(form.hwnd(), GW_OWNER);
    const os::Rect before = os::window_bounds(form.id);
    RECT client{};
    GetClientRect(form.hwnd(), &client);
    ASSERT_LT(client.bottom, before.height());  // the caption takes room

    os::set_window_bordered(form.id, false);
    EXPECT_EQ(os::window_bounds(form.id), before);
    EXPECT_FALSE(GetWindowLongPtrW(form.hwnd(), GWL_STYLE) & WS_CAPTION);
    // Without a frame the client area is the window: the shapes line up.
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, before.width());
    EXPECT_EQ(client.bottom, before.height());
    const os::Point origin = os::client_to_screen(form.id, {0, 0});
    EXPECT_EQ(origin.x, before.left);
    EXPECT_EQ(origin.y, before.top);

    os::set_window_bordered(form.id, true);
    EXPECT_EQ(os::window_bounds(form.id), before);
    GetClientRect(form.hwnd(), &client);
    EXPECT_LT(client.bottom, before.height());

    os::set_window_stay_on_top(form.id, true);
    EXPECT_TRUE(GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    os::set_window_stay_on_top(form.id, false);
    EXPECT_FALSE(GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(form.hwnd(), GW_OWNER), owner);  // still no taskbar button of its own
}

TEST(Win32Windows, ScreenAndClientCoordinatesAreInverse) {
    TestWindow form(form_params({130, 140, 430, 340}, true));
    const os::Point points[] = {{0, 0}, {17, 5}, {-30, 250}, {299, 199}};
    for (const os::Point& p : points) {
        const os::Point screen = os::client_to_screen(form.id, p);
        const os::Point back = os::screen_to_client(form.id, screen);
        EXPECT_EQ(back.x, p.x);
        EXPECT_EQ(back.y, p.y);
        EXPECT_GT(screen.x, p.x + 129);  // the client lies inside the frame
    }
}

TEST(Win32Windows, ChildrenAndEditsLiveInParentClientCoordinates) {
    TestWindow form(form_params({100, 100, 500, 400}, true, true));
    struct Case {
        os::WindowKind kind;
        bool read_only, flat;
    } cases[] = {{os::WindowKind::Child, false, false},
                 {os::WindowKind::Edit, false, false},
                 {os::WindowKind::Edit, true, false},
                 {os::WindowKind::Edit, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << ", read only " << c.read_only
                                        << ", flat " << c.flat);
        os::WindowParams p = control_params(c.kind, form.id, {10, 20, 242, 38});
        p.read_only = c.read_only;
        p.flat = c.flat;
        TestWindow control(p);
        EXPECT_EQ(GetParent(control.hwnd()), form.hwnd());
        EXPECT_EQ(os::window_bounds(control.id), (os::Rect{10, 20, 242, 38}));
        os::set_window_bounds(control.id, {5, 6, 105, 26});
        EXPECT_EQ(os::window_bounds(control.id), (os::Rect{5, 6, 105, 26}));
        const LONG_PTR style = GetWindowLongPtrW(control.hwnd(), GWL_STYLE);
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_TRUE(style & WS_CLIPSIBLINGS);
        if (c.kind == os::WindowKind::Edit) {
            wchar_t cls[16] = {};
            GetClassNameW(control.hwnd(), cls, 16);
            EXPECT_EQ(lstrcmpiW(cls, L"Edit"), 0);
            EXPECT_EQ((style & ES_READONLY) != 0, c.read_only);
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_EQ((GetWindowLongPtrW(control.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, !c.flat);
            // A flat edit has no frame of any kind: its text fills the window.
            RECT client{};
            GetClientRect(control.hwnd(), &client);
            EXPECT_EQ(client.right == 100 && client.bottom == 20, c.flat);
        }
        os::show_window(control.id, false);
        EXPECT_FALSE(os::window_visible(control.id));
        os::enable_window(control.id, false);
        EXPECT_FALSE(os::window_enabled(control.id));
    }
}

// ---------------------------------------------------------------- regions

TEST(Win32Regions, TheSystemHoldsTheRectanglesOfTheBlock) {
    struct Case {
        const char* name;
        std::vector<RECT> rects;
    } cases[] = {
        {"one rectangle", {{0, 0, 24, 23}}},
        {"two in one band", {{2, 0, 5, 1}, {8, 0, 20, 1}}},
        {"three bands", {{3, 0, 9, 2}, {0, 2, 24, 10}, {1, 10, 4, 23}}},
        {"a frame-like shape", {{4, 1, 19, 2}, {2, 2, 7, 6}, {15, 2, 21, 6}, {2, 6, 21, 22}}},
    };
    TestWindow form(form_params({300, 300, 432, 351}, false, true));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        os::set_window_region(form.id, region_block(c.rects), true);
        const auto held = window_region_rects(form.hwnd());
        ASSERT_TRUE(held.has_value());
        EXPECT_TRUE(SameRects(c.rects, *held));
    }
    // A block without rectangles is an empty shape, not the lack of one.
    os::set_window_region(form.id, region_block({}), true);
    ASSERT_TRUE(window_region_rects(form.hwnd()).has_value());
    EXPECT_TRUE(window_region_rects(form.hwnd())->empty());
    os::set_window_region(form.id, {}, true);
    EXPECT_FALSE(window_region_rects(form.hwnd()).has_value());
}

TEST(Win32Regions, OnlyTheShapeIsHit) {
    TestWindow form(form_params({300, 300, 432, 351}, false, true));
    os::set_window_region(form.id, region_block({{0, 0, 24, 23}}), true);
    EXPECT_EQ(os::window_from_point({310, 310}), form.id);
    EXPECT_NE(os::window_from_point({400, 340}), form.id);  // in the window, outside the shape
    os::set_window_region(form.id, {}, true);
    EXPECT_EQ(os::window_from_point({400, 340}), form.id);
}

TEST(Win32Regions, DamagedBlocksAreRefusedAndTheShapeStays) {
    TestWindow form(form_params({300, 300, 432, 351}, false, true));
    const std::vector<RECT> shape{{0, 0, 24, 23}};
    os::set_window_region(form.id, region_block(shape), true);

    auto with = [](std::vector<std::uint8_t> block, std::size_t offset, DWORD value) {
        std::memcpy(block.data() + offset, &value, sizeof value);
        return block;
    };
    const std::vector<std::uint8_t> good = region_block({{0, 0, 5, 5}, {0, 5, 9, 9}});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> block;
    } cases[] = {
        {"shorter than the header", std::vector<std::uint8_t>(good.begin(), good.begin() + 31)},
        {"wrong header size", with(good, 0, 40)},
        {"wrong type", with(good, 4, 2)},
        {"more rectangles than bytes", with(good, 8, 3)},
        {"a count that overflows", with(good, 8, 0xFFFFFFFFu)},
        {"a rectangle cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(os::set_window_region(form.id, c.block, true), EInvalidGraphic);
        const auto held = window_region_rects(form.hwnd());
        ASSERT_TRUE(held.has_value());
        EXPECT_TRUE(SameRects(shape, *held));
    }
}

// ---------------------------------------------------------------- messages, loop, timers

TEST(Win32Messages, SentAndPostedMessagesReachTheSink) {
    TestWindow form(form_params({0, 0, 100, 100}, false));
    form.sink.handler = [](unsigned msg, std::uintptr_t wp, std::intptr_t lp) -> std::optional<std::intptr_t> {
        if (msg == WM_USER + 1) return static_cast<std::intptr_t>(wp) * 10 + lp;
        if (msg == WM_USER + 2) throw EInvalidOperation("from the sink");
        return std::nullopt;
    };
    EXPECT_EQ(os::send_message(form.id, WM_USER + 1, 4, 2), 42);
    EXPECT_EQ(form.sink.count(WM_USER + 1), 1);

    os::post_message(form.id, WM_USER + 1, 7, 0);
    EXPECT_EQ(form.sink.count(WM_USER + 1), 1);  // queued, not yet dispatched
    os::process_pending_messages();
    EXPECT_EQ(form.sink.count(WM_USER + 1), 2);
    EXPECT_EQ(form.sink.log.back().wparam, 7u);

    // A sink's exception crosses the system's frames and reaches the caller.
    EXPECT_THROW(os::send_message(form.id, WM_USER + 2, 0, 0), EInvalidOperation);
    os::post_message(form.id, WM_USER + 2, 0, 0);
    EXPECT_THROW(os::process_pending_messages(), EInvalidOperation);
    EXPECT_NO_THROW(os::send_message(form.id, WM_USER + 1, 0, 0));  // nothing left over
}

TEST(Win32Messages, DefaultMessageIsTheSystemsAnswer) {
    TestWindow form(form_params({200, 200, 500, 400}, true, true));
    const os::Point centre = os::client_to_screen(form.id, {100, 80});
    const auto lparam = static_cast<std::intptr_t>(MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(os::default_message(form.id, WM_NCHITTEST, 0, lparam), HTCLIENT);
    const os::Point caption{250, 200 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    EXPECT_EQ(os::default_message(form.id, WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)), HTCAPTION);
    // What the sink answers is what the system gets.
    form.sink.handler = [](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == WM_NCHITTEST) return HTCAPTION;
        return std::nullopt;
    };
    EXPECT_EQ(SendMessageW(form.hwnd(), WM_NCHITTEST, 0, lparam), HTCAPTION);
}

TEST(Win32Messages, TimersTickUntilKilled) {
    TestWindow form(form_params({0, 0, 100, 100}, false));
    int ticks = 0;
    form.sink.handler = [&](unsigned msg, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == WM_TIMER && wp == 7) ++ticks;
        return std::nullopt;
    };
    os::set_timer(form.id, 7, 20);
    EXPECT_TRUE(pump_until([&] { return ticks >= 3; }, 5000));
    os::kill_timer(form.id, 7);
    const int at_kill = ticks;
    const ULONGLONG end = GetTickCount64() + 150;
    while (GetTickCount64() < end) {
        os::process_pending_messages();
        Sleep(5);
    }
    EXPECT_EQ(ticks, at_kill);
}

// A tick that moves a window twice and shows two frames (a diagonal step):
// while the timer message runs nothing reaches the system; when it is done
// the window has the last shape and place, each set once.
TEST(Win32Messages, ATicksMovesAndShapesReachTheSystemOnceAtItsEnd) {
    TestWindow clock(form_params({0, 0, 10, 10}, false));
    TestWindow form(form_params({300, 300, 432, 351}, false, true));
    const std::vector<RECT> up = {{0, 0, 24, 23}}, left = {{2, 1, 20, 22}};
    os::set_window_region(form.id, region_block(up), true);
    form.sink.log.clear();
    bool ticked = false;
    std::optional<RECT> during_tick;
    clock.sink.handler = [&](unsigned msg, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != WM_TIMER || wp != 3 || ticked) return std::nullopt;
        ticked = true;
        os::kill_timer(clock.id, 3);
        os::set_window_region(form.id, region_block(up), true);
        os::set_window_bounds(form.id, {300, 297, 432, 348});
        os::set_window_region(form.id, region_block(left), true);
        os::set_window_bounds(form.id, {297, 297, 429, 348});
        os::invalidate(form.id, nullptr);
        RECT r{};
        GetWindowRect(form.hwnd(), &r);
        during_tick = r;
        return 0;
    };
    os::set_timer(clock.id, 3, 10);
    ASSERT_TRUE(pump_until([&] { return ticked; }, 5000));
    ASSERT_TRUE(during_tick.has_value());
    EXPECT_EQ(during_tick->left, 300) << "nothing moves while the tick runs";
    RECT r{};
    GetWindowRect(form.hwnd(), &r);
    EXPECT_EQ(r.left, 297);
    EXPECT_EQ(r.top, 297);
    EXPECT_EQ(r.right - r.left, 132);
    const auto held = window_region_rects(form.hwnd());
    ASSERT_TRUE(held.has_value());
    EXPECT_TRUE(SameRects(left, *held)) << "the last frame's shape";
    EXPECT_EQ(form.sink.count(WM_MOVE), 1) << "one move";
    // The system changes a window's shape through its position: one shape
    // change and one move make two position changes (four unbatched).
    EXPECT_EQ(form.sink.count(WM_WINDOWPOSCHANGED), 2) << "one shape change and one move";
    // Outside a tick every change goes through at once.
    os::set_window_bounds(form.id, {310, 310, 442, 361});
    GetWindowRect(form.hwnd(), &r);
    EXPECT_EQ(r.left, 310);
}

TEST(Win32Messages, QuitEndsTheLoopForGood) {
    EXPECT_EXIT(
        {
            os::quit_message_loop();
            const bool first = os::process_one_message();
            const bool second = os::process_one_message();
            std::exit(!first && !second && os::quit_requested() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------- painting

TEST(Win32Painting, PaintHandsTheSinkADeviceForItsPixels) {
    constexpr int kSize = 32;
    TestWindow form(form_params({400, 200, 400 + kSize, 200 + kSize}, false, true));
    std::vector<std::uint32_t> pixels(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) pixels[y * kSize + x] = x < kSize / 2 ? 0x00FF0000 : 0x000000FF;  // red | blue
    form.sink.handler = [&](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != WM_PAINT) return std::nullopt;
        os::present(form.id, 0, 0, kSize, kSize, pixels.data(), kSize * 4);
        return 0;
    };
    os::process_pending_messages();
    os::invalidate(form.id, nullptr);
    const int paints = form.sink.count(WM_PAINT);
    os::update_window(form.id);
    EXPECT_EQ(form.sink.count(WM_PAINT), paints + 1);
    {
        HDC dc = GetDC(form.hwnd());
        EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(dc, kSize - 3, kSize - 3), RGB(0, 0, 255));
        ReleaseDC(form.hwnd(), dc);
    }
    // Painting once more needs nothing: the update region was validated.
    os::update_window(form.id);
    EXPECT_EQ(form.sink.count(WM_PAINT), paints + 1);

    // Outside WM_PAINT the backend fetches a device of its own; a stride wider
    // than the rectangle takes the rows of the larger picture.
    std::vector<std::uint32_t> wide(2 * kSize * kSize, 0x0000FF00);  // green, twice as wide
    os::present(form.id, 0, 0, kSize, kSize, wide.data(), 2 * kSize * 4);
    HDC dc = GetDC(form.hwnd());
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, kSize - 3, kSize - 3), RGB(0, 255, 0));
    ReleaseDC(form.hwnd(), dc);
    // Erasing is the sink's: the class has no brush of its own.
    InvalidateRect(form.hwnd(), nullptr, TRUE);
    const int erases = form.sink.count(WM_ERASEBKGND);
    os::update_window(form.id);
    EXPECT_EQ(form.sink.count(WM_ERASEBKGND), erases + 1);
}

// ---------------------------------------------------------------- input

TEST(Win32Input, CaptureIsTakenAndReleased) {
    TestWindow form(form_params({0, 0, 100, 100}, false, true));
    os::set_capture(form.id);
    EXPECT_EQ(os::capture(), form.id);
    EXPECT_EQ(GetCapture(), form.hwnd());
    os::release_capture();
    EXPECT_EQ(os::capture(), 0u);
    EXPECT_EQ(form.sink.count(WM_CAPTURECHANGED), 1);
}

TEST(Win32Input, CursorValuesPickTheSystemCursors) {
    struct Case {
        int value;
        LPCWSTR cursor;  // null: no cursor
    } cases[] = {{0, IDC_ARROW},   {-2, IDC_ARROW},  {-3, IDC_CROSS},    {-4, IDC_IBEAM},
                 {-7, IDC_SIZENS}, {-9, IDC_SIZEWE}, {-11, IDC_WAIT},    {-12, IDC_ARROW},
                 {-18, IDC_NO},    {-21, IDC_HAND},  {-22, IDC_SIZEALL}, {-1, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cursor " << c.value);
        os::set_cursor_shape(c.value);
        EXPECT_EQ(GetCursor(), c.cursor ? LoadCursorW(nullptr, c.cursor) : nullptr);
    }
    os::set_cursor_shape(0);
}

// The characters take and release the capture on every tick. While a popup
// menu is tracked that would end the menu: the capture is the menu's then.
TEST(Win32Menus, MenuSurvivesCaptureTicksAndReturnsTheChoice) {
    TestWindow form(form_params({100, 100, 200, 200}, false, true));
    int ticks = 0;
    form.sink.handler = [&](unsigned msg, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != WM_TIMER) return std::nullopt;
        ++ticks;
        os::set_capture(form.id);
        os::release_capture();
        if (ticks == 6) {
            // Down twice (the separator is skipped) and Return: the second item.
            for (WPARAM key : {WPARAM{VK_DOWN}, WPARAM{VK_DOWN}, WPARAM{VK_RETURN}}) {
                PostMessageW(form.hwnd(), WM_KEYDOWN, key, 1);
                PostMessageW(form.hwnd(), WM_KEYUP, key, 0xC0000001);
            }
        }
        if (ticks == 200) EndMenu();  // never wait for ever
        return 0;
    };
    os::set_timer(form.id, 3, 15);
    const std::vector<os::MenuItem> items{
        {"設定ウィンドウを開く(&S)...", true, false, 11}, {"-", true, false, 0}, {"終了する(&X)", true, false, 12}};
    const std::uintptr_t chosen = os::track_popup_menu(form.id, items, {120, 120});
    os::kill_timer(form.id, 3);
    EXPECT_GE(ticks, 6);
    EXPECT_LT(ticks, 200);
    EXPECT_EQ(chosen, 12u);
    // After the menu the capture works again.
    os::set_capture(form.id);
    EXPECT_EQ(os::capture(), form.id);
    os::release_capture();
}

// The same while the system moves a window (the settings window is dragged
// by its picture): a tick's capture would end the move.
TEST(Win32Menus, SystemMoveSurvivesCaptureTicks) {
    TestWindow form(form_params({300, 300, 400, 400}, true, true));
    TestWindow character(form_params({0, 0, 24, 23}, false, true));
    int ticks = 0, ticks_in_move = 0;
    bool moving = false;
    form.sink.handler = [&](unsigned msg, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == WM_ENTERSIZEMOVE) moving = true;
        if (msg == WM_EXITSIZEMOVE) moving = false;
        return std::nullopt;
    };
    character.sink.handler = [&](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != WM_TIMER) return std::nullopt;
        ++ticks;
        ticks_in_move += moving;
        os::set_capture(character.id);
        os::release_capture();
        // Right once (8 pixels in the keyboard move), then Return.
        if (ticks == 6 || ticks == 16) {
            const WPARAM key = ticks == 6 ? VK_RIGHT : VK_RETURN;
            PostMessageW(form.hwnd(), WM_KEYDOWN, key, 1);
            PostMessageW(form.hwnd(), WM_KEYUP, key, 0xC0000001);
        }
        if (ticks == 200) PostMessageW(form.hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);  // never wait for ever
        return 0;
    };
    os::set_timer(character.id, 4, 15);
    os::set_foreground_window(form.id);
    os::send_message(form.id, WM_SYSCOMMAND, SC_MOVE, 0);
    os::kill_timer(character.id, 4);
    EXPECT_GE(ticks_in_move, 15) << ticks << " ticks";
    EXPECT_LT(ticks, 200);
    EXPECT_GT(os::window_bounds(form.id).left, 300);
    os::set_capture(character.id);
    EXPECT_EQ(os::capture(), character.id);
    os::release_capture();
}

TEST(Win32Menus, AWindowDestroyedInsideAMoveGivesTheCaptureBack) {
    TestWindow character(form_params({0, 0, 24, 23}, false, true));
    {
        TestWindow moved(form_params({300, 300, 400, 400}, true, true));
        SendMessageW(moved.hwnd(), WM_ENTERSIZEMOVE, 0, 0);
        os::set_capture(character.id);
        EXPECT_NE(os::capture(), character.id);  // the move has it
    }                                            // destroyed before WM_EXITSIZEMOVE
    os::set_capture(character.id);
    EXPECT_EQ(os::capture(), character.id);
    os::release_capture();
}

// ---------------------------------------------------------------- edits

TEST(Win32Edits, TextColoursAndFontsAreTheControls) {
    TestWindow form(form_params({100, 100, 450, 450}, false, true));
    os::WindowParams p = control_params(os::WindowKind::Edit, form.id, {104, 58, 336, 76});
    p.read_only = true;
    p.flat = true;
    auto edit = std::make_unique<TestWindow>(p);

    const std::string path = "C:\\ミロテ\\起動する.txt";
    os::set_edit_text(edit->id, path);
    EXPECT_EQ(os::edit_text(edit->id), path);
    wchar_t text[64] = {};
    GetWindowTextW(edit->hwnd(), text, 64);
    EXPECT_EQ(std::wstring(text), W(path));
    EXPECT_GE(edit->sink.count(WM_SETTEXT), 1);  // the subclass hands the edit's messages to the sink
    os::set_edit_text(edit->id, "");
    EXPECT_EQ(os::edit_text(edit->id), "");

    // The parent answers the colour messages with the edit's colours.
    const COLORREF ink = RGB(0, 0, 0), back = RGB(0xDF, 0xFF, 0xFF);
    os::set_edit_colors(edit->id, ink, back);
    HDC dc = CreateCompatibleDC(nullptr);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(form.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(edit->hwnd())));
    ASSERT_NE(brush, nullptr);
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, back);
    EXPECT_EQ(GetTextColor(dc), ink);
    EXPECT_EQ(GetBkColor(dc), back);
    os::enable_window(edit->id, false);
    SendMessageW(form.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit->hwnd()));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_GRAYTEXT));
    DeleteDC(dc);

    os::FontSpec small;
    small.height = 11;
    os::set_window_font(edit->id, small);
    auto first = reinterpret_cast<HFONT>(SendMessageW(edit->hwnd(), WM_GETFONT, 0, 0));
    ASSERT_NE(first, nullptr);
    LOGFONTW lf{};
    GetObjectW(first, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -11);
    os::set_window_font(edit->id, os::FontSpec{});
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageW(edit->hwnd(), WM_GETFONT, 0, 0)), first);
    EXPECT_EQ(GetObjectType(first), 0u);  // the replaced font was released
    auto last = reinterpret_cast<HFONT>(SendMessageW(edit->hwnd(), WM_GETFONT, 0, 0));

    edit.reset();
    EXPECT_EQ(GetObjectType(brush), 0u);  // the edit's brush and font went with it
    EXPECT_EQ(GetObjectType(last), 0u);
}

TEST(Win32Edits, FocusGoesToTheEdit) {
    TestWindow form(form_params({100, 100, 450, 450}, false, true));
    TestWindow edit(control_params(os::WindowKind::Edit, form.id, {10, 10, 200, 28}));
    os::set_foreground_window(form.id);
    os::set_focus(edit.id);
    EXPECT_EQ(os::focus(), edit.id);
    EXPECT_EQ(GetFocus(), edit.hwnd());
}

// ---------------------------------------------------------------- tool tips

HWND tooltip_of(HWND form) {
    struct Search {
        HWND owner, found = nullptr;
    } search{form};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[32] = {};
            GetClassNameW(h, cls, 32);
            if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(h, GW_OWNER) == s->owner) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(Win32Tooltips, OneToolPerIdWithItsText) {
    TestWindow form(form_params({100, 100, 450, 450}, false, true));
    TestWindow panel(control_params(os::WindowKind::Child, form.id, {4, 2, 57, 18}));
    os::set_tooltip(panel.id, 1, {0, 0, 53, 16}, "インフォメーション");
    HWND tip = tooltip_of(form.hwnd());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    os::set_tooltip(panel.id, 1, {0, 0, 53, 16}, "閉じる");  // replaces
    os::set_tooltip(form.id, 2, {0, 0, 350, 350}, "キャラの選択");
    EXPECT_EQ(tooltip_of(form.hwnd()), tip);  // one window per form
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 2);

    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = panel.hwnd();
    ti.uId = 1;
    ti.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(std::wstring(text), W("閉じる"));

    os::remove_tooltip(panel.id, 1);
    os::remove_tooltip(form.id, 2);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

// ---------------------------------------------------------------- text

TEST(Win32Text, MeasuringIsExactAndRepeatable) {
    struct Case {
        const char* name;
        os::FontSpec font;
    } cases[] = {
        {"the form font", os::FontSpec{}},
        {"bold", os::FontSpec{"ＭＳ Ｐゴシック", 12, true}},
        {"11 pixels", os::FontSpec{"ＭＳ Ｐゴシック", 11}},
        {"a face that is not installed", os::FontSpec{"No Such Face Zimmo", 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const os::TextMetrics wg = os::measure_text(c.font, u"Wg");
        EXPECT_GT(wg.width, 0);
        EXPECT_GE(wg.height, c.font.height);
        EXPECT_LE(wg.height, c.font.height + 6);
        EXPECT_GT(wg.ascent, 0);
        EXPECT_LT(wg.ascent, wg.height);
        const os::TextMetrics again = os::measure_text(c.font, u"Wg");
        EXPECT_EQ(again.width, wg.width);
        EXPECT_EQ(again.height, wg.height);
        // Widths add up: no smoothing or kerning changes a glyph's advance.
        EXPECT_EQ(os::measure_text(c.font, u"W").width + os::measure_text(c.font, u"g").width, wg.width);
        EXPECT_EQ(os::measure_text(c.font, u"").width, 0);

        os::TextMetrics drawn{};
        const std::vector<std::uint8_t> coverage = os::render_text(c.font, u"ミロテ編", &drawn);
        EXPECT_EQ(drawn.width, os::measure_text(c.font, u"ミロテ編").width);
        ASSERT_EQ(coverage.size(), static_cast<std::size_t>(drawn.width) * drawn.height);
        std::size_t inked = 0;
        for (std::uint8_t v : coverage) {
            EXPECT_TRUE(v == 0 || v == 255) << "coverage " << int(v);
            inked += v == 255;
        }
        // A Japanese face drew the glyphs: a good share of the box is ink.
        EXPECT_GT(inked, coverage.size() / 10);
        EXPECT_EQ(os::render_text(c.font, u"ミロテ編", nullptr), coverage);
    }
    EXPECT_GE(os::measure_text(os::FontSpec{"ＭＳ Ｐゴシック", 12, true}, u"Mallo").width,
              os::measure_text(os::FontSpec{}, u"Mallo").width);
}

// ---------------------------------------------------------------- code page 932

TEST(Win32CodePage, JapaneseRoundTripsAndLossIsReported) {
    struct Case {
        const char* utf8;
        std::string ansi;  // expected bytes; empty for "any"
        bool lossless;
    } cases[] = {
        {"Launcher Zimmo! ～ミロテ編～", "Launcher Zimmo! \x81\x60\x83\x7E\x83\x8D\x83\x65\x95\xD2\x81\x60", true},
        {"ﾘｰｼﾞｮﾝ", "\xD8\xB0\xBC\xDE\xAE\xDD", true},
        {"C:\\表示\\a.txt", "C:\\\x95\x5C\x8E\xA6\\a.txt", true},
        {"", "", true},
        {"caf\xC3\xA9", "", false},   // é: no best-fit 'e'
        {"\xE2\x82\xAC", "", false},  // €
        {"\xFF\xFE", "", false},      // not UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        bool lossless = !c.lossless;
        const std::string ansi = os::utf8_to_ansi(c.utf8, &lossless);
        EXPECT_EQ(lossless, c.lossless);
        if (c.lossless) {
            EXPECT_EQ(ansi, c.ansi);
            EXPECT_EQ(os::ansi_to_utf8(ansi), c.utf8);
        } else {
            EXPECT_NE(os::ansi_to_utf8(ansi), c.utf8);
        }
    }
}

// ---------------------------------------------------------------- profile functions

// A folder of its own under the temporary folder, removed with what is in
// it. Wine run with a Unix locale that is not installed cannot store names
// outside ASCII; the folder then takes an ASCII name, and the test says so.
struct TempFolder {
    std::wstring path;
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + name;
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            testing::Test::RecordProperty("folder", "the file system refused a Japanese name");
            path = std::wstring(temp) + L"zimmo-ascii-" + std::to_wstring(GetCurrentProcessId());
            CreateDirectoryW(path.c_str(), nullptr);
        }
    }
    ~TempFolder() {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileW((path + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::string utf8(const std::wstring& name) const { return U8(path + L"\\" + name); }
};

TEST(Win32Profile, ValuesRoundTripThroughTheFile) {
    // The folder's name is Japanese: on a system whose code page lacks it
    // the file is still found.
    TempFolder folder(L"zimmo \u8A2D\u5B9A");
    const std::string ini = folder.utf8(L"zimmo.ini");
    const std::string mallo = os::utf8_to_ansi("C:\\ミロテ\\起動.exe");
    ASSERT_TRUE(os::write_profile_string(ini, "Visible", "Char01", "1"));
    ASSERT_TRUE(os::write_profile_string(ini, "Visible", "Char02", "0"));
    ASSERT_TRUE(os::write_profile_string(ini, "Execute", "Char01", mallo));
    ASSERT_TRUE(os::write_profile_string(ini, "Execute", "Char02", "abcdefgh"));
    EXPECT_NE(GetFileAttributesW((folder.path + L"\\zimmo.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    struct Case {
        const char *section, *key, *fallback;
        std::size_t buffer;
        std::string expected;
    } cases[] = {
        {"Visible", "Char01", "x", 256, "1"},
        {"visible", "CHAR02", "x", 256, "0"},  // names in any case
        {"Execute", "Char01", "", 256, mallo},
        {"Execute", "Char03", "none", 256, "none"},
        {"Nothing", "Char01", "", 256, ""},
        {"Execute", "Char02", "", 5, "abcd"},  // the buffer holds 4 bytes and the zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key << " in " << c.buffer);
        EXPECT_EQ(os::get_profile_string(ini, c.section, c.key, c.fallback, c.buffer), c.expected);
    }
    // A buffer that ends inside a double-byte character: a Japanese system
    // leaves the whole character out, others cut between its bytes.
    const std::string cut = os::get_profile_string(ini, "Execute", "Char01", "", 5);
    EXPECT_LE(cut.size(), 4u);
    EXPECT_GE(cut.size(), 3u);
    EXPECT_EQ(mallo.compare(0, cut.size(), cut), 0) << "not a prefix of the value";
    // A null key names every key of the section; a null value deletes one.
    EXPECT_EQ(os::get_profile_string(ini, "Visible", std::string_view{}, "", 256), std::string("Char01\0Char02\0", 14));
    ASSERT_TRUE(os::write_profile_string(ini, "Visible", "Char02", std::string_view{}));
    EXPECT_EQ(os::get_profile_string(ini, "Visible", "Char02", "gone", 256), "gone");
}

TEST(Win32Profile, AMissingFileGivesTheDefault) {
    TempFolder folder(L"zimmo \u7A7A");
    EXPECT_EQ(os::get_profile_string(folder.utf8(L"\u7121\u3044.ini"), "Visible", "Char01", "1", 256), "1");
    EXPECT_EQ(os::get_profile_string(folder.utf8(L"none.ini"), "Visible", "Char01", "1", 256), "1");
}

// ---------------------------------------------------------------- the shell

TEST(Win32Shell, OpeningABatchFileRunsIt) {
    TempFolder folder(L"zimmo \u8D77\u52D5");
    const std::wstring bat = folder.path + L"\\marker.bat";
    const std::wstring marker = folder.path + L"\\marker.txt";
    {
        HANDLE f = CreateFileW(bat.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        const char script[] = "@echo ok> marker.txt\r\n";
        DWORD written = 0;
        WriteFile(f, script, sizeof script - 1, &written, nullptr);
        CloseHandle(f);
    }
    // Paths in code page 932 whatever the system's code page.
    const std::intptr_t result =
        os::shell_execute_ansi(0, "OPEN", os::utf8_to_ansi(U8(bat)), "", os::utf8_to_ansi(U8(folder.path)), SW_HIDE);
    EXPECT_GT(result, 32);
    const ULONGLONG end = GetTickCount64() + 20000;
    while (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end) Sleep(50);
    EXPECT_NE(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    Sleep(200);  // let the batch file's program end before the folder goes
}

// A drop handle as the shell makes one: DROPFILES, then the wide paths.
HDROP make_drop(const std::vector<std::wstring>& paths) {
    std::size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& p : paths) {
        std::copy(p.begin(), p.end(), out);
        out += p.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

TEST(Win32Shell, DroppedPathsArriveWhole) {
    const std::wstring long_path = L"C:\\" + std::wstring(150, L'\u9577') + L"\\" + std::wstring(150, L'a') + L".txt";
    const std::vector<std::wstring> paths{L"C:\\zimmo.txt", W("C:\\フォルダ 名前"), long_path};
    HDROP drop = make_drop(paths);
    const auto id = reinterpret_cast<os::DropId>(drop);
    ASSERT_EQ(os::drag_count(id), paths.size());
    for (unsigned i = 0; i < paths.size(); ++i) EXPECT_EQ(os::drag_file(id, i), U8(paths[i])) << "item " << i;
    EXPECT_GT(os::drag_file(id, 2).size(), 259u);  // longer than any ANSI buffer
    EXPECT_EQ(os::drag_file(id, 3), "");
    os::drag_finish(id);
}

TEST(Win32Shell, AcceptingFilesSetsTheStyle) {
    TestWindow form(form_params({0, 0, 350, 350}, false));
    os::drag_accept_files(form.id, true);
    EXPECT_TRUE(GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    os::drag_accept_files(form.id, false);
    EXPECT_FALSE(GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

// A one-image .ico file: 16 x 16, 32 bits, every pixel `colour`.
std::vector<std::uint8_t> icon_file(std::uint32_t colour) {
    const int size = 16;
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = size;
    bih.biHeight = size * 2;  // colour and mask
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    const std::size_t xor_bytes = size * size * 4, and_bytes = size * 4;  // mask rows padded to 4 bytes
    const std::size_t image = sizeof bih + xor_bytes + and_bytes;
    std::vector<std::uint8_t> file(6 + 16 + image, 0);
    const WORD head[3] = {0, 1, 1};
    std::memcpy(file.data(), head, 6);
    std::uint8_t* entry = file.data() + 6;
    entry[0] = size;
    entry[1] = size;
    const WORD planes = 1, bits = 32;
    std::memcpy(entry + 4, &planes, 2);
    std::memcpy(entry + 6, &bits, 2);
    const DWORD bytes = static_cast<DWORD>(image), offset = 22;
    std::memcpy(entry + 8, &bytes, 4);
    std::memcpy(entry + 12, &offset, 4);
    std::memcpy(file.data() + 22, &bih, sizeof bih);
    for (std::size_t i = 0; i < size * size; ++i) std::memcpy(file.data() + 22 + sizeof bih + 4 * i, &colour, 4);
    return file;
}

TEST(Win32Tray, IconsComeFromIcoFilesAndDamagedOnesAreRefused) {
    TestWindow form(form_params({0, 0, 350, 350}, false));
    const std::vector<std::uint8_t> good = icon_file(0xFFFF8080);
    ASSERT_TRUE(os::tray_add(form.id, 1, WM_USER + 7, good, ""));
    EXPECT_TRUE(os::tray_add(form.id, 1, WM_USER + 7, good, "Zimmo"));  // again: the same icon, changed
    os::tray_remove(form.id, 1);

    auto with = [&](std::size_t offset, DWORD value) {
        std::vector<std::uint8_t> f = good;
        std::memcpy(f.data() + offset, &value, 4);
        return f;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"too short", std::vector<std::uint8_t>(good.begin(), good.begin() + 5)},
        {"a cursor file", with(2, 2)},
        {"no images", with(4, 0)},
        {"directory cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"image beyond the end", with(6 + 12, 0xFFFFFFF0u)},
        {"image longer than the file", with(6 + 8, 0x7FFFFFFFu)},
        {"an empty image", with(6 + 8, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(os::tray_add(form.id, 2, WM_USER + 7, c.file, ""), EInvalidGraphic);
    }
    EXPECT_NE(os::taskbar_created_message(), 0u);
    EXPECT_EQ(os::taskbar_created_message(), RegisterWindowMessageW(L"TaskbarCreated"));
}

// ---------------------------------------------------------------- resources as files

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return written == bytes.size();
}

// A 2 x 2 bitmap resource as the resource compiler stores it: info header,
// masks and palette, then the pixels, every pixel of colour 0x0AC81E
// (palette index 1 where there is a palette).
struct DibCase {
    const char* name;
    std::uint32_t header_size;
    unsigned bits;
    std::uint32_t compression;
    std::uint32_t colors_used;
    COLORREF colour;  // how the pixels look
};

std::vector<std::uint8_t> make_dib(const DibCase& c, std::size_t* pixel_bytes) {
    std::vector<std::uint8_t> dib;
    if (c.header_size == 12) {
        put(dib, 12, 4);
        put(dib, 2, 2);
        put(dib, 2, 2);
        put(dib, 1, 2);
        put(dib, c.bits, 2);
    } else {
        put(dib, c.header_size, 4);
        put(dib, 2, 4);
        put(dib, 2, 4);
        put(dib, 1, 2);
        put(dib, c.bits, 2);
        put(dib, c.compression, 4);
        put(dib, 0, 4 * 3);  // image size, resolution
        put(dib, c.colors_used, 4);
        put(dib, 0, 4);
        if (c.header_size > 40) {  // masks, then the colour space
            const std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
            for (std::uint32_t m : masks) put(dib, m, 4);
            put(dib, 0x73524742, 4);  // LCS_sRGB
            dib.resize(c.header_size, 0);
        }
    }
    if (c.header_size == 40 && c.compression == BI_BITFIELDS) {
        for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) put(dib, m, 4);  // 5-6-5
    }
    const std::size_t entries = c.bits <= 8 ? (c.colors_used ? c.colors_used : 1u << c.bits) : c.colors_used;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t bgr = i == 1 ? 0x0AC81E : 0x808080;
        put(dib, bgr, c.header_size == 12 ? 3 : 4);
    }
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < 2; ++row) {
        const std::size_t start = pixels.size();
        switch (c.bits) {
            case 1: put(pixels, 0xC0, 1); break;  // index 1, twice
            case 4: put(pixels, 0x11, 1); break;
            case 8: put(pixels, 0x0101, 2); break;
            case 16: put(pixels, 0xF81FF81F, 4); break;  // magenta in 5-6-5
            case 24:
                put(pixels, 0x0AC81E, 3);
                put(pixels, 0x0AC81E, 3);
                break;
            case 32:
                put(pixels, 0x000AC81E, 4);
                put(pixels, 0x000AC81E, 4);
                break;
        }
        while ((pixels.size() - start) % 4) pixels.push_back(0);
    }
    *pixel_bytes = pixels.size();
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

TEST(Win32ResourceFiles, BitmapResourcesBecomeBmpFiles) {
    const DibCase cases[] = {
        {"8 bits, full palette", 40, 8, BI_RGB, 0, RGB(0x0A, 0xC8, 0x1E)},
        {"8 bits, 3 colours used", 40, 8, BI_RGB, 3, RGB(0x0A, 0xC8, 0x1E)},
        {"4 bits", 40, 4, BI_RGB, 0, RGB(0x0A, 0xC8, 0x1E)},
        {"1 bit", 40, 1, BI_RGB, 0, RGB(0x0A, 0xC8, 0x1E)},
        {"24 bits", 40, 24, BI_RGB, 0, RGB(0x0A, 0xC8, 0x1E)},
        {"24 bits with a palette for the display", 40, 24, BI_RGB, 2, RGB(0x0A, 0xC8, 0x1E)},
        {"16 bits with masks after the header", 40, 16, BI_BITFIELDS, 0, RGB(255, 0, 255)},
        {"32 bits, version-5 header with its masks", 124, 32, BI_BITFIELDS, 0, RGB(0x0A, 0xC8, 0x1E)},
        {"OS/2 core header", 12, 8, BI_RGB, 0, RGB(0x0A, 0xC8, 0x1E)},
    };
    TempFolder folder(L"zimmo-bmp");
    for (const DibCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t pixel_bytes = 0;
        const std::vector<std::uint8_t> dib = make_dib(c, &pixel_bytes);
        const auto file = win32::bmp_file_from_dib(dib);
        ASSERT_TRUE(file.has_value());
        ASSERT_EQ(file->size(), dib.size() + 14);
        EXPECT_EQ((*file)[0], 'B');
        EXPECT_EQ((*file)[1], 'M');
        std::uint32_t size = 0, offset = 0;
        std::memcpy(&size, file->data() + 2, 4);
        std::memcpy(&offset, file->data() + 10, 4);
        EXPECT_EQ(size, file->size());
        EXPECT_EQ(offset, file->size() - pixel_bytes);  // the pixels are the last bytes
        EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file->begin() + 14));

        // The system reads the file and sees the colour.
        const std::wstring path = folder.path + L"\\case.bmp";
        ASSERT_TRUE(write_file(path, *file));
        HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(bmp, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        EXPECT_EQ(GetPixel(dc, 0, 0), c.colour);
        EXPECT_EQ(GetPixel(dc, 1, 1), c.colour);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bmp);
    }

    struct Bad {
        const char* name;
        std::vector<std::uint8_t> dib;
    } bad[] = {
        {"shorter than any header", std::vector<std::uint8_t>(11, 0)},
        {"a header size of no format",
         [] {
             std::vector<std::uint8_t> d;
             put(d, 20, 4);
             d.resize(64, 0);
             return d;
         }()},
        {"an info header cut short",
         [] {
             std::vector<std::uint8_t> d;
             put(d, 40, 4);
             d.resize(39, 0);
             return d;
         }()},
        {"a palette larger than the data",
         [] {
             std::size_t n = 0;
             std::vector<std::uint8_t> d = make_dib({"", 40, 8, BI_RGB, 0, 0}, &n);
             const std::uint32_t used = 0x10000000;
             std::memcpy(d.data() + 32, &used, 4);
             return d;
         }()},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        EXPECT_FALSE(win32::bmp_file_from_dib(b.dib).has_value());
    }
}

// One 32-bit icon image (info header, colour, mask) of size x size.
std::vector<std::uint8_t> icon_image(int size, std::uint32_t colour) {
    std::vector<std::uint8_t> image;
    put(image, 40, 4);
    put(image, size, 4);
    put(image, size * 2, 4);
    put(image, 1, 2);
    put(image, 32, 2);
    put(image, 0, 4 * 6);
    for (int i = 0; i < size * size; ++i) put(image, colour, 4);
    image.resize(image.size() + static_cast<std::size_t>(size) * ((size + 31) / 32) * 4, 0);  // mask: all shown
    return image;
}

TEST(Win32ResourceFiles, IconGroupsBecomeIcoFiles) {
    const std::vector<std::uint8_t> small = icon_image(16, 0xFF102030), large = icon_image(32, 0xFF405060);
    // The group names its images by ordinal: 7 (32 x 32) and 3 (16 x 16).
    std::vector<std::uint8_t> group;
    put(group, 0, 2);
    put(group, 1, 2);
    put(group, 2, 2);
    for (auto [size, bytes, id] : {std::tuple{32, &large, 7}, std::tuple{16, &small, 3}}) {
        put(group, size, 1);
        put(group, size, 1);
        put(group, 0, 2);
        put(group, 1, 2);
        put(group, 32, 2);
        put(group, static_cast<std::uint32_t>(bytes->size()), 4);
        put(group, id, 2);
    }
    auto images = [&](std::uint16_t id) -> std::span<const std::uint8_t> {
        if (id == 7) return large;
        if (id == 3) return small;
        return {};
    };
    const auto file = win32::ico_file_from_group(group, images);
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->size(), 6 + 2 * 16 + large.size() + small.size());
    for (auto [entry, image] : {std::pair{0, &large}, std::pair{1, &small}}) {
        SCOPED_TRACE(testing::Message() << "entry " << entry);
        std::uint32_t size = 0, offset = 0;
        std::memcpy(&size, file->data() + 6 + 16 * entry + 8, 4);
        std::memcpy(&offset, file->data() + 6 + 16 * entry + 12, 4);
        EXPECT_EQ(size, image->size());
        ASSERT_LE(offset + size, file->size());
        EXPECT_TRUE(std::equal(image->begin(), image->end(), file->begin() + offset));
    }

    // The system loads either size from the file.
    TempFolder folder(L"zimmo-ico");
    const std::wstring path = folder.path + L"\\case.ico";
    ASSERT_TRUE(write_file(path, *file));
    for (int size : {16, 32}) {
        SCOPED_TRACE(testing::Message() << size << " pixels");
        HICON icon = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    // And the tray takes the same file.
    TestWindow form(form_params({0, 0, 10, 10}, false));
    EXPECT_TRUE(os::tray_add(form.id, 9, WM_USER + 9, *file, ""));
    os::tray_remove(form.id, 9);

    auto changed = [&](std::size_t offset, std::uint16_t value) {
        std::vector<std::uint8_t> g = group;
        std::memcpy(g.data() + offset, &value, 2);
        return g;
    };
    struct Bad {
        const char* name;
        std::vector<std::uint8_t> group;
    } bad[] = {
        {"a cursor group", changed(2, 2)},
        {"no images", changed(4, 0)},
        {"entries cut short", std::vector<std::uint8_t>(group.begin(), group.end() - 1)},
        {"an image that is not there", changed(6 + 12, 99)},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        EXPECT_FALSE(win32::ico_file_from_group(b.group, images).has_value());
    }
}

// The pixels of a bitmap as 32-bit values, bottom row first.
std::vector<std::uint32_t> pixels_of(HBITMAP bmp, int* width, int* height) {
    BITMAP bm{};
    GetObjectW(bmp, sizeof bm, &bm);
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bmp, 0, bm.bmHeight, out.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    return out;
}

// The program's own resources, where this executable carries them: what
// find_resource assembles shows what the system's resource loader shows.
TEST(Win32ResourceFiles, TheProgramsResourcesReadAsTheSystemReadsThem) {
    if (!FindResourceW(nullptr, L"MAINICON", RT_GROUP_ICON)) GTEST_SKIP() << "no resources linked into this executable";
    TempFolder folder(L"zimmo-res");
    HINSTANCE self = GetModuleHandleW(nullptr);

    for (const char* name : {"CHECKBOX", "SETTINGS_BACKGROUND", "MALLO_RGN01", "PORTRAIT_MALLO"}) {
        SCOPED_TRACE(name);
        const auto bytes = os::find_resource(name, "BITMAP");
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(os::find_resource(name, "BITMAP")->data(), bytes->data());  // assembled once, kept
        const std::wstring path = folder.path + L"\\resource.bmp";
        ASSERT_TRUE(write_file(path, std::vector<std::uint8_t>(bytes->begin(), bytes->end())));
        HBITMAP ours = static_cast<HBITMAP>(
            LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        HBITMAP system =
            static_cast<HBITMAP>(LoadImageW(self, W(name).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(ours, nullptr);
        ASSERT_NE(system, nullptr);
        int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        const auto a = pixels_of(ours, &w1, &h1), b = pixels_of(system, &w2, &h2);
        EXPECT_EQ(w1, w2);
        EXPECT_EQ(h1, h2);
        EXPECT_TRUE(a == b) << "the pixels differ";
        DeleteObject(ours);
        DeleteObject(system);
    }

    const auto icon = os::find_resource("MAINICON", "ICON");
    ASSERT_TRUE(icon.has_value());
    const std::wstring path = folder.path + L"\\resource.ico";
    ASSERT_TRUE(write_file(path, std::vector<std::uint8_t>(icon->begin(), icon->end())));
    for (int size : {16, 32}) {
        SCOPED_TRACE(testing::Message() << size << " pixels");
        HICON ours = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        HICON system = static_cast<HICON>(LoadImageW(self, L"MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(ours, nullptr);
        ASSERT_NE(system, nullptr);
        ICONINFO i1{}, i2{};
        GetIconInfo(ours, &i1);
        GetIconInfo(system, &i2);
        int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        EXPECT_TRUE(pixels_of(i1.hbmColor, &w1, &h1) == pixels_of(i2.hbmColor, &w2, &h2)) << "the pixels differ";
        EXPECT_EQ(w1, size);
        EXPECT_EQ(w2, size);
        for (HBITMAP b : {i1.hbmColor, i1.hbmMask, i2.hbmColor, i2.hbmMask}) DeleteObject(b);
        DestroyIcon(ours);
        DestroyIcon(system);
    }

    const auto form = os::find_resource("TFORM1", "FORM");
    ASSERT_TRUE(form.has_value());
    const std::string text(form->begin(), form->end());
    EXPECT_EQ(text.rfind("object Form1: TForm1", 0), 0u);
}

// ---------------------------------------------------------------- the program itself

TEST(Win32System, ResourcesAndFactsOfTheProgram) {
    for (const char* type : {"BITMAP", "ICON", "FORM", "RCDATA"})
        EXPECT_FALSE(os::find_resource("NO_SUCH_RESOURCE_ZIMMO", type).has_value()) << type;
    EXPECT_FALSE(os::find_resource("", "BITMAP").has_value());

    const std::string exe = os::module_file_name();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(lstrcmpiW(W(exe.substr(exe.size() - 4)).c_str(), L".exe"), 0);
    EXPECT_NE(GetFileAttributesW(W(exe).c_str()), INVALID_FILE_ATTRIBUTES);

    const os::Rect screen = os::screen_rect();
    EXPECT_EQ(screen.width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.height(), GetSystemMetrics(SM_CYSCREEN));
}

}  // namespace
