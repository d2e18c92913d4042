// The headless backend as a model of the window system: how clicks find
// their window (shapes, z-order, capture, hit-test answers, disabled
// windows), the virtual clock's timers, the message loop, drops, code page
// 932 and the deterministic font. A small sink of its own stands in for the
// platform's controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/headless/Headless.h"
#include "platform/os.h"
#if __has_include("resources/ResourceTable.h")
#include "resources/ResourceTable.h"
#endif

namespace {

using headless::kHtCaption;
using headless::kHtClient;
using headless::kHtTransparent;
using os::WindowId;

struct Msg {
    unsigned msg;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

// Records every message and answers through an optional handler, else as
// the system would.
class Sink : public os::WindowSink {
public:
    std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) override {
        got.push_back({msg, wparam, lparam});
        if (handler)
            if (auto r = handler(msg, wparam, lparam)) return *r;
        return os::default_message(id, msg, wparam, lparam);
    }
    std::size_t count(unsigned msg) const {
        return std::count_if(got.begin(), got.end(), [&](const Msg& m) { return m.msg == msg; });
    }
    std::vector<unsigned> sequence() const {
        std::vector<unsigned> s;
        for (const Msg& m : got) s.push_back(m.msg);
        return s;
    }
    std::optional<Msg> last(unsigned msg) const {
        for (auto it = got.rbegin(); it != got.rend(); ++it)
            if (it->msg == msg) return *it;
        return std::nullopt;
    }
    // Answers WM_NCHITTEST with a fixed code.
    void answer_hit_test(int code) {
        handler = [code](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
            if (msg == headless::kWmNcHitTest) return code;
            return std::nullopt;
        };
    }
    WindowId id = 0;
    std::vector<Msg> got;
    std::function<std::optional<std::intptr_t>(unsigned, std::uintptr_t, std::intptr_t)> handler;
};

WindowId MakeForm(Sink& sink, os::Rect bounds, bool stay_on_top = false, bool visible = true, WindowId owner = 0) {
    os::WindowParams p;
    p.kind = os::WindowKind::Form;
    p.parent = owner;
    p.bounds = bounds;
    p.visible = visible;
    p.stay_on_top = stay_on_top;
    p.bordered = false;
    sink.id = os::create_window(p, &sink);
    return sink.id;
}

WindowId MakeChild(Sink& sink, WindowId parent, os::Rect bounds, os::WindowKind kind = os::WindowKind::Child) {
    os::WindowParams p;
    p.kind = kind;
    p.parent = parent;
    p.bounds = bounds;
    p.visible = true;
    sink.id = os::create_window(p, &sink);
    return sink.id;
}

// A region data block (RGNDATA) of the given rectangles.
std::vector<std::uint8_t> RegionData(const std::vector<os::Rect>& rects) {
    std::vector<std::uint8_t> data(32 + 16 * rects.size());
    auto put = [&](std::size_t at, std::int32_t v) { std::memcpy(data.data() + at, &v, 4); };
    put(0, 32);
    put(4, 1);
    put(8, static_cast<std::int32_t>(rects.size()));
    put(12, static_cast<std::int32_t>(16 * rects.size()));
    for (std::size_t i = 0; i < rects.size(); ++i) {
        put(32 + 16 * i, rects[i].left);
        put(36 + 16 * i, rects[i].top);
        put(40 + 16 * i, rects[i].right);
        put(44 + 16 * i, rects[i].bottom);
    }
    return data;
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    void TearDown() override {
        EXPECT_EQ(headless::InvalidWindowCalls(), 0u) << "an os function was called with a dead window id";
        headless::Reset();
    }
};

// ---------------------------------------------------------------- clicks

TEST_F(HeadlessTest, ClicksFindTheTopMostShapedWindowAndItsDeepestChild) {
    // A stay-on-top window shaped to two squares, over a normal window with a
    // child, over nothing.
    Sink shaped, below, child, hidden;
    MakeForm(below, {0, 0, 200, 200});
    MakeChild(child, below.id, {100, 100, 150, 150});
    MakeForm(shaped, {-50, -50, 50, 50}, /*stay_on_top=*/true);
    os::set_window_region(shaped.id, RegionData({{0, 0, 60, 60}, {80, 80, 100, 100}}), true);
    MakeForm(hidden, {0, 0, 300, 300}, true, /*visible=*/false);

    struct Case {
        const char* what;
        os::Point at;
        Sink* target;
        os::Point client;
    } cases[] = {
        {"inside the shape, at negative screen coordinates", {-40, -30}, &shaped, {10, 20}},
        {"inside the shape's second rectangle", {35, 35}, &shaped, {85, 85}},
        {"in the shaped window's rectangle, outside its shape", {15, 0}, &below, {15, 0}},
        {"just past the shape's right edge", {10, 5}, &below, {10, 5}},
        {"on the child", {120, 149}, &child, {20, 49}},
        {"just outside the child", {150, 120}, &below, {150, 120}},
        {"on the desktop", {500, 500}, nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (Sink* s : {&shaped, &below, &child, &hidden}) s->got.clear();
        headless::MouseResult r = headless::Click(c.at.x, c.at.y);
        EXPECT_EQ(hidden.got.size(), 0u);
        if (!c.target) {
            EXPECT_EQ(r.window, 0u);
            continue;
        }
        EXPECT_EQ(r.window, c.target->id);
        EXPECT_TRUE(r.client);
        for (Sink* s : {&shaped, &below, &child})
            if (s != c.target) {
                EXPECT_TRUE(s->got.empty());
            }
        // The hit test comes first, with the screen point; then the press and
        // release with the client point and the button flags.
        ASSERT_EQ(c.target->sequence(), (std::vector<unsigned>{headless::kWmNcHitTest, headless::kWmLButtonDown,
                                                                 headless::kWmNcHitTest, headless::kWmLButtonUp}));
        os::Point hit = headless::UnpackPoint(c.target->got[0].lparam);
        EXPECT_EQ(hit.x, c.at.x);
        EXPECT_EQ(hit.y, c.at.y);
        os::Point down = headless::UnpackPoint(c.target->got[1].lparam);
        EXPECT_EQ(down.x, c.client.x);
        EXPECT_EQ(down.y, c.client.y);
        EXPECT_EQ(c.target->got[1].wparam & headless::kMkLButton, headless::kMkLButton);
        EXPECT_EQ(c.target->got[3].wparam & headless::kMkLButton, 0u);
        EXPECT_EQ(os::cursor_pos().value_or(os::Point{}).x, c.at.x);
    }
}

TEST_F(HeadlessTest, PackedPointsKeepTheirSign) {
    struct Case {
        int x, y;
    } cases[] = {{0, 0}, {-1, -1}, {-50, 480}, {32767, -32768}, {1023, 767}};
    for (const Case& c : cases) {
        os::Point p = headless::UnpackPoint(headless::PackPoint(c.x, c.y));
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
    EXPECT_EQ(headless::PackPoint(-1, 2), 0x0002FFFF);
}

TEST_F(HeadlessTest, RegionBlocksAreParsedRecordedAndRejectedWhenDamaged) {
    Sink a;
    MakeForm(a, {10, 10, 110, 110});
    EXPECT_TRUE(headless::RegionContains(a.id, 99, 99));  // no shape: the whole window

    os::set_window_region(a.id, RegionData({{0, 0, 24, 23}}), false);
    EXPECT_TRUE(headless::RegionContains(a.id, 23, 22));
    EXPECT_FALSE(headless::RegionContains(a.id, 24, 0));
    ASSERT_EQ(headless::RegionLog().size(), 1u);
    EXPECT_EQ(headless::RegionLog()[0].rects, (std::vector<os::Rect>{{0, 0, 24, 23}}));
    EXPECT_FALSE(headless::RegionLog()[0].redraw);

    // An empty region leaves nothing of the window to click.
    os::set_window_region(a.id, RegionData({}), true);
    EXPECT_EQ(headless::Click(20, 20).window, 0u);
    EXPECT_TRUE(headless::RegionLog().back().redraw);

    // No block at all removes the shape.
    os::set_window_region(a.id, {}, true);
    EXPECT_FALSE(headless::State(a.id).region.has_value());
    EXPECT_EQ(headless::Click(20, 20).window, a.id);
    EXPECT_EQ(headless::RegionChangeCount(a.id), 3u);

    std::vector<std::uint8_t> good = RegionData({{0, 0, 5, 5}, {0, 5, 9, 9}});
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    } cases[] = {
        {"too short for a header", [](auto& d) { d.resize(31); }},
        {"wrong header size", [](auto& d) { d[0] = 33; }},
        {"wrong type", [](auto& d) { d[4] = 2; }},
        {"count beyond the data", [](auto& d) { d[8] = 3; }},
        {"huge count", [](auto& d) { d[11] = 0x7F; }},
        {"cut rectangle", [](auto& d) { d.pop_back(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bad = good;
        c.damage(bad);
        EXPECT_THROW(os::set_window_region(a.id, bad, true), EInvalidOperation);
        EXPECT_FALSE(headless::State(a.id).region.has_value()) << "a rejected block must not change the shape";
    }
    // Random blocks are taken or refused, never read past their end.
    std::mt19937 rng(9);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<std::uint8_t> block = good;
        block.resize(rng() % 80);
        for (int k = rng() % 4; k > 0 && !block.empty(); --k) block[rng() % block.size()] = static_cast<std::uint8_t>(rng());
        try {
            os::set_window_region(a.id, block, false);
        } catch (const EInvalidOperation&) {
        }
    }
}

// ---------------------------------------------------------------- z-order

TEST_F(HeadlessTest, StayOnTopWindowsStayAboveNormalOnesWhateverIsRaised) {
    Sink top, normal;
    MakeForm(top, {0, 0, 100, 100}, true);
    MakeForm(normal, {0, 0, 100, 100});  // created later, but normal
    EXPECT_EQ(headless::Click(50, 50).window, top.id);
    os::bring_window_to_top(normal.id);
    EXPECT_EQ(headless::Click(50, 50).window, top.id);
    os::set_window_stay_on_top(top.id, false);
    os::bring_window_to_top(normal.id);
    EXPECT_EQ(headless::Click(50, 50).window, normal.id);
    os::set_window_stay_on_top(top.id, true);
    EXPECT_EQ(headless::Click(50, 50).window, top.id);
    EXPECT_EQ(headless::State(top.id).z_index, 0);
    EXPECT_EQ(headless::State(normal.id).z_index, 1);
}

TEST_F(HeadlessTest, ZOrderKeepsItsBandsUnderAnySequenceOfChanges) {
    std::vector<Sink> sinks(8);
    for (std::size_t i = 0; i < sinks.size(); ++i) MakeForm(sinks[i], {0, 0, 10, 10}, i % 3 == 0, i % 2 == 0);
    std::mt19937 rng(7);
    for (int step = 0; step < 500; ++step) {
        WindowId w = sinks[rng() % sinks.size()].id;
        switch (rng() % 5) {
        case 0: os::bring_window_to_top(w); break;
        case 1: os::set_window_stay_on_top(w, rng() % 2); break;
        case 2: os::show_window(w, rng() % 2); break;
        case 3: os::set_foreground_window(w); break;
        case 4: headless::Click(5, 5); break;
        }
        std::vector<WindowId> z = headless::ZOrder();
        ASSERT_EQ(z.size(), sinks.size());
        auto first_normal = std::find_if(z.begin(), z.end(), [](WindowId id) { return !headless::State(id).stay_on_top; });
        for (auto it = first_normal; it != z.end(); ++it)
            ASSERT_FALSE(headless::State(*it).stay_on_top) << "step " << step << ": a stay-on-top window below a normal one";
        // The click always lands on the top-most shown window.
        auto shown = std::find_if(z.begin(), z.end(), [](WindowId id) { return headless::State(id).visible; });
        if (shown != z.end()) {
            ASSERT_EQ(os::window_from_point({5, 5}), *shown);
        }
    }
}

// ---------------------------------------------------------------- capture

TEST_F(HeadlessTest, CaptureTakesEveryMouseMessageWithoutHitTests) {
    Sink a, b;
    MakeForm(a, {100, 100, 124, 123}, true);
    MakeForm(b, {300, 300, 400, 400});
    os::set_capture(a.id);
    headless::MouseResult r = headless::Click(310, 320);
    EXPECT_EQ(r.window, a.id);
    EXPECT_TRUE(b.got.empty());
    EXPECT_EQ(a.count(headless::kWmNcHitTest), 0u);
    ASSERT_TRUE(a.last(headless::kWmLButtonDown));
    os::Point client = headless::UnpackPoint(a.last(headless::kWmLButtonDown)->lparam);
    EXPECT_EQ(client.x, 210);
    EXPECT_EQ(client.y, 220);
    // Outside every window, left of and above the capture window.
    headless::MouseMove(50, 60);
    client = headless::UnpackPoint(a.last(headless::kWmMouseMove)->lparam);
    EXPECT_EQ(client.x, -50);
    EXPECT_EQ(client.y, -40);

    // Another window taking the capture tells the first one.
    os::set_capture(b.id);
    ASSERT_TRUE(a.last(headless::kWmCaptureChanged));
    EXPECT_EQ(static_cast<WindowId>(a.last(headless::kWmCaptureChanged)->lparam), b.id);
    os::release_capture();
    EXPECT_EQ(os::capture(), 0u);
    EXPECT_EQ(b.count(headless::kWmCaptureChanged), 1u);
    b.got.clear();
    headless::Click(110, 110);
    EXPECT_TRUE(b.got.empty());
    EXPECT_EQ(a.count(headless::kWmNcHitTest), 2u);

    const auto& log = headless::CaptureLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].window, a.id);
    EXPECT_EQ(log[1].window, b.id);
    EXPECT_EQ(log[2].window, 0u);
}

// ---------------------------------------------------------------- hit-test answers

TEST_F(HeadlessTest, CaptionAnswersMoveTheWindowInsteadOfClickingIt) {
    Sink form, edit;
    MakeForm(form, {20, 20, 370, 370}, true);
    MakeChild(edit, form.id, {104, 58, 336, 76}, os::WindowKind::Edit);
    form.answer_hit_test(kHtCaption);

    headless::MouseResult r = headless::Click(30, 30);
    EXPECT_EQ(r.hit_test, kHtCaption);
    EXPECT_FALSE(r.client);
    EXPECT_EQ(form.count(headless::kWmLButtonDown), 0u);
    EXPECT_EQ(form.count(headless::kWmLButtonUp), 0u);
    EXPECT_EQ(form.count(headless::kWmNcLButtonDown), 1u);

    form.got.clear();
    r = headless::Drag(30, 30, 75, 10);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(os::window_bounds(form.id), (os::Rect{65, 0, 415, 350}));
    EXPECT_EQ(form.count(headless::kWmLButtonDown) + form.count(headless::kWmMouseMove), 0u);
    EXPECT_EQ(form.count(headless::kWmEnterSizeMove), 1u);
    EXPECT_EQ(form.count(headless::kWmExitSizeMove), 1u);
    ASSERT_TRUE(form.last(headless::kWmMove));
    os::Point moved = headless::UnpackPoint(form.last(headless::kWmMove)->lparam);
    EXPECT_EQ(moved.x, 65);
    EXPECT_EQ(moved.y, 0);
    ASSERT_EQ(headless::MoveLog().size(), 2u);  // the click's move went nowhere
    EXPECT_EQ(headless::MoveLog()[1].from, (os::Rect{20, 20, 370, 370}));
    EXPECT_EQ(headless::MoveLog()[1].to, (os::Rect{65, 0, 415, 350}));

    // A child answering for itself is clicked, not dragged: it moved with the form.
    r = headless::Drag(65 + 110, 0 + 60, 65 + 130, 0 + 65);
    EXPECT_EQ(r.window, edit.id);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(os::window_bounds(form.id), (os::Rect{65, 0, 415, 350}));
    EXPECT_EQ(edit.count(headless::kWmLButtonDown), 1u);
    ASSERT_TRUE(edit.last(headless::kWmMouseMove));
    EXPECT_EQ(edit.last(headless::kWmMouseMove)->wparam & headless::kMkLButton, headless::kMkLButton);
    EXPECT_EQ(os::focus(), edit.id) << "a press on an edit focuses it";
}

TEST_F(HeadlessTest, AMoveNeedsTheDefaultHandlingOfTheCaptionPress) {
    Sink form;
    MakeForm(form, {0, 0, 100, 100});
    form.handler = [](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == headless::kWmNcHitTest) return kHtCaption;
        if (msg == headless::kWmNcLButtonDown) return 0;  // handled: no system move
        return std::nullopt;
    };
    EXPECT_FALSE(headless::Drag(10, 10, 60, 60).moved);
    EXPECT_EQ(os::window_bounds(form.id), (os::Rect{0, 0, 100, 100}));
    EXPECT_TRUE(headless::MoveLog().empty());
}

TEST_F(HeadlessTest, TransparentAnswersPassThePointToTheWindowBeneath) {
    Sink below, above;
    MakeForm(below, {0, 0, 100, 100});
    MakeForm(above, {0, 0, 100, 100});
    above.answer_hit_test(kHtTransparent);
    EXPECT_EQ(headless::Click(10, 10).window, below.id);
    EXPECT_EQ(below.count(headless::kWmLButtonDown), 1u);
    EXPECT_EQ(above.count(headless::kWmLButtonDown), 0u);
}

// ---------------------------------------------------------------- disabled windows

TEST_F(HeadlessTest, DisabledWindowsSwallowClicksAndKeys) {
    Sink character, modal, panel, edit;
    MakeForm(character, {0, 0, 24, 23}, true);
    MakeForm(modal, {100, 100, 450, 450}, true);
    MakeChild(panel, modal.id, {10, 10, 60, 30});
    MakeChild(edit, modal.id, {10, 50, 200, 70}, os::WindowKind::Edit);

    // While the modal window is shown its owner's other windows are disabled.
    os::enable_window(character.id, false);
    EXPECT_EQ(character.count(headless::kWmEnable), 1u);
    character.got.clear();
    headless::MouseResult r = headless::Click(5, 5);
    EXPECT_TRUE(r.swallowed);
    EXPECT_TRUE(character.got.empty()) << "not even a hit test";
    EXPECT_TRUE(headless::MouseLog().back().swallowed);
    headless::RightClick(5, 5);
    EXPECT_TRUE(character.got.empty());
    EXPECT_TRUE(headless::MenusShown().empty());

    // A disabled child's clicks go to its parent.
    os::enable_window(panel.id, false);
    EXPECT_EQ(headless::Click(120, 120).window, modal.id);
    EXPECT_EQ(panel.count(headless::kWmLButtonDown), 0u);

    // Keys for a window inside a disabled form are dropped.
    os::set_focus(edit.id);
    os::enable_window(modal.id, false);
    headless::PressKey('A');
    EXPECT_EQ(edit.count(headless::kWmKeyDown) + edit.count(headless::kWmChar), 0u);

    os::enable_window(character.id, true);
    os::enable_window(modal.id, true);
    EXPECT_EQ(headless::Click(5, 5).window, character.id);
    EXPECT_EQ(character.count(headless::kWmLButtonDown), 1u);
}

// ---------------------------------------------------------------- context menus and menus

TEST_F(HeadlessTest, RightClicksBecomeContextMenusThatClimbToTheForm) {
    Sink form, child;
    MakeForm(form, {100, 100, 200, 200});
    MakeChild(child, form.id, {10, 10, 50, 50});
    headless::RightClick(120, 130);
    EXPECT_EQ(child.sequence(), (std::vector<unsigned>{headless::kWmNcHitTest, headless::kWmRButtonDown,
                                                        headless::kWmNcHitTest, headless::kWmRButtonUp,
                                                        headless::kWmContextMenu}));
    ASSERT_TRUE(form.last(headless::kWmContextMenu));
    EXPECT_EQ(form.last(headless::kWmContextMenu)->wparam, child.id);
    os::Point at = headless::UnpackPoint(form.last(headless::kWmContextMenu)->lparam);
    EXPECT_EQ(at.x, 120);
    EXPECT_EQ(at.y, 130);
}

TEST_F(HeadlessTest, MovesAskTheWindowAndThenItsParentForTheCursor) {
    Sink form, child;
    MakeForm(form, {0, 0, 100, 100});
    MakeChild(child, form.id, {10, 10, 50, 50});
    headless::MouseMove(20, 20);
    EXPECT_EQ(child.sequence(), (std::vector<unsigned>{headless::kWmNcHitTest, headless::kWmSetCursor,
                                                        headless::kWmMouseMove}));
    ASSERT_TRUE(form.last(headless::kWmSetCursor));
    EXPECT_EQ(form.last(headless::kWmSetCursor)->wparam, child.id);
    EXPECT_EQ(form.last(headless::kWmSetCursor)->lparam, kHtClient | (headless::kWmMouseMove << 16));
    EXPECT_EQ(form.count(headless::kWmMouseMove), 0u);
    os::set_cursor_shape(-21);
    EXPECT_EQ(headless::CursorShape(), -21);
}

TEST_F(HeadlessTest, MenusAnswerOnlyWithEnabledItemsOfTheMenuShown) {
    Sink owner;
    MakeForm(owner, {0, 0, 10, 10});
    std::vector<os::MenuItem> items = {
        {"設定ウィンドウを開く(&S)...", true, false, 11},
        {"-", true, false, 0},
        {"インフォメーション(&I)...", false, false, 12},
        {"終了する(&X)", true, false, 13},
    };
    struct Case {
        const char* what;
        std::function<void()> script;
        std::uintptr_t expected;
    } cases[] = {
        {"nothing scripted", [] {}, 0},
        {"an enabled item", [] { headless::SetMenuChoice(13); }, 13},
        {"a disabled item", [] { headless::SetMenuChoice(12); }, 0},
        {"a command not in the menu", [] { headless::SetMenuChoice(99); }, 0},
        {"by caption", [] { headless::SetMenuChoiceByCaption("設定ウィンドウを開く(&S)..."); }, 11},
        {"a chooser", [] { headless::SetMenuChooser([](const headless::MenuRecord& m) { return m.items.back().command; }); }, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.script();
        EXPECT_EQ(os::track_popup_menu(owner.id, items, {300, 200}), c.expected);
        headless::SetMenuChooser(nullptr);
        const headless::MenuRecord& shown = headless::MenusShown().back();
        EXPECT_EQ(shown.owner, owner.id);
        EXPECT_EQ(shown.items.size(), items.size());
        EXPECT_EQ(shown.point.x, 300);
        EXPECT_EQ(shown.result, c.expected);
    }
}

// ---------------------------------------------------------------- timers

TEST_F(HeadlessTest, TimersFireInTimeOrderWithTiesInCreationOrder) {
    Sink a, b;
    MakeForm(a, {0, 0, 10, 10});
    MakeForm(b, {0, 0, 10, 10});
    std::vector<std::pair<std::int64_t, std::string>> fired;
    auto record = [&](const char* name) {
        return [&fired, name](unsigned msg, std::uintptr_t wparam, std::intptr_t) -> std::optional<std::intptr_t> {
            if (msg == headless::kWmTimer) fired.emplace_back(headless::Now(), name + std::to_string(wparam));
            return std::nullopt;
        };
    };
    a.handler = record("a");
    b.handler = record("b");
    os::set_timer(b.id, 1, 50);
    os::set_timer(a.id, 1, 50);
    os::set_timer(a.id, 2, 30);
    headless::AdvanceTime(150);
    std::vector<std::pair<std::int64_t, std::string>> expected = {
        {30, "a2"}, {50, "b1"}, {50, "a1"}, {60, "a2"}, {90, "a2"}, {100, "b1"}, {100, "a1"},
        {120, "a2"}, {150, "b1"}, {150, "a1"}, {150, "a2"},
    };
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(headless::Now(), 150);
}

TEST_F(HeadlessTest, TicksAreTheSameHoweverTheTimeIsAdvanced) {
    // One tick per period passed, whether time moves in one step or many.
    auto run = [](const std::vector<std::int64_t>& steps) {
        headless::Reset();
        Sink s;
        MakeForm(s, {0, 0, 10, 10});
        std::vector<std::pair<std::int64_t, std::uintptr_t>> ticks;
        s.handler = [&](unsigned msg, std::uintptr_t id, std::intptr_t) -> std::optional<std::intptr_t> {
            if (msg == headless::kWmTimer) ticks.emplace_back(headless::Now(), id);
            return std::nullopt;
        };
        os::set_timer(s.id, 1, 50);
        os::set_timer(s.id, 2, 0);  // below the minimum: 10 ms
        os::set_timer(s.id, 3, 33);
        for (std::int64_t step : steps) headless::AdvanceTime(step);
        return ticks;
    };
    std::vector<std::pair<std::int64_t, std::uintptr_t>> whole = run({1000});
    EXPECT_EQ(std::count_if(whole.begin(), whole.end(), [](auto& t) { return t.second == 1; }), 20);
    EXPECT_EQ(std::count_if(whole.begin(), whole.end(), [](auto& t) { return t.second == 2; }), 100);
    EXPECT_EQ(std::count_if(whole.begin(), whole.end(), [](auto& t) { return t.second == 3; }), 30);
    EXPECT_TRUE(std::is_sorted(whole.begin(), whole.end(), [](auto& x, auto& y) { return x.first < y.first; }));
    std::mt19937 rng(3);
    for (int trial = 0; trial < 5; ++trial) {
        std::vector<std::int64_t> steps;
        for (std::int64_t left = 1000; left > 0;) {
            std::int64_t step = std::min<std::int64_t>(left, rng() % 70);
            steps.push_back(step);
            left -= step;
        }
        EXPECT_EQ(run(steps), whole) << "trial " << trial;
    }
}

TEST_F(HeadlessTest, ATickIsNeverNestedInsideItself) {
    Sink slow, other;
    MakeForm(slow, {0, 0, 10, 10});
    MakeForm(other, {0, 0, 10, 10});
    int depth = 0, max_depth = 0, slow_ticks = 0;
    slow.handler = [&](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != headless::kWmTimer) return std::nullopt;
        ++slow_ticks;
        max_depth = std::max(max_depth, ++depth);
        if (slow_ticks == 1) headless::AdvanceTime(200);  // e.g. a modal loop inside the tick
        --depth;
        return std::nullopt;
    };
    os::set_timer(slow.id, 1, 50);
    os::set_timer(other.id, 1, 50);
    headless::AdvanceTime(300);
    EXPECT_EQ(max_depth, 1);
    // The other timer kept running inside: at 50..250 and then 300.
    EXPECT_EQ(other.count(headless::kWmTimer), 6u);
    // The slow timer's ticks at 100..250 fell while it ran and were dropped;
    // it goes on at 300.
    EXPECT_EQ(slow_ticks, 2);
}

TEST_F(HeadlessTest, TimersStopWhenKilledResetWhenSetAgainAndDieWithTheirWindow) {
    Sink s;
    MakeForm(s, {0, 0, 10, 10});
    int ticks = 0;
    s.handler = [&](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg == headless::kWmTimer && ++ticks == 2) os::kill_timer(s.id, 1);
        return std::nullopt;
    };
    os::set_timer(s.id, 1, 50);
    headless::AdvanceTime(500);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(headless::HasTimer(s.id, 1));

    ticks = -100;
    os::set_timer(s.id, 1, 50);
    headless::AdvanceTime(40);
    os::set_timer(s.id, 1, 50);  // restarts the period
    headless::AdvanceTime(40);
    EXPECT_EQ(ticks, -100);
    headless::AdvanceTime(10);
    EXPECT_EQ(ticks, -99);
    os::destroy_window(s.id);
    EXPECT_EQ(headless::TimerCount(), 0u);
    EXPECT_THROW(headless::AdvanceTime(-1), EInvalidOperation);
}

// ---------------------------------------------------------------- the message loop

TEST_F(HeadlessTest, TheLoopDispatchesPostedMessagesThenPaintsThenDueTimersAndNeverBlocks) {
    Sink s;
    MakeForm(s, {0, 0, 30, 20});
    os::process_pending_messages();  // the first paint of a shown window
    EXPECT_EQ(s.count(headless::kWmPaint), 1u);
    s.got.clear();

    EXPECT_EQ(os::send_message(s.id, 0x8001, 1, 2), 0);
    EXPECT_EQ(s.got.size(), 1u);
    os::post_message(s.id, 0x8002, 0, 0);
    os::post_message(s.id, 0x8003, 0, 0);
    os::invalidate(s.id, nullptr);
    os::invalidate(s.id, nullptr);
    EXPECT_EQ(headless::PostedMessageCount(), 2u);
    EXPECT_EQ(s.got.size(), 1u) << "posting does not deliver";
    os::set_timer(s.id, 7, 10);
    headless::AdvanceTime(0);

    EXPECT_TRUE(os::process_one_message());
    EXPECT_EQ(s.got.back().msg, 0x8002u);
    EXPECT_TRUE(os::process_one_message());
    EXPECT_EQ(s.got.back().msg, 0x8003u);
    EXPECT_TRUE(os::process_one_message());
    EXPECT_EQ(s.got.back().msg, headless::kWmPaint);
    // Nothing queued and nothing due: the loop returns at once and time stands still.
    EXPECT_TRUE(os::process_one_message());
    EXPECT_EQ(s.got.back().msg, headless::kWmPaint);
    EXPECT_EQ(headless::Now(), 0);
    // Idle turns run the test's script.
    headless::SetIdleHandler([] {});
    headless::PushIdleAction([] { headless::SetCursorPos(1, 1); });
    EXPECT_TRUE(os::process_one_message());  // runs the action
    EXPECT_EQ(os::cursor_pos().value_or(os::Point{}).x, 1);
    EXPECT_EQ(s.count(headless::kWmTimer), 0u);

    os::quit_message_loop();
    EXPECT_TRUE(os::quit_requested());
    os::post_message(s.id, 0x8004, 0, 0);
    EXPECT_FALSE(os::process_one_message());
    EXPECT_EQ(s.count(0x8004), 0u);
}

TEST_F(HeadlessTest, IdleScriptsDriveTheClockOfAModalLoop) {
    Sink s;
    MakeForm(s, {0, 0, 30, 20}, false, /*visible=*/false);
    os::set_timer(s.id, 1, 50);
    int turns = 0;
    // A modal loop whose script moves the clock while the loop idles.
    headless::SetIdleHandler([&] {
        if (++turns <= 3) headless::PushIdleAction([] { headless::AdvanceTime(25); });
    });
    for (int i = 0; i < 10; ++i) os::process_one_message();
    EXPECT_EQ(headless::Now(), 75);
    EXPECT_EQ(s.count(headless::kWmTimer), 1u);
}

TEST_F(HeadlessTest, AnIdleLoopWithNothingScriptedFailsInsteadOfHanging) {
    headless::SetIdleLimit(50);
    EXPECT_THROW(
        {
            while (os::process_one_message()) {
            }
        },
        EInvalidOperation);
    // Delivered messages count as progress.
    Sink s;
    MakeForm(s, {0, 0, 10, 10}, false, false);
    os::set_timer(s.id, 1, 10);
    headless::SetIdleHandler([] { headless::AdvanceTime(10); });
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(os::process_one_message());
    EXPECT_GE(s.count(headless::kWmTimer), 200u);
}

TEST_F(HeadlessTest, PaintsCoalesceSkipHiddenWindowsAndPresentsAreCopied) {
    Sink s, hidden;
    MakeForm(s, {0, 0, 4, 3});
    MakeForm(hidden, {0, 0, 4, 3}, false, false);
    os::process_pending_messages();
    s.got.clear();
    os::Rect r1{0, 0, 1, 1}, r2{2, 1, 3, 2}, outside{10, 10, 20, 20};
    os::invalidate(s.id, &r1);
    os::invalidate(s.id, &r2);
    os::invalidate(s.id, &outside);
    os::invalidate(hidden.id, nullptr);
    EXPECT_EQ(headless::State(s.id).invalid, (os::Rect{0, 0, 3, 2}));
    os::process_pending_messages();
    EXPECT_EQ(s.count(headless::kWmPaint), 1u);
    EXPECT_EQ(hidden.count(headless::kWmPaint), 0u);
    os::show_window(hidden.id, true);
    os::update_window(hidden.id);
    EXPECT_EQ(hidden.count(headless::kWmPaint), 1u);

    // A 2 x 2 block with a stride of 3 pixels.
    std::vector<std::uint32_t> pixels = {0x111111, 0x222222, 0xDEAD, 0x333333, 0x444444, 0xDEAD};
    os::present(s.id, 1, 1, 2, 2, pixels.data(), 12);
    pixels.assign(pixels.size(), 0);
    auto last = headless::LastPresent(s.id);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->pixels, (std::vector<std::uint32_t>{0x111111, 0x222222, 0x333333, 0x444444}));
    EXPECT_EQ(headless::LastPresentRect(s.id), (os::Rect{1, 1, 3, 3}));
    // A second present partly off the window lands clipped on the surface.
    std::vector<std::uint32_t> more = {0x555555, 0x666666, 0x777777};
    os::present(s.id, 2, 2, 3, 1, more.data(), 12);
    headless::Image surface = headless::Surface(s.id);
    EXPECT_EQ(surface.pixels, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0x111111, 0x222222, 0, 0, 0x333333,
                                                          0x555555, 0x666666}));
    EXPECT_EQ(headless::PresentCount(s.id), 2u);
    EXPECT_THROW(os::present(s.id, 0, 0, 2, 1, pixels.data(), 4), EInvalidOperation);
    EXPECT_THROW(os::present(s.id, 0, 0, 1, 1, nullptr, 4), EInvalidOperation);
}

// ---------------------------------------------------------------- windows

TEST_F(HeadlessTest, DestroyingAWindowTakesItsChildrenAndOwnedFormsAlong) {
    Sink owner, owned, child, grandchild;
    MakeForm(owner, {0, 0, 100, 100});
    MakeForm(owned, {0, 0, 10, 10}, false, true, owner.id);
    MakeChild(child, owner.id, {0, 0, 50, 50});
    MakeChild(grandchild, child.id, {0, 0, 5, 5});
    os::set_focus(grandchild.id);
    os::set_capture(child.id);
    os::set_timer(child.id, 1, 10);
    os::post_message(child.id, 0x8000, 0, 0);
    std::vector<std::pair<WindowId, unsigned>> order;
    for (Sink* s : {&owner, &owned, &child, &grandchild})
        s->handler = [&order, s](unsigned msg, std::uintptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
            if (msg == headless::kWmDestroy || msg == headless::kWmNcDestroy) order.emplace_back(s->id, msg);
            return std::nullopt;
        };
    os::destroy_window(owner.id);
    std::vector<std::pair<WindowId, unsigned>> expected = {
        {owned.id, headless::kWmDestroy},      {owned.id, headless::kWmNcDestroy},
        {owner.id, headless::kWmDestroy},      {child.id, headless::kWmDestroy},
        {grandchild.id, headless::kWmDestroy}, {grandchild.id, headless::kWmNcDestroy},
        {child.id, headless::kWmNcDestroy},    {owner.id, headless::kWmNcDestroy},
    };
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(headless::Windows().empty());
    EXPECT_EQ(os::focus(), 0u);
    EXPECT_EQ(os::capture(), 0u);
    EXPECT_EQ(headless::PostedMessageCount(), 0u);
    EXPECT_EQ(headless::TimerCount(), 0u);
    std::size_t before = child.got.size();
    headless::AdvanceTime(100);
    os::process_pending_messages();
    EXPECT_EQ(child.got.size(), before);
    // Calls with dead ids are ignored, and counted.
    os::show_window(owner.id, true);
    EXPECT_EQ(headless::InvalidWindowCalls(), 1u);
    headless::Reset();
}

TEST_F(HeadlessTest, BoundsChangesReportMovesAndSizesAndChildrenFollowTheirParent) {
    Sink form, child;
    MakeForm(form, {0, -50, 132, 1});
    MakeChild(child, form.id, {10, 20, 30, 40});
    os::set_window_bounds(form.id, {3, -47, 135, 4});
    EXPECT_EQ(form.count(headless::kWmMove), 1u);
    EXPECT_EQ(form.count(headless::kWmSize), 0u);
    os::set_window_bounds(form.id, {3, -47, 100, 50});
    EXPECT_EQ(form.count(headless::kWmSize), 1u);
    os::Point size = headless::UnpackPoint(form.last(headless::kWmSize)->lparam);
    EXPECT_EQ(size.x, 97);
    EXPECT_EQ(size.y, 97);
    EXPECT_EQ(headless::State(child.id).screen, (os::Rect{13, -27, 33, -7}));
    os::Point c = os::screen_to_client(child.id, {13, -27});
    EXPECT_EQ(c.x, 0);
    EXPECT_EQ(c.y, 0);
    os::Point back = os::client_to_screen(child.id, {5, 6});
    EXPECT_EQ(back.x, 18);
    EXPECT_EQ(back.y, -21);
    Sink orphan;
    os::WindowParams p;
    p.kind = os::WindowKind::Child;
    EXPECT_THROW(os::create_window(p, &orphan), EInvalidOperation);
}

// ---------------------------------------------------------------- keyboard and edits

TEST_F(HeadlessTest, KeysGoToTheFocusAndTypeIntoEditsUnlessReadOnly) {
    Sink form, edit, locked;
    MakeForm(form, {0, 0, 300, 100});
    MakeChild(edit, form.id, {0, 0, 100, 20}, os::WindowKind::Edit);
    MakeChild(locked, form.id, {0, 30, 100, 50}, os::WindowKind::Edit);
    os::set_window_caption(locked.id, "C:\\a.txt");
    os::process_pending_messages();
    form.got.clear();

    os::set_focus(edit.id);
    EXPECT_EQ(edit.count(headless::kWmSetFocus), 1u);
    headless::PressKey('Z');
    EXPECT_EQ(edit.sequence().back(), headless::kWmKeyUp);
    EXPECT_EQ(edit.last(headless::kWmChar)->wparam, u'z');
    headless::SetKeyState(0x10, true);  // Shift
    headless::PressKey('Q');
    EXPECT_LT(os::key_state(0x10), 0);
    headless::SetKeyState(0x10, false);
    headless::TypeText(u"あ1");
    headless::PressKey(0x08);  // Back
    EXPECT_EQ(os::edit_text(edit.id), "zQあ");
    // Every change told the parent: z, Q, あ, 1, Back.
    EXPECT_EQ(form.count(headless::kWmCommand), 5u);
    EXPECT_EQ(form.last(headless::kWmCommand)->wparam >> 16, headless::kEnChange);
    EXPECT_EQ(static_cast<WindowId>(form.last(headless::kWmCommand)->lparam), edit.id);

    os::set_focus(locked.id);
    EXPECT_EQ(edit.count(headless::kWmKillFocus), 1u);
    os::WindowParams p;  // a read-only edit
    p.kind = os::WindowKind::Edit;
    p.parent = form.id;
    p.read_only = true;
    p.caption = "X";
    Sink ro;
    ro.id = os::create_window(p, &ro);
    os::set_focus(ro.id);
    headless::TypeText(u"abc");
    EXPECT_EQ(os::edit_text(ro.id), "X");
    os::set_edit_text(ro.id, "dropped");
    EXPECT_EQ(os::edit_text(ro.id), "dropped");
    EXPECT_EQ(headless::State(ro.id).caption, "dropped");

    os::set_edit_colors(ro.id, 0x000000, 0xFFFFDF);
    EXPECT_EQ(headless::State(ro.id).back_color, 0xFFFFDFu);
    os::FontSpec font;
    font.height = 11;
    os::set_window_font(ro.id, font);
    EXPECT_EQ(headless::State(ro.id).font->height, 11);
}

// ---------------------------------------------------------------- drops

TEST_F(HeadlessTest, DropsDeliverEveryPathInOrderToTheAcceptingWindow) {
    Sink form, edit, other;
    MakeForm(form, {20, 20, 370, 370}, true);
    MakeChild(edit, form.id, {104, 58, 336, 76}, os::WindowKind::Edit);
    MakeForm(other, {500, 0, 600, 100});
    os::drag_accept_files(form.id, true);

    std::string long_path = "/tmp/" + std::string(300, 'x') + "/ゲーム.exe";
    std::vector<std::string> paths = {"/tmp/a.txt", "/home/ユーザー/フォルダ", long_path};
    std::vector<std::string> received;
    os::DropId seen = 0;
    form.handler = [&](unsigned msg, std::uintptr_t wparam, std::intptr_t) -> std::optional<std::intptr_t> {
        if (msg != headless::kWmDropFiles) return std::nullopt;
        seen = wparam;
        unsigned n = os::drag_count(wparam);
        for (unsigned i = 0; i < n; ++i) received.push_back(os::drag_file(wparam, i));
        EXPECT_EQ(os::drag_file(wparam, n), "");
        os::drag_finish(wparam);
        return 0;
    };
    // Dropped on the edit, taken by the form: only the form accepts files.
    os::DropId drop = headless::DropFilesAt(20 + 150, 20 + 60, paths);
    ASSERT_NE(drop, 0u);
    EXPECT_EQ(seen, drop);
    EXPECT_EQ(received, paths);
    EXPECT_TRUE(headless::DropFinished(drop));
    EXPECT_EQ(os::drag_count(drop), 0u) << "a finished drop is gone";
    EXPECT_EQ(edit.count(headless::kWmDropFiles), 0u);

    EXPECT_EQ(headless::DropFiles(other.id, paths), 0u);
    EXPECT_EQ(other.count(headless::kWmDropFiles), 0u);
    os::drag_accept_files(form.id, false);
    EXPECT_EQ(headless::DropFiles(edit.id, paths), 0u);
    ASSERT_EQ(headless::DragAcceptLog().size(), 2u);
    EXPECT_FALSE(headless::DragAcceptLog()[1].accept);
}

// ---------------------------------------------------------------- tray, shell, application

TEST_F(HeadlessTest, TrayIconsComeAndGoAndReportTheirMouse) {
    Sink s;
    MakeForm(s, {0, 0, 10, 10}, false, false);
    std::vector<std::uint8_t> icon = {0, 0, 1, 0};
    EXPECT_TRUE(os::tray_add(s.id, 1, 0x8100, icon, ""));
    EXPECT_FALSE(os::tray_add(s.id, 1, 0x8100, icon, "")) << "the same icon twice";
    headless::TrayDoubleClick();
    std::vector<std::intptr_t> mouse;
    for (const Msg& m : s.got)
        if (m.msg == 0x8100) mouse.push_back(m.lparam);
    EXPECT_EQ(mouse, (std::vector<std::intptr_t>{headless::kWmLButtonDown, headless::kWmLButtonUp,
                                                 headless::kWmLButtonDblClk, headless::kWmLButtonUp}));
    headless::RestartTaskbar();
    EXPECT_TRUE(headless::TrayIcons().empty());
    EXPECT_EQ(s.count(os::taskbar_created_message()), 1u);
    EXPECT_THROW(headless::TrayRightClick(), EInvalidOperation);
    EXPECT_TRUE(os::tray_add(s.id, 1, 0x8100, icon, "tip"));
    os::tray_remove(s.id, 1);
    headless::SetTrayAvailable(false);
    EXPECT_FALSE(os::tray_add(s.id, 2, 0x8100, icon, ""));
    ASSERT_EQ(headless::TrayLog().size(), 3u);
    EXPECT_FALSE(headless::TrayLog()[2].added);
    // An icon whose window is destroyed stays until removed, as in the real tray.
    headless::SetTrayAvailable(true);
    os::tray_add(s.id, 3, 0x8100, icon, "");
    os::destroy_window(s.id);
    EXPECT_EQ(headless::TrayIcons().size(), 1u);
}

TEST_F(HeadlessTest, SystemCallsAreRecordedAsGiven) {
    Sink s;
    MakeForm(s, {0, 0, 10, 10});
    std::string sjis = os::utf8_to_ansi("C:\\ゲーム\\起動.exe");
    EXPECT_EQ(os::shell_execute_ansi(s.id, "OPEN", sjis, "", "", 5), 42);
    headless::SetShellResult(2);
    EXPECT_EQ(os::shell_execute_ansi(0, "OPEN", "x", "", "", 5), 2);
    ASSERT_EQ(headless::ShellCalls().size(), 2u);
    const headless::ShellCall& call = headless::ShellCalls()[0];
    EXPECT_EQ(call.owner, s.id);
    EXPECT_EQ(call.operation, "OPEN");
    EXPECT_EQ(call.file, sjis);
    EXPECT_EQ(call.show, 5);

    os::message_beep(0);
    os::message_beep(0x30);
    EXPECT_EQ(headless::Beeps(), (std::vector<unsigned>{0, 0x30}));
    os::show_error("Launcher Zimmo!", "エラー");
    ASSERT_EQ(headless::ErrorBoxes().size(), 1u);
    EXPECT_EQ(headless::ErrorBoxes()[0].message, "エラー");
    EXPECT_FALSE(headless::TaskbarButtonShown()) << "the application window starts hidden";
    os::set_taskbar_button(true);
    EXPECT_TRUE(headless::TaskbarButtonShown());
    os::set_taskbar_button(false);
    EXPECT_FALSE(headless::TaskbarButtonShown());
    os::set_application_title("Launcher Zimmo! ～ミロテ編～");
    EXPECT_EQ(headless::ApplicationTitle(), "Launcher Zimmo! ～ミロテ編～");
    EXPECT_EQ(os::module_file_name(), "/tmp/zimmo-headless/zimmo.exe");
    EXPECT_EQ(os::screen_rect(), (os::Rect{0, 0, 1024, 768}));
    EXPECT_EQ(os::sys_color(15), 0xF0F0F0u);  // COLOR_BTNFACE
    EXPECT_EQ(os::sys_color(13), 0xD77800u);  // COLOR_HIGHLIGHT, RGB(0, 120, 215)
    EXPECT_EQ(os::sys_color(-1), 0u);
    EXPECT_EQ(os::sys_color(1000), 0u);
    EXPECT_EQ(os::send_message(s.id, headless::kWmClose, 0, 0), 0);
    EXPECT_TRUE(headless::IsWindow(s.id)) << "the default close handling only records";
    EXPECT_EQ(headless::DefaultCloseLog(), (std::vector<WindowId>{s.id}));

    os::set_tooltip(s.id, 1, {0, 0, 5, 5}, "閉じる");
    os::set_tooltip(s.id, 1, {0, 0, 6, 6}, "閉じる!");
    ASSERT_EQ(headless::Tooltips().size(), 1u);
    EXPECT_EQ(headless::FindTooltip(s.id, 1)->text, "閉じる!");
    os::remove_tooltip(s.id, 1);
    EXPECT_TRUE(headless::Tooltips().empty());

    headless::Reset();
    EXPECT_TRUE(headless::ShellCalls().empty());
    EXPECT_TRUE(headless::Beeps().empty());
    EXPECT_TRUE(headless::Windows().empty());
    EXPECT_FALSE(headless::TaskbarButtonShown());
}

TEST_F(HeadlessTest, RegisteredResourcesAreFoundByNameWhateverTheCase) {
    headless::RegisterResource("TESTPICTURE", "BITMAP", {'B', 'M', 1});
    auto found = os::find_resource("TestPicture", "bitmap");
    ASSERT_TRUE(found);
    EXPECT_EQ(std::vector<std::uint8_t>(found->begin(), found->end()), (std::vector<std::uint8_t>{'B', 'M', 1}));
    EXPECT_FALSE(os::find_resource("TESTPICTURE", "FORM"));
    EXPECT_FALSE(os::find_resource("NOSUCHTHING", "BITMAP"));
    headless::UnregisterResources();
    EXPECT_FALSE(os::find_resource("TESTPICTURE", "BITMAP"));
}

#if __has_include("resources/ResourceTable.h")
TEST_F(HeadlessTest, EveryGeneratedResourceIsFoundAndRegisteredOnesComeFirst) {
    ASSERT_TRUE(headless::ResourceTableLinked());
    ASSERT_GT(zimmo_resources::kEntryCount, 0u);
    for (unsigned long i = 0; i < zimmo_resources::kEntryCount; ++i) {
        const zimmo_resources::Entry& e = zimmo_resources::kEntries[i];
        SCOPED_TRACE(e.name);
        auto found = os::find_resource(e.name, e.type);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->data(), e.data);
        EXPECT_EQ(found->size(), e.size);
    }
    const zimmo_resources::Entry& first = zimmo_resources::kEntries[0];
    headless::RegisterResource(first.name, first.type, {1, 2, 3});
    EXPECT_EQ(os::find_resource(first.name, first.type)->size(), 3u);
    headless::UnregisterResources();
    EXPECT_EQ(os::find_resource(first.name, first.type)->size(), first.size);
}
#endif

// ---------------------------------------------------------------- code page 932

TEST_F(HeadlessTest, CodePage932RoundTripsJapaneseText) {
    struct Case {
        const char* utf8;
        std::string sjis;
    } cases[] = {
        {"", ""},
        {"zimmo.ini", "zimmo.ini"},
        {"設", "\x90\xDD"},
        {"ア", "\x83\x41"},
        {"～", "\x81\x60"},  // FULLWIDTH TILDE, as in the title
        {"♪", "\x81\xF4"},
        {"①", "\x87\x40"},
        {"ｱ", "\xB1"},       // half-width katakana: one byte
        {"ソ\\", "\x83\x5C\x5C"},  // a trail byte that is also '\'
        {"設定ウィンドウを開く(&S)...", os::utf8_to_ansi("設定ウィンドウを開く(&S)...")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        bool lossless = false;
        EXPECT_EQ(os::utf8_to_ansi(c.utf8, &lossless), c.sjis);
        EXPECT_TRUE(lossless);
        EXPECT_EQ(os::ansi_to_utf8(c.sjis), c.utf8);
    }
    std::string title = "Launcher Zimmo! ～ミロテ編～『キャラを選択して，立ち上げるファイルをドロップ♪』";
    EXPECT_EQ(os::ansi_to_utf8(os::utf8_to_ansi(title)), title);
}

TEST_F(HeadlessTest, CharactersWithoutACodePage932FormBecomeQuestionMarks) {
    struct Case {
        const char* what;
        std::string utf8;
        std::string sjis;
    } cases[] = {
        {"Hangul", "a한b", "a?b"},
        {"an emoji (four UTF-8 bytes)", "😀x", "?x"},
        {"the euro sign", "€", "?"},
        {"a broken UTF-8 sequence", "a\xE3\x81", "a??"},
        {"a stray continuation byte", "\x80ア", "?\x83\x41"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool lossless = true;
        EXPECT_EQ(os::utf8_to_ansi(c.utf8, &lossless), c.sjis);
        EXPECT_FALSE(lossless);
    }
    // Bytes that are no 932 character: one '?' each; what follows survives.
    EXPECT_EQ(os::ansi_to_utf8("\x81\x20" "a"), "? a");
    EXPECT_EQ(os::ansi_to_utf8("ab\x81"), "ab?");
}

TEST_F(HeadlessTest, AnyBytesDecodeToValidUtf8ThatEncodesBackWithoutLoss) {
    auto valid_utf8 = [](const std::string& s) {
        for (std::size_t i = 0; i < s.size();) {
            unsigned char b = static_cast<unsigned char>(s[i]);
            std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
            if (n == 0 || i + n > s.size()) return false;
            for (std::size_t k = 1; k < n; ++k)
                if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
            i += n;
        }
        return true;
    };
    std::mt19937 rng(5);
    for (int trial = 0; trial < 2000; ++trial) {
        std::string bytes(rng() % 12, '\0');
        for (char& c : bytes) c = static_cast<char>(rng() % 2 ? 0x81 + rng() % 0x7C : rng() % 256);
        std::string utf8 = os::ansi_to_utf8(bytes);
        ASSERT_TRUE(valid_utf8(utf8)) << trial;
        bool lossless = false;
        std::string back = os::utf8_to_ansi(utf8, &lossless);
        ASSERT_TRUE(lossless) << trial;
        ASSERT_EQ(os::ansi_to_utf8(back), utf8) << trial;
    }
}

// ---------------------------------------------------------------- text

TEST_F(HeadlessTest, TextMetricsFollowTheFixedFont) {
    auto font = [](int height, bool bold = false) {
        os::FontSpec f;
        f.height = height;
        f.bold = bold;
        return f;
    };
    struct Case {
        const char* what;
        std::u16string text;
        os::FontSpec font;
        int width, height, ascent;
    } cases[] = {
        {"empty", u"", font(12), 0, 12, 9},
        {"one ASCII character", u"A", font(12), 6, 12, 9},
        {"odd height", u"Launch!", font(11), 35, 11, 8},
        {"kana", u"あ", font(12), 12, 12, 9},
        {"bold ASCII is one wider", u"Mallo", font(12, true), 35, 12, 9},
        {"bold kana is not", u"ミロテ", font(12, true), 36, 12, 9},
        {"a surrogate pair is one character", u"😀", font(12), 12, 12, 9},
        {"0 is the default height", u"ab", font(0), 12, 12, 9},
        {"negative heights count as positive", u"ab", font(-20), 20, 20, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        os::TextMetrics m = os::measure_text(c.font, c.text);
        EXPECT_EQ(m.width, c.width);
        EXPECT_EQ(m.height, c.height);
        EXPECT_EQ(m.ascent, c.ascent);
    }
}

TEST_F(HeadlessTest, RenderedTextIsDeterministicFullCoverageAndMatchesItsMetrics) {
    os::FontSpec f;
    std::mt19937 rng(11);
    const std::u16string alphabet = u" AaBb0!~あア設♪";
    for (int trial = 0; trial < 50; ++trial) {
        std::u16string text;
        for (unsigned n = rng() % 8; n > 0; --n) text += alphabet[rng() % alphabet.size()];
        f.height = 8 + static_cast<int>(rng() % 10);
        f.bold = rng() % 2;
        os::TextMetrics m;
        std::vector<std::uint8_t> cov = os::render_text(f, text, &m);
        os::TextMetrics measured = os::measure_text(f, text);
        ASSERT_EQ(m.width, measured.width);
        ASSERT_EQ(m.height, measured.height);
        ASSERT_EQ(cov.size(), static_cast<std::size_t>(m.width) * m.height);
        ASSERT_TRUE(std::all_of(cov.begin(), cov.end(), [](std::uint8_t v) { return v == 0 || v == 255; }));
        ASSERT_EQ(os::render_text(f, text, nullptr), cov);
    }
    // Blank where it must be, different where characters differ.
    f = os::FontSpec{};
    std::vector<std::uint8_t> space = os::render_text(f, u" ", nullptr);
    EXPECT_TRUE(std::all_of(space.begin(), space.end(), [](std::uint8_t v) { return v == 0; }));
    EXPECT_NE(os::render_text(f, u"A", nullptr), os::render_text(f, u"B", nullptr));
    EXPECT_NE(os::render_text(f, u"設", nullptr), os::render_text(f, u"定", nullptr));
    f.underline = true;
    std::vector<std::uint8_t> underlined = os::render_text(f, u" ", nullptr);
    EXPECT_EQ(std::count(underlined.begin(), underlined.end(), 255), 6) << "one underline row";
}

}  // namespace
