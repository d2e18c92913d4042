#include "platform/graphics/Bitmap.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Bmp.h"
#include "platform/graphics/Raster.h"

using namespace gfx::raster;

// ---------------------------------------------------------------- TGraphic
void TGraphic::SetTransparent(bool value) {
    if (transparent_ == value) return;
    transparent_ = value;
    Changed(this);
}

namespace {
// C streams rather than iostreams: the program needs no more than this, and
// iostreams would bring their locale machinery into the executable.
struct CloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;
}  // namespace

void TGraphic::LoadFromFile(const std::string& path) {
    File in(std::fopen(path.c_str(), "rb"));
    if (!in) throw EStreamError("ファイル " + path + " を開けません");
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[16384];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(in.get())) throw EStreamError("ファイル " + path + " を読めません");
    TMemoryStream stream(std::move(bytes));
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& path) {
    TMemoryStream stream;
    SaveToStream(&stream);
    File out(std::fopen(path.c_str(), "wb"));
    bool written = out && std::fwrite(stream.Bytes.data(), 1, stream.Bytes.size(), out.get()) == stream.Bytes.size();
    written = out && std::fclose(out.release()) == 0 && written;
    if (!written) throw EStreamError("ファイル " + path + " を作成できません");
}

void TGraphic::Changed(TObject*) {
    Modified = true;
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- the bitmap's canvas
// Draws into the bitmap through a memory DC of its own (owned), made on
// first use; follows the bitmap when its object is replaced.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {
        OnChange = [this](TObject*) { bitmap_->Changed(bitmap_); };
    }
    ~TBitmapCanvas() override { FreeDC(); }
    const char* ClassName() const override { return "TBitmapCanvas"; }

    // The bitmap object changed: select the new one (or the stock one).
    void Reselect() {
        if (!own_dc_) return;
        if (bitmap_->handle_) win::SelectObject(own_dc_.get(), bitmap_->handle_.get());
        else win::SelectObject(own_dc_.get(), stock_bitmap_);
    }
protected:
    void CreateHandle() override {
        own_dc_.reset(win::CreateCompatibleDC(nullptr));
        stock_bitmap_ = static_cast<win::HBITMAP>(win::GetCurrentObject(own_dc_.get(), win::OBJ_BITMAP));
        if (bitmap_->handle_) win::SelectObject(own_dc_.get(), bitmap_->handle_.get());
        SetHandle(own_dc_.get());
    }

private:
    void FreeDC() {
        if (!own_dc_) return;
        SetHandle(nullptr);
        win::SelectObject(own_dc_.get(), stock_bitmap_);
        own_dc_.reset();
    }

    TBitmap* bitmap_;                       // not owned: the owner
    GdiPtr<win::DCObject> own_dc_;              // owned
    win::HBITMAP stock_bitmap_ = nullptr;   // not owned
};

namespace {

// A new bitmap object of a format; the palette for paletted formats from
// `keep` when it fits, else the format's default. White.
win::HBITMAP make_bitmap(int w, int h, TPixelFormat f, const std::vector<win::RGBQUAD>* keep) {
    int bpp = 32;
    bool dib = true;
    switch (f) {
    case pf1bit: bpp = 1; break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf15bit:
    case pf16bit: bpp = 16; break;
    case pf24bit: bpp = 24; break;
    case pf32bit: bpp = 32; break;
    default: dib = false; break;
    }
    GdiPtr<win::BitmapObject> b(new win::BitmapObject(w, h, bpp));  // ours until returned
    b->dib = dib;
    b->rgb565 = f == pf16bit;
    if (bpp <= 8) {
        if (keep && !keep->empty() && keep->size() <= (std::size_t{1} << bpp)) b->palette = *keep;
        else if (bpp == 1) b->palette = {win::RGBQUAD{0, 0, 0, 0}, win::RGBQUAD{0xFF, 0xFF, 0xFF, 0}};
        else if (bpp == 4) b->palette = vga_palette();
        else b->palette = default_palette_256();
    }
    std::uint32_t white = from_color(*b, 0xFFFFFF);
    std::vector<std::uint32_t> row(static_cast<std::size_t>(w), white);
    for (int y = 0; y < h; ++y) store_row(*b, y, 0, w, row.data());
    return b.release();
}

win::HBITMAP make_mono(int w, int h) {
    auto* b = win::CreateBitmap(w, h, 1, 1, nullptr);
    if (!b) throw EOutOfMemory("メモリが足りません");
    std::memset(b->bits(), 0xFF, b->byte_size());
    return b;
}

// Copies the overlapping top-left part, converting colours (indices stay
// when both share a palette).
void copy_pixels(const win::BitmapObject& from, win::BitmapObject& to) {
    int w = std::min(from.width, to.width), h = std::min(from.height, to.height);
    if (w <= 0 || h <= 0) return;
    std::vector<std::uint32_t> in(static_cast<std::size_t>(w)), out(static_cast<std::size_t>(w));
    bool indices = from.paletted() && to.paletted() && from.palette == to.palette;
    for (int y = 0; y < h; ++y) {
        load_row(from, y, 0, w, in.data());
        if (indices) out = in;
        else convert_row(from, in.data(), to, out.data(), w);
        store_row(to, y, 0, w, out.data());
    }
}

win::HBITMAP clone(const win::BitmapObject& b) {
    auto* c = new win::BitmapObject(b.width, b.height, b.bpp);
    c->rgb565 = b.rgb565;
    c->bottom_up = b.bottom_up;
    c->dib = b.dib;
    c->monochrome_ddb = b.monochrome_ddb;
    c->palette = b.palette;
    c->storage = b.storage;
    return c;
}

}  // namespace

// ---------------------------------------------------------------- TBitmap
TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format == pfCustom ? pfDevice : format) {
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    // The canvas's DC must let go of the bitmap before it is freed.
    canvas_.reset();
}

void TBitmap::Replace(win::HBITMAP bitmap) {
    GdiPtr<win::BitmapObject> old = std::move(handle_);
    handle_.reset(bitmap);
    if (canvas_) static_cast<TBitmapCanvas*>(canvas_.get())->Reselect();
    old.reset();
    mask_.reset();
    if (bitmap) {
        width_ = bitmap->width;
        height_ = bitmap->height;
    }
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        Replace(nullptr);
        width_ = height_ = 0;
        Changed(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        if (b == this) return;
        Replace(b->handle_ ? clone(*b->handle_) : nullptr);
        width_ = b->width_;
        height_ = b->height_;
        format_ = b->format_;
        transparent_mode_ = b->transparent_mode_;
        transparent_color_ = b->transparent_color_;
        if (Transparent() != b->Transparent()) TGraphic::SetTransparent(b->Transparent());
        Changed(this);
        return;
    }
    TPersistent::Assign(source);
}

void TBitmap::SetWidth(int width) { SetSize(width, height_); }
void TBitmap::SetHeight(int height) { SetSize(width_, height); }

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_ && (handle_ != nullptr) == (width > 0 && height > 0)) return;
    Resize(width, height);
    Changed(this);
}

void TBitmap::Resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        if (handle_) format_ = PixelFormat();
        Replace(nullptr);
        width_ = width < 0 ? 0 : width;
        height_ = height < 0 ? 0 : height;
        return;
    }
    // The new bitmap is ours until Replace takes it: a copy that runs out
    // of memory must not leak it.
    GdiPtr<win::BitmapObject> fresh;
    if (handle_ && handle_->monochrome_ddb) {
        fresh.reset(make_mono(width, height));
    } else {
        TPixelFormat f = handle_ ? PixelFormat() : format_;
        fresh.reset(make_bitmap(width, height, f, handle_ ? &handle_->palette : nullptr));
    }
    if (handle_) copy_pixels(*handle_, *fresh);
    Replace(fresh.release());
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
    return canvas_.get();
}

void TBitmap::SetHandle(win::HBITMAP bitmap) {
    if (bitmap == handle_.get()) return;
    Replace(bitmap);
    if (!bitmap) width_ = height_ = 0;
    Changed(this);
}

win::HBITMAP TBitmap::ReleaseHandle() {
    if (!handle_) return nullptr;
    format_ = PixelFormat();
    win::HBITMAP b = handle_.release();
    // Out of the canvas's DC: the caller may select it elsewhere.
    if (canvas_) static_cast<TBitmapCanvas*>(canvas_.get())->Reselect();
    mask_.reset();
    width_ = height_ = 0;
    return b;
}

TPixelFormat TBitmap::PixelFormat() const {
    if (!handle_) return format_;
    const win::BitmapObject& b = *handle_;
    if (!b.dib) return pfDevice;
    switch (b.bpp) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return b.rgb565 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == pfCustom) throw EInvalidGraphic("ピクセル形式 pfCustom は設定できません");
    if (format == PixelFormat() && !(handle_ && handle_->monochrome_ddb)) return;
    if (!handle_) {
        format_ = format;
        return;
    }
    GdiPtr<win::BitmapObject> fresh(make_bitmap(width_, height_, format, &handle_->palette));
    copy_pixels(*handle_, *fresh);
    format_ = format;
    Replace(fresh.release());
    Changed(this);
}

bool TBitmap::Monochrome() const { return handle_ && handle_->bpp == 1; }

void TBitmap::SetMonochrome(bool value) {
    if (value == Monochrome() && (!value || handle_->monochrome_ddb)) return;
    if (!handle_) return;
    if (value) {
        // As a blit onto a monochrome bitmap with a white background: white stays white.
        GdiPtr<win::BitmapObject> fresh(make_mono(width_, height_));
        std::vector<std::uint32_t> row(static_cast<std::size_t>(width_));
        for (int y = 0; y < height_; ++y) {
            load_row(*handle_, y, 0, width_, row.data());
            for (auto& v : row) v = (to_color(*handle_, v) & 0xFFFFFF) == 0xFFFFFF ? 1u : 0u;
            store_row(*fresh, y, 0, width_, row.data());
        }
        Replace(fresh.release());
    } else {
        GdiPtr<win::BitmapObject> fresh(make_bitmap(width_, height_, pfDevice, nullptr));
        copy_pixels(*handle_, *fresh);
        Replace(fresh.release());
    }
    Changed(this);
}

std::vector<win::RGBQUAD> TBitmap::Palette() const {
    if (!handle_ || !handle_->paletted()) return {};
    return handle_->palette;
}

void TBitmap::SetPalette(const std::vector<win::RGBQUAD>& colors) {
    if (!handle_ || !handle_->paletted() || colors.empty()) return;
    std::size_t max = std::size_t{1} << handle_->bpp;
    handle_->palette.assign(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(std::min(max, colors.size())));
    ++handle_->version;
    Changed(this);
}

void* TBitmap::ScanLine(int y) {
    if (!handle_ || y < 0 || y >= handle_->height) throw EInvalidGraphic("走査線インデックスが範囲を超えています");
    ++handle_->version;  // the caller may write through it
    return handle_->row(y);
}

const void* TBitmap::ScanLine(int y) const {
    if (!handle_ || y < 0 || y >= handle_->height) throw EInvalidGraphic("走査線インデックスが範囲を超えています");
    return handle_->row(y);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparent_mode_) return;
    transparent_mode_ = mode;
    if (mode == tmAuto) transparent_color_ = clDefault;
    Changed(this);
}

TColor TBitmap::TransparentColor() const {
    if (transparent_mode_ == tmFixed) return transparent_color_;
    if (!handle_) return clDefault;
    return static_cast<TColor>(to_color(*handle_, load_pixel(*handle_, 0, handle_->height - 1)));
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == transparent_color_ && (color == clDefault) == (transparent_mode_ == tmAuto)) return;
    transparent_color_ = color;
    transparent_mode_ = color == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

win::HBITMAP TBitmap::MaskHandle() {
    if (!handle_) return nullptr;
    TColor color = TransparentColor();
    if (mask_ && mask_version_ == handle_->version && mask_color_ == color) return mask_.get();
    // The colour-to-monochrome rule with the transparent colour as background.
    const win::BitmapObject& b = *handle_;
    std::uint32_t key = from_color(b, ColorToRGB(color));
    std::uint32_t key_mask = b.bpp == 32 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    mask_.reset(win::CreateBitmap(width_, height_, 1, 1, nullptr));
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width_));
    for (int y = 0; y < height_; ++y) {
        load_row(b, y, 0, width_, row.data());
        for (auto& v : row) v = (v & key_mask) == key ? 1u : 0u;
        store_row(*mask_, y, 0, width_, row.data());
    }
    mask_version_ = handle_->version;
    mask_color_ = color;
    return mask_.get();
}

win::HBITMAP TBitmap::ReleaseMaskHandle() {
    MaskHandle();
    return mask_.release();
}

void TBitmap::LoadFromStream(TStream* stream) {
    if (!stream) throw EInvalidGraphic("ビットマップが無効です (ストリームがありません)");
    std::int64_t start = stream->Position;
    std::vector<std::uint8_t> bytes(14);
    if (stream->Read(bytes.data(), 14) != 14) {
        stream->Position = start;
        throw EInvalidGraphic("ビットマップが無効です (ファイルヘッダーが短すぎます)");
    }
    std::uint32_t size;
    try {
        size = bmp::FileSizeFromHeader(bytes);
    } catch (...) {
        stream->Position = start;
        throw;
    }
    std::int64_t rest = stream->Remaining();
    // bfSize tells how much belongs to the picture; a missing or too large
    // value means "the rest of the stream".
    std::int64_t take = (size >= 14 + 12 && static_cast<std::int64_t>(size) - 14 <= rest) ? size - 14 : rest;
    bytes.resize(static_cast<std::size_t>(14 + take));
    stream->ReadBuffer(bytes.data() + 14, take);
    win::HBITMAP b;
    try {
        b = bmp::ReadFile(bytes);
    } catch (...) {
        stream->Position = start;
        throw;
    }
    Replace(b);
    format_ = PixelFormat();
    Changed(this);
}

void TBitmap::SaveToStream(TStream* stream) {
    if (!stream || !handle_) return;
    std::vector<std::uint8_t> bytes = bmp::WriteFile(*handle_);
    stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TBitmap::LoadFromResourceName(std::string_view name) {
    auto data = os::find_resource(name, "BITMAP");
    if (!data) throw EResNotFound("リソース " + std::string(name) + " が見つかりません");
    TBytesStream stream(data->data(), data->size());
    LoadFromStream(&stream);
}

namespace {
// A DC with the bitmap selected: the canvas's own when it has one (the
// bitmap cannot sit in two DCs), else a temporary one.
class SourceDC {
public:
    SourceDC(win::HBITMAP bitmap, TCanvas* canvas) {
        if (canvas && canvas->HandleAllocated()) {
            own_dc_ = canvas->Handle();
            return;
        }
        temp_.reset(win::CreateCompatibleDC(nullptr));
        own_dc_ = temp_.get();
        old_ = win::SelectObject(own_dc_, bitmap);
    }
    ~SourceDC() {
        if (temp_) win::SelectObject(own_dc_, old_);
    }
    win::HDC get() const { return own_dc_; }

private:
    GdiPtr<win::DCObject> temp_;  // owned
    win::HDC own_dc_ = nullptr;       // not owned
    win::HBITMAP old_ = nullptr;  // not owned
};
}  // namespace

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
    if (!handle_ || !canvas) return;
    win::HDC dst = canvas->Handle();
    int w = rect.Width(), h = rect.Height();
    win::HBITMAP image = handle_.get();
    int old_mode = win::SetStretchBltMode(dst, win::COLORONCOLOR);
    win::COLORREF old_text = win::GetTextColor(dst), old_bk = win::GetBkColor(dst);
    if (Transparent()) {
        // D xor I, then AND the mask (white where transparent, black on the
        // picture: D xor I stays or becomes 0), then xor I again: the
        // background where transparent, the picture elsewhere.
        win::HBITMAP mask = MaskHandle();
        GdiPtr<win::DCObject> mask_dc(win::CreateCompatibleDC(nullptr));
        win::HGDIOBJ old_mask = win::SelectObject(mask_dc.get(), mask);
        SourceDC src(image, canvas_.get());
        if (Monochrome()) {
            win::SetTextColor(dst, 0);
            win::SetBkColor(dst, 0xFFFFFF);
        }
        win::StretchBlt(dst, rect.Left, rect.Top, w, h, src.get(), 0, 0, width_, height_, win::SRCINVERT);
        win::SetTextColor(dst, 0);
        win::SetBkColor(dst, 0xFFFFFF);
        win::StretchBlt(dst, rect.Left, rect.Top, w, h, mask_dc.get(), 0, 0, width_, height_, win::SRCAND);
        win::StretchBlt(dst, rect.Left, rect.Top, w, h, src.get(), 0, 0, width_, height_, win::SRCINVERT);
        win::SelectObject(mask_dc.get(), old_mask);
    } else {
        SourceDC src(image, canvas_.get());
        if (Monochrome()) {
            win::SetTextColor(dst, 0);
            win::SetBkColor(dst, 0xFFFFFF);
        }
        win::StretchBlt(dst, rect.Left, rect.Top, w, h, src.get(), 0, 0, width_, height_, canvas->CopyMode());
    }
    win::SetTextColor(dst, old_text);
    win::SetBkColor(dst, old_bk);
    win::SetStretchBltMode(dst, old_mode);
}

void TBitmap::Changed(TObject* sender) { TGraphic::Changed(sender); }
