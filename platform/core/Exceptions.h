// The library's exception classes. Messages are UTF-8 text; a message about
// one control starts with that control's Name.
#pragma once
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message = {}) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

#define ZIMMO_EXCEPTION_CLASS(Name, Base)                                   \
    class Name : public Base {                                              \
    public:                                                                 \
        using Base::Base;                                                   \
    };

ZIMMO_EXCEPTION_CLASS(EInvalidGraphic, Exception)
ZIMMO_EXCEPTION_CLASS(EConvertError, Exception)
ZIMMO_EXCEPTION_CLASS(EOutOfMemory, Exception)
ZIMMO_EXCEPTION_CLASS(EListError, Exception)
ZIMMO_EXCEPTION_CLASS(EStreamError, Exception)
ZIMMO_EXCEPTION_CLASS(EReadError, EStreamError)
ZIMMO_EXCEPTION_CLASS(EWriteError, EStreamError)
ZIMMO_EXCEPTION_CLASS(EClassNotFound, Exception)
ZIMMO_EXCEPTION_CLASS(EResNotFound, Exception)
ZIMMO_EXCEPTION_CLASS(EIniFileException, Exception)
ZIMMO_EXCEPTION_CLASS(EInvalidOperation, Exception)

#undef ZIMMO_EXCEPTION_CLASS

// The texts of the library's own errors.
namespace errors {
std::string ListIndex(int index);                       // "リストのインデックスが範囲を超えています (%d)"
std::string Assign(const char* source, const char* dest); // "%s を %s に代入できません"
std::string IniWrite(const std::string& path);           // "%s に書き込めません"
} // namespace errors
