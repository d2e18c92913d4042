#include "characters/Quon.h"

#include "characters/CharacterWindow.h"
#include "platform/ui/WinApi.h"
#include "settings/Settings.h"

TForm3* Form3 = nullptr;

namespace {
constexpr int kCharacterIndex = 2;
constexpr WalkRule kWalk = {-48, 24, -48, 24, 4};
}  // namespace

TForm3::TForm3(TComponent* Owner) : TForm(Owner) { ReadCharacterForm(this); }

std::function<void(TObject*)> TForm3::FindMethod(const std::string& name) const {
    return FindMethodIn(this, name, {{"Rgn1Click", &TForm3::Rgn1Click}, {"N1Click", &TForm3::N1Click}, {"Timer1Timer", &TForm3::Timer1Timer}});
}

void TForm3::Rgn1Click(TObject*) { LaunchPath(this, LaunchPathOf(kCharacterIndex)); }

void TForm3::N1Click(TObject*) { OpenSettingsFor(kCharacterIndex, Timer1); }

void TForm3::Timer1Timer(TObject*) {
    TickTowardsCursor(WalkerOf(this, kWalk));
}

void TForm3::WndProc(TMessage& Message) {
    if (IsSystemClose(Message)) return;
    TForm::WndProc(Message);
}
