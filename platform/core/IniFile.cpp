#include "platform/core/IniFile.h"

#include <utility>

#include "platform/core/Exceptions.h"
#include "platform/core/SysUtils.h"
#include "platform/os.h"

namespace {
// The buffer the library reads values into: a value is cut at 2047 bytes.
constexpr std::size_t kValueBufferSize = 2048;
}  // namespace

TIniFile::TIniFile(std::string fileName) : FileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const {
    return os::ansi_to_utf8(os::get_profile_string(FileName_, os::utf8_to_ansi(Section), os::utf8_to_ansi(Ident),
                                                   os::utf8_to_ansi(Default), kValueBufferSize));
}

std::int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Ident, std::int32_t Default) const {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
    if (!os::write_profile_string(FileName_, os::utf8_to_ansi(Section), os::utf8_to_ansi(Ident),
                                  os::utf8_to_ansi(Value)))
        throw EIniFileException(errors::IniWrite(FileName_));
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Ident, std::int32_t Value) {
    WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}
