#include "platform/core/Classes.h"

#include <algorithm>
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

namespace {
std::map<std::string, std::vector<std::string>, std::less<>>& palette() {
    static std::map<std::string, std::vector<std::string>, std::less<>> pages;
    return pages;
}
}  // namespace

void RegisterComponents(const char* page, std::initializer_list<const char*> classNames) {
    auto& list = palette()[page];
    for (const char* name : classNames)
        if (std::find(list.begin(), list.end(), name) == list.end()) list.emplace_back(name);
}

std::vector<std::string> PaletteClasses(std::string_view page) {
    auto it = palette().find(page);
    return it == palette().end() ? std::vector<std::string>{} : it->second;
}
