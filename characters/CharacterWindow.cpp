#include "characters/CharacterWindow.h"

#include "characters/Mallo.h"
#include "characters/Oswy.h"
#include "characters/Quon.h"
#include "characters/Tibbet.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/Timer.h"
#include "platform/ui/WinApi.h"
#include "settings/StatusWindow1.h"

void ShowFrame(TRgnList* list, TRgn* frame) {
    list->Add(frame);
    list->SetWndRgn();
}

void WalkTowards(TForm* self, TRgnList* list, const Frames& frames, int& frameCounter, const WalkRule& rule,
                 const std::function<TPoint()>& target) {
    if (++frameCounter == 3) frameCounter = 0;
    if (target().y < self->Top() + rule.up) {
        ShowFrame(list, frames.rgn[0 + frameCounter]);
        self->SetTop(self->Top() - rule.step);
    }
    if (target().y > self->Top() + rule.down) {
        ShowFrame(list, frames.rgn[3 + frameCounter]);
        self->SetTop(self->Top() + rule.step);
    }
    if (target().x < self->Left() + rule.left) {
        ShowFrame(list, frames.rgn[6 + frameCounter]);
        self->SetLeft(self->Left() - rule.step);
    }
    if (target().x > self->Left() + rule.right) {
        ShowFrame(list, frames.rgn[9 + frameCounter]);
        self->SetLeft(self->Left() + rule.step);
    }
}

void LaunchPath(TForm* self, const std::string& path) {
    if (path.empty()) {
        win::MessageBeep(0);
        return;
    }
    // The whole path, however long: a path cut to a fixed buffer would name
    // another file.
    std::string ansi = ToAnsi(path);
    win::ShellExecuteA(self->Handle(), "OPEN", ansi.c_str(), "", "", win::SW_SHOW);
}

void OpenSettingsFor(int characterIndex, TTimer* ownTimer) {
    if (StatusForm1->Visible()) {
        // A second request while the window is open (the tray icon stays
        // live in the modal loop) keeps its selection and its loop.
        StatusForm1->Show();
        return;
    }
    ownTimer->SetEnabled(false);
    TTimer* timers[] = {Form1->Timer1, Form2->Timer1, Form3->Timer1, Form4->Timer1};
    for (TTimer* t : timers)
        if (t != ownTimer) t->SetEnabled(false);
    StatusForm1->SelectedCharacter = characterIndex;
    StatusForm1->ShowModal();
}
