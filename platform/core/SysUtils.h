// String and file-name routines of the class library: UTF-8/UTF-16 and
// code page 932 conversions, ParamStr, ExtractFilePath, ExtractFileName,
// ChangeFileExt, StrToIntDef.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Malformed bytes, overlong forms and surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Code page 932 at the ANSI interfaces.
std::string ToAnsi(std::string_view utf8, bool* lossless = nullptr);
std::string FromAnsi(std::string_view ansi);

// ParamStr(0) is the full path of the running executable; there are no others.
std::string ParamStr(int index);

// Both '\\' and '/' separate path components; a drive's ':' ends a path too.
std::string ExtractFilePath(std::string_view fileName);   // with the trailing separator
std::string ExtractFileName(std::string_view fileName);
// Replaces the extension (from the last '.' after the last separator) by ext.
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);

// Decimal with an optional sign, or hexadecimal after "0x", "0X" or "$".
bool TryStrToInt(std::string_view text, std::int32_t* value);
std::int32_t StrToIntDef(std::string_view text, std::int32_t def);
