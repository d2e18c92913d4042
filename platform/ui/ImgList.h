// TImageList: a list of same-sized images, each with an optional mask,
// drawn by index.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Stream.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

// Images are Width x Height cells. Masked lists draw a cell with its mask's
// white pixels left out (filled with BkColor unless that is clNone);
// unmasked lists copy the whole cell. Drawn disabled, the cell's opaque,
// not white pixels become an etched shape (highlight one pixel down and
// right, shadow on top), as the class library draws disabled images.
//
// Form resources store the images as the binary property "Bitmap": a 4-byte
// little-endian count, then a Windows BMP of the cells side by side (8 bits
// with an exact palette when the cells have at most 256 colours, else 24
// bits); for a masked list a 1-bit BMP strip of the masks follows.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner);
    ~TImageList() override;
    const char* ClassName() const override { return "TImageList"; }
    const PropList& Properties() const override;
    void DefineProperties(TFiler* filer) override;

    // A change of the size removes every image.
    int Width() const { return width_; }
    void SetWidth(int width);
    int Height() const { return height_; }
    void SetHeight(int height);
    TColor BkColor() const { return bk_color_; }
    void SetBkColor(TColor color);
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    int Count() const { return static_cast<int>(cells_.size()); }

    // Adds the cells of an image (one per Width pixels of it, at least one;
    // a smaller image sits at the cell's top left on BkColor, black for
    // clNone). In the mask, white pixels are transparent; no mask: all
    // opaque. Returns the index of the first cell added; EInvalidOperation
    // without an image.
    int Add(TBitmap* image, TBitmap* mask);
    // Same, with the pixels of one colour transparent.
    int AddMasked(TBitmap* image, TColor mask_color);
    // EListError for an index outside 0 .. Count - 1.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
    // The cell's pixels, all of them (the mask is not applied), as a 32-bit
    // Width x Height bitmap.
    void GetBitmap(int index, TBitmap* image);
    void Delete(int index);
    void Clear();

    // The stored form. Reading raises EReadError for damaged data and keeps
    // the images the list had.
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

    TNotifyEvent OnChange;

private:
    struct Cell {
        std::vector<std::uint32_t> pixels;  // Width x Height, 0x00RRGGBB, top row first
        std::vector<bool> transparent;      // Width x Height
    };
    Cell MakeCell() const;
    int AddCells(TBitmap* image, const std::function<bool(int x, int y, std::uint32_t rgb)>& transparent_at);
    void CheckIndex(int index) const;
    void Changed();
    // A 32-bit bitmap of the cell, and a monochrome one: black where `ink`.
    std::unique_ptr<TBitmap> CellBitmap(const Cell& cell) const;
    std::unique_ptr<TBitmap> MonoBitmap(const Cell& cell, const std::function<bool(int)>& ink) const;

    int width_ = 16, height_ = 16;
    TColor bk_color_ = clNone;
    bool masked_ = true;
    std::vector<Cell> cells_;
};
