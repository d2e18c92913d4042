// The control gallery: one window that places the library controls the
// program carries (the region button and the shine speed button) in their
// variants, counts the clicks of each, and can disable and enable them.
//
// With ZIMMO_GALLERY_LOG set in the environment, the window appends to that
// file "show X Y" (its client origin on the screen) when it shows, and
// "click NAME COUNT down=ABCDE" for every click (A to E: whether One, Two,
// Three, Bold and Italic are down): the end-to-end tests read it.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "controls/region/Region.h"
#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TGalleryForm : public TForm {
public:
    TRgnBtn *RgnBtn1, *RgnBtn2;
    TShineSpeedButton *ToggleBtn, *HookBtn;
    TShineSpeedButton *GroupOneBtn, *GroupTwoBtn, *GroupThreeBtn, *StyleBoldBtn, *StyleItalicBtn;
    TLabel* ClicksLabel;

    explicit TGalleryForm(TComponent* Owner);
    const char* ClassName() const override { return "TGalleryForm"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override;

    void FormShow(TObject* Sender);
    void ShineClick(TObject* Sender);
    void RgnBtnClick(TObject* Sender);

    // Clicks counted so far, by component name.
    int Clicks(const std::string& name) const;
    // Every shine and region button of the window but the toggle.
    std::vector<TControl*> Samples() const;

private:
    void Count(TControl* control);
    void ToggleSamples();
    void ShowAbout();

    std::map<std::string, int> clicks_;
    int total_ = 0;
    bool samples_enabled_ = true;
};

// Runs the gallery: registers the classes, creates the window, runs the loop.
int RunGallery();
