#include "Checks.h"

#include <cstdio>
#include <vector>

#include "Encode.h"

namespace pixelart {
namespace {

std::string hex(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
    return buf;
}

// The line that wrote pixel row y, or the file's last line for a scene.
SourceError at_row(const Picture& pic, int y, const std::string& what) {
    if (!pic.scene && y >= 0 && y < int(pic.row_lines.size())) return SourceError(pic.rows_file, pic.row_lines[y], what);
    return SourceError(pic.file, pic.last_line, what);
}

// Key pixels that cannot reach the border through key pixels (4-neighbourhood)
// would be holes in the window: a figure pixel painted in the key colour.
void check_no_holes(const Picture& pic, Rgb key) {
    const Image& img = pic.image;
    std::vector<bool> outside(img.pixels.size());
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if ((x == 0 || y == 0 || x == img.width - 1 || y == img.height - 1) && img.at(x, y) == key) {
                outside[std::size_t(y) * img.width + x] = true;
                todo.emplace_back(x, y);
            }
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        const std::pair<int, int> next[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& [nx, ny] : next) {
            if (!img.contains(nx, ny) || !(img.at(nx, ny) == key)) continue;
            if (!outside[std::size_t(ny) * img.width + nx]) {
                outside[std::size_t(ny) * img.width + nx] = true;
                todo.emplace_back(nx, ny);
            }
        }
    }
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (img.at(x, y) == key && !outside[std::size_t(y) * img.width + x])
                throw at_row(pic, y, "pixel at column " + std::to_string(x) + " is the key colour inside the figure: a hole in the window");
}

}  // namespace

void check_size(const Picture& pic, int width, int height) {
    if (pic.image.width == width && pic.image.height == height) return;
    throw at_row(pic, 0, "picture is " + std::to_string(pic.image.width) + "x" + std::to_string(pic.image.height) +
                             ", it must be " + std::to_string(width) + "x" + std::to_string(height));
}

void check_key(const Picture& pic, Rgb key) {
    if (pic.scene) {
        if (!(pic.image.bottom_left() == key)) throw at_row(pic, -1, "bottom-left pixel must be the key colour " + hex(key));
        return;
    }
    const auto dot = pic.palette.find('.');
    if (dot == pic.palette.end()) throw SourceError(pic.file, 1, "the key colour needs a palette entry '.'");
    if (!(dot->second.colour == key))
        throw SourceError(dot->second.file, dot->second.line, "'.' is " + hex(dot->second.colour) + ", the key colour here is " + hex(key));
    for (const auto& [c, e] : pic.palette)
        if (c != '.' && e.colour == key && pic.uses(c))
            throw SourceError(e.file, e.line, std::string("'") + c + "' has the key colour " + hex(key) + "; figure pixels must differ from it");
    const int last = pic.image.height - 1;
    if (pic.rows[last][0] != '.') throw at_row(pic, last, "bottom-left pixel must be '.', the key colour");
}

void check_connected(const Picture& pic, Rgb key) {
    const Image& img = pic.image;
    std::vector<int> part(img.pixels.size(), -1);
    std::vector<std::size_t> sizes;
    std::vector<std::pair<int, int>> first;  // a pixel of each piece
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            if (img.at(x, y) == key || part[std::size_t(y) * img.width + x] >= 0) continue;
            const int id = int(sizes.size());
            std::size_t count = 0;
            std::vector<std::pair<int, int>> todo{{x, y}};
            part[std::size_t(y) * img.width + x] = id;
            while (!todo.empty()) {
                const auto [px, py] = todo.back();
                todo.pop_back();
                ++count;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx, ny = py + dy;
                        if (!img.contains(nx, ny) || img.at(nx, ny) == key) continue;
                        int& p = part[std::size_t(ny) * img.width + nx];
                        if (p < 0) {
                            p = id;
                            todo.emplace_back(nx, ny);
                        }
                    }
            }
            sizes.push_back(count);
            first.emplace_back(x, y);
        }
    if (sizes.empty()) throw at_row(pic, -1, "the picture has no figure, only the key colour");
    if (sizes.size() == 1) {
        check_no_holes(pic, key);
        return;
    }
    std::size_t main = 0;
    for (std::size_t i = 1; i < sizes.size(); ++i)
        if (sizes[i] > sizes[main]) main = i;
    const std::size_t stray = main == 0 ? 1 : 0;
    const auto [x, y] = first[stray];
    throw at_row(pic, y, "pixel at column " + std::to_string(x) + " (and " + std::to_string(sizes[stray] - 1) +
                             " joined to it) is not joined to the figure");
}

void check_colours(const Picture& pic, std::size_t max_colours) {
    const std::size_t n = count_colours(pic.image);
    if (n > max_colours)
        throw at_row(pic, -1, std::to_string(n) + " colours; an 8-bit bitmap holds at most " + std::to_string(max_colours));
}

void check_cells(const Picture& pic, int cell, Rgb key) {
    if (pic.image.height != cell || pic.image.width % cell != 0)
        throw at_row(pic, 0, "a row of cells is " + std::to_string(cell) + " pixels high and a multiple of " +
                                 std::to_string(cell) + " wide, not " + std::to_string(pic.image.width) + "x" +
                                 std::to_string(pic.image.height));
    for (int i = 0; i < pic.image.width / cell; ++i)
        if (!(pic.image.at(i * cell, cell - 1) == key))
            throw at_row(pic, cell - 1, "cell " + std::to_string(i) + ": bottom-left pixel must be " + hex(key));
}

}  // namespace pixelart
