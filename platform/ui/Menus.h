// TMenuItem and TPopupMenu: a menu of items with captions, shown at a point.
#pragma once
#include <string>
#include <vector>

#include "platform/core/Component.h"

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    const char* ClassName() const override { return "TMenuItem"; }
    const PropList& Properties() const override;
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    bool IsLine() const { return caption_ == "-"; }
    bool Enabled = true;
    bool Checked = false;
    bool Visible = true;

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;  // not owned (the form owns them)
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return parent_; }

    virtual void Click();
    TNotifyEvent OnClick;

private:
    friend class TPopupMenu;
    TMenuItem* parent_ = nullptr;       // not owned
    class TPopupMenu* menu_ = nullptr;  // not owned: the menu whose top level holds this item
    std::string caption_;
    std::vector<TMenuItem*> items_;     // not owned
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    const char* ClassName() const override { return "TPopupMenu"; }
    const PropList& Properties() const override;

    TMenuItem* Items() { return &items_; }  // the invisible root item, owned
    // Shows the menu at a screen point; runs the chosen item's Click.
    virtual void Popup(int x, int y);
    TComponent* PopupComponent() const { return popup_component_; }  // not owned
    void SetPopupComponent(TComponent* c) { popup_component_ = c; }
    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TMenuItem items_;
    TComponent* popup_component_ = nullptr;  // not owned
};
