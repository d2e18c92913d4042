// Bitmap and icon resources put together again as files. Portable: only the
// byte layouts of the BMP and .ico formats are involved.
#include "platform/win32/ResourceFiles.h"

namespace win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBitFields = 3, kAlphaBitFields = 6;  // BI_BITFIELDS, BI_ALPHABITFIELDS
constexpr std::size_t kFileHeader = 14, kGroupEntry = 14, kFileEntry = 16;

std::uint32_t read_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t read_u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void put_u16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put_u32(Bytes& out, std::uint32_t v) {
    put_u16(out, static_cast<std::uint16_t>(v));
    put_u16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> bmp_file_from_dib(std::span<const std::uint8_t> dib) {
    // The pixels follow the info header, the colour masks and the palette.
    if (dib.size() < 12) return std::nullopt;
    const std::uint32_t header_size = read_u32(dib.data());
    std::uint64_t table = 0;
    if (header_size == 12) {  // BITMAPCOREHEADER: 3-byte palette entries, always full
        const unsigned bits = read_u16(dib.data() + 10);
        if (bits <= 8) table = 3ull << bits;
    } else {
        if (header_size < 40 || dib.size() < 40) return std::nullopt;
        const unsigned bits = read_u16(dib.data() + 14);
        const std::uint32_t compression = read_u32(dib.data() + 16);
        const std::uint32_t used = read_u32(dib.data() + 32);
        const std::uint64_t colors = used ? used : (bits <= 8 ? 1ull << bits : 0);
        table = colors * 4;
        // The masks follow a plain info header; the larger headers hold them.
        if (header_size == 40 && compression == kBitFields) table += 12;
        if (header_size == 40 && compression == kAlphaBitFields) table += 16;
    }
    const std::uint64_t offset = kFileHeader + header_size + table;
    const std::uint64_t size = kFileHeader + dib.size();
    if (offset > size || size > 0xFFFFFFFFull) return std::nullopt;
    Bytes file;
    file.reserve(static_cast<std::size_t>(size));
    file.push_back('B');
    file.push_back('M');
    put_u32(file, static_cast<std::uint32_t>(size));
    put_u32(file, 0);  // reserved
    put_u32(file, static_cast<std::uint32_t>(offset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

std::optional<std::vector<std::uint8_t>> ico_file_from_group(
    std::span<const std::uint8_t> group, const std::function<std::span<const std::uint8_t>(std::uint16_t)>& image) {
    // Both directories share the first 12 bytes of an entry; the group ends
    // an entry with the image's ordinal, the file with its offset.
    if (group.size() < 6 || read_u16(group.data() + 2) != 1) return std::nullopt;
    const std::size_t count = read_u16(group.data() + 4);
    if (count == 0 || group.size() < 6 + count * kGroupEntry) return std::nullopt;
    std::vector<std::span<const std::uint8_t>> images;
    std::uint64_t total = 6 + count * kFileEntry;
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> bytes = image(read_u16(group.data() + 6 + i * kGroupEntry + 12));
        if (bytes.empty()) return std::nullopt;
        images.push_back(bytes);
        total += bytes.size();
    }
    if (total > 0xFFFFFFFFull) return std::nullopt;
    Bytes file;
    file.reserve(static_cast<std::size_t>(total));
    put_u16(file, 0);
    put_u16(file, 1);
    put_u16(file, static_cast<std::uint16_t>(count));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + count * kFileEntry);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = group.data() + 6 + i * kGroupEntry;
        file.insert(file.end(), entry, entry + 8);  // size, colours, reserved, planes, bit count
        put_u32(file, static_cast<std::uint32_t>(images[i].size()));
        put_u32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& bytes : images) file.insert(file.end(), bytes.begin(), bytes.end());
    return file;
}

}  // namespace win32
