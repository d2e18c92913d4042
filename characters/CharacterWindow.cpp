#include "characters/CharacterWindow.h"

#include "characters/Characters.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/Timer.h"
#include "platform/ui/WinApi.h"
#include "settings/Settings.h"

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
    if (SettingsWindowShowing()) {
        // A second request while the window is open (the tray icon stays
        // live in the modal loop) keeps its selection and its loop.
        BringSettingsWindowToFront();
        return;
    }
    ownTimer->SetEnabled(false);
    for (int i = 0; i < 4; ++i)
        if (CharacterTimer(i) != ownTimer) CharacterTimer(i)->SetEnabled(false);
    ShowSettingsWindowFor(characterIndex);
}
