/* Plays the shell's part around a program's notification-area icon, for
 * the end-to-end tests. Runs in the same Wine desktop as the program (start
 * it through `explorer /desktop=NAME`) and writes its result to REPORT, one
 * line, because a program started that way has no output of its own:
 *   tray_helper remove IMAGE.exe ID REPORT
 *       deletes icon ID of the program's windows behind its back with
 *       Shell_NotifyIcon(NIM_DELETE), as a restarted Explorer would have
 *       lost it; writes "removed HWND" or "none"
 *   tray_helper shown IMAGE.exe ID REPORT
 *       asks the notification area whether it holds icon ID of one of the
 *       program's windows (NIM_MODIFY that changes nothing succeeds only
 *       for an icon it holds); writes "shown HWND" or "none"
 *   tray_helper broadcast REPORT
 *       sends the registered "TaskbarCreated" message to every top-level
 *       window, as a new taskbar does; writes "sent" */
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct search {
    DWORD pids[64];
    int pid_count;
    UINT id;
    int remove;
    HWND found;
};

static int find_processes(const char *image, struct search *s) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {.dwSize = sizeof entry};
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
        if (_stricmp(entry.szExeFile, image) == 0 && s->pid_count < 64) s->pids[s->pid_count++] = entry.th32ProcessID;
    CloseHandle(snap);
    return s->pid_count;
}

static BOOL CALLBACK visit(HWND window, LPARAM param) {
    struct search *s = (struct search *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    int ours = 0;
    for (int i = 0; i < s->pid_count; ++i) ours |= s->pids[i] == pid;
    if (!ours) return TRUE;
    NOTIFYICONDATAW data = {.cbSize = sizeof data, .hWnd = window, .uID = s->id};
    if (Shell_NotifyIconW(s->remove ? NIM_DELETE : NIM_MODIFY, &data)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

static int report(const char *file, const char *text, HWND window) {
    FILE *f = fopen(file, "w");
    if (!f) return 1;
    if (window)
        fprintf(f, "%s %p\n", text, (void *)window);
    else
        fprintf(f, "%s\n", text);
    fclose(f);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "broadcast") == 0) {
        UINT message = RegisterWindowMessageW(L"TaskbarCreated");
        DWORD_PTR result;
        SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        return report(argv[2], "sent", NULL);
    }
    if (argc == 5 && (strcmp(argv[1], "remove") == 0 || strcmp(argv[1], "shown") == 0)) {
        struct search s = {.id = (UINT)strtoul(argv[3], NULL, 10), .remove = strcmp(argv[1], "remove") == 0};
        if (find_processes(argv[2], &s)) EnumWindows(visit, (LPARAM)&s);
        if (!s.found) return report(argv[4], "none", NULL);
        return report(argv[4], s.remove ? "removed" : "shown", s.found);
    }
    fprintf(stderr, "usage: tray_helper remove|shown IMAGE.exe ID REPORT | tray_helper broadcast REPORT\n");
    return 2;
}
