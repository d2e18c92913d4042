// Drawing costs of a frame: StretchDraw of a 24x23 24-bit frame onto a
// canvas (as large and doubled), the see-through draw, building a frame's
// monochrome mask with a colour-to-monochrome BitBlt, and reading a
// 350x350 256-colour BMP.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Gdi.h"

namespace {

// A 24x23 sprite frame: a figure on a key-coloured background.
TBitmap& Frame() {
    static TBitmap frame(24, 23, pf24bit);
    static const bool painted = [] {
        frame.Canvas()->Brush()->SetColor(clFuchsia);
        frame.Canvas()->FillRect(Rect(0, 0, 24, 23));
        frame.Canvas()->Brush()->SetColor(clNavy);
        frame.Canvas()->Rectangle(4, 2, 20, 21);
        return true;
    }();
    (void)painted;
    return frame;
}

void BM_StretchDrawFrame(benchmark::State& state) {
    int scale = static_cast<int>(state.range(0));
    TBitmap target(24 * scale, 23 * scale);  // the device format, as a control's buffer
    TCanvas* canvas = target.Canvas();
    canvas->Handle();
    TBitmap& frame = Frame();
    frame.SetTransparent(false);
    for (auto _ : state) {
        canvas->StretchDraw(Rect(0, 0, 24 * scale, 23 * scale), &frame);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchDrawFrame)->Arg(1)->Arg(2);

void BM_TransparentDrawFrame(benchmark::State& state) {
    TBitmap target(24, 23);
    TCanvas* canvas = target.Canvas();
    canvas->Handle();
    TBitmap& frame = Frame();
    frame.SetTransparent(true);
    for (auto _ : state) {
        canvas->Draw(0, 0, &frame);
        benchmark::ClobberMemory();
    }
    frame.SetTransparent(false);
}
BENCHMARK(BM_TransparentDrawFrame);

// The mask of a frame: BitBlt onto a monochrome bitmap with the key colour
// as the source's background.
void BM_MaskBuild(benchmark::State& state) {
    using namespace win;
    TBitmap& frame = Frame();
    HDC src = frame.Canvas()->Handle();
    HBITMAP mask = CreateBitmap(24, 23, 1, 1, nullptr);
    HDC dst = CreateCompatibleDC(nullptr);
    HBITMAP old = SelectObject(dst, mask);
    SetBkColor(src, ColorToRGB(clFuchsia));
    for (auto _ : state) {
        BitBlt(dst, 0, 0, 24, 23, src, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    SelectObject(dst, old);
    DeleteDC(dst);
    DeleteObject(mask);
}
BENCHMARK(BM_MaskBuild);

void BM_ReadBmp350x350x8(benchmark::State& state) {
    TBitmap picture(350, 350, pf8bit);
    std::mt19937 rng(1);
    for (int y = 0; y < 350; ++y) {
        auto* row = static_cast<std::uint8_t*>(picture.ScanLine(y));
        for (int x = 0; x < 350; ++x) row[x] = static_cast<std::uint8_t>(rng());
    }
    TMemoryStream file;
    picture.SaveToStream(&file);
    TBitmap b;
    for (auto _ : state) {
        file.Position = 0;
        b.LoadFromStream(&file);
        benchmark::DoNotOptimize(b.Handle());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file.Size());
}
BENCHMARK(BM_ReadBmp350x350x8);

}  // namespace
