// The generated artwork keeps the rules the program relies on: frame sizes
// and key colours (the window shape is every pixel that is not the key), one
// piece per figure, the check-box strip layout, portraits and icon, and the
// resource table that carries the same bytes into headless builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "resources/ResourceTable.h"

#ifndef ZIMMO_ARTWORK_DIR
#error "ZIMMO_ARTWORK_DIR names the directory of the generated artwork"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string artwork(const std::string& name) { return std::string(ZIMMO_ARTWORK_DIR) + "/" + name; }

std::uint32_t le16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t le32(const Bytes& b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// 0xRRGGBB
constexpr std::uint32_t kFrameKey = 0x0088DD;
constexpr std::uint32_t kMalloRgn8Key = 0x0080FF;
constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// A BMP file read back: uncompressed 8- or 24-bit, bottom-up, as the tool writes them.
struct Bmp {
    int width = 0, height = 0, bits = 0;
    std::size_t palette_size = 0;
    std::vector<std::uint32_t> pixels;  // top row first, 0xRRGGBB
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

::testing::AssertionResult load_bmp(const std::string& path, Bmp& out) {
    const Bytes b = read_file(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return ::testing::AssertionFailure() << path << ": not a BMP file";
    if (le32(b, 2) != b.size()) return ::testing::AssertionFailure() << path << ": file size field " << le32(b, 2) << " for " << b.size() << " bytes";
    if (le32(b, 14) != 40 || le32(b, 30) != 0) return ::testing::AssertionFailure() << path << ": not an uncompressed BITMAPINFOHEADER bitmap";
    out.width = int(le32(b, 18));
    out.height = int(le32(b, 22));
    out.bits = int(le16(b, 28));
    if (out.width <= 0 || out.height <= 0 || (out.bits != 8 && out.bits != 24))
        return ::testing::AssertionFailure() << path << ": " << out.width << "x" << out.height << " at " << out.bits << " bits";
    const std::size_t offset = le32(b, 10);
    out.palette_size = out.bits == 8 ? (le32(b, 46) ? le32(b, 46) : 256) : 0;
    if (out.palette_size > 256 || 54 + out.palette_size * 4 > offset)
        return ::testing::AssertionFailure() << path << ": palette overlaps the pixels";
    const std::size_t stride = ((std::size_t(out.width) * out.bits + 31) / 32) * 4;
    if (offset + stride * out.height > b.size()) return ::testing::AssertionFailure() << path << ": pixels cut short";
    out.pixels.assign(std::size_t(out.width) * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* row = b.data() + offset + stride * (out.height - 1 - y);
        for (int x = 0; x < out.width; ++x) {
            std::uint32_t c;
            if (out.bits == 24) {
                c = (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
            } else {
                if (row[x] >= out.palette_size) return ::testing::AssertionFailure() << path << ": index past the palette";
                const std::uint8_t* q = b.data() + 54 + 4 * row[x];
                c = (q[2] << 16) | (q[1] << 8) | q[0];
            }
            out.pixels[std::size_t(y) * out.width + x] = c;
        }
    }
    return ::testing::AssertionSuccess();
}

// Pieces of the pixels that are not `key`, with the 8-neighbourhood (the
// window region is their union; a diagonal touch still reads as one figure).
int figure_pieces(const Bmp& img, std::uint32_t key) {
    std::vector<bool> seen(img.pixels.size());
    int pieces = 0;
    for (int y0 = 0; y0 < img.height; ++y0)
        for (int x0 = 0; x0 < img.width; ++x0) {
            if (img.at(x0, y0) == key || seen[std::size_t(y0) * img.width + x0]) continue;
            ++pieces;
            std::vector<std::pair<int, int>> todo{{x0, y0}};
            seen[std::size_t(y0) * img.width + x0] = true;
            while (!todo.empty()) {
                const auto [x, y] = todo.back();
                todo.pop_back();
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= img.width || ny >= img.height || img.at(nx, ny) == key) continue;
                        if (!seen[std::size_t(ny) * img.width + nx]) {
                            seen[std::size_t(ny) * img.width + nx] = true;
                            todo.emplace_back(nx, ny);
                        }
                    }
            }
        }
    return pieces;
}

// Key pixels not reached from the border through key pixels (4-neighbourhood):
// spots inside the figure painted in the key colour, which would be holes in the window.
int enclosed_key_pixels(const Bmp& img, std::uint32_t key) {
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
        const std::array<std::pair<int, int>, 4> next{{{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}};
        for (const auto [nx, ny] : next) {
            if (nx < 0 || ny < 0 || nx >= img.width || ny >= img.height || img.at(nx, ny) != key) continue;
            if (!outside[std::size_t(ny) * img.width + nx]) {
                outside[std::size_t(ny) * img.width + nx] = true;
                todo.emplace_back(nx, ny);
            }
        }
    }
    int enclosed = 0;
    for (std::size_t i = 0; i < img.pixels.size(); ++i) enclosed += img.pixels[i] == key && !outside[i];
    return enclosed;
}

int figure_count(const Bmp& img, std::uint32_t key) {
    int n = 0;
    for (std::uint32_t c : img.pixels) n += c != key;
    return n;
}

// Share of figure pixels two frames have in common (intersection over union).
double overlap(const Bmp& a, std::uint32_t key_a, const Bmp& b, std::uint32_t key_b, bool mirror_b) {
    int both = 0, either = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const bool in_a = a.at(x, y) != key_a;
            const bool in_b = b.at(mirror_b ? b.width - 1 - x : x, y) != key_b;
            both += in_a && in_b;
            either += in_a || in_b;
        }
    return either ? double(both) / either : 0.0;
}

struct Character {
    const char* name;
    int height;
};
constexpr Character kCharacters[] = {{"mallo", 23}, {"tibbet", 23}, {"quon", 28}, {"oswy", 27}};

std::string frame_file(const Character& c, int frame) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s_rgn%02d.bmp", c.name, frame);
    return buf;
}
std::uint32_t frame_key(const Character& c, int frame) {
    return std::string(c.name) == "mallo" && frame == 8 ? kMalloRgn8Key : kFrameKey;
}

class FrameTest : public ::testing::Test {
protected:
    // frames[c][f - 1]
    void SetUp() override {
        for (std::size_t c = 0; c < std::size(kCharacters); ++c)
            for (int f = 1; f <= 12; ++f) ASSERT_TRUE(load_bmp(artwork(frame_file(kCharacters[c], f)), frames[c][f - 1]));
    }
    std::array<std::array<Bmp, 12>, 4> frames;
};

TEST_F(FrameTest, SizeDepthAndKeyColourOfEveryFrame) {
    for (std::size_t c = 0; c < std::size(kCharacters); ++c)
        for (int f = 1; f <= 12; ++f) {
            SCOPED_TRACE(frame_file(kCharacters[c], f));
            const Bmp& img = frames[c][f - 1];
            EXPECT_EQ(img.width, 24);
            EXPECT_EQ(img.height, kCharacters[c].height);
            EXPECT_EQ(img.bits, 24);
            // The key colour is the colour of the bottom-left pixel.
            EXPECT_EQ(img.at(0, img.height - 1), frame_key(kCharacters[c], f));
        }
}

TEST_F(FrameTest, FiguresAreWholeSolidAndOfASensibleSize) {
    for (std::size_t c = 0; c < std::size(kCharacters); ++c)
        for (int f = 1; f <= 12; ++f) {
            SCOPED_TRACE(frame_file(kCharacters[c], f));
            const Bmp& img = frames[c][f - 1];
            const std::uint32_t key = frame_key(kCharacters[c], f);
            EXPECT_EQ(figure_pieces(img, key), 1) << "stray pixels beside the figure";
            EXPECT_EQ(enclosed_key_pixels(img, key), 0) << "figure pixels in the key colour";
            const int area = img.width * img.height;
            const int figure = figure_count(img, key);
            EXPECT_GT(figure, area / 4) << "figure too small to click";
            EXPECT_LT(figure, area * 3 / 4) << "figure fills its frame like a box";
            // Neither key colour shows up in the other's frames: a frame painted
            // on the wrong key would be cut to a rectangle.
            for (std::uint32_t p : img.pixels) {
                ASSERT_NE(p, key == kFrameKey ? kMalloRgn8Key : kFrameKey);
            }
        }
}

TEST_F(FrameTest, EachDirectionAnimatesAndRightMirrorsLeft) {
    for (std::size_t c = 0; c < std::size(kCharacters); ++c) {
        const Character& ch = kCharacters[c];
        SCOPED_TRACE(ch.name);
        for (int first : {1, 4, 7, 10})
            for (int a = first; a < first + 3; ++a)
                for (int b = a + 1; b < first + 3; ++b)
                    EXPECT_LT(overlap(frames[c][a - 1], frame_key(ch, a), frames[c][b - 1], frame_key(ch, b), false), 1.0)
                        << "frames " << a << " and " << b << " have the same outline: that step does not move";
        // Walking left and walking right face opposite ways.
        for (int f = 7; f <= 9; ++f) {
            const double mirrored = overlap(frames[c][f - 1], frame_key(ch, f), frames[c][f + 2], frame_key(ch, f + 3), true);
            const double straight = overlap(frames[c][f - 1], frame_key(ch, f), frames[c][f + 2], frame_key(ch, f + 3), false);
            EXPECT_GT(mirrored, straight) << "frame " << f + 3 << " does not face the other way from frame " << f;
        }
        // Seen from behind and from the front: the same animal, differently drawn.
        EXPECT_NE(frames[c][1].pixels, frames[c][4].pixels) << "walking up shows the picture of walking down";
    }
}

TEST(CheckBoxStripTest, FourteenStylesOfFourCells) {
    Bmp strip;
    ASSERT_TRUE(load_bmp(artwork("checkbox.bmp"), strip));
    EXPECT_EQ(strip.width, 1008);
    EXPECT_EQ(strip.height, 18);
    EXPECT_EQ(strip.bits, 8);
    ASSERT_EQ(strip.width % (4 * strip.height), 0);
    const int cell = strip.height;
    auto cell_pixels = [&](int index) {
        // What a 13x13 check box shows of a cell: columns 0..12, rows 2..14.
        std::vector<std::uint32_t> seen;
        for (int y = 2; y <= 14; ++y)
            for (int x = 0; x <= 12; ++x) seen.push_back(strip.at(index * cell + x, y));
        return seen;
    };
    for (int index = 0; index < strip.width / cell; ++index) {
        SCOPED_TRACE("cell " + std::to_string(index));
        EXPECT_EQ(strip.at(index * cell, cell - 1), kMagenta);
        const auto seen = cell_pixels(index);
        EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](std::uint32_t p) { return p != kMagenta; }), 12)
            << "a 13x13 box shows almost nothing of this cell";
    }
    for (int style = 0; style < 14; ++style) {
        SCOPED_TRACE("style " + std::to_string(style + 1));
        const int base = style * 4;
        EXPECT_NE(cell_pixels(base + 0), cell_pixels(base + 1)) << "checked looks like unchecked";
        EXPECT_NE(cell_pixels(base + 2), cell_pixels(base + 3)) << "disabled checked looks like disabled unchecked";
        EXPECT_NE(cell_pixels(base + 0), cell_pixels(base + 2)) << "disabled looks like enabled";
        EXPECT_NE(cell_pixels(base + 1), cell_pixels(base + 3)) << "disabled looks like enabled";
    }
}

TEST(PicturesTest, SizesAndDepths) {
    struct Case {
        const char* file;
        int width, height, bits;
        std::uint32_t bottom_left;  // 0xFFFFFFFF: any
    } cases[] = {
        {"settings_background.bmp", 350, 350, 8, 0xFFFFFFFF},
        {"settings_info.bmp", 53, 16, 24, 0xFFFFFFFF},
        {"settings_next.bmp", 24, 17, 24, 0xFFFFFFFF},
        {"settings_prev.bmp", 24, 18, 24, 0xFFFFFFFF},
        {"settings_close.bmp", 37, 16, 24, 0xFFFFFFFF},
        {"ttfont.bmp", 16, 16, 8, kMagenta},
        {"devicefont.bmp", 16, 16, 8, kMagenta},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Bmp img;
        ASSERT_TRUE(load_bmp(artwork(c.file), img));
        EXPECT_EQ(img.width, c.width);
        EXPECT_EQ(img.height, c.height);
        EXPECT_EQ(img.bits, c.bits);
        if (c.bottom_left != 0xFFFFFFFF) {
            EXPECT_EQ(img.at(0, img.height - 1), c.bottom_left);
            EXPECT_GT(figure_count(img, c.bottom_left), 20) << "glyph is (nearly) empty";
        }
        std::set<std::uint32_t> colours(img.pixels.begin(), img.pixels.end());
        EXPECT_GT(colours.size(), 1u) << "a picture of one colour";
    }
}

TEST(PortraitTest, ColourAndGreyPortraitsMatch) {
    for (const Character& ch : kCharacters) {
        SCOPED_TRACE(ch.name);
        Bmp colour, grey;
        ASSERT_TRUE(load_bmp(artwork(std::string("portrait_") + ch.name + ".bmp"), colour));
        ASSERT_TRUE(load_bmp(artwork(std::string("portrait_") + ch.name + "_grey.bmp"), grey));
        for (const Bmp* img : {&colour, &grey}) {
            EXPECT_EQ(img->width, 48);
            EXPECT_EQ(img->height, 48);
            EXPECT_EQ(img->bits, 24);
            // Opaque on a white ground: the upper corners are white, the bust is not.
            EXPECT_EQ(img->at(0, 0), kWhite);
            EXPECT_EQ(img->at(47, 0), kWhite);
            EXPECT_GT(48 * 48 - figure_count(*img, kWhite), 48 * 48 / 4);
        }
        int coloured = 0;
        for (std::size_t i = 0; i < colour.pixels.size(); ++i) {
            const std::uint32_t c = colour.pixels[i], g = grey.pixels[i];
            const int r = c >> 16, gr = (c >> 8) & 0xFF, b = c & 0xFF;
            const int y = (299 * r + 587 * gr + 114 * b + 500) / 1000;
            ASSERT_EQ(g, std::uint32_t(y * 0x010101)) << "grey pixel " << i << " is not the brightness of its colour pixel";
            coloured += !(r == gr && gr == b);
        }
        EXPECT_GT(coloured, 100) << "the colour portrait is grey already";
    }
}

TEST(IconTest, ThirtyTwoAndSixteenPixelsInTwoHundredFiftySixColours) {
    const Bytes ico = read_file(artwork("zimmo.ico"));
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u);
    ASSERT_EQ(le16(ico, 4), 2u);
    const int sides[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const std::size_t entry = 6 + 16 * std::size_t(i);
        ASSERT_GE(ico.size(), entry + 16);
        const int side = sides[i];
        EXPECT_EQ(ico[entry], side);
        EXPECT_EQ(ico[entry + 1], side);
        EXPECT_EQ(le16(ico, entry + 6), 8u);
        const std::size_t size = le32(ico, entry + 8), at = le32(ico, entry + 12);
        ASSERT_LE(at + size, ico.size());
        // BITMAPINFOHEADER of twice the height (colour bits, then the mask), 256-entry palette.
        EXPECT_EQ(le32(ico, at), 40u);
        EXPECT_EQ(int(le32(ico, at + 4)), side);
        EXPECT_EQ(int(le32(ico, at + 8)), 2 * side);
        EXPECT_EQ(le16(ico, at + 14), 8u);
        const std::size_t mask_stride = ((side + 31) / 32) * 4;
        ASSERT_EQ(size, 40 + 1024 + std::size_t(side) * side + mask_stride * side);
        int see_through = 0;
        const std::size_t mask = at + 40 + 1024 + std::size_t(side) * side;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) see_through += (ico[mask + y * mask_stride + x / 8] >> (7 - x % 8)) & 1;
        EXPECT_GT(see_through, 0) << "an icon without see-through corners";
        EXPECT_LT(see_through, side * side / 2) << "an icon that is mostly see-through";
    }
}

TEST(ResourceTableTest, CarriesTheGeneratedFilesByName) {
    struct Case {
        const char* name;
        const char* type;
        const char* file;
    } cases[] = {
        {"CHECKBOX", "BITMAP", "checkbox.bmp"},
        {"TTFONT", "BITMAP", "ttfont.bmp"},
        {"DEVICEFONT", "BITMAP", "devicefont.bmp"},
        {"MAINICON", "ICON", "zimmo.ico"},
        {"SETTINGS_BACKGROUND", "BITMAP", "settings_background.bmp"},
        {"PORTRAIT_QUON_GREY", "BITMAP", "portrait_quon_grey.bmp"},
        {"MALLO_RGN08", "BITMAP", "mallo_rgn08.bmp"},
        {"OSWY_RGN12", "BITMAP", "oswy_rgn12.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const zimmo_resources::Entry* found = nullptr;
        for (unsigned long i = 0; i < zimmo_resources::kEntryCount; ++i)
            if (std::strcmp(zimmo_resources::kEntries[i].name, c.name) == 0 && std::strcmp(zimmo_resources::kEntries[i].type, c.type) == 0)
                found = &zimmo_resources::kEntries[i];
        ASSERT_NE(found, nullptr);
        const Bytes file = read_file(artwork(c.file));
        ASSERT_EQ(found->size, file.size());
        EXPECT_EQ(std::memcmp(found->data, file.data(), file.size()), 0);
    }
    // Every entry is unique by type and name; every bitmap is a whole BMP file.
    std::set<std::string> keys;
    int pictures = 0;
    for (unsigned long i = 0; i < zimmo_resources::kEntryCount; ++i) {
        const zimmo_resources::Entry& e = zimmo_resources::kEntries[i];
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(keys.insert(std::string(e.type) + "/" + e.name).second) << "given twice";
        pictures += std::strcmp(e.type, "FORM") != 0;
        if (std::strcmp(e.type, "BITMAP") == 0) {
            ASSERT_GE(e.size, 54u);
            EXPECT_EQ(e.data[0], 'B');
            EXPECT_EQ(e.data[1], 'M');
            EXPECT_EQ(e.data[2] | (e.data[3] << 8) | (e.data[4] << 16) | (std::uint32_t(e.data[5]) << 24), e.size);
        }
    }
    EXPECT_EQ(pictures, 48 + 8 + 5 + 3 + 1 + 4)
        << "frames, portraits, settings pictures, check-box bitmaps, the icon and the gallery's frames";
}

}  // namespace

// ---------------------------------------------------------------- the tool itself
#ifdef ZIMMO_PIXELART
namespace {

struct ToolRun {
    int status = 0;
    std::string output;  // what the tool printed on stderr
};

// Runs zimmo_pixelart with `args` (already quoted as needed) in `dir`.
ToolRun run_tool(const std::string& dir, const std::string& args) {
    const std::string command = "cd '" + dir + "' && '" ZIMMO_PIXELART "' " + args + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) run.output += buf;
    run.status = pclose(pipe);
    return run;
}

class PixelArtToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zimmo-pixelart-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }
    bool exists(const std::string& name) { return std::ifstream(dir_ + "/" + name).good(); }
    std::string dir_;
};

// A 6x4 frame on the key colour, one solid figure.
const char* const kGoodFrame =
    ". = #0088DD\n"
    "o = #000000\n"
    "p = #FF8080\n"
    "......\n"
    ".oooo.\n"
    ".oppo.\n"
    "..oo..\n";

TEST_F(PixelArtToolTest, BrokenSourcesStopWithFileLineAndReason) {
    struct Case {
        const char* what;
        const char* source;   // written to src.txt
        const char* args;     // after "bmp src.txt out.bmp"
        const char* message;  // expected in the output
    } cases[] = {
        {"ragged row", ". = #0088DD\no = #000000\n......\n.ooo.\n", "", "src.txt:4: row is 5 pixels wide, the first row 6"},
        {"unknown character", ". = #0088DD\no = #000000\n......\n.oxo..\n", "", "src.txt:4: character \"x\" is not in the palette"},
        {"bad colour", ". = #0088DD\no = #00GG00\n......\n", "", "src.txt:2: \"#00GG00\" is not a colour"},
        {"unknown directive", "frobnicate 3\n", "", "src.txt:1: unknown directive \"frobnicate\""},
        {"wrong size", kGoodFrame, "--size 6x5", "src.txt:4: picture is 6x4, it must be 6x5"},
        {"figure in the key colour", ". = #0088DD\no = #0088DD\n......\n..oo..\n......\n", "--key 0088DD",
         "src.txt:2: 'o' has the key colour #0088DD"},
        {"dot is not the key", ". = #0080FF\no = #000000\n......\n..oo..\n......\n", "--key 0088DD",
         "src.txt:1: '.' is #0080FF, the key colour here is #0088DD"},
        {"figure at the bottom-left", ". = #0088DD\no = #000000\n......\n..oo..\noo....\n", "--key 0088DD",
         "src.txt:5: bottom-left pixel must be '.'"},
        {"stray pixel", ". = #0088DD\no = #000000\n....o.\n.oo...\n......\n", "--key 0088DD --connected",
         "src.txt:3: pixel at column 4 (and 0 joined to it) is not joined to the figure"},
        {"hole", ". = #0088DD\no = #000000\n......\n.ooo..\n.o.o..\n.ooo..\n......\n", "--key 0088DD --connected",
         "src.txt:5: pixel at column 2 is the key colour inside the figure"},
        {"empty figure", ". = #0088DD\n......\n......\n", "--key 0088DD --connected", "the picture has no figure"},
        {"too many colours",
         "canvas 300 2 #000000\nhgradient 0 0 300 1 #000000 #FFFFFF 300\nhgradient 0 1 300 1 #FF0000 #00FF00 300\n", "--bits 8",
         "colours; an 8-bit bitmap holds at most 256"},
        {"mirror of itself", "mirror src.txt\n", "", "sources refer to one another in a loop"},
        {"missing palette file", "palette nowhere.txt\n......\n", "", "nowhere.txt:0: cannot open the file"},
        {"grid without end", "canvas 4 4 #000000\ngrid 0 0\n", "", "\"grid\" without \"end\""},
        {"pixels outside a grid", "canvas 4 4 #000000\n....\n", "", "src.txt:2: pixel rows of a scene belong between"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove((dir_ + "/out.bmp").c_str());
        write("src.txt", c.source);
        const ToolRun run = run_tool(dir_, std::string("bmp src.txt out.bmp ") + c.args);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        // Nothing is left behind that make would take for a finished output.
        EXPECT_FALSE(exists("out.bmp"));
    }
}

TEST_F(PixelArtToolTest, StripCellsAndIconAreChecked) {
    struct Case {
        const char* what;
        const char* source;
        const char* args;
        const char* message;
    } cases[] = {
        {"cells of the wrong height", ". = #FF00FF\n......\n......\n", "strip out.bmp --cell 3 src.txt",
         "src.txt:2: a row of cells is 3 pixels high and a multiple of 3 wide, not 6x2"},
        {"second cell not magenta at the bottom left", ". = #FF00FF\nx = #000000\n....\n..x.\n", "strip out.bmp --cell 2 src.txt",
         "src.txt:4: cell 1: bottom-left pixel must be #FF00FF"},
        {"strip of the wrong width", ". = #FF00FF\n....\n....\n", "strip out.bmp --cell 2 --size 6x2 src.txt",
         "picture is 4x2, it must be 6x2"},
        {"icon side", kGoodFrame, "icon out.bmp --key 0088DD src.txt:16", "src.txt:4: picture is 6x4, it must be 16x16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write("src.txt", c.source);
        const ToolRun run = run_tool(dir_, c.args);
        EXPECT_NE(run.status, 0) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_FALSE(exists("out.bmp"));
    }
}

TEST_F(PixelArtToolTest, MirroredFrameIsTheOriginalFlipped) {
    write("a.txt", kGoodFrame);
    write("b.txt", "mirror a.txt\n");
    write("c.txt", "// left side lit\n. = #0088DD\no = #000000\np = #FF8080\nq = #80FF80\n......\n.oooo.\n.opqo.\n..oo..\n");
    write("d.txt", "mirror c.txt\nq = #8080FF\n");
    ASSERT_EQ(run_tool(dir_, "bmp c.txt c.bmp --size 6x4 --key 0088DD --connected").status, 0);
    ASSERT_EQ(run_tool(dir_, "bmp d.txt d.bmp --size 6x4 --key 0088DD --connected").status, 0);
    Bmp c, d;
    ASSERT_TRUE(load_bmp(dir_ + "/c.bmp", c));
    ASSERT_TRUE(load_bmp(dir_ + "/d.bmp", d));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const std::uint32_t expect = c.at(5 - x, y) == 0x80FF80 ? 0x8080FF : c.at(5 - x, y);
            EXPECT_EQ(d.at(x, y), expect) << x << "," << y;
        }
    // A fault in the mirrored rows is reported at the line of the original.
    write("e.txt", ". = #0088DD\no = #000000\n......\n.o....\n.....o\n");
    write("f.txt", "mirror e.txt\n");
    const ToolRun run = run_tool(dir_, "bmp f.txt f.bmp --key 0088DD");
    EXPECT_NE(run.output.find("e.txt:5: bottom-left pixel must be '.'"), std::string::npos) << run.output;
}

TEST_F(PixelArtToolTest, EightBitOutputKeepsEveryColour) {
    // Scene drawing, pasted grids with '.' left out, and the palette of an 8-bit file.
    write("g.txt", ". = #FF00FF\nx = #123456\n.x\nx.\n");
    write("s.txt",
          "canvas 8 4 #FFFFFF\n"
          "rect 0 0 4 4 #102030\n"
          "frame 4 0 4 4 #405060\n"
          "paste 5 1 g.txt\n"
          "grid 0 0\nk = #000000\nk.\nend\n");
    ASSERT_EQ(run_tool(dir_, "bmp s.txt s.bmp --size 8x4 --bits 8").status, 0);
    Bmp s;
    ASSERT_TRUE(load_bmp(dir_ + "/s.bmp", s));
    EXPECT_EQ(s.bits, 8);
    struct Case {
        int x, y;
        std::uint32_t colour;
    } cases[] = {
        {0, 0, 0x000000}, {1, 0, 0x102030}, {3, 3, 0x102030}, {4, 0, 0x405060}, {7, 3, 0x405060},
        {5, 1, 0xFFFFFF}, {6, 1, 0x123456}, {5, 2, 0x123456}, {6, 2, 0xFFFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(s.at(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST_F(PixelArtToolTest, TableNamesAreUpperCaseAndUnique) {
    write("form.txt", "object Form1: TForm1\nend\n");
    ASSERT_EQ(run_tool(dir_, "table t.cpp TForm1 FORM form.txt").status, 0);
    const Bytes table = read_file(dir_ + "/t.cpp");
    const std::string text(table.begin(), table.end());
    EXPECT_NE(text.find("{\"TFORM1\", \"FORM\", kData0, 25ul}"), std::string::npos) << text;
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"table t2.cpp TForm1 FORM form.txt TFORM1 FORM form.txt", "resource TFORM1 given twice"},
        {"table t2.cpp T-Form FORM form.txt", "resource name \"T-Form\" must be letters, digits and '_'"},
        {"table t2.cpp A FORM missing.txt", "missing.txt: cannot open the file"},
        {"table t2.cpp A FORM", "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun run = run_tool(dir_, c.args);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_FALSE(exists("t2.cpp"));
    }
}

}  // namespace
#endif
