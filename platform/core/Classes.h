// The class registry: form resources create components by class name.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Component.h"

using TComponentFactory = TComponent* (*)(TComponent* owner);

void RegisterClass(const char* className, TComponentFactory factory);
bool IsClassRegistered(std::string_view className);
// A new component of a registered class; EClassNotFound for any other name.
TComponent* CreateComponent(std::string_view className, TComponent* owner);

// The form designer's palette: the classes a unit offers on a page.
void RegisterComponents(const char* page, std::initializer_list<const char*> classNames);
std::vector<std::string> PaletteClasses(std::string_view page);

template <class T>
TComponent* ComponentFactory(TComponent* owner) { return new T(owner); }

// Registers T under its ClassName() when a unit starts.
#define ZIMMO_REGISTER_CLASS(T)                                                   \
    namespace {                                                                   \
    const bool registered_##T = (RegisterClass(#T, &ComponentFactory<T>), true); \
    }
