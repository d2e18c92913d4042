// The standard classes of the platform in the class registry, so that form
// resources can name them.
#include "platform/core/Classes.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Timer.h"
#include "platform/ui/TrayIcon.h"

void RegisterStandardClasses() {
    static const bool registered = [] {
        RegisterClass("TLabel", &ComponentFactory<TLabel>);
        RegisterClass("TSpeedButton", &ComponentFactory<TSpeedButton>);
        RegisterClass("TEdit", &ComponentFactory<TEdit>);
        RegisterClass("TImage", &ComponentFactory<TImage>);
        RegisterClass("TPanel", &ComponentFactory<TPanel>);
        RegisterClass("TShape", &ComponentFactory<TShape>);
        RegisterClass("TImageList", &ComponentFactory<TImageList>);
        RegisterClass("TTrayIcon", &ComponentFactory<TTrayIcon>);
        RegisterClass("TTimer", &ComponentFactory<TTimer>);
        RegisterClass("TPopupMenu", &ComponentFactory<TPopupMenu>);
        RegisterClass("TMenuItem", &ComponentFactory<TMenuItem>);
        return true;
    }();
    (void)registered;
}

namespace {
// At start-up, for every program that links this unit in.
const bool registered_at_start = (RegisterStandardClasses(), true);
}  // namespace
