// The PLY header as declared, line by line, and the readers that work from it: the subset
// reader for files of the plain ASCII triangle form and the general reader for every other
// layout. Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/file_model.h"
#include "model/fixed_reader.h"

namespace ply {

// ===== Declarations =====

enum class Format { kAscii, kBinaryLittleEndian, kBinaryBigEndian };

// The scalar types, in the order of their names in kTypeNames.
enum class Type : std::uint8_t {
    kInt8,
    kUint8,
    kInt16,
    kUint16,
    kInt32,
    kUint32,
    kFloat32,
    kFloat64
};

constexpr int kTypeCount = 8;
constexpr int kMaxTypeSize = 8;

// Bytes of each type in a binary body, by Type.
constexpr int kTypeSizes[kTypeCount] = {1, 1, 2, 2, 4, 4, 4, 8};

// The range of each integer type, by Type (0 for the float types).
constexpr std::int64_t kTypeLowest[kTypeCount] = {INT8_MIN, 0, INT16_MIN, 0, INT32_MIN, 0, 0, 0};
constexpr std::int64_t kTypeHighest[kTypeCount] = {INT8_MAX,  UINT8_MAX,  INT16_MAX, UINT16_MAX,
                                                   INT32_MAX, UINT32_MAX, 0,         0};

inline int typeSize(Type type) {
    return kTypeSizes[static_cast<int>(type)];
}
inline bool isInteger(Type type) {
    return type < Type::kFloat32;
}
const char* typeName(Type type);  // the short name: "uchar", "float", ...

struct Property {
    std::string_view name;          // points into the text
    Type type = Type::kFloat32;     // the scalar, or the items of a list
    Type countType = Type::kUint8;  // the length of a list
    bool list = false;
};

struct Element {
    std::string_view name;
    std::int64_t count = 0;
    int firstProperty = 0;  // in Header::properties
    int propertyCount = 0;
};

struct Header {
    Format format = Format::kAscii;
    bool version10 = false;  // the format line says 1.0
    std::vector<Element> elements;
    std::vector<Property> properties;
    std::size_t bodyOffset = 0;  // first byte after the end_header line

    const Property& property(const Element& element, int k) const {
        return properties[static_cast<std::size_t>(element.firstProperty + k)];
    }
};

constexpr int kPositionAxes = 3;  // x, y, z

// The number of the element's property called `name`, or -1.
inline int findProperty(const Header& header, const Element& element, std::string_view name) {
    for (int k = 0; k < element.propertyCount; ++k) {
        if (header.property(element, k).name == name) {
            return k;
        }
    }
    return -1;
}

// The properties holding x, y and z, by the names the file uses: lower case, else the upper
// case some writers use; -1 where one is missing. `names` gets the names looked for.
inline void findAxes(const Header& header, const Element& element, int axes[kPositionAxes],
                     const char* names[kPositionAxes]) {
    const char* const lower[kPositionAxes] = {"x", "y", "z"};
    const char* const upper[kPositionAxes] = {"X", "Y", "Z"};
    bool anyLower = false;
    for (const char* name : lower) {
        anyLower = anyLower || findProperty(header, element, name) >= 0;
    }
    for (int a = 0; a < kPositionAxes; ++a) {
        names[a] = anyLower ? lower[a] : upper[a];
        axes[a] = findProperty(header, element, names[a]);
    }
}

// The property holding a face's or strip's vertex numbers: vertex_indices, else vertex_index;
// -1 when there is neither.
inline int findCornerList(const Header& header, const Element& element) {
    const int k = findProperty(header, element, "vertex_indices");
    return k >= 0 ? k : findProperty(header, element, "vertex_index");
}

// Reads the header line by line; comment and obj_info lines are passed over whole. False with
// `error` set when it is not a PLY header this reader understands.
bool readHeader(const char* text, std::size_t size, Header& header, PlyError& error);

// Whether the declarations are those of the plain form the subset reader takes: ascii 1.0, a
// vertex element of x, y, z alone, then a face element of one list, within the capacities.
bool isPlainTriangleForm(const Header& header);

// ===== Readers =====

// The subset reader: whitespace-separated tokens, counts after the words "vertex" and "face"
// wherever they stand. kNotPlain when its header ends elsewhere than `bodyOffset` (the word
// end_header in a comment) or it meets a face of other than 3 corners: the general reader
// takes such a file instead.
enum class PlainOutcome { kRead, kRefused, kNotPlain };
PlainOutcome parsePlainText(const char* text, std::size_t size, std::size_t bodyOffset,
                            PlyMesh& mesh, PlyError& error);

// The bounding box while vertices are read. Kept apart from the model, whose vertex stores
// could otherwise alias it and force it through memory on every vertex.
struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;

    void seed(float x, float y, float z) {
        minX = maxX = x;
        minY = maxY = y;
        minZ = maxZ = z;
    }

    void widen(float x, float y, float z) {
        if (x > maxX)
            maxX = x;
        if (y > maxY)
            maxY = y;
        if (z > maxZ)
            maxZ = z;
        if (x < minX)
            minX = x;
        if (y < minY)
            minY = y;
        if (z < minZ)
            minZ = z;
    }

    // Into anything with the six box members (the catalogue's mesh, a file's model).
    template <typename Boxed>
    void into(Boxed& boxed) const {
        boxed.minX = minX;
        boxed.maxX = maxX;
        boxed.minY = minY;
        boxed.maxY = maxY;
        boxed.minZ = minZ;
        boxed.maxZ = maxZ;
    }
};

// The model as the file holds it, before it is fitted to the store.
struct Geometry {
    std::vector<double> positions;  // x, y, z of each vertex
    // Instead of `positions`, when BodyOptions::centredFloats could be met: x, y, z of each vertex
    // less `centre`, the centre of their box, as floats.
    std::vector<float> centredPositions;
    double centre[3] = {0, 0, 0};
    bool centred = false;
    std::vector<std::uint32_t> corners;  // three vertex numbers per triangle
    std::int64_t shortFaces = 0;         // faces of fewer than three corners, left out
    bool hasFaces = false;               // the file declares faces or strips

    // Read only when BodyOptions::attributes asks for them; empty (and false) otherwise.
    // nx, ny, nz per vertex when the vertex element has all three, as floats; zero-length
    // normals are kept as they are, and one with a component that is not finite is 0 0 0.
    std::vector<float> normals;
    // r, g, b, 255 per vertex when the vertex element has a colour (red green blue, r g b or
    // diffuse_*, else the f_dc_* of a Gaussian-splat file), brought to 0..255.
    std::vector<std::uint8_t> colours;
    // r, g, b, 255 per triangle from its face's colour, when the vertices have none and every
    // triangle comes from a coloured face (strips have none).
    std::vector<std::uint8_t> faceColours;
    bool splats = false;  // `colours` come from the f_dc_* coefficients
    // The splats of a splat file, read with BodyOptions::splats (splat_read.h): one per vertex
    // kept, those left out counted. `positions` and `colours` then hold the kept ones alone.
    SplatModel splatModel;
    bool colourFloats255 = false;  // float colours were read as 0..255 (a value above 1.5)
    // What the file measured (planMeasured in ply_attributes.h): the vertex element's kept
    // properties, one value per vertex, then the first face element's, one per triangle (NaN for
    // a triangle of no such face).
    std::vector<PropertyValues> properties;
    // u, v per vertex from the vertex element's texture coordinates (planTextures), unless the
    // faces have a texcoord list; then u, v per triangle corner, NaN for the triangles of strips
    // and of faces whose list is not a pair per corner; and the texnumber of each triangle's
    // face, kNoImage for a triangle of no such face. Each empty when the file has none.
    std::vector<float> texcoords;
    std::vector<float> cornerTexcoords;
    std::vector<std::int32_t> triangleTextures;
};

// What the general reader keeps besides positions and triangles.
struct BodyOptions {
    bool wide = false;        // coordinates in double precision, to be centred before use
    bool attributes = false;  // normals, colours and the properties the file measured as well
    // A binary vertex element of fixed layout goes straight to centred floats: its box is found
    // in a first look at its bytes, so no array of doubles is ever held (a large scan's
    // coordinates in double are a third of what its parse takes). Other layouts fill positions.
    bool centredFloats = false;
    // A splat file's vertex element read as splats (splat_read.h) instead of as a coloured
    // cloud: splats with a value that is not finite are left out rather than refused.
    bool splats = false;
};

// The general reader: every element of the body in turn, by its declared layout. With
// attributes off, normals, colours and measured properties are passed over like any other
// property and the geometry's members for them are left empty.
bool readBody(const char* text, std::size_t size, const Header& header, const BodyOptions& options,
              Geometry& geometry, PlyError& error);

// The centre of the box of the coordinates (x, y, z per vertex), in double.
void findCentre(const std::vector<double>& positions, double centre[3]);

// Puts the geometry into the mesh's arrays: centred when asked, simplified when it does not fit.
bool fitToStore(Geometry& geometry, PlyMesh& mesh, PlyError& error);

// Writes the message of a refusal; always false, so that a step can return it.
bool fail(PlyError& error, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace ply
