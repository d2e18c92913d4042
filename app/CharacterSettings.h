// The character settings file "zimmo.ini" beside the executable: loaded
// into the settings window at start-up, saved from it by its close button.
#pragma once
#include <string>

// The directory of the running executable (with its separator) + "zimmo.ini".
std::string SettingsFilePath();
// Each visible flag is applied through its check box's handler before the
// next is read; the launch paths follow.
void LoadCharacterSettings();
// Writes all eight values; raises the INI write error when a write fails.
void SaveCharacterSettings();
