// What a PLY file holds, as a person or a script asks: its format, elements and properties with
// their types, comments, the box in double precision, and what the file viewer shows of it, or
// why it is refused. Gathered in one pass over the file, without a GPU. Used by plyview's
// --info and its on-screen panel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PropertyFacts {
    std::string name;
    std::string type;  // the scalar's short name ("float", "uchar", ...), or a list's items'
    bool list = false;
    std::string countType;  // a list's length type; empty for a scalar
};

struct ElementFacts {
    std::string name;
    std::int64_t count = 0;
    std::vector<PropertyFacts> properties;
};

struct FileFacts {
    std::string path;  // as given
    bool refused = false;
    std::string reason;  // why it is refused: the line the viewer prints, less the path
    std::string format;  // "ascii", "binary_little_endian" or "binary_big_endian"; "" unknown
    std::vector<ElementFacts> elements;
    std::vector<std::string> comments;              // the comment lines' text, in order
    std::vector<std::string> objInfo;               // the obj_info lines' text, in order
    bool hasBox = false;                            // some vertex was read
    double min[3] = {0, 0, 0}, max[3] = {0, 0, 0};  // the box as written, in double
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;            // faces in the file
    std::uint64_t triangles = 0;        // drawn, after fans and strips
    std::uint64_t facesLeftOut = 0;     // faces not drawn (too few corners, bad indices, ...)
    std::string normalsFrom;            // "file", "computed" or "none" (a cloud without normals)
    std::string coloursFrom;            // "vertices", "faces" or "none"
    std::string colourEncoding;         // how the colours were read ("uchar 0..255", ...); "" none
    bool splats = false;                // read as 3D Gaussian splats
    std::uint64_t splatCount = 0;       // splats kept of a splat file; 0 for other files
    int splatDegree = 0;                // of their spherical harmonics
    std::uint64_t splatsLeftOut = 0;    // splats with a value not finite, or a zero rotation
    std::vector<std::string> measured;  // properties the surface may be coloured by, in order
};

// The facts of the file at `path`, through the same safe file reading as the viewer's.
FileFacts describeFile(const std::string& path);
