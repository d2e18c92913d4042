// TEdit over the system's own edit control, where the headless model has
// nothing to show: the length limit, the selection, read-only typing, the
// frame styles, and the system painting the text in the edit's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <windows.h>

namespace {

HWND H(os::WindowId w) { return reinterpret_cast<HWND>(w); }

std::wstring WindowText(HWND h) {
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
    return s;
}

class StdCtrlsWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBorderStyle(bsNone);
        form->SetBounds(40, 40, 300, 80);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 240, 22);
    }
    void TearDown() override { Application->DestroyComponents(); }

    // Characters as the keyboard would type them into the edit.
    void Type(const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(H(edit->Handle()), WM_CHAR, c, 1);
    }

    // The darkest channel value and the number of pixels of `back` in the
    // edit's client area, as the system painted it.
    struct Paint {
        int darkest = 255;
        int background = 0;
    };
    Paint Painted(COLORREF back) {
        HWND h = H(edit->Handle());
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RECT r;
        GetClientRect(h, &r);
        HDC dc = GetDC(h);
        Paint p;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (c == CLR_INVALID) continue;
                if (c == back) ++p.background;
                p.darkest = std::min({p.darkest, int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))});
            }
        }
        ReleaseDC(h, dc);
        return p;
    }

    TForm* form = nullptr;
    TEdit* edit = nullptr;
};

TEST_F(StdCtrlsWineTest, TextGoesToTheSystemsEditAndComesBackFromIt) {
    edit->SetText("C:\\ゲーム\\起動.exe");
    form->Show();
    EXPECT_EQ(WindowText(H(edit->Handle())), L"C:\\ゲーム\\起動.exe");
    SetWindowTextW(H(edit->Handle()), L"外から");
    EXPECT_EQ(edit->Text(), "外から");
    edit->SetText("C:\\ゲーム\\起動.exe");  // what the control held before: must still reach the window
    EXPECT_EQ(WindowText(H(edit->Handle())), L"C:\\ゲーム\\起動.exe");
}

TEST_F(StdCtrlsWineTest, TypingStopsAtMaxLengthAndSelectAllIsReplacedByWhatIsTyped) {
    edit->SetMaxLength(5);
    form->Show();
    Type(L"abcdefgh");
    EXPECT_EQ(edit->Text(), "abcde");
    edit->SelectAll();
    Type(L"x");
    EXPECT_EQ(edit->Text(), "x");
}

TEST_F(StdCtrlsWineTest, ReadOnlyAndFrameStylesAreTheSystemsOwn) {
    edit->SetText("path");
    edit->SetReadOnly(true);
    form->Show();
    HWND h = H(edit->Handle());
    EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    Type(L"zz");
    EXPECT_EQ(edit->Text(), "path");

    edit->SetReadOnly(false);
    edit->SetCtl3D(false);
    h = H(edit->Handle());
    EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << "flat: no 3-D frame";
    SendMessageW(h, EM_SETSEL, 4, 4);  // the caret after the text the new window kept
    Type(L"!");
    EXPECT_EQ(edit->Text(), "path!");
}

TEST_F(StdCtrlsWineTest, TheSystemPaintsTheTextInTheEditsColoursAndGreysItWhenDisabled) {
    const COLORREF back = RGB(0xDF, 0xFF, 0xFF);
    edit->SetText("WWWWWWWW");
    edit->SetColor(static_cast<TColor>(back));
    edit->Font()->SetColor(clBlack);
    edit->SetReadOnly(true);
    edit->SetBorderStyle(bsNone);
    form->Show();
    Paint enabled = Painted(back);
    EXPECT_GT(enabled.background, 240 * 22 / 2) << "the edit's own background colour";
    EXPECT_LT(enabled.darkest, 0x40) << "black text";

    edit->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(H(edit->Handle())));
    Paint disabled = Painted(back);
    EXPECT_GT(disabled.background, 240 * 22 / 2);
    EXPECT_GT(disabled.darkest, 0x40) << "greyed text";
    EXPECT_LT(disabled.darkest, 0xD0) << "but still shown";
}

}  // namespace
