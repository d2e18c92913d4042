// Unit dxfRes: the resources every bitmap check box shares, one each per
// program, alive from the first use (or Initialize) to the program's end.
//   CBBmp      the check-box strip "CHECKBOX": 14 styles x 4 square cells
//   DrawBmp    the off-screen paint buffer; it only ever grows
//   ImageList  the "TTFONT" and "DEVICEFONT" pictures, masked
#pragma once
#include <string_view>

#include "platform/graphics/Bitmap.h"
#include "platform/ui/ImgList.h"

namespace dxfRes {

// Creates the three resources unless they exist. The program calls it at
// start-up; the accessors call it too, so the order of first use is free.
void Initialize();

TBitmap* CBBmp();          // owned by the unit; empty when "CHECKBOX" is missing or damaged
TBitmap* DrawBmp();        // owned by the unit
TImageList* ImageList();   // owned by the unit

// Loads a bitmap resource of the program into bitmap. A missing or damaged
// resource is no error here: the bitmap is left empty and false returned.
bool LoadBitmapResource(TBitmap* bitmap, std::string_view name);

}  // namespace dxfRes
