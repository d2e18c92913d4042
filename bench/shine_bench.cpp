// Shine speed button paint cost on the headless backend: one Paint of a
// 75 x 25 button with a gradient face, a 16 x 16 glyph and a caption, in
// each state (off-screen bitmap, gradient strip, state image, layout, text,
// frame, the copy out), into a surface that stands for its parent's buffer.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/shinebutton/ShineSpdBtn.h"
#include "platform/headless/Headless.h"

namespace {

struct Scene {
    std::unique_ptr<TShineSpeedButton> button;  // owned
    std::unique_ptr<TBitmap> surface;           // owned: the parent's back buffer
    std::unique_ptr<TBitmap> glyph;             // owned

    explicit Scene(TShineButtonState state) {
        headless::Reset();
        button = std::make_unique<TShineSpeedButton>(nullptr);
        button->SetBounds(0, 0, 75, 25);
        button->SetCaption("&Open");
        button->Colors()->SetGradation(true);
        button->PressedColors()->SetGradation(true);
        glyph = std::make_unique<TBitmap>(16, 16, pf32bit);
        for (int y = 0; y < 16; ++y) {
            auto* row = static_cast<std::uint32_t*>(glyph->ScanLine(y));
            for (int x = 0; x < 16; ++x) row[x] = (x - 8) * (x - 8) + (y - 8) * (y - 8) < 40 ? 0x00C04020u : 0x00FF00FFu;
        }
        button->SetGlyph(glyph.get());
        switch (state) {
        case sbActiveUp: button->MouseEnter(0, 0, 0); break;
        case sbActiveDown: button->MouseDown(mbLeft, ssLeft, 1, 1); break;
        case sbDown:
            button->SetGroupIndex(1);
            button->SetDown(true);
            break;
        case sbDisabled: button->SetEnabled(false); break;
        case sbUp: break;
        }
        surface = std::make_unique<TBitmap>(75, 25, pf32bit);
        button->Canvas()->SetHandle(surface->Canvas()->Handle());
    }
    ~Scene() {
        button->Canvas()->SetHandle(nullptr);
        button.reset();
        headless::Reset();
    }
};

void BM_ShinePaint(benchmark::State& st) {
    const auto state = static_cast<TShineButtonState>(st.range(0));
    Scene scene(state);
    for (auto _ : st) scene.button->Paint();
    if (scene.button->State() != state) st.SkipWithError("the button is not in the state measured");
}
BENCHMARK(BM_ShinePaint)
    ->ArgName("state")
    ->Arg(sbActiveDown)
    ->Arg(sbDown)
    ->Arg(sbActiveUp)
    ->Arg(sbUp)
    ->Arg(sbDisabled)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
