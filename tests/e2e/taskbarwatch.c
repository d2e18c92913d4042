/* Watches the shell's taskbar for buttons: every few milliseconds for the
 * given time it lists the visible buttons of the taskbar window
 * ("Shell_TrayWnd") other than those already there when it began (the Start
 * button), and writes each new button's text, once, to the output file,
 * then "done". Built with mingw and run in the program's Wine desktop before
 * the program starts; it has no window of its own.
 *   taskbarwatch MILLISECONDS OUTPUT.txt */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define MAX_SEEN 256
static HWND initial[MAX_SEEN], seen[MAX_SEEN];
static int initial_count, seen_count, watching;
static FILE *out;

static int contains(HWND *list, int count, HWND h) {
    for (int i = 0; i < count; ++i)
        if (list[i] == h) return 1;
    return 0;
}

static BOOL CALLBACK visit(HWND h, LPARAM unused) {
    (void)unused;
    wchar_t cls[64];
    if (!IsWindowVisible(h) || !GetClassNameW(h, cls, 64) || _wcsicmp(cls, L"Button") != 0) return TRUE;
    if (!watching) {
        if (initial_count < MAX_SEEN) initial[initial_count++] = h;
        return TRUE;
    }
    if (contains(initial, initial_count, h) || contains(seen, seen_count, h) || seen_count >= MAX_SEEN) return TRUE;
    seen[seen_count++] = h;
    wchar_t text[256] = L"";
    GetWindowTextW(h, text, 256);
    char utf8[1024];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    fprintf(out, "button: %s\n", utf8);
    fflush(out);
    return TRUE;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: taskbarwatch MILLISECONDS OUTPUT.txt\n");
        return 2;
    }
    const DWORD duration = (DWORD)strtoul(argv[1], NULL, 10);
    out = fopen(argv[2], "w");
    if (!out) return 1;
    HWND tray = NULL;
    const DWORD start = GetTickCount();
    while (!(tray = FindWindowW(L"Shell_TrayWnd", NULL)) && GetTickCount() - start < duration) Sleep(10);
    if (!tray) {
        fprintf(out, "no taskbar\n");
        fclose(out);
        return 1;
    }
    EnumChildWindows(tray, visit, 0);
    watching = 1;
    fprintf(out, "watching\n");
    fflush(out);
    while (GetTickCount() - start < duration) {
        EnumChildWindows(tray, visit, 0);
        Sleep(2);
    }
    fprintf(out, "done\n");
    fclose(out);
    return 0;
}
