// The settings window: the four characters as portraits with one selected,
// their visible flags (check boxes) and launch paths (read-only edits), a
// drop target for files, the close button that saves, and the tray icon
// with its menu.
#pragma once
#include "controls/checkbox/dxfCheckBox.h"
#include "settings/Settings.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TrayIcon.h"

class TStatusForm1 : public TForm {
public:
    TImage* Image1;
    TPanel* Panel1;
    TImage* Image2;
    TPanel* Panel2;
    TImage* Image3;
    TPanel* Panel3;
    TImage* Image4;
    TPanel* Panel4;
    TImage* Image5;
    TLabel *Label15, *Label4;
    TdxfCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4;
    TLabel *Label18, *Label2, *Label19, *Label12, *Label20, *Label13, *Label21, *Label14;
    TLabel *Label1, *Label3, *Label5, *Label7, *Label8, *Label9, *Label10, *Label11;
    TEdit *Edit1, *Edit3, *Edit5, *Edit7;
    TShape *Shape5, *Shape7, *Shape9, *Shape11;
    TLabel *Label22, *Label23;
    TImageList* ImageList1;
    TTrayIcon* LMDTrayIcon1;
    TPopupMenu* PopupMenu1;
    TMenuItem *S1, *N3, *N2, *N4, *N1;

    // The character whose portrait is in colour and whose edit is enabled: 0 to 3.
    int SelectedCharacter = 0;

    explicit TStatusForm1(TComponent* Owner);
    const char* ClassName() const override { return "TStatusForm1"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override;

    void FormShow(TObject* Sender);
    void Image2Click(TObject* Sender);
    void Image3Click(TObject* Sender);
    void Image4Click(TObject* Sender);
    void Image5Click(TObject* Sender);
    void CheckBox1Click(TObject* Sender);
    void CheckBox2Click(TObject* Sender);
    void CheckBox3Click(TObject* Sender);
    void CheckBox4Click(TObject* Sender);
    void LMDTrayIcon1DblClick(TObject* Sender);
    void S1Click(TObject* Sender);
    void N1Click(TObject* Sender);
    void N2Click(TObject* Sender);

    // The check box and the edit of a character index.
    TdxfCheckBox* VisibleFlag(int index) const;
    TEdit* LaunchPathEdit(int index) const;

protected:
    void WndProc(TMessage& Message) override;

private:
    void WMDropFiles(TMessage& Message);
    // The check-box handlers' step: the character's window follows its flag.
    void ApplyVisibleFlag(int index);
};

// The information page of the maker's server for the running executable.
std::string InformationPageAddress();
