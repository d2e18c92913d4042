// Regions: gfx::Region, a set of pixels held as GDI holds it (bands of
// rectangles in the order GetRegionData writes), and the gdi32-style facade
// on it (HRGN, CombineRgn, GetRegionData, ExtCreateRegion, ...), whose
// region data blocks are byte-identical to Windows'.
//
// Names that <windows.h> defines as macros are declared inside #ifndef
// guards (see platform/core/Types.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/core/Types.h"
#include "platform/graphics/GdiObject.h"

namespace gfx {

using Rect = os::Rect;

enum class RegionOp { And, Or, Xor, Diff };

// x' = x * sx + dx, y' = y * sy + dy, computed in double and rounded half up
// (floor(v + 0.5)) at every rectangle corner, as gdi32's ExtCreateRegion does.
struct RegionTransform {
    double sx = 1, sy = 1, dx = 0, dy = 0;
};

// Canonical banded form: bands top to bottom, not overlapping; the rectangles
// of a band share top and bottom and run left to right, neither overlapping
// nor touching; two bands that touch vertically differ in their x-extents.
// Every pixel set has exactly one such form, so equal regions have equal
// rectangle lists.
class Region {
public:
    // The region data block: a 32-byte header, then 16 bytes per rectangle.
    static constexpr std::size_t kHeaderSize = 32;
    static constexpr std::size_t kRectSize = 16;

    Region() = default;
    // Empty when r has no area (left >= right or top >= bottom).
    explicit Region(const Rect& r);

    // The union of any rectangles in any order; those without area add nothing.
    static Region from_rects(std::span<const Rect> rects);

    // Reads a region data block (little-endian): dwSize 32, iType 1, nCount
    // rectangles within the block; nRgnSize and rcBound are not looked at.
    // Without a transform, rectangles without area are skipped; with one,
    // corners are mapped and put back in order (so a mirrored rectangle still
    // counts). Raises EConvertError for a block it cannot use or a mapped
    // coordinate outside 32 bits.
    static Region from_data(std::span<const std::uint8_t> block, const RegionTransform* transform = nullptr);

    // The region data block of this region, as GetRegionData writes it. An
    // empty region gives nCount 0, nRgnSize 0 and rcBound (0, 0, 0, 0).
    std::vector<std::uint8_t> data() const;
    std::size_t data_size() const { return kHeaderSize + kRectSize * rects_.size(); }
    void write_data(std::uint8_t* out) const;  // data_size() bytes

    bool empty() const { return rects_.empty(); }
    // The smallest rectangle holding the region; (0, 0, 0, 0) when empty.
    const Rect& bounds() const { return bounds_; }
    std::span<const Rect> rects() const { return rects_; }
    bool contains(int x, int y) const;

    // Raises EInvalidOperation (and stays as it was) when a coordinate would
    // leave 32 bits.
    void offset(int dx, int dy);

    // this = this op other. The sweep visits only other's rectangles and the
    // bands of this region that share rows with it; bands above and below are
    // kept in place (moved at most once). So rows united from the top down
    // cost about the size of the last band each. Leaves the region as it was
    // if memory runs out.
    void combine(const Region& other, RegionOp op);
    Region& operator|=(const Region& o) { combine(o, RegionOp::Or); return *this; }
    Region& operator&=(const Region& o) { combine(o, RegionOp::And); return *this; }
    Region& operator-=(const Region& o) { combine(o, RegionOp::Diff); return *this; }
    Region& operator^=(const Region& o) { combine(o, RegionOp::Xor); return *this; }

    bool operator==(const Region& o) const { return rects_ == o.rects_; }

    // Whether a rectangle list is in canonical banded form (see above).
    static bool is_canonical(std::span<const Rect> rects);

private:
    void recompute_bounds();
    void splice(std::size_t lo, std::size_t hi, std::vector<Rect>& mid);

    std::vector<Rect> rects_;
    Rect bounds_{};
};

Region combine(const Region& a, const Region& b, RegionOp op);
inline Region operator|(const Region& a, const Region& b) { return combine(a, b, RegionOp::Or); }
inline Region operator&(const Region& a, const Region& b) { return combine(a, b, RegionOp::And); }
inline Region operator-(const Region& a, const Region& b) { return combine(a, b, RegionOp::Diff); }
inline Region operator^(const Region& a, const Region& b) { return combine(a, b, RegionOp::Xor); }

}  // namespace gfx

namespace win {

// A region handle's object. Whoever creates one releases it with DeleteObject.
struct RgnObject final : GdiObject {
    RgnObject();
    explicit RgnObject(gfx::Region r);
    ~RgnObject() override;
    gfx::Region region;
};
using HRGN = RgnObject*;

struct XFORM {
    float eM11, eM12, eM21, eM22, eDx, eDy;
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};

#ifndef RGN_AND
constexpr int RGN_AND = 1;
#endif
#ifndef RGN_OR
constexpr int RGN_OR = 2;
#endif
#ifndef RGN_XOR
constexpr int RGN_XOR = 3;
#endif
#ifndef RGN_DIFF
constexpr int RGN_DIFF = 4;
#endif
#ifndef RGN_COPY
constexpr int RGN_COPY = 5;
#endif
#ifndef RGN_ERROR
constexpr int RGN_ERROR = 0;
#endif
#ifndef NULLREGION
constexpr int NULLREGION = 1;
#endif
#ifndef SIMPLEREGION
constexpr int SIMPLEREGION = 2;
#endif
#ifndef COMPLEXREGION
constexpr int COMPLEXREGION = 3;
#endif
#ifndef RDH_RECTANGLES
constexpr DWORD RDH_RECTANGLES = 1;
#endif

// Every function answers a null, deleted or foreign handle as gdi32 answers
// an invalid one (RGN_ERROR, 0 or null) and never raises.

// The rectangle with its corners put in order; empty when l == r or t == b.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// dst = a mode b; RGN_COPY copies a and ignores b. Returns the type of the
// result (NULLREGION, SIMPLEREGION, COMPLEXREGION), or RGN_ERROR with dst as
// it was. dst may be a or b.
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
// Without a buffer: the size of the block. With one: 0 if n is smaller than
// that, else fills the block and returns its size.
DWORD GetRegionData(HRGN rgn, DWORD n, void* buffer);
// A new region from a block of n bytes, mapped by *xform when not null;
// null for a block Region::from_data refuses, or for an XFORM that rotates
// or shears (eM12 or eM21 not 0).
HRGN ExtCreateRegion(const XFORM* xform, DWORD n, const void* data);
BOOL PtInRegion(HRGN rgn, int x, int y);
int GetRgnBox(HRGN rgn, RECT* rect);
// RGN_ERROR (region unchanged) when a coordinate would leave 32 bits.
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL EqualRgn(HRGN a, HRGN b);

}  // namespace win
