// INI files: the profile-function rules of ProfileText on awkward files, the
// headless profile functions over real files, and TIniFile's typed reads,
// writes and write error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/core/Exceptions.h"
#include "platform/core/IniFile.h"
#include "platform/core/ProfileText.h"
#include "platform/os.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;

// ------------------------------------------------------------------ files

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// A fresh directory for one test, open to every user (a test may drop its
// rights), removed with everything in it afterwards.
class IniFiles : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("zimmo-ini-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir_);
        fs::permissions(dir_, fs::perms::all);
    }
    void TearDown() override {
        std::error_code ec;
        for (auto& entry : fs::recursive_directory_iterator(dir_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

// ------------------------------------------------------------------ reading

constexpr std::size_t kBig = 4096;

// Hand-edited: blanks, comments, quotes, duplicates, other letter cases and
// no final line end.
constexpr std::string_view kAwkward =
    "; settings\r\n"
    "top = above every section\r\n"
    "\r\n"
    "[Visible]\r\n"
    "Char01=1\r\n"
    "  Char02 \t=\t 0  \r\n"
    "; Char03=commented\r\n"
    "noequals\r\n"
    "Char04 = \"quoted value\" \r\n"
    "Char05='single'\r\n"
    "Char06=\"unbalanced'\r\n"
    "Char07=\"\r\n"
    "Char08=\"\"\r\n"
    "Char09=\"a\"b\"\r\n"
    "Char10=a=b\r\n"
    "=no name\r\n"
    "Char01=second\r\n"
    "\r\n"
    "[ visible ]\r\n"
    "Char01=duplicate section\r\n"
    "Only=in duplicate\r\n"
    "[Execute]\r\n"
    "CHAR01=C:\\Program Files\\zimmo.exe";

struct ReadCase {
    const char* what;
    std::string_view file;
    std::string_view section, key, def;
    std::size_t size;
    std::string_view expected;
};

const ReadCase kReadCases[] = {
    {"plain", kAwkward, "Visible", "Char01", "d", kBig, "1"},
    {"first of two keys wins", kAwkward, "Visible", "char01", "d", kBig, "1"},
    {"blanks around name, = and value", kAwkward, "Visible", "Char02", "d", kBig, "0"},
    {"lookup names are trimmed", kAwkward, "  VISIBLE\t", " CHAR02 ", "d", kBig, "0"},
    {"a comment line is an entry of its own", kAwkward, "Visible", "; Char03", "d", kBig, "commented"},
    {"the commented key is not there", kAwkward, "Visible", "Char03", "d", kBig, "d"},
    {"a line without = gives the default", kAwkward, "Visible", "noequals", "d", kBig, "d"},
    {"double quotes stripped", kAwkward, "Visible", "Char04", "d", kBig, "quoted value"},
    {"single quotes stripped", kAwkward, "Visible", "Char05", "d", kBig, "single"},
    {"unmatched quotes kept", kAwkward, "Visible", "Char06", "d", kBig, "\"unbalanced'"},
    {"a lone quote kept", kAwkward, "Visible", "Char07", "d", kBig, "\""},
    {"empty quotes give empty", kAwkward, "Visible", "Char08", "d", kBig, ""},
    {"only the outer quotes go", kAwkward, "Visible", "Char09", "d", kBig, "a\"b"},
    {"the first = splits", kAwkward, "Visible", "Char10", "d", kBig, "a=b"},
    {"an empty key name", kAwkward, "Visible", "", "d", kBig, "no name"},
    {"keys of a duplicate section are not seen", kAwkward, "Visible", "Only", "d", kBig, "d"},
    {"keys before any section: section \"\"", kAwkward, "", "top", "d", kBig, "above every section"},
    {"last line without a line end", kAwkward, "execute", "char01", "d", kBig, "C:\\Program Files\\zimmo.exe"},
    {"missing section", kAwkward, "Nothing", "Char01", "dflt", kBig, "dflt"},
    {"missing key", kAwkward, "Visible", "Char99", "dflt", kBig, "dflt"},
    {"empty file", "", "Visible", "Char01", "dflt", kBig, "dflt"},

    {"LF line ends", "[S]\na=1\nb=2\n", "S", "b", "d", kBig, "2"},
    {"CR line ends", "[S]\ra=1\rb=2\r", "S", "b", "d", kBig, "2"},
    {"mixed line ends", "[S]\r\na=1\n[T]\rb=2", "T", "b", "d", kBig, "2"},
    {"blank line between", "[S]\r\n\r\n \t\r\nb=2\r\n", "S", "b", "d", kBig, "2"},

    {"header with blanks inside", "[ Spaced ]\r\na=1\r\n", "Spaced", "a", "d", kBig, "1"},
    {"header after blanks", " \t[Lead]\r\na=1\r\n", "Lead", "a", "d", kBig, "1"},
    {"text after ] ignored", "[Junk]after\r\na=1\r\n", "Junk", "a", "d", kBig, "1"},
    {"name runs to the last ]", "[Br]ack]\r\na=1\r\n", "Br]ack", "a", "d", kBig, "1"},
    {"no ]: an entry, not a header", "[S]\r\n[Open\r\na=1\r\n", "S", "a", "d", kBig, "1"},
    {"no ]: not a section", "[S]\r\n[Open\r\na=1\r\n", "Open", "a", "d", kBig, "d"},

    {"tab VT FF SUB are blanks", "[S]\r\n\t\v\f\x1a" "k\t\v\f\x1a=\t\v\f\x1av\t\v\f\x1a\r\n", "S", "k", "d", kBig, "v"},
    {"0x1F is not a blank", "[S]\r\nk=\x1fv\x1f\r\n", "S", "k", "d", kBig, "\x1fv\x1f"},
    {"0xA0 is not a blank", "[S]\r\nk=\xa0v\xa0\r\n", "S", "k", "d", kBig, "\xa0v\xa0"},

    {"code page 932 value unchanged", "[S]\r\nk=\x82\xa0\x82\xa2 \x83\x5c\r\n", "S", "k", "d", kBig,
     "\x82\xa0\x82\xa2 \x83\x5c"},
    {"code page 932 key", "[S]\r\n\x83\x4c\x81\x5b=1\r\n", "S", "\x83\x4c\x81\x5b", "d", kBig, "1"},
    {"trail bytes are not case-folded", "[S]\r\n\x83\x41=1\r\n", "S", "\x83\x61", "d", kBig, "d"},
    {"a trail byte ] does not close a header", "[S]\x83\x5d\r\na=1\r\n", "S", "a", "d", kBig, "1"},
    {"non-ASCII letters not folded", "[S]\r\n\xc9=1\r\n", "S", "\xe9", "d", kBig, "d"},
    {"high bytes in section names", "[\x90\xdd\x92\xe8]\r\na=1\r\n", "\x90\xdd\x92\xe8", "a", "d", kBig, "1"},

    {"NUL ends a value", "[S]\r\nx=ab\0cd\r\ny=2\r\n"sv, "S", "x", "d", kBig, "ab"},
    {"NUL ends a name", "[S]\r\nab\0c=d\r\n"sv, "S", "ab", "x", kBig, "d"},
    {"NUL does not end the line", "[S]\r\nx=a\0\r\ny=2\r\n"sv, "S", "y", "d", kBig, "2"},
    {"NUL ends the lookup name", "[S]\r\nab=1\r\n", "S", "ab\0zz"sv, "d", kBig, "1"},

    {"UTF-8 byte-order mark skipped", "\xef\xbb\xbf[S]\r\nk=1\r\n", "S", "k", "d", kBig, "1"},
    {"UTF-16 file: the default", "\xff\xfe[\0S\0]\0\r\0\n\0k\0=\0\x31\0"sv, "S", "k", "d", kBig, "d"},

    {"default: trailing spaces go", "", "S", "k", "  dflt  ", kBig, "  dflt"},
    {"default: trailing tab stays", "", "S", "k", "d\t", kBig, "d\t"},
    {"default: quotes stripped", "", "S", "k", "\"d\" ", kBig, "d"},
    {"default: quote after a blank kept", "", "S", "k", " \"d\"", kBig, " \"d\""},
    {"default for a key without =", "[S]\r\nk\r\nk=2\r\n", "S", "k", "d", kBig, "d"},
};

TEST(ProfileTextRead, AwkwardFiles) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ProfileText::GetString(c.file, c.section, c.key, c.def, c.size), c.expected);
    }
}

// The buffer holds bufferSize - 1 bytes. A quoted text that just fills the
// buffer (bufferSize = its length without the opening quote) loses its last
// byte too: the system strips the closing quote from whatever it copied.
TEST(ProfileTextRead, BufferSizeCutsTheValue) {
    const std::string_view file = "[S]\r\nplain=abcdef\r\nquoted=\"abcdef\"\r\ndbcs=\x82\xa0\x82\xa2\r\n";
    struct Case {
        std::string_view key, def;
        std::size_t size;
        std::string_view expected;
    } cases[] = {
        {"plain", "", 0, ""},          {"plain", "", 1, ""},          {"plain", "", 2, "a"},
        {"plain", "", 6, "abcde"},     {"plain", "", 7, "abcdef"},    {"plain", "", 8, "abcdef"},
        {"quoted", "", 1, ""},         {"quoted", "", 2, "a"},        {"quoted", "", 6, "abcde"},
        {"quoted", "", 7, "abcde"},    {"quoted", "", 8, "abcdef"},   {"quoted", "", 9, "abcdef"},
        {"dbcs", "", 3, "\x82\xa0"},   {"dbcs", "", 4, "\x82\xa0\x82"},
        {"none", "abcdef", 3, "ab"},   {"none", "'abc'", 4, "ab"},    {"none", "'abc'", 5, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " size " << c.size);
        EXPECT_EQ(ProfileText::GetString(file, "S", c.key, c.def, c.size), c.expected);
    }
}

TEST(ProfileTextRead, LongValueIsCutAt2047Bytes) {
    std::string value(5000, 'x');
    value[2046] = 'y';
    value[2047] = 'z';
    const std::string file = "[S]\r\nlong=" + value + "\r\nafter=1\r\n";
    std::string got = ProfileText::GetString(file, "S", "long", "", 2048);
    EXPECT_EQ(got.size(), 2047u);
    EXPECT_EQ(got.back(), 'y');
    EXPECT_EQ(ProfileText::GetString(file, "S", "after", "", 2048), "1");
}

// Whatever the buffer, a result is the start of the whole result and fits the buffer.
TEST(ProfileTextRead, EveryCutIsAPrefixThatFits) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.what);
        const std::string whole = ProfileText::GetString(c.file, c.section, c.key, c.def, kBig);
        for (std::size_t size = 0; size <= whole.size() + 2; ++size) {
            const std::string cut = ProfileText::GetString(c.file, c.section, c.key, c.def, size);
            EXPECT_LE(cut.size(), size == 0 ? 0 : size - 1) << "size " << size;
            EXPECT_EQ(whole.compare(0, cut.size(), cut), 0) << "size " << size;
        }
    }
}

// ------------------------------------------------------------------ writing

struct WriteCase {
    const char* what;
    std::string_view before;
    std::string_view section, key, value;
    std::string_view after;
};

const WriteCase kWriteCases[] = {
    {"new file", "", "Visible", "Char01", "1", "[Visible]\r\nChar01=1\r\n"},
    {"new key at the end of its section", "[S]\r\na=1\r\n[T]\r\nb=2\r\n", "S", "c", "3",
     "[S]\r\na=1\r\nc=3\r\n[T]\r\nb=2\r\n"},
    {"new key before trailing blank lines", "[S]\r\na=1\r\n\r\n \t\r\n[T]\r\n", "S", "c", "3",
     "[S]\r\na=1\r\nc=3\r\n\r\n \t\r\n[T]\r\n"},
    {"new key after a comment that ends the section", "[S]\r\na=1\r\n; about T\r\n\r\n[T]\r\n", "S", "c", "3",
     "[S]\r\na=1\r\n; about T\r\nc=3\r\n\r\n[T]\r\n"},
    {"new key right under an empty section's header", "[S]\r\n\r\n[T]\r\n", "s", "c", "3",
     "[S]\r\nc=3\r\n\r\n[T]\r\n"},
    {"new key after a last line without line end", "[S]\r\nk=1", "S", "n", "2", "[S]\r\nk=1\r\nn=2\r\n"},
    {"new key under a last header without line end", "[S]", "S", "n", "2", "[S]\r\nn=2\r\n"},
    {"new section at the end", "[S]\r\nk=1\r\n", "T", "x", "1", "[S]\r\nk=1\r\n[T]\r\nx=1\r\n"},
    {"new section after a last line without line end", "[S]\r\nk=1", "T", "x", "1",
     "[S]\r\nk=1\r\n[T]\r\nx=1\r\n"},
    {"new section after trailing blank lines", "[S]\r\nk=1\r\n\r\n", "T", "x", "1",
     "[S]\r\nk=1\r\n\r\n[T]\r\nx=1\r\n"},
    {"new section in a file of blank lines", "\r\n \r\n", "T", "x", "1", "\r\n \r\n[T]\r\nx=1\r\n"},
    {"update in place keeps every other byte",
     "; head\r\n\r\n[S]\r\n  a  =  1  \r\nnoeq\r\n\r\n[T]\r\nx = 1\r\n", "s", "A", "2",
     "; head\r\n\r\n[S]\r\na=2\r\nnoeq\r\n\r\n[T]\r\nx = 1\r\n"},
    {"update keeps the file's spelling of the key", "[Visible]\r\nCHAR01=0\r\n", "visible", "char01", "1",
     "[Visible]\r\nCHAR01=1\r\n"},
    {"update keeps LF line ends", "[S]\na=1\nb=2\n", "S", "a", "9", "[S]\na=9\nb=2\n"},
    {"update keeps CR line ends", "[S]\ra=1\rb=2\r", "S", "b", "9", "[S]\ra=1\rb=9\r"},
    {"update of a last line without line end", "[S]\r\na=1", "S", "a", "22", "[S]\r\na=22"},
    {"new lines end in CR LF in an LF file", "[S]\na=1\n", "S", "b", "2", "[S]\na=1\nb=2\r\n"},
    {"same value: unchanged", "[S]\r\n a = 1 \r\n", "S", "a", "1", "[S]\r\n a = 1 \r\n"},
    {"same value, other case: rewritten", "[S]\r\na=v\r\n", "S", "a", "V", "[S]\r\na=V\r\n"},
    {"quoted value compared with its quotes", "[S]\r\nq=\"x\"\r\n", "S", "q", "x", "[S]\r\nq=x\r\n"},
    {"a line without = gets a value", "[S]\r\nk\r\n", "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"empty value", "[S]\r\nk=1\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
    {"first of two keys updated", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nk=3\r\nk=2\r\n"},
    {"first of two sections gets the new key", "[S]\r\na=1\r\n[T]\r\n[S]\r\nz=9\r\n", "S", "z", "3",
     "[S]\r\na=1\r\nz=3\r\n[T]\r\n[S]\r\nz=9\r\n"},
    {"section \"\" is the top of the file", "[S]\r\n", "", "k", "v", "k=v\r\n[S]\r\n"},
    {"section \"\" after its last line", "a=1\r\n\r\n[S]\r\n", "", "b", "2", "a=1\r\nb=2\r\n\r\n[S]\r\n"},
    {"leading blanks of names and value dropped", "", " T ", " new ", " v ", "[T ]\r\nnew =v \r\n"},
    {"after a UTF-8 byte-order mark", "\xef\xbb\xbf[S]\r\n", "", "a", "1", "\xef\xbb\xbf" "a=1\r\n[S]\r\n"},
    {"code page 932 bytes written unchanged", "[S]\r\nk=1\r\n", "S", "k", "\x83\x5c\x82\xa0",
     "[S]\r\nk=\x83\x5c\x82\xa0\r\n"},
    {"NUL ends the value", "", "S", "k", "ab\0cd"sv, "[S]\r\nk=ab\r\n"},
};

TEST(ProfileTextWrite, Cases) {
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ProfileText::SetString(c.before, c.section, c.key, c.value), c.after);
    }
}

// After a write the key reads back as the value (as a read would see it),
// and writing it again changes nothing.
TEST(ProfileTextWrite, ReadsBackAndIsStable) {
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.what);
        const std::string after = ProfileText::SetString(c.before, c.section, c.key, c.value);
        const std::string value(c.value.substr(0, c.value.find('\0')));
        EXPECT_EQ(ProfileText::GetString(after, c.section, c.key, "<none>", kBig),
                  ProfileText::GetString("k=" + value, "", "k", "<none>", kBig));
        if (value.empty() || value.back() != ' ') {
            EXPECT_EQ(ProfileText::SetString(after, c.section, c.key, c.value), after);
        }
    }
}

TEST(ProfileTextWrite, SaveSequenceBuildsTheFileInOrder) {
    std::string file;
    for (const char* key : {"Char01", "Char02", "Char03", "Char04"})
        file = ProfileText::SetString(file, "Visible", key, key[5] == '2' ? "0" : "1");
    for (const char* key : {"Char01", "Char02", "Char03", "Char04"})
        file = ProfileText::SetString(file, "Execute", key, key[5] == '1' ? "C:\\a b\\c.exe" : "");
    EXPECT_EQ(file,
              "[Visible]\r\nChar01=1\r\nChar02=0\r\nChar03=1\r\nChar04=1\r\n"
              "[Execute]\r\nChar01=C:\\a b\\c.exe\r\nChar02=\r\nChar03=\r\nChar04=\r\n");
}

TEST(ProfileTextWrite, Utf16FileIsRefused) {
    for (std::string_view bom : {"\xff\xfe"sv, "\xfe\xff"sv}) {
        const std::string file = std::string(bom) + "[\0S\0]\0"s;
        EXPECT_THROW(ProfileText::SetString(file, "S", "k", "1"), EConvertError);
    }
}

// ------------------------------------------------------------------ the headless profile functions

TEST_F(IniFiles, ProfileFunctionsOverRealFiles) {
    const std::string path = (dir_ / "zimmo.ini").string();
    EXPECT_EQ(os::get_profile_string(path, "S", "k", "none", 256), "none");
    EXPECT_FALSE(fs::exists(path)) << "reading creates no file";

    ASSERT_TRUE(os::write_profile_string(path, "S", "k", "1"));
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(os::get_profile_string(path, "s", "K", "none", 256), "1");

    WriteBytes(path, "; mine\n[S]\nk = 1\nother=x\n");
    ASSERT_TRUE(os::write_profile_string(path, "S", "k", "2"));
    EXPECT_EQ(ReadBytes(path), "; mine\n[S]\nk=2\nother=x\n");
}

TEST_F(IniFiles, UnchangedValueLeavesTheFileAlone) {
    const fs::path path = dir_ / "zimmo.ini";
    WriteBytes(path, "[S]\nk = 1 \n");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path, old);
    ASSERT_TRUE(os::write_profile_string(path.string(), "S", "k", "1"));
    EXPECT_EQ(fs::last_write_time(path), old);
    EXPECT_EQ(ReadBytes(path), "[S]\nk = 1 \n");
}

TEST_F(IniFiles, UnwritablePathsFail) {
    WriteBytes(dir_ / "plain", "x");
    fs::create_directories(dir_ / "folder.ini");
    struct Case {
        const char* what;
        fs::path path;
    } cases[] = {
        {"parent is a file", dir_ / "plain" / "zimmo.ini"},
        {"parent missing", dir_ / "missing" / "zimmo.ini"},
        {"the path is a directory", dir_ / "folder.ini"},
        {"no name", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(os::write_profile_string(c.path.string(), "S", "k", "1"));
        EXPECT_EQ(os::get_profile_string(c.path.string(), "S", "k", "none", 256), "none");
    }
}

TEST_F(IniFiles, Utf16FileIsNotRewritten) {
    const fs::path path = dir_ / "zimmo.ini";
    const std::string utf16 = "\xff\xfe[\0S\0]\0\r\0\n\0"s;
    WriteBytes(path, utf16);
    EXPECT_FALSE(os::write_profile_string(path.string(), "S", "k", "1"));
    EXPECT_EQ(ReadBytes(path), utf16);
}

// ------------------------------------------------------------------ TIniFile

TEST_F(IniFiles, ReadIntegerAndReadBool) {
    struct Case {
        std::string_view stored;  // the value in the file
        bool number;              // read as a number, or the default
        std::int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"1", true, 1},
        {"2", true, 2},
        {"-1", true, -1},
        {"+7", true, 7},
        {"0x10", true, 16},
        {"0x0", true, 0},
        {"0X1F", true, 31},
        {"0xff", true, 255},
        {" 7 ", true, 7},  // the profile functions trim the blanks
        {"\"3\"", true, 3},  // and the quotes
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"word", false, 0},
        {"", false, 0},
        {"1e3", false, 0},
        {"0x", false, 0},
        {"0x1G", false, 0},
        {"12abc", false, 0},
        {"1 2", false, 0},
        {"2147483648", false, 0},
        {"99999999999999999999", false, 0},
        {"0x100000000", false, 0},
    };
    const fs::path path = dir_ / "zimmo.ini";
    TIniFile ini(path.string());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored \"" << c.stored << "\"");
        WriteBytes(path, "[Visible]\r\nChar02=" + std::string(c.stored) + "\r\n");
        EXPECT_EQ(ini.ReadInteger("Visible", "Char02", 77), c.number ? c.value : 77);
        for (bool def : {false, true})
            EXPECT_EQ(ini.ReadBool("Visible", "Char02", def), c.number ? c.value != 0 : def) << "default " << def;
    }
}

TEST_F(IniFiles, MissingFileGivesDefaultsAndIsNotCreated) {
    const fs::path path = dir_ / "zimmo.ini";
    TIniFile ini(path.string());
    EXPECT_EQ(ini.FileName(), path.string());
    EXPECT_TRUE(ini.ReadBool("Visible", "Char01", true));
    EXPECT_FALSE(ini.ReadBool("Visible", "Char01", false));
    EXPECT_EQ(ini.ReadInteger("Visible", "Char01", -5), -5);
    EXPECT_EQ(ini.ReadString("Execute", "Char01", "既定"), "既定");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFiles, SaveTwiceLeavesTheFileUnchanged) {
    const fs::path path = dir_ / "zimmo.ini";
    auto save = [&] {
        TIniFile ini(path.string());
        for (const char* key : {"Char01", "Char02", "Char03", "Char04"}) ini.WriteBool("Visible", key, key[5] != '3');
        for (const char* key : {"Char01", "Char02", "Char03", "Char04"})
            ini.WriteString("Execute", key, key[5] == '4' ? "C:\\ツール\\起動.exe" : "");
    };
    save();
    const std::string first = ReadBytes(path);
    EXPECT_EQ(first, "[Visible]\r\nChar01=1\r\nChar02=1\r\nChar03=0\r\nChar04=1\r\n"
                     "[Execute]\r\nChar01=\r\nChar02=\r\nChar03=\r\nChar04=" +
                         os::utf8_to_ansi("C:\\ツール\\起動.exe") + "\r\n");
    save();
    EXPECT_EQ(ReadBytes(path), first);
}

TEST_F(IniFiles, HandEditedFileIsUpdatedInPlace) {
    const fs::path path = dir_ / "zimmo.ini";
    WriteBytes(path, "; my launchers\r\n[VISIBLE]\r\nchar02 = 0\r\n\r\n[execute]\r\nCHAR02=old.exe\r\n");
    TIniFile ini(path.string());
    EXPECT_FALSE(ini.ReadBool("Visible", "Char02", true));
    EXPECT_EQ(ini.ReadString("Execute", "Char02", ""), "old.exe");
    ini.WriteBool("Visible", "Char02", true);
    ini.WriteBool("Visible", "Char01", true);
    ini.WriteString("Execute", "Char02", "new.exe");
    EXPECT_EQ(ReadBytes(path),
              "; my launchers\r\n[VISIBLE]\r\nchar02=1\r\nChar01=1\r\n\r\n[execute]\r\nCHAR02=new.exe\r\n");
}

TEST_F(IniFiles, TextRoundTripsThroughCodePage932) {
    const fs::path folder = dir_ / "設定 ファイル";
    fs::create_directories(folder);
    const fs::path path = folder / "zimmo.ini";
    struct Case {
        const char* key;
        std::string_view value;
    } cases[] = {
        {"Char01", "C:\\Program Files\\My Tools\\run me.exe"},
        {"Char02", "D:\\ゲーム\\ミロテ 起動.lnk"},
        {"Char03", "ｶﾀｶﾅ と ソ表示"},  // half-width katakana; 0x5C as a trail byte
        {"Char04", ""},
    };
    TIniFile ini(path.string());
    for (const Case& c : cases) ini.WriteString("Execute", c.key, c.value);
    TIniFile again(path.string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(again.ReadString("Execute", c.key, "<none>"), c.value);
        EXPECT_NE(ReadBytes(path).find(os::utf8_to_ansi(c.value)), std::string::npos) << "stored as code page 932";
    }
}

TEST_F(IniFiles, ReadStringCutsAt2047Bytes) {
    const fs::path path = dir_ / "zimmo.ini";
    WriteBytes(path, "[Execute]\r\nChar01=" + std::string(3000, 'p') + "\r\n");
    EXPECT_EQ(TIniFile(path.string()).ReadString("Execute", "Char01", ""), std::string(2047, 'p'));
}

TEST_F(IniFiles, WriteToAnImpossiblePathRaisesTheIniWriteError) {
    const fs::path path = dir_ / "no such folder" / "zimmo.ini";
    TIniFile ini(path.string());
    try {
        ini.WriteBool("Visible", "Char01", true);
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message, path.string() + " に書き込めません");
    }
}

// Read-only places refuse writes only to a user without root's rights, so a
// test run as root writes in a child process that gives them up. seed is a
// readable file beside target: reading it shows the place is reachable.
void WriteWithoutRootRights(const std::string& seed, const std::string& target) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
    if (TIniFile(seed).ReadString("Visible", "Char01", "unreadable") != "1") std::_Exit(4);
    try {
        TIniFile(target).WriteBool("Visible", "Char01", false);
    } catch (const EIniFileException& e) {
        std::fprintf(stderr, "%s\n", e.Message.c_str());
        std::_Exit(e.Message == target + " に書き込めません" ? 0 : 2);
    }
    std::_Exit(1);
}

TEST_F(IniFiles, ReadOnlyPlacesRaiseTheIniWriteError) {
    constexpr auto kReadOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    constexpr auto kReadOnlyFile = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const std::string seedText = "[Visible]\r\nChar01=1\r\n";
    struct Case {
        const char* what;
        bool lockFolder;  // a new file in a read-only folder; else a read-only file
    } cases[] = {{"read-only directory", true}, {"read-only file", false}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = dir_ / ("place " + std::to_string(n++));
        fs::create_directories(folder);
        const fs::path seed = folder / "seed.ini";
        WriteBytes(seed, seedText);
        const fs::path target = c.lockFolder ? folder / "zimmo.ini" : seed;
        if (c.lockFolder) fs::permissions(folder, kReadOnlyFolder);
        else fs::permissions(seed, kReadOnlyFile);
        EXPECT_EXIT(WriteWithoutRootRights(seed.string(), target.string()), testing::ExitedWithCode(0), "");
        EXPECT_EQ(ReadBytes(seed), seedText);
        EXPECT_FALSE(c.lockFolder && fs::exists(target));
    }
}

}  // namespace
