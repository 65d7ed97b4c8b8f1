// The CPU side of a frame: mesh assembly at rest, breathing and in the tour, the model read plus
// assembly that every frame pays, and the whole of display() against the recording fake GL.
#include <benchmark/benchmark.h>

#include "fake_gl.h"
#include "render/render.h"

namespace {

constexpr int kBreathingPulse = 5;  // a typical breathing amount, in percent of the diagonal

// The view state a benchmark asks for; restored to rest afterwards.
struct ViewState {
    int pulse = 0;
    int tourMode = 0;
    int overlays = 0;  // showNormals and showBox
};

void applyView(const ViewState& view) {
    pulse = view.pulse;
    tourMode = view.tourMode;
    showNormals = showBox = view.overlays;
}

void restView() {
    applyView(ViewState{});
    offsetX = 0.0f;
}

void countFaces(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * faceCount);
}

void BM_Assemble(benchmark::State& state, int index, ViewState view) {
    loadModel(index);
    applyView(view);
    for (auto _ : state) {
        assembleMesh();
        benchmark::DoNotOptimize(points[0]);
    }
    countFaces(state);
    restView();
}

// What every frame spends before the GL calls: re-read the (unchanged) file and assemble it.
void BM_LoadAssemble(benchmark::State& state, int index, ViewState view) {
    loadModel(index);
    applyView(view);
    for (auto _ : state) {
        loadModel(index);
        assembleMesh();
        benchmark::DoNotOptimize(points[0]);
    }
    countFaces(state);
    restView();
}

// One whole frame against the recording fake: wrap, load, matrices, assembly, buffer fills.
void BM_DisplayFakeGl(benchmark::State& state, int index, ViewState view) {
    fakegl::reset();
    modelIndex = index;
    applyView(view);
    display();
    for (auto _ : state) {
        display();
        fakegl::calls.clear();  // keeps the record from growing across iterations
    }
    countFaces(state);
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    restView();
}

}  // namespace

// ===== Registrations =====

BENCHMARK_CAPTURE(BM_Assemble, big_atc_pulse0, kLastModel, ViewState{})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Assemble, big_atc_pulse5, kLastModel, ViewState{kBreathingPulse, 0, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Assemble, big_atc_tour, kLastModel, ViewState{0, 1, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Assemble, big_atc_pulse5_tour, kLastModel, ViewState{kBreathingPulse, 1, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadAssemble, big_atc, kLastModel, ViewState{})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadAssemble, big_atc_pulse5_tour, kLastModel,
                  ViewState{kBreathingPulse, 1, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DisplayFakeGl, big_atc, kLastModel, ViewState{})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DisplayFakeGl, big_atc_overlays, kLastModel, ViewState{0, 0, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DisplayFakeGl, airplane, kFirstModel, ViewState{})
    ->Unit(benchmark::kMicrosecond);
