// Our regions against the real gdi32: the same seeded sequences of
// CreateRectRgn / CombineRgn / OffsetRgn run on both, and the region data
// blocks compared byte for byte; blocks we write fed to the real
// ExtCreateRegion; odd blocks fed to both ExtCreateRegions.
#include "platform/graphics/Region.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <windows.h>

namespace {

struct DeleteOurs {
    void operator()(win::RgnObject* h) const { win::DeleteObject(h); }
};
using Ours = std::unique_ptr<win::RgnObject, DeleteOurs>;

struct DeleteReal {
    void operator()(HRGN h) const { ::DeleteObject(h); }
};
using Real = std::unique_ptr<std::remove_pointer_t<HRGN>, DeleteReal>;

std::vector<std::uint8_t> ours_bytes(win::HRGN h) {
    std::vector<std::uint8_t> v(win::GetRegionData(h, 0, nullptr));
    win::GetRegionData(h, static_cast<win::DWORD>(v.size()), v.data());
    return v;
}

std::vector<std::uint8_t> real_bytes(HRGN h) {
    std::vector<std::uint8_t> v(::GetRegionData(h, 0, nullptr));
    ::GetRegionData(h, static_cast<DWORD>(v.size()), reinterpret_cast<RGNDATA*>(v.data()));
    return v;
}

std::string dump(const std::vector<std::uint8_t>& b) {
    std::string s;
    for (std::size_t i = 16; i + 16 <= b.size(); i += 16) {
        std::int32_t r[4];
        std::memcpy(r, b.data() + i, 16);
        s += (i == 16 ? "bound " : " ") + std::string("(") + std::to_string(r[0]) + "," + std::to_string(r[1]) + "," +
             std::to_string(r[2]) + "," + std::to_string(r[3]) + ")";
    }
    return s;
}

testing::AssertionResult SameBlock(const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& real) {
    if (ours == real) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "ours " << dump(ours) << "\nreal " << dump(real);
}

struct Random {
    explicit Random(unsigned seed) : gen(seed) {}
    int in(int lo, int hi) { return lo + static_cast<int>(gen() % static_cast<unsigned>(hi - lo + 1)); }
    std::mt19937 gen;
};

class RegionWineTest : public testing::Test {
protected:
    void SetUp() override { live_ = win::LiveGdiObjects(); }
    void TearDown() override { EXPECT_EQ(win::LiveGdiObjects(), live_) << "GDI objects leaked or freed twice"; }

private:
    long live_ = 0;
};

// Random rectangle sequences, mostly unions, some of every other mode, with
// the destination as first operand, as second operand, or apart; swapped
// and empty corners included.
TEST_F(RegionWineTest, CombineSequencesWriteTheBytesGdiWrites) {
    long compared = 0;
    for (unsigned seed = 1; seed <= 5000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        Ours ours(win::CreateRectRgn(0, 0, 0, 0));
        Real real(::CreateRectRgn(0, 0, 0, 0));
        const int steps = rnd.in(1, 24);
        for (int step = 0; step < steps; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            const int l = rnd.in(-16, 48), t = rnd.in(-16, 48);
            const int r = rnd.in(0, 9) == 0 ? l : l + rnd.in(-6, 20);
            const int b = rnd.in(0, 3) == 0 ? t + 1 : t + rnd.in(-4, 12);
            const int pick = rnd.in(0, 19);
            const int mode = pick < 12 ? RGN_OR : pick < 14 ? RGN_AND : pick < 16 ? RGN_XOR : pick < 19 ? RGN_DIFF : RGN_COPY;
            Ours op(win::CreateRectRgn(l, t, r, b));
            Real rp(::CreateRectRgn(l, t, r, b));
            ASSERT_TRUE(SameBlock(ours_bytes(op.get()), real_bytes(rp.get()))) << "CreateRectRgn " << l << "," << t << "," << r << "," << b;
            switch (rnd.in(0, 2)) {
            case 0:
                ASSERT_EQ(win::CombineRgn(ours.get(), ours.get(), op.get(), mode), ::CombineRgn(real.get(), real.get(), rp.get(), mode));
                break;
            case 1:
                ASSERT_EQ(win::CombineRgn(op.get(), ours.get(), op.get(), mode), ::CombineRgn(rp.get(), real.get(), rp.get(), mode));
                std::swap(ours, op);
                std::swap(real, rp);
                break;
            default: {
                Ours od(win::CreateRectRgn(1, 1, 2, 2));
                Real rd(::CreateRectRgn(1, 1, 2, 2));
                ASSERT_EQ(win::CombineRgn(od.get(), ours.get(), op.get(), mode), ::CombineRgn(rd.get(), real.get(), rp.get(), mode));
                std::swap(ours, od);
                std::swap(real, rd);
            }
            }
            if (rnd.in(0, 7) == 0) {
                const int dx = rnd.in(-5, 5), dy = rnd.in(-5, 5);
                ASSERT_EQ(win::OffsetRgn(ours.get(), dx, dy), ::OffsetRgn(real.get(), dx, dy));
            }
            ASSERT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get())));
            ++compared;
            for (int k = 0; k < 4; ++k) {
                const int x = rnd.in(-20, 70), y = rnd.in(-20, 70);
                ASSERT_EQ(win::PtInRegion(ours.get(), x, y) != 0, ::PtInRegion(real.get(), x, y) != 0) << x << "," << y;
            }
            win::RECT ob{};
            RECT rb{};
            ASSERT_EQ(win::GetRgnBox(ours.get(), &ob), ::GetRgnBox(real.get(), &rb));
            ASSERT_TRUE(ob.left == rb.left && ob.top == rb.top && ob.right == rb.right && ob.bottom == rb.bottom);
        }
    }
    std::printf("CombineRgn steps compared byte for byte with gdi32: %ld\n", compared);
    RecordProperty("compared", static_cast<int>(compared));
}

// The bitmap conversion's pattern: 1-pixel runs of a 24 x 23 mask united
// from the top row down.
TEST_F(RegionWineTest, SpriteRowUnionsWriteTheBytesGdiWrites) {
    long compared = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        const int density = rnd.in(1, 9);
        Ours ours(win::CreateRectRgn(0, 0, 0, 0));
        Real real(::CreateRectRgn(0, 0, 0, 0));
        std::vector<bool> prev(24);
        for (int y = 0; y < 23; ++y) {
            std::vector<bool> row(24);
            for (int x = 0; x < 24; ++x) row[static_cast<std::size_t>(x)] = rnd.in(0, 9) < 4 ? prev[static_cast<std::size_t>(x)] : rnd.in(0, 9) < density;
            prev = row;
            for (int x = 0; x < 24;) {
                if (!row[static_cast<std::size_t>(x)]) { ++x; continue; }
                const int s = x;
                while (x < 24 && row[static_cast<std::size_t>(x)]) ++x;
                Ours op(win::CreateRectRgn(s, y, x, y + 1));
                Real rp(::CreateRectRgn(s, y, x, y + 1));
                win::CombineRgn(ours.get(), ours.get(), op.get(), RGN_OR);
                ::CombineRgn(real.get(), real.get(), rp.get(), RGN_OR);
            }
        }
        ASSERT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get())));
        ++compared;
    }
    std::printf("sprite masks compared byte for byte with gdi32: %ld\n", compared);
}

TEST_F(RegionWineTest, EmptyRegionBlockIsGdis) {
    for (int c : {0, 7}) {
        Ours ours(win::CreateRectRgn(c, c, c, c + 3));
        Real real(::CreateRectRgn(c, c, c, c + 3));
        EXPECT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get())));
        Ours a(win::CreateRectRgn(0, 0, 5, 5)), b(win::CreateRectRgn(2, 2, 9, 9));
        Real ra(::CreateRectRgn(0, 0, 5, 5)), rb(::CreateRectRgn(2, 2, 9, 9));
        EXPECT_EQ(win::CombineRgn(ours.get(), a.get(), a.get(), RGN_DIFF), ::CombineRgn(real.get(), ra.get(), ra.get(), RGN_DIFF));
        EXPECT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get()))) << "emptied by a difference";
    }
}

// The real ExtCreateRegion takes every block we write, with or without
// an identity transform, and gives back the same rectangles.
TEST_F(RegionWineTest, RealExtCreateRegionAcceptsOurBlocks) {
    long compared = 0;
    const XFORM identity{1, 0, 0, 1, 0, 0};
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        Ours ours(win::CreateRectRgn(0, 0, 0, 0));
        for (int k = rnd.in(0, 30); k > 0; --k) {
            const int l = rnd.in(-1000, 1000), t = rnd.in(-1000, 1000);
            Ours piece(win::CreateRectRgn(l, t, l + rnd.in(1, 300), t + rnd.in(1, 300)));
            win::CombineRgn(ours.get(), ours.get(), piece.get(), rnd.in(0, 4) ? RGN_OR : RGN_XOR);
        }
        const auto block = ours_bytes(ours.get());
        for (const XFORM* xf : {static_cast<const XFORM*>(nullptr), &identity}) {
            Real real(::ExtCreateRegion(xf, static_cast<DWORD>(block.size()), reinterpret_cast<const RGNDATA*>(block.data())));
            ASSERT_TRUE(real);
            ASSERT_TRUE(SameBlock(block, real_bytes(real.get())));
            ++compared;
        }
    }
    std::printf("our blocks rebuilt by the real ExtCreateRegion: %ld\n", compared);
}

std::vector<std::uint8_t> block_of(const std::vector<win::RECT>& rects) {
    std::vector<std::uint8_t> b(32 + 16 * rects.size());
    const std::uint32_t header[8] = {32, 1, static_cast<std::uint32_t>(rects.size()), 0, 0, 0, 0, 0};
    std::memcpy(b.data(), header, sizeof header);
    if (!rects.empty()) std::memcpy(b.data() + 32, rects.data(), 16 * rects.size());
    return b;
}

// Blocks GetRegionData never writes (rectangles unordered, overlapping,
// inverted or without area) under fractional scales and offsets: where our
// ExtCreateRegion takes a block, it builds what gdi32 builds.
TEST_F(RegionWineTest, OddBlocksUnderTransformsMatchGdi) {
    const float scales[] = {1, 0.5f, 1.5f, 2.5f, 0.25f, 1.0f / 3, 2.0f / 3, 0.1f, -0.5f, -1.5f, 3, 1.25f, 0.75f, -1, 2};
    const float offsets[] = {0, 0.5f, -0.5f, 1.5f, -1.5f, 0.25f, 0.49f, 2.5f, -7, 13.75f};
    long compared = 0, refused = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        std::vector<win::RECT> rects(static_cast<std::size_t>(rnd.in(0, 12)));
        for (win::RECT& r : rects) {
            r.left = rnd.in(-40, 40);
            r.top = rnd.in(-40, 40);
            r.right = r.left + rnd.in(-10, 25);
            r.bottom = r.top + rnd.in(-10, 25);
        }
        const auto block = block_of(rects);
        const bool transformed = seed % 5 != 0;
        const XFORM rx{scales[rnd.in(0, 14)], 0, 0, scales[rnd.in(0, 14)], offsets[rnd.in(0, 9)], offsets[rnd.in(0, 9)]};
        const win::XFORM ox{rx.eM11, 0, 0, rx.eM22, rx.eDx, rx.eDy};
        SCOPED_TRACE(transformed ? "scale " + std::to_string(rx.eM11) + "," + std::to_string(rx.eM22) + " offset " +
                                       std::to_string(rx.eDx) + "," + std::to_string(rx.eDy)
                                 : std::string("no transform"));
        Ours ours(win::ExtCreateRegion(transformed ? &ox : nullptr, static_cast<win::DWORD>(block.size()), block.data()));
        Real real(::ExtCreateRegion(transformed ? &rx : nullptr, static_cast<DWORD>(block.size()),
                                    reinterpret_cast<const RGNDATA*>(block.data())));
        if (!ours) {
            ++refused;
            continue;
        }
        ASSERT_TRUE(real);
        ASSERT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get())));
        ++compared;
    }
    EXPECT_EQ(refused, 0);
    std::printf("odd blocks built alike by both ExtCreateRegions: %ld\n", compared);
}

// Header faults: we refuse more than gdi32 does (it reads neither iType nor
// the size passed); on the ones we take, we agree.
TEST_F(RegionWineTest, HeaderTableAgreesWhereWeAccept) {
    const std::vector<win::RECT> one = {{0, 0, 4, 4}, {2, 2, 9, 3}};
    struct Case {
        const char* what;
        std::uint32_t dw_size, type, count;
        DWORD n;
        bool we_accept;
    } cases[] = {
        {"canonical", 32, 1, 2, 64, true},
        {"size larger than needed", 32, 1, 2, 200, true},
        {"fewer rectangles announced", 32, 1, 1, 64, true},
        {"none announced", 32, 1, 0, 64, true},
        {"dwSize 31", 31, 1, 2, 64, false},
        {"dwSize 48", 48, 1, 2, 64, false},
        {"iType 2", 32, 2, 2, 64, false},
        {"size too small for nCount", 32, 1, 2, 63, false},
        {"size below the header", 32, 1, 0, 31, false},
    };
    for (const Case& c : cases) {
        auto b = block_of(one);
        b.resize(256);
        const std::uint32_t header[3] = {c.dw_size, c.type, c.count};
        std::memcpy(b.data(), header, sizeof header);
        Ours ours(win::ExtCreateRegion(nullptr, c.n, b.data()));
        EXPECT_EQ(static_cast<bool>(ours), c.we_accept) << c.what;
        if (!ours) continue;
        Real real(::ExtCreateRegion(nullptr, c.n, reinterpret_cast<const RGNDATA*>(b.data())));
        ASSERT_TRUE(real) << c.what;
        EXPECT_TRUE(SameBlock(ours_bytes(ours.get()), real_bytes(real.get()))) << c.what;
    }
}

TEST_F(RegionWineTest, GetRegionDataBufferRulesAreGdis) {
    Ours ours(win::CreateRectRgn(0, 0, 10, 10));
    Real real(::CreateRectRgn(0, 0, 10, 10));
    Ours hole(win::CreateRectRgn(3, 3, 6, 6));
    Real rhole(::CreateRectRgn(3, 3, 6, 6));
    win::CombineRgn(ours.get(), ours.get(), hole.get(), RGN_DIFF);
    ::CombineRgn(real.get(), real.get(), rhole.get(), RGN_DIFF);
    const DWORD size = ::GetRegionData(real.get(), 0, nullptr);
    ASSERT_EQ(win::GetRegionData(ours.get(), 0, nullptr), size);
    for (DWORD n : {DWORD{0}, DWORD{31}, size - 1, size, size + 40}) {
        std::vector<std::uint8_t> ob(size + 64, 0xCD), rb(size + 64, 0xCD);
        EXPECT_EQ(win::GetRegionData(ours.get(), n, ob.data()), ::GetRegionData(real.get(), n, reinterpret_cast<RGNDATA*>(rb.data()))) << n;
        EXPECT_EQ(ob, rb) << "bytes touched with n = " << n;
        EXPECT_EQ(win::GetRegionData(ours.get(), n, nullptr), ::GetRegionData(real.get(), n, nullptr)) << n;
    }
}

}  // namespace
