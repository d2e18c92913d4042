// The standard controls TLabel (text painted on its parent) and TEdit (the
// system's single-line edit), and the registration of the standard classes
// with the class registry.
#pragma once
#include <memory>
#include <string>

#include "platform/core/Component.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

// Registers TLabel, TEdit, TImage, TPanel, TShape, TImageList, TTrayIcon,
// TTimer, TPopupMenu and TMenuItem, so that form resources can create them.
// Safe to call any number of times; also runs when the program starts.
void RegisterStandardClasses();

// A control's border: bsNone or bsSingle of the form border styles, as the
// class library defines it.
using TBorderStyle = TFormBorderStyle;

// ---------------------------------------------------------------- TLabel
// Text drawn at (0, 0) in Font. AutoSize makes the control as large as its
// text; Transparent leaves the background unpainted; with ShowAccelChar an
// '&' underlines the next character ("&&" draws '&'). A disabled label is
// drawn engraved: highlight one pixel down and right, shadow on top.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    ~TLabel() override;
    const char* ClassName() const override { return "TLabel"; }
    const PropList& Properties() const override;

    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return show_accel_char_; }
    void SetShowAccelChar(bool value);

    void SetParent(TWinControl* parent) override;
    void Paint() override;
    void Loaded() override;
    void WndProc(TMessage& message) override;

protected:
    // Resizes the control to its text when AutoSize is on (not while loading).
    void AdjustBounds();
    unsigned DrawTextFlags() const;

private:
    bool auto_size_ = true;
    bool transparent_ = false;
    bool show_accel_char_ = true;
};

// ---------------------------------------------------------------- TEdit
// The system's single-line edit. Text is kept by the control until the
// window exists and by the window afterwards; Text() always answers what
// the window shows. ReadOnly, BorderStyle and Ctl3D are window styles: a
// change of them makes the window anew. Without Ctl3D, or with bsNone, the
// edit is flat (no frame). Disabled, the system greys the text.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override;
    const char* ClassName() const override { return "TEdit"; }
    const PropList& Properties() const override;

    // The current text: the window's while it exists.
    std::string Text() const;
    void SetText(const std::string& text) override;

    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool value);
    TBorderStyle BorderStyle() const { return border_style_; }
    void SetBorderStyle(TBorderStyle style);  // anything but bsNone is bsSingle
    bool Ctl3D() const { return ctl3d_; }
    void SetCtl3D(bool value);
    // On: the height follows the font (text height plus the frame).
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool value);
    // The most characters (UTF-16 units) the user may type; 0 = no limit.
    int MaxLength() const { return max_length_; }
    void SetMaxLength(int value);
    void SelectAll();

    void SetParent(TWinControl* parent) override;
    void Loaded() override;
    void WndProc(TMessage& message) override;
    // Also while the window is being destroyed, when the control no longer
    // counts it as its handle: the system's edit still answers WM_GETTEXT.
    void DefaultHandler(TMessage& message) override;
    bool WantsChars() const override { return true; }

protected:
    void CreateParams(os::WindowParams& params) override;
    void CreateHandle() override;

private:
    void SetUpWindow();
    void SyncTextFromWindow();
    void ApplyColors();
    void AdjustHeight();
    void RecreateWindow();

    bool read_only_ = false;
    TBorderStyle border_style_ = bsSingle;
    bool ctl3d_ = true;
    bool auto_size_ = true;
    int max_length_ = 0;
    os::WindowId window_ = 0;  // the window set up last; kept until its WM_DESTROY
    bool syncing_ = false;     // taking the window's text: do not push it back
};
