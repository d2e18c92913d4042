// A plain RGB picture in memory, top row first; what every source turns into
// before it is checked and written.
#pragma once
#include <cstdint>
#include <vector>

namespace pixelart {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    std::uint32_t packed() const { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b; }
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // width * height, row-major, top row first

    Image() = default;
    Image(int w, int h, Rgb fill = {}) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}

    Rgb& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Rgb bottom_left() const { return at(0, height - 1); }
};

// Grey of the same brightness (ITU-R BT.601 luma), for the unselected portraits.
inline Rgb to_grey(Rgb c) {
    const int y = (299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000;
    const auto v = static_cast<std::uint8_t>(y);
    return {v, v, v};
}

}  // namespace pixelart
