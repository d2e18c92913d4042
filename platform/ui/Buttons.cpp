#include "platform/ui/Buttons.h"

#include "platform/graphics/Gdi.h"

using namespace win;

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = csCaptureMouse | csDoubleClicks | csOpaque;
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

const PropList& TSpeedButton::Properties() const {
    using C = TSpeedButton;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Bool<C>("AllowAllUp", false, [](C* c) { return c->AllowAllUp(); }, [](C* c, bool v) { c->SetAllowAllUp(v); }),
        props::Int<C>("GroupIndex", 0, [](C* c) { return c->GroupIndex(); }, [](C* c, std::int64_t v) { c->SetGroupIndex(int(v)); }),
        props::Bool<C>("Down", false, [](C* c) { return c->Down(); }, [](C* c, bool v) { c->SetDown(v); }),
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Bool<C>("Flat", false, [](C* c) { return c->Flat(); }, [](C* c, bool v) { c->SetFlat(v); }),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
    });
    return list;
}

void TSpeedButton::SetGroupIndex(int value) {
    if (value == group_index_) return;
    group_index_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
    if (group_index_ == 0) value = false;
    if (value == down_) return;
    // The down member of a group without AllowAllUp stays down.
    if (down_ && !allow_all_up_) return;
    down_ = value;
    Invalidate();
    if (value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (value == allow_all_up_) return;
    allow_all_up_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (group_index_ == 0 || !Parent()) return;
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(group_index_), reinterpret_cast<LPARAM>(this), 0};
    Parent()->Broadcast(m);
}

void TSpeedButton::WndProc(TMessage& m) {
    if (m.Msg == CM_BUTTONPRESSED) {
        auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
        if (static_cast<int>(m.WParam) == group_index_ && sender && sender != this) {
            if (sender->Down() && down_) {
                down_ = false;
                Invalidate();
            }
            allow_all_up_ = sender->AllowAllUp();
        }
        return;
    }
    if (m.Msg == CM_ENABLEDCHANGED || m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED ||
        m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
        Invalidate();
        return;
    }
    TGraphicControl::WndProc(m);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    pressed_ = dragging_in_ = true;
    Invalidate();
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!pressed_) return;
    bool in = ClientRect().Contains(x, y);
    if (in != dragging_in_) {
        dragging_in_ = in;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!pressed_) return;
    pressed_ = dragging_in_ = false;
    Invalidate();
    if (!ClientRect().Contains(x, y)) return;
    if (group_index_ != 0) SetDown(!down_);
    Click();
}

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    const int w = Width(), h = Height();
    const bool pushed = pressed_ && dragging_in_;
    const bool sunk = down_ || pushed;
    c->Brush()->SetStyle(bsSolid);
    // A button held down by its group shows the lighter, checked face.
    c->Brush()->SetColor(down_ && !pushed ? clBtnHighlight : clBtnFace);
    c->FillRect(Rect(0, 0, w, h));
    if (!flat_ || sunk) {
        auto line = [c](TColor color, int x1, int y1, int x2, int y2) {
            c->Pen()->SetColor(color);
            c->MoveTo(x1, y1);
            c->LineTo(x2, y2);
        };
        const TColor light = sunk ? clBtnShadow : clBtnHighlight, dark = sunk ? clBtnHighlight : clWindowFrame;
        line(light, 0, h - 1, 0, 0);
        line(light, 0, 0, w - 1, 0);
        line(dark, w - 1, 0, w - 1, h - 1);
        line(dark, w - 1, h - 1, -1, h - 1);
        if (!sunk) {
            line(clBtnShadow, w - 2, 1, w - 2, h - 2);
            line(clBtnShadow, w - 2, h - 2, 0, h - 2);
        }
    }
    if (Caption().empty()) return;
    const int shift = sunk ? 1 : 0;
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (!Enabled()) {
        RECT lower{shift + 1, shift + 1, w + shift + 1, h + shift + 1};
        c->Font()->SetColor(clBtnHighlight);
        DrawTextUtf8(c->Handle(), Caption(), &lower, format);
        c->Font()->SetColor(clBtnShadow);
    }
    RECT text{shift, shift, w + shift, h + shift};
    DrawTextUtf8(c->Handle(), Caption(), &text, format);
}
