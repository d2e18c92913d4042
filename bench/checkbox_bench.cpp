// Check-box paint costs on the headless backend: one Paint (compose the box
// in its temporary bitmap, fill and draw into the shared buffer, copy out)
// of the settings window's 13 x 13 box and of a 100 x 17 box with a
// caption, and the same through the whole WM_PAINT path of its window.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/checkbox/dxfCheckBox.h"
#include "controls/checkbox/dxfRes.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"

namespace {

struct Scene {
    std::unique_ptr<TForm> form;  // owned; owns the box
    TdxfCheckBox* box = nullptr;  // not owned

    Scene(int width, int height, const char* caption, bool checked) {
        headless::Reset();
        dxfRes::Initialize();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 200, 100);
        form->Show();
        box = new TdxfCheckBox(form.get());
        box->SetAutoSize(false);
        box->SetBounds(12, 34, width, height);
        box->SetParent(form.get());
        box->SetCaption(caption);
        box->SetChecked(checked);
        os::update_window(box->Handle());
    }
    ~Scene() {
        form.reset();
        headless::Reset();
    }
};

void SetArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"captioned"})->Arg(0)->Arg(1);
}

// Paint alone: the control's canvas is the scratch surface outside a paint,
// so this is the drawing without the window's back buffer and present.
void BM_Paint(benchmark::State& state) {
    const bool captioned = state.range(0) != 0;
    Scene s(captioned ? 100 : 13, captioned ? 17 : 13, captioned ? "キャラの表示" : "", true);
    for (auto _ : state) s.box->Paint();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Paint)->Apply(SetArgs);

// Invalidate and WM_PAINT: back buffer, Paint, present to the window.
void BM_PaintWindow(benchmark::State& state) {
    const bool captioned = state.range(0) != 0;
    Scene s(captioned ? 100 : 13, captioned ? 17 : 13, captioned ? "キャラの表示" : "", true);
    const os::WindowId window = s.box->Handle();
    for (auto _ : state) {
        s.box->Invalidate();
        os::update_window(window);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PaintWindow)->Apply(SetArgs);

// DrawImage alone: one strip cell composed into an 18 x 18 rectangle.
void BM_DrawImage(benchmark::State& state) {
    Scene s(13, 13, "", false);
    TBitmap target(18, 18, pf32bit);
    target.Canvas()->Brush()->SetColor(clBtnFace);
    const TRect rect{0, 0, 18, 18};
    for (auto _ : state) s.box->DrawImage(target.Canvas(), rect, dxfRes::CBBmp(), 1);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawImage);

}  // namespace
