#include "characters/Mallo.h"

#include "characters/CharacterWindow.h"
#include "app/CharacterSettings.h"
#include "characters/Oswy.h"
#include "characters/Quon.h"
#include "characters/Tibbet.h"
#include "platform/ui/WinApi.h"
#include "settings/StatusWindow1.h"

TForm1* Form1 = nullptr;

namespace {
constexpr int kCharacterIndex = 0;
constexpr WalkRule kWalk = {0, 32, 0, 32, 3};
}  // namespace

TForm1::TForm1(TComponent* Owner) : TForm(Owner) { ReadCharacterForm(this); }

std::function<void(TObject*)> TForm1::FindMethod(const std::string& name) const {
    return FindMethodIn(this, name, {{"FormCreate", &TForm1::FormCreate}, {"Rgn1Click", &TForm1::Rgn1Click}, {"N1Click", &TForm1::N1Click}, {"Timer1Timer", &TForm1::Timer1Timer}});
}

void TForm1::FormCreate(TObject*) {
    Form2 = new TForm2(this);
    Form2->Show();
    Form3 = new TForm3(this);
    Form3->Show();
    Form4 = new TForm4(this);
    Form4->Show();
    StatusForm1 = new TStatusForm1(this);
    LoadCharacterSettings();
    StatusForm1->LMDTrayIcon1->SetActive(true);
}

void TForm1::Rgn1Click(TObject*) { LaunchPath(this, StatusForm1->Edit1->Text()); }

void TForm1::N1Click(TObject*) { OpenSettingsFor(kCharacterIndex, Timer1); }

void TForm1::Timer1Timer(TObject*) {
    SetVisible(StatusForm1->CheckBox1->Checked());
    win::SetCapture(Handle());
    win::POINT cursor;
    win::GetCursorPos(&cursor);
    WalkTowards(this, RgnList1, FramesOf(this), FrameCounter, kWalk, [&cursor] { return TPoint{cursor.x, cursor.y}; });
    win::ReleaseCapture();
}
