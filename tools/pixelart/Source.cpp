#include "Source.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pixelart {
namespace {

constexpr int kMaxNesting = 8;  // palette/mirror/paste chains deeper than this are a loop
constexpr int kMaxSide = 4096;

std::string trim_right(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string relative_to(const std::string& file, const std::string& other) {
    return (std::filesystem::path(file).parent_path() / other).lexically_normal().string();
}

// Source text quoted in a message, with control and non-ASCII bytes shown as
// '?' and cut to a readable length.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < 40; ++i) out += text[i] >= ' ' && text[i] < 127 ? text[i] : '?';
    if (text.size() > 40) out += "...";
    return out + "\"";
}

bool is_palette_line(const std::string& line) {
    return line.size() == 11 && line[0] > ' ' && line[0] < 127 && line.compare(1, 4, " = #") == 0;
}

class Reader {
public:
    Reader(std::string file, int depth) : file_(std::move(file)), depth_(depth) {}

    Picture read() {
        if (depth_ > kMaxNesting) throw SourceError(file_, 0, "sources refer to one another in a loop");
        std::ifstream in(file_, std::ios::binary);
        if (!in) throw SourceError(file_, 0, "cannot open the file");
        std::string raw;
        while (std::getline(in, raw)) {
            ++line_;
            const std::string line = trim_right(raw);
            if (line.empty() || line.rfind("//", 0) == 0) continue;
            handle(line);
        }
        if (in_grid_) throw error("\"grid\" without \"end\"");
        pic_.file = file_;
        pic_.last_line = line_;
        if (pic_.scene) return std::move(pic_);
        if (pic_.rows.empty()) throw error("no pixel rows");
        pic_.image = render_rows(pic_.rows, pic_.row_lines, pic_.rows_file.empty() ? file_ : pic_.rows_file);
        if (pic_.rows_file.empty()) pic_.rows_file = file_;
        return std::move(pic_);
    }

private:
    SourceError error(const std::string& what) const { return SourceError(file_, line_, what); }

    int number(const std::string& w, int lo, int hi) const {
        char* end = nullptr;
        const long v = std::strtol(w.c_str(), &end, 10);
        if (w.empty() || *end != '\0' || v < lo || v > hi)
            throw error(quoted(w) + " is not a number from " + std::to_string(lo) + " to " + std::to_string(hi));
        return static_cast<int>(v);
    }

    Rgb colour(const std::string& w) const {
        try {
            return parse_colour(w);
        } catch (const std::invalid_argument&) {
            throw error(quoted(w) + " is not a colour #RRGGBB");
        }
    }

    void expect_args(const std::vector<std::string>& w, std::size_t lo, std::size_t hi) const {
        if (w.size() < lo + 1 || w.size() > hi + 1)
            throw error("\"" + w[0] + "\" takes " + (lo == hi ? std::to_string(lo) : std::to_string(lo) + " or " + std::to_string(hi)) + " arguments");
    }

    void handle(const std::string& line) {
        if (is_palette_line(line)) {
            pic_.palette[line[0]] = {colour(line.substr(4)), file_, line_};
            return;
        }
        if (in_grid_) {
            if (line == "end") {
                finish_grid();
            } else if (line.find_first_of(" \t") != std::string::npos) {
                throw error("a pixel row has no blanks");
            } else {
                grid_rows_.push_back(line);
                grid_lines_.push_back(line_);
            }
            return;
        }
        if (line.find_first_of(" \t") == std::string::npos) {
            if (pic_.scene) throw error("pixel rows of a scene belong between \"grid X Y\" and \"end\"");
            if (!pic_.rows_file.empty()) throw error("a mirrored picture has no rows of its own");
            pic_.rows.push_back(line);
            pic_.row_lines.push_back(line_);
            return;
        }
        const auto w = words(line);
        const std::string& op = w[0];
        if (op == "palette") {
            expect_args(w, 1, 1);
            const Picture other = Reader(relative_to(file_, w[1]), depth_ + 1).read_palette_only();
            for (const auto& [c, e] : other.palette) pic_.palette[c] = e;
        } else if (op == "mirror") {
            expect_args(w, 1, 1);
            if (!pic_.rows.empty() || pic_.scene) throw error("\"mirror\" comes before any rows");
            const Picture other = Reader(relative_to(file_, w[1]), depth_ + 1).read();
            if (other.scene) throw error("cannot mirror a scene");
            for (const auto& [c, e] : other.palette)
                if (!pic_.palette.count(c)) pic_.palette[c] = e;
            for (const auto& row : other.rows) pic_.rows.emplace_back(row.rbegin(), row.rend());
            pic_.row_lines = other.row_lines;
            pic_.rows_file = other.rows_file;
        } else if (op == "canvas") {
            expect_args(w, 3, 3);
            if (pic_.scene || !pic_.rows.empty()) throw error("\"canvas\" comes first, once");
            pic_.scene = true;
            pic_.image = Image(number(w[1], 1, kMaxSide), number(w[2], 1, kMaxSide), colour(w[3]));
        } else if (!pic_.scene) {
            throw error("unknown directive " + quoted(op));
        } else {
            draw(w);
        }
    }

    // A file given to "palette": palette lines and comments only.
    Picture read_palette_only() {
        std::ifstream in(file_, std::ios::binary);
        if (!in) throw SourceError(file_, 0, "cannot open the file");
        std::string raw;
        while (std::getline(in, raw)) {
            ++line_;
            const std::string line = trim_right(raw);
            if (line.empty() || line.rfind("//", 0) == 0) continue;
            if (!is_palette_line(line)) throw error("a palette file holds only lines \"x = #RRGGBB\"");
            pic_.palette[line[0]] = {colour(line.substr(4)), file_, line_};
        }
        return std::move(pic_);
    }

    // In a scene's grid '.' means "leave the canvas as it is" and needs no palette entry.
    Image render_rows(const std::vector<std::string>& rows, const std::vector<int>& lines, const std::string& rows_file,
                      bool dot_is_hole = false) const {
        const int width = static_cast<int>(rows[0].size());
        if (width > kMaxSide || rows.size() > std::size_t(kMaxSide))
            throw SourceError(rows_file, lines[0], "picture larger than " + std::to_string(kMaxSide) + " pixels");
        Image img(width, static_cast<int>(rows.size()));
        for (std::size_t y = 0; y < rows.size(); ++y) {
            if (rows[y].size() != rows[0].size())
                throw SourceError(rows_file, lines[y], "row is " + std::to_string(rows[y].size()) +
                                                           " pixels wide, the first row " + std::to_string(width));
            for (int x = 0; x < width; ++x) {
                const auto it = pic_.palette.find(rows[y][x]);
                if (dot_is_hole && rows[y][x] == '.') continue;
                if (it == pic_.palette.end())
                    throw SourceError(rows_file, lines[y], "character " + quoted(std::string(1, rows[y][x])) + " is not in the palette");
                img.at(x, static_cast<int>(y)) = it->second.colour;
            }
        }
        return img;
    }

    // ---------------------------------------------------------------- scenes
    void put(int x, int y, Rgb c) {
        if (pic_.image.contains(x, y)) pic_.image.at(x, y) = c;
    }

    static bool in_round_rect(int px, int py, int x, int y, int w, int h, int r) {
        if (px < x || py < y || px >= x + w || py >= y + h) return false;
        r = std::min({r, w / 2, h / 2});
        if (r <= 0) return true;
        // Distance from the nearest corner centre, measured between pixel centres.
        const double cx = px < x + r ? x + r - 0.5 : (px >= x + w - r ? x + w - r - 0.5 : px + 0.5);
        const double cy = py < y + r ? y + r - 0.5 : (py >= y + h - r ? y + h - r - 0.5 : py + 0.5);
        const double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
        return dx * dx + dy * dy <= (r - 0.1) * (r - 0.1) + 0.5;
    }

    static Rgb mix(Rgb a, Rgb b, int i, int n) {
        if (n <= 1) return a;
        auto ch = [&](int u, int v) { return static_cast<std::uint8_t>((u * (n - 1 - i) + v * i + (n - 1) / 2) / (n - 1)); };
        return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
    }

    void draw(const std::vector<std::string>& w) {
        const std::string& op = w[0];
        auto coord = [&](std::size_t i) { return number(w[i], -kMaxSide, kMaxSide); };
        auto side = [&](std::size_t i) { return number(w[i], 0, kMaxSide); };
        if (op == "rect" || op == "frame") {
            expect_args(w, 5, 5);
            const int x = coord(1), y = coord(2), wd = side(3), ht = side(4);
            const Rgb c = colour(w[5]);
            for (int py = y; py < y + ht; ++py)
                for (int px = x; px < x + wd; ++px)
                    if (op == "rect" || px == x || py == y || px == x + wd - 1 || py == y + ht - 1) put(px, py, c);
        } else if (op == "roundrect" || op == "roundframe") {
            expect_args(w, 6, 6);
            const int x = coord(1), y = coord(2), wd = side(3), ht = side(4), r = side(5);
            const Rgb c = colour(w[6]);
            for (int py = y; py < y + ht; ++py)
                for (int px = x; px < x + wd; ++px) {
                    if (!in_round_rect(px, py, x, y, wd, ht, r)) continue;
                    const bool edge = !in_round_rect(px - 1, py, x, y, wd, ht, r) || !in_round_rect(px + 1, py, x, y, wd, ht, r) ||
                                      !in_round_rect(px, py - 1, x, y, wd, ht, r) || !in_round_rect(px, py + 1, x, y, wd, ht, r);
                    if (op == "roundrect" || edge) put(px, py, c);
                }
        } else if (op == "vgradient" || op == "hgradient") {
            expect_args(w, 6, 7);
            const int x = coord(1), y = coord(2), wd = side(3), ht = side(4);
            const Rgb a = colour(w[5]), b = colour(w[6]);
            const int span = op == "vgradient" ? ht : wd;
            const int steps = w.size() > 7 ? number(w[7], 1, kMaxSide) : std::max(1, std::min(span, 16));
            for (int py = y; py < y + ht; ++py)
                for (int px = x; px < x + wd; ++px) {
                    const int pos = op == "vgradient" ? py - y : px - x;
                    put(px, py, mix(a, b, span > 0 ? pos * steps / span : 0, steps));
                }
        } else if (op == "line") {
            expect_args(w, 5, 5);
            int x0 = coord(1), y0 = coord(2);
            const int x1 = coord(3), y1 = coord(4);
            const Rgb c = colour(w[5]);
            const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1, dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
            for (int err = dx + dy;;) {
                put(x0, y0, c);
                if (x0 == x1 && y0 == y1) break;
                const int e2 = 2 * err;
                if (e2 >= dy) { err += dy; x0 += sx; }
                if (e2 <= dx) { err += dx; y0 += sy; }
            }
        } else if (op == "pixel") {
            expect_args(w, 3, 3);
            put(coord(1), coord(2), colour(w[3]));
        } else if (op == "paste") {
            expect_args(w, 3, 3);
            const Picture other = Reader(relative_to(file_, w[3]), depth_ + 1).read();
            const auto key = other.palette.find('.');
            paste(coord(1), coord(2), other.image, [&](int x, int y) {
                return other.scene || key == other.palette.end() || other.rows[y][x] != '.';
            });
        } else if (op == "grid") {
            expect_args(w, 2, 2);
            grid_x_ = coord(1);
            grid_y_ = coord(2);
            in_grid_ = true;
            grid_rows_.clear();
            grid_lines_.clear();
        } else {
            throw error("unknown directive " + quoted(op));
        }
    }

    template <class Keep>
    void paste(int x0, int y0, const Image& img, Keep keep) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                if (keep(x, y)) put(x0 + x, y0 + y, img.at(x, y));
    }

    void finish_grid() {
        in_grid_ = false;
        if (grid_rows_.empty()) throw error("empty grid");
        const Image img = render_rows(grid_rows_, grid_lines_, file_, true);
        paste(grid_x_, grid_y_, img, [&](int x, int y) { return grid_rows_[y][x] != '.'; });
    }

    std::string file_;
    int depth_;
    int line_ = 0;
    Picture pic_;
    bool in_grid_ = false;
    int grid_x_ = 0, grid_y_ = 0;
    std::vector<std::string> grid_rows_;
    std::vector<int> grid_lines_;
};

}  // namespace

bool Picture::uses(char c) const {
    return std::any_of(rows.begin(), rows.end(), [c](const std::string& r) { return r.find(c) != std::string::npos; });
}

Rgb parse_colour(const std::string& text) {
    std::string hex = text;
    if (!hex.empty() && hex[0] == '#') hex.erase(0, 1);
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw std::invalid_argument("not a colour");
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

Picture load_source(const std::string& file) { return Reader(file, 0).read(); }

}  // namespace pixelart
