// The scene store as the program starts. Other tests change the store, so the check runs in a
// freshly started copy of the test program, where every value is the static initialisation's.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "input/input.h"

namespace {

bool isZero(const Vec4& v) {
    return v.x == 0 && v.y == 0 && v.z == 0 && v.w == 0;
}

template <std::size_t N>
int firstNonZero(const Vec4 (&array)[N], std::size_t from = 0) {
    for (std::size_t i = from; i < N; ++i) {
        if (!isZero(array[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Everything that differs from the start-up values, one line each.
std::string differences() {
    std::ostringstream out;
    const auto expect = [&out](bool ok, const char* what) {
        if (!ok)
            out << what << "\n";
    };
    expect(modelIndex == 0 && pulseStep == 1, "modelIndex 0, pulseStep 1");
    expect(windowWidth == 512 && windowHeight == 512, "window 512 x 512");
    expect(vertexCount == 0 && faceCount == 0 && program == 0, "counts and program 0");
    expect(minX == 0 && maxX == 0 && minY == 0 && maxY == 0 && minZ == 0 && maxZ == 0, "box 0");
    expect(offsetX == 0 && offsetY == 0 && offsetZ == 0 && spinAngle == 0, "offsets, spin 0");
    expect(animMode == 0 && animStep == 0 && animating == 0 && tourMode == 0, "animation 0");
    expect(pulse == 0 && showNormals == 0 && showBox == 0, "pulse and flags 0");
    expect(centerX == 0 && centerZ == 0, "tour centre 0");
    const Vec4& green = colors[0];
    expect(green.x == 0 && green.y == 1 && green.z == 0 && green.w == 1, "colors[0] green");
    expect(firstNonZero(colors, 1) < 0, "other colors zero");
    expect(firstNonZero(vertices) < 0 && firstNonZero(points) < 0, "vertices, points zero");
    expect(firstNonZero(faceNormals) < 0 && firstNonZero(normalLines) < 0, "normals zero");
    expect(firstNonZero(boxLines) < 0, "box lines zero");
    for (const FaceIndices& f : faces) {
        if (f.v1 != 0 || f.v2 != 0 || f.v3 != 0) {
            out << "faces zero\n";
            break;
        }
    }
    return out.str();
}

TEST(SceneStore, CapacitiesAndSizes) {
    EXPECT_EQ(sizeof vertices, 160000u);
    EXPECT_EQ(sizeof faces, 240000u);
    EXPECT_EQ(sizeof points, 960000u);
    EXPECT_EQ(sizeof colors, 960000u);
    EXPECT_EQ(sizeof faceNormals, 320000u);
    EXPECT_EQ(sizeof normalLines, 640000u);
    EXPECT_EQ(sizeof boxLines, 256u);
    EXPECT_EQ(sizeof modelFiles, 860u);
}

TEST(SceneStore, StartsWithItsInitialValues) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, not a fork of this one
    EXPECT_EXIT(
        {
            const std::string wrong = differences();
            std::fputs(wrong.c_str(), stderr);
            std::exit(wrong.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^$");
}

}  // namespace
