// The resources compiled into a headless build: the same names and bytes that
// zimmo.rc gives the Windows program, as a table the headless backend searches.
#pragma once

namespace zimmo_resources {

struct Entry {
    const char* name;           // "CHECKBOX", "MAINICON", ...
    const char* type;           // "BITMAP" (a BMP file, with its file header), "ICON" (an .ico file), "FORM"
    const unsigned char* data;  // not owned; static storage
    unsigned long size;         // bytes at data
};

extern const Entry kEntries[];
extern const unsigned long kEntryCount;

}  // namespace zimmo_resources
