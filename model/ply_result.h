// What every PLY reader gives back besides the model: what it found worth telling, the reason a
// file was refused, and the box a model without vertices keeps. Used by both readers, the
// viewers and the tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Bounding box before the first vertex seeds it: what a model without vertices keeps.
constexpr float kBoxResetMax = -999999.0f;
constexpr float kBoxResetMin = 3.4028235e38f;  // largest finite float

// What a parse found worth telling, besides the model: counts as the file holds them.
struct PlyNotes {
    std::int64_t fileVertices = 0;   // vertices in the file
    std::int64_t fileTriangles = 0;  // triangles after polygons and strips are split
    std::int64_t shortFaces = 0;     // faces of fewer than 3 corners, left out
    bool pointCloud = false;         // vertices and no triangles
    bool splats = false;             // the colours come from a Gaussian-splat file's f_dc_*
    bool colourFloats255 = false;    // float colours were read as 0..255 (a value above 1.5)
    bool simplified = false;         // simplified (or thinned) to fit the store
    double fitSeconds = 0;           // time the simplification took
};

constexpr std::size_t kPlyErrorSize = 160;

// What is wrong with a refused file, without the file name: "face 12: index 57 outside 0..49".
struct PlyError {
    char message[kPlyErrorSize] = {};
};
