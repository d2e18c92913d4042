// The rules of the Windows profile functions (GetPrivateProfileStringA,
// WritePrivateProfileStringA) over the bytes of an INI file in code page 932,
// as pure functions: the headless backend and the tests read and write INI
// text exactly as the system does.
//
// What a file means, line by line (a line ends at CR, LF or CR LF):
// - Blanks are space, tab, VT, FF and SUB (0x1A); they are trimmed around
//   section names, keys and values.
// - "[name]" (after blanks) starts a section; the name runs to the line's
//   last ']' and anything after it is ignored. Lines before the first
//   section belong to the section named "".
// - Any other non-blank line is an entry: the key up to the first '=', the
//   value after it. A line without '=' is a key without a value (reading it
//   gives the default). Comment lines (";...") are entries like any other.
// - Names match without regard to ASCII letter case; double-byte characters
//   match exactly. The first matching section, and in it the first matching
//   key, wins. Names and values end at a NUL byte.
// - A leading UTF-8 byte-order mark is skipped; other bytes pass unchanged.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace ProfileText {

// The value of key in section, or else defaultValue with its trailing spaces
// removed; a text in matching quotes ('...' or "...") loses them. The result
// holds at most bufferSize - 1 bytes, as the system's buffer would, and like
// the system's a quoted text that just fills the buffer loses its last byte
// too; nothing when bufferSize is 0.
std::string GetString(std::string_view bytes, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t bufferSize);

// The bytes of the file after writing key=value into section (a missing file
// is empty bytes). Leading blanks of section, key and value are dropped. An
// existing key's line becomes "key=value" in place, keeping its line end; a
// new key goes after the section's last non-blank line; a new section goes
// at the end of the file. New lines end in CR LF. Every other byte is kept,
// and writing the value a key already has returns the bytes unchanged.
// Throws EConvertError for a file that starts with a UTF-16 byte-order mark:
// such a file is not rewritten as ANSI text.
std::string SetString(std::string_view bytes, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace ProfileText
