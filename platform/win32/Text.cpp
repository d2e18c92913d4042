// Text metrics and coverage drawn with GDI, and the fonts behind them.
#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/core/Exceptions.h"
#include "platform/win32/Fonts.h"

namespace win32 {
namespace {

// Japanese faces to stand in for one that is not installed, in the order a
// Windows system is most likely to have them; the IPA faces are the ones of
// a Linux system running the program under Wine.
constexpr const wchar_t* kStandInFaces[] = {L"MS UI Gothic", L"Meiryo UI",  L"Meiryo",
                                            L"Yu Gothic UI", L"IPAPGothic", L"IPAGothic"};

bool face_installed(HDC dc, const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    bool found = false;
    ::EnumFontFamiliesExW(
        dc, &lf,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            *reinterpret_cast<bool*>(param) = true;
            return 0;  // one is enough
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

using FontKey = std::tuple<std::string, int, bool, bool, bool, int>;

FontKey key_of(const os::FontSpec& f) { return {f.name, f.height, f.bold, f.italic, f.underline, f.charset}; }

// A memory DC and the fonts measured with it, kept so that measuring is cheap.
struct TextCache {
    MemoryDC dc{::CreateCompatibleDC(nullptr)};
    std::map<FontKey, UniqueFont> fonts;
    std::map<std::wstring, std::wstring> faces;

    HFONT font(const os::FontSpec& wanted) {
        FontKey key = key_of(wanted);
        auto it = fonts.find(key);
        if (it != fonts.end()) return it->second.get();
        if (fonts.size() >= 64) fonts.clear();  // a bound for programs that make fonts without end
        return fonts.emplace(std::move(key), create_font(wanted)).first->second.get();
    }
};

TextCache& cache() {
    static TextCache c;
    if (!c.dc) throw EOutOfMemory("デバイスコンテキストを作成できません");
    return c;
}

int text_length(std::u16string_view text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw EConvertError("文字列が長すぎます");
    return static_cast<int>(text.size());
}

const wchar_t* wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }

os::TextMetrics measure(HDC dc, std::u16string_view text) {
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    SIZE size{};
    if (!text.empty()) ::GetTextExtentPoint32W(dc, wide(text), text_length(text), &size);
    return os::TextMetrics{static_cast<int>(size.cx), static_cast<int>(tm.tmHeight), static_cast<int>(tm.tmAscent)};
}

}  // namespace

std::wstring resolve_face(const std::wstring& requested) {
    TextCache& c = cache();
    auto it = c.faces.find(requested);
    if (it != c.faces.end()) return it->second;
    std::wstring face = requested;
    if (!face_installed(c.dc.get(), requested)) {
        for (const wchar_t* stand_in : kStandInFaces) {
            if (face_installed(c.dc.get(), stand_in)) {
                face = stand_in;
                break;
            }
        }
    }
    c.faces.emplace(requested, face);
    return face;
}

UniqueFont create_font(const os::FontSpec& wanted) {
    std::wstring face = resolve_face(widen(wanted.name));
    if (face.size() >= LF_FACESIZE) face.resize(LF_FACESIZE - 1);
    const DWORD charset =
        wanted.charset >= 0 && wanted.charset <= 255 ? static_cast<DWORD>(wanted.charset) : DEFAULT_CHARSET;
    UniqueFont font(::CreateFontW(-wanted.height, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, wanted.italic,
                                  wanted.underline, FALSE, charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    if (!font) throw EOutOfMemory("フォントを作成できません");
    return font;
}

}  // namespace win32

namespace os {

TextMetrics measure_text(const FontSpec& font, std::u16string_view text) {
    win32::TextCache& c = win32::cache();
    win32::SelectedObject selected(c.dc.get(), c.font(font));
    return win32::measure(c.dc.get(), text);
}

std::vector<std::uint8_t> render_text(const FontSpec& font, std::u16string_view text, TextMetrics* metrics) {
    win32::TextCache& c = win32::cache();
    HDC dc = c.dc.get();
    win32::SelectedObject selected_font(dc, c.font(font));
    const TextMetrics m = win32::measure(dc, text);
    if (metrics) *metrics = m;
    if (m.width <= 0 || m.height <= 0) return {};

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m.width;
    info.bmiHeader.biHeight = -m.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::UniqueBitmap dib(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) throw EOutOfMemory("ビットマップを作成できません");
    const std::size_t count = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    std::memset(bits, 0, count * 4);
    {
        win32::SelectedObject selected_bitmap(dc, dib.get());
        // White on black: the brightness of a pixel is the text's coverage.
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        ::TextOutW(dc, 0, 0, win32::wide(text), win32::text_length(text));
        ::GdiFlush();
    }
    std::vector<std::uint8_t> coverage(count);
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (std::size_t i = 0; i < count; ++i)
        coverage[i] = std::max({pixels[4 * i], pixels[4 * i + 1], pixels[4 * i + 2]});
    return coverage;
}

}  // namespace os
