// Form resources: the text format that stores a form's components and their
// properties, parsed into a tree first and bound to components second.
//
//   object Form1: TForm1
//     Caption = 'Mallo'
//     Left = 0
//     OnCreate = FormCreate
//     object Rgn1: TRgn
//       Cursor = crHandPoint
//       RgnBitmap.Data = {
//         C6050000424DC6050000...}
//     end
//   end
//
// Values: integers, identifiers (True, clBtnFace, PopupMenu1, FormCreate),
// 'strings' (UTF-8, '' for a quote), sets [fsBold, fsItalic] and binary data
// {hex}. Only values that differ from the declared default are written.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Component.h"

struct FormValue {
    enum class Kind { Integer, Ident, String, Set, Binary };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string text;                 // Ident and String
    std::vector<std::string> set;     // Set
    std::vector<std::uint8_t> bytes;  // Binary
};

struct FormProperty {
    std::string path;  // "Left", "Font.Height", "RgnBitmap.Data"
    FormValue value;
    int line = 0;
};

struct FormNode {
    std::string name;
    std::string className;
    int line = 0;
    std::vector<FormProperty> properties;
    std::vector<FormNode> children;
};

// Parses a form resource; EReadError with the line and what was expected.
FormNode ParseFormText(std::string_view text, std::string_view resourceName = "form");
std::string FormatFormText(const FormNode& node);

// Builds root's components from a parsed resource: creates each nested
// object by class name with root as owner, sets its properties, resolves
// component references and event handlers (root->FindMethod), then runs
// Loaded on every component read, in creation order. The root's own
// properties come from the top node, whose class must be root's class.
void ReadComponentTree(TComponent* root, const FormNode& node);
void ReadComponentResourceText(TComponent* root, std::string_view text, std::string_view resourceName = "form");

// The tree of root and the components it owns, as form resources store it.
FormNode WriteComponentTree(TComponent* root);
std::string WriteComponentResourceText(TComponent* root);

// Sets one property of an object from a form value (used by the reader and
// by the designer tool). Component references and events need the root.
void SetFormProperty(TPersistent* object, const FormProperty& property, TComponent* root);
