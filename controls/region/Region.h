// Unit Region: shaped windows from bitmaps.
//   BitmapToRgnData  the region data block of a bitmap's non-key pixels
//   TRgn             a windowless sprite frame that carries its region
//   TRgnList         shapes its owner window after the frames listed in it
//   TRgnBtn          a push button drawn from glyphs, pressed only inside its region
// The key colour is always the bitmap's bottom-left pixel.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/core/List.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Region.h"
#include "platform/ui/Controls.h"

// A region data block owned by its holder (allocated with new[]).
using RgnDataPtr = std::unique_ptr<std::uint8_t[]>;

// Converts Bitmap into a newly allocated region data block stored in *Data
// and returns its length. Normalises the bitmap's own pixel format first
// (1 and 4 bits to 8 bits, all others but 8 and 24 bits to 24 bits).
// Raises EInvalidGraphic, EConvertError or Exception; then no block is left.
// The caller releases the block with FreeRgnData.
int BitmapToRgnData(TBitmap* Bitmap, void** Data);
void FreeRgnData(void* Data);
// How many pixel rows the conversion has examined since the program started.
long RgnScannedRows();

class TRgn : public TGraphicControl {
public:
    explicit TRgn(TComponent* AOwner);
    ~TRgn() override;
    const char* ClassName() const override { return "TRgn"; }
    const PropList& Properties() const override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Paint() override;
    void WndProc(TMessage& Message) override;

    TBitmap* RgnBitmap() const { return source_.get(); }
    void SetRgnBmp(TBitmap* Value);
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool Value);
    bool Transparent = false;

    void MakeMask();
    // Releases the region handle and the region data.
    void DestoryRgn();
    void UpdateRgn();
    void SetWndRgn();

    // What the region list reads and sets.
    win::HRGN RgnHandle() const { return handle_.get(); }
    bool ShowFlag() const { return show_; }
    void SetShowFlag(bool show) { show_ = show; }
    const std::uint8_t* RgnData() const { return data_.get(); }
    int RgnDataLength() const { return data_length_; }
    TBitmap* MaskBitmap() const { return mask_.get(); }
    TBitmap* MaskedImage() const { return masked_.get(); }

    TCursor DragCursor = crDrag;
    int DragMode = 0;  // dmManual

private:
    void ReadRgnData(TStream* Stream);
    void WriteRgnData(TStream* Stream);
    void WMEraseBkGnd(TMessage& Message);

    std::unique_ptr<TBitmap> source_;  // owned: the picture
    std::unique_ptr<TBitmap> work_;    // owned: scratch for see-through painting
    std::unique_ptr<TBitmap> masked_;  // owned: the picture with key pixels black
    std::unique_ptr<TBitmap> mask_;    // owned: monochrome, 1 where the key is
    bool auto_size_ = false;
    RgnDataPtr data_;                  // owned region data block, null when none
    std::int32_t data_length_ = 0;
    GdiPtr<win::RgnObject> handle_;    // owned until SetWndRgn hands it to the window
    bool show_ = true;
};

class TRgnList : public TComponent {
public:
    explicit TRgnList(TComponent* AOwner);
    ~TRgnList() override;
    const char* ClassName() const override { return "TRgnList"; }
    const PropList& Properties() const override;

    void Add(TRgn* Rgn);
    void Delete(TRgn* Rgn);
    int GetCount() const;
    TRgn* GetItem(int Index) const;
    void Clear();
    void SetWndRgn();

    bool AutoClear = true;
    TNotifyEvent OnShowWnd;

private:
    std::unique_ptr<TList> list_;    // owned list of TRgn*, not owning them
    std::unique_ptr<TList> others_;  // owned scratch list of other graphic controls
};

using TBmpArray = std::unique_ptr<TBitmap>[3];

class TRgnBtn : public TGraphicControl {
public:
    explicit TRgnBtn(TComponent* AOwner);
    ~TRgnBtn() override;
    const char* ClassName() const override { return "TRgnBtn"; }
    const PropList& Properties() const override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Paint() override;
    void WndProc(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    TBitmap* GetGlyph(int Index) const;  // 1 to 3
    void SetGlyph(int Index, TBitmap* Value);
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool Value);
    bool Pressed() const { return pressed_; }
    win::HRGN RgnHandle() const { return handle_.get(); }
    const std::uint8_t* RgnData() const { return data_.get(); }
    int RgnDataLength() const { return data_length_; }

    void UpdateRgn();
    void DestroyRgn();

    TCursor DragCursor = crDrag;
    int DragMode = 0;

private:
    void ReadRgnData(TStream* Stream);
    void WriteRgnData(TStream* Stream);

    bool auto_size_ = false;
    TBmpArray glyphs_;                 // owned: Glyph1 to Glyph3
    std::unique_ptr<TBitmap> work_;    // owned: scratch, drawn see-through
    bool pressed_ = false;
    RgnDataPtr data_;
    std::int32_t data_length_ = 0;
    GdiPtr<win::RgnObject> handle_;    // owned
};

// For the form designer: places the unit's classes on the palette page "MyComponent".
void Register();
