// The state images of TShineSpeedButton: the glyph as the current state
// shows it. Every effect is one pass over the rows of 32-bit pixels
// (0x00RRGGBB words; the top byte is ignored when comparing and 0 when
// written), reading the glyph itself and writing only the copy.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/shinebutton/ShineSpdBtn.h"

namespace {

constexpr std::uint32_t kRgb = 0x00FFFFFF;

struct Channels {
    std::uint32_t r, g, b;
};
Channels Split(std::uint32_t px) { return {(px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF}; }
std::uint32_t Join(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r << 16 | g << 8 | b; }
// A COLORREF (0x00BBGGRR) as a pixel word (0x00RRGGBB).
std::uint32_t PixelOf(win::COLORREF c) { return Join(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Read-only rows of the glyph.
class Rows {
public:
    explicit Rows(const TBitmap* bmp) : bmp_(bmp), w_(bmp->Width()), h_(bmp->Height()) {}
    const std::uint32_t* operator[](int y) const { return static_cast<const std::uint32_t*>(bmp_->ScanLine(y)); }
    int width() const { return w_; }
    int height() const { return h_; }

private:
    const TBitmap* bmp_;  // not owned
    int w_, h_;
};

// Rows of the glyph and the image that the rule rewrites.
template <class Rule>
void ForEachOpaque(const Rows& glyph, TBitmap* image, std::uint32_t key, Rule rule) {
    for (int y = 0; y < glyph.height(); ++y) {
        const std::uint32_t* src = glyph[y];
        auto* dst = static_cast<std::uint32_t*>(image->ScanLine(y));
        for (int x = 0; x < glyph.width(); ++x)
            if ((src[x] & kRgb) != key) dst[x] = rule(x, y, src[x] & kRgb) & kRgb;
    }
}

// The outline: transparent pixels of the glyph with an opaque 4-neighbour
// inside the bitmap.
std::vector<std::uint8_t> Outline(const Rows& glyph, std::uint32_t key) {
    const int w = glyph.width(), h = glyph.height();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = glyph[y];
        const std::uint32_t* above = y > 0 ? glyph[y - 1] : nullptr;
        const std::uint32_t* below = y + 1 < h ? glyph[y + 1] : nullptr;
        for (int x = 0; x < w; ++x) {
            if ((row[x] & kRgb) != key) continue;
            const bool touches = (x > 0 && (row[x - 1] & kRgb) != key) || (x + 1 < w && (row[x + 1] & kRgb) != key) ||
                                 (above && (above[x] & kRgb) != key) || (below && (below[x] & kRgb) != key);
            out[static_cast<std::size_t>(y) * w + x] = touches;
        }
    }
    return out;
}

void FrameLight(const Rows& glyph, TBitmap* image, std::uint32_t key, std::uint32_t shine, bool wide) {
    const int w = glyph.width(), h = glyph.height();
    const std::vector<std::uint8_t> outline = Outline(glyph, key);
    auto is_outline = [&](int x, int y) { return outline[static_cast<std::size_t>(y) * w + x] != 0; };
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* src = glyph[y];
        auto* dst = static_cast<std::uint32_t*>(image->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            if ((src[x] & kRgb) != key) continue;
            bool lit = is_outline(x, y);
            if (!lit && wide)
                lit = (x > 0 && is_outline(x - 1, y)) || (x + 1 < w && is_outline(x + 1, y)) ||
                      (y > 0 && is_outline(x, y - 1)) || (y + 1 < h && is_outline(x, y + 1));
            if (lit) dst[x] = shine;
        }
    }
}

// White (1) on the top-left pixel of every 2 x 2 square whose diagonal
// pairs differ in colour; the last row and column stay black.
void EmbossMask(const Rows& glyph, TBitmap* image) {
    const int w = glyph.width(), h = glyph.height();
    for (int y = 0; y < h; ++y) {
        auto* dst = static_cast<std::uint32_t*>(image->ScanLine(y));
        std::fill(dst, dst + w, 0u);
        if (y + 1 >= h) continue;
        const std::uint32_t* row = glyph[y];
        const std::uint32_t* next = glyph[y + 1];
        for (int x = 0; x + 1 < w; ++x) {
            const bool edge = (row[x] & kRgb) != (next[x + 1] & kRgb) || (row[x + 1] & kRgb) != (next[x] & kRgb);
            if (edge) dst[x] = kRgb;
        }
    }
    image->SetMonochrome(true);  // white becomes 1, black 0
}

}  // namespace

std::unique_ptr<TBitmap> TShineSpeedButton::CreateStateGlyph() {
    const TBitmap* source = glyph_.get();
    if (source->Empty() || source->Width() <= 0 || source->Height() <= 0) return nullptr;
    // A glyph loaded behind the setter's back is made 32-bit here as well.
    if (source->PixelFormat() != pf32bit) GlyphOnChange(glyph_.get());
    const Rows glyph(source);
    const std::uint32_t key = glyph[glyph.height() - 1][0] & kRgb;

    auto image = std::make_unique<TBitmap>();
    image->Assign(glyph_.get());
    image->OnChange = {};
    const std::uint32_t shine = PixelOf(ColorToRGB(shine_color_));
    const Channels s = Split(shine);
    const Channels f = Split(PixelOf(ColorToRGB(colors_->Color())));

    if (state_ == sbActiveDown || state_ == sbActiveUp) {
        switch (active_image_) {
        case aiNormal: break;
        case aiXorLight: ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) { return px ^ shine; }); break;
        case aiHalfLight:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                return Join((c.r + s.r) / 2, (c.g + s.g) / 2, (c.b + s.b) / 2);
            });
            break;
        case aiQuaterLight:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                return Join((3 * s.r + c.r) / 4, (3 * s.g + c.g) / 4, (3 * s.b + c.b) / 4);
            });
            break;
        case aiAddLight:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                return Join(std::min(c.r + s.r, 255u), std::min(c.g + s.g, 255u), std::min(c.b + s.b, 255u));
            });
            break;
        case aiFrameLight: FrameLight(glyph, image.get(), key, shine, false); break;
        case aiFrameLight2: FrameLight(glyph, image.get(), key, shine, true); break;
        case aiMaskLight:
            ForEachOpaque(glyph, image.get(), key, [&](int x, int y, std::uint32_t px) { return (x + y) % 2 ? shine : px; });
            break;
        }
    } else if (state_ == sbDisabled) {
        switch (disabled_image_) {
        case diDefault:
            EmbossMask(glyph, image.get());
            return image;
        case diGrayscale:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                std::uint32_t v = (c.r + c.g + c.b) / 3;
                return Join(v, v, v);
            });
            break;
        case diAlphaHalfTrans:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                return Join((c.r + f.r) / 2, (c.g + f.g) / 2, (c.b + f.b) / 2);
            });
            break;
        case diAlphaQuaterTrans:
            ForEachOpaque(glyph, image.get(), key, [&](int, int, std::uint32_t px) {
                Channels c = Split(px);
                return Join((3 * f.r + c.r) / 4, (3 * f.g + c.g) / 4, (3 * f.b + c.b) / 4);
            });
            break;
        case diMaskTrans:
            ForEachOpaque(glyph, image.get(), key, [&](int x, int y, std::uint32_t px) { return (x + y) % 2 ? key : px; });
            break;
        }
    }
    // Drawn with the key colour left out.
    image->SetTransparentColor(static_cast<TColor>((key >> 16) | (key & 0xFF00) | ((key & 0xFF) << 16)));
    image->SetTransparent(true);
    return image;
}
