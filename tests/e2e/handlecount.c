/* Prints the kernel handle count and the GDI and USER object counts of every
 * running process with the given image name, one line each:
 *   PID HANDLES GDI USER
 * Built with mingw and run in the same Wine prefix as the program. */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: handlecount IMAGE.exe\n");
        return 2;
    }
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32 entry = {.dwSize = sizeof entry};
    int found = 0;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry)) {
        if (_stricmp(entry.szExeFile, argv[1]) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        printf("%lu %lu %lu %lu\n", (unsigned long)entry.th32ProcessID, (unsigned long)handles,
               (unsigned long)GetGuiResources(process, GR_GDIOBJECTS),
               (unsigned long)GetGuiResources(process, GR_USEROBJECTS));
        CloseHandle(process);
        found = 1;
    }
    CloseHandle(snap);
    return found ? 0 : 1;
}
