#include "Encode.h"

#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace pixelart {
namespace {

constexpr int kPixelsPerMetre = 3780;  // 96 dots per inch

void put16(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
std::size_t stride(int width, int bits) { return ((std::size_t(width) * bits + 31) / 32) * 4; }

void put_info_header(Bytes& out, int width, int height, int bits, std::uint32_t image_size, std::uint32_t colours) {
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0);  // BI_RGB
    put32(out, image_size);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, colours);
    put32(out, 0);
}

void put_file_header(Bytes& out, std::uint32_t file_size, std::uint32_t bits_offset) {
    out.push_back('B');
    out.push_back('M');
    put32(out, file_size);
    put32(out, 0);
    put32(out, bits_offset);
}

void put_palette(Bytes& out, const std::vector<Rgb>& palette) {
    for (int i = 0; i < 256; ++i) {
        const Rgb c = i < int(palette.size()) ? palette[i] : Rgb{};
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }
}

// Bottom row first, each row padded to four bytes.
void put_indices(Bytes& out, const Indexed& ix, int width, int height) {
    const std::size_t pad = stride(width, 8) - std::size_t(width);
    for (int y = height - 1; y >= 0; --y) {
        out.insert(out.end(), ix.indices.begin() + std::ptrdiff_t(y) * width, ix.indices.begin() + std::ptrdiff_t(y + 1) * width);
        out.insert(out.end(), pad, 0);
    }
}

}  // namespace

Indexed index_colours(const Image& img, const std::vector<Rgb>& first) {
    Indexed ix;
    std::unordered_map<std::uint32_t, std::uint8_t> seen;
    auto add = [&](Rgb c) -> std::uint8_t {
        const auto [it, fresh] = seen.try_emplace(c.packed(), std::uint8_t(0));
        if (fresh) {
            if (ix.palette.size() == 256) throw std::length_error("more than 256 colours");
            it->second = std::uint8_t(ix.palette.size());
            ix.palette.push_back(c);
        }
        return it->second;
    };
    for (Rgb c : first) add(c);
    ix.indices.reserve(img.pixels.size());
    for (Rgb c : img.pixels) ix.indices.push_back(add(c));
    return ix;
}

std::size_t count_colours(const Image& img) {
    std::unordered_map<std::uint32_t, bool> seen;
    for (Rgb c : img.pixels) seen[c.packed()] = true;
    return seen.size();
}

Bytes encode_bmp24(const Image& img) {
    const std::size_t row = stride(img.width, 24);
    const auto image_size = std::uint32_t(row * img.height);
    Bytes out;
    out.reserve(54 + image_size);
    put_file_header(out, 54 + image_size, 54);
    put_info_header(out, img.width, img.height, 24, image_size, 0);
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const Rgb c = img.at(x, y);
            out.insert(out.end(), {c.b, c.g, c.r});
        }
        out.insert(out.end(), row - std::size_t(img.width) * 3, 0);
    }
    return out;
}

Bytes encode_bmp8(const Image& img) {
    const Indexed ix = index_colours(img);
    const auto image_size = std::uint32_t(stride(img.width, 8) * img.height);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    Bytes out;
    out.reserve(offset + image_size);
    put_file_header(out, offset + image_size, offset);
    put_info_header(out, img.width, img.height, 8, image_size, 256);
    put_palette(out, ix.palette);
    put_indices(out, ix, img.width, img.height);
    return out;
}

Bytes encode_ico(const std::vector<IconImage>& images) {
    std::vector<Bytes> bodies;
    for (const IconImage& icon : images) {
        const Image& img = icon.image;
        // Index 0 is black: the colour a see-through pixel carries under its mask.
        Image solid = img;
        for (Rgb& c : solid.pixels)
            if (c == icon.transparent) c = Rgb{};
        const Indexed ix = index_colours(solid, {Rgb{}});
        const std::size_t mask_row = stride(img.width, 1);
        const auto xor_size = std::uint32_t(stride(img.width, 8) * img.height);
        const auto and_size = std::uint32_t(mask_row * img.height);
        Bytes body;
        put_info_header(body, img.width, img.height * 2, 8, xor_size + and_size, 0);
        put_palette(body, ix.palette);
        put_indices(body, ix, img.width, img.height);
        for (int y = img.height - 1; y >= 0; --y) {
            Bytes row(mask_row, 0);
            for (int x = 0; x < img.width; ++x)
                if (img.at(x, y) == icon.transparent) row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }
    Bytes out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, unsigned(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Image& img = images[i].image;
        out.push_back(std::uint8_t(img.width >= 256 ? 0 : img.width));
        out.push_back(std::uint8_t(img.height >= 256 ? 0 : img.height));
        out.push_back(0);  // 256 colours
        out.push_back(0);
        put16(out, 1);
        put16(out, 8);
        put32(out, std::uint32_t(bodies[i].size()));
        put32(out, offset);
        offset += std::uint32_t(bodies[i].size());
    }
    for (const Bytes& b : bodies) out.insert(out.end(), b.begin(), b.end());
    return out;
}

void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error(path + ": cannot write the file");
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open the file");
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pixelart
