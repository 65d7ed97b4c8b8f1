// A full frame too heavy to draw between two events (seconds, for millions of lines on a
// software renderer) is drawn in steps into a framebuffer of its own, each step sized to take
// about kStepSeconds, with the events handled in between; when the last step is done the frame
// is copied to the window (through the eye-dome pass for a shaded cloud, whose overlays then go
// over it in the window). A finished frame is kept, so showing it again costs one copy.
#include <GL/glew.h>

#include <algorithm>
#include <cstring>

#include "plyview/scene_parts.h"

namespace plyview {

namespace {

constexpr std::uint64_t kMinStepLines = 20000;

void show() {
    Steps& steps = viewer().steps;
    const DepthFrame& frame = steps.frame;
    const SceneTarget& target = viewer().target;
    if (steps.key.eyeDome) {
        shadeEyeDome(frame, steps.matrices.projection, target.framebuffer);
        drawOverlays(steps.matrices);
    } else {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, frame.framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);
        glBlitFramebuffer(0, 0, frame.width, frame.height, 0, 0, frame.width, frame.height,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        glViewport(0, 0, frame.width, frame.height);
    }
    drawLegend();  // over the finished frame, not into it: the panel may come and go
    drawPanel();
    if (target.present != nullptr) {
        target.present();
    }
    finishFrame(Picture::kFull);
}

}  // namespace

FrameKey FrameKey::of(const FrameMatrices& matrices, std::uint64_t generation, bool eyeDome) {
    FrameKey key;
    key.matrices = matrices;
    key.generation = generation;
    const Viewer& state = viewer();
    key.width = state.width;
    key.height = state.height;
    key.box = state.view.box;
    key.normals = state.view.normals;
    key.style = static_cast<int>(state.style);
    key.pointSize = state.pointSize;
    key.orthographic = state.orthographic;
    key.marks = state.marks.generation;
    key.eyeDome = eyeDome;
    return key;
}

bool FrameKey::operator==(const FrameKey& other) const {
    return std::memcmp(&matrices, &other.matrices, sizeof matrices) == 0 &&
           generation == other.generation && width == other.width && height == other.height &&
           box == other.box && normals == other.normals && style == other.style &&
           pointSize == other.pointSize && orthographic == other.orthographic &&
           marks == other.marks && eyeDome == other.eyeDome;
}

void drawInSteps(const FrameKey& key, const FrameMatrices& matrices, const Passes& passes) {
    Steps& steps = viewer().steps;
    if (steps.complete && steps.key == key) {
        show();
        return;
    }
    if (steps.active && steps.key == key) {
        return;
    }
    steps.frame.ensure(viewer().width, viewer().height);
    glBindFramebuffer(GL_FRAMEBUFFER, steps.frame.framebuffer);
    glViewport(0, 0, steps.frame.width, steps.frame.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    steps.active = true;
    steps.complete = false;
    steps.key = key;
    steps.matrices = matrices;
    steps.passes = passes;
    steps.pass = 0;
    steps.next = 0;
    steps.begun = Clock::now();
    continueSteps();
}

void continueSteps() {
    Steps& steps = viewer().steps;
    if (!steps.active) {
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, steps.frame.framebuffer);
    glViewport(0, 0, steps.frame.width, steps.frame.height);
    glEnable(GL_DEPTH_TEST);
    if (steps.pass < steps.passes.size()) {
        const Pass& pass = steps.passes[steps.pass];
        // perStep counts lines; a splat costs as many as kSplatLines.
        const std::uint64_t count = std::max<std::uint64_t>(1, steps.perStep / stepLinesOf(pass));
        const Clock::time_point start = Clock::now();
        usePass(pass, steps.matrices);
        drawPass(pass, steps.next, count);
        endPass(pass);
        glFinish();  // the step's real cost, so that the next one can be sized
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        steps.next += count;
        const double scale = kStepSeconds / std::max(seconds, kStepSeconds / 8);
        steps.perStep = std::max(kMinStepLines, static_cast<std::uint64_t>(steps.perStep * scale));
        if (steps.next >= primitivesOf(pass)) {
            ++steps.pass;
            steps.next = 0;
        }
        if (steps.pass < steps.passes.size()) {
            return;
        }
    }
    if (!steps.key.eyeDome) {
        drawOverlays(steps.matrices);  // a shaded frame's go over it as it is shown
    }
    steps.active = false;
    steps.complete = true;
    viewer().frameMs =
        std::chrono::duration<double, std::milli>(Clock::now() - steps.begun).count();
    show();
}

bool stepsUnderWay() {
    return viewer().steps.active;
}

void stopSteps() {
    viewer().steps.active = false;
}

void forgetSteps() {
    Steps& steps = viewer().steps;
    steps.frame.release();
    steps = Steps();
}

}  // namespace plyview
