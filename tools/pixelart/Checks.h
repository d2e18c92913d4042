// The rules every picture of the program keeps, checked before anything is
// written; a broken rule is a SourceError naming the file and line.
#pragma once
#include "Source.h"

namespace pixelart {

void check_size(const Picture& pic, int width, int height);
// '.' is the key colour, no other colour in use is, and the bottom-left pixel is '.'.
void check_key(const Picture& pic, Rgb key);
// The pixels that are not the key form one piece (8-neighbourhood) without
// holes, so the window shaped from them has no stray pixels and no gaps.
void check_connected(const Picture& pic, Rgb key);
// An 8-bit bitmap holds at most 256 colours.
void check_colours(const Picture& pic, std::size_t max_colours = 256);
// Cells of side `cell` side by side; each cell's bottom-left pixel is `key`.
void check_cells(const Picture& pic, int cell, Rgb key);

}  // namespace pixelart
