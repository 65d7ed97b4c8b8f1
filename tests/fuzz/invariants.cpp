// The invariant checks of the fuzz targets. Built without coverage instrumentation: they are
// not code under test, and tracing their comparisons over whole arrays would slow every run
// and steer the fuzzer toward the checks instead of the reader.
#include "invariants.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace fuzz {
namespace {

// ===== Byte comparisons =====

// True when every byte of [begin, begin + bytes) is the sentinel. It runs over up to 400 KB
// after every input, so it is one branch-free pass the compiler can vectorise; the sanitizers'
// per-byte checks would stop that and add nothing, as the ranges lie inside our own arrays.
__attribute__((no_sanitize("address", "undefined"))) bool allSentinel(const void* begin,
                                                                      std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(begin);
    unsigned char difference = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        difference |= static_cast<unsigned char>(p[i] ^ kSentinelByte);
    }
    return difference == 0;
}

// Same reasoning as allSentinel: one vectorisable pass over up to 400 KB per load.
__attribute__((no_sanitize("address", "undefined"))) bool equalBytes(const void* a, const void* b,
                                                                     std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(a);
    const auto* q = static_cast<const unsigned char*>(b);
    unsigned char difference = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        difference |= static_cast<unsigned char>(p[i] ^ q[i]);
    }
    return difference == 0;
}

// The whole range is checked in one pass; only a failure looks for the first bad element.
template <typename T>
void expectSentinelRange(const T* items, int from, int to, const char* kind, const char* where) {
    if (from >= to || allSentinel(items + from, sizeof(T) * static_cast<std::size_t>(to - from))) {
        return;
    }
    for (int i = from; i < to; ++i) {
        if (!allSentinel(&items[i], sizeof(T))) {
            broken("%s %d beyond the count was written (%s)", kind, i, where);
        }
    }
}

// ===== Mesh checks =====

void expectCount(int count, int capacity, const char* kind) {
    if (count < 0 || count > capacity) {
        broken("%s count %d outside 0..%d", kind, count, capacity);
    }
}

void expectFaces(const PlyMesh& mesh) {
    for (int f = 0; f < mesh.faceCount; ++f) {
        const FaceIndices& face = mesh.faces[f];
        for (const std::int32_t index : {face.v1, face.v2, face.v3}) {
            if (index < 0 || index >= mesh.vertexCount) {
                broken("face %d holds index %d with %d vertices", f, index, mesh.vertexCount);
            }
        }
    }
}

void expectVertices(const PlyMesh& mesh) {
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const Vec4& v = mesh.vertices[i];
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
            broken("vertex %d is not finite", i);
        }
        if (v.w != 1.0f) {
            broken("vertex %d has w = %g", i, static_cast<double>(v.w));
        }
    }
}

void expectBound(float bound, float expected, const char* name) {
    if (bound != expected) {
        broken("%s is %.9g, the vertices give %.9g", name, static_cast<double>(bound),
               static_cast<double>(expected));
    }
}

// The box must be exactly the extremes of the vertices: it then also holds every vertex.
void expectBox(const PlyMesh& mesh) {
    float lo[kAxes] = {kBoxResetMin, kBoxResetMin, kBoxResetMin};
    float hi[kAxes] = {kBoxResetMax, kBoxResetMax, kBoxResetMax};
    for (int i = 0; i < mesh.vertexCount; ++i) {
        for (int axis = 0; axis < kAxes; ++axis) {
            const float value = mesh.vertices[i][axis];
            if (i == 0 || value < lo[axis])
                lo[axis] = value;
            if (i == 0 || value > hi[axis])
                hi[axis] = value;
        }
    }
    expectBound(mesh.minX, lo[0], "minX");
    expectBound(mesh.minY, lo[1], "minY");
    expectBound(mesh.minZ, lo[2], "minZ");
    expectBound(mesh.maxX, hi[0], "maxX");
    expectBound(mesh.maxY, hi[1], "maxY");
    expectBound(mesh.maxZ, hi[2], "maxZ");
}

// ===== Attribute checks =====

constexpr std::size_t kNormalFloats = 3;
constexpr std::uint8_t kOpaque = 255;

void expectSize(std::size_t size, std::size_t per, std::size_t items, const char* what) {
    if (size != 0 && size != per * items) {
        broken("%s holds %zu values for %zu items", what, size, items);
    }
}

void expectOpaque(const std::vector<std::uint8_t>& colours, const char* what) {
    for (std::size_t k = kColourBytes - 1; k < colours.size(); k += kColourBytes) {
        if (colours[k] != kOpaque) {
            broken("%s: alpha %d at item %zu", what, colours[k], k / kColourBytes);
        }
    }
}

}  // namespace

// ===== Public checks =====

void broken(const char* format, ...) {
    std::fputs("invariant broken: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::abort();
}

void fillSentinel(Vec4* vertices, int from, int to) {
    if (from < to) {
        std::memset(static_cast<void*>(vertices + from), kSentinelByte,
                    sizeof(Vec4) * static_cast<std::size_t>(to - from));
    }
}

void fillSentinel(FaceIndices* faces, int from, int to) {
    if (from < to) {
        std::memset(static_cast<void*>(faces + from), kSentinelByte,
                    sizeof(FaceIndices) * static_cast<std::size_t>(to - from));
    }
}

void expectSentinel(const Vec4* vertices, int from, int to, const char* where) {
    expectSentinelRange(vertices, from, to, "vertex", where);
}

void expectSentinel(const FaceIndices* faces, int from, int to, const char* where) {
    expectSentinelRange(faces, from, to, "face", where);
}

void expectSameBytes(const void* actual, const void* expected, std::size_t bytes,
                     const char* what) {
    if (!equalBytes(actual, expected, bytes)) {
        broken("%s differs from what the reader's rules give", what);
    }
}

void expectValidMesh(const PlyMesh& mesh) {
    expectCount(mesh.vertexCount, kMaxVertices, "vertex");
    expectCount(mesh.faceCount, kMaxFaces, "face");
    expectFaces(mesh);
    expectVertices(mesh);
    expectBox(mesh);
}

void expectValidAttributes(const ply::Geometry& geometry) {
    const std::size_t vertices = geometry.positions.size() / kAxes;
    const std::size_t triangles = geometry.corners.size() / kAxes;
    expectSize(geometry.normals.size(), kNormalFloats, vertices, "normals");
    expectSize(geometry.colours.size(), kColourBytes, vertices, "colours");
    expectSize(geometry.faceColours.size(), kColourBytes, triangles, "face colours");
    if (!geometry.colours.empty() && !geometry.faceColours.empty()) {
        broken("face colours kept beside vertex colours");
    }
    expectOpaque(geometry.colours, "colours");
    expectOpaque(geometry.faceColours, "face colours");
    for (std::size_t k = 0; k < geometry.normals.size(); ++k) {
        if (!std::isfinite(geometry.normals[k])) {
            broken("normal %zu is not finite", k / kNormalFloats);
        }
    }
    if (geometry.splats && geometry.colours.empty()) {
        broken("splats noted without colours");
    }
    if (geometry.colourFloats255 && geometry.colours.empty() && geometry.faceColours.empty()) {
        broken("float colours of 0..255 noted without colours");
    }
    expectValidProperties(geometry.properties, vertices, triangles);
    expectValidTextures(geometry.texcoords, geometry.cornerTexcoords, geometry.triangleTextures,
                        vertices, triangles);
}

void expectValidSplats(const SplatModel& splats, std::size_t vertices) {
    if (splats.degree < 0 || splats.degree > kMaxShDegree) {
        broken("splat degree %d", splats.degree);
    }
    if (splats.empty()) {
        if (!splats.covariances.empty() || !splats.dc.empty() || !splats.rest.empty()) {
            broken("splat arrays without splats");
        }
        return;
    }
    const std::size_t count = splats.count();
    if (count != vertices) {
        broken("%zu splats for %zu vertices", count, vertices);
    }
    expectSize(splats.covariances.size(), kCovarianceFloats, count, "splat covariances");
    expectSize(splats.dc.size(), 3, count, "splat f_dc");
    expectSize(splats.rest.size(), static_cast<std::size_t>(splats.restPerSplat()), count,
               "splat f_rest");
    if (splats.covariances.empty() || splats.dc.empty() ||
        (splats.rest.empty() && splats.degree > 0) || splats.leftOut < 0) {
        broken("splat arrays missing");
    }
    for (std::size_t i = 0; i < count; ++i) {
        const float opacity = splats.opacities[i];
        if (!(opacity >= 0 && opacity <= 1)) {
            broken("splat %zu has opacity %g", i, static_cast<double>(opacity));
        }
        const float* c = &splats.covariances[i * kCovarianceFloats];
        if (!(c[0] >= 0 && c[3] >= 0 && c[5] >= 0)) {
            broken("splat %zu has a negative variance", i);
        }
    }
    for (const float value : splats.covariances) {
        if (!std::isfinite(value)) {
            broken("a splat covariance is not finite");
        }
    }
    for (const float value : splats.dc) {
        if (!std::isfinite(value)) {
            broken("a splat f_dc is not finite");
        }
    }
    for (const std::uint16_t half : splats.rest) {
        if (!std::isfinite(floatOfHalf(half))) {
            broken("a splat f_rest is not finite");
        }
    }
}

void expectValidTextures(const std::vector<float>& texcoords,
                         const std::vector<float>& cornerTexcoords,
                         const std::vector<std::int32_t>& triangleTextures, std::size_t vertices,
                         std::size_t triangles) {
    expectSize(texcoords.size(), kTexcoordFloats, vertices, "texture coordinates");
    expectSize(cornerTexcoords.size(), kTexcoordFloats * kAxes, triangles,
               "corner texture coordinates");
    expectSize(triangleTextures.size(), 1, triangles, "triangle images");
    if (!texcoords.empty() && !cornerTexcoords.empty()) {
        broken("texture coordinates kept by vertex and by corner");
    }
    const auto below = std::find_if(triangleTextures.begin(), triangleTextures.end(),
                                    [](std::int32_t image) { return image < -1; });
    if (below != triangleTextures.end()) {
        broken("triangle %zu has image %d",
               static_cast<std::size_t>(below - triangleTextures.begin()), *below);
    }
}

void expectValidProperties(const std::vector<PropertyValues>& properties, std::size_t vertices,
                           std::size_t triangles) {
    if (properties.size() > static_cast<std::size_t>(kMaxKeptProperties)) {
        broken("%zu measured properties kept", properties.size());
    }
    bool faces = false;
    for (const PropertyValues& property : properties) {
        const char* name = property.name.c_str();
        if (property.name.empty() || (faces && !property.face) || !std::isfinite(property.base)) {
            broken("measured property \"%s\": unnamed, out of order or without a finite base",
                   name);
        }
        faces = property.face;
        const std::size_t items = property.face ? triangles : vertices;
        if (property.values.size() != items) {
            broken("\"%s\" holds %zu values for %zu items", name, property.values.size(), items);
        }
        const auto finite = std::find_if(property.values.begin(), property.values.end(),
                                         [](float value) { return std::isfinite(value); });
        if (!property.face && finite != property.values.end() && *finite != 0) {
            broken("\"%s\": its first finite value is %g, not its base", name, *finite);
        }
    }
}

void expectMessage(const PlyError& error, bool accepted) {
    const char* end = static_cast<const char*>(std::memchr(error.message, '\0', kPlyErrorSize));
    if (end == nullptr) {
        broken("the message is not NUL-terminated");
    }
    if (accepted && end != error.message) {
        broken("accepted, yet the message says \"%s\"", error.message);
    }
    if (!accepted && end == error.message) {
        broken("refused without a message");
    }
    if (std::strpbrk(error.message, "\r\n") != nullptr) {
        broken("the message \"%s\" is more than one line", error.message);
    }
}

}  // namespace fuzz
