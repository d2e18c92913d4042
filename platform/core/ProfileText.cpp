#include "platform/core/ProfileText.h"

#include <optional>

#include "platform/core/Exceptions.h"

namespace ProfileText {
namespace {

using std::string_view;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }
bool IsLineEnd(unsigned char c) { return c == '\r' || c == '\n'; }

// Code page 932: a lead byte with a valid trail byte is one character, so a
// trail byte that looks like ']' or a letter is not taken for one.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
std::size_t CharLength(string_view s, std::size_t i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                   IsTrailByte(static_cast<unsigned char>(s[i + 1]))
               ? 2
               : 1;
}

string_view Trim(string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}
string_view TrimLeft(string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    return s;
}
// The system keeps names and values as C strings.
string_view UpToNul(string_view s) { return s.substr(0, s.find('\0')); }

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(string_view a, string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t n = CharLength(a, i);
        if (n == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        i += n;
    }
    return true;
}

// One line of the file: [begin, end) its text, next the start of the line after it.
struct Line {
    std::size_t begin = 0, end = 0, next = 0;
    bool terminated() const { return next > end; }
};

class Lines {
public:
    Lines(string_view bytes, std::size_t start) : bytes_(bytes), pos_(start) {}
    std::optional<Line> Next() {
        if (pos_ >= bytes_.size()) return std::nullopt;
        Line line;
        line.begin = pos_;
        std::size_t i = pos_;
        while (i < bytes_.size() && !IsLineEnd(static_cast<unsigned char>(bytes_[i]))) ++i;
        line.end = i;
        if (i < bytes_.size()) {
            if (bytes_[i] == '\r' && i + 1 < bytes_.size() && bytes_[i + 1] == '\n') ++i;
            ++i;
        }
        line.next = pos_ = i;
        return line;
    }

private:
    string_view bytes_;
    std::size_t pos_;
};

enum class Kind { Blank, Section, Entry };

struct Parsed {
    Kind kind = Kind::Blank;
    string_view name;                  // trimmed, up to a NUL
    std::optional<string_view> value;  // entries with '=': trimmed, up to a NUL
};

Parsed Parse(string_view text) {
    Parsed p;
    string_view t = TrimLeft(text);
    if (Trim(t).empty()) return p;
    if (t.front() == '[') {
        std::size_t close = string_view::npos;
        for (std::size_t i = 1; i < t.size(); i += CharLength(t, i))
            if (t[i] == ']') close = i;
        if (close != string_view::npos) {
            p.kind = Kind::Section;
            p.name = UpToNul(Trim(t.substr(1, close - 1)));
            return p;
        }
    }
    p.kind = Kind::Entry;
    std::size_t eq = t.find('=');
    if (eq == string_view::npos) {
        p.name = UpToNul(Trim(t));
    } else {
        p.name = UpToNul(Trim(t.substr(0, eq)));
        p.value = UpToNul(Trim(t.substr(eq + 1)));
    }
    return p;
}

std::size_t BodyStart(string_view bytes) { return bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }

// The text the system copies into a buffer of bufferSize bytes. A quoted text
// loses its opening quote, then is cut, then loses its last byte when the
// buffer could hold the text after the opening quote: the closing quote, or
// a byte of the text when the cut has already removed that quote.
std::string CopyOut(string_view text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    if (quoted) text.remove_prefix(1);
    std::string out(text.substr(0, bufferSize - 1));
    if (quoted && bufferSize >= text.size() && !out.empty()) out.pop_back();
    return out;
}

}  // namespace

std::string GetString(string_view bytes, string_view section, string_view key, string_view defaultValue,
                      std::size_t bufferSize) {
    const string_view wantSection = Trim(UpToNul(section));
    const string_view wantKey = Trim(UpToNul(key));

    bool inSection = SameName(string_view(), wantSection);  // the lines before any header
    bool sectionSeen = inSection;
    Lines lines(bytes, BodyStart(bytes));
    while (auto line = lines.Next()) {
        Parsed p = Parse(bytes.substr(line->begin, line->end - line->begin));
        if (p.kind == Kind::Section) {
            if (inSection) break;  // only the first section of that name counts
            if (SameName(p.name, wantSection)) inSection = sectionSeen = true;
        } else if (p.kind == Kind::Entry && inSection && SameName(p.name, wantKey)) {
            if (p.value) return CopyOut(*p.value, bufferSize);
            break;
        }
    }
    string_view def = UpToNul(defaultValue);
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    return CopyOut(def, bufferSize);
}

std::string SetString(string_view bytes, string_view section, string_view key, string_view value) {
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        throw EConvertError("UTF-16 の設定ファイルは書き換えられません");

    const string_view newSection = TrimLeft(UpToNul(section));
    const string_view newKey = TrimLeft(UpToNul(key));
    const string_view newValue = TrimLeft(UpToNul(value));
    const string_view wantSection = Trim(newSection);
    const string_view wantKey = Trim(newKey);

    const std::size_t body = BodyStart(bytes);
    bool inSection = SameName(string_view(), wantSection);
    bool sectionSeen = inSection;
    // Where a new key goes: after the section's last non-blank line (its header
    // when it has none), or at the top of the file for the section "".
    std::size_t insertAt = body;
    bool insertNeedsLineEnd = false;

    Lines lines(bytes, body);
    while (auto line = lines.Next()) {
        Parsed p = Parse(bytes.substr(line->begin, line->end - line->begin));
        if (p.kind == Kind::Blank) continue;
        if (p.kind == Kind::Section) {
            if (inSection) break;
            if (!SameName(p.name, wantSection)) continue;
            inSection = sectionSeen = true;
        } else if (!inSection) {
            continue;
        } else if (SameName(p.name, wantKey)) {
            if (p.value && *p.value == newValue) return std::string(bytes);
            std::string out;
            out.reserve(bytes.size() + newValue.size() + 1);
            out.append(bytes.substr(0, line->begin));
            out.append(p.name).append("=").append(newValue);
            out.append(bytes.substr(line->end));
            return out;
        }
        insertAt = line->next;
        insertNeedsLineEnd = !line->terminated();
    }

    std::string added;
    if (sectionSeen) {
        if (insertNeedsLineEnd) added = "\r\n";
    } else {
        insertAt = bytes.size();
        if (bytes.size() > body && !IsLineEnd(static_cast<unsigned char>(bytes.back()))) added = "\r\n";
        added.append("[").append(newSection).append("]\r\n");
    }
    added.append(newKey).append("=").append(newValue).append("\r\n");

    std::string out;
    out.reserve(bytes.size() + added.size());
    out.append(bytes.substr(0, insertAt)).append(added).append(bytes.substr(insertAt));
    return out;
}

}  // namespace ProfileText
