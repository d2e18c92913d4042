// TGraphic, the base of pictures, and TBitmap, a picture held in a GDI
// bitmap, with a canvas, pixel formats, scan lines, transparency and the
// Windows BMP file format (VCL style).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Object.h"
#include "platform/core/Stream.h"
#include "platform/core/Types.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Gdi.h"

class TGraphic : public TPersistent {
public:
    const char* ClassName() const override { return "TGraphic"; }

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool Empty() const = 0;
    // Drawn with its transparent parts left out (TCanvas::Draw).
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    // Stored with a form as "Data": a 4-byte little-endian length, then the
    // picture as SaveToStream writes it (see GraphicData.cpp).
    void DefineProperties(TFiler* filer) override;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path);

    bool Modified = false;
    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the picture into rect of the canvas (stretched to it).
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
    // Marks the picture modified and fires OnChange.
    virtual void Changed(TObject* sender);

private:
    bool transparent_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pfDevice);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    const char* ClassName() const override { return "TBitmap"; }

    // A copy of another bitmap (pixels, format, palette, transparency);
    // null empties this one.
    void Assign(TPersistent* source) override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Resizing keeps the picture at the top left; new pixels are white.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void SetSize(int width, int height);
    bool Empty() const override { return handle_ == nullptr; }

    // The canvas drawing into the bitmap; created on first use, owned.
    TCanvas* Canvas();
    // The bitmap object, owned (null when empty).
    win::HBITMAP Handle() const { return handle_.get(); }
    // Takes ownership of a bitmap (null empties).
    void SetHandle(win::HBITMAP bitmap);
    // Gives the bitmap object away; the TBitmap is empty afterwards.
    win::HBITMAP ReleaseHandle();
    bool HandleAllocated() const { return handle_ != nullptr; }

    // Setting the format converts the pixels (colours kept, or the nearest
    // palette entry for paletted formats). pfDevice is the device's
    // 32-bit format; pfCustom cannot be set.
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat format);
    // Monochrome: a 1-bit black-and-white device bitmap.
    bool Monochrome() const;
    void SetMonochrome(bool value);

    // The colour table of a 1-, 4- or 8-bit bitmap (empty otherwise). A new
    // palette keeps the pixel indices.
    std::vector<win::RGBQUAD> Palette() const;
    void SetPalette(const std::vector<win::RGBQUAD>& colors);

    // Row y (0 = top) in the pixel format's layout; EInvalidGraphic when out
    // of range.
    void* ScanLine(int y);
    const void* ScanLine(int y) const;

    // tmAuto: the transparent colour is the bottom-left pixel's; tmFixed:
    // TransparentColor as set. Setting a colour other than clDefault
    // selects tmFixed, clDefault selects tmAuto.
    TTransparentMode TransparentMode() const { return transparent_mode_; }
    void SetTransparentMode(TTransparentMode mode);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    // Monochrome bitmap of the same size: white (1) where the pixel has the
    // transparent colour, black elsewhere. Owned by the TBitmap, remade
    // when the picture changes; null when empty.
    win::HBITMAP MaskHandle();
    // Same, but the caller owns it.
    win::HBITMAP ReleaseMaskHandle();

    // A Windows BMP file (with its file header). Loading raises
    // EInvalidGraphic for a damaged file and keeps the old picture then.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // A bitmap resource of the program; EResNotFound when there is none.
    void LoadFromResourceName(std::string_view name);

protected:
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void Changed(TObject* sender) override;

private:
    friend class TBitmapCanvas;
    void Replace(win::HBITMAP bitmap);
    void Resize(int width, int height);

    GdiPtr<win::BitmapObject> handle_;       // owned
    GdiPtr<win::BitmapObject> mask_;         // owned; cache of MaskHandle
    std::uint64_t mask_version_ = 0;
    TColor mask_color_ = clNone;
    std::unique_ptr<TCanvas> canvas_;        // owned
    int width_ = 0, height_ = 0;
    TPixelFormat format_ = pfDevice;         // the format while empty
    TTransparentMode transparent_mode_ = tmAuto;
    TColor transparent_color_ = clDefault;
};
