// The parts of the file viewer's frames, shared between the files that draw them. Internal to
// plyview/.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "plyview/plyview.h"

namespace plyview {

using Clock = std::chrono::steady_clock;

// What a frame shows of the model.
enum class Picture { kNothing, kFull, kProxy, kBreathing };

// The two matrices of a frame, as uploaded.
struct FrameMatrices {
    float projection[kMatrixFloats] = {};
    float model[kMatrixFloats] = {};
};

// Everything a full frame's pixels depend on: another key, another picture.
struct FrameKey {
    FrameMatrices matrices;
    std::uint64_t generation = 0;
    int width = 0, height = 0, box = 0, normals = 0;

    static FrameKey of(const FrameMatrices& matrices, std::uint64_t generation);
    bool operator==(const FrameKey& other) const;
};

// ===== Geometry drawn from the model (scene_geometry.cpp) =====

// The sixteen corners of the box polyline, x, y, z each.
std::vector<float> boxCorners(const FileModel& model);
// Per triangle, its centroid and the centroid plus its scaled normal (segments of the overlay).
std::vector<float> normalSegments(const FileModel& model, float diagonal);
// Per triangle, its three edges as line pairs, its corners moved `pulse` percent of the
// diagonal along its normal.
std::vector<float> breathingLines(const FileModel& model, float diagonal, int pulse);

// ===== A heavy full frame drawn in steps (steps.cpp) =====

// Starts drawing the full frame of `key` into the step framebuffer, or shows it when it is
// finished already; nothing while it is under way.
void drawInSteps(const FrameKey& key, const FrameMatrices& matrices);
void continueSteps();  // the next step; shows the frame after the last
bool stepsUnderWay();
void stopSteps();  // another picture took the window

// ===== Frame parts the steps use (scene.cpp) =====

void finishFrame(Picture picture);  // the frame is on screen
void drawFullPart(const FrameMatrices& matrices, std::uint64_t first, std::uint64_t count);
void drawFullOverlays(const FrameMatrices& matrices);
std::uint64_t fullPrimitives();
SceneTarget sceneTarget();

}  // namespace plyview
