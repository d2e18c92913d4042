// TSpeedButton: a windowless push button that can stay down as a member of
// an exclusive group of the same parent (GroupIndex, Down, AllowAllUp).
//
// Group notification: CM_BUTTONPRESSED, broadcast to every control of the
// parent, WParam the group index, LParam the speed button that sends it
// (a TSpeedButton*). A speed button sends it when it goes down and when its
// GroupIndex or AllowAllUp changes. A receiver of the same group reads the
// sender's Down and AllowAllUp: a down one releases itself when the sender
// is down, and every one takes the sender's AllowAllUp. Handling it twice
// changes nothing, so any number of senders may speak for one change.
#pragma once
#include "platform/ui/Controls.h"

enum TButtonLayout { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;
    const char* ClassName() const override { return "TSpeedButton"; }
    const PropList& Properties() const override;

    int GroupIndex() const { return group_index_; }
    void SetGroupIndex(int value);
    // Only a grouped button stays down; in a group without AllowAllUp the
    // down member is released only by another member going down.
    bool Down() const { return down_; }
    void SetDown(bool value);
    bool AllowAllUp() const { return allow_all_up_; }
    void SetAllowAllUp(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);

    void Paint() override;
    void WndProc(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    // Tells the parent's controls about this button's group state.
    void UpdateExclusive();

    int group_index_ = 0;
    bool down_ = false;
    bool allow_all_up_ = false;
    bool flat_ = false;
    bool pressed_ = false;   // the left button went down here and is held
    bool dragging_in_ = false;  // ... and the pointer is over the button
};
