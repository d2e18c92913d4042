// The region unit's costs: one animation step of a character window (Add of
// one frame, then SetWndRgn) on a designed form read from the program's
// resources, and the bitmap conversion on a 24 x 23 frame and on 1024-wide
// pictures with a hundred runs in every row, whose cost must grow linearly
// with the number of rows.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>

#include "controls/region/Region.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tools/designer/Designer.h"

namespace {

void Registered() {
    static const bool once = [] {
        RegisterPlatformClasses();
        Register();
        return true;
    }();
    (void)once;
}

// Mallo's window as the program loads it: the form resource read at run
// time (regions rebuilt from the stored blocks), shown, first frame applied.
struct CharacterForm {
    CharacterForm() {
        Registered();
        headless::Reset();
        auto text = os::find_resource("TForm1", "FORM");
        if (!text) throw EResNotFound("TForm1");
        ReadComponentResourceText(&form, std::string_view(reinterpret_cast<const char*>(text->data()), text->size()), "TForm1");
        list = dynamic_cast<TRgnList*>(form.FindComponent("RgnList1"));
        for (int i = 0; i < 12; ++i) frames[i] = dynamic_cast<TRgn*>(form.FindComponent("Rgn" + std::to_string(i + 1)));
        form.Show();
        list->Add(frames[0]);
        list->SetWndRgn();
    }
    ~CharacterForm() { headless::Reset(); }
    TDesignForm form{"TForm1"};  // any class name; handlers are kept by name
    TRgnList* list = nullptr;    // owned by form
    TRgn* frames[12] = {};       // owned by form
};

void BM_AnimationStep(benchmark::State& state) {
    CharacterForm c;
    int k = 0;
    for (auto _ : state) {
        c.list->Add(c.frames[k]);
        c.list->SetWndRgn();
        k = (k + 1) % 12;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnimationStep);

void Convert(benchmark::State& state, TBitmap* bmp) {
    for (auto _ : state) {
        void* data = nullptr;
        benchmark::DoNotOptimize(BitmapToRgnData(bmp, &data));
        FreeRgnData(data);
    }
}

void BM_ConvertFrame24x23(benchmark::State& state) {
    Registered();
    TBitmap frame;
    frame.LoadFromResourceName("MALLO_RGN01");
    Convert(state, &frame);
    state.SetItemsProcessed(state.iterations() * frame.Height());
}
BENCHMARK(BM_ConvertFrame24x23);

// A 1024-wide picture with a hundred runs of five pixels in every row; the
// runs shift from one row to the next so that no two rows form one band.
void BM_ConvertHundredRunsPerRow(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    TBitmap bmp(1024, rows, pf24bit);
    for (int y = 0; y < rows; ++y) {
        auto* line = static_cast<std::uint8_t*>(bmp.ScanLine(y));
        for (int x = 0; x < 1024; ++x) {
            const int shifted = x - y % 3;
            const bool opaque = y < rows - 1 && shifted >= 0 && shifted < 1000 && shifted % 10 < 5;
            line[3 * x] = opaque ? 0x20 : 0xDD;
            line[3 * x + 1] = opaque ? 0x40 : 0x88;
            line[3 * x + 2] = opaque ? 0x60 : 0x00;
        }
    }
    Convert(state, &bmp);
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetComplexityN(rows);
}
BENCHMARK(BM_ConvertHundredRunsPerRow)->Arg(256)->Arg(512)->Arg(1024)->Complexity(benchmark::oN);

}  // namespace
