// Region costs: the union accumulation of the bitmap conversion (rows of
// 1-pixel runs, top to bottom), random unions, writing the block, and
// rebuilding a character frame's region from its stored block.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/graphics/Region.h"

namespace {

struct DeleteRgn {
    void operator()(win::RgnObject* h) const { win::DeleteObject(h); }
};
using Rgn = std::unique_ptr<win::RgnObject, DeleteRgn>;

// n 1-pixel runs, as a scan of a sprite finds them: four runs a row whose
// extents change from row to row, so that bands rarely merge.
std::vector<gfx::Rect> rows(int n) {
    std::vector<gfx::Rect> v;
    v.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int y = i / 4, k = i % 4, wobble = (y * 7 + k * 3) % 5;
        v.push_back(gfx::Rect{k * 20 + wobble, y, k * 20 + 10 + wobble, y + 1});
    }
    return v;
}

std::vector<gfx::Rect> random_rects(int n) {
    std::mt19937 gen(42);
    std::vector<gfx::Rect> v;
    v.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int l = static_cast<int>(gen() % 1000), t = static_cast<int>(gen() % 1000);
        v.push_back(gfx::Rect{l, t, l + 1 + static_cast<int>(gen() % 40), t + 1 + static_cast<int>(gen() % 40)});
    }
    return v;
}

// CreateRectRgn + CombineRgn(acc, acc, piece, RGN_OR) + DeleteObject per
// rectangle, exactly the conversion's loop.
Rgn accumulate(const std::vector<gfx::Rect>& rects) {
    Rgn acc(win::CreateRectRgn(0, 0, 0, 0));
    for (const gfx::Rect& r : rects) {
        win::HRGN piece = win::CreateRectRgn(r.left, r.top, r.right, r.bottom);
        win::CombineRgn(acc.get(), acc.get(), piece, win::RGN_OR);
        win::DeleteObject(piece);
    }
    return acc;
}

void BM_UnionRows(benchmark::State& state) {
    const auto rects = rows(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(accumulate(rects));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UnionRows)->Arg(10)->Arg(100)->Arg(10000)->Complexity();

void BM_UnionRandom(benchmark::State& state) {
    const auto rects = random_rects(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(accumulate(rects));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UnionRandom)->Arg(10)->Arg(100)->Arg(10000);

void get_region_data(benchmark::State& state, const std::vector<gfx::Rect>& rects) {
    Rgn acc = accumulate(rects);
    std::vector<std::uint8_t> buf(win::GetRegionData(acc.get(), 0, nullptr));
    for (auto _ : state) {
        benchmark::DoNotOptimize(win::GetRegionData(acc.get(), static_cast<win::DWORD>(buf.size()), buf.data()));
        benchmark::ClobberMemory();
    }
    state.counters["rects"] = static_cast<double>(acc->region.rects().size());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buf.size()));
}
void BM_GetRegionDataRows(benchmark::State& state) { get_region_data(state, rows(static_cast<int>(state.range(0)))); }
void BM_GetRegionDataRandom(benchmark::State& state) { get_region_data(state, random_rects(static_cast<int>(state.range(0)))); }
BENCHMARK(BM_GetRegionDataRows)->Arg(10)->Arg(100)->Arg(10000);
BENCHMARK(BM_GetRegionDataRandom)->Arg(10)->Arg(100)->Arg(10000);

// A 24 x 23 frame: a figure of a few runs a row, as the characters' frames are.
std::vector<std::uint8_t> sprite_block() {
    std::vector<gfx::Rect> runs;
    for (int y = 0; y < 23; ++y) {
        const int half = 3 + (y * 5) % 9;
        runs.push_back(gfx::Rect{12 - half, y, 11, y + 1});
        if (y % 3) runs.push_back(gfx::Rect{13, y, 12 + half, y + 1});
        if (y > 17) runs.push_back(gfx::Rect{0, y, 1, y + 1});
    }
    Rgn acc = accumulate(runs);
    std::vector<std::uint8_t> block(win::GetRegionData(acc.get(), 0, nullptr));
    win::GetRegionData(acc.get(), static_cast<win::DWORD>(block.size()), block.data());
    return block;
}

void BM_ExtCreateRegionSprite(benchmark::State& state) {
    const auto block = sprite_block();
    const win::XFORM scale{2, 0, 0, 2, 0, 0};
    const win::XFORM* xf = state.range(0) ? &scale : nullptr;
    for (auto _ : state) {
        Rgn h(win::ExtCreateRegion(xf, static_cast<win::DWORD>(block.size()), block.data()));
        benchmark::DoNotOptimize(h.get());
    }
    state.counters["rects"] = static_cast<double>((block.size() - 32) / 16);
}
BENCHMARK(BM_ExtCreateRegionSprite)->ArgName("scaled")->Arg(0)->Arg(1);

}  // namespace
