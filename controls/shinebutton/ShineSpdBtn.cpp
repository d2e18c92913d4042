#include "controls/shinebutton/ShineSpdBtn.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/core/Classes.h"
#include "platform/graphics/Gdi.h"

using namespace win;

namespace {

PropInfo AlwaysStored(PropInfo p) {
    p.always_stored = true;
    return p;
}

const EnumNames kFrameTypeNames{{"ftFlatFrame", "ftNormalFrame", "ftEnclosedFrame"}};
const EnumNames kActiveImageNames{{"aiNormal", "aiXorLight", "aiHalfLight", "aiQuaterLight", "aiAddLight",
                                   "aiFrameLight", "aiFrameLight2", "aiMaskLight"}};
const EnumNames kDisabledImageNames{{"diDefault", "diGrayscale", "diAlphaHalfTrans", "diAlphaQuaterTrans", "diMaskTrans"}};
const EnumNames kLayoutNames{{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};

// A stored enumeration value outside its range is a damaged form.
template <class E>
E CheckedEnum(TComponent* c, const char* name, std::int64_t v, int count) {
    if (v < 0 || v >= count)
        throw EReadError(c->Name() + ": " + name + " の値が範囲を超えています (" + std::to_string(v) + ")");
    return static_cast<E>(v);
}

int Clamp32(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

// half(): v / 2, truncated toward zero (C++ division does exactly that).
int Half(int v) { return v / 2; }

bool IsDownState(TShineButtonState s) { return s < sbActiveUp; }

}  // namespace

// ================================================================ TShineBtnColors
TShineBtnColors::TShineBtnColors() = default;

TShineBtnColors::~TShineBtnColors() { OnChange = {}; }

const PropList& TShineBtnColors::Properties() const {
    using C = TShineBtnColors;
    static const PropList list = {
        props::Int<C>("Highlight", clBtnHighlight, [](C* c) { return c->Highlight(); }, [](C* c, std::int64_t v) { c->SetHighlight(TColor(v)); }, PropKind::Color),
        props::Int<C>("Shadow", clBtnShadow, [](C* c) { return c->Shadow(); }, [](C* c, std::int64_t v) { c->SetShadow(TColor(v)); }, PropKind::Color),
        props::Int<C>("DarkShadow", clWindowFrame, [](C* c) { return c->DarkShadow(); }, [](C* c, std::int64_t v) { c->SetDarkShadow(TColor(v)); }, PropKind::Color),
        props::Int<C>("GradColor", clBlue, [](C* c) { return c->GradColor(); }, [](C* c, std::int64_t v) { c->SetGradColor(TColor(v)); }, PropKind::Color),
        props::Bool<C>("GradVertical", false, [](C* c) { return c->GradVertical(); }, [](C* c, bool v) { c->SetGradVertical(v); }),
        props::Bool<C>("Gradation", false, [](C* c) { return c->Gradation(); }, [](C* c, bool v) { c->SetGradation(v); }),
        // No stored default: the up and the down set differ here.
        AlwaysStored(props::Int<C>("Color", clBtnFace, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color)),
    };
    return list;
}

void TShineBtnColors::Changed() {
    if (OnChange) OnChange(this);
}

void TShineBtnColors::CopyValues(const TShineBtnColors& from) {
    highlight_ = from.highlight_;
    shadow_ = from.shadow_;
    dark_shadow_ = from.dark_shadow_;
    grad_color_ = from.grad_color_;
    grad_vertical_ = from.grad_vertical_;
    gradation_ = from.gradation_;
    color_ = from.color_;
}

void TShineBtnColors::Assign(TPersistent* Source) {
    if (auto* from = dynamic_cast<TShineBtnColors*>(Source)) {
        CopyValues(*from);
        TPersistent::Assign(Source);  // Source->AssignTo(this): copies again, fires OnChange
        Changed();
        return;
    }
    TPersistent::Assign(Source);  // the assignment error, unless Source knows how
}

void TShineBtnColors::AssignTo(TPersistent* Dest) {
    auto* to = dynamic_cast<TShineBtnColors*>(Dest);
    if (!to) {
        TPersistent::AssignTo(Dest);  // the assignment error
        return;
    }
    to->CopyValues(*this);
    to->Changed();
}

#define SHINE_COLORS_SETTER(Name, field)        \
    void TShineBtnColors::Set##Name(decltype(field) v) { \
        if (v == field) return;                 \
        field = v;                              \
        Changed();                              \
    }
SHINE_COLORS_SETTER(Highlight, highlight_)
SHINE_COLORS_SETTER(Shadow, shadow_)
SHINE_COLORS_SETTER(DarkShadow, dark_shadow_)
SHINE_COLORS_SETTER(GradColor, grad_color_)
SHINE_COLORS_SETTER(GradVertical, grad_vertical_)
SHINE_COLORS_SETTER(Gradation, gradation_)
SHINE_COLORS_SETTER(Color, color_)
#undef SHINE_COLORS_SETTER

// ================================================================ TShineSpeedButton
TShineSpeedButton::TShineSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner),
      colors_(std::make_unique<TShineBtnColors>()),
      pressed_colors_(std::make_unique<TShineBtnColors>()),
      font_(std::make_unique<TFont>()),
      active_font_(std::make_unique<TFont>()),
      glyph_(std::make_unique<TBitmap>()),
      timer_(std::make_unique<TTimer>(nullptr)) {
    // No click events of the platform's own (MouseUp clicks), no caption
    // taken from the name.
    ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
    pressed_colors_->SetColor(clBtnHighlight);
    font_->SetColor(clBtnText);
    active_font_->SetColor(clHighlight);
    auto invalidate = TNotifyEvent([this](TObject* s) { FontsAndColorsOnChange(s); });
    colors_->OnChange = invalidate;
    pressed_colors_->OnChange = invalidate;
    font_->OnChange = invalidate;
    active_font_->OnChange = invalidate;
    glyph_->OnChange = TNotifyEvent([this](TObject* s) { GlyphOnChange(s); });
    SetBounds(Left(), Top(), 25, 25);
    SetCaption("");
    timer_->SetEnabled(false);
    timer_->SetInterval(200);
    timer_->OnTimer = TNotifyEvent([this](TObject* s) { ActiveButtonTimerOnTimer(s); });
}

TShineSpeedButton::~TShineSpeedButton() {
    timer_.reset();
    glyph_.reset();
    colors_.reset();
    pressed_colors_.reset();
    font_.reset();
    active_font_.reset();
}

const PropList& TShineSpeedButton::Properties() const {
    using C = TShineSpeedButton;
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Int<C>("GroupIndex", 0, [](C* c) { return c->GroupIndex(); }, [](C* c, std::int64_t v) { c->SetGroupIndex(Clamp32(v)); }),
        props::Bool<C>("Down", false, [](C* c) { return c->Down(); }, [](C* c, bool v) { c->SetDown(v); }),
        props::Bool<C>("ClickDownHook", false, [](C* c) { return c->ClickDownHook(); }, [](C* c, bool v) { c->SetClickDownHook(v); }),
        props::Bool<C>("AccelCharDown", false, [](C* c) { return c->AccelCharDown(); }, [](C* c, bool v) { c->SetAccelCharDown(v); }),
        props::Int<C>("FrameType", ftNormalFrame, [](C* c) { return c->FrameType(); },
                      [](C* c, std::int64_t v) { c->SetFrameType(CheckedEnum<TFrameType>(c, "FrameType", v, 3)); },
                      PropKind::Enum, &kFrameTypeNames),
        props::Bool<C>("Transparent", false, [](C* c) { return c->Transparent(); }, [](C* c, bool v) { c->SetTransparent(v); }),
        props::Bool<C>("ActiveFrame", true, [](C* c) { return c->ActiveFrame(); }, [](C* c, bool v) { c->SetActiveFrame(v); }),
        props::Bool<C>("UpFrame", true, [](C* c) { return c->UpFrame(); }, [](C* c, bool v) { c->SetUpFrame(v); }),
        props::Bool<C>("DownFrame", true, [](C* c) { return c->DownFrame(); }, [](C* c, bool v) { c->SetDownFrame(v); }),
        props::Int<C>("ActiveImage", aiFrameLight, [](C* c) { return c->ActiveImage(); },
                      [](C* c, std::int64_t v) { c->SetActiveImage(CheckedEnum<TActiveImageType>(c, "ActiveImage", v, 8)); },
                      PropKind::Enum, &kActiveImageNames),
        props::Int<C>("DisabledImage", diDefault, [](C* c) { return c->DisabledImage(); },
                      [](C* c, std::int64_t v) { c->SetDisabledImage(CheckedEnum<TDisabledImageType>(c, "DisabledImage", v, 5)); },
                      PropKind::Enum, &kDisabledImageNames),
        props::Int<C>("DisabledHighlight", clBtnHighlight, [](C* c) { return c->DisabledHighlight(); }, [](C* c, std::int64_t v) { c->SetDisabledHighlight(TColor(v)); }, PropKind::Color),
        props::Int<C>("DisabledShadow", clBtnShadow, [](C* c) { return c->DisabledShadow(); }, [](C* c, std::int64_t v) { c->SetDisabledShadow(TColor(v)); }, PropKind::Color),
        props::Obj<C>("Colors", [](C* c) -> TPersistent* { return c->Colors(); }),
        props::Obj<C>("PressedColors", [](C* c) -> TPersistent* { return c->PressedColors(); }),
        props::Int<C>("ShineColor", clYellow, [](C* c) { return c->ShineColor(); }, [](C* c, std::int64_t v) { c->SetShineColor(TColor(v)); }, PropKind::Color),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        props::Int<C>("FontHighlight", clNone, [](C* c) { return c->FontHighlight(); }, [](C* c, std::int64_t v) { c->SetFontHighlight(TColor(v)); }, PropKind::Color),
        props::Int<C>("FontShadow", clNone, [](C* c) { return c->FontShadow(); }, [](C* c, std::int64_t v) { c->SetFontShadow(TColor(v)); }, PropKind::Color),
        props::Obj<C>("ActiveFont", [](C* c) -> TPersistent* { return c->ActiveFont(); }),
        props::Bool<C>("AllowAllUp", false, [](C* c) { return c->AllowAllUp(); }, [](C* c, bool v) { c->SetAllowAllUp(v); }),
        props::Int<C>("Layout", blGlyphLeft, [](C* c) { return c->Layout(); },
                      [](C* c, std::int64_t v) { c->SetLayout(CheckedEnum<TButtonLayout>(c, "Layout", v, 4)); },
                      PropKind::Enum, &kLayoutNames),
        props::Int<C>("Margin", -1, [](C* c) { return c->Margin(); }, [](C* c, std::int64_t v) { c->SetMargin(Clamp32(v)); }),
        props::Int<C>("Spacing", 4, [](C* c) { return c->Spacing(); }, [](C* c, std::int64_t v) { c->SetSpacing(Clamp32(v)); }),
        props::Obj<C>("Glyph", [](C* c) -> TPersistent* { return c->Glyph(); },
                      [](C* c, TPersistent* v) { c->SetGlyph(dynamic_cast<TBitmap*>(v)); }),
    });
    return list;
}

void TShineSpeedButton::Loaded() { TGraphicControl::Loaded(); }

// ---------------------------------------------------------------- setters
#define SHINE_SETTER(Name, Type, field) \
    void TShineSpeedButton::Set##Name(Type Value) { \
        if (Value == field) return;        \
        field = Value;                     \
        Invalidate();                      \
    }
SHINE_SETTER(ClickDownHook, bool, click_down_hook_)
SHINE_SETTER(AccelCharDown, bool, accel_char_down_)
SHINE_SETTER(ActiveFrame, bool, active_frame_)
SHINE_SETTER(UpFrame, bool, up_frame_)
SHINE_SETTER(DownFrame, bool, down_frame_)
SHINE_SETTER(FrameType, TFrameType, frame_type_)
SHINE_SETTER(ShineColor, TColor, shine_color_)
SHINE_SETTER(ActiveImage, TActiveImageType, active_image_)
SHINE_SETTER(DisabledImage, TDisabledImageType, disabled_image_)
SHINE_SETTER(DisabledHighlight, TColor, disabled_highlight_)
SHINE_SETTER(DisabledShadow, TColor, disabled_shadow_)
SHINE_SETTER(Layout, TButtonLayout, layout_)
SHINE_SETTER(Margin, int, margin_)
SHINE_SETTER(Spacing, int, spacing_)
#undef SHINE_SETTER

void TShineSpeedButton::SetFontHighlight(TColor Value) {
    font_highlight_ = Value;
    Invalidate();
}

void TShineSpeedButton::SetFontShadow(TColor Value) {
    font_shadow_ = Value;
    Invalidate();
}

void TShineSpeedButton::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    if (Value)
        ControlStyle &= ~csOpaque;
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

void TShineSpeedButton::SetColors(TPersistent* Value) {
    if (!dynamic_cast<TShineBtnColors*>(Value)) throw EConvertError(errors::Assign(Value ? Value->ClassName() : nullptr, "TShineBtnColors"));
    colors_->Assign(Value);
}

void TShineSpeedButton::SetPressedColors(TPersistent* Value) {
    if (!dynamic_cast<TShineBtnColors*>(Value)) throw EConvertError(errors::Assign(Value ? Value->ClassName() : nullptr, "TShineBtnColors"));
    pressed_colors_->Assign(Value);
}

void TShineSpeedButton::SetFont(TFont* Value) {
    if (!Value) return;
    font_->Assign(Value);
    Invalidate();
}

void TShineSpeedButton::SetActiveFont(TFont* Value) {
    if (!Value) return;
    active_font_->Assign(Value);
    Invalidate();
}

void TShineSpeedButton::SetGlyph(TBitmap* Value) {
    TNotifyEvent handler = glyph_->OnChange;
    glyph_->OnChange = {};
    if (Value) {
        try {
            glyph_->Assign(Value);
        } catch (...) {
            glyph_->OnChange = handler;
            throw;
        }
        glyph_->OnChange = handler;
        GlyphOnChange(glyph_.get());
    } else {
        glyph_->Assign(nullptr);  // frees the image; width and height 0
        glyph_->OnChange = handler;
    }
    Invalidate();
}

void TShineSpeedButton::GlyphOnChange(TObject*) {
    // Whole 32-bit pixels for the state images; the conversion itself is no
    // further change to react to.
    if (!glyph_->Empty()) {
        TNotifyEvent handler = glyph_->OnChange;
        glyph_->OnChange = {};
        try {
            glyph_->SetPixelFormat(pf32bit);
        } catch (...) {
            glyph_->OnChange = handler;
            throw;
        }
        glyph_->OnChange = handler;
    }
    Invalidate();
}

void TShineSpeedButton::FontsAndColorsOnChange(TObject*) { Invalidate(); }

// ---------------------------------------------------------------- groups
void TShineSpeedButton::SetDown(bool Value) {
    if (Value == down_) return;
    if (group_index_ == 0) return;  // an ungrouped button is never down
    if (allow_all_up_) {
        down_ = Value;
        GroupUpdateStatus(group_index_);
        state_ = down_ ? sbDown : sbUp;
        RepaintNow();
        return;
    }
    if (down_) return;  // released only when another member goes down
    down_ = true;
    GroupUpdateStatus(group_index_);
    state_ = sbDown;
    RepaintNow();
}

void TShineSpeedButton::SetAllowAllUp(bool Value) {
    if (Value == allow_all_up_) return;
    allow_all_up_ = Value;
    GroupUpdateStatus(group_index_);
}

void TShineSpeedButton::SetGroupIndex(int Value) {
    if (Value == group_index_) return;
    // Leaving every group releases the button: an ungrouped one is never down.
    if (Value == 0 && down_) {
        down_ = false;
        if (state_ == sbDown) state_ = sbUp;
        else if (state_ == sbActiveDown && !mouse_pressed_) state_ = sbActiveUp;
        Invalidate();
    }
    GroupUpdateStatus(Value);
}

void TShineSpeedButton::GroupUpdateStatus(int Value) {
    group_index_ = Value;
    TWinControl* parent = Parent();
    if (Value == 0 || !parent) return;
    // The proxy speaks for this button: hidden and empty, so that its brief
    // stay among the parent's controls paints nothing. Its own settings
    // already reach the group; the broadcast below says it once more with
    // all three in place.
    std::unique_ptr<TSpeedButton> proxy(new TSpeedButton(parent));
    proxy->SetVisible(false);
    proxy->SetBounds(0, 0, 0, 0);
    group_proxy_ = proxy.get();
    struct Forget {
        TSpeedButton*& proxy;
        ~Forget() {
            if (proxy) proxy->SetParent(nullptr);
            proxy = nullptr;
        }
    } forget{group_proxy_};
    proxy->SetParent(parent);
    proxy->SetGroupIndex(group_index_);
    proxy->SetAllowAllUp(allow_all_up_);
    proxy->SetDown(down_);
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(group_index_), reinterpret_cast<LPARAM>(proxy.get()), 0};
    parent->Broadcast(m);
}

void TShineSpeedButton::CMButtonPressed(TMessage& m) {
    if (static_cast<int>(m.WParam) != group_index_) return;
    auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
    if (!sender || sender == group_proxy_) return;
    if (sender->Down() && down_) {
        down_ = false;
        state_ = sbUp;
        Invalidate();
    }
    allow_all_up_ = sender->AllowAllUp();
}

// ---------------------------------------------------------------- mouse
void TShineSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    const bool was_down = down_;
    state_ = sbActiveDown;
    if (!was_down) Invalidate();
    mouse_pressed_ = true;
}

void TShineSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (mouse_pressed_) {
        const bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
        const TShineButtonState target = inside ? sbActiveDown : down_ ? sbDown : sbUp;
        if (target != state_) {
            state_ = target;
            Invalidate();
        }
    } else if (!mouse_in_control_) {
        UpdateTracking();
    }
}

void TShineSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!mouse_pressed_) return;
    const bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
    if (group_index_ == 0) {
        state_ = sbUp;
        mouse_in_control_ = false;
        down_ = false;
        if (inside) RepaintNow();
    } else if (inside) {
        SetDown(!down_);
        if (down_) RepaintNow();
    } else {
        state_ = down_ ? sbActiveDown : sbActiveUp;
        RepaintNow();
    }
    mouse_pressed_ = false;
    if (inside) Click();
    UpdateTracking();
}

void TShineSpeedButton::Click() {
    const TShineButtonState remembered = state_;
    if (click_down_hook_) {
        state_ = sbActiveDown;
        RepaintNow();
    }
    struct Restore {
        TShineSpeedButton* self;
        TShineButtonState state;
        ~Restore() {
            if (self->click_down_hook_) {
                self->state_ = state;
                try {
                    self->RepaintNow();
                } catch (...) {
                }
            }
        }
    } restore{this, remembered};
    TGraphicControl::Click();
}

// ---------------------------------------------------------------- hover
TPoint TShineSpeedButton::CursorInClient() const {
    std::optional<os::Point> p = os::cursor_pos();
    if (!p) return {-1, -1};  // unknown (a secure desktop): outside the button
    return ScreenToClient({p->x, p->y});
}

void TShineSpeedButton::CMMouseEnter(TMessage&) {
    TPoint p = CursorInClient();
    MouseEnter(GetShiftState(), p.x, p.y);
}

void TShineSpeedButton::CMMouseLeave(TMessage&) {
    TPoint p = CursorInClient();
    MouseLeave(GetShiftState(), p.x, p.y);
}

void TShineSpeedButton::MouseEnter(TShiftState Shift, int X, int Y) {
    if (OnMouseEnter) OnMouseEnter(this, Shift, X, Y);
    if (mouse_in_control_ || !Enabled() || DragMode == 1 /* dmAutomatic */ || os::capture() != 0) return;
    mouse_in_control_ = true;
    if (state_ == sbUp) state_ = sbActiveUp;
    else if (state_ == sbDown) state_ = sbActiveDown;
    RepaintNow();
    timer_->SetEnabled(true);
}

void TShineSpeedButton::MouseLeave(TShiftState Shift, int X, int Y) {
    if (OnMouseLeave) OnMouseLeave(this, Shift, X, Y);
    if (!mouse_in_control_ || !Enabled() || mouse_pressed_) return;
    timer_->SetEnabled(false);
    mouse_in_control_ = false;
    if (state_ == sbActiveUp) state_ = sbUp;
    else if (state_ == sbActiveDown) state_ = sbDown;
    RepaintNow();
}

void TShineSpeedButton::UpdateTracking() {
    if (!Enabled()) return;
    std::optional<os::Point> p = os::cursor_pos();
    if (p && FindDragTarget({p->x, p->y}, true) == this) {
        mouse_in_control_ = false;
        Perform(CM_MOUSEENTER);
    } else {
        mouse_in_control_ = true;
        Perform(CM_MOUSELEAVE);
    }
}

void TShineSpeedButton::ActiveButtonTimerOnTimer(TObject*) {
    if (!mouse_in_control_ || !Enabled() || mouse_pressed_) {
        timer_->SetEnabled(false);
        return;
    }
    TPoint p = CursorInClient();
    if (p.x >= 0 && p.x < Width() && p.y >= 0 && p.y < Height()) return;
    MouseLeave(GetShiftState(), p.x, p.y);
}

// ---------------------------------------------------------------- messages
void TShineSpeedButton::WMLButtonDblClick(TMessage& m) {
    TGraphicControl::WndProc(m);  // a press with ssDouble
    if (down_) DblClick();
}

void TShineSpeedButton::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<unsigned>(m.WParam), Caption()) && Enabled() && Visible() && Parent() &&
        Parent()->Showing()) {
        if (accel_char_down_) SetDown(!down_);
        Click();
        m.Result = 1;
        return;
    }
    TGraphicControl::WndProc(m);
}

void TShineSpeedButton::CMEnabledChanged(TMessage&) {
    down_ = false;
    state_ = Enabled() ? sbUp : sbDisabled;
    UpdateTracking();
    Invalidate();
}

void TShineSpeedButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDBLCLK: WMLButtonDblClick(m); return;
    case CM_DIALOGCHAR: CMDialogChar(m); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_SYSCOLORCHANGE: Invalidate(); return;
    case CM_MOUSEENTER: CMMouseEnter(m); return;
    case CM_MOUSELEAVE: CMMouseLeave(m); return;
    case CM_BUTTONPRESSED: CMButtonPressed(m); return;
    default: TGraphicControl::WndProc(m);
    }
}

// ---------------------------------------------------------------- drawing
void TShineSpeedButton::Paint() {
    if (!Enabled()) {
        state_ = sbDisabled;
        mouse_pressed_ = false;
    }
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    if (transparent_) {
        BackDraw(Canvas());
        ImageDraw(Canvas());
        FrameDraw(Canvas());
        return;
    }
    TBitmap buffer(w, h, pfDevice);
    TCanvas* surface = buffer.Canvas();
    BackDraw(surface);
    ImageDraw(surface);
    FrameDraw(surface);
    BitBlt(Canvas()->Handle(), 0, 0, w, h, surface->Handle(), 0, 0, SRCCOPY);
}

void TShineSpeedButton::BackDraw(TCanvas* canvas) {
    if (transparent_) return;
    const TShineBtnColors& set = IsDownState(state_) ? *pressed_colors_ : *colors_;
    const int w = Width(), h = Height();
    if (!set.Gradation()) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(set.Color());
        canvas->FillRect(Rect(0, 0, w, h));
        return;
    }
    const COLORREF from = ColorToRGB(set.Color()), to = ColorToRGB(set.GradColor());
    const int r1 = from & 0xFF, g1 = (from >> 8) & 0xFF, b1 = (from >> 16) & 0xFF;
    const int r2 = to & 0xFF, g2 = (to >> 8) & 0xFF, b2 = (to >> 16) & 0xFF;
    std::uint32_t strip[256];
    for (int i = 0; i < 256; ++i) {
        const auto r = static_cast<std::uint32_t>(r1 + (r2 - r1) * i / 255);
        const auto g = static_cast<std::uint32_t>(g1 + (g2 - g1) * i / 255);
        const auto b = static_cast<std::uint32_t>(b1 + (b2 - b1) * i / 255);
        strip[i] = r << 16 | g << 8 | b;
    }
    // The stretch: the strip resampled along the gradient so that the first
    // and the last pixel take the two end entries exactly, then the one
    // line repeated across (an exact copy in any stretch mode).
    const bool vertical = set.GradVertical();
    const int along = vertical ? h : w;
    TBitmap line(vertical ? 1 : w, vertical ? h : 1, pf32bit);
    for (int k = 0; k < along; ++k) {
        const std::uint32_t pixel = strip[along > 1 ? k * 255 / (along - 1) : 0];
        if (vertical)
            *static_cast<std::uint32_t*>(line.ScanLine(k)) = pixel;
        else
            static_cast<std::uint32_t*>(line.ScanLine(0))[k] = pixel;
    }
    HDC dc = canvas->Handle();
    const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, w, h, line.Canvas()->Handle(), 0, 0, line.Width(), line.Height(), SRCCOPY);
    SetStretchBltMode(dc, old_mode);
}

void TShineSpeedButton::CalcDrawPosition(TCanvas* canvas, TPoint* GlyphPos, TRect* CaptionRect) {
    const int cw = Width(), ch = Height();
    const bool has_glyph = !glyph_->Empty() && glyph_->Width() > 0 && glyph_->Height() > 0;
    const int gw = has_glyph ? glyph_->Width() : 0, gh = has_glyph ? glyph_->Height() : 0;
    const std::string& caption = Caption();
    const bool has_caption = !caption.empty();
    int tw = 0, th = 0;
    if (has_caption) {
        RECT r{0, 0, cw, 0};
        DrawTextUtf8(canvas->Handle(), caption, &r, DT_CALCRECT);
        tw = r.right - r.left;
        th = r.bottom - r.top;
    }
    const bool both = has_glyph && has_caption;
    int bw = 0, bh = 0, gx = 0, gy = 0, tx = 0, ty = 0;
    switch (layout_) {
    case blGlyphLeft:
        gx = 0;
        bw += gw, bh = std::max(bh, gh);
        if (both) bw += spacing_;
        tx = bw;
        if (has_caption) bw += tw, bh = std::max(bh, th);
        gy = Half(bh - gh), ty = Half(bh - th);
        break;
    case blGlyphRight:
        tx = 0;
        if (has_caption) bw += tw, bh = std::max(bh, th);
        if (both) bw += spacing_;
        gx = bw;
        bw += gw, bh = std::max(bh, gh);
        gy = Half(bh - gh), ty = Half(bh - th);
        break;
    case blGlyphTop:
        gy = 0;
        bh += gh, bw = std::max(bw, gw);
        if (both) bh += spacing_;
        ty = bh;
        if (has_caption) bh += th, bw = std::max(bw, tw);
        gx = Half(bw - gw), tx = Half(bw - tw);
        break;
    case blGlyphBottom:
        ty = 0;
        if (has_caption) bh += th, bw = std::max(bw, tw);
        if (both) bh += spacing_;
        gy = bh;
        bh += gh, bw = std::max(bw, gw);
        gx = Half(bw - gw), tx = Half(bw - tw);
        break;
    }
    int ox = Half(cw - bw), oy = Half(ch - bh);
    if (margin_ >= 0) {
        switch (layout_) {
        case blGlyphLeft: ox = margin_; break;
        case blGlyphRight: ox = cw - bw - margin_; break;
        case blGlyphTop: oy = margin_; break;
        case blGlyphBottom: oy = ch - bh - margin_; break;
        }
    }
    *GlyphPos = TPoint{ox + gx, oy + gy};
    *CaptionRect = Rect(ox + tx, oy + ty, ox + tx + tw, oy + ty + th);
}

void TShineSpeedButton::ImageDraw(TCanvas* canvas) {
    const bool down = IsDownState(state_);
    const bool active = state_ == sbActiveDown || state_ == sbActiveUp;
    canvas->Font()->Assign(active ? active_font_.get() : font_.get());
    std::unique_ptr<TBitmap> image = CreateStateGlyph();
    TPoint glyph_pos;
    TRect caption_rect;
    CalcDrawPosition(canvas, &glyph_pos, &caption_rect);
    if (image) {
        if (down) glyph_pos.x += 1, glyph_pos.y += 1;
        if (state_ == sbDisabled && disabled_image_ == diDefault) {
            // The mask's white pixels take the brush (DSPDxax), the rest stays.
            TCanvas* mask = image->Canvas();
            const int w = image->Width(), h = image->Height();
            canvas->Brush()->SetStyle(bsSolid);
            canvas->Brush()->SetColor(disabled_highlight_);
            HDC dc = canvas->Handle();
            SetTextColor(dc, 0x000000);
            SetBkColor(dc, 0xFFFFFF);
            BitBlt(dc, glyph_pos.x + 1, glyph_pos.y + 1, w, h, mask->Handle(), 0, 0, ROP_DSPDxax);
            canvas->Brush()->SetColor(disabled_shadow_);
            dc = canvas->Handle();
            SetTextColor(dc, 0x000000);
            SetBkColor(dc, 0xFFFFFF);
            BitBlt(dc, glyph_pos.x, glyph_pos.y, w, h, mask->Handle(), 0, 0, ROP_DSPDxax);
        } else {
            canvas->Draw(glyph_pos.x, glyph_pos.y, image.get());
        }
        image.reset();
    }
    const std::string& caption = Caption();
    if (caption.empty()) return;
    if (down) caption_rect.Left += 1, caption_rect.Right += 1, caption_rect.Top += 1, caption_rect.Bottom += 1;
    canvas->Brush()->SetStyle(bsClear);
    const UINT format = DT_CENTER | DT_VCENTER;
    auto draw = [&](TColor color, int dx, int dy) {
        canvas->Font()->SetColor(color);
        RECT r{caption_rect.Left + dx, caption_rect.Top + dy, caption_rect.Right + dx, caption_rect.Bottom + dy};
        DrawTextUtf8(canvas->Handle(), caption, &r, format);
    };
    if (state_ == sbDisabled) {
        draw(disabled_highlight_, 1, 1);
        draw(disabled_shadow_, 0, 0);
        return;
    }
    const TColor color = canvas->Font()->Color();
    if (font_shadow_ != clNone) draw(font_shadow_, 1, 1);
    if (font_highlight_ != clNone) draw(font_highlight_, -1, -1);
    draw(color, 0, 0);
}

void TShineSpeedButton::FrameDraw(TCanvas* canvas) {
    const bool down = IsDownState(state_);
    bool framed;
    if (down)
        framed = (state_ == sbDown && down_frame_) || (state_ == sbActiveDown && active_frame_);
    else
        framed = ((state_ == sbUp || state_ == sbDisabled) && up_frame_) || (state_ == sbActiveUp && active_frame_);
    if (!framed) return;
    const int w = Width(), h = Height();
    TPen* pen = canvas->Pen();
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    pen->SetMode(pmCopy);
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        pen->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    // Two lines from one corner, in one colour.
    auto corner = [&](TColor color, int x, int y, int x2, int y2) {
        line(color, x, y, x2, y);
        line(color, x, y, x, y2);
    };
    const TShineBtnColors& p = *pressed_colors_;
    const TShineBtnColors& c = *colors_;
    switch (frame_type_) {
    case ftFlatFrame:
        if (down) {
            corner(p.Shadow(), 0, 0, w - 1, h - 1);
            corner(p.Highlight(), w - 1, h - 1, 0, 0);
        } else {
            corner(c.Highlight(), 0, 0, w - 1, h - 1);
            corner(c.Shadow(), w - 1, h - 1, 0, 0);
        }
        break;
    case ftNormalFrame:
        if (down) {
            corner(p.Shadow(), 1, 1, w - 1, h - 1);
            corner(p.DarkShadow(), 0, 0, w - 1, h - 1);
            corner(p.Highlight(), w - 1, h - 1, 0, 0);
        } else {
            corner(c.Shadow(), w - 2, h - 2, 0, 0);
            corner(c.DarkShadow(), w - 1, h - 1, 0, 0);
            corner(c.Highlight(), 0, 0, w - 1, h - 1);
        }
        break;
    case ftEnclosedFrame:
        if (down) {
            corner(p.Shadow(), 1, 1, w - 2, h - 2);
            corner(p.Highlight(), w - 2, h - 2, 1, 1);
        } else {
            corner(c.Highlight(), 1, 1, w - 2, h - 2);
            corner(c.Shadow(), w - 2, h - 2, 1, 1);
        }
        // The outer ring, an outline only.
        canvas->Brush()->SetStyle(bsClear);
        pen->SetColor(c.DarkShadow());
        canvas->Rectangle(0, 0, w, h);
        break;
    }
}

// ---------------------------------------------------------------- registration
ZIMMO_REGISTER_CLASS(TShineSpeedButton)

void RegisterShineSpdBtn() { RegisterComponents("MyComponent", {"TShineSpeedButton"}); }
