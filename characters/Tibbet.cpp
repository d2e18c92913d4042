#include "characters/Tibbet.h"

#include "characters/CharacterWindow.h"
#include "platform/ui/WinApi.h"
#include "settings/Settings.h"

TForm2* Form2 = nullptr;

namespace {
constexpr int kCharacterIndex = 1;
constexpr WalkRule kWalk = {-24, 12, -24, 12, 2};
}  // namespace

TForm2::TForm2(TComponent* Owner) : TForm(Owner) { ReadCharacterForm(this); }

std::function<void(TObject*)> TForm2::FindMethod(const std::string& name) const {
    return FindMethodIn(this, name, {{"Rgn1Click", &TForm2::Rgn1Click}, {"N1Click", &TForm2::N1Click}, {"Timer1Timer", &TForm2::Timer1Timer}});
}

void TForm2::Rgn1Click(TObject*) { LaunchPath(this, LaunchPathOf(kCharacterIndex)); }

void TForm2::N1Click(TObject*) { OpenSettingsFor(kCharacterIndex, Timer1); }

void TForm2::Timer1Timer(TObject*) {
    TickTowardsCursor(WalkerOf(this, kWalk));
}

void TForm2::WndProc(TMessage& Message) {
    if (IsSystemClose(Message)) return;
    TForm::WndProc(Message);
}
