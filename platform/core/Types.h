// Plain value types of the library (TRect, TPoint) and of the Windows-style
// facade (RECT, POINT, the integer types). The facade lives in namespace win
// so that files which also include <windows.h> can tell the two apart.
//
// Rule for every facade header: a name that <windows.h> defines as a macro
// (RGN_OR, SRCCOPY, WM_PAINT, RGB, ...) is declared inside #ifndef NAME, and
// a file that includes <windows.h> includes it after the platform headers.
#pragma once
#include <cstdint>

#include "platform/os.h"

struct TPoint {
    int x = 0, y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }

namespace win {
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = int;
using LONG = std::int32_t;
using COLORREF = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HWND = os::WindowId;

struct RECT {
    LONG left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
    LONG x = 0, y = 0;
};
struct SIZE {
    LONG cx = 0, cy = 0;
};
}  // namespace win
