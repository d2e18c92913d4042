// The GDI-style drawing facade of the platform: bitmaps, memory device
// contexts, solid brushes and pens, fonts, raster operations, blits and
// text, with the pixel semantics of Windows' GDI, in portable C++ on our
// own objects. Both backends share it; the win32 backend presents the
// finished 32-bit pixels to the screen.
//
// Names that <windows.h> defines as macros are declared inside #ifndef
// guards (see platform/core/Types.h).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Types.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GdiObject.h"

namespace win {

// ---------------------------------------------------------------- constants
#ifndef SRCCOPY
constexpr DWORD SRCCOPY = 0x00CC0020;      // S
#endif
#ifndef SRCPAINT
constexpr DWORD SRCPAINT = 0x00EE0086;     // DSo
#endif
#ifndef SRCAND
constexpr DWORD SRCAND = 0x008800C6;       // DSa
#endif
#ifndef SRCINVERT
constexpr DWORD SRCINVERT = 0x00660046;    // DSx
#endif
#ifndef SRCERASE
constexpr DWORD SRCERASE = 0x00440328;     // SDna
#endif
#ifndef NOTSRCCOPY
constexpr DWORD NOTSRCCOPY = 0x00330008;   // Sn
#endif
#ifndef NOTSRCERASE
constexpr DWORD NOTSRCERASE = 0x001100A6;  // DSon
#endif
#ifndef MERGECOPY
constexpr DWORD MERGECOPY = 0x00C000CA;    // PSa
#endif
#ifndef MERGEPAINT
constexpr DWORD MERGEPAINT = 0x00BB0226;   // DSno
#endif
#ifndef PATCOPY
constexpr DWORD PATCOPY = 0x00F00021;      // P
#endif
#ifndef PATPAINT
constexpr DWORD PATPAINT = 0x00FB0A09;     // DPSnoo
#endif
#ifndef PATINVERT
constexpr DWORD PATINVERT = 0x005A0049;    // DPx
#endif
#ifndef DSTINVERT
constexpr DWORD DSTINVERT = 0x00550009;    // Dn
#endif
#ifndef BLACKNESS
constexpr DWORD BLACKNESS = 0x00000042;    // 0
#endif
#ifndef WHITENESS
constexpr DWORD WHITENESS = 0x00FF0062;    // 1
#endif
// Not named by <windows.h>:
constexpr DWORD ROP_DSna = 0x00220326;     // destination AND NOT source
constexpr DWORD ROP_DSPDxax = 0x00E20746;  // D xor ((D xor P) and S): P where S is 1

// Background modes.
#ifndef TRANSPARENT
constexpr int TRANSPARENT = 1;
#endif
#ifndef OPAQUE
constexpr int OPAQUE = 2;
#endif

// Stretch modes.
#ifndef BLACKONWHITE
constexpr int BLACKONWHITE = 1;
#endif
#ifndef WHITEONBLACK
constexpr int WHITEONBLACK = 2;
#endif
#ifndef COLORONCOLOR
constexpr int COLORONCOLOR = 3;
#endif
#ifndef HALFTONE
constexpr int HALFTONE = 4;
#endif
#ifndef STRETCH_ANDSCANS
constexpr int STRETCH_ANDSCANS = 1;
#endif
#ifndef STRETCH_ORSCANS
constexpr int STRETCH_ORSCANS = 2;
#endif
#ifndef STRETCH_DELETESCANS
constexpr int STRETCH_DELETESCANS = 3;
#endif
#ifndef STRETCH_HALFTONE
constexpr int STRETCH_HALFTONE = 4;
#endif

// Binary raster operations of pens (SetROP2).
#ifndef R2_BLACK
constexpr int R2_BLACK = 1;
#endif
#ifndef R2_NOTMERGEPEN
constexpr int R2_NOTMERGEPEN = 2;
#endif
#ifndef R2_MASKNOTPEN
constexpr int R2_MASKNOTPEN = 3;
#endif
#ifndef R2_NOTCOPYPEN
constexpr int R2_NOTCOPYPEN = 4;
#endif
#ifndef R2_MASKPENNOT
constexpr int R2_MASKPENNOT = 5;
#endif
#ifndef R2_NOT
constexpr int R2_NOT = 6;
#endif
#ifndef R2_XORPEN
constexpr int R2_XORPEN = 7;
#endif
#ifndef R2_NOTMASKPEN
constexpr int R2_NOTMASKPEN = 8;
#endif
#ifndef R2_MASKPEN
constexpr int R2_MASKPEN = 9;
#endif
#ifndef R2_NOTXORPEN
constexpr int R2_NOTXORPEN = 10;
#endif
#ifndef R2_NOP
constexpr int R2_NOP = 11;
#endif
#ifndef R2_MERGENOTPEN
constexpr int R2_MERGENOTPEN = 12;
#endif
#ifndef R2_COPYPEN
constexpr int R2_COPYPEN = 13;
#endif
#ifndef R2_MERGEPENNOT
constexpr int R2_MERGEPENNOT = 14;
#endif
#ifndef R2_MERGEPEN
constexpr int R2_MERGEPEN = 15;
#endif
#ifndef R2_WHITE
constexpr int R2_WHITE = 16;
#endif

// Pen styles.
#ifndef PS_SOLID
constexpr int PS_SOLID = 0;
#endif
#ifndef PS_DASH
constexpr int PS_DASH = 1;
#endif
#ifndef PS_DOT
constexpr int PS_DOT = 2;
#endif
#ifndef PS_NULL
constexpr int PS_NULL = 5;
#endif

// Stock objects.
#ifndef WHITE_BRUSH
constexpr int WHITE_BRUSH = 0;
#endif
#ifndef LTGRAY_BRUSH
constexpr int LTGRAY_BRUSH = 1;
#endif
#ifndef GRAY_BRUSH
constexpr int GRAY_BRUSH = 2;
#endif
#ifndef DKGRAY_BRUSH
constexpr int DKGRAY_BRUSH = 3;
#endif
#ifndef BLACK_BRUSH
constexpr int BLACK_BRUSH = 4;
#endif
#ifndef NULL_BRUSH
constexpr int NULL_BRUSH = 5;
#endif
#ifndef HOLLOW_BRUSH
constexpr int HOLLOW_BRUSH = 5;
#endif
#ifndef WHITE_PEN
constexpr int WHITE_PEN = 6;
#endif
#ifndef BLACK_PEN
constexpr int BLACK_PEN = 7;
#endif
#ifndef NULL_PEN
constexpr int NULL_PEN = 8;
#endif
#ifndef SYSTEM_FONT
constexpr int SYSTEM_FONT = 13;
#endif
#ifndef DEFAULT_GUI_FONT
constexpr int DEFAULT_GUI_FONT = 17;
#endif

// Object types (GetCurrentObject).
#ifndef OBJ_PEN
constexpr UINT OBJ_PEN = 1;
#endif
#ifndef OBJ_BRUSH
constexpr UINT OBJ_BRUSH = 2;
#endif
#ifndef OBJ_FONT
constexpr UINT OBJ_FONT = 6;
#endif
#ifndef OBJ_BITMAP
constexpr UINT OBJ_BITMAP = 7;
#endif

#ifndef CLR_INVALID
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
#endif

// Bitmap compression and colour usage.
#ifndef BI_RGB
constexpr DWORD BI_RGB = 0;
#endif
#ifndef BI_RLE8
constexpr DWORD BI_RLE8 = 1;
#endif
#ifndef BI_RLE4
constexpr DWORD BI_RLE4 = 2;
#endif
#ifndef BI_BITFIELDS
constexpr DWORD BI_BITFIELDS = 3;
#endif
#ifndef DIB_RGB_COLORS
constexpr UINT DIB_RGB_COLORS = 0;
#endif

// DrawText formats.
#ifndef DT_TOP
constexpr UINT DT_TOP = 0x0000;
#endif
#ifndef DT_LEFT
constexpr UINT DT_LEFT = 0x0000;
#endif
#ifndef DT_CENTER
constexpr UINT DT_CENTER = 0x0001;
#endif
#ifndef DT_RIGHT
constexpr UINT DT_RIGHT = 0x0002;
#endif
#ifndef DT_VCENTER
constexpr UINT DT_VCENTER = 0x0004;
#endif
#ifndef DT_BOTTOM
constexpr UINT DT_BOTTOM = 0x0008;
#endif
#ifndef DT_WORDBREAK
constexpr UINT DT_WORDBREAK = 0x0010;
#endif
#ifndef DT_SINGLELINE
constexpr UINT DT_SINGLELINE = 0x0020;
#endif
#ifndef DT_NOCLIP
constexpr UINT DT_NOCLIP = 0x0100;
#endif
#ifndef DT_CALCRECT
constexpr UINT DT_CALCRECT = 0x0400;
#endif
#ifndef DT_NOPREFIX
constexpr UINT DT_NOPREFIX = 0x0800;
#endif

// ExtTextOut options.
#ifndef ETO_OPAQUE
constexpr UINT ETO_OPAQUE = 0x0002;
#endif
#ifndef ETO_CLIPPED
constexpr UINT ETO_CLIPPED = 0x0004;
#endif

// ---------------------------------------------------------------- bitmap structures
struct RGBQUAD {
    BYTE rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
    bool operator==(const RGBQUAD&) const = default;
};

// The fields as the BMP format and CreateDIBSection read them.
struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0;          // positive: bottom-up rows; negative: top-down
    WORD biPlanes = 1;
    WORD biBitCount = 0;        // 1, 4, 8, 16, 24, 32
    DWORD biCompression = 0;    // BI_RGB; BI_BITFIELDS for 16 and 32 bits
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};

// The header, then (for BI_BITFIELDS) three DWORD masks in place of the
// first three colours, or the colour table of a paletted bitmap.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr;     // a DIB section's bits; null for device bitmaps
};

// ---------------------------------------------------------------- the objects
// A bitmap: rows of pixels in the layout of a DIB (rows padded to 4 bytes;
// 1/4/8 bits index the palette, high bit first; 16 bits 5-5-5 or 5-6-5;
// 24 bits B, G, R; 32 bits B, G, R, unused).
struct BitmapObject final : GdiObject {
    // Cleared to 0. EOutOfMemory when the pixels would not fit in memory.
    BitmapObject(int width, int height, int bpp);
    int width = 0, height = 0;
    int bpp = 32;                   // 1, 4, 8, 16, 24 or 32
    bool rgb565 = false;            // 16 bits: 5-6-5 instead of 5-5-5
    bool bottom_up = false;         // storage order: last row first (a DIB with positive height)
    bool dib = false;               // made by CreateDIBSection (GetObject reports bmBits)
    bool monochrome_ddb = false;    // CreateBitmap(w, h, 1, 1): palette black, white
    bool stock = false;             // the 1x1 bitmap of a fresh memory DC; never deleted
    int stride = 0;                 // bytes per row, a multiple of 4
    std::vector<RGBQUAD> palette;   // bpp <= 8: at most 2^bpp entries
    std::vector<std::uint32_t> storage;  // the rows, stride bytes each, in storage order
    int selected = 0;               // number of DCs holding it
    std::uint64_t version = 0;      // raised by every drawing into it

    std::uint8_t* bits() { return reinterpret_cast<std::uint8_t*>(storage.data()); }
    const std::uint8_t* bits() const { return reinterpret_cast<const std::uint8_t*>(storage.data()); }
    std::uint8_t* row(int y) { return bits() + static_cast<std::size_t>(bottom_up ? height - 1 - y : y) * stride; }
    const std::uint8_t* row(int y) const { return bits() + static_cast<std::size_t>(bottom_up ? height - 1 - y : y) * stride; }
    std::uint32_t* row32(int y) { return reinterpret_cast<std::uint32_t*>(row(y)); }
    const std::uint32_t* row32(int y) const { return reinterpret_cast<const std::uint32_t*>(row(y)); }
    bool paletted() const { return bpp <= 8; }
    std::size_t byte_size() const { return static_cast<std::size_t>(stride) * static_cast<std::size_t>(height); }
};

struct BrushObject final : GdiObject {
    explicit BrushObject(COLORREF c, bool null_brush = false);
    COLORREF color = 0;
    bool null_brush = false;        // NULL_BRUSH: draws nothing
    bool stock = false;
    int selected = 0;
    bool doomed = false;            // deleted while selected: freed when the last DC lets go
};

struct PenObject final : GdiObject {
    PenObject(int style, int width, COLORREF c);
    int style = 0;                  // PS_SOLID, PS_DOT, PS_NULL
    int width = 1;
    COLORREF color = 0;
    bool stock = false;
    int selected = 0;
    bool doomed = false;            // deleted while selected: freed when the last DC lets go
};

struct FontObject final : GdiObject {
    explicit FontObject(const os::FontSpec& font);
    os::FontSpec description;
    bool stock = false;
    int selected = 0;
    bool doomed = false;            // deleted while selected: freed when the last DC lets go
};

// The drawing state of a device context (what SaveDC keeps).
struct DCState {
    BitmapObject* bitmap = nullptr;  // not owned; never null in a DC
    BrushObject* brush = nullptr;    // not owned; never null in a DC
    PenObject* pen = nullptr;        // not owned; never null in a DC
    FontObject* font = nullptr;      // not owned; never null in a DC
    COLORREF text_color = 0x000000;
    COLORREF bk_color = 0xFFFFFF;
    int bk_mode = OPAQUE;
    int stretch_mode = BLACKONWHITE;
    int rop2 = R2_COPYPEN;
    POINT pos;                       // current position (MoveToEx), logical
    POINT viewport_org;
    bool clipped = false;
    RECT clip;                       // device coordinates, when clipped
};

// A memory device context. Coordinates given to drawing functions are
// logical; the device pixel is logical + viewport origin, and drawing is
// clipped to the bitmap and to the clip rectangle.
struct DCObject final : GdiObject, DCState {
    DCObject();
    ~DCObject() override;
    std::vector<DCState> saved;      // SaveDC states; their objects count as selected
};

using HBITMAP = BitmapObject*;
using HBRUSH = BrushObject*;
using HPEN = PenObject*;
using HFONT = FontObject*;
using HDC = DCObject*;

// ---------------------------------------------------------------- objects
// A memory DC holding the stock 1x1 monochrome bitmap, white brush, black
// pen and the default font. The model DC is ignored (there is one device).
HDC CreateCompatibleDC(HDC dc);
// Frees the DC; its selected objects stay alive (they are not its own).
BOOL DeleteDC(HDC dc);

// A device-dependent bitmap: monochrome when planes and bpp are 1 (rows of
// `bits` word-aligned, as CreateBitmap reads them); otherwise of the device
// format, 32 bits (bits, when given, read as 32-bit pixels). Cleared to 0.
// A side of 0 gives the stock 1x1 monochrome bitmap; null when memory runs out.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits);
// The format of the bitmap the DC holds if that is monochrome or a DIB
// section (then a DIB section of its format), else the device's 32 bits;
// with a null DC always 32 bits. Cleared to black. A side of 0 gives the
// stock 1x1 monochrome bitmap (as gdi32); null when memory runs out.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A DIB section: the header's size, bits per pixel, row order, masks
// (5-6-5 when BI_BITFIELDS with a green mask 0x07E0) and colour table.
// *bits (when not null) receives the pixel storage. Null for a format it
// does not support.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);

HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontFromSpec(const os::FontSpec& font);
const os::FontSpec& FontSpecOf(HFONT font);

// Stock objects are shared and never deleted (DeleteObject ignores them).
// A brush, pen or font deleted while selected is freed when the last DC
// that holds it selects another or is deleted (as Windows does); a
// selected bitmap is refused.
HGDIOBJ GetStockObject(int index);

// Selects an object into the DC and returns the previously selected one
// of the same kind (null on failure: a bitmap of another DC, a region).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
inline HBITMAP SelectObject(HDC dc, HBITMAP b) { return static_cast<HBITMAP>(SelectObject(dc, static_cast<HGDIOBJ>(b))); }
inline HBRUSH SelectObject(HDC dc, HBRUSH b) { return static_cast<HBRUSH>(SelectObject(dc, static_cast<HGDIOBJ>(b))); }
inline HPEN SelectObject(HDC dc, HPEN p) { return static_cast<HPEN>(SelectObject(dc, static_cast<HGDIOBJ>(p))); }
inline HFONT SelectObject(HDC dc, HFONT f) { return static_cast<HFONT>(SelectObject(dc, static_cast<HGDIOBJ>(f))); }
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

#ifndef GetObject
// Fills a BITMAP for a bitmap; returns the bytes written, 0 otherwise.
int GetObject(HGDIOBJ object, int size, void* out);
#endif

// ---------------------------------------------------------------- DC state
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* org);
// Clipping: the intersection with a logical rectangle; SetClipRect with
// null removes the clip. GetClipBox answers the drawable area (logical).
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
void SetClipRect(HDC dc, const RECT* device_rect);
int GetClipBox(HDC dc, RECT* rect);
// SaveDC/RestoreDC keep colours, modes, origin, clip and the selected
// objects. RestoreDC(dc, -1) restores the last saved state.
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);

// ---------------------------------------------------------------- pixels and fills
// The colour at a logical point; CLR_INVALID outside the bitmap or clip.
COLORREF GetPixel(HDC dc, int x, int y);
// Sets the nearest colour the bitmap can hold and returns it; -1 (as
// COLORREF 0xFFFFFFFF) outside.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// The selected brush combined by a raster operation (D and P only).
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
// The dotted focus rectangle: every other pixel of a 1-pixel ring inverted
// (XOR), so that drawing it twice restores the picture.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

// ---------------------------------------------------------------- lines and shapes
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
// A line with the selected pen from the current position, without its
// last pixel; the end becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
// Outline with the pen, interior with the brush (right and bottom exclusive).
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// ---------------------------------------------------------------- blits
// dest = rop(D, S, P) over the rectangle; see the colour rules in Gdi.cpp.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
// Nearest-neighbour stretch of (sx, sy, sw, sh) onto (x, y, w, h); negative
// sizes mirror. Shrinking ANDs (BLACKONWHITE) or ORs (WHITEONBLACK) the
// dropped pixels, or drops them (COLORONCOLOR, HALFTONE).
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop);

// ---------------------------------------------------------------- text (UTF-8)
// Text pixels are the DC's text colour where os::render_text's coverage is
// at least 128; with OPAQUE background mode the text cell is filled with
// the background colour first.
BOOL TextOutUtf8(HDC dc, int x, int y, std::string_view text);
// ETO_OPAQUE fills *rect with the background colour; ETO_CLIPPED clips to it.
BOOL ExtTextOutUtf8(HDC dc, int x, int y, UINT options, const RECT* rect, std::string_view text);
BOOL GetTextExtentUtf8(HDC dc, std::string_view text, SIZE* size);
// DrawText: DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (single line),
// DT_SINGLELINE, DT_WORDBREAK, DT_CALCRECT, DT_NOPREFIX, DT_NOCLIP.
// Without DT_NOPREFIX "&x" draws x underlined and "&&" draws "&".
// Returns the height of the text (with DT_VCENTER or DT_BOTTOM, the offset
// from rect->top to the bottom of the drawn text).
int DrawTextUtf8(HDC dc, std::string_view text, RECT* rect, UINT format);

}  // namespace win
