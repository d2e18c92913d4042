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

namespace {

// Advances the frame counter, then moves up or down and left or right by
// the step towards the target, showing the frame of each move. The target
// is read again at every test.
void WalkTowards(const Walker& w, const std::function<TPoint()>& target) {
    int& counter = *w.frameCounter;
    if (++counter == 3) counter = 0;
    TForm* self = w.window;
    if (target().y < self->Top() + w.rule.up) {
        ShowFrame(w.list, w.frames.rgn[0 + counter]);
        self->SetTop(self->Top() - w.rule.step);
    }
    if (target().y > self->Top() + w.rule.down) {
        ShowFrame(w.list, w.frames.rgn[3 + counter]);
        self->SetTop(self->Top() + w.rule.step);
    }
    if (target().x < self->Left() + w.rule.left) {
        ShowFrame(w.list, w.frames.rgn[6 + counter]);
        self->SetLeft(self->Left() - w.rule.step);
    }
    if (target().x > self->Left() + w.rule.right) {
        ShowFrame(w.list, w.frames.rgn[9 + counter]);
        self->SetLeft(self->Left() + w.rule.step);
    }
}

// Runs `walk` with the mouse capture taken for the window; the capture is
// released however the walk ends.
template <class Walk>
void WithCapture(TForm* window, Walk&& walk) {
    win::SetCapture(window->Handle());
    try {
        walk();
    } catch (...) {
        win::ReleaseCapture();
        throw;
    }
    win::ReleaseCapture();
}

}  // namespace

void TickTowardsCursor(const Walker& walker) {
    WithCapture(walker.window, [&] {
        win::POINT cursor;
        if (!win::GetCursorPos(&cursor)) return;
        WalkTowards(walker, [&cursor] { return TPoint{cursor.x, cursor.y}; });
    });
}

void TickTowards(const Walker& walker, const std::function<TPoint()>& target) {
    WithCapture(walker.window, [&] { WalkTowards(walker, target); });
}

bool IsSystemClose(const TMessage& message) { return message.Msg == win::WM_CLOSE; }

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
