// The Windows functions the program calls by name (user32 and shell32), as
// a small facade: the win32 backend forwards them to the real calls, the
// headless backend records them. Region and drawing functions are in
// platform/graphics/Region.h and Gdi.h.
#pragma once
#include <string>

#include "platform/core/Types.h"
#include "platform/graphics/Region.h"

namespace win {

using HDROP = os::DropId;
using HINSTANCE = std::intptr_t;

// The window shows and takes input only inside rgn (window coordinates);
// null removes the shape. On success (non-zero) the window system owns rgn;
// on failure (0, or an exception) it is still the caller's.
int SetWindowRgn(HWND window, HRGN rgn, BOOL redraw);

// Every string in code page 932; empty strings, not absent ones.
HINSTANCE ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show);

BOOL MessageBeep(UINT type);
BOOL GetCursorPos(POINT* point);
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND window);
short GetKeyState(int virtual_key);
BOOL SetForegroundWindow(HWND window);

void DragAcceptFiles(HWND window, BOOL accept);
// Index 0xFFFFFFFF: the number of dropped items. Otherwise the item's path
// in code page 932: with no buffer its length in bytes; with one, at most
// size - 1 bytes and a terminating zero, and the number of bytes copied.
UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size);
// Whether the item's name has a code page 932 form (no '?' substitutes).
bool DragQueryFileIsAnsi(HDROP drop, UINT index);
void DragFinish(HDROP drop);

}  // namespace win
