// Frames in a real OpenGL context (under a virtual X server with Mesa's software renderer):
// display() followed by glFinish, so the GPU work is counted, on the big model with and without
// the overlays and on the first model; and, for the big model, the pieces of a frame measured
// apart: model read plus assembly, the buffer upload, the mesh draw and the swap. Wall-clock
// time throughout, since the renderer works in threads of its own.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "app/app.h"
#include "input/input.h"
#include "plyview/viewer.h"
#include "support/run_folder.h"

namespace {

// ===== Window =====

// The viewer's own start-up without the event loop: window, 3.1 core context, GL entry points
// (a context without them ends the program), program and buffer.
bool openViewerWindow(int& argc, char** argv) {
    openWindow(argc, argv, kWindowTitle, kWindowSize, kWindowSize);
    initGpu();
    glutDisplayFunc(display);
    glutMainLoopEvent();  // let the window be mapped before the first frame
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    return true;
}

// The renderer compiles its code for each new drawing state on first use, and the first frames
// of a process pay for that; without these the first benchmark to run looks slower than the
// same frames later in the run.
constexpr int kWarmUpFrames = 30;

void warmUp() {
    for (int overlays : {1, 0}) {
        showNormals = showBox = overlays;
        for (int i = 0; i < kWarmUpFrames; ++i) {
            modelIndex = i % 2 == 0 ? kLastModel : kFirstModel;
            display();
        }
    }
    glFinish();
}

// ===== Whole frames =====

void countFrames(benchmark::State& state) {
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RealFrame(benchmark::State& state, int index, int overlays) {
    modelIndex = index;
    showNormals = showBox = overlays;
    display();
    glFinish();
    for (auto _ : state) {
        display();
        glFinish();
    }
    countFrames(state);
    showNormals = showBox = 0;
}

// The file viewer's frames of the same model while its camera turns with every frame, as a left
// drag does: the model is read once and drawn from its GPU buffers as an edge list. Run last:
// once the file viewer's programs and buffers share the context, the catalogue's frames that
// follow are several times slower on this renderer, so the two are not interleaved; the
// summary sets these frames beside BM_RealFrame/big_atc of the same run.
void plyviewOrbits(benchmark::State& state, bool panel) {
    plyview::startViewer(plyview::SceneTarget{0, glutSwapBuffers, false}, plyview::Style::kWire,
                         windowWidth, windowHeight);
    plyview::useFiles({catalogueFile(kLastModel)});
    plyview::showPanel(panel);
    plyview::drawFrame();  // reads and uploads the model (and the file's facts, the panel's text)
    glFinish();
    int x = 0, y = 0;
    plyview::pressButton(plyview::kLeftButton, true, x, y);
    for (auto _ : state) {
        plyview::movePointer(x += 3, y += 1);
        plyview::drawFrame();
        glFinish();
    }
    plyview::pressButton(plyview::kLeftButton, false, x, y);
    countFrames(state);
}

void BM_PlyviewOrbit(benchmark::State& state) {
    plyviewOrbits(state, false);
}

// The orbiting frame with the `i` panel over it: the difference from BM_PlyviewOrbit is what the
// panel costs a moving frame (its text, and its new frame time uploaded twice a second).
void BM_PlyviewPanel(benchmark::State& state) {
    plyviewOrbits(state, true);
}

// A wheel notch over the model, in and out in turn, each followed by its frame: the pick pass
// that finds the pointed point is the difference from an orbiting frame.
void BM_PlyviewWheel(benchmark::State& state) {
    plyview::startViewer(plyview::SceneTarget{0, glutSwapBuffers, false}, plyview::Style::kWire,
                         windowWidth, windowHeight);
    plyview::useFiles({catalogueFile(kLastModel)});
    plyview::drawFrame();
    glFinish();
    int notch = 0;
    for (auto _ : state) {
        const int button = notch++ % 2 == 0 ? plyview::kWheelUpButton : plyview::kWheelDownButton;
        plyview::pressButton(button, true, windowWidth / 2, windowHeight / 2);
        plyview::drawFrame();
        glFinish();
    }
    countFrames(state);
}

// ===== Pieces of a big-model frame =====

// Puts the big model's frame in place: read, assembled, matrices set, buffer filled.
void prepareBigFrame() {
    modelIndex = kLastModel;
    showNormals = showBox = 0;
    display();
    glFinish();
}

void BM_PieceLoadAssemble(benchmark::State& state) {
    prepareBigFrame();
    for (auto _ : state) {
        loadModel(kLastModel);
        assembleMesh();
        benchmark::DoNotOptimize(points[0]);
    }
}

void BM_PieceUpload(benchmark::State& state) {
    prepareBigFrame();
    for (auto _ : state) {
        glBufferData(GL_ARRAY_BUFFER, kMeshStoreBytes, nullptr, GL_STATIC_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, kPositionsOffset, kBlockBytes, points);
        glBufferSubData(GL_ARRAY_BUFFER, kColorsOffset, kBlockBytes, colors);
        glFinish();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kMeshStoreBytes);
}

void BM_PieceDraw(benchmark::State& state) {
    prepareBigFrame();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDrawArrays(GL_TRIANGLES, 0, 3 * faceCount);
        glDisable(GL_DEPTH_TEST);
        glFinish();
    }
}

void BM_PieceSwap(benchmark::State& state) {
    prepareBigFrame();
    for (auto _ : state) {
        glutSwapBuffers();
        glFinish();
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_RealFrame, big_atc, kLastModel, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RealFrame, big_atc_overlays, kLastModel, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RealFrame, airplane, kFirstModel, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PieceLoadAssemble)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PieceUpload)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PieceDraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PieceSwap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlyviewOrbit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlyviewPanel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlyviewWheel)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv) || !testsupport::enterRunFolder() ||
        !openViewerWindow(argc, argv)) {
        return 1;
    }
    warmUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
