// The character settings file "zimmo.ini" beside the executable: section
// "Visible" holds the four visible flags, section "Execute" the four launch
// paths, keys Char01 to Char04 by character index.
#pragma once
#include <functional>
#include <string>

class TdxfCheckBox;
class TEdit;

// The controls that hold one character's settings (not owned).
struct CharacterSettingControls {
    TdxfCheckBox* visibleFlag;
    TEdit* launchPath;
};

// The directory of the running executable (with its separator) + "zimmo.ini".
std::string SettingsFilePath();

// Reads the flags in character order, calling applyVisibleFlag(index) after
// each one is set, then the launch paths; what is missing keeps the
// control's value.
void ReadSettingsFile(const CharacterSettingControls (&controls)[4],
                      const std::function<void(int)>& applyVisibleFlag);

// Writes all eight values; raises the INI write error when a write fails,
// leaving the writes before it in the file.
void WriteSettingsFile(const CharacterSettingControls (&controls)[4]);
