#include "app/CharacterSettings.h"

#include "platform/core/IniFile.h"
#include "platform/core/SysUtils.h"
#include "settings/StatusWindow1.h"

namespace {
const char* const kKeys[] = {"Char01", "Char02", "Char03", "Char04"};
}

std::string SettingsFilePath() { return ExtractFilePath(ParamStr(0)) + "zimmo.ini"; }

void LoadCharacterSettings() {
    TIniFile ini(SettingsFilePath());
    void (TStatusForm1::*handlers[])(TObject*) = {&TStatusForm1::CheckBox1Click, &TStatusForm1::CheckBox2Click,
                                                  &TStatusForm1::CheckBox3Click, &TStatusForm1::CheckBox4Click};
    for (int i = 0; i < 4; ++i) {
        TdxfCheckBox* box = StatusForm1->VisibleFlag(i);
        box->SetChecked(ini.ReadBool("Visible", kKeys[i], box->Checked()));
        (StatusForm1->*handlers[i])(StatusForm1);
    }
    for (int i = 0; i < 4; ++i) {
        TEdit* edit = StatusForm1->LaunchPathEdit(i);
        edit->SetText(ini.ReadString("Execute", kKeys[i], edit->Text()));
    }
}

void SaveCharacterSettings() {
    TIniFile ini(SettingsFilePath());
    for (int i = 0; i < 4; ++i) ini.WriteBool("Visible", kKeys[i], StatusForm1->VisibleFlag(i)->Checked());
    for (int i = 0; i < 4; ++i) ini.WriteString("Execute", kKeys[i], StatusForm1->LaunchPathEdit(i)->Text());
}
