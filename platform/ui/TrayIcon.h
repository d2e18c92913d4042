// TTrayIcon: the program's icon in the notification area, with its tip,
// its right-button menu and its click events; and TIcon, the icon picture
// it shows.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Stream.h"
#include "platform/os.h"
#include "platform/ui/Menus.h"

// ---------------------------------------------------------------- TIcon
// The bytes of an .ico file (a directory of images). Form resources store
// them unchanged as Icon.Data.
class TIcon : public TPersistent {
public:
    const char* ClassName() const override { return "TIcon"; }
    void Assign(TPersistent* source) override;  // a TIcon; null empties

    bool Empty() const { return data_.empty(); }
    const std::vector<std::uint8_t>& Data() const { return data_; }
    // EInvalidGraphic, and no change, unless the bytes are an icon file
    // whose images all lie inside it; empty bytes empty the icon.
    void SetData(std::span<const std::uint8_t> bytes);
    // An icon resource of the program; EResNotFound when there is none.
    void LoadFromResourceName(std::string_view name);
    void LoadFromStream(TStream* stream);  // the rest of the stream
    void SaveToStream(TStream* stream) const;

    void DefineProperties(TFiler* filer) override;

    TNotifyEvent OnChange;

private:
    std::vector<std::uint8_t> data_;
};

// ---------------------------------------------------------------- TTrayIcon
// While Active, Icon and Hint are shown in the notification area through a
// hidden window of the component's own. Activating also hides the
// program's taskbar button and stops the application from showing its main
// form by itself; deactivating removes the icon and gives the taskbar
// button back. When the taskbar is made anew (Explorer restarted) an
// active icon is added again. Destruction removes the icon.
//
// Mouse on the icon: a double click with any button fires OnDblClick once;
// a left click fires OnClick (also for the first click of a double click);
// the right button's release brings the component's window to the
// foreground and opens PopupMenu at the cursor. Handlers run as messages
// of the loop, so they also arrive while a modal window is shown.
class TTrayIcon : public TComponent, private os::WindowSink {
public:
    explicit TTrayIcon(TComponent* AOwner);
    ~TTrayIcon() override;
    const char* ClassName() const override { return "TTrayIcon"; }
    const PropList& Properties() const override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    TIcon* Icon() { return &icon_; }  // owned
    void SetIcon(TIcon* icon) { icon_.Assign(icon); }
    void SetIconFromResource(std::string_view name) { icon_.LoadFromResourceName(name); }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    // Stored for the form resources; minimizing keeps the system's behaviour.
    bool ShowMinimizedIcon() const { return show_minimized_icon_; }
    void SetShowMinimizedIcon(bool value) { show_minimized_icon_ = value; }
    TPopupMenu* PopupMenu() const { return popup_menu_; }  // not owned
    void SetPopupMenu(TPopupMenu* menu);

    TNotifyEvent OnClick, OnDblClick;

    // The hidden window that owns the icon (0 until first activated).
    os::WindowId Handle() const { return window_.id; }
    // Whether the notification area shows the icon now (false while the
    // taskbar is missing, until it is made anew).
    bool IconShown() const { return shown_; }

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) override;
    void HandleMouse(unsigned mouse_message);
    void ShowMenu();
    // Applies Active (not while loading or designing).
    void Update();
    void AddIcon();
    void RemoveIcon();
    void Refresh();
    void IconChanged(TObject*);

    bool active_ = false;
    bool applied_ = false;  // activated: window made, taskbar button hidden
    bool shown_ = false;
    TIcon icon_;
    std::string hint_;
    bool show_minimized_icon_ = true;
    TPopupMenu* popup_menu_ = nullptr;  // not owned
    unsigned pending_up_ = 0;           // the release that ends a double click: no click

    // Destroys its window when it goes; last, so that it goes first.
    struct OwnedWindow {
        os::WindowId id = 0;
        OwnedWindow() = default;
        OwnedWindow(const OwnedWindow&) = delete;
        OwnedWindow& operator=(const OwnedWindow&) = delete;
        ~OwnedWindow() { reset(); }
        // The id stays valid while the window's last messages arrive.
        void reset() {
            if (!id) return;
            os::destroy_window(id);
            id = 0;
        }
    };
    OwnedWindow window_;  // owned
};
