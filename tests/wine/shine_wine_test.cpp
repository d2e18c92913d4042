// The shine button's glyph drawing against the real gdi32: the disabled
// emboss (its mask blitted twice with DSPDxax, black text and white
// background colours) and the see-through glyph (TransparentBlt in the key
// colour), on random backgrounds, for glyphs inside and partly outside the
// button.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/graphics/Gdi.h"

#include <windows.h>

namespace {

struct Case {
    int button_w, button_h, glyph_w, glyph_h;
};
const Case kCases[] = {{25, 25, 16, 16}, {25, 25, 30, 16}, {20, 12, 5, 3}, {40, 30, 17, 9}, {9, 9, 1, 1}, {16, 16, 16, 16}};

constexpr std::uint32_t kKey = 0x00FF00FF;  // as a pixel word

// A random glyph: a blob of a few colours on the key, the key in its
// bottom-left corner.
std::vector<std::uint32_t> RandomGlyph(std::mt19937& rng, int w, int h) {
    const std::uint32_t palette[] = {0x00804020, 0x00102030, 0x00FFFFFF, 0x00000000, kKey, kKey};
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    for (auto& p : px) p = palette[rng() % 6];
    px[static_cast<std::size_t>(h - 1) * w] = kKey;
    return px;
}

// gdi32's 32-bit top-down DIB section in a memory DC.
class RealSurface {
public:
    RealSurface(int w, int h, const void* pixels) : w_(w), h_(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap_ = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
        std::memcpy(bits_, pixels, static_cast<std::size_t>(w) * h * 4);
        dc_ = ::CreateCompatibleDC(nullptr);
        old_ = ::SelectObject(dc_, bitmap_);
    }
    ~RealSurface() {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
        ::DeleteObject(bitmap_);
    }
    RealSurface(const RealSurface&) = delete;
    RealSurface& operator=(const RealSurface&) = delete;
    HDC dc() const { return dc_; }
    std::uint32_t at(int x, int y) const {
        ::GdiFlush();
        return static_cast<const std::uint32_t*>(bits_)[static_cast<std::size_t>(y) * w_ + x] & 0xFFFFFF;
    }

private:
    int w_, h_;
    HBITMAP bitmap_ = nullptr;
    void* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

class ShineWine : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        const Case& c = GetParam();
        rng.seed(static_cast<unsigned>(c.button_w * 1000 + c.glyph_w * 10 + c.glyph_h));
        glyph_pixels = RandomGlyph(rng, c.glyph_w, c.glyph_h);
        TBitmap glyph(c.glyph_w, c.glyph_h, pf32bit);
        for (int y = 0; y < c.glyph_h; ++y)
            std::memcpy(glyph.ScanLine(y), &glyph_pixels[static_cast<std::size_t>(y) * c.glyph_w], static_cast<std::size_t>(c.glyph_w) * 4);
        button.SetBounds(0, 0, c.button_w, c.button_h);
        button.SetGlyph(&glyph);
        background.resize(static_cast<std::size_t>(c.button_w) * c.button_h);
        for (auto& p : background) p = rng() & 0xFFFFFF;
        ours = std::make_unique<TBitmap>(c.button_w, c.button_h, pf32bit);
        for (int y = 0; y < c.button_h; ++y)
            std::memcpy(ours->ScanLine(y), &background[static_cast<std::size_t>(y) * c.button_w], static_cast<std::size_t>(c.button_w) * 4);
    }
    TPoint GlyphPos() {
        TPoint p;
        TRect r;
        button.CalcDrawPosition(ours->Canvas(), &p, &r);
        return p;
    }
    ::testing::AssertionResult Same(const RealSurface& real) {
        const Case& c = GetParam();
        for (int y = 0; y < c.button_h; ++y) {
            const auto* row = static_cast<const std::uint32_t*>(ours->ScanLine(y));
            for (int x = 0; x < c.button_w; ++x)
                if ((row[x] & 0xFFFFFF) != real.at(x, y))
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": gdi32 " << std::hex << real.at(x, y)
                                                         << ", ours " << (row[x] & 0xFFFFFF);
        }
        return ::testing::AssertionSuccess();
    }

    std::mt19937 rng;
    std::vector<std::uint32_t> glyph_pixels, background;
    TShineSpeedButton button{nullptr};
    std::unique_ptr<TBitmap> ours;
};

TEST_P(ShineWine, EmbossMaskBlitsAsGdi32Does) {
    const Case& c = GetParam();
    button.SetDisabledHighlight(TColor(0x0033CC99));
    button.SetDisabledShadow(TColor(0x00603010));
    button.SetEnabled(false);
    std::unique_ptr<TBitmap> mask = button.CreateStateGlyph();
    ASSERT_TRUE(mask && mask->Monochrome());
    const TPoint at = GlyphPos();
    button.ImageDraw(ours->Canvas());

    // The same mask as a real monochrome bitmap, blitted the same way.
    RealSurface real(c.button_w, c.button_h, background.data());
    HBITMAP mono = ::CreateBitmap(c.glyph_w, c.glyph_h, 1, 1, nullptr);
    HDC mono_dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old_mono = ::SelectObject(mono_dc, mono);
    for (int y = 0; y < c.glyph_h; ++y)
        for (int x = 0; x < c.glyph_w; ++x)
            ::SetPixel(mono_dc, x, y, (mask->Canvas()->Pixels(x, y) & 0xFFFFFF) ? RGB(255, 255, 255) : RGB(0, 0, 0));
    ::SetTextColor(real.dc(), RGB(0, 0, 0));
    ::SetBkColor(real.dc(), RGB(255, 255, 255));
    for (auto [colour, dx] : {std::pair{0x0033CC99u, 1}, std::pair{0x00603010u, 0}}) {
        HBRUSH brush = ::CreateSolidBrush(colour);
        HGDIOBJ old = ::SelectObject(real.dc(), brush);
        ::BitBlt(real.dc(), at.x + dx, at.y + dx, c.glyph_w, c.glyph_h, mono_dc, 0, 0, 0x00E20746);
        ::SelectObject(real.dc(), old);
        ::DeleteObject(brush);
    }
    ::SelectObject(mono_dc, old_mono);
    ::DeleteDC(mono_dc);
    ::DeleteObject(mono);
    EXPECT_TRUE(Same(real));
}

TEST_P(ShineWine, SeeThroughGlyphDrawsAsTransparentBlt) {
    const Case& c = GetParam();
    const TPoint at = GlyphPos();
    button.ImageDraw(ours->Canvas());  // sbUp: the glyph as it is

    RealSurface real(c.button_w, c.button_h, background.data());
    RealSurface source(c.glyph_w, c.glyph_h, glyph_pixels.data());
    ASSERT_TRUE(::TransparentBlt(real.dc(), at.x, at.y, c.glyph_w, c.glyph_h, source.dc(), 0, 0, c.glyph_w, c.glyph_h,
                                 RGB(0xFF, 0x00, 0xFF)));
    EXPECT_TRUE(Same(real));
}

INSTANTIATE_TEST_SUITE_P(Glyphs, ShineWine, ::testing::ValuesIn(kCases));

}  // namespace
