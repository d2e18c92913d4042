// The program from start to end: the application object with its title,
// the main form (whose creation brings up everything else), the message
// loop, and the exception display for whatever escapes them.
#pragma once

// Always returns 0, as the entry point does.
int RunLauncher();
