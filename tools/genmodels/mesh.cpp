// Vector helpers, affine transforms and the capacity-checked triangle list.
#include "tools/genmodels/mesh.h"

#include <cmath>
#include <utility>

namespace mesh {

// ===== Vectors =====

double length(V3 a) {
    return std::sqrt(dot(a, a));
}

V3 normalize(V3 a) {
    const double len = length(a);
    return len > 0 ? a * (1.0 / len) : a;
}

// ===== Transforms =====

V3 Xf::apply(V3 p) const {
    const double in[3] = {p.x, p.y, p.z};
    double out[3];
    for (int i = 0; i < 3; ++i) {
        out[i] = m[i][3];
        for (int j = 0; j < 3; ++j) {
            out[i] += m[i][j] * in[j];
        }
    }
    return {out[0], out[1], out[2]};
}

double Xf::determinant() const {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Xf operator*(const Xf& a, const Xf& b) {
    Xf r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = (j == 3) ? a.m[i][3] : 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

Xf move(double x, double y, double z) {
    Xf r;
    r.m[0][3] = x;
    r.m[1][3] = y;
    r.m[2][3] = z;
    return r;
}

Xf scale(double x, double y, double z) {
    Xf r;
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

namespace {

// Rotation in the plane of axes a -> b (a right-handed turn about the third axis).
Xf turnIn(int a, int b, double degrees) {
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    Xf r;
    r.m[a][a] = c;
    r.m[a][b] = -s;
    r.m[b][a] = s;
    r.m[b][b] = c;
    return r;
}

}  // namespace

Xf turnX(double degrees) {
    return turnIn(1, 2, degrees);
}
Xf turnY(double degrees) {
    return turnIn(2, 0, degrees);
}
Xf turnZ(double degrees) {
    return turnIn(0, 1, degrees);
}

Xf alignY(V3 axis) {
    const V3 y = normalize(axis);
    // Any unit vector across y completes a right-handed frame (x, y, z).
    const V3 helper = std::fabs(y.x) < 0.9 ? V3{1, 0, 0} : V3{0, 0, 1};
    const V3 z = normalize(cross(helper, y));
    const V3 x = cross(y, z);
    const double len = length(axis);
    Xf r;
    const V3 columns[3] = {x, y * len, z};
    for (int j = 0; j < 3; ++j) {
        r.m[0][j] = columns[j].x;
        r.m[1][j] = columns[j].y;
        r.m[2][j] = columns[j].z;
    }
    return r;
}

// ===== Mesh =====

int Mesh::addVertex(V3 p) {
    if (static_cast<int>(vertices_.size()) >= kMaxVertices) {
        overflowed_ = true;
        return -1;
    }
    vertices_.push_back(p);
    return static_cast<int>(vertices_.size()) - 1;
}

void Mesh::addTriangle(int a, int b, int c) {
    if (static_cast<int>(triangles_.size()) >= kMaxFaces || a < 0 || b < 0 || c < 0) {
        overflowed_ = true;  // a negative index comes from a vertex that did not fit
        return;
    }
    triangles_.push_back({a, b, c});
}

void Mesh::add(const Mesh& part, const Xf& xf) {
    const int base = static_cast<int>(vertices_.size());
    for (const V3& p : part.vertices_) {
        if (addVertex(xf.apply(p)) < 0) {
            return;
        }
    }
    const bool mirrored = xf.determinant() < 0;
    for (const Tri& t : part.triangles_) {
        if (mirrored) {
            addTriangle(base + t[0], base + t[2], base + t[1]);
        } else {
            addTriangle(base + t[0], base + t[1], base + t[2]);
        }
    }
    overflowed_ = overflowed_ || part.overflowed_;
    if (!part.fault_.empty()) {
        markFault(part.fault_);
    }
}

void Mesh::markFault(const std::string& what) {
    if (fault_.empty()) {
        fault_ = what;
    }
}

void Mesh::transform(const Xf& xf) {
    for (V3& p : vertices_) {
        p = xf.apply(p);
    }
    if (xf.determinant() < 0) {
        for (Tri& t : triangles_) {
            std::swap(t[1], t[2]);
        }
    }
}

}  // namespace mesh
