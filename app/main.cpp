// The entry point of zimmo.exe (a GUI program: the runtime calls main).
#include "app/Launcher.h"

int main() { return RunLauncher(); }
