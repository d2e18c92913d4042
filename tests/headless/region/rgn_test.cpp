// TRgn, the sprite frame that carries its region: assignment of a picture,
// its size rules, the region handle's placement, shaping the parent window,
// painting, and the form-resource round trip that loads without a pixel scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/region/Region.h"
#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/GdiObject.h"
#include "platform/graphics/Region.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tests/headless/support/FailingAllocator.h"
#include "tools/designer/Designer.h"

namespace {

constexpr TColor kKey = 0xDD8800;    // (0, 136, 221)
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kLime = 0x00FF00;   // the forms' background in these tests

// A 24-bit picture: 'k' key, 'r' red, 'b' blue.
std::unique_ptr<TBitmap> Picture(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            bmp->Canvas()->SetPixels(x, y, c == 'r' ? kRed : c == 'b' ? kBlue : kKey);
        }
    return bmp;
}

// 4 x 3; its region is (0,0,2,1) (1,1,3,2).
const std::vector<std::string> kShape = {"rrkk", "kbrk", "kkkk"};

std::vector<os::Rect> RectsOf(win::HRGN rgn) {
    std::vector<os::Rect> out;
    if (!rgn) return out;
    win::DWORD n = win::GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> block(n);
    win::GetRegionData(rgn, n, block.data());
    const gfx::Region region = gfx::Region::from_data(block);
    out.assign(region.rects().begin(), region.rects().end());
    return out;
}

std::vector<os::Rect> Canonical(std::vector<os::Rect> rects) {
    const gfx::Region region = gfx::Region::from_rects(rects);
    return {region.rects().begin(), region.rects().end()};
}

std::uint32_t Rgb(TColor c) {  // the presented pixel of a TColor
    return static_cast<std::uint32_t>((c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

class RgnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPlatformClasses();
        Register();
    }
    void SetUp() override { headless::Reset(); }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }

    TForm* NewForm() {
        auto* form = new TForm(Application);
        form->SetName("Form9");
        form->SetBounds(0, 0, 60, 40);
        form->SetColor(kLime);
        return form;
    }
    TRgn* NewRgn(TForm* form, const char* name = "Frame1") {
        auto* rgn = new TRgn(form);
        rgn->SetName(name);
        rgn->SetParent(form);
        return rgn;
    }
    // A form resource as the designer writes it: each frame's picture
    // assigned in design mode.
    static std::string Designed(const std::vector<std::vector<std::string>>& pictures, bool transparent = false) {
        TDesignForm form("TForm");
        form.SetName("Form9");
        form.SetDesigning(true);
        int n = 0;
        for (const auto& rows : pictures) {
            auto* rgn = new TRgn(&form);
            rgn->SetName("Frame" + std::to_string(++n));
            rgn->SetParent(&form);
            rgn->SetDesigning(true);
            rgn->Transparent = transparent;
            auto pic = Picture(rows);
            rgn->SetRgnBmp(pic.get());
        }
        return WriteComponentResourceText(&form);
    }
    static void SetBlock(TRgn* rgn, std::vector<std::uint8_t> bytes) {
        FormProperty p;
        p.path = "RgnData";
        p.value.kind = FormValue::Kind::Binary;
        p.value.bytes = std::move(bytes);
        SetFormProperty(rgn, p, rgn->Owner());
    }
    static std::vector<std::uint8_t> BlockOf(const TRgn* rgn) {
        return {rgn->RgnData(), rgn->RgnData() + rgn->RgnDataLength()};
    }
    static std::uint32_t Pixel(TForm* form, int x, int y) {
        os::update_window(form->Handle());
        auto image = headless::Surface(form->Handle());
        return image.at(x, y);
    }
};

// ---------------------------------------------------------------- construction
TEST_F(RgnTest, FreshControlAndUnitRegistration) {
    TForm* form = NewForm();
    TRgn* rgn = NewRgn(form);
    EXPECT_EQ(rgn->Width(), 105);
    EXPECT_EQ(rgn->Height(), 105);
    for (TBitmap* b : {rgn->RgnBitmap(), rgn->MaskBitmap(), rgn->MaskedImage()}) {
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->Empty());
    }
    EXPECT_EQ(rgn->RgnData(), nullptr);
    EXPECT_EQ(rgn->RgnDataLength(), 0);
    EXPECT_EQ(rgn->RgnHandle(), nullptr);
    EXPECT_TRUE(rgn->ShowFlag());
    EXPECT_FALSE(rgn->Transparent);
    EXPECT_FALSE(rgn->AutoSize());
    EXPECT_EQ(rgn->DragCursor, crDrag);
    EXPECT_EQ(rgn->Perform(win::WM_ERASEBKGND), 1);

    for (const char* name : {"TRgn", "TRgnList", "TRgnBtn"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<TComponent> c(CreateComponent(name, nullptr));
        EXPECT_STREQ(c->ClassName(), name);
    }
    // The unit's three, in this order, on its palette page (other units may share the page).
    std::vector<std::string> page = PaletteClasses("MyComponent");
    auto at = [&](const char* name) { return std::find(page.begin(), page.end(), name) - page.begin(); };
    ASSERT_LT(at("TRgnBtn"), static_cast<long>(page.size()));
    EXPECT_LT(at("TRgnList"), at("TRgn"));
    EXPECT_LT(at("TRgn"), at("TRgnBtn"));
}

TEST_F(RgnTest, DestroyingAControlReleasesItsHandleAndBitmaps) {
    const long live = win::LiveGdiObjects();
    {
        TForm* form = NewForm();
        TRgn* rgn = NewRgn(form);
        rgn->Transparent = true;
        auto pic = Picture(kShape);
        rgn->SetRgnBmp(pic.get());
        rgn->UpdateRgn();
        ASSERT_NE(rgn->RgnHandle(), nullptr);
        Application->DestroyComponents();
    }
    EXPECT_EQ(win::LiveGdiObjects(), live);
}

// ---------------------------------------------------------------- assigning a picture
TEST_F(RgnTest, AssigningTheHeldBitmapChangesNothing) {
    TRgn* rgn = NewRgn(NewForm());
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    const std::uint8_t* data = rgn->RgnData();
    const auto block = BlockOf(rgn);
    const long scanned = RgnScannedRows();
    rgn->SetRgnBmp(rgn->RgnBitmap());
    EXPECT_EQ(rgn->RgnData(), data);  // not even made again
    EXPECT_EQ(BlockOf(rgn), block);
    EXPECT_EQ(RgnScannedRows(), scanned);
}

TEST_F(RgnTest, AssignmentCopiesThePictureAndConvertsTheCopy) {
    TRgn* rgn = NewRgn(NewForm());
    TBitmap pic(4, 3, pf32bit);
    pic.Canvas()->Brush()->SetColor(kKey);
    pic.Canvas()->FillRect(Rect(0, 0, 4, 3));
    pic.Canvas()->SetPixels(2, 1, kRed);
    rgn->SetRgnBmp(&pic);
    EXPECT_EQ(pic.PixelFormat(), pf32bit);  // the caller's picture is left alone
    EXPECT_EQ(rgn->RgnBitmap()->PixelFormat(), pf24bit);
    EXPECT_EQ(rgn->RgnBitmap()->Canvas()->Pixels(2, 1), kRed);
    EXPECT_EQ(rgn->RgnDataLength(), 48);
    gfx::Region region = gfx::Region::from_data({rgn->RgnData(), 48});
    EXPECT_EQ(std::vector<os::Rect>(region.rects().begin(), region.rects().end()), (std::vector<os::Rect>{{2, 1, 3, 2}}));
}

TEST_F(RgnTest, AssignmentAtRunTimeAndInTheDesigner) {
    struct Case {
        bool designing, transparent;
        int width, height;  // afterwards
        bool mask;
    } cases[] = {
        {false, false, 105, 105, false},
        {false, true, 105, 105, true},
        {true, false, 4, 3, true},
        {true, true, 4, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "designing " << c.designing << ", transparent " << c.transparent);
        TRgn* rgn = NewRgn(NewForm());
        rgn->SetDesigning(c.designing);
        rgn->Transparent = c.transparent;
        auto pic = Picture(kShape);
        rgn->SetRgnBmp(pic.get());
        EXPECT_EQ(rgn->Width(), c.width);
        EXPECT_EQ(rgn->Height(), c.height);
        EXPECT_NE(rgn->RgnData(), nullptr);
        EXPECT_EQ(rgn->RgnHandle(), nullptr) << "no handle until UpdateRgn";
        ASSERT_EQ(!rgn->MaskBitmap()->Empty(), c.mask);
        if (!c.mask) continue;
        // The mask is 1 (white) exactly on key pixels; the masked image is
        // black there and the picture elsewhere.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
                const char p = kShape[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                EXPECT_EQ(rgn->MaskBitmap()->Canvas()->Pixels(x, y), p == 'k' ? clWhite : clBlack);
                EXPECT_EQ(rgn->MaskedImage()->Canvas()->Pixels(x, y), p == 'k' ? clBlack : p == 'r' ? kRed : kBlue);
            }
    }
}

TEST_F(RgnTest, FailedAssignmentLeavesNoPictureNoRegionAndRepaints) {
    TBitmap empty;
    std::vector<std::string> crowded(1, "r");
    for (int i = 1; i < 102; ++i) crowded[0] += "kr";
    crowded.push_back(std::string(crowded[0].size(), 'k'));
    auto tooManyRuns = Picture(crowded);
    struct Case {
        const char* what;
        TBitmap* bitmap;
        const char* message;
    } cases[] = {
        {"null", nullptr, "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません"},
        {"empty", &empty, "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません"},
        {"102 runs in a row", tooManyRuns.get(), "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const long regions = win::LiveGdiObjects(win::GdiKind::Region);
        TForm* form = NewForm();
        TRgn* rgn = NewRgn(form);
        auto good = Picture(kShape);
        rgn->SetRgnBmp(good.get());
        rgn->UpdateRgn();
        form->Show();
        os::update_window(form->Handle());
        const std::size_t presents = headless::PresentCount(form->Handle());
        try {
            rgn->SetRgnBmp(c.bitmap);
            ADD_FAILURE() << "assigned";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        EXPECT_TRUE(rgn->RgnBitmap()->Empty());
        EXPECT_EQ(rgn->RgnData(), nullptr);
        EXPECT_EQ(rgn->RgnDataLength(), 0);
        EXPECT_EQ(rgn->RgnHandle(), nullptr);
        EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
        EXPECT_GT(headless::PresentCount(form->Handle()), presents) << "repainted at once";
        delete form;
    }
}

// ---------------------------------------------------------------- size
TEST_F(RgnTest, AutoSizeGivesThePicturesSize) {
    struct Case {
        const char* what;
        bool picture, autoSize;
        TRect expected;  // after SetBounds(10, 20, 300, 300)
    } cases[] = {
        {"AutoSize with a picture", true, true, Bounds(10, 20, 4, 3)},
        {"AutoSize without a picture", false, true, Bounds(10, 20, 300, 300)},
        {"no AutoSize", true, false, Bounds(10, 20, 300, 300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TRgn* rgn = NewRgn(NewForm());
        auto pic = Picture(kShape);
        if (c.picture) rgn->SetRgnBmp(pic.get());
        rgn->SetAutoSize(c.autoSize);
        rgn->SetBounds(10, 20, 300, 300);
        EXPECT_EQ(rgn->BoundsRect(), c.expected);
    }
}

TEST_F(RgnTest, SwitchingAutoSizeOnResizesUnlessLoading) {
    TRgn* rgn = NewRgn(NewForm());
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    rgn->SetBounds(7, 8, 50, 60);
    rgn->SetLoading(true);
    rgn->SetAutoSize(true);
    EXPECT_EQ(rgn->BoundsRect(), Bounds(7, 8, 50, 60));
    rgn->SetLoading(false);
    rgn->SetAutoSize(false);
    rgn->SetAutoSize(true);
    EXPECT_EQ(rgn->BoundsRect(), Bounds(7, 8, 4, 3));
}

// ---------------------------------------------------------------- the region handle
TEST_F(RgnTest, UpdateRgnScalesTheRegionToTheControlAndMovesItToItsPlace) {
    // The block's rectangles are (0,0,2,1) and (1,1,3,2).
    struct Case {
        const char* what;
        TRect bounds;
        bool autoSize;
        std::vector<os::Rect> expected;
    } cases[] = {
        {"at the origin", Bounds(0, 0, 4, 3), false, {{0, 0, 2, 1}, {1, 1, 3, 2}}},
        {"moved by (5, 7)", Bounds(5, 7, 4, 3), false, {{5, 7, 7, 8}, {6, 8, 8, 9}}},
        {"twice as wide", Bounds(0, 0, 8, 3), false, {{0, 0, 4, 1}, {2, 1, 6, 2}}},
        {"twice the size, moved", Bounds(3, 2, 8, 6), false, {{3, 2, 7, 4}, {5, 4, 9, 6}}},
        {"AutoSize: the picture's own scale", Bounds(5, 7, 4, 3), true, {{5, 7, 7, 8}, {6, 8, 8, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TRgn* rgn = NewRgn(NewForm());
        auto pic = Picture(kShape);
        rgn->SetRgnBmp(pic.get());
        rgn->SetBounds(c.bounds.Left, c.bounds.Top, c.bounds.Width(), c.bounds.Height());
        rgn->SetAutoSize(c.autoSize);
        rgn->UpdateRgn();
        EXPECT_EQ(RectsOf(rgn->RgnHandle()), Canonical(c.expected));
        // Moving the control later does not move its region.
        rgn->SetLeft(rgn->Left() + 30);
        EXPECT_EQ(RectsOf(rgn->RgnHandle()), Canonical(c.expected));
    }
}

TEST_F(RgnTest, UpdateRgnAgainReplacesTheHandle) {
    TRgn* rgn = NewRgn(NewForm());
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    const long regions = win::LiveGdiObjects(win::GdiKind::Region);
    rgn->UpdateRgn();
    rgn->SetBounds(1, 1, 4, 3);
    rgn->UpdateRgn();
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions + 1);
    EXPECT_EQ(RectsOf(rgn->RgnHandle()), Canonical({{1, 1, 3, 2}, {2, 2, 4, 3}}));
}

TEST_F(RgnTest, UpdateRgnFailures) {
    struct Case {
        const char* what;
        void (*breakIt)(TRgn*);
        const char* message;
        bool keepsHandle;
    } cases[] = {
        {"no region data", [](TRgn* r) { SetBlock(r, {}); }, "Frame1 のﾘｰｼﾞｮﾝ情報がありません", true},
        {"empty picture", [](TRgn* r) { r->RgnBitmap()->Assign(nullptr); }, "Frame1:RgnBitmap のﾋﾞｯﾄﾏｯﾌﾟが正しくありません", true},
        {"a block the region code refuses", [](TRgn* r) { SetBlock(r, std::vector<std::uint8_t>(40, 0xEE)); },
         "ｳｨﾝﾄﾞｳﾘｰｼﾞｮﾝが作成できません", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const long regions = win::LiveGdiObjects(win::GdiKind::Region);
        TRgn* rgn = NewRgn(NewForm());
        auto pic = Picture(kShape);
        rgn->SetRgnBmp(pic.get());
        rgn->UpdateRgn();
        win::HRGN before = rgn->RgnHandle();
        c.breakIt(rgn);
        try {
            rgn->UpdateRgn();
            ADD_FAILURE() << "built a region";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        EXPECT_EQ(rgn->RgnHandle(), c.keepsHandle ? before : nullptr);
        delete rgn;
        EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
    }
}

// ---------------------------------------------------------------- shaping the parent
TEST_F(RgnTest, SetWndRgnShapesTheParentAndGivesTheHandleAway) {
    TForm* form = NewForm();
    TRgn* rgn = NewRgn(form);
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    rgn->SetBounds(5, 7, 4, 3);
    rgn->UpdateRgn();
    rgn->Transparent = true;
    rgn->SetShowFlag(false);
    form->Show();
    const os::WindowId w = form->Handle();
    const long regions = win::LiveGdiObjects(win::GdiKind::Region);

    rgn->SetWndRgn();
    EXPECT_EQ(rgn->RgnHandle(), nullptr);
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions - 1) << "the window system owns it now";
    EXPECT_FALSE(rgn->Transparent);
    EXPECT_TRUE(rgn->ShowFlag());
    EXPECT_EQ(form->BorderStyle(), bsNone);
    EXPECT_EQ(form->Brush()->Style(), bsClear);
    EXPECT_FALSE(headless::State(w).bordered);
    ASSERT_FALSE(headless::RegionLog().empty());
    const headless::RegionChange& change = headless::RegionLog().back();
    EXPECT_EQ(change.window, w);
    EXPECT_FALSE(change.redraw);
    ASSERT_TRUE(change.rects.has_value());
    EXPECT_EQ(*change.rects, Canonical({{5, 7, 7, 8}, {6, 8, 8, 9}}));
    EXPECT_TRUE(headless::RegionContains(w, 5, 7));
    EXPECT_FALSE(headless::RegionContains(w, 0, 0));

    // Without UpdateRgn in between the window gets no region: the shape goes.
    rgn->SetWndRgn();
    EXPECT_FALSE(headless::RegionLog().back().rects.has_value());
    EXPECT_FALSE(headless::State(w).region.has_value());
    EXPECT_TRUE(headless::RegionContains(w, 0, 0));
}

// Running out of memory while shaping (creating the parent's window, the
// copy of the region for the window system) leaves the handle with the
// control; success leaves it with the window system. Never both, never none.
TEST_F(RgnTest, EveryFailedAllocationOfSetWndRgnLeavesTheHandleOneOwner) {
    TForm* form = nullptr;
    TRgn* rgn = nullptr;
    auto pic = Picture(kShape);
    long regions = 0;
    long runs = failing_allocator::FailEachAllocation(
        [&] {
            delete form;
            form = NewForm();  // no window yet: SetWndRgn creates it
            rgn = NewRgn(form);
            rgn->SetRgnBmp(pic.get());
            rgn->UpdateRgn();
            regions = win::LiveGdiObjects(win::GdiKind::Region);
        },
        [&] { rgn->SetWndRgn(); },
        [&](long n, bool threw) {
            SCOPED_TRACE(::testing::Message() << "allocation " << n << " failed");
            if (threw) {
                EXPECT_NE(rgn->RgnHandle(), nullptr) << "still the control's";
                EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions);
            } else {
                EXPECT_EQ(rgn->RgnHandle(), nullptr) << "the window system's";
                EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions - 1);
            }
        });
    EXPECT_GT(runs, 2);
    delete form;
    EXPECT_EQ(win::LiveGdiObjects(win::GdiKind::Region), regions - 1);
}

TEST_F(RgnTest, SetWndRgnWithoutParentRaisesAndChangesNothing) {
    TForm* form = NewForm();
    auto* rgn = new TRgn(form);
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    rgn->UpdateRgn();
    rgn->Transparent = true;
    rgn->SetShowFlag(false);
    win::HRGN handle = rgn->RgnHandle();
    try {
        rgn->SetWndRgn();
        ADD_FAILURE() << "shaped something";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Parentが設定されていません");
    }
    EXPECT_EQ(rgn->RgnHandle(), handle);
    EXPECT_TRUE(rgn->Transparent);
    EXPECT_FALSE(rgn->ShowFlag());
    EXPECT_TRUE(headless::RegionLog().empty());
}

// ---------------------------------------------------------------- painting and input
TEST_F(RgnTest, PaintingOpaqueStretchedAndSeeThrough) {
    struct Case {
        const char* what;
        bool transparent, designing;
        int width;  // the picture is 4 wide
    } cases[] = {
        {"opaque", false, false, 4},
        {"opaque, stretched twice as wide", false, false, 8},
        {"see-through", true, false, 4},
        {"see-through, stretched", true, false, 8},
        {"in the designer", false, true, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TForm* form = NewForm();
        TRgn* rgn = NewRgn(form);
        rgn->Transparent = c.transparent;
        auto pic = Picture(kShape);
        rgn->SetRgnBmp(pic.get());
        if (c.designing) {
            rgn->SetDesigning(true);
            rgn->MakeMask();
        }
        rgn->SetBounds(2, 3, c.width, 3);
        form->Show();
        const int sx = c.width / 4;
        const bool seeThrough = c.transparent || c.designing;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x) {
                SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
                const char p = kShape[static_cast<std::size_t>(y)][static_cast<std::size_t>(x / sx)];
                TColor want = p == 'r' ? kRed : p == 'b' ? kBlue : seeThrough ? kLime : kKey;
                EXPECT_EQ(Pixel(form, 2 + x, 3 + y), Rgb(want));
            }
        EXPECT_EQ(Pixel(form, 1, 3), Rgb(kLime)) << "nothing outside the control";
        delete form;
    }
}

TEST_F(RgnTest, ClearShowFlagPaintsNothingButTakesTheMouse) {
    TForm* form = NewForm();
    TRgn* rgn = NewRgn(form);
    auto pic = Picture(kShape);
    rgn->SetRgnBmp(pic.get());
    rgn->SetBounds(10, 10, 4, 3);
    int clicks = 0;
    rgn->OnClick = TNotifyEvent([&](TObject* sender) {
        EXPECT_EQ(sender, rgn);
        ++clicks;
    });
    form->Show();
    EXPECT_EQ(Pixel(form, 10, 10), Rgb(kRed));

    rgn->SetShowFlag(false);
    rgn->Invalidate();
    EXPECT_EQ(Pixel(form, 10, 10), Rgb(kLime));
    EXPECT_EQ(Pixel(form, 12, 12), Rgb(kLime));
    EXPECT_EQ(form->ControlAtPos({11, 11}), rgn);
    EXPECT_EQ(form->IndexOfControl(rgn), 0);
    headless::Click(form->Left() + 11, form->Top() + 11);
    EXPECT_EQ(clicks, 1);
}

// ---------------------------------------------------------------- form resources
TEST_F(RgnTest, EveryFrameStoresItsRegionDataEvenWhenEmpty) {
    TDesignForm form("TForm");
    form.SetName("Form9");
    auto* rgn = new TRgn(&form);
    rgn->SetName("Frame1");
    rgn->SetParent(&form);
    FormNode tree = WriteComponentTree(&form);
    ASSERT_EQ(tree.children.size(), 1u);
    const FormProperty* data = nullptr;
    for (const FormProperty& p : tree.children[0].properties) {
        EXPECT_NE(p.path, "RgnBitmap.Data") << "no picture, no picture data";
        if (p.path == "RgnData") data = &p;
    }
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->value.kind, FormValue::Kind::Binary);
    EXPECT_TRUE(data->value.bytes.empty());
}

TEST_F(RgnTest, LoadingADesignedFormBuildsHandlesWithoutScanningPixels) {
    const std::vector<std::string> other = {"kkkk", "kkrr", "kkrr"};
    const std::string text = Designed({kShape, other}, /*transparent*/ false);
    // The designer writes the picture and the block.
    EXPECT_NE(text.find("RgnBitmap.Data = {"), std::string::npos);
    EXPECT_NE(text.find("RgnData = {"), std::string::npos);

    TForm* form = NewForm();
    const long scanned = RgnScannedRows();
    ReadComponentResourceText(form, text);
    EXPECT_EQ(RgnScannedRows(), scanned) << "loading must not convert pictures";

    auto* one = dynamic_cast<TRgn*>(form->FindComponent("Frame1"));
    auto* two = dynamic_cast<TRgn*>(form->FindComponent("Frame2"));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->Parent(), form);
    EXPECT_EQ(one->BoundsRect(), Bounds(0, 0, 4, 3));
    EXPECT_EQ(RectsOf(one->RgnHandle()), Canonical({{0, 0, 2, 1}, {1, 1, 3, 2}}));
    EXPECT_EQ(RectsOf(two->RgnHandle()), Canonical({{2, 1, 4, 3}}));
    EXPECT_TRUE(one->MaskBitmap()->Empty()) << "no mask for an opaque frame at run time";
    EXPECT_EQ(one->RgnBitmap()->PixelFormat(), pf24bit);
    EXPECT_EQ(one->RgnBitmap()->Canvas()->Pixels(1, 1), kBlue);

    // What was read is written back unchanged.
    TDesignForm again("TForm");
    ReadComponentResourceText(&again, text);
    EXPECT_EQ(WriteComponentResourceText(&again), text);
}

TEST_F(RgnTest, LoadingATransparentFrameBuildsItsMask) {
    const std::string text = Designed({kShape}, /*transparent*/ true);
    TForm* form = NewForm();
    ReadComponentResourceText(form, text);
    auto* rgn = dynamic_cast<TRgn*>(form->FindComponent("Frame1"));
    ASSERT_NE(rgn, nullptr);
    EXPECT_TRUE(rgn->Transparent);
    EXPECT_FALSE(rgn->MaskBitmap()->Empty());
    EXPECT_EQ(rgn->MaskBitmap()->Canvas()->Pixels(3, 0), clWhite);
    EXPECT_NE(rgn->RgnHandle(), nullptr);
}

TEST_F(RgnTest, LoadFailuresNameTheFrame) {
    // A designed frame's picture, to pair with broken blocks.
    const std::string good = Designed({kShape});
    FormNode tree = ParseFormText(good);
    std::vector<std::uint8_t> picture;
    for (const FormProperty& p : tree.children[0].properties)
        if (p.path == "RgnBitmap.Data") picture = p.value.bytes;
    ASSERT_FALSE(picture.empty());
    auto hex = [](const std::vector<std::uint8_t>& bytes) {
        static const char* digits = "0123456789ABCDEF";
        std::string out = "{";
        for (std::uint8_t b : bytes) {
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        return out + "}";
    };
    auto frame = [&](bool withPicture, const std::string& data) {
        std::string text = "object Form9: TForm\n  object Frame7: TRgn\n";
        if (withPicture) text += "    RgnBitmap.Data = " + hex(picture) + "\n";
        if (!data.empty()) text += "    RgnData = " + data + "\n";
        return text + "  end\nend\n";
    };
    std::vector<std::uint8_t> noRects(32, 0);
    noRects[0] = 32;
    noRects[4] = 1;
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"zero-length RgnData", frame(true, "{}"), "Frame7 のﾘｰｼﾞｮﾝ情報がありません"},
        {"no RgnData at all", frame(true, ""), "Frame7 のﾘｰｼﾞｮﾝ情報がありません"},
        {"no picture", frame(false, hex(noRects)), "Frame7:RgnBitmap のﾋﾞｯﾄﾏｯﾌﾟが正しくありません"},
        {"a damaged block", frame(true, "{2000000001000000FFFFFF0F}"), "ｳｨﾝﾄﾞｳﾘｰｼﾞｮﾝが作成できません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const long live = win::LiveGdiObjects();
        {
            TDesignForm form("TForm");
            try {
                ReadComponentResourceText(&form, c.text);
                ADD_FAILURE() << "loaded:\n" << c.text;
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message, c.message);
            }
        }
        EXPECT_EQ(win::LiveGdiObjects(), live);
    }
}

}  // namespace
