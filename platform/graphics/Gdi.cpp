// GDI objects, device-context state, fills, lines and blits.
//
// Colour rules of the blits, as GDI has them ("monochrome" is a device
// bitmap from CreateBitmap(w, h, 1, 1); a 1-bit DIB section has a colour
// table and counts as a colour bitmap):
// - A colour source onto a monochrome destination: a source pixel equal to
//   the source DC's background colour (compared as raw values in the
//   source's format, all 32 bits of a 32-bit pixel) becomes 1, every other 0.
// - A monochrome source onto a colour destination: 0 bits take the
//   destination DC's text colour, 1 bits its background colour.
// - Colour to colour goes through the colours (nearest palette entry for a
//   paletted destination); equal formats copy raw values.
// - Raster operations work on the destination's raw pixel values, after
//   source and brush were brought into its format.
#include "platform/graphics/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Raster.h"

namespace win {
using namespace gfx::raster;

// ---------------------------------------------------------------- objects
BitmapObject::BitmapObject(int w, int h, int b) : GdiObject(GdiKind::Bitmap), width(w), height(h), bpp(b) {
    if (w < 0 || h < 0) throw EInvalidGraphic("ビットマップの大きさが正しくありません");
    std::int64_t row_bytes = ((static_cast<std::int64_t>(w) * b + 31) / 32) * 4;
    std::int64_t total = row_bytes * h;
    if (row_bytes > std::numeric_limits<int>::max() || total > (std::int64_t{1} << 32))
        throw EOutOfMemory("メモリが足りません");
    stride = static_cast<int>(row_bytes);
    try {
        storage.assign(static_cast<std::size_t>(total / 4), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("メモリが足りません");
    }
}

BrushObject::BrushObject(COLORREF c, bool n) : GdiObject(GdiKind::Brush), color(c), null_brush(n) {}
PenObject::PenObject(int s, int w, COLORREF c) : GdiObject(GdiKind::Pen), style(s), width(w), color(c) {}
FontObject::FontObject(const os::FontSpec& s) : GdiObject(GdiKind::Font), description(s) {}

namespace {

void set_mono_palette(BitmapObject& b) {
    b.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{0xFF, 0xFF, 0xFF, 0}};
    b.monochrome_ddb = true;
}

// Shared for the life of the program; never freed, so that DCs that
// outlive static destruction still find them.
struct StockObjects {
    BrushObject white_brush{0xFFFFFF}, ltgray_brush{0xC0C0C0}, gray_brush{0x808080}, dkgray_brush{0x404040},
        black_brush{0x000000}, null_brush{0, true};
    PenObject white_pen{PS_SOLID, 1, 0xFFFFFF}, black_pen{PS_SOLID, 1, 0}, null_pen{PS_NULL, 1, 0};
    FontObject system_font{os::FontSpec{}};
    BitmapObject bitmap{1, 1, 1};
    StockObjects() {
        for (BrushObject* b : {&white_brush, &ltgray_brush, &gray_brush, &dkgray_brush, &black_brush, &null_brush}) b->stock = true;
        for (PenObject* p : {&white_pen, &black_pen, &null_pen}) p->stock = true;
        system_font.stock = true;
        set_mono_palette(bitmap);
        bitmap.stock = true;
    }
};

StockObjects& stock() {
    static StockObjects* objects = new StockObjects;
    return *objects;
}
// Made before main, so that the live-object count is steady from then on.
[[maybe_unused]] const bool g_stock_made = (stock(), true);

bool is_stock(const GdiObject* o) {
    switch (o->kind) {
    case GdiKind::Bitmap: return static_cast<const BitmapObject*>(o)->stock;
    case GdiKind::Brush: return static_cast<const BrushObject*>(o)->stock;
    case GdiKind::Pen: return static_cast<const PenObject*>(o)->stock;
    case GdiKind::Font: return static_cast<const FontObject*>(o)->stock;
    default: return false;
    }
}

int& selected_count(GdiObject* o) {
    static int none = 0;
    switch (o->kind) {
    case GdiKind::Bitmap: return static_cast<BitmapObject*>(o)->selected;
    case GdiKind::Brush: return static_cast<BrushObject*>(o)->selected;
    case GdiKind::Pen: return static_cast<PenObject*>(o)->selected;
    case GdiKind::Font: return static_cast<FontObject*>(o)->selected;
    default: return none;
    }
}

// Deleted while selected (brushes, pens and fonts only).
bool* doomed_flag(GdiObject* o) {
    switch (o->kind) {
    case GdiKind::Brush: return &static_cast<BrushObject*>(o)->doomed;
    case GdiKind::Pen: return &static_cast<PenObject*>(o)->doomed;
    case GdiKind::Font: return &static_cast<FontObject*>(o)->doomed;
    default: return nullptr;
    }
}

// A DC lets go of an object; one deleted while selected goes now.
void release(GdiObject* o) {
    bool* doomed = doomed_flag(o);
    if (--selected_count(o) == 0 && doomed && *doomed) delete o;
}

void hold(DCState& s) {
    ++s.bitmap->selected;
    ++s.brush->selected;
    ++s.pen->selected;
    ++s.font->selected;
}

void let_go(DCState& s) {
    release(s.bitmap);
    release(s.brush);
    release(s.pen);
    release(s.font);
}

void touch(BitmapObject& b) { ++b.version; }

}  // namespace

DCObject::DCObject() : GdiObject(GdiKind::DC) {
    StockObjects& s = stock();
    bitmap = &s.bitmap;
    brush = &s.white_brush;
    pen = &s.black_pen;
    font = &s.system_font;
    hold(*this);
}

DCObject::~DCObject() {
    let_go(*this);
    for (DCState& s : saved) let_go(s);
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return 0;
    if (object->kind == GdiKind::DC) return 0;
    if (is_stock(object)) return 1;
    if (selected_count(object) > 0) {
        bool* doomed = doomed_flag(object);
        if (!doomed) return 0;  // a selected bitmap
        *doomed = true;
        return 1;
    }
    delete object;
    return 1;
}

HDC CreateCompatibleDC(HDC) { return new DCObject; }

BOOL DeleteDC(HDC dc) {
    if (!dc) return 0;
    delete dc;
    return 1;
}

namespace {
BitmapObject* new_mono(int w, int h) {
    auto* b = new BitmapObject(w, h, 1);
    set_mono_palette(*b);
    return b;
}
}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return &stock().bitmap;
    try {
        if (planes * bpp == 1) {
            BitmapObject* b = new_mono(width, height);
            if (bits) {
                // Device bitmaps take word-aligned rows.
                int src_stride = ((width + 15) / 16) * 2;
                const auto* p = static_cast<const std::uint8_t*>(bits);
                for (int y = 0; y < height; ++y)
                    std::memcpy(b->row(y), p + static_cast<std::size_t>(y) * src_stride, static_cast<std::size_t>(src_stride));
            }
            return b;
        }
        auto* b = new BitmapObject(width, height, 32);
        if (bits && planes * bpp == 32) std::memcpy(b->bits(), bits, b->byte_size());
        return b;
    } catch (const Exception&) {
        return nullptr;  // too large for memory
    }
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return &stock().bitmap;
    try {
        const BitmapObject* model = dc ? dc->bitmap : nullptr;
        if (model && model->monochrome_ddb) return new_mono(width, height);
        if (model && model->dib) {
            // A DC holding a DIB section gets a DIB section of its format.
            auto* b = new BitmapObject(width, height, model->bpp);
            b->dib = true;
            b->bottom_up = true;
            b->rgb565 = model->rgb565;
            b->palette = model->palette;
            return b;
        }
        return new BitmapObject(width, height, 32);
    } catch (const Exception&) {
        return nullptr;  // too large for memory
    }
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD) {
    if (bits) *bits = nullptr;
    if (!info) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return nullptr;
    int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
    bool rgb565 = false;
    if (h.biCompression == BI_BITFIELDS) {
        DWORD masks[3];
        std::memcpy(masks, info->bmiColors, sizeof masks);
        if (bpp == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) rgb565 = true;
        else if (bpp == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) rgb565 = false;
        else if (bpp == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) rgb565 = false;
        else return nullptr;
    } else if (h.biCompression != BI_RGB) {
        return nullptr;
    }
    std::int64_t height = h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
    if (height > std::numeric_limits<int>::max()) return nullptr;
    BitmapObject* b;
    try {
        b = new BitmapObject(h.biWidth, static_cast<int>(height), bpp);
    } catch (const Exception&) {
        return nullptr;
    }
    b->dib = true;
    b->rgb565 = rgb565;
    b->bottom_up = h.biHeight > 0;
    if (bpp <= 8) {
        // A short colour table is completed with black, as gdi32 does.
        DWORD n = h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << bpp) : (1u << bpp);
        b->palette.assign(std::size_t{1} << bpp, RGBQUAD{});
        std::copy(info->bmiColors, info->bmiColors + n, b->palette.begin());
        for (auto& q : b->palette) q.rgbReserved = 0;
    }
    if (bits) *bits = b->bits();
    return b;
}

HBRUSH CreateSolidBrush(COLORREF color) { return new BrushObject(color & 0x00FFFFFF); }
HPEN CreatePen(int style, int width, COLORREF color) { return new PenObject(style, width < 1 ? 1 : width, color & 0x00FFFFFF); }
HFONT CreateFontFromSpec(const os::FontSpec& font) { return new FontObject(font); }
const os::FontSpec& FontSpecOf(HFONT font) { return font ? font->description : stock().system_font.description; }

HGDIOBJ GetStockObject(int index) {
    StockObjects& s = stock();
    switch (index) {
    case WHITE_BRUSH: return &s.white_brush;
    case LTGRAY_BRUSH: return &s.ltgray_brush;
    case GRAY_BRUSH: return &s.gray_brush;
    case DKGRAY_BRUSH: return &s.dkgray_brush;
    case BLACK_BRUSH: return &s.black_brush;
    case NULL_BRUSH: return &s.null_brush;
    case WHITE_PEN: return &s.white_pen;
    case BLACK_PEN: return &s.black_pen;
    case NULL_PEN: return &s.null_pen;
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: return &s.system_font;
    default: return nullptr;
    }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return nullptr;
    GdiObject* old = nullptr;
    switch (object->kind) {
    case GdiKind::Bitmap: {
        auto* b = static_cast<BitmapObject*>(object);
        if (b == dc->bitmap) return b;
        // A bitmap lives in one DC at a time (the stock one in any).
        if (b->selected > 0 && !b->stock) return nullptr;
        old = dc->bitmap;
        dc->bitmap = b;
        break;
    }
    case GdiKind::Brush: old = dc->brush; dc->brush = static_cast<BrushObject*>(object); break;
    case GdiKind::Pen: old = dc->pen; dc->pen = static_cast<PenObject*>(object); break;
    case GdiKind::Font: old = dc->font; dc->font = static_cast<FontObject*>(object); break;
    default: return nullptr;
    }
    ++selected_count(object);
    release(old);
    return old;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_BITMAP: return dc->bitmap;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_PEN: return dc->pen;
    case OBJ_FONT: return dc->font;
    default: return nullptr;
    }
}

int GetObject(HGDIOBJ object, int size, void* out) {
    if (!object || object->kind != GdiKind::Bitmap) return 0;
    auto* b = static_cast<BitmapObject*>(object);
    if (!out) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmType = 0;
    bm.bmWidth = b->width;
    bm.bmHeight = b->height;
    // Device bitmaps report word-aligned rows, DIB sections their real stride.
    bm.bmWidthBytes = b->dib ? b->stride : ((b->width * b->bpp + 15) / 16) * 2;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(b->bpp);
    bm.bmBits = b->dib ? b->bits() : nullptr;
    std::memcpy(out, &bm, sizeof bm);
    return static_cast<int>(sizeof bm);
}

// ---------------------------------------------------------------- DC state
COLORREF SetBkColor(HDC dc, COLORREF color) {
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->bk_color, color & 0x00FFFFFF);
}
COLORREF GetBkColor(HDC dc) { return dc ? dc->bk_color : CLR_INVALID; }
COLORREF SetTextColor(HDC dc, COLORREF color) {
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->text_color, color & 0x00FFFFFF);
}
COLORREF GetTextColor(HDC dc) { return dc ? dc->text_color : CLR_INVALID; }
int SetBkMode(HDC dc, int mode) {
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bk_mode, mode);
}
int GetBkMode(HDC dc) { return dc ? dc->bk_mode : 0; }
int SetStretchBltMode(HDC dc, int mode) {
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return std::exchange(dc->stretch_mode, mode);
}
int GetStretchBltMode(HDC dc) { return dc ? dc->stretch_mode : 0; }
int SetROP2(HDC dc, int rop2) {
    if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
    return std::exchange(dc->rop2, rop2);
}
int GetROP2(HDC dc) { return dc ? dc->rop2 : 0; }

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
    if (!dc) return 0;
    if (old) *old = dc->viewport_org;
    dc->viewport_org = POINT{x, y};
    return 1;
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
    if (!dc || !org) return 0;
    *org = dc->viewport_org;
    return 1;
}

namespace {
constexpr int NULLREGION_ = 1, SIMPLEREGION_ = 2;

bool intersect(RECT& a, const RECT& b) {
    a.left = std::max(a.left, b.left);
    a.top = std::max(a.top, b.top);
    a.right = std::min(a.right, b.right);
    a.bottom = std::min(a.bottom, b.bottom);
    if (a.left >= a.right || a.top >= a.bottom) {
        a = RECT{};
        return false;
    }
    return true;
}

// The device pixels drawing may touch.
RECT drawable(const DCObject* dc) {
    RECT r{0, 0, dc->bitmap->width, dc->bitmap->height};
    if (dc->clipped) intersect(r, dc->clip);
    return r;
}

RECT to_device(const DCObject* dc, int l, int t, int r, int b) {
    return RECT{l + dc->viewport_org.x, t + dc->viewport_org.y, r + dc->viewport_org.x, b + dc->viewport_org.y};
}

RECT ordered(RECT r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}
}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!dc) return 0;
    RECT r = ordered(to_device(dc, left, top, right, bottom));
    if (dc->clipped) intersect(r, dc->clip);
    dc->clip = r;
    dc->clipped = true;
    return (r.left < r.right && r.top < r.bottom) ? SIMPLEREGION_ : NULLREGION_;
}

void SetClipRect(HDC dc, const RECT* device_rect) {
    if (!dc) return;
    if (!device_rect) {
        dc->clipped = false;
        dc->clip = RECT{};
        return;
    }
    dc->clip = ordered(*device_rect);
    dc->clipped = true;
}

int GetClipBox(HDC dc, RECT* rect) {
    if (!dc || !rect) return 0;
    RECT r = drawable(dc);
    bool any = r.left < r.right && r.top < r.bottom;
    *rect = RECT{r.left - dc->viewport_org.x, r.top - dc->viewport_org.y, r.right - dc->viewport_org.x, r.bottom - dc->viewport_org.y};
    return any ? SIMPLEREGION_ : NULLREGION_;
}

int SaveDC(HDC dc) {
    if (!dc) return 0;
    dc->saved.push_back(static_cast<const DCState&>(*dc));
    hold(dc->saved.back());
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
    if (!dc) return 0;
    int n = static_cast<int>(dc->saved.size());
    int target = level < 0 ? n + level + 1 : level;  // 1-based
    if (target < 1 || target > n) return 0;
    // Objects selected now leave the DC; the restored state's holds carry over.
    let_go(*dc);
    static_cast<DCState&>(*dc) = dc->saved[static_cast<std::size_t>(target - 1)];
    for (int i = n - 1; i >= target; --i) let_go(dc->saved[static_cast<std::size_t>(i)]);
    dc->saved.resize(static_cast<std::size_t>(target - 1));
    return 1;
}

// ---------------------------------------------------------------- pixels and fills
namespace {

// The raw value a pen or brush of this colour draws with: the nearest the
// bitmap holds. (gdi32 dithers brushes that a monochrome bitmap cannot
// show; these draw the nearer of black and white.)
std::uint32_t tool_pixel(const DCObject* dc, COLORREF color) { return from_color(*dc->bitmap, color & 0x00FFFFFF); }

// dest = rop(D, P) over a device rectangle (clipped here).
void fill_device(DCObject* dc, RECT r, std::uint32_t pattern, std::uint8_t rop) {
    if (!intersect(r, drawable(dc))) return;
    BitmapObject& b = *dc->bitmap;
    int n = r.right - r.left;
    std::uint32_t mask = pixel_mask(b);
    RopRowFn fn = rop_row(rop);
    std::vector<std::uint32_t> row(static_cast<std::size_t>(n));
    touch(b);
    for (int y = r.top; y < r.bottom; ++y) {
        if (b.bpp == 32) {
            fn(b.row32(y) + r.left, nullptr, pattern, n);
            continue;
        }
        if (rop_uses_dest(rop)) load_row(b, y, r.left, n, row.data());
        fn(row.data(), nullptr, pattern, n);
        for (auto& v : row) v &= mask;
        store_row(b, y, r.left, n, row.data());
    }
}

}  // namespace

COLORREF GetPixel(HDC dc, int x, int y) {
    if (!dc) return CLR_INVALID;
    int dx = x + dc->viewport_org.x, dy = y + dc->viewport_org.y;
    RECT r = drawable(dc);
    if (dx < r.left || dx >= r.right || dy < r.top || dy >= r.bottom) return CLR_INVALID;
    return to_color(*dc->bitmap, load_pixel(*dc->bitmap, dx, dy));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    if (!dc) return CLR_INVALID;
    int dx = x + dc->viewport_org.x, dy = y + dc->viewport_org.y;
    RECT r = drawable(dc);
    if (dx < r.left || dx >= r.right || dy < r.top || dy >= r.bottom) return CLR_INVALID;
    BitmapObject& b = *dc->bitmap;
    std::uint32_t raw = tool_pixel(dc, color);
    touch(b);
    store_pixel(b, dx, dy, raw);
    return to_color(b, raw);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    if (!dc) return 0;
    std::uint8_t r3 = rop3_index(rop);
    if (rop_uses_source(r3)) return 0;
    if (rop_uses_pattern(r3) && dc->brush->null_brush) return 1;
    RECT r = ordered(to_device(dc, x, y, x + width, y + height));
    fill_device(dc, r, tool_pixel(dc, dc->brush->color), r3);
    return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!dc || !rect || !brush) return 0;
    if (brush->null_brush) return 1;
    if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
    fill_device(dc, to_device(dc, rect->left, rect->top, rect->right, rect->bottom), tool_pixel(dc, brush->color), 0xF0);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!dc || !rect || !brush) return 0;
    if (brush->null_brush || rect->left >= rect->right || rect->top >= rect->bottom) return 1;
    RECT d = to_device(dc, rect->left, rect->top, rect->right, rect->bottom);
    std::uint32_t p = tool_pixel(dc, brush->color);
    fill_device(dc, RECT{d.left, d.top, d.right, d.top + 1}, p, 0xF0);
    fill_device(dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, p, 0xF0);
    fill_device(dc, RECT{d.left, d.top + 1, d.left + 1, d.bottom - 1}, p, 0xF0);
    fill_device(dc, RECT{d.right - 1, d.top + 1, d.right, d.bottom - 1}, p, 0xF0);
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
    if (!dc || !rect) return 0;
    fill_device(dc, ordered(to_device(dc, rect->left, rect->top, rect->right, rect->bottom)), 0, 0x55);
    return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
    if (!dc || !rect) return 0;
    RECT d = to_device(dc, rect->left, rect->top, rect->right, rect->bottom);
    if (d.left >= d.right || d.top >= d.bottom) return 1;
    BitmapObject& b = *dc->bitmap;
    RECT clip = drawable(dc);
    std::uint32_t mask = pixel_mask(b);
    touch(b);
    // An alternating dotted outline inverted into the picture, as gdi32
    // draws it: a path from the top-right corner down, left, up and right
    // back, each side without its last pixel, every other pixel of the path
    // inverted starting with the first. Where sides overlap (a rectangle one
    // pixel wide or high) the inversions meet and may cancel.
    int l = d.left, t = d.top, r = d.right - 1, btm = d.bottom - 1;
    const POINT corners[5] = {{r, t}, {r, btm}, {l, btm}, {l, t}, {r, t}};
    int index = 0;
    for (int side = 0; side < 4; ++side) {
        POINT p = corners[side], q = corners[side + 1];
        int sx = (q.x > p.x) - (q.x < p.x), sy = (q.y > p.y) - (q.y < p.y);
        for (int x = p.x, y = p.y; x != q.x || y != q.y; x += sx, y += sy, ++index) {
            if (index % 2 != 0) continue;
            if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
            store_pixel(b, x, y, ~load_pixel(b, x, y) & mask);
        }
    }
    return 1;
}

// ---------------------------------------------------------------- lines and shapes
BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
    if (!dc) return 0;
    if (old) *old = dc->pos;
    dc->pos = POINT{x, y};
    return 1;
}

namespace {
// Dash patterns of cosmetic pens, in pixels on and off.
bool pen_dash_on(int style, int step) {
    switch (style) {
    case PS_DASH: return step % 24 < 18;
    case PS_DOT: return step % 6 < 3;
    default: return true;
    }
}

void plot(DCObject* dc, BitmapObject& b, const RECT& clip, int x, int y, std::uint32_t p, std::uint8_t rop) {
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
    std::uint32_t d = load_pixel(b, x, y);
    store_pixel(b, x, y, rop3(rop, d, 0, p) & pixel_mask(b));
}

// A line from (x0, y0) to (x1, y1) in device pixels, without its last pixel.
void draw_line(DCObject* dc, int x0, int y0, int x1, int y1) {
    const PenObject& pen = *dc->pen;
    if (pen.style == PS_NULL) return;
    BitmapObject& b = *dc->bitmap;
    RECT clip = drawable(dc);
    std::uint32_t p = tool_pixel(dc, pen.color);
    std::uint8_t rop = rop2_to_rop3(dc->rop2);
    int w = pen.width > 1 ? pen.width : 1;
    touch(b);
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx - dy;
    int x = x0, y = y0;
    for (int step = 0; x != x1 || y != y1; ++step) {
        if (pen_dash_on(pen.style, step)) {
            if (w == 1) {
                plot(dc, b, clip, x, y, p, rop);
            } else {
                // A wide pen: a square of its width centred on the point.
                for (int yy = y - w / 2; yy < y - w / 2 + w; ++yy)
                    for (int xx = x - w / 2; xx < x - w / 2 + w; ++xx) plot(dc, b, clip, xx, yy, p, rop);
            }
        }
        int e2 = 2 * err;
        if (e2 > -dy) { err -= dy; x += sx; }
        if (e2 < dx) { err += dx; y += sy; }
    }
}
}  // namespace

BOOL LineTo(HDC dc, int x, int y) {
    if (!dc) return 0;
    POINT from = dc->pos;
    draw_line(dc, from.x + dc->viewport_org.x, from.y + dc->viewport_org.y, x + dc->viewport_org.x, y + dc->viewport_org.y);
    dc->pos = POINT{x, y};
    return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    if (!dc) return 0;
    RECT r = ordered(to_device(dc, left, top, right, bottom));
    if (r.right - r.left < 1 || r.bottom - r.top < 1) return 1;
    bool pen = dc->pen->style != PS_NULL;
    std::uint8_t rop = rop2_to_rop3(dc->rop2);
    // The interior takes the brush through the pen's binary raster operation.
    if (!dc->brush->null_brush) {
        RECT inner = pen ? RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1} : RECT{r.left, r.top, r.right - 1, r.bottom - 1};
        if (inner.left < inner.right && inner.top < inner.bottom) fill_device(dc, inner, tool_pixel(dc, dc->brush->color), rop);
    }
    if (!pen) return 1;
    int l = r.left, t = r.top, rr = r.right - 1, bb = r.bottom - 1;
    if (l == rr || t == bb) {
        // One pixel wide or high: every outline pixel once.
        BitmapObject& b = *dc->bitmap;
        RECT clip = drawable(dc);
        std::uint32_t p = tool_pixel(dc, dc->pen->color);
        touch(b);
        for (int y = t; y <= bb; ++y)
            for (int x = l; x <= rr; ++x) plot(dc, b, clip, x, y, p, rop);
        return 1;
    }
    draw_line(dc, l, t, rr, t);
    draw_line(dc, rr, t, rr, bb);
    draw_line(dc, rr, bb, l, bb);
    draw_line(dc, l, bb, l, t);
    return 1;
}

// ---------------------------------------------------------------- blits
namespace {

// Source pixels (source raw values) to destination raw values by the GDI
// colour rules.
struct SourceConverter {
    const BitmapObject* src;
    const DCObject* sdc;
    const BitmapObject* dst;
    enum Kind { Raw, MonoToColor, ColorToMono, Convert } kind = Raw;
    std::uint32_t zero = 0, one = 0, key = 0;

    SourceConverter(const DCObject* s, const DCObject* d) : src(s->bitmap), sdc(s), dst(d->bitmap) {
        bool src_mono = src->monochrome_ddb, dst_mono = dst->monochrome_ddb;
        if (src_mono && dst_mono) {
            kind = Raw;
        } else if (src_mono) {
            kind = MonoToColor;
            zero = from_color(*dst, d->text_color);
            one = from_color(*dst, d->bk_color);
        } else if (dst_mono) {
            kind = ColorToMono;
            key = from_color(*src, s->bk_color);
        } else if (same_format(*src, *dst)) {
            kind = Raw;
        } else {
            kind = Convert;
        }
    }

    void operator()(std::uint32_t* v, int n) const {
        switch (kind) {
        case Raw: break;
        case MonoToColor:
            for (int i = 0; i < n; ++i) v[i] = v[i] ? one : zero;
            break;
        case ColorToMono:
            for (int i = 0; i < n; ++i) v[i] = v[i] == key ? 1u : 0u;
            break;
        case Convert:
            convert_row(*src, v, *dst, v, n);
            break;
        }
    }
};

// When the source is the destination bitmap, blits read a copy of it.
std::unique_ptr<BitmapObject> snapshot(const BitmapObject& b) {
    auto copy = std::make_unique<BitmapObject>(0, 0, b.bpp);
    copy->width = b.width;
    copy->height = b.height;
    copy->stride = b.stride;
    copy->rgb565 = b.rgb565;
    copy->bottom_up = b.bottom_up;
    copy->palette = b.palette;
    copy->storage = b.storage;
    return copy;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
    if (!dest) return 0;
    std::uint8_t r3 = rop3_index(rop);
    if (!rop_uses_source(r3)) return PatBlt(dest, x, y, width, height, rop);
    if (!src) return 0;
    if (rop_uses_pattern(r3) && dest->brush->null_brush) return 1;
    if (width <= 0 || height <= 0) return 1;

    BitmapObject& db = *dest->bitmap;
    const BitmapObject* sb = src->bitmap;
    RECT d = to_device(dest, x, y, x + width, y + height);
    int sdx = sx + src->viewport_org.x, sdy = sy + src->viewport_org.y;
    // Clip to the source bitmap as well: dest pixels without a source stay.
    RECT s_in_dest{d.left - sdx, d.top - sdy, d.left - sdx + sb->width, d.top - sdy + sb->height};
    if (!intersect(d, drawable(dest)) || !intersect(d, s_in_dest)) return 1;
    int ox = sdx - (x + dest->viewport_org.x), oy = sdy - (y + dest->viewport_org.y);  // source = dest + offset

    std::unique_ptr<BitmapObject> copy;
    if (sb == &db) {
        copy = snapshot(db);
        sb = copy.get();
    }
    SourceConverter convert(src, dest);
    convert.src = sb;
    int n = d.right - d.left;
    std::uint32_t pattern = rop_uses_pattern(r3) ? tool_pixel(dest, dest->brush->color) : 0;
    std::uint32_t mask = pixel_mask(db);
    RopRowFn fn = rop_row(r3);
    touch(db);

    // The frame-painting path: 32-bit to 32-bit SRCCOPY is a row copy.
    if (r3 == 0xCC && db.bpp == 32 && convert.kind == SourceConverter::Raw) {
        for (int yy = d.top; yy < d.bottom; ++yy)
            std::memcpy(db.row32(yy) + d.left, sb->row32(yy + oy) + d.left + ox, 4 * static_cast<std::size_t>(n));
        return 1;
    }
    std::vector<std::uint32_t> sbuf(static_cast<std::size_t>(n)), dbuf(static_cast<std::size_t>(n));
    bool direct32 = db.bpp == 32;
    for (int yy = d.top; yy < d.bottom; ++yy) {
        load_row(*sb, yy + oy, d.left + ox, n, sbuf.data());
        convert(sbuf.data(), n);
        if (direct32) {
            fn(db.row32(yy) + d.left, sbuf.data(), pattern, n);
            continue;
        }
        if (rop_uses_dest(r3)) load_row(db, yy, d.left, n, dbuf.data());
        fn(dbuf.data(), sbuf.data(), pattern, n);
        for (auto& v : dbuf) v &= mask;
        store_row(db, yy, d.left, n, dbuf.data());
    }
    return 1;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
    if (!dest) return 0;
    std::uint8_t r3 = rop3_index(rop);
    if (!rop_uses_source(r3)) return PatBlt(dest, x, y, width, height, rop);
    if (!src) return 0;
    if (width == sw && height == sh && width > 0 && height > 0) return BitBlt(dest, x, y, width, height, src, sx, sy, rop);
    if (rop_uses_pattern(r3) && dest->brush->null_brush) return 1;
    if (width == 0 || height == 0 || sw == 0 || sh == 0) return 1;

    // Destination pixel i of a row is x + i * xdir; a negative size runs
    // from x towards x + size (x itself included, x + size not). Source
    // pixel j likewise. Differing signs mirror.
    int xdir = width < 0 ? -1 : 1, ydir = height < 0 ? -1 : 1;
    int sxdir = sw < 0 ? -1 : 1, sydir = sh < 0 ? -1 : 1;
    int w = std::abs(width), h = std::abs(height), swa = std::abs(sw), sha = std::abs(sh);

    BitmapObject& db = *dest->bitmap;
    const BitmapObject* sb = src->bitmap;
    std::unique_ptr<BitmapObject> copy;
    if (sb == &db) {
        copy = snapshot(db);
        sb = copy.get();
    }
    SourceConverter convert(src, dest);
    convert.src = sb;

    int dx0 = x + dest->viewport_org.x, dy0 = y + dest->viewport_org.y;
    int sx0 = sx + src->viewport_org.x, sy0 = sy + src->viewport_org.y;
    RECT clip = drawable(dest);

    // The index range [a, b) whose positions start + k * dir fall in [lo, hi).
    auto range = [](int start, int dir, int count, int lo, int hi, int& a, int& b) {
        if (dir > 0) {
            a = lo - start;
            b = hi - start;
        } else {
            a = start - hi + 1;
            b = start - lo + 1;
        }
        a = std::max(a, 0);
        b = std::min(b, count);
    };
    int c0, c1, r0, r1, ja, jb, ka, kb;
    range(dx0, xdir, w, clip.left, clip.right, c0, c1);
    range(dy0, ydir, h, clip.top, clip.bottom, r0, r1);
    range(sx0, sxdir, swa, 0, sb->width, ja, jb);
    range(sy0, sydir, sha, 0, sb->height, ka, kb);
    if (c0 >= c1 || r0 >= r1 || ja >= jb || ka >= kb) return 1;

    std::vector<Span> xs = stretch_spans(swa, w), ys = stretch_spans(sha, h);
    int mode = dest->stretch_mode;
    bool combine = mode == BLACKONWHITE || mode == WHITEONBLACK;
    bool and_mode = mode == BLACKONWHITE;

    int n = c1 - c0;
    // Source rows in source-index order (j), the destination row in device order.
    std::vector<std::uint32_t> srow(static_cast<std::size_t>(jb - ja)), acc(static_cast<std::size_t>(swa));
    std::vector<std::uint32_t> sbuf(static_cast<std::size_t>(n)), dbuf(static_cast<std::size_t>(n)), out(static_cast<std::size_t>(n));
    std::vector<char> have(static_cast<std::size_t>(n));
    std::uint32_t pattern = rop_uses_pattern(r3) ? tool_pixel(dest, dest->brush->color) : 0;
    std::uint32_t mask = pixel_mask(db);
    RopRowFn fn = rop_row(r3);
    touch(db);

    // Source row k (in index order) into srow.
    auto load_source = [&](int k) {
        int dev_y = sy0 + k * sydir;
        int first = sxdir > 0 ? sx0 + ja : sx0 - (jb - 1);  // leftmost device column
        load_row(*sb, dev_y, first, jb - ja, srow.data());
        if (sxdir < 0) std::reverse(srow.begin(), srow.end());
    };

    int dev_left = xdir > 0 ? dx0 + c0 : dx0 - (c1 - 1);
    for (int r = r0; r < r1; ++r) {
        Span rows = ys[static_cast<std::size_t>(r)];
        if (rows.first < 0) continue;
        // COLORONCOLOR keeps the first row of a run (and the last column).
        int k0 = std::max(rows.first, ka), k1 = std::min(combine ? rows.last : rows.first, kb - 1);
        if (k0 > k1) continue;
        for (int k = k0; k <= k1; ++k) {
            load_source(k);
            auto* a = acc.data() + ja;
            if (k == k0) std::copy(srow.begin(), srow.end(), a);
            else if (and_mode)
                for (std::size_t i = 0; i < srow.size(); ++i) a[i] &= srow[i];
            else
                for (std::size_t i = 0; i < srow.size(); ++i) a[i] |= srow[i];
        }
        for (int i = c0; i < c1; ++i) {
            Span cols = xs[static_cast<std::size_t>(i)];
            std::size_t o = static_cast<std::size_t>(xdir > 0 ? i - c0 : c1 - 1 - i);
            have[o] = 0;
            if (cols.first < 0) continue;
            int first = std::max(combine ? cols.first : cols.last, ja), last = std::min(cols.last, jb - 1);
            if (first > last) continue;
            std::uint32_t v = acc[static_cast<std::size_t>(first)];
            for (int j = first + 1; j <= last; ++j) v = and_mode ? (v & acc[static_cast<std::size_t>(j)]) : (v | acc[static_cast<std::size_t>(j)]);
            sbuf[o] = v;
            have[o] = 1;
        }
        convert(sbuf.data(), n);
        int yy = dy0 + r * ydir;
        load_row(db, yy, dev_left, n, dbuf.data());
        out = dbuf;
        fn(out.data(), sbuf.data(), pattern, n);
        for (int k = 0; k < n; ++k)
            if (have[static_cast<std::size_t>(k)]) dbuf[static_cast<std::size_t>(k)] = out[static_cast<std::size_t>(k)] & mask;
        store_row(db, yy, dev_left, n, dbuf.data());
    }
    return 1;
}

}  // namespace win
