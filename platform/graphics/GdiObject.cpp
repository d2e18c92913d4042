#include "platform/graphics/GdiObject.h"

#include <array>

namespace win {
namespace {
std::array<long, 6> g_live{};
long& live(GdiKind kind) { return g_live[static_cast<std::size_t>(kind)]; }
}  // namespace

GdiObject::GdiObject(GdiKind k) : kind(k) { ++live(k); }
GdiObject::~GdiObject() { --live(kind); }

long LiveGdiObjects() {
    long n = 0;
    for (long v : g_live) n += v;
    return n;
}
long LiveGdiObjects(GdiKind kind) { return live(kind); }

// DeleteObject is defined in platform/graphics/Gdi.cpp, which knows whether a
// bitmap is selected into a device context.
}  // namespace win
