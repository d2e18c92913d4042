// TIniFile: an INI file read and written one value at a time through the
// system's profile functions. Names and values are UTF-8 here and code page
// 932 in the file; the file need not exist until the first write.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/Object.h"

class TIniFile : public TObject {
public:
    // fileName: the file's full path (UTF-8). Opening never fails.
    explicit TIniFile(std::string fileName);
    const char* ClassName() const override { return "TIniFile"; }

    const std::string& FileName() const { return FileName_; }

    // The value as text, at most 2047 bytes of code page 932; Default when the
    // file, section or key is missing.
    std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
    // Decimal (with a sign) or hexadecimal after "0x"/"0X", as StrToIntDef
    // reads them; Default for a missing or empty value or any other text.
    std::int32_t ReadInteger(std::string_view Section, std::string_view Ident, std::int32_t Default) const;
    // Read as an integer: any value but 0 is true.
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;

    // Each write updates the file at once; a file that cannot be written
    // raises EIniFileException with the INI write error for FileName().
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Ident, std::int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value);  // "1" or "0"

private:
    std::string FileName_;
};
