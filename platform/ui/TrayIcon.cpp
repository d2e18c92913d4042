#include "platform/ui/TrayIcon.h"

#include <algorithm>

#include "platform/core/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Messages.h"

namespace {

// The icon's number among the icons of its window, and the message the
// notification area sends for the mouse on it.
constexpr unsigned kIconId = 1;
constexpr unsigned kCallbackMessage = 0x8000 + 0x0100;  // WM_APP + 0x100

std::uint32_t Read16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t Read32(const std::uint8_t* p) { return Read16(p) | Read16(p + 2) << 16; }

// An .ico file: reserved 0, type 1, at least one 16-byte directory entry,
// each image (its byte count at +8, offset at +12) inside the file.
void CheckIconFile(std::span<const std::uint8_t> f) {
    auto bad = [](const std::string& why) { throw EInvalidGraphic("アイコンが正しくありません (" + why + ")"); };
    if (f.size() < 6) bad("ヘッダーが短すぎます");
    if (Read16(f.data()) != 0 || Read16(f.data() + 2) != 1) bad("アイコンファイルではありません");
    std::size_t count = Read16(f.data() + 4);
    if (count == 0) bad("画像がありません");
    if (f.size() < 6 + 16 * count) bad("目録が途中で切れています");
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = f.data() + 6 + 16 * i;
        std::uint64_t size = Read32(e + 8), offset = Read32(e + 12);
        if (size == 0 || offset > f.size() || size > f.size() - offset)
            bad("画像 " + std::to_string(i) + " がファイルの外にあります");
    }
}

}  // namespace

// ---------------------------------------------------------------- TIcon
void TIcon::Assign(TPersistent* source) {
    if (!source) {
        SetData({});
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        if (icon != this) SetData(icon->data_);
        return;
    }
    TPersistent::Assign(source);
}

void TIcon::SetData(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) CheckIconFile(bytes);
    if (bytes.size() == data_.size() && std::equal(bytes.begin(), bytes.end(), data_.begin())) return;
    data_.assign(bytes.begin(), bytes.end());
    if (OnChange) OnChange(this);
}

void TIcon::LoadFromResourceName(std::string_view name) {
    auto bytes = os::find_resource(name, "ICON");
    if (!bytes) throw EResNotFound("アイコンリソース " + std::string(name) + " が見つかりません");
    SetData(*bytes);
}

void TIcon::LoadFromStream(TStream* stream) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(stream->Remaining(), 0)));
    stream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    SetData(bytes);
}

void TIcon::SaveToStream(TStream* stream) const {
    stream->WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
}

void TIcon::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(
        "Data",
        [this](TStream* s) {
            try {
                LoadFromStream(s);
            } catch (const EInvalidGraphic& e) {
                throw EReadError("アイコンのデータが壊れています: " + e.Message);
            }
        },
        [this](TStream* s) { SaveToStream(s); }, !Empty());
}

// ---------------------------------------------------------------- TTrayIcon
TTrayIcon::TTrayIcon(TComponent* AOwner) : TComponent(AOwner) {
    icon_.OnChange = TNotifyEvent([this](TObject* s) { IconChanged(s); });
}

TTrayIcon::~TTrayIcon() {
    RemoveIcon();
    window_.reset();
}

const PropList& TTrayIcon::Properties() const {
    using C = TTrayIcon;
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Bool<C>("Active", false, [](C* c) { return c->Active(); }, [](C* c, bool v) { c->SetActive(v); }),
        props::Str<C>("Hint", [](C* c) { return c->Hint(); }, [](C* c, const std::string& v) { c->SetHint(v); }),
        props::Obj<C>("Icon", [](C* c) -> TPersistent* { return c->Icon(); }, [](C* c, TPersistent* v) { c->Icon()->Assign(v); }),
        props::Ref<C, TPopupMenu>("PopupMenu", [](C* c) { return c->PopupMenu(); }, [](C* c, TPopupMenu* m) { c->SetPopupMenu(m); }),
        props::Bool<C>("ShowMinimizedIcon", true, [](C* c) { return c->ShowMinimizedIcon(); }, [](C* c, bool v) { c->SetShowMinimizedIcon(v); }),
        props::Event<C>("OnClick", &C::OnClick),
        props::Event<C>("OnDblClick", &C::OnDblClick),
    });
    return list;
}

void TTrayIcon::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    Update();
}

void TTrayIcon::Loaded() {
    TComponent::Loaded();
    Update();
}

void TTrayIcon::Update() {
    bool want = active_ && !Loading() && !Designing();
    if (want == applied_) return;
    applied_ = want;
    if (want) {
        if (!window_.id) {
            os::WindowParams p;
            p.kind = os::WindowKind::Form;
            p.bordered = false;
            p.visible = false;
            window_.id = os::create_window(p, this);
        }
        Application->ShowMainForm = false;
        os::set_taskbar_button(false);
        AddIcon();
    } else {
        RemoveIcon();
        os::set_taskbar_button(true);
    }
}

void TTrayIcon::AddIcon() {
    if (window_.id) shown_ = os::tray_add(window_.id, kIconId, kCallbackMessage, icon_.Data(), hint_);
}

void TTrayIcon::RemoveIcon() {
    if (!shown_) return;
    shown_ = false;
    os::tray_remove(window_.id, kIconId);
}

// Shows a new icon or tip: the notification area changes a shown icon in
// place where it can, else it is shown anew.
void TTrayIcon::Refresh() {
    if (!shown_) return;
    if (os::tray_add(window_.id, kIconId, kCallbackMessage, icon_.Data(), hint_)) return;
    RemoveIcon();
    AddIcon();
}

void TTrayIcon::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    Refresh();
}

void TTrayIcon::IconChanged(TObject*) { Refresh(); }

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TTrayIcon::ShowMenu() {
    if (!popup_menu_) return;
    os::set_foreground_window(window_.id);
    std::optional<os::Point> cursor = os::cursor_pos();
    if (!cursor) return;  // no cursor to show it at (a secure desktop)
    os::Point at = *cursor;
    popup_menu_->SetPopupComponent(this);
    popup_menu_->Popup(at.x, at.y);
}

void TTrayIcon::HandleMouse(unsigned mouse) {
    switch (mouse) {
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
        pending_up_ = 0;
        break;
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK:
        // The release that follows ends the double click: no click of its own.
        pending_up_ = mouse - 1;
        if (OnDblClick) OnDblClick(this);
        break;
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONUP:
        if (mouse == pending_up_) {
            pending_up_ = 0;
            break;
        }
        if (mouse == win::WM_LBUTTONUP && OnClick) OnClick(this);
        if (mouse == win::WM_RBUTTONUP) ShowMenu();
        break;
    default:
        break;
    }
}

std::intptr_t TTrayIcon::on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    try {
        if (msg == kCallbackMessage) {
            HandleMouse(static_cast<unsigned>(lparam & 0xFFFF));
            return 0;
        }
        if (msg == os::taskbar_created_message()) {
            // The new taskbar has none of the old icons.
            shown_ = false;
            if (applied_) AddIcon();
            return 0;
        }
    } catch (const Exception& e) {
        Application->ShowException(e);
        return 0;
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
        return 0;
    }
    return os::default_message(window_.id, msg, wparam, lparam);
}
