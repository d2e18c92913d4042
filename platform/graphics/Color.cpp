#include "platform/graphics/Color.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "platform/core/Exceptions.h"

win::COLORREF ColorToRGB(TColor color) {
    if (color < 0) return os::sys_color(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF));
    return static_cast<win::COLORREF>(color);
}

namespace {
struct Named {
    TColor color;
    const char* name;
};
// In the order VCL lists them, so that a value with two names (clGray,
// clDkGray) writes the first.
constexpr std::array<Named, 46> kNames{{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"}, {clMedGray, "clMedGray"},
    {clLtGray, "clLtGray"}, {clDkGray, "clDkGray"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
}};
constexpr std::array<Named, 3> kMoreNames{{{clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"}}};

bool equal_ci(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
}  // namespace

bool ColorToIdent(TColor color, std::string& ident) {
    for (const auto& n : kNames)
        if (n.color == color) { ident = n.name; return true; }
    for (const auto& n : kMoreNames)
        if (n.color == color) { ident = n.name; return true; }
    return false;
}

bool IdentToColor(std::string_view ident, TColor& color) {
    for (const auto& n : kNames)
        if (equal_ci(ident, n.name)) { color = n.color; return true; }
    for (const auto& n : kMoreNames)
        if (equal_ci(ident, n.name)) { color = n.color; return true; }
    return false;
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

TColor StringToColor(std::string_view text) {
    TColor c = 0;
    if (IdentToColor(text, c)) return c;
    std::string_view digits = text;
    int base = 10;
    bool negative = false;
    if (!digits.empty() && digits.front() == '$') {
        digits.remove_prefix(1);
        base = 16;
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    } else if (!digits.empty() && digits.front() == '-') {
        digits.remove_prefix(1);
        negative = true;
    }
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        throw EConvertError("'" + std::string(text) + "' は有効な色ではありません");
    if (negative) {
        if (value > 0x80000000u) throw EConvertError("'" + std::string(text) + "' は有効な色ではありません");
        value = 0u - value;
    }
    return static_cast<TColor>(value);
}
