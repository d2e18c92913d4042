#include "characters/Oswy.h"

#include "characters/CharacterWindow.h"
#include "characters/Tibbet.h"
#include "platform/ui/WinApi.h"
#include "settings/Settings.h"

TForm4* Form4 = nullptr;

namespace {
constexpr int kCharacterIndex = 3;
constexpr WalkRule kWalk = {-12, 32, -12, 32, 2};
}  // namespace

TForm4::TForm4(TComponent* Owner) : TForm(Owner) { ReadCharacterForm(this); }

std::function<void(TObject*)> TForm4::FindMethod(const std::string& name) const {
    return FindMethodIn(this, name, {{"Rgn1Click", &TForm4::Rgn1Click}, {"N1Click", &TForm4::N1Click}, {"Timer1Timer", &TForm4::Timer1Timer}});
}

void TForm4::Rgn1Click(TObject*) { LaunchPath(this, LaunchPathOf(kCharacterIndex)); }

void TForm4::N1Click(TObject*) { OpenSettingsFor(kCharacterIndex, Timer1); }

void TForm4::Timer1Timer(TObject*) {
    if (!Form2->Visible()) return;  // Oswy waits while Tibbet is away
    TickTowards(WalkerOf(this, kWalk), [] { return TPoint{Form2->Left(), Form2->Top()}; });
}

void TForm4::WndProc(TMessage& Message) {
    if (IsSystemClose(Message)) return;
    TForm::WndProc(Message);
}
