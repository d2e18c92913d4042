// Windows file formats written byte by byte: BMP (24-bit, and 8-bit with a
// palette) and ICO (8-bit images with a transparency mask).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace pixelart {

using Bytes = std::vector<std::uint8_t>;

// The distinct colours of a picture in the order they first appear (top row
// first), and each pixel's index into them.
struct Indexed {
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indices;
};
// Throws std::length_error when the picture has more than 256 colours.
Indexed index_colours(const Image& img, const std::vector<Rgb>& first = {});
std::size_t count_colours(const Image& img);

Bytes encode_bmp24(const Image& img);
Bytes encode_bmp8(const Image& img);

struct IconImage {
    Image image;
    Rgb transparent;  // pixels of this colour are see-through
};
Bytes encode_ico(const std::vector<IconImage>& images);

void write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);

}  // namespace pixelart
