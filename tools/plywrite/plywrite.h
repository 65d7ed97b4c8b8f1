// A PLY writer of our own, for tests, fuzz seeds and benchmarks: one mesh written in each of
// the layouts other tools produce (ASCII or binary of either byte order, every scalar type,
// extra properties, polygons, triangle strips, elements in another order or unknown to the
// viewer, point clouds, extra values at ASCII line ends, CRLF line ends).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace plywrite {

// ===== What is written =====

struct Mesh {
    std::vector<std::array<double, 3>> positions;
    std::vector<std::vector<int>> faces;   // polygons of any corner count
    std::vector<std::vector<int>> strips;  // triangle strips, -1 starting a new strip
};

enum class Format { kAscii, kBinaryLittleEndian, kBinaryBigEndian };
enum class Type { kInt8, kUint8, kInt16, kUint16, kInt32, kUint32, kFloat32, kFloat64 };

struct Options {
    Format format = Format::kAscii;
    Type coordinate = Type::kFloat32;  // type of x, y, z
    Type listCount = Type::kUint8;     // type of the corner count of each face or strip
    Type index = Type::kInt32;         // type of the vertex numbers
    bool sizedTypeNames = false;       // float32, uint8, ... instead of float, uchar, ...
    const char* axes = "xyz";          // the names of the coordinates, in declared order
    const char* listName = "vertex_indices";
    bool normalsAndColours = false;  // nx ny nz red green blue after the coordinates
    bool faceProperties = false;     // a colour and a texture coordinate list on each face
    bool facesFirst = false;         // the face element declared before the vertex element
    bool unknownElements = false;    // a material element first, an edge element last
    bool strips = false;             // a tristrips element instead of faces
    bool pointCloud = false;         // no face element at all
    int extraLineValues = 0;         // ASCII: undeclared values at the end of every line
    bool crlf = false;               // ASCII: CRLF line ends
    int floatDigits = 9;             // ASCII: significant digits of a float (9: exact)
};

// The file's bytes.
std::string write(const Mesh& mesh, const Options& options);

// Writes the file; false when it cannot be written.
bool writeFile(const std::string& path, const Mesh& mesh, const Options& options);

// ===== Meshes =====

// A welded wavy surface of columns x rows quads, each split into two triangles:
// (columns + 1) x (rows + 1) vertices and 2 x columns x rows triangles.
Mesh surface(int columns, int rows);

}  // namespace plywrite
