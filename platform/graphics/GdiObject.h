// The base of every GDI-style object of the platform (regions, bitmaps,
// brushes, pens, fonts, device contexts) and the handle types built on it.
// Handles are plain pointers to these objects: whoever created one releases
// it with DeleteObject (DeleteDC for a device context), unless it was handed
// to the window system. The live count lets tests prove that nothing leaks.
#pragma once
#include "platform/core/Types.h"

namespace win {

enum class GdiKind { Region, Bitmap, Brush, Pen, Font, DC };

struct GdiObject {
    explicit GdiObject(GdiKind kind);
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    virtual ~GdiObject();
    const GdiKind kind;
};

using HGDIOBJ = GdiObject*;

// Frees an object the program owns. False for null. A bitmap still selected
// into a device context is not freed (as GDI refuses it) and false is returned.
BOOL DeleteObject(HGDIOBJ object);

// Number of GDI objects alive now, of one kind or of all kinds.
long LiveGdiObjects();
long LiveGdiObjects(GdiKind kind);

}  // namespace win
