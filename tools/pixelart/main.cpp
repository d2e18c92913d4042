// zimmo_pixelart: turns the text sources of the artwork into the bitmaps and
// the icon compiled into the program, checking the rules each picture keeps,
// and writes the resource table of the headless backend.
//
//   zimmo_pixelart bmp SRC OUT.bmp --size WxH [--bits 24|8] [--key RRGGBB] [--connected] [--grey OUT.bmp]
//   zimmo_pixelart strip OUT.bmp --cell N [--key RRGGBB] SRC...      rows of cells, joined left to right
//   zimmo_pixelart icon OUT.ico --key RRGGBB SRC:SIDE...             one square image per source
//   zimmo_pixelart table OUT.cpp [NAME TYPE FILE]...
//
// A broken rule ends the program with status 1 and "file:line: what".
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Checks.h"
#include "Encode.h"
#include "Source.h"
#include "Table.h"

using namespace pixelart;

namespace {

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::vector<std::string> positional;
    std::optional<std::pair<int, int>> size;
    int bits = 24;
    std::optional<Rgb> key;
    bool connected = false;
    std::string grey;
    int cell = 0;
};

int to_int(const std::string& s) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < 1 || v > 4096) throw UsageError("\"" + s + "\" is not a size");
    return int(v);
}

Options parse(int argc, char** argv, int first) {
    Options o;
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(a + " needs a value");
            return argv[++i];
        };
        if (a == "--size") {
            const std::string v = value();
            const auto x = v.find('x');
            if (x == std::string::npos) throw UsageError("--size is WxH");
            o.size = {to_int(v.substr(0, x)), to_int(v.substr(x + 1))};
        } else if (a == "--bits") {
            o.bits = to_int(value());
            if (o.bits != 8 && o.bits != 24) throw UsageError("--bits is 8 or 24");
        } else if (a == "--key") {
            try {
                o.key = parse_colour(value());
            } catch (const std::invalid_argument&) {
                throw UsageError("--key is a colour RRGGBB");
            }
        } else if (a == "--connected") {
            o.connected = true;
        } else if (a == "--grey") {
            o.grey = value();
        } else if (a == "--cell") {
            o.cell = to_int(value());
        } else if (a.rfind("--", 0) == 0) {
            throw UsageError("unknown option " + a);
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

Bytes encode(const Image& img, int bits) { return bits == 8 ? encode_bmp8(img) : encode_bmp24(img); }

void run_bmp(const Options& o) {
    if (o.positional.size() != 2) throw UsageError("bmp SRC OUT.bmp --size WxH ...");
    const Picture pic = load_source(o.positional[0]);
    if (o.size) check_size(pic, o.size->first, o.size->second);
    if (o.key) check_key(pic, *o.key);
    if (o.connected) check_connected(pic, o.key.value_or(pic.image.bottom_left()));
    if (o.bits == 8) check_colours(pic);
    const Bytes bytes = encode(pic.image, o.bits);
    std::optional<Bytes> grey;
    if (!o.grey.empty()) {
        Image g = pic.image;
        for (Rgb& c : g.pixels) c = to_grey(c);
        grey = encode(g, o.bits);
    }
    write_file(o.positional[1], bytes);
    if (grey) write_file(o.grey, *grey);
}

void run_strip(const Options& o) {
    if (o.positional.size() < 2 || o.cell == 0) throw UsageError("strip OUT.bmp --cell N [--key RRGGBB] SRC...");
    const Rgb key = o.key.value_or(Rgb{255, 0, 255});
    std::vector<Picture> rows;
    int width = 0;
    for (std::size_t i = 1; i < o.positional.size(); ++i) {
        rows.push_back(load_source(o.positional[i]));
        check_cells(rows.back(), o.cell, key);
        width += rows.back().image.width;
    }
    Image strip(width, o.cell);
    int x0 = 0;
    for (const Picture& p : rows) {
        for (int y = 0; y < o.cell; ++y)
            for (int x = 0; x < p.image.width; ++x) strip.at(x0 + x, y) = p.image.at(x, y);
        x0 += p.image.width;
    }
    Picture whole;
    whole.file = o.positional[1];
    whole.scene = true;
    whole.image = strip;
    if (o.size) check_size(whole, o.size->first, o.size->second);
    check_colours(whole);
    write_file(o.positional[0], encode_bmp8(strip));
}

void run_icon(const Options& o) {
    if (o.positional.size() < 2 || !o.key) throw UsageError("icon OUT.ico --key RRGGBB SRC:SIDE...");
    std::vector<IconImage> images;
    for (std::size_t i = 1; i < o.positional.size(); ++i) {
        const std::string& arg = o.positional[i];
        const auto colon = arg.rfind(':');
        if (colon == std::string::npos) throw UsageError("icon sources are SRC:SIDE");
        const Picture pic = load_source(arg.substr(0, colon));
        const int side = to_int(arg.substr(colon + 1));
        check_size(pic, side, side);
        check_key(pic, *o.key);
        check_colours(pic, 255);  // index 0 is kept for the black under the mask
        images.push_back({pic.image, *o.key});
    }
    write_file(o.positional[0], encode_ico(images));
}

void run_table(const Options& o) {
    if (o.positional.empty() || (o.positional.size() - 1) % 3 != 0) throw UsageError("table OUT.cpp [NAME TYPE FILE]...");
    std::vector<TableEntry> entries;
    for (std::size_t i = 1; i < o.positional.size(); i += 3)
        entries.push_back({o.positional[i], o.positional[i + 1], read_file(o.positional[i + 2])});
    const std::string text = resource_table_source(entries);
    write_file(o.positional[0], Bytes(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 2) throw UsageError("command bmp, strip, icon or table");
        const std::string command = argv[1];
        const Options o = parse(argc, argv, 2);
        if (command == "bmp") run_bmp(o);
        else if (command == "strip") run_strip(o);
        else if (command == "icon") run_icon(o);
        else if (command == "table") run_table(o);
        else throw UsageError("unknown command " + command);
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zimmo_pixelart: usage: %s\n", e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
