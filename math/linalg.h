// Public interface of math/: the two value types of the viewer's geometry and the transform
// builders. Every other folder may use this header; it depends on nothing of ours.
//
// Precision rule throughout: values are stored as 32-bit floats; where a formula says it is
// evaluated in double precision, the code widens the float inputs, computes in double and
// rounds once when it stores the result.
#pragma once

// ===== Vec4 =====

// Four single-precision components, 16 bytes, tightly packed so that an array of Vec4 is
// exactly what the GPU reads as 4 floats per vertex.
struct Vec4 {
    float x, y, z, w;

    constexpr Vec4() : Vec4(0.0f) {}  // (0, 0, 0, 0): note w = 0, not 1
    constexpr explicit Vec4(float s) : x(s), y(s), z(s), w(s) {}
    constexpr Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    // Component 0..3 (x, y, z, w); callers use only 0..3.
    float& operator[](int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    float operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
};
static_assert(sizeof(Vec4) == 16, "Vec4 must be four packed floats");

// ===== Mat4 =====

// Four Vec4 rows; element [i][j] is row i, column j. Matrices act on column vectors.
struct Mat4 {
    Vec4 rows[4];

    // Every element 0, then the diagonal set to d: d = 1 is the identity, d = 0 the zero matrix.
    explicit Mat4(float d) {
        rows[0][0] = d;
        rows[1][1] = d;
        rows[2][2] = d;
        rows[3][3] = d;
    }

    Vec4& operator[](int i) { return rows[i]; }
    const Vec4& operator[](int i) const { return rows[i]; }
};
static_assert(sizeof(Mat4) == 64, "Mat4 must be sixteen packed floats");

// a x b: each element accumulates its four products in double and is rounded back to float
// after every addition.
Mat4 operator*(const Mat4& a, const Mat4& b);

// ===== Transform builders =====

// Degrees to radians, pi/180 rounded to single precision (bit pattern 0x3C8EFA35).
constexpr float degToRad = 0.017453292f;

// Number of floats in a matrix laid out for upload.
constexpr int kMatrixFloats = 16;

Mat4 rotateX(float angleDegrees);
Mat4 rotateY(float angleDegrees);
Mat4 translate(float x, float y, float z);
Mat4 identity();
Mat4 perspective(float fovyDegrees, float aspect, float zNear, float zFar);

// Column-major copy of m: out[4 * j + i] = m[i][j], ready for glUniformMatrix4fv with
// transpose GL_FALSE.
void toColumnMajor(const Mat4& m, float out[kMatrixFloats]);
