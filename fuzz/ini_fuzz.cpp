// ProfileText on arbitrary bytes: lookups and a write must stay in bounds,
// a read fits its buffer, and a write changes at most one line (or adds new
// ones) and reads back. Input: section, key, value, a second section and key
// (FuzzedDataProvider strings, each ended by "\ "), then the file; the last
// byte is the buffer size.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Exceptions.h"
#include "platform/core/ProfileText.h"

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }
std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names that may match each other (byte-wise ASCII case folding finds every
// pair the profile rules match, and a few more).
bool MayMatch(std::string_view a, std::string_view b) {
    a = Trim(UpToNul(a));
    b = Trim(UpToNul(b));
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
               return up(x) == up(y);
           });
}

// Text that writes as one ordinary line: no line ends, and nothing that
// would turn the written line into a header or move its '='.
bool Plain(std::string_view s) {
    s = UpToNul(s);
    return s.find_first_of("\r\n") == std::string_view::npos && (s.empty() || !IsLeadByte(s.back()));
}

// Byte-order marks: a file that starts with one is UTF-16 text (not
// rewritten) or has a UTF-8 mark (skipped when read).
bool StartsUtf16(std::string_view s) { return s.substr(0, 2) == "\xff\xfe" || s.substr(0, 2) == "\xfe\xff"; }
bool StartsWithMark(std::string_view s) { return StartsUtf16(s) || s.substr(0, 3) == "\xef\xbb\xbf"; }

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t bufferSize = in.ConsumeIntegralInRange<std::size_t>(0, 255);
    const std::string section = in.ConsumeRandomLengthString(64);
    const std::string key = in.ConsumeRandomLengthString(64);
    const std::string value = in.ConsumeRandomLengthString(256);
    const std::string section2 = in.ConsumeRandomLengthString(64);
    const std::string key2 = in.ConsumeRandomLengthString(64);
    const std::string file = in.ConsumeRemainingBytesAsString();

    // Reads: the cut result fits and starts the whole one.
    const std::string whole = ProfileText::GetString(file, section, key, value, 1 << 20);
    const std::string cut = ProfileText::GetString(file, section, key, value, bufferSize);
    Check(cut.size() + 1 <= std::max<std::size_t>(bufferSize, 1), "read fits the buffer");
    Check(whole.compare(0, cut.size(), cut) == 0, "a cut read starts the whole read");
    const std::string other = ProfileText::GetString(file, section2, key2, "", 1 << 20);

    std::string after;
    try {
        after = ProfileText::SetString(file, section, key, value);
    } catch (const EConvertError&) {
        Check(StartsUtf16(file), "only UTF-16 files are refused");
        return 0;
    }

    // Everything outside one line is kept: the bytes that went are within a line.
    std::size_t prefix = 0;
    while (prefix < file.size() && prefix < after.size() && file[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < file.size() - prefix && suffix < after.size() - prefix &&
           file[file.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string_view removed = std::string_view(file).substr(prefix, file.size() - prefix - suffix);
    Check(removed.find_first_of("\r\n") == std::string_view::npos, "a write changes at most one line");

    const std::string_view keyText = Trim(UpToNul(key));
    const bool plain = Plain(section) && Plain(key) && Plain(value) &&
                       UpToNul(section).find(']') == std::string_view::npos &&
                       keyText.find('=') == std::string_view::npos && (keyText.empty() || keyText.front() != '[') &&
                       !StartsWithMark(keyText);  // a key may open the file
    if (!plain) return 0;

    // The key reads back as the value, other keys read as before, and writing
    // the same again changes nothing.
    Check(ProfileText::GetString(after, section, key, "<none>", 1 << 20) ==
              ProfileText::GetString("k=" + std::string(UpToNul(value)), "", "k", "<none>", 1 << 20),
          "the written value reads back");
    if (!(MayMatch(section, section2) && MayMatch(key, key2)))
        Check(ProfileText::GetString(after, section2, key2, "", 1 << 20) == other, "other keys are untouched");
    const std::string_view valueText = UpToNul(value);
    if (valueText.empty() || !IsBlank(valueText.back()))
        Check(ProfileText::SetString(after, section, key, value) == after, "writing twice changes nothing");
    return 0;
}
