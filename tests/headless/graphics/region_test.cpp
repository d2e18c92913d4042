// Regions against a brute-force model: every region is turned into a set of
// pixels on a small grid, and the canonical rectangle list expected of it is
// built from those pixels alone (row runs, identical neighbouring rows
// merged), independently of the band sweep under test.
#include "platform/graphics/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {

using gfx::Rect;
using gfx::Region;
using gfx::RegionOp;
using win::COMPLEXREGION, win::NULLREGION, win::SIMPLEREGION;
using win::RGN_AND, win::RGN_COPY, win::RGN_DIFF, win::RGN_ERROR, win::RGN_OR, win::RGN_XOR;

// ---------------------------------------------------------------- the model
constexpr int kMin = -8, kMax = 24, kSide = kMax - kMin;  // grid [-8, 24) x [-8, 24)
using Pixels = std::bitset<kSide * kSide>;

std::size_t bit(int x, int y) { return static_cast<std::size_t>((y - kMin) * kSide + (x - kMin)); }

Pixels pixels_of(std::span<const Rect> rects) {
    Pixels p;
    for (const Rect& r : rects) {
        EXPECT_TRUE(r.left >= kMin && r.right <= kMax && r.top >= kMin && r.bottom <= kMax)
            << "rectangle outside the grid: " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        for (int y = std::max(r.top, kMin); y < std::min(r.bottom, kMax); ++y)
            for (int x = std::max(r.left, kMin); x < std::min(r.right, kMax); ++x) p.set(bit(x, y));
    }
    return p;
}

// The one canonical form of a pixel set.
std::vector<Rect> canonical_of(const Pixels& p) {
    std::vector<Rect> out;
    std::vector<std::pair<int, int>> band;  // runs of the open band
    int band_top = 0;
    auto close = [&](int bottom) {
        for (auto [l, r] : band) out.push_back(Rect{l, band_top, r, bottom});
        band.clear();
    };
    for (int y = kMin; y < kMax; ++y) {
        std::vector<std::pair<int, int>> runs;
        for (int x = kMin; x < kMax;) {
            if (!p[bit(x, y)]) { ++x; continue; }
            const int s = x;
            while (x < kMax && p[bit(x, y)]) ++x;
            runs.emplace_back(s, x);
        }
        if (runs != band) {
            close(y);
            band = runs;
            band_top = y;
        }
    }
    close(kMax);
    return out;
}

Pixels apply(RegionOp op, const Pixels& a, const Pixels& b) {
    switch (op) {
    case RegionOp::And: return a & b;
    case RegionOp::Or: return a | b;
    case RegionOp::Xor: return a ^ b;
    case RegionOp::Diff: return a & ~b;
    }
    return {};
}

const char* name(RegionOp op) {
    switch (op) {
    case RegionOp::And: return "and";
    case RegionOp::Or: return "or";
    case RegionOp::Xor: return "xor";
    case RegionOp::Diff: return "diff";
    }
    return "?";
}

std::string str(std::span<const Rect> rects) {
    std::string s;
    for (const Rect& r : rects)
        s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
             std::to_string(r.bottom) + ")";
    return s.empty() ? "(none)" : s;
}

// The region is exactly the canonical form of the pixels, with its bounds.
testing::AssertionResult IsCanonicalFormOf(const Region& r, const Pixels& expected) {
    const std::vector<Rect> want = canonical_of(expected);
    const auto got = r.rects();
    if (!std::equal(got.begin(), got.end(), want.begin(), want.end()))
        return testing::AssertionFailure() << "rects " << str(got) << "\n expected " << str(want);
    Rect box{};
    if (!want.empty()) {
        box = Rect{kMax, want.front().top, kMin, want.back().bottom};
        for (const Rect& q : want) box.left = std::min(box.left, q.left), box.right = std::max(box.right, q.right);
    }
    if (!(r.bounds() == box)) return testing::AssertionFailure() << "bounds " << str({&r.bounds(), 1}) << " expected " << str({&box, 1});
    return testing::AssertionSuccess();
}

// ---------------------------------------------------------------- random regions
struct Random {
    explicit Random(unsigned seed) : gen(seed) {}
    int in(int lo, int hi) { return lo + static_cast<int>(gen() % static_cast<unsigned>(hi - lo + 1)); }
    Rect rect() {
        const int l = in(kMin, kMax - 1), t = in(kMin, kMax - 1);
        const bool row = in(0, 3) == 0;  // 1-pixel rows, as the bitmap conversion makes them
        return Rect{l, t, in(l + 1, std::min(kMax, l + 14)), row ? t + 1 : in(t + 1, std::min(kMax, t + 10))};
    }
    std::vector<Rect> rects(int max_count) {
        std::vector<Rect> v(static_cast<std::size_t>(in(0, max_count)));
        for (Rect& r : v) r = rect();
        return v;
    }
    std::mt19937 gen;
};

constexpr RegionOp kOps[] = {RegionOp::And, RegionOp::Or, RegionOp::Xor, RegionOp::Diff};

// ---------------------------------------------------------------- handles
struct DeleteRgn {
    void operator()(win::RgnObject* h) const { win::DeleteObject(h); }
};
using Rgn = std::unique_ptr<win::RgnObject, DeleteRgn>;

Rgn rect_rgn(int l, int t, int r, int b) { return Rgn(win::CreateRectRgn(l, t, r, b)); }

Rgn rgn_of(std::span<const Rect> rects) {
    Rgn h(win::CreateRectRgn(0, 0, 0, 0));
    for (const Rect& r : rects) {
        Rgn piece = rect_rgn(r.left, r.top, r.right, r.bottom);
        win::CombineRgn(h.get(), h.get(), piece.get(), RGN_OR);
    }
    return h;
}

std::vector<std::uint8_t> bytes_of(win::HRGN h) {
    std::vector<std::uint8_t> v(win::GetRegionData(h, 0, nullptr));
    if (!v.empty()) win::GetRegionData(h, static_cast<win::DWORD>(v.size()), v.data());
    return v;
}

// A region data block with any header values.
std::vector<std::uint8_t> block(std::vector<Rect> rects, std::uint32_t dw_size = 32, std::uint32_t type = 1,
                                std::int64_t count = -1) {
    std::vector<std::uint8_t> b(32 + 16 * rects.size());
    const std::uint32_t header[4] = {dw_size, type, count < 0 ? static_cast<std::uint32_t>(rects.size()) : static_cast<std::uint32_t>(count),
                                     static_cast<std::uint32_t>(16 * rects.size())};
    std::memcpy(b.data(), header, sizeof header);
    if (!rects.empty()) std::memcpy(b.data() + 32, rects.data(), 16 * rects.size());
    return b;
}

// Every test leaves as many GDI objects alive as it found.
class RegionTest : public testing::Test {
protected:
    void SetUp() override { live_ = win::LiveGdiObjects(); }
    void TearDown() override { EXPECT_EQ(win::LiveGdiObjects(), live_) << "GDI objects leaked or freed twice"; }

private:
    long live_ = 0;
};

// ---------------------------------------------------------------- the algebra
TEST_F(RegionTest, OperationsMatchThePixelModelInCanonicalForm) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        const std::vector<Rect> ra = rnd.rects(12), rb = rnd.rects(12);
        const Region a = Region::from_rects(ra), b = Region::from_rects(rb);
        const Pixels pa = pixels_of(ra), pb = pixels_of(rb);
        ASSERT_TRUE(IsCanonicalFormOf(a, pa));
        ASSERT_TRUE(IsCanonicalFormOf(b, pb));
        for (RegionOp op : kOps) {
            SCOPED_TRACE(name(op));
            const Region r = gfx::combine(a, b, op);
            EXPECT_TRUE(IsCanonicalFormOf(r, apply(op, pa, pb))) << "a " << str(a.rects()) << "\nb " << str(b.rects());
            EXPECT_TRUE(Region::is_canonical(r.rects()));
            if (op != RegionOp::Diff) {
                EXPECT_TRUE(gfx::combine(b, a, op) == r) << "not commutative";
            }
            Region self = a;
            self.combine(self, op);
            EXPECT_TRUE(IsCanonicalFormOf(self, apply(op, pa, pa))) << "combined with itself";
        }
    }
}

TEST_F(RegionTest, AlgebraicIdentitiesHold) {
    for (unsigned seed = 1000; seed < 1200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        const Region a = Region::from_rects(rnd.rects(10)), b = Region::from_rects(rnd.rects(10)),
                     c = Region::from_rects(rnd.rects(10));
        EXPECT_TRUE(((a - b) | (a & b)) == a);
        EXPECT_TRUE((a ^ b) == ((a | b) - (a & b)));
        EXPECT_TRUE(((a | b) | c) == (a | (b | c)));
        EXPECT_TRUE((a & (b | c)) == ((a & b) | (a & c)));
        EXPECT_TRUE(((a ^ b) ^ b) == a);
        EXPECT_TRUE((a - a).empty());
    }
}

// Uniting rectangle by rectangle in place (the accumulator of the bitmap
// conversion) agrees with building the union at once, in any order.
TEST_F(RegionTest, UnitingOneByOneInAnyOrderGivesTheSameRegion) {
    for (unsigned seed = 2000; seed < 2200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        std::vector<Rect> rects = rnd.rects(30);
        const Pixels want = pixels_of(rects);
        Region shuffled;
        for (const Rect& r : rects) shuffled |= Region(r);
        std::sort(rects.begin(), rects.end(),
                  [](const Rect& p, const Rect& q) { return p.top != q.top ? p.top < q.top : p.left < q.left; });
        Region ordered;
        for (const Rect& r : rects) ordered |= Region(r);
        EXPECT_TRUE(IsCanonicalFormOf(shuffled, want));
        EXPECT_TRUE(IsCanonicalFormOf(ordered, want));
    }
}

TEST_F(RegionTest, RowsOfASpriteUniteIntoMergedBands) {
    // '#' pixels of a small figure, united run by run from the top row down.
    const char* art[] = {
        "..##....##..",
        "..##....##..",
        ".##########.",
        ".##.####.##.",
        ".##.####.##.",
        "....####....",
        "............",
        "..#......#..",
    };
    Pixels want;
    Region acc;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12;) {
            if (art[y][x] != '#') { ++x; continue; }
            const int s = x;
            while (x < 12 && art[y][x] == '#') want.set(bit(x++, y));
            acc |= Region(Rect{s, y, x, y + 1});
        }
    EXPECT_TRUE(IsCanonicalFormOf(acc, want));
    const std::vector<Rect> expected = {{2, 0, 4, 2},  {8, 0, 10, 2}, {1, 2, 11, 3}, {1, 3, 3, 5}, {4, 3, 8, 5},
                                        {9, 3, 11, 5}, {4, 5, 8, 6},  {2, 7, 3, 8},  {9, 7, 10, 8}};
    EXPECT_EQ(str(acc.rects()), str(expected));
}

TEST_F(RegionTest, BandsMergeOnlyWhenTheyTouchWithTheSameExtents) {
    struct Case {
        const char* what;
        std::vector<Rect> in;
        std::vector<Rect> out;
    } cases[] = {
        {"stacked rows of one run", {{0, 0, 10, 1}, {0, 1, 10, 2}, {0, 2, 10, 4}}, {{0, 0, 10, 4}}},
        {"same runs across a gap", {{0, 0, 10, 1}, {0, 2, 10, 3}}, {{0, 0, 10, 1}, {0, 2, 10, 3}}},
        {"touching, other extents", {{0, 0, 10, 1}, {0, 1, 9, 2}}, {{0, 0, 10, 1}, {0, 1, 9, 2}}},
        {"side by side become one", {{0, 0, 5, 10}, {5, 0, 10, 10}}, {{0, 0, 10, 10}}},
        {"two runs stacked", {{0, 0, 2, 1}, {4, 0, 6, 1}, {0, 1, 2, 3}, {4, 1, 6, 3}}, {{0, 0, 2, 3}, {4, 0, 6, 3}}},
        {"a hole filled again", {{0, 0, 10, 3}, {0, 3, 3, 6}, {6, 3, 10, 6}, {0, 6, 10, 10}, {3, 3, 6, 6}}, {{0, 0, 10, 10}}},
        {"overlap splits bands", {{0, 0, 4, 4}, {2, 2, 6, 6}}, {{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}},
        {"later band ends a merge", {{0, 0, 4, 2}, {0, 2, 4, 3}, {6, 2, 7, 3}}, {{0, 0, 4, 2}, {0, 2, 4, 3}, {6, 2, 7, 3}}},
        {"empty rectangles add nothing", {{3, 3, 3, 9}, {5, 5, 9, 5}, {9, 9, 1, 1}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(str(Region::from_rects(c.in).rects()), str(c.out));
        Region acc;
        for (const Rect& r : c.in) acc |= Region(r);
        EXPECT_EQ(str(acc.rects()), str(c.out));
    }
}

TEST_F(RegionTest, CanonicalCheckRefusesEveryKindOfDisorder) {
    struct Case {
        const char* what;
        std::vector<Rect> rects;
        bool canonical;
    } cases[] = {
        {"empty list", {}, true},
        {"two bands", {{0, 0, 2, 1}, {3, 0, 5, 1}, {0, 1, 5, 2}}, true},
        {"band with a gap below", {{0, 0, 2, 1}, {0, 2, 2, 3}}, true},
        {"touching in a band", {{0, 0, 2, 1}, {2, 0, 5, 1}}, false},
        {"overlapping in a band", {{0, 0, 3, 1}, {2, 0, 5, 1}}, false},
        {"right to left", {{3, 0, 5, 1}, {0, 0, 2, 1}}, false},
        {"band bottoms differ", {{0, 0, 2, 1}, {3, 0, 5, 2}}, false},
        {"bands overlap", {{0, 0, 2, 2}, {0, 1, 2, 3}}, false},
        {"bands out of order", {{0, 5, 2, 6}, {0, 0, 2, 1}}, false},
        {"identical bands not merged", {{0, 0, 2, 1}, {0, 1, 2, 2}}, false},
        {"no width", {{2, 0, 2, 1}}, false},
        {"no height", {{0, 1, 2, 1}}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(Region::is_canonical(c.rects), c.canonical) << c.what;
}

TEST_F(RegionTest, ContainsMatchesThePixelModelEverywhere) {
    for (unsigned seed = 3000; seed < 3060; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        const std::vector<Rect> rects = rnd.rects(12);
        const Pixels p = pixels_of(rects);
        Rgn h = rgn_of(rects);
        for (int y = kMin; y < kMax; ++y)
            for (int x = kMin; x < kMax; ++x)
                ASSERT_EQ(win::PtInRegion(h.get(), x, y) != 0, p[bit(x, y)]) << "at " << x << "," << y;
    }
}

TEST_F(RegionTest, OffsetMovesEveryPixel) {
    for (unsigned seed = 4000; seed < 4050; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        std::vector<Rect> rects = rnd.rects(8);
        for (Rect& r : rects) r = Rect{r.left / 2, r.top / 2, r.right / 2 + 1, r.bottom / 2 + 1};
        const int dx = rnd.in(-4, 8), dy = rnd.in(-4, 8);
        Region moved = Region::from_rects(rects);
        moved.offset(dx, dy);
        for (Rect& r : rects) r = Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
        EXPECT_TRUE(IsCanonicalFormOf(moved, pixels_of(rects)));
    }
}

// ---------------------------------------------------------------- the facade
TEST_F(RegionTest, CreateRectRgnPutsCornersInOrder) {
    struct Case {
        int l, t, r, b;
        Rect box;
        int type;
    } cases[] = {
        {1, 2, 5, 7, {1, 2, 5, 7}, SIMPLEREGION},
        {10, 20, 3, 4, {3, 4, 10, 20}, SIMPLEREGION},
        {5, 2, 1, 7, {1, 2, 5, 7}, SIMPLEREGION},
        {0, 0, 0, 0, {}, NULLREGION},
        {5, 6, 5, 9, {}, NULLREGION},
        {5, 6, 9, 6, {}, NULLREGION},
        {-3, -4, -1, -2, {-3, -4, -1, -2}, SIMPLEREGION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(str({&c.box, 1}));
        Rgn h = rect_rgn(c.l, c.t, c.r, c.b);
        ASSERT_TRUE(h);
        win::RECT box{-99, -99, -99, -99};
        EXPECT_EQ(win::GetRgnBox(h.get(), &box), c.type);
        EXPECT_EQ((Rect{box.left, box.top, box.right, box.bottom}), c.box);
    }
}

TEST_F(RegionTest, CombineRgnReturnsTheTypeAndHandlesAliasing) {
    for (unsigned seed = 5000; seed < 5100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        const std::vector<Rect> ra = rnd.rects(8), rb = rnd.rects(8);
        const Pixels pa = pixels_of(ra), pb = pixels_of(rb);
        for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
            SCOPED_TRACE("mode " + std::to_string(mode));
            const RegionOp op = mode == RGN_AND ? RegionOp::And : mode == RGN_OR ? RegionOp::Or
                              : mode == RGN_XOR ? RegionOp::Xor : RegionOp::Diff;
            const std::vector<Rect> want = canonical_of(apply(op, pa, pb));
            const int type = want.empty() ? NULLREGION : want.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
            Rgn a = rgn_of(ra), b = rgn_of(rb), d = rect_rgn(1, 1, 2, 2);
            EXPECT_EQ(win::CombineRgn(d.get(), a.get(), b.get(), mode), type);
            EXPECT_EQ(str(d->region.rects()), str(want)) << "separate destination";
            EXPECT_EQ(win::CombineRgn(a.get(), a.get(), b.get(), mode), type);
            EXPECT_EQ(str(a->region.rects()), str(want)) << "destination is the first operand";
            Rgn a2 = rgn_of(ra);
            EXPECT_EQ(win::CombineRgn(b.get(), a2.get(), b.get(), mode), type);
            EXPECT_EQ(str(b->region.rects()), str(want)) << "destination is the second operand";
        }
    }
}

TEST_F(RegionTest, CombineRgnRefusesBadArgumentsAndLeavesTheDestination) {
    Rgn d = rect_rgn(1, 2, 3, 4), a = rect_rgn(0, 0, 10, 10), b = rect_rgn(5, 5, 20, 20);
    win::HRGN gone = win::CreateRectRgn(0, 0, 1, 1);
    win::DeleteObject(gone);
    const std::vector<std::uint8_t> before = bytes_of(d.get());
    struct Case {
        const char* what;
        win::HRGN dst, a, b;
        int mode;
    } cases[] = {
        {"no second operand for or", d.get(), a.get(), nullptr, RGN_OR},
        {"no second operand for and", d.get(), a.get(), nullptr, RGN_AND},
        {"no second operand for xor", d.get(), a.get(), nullptr, RGN_XOR},
        {"no second operand for diff", d.get(), a.get(), nullptr, RGN_DIFF},
        {"deleted second operand", d.get(), a.get(), gone, RGN_OR},
        {"no first operand", d.get(), nullptr, b.get(), RGN_OR},
        {"no first operand to copy", d.get(), nullptr, b.get(), RGN_COPY},
        {"mode 0", d.get(), a.get(), b.get(), 0},
        {"mode 6", d.get(), a.get(), b.get(), 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win::CombineRgn(c.dst, c.a, c.b, c.mode), RGN_ERROR) << c.what;
        EXPECT_EQ(bytes_of(d.get()), before) << c.what;
    }
    EXPECT_EQ(win::CombineRgn(nullptr, a.get(), b.get(), RGN_OR), RGN_ERROR);
    EXPECT_EQ(win::CombineRgn(gone, a.get(), b.get(), RGN_OR), RGN_ERROR);
    // RGN_COPY takes the first operand only.
    EXPECT_EQ(win::CombineRgn(d.get(), a.get(), nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(win::EqualRgn(d.get(), a.get()));
}

TEST_F(RegionTest, InvalidHandlesGetGdisErrorAnswers) {
    Rgn ok = rect_rgn(0, 0, 4, 4);  // first, so that it cannot take the freed address
    win::HRGN gone = win::CreateRectRgn(0, 0, 1, 1);
    win::DeleteObject(gone);
    std::uint8_t buf[64];
    win::RECT box{};
    for (win::HRGN bad : {static_cast<win::HRGN>(nullptr), gone}) {
        EXPECT_EQ(win::GetRegionData(bad, 0, nullptr), 0u);
        EXPECT_EQ(win::GetRegionData(bad, sizeof buf, buf), 0u);
        EXPECT_EQ(win::PtInRegion(bad, 0, 0), 0);
        EXPECT_EQ(win::GetRgnBox(bad, &box), RGN_ERROR);
        EXPECT_EQ(win::OffsetRgn(bad, 1, 1), RGN_ERROR);
        EXPECT_EQ(win::EqualRgn(bad, ok.get()), 0);
        EXPECT_EQ(win::EqualRgn(ok.get(), bad), 0);
    }
    EXPECT_EQ(win::GetRgnBox(ok.get(), nullptr), RGN_ERROR);
}

TEST_F(RegionTest, GetRegionDataWritesTheWindowsBlock) {
    Rgn h = rect_rgn(0, 0, 10, 3);
    Rgn notch = rect_rgn(4, 1, 6, 2);
    ASSERT_EQ(win::CombineRgn(h.get(), h.get(), notch.get(), RGN_DIFF), COMPLEXREGION);
    // (0,0,10,1) (0,1,4,2) (6,1,10,2) (0,2,10,3)
    const std::int32_t want[] = {32, 1, 4, 64, 0, 0, 10, 3,
                                 0,  0, 10, 1, 0, 1, 4, 2, 6, 1, 10, 2, 0, 2, 10, 3};
    ASSERT_EQ(win::GetRegionData(h.get(), 0, nullptr), sizeof want);
    std::vector<std::uint8_t> buf(sizeof want + 8, 0xCD);

    // Too small: nothing written.
    EXPECT_EQ(win::GetRegionData(h.get(), sizeof want - 1, buf.data()), 0u);
    EXPECT_EQ(win::GetRegionData(h.get(), 0, buf.data()), 0u);
    EXPECT_EQ(std::count(buf.begin(), buf.end(), 0xCD), static_cast<std::ptrdiff_t>(buf.size()));

    // Larger than needed: the block, and not a byte more.
    EXPECT_EQ(win::GetRegionData(h.get(), static_cast<win::DWORD>(buf.size()), buf.data()), sizeof want);
    EXPECT_EQ(std::memcmp(buf.data(), want, sizeof want), 0);
    EXPECT_EQ(buf[sizeof want], 0xCD);
    EXPECT_EQ(buf.back(), 0xCD);
    win::RGNDATAHEADER header;
    std::memcpy(&header, buf.data(), sizeof header);
    EXPECT_EQ(header.nRgnSize, 16 * header.nCount);
}

TEST_F(RegionTest, AnEmptyRegionWritesAZeroBoundAndSize) {
    // gdi32 (Wine 8) writes rcBound (0,0,0,0) and nRgnSize 0 for an empty
    // region, wherever the rectangle that made it was.
    const std::int32_t want[] = {32, 1, 0, 0, 0, 0, 0, 0};
    for (const Rect& corners : {Rect{0, 0, 0, 0}, Rect{5, 6, 5, 9}}) {
        Rgn h = rect_rgn(corners.left, corners.top, corners.right, corners.bottom);
        ASSERT_EQ(win::GetRegionData(h.get(), 0, nullptr), 32u);
        std::uint8_t buf[32];
        ASSERT_EQ(win::GetRegionData(h.get(), 32, buf), 32u);
        EXPECT_EQ(std::memcmp(buf, want, 32), 0);
        EXPECT_EQ(win::OffsetRgn(h.get(), 7, 7), NULLREGION);
        EXPECT_EQ(bytes_of(h.get()), std::vector<std::uint8_t>(buf, buf + 32)) << "an empty region has no place";
    }
}

TEST_F(RegionTest, GetRegionDataRoundTripsThroughExtCreateRegion) {
    const win::XFORM identity{1, 0, 0, 1, 0, 0};
    for (unsigned seed = 6000; seed < 6200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        Rgn h = rgn_of(rnd.rects(15));
        const std::vector<std::uint8_t> bytes = bytes_of(h.get());
        for (const win::XFORM* xf : {static_cast<const win::XFORM*>(nullptr), &identity}) {
            Rgn back(win::ExtCreateRegion(xf, static_cast<win::DWORD>(bytes.size()), bytes.data()));
            ASSERT_TRUE(back);
            EXPECT_TRUE(win::EqualRgn(back.get(), h.get()));
            EXPECT_EQ(bytes_of(back.get()), bytes);
        }
    }
}

TEST_F(RegionTest, ExtCreateRegionRefusesBlocksItCannotUse) {
    const std::vector<Rect> one = {{0, 0, 4, 4}};
    const auto good = block(one);
    const win::XFORM shear{1, 0.5f, 0, 1, 0, 0}, rotate{0, 1, -1, 0, 0, 0};
    const win::XFORM nan{std::nanf(""), 0, 0, 1, 0, 0}, huge{1e10f, 0, 0, 1, 0, 0};
    const win::XFORM past_max{1, 0, 0, 1, 2147483647.0f, 0}, doubled{2, 0, 0, 2, 0, 0};
    const auto wide = block({{0, 0, 0x40000000, 1}});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        win::DWORD n;  // the size passed
        const win::XFORM* xform;
    } cases[] = {
        {"no bytes", good, 0, nullptr},
        {"shorter than the header", good, 31, nullptr},
        {"header only, one rectangle announced", good, 32, nullptr},
        {"last rectangle cut short", good, 47, nullptr},
        {"dwSize 0", block(one, 0), 48, nullptr},
        {"dwSize 31", block(one, 31), 48, nullptr},
        {"dwSize 48", block(one, 48), 48, nullptr},
        {"iType 0", block(one, 32, 0), 48, nullptr},
        {"iType 2", block(one, 32, 2), 48, nullptr},
        {"nCount beyond the block", block(one, 32, 1, 2), 48, nullptr},
        {"nCount * 16 wraps in 32 bits", block(one, 32, 1, 0x10000001), 48, nullptr},
        {"nCount 0xFFFFFFFF", block(one, 32, 1, 0xFFFFFFFF), 48, nullptr},
        {"shearing transform", good, 48, &shear},
        {"rotating transform", good, 48, &rotate},
        {"scale NaN", good, 48, &nan},
        {"scale past 32 bits", good, 48, &huge},
        {"offset past 32 bits", good, 48, &past_max},
        {"corner doubled to 2^31", wide, 48, &doubled},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win::ExtCreateRegion(c.xform, c.n, c.bytes.data()), nullptr) << c.what;
        if (!c.xform) {
            try {
                Region::from_data({c.bytes.data(), c.n});
                ADD_FAILURE() << c.what << ": no exception";
            } catch (const EConvertError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("リージョンデータが不正です: ", 0), 0u) << e.what();
            }
        }
    }
    EXPECT_EQ(win::ExtCreateRegion(nullptr, 48, nullptr), nullptr);
}

// What gdi32 does with blocks GetRegionData would never write (seen under
// Wine 8): rectangles in any order are united, and without a transform a
// rectangle without area is skipped, while with any transform, the identity
// too, its corners are put in order first.
TEST_F(RegionTest, ExtCreateRegionUnitesOddBlocksAsGdiDoes) {
    const std::vector<Rect> odd = {{1, 2, 4, 6}, {4, 2, 6, 6}, {0, 0, 3, 3}, {5, 5, 2, 9}, {1, 1, 1, 5}, {9, 9, 8, 8}};
    const win::XFORM identity{1, 0, 0, 1, 0, 0}, wide{2, 0, 0, 1, 0, 0};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const win::XFORM* xform;
        std::vector<Rect> out;
    } cases[] = {
        {"unordered, overlapping, inverted, no transform", block(odd), nullptr,
         {{0, 0, 3, 2}, {0, 2, 6, 3}, {1, 3, 6, 6}}},
        {"the same with the identity", block(odd), &identity,
         {{0, 0, 3, 2}, {0, 2, 6, 3}, {1, 3, 6, 6}, {2, 6, 5, 8}, {2, 8, 5, 9}, {8, 8, 9, 9}}},
        {"an inverted rectangle, no transform", block({{5, 5, 2, 9}}), nullptr, {}},
        {"an inverted rectangle, doubled across", block({{5, 5, 2, 9}}), &wide, {{4, 5, 10, 9}}},
        {"nothing in it", block({}), nullptr, {}},
    };
    for (const Case& c : cases) {
        Rgn h(win::ExtCreateRegion(c.xform, static_cast<win::DWORD>(c.bytes.size()), c.bytes.data()));
        ASSERT_TRUE(h) << c.what;
        EXPECT_EQ(str(h->region.rects()), str(c.out)) << c.what;
    }

    // Header fields gdi32 does not read, and bytes after the rectangles.
    auto b = block({{0, 0, 4, 4}, {9, 9, 3, 3}}, 32, 1, 1);
    std::memset(b.data() + 12, 0x7F, 20);  // nRgnSize and rcBound
    Rgn h(win::ExtCreateRegion(nullptr, static_cast<win::DWORD>(b.size()), b.data()));
    ASSERT_TRUE(h);
    EXPECT_EQ(str(h->region.rects()), "(0,0,4,4)");
}

// Fractional results round half up, floor(v + 0.5), in double precision
// (values seen from gdi32 under Wine 8).
TEST_F(RegionTest, ExtCreateRegionScalesAndShiftsCornersAsGdiRounds) {
    const std::vector<Rect> three = {{1, 1, 2, 2}, {3, 3, 7, 5}, {-5, -3, -1, -1}};
    const std::vector<Rect> two = {{0, 0, 1, 1}, {3, 3, 7, 5}};
    struct Case {
        win::XFORM xf;
        std::vector<Rect> in;
        std::vector<Rect> out;
    } cases[] = {
        {{0.5f, 0, 0, 0.5f, 0, 0}, three, {{-2, -1, 0, 0}, {2, 2, 4, 3}}},
        {{1.5f, 0, 0, 1.5f, 0, 0}, three, {{-7, -4, -1, -1}, {2, 2, 3, 3}, {5, 5, 11, 8}}},
        {{2.5f, 0, 0, 2.5f, 0, 0}, three, {{-12, -7, -2, -2}, {3, 3, 5, 5}, {8, 8, 18, 13}}},
        {{0.25f, 0, 0, 0.25f, 0, 0}, three, {{-1, -1, 0, 0}, {0, 0, 1, 1}}},
        {{1.0f / 3, 0, 0, 1.0f / 3, 0, 0}, three, {{-2, -1, 0, 0}, {0, 0, 1, 1}, {1, 1, 2, 2}}},
        {{-0.5f, 0, 0, -0.5f, 0, 0}, three, {{-3, -2, -1, -1}, {-1, -1, 0, 0}, {1, 1, 3, 2}}},
        {{-1.5f, 0, 0, -1.5f, 0, 0}, three, {{-10, -7, -4, -4}, {-3, -3, -1, -1}, {2, 2, 8, 5}}},
        {{0.1f, 0, 0, 0.1f, 0, 0}, three, {{0, 0, 1, 1}}},
        {{3, 0, 0, 3, 0, 0}, three, {{-15, -9, -3, -3}, {3, 3, 6, 6}, {9, 9, 21, 15}}},
        {{0, 0, 0, 0, 0, 0}, three, {}},
        {{1, 0, 0, 1, 0.5f, 0.5f}, two, {{1, 1, 2, 2}, {4, 4, 8, 6}}},
        {{1, 0, 0, 1, -0.5f, -0.5f}, two, {{0, 0, 1, 1}, {3, 3, 7, 5}}},
        {{1, 0, 0, 1, -1.5f, -1.5f}, two, {{-1, -1, 0, 0}, {2, 2, 6, 4}}},
        {{1, 0, 0, 1, 0.49f, 0.49f}, two, {{0, 0, 1, 1}, {3, 3, 7, 5}}},
        {{1, 0, 0, 1, 2.5f, 2.5f}, two, {{3, 3, 4, 4}, {6, 6, 10, 8}}},
        {{-1, 0, 0, -1, 0, 0}, {{1, 2, 4, 6}}, {{-4, -6, -1, -2}}},
        {{2, 0, 0, 3, 10, -20}, {{1, 2, 4, 6}}, {{12, -14, 18, -2}}},
        // Double precision: 2^24 + 1 is no float, and the sum keeps it.
        {{1, 0, 0, 1, 0.25f, 0}, {{16777217, 0, 16777219, 1}}, {{16777217, 0, 16777219, 1}}},
        {{1, 0, 0, 1, 0.5f, 0}, {{16777217, 0, 16777219, 1}}, {{16777218, 0, 16777220, 1}}},
        {{1.0000001f, 0, 0, 1, 0, 0}, {{10000000, 0, 10000003, 1}}, {{10000001, 0, 10000004, 1}}},
        {{1, 0, 0, 1, -2147483648.0f, 0}, {{0, 0, 1, 1}}, {{-2147483647 - 1, 0, -2147483647, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("scale " + std::to_string(c.xf.eM11) + " offset " + std::to_string(c.xf.eDx) + " on " + str(c.in));
        const auto b = block(c.in);
        Rgn h(win::ExtCreateRegion(&c.xf, static_cast<win::DWORD>(b.size()), b.data()));
        ASSERT_TRUE(h);
        EXPECT_EQ(str(h->region.rects()), str(c.out));
    }
}

TEST_F(RegionTest, IntegerTransformsMapEveryPixel) {
    for (unsigned seed = 7000; seed < 7100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        std::vector<Rect> rects = rnd.rects(6);
        for (Rect& r : rects) r = Rect{r.left / 4, r.top / 4, r.right / 4 + 1, r.bottom / 4 + 1};  // [-2, 7)
        const int sx = rnd.in(1, 3) * (rnd.in(0, 1) ? 1 : -1), sy = rnd.in(1, 3);
        // Keeps the image on the grid: x*sx in [-21, 21), y*sy in [-6, 21).
        const int dx = rnd.in(-1, 1) + (sx < 0 ? 14 : 0), dy = rnd.in(-2, 2);
        const Region source = Region::from_rects(rects);
        const auto bytes = source.data();
        const win::XFORM xf{static_cast<float>(sx), 0, 0, static_cast<float>(sy), static_cast<float>(dx), static_cast<float>(dy)};
        Rgn h(win::ExtCreateRegion(&xf, static_cast<win::DWORD>(bytes.size()), bytes.data()));
        ASSERT_TRUE(h);
        // Each source pixel becomes an sx by sy block of pixels.
        Pixels want;
        for (const Rect& r : source.rects())
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    for (int j = 0; j < sy; ++j)
                        for (int i = 0; i < std::abs(sx); ++i)
                            want.set(bit((sx > 0 ? x * sx : x * sx + sx) + i + dx, y * sy + j + dy));
        EXPECT_TRUE(IsCanonicalFormOf(h->region, want)) << "scale " << sx << "," << sy << " offset " << dx << "," << dy;
        Rgn shifted(win::ExtCreateRegion(nullptr, static_cast<win::DWORD>(bytes.size()), bytes.data()));
        if (sx == 1 && sy == 1) {
            ASSERT_NE(win::OffsetRgn(shifted.get(), dx, dy), RGN_ERROR);
            EXPECT_TRUE(win::EqualRgn(shifted.get(), h.get())) << "an integer shift is OffsetRgn";
        }
    }
}

TEST_F(RegionTest, PtInRegionCountsLeftAndTopEdgesOnly) {
    Rgn h = rect_rgn(2, 3, 5, 7);
    struct Case {
        int x, y;
        bool in;
    } cases[] = {{2, 3, true}, {4, 6, true}, {5, 6, false}, {4, 7, false}, {1, 3, false}, {2, 2, false}, {3, 5, true}};
    for (const Case& c : cases) EXPECT_EQ(win::PtInRegion(h.get(), c.x, c.y) != 0, c.in) << c.x << "," << c.y;
}

TEST_F(RegionTest, OffsetThatLeaves32BitsIsRefused) {
    Rgn h = rect_rgn(0x7fffff00, -5, 0x7fffffff, 5);
    const auto before = bytes_of(h.get());
    struct Case {
        int dx, dy;
        int result;
    } cases[] = {
        {1, 0, RGN_ERROR},
        {0, std::numeric_limits<int>::max(), RGN_ERROR},
        {0, std::numeric_limits<int>::min(), RGN_ERROR},
        {-0x7fffff00, 0, SIMPLEREGION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        const auto was = bytes_of(h.get());
        EXPECT_EQ(win::OffsetRgn(h.get(), c.dx, c.dy), c.result);
        if (c.result == RGN_ERROR) {
            EXPECT_EQ(bytes_of(h.get()), was);
        }
    }
    win::RECT box;
    win::GetRgnBox(h.get(), &box);
    EXPECT_EQ((Rect{box.left, box.top, box.right, box.bottom}), (Rect{0, -5, 0xff, 5}));
    EXPECT_NE(bytes_of(h.get()), before);

    Region r(Rect{0, 0, 1, 1});
    EXPECT_THROW(r.offset(std::numeric_limits<int>::max(), 0), EInvalidOperation);
    EXPECT_TRUE(r == Region(Rect{0, 0, 1, 1}));
}

TEST_F(RegionTest, EqualRgnComparesPixelsNotHistory) {
    Rgn whole = rect_rgn(0, 0, 10, 10);
    Rgn pieces = rgn_of(std::vector<Rect>{{0, 5, 10, 10}, {5, 0, 10, 5}, {0, 0, 6, 5}});
    Rgn smaller = rect_rgn(0, 0, 10, 9);
    Rgn empty1 = rect_rgn(0, 0, 0, 0), empty2 = rect_rgn(4, 4, 4, 8);
    EXPECT_TRUE(win::EqualRgn(whole.get(), pieces.get()));
    EXPECT_FALSE(win::EqualRgn(whole.get(), smaller.get()));
    EXPECT_TRUE(win::EqualRgn(empty1.get(), empty2.get()));
}

}  // namespace
