// Completing a form layout in design mode (the designer tool's work, also
// used by the tests).
#pragma once
#include <string>
#include <string_view>

#include "platform/ui/Forms.h"

// A form of any class name, as the designer holds it: event handlers are
// kept by name only.
class TDesignForm : public TForm {
public:
    TDesignForm(std::string className) : TForm(nullptr), class_name_(std::move(className)) {}
    const char* ClassName() const override { return class_name_.c_str(); }
    std::function<void(TObject*)> FindMethod(const std::string&) const override {
        return [](TObject*) {};
    }

private:
    std::string class_name_;
};

// Loads `layout` in design mode, applies the picture assignments (see
// main.cpp), and returns the completed form resource text.
std::string DesignForm(std::string_view layout, std::string_view layoutName, std::string_view pictures,
                       const std::string& artworkDir);
