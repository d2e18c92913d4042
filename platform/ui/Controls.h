// Controls: TControl (bounds, visibility, mouse events), TGraphicControl
// (windowless, painted on its parent), TWinControl (an operating-system
// window with child controls), TCustomControl (a window with its own canvas).
//
// A TWinControl paints into a back buffer: its own face first, then its
// graphic controls bottom to top, each through a canvas moved to its place
// and clipped to it, then one copy to the screen. Mouse messages go to the
// front-most graphic control under the point, or to the one that holds the
// mouse while a button is down.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Component.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/os.h"
#include "platform/ui/Messages.h"

class TWinControl;
class TPopupMenu;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNS = -7,
                  crSizeWE = -9, crHourGlass = -11, crDrag = -12, crNo = -18, crHandPoint = -21, crSizeAll = -22;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TKeyEvent = TEvent<TObject*, int&, TShiftState>;
using TKeyPressEvent = TEvent<TObject*, char16_t&>;

// ControlStyle
enum : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csDesignInteractive = 1u << 2,
    csClickEvents = 1u << 3,
    csFramed = 1u << 4,
    csSetCaption = 1u << 5,
    csOpaque = 1u << 6,
    csDoubleClicks = 1u << 7,
};
// ControlState
enum : unsigned {
    csLButtonDown = 1u << 0,
    csClicked = 1u << 1,
    csFocusing = 1u << 6,
    csCreating = 1u << 7,
};

// A canvas that draws on a control: for a graphic control the parent's back
// buffer, moved to the control's place and clipped to it.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(class TControl* control) : control_(control) {}
    const char* ClassName() const override { return "TControlCanvas"; }

protected:
    void CreateHandle() override;

private:
    TControl* control_;  // not owned
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    const char* ClassName() const override { return "TControl"; }
    const PropList& Properties() const override;

    TWinControl* Parent() const { return parent_; }  // not owned
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual TRect ClientRect() const { return Rect(0, 0, width_, height_); }
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent visible too.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TPopupMenu* PopupMenu() const { return popup_menu_; }  // not owned
    void SetPopupMenu(TPopupMenu* menu);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return show_hint_; }
    void SetShowHint(bool show);
    bool ParentShowHint() const { return parent_show_hint_; }
    void SetParentShowHint(bool value);

    // The caption (the text of an edit).
    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& text) { SetText(text); }
    const std::string& Text() const { return text_; }
    virtual void SetText(const std::string& text);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFont* Font() { return font_.get(); }  // owned
    void SetFont(TFont* font) { font_->Assign(font); }
    bool ParentColor() const { return parent_color_; }
    void SetParentColor(bool v);
    bool ParentFont() const { return parent_font_; }
    void SetParentFont(bool v);

    unsigned ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    unsigned ControlState = 0;

    // Paint requests: of the control's area of its parent window.
    virtual void Invalidate();
    void Update();
    void Repaint();
    // Moves the control to the top (bottom) of its parent's z-order.
    void BringToFront();
    void SendToBack();

    // Runs a message through WndProc at once.
    win::LRESULT Perform(win::UINT msg, win::WPARAM wparam = 0, win::LPARAM lparam = 0);
    virtual void WndProc(TMessage& message);
    // Handling of messages nobody else handled.
    virtual void DefaultHandler(TMessage& message) {}

    TNotifyEvent OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // The drag mode (dmManual 0, dmAutomatic 1); the class library drags nothing itself.
    int DragMode = 0;

    // The event methods, run by the mouse messages.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);

    // Number of graphic-control paints, for the tests' and benchmarks' counting.
    static long PaintCount;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // Tells the window system about a new position; TWinControl moves its window.
    virtual void BoundsChanged() {}
    virtual void VisibleChanged();
    void UpdateHint();
    static TShiftState ShiftFromWParam(win::WPARAM wp);

private:
    friend class TWinControl;
    void FontChanged(TObject*);

    TWinControl* parent_ = nullptr;  // not owned
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    TCursor cursor_ = crDefault;
    TPopupMenu* popup_menu_ = nullptr;  // not owned
    std::string hint_;
    bool show_hint_ = false;
    bool parent_show_hint_ = true;
    std::string text_;
    TColor color_ = clWindow;
    bool parent_color_ = true;
    bool parent_font_ = true;
    std::unique_ptr<TFont> font_;  // owned
};

// A control without a window of its own, painted on its parent's surface.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    const char* ClassName() const override { return "TGraphicControl"; }
    // Valid while the control paints (the parent's back buffer, moved and clipped).
    TCanvas* Canvas() { return canvas_.get(); }
    virtual void Paint() {}

private:
    friend class TWinControl;
    std::unique_ptr<TControlCanvas> canvas_;  // owned
};

// A control with a window of its own.
class TWinControl : public TControl, private os::WindowSink {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    const char* ClassName() const override { return "TWinControl"; }
    const PropList& Properties() const override;

    // The window, created on first use.
    os::WindowId Handle();
    bool HandleAllocated() const { return handle_ != 0; }
    void HandleNeeded() { Handle(); }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;  // z-order: 0 is the bottom
    int IndexOfControl(const TControl* c) const;
    // The front-most visible (and, unless allowDisabled, enabled) graphic
    // control under a client point, or null.
    TControl* ControlAtPos(TPoint p, bool allowDisabled = false) const;

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop = false;
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    // The windowed children in tab order.
    std::vector<TWinControl*> TabList() const;
    // Gives the focus to the next (previous) tab stop after `current`.
    void SelectNext(TWinControl* current, bool forward);

    // Sends a message to every child control, stopping when one sets a result.
    void Broadcast(TMessage& message);

    void Invalidate() override;
    void SetParent(TWinControl* parent) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter, OnExit;

    // The back buffer's canvas while painting.
    TCanvas* PaintCanvas() { return buffer_ ? buffer_->Canvas() : nullptr; }

protected:
    friend class TControl;
    friend class TControlCanvas;
    virtual void CreateParams(os::WindowParams& params);
    virtual void CreateHandle();
    void DestroyHandle();
    // Paints the control's own face into the back buffer.
    virtual void PaintWindow(TCanvas* canvas);
    void PaintHandler();
    void PaintControls(TCanvas* canvas, const TRect& area);
    void BoundsChanged() override;
    void VisibleChanged() override;
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyUp(int& key, TShiftState shift);
    virtual void KeyPress(char16_t& key);
    // Whether a typed character that KeyPress left alone is the control's own
    // (an edit) rather than a possible accelerator of the form's controls.
    virtual bool WantsChars() const { return false; }
    virtual void DoEnter();
    virtual void DoExit();
    // Size of the client area the back buffer covers.
    virtual TRect BufferRect();
    // A graphic control holds the mouse while a button is down on it.
    TControl* mouse_control_ = nullptr;  // not owned

private:
    friend class TGraphicControl;
    std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) override;
    bool RouteMouse(TMessage& m);
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void UpdateTooltips();
    // CM_MOUSEENTER / CM_MOUSELEAVE as the pointer moves over (and out of) the window.
    void TrackMouse(TPoint client);
    void MouseLeft();

    os::WindowId handle_ = 0;
    std::vector<TControl*> controls_;  // not owned; z-order, bottom first
    std::unique_ptr<TBitmap> buffer_;  // owned back buffer
    int tab_order_ = -1;
    bool painting_ = false;
};

// The shift state now, from GetKeyState: a key counts as down when the high
// bit of its state is set (mouse buttons, Shift, Ctrl, Alt).
TShiftState GetShiftState();

// The control of ours under a screen point: the front-most graphic control
// there (disabled ones too when allowDisabled), else the window itself; null
// over any window that is not one of ours.
TControl* FindDragTarget(TPoint screen, bool allowDisabled);
// The control that owns a window of ours; null for any other window.
TWinControl* FindControl(os::WindowId window);
// Whether a typed character is the accelerator of a caption: the character
// after its last single '&' ("&&" is a literal ampersand), letters compared
// without regard to case.
bool IsAccel(unsigned character, std::string_view caption);

// A window with its own canvas and a Paint method.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    const char* ClassName() const override { return "TCustomControl"; }
    TCanvas* Canvas() { return canvas_.get(); }
    virtual void Paint() {}

protected:
    void PaintWindow(TCanvas* canvas) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;  // owned
};

// Looks up a handler by name in a class's table of handler methods.
template <class C>
std::function<void(TObject*)> FindMethodIn(const C* self, const std::string& name,
                                           std::initializer_list<std::pair<const char*, void (C::*)(TObject*)>> table) {
    for (const auto& [n, m] : table) {
        if (name == n) {
            C* target = const_cast<C*>(self);
            return [target, m = m](TObject* sender) { (target->*m)(sender); };
        }
    }
    return {};
}
