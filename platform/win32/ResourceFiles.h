// The files a resource compiler took apart, put together again: a bitmap
// resource (a BMP file without its file header) and an icon group (a
// directory naming separate images) become BMP and .ico files.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace win32 {

// Nothing when the info header is too short or of an unknown size.
std::optional<std::vector<std::uint8_t>> bmp_file_from_dib(std::span<const std::uint8_t> dib);

// image(id) gives the bytes of the icon image resource with that ordinal
// (empty when there is none). Nothing when the group or an image is missing.
std::optional<std::vector<std::uint8_t>> ico_file_from_group(
    std::span<const std::uint8_t> group, const std::function<std::span<const std::uint8_t>(std::uint16_t)>& image);

}  // namespace win32
