// What the four character windows share: how one tick walks a character
// towards its target, how a click launches its path, and how its menu opens
// the settings window. Each window class keeps its own members and handlers
// and calls these with its own values.
#pragma once
#include <functional>
#include <string>

#include "controls/region/Region.h"
#include "platform/ui/Forms.h"

class TTimer;

// A character's dead zone and step: it moves up while the target's y is
// below Top + up, down while it is above Top + down, and likewise left and
// right against Left; all tests strict.
struct WalkRule {
    int up, down, left, right;
    int step;
};

// The twelve frames in walking order: up 1-3, down 4-6, left 7-9, right 10-12.
struct Frames {
    TRgn* rgn[12];
};

// What a tick moves and shows of one character window (not owned).
struct Walker {
    TForm* window;
    TRgnList* list;
    Frames frames;
    int* frameCounter;
    WalkRule rule;
};

// Shows one frame: the list gives the window that frame's shape.
void ShowFrame(TRgnList* list, TRgn* frame);

// The tick's steps from the capture on, for a character that follows the
// cursor: takes the mouse capture, reads the cursor, walks towards it and
// releases the capture. A tick whose cursor cannot be read (a secure
// desktop, a locked workstation) walks nowhere and leaves the frame counter.
void TickTowardsCursor(const Walker& walker);

// The same for a character that follows a point read again at every test.
void TickTowards(const Walker& walker, const std::function<TPoint()>& target);

// A click on a character: the launch path (UTF-8) is handed whole to the
// shell in code page 932 with "OPEN", or the default beep sounds when empty.
void LaunchPath(TForm* self, const std::string& path);

// The menu command: stops the four timers (own first, then Mallo to Oswy),
// selects the character and shows the settings window modally. While the
// settings window is already open it is only brought to the front.
void OpenSettingsFor(int characterIndex, TTimer* ownTimer);

// Reads a character window's form resource and binds its members.
template <class Form>
void ReadCharacterForm(Form* f) {
    f->ReadFormResource();
    f->Bind(f->RgnList1, "RgnList1");
    TRgn** frames[12] = {&f->Rgn1, &f->Rgn2, &f->Rgn3, &f->Rgn4, &f->Rgn5, &f->Rgn6,
                         &f->Rgn7, &f->Rgn8, &f->Rgn9, &f->Rgn10, &f->Rgn11, &f->Rgn12};
    for (int i = 0; i < 12; ++i) f->Bind(*frames[i], ("Rgn" + std::to_string(i + 1)).c_str());
    f->Bind(f->Timer1, "Timer1");
    f->Bind(f->PopupMenu1, "PopupMenu1");
    f->Bind(f->N1, "N1");
    // The first up frame until the first move; this makes the window borderless.
    ShowFrame(f->RgnList1, f->Rgn1);
    f->FrameCounter = 0;
}

template <class Form>
Walker WalkerOf(Form* f, const WalkRule& rule) {
    return {f, f->RgnList1,
            {{f->Rgn1, f->Rgn2, f->Rgn3, f->Rgn4, f->Rgn5, f->Rgn6, f->Rgn7, f->Rgn8, f->Rgn9, f->Rgn10, f->Rgn11, f->Rgn12}},
            &f->FrameCounter, rule};
}

// A character other than Mallo is not closed by the system (Alt+F4, the
// window menu): it shows while its check box is ticked. True when the
// message was such a close, which the window then ignores.
bool IsSystemClose(const TMessage& message);
