// Unit ShineSpdBtn: TShineSpeedButton, a windowless push button with
// exclusive groups, hover tracking, a solid or gradient face, three frame
// styles and per-pixel "shine" effects on its glyph; and TShineBtnColors,
// the colour set it draws its up and down states from.
//
// States: sbActiveDown (down under the mouse, or the left button held over
// it), sbDown, sbActiveUp (under the mouse), sbUp, sbDisabled. Below
// sbActiveUp a state counts as down: face, glyph and caption move one pixel
// right and down, and the PressedColors set applies.
//
// Groups travel as the platform's speed buttons do (platform/ui/Buttons.h):
// CM_BUTTONPRESSED to every control of the parent, LParam a TSpeedButton.
// A shine button speaks through a temporary, hidden TSpeedButton inserted
// into its parent for the length of GroupUpdateStatus, and ignores what
// that proxy says.
#pragma once
#include <memory>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Timer.h"

enum TFrameType { ftFlatFrame = 0, ftNormalFrame = 1, ftEnclosedFrame = 2 };
enum TActiveImageType {
    aiNormal = 0, aiXorLight = 1, aiHalfLight = 2, aiQuaterLight = 3,
    aiAddLight = 4, aiFrameLight = 5, aiFrameLight2 = 6, aiMaskLight = 7
};
enum TDisabledImageType { diDefault = 0, diGrayscale = 1, diAlphaHalfTrans = 2, diAlphaQuaterTrans = 3, diMaskTrans = 4 };
enum TShineButtonState { sbActiveDown = 0, sbDown = 1, sbActiveUp = 2, sbUp = 3, sbDisabled = 4 };

// Frame and face colours of one state family. Every change fires OnChange.
class TShineBtnColors : public TPersistent {
public:
    TShineBtnColors();
    ~TShineBtnColors() override;
    const char* ClassName() const override { return "TShineBtnColors"; }
    const PropList& Properties() const override;
    // From another TShineBtnColors: the seven values, OnChange twice (once
    // from the inherited path through Source->AssignTo, once at the end).
    // Anything else, null included, raises the assignment error.
    void Assign(TPersistent* Source) override;
    // Into another TShineBtnColors, firing its OnChange.
    void AssignTo(TPersistent* Dest) override;

    TColor Highlight() const { return highlight_; }
    void SetHighlight(TColor v);
    TColor Shadow() const { return shadow_; }
    void SetShadow(TColor v);
    TColor DarkShadow() const { return dark_shadow_; }
    void SetDarkShadow(TColor v);
    TColor GradColor() const { return grad_color_; }
    void SetGradColor(TColor v);
    bool GradVertical() const { return grad_vertical_; }
    void SetGradVertical(bool v);
    bool Gradation() const { return gradation_; }
    void SetGradation(bool v);
    TColor Color() const { return color_; }
    void SetColor(TColor v);

    TNotifyEvent OnChange;

private:
    void Changed();
    void CopyValues(const TShineBtnColors& from);

    TColor highlight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    TColor dark_shadow_ = clWindowFrame;
    TColor grad_color_ = clBlue;
    bool grad_vertical_ = false;
    bool gradation_ = false;
    TColor color_ = clBtnFace;
};

using TShineMouseEvent = TMouseMoveEvent;  // Sender, Shift, X, Y (client)

class TShineSpeedButton : public TGraphicControl {
public:
    explicit TShineSpeedButton(TComponent* AOwner);
    ~TShineSpeedButton() override;
    const char* ClassName() const override { return "TShineSpeedButton"; }
    const PropList& Properties() const override;
    void Loaded() override;

    // ---- properties (published order)
    int GroupIndex() const { return group_index_; }
    void SetGroupIndex(int Value);
    bool Down() const { return down_; }
    void SetDown(bool Value);
    bool ClickDownHook() const { return click_down_hook_; }
    void SetClickDownHook(bool Value);
    bool AccelCharDown() const { return accel_char_down_; }
    void SetAccelCharDown(bool Value);
    TFrameType FrameType() const { return frame_type_; }
    void SetFrameType(TFrameType Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool ActiveFrame() const { return active_frame_; }
    void SetActiveFrame(bool Value);
    bool UpFrame() const { return up_frame_; }
    void SetUpFrame(bool Value);
    bool DownFrame() const { return down_frame_; }
    void SetDownFrame(bool Value);
    TActiveImageType ActiveImage() const { return active_image_; }
    void SetActiveImage(TActiveImageType Value);
    TDisabledImageType DisabledImage() const { return disabled_image_; }
    void SetDisabledImage(TDisabledImageType Value);
    TColor DisabledHighlight() const { return disabled_highlight_; }
    void SetDisabledHighlight(TColor Value);
    TColor DisabledShadow() const { return disabled_shadow_; }
    void SetDisabledShadow(TColor Value);
    TShineBtnColors* Colors() const { return colors_.get(); }  // owned
    void SetColors(TPersistent* Value);
    TShineBtnColors* PressedColors() const { return pressed_colors_.get(); }  // owned
    void SetPressedColors(TPersistent* Value);
    TColor ShineColor() const { return shine_color_; }
    void SetShineColor(TColor Value);
    // The caption fonts, owned; they hide the platform's own font of the control.
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value);
    TColor FontHighlight() const { return font_highlight_; }
    void SetFontHighlight(TColor Value);
    TColor FontShadow() const { return font_shadow_; }
    void SetFontShadow(TColor Value);
    TFont* ActiveFont() const { return active_font_.get(); }
    void SetActiveFont(TFont* Value);
    bool AllowAllUp() const { return allow_all_up_; }
    void SetAllowAllUp(bool Value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return margin_; }
    void SetMargin(int Value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int Value);
    TBitmap* Glyph() const { return glyph_.get(); }  // owned, 32 bits per pixel once set
    void SetGlyph(TBitmap* Value);

    TShineMouseEvent OnMouseEnter, OnMouseLeave;

    // ---- state, for the tests and the gallery
    TShineButtonState State() const { return state_; }
    bool MouseInControl() const { return mouse_in_control_; }
    bool MousePressed() const { return mouse_pressed_; }
    TTimer* ActiveButtonTimer() const { return timer_.get(); }  // owned
    TSpeedButton* GroupProxyButton() const { return group_proxy_; }  // not owned; set only inside GroupUpdateStatus

    // ---- operations
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void MouseEnter(TShiftState Shift, int X, int Y);
    virtual void MouseLeave(TShiftState Shift, int X, int Y);
    void WndProc(TMessage& Message) override;

    void GroupUpdateStatus(int Value);
    void UpdateTracking();
    void ActiveButtonTimerOnTimer(TObject* Sender);

    // ---- drawing
    void Paint() override;
    void BackDraw(TCanvas* Canvas);
    void ImageDraw(TCanvas* Canvas);
    void FrameDraw(TCanvas* Canvas);
    // Glyph position (top-left pixel) and caption rectangle, measured with
    // the canvas's current font.
    void CalcDrawPosition(TCanvas* Canvas, TPoint* GlyphPos, TRect* CaptionRect);
    // The glyph as the current state shows it, or null for an empty glyph:
    // a 32-bit copy marked transparent in the key colour, or for diDefault
    // in sbDisabled the monochrome emboss mask.
    std::unique_ptr<TBitmap> CreateStateGlyph();

protected:
    virtual void GlyphOnChange(TObject* Sender);
    void FontsAndColorsOnChange(TObject* Sender);

private:
    void WMLButtonDblClick(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMButtonPressed(TMessage& Message);
    // The cursor in client coordinates.
    TPoint CursorInClient() const;
    // Paints at once.
    void RepaintNow() { Repaint(); }

    int group_index_ = 0;
    bool down_ = false;
    bool click_down_hook_ = false;
    bool accel_char_down_ = false;
    TFrameType frame_type_ = ftNormalFrame;
    bool transparent_ = false;
    bool active_frame_ = true;
    bool up_frame_ = true;
    bool down_frame_ = true;
    TActiveImageType active_image_ = aiFrameLight;
    TDisabledImageType disabled_image_ = diDefault;
    TColor disabled_highlight_ = clBtnHighlight;
    TColor disabled_shadow_ = clBtnShadow;
    TColor shine_color_ = clYellow;
    TColor font_highlight_ = clNone;
    TColor font_shadow_ = clNone;
    bool allow_all_up_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;

    TShineButtonState state_ = sbUp;
    bool mouse_in_control_ = false;
    bool mouse_pressed_ = false;
    TSpeedButton* group_proxy_ = nullptr;  // not owned (its parent owns it while it lives)

    std::unique_ptr<TShineBtnColors> colors_;          // owned
    std::unique_ptr<TShineBtnColors> pressed_colors_;  // owned
    std::unique_ptr<TFont> font_;                      // owned
    std::unique_ptr<TFont> active_font_;               // owned
    std::unique_ptr<TBitmap> glyph_;                   // owned
    std::unique_ptr<TTimer> timer_;                    // owned
};

// For the form designer: places TShineSpeedButton on the palette page "MyComponent".
void RegisterShineSpdBtn();
