// Matrix product and transform builders with the viewer's exact rounding points.
#include "math/linalg.h"

#include <cmath>

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 c(0.0f);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) {
                // The product of two floats is exact in double; the sum is rounded to float
                // after each of the four additions.
                c[i][j] = static_cast<float>(static_cast<double>(c[i][j]) +
                                             static_cast<double>(a[i][k]) * b[k][j]);
            }
        }
    }
    return c;
}

namespace {

// Cosine and sine of an angle in degrees: the angle is converted with one single-precision
// multiplication, each function is evaluated in double and rounded to float.
void cosSin(float angleDegrees, float& c, float& s) {
    const float a = angleDegrees * degToRad;
    c = static_cast<float>(std::cos(static_cast<double>(a)));
    s = static_cast<float>(std::sin(static_cast<double>(a)));
}

}  // namespace

Mat4 rotateX(float angleDegrees) {
    float c, s;
    cosSin(angleDegrees, c, s);
    Mat4 m(1.0f);
    m[1][1] = c;
    m[2][2] = c;
    m[2][1] = s;
    m[1][2] = -m[2][1];  // a zero angle leaves a negative zero here
    return m;
}

Mat4 rotateY(float angleDegrees) {
    float c, s;
    cosSin(angleDegrees, c, s);
    Mat4 m(1.0f);
    m[0][0] = c;
    m[2][2] = c;
    m[0][2] = s;
    m[2][0] = -m[0][2];
    return m;
}

Mat4 translate(float x, float y, float z) {
    Mat4 m(1.0f);
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    return m;
}

Mat4 identity() {
    Mat4 m(1.0f);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = 0.0f;
        }
        m[i][i] = 1.0f;
    }
    return m;
}

Mat4 perspective(float fovyDegrees, float aspect, float zNear, float zFar) {
    const float half =
        static_cast<float>(static_cast<double>(fovyDegrees) * static_cast<double>(degToRad) / 2.0);
    const float top = static_cast<float>(std::tan(static_cast<double>(half))) * zNear;
    const float right = top * aspect;
    Mat4 m(1.0f);
    m[0][0] = zNear / right;
    m[1][1] = zNear / top;
    m[2][2] = -(zFar + zNear) / (zFar - zNear);
    m[2][3] = static_cast<float>(static_cast<double>(zFar) * -2.0 * static_cast<double>(zNear) /
                                 (static_cast<double>(zFar) - static_cast<double>(zNear)));
    m[3][2] = -1.0f;
    m[3][3] = 0.0f;
    return m;
}

void toColumnMajor(const Mat4& m, float out[kMatrixFloats]) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out[4 * j + i] = m[i][j];
        }
    }
}
