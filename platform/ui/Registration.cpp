#include "platform/ui/Registration.h"

#include "platform/core/Classes.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Timer.h"

void RegisterPlatformClasses() {
    RegisterClass("TTimer", &ComponentFactory<TTimer>);
    RegisterClass("TPopupMenu", &ComponentFactory<TPopupMenu>);
    RegisterClass("TMenuItem", &ComponentFactory<TMenuItem>);
    RegisterStandardClasses();  // labels, edits, images, panels, shapes, image lists, the tray icon
}
