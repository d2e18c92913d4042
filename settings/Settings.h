// The settings window as the character windows see it: the global pointer,
// its creation and the settings file load at start-up, and what a character
// reads of it (its launch path and visible flag by character index) or asks
// of it (to be shown for a character).
#pragma once
#include <string>

class TComponent;
class TStatusForm1;

extern TStatusForm1* StatusForm1;

// A new, hidden settings window owned by Owner.
TStatusForm1* NewStatusForm1(TComponent* Owner);

// Loads "zimmo.ini" into the settings window: each visible flag is applied
// through its check box's handler before the next is read; the launch
// paths follow.
void LoadCharacterSettings();

// Shows the tray icon; the program then has no taskbar button.
void ActivateTrayIcon();

// The launch path (UTF-8) and the visible flag of a character.
std::string LaunchPathOf(int characterIndex);
bool VisibleFlagOf(int characterIndex);

// Whether the settings window is open; shows it modally for a character
// (returns when it closes), or brings the open one to the front.
bool SettingsWindowShowing();
void ShowSettingsWindowFor(int characterIndex);
void BringSettingsWindowToFront();
