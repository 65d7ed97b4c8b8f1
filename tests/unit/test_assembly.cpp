// Mesh assembly on a store filled by hand: corners, colours, scaled face normals, normal
// segments, breathing displacement and tour centring, with the exact single-precision results.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene_fixture.h"

namespace {

struct Snapshot {
    std::vector<Vec4> points, normals, lines;
};

Snapshot snapshot(int faceCount) {
    return {{points, points + 3 * faceCount},
            {faceNormals, faceNormals + faceCount},
            {normalLines, normalLines + 2 * faceCount}};
}

void expectVec(const Vec4& actual, const Vec4& expected, const char* what, int i) {
    EXPECT_EQ(actual.x, expected.x) << what << "[" << i << "].x";
    EXPECT_EQ(actual.y, expected.y) << what << "[" << i << "].y";
    EXPECT_EQ(actual.z, expected.z) << what << "[" << i << "].z";
    EXPECT_EQ(actual.w, expected.w) << what << "[" << i << "].w";
}

void expectSame(const std::vector<Vec4>& a, const std::vector<Vec4>& b, const char* what) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) expectVec(a[i], b[i], what, static_cast<int>(i));
}

void expectFinite(const Vec4* array, int count, const char* what) {
    for (int i = 0; i < count; ++i) {
        const Vec4& v = array[i];
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) &&
                    std::isfinite(v.w))
            << what << "[" << i << "]";
    }
}

const float kThird = static_cast<float>(1.0 / 3.0);

// The box 0..12 x 0..16 x 0..0 (diagonal 20, so normals are not rescaled) with the triangle
// (0,0,0), (1,0,0), (0,1,0) in both windings.
class AssemblyTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        setBox(0, 12, 0, 16, 0, 0);
        vertices[0] = {0, 0, 0, 1};
        vertices[1] = {1, 0, 0, 1};
        vertices[2] = {0, 1, 0, 1};
        vertices[3] = {5.3f, 2.7f, -0.4f, 1};
        vertexCount = 4;
        faces[0] = {0, 1, 2};
        faces[1] = {0, 2, 1};
        faces[2] = {3, 1, 2};
        faceCount = 3;
    }

    static void setBox(float x0, float x1, float y0, float y1, float z0, float z1) {
        minX = x0, maxX = x1, minY = y0, maxY = y1, minZ = z0, maxZ = z1;
    }
};

TEST_F(AssemblyTest, CornersColoursNormalsAndSegments) {
    assembleMesh();
    for (int f = 0; f < faceCount; ++f) {
        expectVec(points[3 * f], vertices[faces[f].v1], "points", 3 * f);
        expectVec(points[3 * f + 1], vertices[faces[f].v2], "points", 3 * f + 1);
        expectVec(points[3 * f + 2], vertices[faces[f].v3], "points", 3 * f + 2);
    }
    for (int i = 0; i < 3 * faceCount; ++i) expectVec(colors[i], kMeshColor, "colors", i);
    expectVec(faceNormals[0], {0, 0, 1, 1}, "faceNormals", 0);
    expectVec(faceNormals[1], {0, 0, -1, 1}, "faceNormals", 1);
    expectVec(normalLines[0], {kThird, kThird, 0, 1}, "normalLines", 0);
    expectVec(normalLines[1], {kThird, kThird, 1, 1}, "normalLines", 1);
    expectVec(normalLines[2], {kThird, kThird, 0, 1}, "normalLines", 2);
    expectVec(normalLines[3], {kThird, kThird, -1, 1}, "normalLines", 3);
    // Tour state is left alone outside the tour.
    EXPECT_EQ(centerX, 0.0f);
    EXPECT_EQ(offsetX, 0.0f);
}

TEST_F(AssemblyTest, BreathingMovesWholeFacesAlongTheirNormalsAndLeavesSegments) {
    assembleMesh();
    const Snapshot still = snapshot(faceCount);
    pulse = 10;  // 10 % of D = 2 along the unit normal
    assembleMesh();
    for (int k = 0; k < 3; ++k) {
        const Vec4& v0 = still.points[k];
        expectVec(points[k], {v0.x, v0.y, v0.z + 2, 1}, "points", k);
        const Vec4& v1 = still.points[3 + k];
        expectVec(points[3 + k], {v1.x, v1.y, v1.z - 2, 1}, "points", 3 + k);
    }
    // A slanted face: each corner moves by 2 along the unit normal, up to the rounding of
    // the stored corner.
    const Vec4& n = faceNormals[2];
    const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
    for (int i = 6; i < 9; ++i) {
        EXPECT_NEAR(points[i].x - still.points[i].x, 2 * n.x / length, 1e-6) << "corner " << i;
        EXPECT_NEAR(points[i].y - still.points[i].y, 2 * n.y / length, 1e-6) << "corner " << i;
        EXPECT_NEAR(points[i].z - still.points[i].z, 2 * n.z / length, 1e-6) << "corner " << i;
    }
    expectSame(snapshot(faceCount).normals, still.normals, "faceNormals");
    expectSame(snapshot(faceCount).lines, still.lines, "normalLines");
}

TEST_F(AssemblyTest, TourCentringShiftsXAndZOfCornersAndSegmentsOnly) {
    setBox(0, 12, 0, 16, 2, 4);  // z centre 3, so an x/z mix-up shows
    pulse = 10;
    assembleMesh();
    const Snapshot plain = snapshot(faceCount);
    tourMode = 1;
    assembleMesh();
    EXPECT_EQ(centerX, 6.0f);
    EXPECT_EQ(centerZ, 3.0f);
    EXPECT_EQ(offsetX, 6.0f);
    const Snapshot toured = snapshot(faceCount);
    auto shifted = [](std::vector<Vec4> v) {
        for (Vec4& p : v) p = {p.x - 6.0f, p.y, p.z - 3.0f, p.w};
        return v;
    };
    expectSame(toured.points, shifted(plain.points), "points");
    expectSame(toured.lines, shifted(plain.lines), "normalLines");
    expectSame(toured.normals, plain.normals, "faceNormals");
}

TEST_F(AssemblyTest, RepeatedCallsGiveIdenticalArrays) {
    pulse = 7;
    tourMode = 1;
    assembleMesh();
    const Snapshot first = snapshot(faceCount);
    assembleMesh();
    const Snapshot second = snapshot(faceCount);
    expectSame(second.points, first.points, "points");
    expectSame(second.normals, first.normals, "faceNormals");
    expectSame(second.lines, first.lines, "normalLines");
    EXPECT_EQ(offsetX, 6.0f);
}

TEST_F(AssemblyTest, ZeroAreaFaceGetsZeroNormalAndIsNotDisplaced) {
    faces[0] = {1, 1, 1};
    pulse = 10;
    assembleMesh();
    expectVec(faceNormals[0], {0, 0, 0, 1}, "faceNormals", 0);
    for (int k = 0; k < 3; ++k) expectVec(points[k], vertices[1], "points", k);
    expectVec(normalLines[0], vertices[1], "normalLines", 0);
    expectVec(normalLines[1], vertices[1], "normalLines", 1);
}

TEST_F(AssemblyTest, ZeroDiagonalGivesZeroNormalsAndNoDisplacement) {
    // Every bound equal: s = D / 20 = 0, whatever the faces look like.
    for (int pulseValue : {0, 10}) {
        setBox(1, 1, 1, 1, 1, 1);
        pulse = pulseValue;
        tourMode = 1;
        assembleMesh();
        for (int f = 0; f < faceCount; ++f) {
            expectVec(faceNormals[f], {0, 0, 0, 1}, "faceNormals", f);
            expectVec(normalLines[2 * f], normalLines[2 * f + 1], "normalLines", 2 * f);
        }
        expectVec(points[0], {-1, 0, -1, 1}, "points", 0);  // vertex 0 less the centre
        expectFinite(points, 3 * faceCount, "points");
        expectFinite(faceNormals, faceCount, "faceNormals");
        expectFinite(normalLines, 2 * faceCount, "normalLines");
    }
}

TEST_F(AssemblyTest, NoFacesWritesNothingButTheTourStillCentres) {
    const Vec4 marker(7.0f);
    for (int count : {0, -3}) {
        points[0] = colors[0] = faceNormals[0] = normalLines[0] = marker;
        faceCount = count;
        pulse = 10;
        tourMode = 1;
        setBox(0, 12, 0, 16, -4, 0);
        assembleMesh();
        expectVec(points[0], marker, "points", 0);
        expectVec(colors[0], marker, "colors", 0);
        expectVec(faceNormals[0], marker, "faceNormals", 0);
        expectVec(normalLines[0], marker, "normalLines", 0);
        EXPECT_EQ(centerX, 6.0f);
        EXPECT_EQ(centerZ, -2.0f);
        EXPECT_EQ(offsetX, 6.0f);
    }
}

}  // namespace
