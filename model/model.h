// Public interface of model/: the model catalogue, the part of the scene store that holds the
// loaded model, and the PLY reader that fills it. Used by gpu/, render/, input/, app/, the
// tests, the benchmarks and the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/linalg.h"

// ===== Capacities and constants =====

constexpr int kMaxVertices = 10000;  // capacity of `vertices`
constexpr int kMaxFaces = 20000;     // capacity of `faces`
constexpr int kModelCount = 43;      // entries in the catalogue
constexpr int kModelNameSize = 20;   // bytes per catalogue slot, NUL padding included
constexpr int kFirstModel = 0;
constexpr int kLastModel = kModelCount - 1;

// Bounding box before the first vertex seeds it: what a model without vertices keeps.
constexpr float kBoxResetMax = -999999.0f;
constexpr float kBoxResetMin = 3.4028235e38f;  // largest finite float

// Three vertex indices of one triangle, in file order, counted from 0.
struct FaceIndices {
    std::int32_t v1, v2, v3;
};
static_assert(sizeof(FaceIndices) == 12, "FaceIndices must be three packed ints");

// ===== Scene store: catalogue and loaded model =====
// Kept as separate globals so that memory checkers see a guard zone between the arrays.

extern const char modelFiles[kModelCount][kModelNameSize];  // the catalogue, index order
extern int modelIndex;                // current catalogue entry; display wraps it into 0..42
extern int vertexCount;               // vertices of the loaded model
extern int faceCount;                 // triangles of the loaded model
extern Vec4 vertices[kMaxVertices];   // (x, y, z, 1) per vertex; tails keep older models
extern FaceIndices faces[kMaxFaces];  // triangles; tails keep older models
extern float minX, maxX;              // bounding box of the loaded vertices
extern float minY, maxY;
extern float minZ, maxZ;

// ===== Reading =====

// Reads catalogue entry `index` (0..42) into the store. A file that cannot be opened ends the
// process with status 1. A malformed file prints one line naming the file and the fault (not
// again while the fault stays the same) and keeps the last good read of the same entry, or
// leaves an empty model when the store holds another entry.
void loadModel(int index);

// Loads a file by path with the same rules; loadModel is this with the catalogue's name.
void loadModelFile(const char* path, int entry);

// Forgets the bytes of the last good read, so the next load parses its file in full even when
// the file has not changed.
void forgetLoadedModel();

// Where a parse puts its result: the caller owns the arrays (capacities kMaxVertices and
// kMaxFaces). The counts are read on entry: a header without "vertex" or "face" keeps them.
struct PlyMesh {
    int vertexCount = 0;
    int faceCount = 0;
    float minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0;
    Vec4* vertices = nullptr;
    FaceIndices* faces = nullptr;
};

constexpr std::size_t kPlyErrorSize = 160;

// What is wrong with a refused file, without the file name: "face 12: index 57 outside 0..49".
struct PlyError {
    char message[kPlyErrorSize] = {};
};

// Parses PLY text held in memory. Returns true and fills `mesh` when the text is a valid model
// within capacity; returns false with `error` set otherwise. On failure the counts and bounds
// in `mesh` are unspecified, while array elements beyond what the file declares are never
// touched.
bool parsePly(const char* text, std::size_t size, PlyMesh& mesh, PlyError& error);
