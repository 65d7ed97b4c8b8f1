// Public interface of model/ for the catalogue viewer: its catalogue, the part of the scene store
// that holds the loaded model, and loading an entry into it with the fixed reader. Used by gpu/,
// render/, input/, app/, the tests, the benchmarks and the fuzzer.
#pragma once

#include "model/fixed_reader.h"

// ===== Catalogue constants =====

constexpr int kModelCount = 43;     // entries in the catalogue
constexpr int kModelNameSize = 20;  // bytes per catalogue slot, NUL padding included
constexpr int kFirstModel = 0;
constexpr int kLastModel = kModelCount - 1;

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
