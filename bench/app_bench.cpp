// The program's own costs on the headless backend: one tick of each
// character (goal: under 5 us), start-up until the four characters are
// shown (goal: under 50 ms, without converting any bitmap to a region),
// and one FormShow of the settings window.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "characters/Mallo.h"
#include "characters/Oswy.h"
#include "characters/Quon.h"
#include "characters/Tibbet.h"
#include "controls/region/Region.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "settings/StatusWindow1.h"

namespace {

void StartProgram() {
    RegisterPlatformClasses();
    Register();
    Application->Initialize();
    Application->SetTitle("Launcher Zimmo! ～ミロテ編～");
    Application->CreateForm(Form1);
}

void StopProgram() {
    Application->DestroyComponents();
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    StatusForm1 = nullptr;
}

// The backend logs every shape it is given: a bounded number of ticks
// keeps that log small.
constexpr int kTicks = 20000;

// One tick of one character that walks diagonally at every tick, so that
// it shows two frames each time: the most a tick does. The timers are
// stopped and the handler is called directly, so the figure is the tick
// alone (with the headless backend's in-memory calls).
void BM_CharacterTick(benchmark::State& state) {
    headless::Reset();
    headless::SetModuleFileName("/nonexistent/zimmo-bench/zimmo.exe");
    StartProgram();
    for (TTimer* t : {Form1->Timer1, Form2->Timer1, Form3->Timer1, Form4->Timer1}) t->SetEnabled(false);
    headless::SetCursorPos(-100000000, -100000000);
    Form2->SetBounds(100000000, 100000000, Form2->Width(), Form2->Height());  // Oswy's target
    std::function<void()> tick;
    switch (state.range(0)) {
    case 0: tick = [] { Form1->Timer1Timer(Form1); }; break;
    case 1: tick = [] { Form2->Timer1Timer(Form2); }; break;
    case 2: tick = [] { Form3->Timer1Timer(Form3); }; break;
    default: tick = [] { Form4->Timer1Timer(Form4); }; break;
    }
    const char* names[] = {"Mallo", "Tibbet", "Quon", "Oswy"};
    state.SetLabel(names[state.range(0)]);
    for (auto _ : state) tick();
    StopProgram();
    headless::Reset();
}
BENCHMARK(BM_CharacterTick)->DenseRange(0, 3)->Iterations(kTicks)->Unit(benchmark::kMicrosecond);

// From nothing to the four characters shown and the tray icon up: the
// frames' regions come from their stored data, so no pixel row is scanned.
void BM_StartUp(benchmark::State& state) {
    headless::Reset();
    headless::SetModuleFileName("/nonexistent/zimmo-bench/zimmo.exe");
    const long scanned = RgnScannedRows();
    for (auto _ : state) {
        StartProgram();
        state.PauseTiming();
        if (!Form1->Visible() || !Form2->Visible() || !Form3->Visible() || !Form4->Visible())
            state.SkipWithError("a character is not shown after start-up");
        StopProgram();
        state.ResumeTiming();
    }
    state.counters["scanned_rows"] = static_cast<double>(RgnScannedRows() - scanned);
    if (RgnScannedRows() != scanned) state.SkipWithError("start-up converted bitmaps to regions");
    headless::Reset();
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

// The settings window's list drawn anew for a selection, on the shown
// window, as its OnShow and the arrow buttons do it.
void BM_SettingsFormShow(benchmark::State& state) {
    headless::Reset();
    headless::SetModuleFileName("/nonexistent/zimmo-bench/zimmo.exe");
    StartProgram();
    StatusForm1->Show();
    int selected = 0;
    for (auto _ : state) {
        StatusForm1->SelectedCharacter = selected;
        StatusForm1->FormShow(StatusForm1);
        selected = (selected + 1) % 4;
    }
    StopProgram();
    headless::Reset();
}
BENCHMARK(BM_SettingsFormShow)->Unit(benchmark::kMicrosecond);

}  // namespace
