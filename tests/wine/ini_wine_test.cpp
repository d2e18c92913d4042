// ProfileText against the system's own profile functions: the same awkward
// files read by ProfileText::GetString and by GetPrivateProfileStringA, and
// written by ProfileText::SetString and by WritePrivateProfileStringA.
//
// Reads must agree byte for byte. Writes are compared three ways: both leave
// the file alone or both change it; both files give the same answers to the
// system's own reader; and both are the same file once put in the form the
// system writes (this system rewrites the whole file: every entry as
// "name=value", no blank lines, CR LF; ProfileText keeps untouched lines as
// they were). Files already in that form must come out byte for byte equal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ProfileText.h"

#include <windows.h>

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// ------------------------------------------------------------------ files in the prefix's temp folder

class TempFolder {
public:
    TempFolder() {
        char temp[MAX_PATH];
        DWORD n = GetTempPathA(MAX_PATH, temp);
        EXPECT_GT(n, 0u);
        path_ = std::string(temp, n) + "zimmo-ini-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& f : files_) DeleteFileA(f.c_str());
        RemoveDirectoryA(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // A new file name each time: the system caches files it has read by name.
    std::string NewFile(std::string_view bytes) {
        std::string name = path_ + "f" + std::to_string(files_.size()) + ".ini";
        files_.push_back(name);
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return name;
    }
    static std::string Read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string SystemGet(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& def, DWORD size) {
    std::vector<char> buffer(size + 8, '\x7f');
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(), size, file.c_str());
    if (size > 0) {
        EXPECT_EQ(buffer[n], '\0');
    }
    return std::string(buffer.data(), n);
}

// C strings, as the system sees them.
std::string C(std::string_view s) { return std::string(s.substr(0, s.find('\0'))); }

// ------------------------------------------------------------------ the form in which this system writes a file

bool Blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1a; }
std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}
bool Lead(unsigned char c) { return GetACP() == 932 && ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)); }
bool Trail(unsigned char c) { return (c >= 0x40 && c <= 0x7e) || (c >= 0x80 && c <= 0xfc); }

std::string Canonical(std::string_view bytes) {
    std::string out;
    if (bytes.substr(0, 3) == "\xef\xbb\xbf") {
        out = bytes.substr(0, 3);
        bytes.remove_prefix(3);
    }
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(i, end - i);
        i = end;
        if (i < bytes.size()) i += (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;

        std::string_view t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '[') {
            std::size_t close = std::string_view::npos;
            for (std::size_t k = 1; k < t.size(); ++k) {
                if (t[k] == ']') close = k;
                if (Lead(t[k]) && k + 1 < t.size() && Trail(t[k + 1])) ++k;
            }
            if (close != std::string_view::npos) {
                out += "[" + C(Trim(t.substr(1, close - 1))) + "]\r\n";
                continue;
            }
        }
        std::size_t eq = t.find('=');
        if (eq == std::string_view::npos) out += C(t) + "\r\n";
        else out += C(Trim(t.substr(0, eq))) + "=" + C(Trim(t.substr(eq + 1))) + "\r\n";
    }
    return out;
}

// ------------------------------------------------------------------ the awkward files

struct AwkwardFile {
    const char* what;
    std::string bytes;
    // This system's rewrite loses NUL-cut text, headers "[]" and nameless
    // keys, so such files are only read here.
    bool writable = true;
    // This system reads a file with a UTF-8 byte-order mark as UTF-8, so only
    // ASCII text is written into it here.
    bool asciiWritesOnly = false;
};

const AwkwardFile kFiles[] = {
    {"the settings file", "[Visible]\r\nChar01=1\r\nChar02=0\r\n[Execute]\r\nChar01=C:\\a b\\c.exe\r\nChar02=\r\n"},
    {"comments and blank lines",
     "; settings\r\n\r\n[Visible]\r\n; Char01=commented\r\nChar01=1\r\n\r\n\r\n[Execute]\r\n;end\r\n"},
    {"blanks around names, = and values",
     "  [ Visible ]  \r\n  Char01  =  1  \r\n\tChar02\t=\t0\t\r\n\v\fChar03\x1a=\x1a\x31\r\n"},
    {"quotes", "[Q]\r\nd=\"double\"\r\ns='single'\r\nu=\"open'\r\nl=\"\r\ne=\"\"\r\ni=\"a\"b\"\r\nb= \" x \" \r\n"},
    {"duplicate sections and keys", "[S]\r\nk=1\r\nk=2\r\n[T]\r\nt=1\r\n[s]\r\nk=3\r\nonly=second\r\n"},
    {"no final line end", "[S]\r\nk=1\r\n[T]\r\nlast=end"},
    {"LF line ends", "[S]\nk=1\n\n[T]\nt=2\n"},
    {"CR line ends", "[S]\rk=1\r[T]\rt=2\r"},
    {"mixed line ends", "top=0\n[S]\r\nk=1\r[T]\nt=2"},
    {"odd headers", "[Open\r\nx=1\r\n[Junk]after\r\ny=2\r\n[Br]ack]\r\nz=3\r\n [Lead]\r\nw=4\r\n"},
    {"lines without =", "[S]\r\nflag\r\nk\r\nk=2\r\n"},
    {"keys before any section", "top=1\r\n; c\r\nnext = 2\r\n\r\n[S]\r\nk=1\r\n"},
    {"long values", "[S]\r\nlong=" + std::string(3000, 'x') + "y\r\nafter=1\r\n"},
    {"bytes above 0x7F", "[S]\r\nk=\x82\xa0\x82\xa2\x83\x5c\r\n\x82\xa9=\xb1\xb2\r\nhi=\x80\xfd\xff\r\n"},
    {"UTF-8 byte-order mark", "\xef\xbb\xbf[S]\r\nk=1\r\n", true, true},
    {"empty", ""},
    {"blank lines only", "\r\n \t\r\n\r\n"},
    {"NUL bytes", std::string("[S]\r\nx=ab\0cd\r\ny=2\r\nk \0=v\r\nab\0c=d\r\n\0[T]\r\nz=3\r\n"sv), false},
    {"empty section header", "a=1\r\n[]\r\nb=2\r\n[S]\r\nk=1\r\n", false},
    {"nameless key", "[S]\r\n=empty name\r\nk=1\r\n", false},
};

struct Lookup {
    std::string section, key, def;
    DWORD size;
};

std::vector<Lookup> Lookups() {
    std::vector<Lookup> out;
    const char* sections[] = {"", "Visible", "VISIBLE", " execute ", "Q", "S", "s", "T", "Open", "Junk", "Br]ack",
                              "Lead", "none"};
    const char* keys[] = {"", "Char01", "char02", "CHAR03", "d", "s", "u", "l", "e", "i", "b", "k", "K", "only",
                          "t", "last", "x", "y", "z", "w", "flag", "top", "next", "long", "after", "hi", "\x82\xa9",
                          "ab", "; Char01", ";end", "[Open", "nokey"};
    const char* defaults[] = {"", "dflt", "  dflt  ", "\"q\" ", "'a'"};
    const DWORD sizes[] = {0, 1, 2, 3, 5, 7, 2048};
    unsigned n = 0;
    for (const char* s : sections)
        for (const char* k : keys) {
            out.push_back({s, k, defaults[n % 5], 4096});
            out.push_back({s, k, defaults[(n + 2) % 5], sizes[n % 7]});
            ++n;
        }
    return out;
}

struct Write {
    std::string section, key, value;
};

const Write kWrites[] = {
    {"Visible", "Char01", "0"},  {"visible", "CHAR02", "0"},   {"Execute", "Char01", "C:\\x y\\z.exe"},
    {"S", "k", "1"},             {"S", "k", "9"},              {"S", "new", "v"},
    {"T", "t", "\"q\""},         {"T", "new", ""},             {"Q", "d", "double"},
    {"S", "flag", "on"},         {"", "top", "1"},             {"", "fresh", "1"},
    {"New", "k", "v"},           {" Spaced ", " key ", " v "}, {"S", "long", std::string(3000, 'x') + "y"},
    {"S", "k", "\x82\xa0\x82\xa2"},
};

// A cut through a double-byte character: this system leaves that last byte
// of the buffer undefined, so such results are not compared.
bool EndsInHalfCharacter(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (Lead(s[i])) {
            if (i + 1 == s.size()) return true;
            ++i;
        }
    return false;
}

void CompareReads(const std::string& file, std::string_view bytes, const std::vector<Lookup>& lookups) {
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(testing::Message() << "[" << l.section << "] " << l.key << " default \"" << l.def << "\" size "
                                        << l.size);
        const std::string ours = ProfileText::GetString(bytes, l.section, l.key, l.def, l.size);
        if (EndsInHalfCharacter(ours)) continue;
        EXPECT_EQ(ours, SystemGet(file, l.section, l.key, l.def, l.size));
    }
}

// Every key of the file under its section, in the file's letter case and in
// upper case, and the written key: what a write could have changed.
std::vector<Lookup> LookupsOf(std::string_view canonical, const Write& w) {
    std::vector<Lookup> out = {{w.section, w.key, "<none>", 4096}, {w.section, "<nokey>", "<none>", 4096}};
    std::string section;
    std::size_t i = 0;
    while (i < canonical.size()) {
        std::size_t end = canonical.find("\r\n", i);
        std::string line(canonical.substr(i, end - i));
        i = end + 2;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        std::string key = line.substr(0, line.find('='));
        std::string upper = key;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        out.push_back({section, key, "<none>", 4096});
        if (upper != key && std::none_of(key.begin(), key.end(), [](char c) { return c & 0x80; }))
            out.push_back({section, upper, "<none>", 4096});
    }
    return out;
}

void CompareWrite(TempFolder& folder, std::string_view before, const Write& w) {
    SCOPED_TRACE(testing::Message() << "write [" << w.section << "] " << w.key << "=" << w.value.substr(0, 20));
    const std::string systemFile = folder.NewFile(before);
    ASSERT_TRUE(WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(), w.value.c_str(), systemFile.c_str()));
    const std::string bySystem = TempFolder::Read(systemFile);
    const std::string byUs = ProfileText::SetString(before, w.section, w.key, w.value);

    EXPECT_EQ(byUs == before, bySystem == before) << "one of the two left the file alone";
    EXPECT_EQ(Canonical(byUs), Canonical(bySystem));
    auto edgeBlank = [](const std::string& s) { return !s.empty() && (Blank(s.front()) || Blank(s.back())); };
    if (Canonical(before) == before && !edgeBlank(w.section) && !edgeBlank(w.key) && !edgeBlank(w.value)) {
        EXPECT_EQ(byUs, bySystem) << "a file in the system's own form";
    }

    // The system's reader finds the same in both files.
    const std::string ourFile = folder.NewFile(byUs);
    const std::string systemCopy = folder.NewFile(bySystem);
    for (const Lookup& l : LookupsOf(Canonical(bySystem), w)) {
        SCOPED_TRACE(testing::Message() << "then [" << l.section << "] " << l.key);
        EXPECT_EQ(SystemGet(ourFile, l.section, l.key, l.def, l.size),
                  SystemGet(systemCopy, l.section, l.key, l.def, l.size));
    }
}

TEST(IniDifferential, ReadsMatchTheSystem) {
    TempFolder folder;
    const std::vector<Lookup> lookups = Lookups();
    for (const AwkwardFile& f : kFiles) {
        SCOPED_TRACE(f.what);
        CompareReads(folder.NewFile(f.bytes), f.bytes, lookups);
    }
}

TEST(IniDifferential, WritesMatchTheSystem) {
    TempFolder folder;
    for (const AwkwardFile& f : kFiles) {
        if (!f.writable) continue;
        SCOPED_TRACE(f.what);
        for (const Write& w : kWrites) {
            const std::string all = w.section + w.key + w.value;
            if (f.asciiWritesOnly && std::any_of(all.begin(), all.end(), [](char c) { return c & 0x80; })) continue;
            CompareWrite(folder, f.bytes, w);
        }
    }
}

TEST(IniDifferential, FileThatDoesNotExistIsCreated) {
    TempFolder folder;
    const std::string file = folder.NewFile("");
    ASSERT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_EQ(SystemGet(file, "Visible", "Char01", "dflt", 256), ProfileText::GetString("", "Visible", "Char01", "dflt", 256));
    ASSERT_TRUE(WritePrivateProfileStringA("Visible", "Char01", "1", file.c_str()));
    EXPECT_EQ(TempFolder::Read(file), ProfileText::SetString("", "Visible", "Char01", "1"));
}

// Double-byte characters of code page 932 whose trail byte is ']' or a
// letter: the system decodes the file first, so such a byte neither closes a
// header nor folds case.
TEST(IniDifferential, CodePage932TrailBytes) {
    if (GetACP() != 932) GTEST_SKIP() << "needs the Japanese ANSI code page (LANG=ja_JP.UTF-8), have " << GetACP();
    TempFolder folder;
    const std::string_view bytes =
        "[S]\x83\x5d\r\nk=1\r\n[T]\r\n\x83\x41=2\r\n\x82\x60=3\r\n[\x83\x5d\r\nz=5\r\n[\x83\x5d]\r\nq=\x81\x5b\r\n";
    std::vector<Lookup> lookups;
    for (const char* s : {"S", "S]\x83", "T", "\x83", "\x83\x5d", "[\x83\x5d"})
        for (const char* k : {"k", "\x83\x41", "\x83\x61", "\x82\x60", "\x82\x81", "z", "q", "[\x83\x5d"})
            lookups.push_back({s, k, "d", 256});
    CompareReads(folder.NewFile(bytes), bytes, lookups);
    for (const Write& w : {Write{"\x83\x5d", "\x83\x61", "v"}, Write{"T", "\x83\x61", "v"}, Write{"T", "\x83\x41", "w"},
                           Write{"S", "n", "\x82\xa0"}})
        CompareWrite(folder, bytes, w);
}

// Files drawn from the characters that matter to the format, with a fixed seed.
TEST(IniDifferential, GeneratedFiles) {
    const bool dbcs = GetACP() == 932;
    std::vector<std::string> pieces = {"[", "]", "=", " ", "\t", "\x1a", "\r\n", "\r\n", "\n", "\r", ";", "\"", "'",
                                       "a", "A", "k", "K", "s", "S", "1", "\x82\xa0"};
    if (dbcs) pieces.insert(pieces.end(), {"\x83\x5d", "\x83\x41", "\x83\x61"});
    std::vector<std::string> names = {"", "s", "S", " s ", "a", "k", "K", "ab", "s]"};
    if (dbcs) names.insert(names.end(), {"\x83\x41", "\x83\x61", "\x83\x5d"});
    const std::vector<std::string> values = {"", "1", "v", "V", " v ", "\"q\"", "'q'", "\"", "a=b", "\x82\xa0\x82\xa2"};

    std::mt19937 rng(20240601);
    auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
    TempFolder folder;
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            for (unsigned n = rng() % 50; n > 0; --n) bytes += pick(pieces);
        } else {
            for (unsigned n = rng() % 8; n > 0; --n) {
                switch (rng() % 4) {
                    case 0: bytes += pick({"", " ", "\t"}) + "[" + pick(names) + "]" + pick({"", " ", "x"}); break;
                    case 1: bytes += ";" + pick(values); break;
                    default: bytes += pick(names) + pick({"=", " = ", "==", ""}) + pick(values); break;
                }
                bytes += pick({"\r\n", "\r\n", "\r\n", "\n", "\r", ""});
            }
        }
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << testing::PrintToString(bytes));
        std::vector<Lookup> lookups;
        for (int n = 0; n < 6; ++n)
            lookups.push_back({pick(names), pick(names), pick({"", "d", " d ", "\"d\""}),
                               static_cast<DWORD>(std::vector<int>{0, 1, 2, 3, 5, 256}[rng() % 6])});
        CompareReads(folder.NewFile(bytes), bytes, lookups);

        // Only files whose every name is non-empty survive the system's rewrite.
        const std::string canonical = Canonical(bytes);
        if (canonical.find("[]") != std::string::npos || canonical.find("\n=") != std::string::npos ||
            canonical.compare(0, 1, "=") == 0)
            continue;
        CompareWrite(folder, bytes, {pick(names), pick(names), pick(values)});
    }
}

}  // namespace
