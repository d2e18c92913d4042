#include "settings/SettingsFile.h"

#include "controls/checkbox/dxfCheckBox.h"
#include "platform/core/IniFile.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/StdCtrls.h"

namespace {
const char* const kKeys[] = {"Char01", "Char02", "Char03", "Char04"};
}

std::string SettingsFilePath() { return ExtractFilePath(ParamStr(0)) + "zimmo.ini"; }

void ReadSettingsFile(const CharacterSettingControls (&controls)[4],
                      const std::function<void(int)>& applyVisibleFlag) {
    TIniFile ini(SettingsFilePath());
    for (int i = 0; i < 4; ++i) {
        TdxfCheckBox* box = controls[i].visibleFlag;
        box->SetChecked(ini.ReadBool("Visible", kKeys[i], box->Checked()));
        applyVisibleFlag(i);
    }
    for (int i = 0; i < 4; ++i) {
        TEdit* edit = controls[i].launchPath;
        edit->SetText(ini.ReadString("Execute", kKeys[i], edit->Text()));
    }
}

void WriteSettingsFile(const CharacterSettingControls (&controls)[4]) {
    TIniFile ini(SettingsFilePath());
    for (int i = 0; i < 4; ++i) ini.WriteBool("Visible", kKeys[i], controls[i].visibleFlag->Checked());
    for (int i = 0; i < 4; ++i) ini.WriteString("Execute", kKeys[i], controls[i].launchPath->Text());
}
