// GDI fonts made from the seam's FontSpec, with a Japanese face standing in
// for a face that is not installed.
#pragma once
#include <string>

#include "platform/win32/Backend.h"

namespace win32 {

// The face the system will draw for a requested face name: the name itself
// when installed, else the first installed Japanese face.
std::wstring resolve_face(const std::wstring& requested);
// A new font (owned by the caller): -height pixels for the character height,
// unsmoothed so that the drawn coverage is exact.
UniqueFont create_font(const os::FontSpec& wanted);

}  // namespace win32
