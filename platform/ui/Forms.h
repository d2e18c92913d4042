// TForm, a top-level window built from its form resource, and TApplication,
// which creates the main form and runs the message loop.
#pragma once
#include <memory>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/ui/Controls.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2;

class TForm : public TCustomControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;
    const char* ClassName() const override { return "TForm"; }
    const PropList& Properties() const override;

    TFormBorderStyle BorderStyle() const { return border_style_; }
    void SetBorderStyle(TFormBorderStyle style);
    unsigned BorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TFormStyle FormStyle() const { return form_style_; }
    void SetFormStyle(TFormStyle style);
    TBrush* Brush() { return brush_.get(); }  // owned: the background; bsClear paints none
    int PixelsPerInch = 96;
    TPosition Position = poDesigned;
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    void SetClientWidth(int w) { SetWidth(w); }
    void SetClientHeight(int h) { SetHeight(h); }

    // Shows the form and brings it to the front.
    void Show();
    // Ends a modal showing (mrCancel), the program for the main form, or hides the form.
    void Close();
    // Shows the form with the program's other windows disabled and runs the
    // message loop until the form closes or the program ends.
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    TModalResult ModalResult = mrNone;

    // Runs OnCreate; the application (or whoever creates a form) calls it
    // once the constructor has finished.
    void DoCreate();

    TNotifyEvent OnCreate, OnShow, OnClose, OnDestroy;

    // Reads the form resource named after the class ("TForm1") into this form.
    void ReadFormResource();
    // Sets a member pointer to the component of that name, or raises EReadError.
    template <class T>
    void Bind(T*& field, const char* name) {
        field = dynamic_cast<T*>(FindComponent(name));
        if (!field) throw EReadError(std::string(ClassName()) + " にコンポーネント " + name + " がありません");
    }

protected:
    void CreateParams(os::WindowParams& params) override;
    void PaintWindow(TCanvas* canvas) override;
    void VisibleChanged() override;
    void WndProc(TMessage& message) override;
    virtual void DoShow();

private:
    TFormBorderStyle border_style_ = bsSizeable;
    TFormStyle form_style_ = fsNormal;
    std::unique_ptr<TBrush> brush_;  // owned
    bool modal_ = false;
};

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;
    const char* ClassName() const override { return "TApplication"; }

    void Initialize();
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& reference) {
        reference = new T(this);
        if (!main_form_) main_form_ = reference;
        reference->DoCreate();
    }
    TForm* MainForm() const { return main_form_; }  // not owned (the application owns it)
    bool ShowMainForm = true;
    // Shows the main form (unless ShowMainForm is false) and dispatches
    // messages until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void ProcessMessages();
    // Destroys every form the application owns and forgets the main form and
    // the end of the run (the program does this when Run returns; tests
    // between cases).
    void DestroyComponents();

    // The standard exception display.
    void ShowException(const Exception& e);
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_;
    TForm* main_form_ = nullptr;  // not owned
    bool terminated_ = false;
};

// The one application object of the program.
extern TApplication* Application;
