// The standard controls on the headless backend: labels that size and draw
// their text, the system's edit with its text kept across its window's
// life, pictures and image lists with their stored forms, panels, shapes,
// and the registration of the classes. Pixels are checked in what the form
// presented; sizes follow the backend's fixed font (an ASCII character is
// h/2 pixels wide, one more when bold, any other character h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/headless/Headless.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/StdCtrls.h"

namespace {

// A colour as the presented pixels hold it (0x00RRGGBB).
std::uint32_t Px(TColor c) {
    win::COLORREF r = ColorToRGB(c);
    return (r & 0xFF) << 16 | (r & 0xFF00) | ((r >> 16) & 0xFF);
}

// 32-bit pixels of a bitmap, read back as 0x00RRGGBB.
std::uint32_t BitmapPx(TBitmap* b, int x, int y) { return Px(b->Canvas()->Pixels(x, y)); }

// A bitmap whose pixel (x, y) is colour(x, y).
std::unique_ptr<TBitmap> MakeBitmap(int w, int h, TPixelFormat format, const std::function<TColor(int, int)>& colour) {
    auto b = std::make_unique<TBitmap>(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->Canvas()->SetPixels(x, y, colour(x, y));
    return b;
}

// The bytes of a binary property of a component in a written form resource.
std::optional<std::vector<std::uint8_t>> StoredBytes(const std::string& text, const std::string& component,
                                                     const std::string& path) {
    FormNode root = ParseFormText(text);
    std::function<std::optional<std::vector<std::uint8_t>>(const FormNode&)> find =
        [&](const FormNode& n) -> std::optional<std::vector<std::uint8_t>> {
        if (n.name == component)
            for (const FormProperty& p : n.properties)
                if (p.path == path) return p.value.bytes;
        for (const FormNode& c : n.children)
            if (auto r = find(c)) return r;
        return std::nullopt;
    };
    return find(root);
}

bool HasProperty(const std::string& text, const std::string& component, const std::string& path) {
    FormNode root = ParseFormText(text);
    std::function<bool(const FormNode&)> find = [&](const FormNode& n) {
        if (n.name == component)
            for (const FormProperty& p : n.properties)
                if (p.path == path) return true;
        return std::any_of(n.children.begin(), n.children.end(), find);
    };
    return find(root);
}

class StdCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        RegisterStandardClasses();
    }
    void TearDown() override {
        Application->DestroyComponents();
        headless::Reset();
    }

    // A borderless form at the screen's top left, not shown yet.
    TForm* NewForm(int w, int h, TColor color = clWhite, const char* name = "Form1") {
        auto* f = new TForm(Application);
        f->SetName(name);
        f->SetBorderStyle(bsNone);
        f->SetBounds(0, 0, w, h);
        f->SetColor(color);
        return f;
    }

    // Shows (if needed) and paints a windowed control; its last picture.
    headless::Image Painted(TWinControl* c) {
        if (auto* f = dynamic_cast<TForm*>(c); f && !f->Visible()) f->Show();
        c->Invalidate();
        Application->ProcessMessages();
        std::optional<headless::Image> image = headless::LastPresent(c->Handle());
        EXPECT_TRUE(image.has_value()) << "nothing presented";
        return image.value_or(headless::Image{});
    }

    // A form read back from the resource another form wrote.
    TForm* ReadBack(const std::string& text) {
        auto* f = new TForm(Application);
        ReadComponentResourceText(f, text);
        return f;
    }
};

// Compares the pixels of a rectangle of a picture with a model.
::testing::AssertionResult PixelsAre(const headless::Image& image, TRect area,
                                     const std::function<std::uint32_t(int x, int y)>& expected) {
    for (int y = area.Top; y < area.Bottom; ++y) {
        for (int x = area.Left; x < area.Right; ++x) {
            if (x < 0 || y < 0 || x >= image.width || y >= image.height)
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") lies outside the picture";
            if (image.at(x, y) != expected(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << image.at(x, y)
                                                     << ", expected " << expected(x, y);
        }
    }
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------- TLabel

TEST_F(StdCtrlsTest, AutoSizedLabelsTakeTheExtentOfTheirTextWhateverTheOrderOfChanges) {
    struct Case {
        const char* caption;
        int font_height;
        bool bold;
        bool accel;
        int width, height;
    } cases[] = {
        {"Mallo", -12, false, true, 30, 12},
        {"Mallo", -12, true, true, 35, 12},
        {"&Launch!", -12, false, true, 42, 12},   // the '&' marks an accelerator
        {"&Launch!", -12, false, false, 48, 12},  // shown as it is
        {"a&&b", -12, false, true, 18, 12},       // "a&b"
        {"", -11, false, true, 5, 11},            // a line's height, a space's width
        {"設定", -11, false, true, 22, 11},
        {"two\nlines", -12, false, true, 30, 24},
    };
    TForm* form = NewForm(200, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        auto* caption_first = new TLabel(form);
        caption_first->SetParent(form);
        caption_first->SetShowAccelChar(c.accel);
        caption_first->SetCaption(c.caption);
        caption_first->Font()->SetHeight(c.font_height);
        if (c.bold) caption_first->Font()->SetStyle({fsBold});

        auto* font_first = new TLabel(form);
        font_first->Font()->SetHeight(c.font_height);
        if (c.bold) font_first->Font()->SetStyle({fsBold});
        font_first->SetParentFont(false);
        font_first->SetCaption(c.caption);
        font_first->SetShowAccelChar(c.accel);
        font_first->SetParent(form);

        for (TLabel* l : {caption_first, font_first}) {
            EXPECT_EQ(l->Width(), c.width);
            EXPECT_EQ(l->Height(), c.height);
        }
    }
}

TEST_F(StdCtrlsTest, LabelsWithoutAutoSizeKeepTheirBoundsAndParentFontsResizeTheOthers) {
    TForm* form = NewForm(200, 100);
    form->Font()->SetHeight(-20);
    auto* fixed = new TLabel(form);
    fixed->SetAutoSize(false);
    fixed->SetBounds(3, 4, 50, 9);
    fixed->SetCaption("a much longer caption");
    fixed->SetParent(form);
    EXPECT_EQ(fixed->BoundsRect(), Bounds(3, 4, 50, 9));
    fixed->SetAutoSize(true);
    EXPECT_EQ(fixed->BoundsRect(), Bounds(3, 4, 21 * 10, 20)) << "switching AutoSize on measures at once";

    auto* inherits = new TLabel(form);
    inherits->SetCaption("ab");
    EXPECT_EQ(inherits->Width(), 12);
    inherits->SetParent(form);
    EXPECT_EQ(inherits->Width(), 20) << "the parent's font came with the parent";
    EXPECT_EQ(inherits->Height(), 20);
}

TEST_F(StdCtrlsTest, TransparentLabelsDrawTheSameTextAsOpaqueOnesButNoBackground) {
    TForm* form = NewForm(100, 40, clRed);
    auto* opaque = new TLabel(form);
    opaque->SetParent(form);
    opaque->SetColor(clYellow);
    opaque->Font()->SetColor(clBlue);
    opaque->SetCaption("Ab&c");
    auto* clear = new TLabel(form);
    clear->SetParent(form);
    clear->SetTop(20);
    clear->SetTransparent(true);
    clear->SetColor(clYellow);  // not to be seen
    clear->Font()->SetColor(clBlue);
    clear->SetCaption("Ab&c");
    ASSERT_EQ(opaque->Width(), clear->Width());

    headless::Image image = Painted(form);
    int text_pixels = 0;
    for (int y = 0; y < opaque->Height(); ++y) {
        for (int x = 0; x < opaque->Width(); ++x) {
            std::uint32_t a = image.at(x, y), b = image.at(x, y + 20);
            bool ink = a == Px(clBlue);
            text_pixels += ink;
            EXPECT_EQ(ink, b == Px(clBlue)) << "(" << x << ", " << y << ") the same text in both";
            if (!ink) {
                EXPECT_EQ(a, Px(clYellow)) << "(" << x << ", " << y << ") the opaque label's colour";
                EXPECT_EQ(b, Px(clRed)) << "(" << x << ", " << y << ") the form through the transparent label";
            }
        }
    }
    EXPECT_GT(text_pixels, 10);
    EXPECT_EQ(image.at(opaque->Width(), 0), Px(clRed)) << "nothing outside the label";
}

TEST_F(StdCtrlsTest, DisabledLabelsAreEngravedHighlightBelowRightShadowOnTop) {
    TForm* form = NewForm(100, 40, clNavy);
    auto make = [&](int top, bool enabled) {
        auto* l = new TLabel(form);
        l->SetParent(form);
        l->SetTop(top);
        l->SetTransparent(true);
        l->Font()->SetColor(clBlack);
        l->SetCaption("Wq");
        l->SetEnabled(enabled);
        return l;
    };
    TLabel* enabled = make(0, true);
    make(20, false);
    headless::Image image = Painted(form);
    auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && image.at(x, y) == Px(clBlack); };
    EXPECT_TRUE(PixelsAre(image, Bounds(0, 20, enabled->Width(), enabled->Height()), [&](int x, int y) {
        if (ink(x, y - 20)) return Px(clBtnShadow);
        if (ink(x - 1, y - 21)) return Px(clBtnHighlight);
        return Px(clNavy);
    }));
}

TEST_F(StdCtrlsTest, LabelsReadFromAResourceAreMeasuredOnceLoaded) {
    TForm* form = ReadBack(
        "object Form1: TForm\n"
        "  Color = clAqua\n"
        "  Font.Height = -20\n"
        "  object Inherits: TLabel\n    Caption = 'ab'\n  end\n"
        "  object Sized: TLabel\n    Left = 5\n    Width = 100\n    Height = 50\n    Caption = 'Quon'\n"
        "    Font.Height = -10\n    Font.Style = [fsBold]\n    ParentFont = False\n  end\n"
        "  object Fixed: TLabel\n    Width = 100\n    Height = 50\n    AutoSize = False\n    Caption = 'Quon'\n  end\n"
        "end\n");
    auto* sized = dynamic_cast<TLabel*>(form->FindComponent("Sized"));
    auto* fixed = dynamic_cast<TLabel*>(form->FindComponent("Fixed"));
    ASSERT_TRUE(sized && fixed);
    EXPECT_EQ(sized->BoundsRect(), Bounds(5, 0, 24, 10));
    EXPECT_FALSE(sized->ParentFont());
    EXPECT_EQ(fixed->BoundsRect(), Bounds(0, 0, 100, 50));

    // Written and read again, every stored value comes back.
    std::string text = WriteComponentResourceText(form);
    TForm* again = ReadBack(text);
    EXPECT_EQ(WriteComponentResourceText(again), text);
    auto* back = dynamic_cast<TLabel*>(again->FindComponent("Sized"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Font()->Height(), -10);
    EXPECT_TRUE(back->Font()->Style().Contains(fsBold));
    EXPECT_FALSE(back->ParentFont());
    auto* inherits = dynamic_cast<TLabel*>(again->FindComponent("Inherits"));
    ASSERT_TRUE(inherits);
    EXPECT_TRUE(inherits->ParentFont()) << "a font taken from the parent stays the parent's";
    EXPECT_TRUE(inherits->ParentColor()) << "so does a colour";
    EXPECT_EQ(inherits->Color(), clAqua);
    EXPECT_EQ(inherits->Width(), 20);
}

// ---------------------------------------------------------------- TEdit

TEST_F(StdCtrlsTest, EditTextIsKeptBeforeItsWindowAndFollowsWhatTheUserTypes) {
    TForm* form = NewForm(200, 100);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    const std::string path = "C:\\ゲーム\\起動.exe";
    edit->SetText(path);
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), path);

    form->Show();
    ASSERT_TRUE(edit->HandleAllocated());
    EXPECT_EQ(headless::State(edit->Handle()).caption, path);
    EXPECT_EQ(headless::State(edit->Handle()).kind, os::WindowKind::Edit);

    edit->SetFocus();
    headless::TypeText(u"x");
    EXPECT_EQ(edit->Text(), path + "x") << "the window's text, not the control's copy";

    // Setting the text the control held before the typing must still reach the window.
    edit->SetText(path);
    EXPECT_EQ(headless::State(edit->Handle()).caption, path);
    EXPECT_EQ(edit->Text(), path);
    edit->SetText("");
    EXPECT_EQ(headless::State(edit->Handle()).caption, "");
}

TEST_F(StdCtrlsTest, EditTextSurvivesANewWindowAndAFormResource) {
    TForm* form = NewForm(200, 100);
    auto* edit = new TEdit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    form->Show();
    edit->SetFocus();
    headless::TypeText(u"typed");
    os::WindowId before = edit->Handle();

    edit->SetReadOnly(true);  // a window style: the window is made anew
    ASSERT_NE(edit->Handle(), before);
    EXPECT_FALSE(headless::IsWindow(before));
    EXPECT_EQ(headless::State(edit->Handle()).caption, "typed");
    EXPECT_TRUE(headless::State(edit->Handle()).read_only);
    EXPECT_TRUE(edit->Focused()) << "the focus moves to the new window";

    form->Hide();  // so that the copy is read without windows
    std::string text = WriteComponentResourceText(form);
    EXPECT_NE(text.find("Text = 'typed'"), std::string::npos) << text;
    TForm* again = ReadBack(text);
    auto* copy = dynamic_cast<TEdit*>(again->FindComponent("Edit1"));
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->HandleAllocated());
    EXPECT_EQ(copy->Text(), "typed");
    EXPECT_TRUE(copy->ReadOnly());
    EXPECT_EQ(WriteComponentResourceText(again), text);
    again->Show();
    EXPECT_EQ(headless::State(copy->Handle()).caption, "typed");
}

TEST_F(StdCtrlsTest, EditWindowStylesFollowTheirPropertiesBeforeAndAfterCreation) {
    struct Case {
        bool read_only;
        TBorderStyle border;
        bool ctl3d;
        bool flat;
    } cases[] = {
        {false, bsSingle, true, false},
        {true, bsSingle, true, false},
        {false, bsNone, true, true},
        {false, bsSingle, false, true},
        {true, bsNone, false, true},
    };
    TForm* form = NewForm(300, 200);
    form->Show();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        auto configure = [&](TEdit* e) {
            e->SetReadOnly(c.read_only);
            e->SetBorderStyle(c.border);
            e->SetCtl3D(c.ctl3d);
        };
        auto* before = new TEdit(form);
        configure(before);
        before->SetText("before");
        before->SetParent(form);  // the form's window exists: the edit's comes at once

        auto* after = new TEdit(form);
        after->SetParent(form);
        after->SetText("after");
        after->SetTabOrder(0);
        configure(after);

        for (TEdit* e : {before, after}) {
            headless::WindowState s = headless::State(e->Handle());
            EXPECT_EQ(s.read_only, c.read_only);
            EXPECT_EQ(s.flat, c.flat);
        }
        EXPECT_EQ(after->Text(), "after");
        EXPECT_EQ(after->TabOrder(), 0) << "a new window keeps the tab order";
        ++n;
    }
    EXPECT_EQ(headless::InvalidWindowCalls(), 0u);
}

TEST_F(StdCtrlsTest, ReadOnlyEditsTakeNoTypingButEnabledOnesDo) {
    TForm* form = NewForm(200, 100);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetText("path");
    edit->SetReadOnly(true);
    form->Show();
    edit->SetFocus();
    headless::TypeText(u"zz");
    EXPECT_EQ(edit->Text(), "path");
    edit->SetReadOnly(false);
    headless::TypeText(u"!");
    EXPECT_EQ(edit->Text(), "path!");
}

TEST_F(StdCtrlsTest, EditColoursFontAndEnabledStateReachTheWindow) {
    TForm* form = NewForm(200, 100);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetColor(static_cast<TColor>(0x00FFFFDF));
    edit->Font()->SetColor(clBlack);
    edit->Font()->SetHeight(-11);
    edit->SetEnabled(false);  // before the window: it is made disabled
    form->Show();

    headless::WindowState s = headless::State(edit->Handle());
    EXPECT_EQ(s.back_color, 0x00FFFFDFu);
    EXPECT_EQ(s.text_color, 0x000000u);
    ASSERT_TRUE(s.font.has_value());
    EXPECT_EQ(s.font->height, 11);
    EXPECT_FALSE(s.enabled) << "the system greys a disabled edit's text";

    edit->SetEnabled(true);
    edit->SetColor(clWindow);
    edit->Font()->SetColor(clRed);
    edit->Font()->SetHeight(-14);
    s = headless::State(edit->Handle());
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.back_color, ColorToRGB(clWindow));
    EXPECT_EQ(s.text_color, ColorToRGB(clRed));
    EXPECT_EQ(s.font->height, 14);
    edit->SetEnabled(false);
    EXPECT_FALSE(headless::State(edit->Handle()).enabled);
}

TEST_F(StdCtrlsTest, AutoSizedEditsTakeTheHeightOfTheirFontAndFrame) {
    struct Case {
        bool auto_size;
        TBorderStyle border;
        bool ctl3d;
        int font_height;
        int height;
    } cases[] = {
        {true, bsSingle, true, -12, 20},
        {true, bsSingle, false, -12, 18},
        {true, bsSingle, true, -20, 28},
        {false, bsSingle, true, -20, 33},
        {true, bsNone, true, -20, 33},
    };
    TForm* form = NewForm(200, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        auto* edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetAutoSize(c.auto_size);
        edit->SetBorderStyle(c.border);
        edit->SetCtl3D(c.ctl3d);
        edit->Font()->SetHeight(-30);
        edit->SetHeight(33);
        edit->Font()->SetHeight(c.font_height);
        EXPECT_EQ(edit->Height(), c.height);
    }
}

TEST_F(StdCtrlsTest, TheSystemPaintsEditsAndTheyShowTheTextCursor) {
    TForm* form = NewForm(200, 100);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 20);
    Painted(form);
    edit->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(headless::PresentCount(edit->Handle()), 0u) << "the platform must not paint over the system's edit";

    headless::MouseMove(50, 20);
    EXPECT_EQ(headless::CursorShape(), crIBeam);
    edit->SetCursor(crHandPoint);
    headless::MouseMove(51, 20);
    EXPECT_EQ(headless::CursorShape(), crHandPoint);
    headless::MouseMove(150, 80);
    EXPECT_EQ(headless::CursorShape(), crArrow);
}

TEST_F(StdCtrlsTest, EditsOfTheSettingsLayoutReadAndWriteEveryProperty) {
    const std::string layout =
        "object Form1: TForm\n"
        "  object Edit1: TEdit\n    Left = 104\n    Top = 58\n    Width = 232\n    Height = 18\n"
        "    TabStop = True\n    AutoSize = False\n    BorderStyle = bsNone\n    Color = $00FFFFDF\n    Ctl3D = False\n"
        "    Font.Color = clBlack\n    Font.Height = -11\n    ParentFont = False\n    Hint = 'ラウンチファイル'\n"
        "    ShowHint = True\n    ReadOnly = True\n    MaxLength = 259\n    TabOrder = 0\n  end\n"
        "end\n";
    TForm* form = ReadBack(layout);
    auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Edit1"));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->BoundsRect(), Bounds(104, 58, 232, 18)) << "AutoSize off keeps the stored height";
    EXPECT_EQ(edit->BorderStyle(), bsNone);
    EXPECT_FALSE(edit->Ctl3D());
    EXPECT_TRUE(edit->ReadOnly());
    EXPECT_EQ(edit->MaxLength(), 259);
    EXPECT_EQ(edit->Color(), 0x00FFFFDF);
    EXPECT_EQ(edit->Font()->Height(), -11);
    EXPECT_TRUE(edit->TabStop);
    form->Show();
    headless::WindowState s = headless::State(edit->Handle());
    EXPECT_TRUE(s.flat && s.read_only);
    EXPECT_EQ(s.bounds, (os::Rect{104, 58, 336, 76}));
    ASSERT_TRUE(headless::FindTooltip(edit->Handle(), 0).has_value());
    EXPECT_EQ(headless::FindTooltip(edit->Handle(), 0)->text, "ラウンチファイル");

    std::string text = WriteComponentResourceText(form);
    EXPECT_EQ(WriteComponentResourceText(ReadBack(text)), text);
    EXPECT_THROW(ReadBack("object Form1: TForm\n  object E: TEdit\n    BorderStyle = bsDialog\n  end\nend\n"), EReadError);
}

// ---------------------------------------------------------------- TImage and TPicture

TEST_F(StdCtrlsTest, PicturesAreStoredAsALengthAndABitmapFileByteForByte) {
    for (TPixelFormat format : {pf1bit, pf8bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(format);
        TForm* form = NewForm(50, 50);
        auto* image = new TImage(form);
        image->SetName("Image1");
        image->SetParent(form);
        auto picture = MakeBitmap(7, 3, format, [](int x, int y) { return (x + y) % 2 ? clWhite : (y ? clBlack : clWhite); });
        image->Picture()->Bitmap()->Assign(picture.get());
        TMemoryStream file;
        picture->SaveToStream(&file);

        std::string text = WriteComponentResourceText(form);
        auto stored = StoredBytes(text, "Image1", "Picture.Data");
        ASSERT_TRUE(stored.has_value()) << text;
        ASSERT_EQ(stored->size(), file.Bytes.size() + 4);
        std::uint32_t length = (*stored)[0] | (*stored)[1] << 8 | (*stored)[2] << 16 | std::uint32_t((*stored)[3]) << 24;
        EXPECT_EQ(length, file.Bytes.size());
        EXPECT_TRUE(std::equal(file.Bytes.begin(), file.Bytes.end(), stored->begin() + 4));

        TForm* again = ReadBack(text);
        auto* copy = dynamic_cast<TImage*>(again->FindComponent("Image1"));
        ASSERT_TRUE(copy);
        TMemoryStream copied;
        copy->Picture()->Bitmap()->SaveToStream(&copied);
        EXPECT_EQ(copied.Bytes, file.Bytes);
        EXPECT_EQ(WriteComponentResourceText(again), text);
        Application->DestroyComponents();
    }
}

TEST_F(StdCtrlsTest, AnEmptyPictureIsNotStoredAndDamagedDataIsAReadError) {
    TForm* form = NewForm(50, 50);
    auto* image = new TImage(form);
    image->SetName("Image1");
    image->SetParent(form);
    EXPECT_FALSE(HasProperty(WriteComponentResourceText(form), "Image1", "Picture.Data"));
    EXPECT_EQ(image->Picture()->Graphic(), nullptr);

    for (const char* data : {"{}", "{0500000042}", "{0C000000424D0C000000000000000000}"}) {
        SCOPED_TRACE(data);
        std::string text = std::string("object Form1: TForm\n  object Image1: TImage\n    Picture.Data = ") + data + "\n  end\nend\n";
        EXPECT_ANY_THROW(ReadBack(text));
    }
}

TEST_F(StdCtrlsTest, ImagesShowTheirPictureAtTheTopLeftCentredOrStretched) {
    // A 4 x 2 picture: red with a blue top-left pixel.
    auto picture = MakeBitmap(4, 2, pf24bit, [](int x, int y) { return x == 0 && y == 0 ? clBlue : clRed; });
    auto model = [](int px, int py) { return px == 0 && py == 0 ? Px(clBlue) : Px(clRed); };
    struct Case {
        const char* name;
        bool center, stretch, auto_size;
        TRect bounds;  // the control's, after the picture came
        std::function<std::optional<std::uint32_t>(int x, int y)> at;  // in control coordinates; none: background
    } cases[] = {
        {"plain", false, false, false, Bounds(10, 10, 8, 6),
         [&](int x, int y) -> std::optional<std::uint32_t> { if (x < 4 && y < 2) return model(x, y); return std::nullopt; }},
        {"centred", true, false, false, Bounds(10, 10, 8, 6),
         [&](int x, int y) -> std::optional<std::uint32_t> {
             if (x >= 2 && x < 6 && y >= 2 && y < 4) return model(x - 2, y - 2);
             return std::nullopt;
         }},
        {"stretched", false, true, false, Bounds(10, 10, 8, 6),
         [&](int x, int y) -> std::optional<std::uint32_t> { return model(x / 2, y / 3); }},
        {"auto-sized", false, false, true, Bounds(10, 10, 4, 2),
         [&](int x, int y) -> std::optional<std::uint32_t> { return model(x, y); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm* form = NewForm(30, 30, clLime);
        auto* image = new TImage(form);
        image->SetParent(form);
        image->SetBounds(10, 10, 8, 6);
        image->SetCenter(c.center);
        image->SetStretch(c.stretch);
        image->SetAutoSize(c.auto_size);
        image->Picture()->Assign(picture.get());
        EXPECT_EQ(image->BoundsRect(), c.bounds);
        headless::Image shown = Painted(form);
        EXPECT_TRUE(PixelsAre(shown, Bounds(8, 8, 12, 10), [&](int x, int y) {
            TRect b = image->BoundsRect();
            if (!b.Contains(x, y)) return Px(clLime);
            return c.at(x - b.Left, y - b.Top).value_or(Px(clLime));
        }));
        Application->DestroyComponents();
    }
}

TEST_F(StdCtrlsTest, DrawingOnThePicturesCanvasShowsWhenTheImageRepaints) {
    TForm* form = NewForm(40, 40, clBlack);
    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(5, 5, 20, 20);
    image->Picture()->Bitmap()->SetSize(20, 20);  // white
    headless::Image before = Painted(form);
    EXPECT_EQ(before.at(10, 10), Px(clWhite));

    TCanvas* canvas = image->Picture()->Bitmap()->Canvas();
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(Rect(2, 3, 6, 8));
    image->Repaint();
    headless::Image after = *headless::LastPresent(form->Handle());
    EXPECT_TRUE(PixelsAre(after, Bounds(5, 5, 20, 20), [](int x, int y) {
        return x >= 7 && x < 11 && y >= 8 && y < 13 ? Px(clRed) : Px(clWhite);
    }));

    // Transparent: the bitmap's bottom-left colour (white) lets the form show.
    image->SetTransparent(true);
    headless::Image clear = Painted(form);
    EXPECT_EQ(clear.at(20, 20), Px(clBlack));
    EXPECT_EQ(clear.at(8, 10), Px(clRed));
    image->Picture()->Assign(MakeBitmap(20, 20, pf24bit, [](int x, int) { return x < 10 ? clBlue : clYellow; }).get());
    EXPECT_TRUE(image->Picture()->Graphic()->Transparent()) << "a new picture takes the image's transparency";
}

// ---------------------------------------------------------------- TPanel

TEST_F(StdCtrlsTest, PanelsFillWithTheirColourInsideTheirBevels) {
    const std::uint32_t face = Px(clBtnFace), light = Px(clBtnHighlight), dark = Px(clBtnShadow), frame = Px(clWindowFrame);
    // The colour of a ring of a 10 x 8 panel: ring 0 is the outermost; top and
    // left first, then bottom and right.
    struct Ring {
        std::uint32_t top_left, bottom_right;
    };
    struct Case {
        const char* name;
        TBevelCut outer, inner;
        TBorderStyle border;
        std::vector<Ring> rings;  // further in: face
    } cases[] = {
        {"no bevel", bvNone, bvNone, bsNone, {}},
        {"raised", bvRaised, bvNone, bsNone, {{light, dark}}},
        {"lowered", bvLowered, bvNone, bsNone, {{dark, light}}},
        {"raised over lowered", bvRaised, bvLowered, bsNone, {{light, dark}, {dark, light}}},
        {"space", bvSpace, bvNone, bsNone, {{face, face}}},
        {"single border", bvNone, bvNone, bsSingle, {{frame, frame}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm* form = NewForm(40, 40);
        auto* panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(3, 3, 10, 8);
        panel->SetBevelOuter(c.outer);
        panel->SetBevelInner(c.inner);
        panel->SetBorderStyle(c.border);
        Painted(form);
        headless::Image image = Painted(panel);
        ASSERT_EQ(image.width, 10);
        EXPECT_TRUE(PixelsAre(image, Rect(0, 0, 10, 8), [&](int x, int y) {
            int ring = std::min({x, y, 9 - x, 7 - y});
            if (ring >= static_cast<int>(c.rings.size())) return face;
            bool bottom_right = x == 9 - ring || y == 7 - ring;
            return bottom_right ? c.rings[ring].bottom_right : c.rings[ring].top_left;
        }));
        Application->DestroyComponents();
    }
}

TEST_F(StdCtrlsTest, AnImageInAPanelWithoutBevelIsAButtonThatFillsIt) {
    TForm* form = NewForm(100, 50);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(4, 2, 53, 16);
    panel->SetBevelOuter(bvNone);
    auto* image = new TImage(form);
    image->SetParent(panel);
    image->SetBounds(0, 0, 53, 16);
    image->Picture()->Assign(MakeBitmap(53, 16, pf24bit, [](int x, int) { return x % 2 ? clGreen : clPurple; }).get());
    int image_clicks = 0, panel_clicks = 0;
    image->OnClick = [&](TObject* s) { image_clicks += s == image; };
    panel->OnClick = [&](TObject*) { ++panel_clicks; };

    Painted(form);
    headless::Image face = Painted(panel);
    EXPECT_TRUE(PixelsAre(face, Rect(0, 0, 53, 16), [](int x, int) { return x % 2 ? Px(clGreen) : Px(clPurple); }));
    headless::Click(4 + 20, 2 + 8);
    EXPECT_EQ(image_clicks, 1);
    EXPECT_EQ(panel_clicks, 0);
}

// ---------------------------------------------------------------- TShape

TEST_F(StdCtrlsTest, RectanglesFillWithTheBrushInsideAnOutlineOfThePensWidth) {
    struct Case {
        const char* name;
        TPenStyle pen;
        int pen_width;
        TBrushStyle brush;
        std::function<std::uint32_t(int x, int y)> at;  // a 10 x 6 shape over white
    } cases[] = {
        {"no pen", psClear, 1, bsSolid, [](int x, int y) { return x < 9 && y < 5 ? Px(clMaroon) : Px(clWhite); }},
        {"pen", psSolid, 1, bsSolid,
         [](int x, int y) { return x == 0 || y == 0 || x == 9 || y == 5 ? Px(clNavy) : Px(clMaroon); }},
        {"wide pen", psSolid, 2, bsSolid,
         [](int x, int y) { return x < 2 || y < 2 || x > 7 || y > 3 ? Px(clNavy) : Px(clMaroon); }},
        {"no brush", psDash, 1, bsClear,
         [](int x, int y) { return x == 0 || y == 0 || x == 9 || y == 5 ? Px(clNavy) : Px(clWhite); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm* form = NewForm(30, 20);
        auto* shape = new TShape(form);
        shape->SetParent(form);
        shape->SetBounds(5, 5, 10, 6);
        shape->Brush()->SetColor(clMaroon);
        shape->Brush()->SetStyle(c.brush);
        shape->Pen()->SetColor(clNavy);
        shape->Pen()->SetStyle(c.pen);
        shape->Pen()->SetWidth(c.pen_width);
        headless::Image image = Painted(form);
        EXPECT_TRUE(PixelsAre(image, Bounds(4, 4, 12, 8), [&](int x, int y) {
            if (!shape->BoundsRect().Contains(x, y)) return Px(clWhite);
            return c.at(x - 5, y - 5);
        }));
        Application->DestroyComponents();
    }
}

TEST_F(StdCtrlsTest, FiguresAreSymmetricTouchTheirBoxAndRoundOnlyTheirCorners) {
    struct Case {
        TShapeType type;
        TRect box;  // where the figure lies in a 41 x 25 control
        bool corners;  // the box's corner pixels are painted
    } cases[] = {
        {stEllipse, Rect(0, 0, 41, 25), false},
        {stCircle, Rect(8, 0, 33, 25), false},
        {stRoundRect, Rect(0, 0, 41, 25), false},
        {stRoundSquare, Rect(8, 0, 33, 25), false},
        {stSquare, Rect(8, 0, 33, 25), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TForm* form = NewForm(60, 40);
        auto* shape = new TShape(form);
        shape->SetParent(form);
        shape->SetBounds(0, 0, 41, 25);
        shape->SetShape(c.type);
        shape->Brush()->SetColor(clRed);
        headless::Image image = Painted(form);
        auto painted = [&](int x, int y) { return image.at(x, y) != Px(clWhite); };
        int left = 99, right = -1, top = 99, bottom = -1;
        for (int y = 0; y < 25; ++y) {
            for (int x = 0; x < 41; ++x) {
                EXPECT_EQ(painted(x, y), painted(40 - x, y)) << "(" << x << ", " << y << ") mirrored left to right";
                EXPECT_EQ(painted(x, y), painted(x, 24 - y)) << "(" << x << ", " << y << ") mirrored top to bottom";
                if (painted(x, y)) {
                    left = std::min(left, x), right = std::max(right, x + 1);
                    top = std::min(top, y), bottom = std::max(bottom, y + 1);
                }
            }
        }
        EXPECT_EQ(Rect(left, top, right, bottom), c.box);
        EXPECT_EQ(image.at(20, 12), Px(clRed)) << "the brush inside";
        EXPECT_EQ(image.at(20, 0), Px(clBlack)) << "the pen on the edge";
        EXPECT_EQ(painted(c.box.Left, c.box.Top), c.corners);
        EXPECT_EQ(painted(c.box.Right - 1, c.box.Bottom - 1), c.corners);
        Application->DestroyComponents();
    }
}

// ---------------------------------------------------------------- TImageList

class ImageListTest : public StdCtrlsTest {
protected:
    // Three 4 x 3 cells side by side, each its own colour with a white
    // top-left pixel and a fuchsia bottom row.
    static TColor CellColour(int cell) { return cell == 0 ? clRed : cell == 1 ? clGreen : clBlue; }
    static TColor StripColour(int x, int y) {
        if (y == 2) return clFuchsia;
        if (x % 4 == 0 && y == 0) return clWhite;
        return CellColour(x / 4);
    }
    std::unique_ptr<TBitmap> Strip() { return MakeBitmap(12, 3, pf24bit, StripColour); }

    TImageList* NewList(TComponent* owner, bool masked) {
        auto* list = new TImageList(owner);
        list->SetName("ImageList1");
        list->SetWidth(4);
        list->SetHeight(3);
        list->SetMasked(masked);
        return list;
    }
    // A 20 x 10 canvas filled with `back`, with cell `index` drawn at (x, y).
    std::unique_ptr<TBitmap> DrawnOn(TImageList* list, int index, int x, int y, TColor back, bool enabled = true) {
        auto target = std::make_unique<TBitmap>(20, 10, pf32bit);
        target->Canvas()->Brush()->SetColor(back);
        target->Canvas()->FillRect(Rect(0, 0, 20, 10));
        list->Draw(target->Canvas(), x, y, index, enabled);
        return target;
    }
};

::testing::AssertionResult BitmapIs(TBitmap* b, const std::function<std::uint32_t(int, int)>& expected) {
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            if (BitmapPx(b, x, y) != expected(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << BitmapPx(b, x, y)
                                                     << ", expected " << expected(x, y);
    return ::testing::AssertionSuccess();
}

TEST_F(ImageListTest, AStripBecomesCellsAndEachIndexDrawsItsOwnCell) {
    TImageList* list = NewList(Application, false);
    EXPECT_EQ(list->Add(Strip().get(), nullptr), 0);
    EXPECT_EQ(list->Count(), 3);
    auto one = MakeBitmap(4, 3, pf8bit, [](int, int) { return clYellow; });
    EXPECT_EQ(list->Add(one.get(), nullptr), 3);
    for (int index = 0; index < list->Count(); ++index) {
        SCOPED_TRACE(index);
        auto drawn = DrawnOn(list, index, 5, 4, clBlack);
        EXPECT_TRUE(BitmapIs(drawn.get(), [&](int x, int y) {
            if (x < 5 || x >= 9 || y < 4 || y >= 7) return Px(clBlack);
            return index == 3 ? Px(clYellow) : Px(StripColour(index * 4 + x - 5, y - 4));
        }));
        TBitmap copy;
        list->GetBitmap(index, &copy);
        EXPECT_EQ(copy.Width(), 4);
        EXPECT_EQ(copy.Height(), 3);
        EXPECT_TRUE(BitmapIs(&copy, [&](int x, int y) { return index == 3 ? Px(clYellow) : Px(StripColour(index * 4 + x, y)); }));
    }
    for (int bad : {-1, 4, 1000}) {
        EXPECT_THROW(DrawnOn(list, bad, 0, 0, clBlack), EListError);
        TBitmap b;
        EXPECT_THROW(list->GetBitmap(bad, &b), EListError);
    }
    EXPECT_THROW(list->Add(nullptr, nullptr), EInvalidOperation);
    list->SetWidth(8);
    EXPECT_EQ(list->Count(), 0) << "a new size empties the list";
}

TEST_F(ImageListTest, ASmallerImageSitsTopLeftOnTheBackgroundColour) {
    TImageList* list = NewList(Application, false);
    list->SetBkColor(clWhite);
    list->Add(MakeBitmap(2, 2, pf24bit, [](int, int) { return clNavy; }).get(), nullptr);
    auto drawn = DrawnOn(list, 0, 0, 0, clBlack);
    EXPECT_TRUE(BitmapIs(drawn.get(), [](int x, int y) {
        if (x >= 4 || y >= 3) return Px(clBlack);
        return x < 2 && y < 2 ? Px(clNavy) : Px(clWhite);
    }));
}

TEST_F(ImageListTest, MaskedCellsLeaveOutTheirTransparentPixels) {
    struct Case {
        const char* name;
        bool masked;
        TColor bk;
        bool by_colour;  // AddMasked with fuchsia, else Add with a mask bitmap
    } cases[] = {
        {"mask colour", true, clNone, true},
        {"mask bitmap", true, clNone, false},
        {"background colour", true, clYellow, true},
        {"not masked", false, clNone, true},
    };
    auto mask = MakeBitmap(12, 3, pf1bit, [](int, int y) { return y == 2 ? clWhite : clBlack; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageList* list = NewList(Application, c.masked);
        list->SetBkColor(c.bk);
        if (c.by_colour) list->AddMasked(Strip().get(), clFuchsia);
        else list->Add(Strip().get(), mask.get());
        auto drawn = DrawnOn(list, 1, 3, 2, clTeal);
        EXPECT_TRUE(BitmapIs(drawn.get(), [&](int x, int y) {
            if (x < 3 || x >= 7 || y < 2 || y >= 5) return Px(clTeal);
            TColor pixel = StripColour(4 + x - 3, y - 2);
            if (pixel == clFuchsia && c.masked) return c.bk == clNone ? Px(clTeal) : Px(c.bk);
            return Px(pixel);
        }));
        Application->DestroyComponents();
    }
}

TEST_F(ImageListTest, DisabledCellsAreEtchedFromTheirOpaqueDarkPixels) {
    TImageList* list = NewList(Application, true);
    list->AddMasked(Strip().get(), clFuchsia);
    auto drawn = DrawnOn(list, 2, 6, 3, clNavy, false);
    // Ink: the cell's opaque pixels that are not white (all but the top-left
    // pixel and the transparent bottom row).
    auto ink = [](int x, int y) { return x >= 0 && x < 4 && y >= 0 && y < 2 && !(x == 0 && y == 0); };
    EXPECT_TRUE(BitmapIs(drawn.get(), [&](int x, int y) {
        if (ink(x - 6, y - 3)) return Px(clBtnShadow);
        if (ink(x - 7, y - 4)) return Px(clBtnHighlight);
        return Px(clNavy);
    }));
}

TEST_F(ImageListTest, StoredListsComeBackWithTheirCellsAndMasks) {
    for (bool masked : {true, false}) {
        SCOPED_TRACE(masked);
        TForm* form = NewForm(10, 10);
        TImageList* list = NewList(form, masked);
        list->AddMasked(Strip().get(), clFuchsia);
        std::string text = WriteComponentResourceText(form);
        auto stored = StoredBytes(text, "ImageList1", "Bitmap");
        ASSERT_TRUE(stored.has_value()) << text;
        ASSERT_GT(stored->size(), 4u + 54u);
        EXPECT_EQ((*stored)[0], 3) << "the count";
        EXPECT_EQ((*stored)[4 + 28], 8) << "few colours: an 8-bit strip";
        std::uint32_t strip_size = (*stored)[6] | (*stored)[7] << 8 | (*stored)[8] << 16 | std::uint32_t((*stored)[9]) << 24;
        EXPECT_EQ(stored->size() > 4 + strip_size, masked) << "masks follow only for a masked list";

        TForm* again = ReadBack(text);
        auto* copy = dynamic_cast<TImageList*>(again->FindComponent("ImageList1"));
        ASSERT_TRUE(copy);
        ASSERT_EQ(copy->Count(), 3);
        EXPECT_EQ(copy->Width(), 4);
        EXPECT_EQ(copy->Height(), 3);
        for (int i = 0; i < 3; ++i) {
            auto a = DrawnOn(list, i, 1, 1, clOlive), b = DrawnOn(copy, i, 1, 1, clOlive);
            EXPECT_TRUE(BitmapIs(b.get(), [&](int x, int y) { return BitmapPx(a.get(), x, y); })) << i;
        }
        EXPECT_EQ(WriteComponentResourceText(again), text);
        Application->DestroyComponents();
    }
}

TEST_F(ImageListTest, ManyColoursAreStoredAsATrueColourStrip) {
    TForm* form = NewForm(10, 10);
    auto* list = new TImageList(form);
    list->SetName("ImageList1");
    list->SetWidth(20);
    list->SetHeight(20);
    list->Add(MakeBitmap(40, 20, pf24bit, [](int x, int y) { return static_cast<TColor>(x * 20 + y + 0x10000 * (x % 3)); }).get(),
              nullptr);
    std::string text = WriteComponentResourceText(form);
    auto stored = StoredBytes(text, "ImageList1", "Bitmap");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ((*stored)[4 + 28], 24);
    auto* copy = dynamic_cast<TImageList*>(ReadBack(text)->FindComponent("ImageList1"));
    ASSERT_TRUE(copy);
    TBitmap a, b;
    for (int i = 0; i < 2; ++i) {
        list->GetBitmap(i, &a);
        copy->GetBitmap(i, &b);
        EXPECT_TRUE(BitmapIs(&b, [&](int x, int y) { return BitmapPx(&a, x, y); })) << i;
    }
}

TEST_F(ImageListTest, DamagedStoredListsAreReadErrorsThatKeepTheImages) {
    TImageList* list = NewList(Application, true);
    list->AddMasked(Strip().get(), clFuchsia);
    TMemoryStream good;
    list->WriteData(&good);
    std::uint32_t strip_size = good.Bytes[6] | good.Bytes[7] << 8 | good.Bytes[8] << 16 | std::uint32_t(good.Bytes[9]) << 24;
    auto edited = [&](const std::function<void(std::vector<std::uint8_t>&)>& edit) {
        std::vector<std::uint8_t> b = good.Bytes;
        edit(b);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"no count", {3, 0}},
        {"count without pictures", {2, 0, 0, 0}},
        {"a count that does not divide the strip", edited([](auto& b) { b[0] = 5; })},
        {"a huge count", edited([](auto& b) { b[3] = 0x7F; })},
        {"a strip claiming 8192 x 8192 pixels", edited([](auto& b) {
             b[4 + 18] = 0, b[4 + 19] = 0x20, b[4 + 22] = 0, b[4 + 23] = 0x20, b[0] = 1;
         })},
        {"not a bitmap", edited([](auto& b) { b[4] = 'X'; })},
        {"a cut strip", std::vector<std::uint8_t>(good.Bytes.begin(), good.Bytes.begin() + 4 + 60)},
        {"a cut mask", std::vector<std::uint8_t>(good.Bytes.begin(), good.Bytes.end() - 3)},
        {"a mask of another size", edited([&](auto& b) { b[4 + strip_size + 18] = 9; })},
        {"trailing bytes after the mask", edited([](auto& b) { b.push_back(0); })},
        {"bytes after an empty list", {0, 0, 0, 0, 1}},
    };
    auto before = DrawnOn(list, 2, 0, 0, clSilver);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBytesStream stream(c.bytes.data(), c.bytes.size());
        EXPECT_THROW(list->ReadData(&stream), EReadError);
        ASSERT_EQ(list->Count(), 3);
        EXPECT_EQ(list->Width(), 4);
        auto after = DrawnOn(list, 2, 0, 0, clSilver);
        EXPECT_TRUE(BitmapIs(after.get(), [&](int x, int y) { return BitmapPx(before.get(), x, y); }));
    }
    std::vector<std::uint8_t> empty = {0, 0, 0, 0};
    TBytesStream stream(empty.data(), empty.size());
    list->ReadData(&stream);
    EXPECT_EQ(list->Count(), 0) << "a stored count of 0 is an empty list";
}

// ---------------------------------------------------------------- registration

TEST_F(StdCtrlsTest, EveryStandardClassIsRegisteredUnderItsOwnName) {
    RegisterStandardClasses();  // again: harmless
    TForm* form = NewForm(10, 10);
    for (const char* name : {"TLabel", "TEdit", "TImage", "TPanel", "TShape", "TImageList", "TTrayIcon", "TTimer",
                             "TPopupMenu", "TMenuItem"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(IsClassRegistered(name));
        TComponent* c = CreateComponent(name, form);
        EXPECT_STREQ(c->ClassName(), name);
    }
}

}  // namespace
