#include "platform/ui/Forms.h"

#include <vector>

#include "platform/core/FormResource.h"

namespace {
TApplication g_application;
}
TApplication* Application = &g_application;

// ---------------------------------------------------------------- TForm
TForm::TForm(TComponent* AOwner) : TCustomControl(AOwner), brush_(std::make_unique<TBrush>()) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentColor(false);
    brush_->SetColor(clBtnFace);
    brush_->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
        }
    }
    if (modal_) ModalResult = mrCancel;
}

const PropList& TForm::Properties() const {
    using C = TForm;
    static const EnumNames borderStyles{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    static const EnumNames borderIcons{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
    static const EnumNames formStyles{{"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}};
    static const EnumNames positions{{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"}};
    static const PropList list = ExtendProps(TWinControl::Properties(), {
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Int<C>("BorderIcons", 7, [](C* c) { return c->BorderIcons; }, [](C* c, std::int64_t v) { c->BorderIcons = unsigned(v); }, PropKind::Set, &borderIcons),
        props::Int<C>("BorderStyle", bsSizeable, [](C* c) { return c->BorderStyle(); }, [](C* c, std::int64_t v) { c->SetBorderStyle(TFormBorderStyle(v)); }, PropKind::Enum, &borderStyles),
        props::Int<C>("Color", clBtnFace, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Obj<C>("Font", [](C* c) -> TPersistent* { return c->Font(); }),
        props::Int<C>("FormStyle", fsNormal, [](C* c) { return c->FormStyle(); }, [](C* c, std::int64_t v) { c->SetFormStyle(TFormStyle(v)); }, PropKind::Enum, &formStyles),
        props::Int<C>("PixelsPerInch", 96, [](C* c) { return c->PixelsPerInch; }, [](C* c, std::int64_t v) { c->PixelsPerInch = int(v); }),
        props::Int<C>("Position", poDesigned, [](C* c) { return c->Position; }, [](C* c, std::int64_t v) { c->Position = TPosition(v); }, PropKind::Enum, &positions),
        props::Bool<C>("Visible", false, [](C* c) { return c->Visible(); }, [](C* c, bool v) { c->SetVisible(v); }),
        props::Event<C>("OnCreate", &C::OnCreate),
        props::Event<C>("OnShow", &C::OnShow),
        props::Event<C>("OnClose", &C::OnClose),
        props::Event<C>("OnDestroy", &C::OnDestroy),
    });
    return list;
}

void TForm::ReadFormResource() {
    auto bytes = os::find_resource(ClassName(), "FORM");
    if (!bytes) throw EResNotFound(std::string("リソース ") + ClassName() + " が見つかりません");
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    ReadComponentResourceText(this, text, ClassName());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == border_style_) return;
    border_style_ = style;
    if (HandleAllocated()) os::set_window_bordered(Handle(), style != bsNone);
}

void TForm::SetFormStyle(TFormStyle style) {
    if (style == form_style_) return;
    form_style_ = style;
    if (HandleAllocated()) os::set_window_stay_on_top(Handle(), style == fsStayOnTop);
}

void TForm::CreateParams(os::WindowParams& p) {
    TWinControl::CreateParams(p);
    p.kind = os::WindowKind::Form;
    p.parent = 0;
    p.bordered = border_style_ != bsNone;
    p.stay_on_top = form_style_ == fsStayOnTop;
    p.visible = false;  // shown by VisibleChanged, after OnShow
}

void TForm::PaintWindow(TCanvas* canvas) {
    if (brush_->Style() != bsClear) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(BufferRect());
    }
    TCustomControl::PaintWindow(canvas);
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::VisibleChanged() {
    if (Visible()) {
        os::WindowId h = Handle();
        DoShow();
        if (!Visible()) return;  // OnShow hid it again
        os::show_window(h, true);
        Invalidate();
    } else if (HandleAllocated()) {
        os::show_window(Handle(), false);
    }
}

void TForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) os::bring_window_to_top(Handle());
}

void TForm::Close() {
    if (OnClose) OnClose(this);
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    Hide();
}

TModalResult TForm::ShowModal() {
    if (Visible() || modal_) throw EInvalidOperation("表示中のウィンドウはモーダルにできません");
    // Disable the program's other visible windows while this one is up.
    std::vector<TForm*> disabled;
    for (int i = 0; i < Application->ComponentCount(); ++i) {
        auto collect = [&](TComponent* c, auto&& self) -> void {
            if (auto* f = dynamic_cast<TForm*>(c); f && f != this && f->Visible() && f->HandleAllocated() &&
                                                   os::window_enabled(f->Handle())) {
                os::enable_window(f->Handle(), false);
                disabled.push_back(f);
            }
            for (int k = 0; k < c->ComponentCount(); ++k) self(c->Components(k), self);
        };
        collect(Application->Components(i), collect);
    }
    struct Restore {
        std::vector<TForm*>& forms;
        TForm* self;
        ~Restore() {
            for (TForm* f : forms)
                if (f->HandleAllocated()) os::enable_window(f->Handle(), true);
            self->modal_ = false;
        }
    } restore{disabled, this};

    modal_ = true;
    ModalResult = mrNone;
    Show();
    while (ModalResult == mrNone && !Application->Terminated()) {
        if (!os::process_one_message()) Application->Terminate();
    }
    TModalResult result = ModalResult == mrNone ? mrCancel : ModalResult;
    Hide();
    ModalResult = mrNone;
    return result;
}

void TForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TForm::WndProc(TMessage& m) {
    if (m.Msg == win::WM_CLOSE) {
        Close();
        return;
    }
    TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------- TApplication
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}
TApplication::~TApplication() = default;

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    os::set_application_title(title);
}

void TApplication::Run() {
    // The taskbar button comes with the main form; a program whose tray icon
    // took ShowMainForm away never has one.
    if (main_form_ && ShowMainForm) {
        os::set_taskbar_button(true);
        main_form_->Show();
    }
    while (!terminated_) {
        if (!os::process_one_message()) terminated_ = true;
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    os::quit_message_loop();
}

void TApplication::ProcessMessages() { os::process_pending_messages(); }

void TApplication::DestroyComponents() {
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    main_form_ = nullptr;
    terminated_ = false;
    ShowMainForm = true;
}

void TApplication::ShowException(const Exception& e) {
    std::string message = e.Message;
    if (!message.empty() && message.back() != '.' && message.back() != '\n') message += ".";
    os::show_error(title_, message);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == main_form_) main_form_ = nullptr;
}
