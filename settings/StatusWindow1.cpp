#include "settings/StatusWindow1.h"

#include "characters/Characters.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/Timer.h"
#include "platform/ui/WinApi.h"
#include "settings/SettingsFile.h"

TStatusForm1* StatusForm1 = nullptr;

TStatusForm1* NewStatusForm1(TComponent* Owner) { return new TStatusForm1(Owner); }

namespace {
// The maker's information server.
constexpr const char* kInformationHost = "zimmo.example.com";
}  // namespace

std::string InformationPageAddress() {
    return std::string("http://") + kInformationHost + "/info.php?pf=w&sn=" + ChangeFileExt(ExtractFileName(ParamStr(0)), "");
}

TStatusForm1::TStatusForm1(TComponent* Owner) : TForm(Owner) {
    ReadFormResource();
    Bind(Image1, "Image1");
    Bind(Panel1, "Panel1");
    Bind(Image2, "Image2");
    Bind(Panel2, "Panel2");
    Bind(Image3, "Image3");
    Bind(Panel3, "Panel3");
    Bind(Image4, "Image4");
    Bind(Panel4, "Panel4");
    Bind(Image5, "Image5");
    Bind(Label15, "Label15");
    Bind(Label4, "Label4");
    Bind(CheckBox1, "CheckBox1");
    Bind(CheckBox2, "CheckBox2");
    Bind(CheckBox3, "CheckBox3");
    Bind(CheckBox4, "CheckBox4");
    TLabel** labels[] = {&Label18, &Label2, &Label19, &Label12, &Label20, &Label13, &Label21, &Label14, &Label1,
                         &Label3, &Label5, &Label7, &Label8, &Label9, &Label10, &Label11, &Label22, &Label23};
    const char* labelNames[] = {"Label18", "Label2", "Label19", "Label12", "Label20", "Label13", "Label21", "Label14", "Label1",
                                "Label3", "Label5", "Label7", "Label8", "Label9", "Label10", "Label11", "Label22", "Label23"};
    for (std::size_t i = 0; i < std::size(labels); ++i) Bind(*labels[i], labelNames[i]);
    Bind(Edit1, "Edit1");
    Bind(Edit3, "Edit3");
    Bind(Edit5, "Edit5");
    Bind(Edit7, "Edit7");
    Bind(Shape5, "Shape5");
    Bind(Shape7, "Shape7");
    Bind(Shape9, "Shape9");
    Bind(Shape11, "Shape11");
    Bind(ImageList1, "ImageList1");
    Bind(LMDTrayIcon1, "LMDTrayIcon1");
    Bind(PopupMenu1, "PopupMenu1");
    Bind(S1, "S1");
    Bind(N3, "N3");
    Bind(N2, "N2");
    Bind(N4, "N4");
    Bind(N1, "N1");
    // The portraits have colours the background's palette lacks: drawn into
    // a paletted picture they would take its nearest colours instead.
    Image1->Picture()->Bitmap()->SetPixelFormat(pf24bit);
    win::DragAcceptFiles(Handle(), 1);
}

std::function<void(TObject*)> TStatusForm1::FindMethod(const std::string& name) const {
    using C = TStatusForm1;
    return FindMethodIn(this, name,
                        {{"FormShow", &C::FormShow}, {"Image2Click", &C::Image2Click}, {"Image3Click", &C::Image3Click},
                         {"Image4Click", &C::Image4Click}, {"Image5Click", &C::Image5Click},
                         {"CheckBox1Click", &C::CheckBox1Click}, {"CheckBox2Click", &C::CheckBox2Click},
                         {"CheckBox3Click", &C::CheckBox3Click}, {"CheckBox4Click", &C::CheckBox4Click},
                         {"LMDTrayIcon1DblClick", &C::LMDTrayIcon1DblClick}, {"S1Click", &C::S1Click},
                         {"N1Click", &C::N1Click}, {"N2Click", &C::N2Click}});
}

TdxfCheckBox* TStatusForm1::VisibleFlag(int index) const {
    TdxfCheckBox* boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
    return index >= 0 && index < 4 ? boxes[index] : nullptr;
}

TEdit* TStatusForm1::LaunchPathEdit(int index) const {
    TEdit* edits[] = {Edit1, Edit3, Edit5, Edit7};
    return index >= 0 && index < 4 ? edits[index] : nullptr;
}

namespace {
void SettingControlsOf(const TStatusForm1* form, CharacterSettingControls (&controls)[4]) {
    for (int i = 0; i < 4; ++i) controls[i] = {form->VisibleFlag(i), form->LaunchPathEdit(i)};
}
}  // namespace

void LoadCharacterSettings() {
    CharacterSettingControls controls[4];
    SettingControlsOf(StatusForm1, controls);
    void (TStatusForm1::*handlers[])(TObject*) = {&TStatusForm1::CheckBox1Click, &TStatusForm1::CheckBox2Click,
                                                  &TStatusForm1::CheckBox3Click, &TStatusForm1::CheckBox4Click};
    ReadSettingsFile(controls, [&handlers](int i) { (StatusForm1->*handlers[i])(StatusForm1); });
}

void ActivateTrayIcon() { StatusForm1->LMDTrayIcon1->SetActive(true); }

std::string LaunchPathOf(int characterIndex) { return StatusForm1->LaunchPathEdit(characterIndex)->Text(); }
bool VisibleFlagOf(int characterIndex) { return StatusForm1->VisibleFlag(characterIndex)->Checked(); }

bool SettingsWindowShowing() { return StatusForm1->Visible(); }

void ShowSettingsWindowFor(int characterIndex) {
    StatusForm1->SelectedCharacter = characterIndex;
    StatusForm1->ShowModal();
}

void BringSettingsWindowToFront() { StatusForm1->Show(); }

void TStatusForm1::FormShow(TObject*) {
    if (SelectedCharacter < 0 || SelectedCharacter > 3) return;
    TCanvas* canvas = Image1->Picture()->Bitmap()->Canvas();
    for (int row = 0; row < 4; ++row)
        ImageList1->Draw(canvas, 12, 50 + 72 * row, row == SelectedCharacter ? row : 4 + row, true);
    Image1->Repaint();
    for (int i = 0; i < 4; ++i) LaunchPathEdit(i)->SetEnabled(i == SelectedCharacter);
}

void TStatusForm1::Image3Click(TObject*) {
    SelectedCharacter = SelectedCharacter == 3 ? 0 : SelectedCharacter + 1;
    FormShow(this);
}

void TStatusForm1::Image4Click(TObject*) {
    SelectedCharacter = SelectedCharacter == 0 ? 3 : SelectedCharacter - 1;
    FormShow(this);
}

// Reading the layout sets each box's Checked, which fires its OnClick before
// the members are bound; the characters' visibility is the settings load's
// business then, so those calls change nothing.
void TStatusForm1::CheckBox1Click(TObject*) { ApplyVisibleFlag(0); }
void TStatusForm1::CheckBox2Click(TObject*) { ApplyVisibleFlag(1); }
void TStatusForm1::CheckBox3Click(TObject*) { ApplyVisibleFlag(2); }
void TStatusForm1::CheckBox4Click(TObject*) { ApplyVisibleFlag(3); }

void TStatusForm1::ApplyVisibleFlag(int index) {
    if (!Loading()) CharacterForm(index)->SetVisible(VisibleFlag(index)->Checked());
}

void TStatusForm1::Image5Click(TObject*) {
    bool anyShown = false;
    for (int i = 0; i < 4; ++i) anyShown = anyShown || VisibleFlag(i)->Checked();
    if (!anyShown) {
        win::MessageBeep(0);
        return;
    }
    CharacterSettingControls controls[4];
    SettingControlsOf(this, controls);
    WriteSettingsFile(controls);  // a failed write raises: the window stays open, the timers stopped
    for (int i = 0; i < 4; ++i) CharacterTimer(i)->SetEnabled(true);
    Close();
}

void TStatusForm1::Image2Click(TObject*) {
    win::MessageBeep(0);
    SetTop(20);
    SetLeft(20);
    N2Click(this);
}

void TStatusForm1::N2Click(TObject*) {
    std::string address = ToAnsi(InformationPageAddress());
    win::ShellExecuteA(Handle(), "OPEN", address.c_str(), "", "", win::SW_SHOW);
}

void TStatusForm1::LMDTrayIcon1DblClick(TObject*) { OpenSettingsAsMallo(); }
void TStatusForm1::S1Click(TObject*) { OpenSettingsAsMallo(); }
void TStatusForm1::N1Click(TObject*) { CharacterForm(0)->Close(); }

void TStatusForm1::WMDropFiles(TMessage& Message) {
    auto drop = static_cast<win::HDROP>(Message.WParam);
    TEdit* edit = LaunchPathEdit(SelectedCharacter);
    win::UINT count = win::DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
    for (win::UINT i = 0; i < count; ++i) {
        // A name without a code page 932 form would be stored with '?' in it
        // and never open: such an item is refused with the default beep.
        if (!win::DragQueryFileIsAnsi(drop, i)) {
            win::MessageBeep(0);
            continue;
        }
        // The whole path, whatever its length: a cut path names another file.
        win::UINT length = win::DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        win::DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(length);
        if (edit) edit->SetText(FromAnsi(path));
    }
    win::DragFinish(drop);
}

void TStatusForm1::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case win::WM_NCHITTEST:
        Message.Result = win::HTCAPTION;  // the whole picture drags the window
        return;
    case win::WM_DROPFILES:
        WMDropFiles(Message);
        return;
    case win::WM_CLOSE:
        // Closed by the system (Alt+F4, the window menu): as the close
        // button, so nothing is lost and the characters walk again.
        if (Visible()) Image5Click(this);
        return;
    default:
        TForm::WndProc(Message);
    }
}
