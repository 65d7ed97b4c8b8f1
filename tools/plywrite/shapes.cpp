// Welded closed shapes for files too large to build in memory: every vertex and triangle is
// worked out from its number alone, so a stream can ask for them in any order.
#include <cmath>

#include "tools/plywrite/plywrite.h"

namespace plywrite {
namespace {

// ===== Constants =====

constexpr double kTurn = 2 * M_PI;
constexpr double kTorusRadius = 1.0;  // centre of the tube to the axis
constexpr double kTubeRadius = 0.4;
constexpr std::int64_t kMinSegments = 3;  // around any circle of a shape
constexpr double kColourScale = 127.5;    // a normal's -1..1 to a colour's 0..255

// ===== Vertices =====

std::array<std::uint8_t, 3> colourOf(const std::array<double, 3>& normal) {
    std::array<std::uint8_t, 3> colour{};
    for (std::size_t a = 0; a < 3; ++a) {
        colour[a] = static_cast<std::uint8_t>(std::lround((normal[a] + 1) * kColourScale));
    }
    return colour;
}

// A point of a shape whose surface lies `offset` along its unit normal from `base`.
Vertex along(const std::array<double, 3>& base, const std::array<double, 3>& normal,
             double offset) {
    Vertex v{};
    for (std::size_t a = 0; a < 3; ++a) {
        v.position[a] = base[a] + offset * normal[a];
    }
    v.normal = normal;
    v.colour = colourOf(normal);
    return v;
}

// The two triangles of a quad whose corners go round counter-clockwise seen from outside.
Triangle quadHalf(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d, bool second) {
    return second ? Triangle{a, c, d} : Triangle{a, b, c};
}

std::int64_t atLeast(std::int64_t minimum, double value) {
    const auto rounded = static_cast<std::int64_t>(std::llround(value));
    return rounded < minimum ? minimum : rounded;
}

bool shapeSize(std::int64_t triangles) {
    return triangles >= kMinShapeTriangles && triangles <= kMaxShapeTriangles;
}

}  // namespace

// ===== Shapes =====

// Rings of `tube` vertices round the tube, `around` rings round the axis (z); quads between
// neighbours in both directions, wrapping round.
std::optional<Source> torus(std::int64_t triangles) {
    if (!shapeSize(triangles)) {
        return std::nullopt;
    }
    const std::int64_t around = atLeast(kMinSegments, std::sqrt(static_cast<double>(triangles)));
    const std::int64_t tube = atLeast(kMinSegments, static_cast<double>(triangles) / 2 / around);
    Source source;
    source.vertexCount = around * tube;
    source.triangleCount = 2 * around * tube;
    source.vertex = [around, tube](std::int64_t i) {
        const double theta = kTurn * static_cast<double>(i / tube) / static_cast<double>(around);
        const double phi = kTurn * static_cast<double>(i % tube) / static_cast<double>(tube);
        const std::array<double, 3> normal = {std::cos(phi) * std::cos(theta),
                                              std::cos(phi) * std::sin(theta), std::sin(phi)};
        return along({kTorusRadius * std::cos(theta), kTorusRadius * std::sin(theta), 0}, normal,
                     kTubeRadius);
    };
    source.triangle = [around, tube](std::int64_t f) {
        const std::int64_t ring = f / 2 / tube, next = (ring + 1) % around;
        const std::int64_t step = f / 2 % tube, up = (step + 1) % tube;
        return quadHalf(ring * tube + step, next * tube + step, next * tube + up, ring * tube + up,
                        f % 2 == 1);
    };
    return source;
}

// Vertex 0 the north pole (+z), then `rings` rings of `segments` vertices from north to south,
// then the south pole; a fan round each pole, quads between neighbouring rings.
std::optional<Source> sphere(std::int64_t triangles) {
    if (!shapeSize(triangles)) {
        return std::nullopt;
    }
    const std::int64_t segments = atLeast(kMinSegments, std::sqrt(static_cast<double>(triangles)));
    const std::int64_t rings = atLeast(1, static_cast<double>(triangles) / 2 / segments);
    const std::int64_t south = segments * rings + 1;
    Source source;
    source.vertexCount = south + 1;
    source.triangleCount = 2 * segments * rings;
    source.vertex = [segments, rings, south](std::int64_t i) {
        const std::int64_t ring = i == 0 ? -1 : i == south ? rings : (i - 1) / segments;
        const std::int64_t step = i == 0 || i == south ? 0 : (i - 1) % segments;
        const double phi = M_PI * static_cast<double>(ring + 1) / static_cast<double>(rings + 1);
        const double theta = kTurn * static_cast<double>(step) / static_cast<double>(segments);
        const std::array<double, 3> normal = {std::sin(phi) * std::cos(theta),
                                              std::sin(phi) * std::sin(theta), std::cos(phi)};
        return along({0, 0, 0}, normal, 1);
    };
    source.triangle = [segments, rings, south](std::int64_t f) {
        const auto at = [segments](std::int64_t ring, std::int64_t step) {
            return 1 + ring * segments + step % segments;
        };
        if (f < segments) {
            return Triangle{0, at(0, f), at(0, f + 1)};
        }
        const std::int64_t g = f - segments;
        if (g >= 2 * segments * (rings - 1)) {
            const std::int64_t step = g - 2 * segments * (rings - 1);
            return Triangle{at(rings - 1, step), south, at(rings - 1, step + 1)};
        }
        const std::int64_t ring = g / 2 / segments, step = g / 2 % segments;
        return quadHalf(at(ring, step), at(ring + 1, step), at(ring + 1, step + 1),
                        at(ring, step + 1), g % 2 == 1);
    };
    return source;
}

}  // namespace plywrite
