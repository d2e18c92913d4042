// TdxfCheckBox on the headless backend: which strip cell each style and
// state draws and how it is composed, the box geometry (the settings
// window's 13 x 13 boxes included), custom glyphs, captions (engraved when
// disabled) and the focus rectangle, the size calculation, groups, OnClick
// counts for every way the state changes, the message table, the shared
// resources of unit dxfRes and the published properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/checkbox/dxfCheckBox.h"
#include "controls/checkbox/dxfRes.h"
#include "platform/core/Classes.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/Bitmap.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"

namespace {

// ---------------------------------------------------------------- pictures
// 0x00BBGGRR (COLORREF, TColor) to 0x00RRGGBB (the presented pixels).
std::uint32_t Rgb(win::COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, top row first
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t key() const { return at(0, height - 1); }
};

Picture PictureOf(TBitmap* bitmap, int left, int top, int width, int height) {
    Picture p{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.rgb[static_cast<std::size_t>(y) * width + x] = Rgb(bitmap->Canvas()->Pixels(left + x, top + y));
    return p;
}

// The strip as the resource holds it, read apart from the unit under test.
const TBitmap& Strip() {
    static TBitmap* strip = [] {
        auto* b = new TBitmap();  // kept for the whole run
        b->LoadFromResourceName("CHECKBOX");
        return b;
    }();
    return *strip;
}
constexpr int kCell = 18, kStyles = 14, kCells = kStyles * 4;

Picture Cell(int index) { return PictureOf(const_cast<TBitmap*>(&Strip()), index * kCell, 0, kCell, kCell); }

// A 24-bit glyph: key colour (bottom-left, lime) around a pattern of other colours.
std::unique_ptr<TBitmap> MakeGlyph(int width, int height, int seed) {
    auto g = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool border = x == 0 || y == height - 1 || (x + y + seed) % 5 == 0;
            TColor c = border ? clLime : win::RGB(40 + 11 * x, 30 + 13 * y, 200 - 7 * seed);
            g->Canvas()->SetPixels(x, y, c);
        }
    return g;
}

// What Paint leaves where no caption is drawn: `back` everywhere, and in the
// box rectangle the picture centred, its key colour replaced by `back`.
headless::Image Composed(int cw, int ch, const TRect& box, const Picture* picture, std::uint32_t back) {
    headless::Image img{cw, ch, std::vector<std::uint32_t>(static_cast<std::size_t>(cw) * ch, back)};
    if (!picture) return img;
    const int ox = box.Left + (box.Width() - picture->width) / 2, oy = box.Top + (box.Height() - picture->height) / 2;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            if (!box.Contains(x, y)) continue;
            const int px = x - ox, py = y - oy;
            if (px < 0 || py < 0 || px >= picture->width || py >= picture->height) continue;
            const std::uint32_t c = picture->at(px, py);
            if (c != picture->key()) img.pixels[static_cast<std::size_t>(y) * cw + x] = c;
        }
    return img;
}

::testing::AssertionResult SameImage(const headless::Image& got, const headless::Image& want) {
    if (got.width != want.width || got.height != want.height)
        return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height << ", want " << want.width << "x"
                                             << want.height;
    int wrong = 0;
    std::string first;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x)
            if (got.at(x, y) != want.at(x, y) && wrong++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d) is %06X, want %06X", x, y, got.at(x, y), want.at(x, y));
                first = text;
            }
    if (wrong) return ::testing::AssertionFailure() << wrong << " pixels differ; first " << first;
    return ::testing::AssertionSuccess();
}

// Every strip cell whose composition gives exactly this picture.
std::vector<int> MatchingCells(const headless::Image& got, const TRect& box, std::uint32_t back) {
    std::vector<int> found;
    for (int c = 0; c < kCells; ++c) {
        Picture cell = Cell(c);
        if (SameImage(got, Composed(got.width, got.height, box, &cell, back))) found.push_back(c);
    }
    return found;
}

// The pixels a text covers when drawn at (0, 0) in a font: true per pixel.
struct Coverage {
    int width = 0, height = 0;
    std::vector<bool> ink;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && ink[static_cast<std::size_t>(y) * width + x];
    }
};

Coverage CoverageOf(TFont* font, const std::string& text) {
    TBitmap b(1, 1, pf32bit);
    b.Canvas()->Font()->Assign(font);
    const int w = std::max(1, b.Canvas()->TextWidth(text)), h = b.Canvas()->TextHeight(text);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(Rect(0, 0, w, h));
    b.Canvas()->Brush()->SetStyle(bsClear);
    b.Canvas()->Font()->SetColor(clBlack);
    b.Canvas()->TextOut(0, 0, text);
    Coverage c{w, h, std::vector<bool>(static_cast<std::size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.ink[static_cast<std::size_t>(y) * w + x] = b.Canvas()->Pixels(x, y) == clBlack;
    return c;
}

win::SIZE TextSize(TFont* font, const std::string& text) {
    TBitmap b(1, 1, pf32bit);
    b.Canvas()->Font()->Assign(font);
    return b.Canvas()->TextExtent(text);
}

// ---------------------------------------------------------------- the form
class TCheckBoxTestForm : public TForm {
public:
    TCheckBoxTestForm() : TForm(nullptr) {}
    const char* ClassName() const override { return "TCheckBoxTestForm"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override {
        return FindMethodIn(this, name, {{"BoxClick", &TCheckBoxTestForm::BoxClick}});
    }
    void BoxClick(TObject*) { ++box_clicks; }
    int box_clicks = 0;
};

class CheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        dxfRes::Initialize();
        form_ = NewForm(0, 0);
    }
    void TearDown() override {
        forms_.clear();
        EXPECT_EQ(headless::InvalidWindowCalls(), 0u) << "an os function was called with a dead window id";
        headless::Reset();
    }

    TCheckBoxTestForm* NewForm(int left, int top) {
        forms_.push_back(std::make_unique<TCheckBoxTestForm>());
        TCheckBoxTestForm* f = forms_.back().get();
        f->SetBounds(left, top, 400, 200);
        f->Show();
        return f;
    }

    // A box on `parent` (the test form unless given), its window created.
    TdxfCheckBox* AddBox(int left, int top, int width, int height, TWinControl* parent = nullptr) {
        parent = parent ? parent : form_;
        auto* box = new TdxfCheckBox(parent);  // owned by the form
        box->SetBounds(left, top, width, height);
        box->SetParent(parent);
        return box;
    }

    // Counts OnClick per box, checking the sender.
    void CountClicks(TdxfCheckBox* box) {
        clicks_[box] = 0;
        box->OnClick = TNotifyEvent([this, box](TObject* sender) {
            EXPECT_EQ(sender, box);
            ++clicks_[box];
        });
    }

    headless::Image Painted(TdxfCheckBox* box) {
        box->Invalidate();
        os::update_window(box->Handle());
        auto img = headless::LastPresent(box->Handle());
        if (!img) {
            ADD_FAILURE() << "the box presented nothing";
            return {};
        }
        return *img;
    }

    static std::uint32_t Back(TdxfCheckBox* box) { return Rgb(ColorToRGB(box->Color())); }

    // A left click at a client point of the box, through the scripted mouse.
    static void ClickAt(TdxfCheckBox* box, int x = 4, int y = 4) {
        TPoint p = box->ClientToScreen({x, y});
        headless::Click(p.x, p.y);
    }

    TCheckBoxTestForm* form_ = nullptr;  // not owned
    std::vector<std::unique_ptr<TCheckBoxTestForm>> forms_;  // owned
    std::map<TdxfCheckBox*, int> clicks_;
};

// ---------------------------------------------------------------- construction and resources
TEST_F(CheckBoxTest, NewBoxHasTheDocumentedStateAndDrawsCellZero) {
    auto* box = new TdxfCheckBox(form_);
    EXPECT_EQ(box->Width(), 100);
    EXPECT_EQ(box->Height(), 17);
    EXPECT_FALSE(box->Checked());
    EXPECT_TRUE(box->AutoSize());
    EXPECT_EQ(box->Alignment(), taRightJustify);
    EXPECT_EQ(box->GroupIndex(), 0);
    EXPECT_TRUE(box->AllowAllUp());
    EXPECT_TRUE(box->GlyphChecked()->Empty());
    EXPECT_TRUE(box->GlyphUnChecked()->Empty());
    EXPECT_NE(box->GlyphChecked(), box->GlyphUnChecked());
    EXPECT_EQ(box->Style(), 1);
    EXPECT_TRUE(box->TabStop);

    box->SetParent(form_);
    EXPECT_EQ(box->Width(), 100) << "getting a window is no size change";
    EXPECT_EQ(box->Height(), 17);
    EXPECT_EQ(MatchingCells(Painted(box), TRect{0, 0, 18, 18}, Back(box)), std::vector<int>{0});
}

TEST_F(CheckBoxTest, SharedResourcesComeFromTheProgramsBitmaps) {
    TBitmap* strip = dxfRes::CBBmp();
    ASSERT_FALSE(strip->Empty());
    EXPECT_EQ(strip->Width(), 1008);
    EXPECT_EQ(strip->Height(), 18);
    EXPECT_EQ(strip->PixelFormat(), pf8bit);
    EXPECT_EQ(dxfRes::CBBmp(), strip) << "one strip per program";
    EXPECT_EQ(dxfRes::DrawBmp(), dxfRes::DrawBmp());

    TBitmap tt, device;
    ASSERT_TRUE(dxfRes::LoadBitmapResource(&tt, "TTFONT"));
    ASSERT_TRUE(dxfRes::LoadBitmapResource(&device, "DEVICEFONT"));
    TImageList* list = dxfRes::ImageList();
    EXPECT_EQ(list->Width(), tt.Width());
    EXPECT_EQ(list->Height(), tt.Height());
    EXPECT_TRUE(list->Masked());
    ASSERT_EQ(list->Count(), tt.Width() / list->Width() + device.Width() / list->Width());
    // Masked by their own key colour: drawn on a colour of neither picture,
    // the bottom-left pixel shows that colour and the figure does not.
    for (int i = 0; i < list->Count(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        TBitmap target(list->Width(), list->Height(), pf32bit);
        target.Canvas()->Brush()->SetColor(win::RGB(1, 2, 3));
        target.Canvas()->FillRect(Rect(0, 0, list->Width(), list->Height()));
        list->Draw(target.Canvas(), 0, 0, i);
        EXPECT_EQ(target.Canvas()->Pixels(0, list->Height() - 1), win::RGB(1, 2, 3));
        int figure = 0;
        for (int y = 0; y < list->Height(); ++y)
            for (int x = 0; x < list->Width(); ++x) figure += target.Canvas()->Pixels(x, y) != win::RGB(1, 2, 3);
        EXPECT_GT(figure, 0);
    }
}

TEST_F(CheckBoxTest, BitmapResourcesThatCannotBeLoadedLeaveAnEmptyBitmap) {
    headless::RegisterResource("CB_TEST_DAMAGED", "BITMAP", {'B', 'M', 1, 0, 0});
    struct Case {
        const char* name;
        bool loads;
    } cases[] = {
        {"CB_TEST_MISSING", false},
        {"CB_TEST_DAMAGED", false},
        {"CHECKBOX", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap b(5, 5);
        bool loaded = true;
        EXPECT_NO_THROW(loaded = dxfRes::LoadBitmapResource(&b, c.name));
        EXPECT_EQ(loaded, c.loads);
        EXPECT_EQ(b.Empty(), !c.loads);
    }
    headless::UnregisterResources();
}

// ---------------------------------------------------------------- styles and states
TEST_F(CheckBoxTest, StyleIsClampedToTheStylesOfTheStrip) {
    auto* box = AddBox(0, 0, 100, 17);
    struct Case {
        int requested, stored;
    } cases[] = {{0, 1}, {-5, 1}, {INT_MIN, 1}, {1, 1}, {3, 3}, {14, 14}, {15, 14}, {99, 14}, {INT_MAX, 14}};
    for (const Case& c : cases) {
        box->SetStyle(c.requested);
        EXPECT_EQ(box->Style(), c.stored) << "SetStyle(" << c.requested << ")";
    }
}

// Every style and state draws its own cell, (Style - 1) * 4 + state, and no
// other cell of the strip would have given the same picture.
TEST_F(CheckBoxTest, EachStyleAndStateDrawsItsCell) {
    auto* box = AddBox(0, 0, 100, 17);
    const TRect cell_box{0, 0, 18, 18};
    for (int style = 1; style <= kStyles; ++style)
        for (int state = 0; state < 4; ++state) {
            SCOPED_TRACE("style " + std::to_string(style) + ", state " + std::to_string(state));
            box->SetStyle(style);
            box->SetChecked(state == 1 || state == 3);
            box->SetEnabled(state < 2);
            EXPECT_EQ(MatchingCells(Painted(box), cell_box, Back(box)), std::vector<int>{(style - 1) * 4 + state});
        }
}

// ---------------------------------------------------------------- geometry
TEST_F(CheckBoxTest, BoxRectangleIsPlacedAndCutAsDocumented) {
    struct Case {
        const char* what;
        int width, height;
        TdxfCBAlignment alignment;
        int glyph_w, glyph_h;  // 0: the strip's cell
        bool checked;
        TRect box;
    } cases[] = {
        // The settings window's boxes: rows 2 to 14 and columns 0 to 12 of the cell show.
        {"13 x 13, unchecked (settings window)", 13, 13, taRightJustify, 0, 0, false, {0, -2, 18, 16}},
        {"13 x 13, checked (settings window)", 13, 13, taRightJustify, 0, 0, true, {0, -2, 18, 16}},
        {"default size", 100, 17, taRightJustify, 0, 0, true, {0, 0, 18, 18}},
        {"default size, box at the right", 100, 17, taLeftJustify, 0, 0, true, {82, 0, 100, 18}},
        {"taller than the cell", 40, 30, taRightJustify, 0, 0, false, {0, 6, 18, 24}},
        {"13 high, box at the right", 40, 13, taLeftJustify, 0, 0, true, {22, -2, 40, 16}},
        {"glyph taller than the control: cut at both ends", 40, 17, taRightJustify, 30, 30, true, {0, -6, 30, 24}},
        {"small glyph centred in the cell-sized box", 40, 20, taRightJustify, 9, 7, true, {0, 1, 18, 19}},
        {"small unchecked glyph, box at the right", 40, 20, taLeftJustify, 7, 9, false, {22, 1, 40, 19}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* box = AddBox(10, 10, c.width, c.height);
        box->SetAutoSize(false);
        box->SetAlignment(c.alignment);
        std::unique_ptr<TBitmap> glyph;
        if (c.glyph_w) {
            glyph = MakeGlyph(c.glyph_w, c.glyph_h, 1);
            c.checked ? box->SetCheckedBmp(glyph.get()) : box->SetUnCheckedBmp(glyph.get());
        }
        box->SetChecked(c.checked);
        // No caption: never a focus rectangle, focused or not.
        box->SetFocus();
        ASSERT_TRUE(box->Focused());
        Picture picture = glyph ? PictureOf(glyph.get(), 0, 0, c.glyph_w, c.glyph_h) : Cell(c.checked ? 1 : 0);
        EXPECT_TRUE(SameImage(Painted(box), Composed(c.width, c.height, c.box, &picture, Back(box))));
        delete box;
    }
}

TEST_F(CheckBoxTest, CustomGlyphsAreCopiesWithoutDisabledPictures) {
    auto* box = AddBox(0, 0, 40, 20);
    box->SetAutoSize(false);
    auto checked = MakeGlyph(12, 10, 1), unchecked = MakeGlyph(10, 12, 2);
    box->SetCheckedBmp(checked.get());
    box->SetUnCheckedBmp(unchecked.get());
    EXPECT_NE(box->GlyphChecked(), checked.get());
    const Picture want_checked = PictureOf(checked.get(), 0, 0, 12, 10);
    const Picture want_unchecked = PictureOf(unchecked.get(), 0, 0, 10, 12);
    // With both glyphs set the strip plays no part: the box is 12 x 12.
    const TRect b{0, 4, 12, 16};

    // Changing the source afterwards changes nothing.
    checked->Canvas()->SetPixels(5, 5, clRed);
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled: the same pictures");
        box->SetEnabled(enabled);
        box->SetChecked(true);
        EXPECT_TRUE(SameImage(Painted(box), Composed(40, 20, b, &want_checked, Back(box))));
        box->SetChecked(false);
        EXPECT_TRUE(SameImage(Painted(box), Composed(40, 20, b, &want_unchecked, Back(box))));
    }

    // Null and an empty bitmap empty a glyph: the strip's cell is back.
    box->SetEnabled(true);
    TBitmap empty;
    box->SetCheckedBmp(nullptr);
    box->SetUnCheckedBmp(&empty);
    EXPECT_TRUE(box->GlyphChecked()->Empty());
    EXPECT_TRUE(box->GlyphUnChecked()->Empty());
    const TRect cell_box{0, 1, 18, 19};
    EXPECT_EQ(MatchingCells(Painted(box), cell_box, Back(box)), std::vector<int>{0});
    box->SetChecked(true);
    EXPECT_EQ(MatchingCells(Painted(box), cell_box, Back(box)), std::vector<int>{1});
}

// The caption: clipped to the text rectangle shrunk by one, in the font's
// colour, or engraved (white one pixel down and right, grey on top) when
// disabled; the dotted focus rectangle on the text rectangle when focused.
TEST_F(CheckBoxTest, CaptionIsDrawnBesideTheBoxAndEngravedWhenDisabled) {
    struct Case {
        TdxfCBAlignment alignment;
        bool enabled;
    } cases[] = {{taRightJustify, true}, {taRightJustify, false}, {taLeftJustify, true}, {taLeftJustify, false}};
    const std::string caption = "Wg";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.alignment == taRightJustify ? "box left" : "box right") + (c.enabled ? ", enabled" : ", disabled"));
        auto* box = AddBox(0, 0, 60, 20);
        box->SetAutoSize(false);
        box->SetCaption(caption);
        box->SetAlignment(c.alignment);
        box->Font()->SetColor(clNavy);
        box->SetEnabled(c.enabled);
        const int cw = 60, ch = 20, W = 18;
        const win::SIZE t = TextSize(box->Font(), caption);
        TRect r;
        if (c.alignment == taRightJustify)
            r = {W + 2, std::max((ch - t.cy) / 2 - 1, 0), std::min(W + t.cx + 6, cw), std::min((ch - t.cy) / 2 + t.cy + 1, ch)};
        else
            r = {0, std::max((ch - t.cy) / 2 - 2, 0), std::min(t.cx + 2, cw - W - 2), std::min((ch - t.cy) / 2 + t.cy + 2, ch)};
        const TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        const TRect b = c.alignment == taRightJustify ? TRect{0, 1, 18, 19} : TRect{42, 1, 60, 19};
        Picture cell = Cell(c.enabled ? 0 : 2);
        headless::Image want = Composed(cw, ch, b, &cell, Back(box));
        const Coverage ink = CoverageOf(box->Font(), caption);
        int inked = 0;
        for (int y = inner.Top; y < inner.Bottom; ++y)
            for (int x = inner.Left; x < inner.Right; ++x) {
                std::uint32_t& px = want.pixels[static_cast<std::size_t>(y) * cw + x];
                if (ink.at(x - inner.Left, y - inner.Top)) {
                    px = c.enabled ? Rgb(ColorToRGB(clNavy)) : 0x808080;
                    ++inked;
                } else if (!c.enabled && ink.at(x - inner.Left - 1, y - inner.Top - 1)) {
                    px = 0xFFFFFF;
                }
            }
        ASSERT_GT(inked, 0) << "the caption must show";
        const headless::Image plain = Painted(box);
        EXPECT_TRUE(SameImage(plain, want));

        // Focused: only the ring of the text rectangle changes, every other pixel of it.
        box->SetEnabled(true);
        box->SetFocus();
        box->SetEnabled(c.enabled);
        ASSERT_TRUE(box->Focused());
        const headless::Image focused = Painted(box);
        int ring = 0, elsewhere = 0;
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                if (focused.at(x, y) == plain.at(x, y)) continue;
                bool on_ring = r.Contains(x, y) && !inner.Contains(x, y);
                (on_ring ? ring : elsewhere)++;
            }
        EXPECT_EQ(elsewhere, 0);
        const int ring_pixels = 2 * (r.Width() + r.Height()) - 4;
        EXPECT_GE(ring, ring_pixels / 2 - 2);
        EXPECT_LE(ring, ring_pixels / 2 + 2);
        delete box;
    }
}

TEST_F(CheckBoxTest, DrawBufferOnlyGrows) {
    struct Size {
        int width, height;
    } sizes[] = {{100, 17}, {13, 13}, {300, 40}, {50, 60}, {20, 10}, {301, 5}};
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
        const int before_w = dxfRes::DrawBmp()->Width(), before_h = dxfRes::DrawBmp()->Height();
        auto* box = AddBox(0, 0, s.width, s.height);
        Painted(box);
        EXPECT_EQ(dxfRes::DrawBmp()->Width(), std::max(before_w, s.width));
        EXPECT_EQ(dxfRes::DrawBmp()->Height(), std::max(before_h, s.height));
        delete box;
    }
}

// ---------------------------------------------------------------- size
TEST_F(CheckBoxTest, CalcSizeFitsBoxAndCaption) {
    struct Case {
        const char* what;
        int font_height;
        int glyph_w, glyph_h;  // 0: strip cells
        const char* caption;
    } cases[] = {
        {"default font", -12, 0, 0, "Wg"},
        {"font taller than the cell", -30, 0, 0, "Wg"},
        {"wide glyph", -12, 30, 25, "Wg"},
        {"Japanese caption", -12, 0, 0, "キャラの表示"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* box = AddBox(0, 0, 100, 17);
        box->SetAutoSize(false);
        box->Font()->SetHeight(c.font_height);
        std::unique_ptr<TBitmap> glyph;
        if (c.glyph_w) {
            glyph = MakeGlyph(c.glyph_w, c.glyph_h, 3);
            box->SetCheckedBmp(glyph.get());
        }
        box->SetCaption(c.caption);
        ASSERT_EQ(box->Width(), 100) << "AutoSize off keeps the size";
        box->SetAutoSize(true);
        const int picture_w = std::max(c.glyph_w, 18), picture_h = std::max(c.glyph_h, 18);
        EXPECT_EQ(box->Width(), TextSize(box->Font(), c.caption).cx + picture_w + 4);
        EXPECT_EQ(box->Height(), std::max(picture_h, TextSize(box->Font(), "Wg").cy + 2));
        delete box;
    }
}

TEST_F(CheckBoxTest, AutoSizeFollowsCaptionOnlyOnceTheWindowExists) {
    const int wg = TextSize(form_->Font(), "Wg").cx;
    ASSERT_LE(TextSize(form_->Font(), "Wg").cy + 2, 18) << "the default font is lower than the cell";

    auto* box = new TdxfCheckBox(form_);
    box->SetCaption("Wg");
    EXPECT_EQ(box->Width(), 100) << "no window yet: no size calculation";
    EXPECT_EQ(box->Height(), 17);
    box->SetParent(form_);
    EXPECT_EQ(box->Width(), 100);

    box->SetCaption("WgWg");
    box->SetCaption("Wg");
    EXPECT_EQ(box->Width(), wg + 22);
    EXPECT_EQ(box->Height(), 18);

    // A font change recalculates too; with AutoSize off nothing does.
    box->Font()->SetHeight(-30);
    EXPECT_EQ(box->Width(), TextSize(box->Font(), "Wg").cx + 22);
    EXPECT_EQ(box->Height(), TextSize(box->Font(), "Wg").cy + 2);
    const int fitted = box->Width();
    box->SetAutoSize(false);
    box->SetCaption("a much longer caption");
    box->Font()->SetHeight(-12);
    auto glyph = MakeGlyph(40, 40, 1);
    box->SetUnCheckedBmp(glyph.get());
    EXPECT_EQ(box->Width(), fitted) << "frozen while AutoSize is off";
}

// ---------------------------------------------------------------- an empty strip
class EmptyStripTest : public CheckBoxTest {
protected:
    void SetUp() override {
        CheckBoxTest::SetUp();
        dxfRes::CBBmp()->Assign(nullptr);
    }
    void TearDown() override {
        dxfRes::CBBmp()->LoadFromResourceName("CHECKBOX");
        CheckBoxTest::TearDown();
    }
};

TEST_F(EmptyStripTest, BoxesWithoutStripDrawNoBoxButTheirCaption) {
    auto* box = AddBox(0, 0, 60, 20);
    box->SetAutoSize(false);
    for (bool checked : {false, true}) {
        box->SetChecked(checked);
        EXPECT_TRUE(SameImage(Painted(box), Composed(60, 20, TRect{}, nullptr, Back(box)))) << "checked " << checked;
    }
    box->SetCaption("Wg");
    const headless::Image img = Painted(box);
    int ink = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) ink += img.at(x, y) != Back(box);
    EXPECT_GT(ink, 0) << "the caption still shows";
    EXPECT_EQ(img.at(0, 10), Back(box)) << "the text starts at x 3, with a box width of 0";

    box->SetAutoSize(true);
    EXPECT_EQ(box->Width(), TextSize(box->Font(), "Wg").cx + 4);
    EXPECT_EQ(box->Height(), TextSize(box->Font(), "Wg").cy + 2);

    // Without a strip there is no number of styles: only the lower bound holds.
    box->SetStyle(5);
    EXPECT_EQ(box->Style(), 5);
    box->SetStyle(-3);
    EXPECT_EQ(box->Style(), 1);
    EXPECT_NO_THROW(Painted(box));
}

// ---------------------------------------------------------------- OnClick and the state
TEST_F(CheckBoxTest, EveryWayOfChangingTheStateFiresOnClickAsDocumented) {
    using Act = std::function<void(TdxfCheckBox*)>;
    const Act click = [](TdxfCheckBox* b) { ClickAt(b); };
    struct Case {
        const char* what;
        int group;
        bool allow_all_up;
        bool start;
        Act act;
        bool end;
        int clicks;
    } cases[] = {
        {"click", 0, true, false, click, true, 1},
        {"click on a checked box", 0, true, true, click, false, 1},
        {"double click: two toggles", 0, true, false, [](TdxfCheckBox* b) {
             TPoint p = b->ClientToScreen({4, 4});
             headless::DoubleClick(p.x, p.y);
         }, false, 2},
        {"button down and up by message", 0, true, false, [](TdxfCheckBox* b) {
             b->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, PackPoint(3, 3));
             b->Perform(win::WM_LBUTTONUP, 0, PackPoint(3, 3));
         }, true, 1},
        {"button released outside", 0, true, false, [](TdxfCheckBox* b) {
             b->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, PackPoint(3, 3));
             b->Perform(win::WM_LBUTTONUP, 0, PackPoint(-4, 3));
         }, false, 0},
        {"right click", 0, true, false, [](TdxfCheckBox* b) {
             TPoint p = b->ClientToScreen({4, 4});
             headless::RightClick(p.x, p.y);
         }, false, 0},
        {"space released", 0, true, false, [](TdxfCheckBox* b) {
             b->SetFocus();
             headless::PressKey(win::VK_SPACE);
         }, true, 1},
        {"space pressed, not yet released", 0, true, false, [](TdxfCheckBox* b) {
             b->SetFocus();
             headless::KeyDown(win::VK_SPACE);
         }, false, 0},
        {"return released", 0, true, false, [](TdxfCheckBox* b) {
             b->SetFocus();
             headless::PressKey(win::VK_RETURN);
         }, false, 0},
        {"SetChecked to a new value", 0, true, false, [](TdxfCheckBox* b) { b->SetChecked(true); }, true, 1},
        {"SetChecked to the same value", 0, true, true, [](TdxfCheckBox* b) { b->SetChecked(true); }, true, 0},
        {"SetChecked(false) refused by a negative group", -1, true, true, [](TdxfCheckBox* b) { b->SetChecked(false); }, true, 1},
        {"SetChecked(false) refused by AllowAllUp off", 2, false, true, [](TdxfCheckBox* b) { b->SetChecked(false); }, true, 1},
        {"click refused by a negative group", -1, true, true, click, true, 1},
        {"click refused by AllowAllUp off", 2, false, true, click, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* box = AddBox(20, 20, 100, 17);
        box->SetChecked(c.start);
        box->SetGroupIndex(c.group);
        box->SetAllowAllUp(c.allow_all_up);
        CountClicks(box);
        c.act(box);
        EXPECT_EQ(box->Checked(), c.end);
        EXPECT_EQ(clicks_[box], c.clicks);
        headless::SetKeyState(win::VK_SPACE, false);
        delete box;
    }
}

TEST_F(CheckBoxTest, ClickFocusesTheBoxAndDisabledBoxesIgnoreTheMouse) {
    auto* box = AddBox(20, 20, 100, 17);
    CountClicks(box);
    ClickAt(box);
    EXPECT_EQ(os::focus(), box->Handle());

    box->SetEnabled(false);
    ClickAt(box);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks_[box], 1);
    box->SetEnabled(true);
    ClickAt(box);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks_[box], 2);
}

// ---------------------------------------------------------------- groups
TEST_F(CheckBoxTest, GroupsOfThreeSiblings) {
    enum Act { kClick, kSetTrue };
    struct Case {
        const char* what;
        int groups[3];
        bool allow_all_up;
        bool start[3];
        Act act;  // on the second box
        bool end[3];
        int clicks[3];
    } cases[] = {
        {"positive group: checking unchecks the others", {1, 1, 1}, true, {true, false, true}, kClick, {false, true, false}, {0, 1, 0}},
        {"positive group, from code", {1, 1, 1}, true, {true, false, true}, kSetTrue, {false, true, false}, {0, 1, 0}},
        {"positive group, AllowAllUp off: stays checked", {1, 1, 1}, false, {false, true, false}, kClick, {false, true, false}, {0, 1, 0}},
        {"positive group, AllowAllUp on: may go", {1, 1, 1}, true, {false, true, false}, kClick, {false, false, false}, {0, 1, 0}},
        {"another group is left alone", {1, 2, 2}, true, {true, false, true}, kClick, {true, true, false}, {0, 1, 0}},
        {"negative group: checking leaves the others", {-1, -1, -1}, true, {true, false, true}, kClick, {true, true, true}, {0, 1, 0}},
        {"negative group: a checked box stays", {-1, -1, -1}, true, {false, true, false}, kClick, {false, true, false}, {0, 1, 0}},
        {"no group: independent", {0, 0, 0}, true, {true, false, true}, kClick, {true, true, true}, {0, 1, 0}},
        {"no group: unchecking", {0, 0, 0}, false, {false, true, false}, kClick, {false, false, false}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TdxfCheckBox* boxes[3];
        for (int i = 0; i < 3; ++i) {
            boxes[i] = AddBox(10, 10 + 25 * i, 100, 17);
            boxes[i]->SetChecked(c.start[i]);
            boxes[i]->SetGroupIndex(c.groups[i]);
            boxes[i]->SetAllowAllUp(c.allow_all_up);
            CountClicks(boxes[i]);
        }
        if (c.act == kClick) ClickAt(boxes[1]);
        else boxes[1]->SetChecked(true);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(boxes[i]->Checked(), c.end[i]) << "box " << i;
            EXPECT_EQ(clicks_[boxes[i]], c.clicks[i]) << "box " << i;
        }
        // Invariant of a positive group: at most one box checked.
        if (c.groups[0] > 0 && c.groups[0] == c.groups[1] && c.groups[1] == c.groups[2]) {
            EXPECT_LE(std::count_if(std::begin(boxes), std::end(boxes), [](TdxfCheckBox* b) { return b->Checked(); }), 1);
        }
        for (TdxfCheckBox* b : boxes) delete b;
    }
}

TEST_F(CheckBoxTest, GroupsAreOnlyAmongSiblingsAndAreNotReevaluated) {
    TCheckBoxTestForm* other = NewForm(0, 300);
    auto* here = AddBox(10, 10, 100, 17);
    auto* there = AddBox(10, 10, 100, 17, other);
    auto* sibling = AddBox(10, 40, 100, 17);
    there->SetChecked(true);
    sibling->SetChecked(true);
    here->SetGroupIndex(1);
    there->SetGroupIndex(1);
    sibling->SetGroupIndex(1);
    EXPECT_TRUE(sibling->Checked()) << "joining a group unchecks nothing";
    here->SetChecked(true);
    EXPECT_TRUE(there->Checked()) << "another parent's box is not in the group";
    EXPECT_FALSE(sibling->Checked());
}

TEST_F(CheckBoxTest, ButtonPressedMessageUnchecksOnlyForItsGroupFromAnother) {
    auto* box = AddBox(10, 10, 100, 17);
    auto* other = AddBox(10, 40, 100, 17);
    const auto group = [](int g) { return static_cast<win::WPARAM>(static_cast<win::LPARAM>(g)); };
    struct Case {
        const char* what;
        int group;
        win::WPARAM wparam;
        win::LPARAM sender;  // 0: the box itself
        bool checked;
        bool end;
    } cases[] = {
        {"same group, from another box", 3, group(3), reinterpret_cast<win::LPARAM>(other), true, false},
        {"same group, from itself", 3, group(3), 0, true, true},
        {"another group", 3, group(4), reinterpret_cast<win::LPARAM>(other), true, true},
        {"unchecked stays unchecked", 3, group(3), reinterpret_cast<win::LPARAM>(other), false, false},
        {"negative group number", -2, group(-2), reinterpret_cast<win::LPARAM>(other), true, false},
        // Any control may send it: the sender is compared, never followed.
        {"a sender that is no check box", 3, group(3), 0x10, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        box->SetGroupIndex(0);
        box->SetChecked(c.checked);
        box->SetGroupIndex(c.group);
        CountClicks(box);
        os::update_window(box->Handle());
        const win::LPARAM sender = c.sender ? c.sender : reinterpret_cast<win::LPARAM>(static_cast<TControl*>(box));
        box->Perform(CM_BUTTONPRESSED, c.wparam, sender);
        EXPECT_EQ(box->Checked(), c.end);
        EXPECT_EQ(clicks_[box], 0) << "a sibling's uncheck is no click";
        EXPECT_EQ(headless::State(box->Handle()).invalid.has_value(), c.checked != c.end);
    }
}

// ---------------------------------------------------------------- messages and setters
TEST_F(CheckBoxTest, RepaintsExactlyWhenTheLookChanges) {
    using Act = std::function<void(TdxfCheckBox*)>;
    struct Case {
        const char* what;
        Act act;
        bool invalidates;
    } cases[] = {
        {"SetChecked, new value", [](TdxfCheckBox* b) { b->SetChecked(true); }, true},
        {"SetChecked, same value", [](TdxfCheckBox* b) { b->SetChecked(false); }, false},
        {"SetAlignment, new value", [](TdxfCheckBox* b) { b->SetAlignment(taLeftJustify); }, true},
        {"SetAlignment, same value", [](TdxfCheckBox* b) { b->SetAlignment(taRightJustify); }, false},
        {"SetStyle", [](TdxfCheckBox* b) { b->SetStyle(4); }, true},
        {"SetGroupIndex", [](TdxfCheckBox* b) { b->SetGroupIndex(5); }, false},
        {"SetAllowAllUp", [](TdxfCheckBox* b) { b->SetAllowAllUp(false); }, false},
        {"SetAutoSize(false)", [](TdxfCheckBox* b) { b->SetAutoSize(false); }, false},
        {"SetCheckedBmp", [](TdxfCheckBox* b) {
             b->SetAutoSize(false);
             os::update_window(b->Handle());
             auto g = MakeGlyph(5, 5, 1);
             b->SetCheckedBmp(g.get());
         }, true},
        {"a glyph's own pixels change", [](TdxfCheckBox* b) { b->GlyphChecked()->SetSize(4, 4); }, true},
        {"resize", [](TdxfCheckBox* b) { b->SetWidth(120); }, true},
        {"enable", [](TdxfCheckBox* b) { b->SetEnabled(false); }, true},
        {"font", [](TdxfCheckBox* b) {
             b->SetAutoSize(false);
             os::update_window(b->Handle());
             b->Font()->SetColor(clRed);
         }, true},
        {"caption", [](TdxfCheckBox* b) { b->SetCaption("x"); }, true},
        {"focus", [](TdxfCheckBox* b) { b->Perform(win::WM_SETFOCUS); }, true},
        {"focus lost", [](TdxfCheckBox* b) { b->Perform(win::WM_KILLFOCUS); }, true},
        {"erase background", [](TdxfCheckBox* b) { EXPECT_EQ(b->Perform(win::WM_ERASEBKGND), 1); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* box = AddBox(10, 10, 100, 17);
        Painted(box);
        ASSERT_FALSE(headless::State(box->Handle()).invalid.has_value());
        const std::size_t presents = headless::PresentCount(box->Handle());
        c.act(box);
        EXPECT_EQ(headless::State(box->Handle()).invalid.has_value(), c.invalidates);
        EXPECT_EQ(headless::PresentCount(box->Handle()), presents) << "painting waits for WM_PAINT";
        delete box;
    }
}

// ---------------------------------------------------------------- published properties
TEST_F(CheckBoxTest, PublishedDefaultsAreTheNewBoxsValues) {
    auto* box = new TdxfCheckBox(form_);
    const PropList& props = box->Properties();
    std::vector<std::string> names;
    for (const PropInfo& p : props) {
        names.push_back(p.name);
        if (p.always_stored || !p.get_int) continue;
        EXPECT_EQ(p.get_int(box), p.def) << p.name;
    }
    const char* own[] = {"Checked", "AutoSize", "Alignment", "GroupIndex", "AllowAllUp", "GlyphChecked", "GlyphUnChecked", "Style"};
    auto last = names.begin();
    for (const char* name : own) {
        auto it = std::find(names.begin(), names.end(), name);
        ASSERT_NE(it, names.end()) << name;
        EXPECT_TRUE(it > last || last == names.begin()) << name << " out of order";
        last = it;
    }
    for (const char* name : {"Caption", "Color", "Ctl3D", "DragCursor", "DragMode", "Enabled", "Font", "ParentColor",
                             "ParentCtl3D", "ParentFont", "ParentShowHint", "PopupMenu", "ShowHint", "TabOrder", "TabStop",
                             "Visible", "OnClick", "OnEnter", "OnExit"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST_F(CheckBoxTest, FormResourcesCreateAndStoreBoxes) {
    ASSERT_TRUE(IsClassRegistered("TdxfCheckBox"));
    ReadComponentResourceText(form_, R"(object BoxForm: TCheckBoxTestForm
  object CheckBox1: TdxfCheckBox
    Left = 12
    Top = 34
    Width = 13
    Height = 13
    Cursor = crHandPoint
    Hint = 'キャラの表示/非表示'
    ShowHint = True
    Checked = True
    AutoSize = False
    GroupIndex = 0
    TabOrder = 4
    OnClick = BoxClick
  end
  object CheckBox2: TdxfCheckBox
    Alignment = taLeftJustify
    Style = 99
  end
end
)");
    auto* one = dynamic_cast<TdxfCheckBox*>(form_->FindComponent("CheckBox1"));
    auto* two = dynamic_cast<TdxfCheckBox*>(form_->FindComponent("CheckBox2"));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->Parent(), form_);
    EXPECT_EQ(one->BoundsRect(), (TRect{12, 34, 25, 47}));
    EXPECT_TRUE(one->Checked());
    EXPECT_FALSE(one->AutoSize());
    EXPECT_EQ(one->Cursor(), crHandPoint);
    EXPECT_EQ(form_->box_clicks, 0) << "the handler is bound after Checked is read";
    EXPECT_EQ(two->Alignment(), taLeftJustify);
    EXPECT_EQ(two->Style(), 14);
    ClickAt(one, 2, 2);
    EXPECT_FALSE(one->Checked());
    EXPECT_EQ(form_->box_clicks, 1);

    // Checked and GroupIndex are written even at their defaults; the rest only when they differ.
    FormNode tree = WriteComponentTree(form_);
    auto node = std::find_if(tree.children.begin(), tree.children.end(), [](const FormNode& n) { return n.name == "CheckBox1"; });
    ASSERT_NE(node, tree.children.end());
    std::vector<std::string> stored;
    for (const FormProperty& p : node->properties) stored.push_back(p.path);
    auto has = [&](const char* name) { return std::find(stored.begin(), stored.end(), name) != stored.end(); };
    EXPECT_TRUE(has("Checked"));
    EXPECT_TRUE(has("GroupIndex"));
    EXPECT_TRUE(has("AutoSize"));
    EXPECT_FALSE(has("Style"));
    EXPECT_FALSE(has("Alignment"));
    EXPECT_FALSE(has("AllowAllUp"));
}

TEST_F(CheckBoxTest, BadAlignmentFromAFormIsAClearError) {
    auto* box = new TdxfCheckBox(form_);
    box->SetName("CheckBox7");
    const PropList& props = box->Properties();
    auto alignment = std::find_if(props.begin(), props.end(), [](const PropInfo& p) { return std::string(p.name) == "Alignment"; });
    ASSERT_NE(alignment, props.end());
    for (std::int64_t bad : {std::int64_t{2}, std::int64_t{-1}, std::int64_t{1} << 40}) {
        try {
            alignment->set_int(box, bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EReadError& e) {
            EXPECT_EQ(std::string(e.Message).rfind("CheckBox7", 0), 0u) << e.Message;
        }
        EXPECT_EQ(box->Alignment(), taRightJustify);
    }
}

}  // namespace
