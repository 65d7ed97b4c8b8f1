// Models at the file's own size, for the file viewer: the general reader that keeps every vertex
// and triangle, the memory a file needs, and what is derived from a model (lighting normals, the
// edge list). Knows nothing of the catalogue viewer's store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/ply_result.h"
#include "model/splats.h"

// ===== Models at the file's own size =====
// The file viewer keeps every vertex and triangle of a file, in storage sized by the file, and
// draws them from GPU buffers; nothing is simplified for display.

constexpr int kCoordinates = 3;  // x, y, z per position; three vertex numbers per triangle

constexpr int kColourBytes = 4;     // r, g, b, a per colour, 0..255
constexpr int kTexcoordFloats = 2;  // u, v per texture coordinate

// ===== What the file measured =====

// Numeric properties kept per file besides positions, normals, colours, texture coordinates and
// splat coefficients: vertex ones first, then face ones, each in file order; more are passed over.
constexpr int kMaxKeptProperties = 16;

// A measured value the file does not give: that of a triangle of no face with the property.
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// One numeric property the file measured at each vertex or each face ("intensity", "quality",
// "label", "scalar_x"), what a colour scale can show. Values are kept as floats less `base`, the
// first finite value of the property, so that a large offset (a time stamp, a survey height)
// keeps its small digits.
struct PropertyValues {
    std::string name;
    bool face = false;  // one value per triangle (that of the face it came from), else per vertex
    bool integer = false;  // stored as an integer type in the file: may be a set of labels
    double base = 0;
    std::vector<float> values;  // value - base; NaN where the file's value is NaN (or a triangle
                                // has no face value)
    double at(std::size_t i) const { return base + static_cast<double>(values[i]); }
};

struct FileModel {
    std::vector<float> positions;          // x, y, z per vertex, less `centre`
    std::vector<std::uint32_t> triangles;  // three vertex numbers per triangle, counted from 0
    std::vector<float> normals;            // x, y, z per vertex as the file gives them, or empty
    std::vector<std::uint8_t> colours;     // kColourBytes per vertex, or empty
    // kColourBytes per triangle, or empty; only when there are no vertex colours.
    std::vector<std::uint8_t> faceColours;
    std::vector<PropertyValues> properties;  // what the file measured, as kept
    // Texture coordinates, u then v (v = 0 the image's bottom row), from at most one of: the
    // vertices' s t, u v, texture_u texture_v or texture_s texture_t, one pair per vertex; or a
    // face list texcoord (texcoords), one pair per corner of each triangle as fans and strips
    // made them. Both empty without texture coordinates.
    std::vector<float> texcoords;        // kTexcoordFloats per vertex, or empty
    std::vector<float> cornerTexcoords;  // kTexcoordFloats per triangle corner, or empty
    // The image of each triangle, its face's texnumber, when the faces have one; else empty
    // (every triangle takes textureFiles[0]).
    std::vector<std::int32_t> triangleTextures;
    std::vector<std::string> textureFiles;    // "comment TextureFile NAME" lines' names, in order
    double centre[kCoordinates] = {0, 0, 0};  // the box centre taken off, in double
    // Box of `positions`; inverted (min above max) without vertices.
    float minX = kBoxResetMin, maxX = kBoxResetMax;
    float minY = kBoxResetMin, maxY = kBoxResetMax;
    float minZ = kBoxResetMin, maxZ = kBoxResetMax;
    PlyNotes notes;     // counts as the file holds them
    SplatModel splats;  // of a splat file, one per vertex; else empty

    bool isSplats() const { return !splats.empty(); }

    std::size_t vertexCount() const { return positions.size() / kCoordinates; }
    std::size_t triangleCount() const { return triangles.size() / kCoordinates; }
};

// Parses a whole PLY file held in memory, ASCII or binary, keeping every vertex and triangle:
// coordinates are read in double and the centre of their box is taken off before they become
// floats. False with `error` set when the file is refused; `model` is then emptied. The
// parse's own working memory is released before it returns.
bool parseFileModel(const char* text, std::size_t size, FileModel& model, PlyError& error);

// The names of the properties parseFileModel keeps of a file whose header (or its start) is in
// `head`, vertex ones first; false when it holds no header that can be read.
bool measuredPropertyNames(const char* head, std::size_t headBytes,
                           std::vector<std::string>& names);

// About how many bytes reading and showing a file of `fileBytes` takes at its peak: the file's
// bytes, the parse, the model, its edge list and the drawing copies. `head` holds the start of
// the file (its header, or as much of it as was read); counts a header cannot vouch for are
// bounded by what the file's bytes can hold.
std::uint64_t fileModelBytesNeeded(const char* head, std::size_t headBytes,
                                   std::uint64_t fileBytes);

// Normals to light the surface by, one per vertex: the file's own where it has them and they
// are not zero-length, otherwise the area-weighted sum of the normals of the triangles around the
// vertex, made unit length (zero for a vertex no triangle with an area uses).
void surfaceNormals(const FileModel& model, std::vector<float>& normals);

// Each edge of the triangles once, as pairs of vertex numbers (a, b) with a < b, in order of a:
// a wireframe drawn from them draws every shared edge once instead of twice.
void uniqueEdges(const std::vector<std::uint32_t>& triangles, std::size_t vertexCount,
                 std::vector<std::uint32_t>& edges);
