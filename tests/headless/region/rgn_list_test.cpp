// TRgnList: shaping its owner window after the frames listed in it, the
// show flags and z-order it leaves, its entries, its event, and who owns
// the regions it combines.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/region/Region.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/GdiObject.h"
#include "platform/graphics/Region.h"
#include "platform/headless/Headless.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tests/headless/support/FailingAllocator.h"

namespace {

constexpr TColor kKey = 0xDD8800;

// A 24-bit picture: 'x' opaque, anything else the key.
std::unique_ptr<TBitmap> Picture(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->Canvas()->SetPixels(x, y, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == 'x' ? clRed : kKey);
    return bmp;
}

// Three frames of one 4 x 3 window, all at (0, 0), overlapping at (1, 1).
const std::vector<std::string> kFrames[3] = {
    {"xx..", ".x..", "...."},
    {"....", ".xx.", "...."},
    {"...x", ".x.x", "...."},
};
const std::vector<os::Rect> kFrameRects[3] = {
    {{0, 0, 2, 1}, {1, 1, 2, 2}},
    {{1, 1, 3, 2}},
    {{3, 0, 4, 1}, {1, 1, 2, 2}, {3, 1, 4, 2}},
};

std::vector<os::Rect> Canonical(const std::vector<os::Rect>& rects) {
    const gfx::Region region = gfx::Region::from_rects(rects);
    return {region.rects().begin(), region.rects().end()};
}
std::vector<os::Rect> Union(std::initializer_list<int> frames) {
    std::vector<os::Rect> all;
    for (int f : frames) all.insert(all.end(), kFrameRects[f].begin(), kFrameRects[f].end());
    return Canonical(all);
}

// A form as a character window holds it: a list and frames, read from a
// resource; a handler method for the list's event.
class TListForm : public TForm {
public:
    explicit TListForm(TComponent* owner) : TForm(owner) {}
    const char* ClassName() const override { return "TListForm"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override {
        return FindMethodIn<TListForm>(this, name, {{"ShowIt", &TListForm::ShowIt}});
    }
    void ShowIt(TObject* sender) {
        if (onShow) onShow(sender);
    }
    std::function<void(TObject*)> onShow;
};

class RgnListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPlatformClasses();
        Register();
    }
    void SetUp() override {
        headless::Reset();
        form = new TListForm(Application);
        form->SetName("Form9");
        form->SetBounds(100, 50, 4, 3);
        list = new TRgnList(form);
        list->SetName("RgnList1");
        for (int i = 0; i < 3; ++i) {
            frames[i] = new TRgn(form);
            frames[i]->SetName("Rgn" + std::to_string(i + 1));
            frames[i]->SetParent(form);
            auto pic = Picture(kFrames[i]);
            frames[i]->SetRgnBmp(pic.get());
            frames[i]->SetBounds(0, 0, 4, 3);
            frames[i]->UpdateRgn();
        }
        form->Show();
        window = form->Handle();
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }

    std::optional<std::vector<os::Rect>> Shape() const { return headless::State(window).region; }
    std::vector<bool> Flags() const { return {frames[0]->ShowFlag(), frames[1]->ShowFlag(), frames[2]->ShowFlag()}; }
    int Z(TControl* c) const { return form->IndexOfControl(c); }

    TListForm* form = nullptr;  // owned by Application
    TRgnList* list = nullptr;   // owned by form
    TRgn* frames[3] = {};       // owned by form
    os::WindowId window = 0;
};

// ---------------------------------------------------------------- one animation step
TEST_F(RgnListTest, AddThenSetWndRgnShowsExactlyThatFrame) {
    for (int k : {0, 2, 1, 0}) {
        SCOPED_TRACE(::testing::Message() << "frame " << k + 1);
        const long regions = win::LiveGdiObjects(win::GdiKind::Region);
        const std::size_t changes = headless::RegionChangeCount(window);
        list->Add(frames[k]);
        list->SetWndRgn();

        ASSERT_EQ(headless::RegionChangeCount(window), changes + 1);
        EXPECT_TRUE(headless::RegionLog().back().redraw);
        EXPECT_EQ(Shape(), Canonical(kFrameRects[k]));
        std::vector<bool> flags(3, false);
        flags[static_cast<std::size_t>(k)] = true;
        EXPECT_EQ(Flags(), flags);
        EXPECT_EQ(Z(frames[k]), form->ControlCount() - 1) << "in front";
        EXPECT_EQ(form->BorderStyle(), bsNone);
        EXPECT_EQ(form->Brush()->Style(), bsClear);
        EXPECT_EQ(list->GetCount(), 0);
        EXPECT_NE(frames[k]->RgnHandle(), nullptr) << "the frame keeps its own handle";
        EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions) << "the combined region went to the window";
        EXPECT_TRUE(headless::State(window).invalid.has_value()) << "redrawn";
    }
}

TEST_F(RgnListTest, TheShownFrameTakesTheMouseInsideItsShapeOnly) {
    int clicked[3] = {};
    for (int i = 0; i < 3; ++i) frames[i]->OnClick = TNotifyEvent([&clicked, i](TObject*) { ++clicked[i]; });
    list->Add(frames[1]);
    list->SetWndRgn();
    // (1, 1) lies in all three frames: the shown one is in front.
    headless::Click(100 + 1, 50 + 1);
    EXPECT_EQ(clicked[1], 1);
    EXPECT_EQ(clicked[0] + clicked[2], 0);
    // (0, 0) is frame 1's pixel but outside the shape: the desktop gets it.
    headless::MouseResult r = headless::Click(100 + 0, 50 + 0);
    EXPECT_NE(r.window, window);
    EXPECT_EQ(clicked[0] + clicked[1] + clicked[2], 1);
}

TEST_F(RgnListTest, ShownFramePaintsAndTheOthersDoNot) {
    list->Add(frames[0]);
    list->SetWndRgn();
    const long paints = TControl::PaintCount;
    os::update_window(window);
    auto image = headless::Surface(window);
    EXPECT_EQ(image.at(0, 0), 0xFF0000u) << "frame 1's red";
    EXPECT_EQ(image.at(3, 0), 0x0088DDu) << "frame 1's key, not frame 3's red";
    EXPECT_EQ(TControl::PaintCount, paints + 3) << "each frame is asked, two paint nothing";
}

// ---------------------------------------------------------------- entries
TEST_F(RgnListTest, NothingListedGivesAnEmptyShapeAndHidesEveryFrame) {
    list->Add(frames[0]);
    list->SetWndRgn();
    list->SetWndRgn();
    ASSERT_TRUE(Shape().has_value()) << "an empty shape, not no shape";
    EXPECT_TRUE(Shape()->empty());
    EXPECT_EQ(Flags(), (std::vector<bool>{false, false, false}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_FALSE(headless::RegionContains(window, x, y));
}

TEST_F(RgnListTest, WithoutAutoClearTheShapeIsTheUnionOfAllAdded) {
    list->AutoClear = false;
    list->Add(frames[0]);
    list->SetWndRgn();
    EXPECT_EQ(Shape(), Union({0}));
    list->Add(frames[2]);
    list->SetWndRgn();
    EXPECT_EQ(Shape(), Union({0, 2}));
    EXPECT_EQ(Flags(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItem(0), frames[0]);
    EXPECT_EQ(list->GetItem(1), frames[2]);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(RgnListTest, ListingAFrameTwiceIsListingItOnce) {
    for (bool autoClear : {true, false}) {
        SCOPED_TRACE(::testing::Message() << "AutoClear " << autoClear);
        list->Clear();
        list->AutoClear = autoClear;
        list->Add(frames[2]);
        list->Add(frames[2]);
        EXPECT_EQ(list->GetCount(), 2);
        list->SetWndRgn();
        EXPECT_EQ(Shape(), Canonical(kFrameRects[2]));
        EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true}));
        EXPECT_EQ(list->GetCount(), autoClear ? 0 : 2);
    }
}

TEST_F(RgnListTest, DeleteRemovesTheFirstEqualEntryOnly) {
    list->Add(frames[0]);
    list->Add(frames[1]);
    list->Add(frames[0]);
    list->Delete(frames[2]);  // not listed: nothing happens
    ASSERT_EQ(list->GetCount(), 3);
    list->Delete(frames[0]);
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItem(0), frames[1]);
    EXPECT_EQ(list->GetItem(1), frames[0]);
}

TEST_F(RgnListTest, GetItemOutsideTheEntriesRaisesTheListIndexError) {
    list->Add(frames[0]);
    for (int index : {-1, 1, 2, 1000}) {
        SCOPED_TRACE(index);
        try {
            list->GetItem(index);
            ADD_FAILURE() << "no error";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message, "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
        }
    }
}

// ---------------------------------------------------------------- order and other controls
TEST_F(RgnListTest, TheFrameLastInComponentOrderEndsInFront) {
    list->Add(frames[2]);
    list->Add(frames[0]);
    list->SetWndRgn();
    EXPECT_LT(Z(frames[0]), Z(frames[2]));
    EXPECT_EQ(Shape(), Union({0, 2}));
}

TEST_F(RgnListTest, OtherGraphicControlsStayInFrontAndWindowedOnesAreLeftAlone) {
    // Both made before the frames would be, then sent under them.
    auto* shape = new TShape(form);
    shape->SetParent(form);
    shape->SetBounds(0, 0, 2, 2);
    auto* button = new TRgnBtn(form);
    button->SetParent(form);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(2, 2, 2, 1);
    for (TControl* c : {static_cast<TControl*>(button), static_cast<TControl*>(shape)}) c->SendToBack();
    const os::WindowId panelWindow = panel->Handle();
    const int panelZ = headless::State(panelWindow).z_index;

    for (int k : {0, 1}) {
        list->Add(frames[k]);
        list->SetWndRgn();
        const int n = form->ControlCount();
        // In component order: the shape, then the button, both after the frame.
        EXPECT_EQ(Z(shape), n - 2);
        EXPECT_EQ(Z(button), n - 1);
        EXPECT_LT(Z(frames[k]), Z(shape));
    }
    EXPECT_EQ(headless::RegionChangeCount(panelWindow), 0u);
    EXPECT_EQ(headless::State(panelWindow).z_index, panelZ);
    EXPECT_EQ(panel->Parent(), form);
}

TEST_F(RgnListTest, OnlyTheOwnersFramesAreVisited) {
    TForm* other = new TForm(Application);
    auto* stranger = new TRgn(other);
    stranger->SetParent(form);  // on this form, but owned by another
    auto pic = Picture({"xxxx", "xxxx", "...."});
    stranger->SetRgnBmp(pic.get());
    stranger->UpdateRgn();
    stranger->SetShowFlag(false);
    list->Add(stranger);
    list->Add(frames[1]);
    list->SetWndRgn();
    EXPECT_EQ(Shape(), Canonical(kFrameRects[1]));
    EXPECT_FALSE(stranger->ShowFlag());
}

TEST_F(RgnListTest, AFrameWithoutAHandleAddsNoAreaButStillShows) {
    frames[0]->SetWndRgn();  // gives its handle away
    ASSERT_EQ(frames[0]->RgnHandle(), nullptr);
    list->Add(frames[0]);
    list->Add(frames[1]);
    list->SetWndRgn();
    EXPECT_EQ(Shape(), Canonical(kFrameRects[1]));
    EXPECT_EQ(Flags(), (std::vector<bool>{true, true, false}));
    EXPECT_GT(Z(frames[0]), Z(frames[2]));
}

// ---------------------------------------------------------------- the event
TEST_F(RgnListTest, OnShowWndSeesTheOldShapeAndTheNewFlagsAndOrder) {
    list->Add(frames[0]);
    list->SetWndRgn();
    int calls = 0;
    form->onShow = [&](TObject* sender) {
        ++calls;
        EXPECT_EQ(sender, list);
        EXPECT_EQ(Shape(), Canonical(kFrameRects[0])) << "the previous shape";
        EXPECT_EQ(Flags(), (std::vector<bool>{false, true, false}));
        EXPECT_EQ(Z(frames[1]), form->ControlCount() - 1);
        EXPECT_EQ(list->GetCount(), 1) << "not yet cleared";
    };
    list->OnShowWnd = TNotifyEvent("ShowIt", [this](TObject* s) { form->ShowIt(s); });
    list->Add(frames[1]);
    list->SetWndRgn();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Shape(), Canonical(kFrameRects[1]));
}

TEST_F(RgnListTest, AnOnShowWndThatRaisesLeavesTheShapeAndTheEntries) {
    list->Add(frames[0]);
    list->SetWndRgn();
    const std::size_t changes = headless::RegionChangeCount(window);
    const long regions = win::LiveGdiObjects(win::GdiKind::Region);
    list->OnShowWnd = TNotifyEvent([](TObject*) { throw Exception("stop"); });
    list->Add(frames[2]);
    EXPECT_THROW(list->SetWndRgn(), Exception);
    EXPECT_EQ(headless::RegionChangeCount(window), changes);
    EXPECT_EQ(Shape(), Canonical(kFrameRects[0]));
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions) << "the combined region is released";
    EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true})) << "flags were set before the event";
}

TEST_F(RgnListTest, StreamedWithItsFormByName) {
    const std::string text =
        "object Form9: TListForm\n"
        "  object RgnList2: TRgnList\n"
        "    AutoClear = False\n"
        "    OnShowWnd = ShowIt\n"
        "  end\n"
        "end\n";
    auto* read = new TListForm(Application);
    ReadComponentResourceText(read, text);
    auto* l = dynamic_cast<TRgnList*>(read->FindComponent("RgnList2"));
    ASSERT_NE(l, nullptr);
    EXPECT_FALSE(l->AutoClear);
    EXPECT_EQ(l->OnShowWnd.Name, "ShowIt");
    int calls = 0;
    read->onShow = [&](TObject* sender) {
        EXPECT_EQ(sender, l);
        ++calls;
    };
    l->SetWndRgn();
    EXPECT_EQ(calls, 1);

    // Written back: only what differs from the defaults.
    auto written = [](TForm* f, const char* name) {
        std::vector<std::string> out;
        for (const FormNode& n : WriteComponentTree(f).children)
            if (n.name == name)
                for (const FormProperty& p : n.properties) out.push_back(p.path);
        return out;
    };
    EXPECT_EQ(written(read, "RgnList2"), (std::vector<std::string>{"AutoClear", "OnShowWnd"}));
    EXPECT_EQ(written(form, "RgnList1"), std::vector<std::string>{});
}

// ---------------------------------------------------------------- region ownership
TEST_F(RgnListTest, AHundredThousandStepsLeakNoRegion) {
    const long regions = win::LiveGdiObjects(win::GdiKind::Region);
    const long all = win::LiveGdiObjects();
    for (int step = 0; step < 100000; ++step) {
        list->Add(frames[step % 3]);
        list->SetWndRgn();
    }
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
    EXPECT_EQ(win::LiveGdiObjects(), all);
    EXPECT_EQ(Shape(), Canonical(kFrameRects[99999 % 3]));
    for (TRgn* f : frames) EXPECT_NE(f->RgnHandle(), nullptr);
}

// A step that runs out of memory anywhere (the combined region, a union,
// the list, the window's shape) raises; the combined region then has one
// owner still, and the window keeps a whole shape, the old one or the new.
TEST_F(RgnListTest, EveryFailedAllocationOfAStepLeavesEachRegionOneOwner) {
    long regions = 0;
    long runs = failing_allocator::FailEachAllocation(
        [&] {
            list->Clear();
            list->Add(frames[0]);
            list->SetWndRgn();
            regions = win::LiveGdiObjects(win::GdiKind::Region);
        },
        [&] {
            list->Add(frames[2]);
            list->SetWndRgn();
        },
        [&](long n, bool threw) {
            SCOPED_TRACE(::testing::Message() << "allocation " << n << " failed");
            EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
            for (TRgn* f : frames) EXPECT_NE(f->RgnHandle(), nullptr);
            if (threw) {
                EXPECT_TRUE(Shape() == Canonical(kFrameRects[0]) || Shape() == Canonical(kFrameRects[2]));
            } else {
                EXPECT_EQ(Shape(), Canonical(kFrameRects[2]));
            }
        });
    EXPECT_GT(runs, 2);
}

}  // namespace
