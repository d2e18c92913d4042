#include "platform/graphics/Region.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <unordered_set>

#include "platform/core/Exceptions.h"

namespace gfx {
namespace {

constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();

// One past the last rectangle of the band starting at i.
std::size_t band_end(std::span<const Rect> r, std::size_t i) {
    const int top = r[i].top;
    while (++i < r.size() && r[i].top == top) {
    }
    return i;
}

bool same_x(const Rect* a, const Rect* b, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k)
        if (a[k].left != b[k].left || a[k].right != b[k].right) return false;
    return true;
}

bool keeps(RegionOp op, bool in_a, bool in_b) {
    switch (op) {
    case RegionOp::And: return in_a && in_b;
    case RegionOp::Or: return in_a || in_b;
    case RegionOp::Xor: return in_a != in_b;
    case RegionOp::Diff: return in_a && !in_b;
    }
    return false;
}

// Appends bands to a rectangle list, merging a band into the one above it
// when they touch and have the same x-extents.
class BandWriter {
public:
    explicit BandWriter(std::vector<Rect>& out) : out_(out), prev_(out.size()) {
        if (!out.empty()) {
            prev_ = out.size() - 1;
            while (prev_ > 0 && out[prev_ - 1].top == out.back().top) --prev_;
        }
    }
    void begin(int top, int bottom) {
        start_ = out_.size();
        top_ = top;
        bottom_ = bottom;
    }
    void add(int left, int right) { out_.push_back(Rect{left, top_, right, bottom_}); }
    void end() {
        const std::size_t n = out_.size() - start_;
        if (n == 0) return;
        if (prev_ < start_ && out_[prev_].bottom == top_ && start_ - prev_ == n &&
            same_x(&out_[prev_], &out_[start_], n)) {
            for (std::size_t k = prev_; k < start_; ++k) out_[k].bottom = bottom_;
            out_.resize(start_);
        } else {
            prev_ = start_;
        }
    }

private:
    std::vector<Rect>& out_;
    std::size_t prev_;  // start of the last band written; out_.size() when none
    std::size_t start_ = 0;
    int top_ = 0, bottom_ = 0;
};

// The x-intervals of one output band: a merge of the two bands' edges.
void merge_band(std::span<const Rect> a, std::span<const Rect> b, RegionOp op, int top, int bottom,
                BandWriter& w) {
    w.begin(top, bottom);
    const std::size_t na = 2 * a.size(), nb = 2 * b.size();
    std::size_t i = 0, j = 0;
    bool in_a = false, in_b = false, on = false;
    int start = 0;
    while (i < na || j < nb) {
        const std::int64_t xa = i < na ? (i % 2 ? a[i / 2].right : a[i / 2].left) : kNone;
        const std::int64_t xb = j < nb ? (j % 2 ? b[j / 2].right : b[j / 2].left) : kNone;
        const std::int64_t x = std::min(xa, xb);
        // A band's own intervals never touch, so each side has at most one edge at x.
        if (xa == x) { in_a = !in_a; ++i; }
        if (xb == x) { in_b = !in_b; ++j; }
        const bool now = keeps(op, in_a, in_b);
        if (now != on) {
            if (now) start = static_cast<int>(x);
            else w.add(start, static_cast<int>(x));
            on = now;
        }
    }
    w.end();
}

// The band sweep: walks the y-intervals where the pair of bands (one of a,
// one of b, either possibly absent) stays the same, and writes each
// interval's combination.
void sweep(std::span<const Rect> a, std::span<const Rect> b, RegionOp op, BandWriter& w) {
    const bool keep_a = op != RegionOp::And;                           // a outside b survives
    const bool keep_b = op == RegionOp::Or || op == RegionOp::Xor;     // b outside a survives
    std::size_t ia = 0, ib = 0;
    std::size_t ea = a.empty() ? 0 : band_end(a, 0);
    std::size_t eb = b.empty() ? 0 : band_end(b, 0);
    std::int64_t y = std::numeric_limits<std::int64_t>::min();
    for (;;) {
        const bool has_a = ia < a.size(), has_b = ib < b.size();
        if (!(has_a && (has_b || keep_a)) && !(has_b && (has_a || keep_b))) break;
        const std::int64_t a_top = has_a ? a[ia].top : kNone, a_bot = has_a ? a[ia].bottom : kNone;
        const std::int64_t b_top = has_b ? b[ib].top : kNone, b_bot = has_b ? b[ib].bottom : kNone;
        y = std::max(y, std::min(a_top, b_top));
        const bool in_a = a_top <= y, in_b = b_top <= y;
        std::int64_t next = std::min(in_a ? a_bot : a_top, in_b ? b_bot : b_top);
        if ((in_a && in_b) || (in_a && keep_a) || (in_b && keep_b)) {
            merge_band(in_a ? a.subspan(ia, ea - ia) : std::span<const Rect>{},
                       in_b ? b.subspan(ib, eb - ib) : std::span<const Rect>{}, op,
                       static_cast<int>(y), static_cast<int>(next), w);
        }
        y = next;
        if (in_a && a_bot == y) {
            ia = ea;
            if (ia < a.size()) ea = band_end(a, ia);
        }
        if (in_b && b_bot == y) {
            ib = eb;
            if (ib < b.size()) eb = band_end(b, ib);
        }
    }
}

// Index of the first band of r that reaches below y; bands before it lie
// wholly above y. Rectangles are sorted by bottom as well as by top.
std::size_t first_band_below(std::span<const Rect> r, int y) {
    return static_cast<std::size_t>(
        std::partition_point(r.begin(), r.end(), [y](const Rect& q) { return q.bottom <= y; }) - r.begin());
}

// Index of the first band of r that starts at or below y.
std::size_t first_band_from(std::span<const Rect> r, int y) {
    return static_cast<std::size_t>(
        std::partition_point(r.begin(), r.end(), [y](const Rect& q) { return q.top < y; }) - r.begin());
}

Rect bounds_union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Region unite_all(std::span<const Rect> r) {
    if (r.size() == 1) return Region(r[0]);
    Region left = unite_all(r.first(r.size() / 2));
    left.combine(unite_all(r.subspan(r.size() / 2)), RegionOp::Or);
    return left;
}

std::uint32_t get_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t get_i32(const std::uint8_t* p) { return static_cast<std::int32_t>(get_u32(p)); }
void put_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
void put_rect(std::uint8_t* p, const Rect& r) {
    put_u32(p, static_cast<std::uint32_t>(r.left));
    put_u32(p + 4, static_cast<std::uint32_t>(r.top));
    put_u32(p + 8, static_cast<std::uint32_t>(r.right));
    put_u32(p + 12, static_cast<std::uint32_t>(r.bottom));
}

[[noreturn]] void bad_block(const char* why) { throw EConvertError(std::string("リージョンデータが不正です: ") + why); }

int map_coordinate(std::int32_t v, double scale, double shift) {
    const double mapped = std::floor(static_cast<double>(v) * scale + shift + 0.5);
    // The negated test also catches NaN.
    if (!(mapped >= std::numeric_limits<std::int32_t>::min() && mapped <= std::numeric_limits<std::int32_t>::max()))
        bad_block("変換後の座標が範囲を超えています");
    return static_cast<int>(mapped);
}

}  // namespace

Region::Region(const Rect& r) {
    if (r.left < r.right && r.top < r.bottom) {
        rects_.push_back(r);
        bounds_ = r;
    }
}

Region Region::from_rects(std::span<const Rect> rects) {
    if (is_canonical(rects)) {
        Region r;
        r.rects_.assign(rects.begin(), rects.end());
        r.recompute_bounds();
        return r;
    }
    std::vector<Rect> solid;
    for (const Rect& q : rects)
        if (q.left < q.right && q.top < q.bottom) solid.push_back(q);
    return solid.empty() ? Region() : unite_all(solid);
}

Region Region::from_data(std::span<const std::uint8_t> block, const RegionTransform* transform) {
    if (block.size() < kHeaderSize) bad_block("ヘッダーより短いデータです");
    const std::uint8_t* p = block.data();
    if (get_u32(p) != kHeaderSize) bad_block("ヘッダーの大きさが 32 ではありません");
    if (get_u32(p + 4) != 1) bad_block("矩形の並びではありません");
    const std::uint64_t count = get_u32(p + 8);
    if (count > (block.size() - kHeaderSize) / kRectSize) bad_block("矩形の数がデータの長さを超えています");

    std::vector<Rect> rects;
    rects.reserve(static_cast<std::size_t>(count));
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* q = p + kHeaderSize + k * kRectSize;
        Rect r{get_i32(q), get_i32(q + 4), get_i32(q + 8), get_i32(q + 12)};
        if (transform) {
            // gdi32 maps the four corners of each rectangle as a polygon, so
            // a rectangle given right-to-left or bottom-to-top still counts.
            const int x0 = map_coordinate(r.left, transform->sx, transform->dx);
            const int x1 = map_coordinate(r.right, transform->sx, transform->dx);
            const int y0 = map_coordinate(r.top, transform->sy, transform->dy);
            const int y1 = map_coordinate(r.bottom, transform->sy, transform->dy);
            r = Rect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
        }
        rects.push_back(r);
    }
    return from_rects(rects);
}

std::vector<std::uint8_t> Region::data() const {
    std::vector<std::uint8_t> out(data_size());
    write_data(out.data());
    return out;
}

void Region::write_data(std::uint8_t* out) const {
    put_u32(out, kHeaderSize);
    put_u32(out + 4, 1);
    put_u32(out + 8, static_cast<std::uint32_t>(rects_.size()));
    put_u32(out + 12, static_cast<std::uint32_t>(rects_.size() * kRectSize));
    put_rect(out + 16, bounds_);
    for (std::size_t k = 0; k < rects_.size(); ++k) put_rect(out + kHeaderSize + k * kRectSize, rects_[k]);
}

bool Region::contains(int x, int y) const {
    const std::span<const Rect> r = rects_;
    const std::size_t first = first_band_below(r, y);
    if (first == r.size() || r[first].top > y) return false;
    const auto band = r.subspan(first, band_end(r, first) - first);
    const auto it = std::partition_point(band.begin(), band.end(), [x](const Rect& q) { return q.right <= x; });
    return it != band.end() && it->left <= x;
}

void Region::offset(int dx, int dy) {
    if (empty()) return;
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
    const std::int64_t l = std::int64_t{bounds_.left} + dx, r = std::int64_t{bounds_.right} + dx;
    const std::int64_t t = std::int64_t{bounds_.top} + dy, b = std::int64_t{bounds_.bottom} + dy;
    if (l < lo || r > hi || t < lo || b > hi)
        throw EInvalidOperation("リージョンを移動すると座標が範囲を超えます");
    for (Rect& q : rects_) {
        q.left += dx;
        q.right += dx;
        q.top += dy;
        q.bottom += dy;
    }
    bounds_ = Rect{bounds_.left + dx, bounds_.top + dy, bounds_.right + dx, bounds_.bottom + dy};
}

void Region::combine(const Region& other, RegionOp op) {
    if (other.empty()) {
        if (op == RegionOp::And) *this = Region();
        return;
    }
    if (empty()) {
        if (op == RegionOp::Or || op == RegionOp::Xor) *this = other;
        return;
    }
    // Only the bands that share rows with `other` take part in the sweep.
    // Those wholly above or below it are kept as they are (or, xor, diff)
    // or dropped (and).
    const std::span<const Rect> all = rects_;
    const std::size_t lo = first_band_below(all, other.bounds_.top);
    const std::size_t hi = first_band_from(all, other.bounds_.bottom);

    thread_local std::vector<Rect> mid;
    mid.clear();
    {
        BandWriter w(mid);
        sweep(all.subspan(lo, hi - lo), other.rects_, op, w);
    }
    if (op == RegionOp::And) {
        rects_.assign(mid.begin(), mid.end());
        recompute_bounds();
        return;
    }
    splice(lo, hi, mid);
    if (op == RegionOp::Or) bounds_ = bounds_union(bounds_, other.bounds_);
    else recompute_bounds();
}

// Replaces rects_[lo, hi) by mid (canonical, lying in between), merging
// mid's first band into the band above and the band below into mid's last
// band where they touch with the same x-extents.
void Region::splice(std::size_t lo, std::size_t hi, std::vector<Rect>& mid) {
    std::vector<Rect>& v = rects_;
    auto touches = [](const Rect* upper, std::size_t upper_n, const Rect* lower, std::size_t lower_n) {
        return upper[0].bottom == lower[0].top && upper_n == lower_n && same_x(upper, lower, upper_n);
    };
    // The band just above the splice, [above, lo), and the one just below, [hi, below_end).
    std::size_t above = lo;
    while (above > 0 && v[above - 1].top == v[lo - 1].top) --above;
    const std::size_t below_end = hi < v.size() ? band_end(v, hi) : hi;

    std::size_t mid_from = 0, tail_from = hi;
    bool front = false, back = false;
    if (lo > 0 && !mid.empty()) {
        const std::size_t first_end = band_end(mid, 0);
        if (touches(&v[above], lo - above, mid.data(), first_end)) {
            front = true;
            mid_from = first_end;
        }
    }
    std::size_t last = mid.size();  // the last band of mid, [last, mid.size())
    while (last > 0 && mid[last - 1].top == mid.back().top) --last;
    // With nothing in between, the bands above and below cannot touch: the
    // rows of `other` lie between them.
    if (hi < v.size() && !mid.empty()) {
        back = touches(&mid[last], mid.size() - last, &v[hi], below_end - hi);
        if (back) tail_from = below_end;
    }

    // Reserve first: once this has not thrown, nothing below can. Growth is
    // geometric so that appending row after row stays linear overall.
    const std::size_t mid_n = mid.size() - mid_from, tail_n = v.size() - tail_from;
    const std::size_t size = lo + mid_n + tail_n;
    if (size > v.capacity()) v.reserve(std::max(size, 2 * v.capacity()));

    if (front)
        for (std::size_t k = above; k < lo; ++k) v[k].bottom = mid[0].bottom;
    if (back) {
        const int bottom = v[hi].bottom;
        // The band that grows is mid's last, or the band above if that one took all of mid.
        if (!(front && last == 0))
            for (std::size_t k = last; k < mid.size(); ++k) mid[k].bottom = bottom;
        else
            for (std::size_t k = above; k < lo; ++k) v[k].bottom = bottom;
    }
    const std::size_t old = v.size();
    if (size > old) v.resize(size);
    if (tail_n) std::memmove(v.data() + lo + mid_n, v.data() + tail_from, tail_n * sizeof(Rect));
    if (mid_n) std::memcpy(v.data() + lo, mid.data() + mid_from, mid_n * sizeof(Rect));
    v.resize(size);
}

Region combine(const Region& a, const Region& b, RegionOp op) {
    Region r = a;
    r.combine(b, op);
    return r;
}

void Region::recompute_bounds() {
    if (rects_.empty()) {
        bounds_ = Rect{};
        return;
    }
    const std::span<const Rect> r = rects_;
    bounds_ = Rect{r.front().left, r.front().top, r.back().right, r.back().bottom};
    for (std::size_t i = 0; i < r.size();) {
        const std::size_t e = band_end(r, i);
        bounds_.left = std::min(bounds_.left, r[i].left);
        bounds_.right = std::max(bounds_.right, r[e - 1].right);
        i = e;
    }
}

bool Region::is_canonical(std::span<const Rect> r) {
    std::size_t prev = 0, prev_end = 0;  // the band before, [prev, prev_end)
    for (std::size_t i = 0; i < r.size();) {
        const int top = r[i].top, bottom = r[i].bottom;
        std::size_t e = i;
        for (; e < r.size() && r[e].top == top; ++e) {
            if (r[e].bottom != bottom || r[e].left >= r[e].right || top >= bottom) return false;
            if (e > i && r[e - 1].right >= r[e].left) return false;
        }
        if (prev_end > 0) {
            if (top < r[prev].bottom) return false;
            if (top == r[prev].bottom && e - i == prev_end - prev && same_x(&r[prev], &r[i], e - i)) return false;
        }
        prev = i;
        prev_end = e;
        i = e;
    }
    return true;
}

}  // namespace gfx

namespace win {
namespace {

// The region objects alive now, so that a deleted or foreign handle is
// answered as invalid instead of being followed.
std::unordered_set<const RgnObject*>& live_regions() {
    static std::unordered_set<const RgnObject*> set;
    return set;
}

bool valid(HRGN h) { return h && live_regions().count(h) != 0; }

int region_type(const gfx::Region& r) {
    return r.empty() ? NULLREGION : r.rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

RgnObject::RgnObject() : GdiObject(GdiKind::Region) { live_regions().insert(this); }
RgnObject::RgnObject(gfx::Region r) : GdiObject(GdiKind::Region), region(std::move(r)) { live_regions().insert(this); }
RgnObject::~RgnObject() { live_regions().erase(this); }

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    try {
        return new RgnObject(gfx::Region(gfx::Rect{std::min(left, right), std::min(top, bottom),
                                                   std::max(left, right), std::max(top, bottom)}));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
    if (!valid(dst) || !valid(a)) return RGN_ERROR;
    try {
        if (mode == RGN_COPY) {
            if (dst != a) dst->region = a->region;
            return region_type(dst->region);
        }
        gfx::RegionOp op;
        switch (mode) {
        case RGN_AND: op = gfx::RegionOp::And; break;
        case RGN_OR: op = gfx::RegionOp::Or; break;
        case RGN_XOR: op = gfx::RegionOp::Xor; break;
        case RGN_DIFF: op = gfx::RegionOp::Diff; break;
        default: return RGN_ERROR;
        }
        if (!valid(b)) return RGN_ERROR;
        if (dst == a) dst->region.combine(b->region, op);
        else if (dst == b && op != gfx::RegionOp::Diff) dst->region.combine(a->region, op);
        else dst->region = gfx::combine(a->region, b->region, op);
        return region_type(dst->region);
    } catch (const std::bad_alloc&) {
        return RGN_ERROR;
    }
}

DWORD GetRegionData(HRGN rgn, DWORD n, void* buffer) {
    if (!valid(rgn)) return 0;
    const std::size_t size = rgn->region.data_size();
    if (size > std::numeric_limits<DWORD>::max()) return 0;
    if (!buffer) return static_cast<DWORD>(size);
    if (n < size) return 0;
    rgn->region.write_data(static_cast<std::uint8_t*>(buffer));
    return static_cast<DWORD>(size);
}

HRGN ExtCreateRegion(const XFORM* xform, DWORD n, const void* data) {
    if (!data) return nullptr;
    if (xform && (xform->eM12 != 0 || xform->eM21 != 0)) return nullptr;
    try {
        gfx::RegionTransform t;
        if (xform) t = gfx::RegionTransform{xform->eM11, xform->eM22, xform->eDx, xform->eDy};
        return new RgnObject(gfx::Region::from_data({static_cast<const std::uint8_t*>(data), n}, xform ? &t : nullptr));
    } catch (const EConvertError&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

BOOL PtInRegion(HRGN rgn, int x, int y) { return valid(rgn) && rgn->region.contains(x, y); }

int GetRgnBox(HRGN rgn, RECT* rect) {
    if (!valid(rgn) || !rect) return RGN_ERROR;
    const gfx::Rect& b = rgn->region.bounds();
    *rect = RECT{b.left, b.top, b.right, b.bottom};
    return region_type(rgn->region);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
    if (!valid(rgn)) return RGN_ERROR;
    try {
        rgn->region.offset(dx, dy);
    } catch (const EInvalidOperation&) {
        return RGN_ERROR;
    }
    return region_type(rgn->region);
}

BOOL EqualRgn(HRGN a, HRGN b) { return valid(a) && valid(b) && a->region == b->region; }

}  // namespace win
