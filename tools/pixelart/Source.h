// Reads the text sources of the artwork: pixel grids with a palette, and
// scenes (a canvas built from fills, gradients, outlines and pasted grids).
//
//   // comment                     ignored, as are blank lines
//   x = #RRGGBB                    palette entry: one printable character, one colour
//   palette FILE                   takes the palette entries of FILE (relative to this file)
//   mirror FILE                    takes the rows of FILE flipped left to right, and its palette
//   ..xxoo..                       a pixel row: palette characters, no blanks
//
// A scene starts with "canvas W H #RRGGBB" and then draws, in order:
//   rect X Y W H #C | frame X Y W H #C | roundrect X Y W H R #C | roundframe X Y W H R #C
//   vgradient X Y W H #TOP #BOTTOM [STEPS] | hgradient X Y W H #LEFT #RIGHT [STEPS]
//   line X1 Y1 X2 Y2 #C | pixel X Y #C
//   paste X Y FILE                 a grid picture; its '.' pixels are left out
//   grid X Y ... end               rows in this file's palette; '.' pixels are left out
#pragma once
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Image.h"

namespace pixelart {

// A fault in a source, reported as "file:line: what".
class SourceError : public std::runtime_error {
public:
    SourceError(const std::string& file, int line, const std::string& what)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + what), file_(file), line_(line) {}
    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

struct PaletteEntry {
    Rgb colour;
    std::string file;  // where the entry was given
    int line = 0;
};

struct Picture {
    std::string file;
    Image image;
    bool scene = false;
    std::map<char, PaletteEntry> palette;  // grid pictures: the palette in force
    std::vector<std::string> rows;         // grid pictures: the rows as written
    std::vector<int> row_lines;            // line of each row in `file` (mirrored: of the original)
    std::string rows_file;                 // the file the rows come from
    int last_line = 0;                     // last line of the file, for faults of the whole picture
    bool uses(char c) const;               // a grid picture has the character in a row
};

Picture load_source(const std::string& file);

// "#RRGGBB" or "RRGGBB"; throws std::invalid_argument for anything else.
Rgb parse_colour(const std::string& text);

}  // namespace pixelart
