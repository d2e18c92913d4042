#include "platform/ui/Menus.h"

#include <algorithm>

#include "platform/core/Exceptions.h"
#include "platform/ui/Controls.h"

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    for (TMenuItem* child : items_) child->parent_ = nullptr;
    if (parent_) parent_->Remove(this);
}

const PropList& TMenuItem::Properties() const {
    using C = TMenuItem;
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Str<C>("Caption", [](C* c) { return c->Caption(); }, [](C* c, const std::string& v) { c->SetCaption(v); }),
        props::Bool<C>("Checked", false, [](C* c) { return c->Checked; }, [](C* c, bool v) { c->Checked = v; }),
        props::Bool<C>("Enabled", true, [](C* c) { return c->Enabled; }, [](C* c, bool v) { c->Enabled = v; }),
        props::Bool<C>("Visible", true, [](C* c) { return c->Visible; }, [](C* c, bool v) { c->Visible = v; }),
        props::Event<C>("OnClick", &C::OnClick),
    });
    return list;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

TComponent* TMenuItem::GetParentComponent() const {
    if (parent_ && parent_->menu_ && parent_ == parent_->menu_->Items()) return parent_->menu_;
    return parent_;
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(errors::ListIndex(index));
    return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    if (item->parent_) item->parent_->Remove(item);
    item->parent_ = this;
    items_.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    if (item->parent_ == this) item->parent_ = nullptr;
}

void TMenuItem::Click() {
    if (Enabled && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), items_(nullptr) { items_.menu_ = this; }

TPopupMenu::~TPopupMenu() = default;

const PropList& TPopupMenu::Properties() const {
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Event<TPopupMenu>("OnPopup", &TPopupMenu::OnPopup),
    });
    return list;
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    std::vector<os::MenuItem> entries;
    std::vector<TMenuItem*> commands;
    for (int i = 0; i < items_.Count(); ++i) {
        TMenuItem* item = items_.Items(i);
        if (!item->Visible) continue;
        os::MenuItem e;
        e.caption = item->Caption();
        e.enabled = item->Enabled;
        e.checked = item->Checked;
        if (!item->IsLine()) {
            commands.push_back(item);
            e.command = commands.size();
        }
        entries.push_back(std::move(e));
    }
    // The menu belongs to the window of the form that owns it.
    os::WindowId owner = 0;
    for (TComponent* c = Owner(); c && !owner; c = c->Owner())
        if (auto* w = dynamic_cast<TWinControl*>(c)) owner = w->Handle();
    std::uintptr_t chosen = os::track_popup_menu(owner, entries, {x, y});
    if (chosen >= 1 && chosen <= commands.size()) commands[chosen - 1]->Click();
}
