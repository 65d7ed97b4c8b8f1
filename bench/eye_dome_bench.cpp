// Eye-dome lighting on this machine's renderer (Mesa's llvmpipe through surfaceless EGL, no
// display), in a 512 x 512 frame of a 200,000-point cloud ball, framed (a third of the frame on
// the model) and zoomed until it fills the frame:
//   - the eye-dome pass alone (the frame's colours copied into the target, then the full-screen
//     triangle that multiplies them by the shade and writes the depth);
//   - a bare pass beside it, in turns: the same full-screen triangle and the same nine
//     depth-texture reads at the same pixels, writing only their sum; the ratio is the pass's
//     cost over these reads;
//   - whole frames (the points drawn and shaded, glFinish) with the shading on and off.
// Wall time, glFinish after each; the ratios are taken from the same run's medians, and nothing
// is asserted on time.
#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/surfaceless.h"
#include "plyview/scene_parts.h"
#include "plyview/shader_text.h"
#include "plyview/viewer.h"

namespace {

constexpr int kSide = 512;
constexpr int kBallPoints = 200000;
constexpr float kFillZoom = 0.45f;  // the distance times this: the ball fills the frame
constexpr int kRgbaBytes = 4;
constexpr std::uint8_t kWhiteLevel = 250;

// The bare pass: the eye-dome pass's depth reads and nothing else.
const char* const kBareReads = R"glsl(
uniform highp sampler2D frame_depth;
out vec4 fragment;
const ivec2 kDirections[8] = ivec2[8](ivec2(1, 0), ivec2(-1, 0), ivec2(0, 1), ivec2(0, -1),
                                      ivec2(1, 1), ivec2(-1, -1), ivec2(1, -1), ivec2(-1, 1));
void main() {
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    ivec2 last = textureSize(frame_depth, 0) - 1;
    float sum = texelFetch(frame_depth, pixel, 0).r;
    for (int i = 0; i < 8; ++i) {
        ivec2 next = clamp(pixel + kDirections[i] * RADIUS, ivec2(0), last);
        sum += texelFetch(frame_depth, next, 0).r;
    }
    fragment = vec4(sum);
}
)glsl";

GLuint target = 0;     // the picture's framebuffer
GLuint bareReads = 0;  // the bare pass's program

void makeTarget() {
    GLuint buffers[2] = {};
    glGenFramebuffers(1, &target);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glGenRenderbuffers(2, buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSide, kSide);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kSide, kSide);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              buffers[1]);
}

// A unit ball's surface, points spread evenly (a golden-angle spiral), centred at the origin.
std::unique_ptr<FileModel> ball() {
    auto model = std::make_unique<FileModel>();
    const double turn = M_PI * (3 - std::sqrt(5.0));
    for (int i = 0; i < kBallPoints; ++i) {
        const double y = 1 - 2 * (i + 0.5) / kBallPoints, r = std::sqrt(1 - y * y);
        model->positions.insert(model->positions.end(),
                                {static_cast<float>(r * std::cos(turn * i)), static_cast<float>(y),
                                 static_cast<float>(r * std::sin(turn * i))});
    }
    model->minX = model->minY = model->minZ = -1;
    model->maxX = model->maxY = model->maxZ = 1;
    return model;
}

// The ball in the surface style, framed or filling the frame, shaded or not; one frame drawn.
void showBall(bool filled, bool shaded) {
    plyview::startViewer(plyview::SceneTarget{target, nullptr, false}, plyview::Style::kSurface,
                         kSide, kSide);
    plyview::useFiles({"ball.ply"});
    plyview::showModel(0, ball(), {});
    if (filled) {
        plyview::zoomAt(kSide / 2, kSide / 2, kFillZoom);
    }
    if (!shaded) {
        plyview::pressKey(plyview::kKeyEyeDome);
    }
    plyview::drawFrame();
    glFinish();
}

// The share of the frame's pixels that are not the white background.
double modelShare() {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * kRgbaBytes);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    long model = 0;
    for (std::size_t i = 0; i < pixels.size(); i += kRgbaBytes) {
        model += pixels[i] < kWhiteLevel || pixels[i + 1] < kWhiteLevel;
    }
    return static_cast<double>(model) / (kSide * kSide);
}

// The frame's projection, as drawFrame made it.
void projectionOf(float projection[kMatrixFloats]) {
    Mat4 p(1.0f), m(1.0f);
    plyview::matricesOf(plyview::eyeOf(plyview::currentCamera()), p, m);
    toColumnMajor(p, projection);
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The bare pass's program, reading the eye-dome frame's depth.
void useBareReads() {
    const plyview::EyeDome& dome = plyview::viewer().eyeDome;
    if (bareReads == 0) {
        const std::string text =
            "#define RADIUS " + std::to_string(plyview::kEyeDomeRadius) + "\n" + kBareReads;
        bareReads = plyview::buildViewerProgram(plyview::kEyeDomeVertexShader, text.c_str());
    }
    glUseProgram(bareReads);
    glBindTexture(GL_TEXTURE_2D, dome.frame.depth);
    glBindVertexArray(dome.array);
}

// The eye-dome pass and the bare pass in turns, each timed on its own (the machine's load
// changes alike for both); the iteration's time is the eye-dome pass's.
void BM_EyeDomePass(benchmark::State& state, bool filled) {
    showBall(filled, true);
    state.counters["model_share"] = modelShare();
    float projection[kMatrixFloats];
    projectionOf(projection);
    const plyview::DepthFrame& frame = plyview::viewer().eyeDome.frame;
    double shading = 0, reading = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        plyview::shadeEyeDome(frame, projection, target);
        glFinish();
        const double ms = msSince(start);
        shading += ms;
        state.SetIterationTime(ms / 1000);
        start = Clock::now();
        useBareReads();
        glDisable(GL_DEPTH_TEST);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glFinish();
        reading += msSince(start);
        glBindVertexArray(0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glEnable(GL_DEPTH_TEST);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["pass_ms"] = shading / n;
    state.counters["bare_reads_ms"] = reading / n;
    state.counters["ratio"] = shading / reading;
}

// Whole frames of the ball, shaded and flat in turns (`l` between them); the iteration's time is
// the shaded frame's.
void BM_CloudFrame(benchmark::State& state, bool filled) {
    showBall(filled, true);
    double shaded = 0, flat = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        plyview::drawFrame();
        glFinish();
        const double ms = msSince(start);
        shaded += ms;
        state.SetIterationTime(ms / 1000);
        plyview::pressKey(plyview::kKeyEyeDome);
        start = Clock::now();
        plyview::drawFrame();
        glFinish();
        flat += msSince(start);
        plyview::pressKey(plyview::kKeyEyeDome);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["shaded_ms"] = shaded / n;
    state.counters["flat_ms"] = flat / n;
    state.counters["ratio"] = shaded / flat;
}

}  // namespace

BENCHMARK_CAPTURE(BM_EyeDomePass, framed, false)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_EyeDomePass, filled, true)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_CloudFrame, framed, false)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_CloudFrame, filled, true)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!makeSurfacelessContext()) {
        std::fprintf(stderr, "eye_dome_bench: no surfaceless OpenGL 3.1 context\n");
        return 1;
    }
    makeTarget();
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
