#include "gallery/Gallery.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/core/Exceptions.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Registration.h"

namespace {

// A caption as it reads on the screen: "&&" is one ampersand, a single one
// only marks the accelerator.
std::string Readable(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

// Appends a line to the file named by ZIMMO_GALLERY_LOG, when it is set.
void Log(const std::string& line) {
    const char* path = std::getenv("ZIMMO_GALLERY_LOG");
    if (!path || !*path) return;
    if (std::FILE* log = std::fopen(path, "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

}  // namespace

TGalleryForm::TGalleryForm(TComponent* Owner) : TForm(Owner) {
    ReadFormResource();
    Bind(RgnBtn1, "RgnBtn1");
    Bind(RgnBtn2, "RgnBtn2");
    Bind(ToggleBtn, "ToggleBtn");
    Bind(HookBtn, "HookBtn");
    Bind(GroupOneBtn, "GroupOneBtn");
    Bind(GroupTwoBtn, "GroupTwoBtn");
    Bind(GroupThreeBtn, "GroupThreeBtn");
    Bind(StyleBoldBtn, "StyleBoldBtn");
    Bind(StyleItalicBtn, "StyleItalicBtn");
    Bind(ClicksLabel, "ClicksLabel");
    // The designer sized both region buttons to their glyphs; the second
    // shows its glyph at twice the size, with its region scaled to match.
    TBitmap* glyph = RgnBtn2->GetGlyph(1);
    RgnBtn2->SetBounds(RgnBtn2->Left(), RgnBtn2->Top(), 2 * glyph->Width(), 2 * glyph->Height());
    RgnBtn2->UpdateRgn();
}

std::function<void(TObject*)> TGalleryForm::FindMethod(const std::string& name) const {
    using C = TGalleryForm;
    return FindMethodIn(this, name, {{"FormShow", &C::FormShow}, {"ShineClick", &C::ShineClick}, {"RgnBtnClick", &C::RgnBtnClick}});
}

void TGalleryForm::FormShow(TObject*) {
    ClicksLabel->SetCaption("Click a button: its clicks are counted here.");
    const TPoint origin = ClientToScreen({0, 0});
    Log("show " + std::to_string(origin.x) + " " + std::to_string(origin.y));
}

std::vector<TControl*> TGalleryForm::Samples() const {
    std::vector<TControl*> samples;
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (c == ToggleBtn) continue;
        if (dynamic_cast<TShineSpeedButton*>(c) || dynamic_cast<TRgnBtn*>(c)) samples.push_back(static_cast<TControl*>(c));
    }
    return samples;
}

int TGalleryForm::Clicks(const std::string& name) const {
    auto it = clicks_.find(name);
    return it == clicks_.end() ? 0 : it->second;
}

void TGalleryForm::Count(TControl* control) {
    const int n = ++clicks_[control->Name()];
    ++total_;
    std::string what = Readable(control->Caption());
    if (what.empty()) what = control->Name();
    ClicksLabel->SetCaption(what + ": " + std::to_string(n) + (n == 1 ? " click" : " clicks") + "   (all buttons: " +
                            std::to_string(total_) + ")");
    std::string line = "click " + control->Name() + " " + std::to_string(n) + " down=";
    const TShineSpeedButton* grouped[] = {GroupOneBtn, GroupTwoBtn, GroupThreeBtn, StyleBoldBtn, StyleItalicBtn};
    for (const TShineSpeedButton* b : grouped) line += b->Down() ? '1' : '0';
    Log(line);
}

void TGalleryForm::ShineClick(TObject* Sender) {
    auto* button = dynamic_cast<TShineSpeedButton*>(Sender);
    if (!button) return;
    Count(button);
    if (button == ToggleBtn) ToggleSamples();
    if (button == HookBtn) ShowAbout();
}

void TGalleryForm::RgnBtnClick(TObject* Sender) {
    if (auto* button = dynamic_cast<TRgnBtn*>(Sender)) Count(button);
}

void TGalleryForm::ToggleSamples() {
    samples_enabled_ = !samples_enabled_;
    for (TControl* c : Samples()) c->SetEnabled(samples_enabled_);
    ToggleBtn->SetCaption(samples_enabled_ ? "&Disable all" : "&Enable all");
}

void TGalleryForm::ShowAbout() {
    // A small modal box; the hooked button keeps its pressed look meanwhile.
    auto box = std::make_unique<TForm>(nullptr);
    box->SetName("AboutBox");
    box->SetBorderStyle(bsDialog);
    box->SetCaption("About the click hook");
    box->SetColor(clBtnFace);
    box->SetBounds(Left() + 180, Top() + 150, 300, 110);
    auto* text = new TLabel(box.get());
    text->SetParent(box.get());
    text->SetBounds(16, 14, 270, 16);
    text->SetCaption("The button stays pressed while its click runs.");
    auto* ok = new TShineSpeedButton(box.get());
    ok->SetName("OkBtn");
    ok->SetParent(box.get());
    ok->SetBounds(110, 44, 80, 26);
    ok->SetCaption("OK");
    TForm* self = box.get();
    ok->OnClick = TNotifyEvent([self](TObject*) { self->ModalResult = mrOk; });
    box->ShowModal();
}

int RunGallery() {
    try {
        RegisterPlatformClasses();
        Register();
        RegisterShineSpdBtn();
        Application->Initialize();
        Application->SetTitle("Zimmo control gallery");
        TGalleryForm* form = nullptr;
        Application->CreateForm(form);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(Exception(""));
    }
    Application->DestroyComponents();
    return 0;
}
