#include "platform/ui/ImgList.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

#include "platform/core/Exceptions.h"
#include "platform/graphics/Bmp.h"
#include "platform/graphics/Gdi.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

// A COLORREF (0x00BBGGRR) as a 32-bit pixel (0x00RRGGBB).
std::uint32_t PixelOf(win::COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF); }

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void WriteU32(TStream* stream, std::uint32_t v) {
    std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    stream->WriteBuffer(b, 4);
}

// A 32-bit copy of any bitmap, for reading its pixels as 0x00RRGGBB.
std::unique_ptr<TBitmap> Pixels32(TBitmap* source) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(source);
    copy->SetPixelFormat(pf32bit);
    return copy;
}

std::uint32_t PixelAt(const TBitmap& b, int x, int y) {
    return static_cast<const std::uint32_t*>(b.ScanLine(y))[x] & 0xFFFFFF;
}

void WriteBitmapFile(TStream* stream, const win::BitmapObject& b) {
    std::vector<std::uint8_t> file = bmp::WriteFile(b);
    stream->WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
}

// Far more than any list of the program holds; a strip that claims more
// is damaged (and would take gigabytes to decode).
constexpr std::int64_t kMaxStripPixels = 4096LL * 4096LL;

// The picture size a BMP header claims (BITMAPINFOHEADER and its later
// forms, or the OS/2 core header); 0 when the header is too short to say.
std::int64_t ClaimedPixels(TStream* stream) {
    std::uint8_t h[26] = {};
    std::int64_t start = stream->Position;
    std::int64_t got = stream->Read(h, sizeof h);
    stream->Position = start;
    if (got < 22) return 0;
    auto u16 = [&](int at) { return std::int64_t(h[at] | h[at + 1] << 8); };
    auto i32 = [&](int at) { return std::int64_t(std::int32_t(ReadU32(h + at))); };
    if (ReadU32(h + 14) == 12) return u16(18) * u16(20);
    if (got < 26) return 0;
    return std::abs(i32(18)) * std::abs(i32(22));
}

// Reads one BMP file of a stored list; damage is a read error.
std::unique_ptr<TBitmap> ReadStrip(TStream* stream, const char* what) {
    if (ClaimedPixels(stream) > kMaxStripPixels)
        throw EReadError(std::string("イメージリストの") + what + "が大きすぎます");
    auto strip = std::make_unique<TBitmap>();
    try {
        strip->LoadFromStream(stream);
    } catch (const EInvalidGraphic& e) {
        throw EReadError(std::string("イメージリストの") + what + "が壊れています: " + e.Message);
    }
    strip->SetPixelFormat(pf32bit);
    return strip;
}

}  // namespace

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::~TImageList() = default;

const PropList& TImageList::Properties() const {
    using C = TImageList;
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Int<C>("BkColor", clNone, [](C* c) { return c->BkColor(); }, [](C* c, std::int64_t v) { c->SetBkColor(TColor(v)); }, PropKind::Color),
        props::Int<C>("Height", 16, [](C* c) { return c->Height(); }, [](C* c, std::int64_t v) { c->SetHeight(int(v)); }),
        props::Bool<C>("Masked", true, [](C* c) { return c->Masked(); }, [](C* c, bool v) { c->SetMasked(v); }),
        props::Int<C>("Width", 16, [](C* c) { return c->Width(); }, [](C* c, std::int64_t v) { c->SetWidth(int(v)); }),
    });
    return list;
}

void TImageList::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty("Bitmap", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                Count() > 0);
}

void TImageList::SetWidth(int width) {
    width = std::clamp(width, 1, bmp::kMaxSide);
    if (width == width_) return;
    width_ = width;
    cells_.clear();
    Changed();
}

void TImageList::SetHeight(int height) {
    height = std::clamp(height, 1, bmp::kMaxSide);
    if (height == height_) return;
    height_ = height;
    cells_.clear();
    Changed();
}

void TImageList::SetBkColor(TColor color) {
    if (color == bk_color_) return;
    bk_color_ = color;
    Changed();
}

void TImageList::SetMasked(bool masked) {
    if (masked == masked_) return;
    masked_ = masked;
    Changed();
}

void TImageList::Changed() {
    if (OnChange) OnChange(this);
}

void TImageList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) throw EListError(errors::ListIndex(index));
}

TImageList::Cell TImageList::MakeCell() const {
    std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    return Cell{std::vector<std::uint32_t>(n, bk_color_ == clNone ? 0u : PixelOf(ColorToRGB(bk_color_))),
                std::vector<bool>(n, false)};
}

int TImageList::AddCells(TBitmap* image, const std::function<bool(int, int, std::uint32_t)>& transparent_at) {
    if (!image || image->Empty()) throw EInvalidOperation("イメージリストに追加するイメージがありません");
    std::unique_ptr<TBitmap> src = Pixels32(image);
    int count = std::max(1, src->Width() / width_);
    int rows = std::min(height_, src->Height());
    std::vector<Cell> added;
    for (int k = 0; k < count; ++k) {
        Cell cell = MakeCell();
        int cols = std::min(width_, src->Width() - k * width_);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < cols; ++x) {
                std::uint32_t px = PixelAt(*src, k * width_ + x, y);
                std::size_t i = static_cast<std::size_t>(y) * width_ + x;
                cell.pixels[i] = px;
                cell.transparent[i] = transparent_at(k * width_ + x, y, px);
            }
        }
        added.push_back(std::move(cell));
    }
    int first = Count();
    for (Cell& c : added) cells_.push_back(std::move(c));
    Changed();
    return first;
}

int TImageList::Add(TBitmap* image, TBitmap* mask) {
    std::unique_ptr<TBitmap> m = mask && !mask->Empty() ? Pixels32(mask) : nullptr;
    return AddCells(image, [&](int x, int y, std::uint32_t) {
        return m && x < m->Width() && y < m->Height() && PixelAt(*m, x, y) == kWhite;
    });
}

int TImageList::AddMasked(TBitmap* image, TColor mask_color) {
    if (!image || image->Empty()) throw EInvalidOperation("イメージリストに追加するイメージがありません");
    // clDefault: the colour of the bottom-left pixel, as bitmaps choose theirs.
    std::uint32_t key = mask_color == clDefault ? PixelOf(static_cast<win::COLORREF>(image->Canvas()->Pixels(0, image->Height() - 1)))
                                                : PixelOf(ColorToRGB(mask_color));
    return AddCells(image, [key](int, int, std::uint32_t px) { return px == key; });
}

void TImageList::Delete(int index) {
    CheckIndex(index);
    cells_.erase(cells_.begin() + index);
    Changed();
}

void TImageList::Clear() {
    if (cells_.empty()) return;
    cells_.clear();
    Changed();
}

std::unique_ptr<TBitmap> TImageList::CellBitmap(const Cell& cell) const {
    auto b = std::make_unique<TBitmap>(width_, height_, pf32bit);
    for (int y = 0; y < height_; ++y)
        std::copy_n(cell.pixels.begin() + static_cast<std::ptrdiff_t>(y) * width_, width_,
                    static_cast<std::uint32_t*>(b->ScanLine(y)));
    return b;
}

std::unique_ptr<TBitmap> TImageList::MonoBitmap(const Cell& cell, const std::function<bool(int)>& ink) const {
    auto b = std::make_unique<TBitmap>();
    b->SetHandle(win::CreateBitmap(width_, height_, 1, 1, nullptr));  // all black
    for (int y = 0; y < height_; ++y) {
        auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < width_; ++x)
            if (!ink(y * width_ + x)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return b;
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
    CheckIndex(index);
    if (!canvas) return;
    const Cell& cell = cells_[static_cast<std::size_t>(index)];
    const TRect whole = Rect(0, 0, width_, height_);
    const win::DWORD mode = canvas->CopyMode();
    struct Restore {
        TCanvas* canvas;
        win::DWORD mode;
        ~Restore() { canvas->SetCopyMode(mode); }
    } restore{canvas, mode};

    // The canvas keeps its colours selected; the mono-to-colour blits below
    // need their own text and background colours for a while.
    auto with_colors = [canvas](win::COLORREF text, win::COLORREF back, auto&& draw) {
        win::HDC dc = canvas->Handle();
        win::COLORREF old_text = win::SetTextColor(dc, text), old_back = win::SetBkColor(dc, back);
        draw();
        win::SetTextColor(dc, old_text);
        win::SetBkColor(dc, old_back);
    };

    if (!enabled) {
        auto mono = MonoBitmap(cell, [&](int i) {
            return !(masked_ && cell.transparent[static_cast<std::size_t>(i)]) && cell.pixels[static_cast<std::size_t>(i)] != kWhite;
        });
        TBrush saved;
        saved.Assign(canvas->Brush());
        // Black (ink) in the mono picture becomes all ones: the brush there.
        canvas->SetCopyMode(win::ROP_DSPDxax);
        for (const auto& pass : {std::pair{1, clBtnHighlight}, std::pair{0, clBtnShadow}}) {
            const int offset = pass.first;
            canvas->Brush()->SetColor(pass.second);
            canvas->Brush()->SetStyle(bsSolid);
            with_colors(0xFFFFFF, 0x000000,
                        [&] { canvas->CopyRect(Bounds(x + offset, y + offset, width_, height_), mono->Canvas(), whole); });
        }
        canvas->Brush()->Assign(&saved);
        return;
    }

    bool any_transparent = masked_ && std::find(cell.transparent.begin(), cell.transparent.end(), true) != cell.transparent.end();
    if (!any_transparent) {
        canvas->SetCopyMode(win::SRCCOPY);
        canvas->CopyRect(Bounds(x, y, width_, height_), CellBitmap(cell)->Canvas(), whole);
        return;
    }
    if (bk_color_ != clNone) {
        Cell filled = cell;
        std::uint32_t bk = PixelOf(ColorToRGB(bk_color_));
        for (std::size_t i = 0; i < filled.pixels.size(); ++i)
            if (filled.transparent[i]) filled.pixels[i] = bk;
        canvas->SetCopyMode(win::SRCCOPY);
        canvas->CopyRect(Bounds(x, y, width_, height_), CellBitmap(filled)->Canvas(), whole);
        return;
    }
    // D xor I; AND the mask (white where transparent, so D xor I stays;
    // black on the picture, so 0); xor I again: D where transparent, I elsewhere.
    auto image = CellBitmap(cell);
    auto mask = MonoBitmap(cell, [&](int i) { return !cell.transparent[static_cast<std::size_t>(i)]; });
    TRect dest = Bounds(x, y, width_, height_);
    canvas->SetCopyMode(win::SRCINVERT);
    canvas->CopyRect(dest, image->Canvas(), whole);
    canvas->SetCopyMode(win::SRCAND);
    with_colors(0x000000, 0xFFFFFF, [&] { canvas->CopyRect(dest, mask->Canvas(), whole); });
    canvas->SetCopyMode(win::SRCINVERT);
    canvas->CopyRect(dest, image->Canvas(), whole);
}

void TImageList::GetBitmap(int index, TBitmap* image) {
    CheckIndex(index);
    if (!image) throw EInvalidOperation("イメージを受け取るビットマップがありません");
    image->Assign(CellBitmap(cells_[static_cast<std::size_t>(index)]).get());
}

void TImageList::WriteData(TStream* stream) {
    WriteU32(stream, static_cast<std::uint32_t>(cells_.size()));
    if (cells_.empty()) return;
    if (static_cast<std::int64_t>(width_) * Count() > bmp::kMaxSide)
        throw EWriteError("イメージリストが大きすぎて保存できません (" + std::to_string(Count()) + " 個)");
    const int strip_width = width_ * Count();
    auto pixel = [&](int x, int y) { return cells_[static_cast<std::size_t>(x / width_)].pixels[static_cast<std::size_t>(y) * width_ + x % width_]; };

    // An exact palette when it fits, in colour order so that the bytes are
    // the same for the same pictures.
    std::map<std::uint32_t, std::uint8_t> palette;
    for (const Cell& c : cells_) {
        for (std::uint32_t px : c.pixels) {
            palette.emplace(px, 0);
            if (palette.size() > 256) break;
        }
        if (palette.size() > 256) break;
    }
    if (palette.size() <= 256) {
        win::BitmapObject strip(strip_width, height_, 8);
        strip.dib = true;
        std::uint8_t next = 0;
        for (auto& [px, index] : palette) {
            index = next++;
            strip.palette.push_back(win::RGBQUAD{std::uint8_t(px), std::uint8_t(px >> 8), std::uint8_t(px >> 16), 0});
        }
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = strip.row(y);
            for (int x = 0; x < strip_width; ++x) row[x] = palette[pixel(x, y)];
        }
        WriteBitmapFile(stream, strip);
    } else {
        win::BitmapObject strip(strip_width, height_, 24);
        strip.dib = true;
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = strip.row(y);
            for (int x = 0; x < strip_width; ++x) {
                std::uint32_t px = pixel(x, y);
                row[3 * x] = std::uint8_t(px);
                row[3 * x + 1] = std::uint8_t(px >> 8);
                row[3 * x + 2] = std::uint8_t(px >> 16);
            }
        }
        WriteBitmapFile(stream, strip);
    }
    if (!masked_) return;
    win::BitmapObject masks(strip_width, height_, 1);
    masks.dib = true;
    masks.palette = {win::RGBQUAD{0, 0, 0, 0}, win::RGBQUAD{0xFF, 0xFF, 0xFF, 0}};
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = masks.row(y);
        for (int x = 0; x < strip_width; ++x)
            if (cells_[static_cast<std::size_t>(x / width_)].transparent[static_cast<std::size_t>(y) * width_ + x % width_])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    WriteBitmapFile(stream, masks);
}

void TImageList::ReadData(TStream* stream) {
    if (stream->Remaining() < 4) throw EReadError("イメージリストのデータが短すぎます (個数がありません)");
    std::uint8_t head[4];
    stream->ReadBuffer(head, 4);
    std::uint32_t count = ReadU32(head);
    if (count == 0) {
        if (stream->Remaining() != 0) throw EReadError("イメージリストのデータの後に余分なバイトがあります");
        Clear();
        return;
    }
    if (count > static_cast<std::uint32_t>(bmp::kMaxSide))
        throw EReadError("イメージリストの個数が多すぎます (" + std::to_string(count) + ")");
    std::unique_ptr<TBitmap> strip = ReadStrip(stream, "画像");
    if (strip->Width() % static_cast<int>(count) != 0 || strip->Width() < static_cast<int>(count) || strip->Height() <= 0)
        throw EReadError("イメージリストの画像の幅 " + std::to_string(strip->Width()) + " が " + std::to_string(count) +
                         " 個の画像に分けられません");
    std::unique_ptr<TBitmap> masks;
    if (stream->Remaining() > 0) {
        masks = ReadStrip(stream, "マスク");
        if (masks->Width() != strip->Width() || masks->Height() != strip->Height())
            throw EReadError("イメージリストのマスクの大きさが画像と合いません");
        if (stream->Remaining() != 0) throw EReadError("イメージリストのデータの後に余分なバイトがあります");
    }
    int w = strip->Width() / static_cast<int>(count), h = strip->Height();
    std::vector<Cell> cells(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        Cell& cell = cells[k];
        cell.pixels.resize(static_cast<std::size_t>(w) * h);
        cell.transparent.assign(static_cast<std::size_t>(w) * h, false);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::size_t i = static_cast<std::size_t>(y) * w + x;
                int sx = static_cast<int>(k) * w + x;
                cell.pixels[i] = PixelAt(*strip, sx, y);
                if (masks) cell.transparent[i] = PixelAt(*masks, sx, y) == kWhite;
            }
        }
    }
    width_ = w;
    height_ = h;
    cells_ = std::move(cells);
    Changed();
}
