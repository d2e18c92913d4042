// Form resources on arbitrary text: parsing either succeeds or raises the
// library's EReadError; what parses formats to text that parses to the same
// text again; binding the tree to a form of its class (every registered
// class, the region unit's and the shine button among them) raises only library exceptions, and
// a form that loaded writes itself back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "controls/checkbox/dxfCheckBox.h"
#include "controls/region/Region.h"
#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Registration.h"
#include "tools/designer/Designer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        RegisterPlatformClasses();
        Register();
        RegisterClass("TdxfCheckBox", &ComponentFactory<TdxfCheckBox>);
        RegisterClass("TShineSpeedButton", &ComponentFactory<TShineSpeedButton>);
        return true;
    }();
    (void)registered;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FormNode tree;
    try {
        tree = ParseFormText(text, "fuzz");
    } catch (const EReadError&) {
        return 0;
    }
    const std::string formatted = FormatFormText(tree);
    if (FormatFormText(ParseFormText(formatted, "formatted")) != formatted) std::abort();

    headless::Reset();
    try {
        TDesignForm form(tree.className);
        ReadComponentTree(&form, tree);
        WriteComponentResourceText(&form);
    } catch (const Exception&) {
    }
    headless::Reset();
    return 0;
}
