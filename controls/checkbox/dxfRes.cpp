#include "controls/checkbox/dxfRes.h"

#include <memory>

#include "platform/core/Exceptions.h"

namespace dxfRes {
namespace {

struct Shared {
    std::unique_ptr<TBitmap> strip = std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> buffer = std::make_unique<TBitmap>();
    std::unique_ptr<TImageList> images = std::make_unique<TImageList>(nullptr);

    Shared() {
        LoadBitmapResource(strip.get(), "CHECKBOX");
        // The list takes its cell size from TTFONT; without that picture it
        // keeps its default size and stays empty.
        // No control draws from the list, so a picture it refuses is
        // left out rather than stopping the program.
        try {
            TBitmap tt;
            if (LoadBitmapResource(&tt, "TTFONT")) {
                images->SetWidth(tt.Width());
                images->SetHeight(tt.Height());
                images->AddMasked(&tt, tt.TransparentColor());
            }
            TBitmap device;
            if (LoadBitmapResource(&device, "DEVICEFONT")) images->AddMasked(&device, device.TransparentColor());
        } catch (const Exception&) {
        }
    }
};

// Built on first use, freed at program exit. Statics the GDI layer makes
// while these are built are destroyed after them.
Shared& Resources() {
    static Shared shared;
    return shared;
}

}  // namespace

void Initialize() { Resources(); }

TBitmap* CBBmp() { return Resources().strip.get(); }
TBitmap* DrawBmp() { return Resources().buffer.get(); }
TImageList* ImageList() { return Resources().images.get(); }

bool LoadBitmapResource(TBitmap* bitmap, std::string_view name) {
    try {
        bitmap->LoadFromResourceName(name);
        return !bitmap->Empty();
    } catch (const Exception&) {
        bitmap->Assign(nullptr);
        return false;
    }
}

}  // namespace dxfRes
