// Model checks and the PLY writer. Coordinates are rounded to whole steps once, and both the
// checks and the text use the rounded values, so what is checked is exactly what is written.
#include "tools/genmodels/mesh_ply.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace mesh {

namespace {

// ===== Rounding =====

constexpr double kMaxCoordinate = 1000;  // keeps lines short and integer products exact
// Twice the least triangle area accepted, in square steps: 1e-6 square units, far above what
// single-precision reading could flatten to nothing.
constexpr double kMinDoubledArea = 100;

struct Steps {
    long long x, y, z;
};

Steps rounded(V3 p) {
    return {std::llround(p.x * kCoordinateSteps), std::llround(p.y * kCoordinateSteps),
            std::llround(p.z * kCoordinateSteps)};
}

// ===== Checks =====

std::string describe(const char* format, long long a, long long b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string checkCounts(const Mesh& m) {
    if (!m.fault().empty()) {
        return m.fault();
    }
    if (m.overflowed()) {
        return describe("more than %lld vertices or %lld triangles", kMaxVertices, kMaxFaces);
    }
    if (m.triangles().empty()) {
        return "no triangles";
    }
    return {};
}

std::string checkCoordinates(const Mesh& m) {
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (std::size_t i = 0; i < m.vertices().size(); ++i) {
        const V3 p = m.vertices()[i];
        const double c[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            if (!(std::fabs(c[axis]) <= kMaxCoordinate)) {
                return describe("vertex %lld: coordinate beyond +-%lld", static_cast<long long>(i),
                                static_cast<long long>(kMaxCoordinate));
            }
            low[axis] = std::fmin(low[axis], c[axis]);
            high[axis] = std::fmax(high[axis], c[axis]);
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (std::llround(high[axis] * kCoordinateSteps) ==
            std::llround(low[axis] * kCoordinateSteps)) {
            return describe("no extent along axis %lld", axis);
        }
    }
    return {};
}

std::string checkTriangles(const Mesh& m) {
    const long long count = static_cast<long long>(m.vertices().size());
    for (std::size_t f = 0; f < m.triangles().size(); ++f) {
        const Tri& t = m.triangles()[f];
        for (int corner : t) {
            if (corner < 0 || corner >= count) {
                return describe("triangle %lld: index %lld out of range", static_cast<long long>(f),
                                corner);
            }
        }
        const Steps a = rounded(m.vertices()[t[0]]);
        const Steps b = rounded(m.vertices()[t[1]]);
        const Steps c = rounded(m.vertices()[t[2]]);
        // Exact in double: every step count is far below 2^26.
        const V3 u{double(b.x - a.x), double(b.y - a.y), double(b.z - a.z)};
        const V3 v{double(c.x - a.x), double(c.y - a.y), double(c.z - a.z)};
        if (length(cross(u, v)) < kMinDoubledArea) {
            return describe("triangle %lld (vertices %lld ...) has almost no area",
                            static_cast<long long>(f), t[0]);
        }
    }
    return {};
}

// ===== Text =====

// A rounded coordinate as a short decimal: no exponent, no trailing zeros, no "-0".
void appendCoordinate(std::string& out, long long steps) {
    if (steps < 0) {
        out += '-';
        steps = -steps;
    }
    out += std::to_string(steps / kCoordinateSteps);
    long long fraction = steps % kCoordinateSteps;
    if (fraction == 0) {
        return;
    }
    char digits[8];
    std::snprintf(digits, sizeof digits, ".%04lld", fraction);
    std::size_t used = std::strlen(digits);
    while (digits[used - 1] == '0') {
        --used;
    }
    out.append(digits, used);
}

}  // namespace

std::string findProblem(const Mesh& m) {
    std::string problem = checkCounts(m);
    if (problem.empty()) {
        problem = checkCoordinates(m);
    }
    if (problem.empty()) {
        problem = checkTriangles(m);
    }
    return problem;
}

std::string plyText(const Mesh& m, const std::string& modelName) {
    std::string out = "ply\nformat ascii 1.0\ncomment " + modelName + " by genmodels\n";
    out += "element vertex " + std::to_string(m.vertices().size()) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    out += "element face " + std::to_string(m.triangles().size()) + "\n";
    out += "property list uchar int vertex_indices\nend_header\n";
    for (const V3& p : m.vertices()) {
        const Steps s = rounded(p);
        appendCoordinate(out, s.x);
        out += ' ';
        appendCoordinate(out, s.y);
        out += ' ';
        appendCoordinate(out, s.z);
        out += '\n';
    }
    for (const Tri& t : m.triangles()) {
        out += "3 " + std::to_string(t[0]) + ' ' + std::to_string(t[1]) + ' ' +
               std::to_string(t[2]) + '\n';
    }
    return out;
}

std::string writeFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int savedErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        return std::strerror(written ? errno : savedErrno);
    }
    return {};
}

}  // namespace mesh
