// Resources compiled into the program, in the forms the platform reads:
// bitmaps as BMP files, icons as .ico files, other types as stored.
#include <map>
#include <utility>
#include <vector>

#include "platform/win32/Backend.h"
#include "platform/win32/ResourceFiles.h"

namespace win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> raw_resource(LPCWSTR name, LPCWSTR type) {
    HRSRC found = ::FindResourceW(nullptr, name, type);
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(nullptr, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return {};
    // Resource memory lasts as long as the module: no copy is needed.
    return {static_cast<const std::uint8_t*>(data), ::SizeofResource(nullptr, found)};
}

// Assembled files, kept for the whole run: callers hold spans into them.
std::map<std::pair<std::string, std::string>, Bytes>& assembled() {
    static auto* files = new std::map<std::pair<std::string, std::string>, Bytes>;
    return *files;
}

}  // namespace
}  // namespace win32

namespace os {

std::optional<std::span<const std::uint8_t>> find_resource(std::string_view name, std::string_view type) {
    if (name.empty()) return std::nullopt;
    auto& cache = win32::assembled();
    const auto key = std::make_pair(std::string(name), std::string(type));
    if (auto it = cache.find(key); it != cache.end()) return std::span<const std::uint8_t>(it->second);

    const std::wstring wide_name = win32::widen(name);
    std::optional<win32::Bytes> made;
    if (type == "BITMAP") {
        std::span<const std::uint8_t> dib = win32::raw_resource(wide_name.c_str(), RT_BITMAP);
        if (dib.empty()) return std::nullopt;
        made = win32::bmp_file_from_dib(dib);
    } else if (type == "ICON") {
        std::span<const std::uint8_t> group = win32::raw_resource(wide_name.c_str(), RT_GROUP_ICON);
        if (group.empty()) return std::nullopt;
        made = win32::ico_file_from_group(
            group, [](std::uint16_t id) { return win32::raw_resource(MAKEINTRESOURCEW(id), RT_ICON); });
    } else {
        // Form resources are RCDATA; any other type is looked up by its name.
        const std::wstring wide_type = win32::widen(type);
        std::span<const std::uint8_t> raw =
            win32::raw_resource(wide_name.c_str(), type == "FORM" ? RT_RCDATA : wide_type.c_str());
        if (raw.empty()) return std::nullopt;
        return raw;
    }
    if (!made) return std::nullopt;
    return std::span<const std::uint8_t>(cache.emplace(key, std::move(*made)).first->second);
}

}  // namespace os
