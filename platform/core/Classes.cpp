#include "platform/core/Classes.h"

#include <map>

#include "platform/core/Exceptions.h"

namespace {
std::map<std::string, TComponentFactory, std::less<>>& registry() {
    static std::map<std::string, TComponentFactory, std::less<>> classes;
    return classes;
}
}  // namespace

void RegisterClass(const char* className, TComponentFactory factory) { registry()[className] = factory; }

bool IsClassRegistered(std::string_view className) { return registry().count(className) != 0; }

TComponent* CreateComponent(std::string_view className, TComponent* owner) {
    auto it = registry().find(className);
    if (it == registry().end()) throw EClassNotFound("クラス " + std::string(className) + " が見つかりません");
    return it->second(owner);
}
