// The catalogue viewer's reader: a PLY file into arrays of fixed capacity, simplified to fit
// them when it is larger. Used by the catalogue's store, the tests, the benchmarks and the
// fuzzers; the file viewer reads whole files through file_model.h instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/linalg.h"
#include "model/ply_result.h"

// ===== Capacities =====

constexpr int kMaxVertices = 10000;  // capacity of `vertices`
constexpr int kMaxFaces = 20000;     // capacity of `faces`

// Three vertex indices of one triangle, in file order, counted from 0.
struct FaceIndices {
    std::int32_t v1, v2, v3;
};
static_assert(sizeof(FaceIndices) == 12, "FaceIndices must be three packed ints");

// ===== Reading =====

// Where a parse puts its result: the caller owns the arrays (capacities kMaxVertices and
// kMaxFaces).
struct PlyMesh {
    bool centre = false;  // read coordinates in double and store them less the box centre
    double centreXYZ[3] = {0, 0, 0};  // the centre taken off, set when `centre` is on
    int vertexCount = 0;
    int faceCount = 0;
    float minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0;
    Vec4* vertices = nullptr;
    FaceIndices* faces = nullptr;
    PlyNotes notes;  // set by every accepted parse
};

// Parses PLY text held in memory, ASCII or binary. Returns true and fills `mesh` when the text
// is a valid model, simplified to fit the capacities when it is larger; returns false with
// `error` set otherwise. On failure the counts and bounds in `mesh` are unspecified; array
// elements beyond the capacities are never touched.
bool parsePly(const char* text, std::size_t size, PlyMesh& mesh, PlyError& error);
