// What every parse of the PLY reader must leave behind, whatever the input: checked by the
// fuzz targets after each run. A broken invariant prints what broke and aborts, so that the
// fuzzer records the input as a crash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/file_model.h"
#include "model/model.h"
#include "model/ply_format.h"

namespace fuzz {

// Byte written over every array element the reader must not touch. As an int it is negative
// and as a float w it is not 1, so no element the reader stores can look like it.
constexpr unsigned char kSentinelByte = 0xA5;

constexpr int kAxes = 3;
constexpr int kBoxFloats = 2 * kAxes;

// A bounding box in the store's order: minX, maxX, minY, maxY, minZ, maxZ.
using Box = std::array<float, kBoxFloats>;

inline Box boxOf(const PlyMesh& mesh) {
    return {mesh.minX, mesh.maxX, mesh.minY, mesh.maxY, mesh.minZ, mesh.maxZ};
}

// Prints "invariant broken: ..." on the standard error stream and aborts.
[[noreturn]] void broken(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Fills elements [from, to) with the sentinel.
void fillSentinel(Vec4* vertices, int from, int to);
void fillSentinel(FaceIndices* faces, int from, int to);

// Aborts unless elements [from, to) still hold the sentinel.
void expectSentinel(const Vec4* vertices, int from, int to, const char* where);
void expectSentinel(const FaceIndices* faces, int from, int to, const char* where);

// Aborts unless the `bytes` at `actual` equal those at `expected`.
void expectSameBytes(const void* actual, const void* expected, std::size_t bytes, const char* what);

// An accepted mesh: counts within capacity, every index below the vertex count, every vertex
// finite with w = 1, the box exactly the extremes (the reset box when there are no vertices).
void expectValidMesh(const PlyMesh& mesh);

// Normals and colours of a body read with attributes: each list empty or sized to the vertices
// (three floats, four bytes) or triangles (four bytes), face colours only without vertex
// colours, every alpha 255, every normal finite, and the notes only with colours kept.
void expectValidAttributes(const ply::Geometry& geometry);

// What the file measured: at most kMaxKeptProperties, each named, vertex ones before face ones,
// with a value for every vertex or every triangle and a finite base; the first finite value of a
// vertex property is its base, so it is stored as 0.
void expectValidProperties(const std::vector<PropertyValues>& properties, std::size_t vertices,
                           std::size_t triangles);

// Texture coordinates and images: a pair per vertex or per triangle corner, not both, each list
// empty or whole; an image per triangle, none below kNoImage's -1.
void expectValidTextures(const std::vector<float>& texcoords,
                         const std::vector<float>& cornerTexcoords,
                         const std::vector<std::int32_t>& triangleTextures, std::size_t vertices,
                         std::size_t triangles);

// The splats of a splat file: empty, or one per vertex with every array sized by the count and
// degree, every value finite, opacities on 0..1 and covariances with no negative variance.
void expectValidSplats(const SplatModel& splats, std::size_t vertices);

// The message of a parse: empty after success; after a refusal non-empty, NUL-terminated and
// one line, because the loader prints it as "<file>: <problem>".
void expectMessage(const PlyError& error, bool accepted);

}  // namespace fuzz
