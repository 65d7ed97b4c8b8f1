// The point of the model under the pointer, in the desktop window and the page alike: a pass of
// its own draws the model's depth as colours into a small framebuffer around the pointer, since
// a WebGL canvas's depth buffer cannot be read back. The surface is picked in every style (a
// wireframe's gaps are part of the model), the points of a cloud at their drawn size.
#include <GL/glew.h>

#include <cstdint>

#include "gpu/program.h"
#include "plyview/scene_parts.h"
#include "plyview/shader_text.h"

namespace plyview {

namespace {

// The framebuffer is kPickSide pixels square around the pointer's pixel, so that points whose
// centres are off that pixel but cover it are not clipped away.
constexpr int kPickSide = 2 * static_cast<int>(kMaxPointSize) + 1;
constexpr int kPickMiddle = kPickSide / 2;
constexpr double kDepthSteps = 16777215.0;  // 24 bits over red, green and blue
constexpr int kChannelBits = 8;
constexpr std::uint8_t kModelAlpha = 255;
constexpr int kRgbaBytes = 4;
// A cloud's points are sought this many pixels around the pointer: the nearest one is taken,
// since a pointer rarely lands on a point a few pixels across. A surface's edge, where a
// triangle may just miss the pointer's pixel, this many: its depth is taken there.
constexpr int kPointReach = 4;
constexpr int kEdgeReach = 2;

void buildPicker(Picker& picker) {
    picker.program = buildViewerProgram(kFlatVertexShader, kPickFragmentShader);
    picker.model = glGetUniformLocation(picker.program, kModelMatrixUniform);
    picker.projection = glGetUniformLocation(picker.program, kProjectionMatrixUniform);
    picker.pointSize = glGetUniformLocation(picker.program, "point_size");
    glGenRenderbuffers(1, &picker.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, picker.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kPickSide, kPickSide);
    glGenRenderbuffers(1, &picker.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, picker.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kPickSide, kPickSide);
    glGenFramebuffers(1, &picker.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, picker.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, picker.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, picker.depth);
}

// What is picked: the surface of the model as drawn at rest (its proxy when the full model is
// too heavy to draw between two events), or the points of a cloud; null when nothing is shown.
const GpuGeometry* pickedGeometry() {
    const Shown& shown = viewer().shown;
    const bool heavy = shown.model && shown.model->triangleCount() > kDirectLines;
    if (heavy && !shown.proxy && !shown.full.surfaceBuilt) {
        return nullptr;  // not uploaded for a pointer's sake; the proxy will be
    }
    Layers* layers = layersOf(heavy && shown.proxy ? Picture::kProxy : Picture::kFull, false, true);
    const GpuGeometry& geometry = shown.pointCloud ? layers->wire : layers->surface;
    return geometry.empty() ? nullptr : &geometry;
}

// The frame's projection narrowed to the kPickSide pixels around window pixel (x, y).
Mat4 pickProjection(const Mat4& projection, int x, int y) {
    const Viewer& state = viewer();
    const double width = state.width, height = state.height;
    const double centreX = 2.0 * (x + 0.5) / width - 1.0;
    const double centreY = 1.0 - 2.0 * (y + 0.5) / height;
    Mat4 narrow(1.0f);
    narrow[0][0] = static_cast<float>(width / kPickSide);
    narrow[0][3] = static_cast<float>(-centreX * width / kPickSide);
    narrow[1][1] = static_cast<float>(height / kPickSide);
    narrow[1][3] = static_cast<float>(-centreY * height / kPickSide);
    return narrow * projection;
}

}  // namespace

bool pickPoint(int x, int y, Point3& point) {
    Viewer& state = viewer();
    if (x < 0 || y < 0 || x >= state.width || y >= state.height) {
        return false;
    }
    const GpuGeometry* geometry = pickedGeometry();
    if (geometry == nullptr) {
        return false;
    }
    Picker& picker = state.picker;
    if (picker.program == 0) {
        buildPicker(picker);
    }
    const Eye eye = eyeOf(currentCamera());
    Mat4 projection(1.0f), model(1.0f);
    matricesOf(eye, projection, model);
    FrameMatrices matrices;
    toColumnMajor(pickProjection(projection, x, y), matrices.projection);
    toColumnMajor(model, matrices.model);

    glBindFramebuffer(GL_FRAMEBUFFER, picker.framebuffer);
    glViewport(0, 0, kPickSide, kPickSide);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glUseProgram(picker.program);
    glUniformMatrix4fv(picker.model, 1, GL_FALSE, matrices.model);
    glUniformMatrix4fv(picker.projection, 1, GL_FALSE, matrices.projection);
    glUniform1f(picker.pointSize, state.pointSize);
    geometry->drawAll(false);
    const bool cloud = state.shown.pointCloud;
    const int reach = cloud ? kPointReach : kEdgeReach;
    const int side = 2 * reach + 1;
    std::uint8_t pixels[(2 * kPointReach + 1) * (2 * kPointReach + 1) * kRgbaBytes] = {};
    glReadPixels(kPickMiddle - reach, kPickMiddle - reach, side, side, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, state.target.framebuffer);
    // The model's pixel nearest the pointer's; rows run upwards, the window's downwards.
    int best = -1, bestDistance = 0;
    for (int i = 0; i < side * side; ++i) {
        const int dx = i % side - reach, dy = i / side - reach;
        const int distance = dx * dx + dy * dy;
        if (pixels[i * kRgbaBytes + 3] == kModelAlpha && (best < 0 || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0) {
        return false;
    }
    const std::uint8_t* pixel = pixels + best * kRgbaBytes;
    const std::uint32_t packed = static_cast<std::uint32_t>(pixel[0]) << (2 * kChannelBits) |
                                 static_cast<std::uint32_t>(pixel[1]) << kChannelBits | pixel[2];
    // A cloud's point where it is; a surface's depth under the pointer itself, so that what
    // the pointer is over stays under it.
    const int dx = cloud ? best % side - reach : 0, dy = cloud ? best / side - reach : 0;
    point = unproject(eye, x + dx, y - dy, state.width, state.height, packed / kDepthSteps);
    return true;
}

// The program goes with the context, as the frames' own programs do.
void Picker::release() {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &colour);
    *this = Picker();
}

}  // namespace plyview
