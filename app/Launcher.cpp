#include "app/Launcher.h"

#include "characters/Mallo.h"
#include "controls/region/Region.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"

int RunLauncher() {
    try {
        RegisterPlatformClasses();
        Register();
        Application->Initialize();
        Application->SetTitle("Launcher Zimmo! ～ミロテ編～");
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(Exception(""));
    }
    // Closing the main form ends the run; the forms go with the application.
    Application->DestroyComponents();
    return 0;
}
