#include "platform/core/Exceptions.h"

namespace errors {
std::string ListIndex(int index) {
    return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}
std::string Assign(const char* source, const char* dest) {
    return std::string(source ? source : "nil") + " を " + dest + " に代入できません";
}
std::string IniWrite(const std::string& path) { return path + " に書き込めません"; }
} // namespace errors
