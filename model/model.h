// Public interface of model/: the model catalogue, the part of the scene store that holds the
// loaded model, and the PLY reader that fills it. Used by gpu/, render/, input/, app/, the
// tests, the benchmarks and the fuzzer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

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

// ===== Scene store lists =====
// Each folder's part of the scene store is one list, PART_STORE(VALUE, ARRAY), that names every
// changing member once, with its start-up value:
//   VALUE(type, name, start)            a scalar that starts at `start`
//   ARRAY(type, name, capacity, first)  an array whose element 0 starts at `first`, the rest 0
// The list declares the members (in the folder's header) and defines them (in its store file);
// the tests walk the same lists to put the store back to start-up values and to check them, so
// a new member is added in one place. The members stay separate globals so that memory checkers
// see a guard zone between the arrays.
#define STORE_DECLARE_VALUE(type, name, start) extern type name;
#define STORE_DECLARE_ARRAY(type, name, capacity, first) extern type name[capacity];
#define STORE_DEFINE_VALUE(type, name, start) type name = start;
#define STORE_DEFINE_ARRAY(type, name, capacity, first) type name[capacity] = {first};

// ===== Scene store: catalogue and loaded model =====

extern const char modelFiles[kModelCount][kModelNameSize];  // the catalogue, index order

#define MODEL_STORE(VALUE, ARRAY)                                      \
    /* current catalogue entry; display wraps it into the catalogue */ \
    VALUE(int, modelIndex, kFirstModel)                                \
    /* vertices and triangles of the loaded model */                   \
    VALUE(int, vertexCount, 0)                                         \
    VALUE(int, faceCount, 0)                                           \
    /* (x, y, z, 1) per vertex; tails keep older models */             \
    ARRAY(Vec4, vertices, kMaxVertices, Vec4())                        \
    /* triangles; tails keep older models */                           \
    ARRAY(FaceIndices, faces, kMaxFaces, FaceIndices())                \
    /* bounding box of the loaded vertices */                          \
    VALUE(float, minX, 0.0f)                                           \
    VALUE(float, maxX, 0.0f)                                           \
    VALUE(float, minY, 0.0f)                                           \
    VALUE(float, maxY, 0.0f)                                           \
    VALUE(float, minZ, 0.0f)                                           \
    VALUE(float, maxZ, 0.0f)
MODEL_STORE(STORE_DECLARE_VALUE, STORE_DECLARE_ARRAY)

// ===== Catalogue =====

// Replaces the catalogue by `count` paths that the caller keeps alive for as long as they are
// used; `count` <= 0 brings back the fixed table modelFiles. Set before the first load: entry
// numbers name the files of the list in force when they were loaded.
void setCatalogue(const char* const* paths, int count);
int catalogueLength();                 // entries in the catalogue; kModelCount by default
const char* catalogueFile(int index);  // path of entry `index`, 0 <= index < catalogueLength()

// ===== Reading =====

// What a load does with a file that cannot be opened.
enum class MissingFile {
    kEndProcess,  // "File does not exist!: <path>" on stderr, status 1 (the default)
    kRefuse,      // "<path>: <reason>" once, like any refused file; the viewer keeps running
};
void setMissingFile(MissingFile mode);

// What a load did to the store.
enum class LoadOutcome {
    kLoaded,     // the file was read and the store now holds its model
    kUnchanged,  // the file holds the bytes the store was read from; nothing was done
    kRefused,    // the file was refused: the last good read of the entry stays, or an empty model
};

// With centring on, coordinates are read in double precision, the centre of their bounding box
// is computed in double and taken off each one before it is stored as a float, so that far-off
// coordinates (a survey at x = 429877111.59) keep their small digits; the stored box is then
// around the origin. Off by default. Forgets the loaded model's bytes.
void setCentreCoordinates(bool on);
// The centre taken off the loaded model's coordinates; (0, 0, 0) with centring off or when
// the store holds no model.
void loadedModelCentre(double out[3]);

// Reads catalogue entry `index` (0 <= index < catalogueLength()) into the store. A file that
// cannot be opened is handled as setMissingFile says. A malformed file prints one line naming
// the file and the fault (not again while the fault stays the same) and keeps the last good
// read of the same entry, or leaves an empty model when the store holds another entry.
void loadModel(int index);

// Loads a file by path with the same rules; loadModel is this with the catalogue's path.
LoadOutcome loadModelFile(const char* path, int entry);

// Forgets the bytes of the last good read, so the next load parses its file in full even when
// the file has not changed.
void forgetLoadedModel();

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

constexpr std::size_t kPlyErrorSize = 160;

// What is wrong with a refused file, without the file name: "face 12: index 57 outside 0..49".
struct PlyError {
    char message[kPlyErrorSize] = {};
};

// Parses PLY text held in memory, ASCII or binary. Returns true and fills `mesh` when the text
// is a valid model, simplified to fit the capacities when it is larger; returns false with
// `error` set otherwise. On failure the counts and bounds in `mesh` are unspecified; array
// elements beyond the capacities are never touched.
bool parsePly(const char* text, std::size_t size, PlyMesh& mesh, PlyError& error);

// ===== Files =====

// read() that retries when a signal interrupts it; -1 with errno set on failure.
long readRetrying(int fd, char* into, std::size_t bytes);

// What a path that is not a regular file is, as a refusal names it: "a directory", "a FIFO",
// "a socket", "a device", or "not a file" (a mode of stat's).
const char* nonFileKind(unsigned mode);

// ===== Large arrays =====

// Asks the system to back the 2 MiB-aligned inside of a large block with huge pages, before it
// is first written: a model of hundreds of megabytes is otherwise paid for page by page.
// Nothing happens for small blocks or where the system has no such pages.
void adviseHugePages(const void* data, std::size_t bytes);

// Reserves room for `count` elements and advises huge pages for it.
template <typename T>
void reserveLarge(std::vector<T>& array, std::size_t count) {
    array.reserve(count);
    adviseHugePages(array.data(), array.capacity() * sizeof(T));
}

// ===== Models at the file's own size =====
// The file viewer keeps every vertex and triangle of a file, in storage sized by the file, and
// draws them from GPU buffers; nothing is simplified for display.

constexpr int kCoordinates = 3;  // x, y, z per position; three vertex numbers per triangle

constexpr int kColourBytes = 4;  // r, g, b, a per colour, 0..255

struct FileModel {
    std::vector<float> positions;          // x, y, z per vertex, less `centre`
    std::vector<std::uint32_t> triangles;  // three vertex numbers per triangle, counted from 0
    std::vector<float> normals;            // x, y, z per vertex as the file gives them, or empty
    std::vector<std::uint8_t> colours;     // kColourBytes per vertex, or empty
    // kColourBytes per triangle, or empty; only when there are no vertex colours.
    std::vector<std::uint8_t> faceColours;
    double centre[kCoordinates] = {0, 0, 0};  // the box centre taken off, in double
    // Box of `positions`; inverted (min above max) without vertices.
    float minX = kBoxResetMin, maxX = kBoxResetMax;
    float minY = kBoxResetMin, maxY = kBoxResetMax;
    float minZ = kBoxResetMin, maxZ = kBoxResetMax;
    PlyNotes notes;  // counts as the file holds them

    std::size_t vertexCount() const { return positions.size() / kCoordinates; }
    std::size_t triangleCount() const { return triangles.size() / kCoordinates; }
};

// Parses a whole PLY file held in memory, ASCII or binary, keeping every vertex and triangle:
// coordinates are read in double and the centre of their box is taken off before they become
// floats. False with `error` set when the file is refused; `model` is then emptied. The
// parse's own working memory is released before it returns.
bool parseFileModel(const char* text, std::size_t size, FileModel& model, PlyError& error);

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

// ===== A light stand-in while the model moves =====

constexpr std::size_t kProxyFromTriangles = 200000;  // more triangles than this get a proxy
constexpr std::size_t kProxyFromPoints = 1000000;    // a point cloud of more points than this
constexpr std::size_t kProxyTriangles = 50000;       // what a proxy aims at
constexpr std::size_t kProxyPoints = 200000;

// Whether a model is large enough to be drawn from a proxy while it moves.
bool needsProxy(const FileModel& model);

// A simplified copy of `model` to draw while it moves: its triangles simplified with the
// sloppy simplifier (a point cloud thinned), the vertices they use in order of first use with
// their normals and colours (face colours become the colours of the vertices they meet first),
// the box and centre of the model. False when `cancel` was set before it was done; `proxy` is then
// unspecified. Reads `model` only, so it may run on another thread while the model is shown.
// `triangles` is about how many triangles it keeps.
bool buildProxy(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel,
                std::size_t triangles = kProxyTriangles);
