// Shared set-up for the keyboard and animation tests: a working folder with all 43 catalogue
// files as small meshes of distinct bounding boxes, the scene store back at its start-up values,
// and helpers that press keys or run idle ticks and report what was drawn.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

#include "fake_gl.h"
#include "input/input.h"
#include "unit/scene_store.h"
#include "unit/temp_folder.h"

namespace inputtest {

struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;
};

// Every model has its own box; none is flat unless a test writes one. Model 0's extents round
// differently when taken in float rather than in double, so the step's precision shows.
inline Box boxOf(int index) {
    return {-1.1f, 2.2f + 0.25f * index, -0.3f - 0.125f * index, 1.75f, -0.2f, 0.5f + 0.5f * index};
}

// Two triangles spanning the box from corner to corner.
inline std::string plyText(const Box& b) {
    std::ostringstream out;
    out.precision(9);
    out << "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
           "property float z\nelement face 2\nproperty list uchar int vertex_indices\n"
           "end_header\n"
        << b.minX << ' ' << b.minY << ' ' << b.minZ << '\n'
        << b.maxX << ' ' << b.minY << ' ' << b.minZ << '\n'
        << b.minX << ' ' << b.maxY << ' ' << b.maxZ << '\n'
        << b.maxX << ' ' << b.maxY << ' ' << b.maxZ << '\n'
        << "3 0 1 2\n3 1 3 2\n";
    return out.str();
}

// How much a key press or an idle tick drew.
struct Frames {
    std::size_t swaps, redisplays;
    bool operator==(const Frames& o) const {
        return swaps == o.swaps && redisplays == o.redisplays;
    }
};
inline std::ostream& operator<<(std::ostream& os, const Frames& f) {
    return os << "{swaps " << f.swaps << ", redisplays " << f.redisplays << "}";
}
constexpr Frames kNoFrame{0, 0};
constexpr Frames kDirectFrame{1, 0};  // display called directly, no request
constexpr Frames kTickFrame{1, 1};    // display, then a redisplay request

// (animMode, animating, tourMode)
struct State {
    int mode, animating, tour;
    bool operator==(const State& o) const {
        return mode == o.mode && animating == o.animating && tour == o.tour;
    }
};
inline std::ostream& operator<<(std::ostream& os, const State& s) {
    return os << "(" << s.mode << ", " << s.animating << ", " << s.tour << ")";
}
inline State state() {
    return {animMode, animating, tourMode};
}
constexpr State kRest{kAnimNone, 0, 0};
constexpr State kTouring{kAnimTour, 1, 1};
constexpr State kTourPaused{kAnimNone, 0, 1};
constexpr State kBreathing{kAnimBreathe, 1, 0};
constexpr State kBreathingInTour{kAnimBreathe, 1, 1};

// Everything a key or tick may change, for "nothing changed" checks.
struct Snapshot {
    State s;
    float offsetX, offsetY, offsetZ, spinAngle, animStep;
    int pulse, pulseStep, modelIndex, showBox, showNormals;
    bool operator==(const Snapshot& o) const {
        return s == o.s && offsetX == o.offsetX && offsetY == o.offsetY && offsetZ == o.offsetZ &&
               spinAngle == o.spinAngle && animStep == o.animStep && pulse == o.pulse &&
               pulseStep == o.pulseStep && modelIndex == o.modelIndex && showBox == o.showBox &&
               showNormals == o.showNormals;
    }
};
inline std::ostream& operator<<(std::ostream& os, const Snapshot& v) {
    return os << v.s << " offsets " << v.offsetX << "," << v.offsetY << "," << v.offsetZ << " spin "
              << v.spinAngle << " step " << v.animStep << " pulse " << v.pulse << "/" << v.pulseStep
              << " model " << v.modelIndex << " box " << v.showBox << " normals " << v.showNormals;
}
inline Snapshot snapshot() {
    return {state(), offsetX,   offsetY,    offsetZ, spinAngle,  animStep,
            pulse,   pulseStep, modelIndex, showBox, showNormals};
}

template <typename F>
Frames framesOf(F action) {
    fakegl::calls.clear();
    action();
    return {fakegl::count("glutSwapBuffers"), fakegl::count("glutPostRedisplay")};
}
inline Frames press(unsigned char key) {
    return framesOf([key] { keyboard(key, 0, 0); });
}
inline Frames tick() {
    return framesOf(idle);
}
inline void pressAll(const std::string& keys) {
    for (char k : keys) {
        press(static_cast<unsigned char>(k));
    }
}
inline void ticks(int n) {
    for (int i = 0; i < n; ++i) {
        idle();
    }
}

inline void expectLoaded(int index) {
    const Box b = boxOf(index);
    EXPECT_EQ(minX, b.minX) << "model " << index;
    EXPECT_EQ(maxX, b.maxX) << "model " << index;
    EXPECT_EQ(maxZ, b.maxZ) << "model " << index;
}

// The viewer as it stands after start-up, in the working folder's catalogue: model 0 drawn, idle
// registered, everything at rest.
inline void restartViewer() {
    scenestore::restoreStartUpValues();
    forgetLoadedModel();
    fakegl::reset();
    setIdleCallback(idle);
    display();
    fakegl::calls.clear();
}

// The viewer as it stands after start-up: model 0 drawn, idle registered, everything at rest.
class InputFixture : public ::testing::Test {
  protected:
    InputFixture() {
        for (int i = 0; i < kModelCount; ++i) {
            folder_.write(modelFiles[i], plyText(boxOf(i)));
        }
    }

    // Table-driven tests call this again to start each row from scratch.
    void SetUp() override { restartViewer(); }

    TempFolder folder_;
};

}  // namespace inputtest
