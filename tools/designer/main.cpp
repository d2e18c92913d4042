// The form designer's build step: loads a hand-written layout in design
// mode, assigns pictures through the controls' own property setters (so a
// TRgn computes its region data and takes its picture's size), and writes
// the completed form resource that the program embeds.
//
//   zimmo_designer LAYOUT PICTURES ARTWORK_DIR OUTPUT
//
// PICTURES lists one assignment a line: "Rgn1.RgnBitmap = mallo_rgn01.bmp"
// (a component, one of its picture properties, a BMP file in ARTWORK_DIR).
// Blank lines and lines starting with '#' are skipped.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "controls/checkbox/dxfCheckBox.h"
#include "controls/shinebutton/ShineSpdBtn.h"
#include "controls/region/Region.h"
#include "platform/core/Classes.h"
#include "platform/core/FormResource.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tools/designer/Designer.h"

namespace {
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Exception(path + ": ファイルを開けません");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: zimmo_designer LAYOUT PICTURES ARTWORK_DIR OUTPUT\n";
        return 2;
    }
    try {
        RegisterPlatformClasses();
        Register();  // the region unit's classes
        // Naming the check box and the shine button here links their units into
        // the tool; nothing else of the tool refers to them, so their own
        // start-up would not run.
        RegisterClass("TdxfCheckBox", &ComponentFactory<TdxfCheckBox>);
        RegisterClass("TShineSpeedButton", &ComponentFactory<TShineSpeedButton>);
        std::string text = DesignForm(ReadFile(argv[1]), argv[1], ReadFile(argv[2]), argv[3]);
        std::string temp = std::string(argv[4]) + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary);
            out << text;
            if (!out) throw Exception(temp + ": 書き込めません");
        }
        if (std::rename(temp.c_str(), argv[4]) != 0) throw Exception(std::string(argv[4]) + ": 書き込めません");
        return 0;
    } catch (const Exception& e) {
        std::cerr << "zimmo_designer: " << e.Message << "\n";
        return 1;
    }
}
