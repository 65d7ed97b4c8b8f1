// Mesh builder of the model generator: double-precision points, affine transforms, and a
// triangle list that refuses to grow beyond what the viewer can hold.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace mesh {

// ===== Points and vectors =====

struct V3 {
    double x = 0, y = 0, z = 0;
};

inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(V3 a);
V3 normalize(V3 a);  // a zero vector stays zero

constexpr double kPi = 3.14159265358979323846;
inline double radians(double degrees) {
    return degrees * kPi / 180.0;
}

// ===== Affine transforms =====

// Row-major 3x4 matrix acting on column vectors: p' = M p + t. Products chain from the left,
// so (a * b)(p) = a(b(p)).
struct Xf {
    std::array<std::array<double, 4>, 3> m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};

    V3 apply(V3 p) const;
    double determinant() const;  // of the linear part; negative means a mirror
};

Xf operator*(const Xf& a, const Xf& b);

Xf move(double x, double y, double z);
inline Xf move(V3 p) {
    return move(p.x, p.y, p.z);
}
Xf scale(double x, double y, double z);
inline Xf scale(double s) {
    return scale(s, s, s);
}
Xf turnX(double degrees);  // right-handed rotations about the axes
Xf turnY(double degrees);
Xf turnZ(double degrees);
// Maps the unit y axis onto `axis` (any length, not zero) and keeps lengths.
Xf alignY(V3 axis);

// ===== Triangle meshes =====

constexpr int kMaxVertices = 10000;  // what the viewer's store holds
constexpr int kMaxFaces = 20000;

using Tri = std::array<int, 3>;

// Vertices and counter-clockwise triangles (seen from outside). Every add checks the viewer's
// capacity first; once it is exceeded the mesh stops growing and remembers that it overflowed.
// A primitive maker that finds its input unusable records a fault, which travels with the
// mesh into every mesh it is added to.
class Mesh {
  public:
    int addVertex(V3 p);  // its index, or -1 when the mesh is full
    void addTriangle(int a, int b, int c);
    // Appends every vertex and triangle of `part` moved by `xf`; a mirroring transform keeps the
    // triangles facing outwards by reversing their corner order.
    void add(const Mesh& part, const Xf& xf = Xf{});
    void transform(const Xf& xf);
    void markFault(const std::string& what);  // the first fault is kept

    const std::vector<V3>& vertices() const { return vertices_; }
    const std::vector<Tri>& triangles() const { return triangles_; }
    bool overflowed() const { return overflowed_; }
    const std::string& fault() const { return fault_; }  // empty when none

  private:
    std::vector<V3> vertices_;
    std::vector<Tri> triangles_;
    bool overflowed_ = false;
    std::string fault_;
};

}  // namespace mesh
