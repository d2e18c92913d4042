// The profile functions of the headless backend: real files on the local
// file system (UTF-8 paths), read and rewritten by the rules in ProfileText.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/ProfileText.h"
#include "platform/os.h"

namespace {

// The file's bytes: empty when there is no file, nothing when it exists but
// cannot be read (it is then not rewritten either).
std::optional<std::string> ReadProfileFile(const std::filesystem::path& path, bool* exists) {
    std::error_code ec;
    *exists = std::filesystem::exists(path, ec);
    if (!*exists) return std::string();
    if (std::filesystem::is_directory(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

namespace os {

std::string get_profile_string(std::string_view file, std::string_view section, std::string_view key,
                               std::string_view default_value, std::size_t buffer_size) {
    bool exists = false;
    std::optional<std::string> bytes = ReadProfileFile(std::filesystem::path(std::string(file)), &exists);
    return ProfileText::GetString(bytes ? *bytes : std::string(), section, key, default_value, buffer_size);
}

bool write_profile_string(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view value) {
    if (file.empty()) return false;
    const std::filesystem::path path{std::string(file)};
    bool exists = false;
    std::optional<std::string> old = ReadProfileFile(path, &exists);
    if (!old) return false;
    std::string updated;
    try {
        updated = ProfileText::SetString(*old, section, key, value);
    } catch (const EConvertError&) {
        return false;
    }
    // Like the system, an unchanged file is not written at all.
    if (exists && updated == *old) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
    out.close();
    return !out.fail();
}

}  // namespace os
