// Vectors, matrices and transform builders against exact single-precision figures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "math/linalg.h"

namespace {

std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

TEST(Vec4, DefaultsAndComponents) {
    const Vec4 zero;
    EXPECT_EQ(zero.w, 0.0f);
    const Vec4 s(2.5f);
    EXPECT_EQ(s.x, 2.5f);
    EXPECT_EQ(s.w, 2.5f);
    Vec4 v(1, 2, 3, 4);
    v[2] = 9;
    EXPECT_EQ(v.z, 9.0f);
    EXPECT_EQ(v[3], 4.0f);
}

TEST(Mat4, DiagonalConstructorAndElementWrites) {
    Mat4 m(1.0f);
    m[1][2] = 7.0f;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const float expected = (i == 1 && j == 2) ? 7.0f : (i == j ? 1.0f : 0.0f);
            EXPECT_EQ(m[i][j], expected) << i << "," << j;
        }
    }
}

TEST(Mat4, ProductWithIdentityAndOrder) {
    const Mat4 r = rotateY(30.0f);
    const Mat4 t = translate(1, 2, 3);
    const Mat4 i(1.0f);
    for (const Mat4& m : {r * i, i * r}) {
        for (int a = 0; a < 4; ++a) {
            for (int b = 0; b < 4; ++b) {
                EXPECT_EQ(m[a][b], r[a][b]);
            }
        }
    }
    const Mat4 tr = t * r;  // translation column untouched
    EXPECT_EQ(tr[0][3], 1.0f);
    EXPECT_EQ(tr[1][3], 2.0f);
    EXPECT_EQ(tr[2][3], 3.0f);
    const Mat4 rt = r * t;  // translation rotated
    EXPECT_NE(rt[0][3], 1.0f);
    EXPECT_FLOAT_EQ(rt[0][3], static_cast<float>(r[0][0] * 1 + r[0][2] * 3));
}

TEST(Mat4, ProductRoundsAfterEachAddition) {
    // 1 + 2^-24 + 2^-24: rounding after each addition loses both small terms (ties to even),
    // a single rounding at the end would keep them.
    Mat4 a(0.0f), b(0.0f);
    a[0][0] = 1.0f;
    a[0][1] = 1.0f;
    a[0][2] = 1.0f;
    b[0][0] = 1.0f;
    b[1][0] = std::ldexp(1.0f, -24);
    b[2][0] = std::ldexp(1.0f, -24);
    EXPECT_EQ((a * b)[0][0], 1.0f);
}

TEST(Transforms, RotationsAtExactAngles) {
    const Mat4 y90 = rotateY(90.0f);
    EXPECT_EQ(y90[0][2], 1.0f);
    EXPECT_EQ(y90[2][0], -1.0f);
    EXPECT_EQ(y90[0][0], -4.371139e-8f);
    EXPECT_EQ(y90[2][2], -4.371139e-8f);
    EXPECT_FLOAT_EQ(rotateY(360.0f)[0][2], 1.7484555e-7f);
    const Mat4 x0 = rotateX(0.0f);
    EXPECT_EQ(bits(x0[1][2]), 0x80000000u);  // negative zero
    EXPECT_EQ(x0[1][1], 1.0f);
    const Mat4 x90 = rotateX(90.0f);  // +y turns towards +z
    EXPECT_EQ(x90[2][1], 1.0f);
    EXPECT_EQ(x90[1][2], -1.0f);
    EXPECT_EQ(bits(degToRad), 0x3C8EFA35u);
}

TEST(Transforms, PerspectiveOfTheViewer) {
    const Mat4 p = perspective(60.0f, 1.0f, 0.1f, 10000.0f);
    EXPECT_FLOAT_EQ(p[0][0], 1.7320509f);
    EXPECT_FLOAT_EQ(p[1][1], 1.7320509f);
    EXPECT_FLOAT_EQ(p[2][2], -1.00002f);
    EXPECT_FLOAT_EQ(p[2][3], -0.200002f);
    EXPECT_EQ(p[3][2], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);
    EXPECT_EQ(p[0][1], 0.0f);
}

TEST(Transforms, TranslateIdentityAndColumnMajor) {
    const Mat4 t = translate(1, 2, 3);
    Mat4 point(0.0f);
    point[3][0] = 1.0f;  // column 0 holds the point (0, 0, 0, 1)
    const Mat4 moved = t * point;
    EXPECT_EQ(moved[0][0], 1.0f);
    EXPECT_EQ(moved[1][0], 2.0f);
    EXPECT_EQ(moved[2][0], 3.0f);
    EXPECT_EQ(moved[3][0], 1.0f);
    float out[kMatrixFloats];
    toColumnMajor(t, out);
    const float expected[kMatrixFloats] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
    for (int i = 0; i < kMatrixFloats; ++i) {
        EXPECT_EQ(out[i], expected[i]) << i;
    }
    const Mat4 id = identity();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(id[i][j], i == j ? 1.0f : 0.0f);
        }
    }
}

}  // namespace
