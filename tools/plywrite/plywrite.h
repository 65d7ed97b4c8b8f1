// A PLY writer of our own, for tests, fuzz seeds and benchmarks: one mesh written in each of
// the layouts other tools produce (ASCII or binary of either byte order, every scalar type,
// extra properties, polygons, triangle strips, elements in another order or unknown to the
// viewer, point clouds, extra values at ASCII line ends, CRLF line ends), with normals and colours
// of every type and naming, face colours and the properties of Gaussian-splat files; and files
// too large to hold in memory, streamed instance by instance from shapes made on demand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plywrite {

// ===== What is written =====

enum class Format { kAscii, kBinaryLittleEndian, kBinaryBigEndian };
enum class Type { kInt8, kUint8, kInt16, kUint16, kInt32, kUint32, kFloat32, kFloat64 };

// A property of each vertex or face besides those the options give: one value per instance
// (for a list, a list of that one value, or each instance's own list when `lists` is given).
struct Extra {
    std::string name;
    Type type = Type::kFloat32;
    std::vector<double> values;
    bool list = false;
    std::vector<std::vector<double>> lists = {};
};

struct Mesh {
    std::vector<std::array<double, 3>> positions;
    std::vector<std::vector<int>> faces;   // polygons of any corner count
    std::vector<std::vector<int>> strips;  // triangle strips, -1 starting a new strip
    // Each vertex's colour levels (0..255), written with normalsAndColours; when empty, the
    // vertices get vertexLevel's.
    std::vector<std::array<int, 3>> colours = {};
    // Written after every other property of their element, or before all of them with
    // Options::extrasFirst.
    std::vector<Extra> vertexExtras = {};
    std::vector<Extra> faceExtras = {};
    std::vector<std::string> comments = {};  // header comment lines' text, after plywrite's own
};

struct Options {
    Format format = Format::kAscii;
    Type coordinate = Type::kFloat32;  // type of x, y, z
    Type listCount = Type::kUint8;     // type of the corner count of each face or strip
    Type index = Type::kInt32;         // type of the vertex numbers
    bool sizedTypeNames = false;       // float32, uint8, ... instead of float, uchar, ...
    const char* axes = "xyz";          // the names of the coordinates, in declared order
    const char* listName = "vertex_indices";
    bool normalsAndColours = false;  // nx ny nz red green blue after the coordinates
    Type normal = Type::kFloat32;    // type of nx ny nz; integer types hold them over their range
    Type colour = Type::kUint8;      // type of the colour channels, on vertices and faces
    std::array<const char*, 3> colourNames = {"red", "green", "blue"};
    double colourFull = 255;  // the value of a full channel: 1 for 0..1, 65535 for ushort...
    const char* alphaName = nullptr;  // an alpha channel of this name after the colour, full
    bool faceColours = false;         // each face's colour after its vertex list
    bool coloursOnly = false;         // with normalsAndColours: the colours without the normals
    // Every vertex and face in these levels (0..255) instead of their own, when not negative: a
    // model in one colour.
    std::array<int, 3> oneColour = {-1, -1, -1};
    bool splats = false;       // Gaussian-splat properties after the others (f_dc_0, ...)
    bool extrasFirst = false;  // the mesh's extra properties before the others
    bool intensity = false;    // writeStream: a float `intensity` after the other vertex values
    // writeStream: "comment TextureFile NAME" and float `s t` last on each vertex, wrapped
    // around the shape (textureOf), when not null.
    const char* textureFile = nullptr;
    bool faceProperties = false;   // a colour and a texture coordinate list on each face
    bool facesFirst = false;       // the face element declared before the vertex element
    bool unknownElements = false;  // a material element first, an edge element last
    bool strips = false;           // a tristrips element instead of faces
    bool pointCloud = false;       // no face element at all
    int extraLineValues = 0;       // ASCII: undeclared values at the end of every line
    bool crlf = false;             // ASCII: CRLF line ends
    int floatDigits = 9;           // ASCII: significant digits of a float (9: exact)
};

// The file's bytes.
std::string write(const Mesh& mesh, const Options& options);

// Writes the file; false when it cannot be written.
bool writeFile(const std::string& path, const Mesh& mesh, const Options& options);

// ===== Values written =====

// The normal written for a vertex at `position`: position / (|position| + 1); integer normal
// types hold it times the type's largest value, rounded.
std::array<double, 3> normalOf(const std::array<double, 3>& position);

// The level (0..255) of colour channel `channel` of a vertex or of a face; a channel holds the
// level times colourFull / 255.
int vertexLevel(std::size_t vertex, int channel);
int faceLevel(std::size_t face, int channel);

// The f_dc_`channel` coefficient of a splat vertex: -2 to 2 in steps of 0.5.
double splatCoefficient(std::size_t vertex, int channel);

// ===== Meshes =====

// A welded wavy surface of columns x rows quads, each split into two triangles:
// (columns + 1) x (rows + 1) vertices and 2 x columns x rows triangles.
Mesh surface(int columns, int rows);

// ===== Streaming =====
// Files too large to hold in memory: counts up front, each instance made when it is written.

struct Vertex {
    std::array<double, 3> position;
    std::array<double, 3> normal;  // unit length
    std::array<std::uint8_t, 3> colour;
};

using Triangle = std::array<std::int64_t, 3>;

struct Source {
    std::int64_t vertexCount = 0;
    std::int64_t triangleCount = 0;
    std::function<Vertex(std::int64_t)> vertex;      // vertex i, 0 <= i < vertexCount
    std::function<Triangle(std::int64_t)> triangle;  // triangle f, 0 <= f < triangleCount
};

// Writes the vertices (x y z, then with normalsAndColours nx ny nz in the coordinates' type, as
// mesh libraries write them, and red green blue; then with intensity a float that ripples over
// the shape, intensityOf) and then the triangles into `file`, in memory
// of a fixed size. Honours the format, the types and their naming, the axes and the list name;
// the other layout options are write()'s alone. False when a write failed.
bool writeStream(std::FILE* file, const Source& source, const Options& options);
double intensityOf(const std::array<double, 3>& position);
// Texture coordinates around the y axis: s by the angle about it, t by the height.
std::array<double, 2> textureOf(const std::array<double, 3>& position);

// Welded closed shapes of about `triangles` triangles (every vertex shared, outward unit
// normals, colours that follow the normal), made instance by instance; nullopt outside
// kMinShapeTriangles..kMaxShapeTriangles. A torus has exactly half as many vertices as
// triangles; a sphere (two poles and rings of quads) two more.
constexpr std::int64_t kMinShapeTriangles = 18;             // three rings of three segments
constexpr std::int64_t kMaxShapeTriangles = 2'000'000'000;  // indices stay below 2^31
std::optional<Source> torus(std::int64_t triangles);
std::optional<Source> sphere(std::int64_t triangles);

// ===== Gaussian splats =====
// Splat files as capture tools write them: per vertex a centre, f_dc_0..2, f_rest_* (channel by
// channel), a logit opacity, log scales and a rotation quaternion, and no faces.

constexpr int kSplatRestMax = 45;  // f_rest_* at degree 3

struct SplatSpec {
    std::array<double, 3> position{};
    std::array<double, 3> logScale{};               // scale_0..2: logarithms of the std devs
    std::array<double, 4> rotation = {1, 0, 0, 0};  // rot_0..3: w, x, y, z
    double opacityLogit = 0;                        // opacity: sigmoid gives the opacity
    std::array<double, 3> dc{};                     // f_dc_0..2
    std::array<double, kSplatRestMax> rest{};       // f_rest_*, all of red's, green's, blue's
};

struct SplatOptions {
    Format format = Format::kBinaryLittleEndian;
    int degree = 0;              // 0..3: 0, 9, 24 or 45 f_rest_* properties
    int restCount = -1;          // f_rest_* written when not negative, instead of the degree's
    bool shuffled = false;       // the properties in an order of their own (the same every time)
    bool normals = false;        // nx ny nz, all zero, after the centre
    bool unrelated = false;      // a float property no reader knows, after the others
    bool emptyFaces = false;     // an element face of no instances after the vertices
    Type type = Type::kFloat32;  // of every property
};

// The file's bytes; text floats with 9 significant digits (exact).
std::string writeSplats(const std::vector<SplatSpec>& splats, const SplatOptions& options);
bool writeSplatFile(const std::string& path, const std::vector<SplatSpec>& splats,
                    const SplatOptions& options);
// `count` splats made one at a time by `splat` and written as they come; false when a write
// failed.
bool writeSplatStream(std::FILE* file, std::int64_t count,
                      const std::function<SplatSpec(std::int64_t)>& splat,
                      const SplatOptions& options);

// One splat: at `position`, standard deviations `sigma` along its own axes, turned `degrees`
// about the unit `axis`, of opacity `opacity` (0..1, not 0 or 1) and degree-0 colour `rgb` (0..1).
SplatSpec splatOf(const std::array<double, 3>& position, const std::array<double, 3>& sigma,
                  const std::array<double, 3>& axis, double degrees, double opacity,
                  const std::array<double, 3>& rgb);

// The unit quaternion (w, x, y, z) of the rotation whose matrix has columns `u`, `v`, `n`
// (orthonormal, right-handed).
std::array<double, 4> quaternionOf(const std::array<double, 3>& u, const std::array<double, 3>& v,
                                   const std::array<double, 3>& n);

// A torus (axis z, radii 1 and 0.4) of `around` x `tube` flat splats, each tangent to the
// surface, thin along its normal and as wide as the gaps to its neighbours so that the surface
// is closed, in colours that vary from splat to splat the same way every time; degree 0.
std::vector<SplatSpec> splatTorus(int around, int tube);

// Splat i of a scene: several tori and blobs of varied sizes, turns, colours and opacities,
// with degree-3 coefficients; the same for the same i every time.
SplatSpec sceneSplat(std::int64_t i);

}  // namespace plywrite
