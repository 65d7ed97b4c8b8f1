// One lean pass over a PLY body for what it holds: the box in double, vertices, triangles after
// fans and strips, faces left out and the largest colour values, with no model built. Used by
// describeFile. Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/file_facts.h"
#include "model/ply_attributes.h"
#include "model/ply_format.h"

namespace ply {

constexpr int kBoxAxes = 3;

struct BodyCounts {
    bool anyVertex = false;
    double low[kBoxAxes] = {0, 0, 0}, high[kBoxAxes] = {0, 0, 0};
    std::int64_t vertices = 0;
    std::int64_t faces = 0;              // instances of face elements
    std::int64_t triangles = 0;          // after fans and strips
    std::int64_t shortFaces = 0;         // faces of fewer than 3 corners, left out
    std::int64_t colouredTriangles = 0;  // triangles of the face element whose colour is kept
    float largestInteger = 0;            // of integer colour channels, as the reader keeps them
    float largestFloat = 0;              // of float colour channels
    AttributePlan vertexPlan;            // the vertex element's normals and colours
    AttributePlan facePlan;              // the colour of the face element kept, if any
};

// Walks the body once. False when anything is amiss (a cut or malformed body, an index outside
// the vertices, a coordinate that is not finite, a layout the reader refuses): the caller then
// asks the viewer's own reader for its words.
bool walkBody(const char* text, std::size_t size, const Header& header, BodyCounts& counts);

// The facts of a file already in memory (describeFile after reading it).
void describeText(const char* text, std::size_t size, FileFacts& facts);

}  // namespace ply
