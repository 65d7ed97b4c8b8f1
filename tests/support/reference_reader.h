// The baseline the benchmarks and the reader tests measure against: the straightforward reading
// of a model file, one token at a time through the C library's stream functions. Never used by
// the viewer itself.
#pragma once

#include "model/model.h"

// What one reference read produced; the caller owns it (it is large, keep it static).
struct ReferenceModel {
    int vertexCount = 0;
    int faceCount = 0;
    float minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0;
    Vec4 vertices[kMaxVertices];
    FaceIndices faces[kMaxFaces];
};

// Reads `path` with the per-token "%s", "%d" and "%f" loop. Returns false when the file cannot
// be opened or declares more vertices or faces than the capacities; the counts in `model` carry
// over between calls like the viewer's, so a header without "vertex" or "face" keeps them.
bool referenceRead(const char* path, ReferenceModel& model);
