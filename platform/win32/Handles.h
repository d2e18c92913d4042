// Owning wrappers for the Win32 handles the backend creates: each releases
// its handle with the call that matches the call that made it.
#pragma once
#include <utility>

#include <windows.h>

namespace win32 {

// A handle of type H released by Free; move-only, null when empty.
template <typename H, auto Free>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle away (to the window system); the wrapper forgets it.
    H release() { return std::exchange(handle_, nullptr); }
    void reset(H handle = nullptr) {
        H old = std::exchange(handle_, handle);
        if (old) Free(old);
    }

private:
    H handle_ = nullptr;
};

namespace detail {
inline void destroy_menu(HMENU h) { ::DestroyMenu(h); }
inline void destroy_icon(HICON h) { ::DestroyIcon(h); }
inline void delete_dc(HDC h) { ::DeleteDC(h); }
inline void destroy_window(HWND h) { ::DestroyWindow(h); }
template <typename T>
void delete_gdi_as(T h) {
    ::DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}
}  // namespace detail

using UniqueMenu = UniqueHandle<HMENU, detail::destroy_menu>;
using UniqueFont = UniqueHandle<HFONT, detail::delete_gdi_as<HFONT>>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::delete_gdi_as<HBRUSH>>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::delete_gdi_as<HBITMAP>>;
using UniqueRegion = UniqueHandle<HRGN, detail::delete_gdi_as<HRGN>>;
using UniqueIcon = UniqueHandle<HICON, detail::destroy_icon>;
using UniqueWindow = UniqueHandle<HWND, detail::destroy_window>;
// A device context of CreateCompatibleDC, released with DeleteDC.
using MemoryDC = UniqueHandle<HDC, detail::delete_dc>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for a scope; the previous one is
// selected back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace win32
