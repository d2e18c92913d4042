#include "characters/Mallo.h"

#include "characters/CharacterWindow.h"
#include "characters/Oswy.h"
#include "characters/Quon.h"
#include "characters/Tibbet.h"
#include "platform/ui/WinApi.h"
#include "settings/Settings.h"

TForm1* Form1 = nullptr;

namespace {
constexpr int kCharacterIndex = 0;
constexpr WalkRule kWalk = {0, 32, 0, 32, 3};
}  // namespace

TForm* CharacterForm(int index) {
    TForm* forms[] = {Form1, Form2, Form3, Form4};
    return index >= 0 && index < 4 ? forms[index] : nullptr;
}

TTimer* CharacterTimer(int index) {
    TForm* form = CharacterForm(index);
    if (!form) return nullptr;
    TTimer* timers[] = {Form1->Timer1, Form2->Timer1, Form3->Timer1, Form4->Timer1};
    return timers[index];
}

void OpenSettingsAsMallo() { Form1->N1Click(Form1); }

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
    StatusForm1 = NewStatusForm1(this);
    LoadCharacterSettings();
    ActivateTrayIcon();
}

void TForm1::Rgn1Click(TObject*) { LaunchPath(this, LaunchPathOf(kCharacterIndex)); }

void TForm1::N1Click(TObject*) { OpenSettingsFor(kCharacterIndex, Timer1); }

void TForm1::Timer1Timer(TObject*) {
    SetVisible(VisibleFlagOf(kCharacterIndex));
    TickTowardsCursor(WalkerOf(this, kWalk));
}
