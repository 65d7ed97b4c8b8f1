// Public interface of gpu/: the shader program builder and the one-time buffer set-up, with the
// buffer layout that the shader files and the frame rendering share. Used by render/ and app/.
#pragma once

#include <GL/glew.h>

#include "model/model.h"

// ===== Buffer layout =====

constexpr int kCornerCapacity = 3 * kMaxFaces;  // corners in `points` and `colors`
constexpr int kFloatsPerVertex = 4;             // both attributes read whole Vec4s
constexpr GLsizeiptr kPositionsOffset = 0;
constexpr GLsizeiptr kBlockBytes = kCornerCapacity * static_cast<GLsizeiptr>(sizeof(Vec4));
constexpr GLsizeiptr kColorsOffset = kBlockBytes;  // colours start after all positions
constexpr GLsizeiptr kMeshStoreBytes = 2 * kBlockBytes;
static_assert(kColorsOffset == 960000, "the colour block starts at byte 960000");
static_assert(kMeshStoreBytes == 1920000, "the mesh store holds positions then colours");

// Shader files, opened by plain name from the working directory.
constexpr const char* kVertexShaderFile = "vshader1.glsl";
constexpr const char* kFragmentShaderFile = "fshader1.glsl";

// Names of the shader interface.
constexpr const char* kPositionAttribute = "vPosition";
constexpr const char* kColorAttribute = "vColor";
constexpr const char* kModelMatrixUniform = "model_matrix";
constexpr const char* kProjectionMatrixUniform = "projection_matrix";

// ===== Scene store: GPU =====

#define GPU_STORE(VALUE, ARRAY)                                \
    /* the linked shader program, current for the whole run */ \
    VALUE(GLuint, program, 0)                                  \
    /* where vColor is fed; overlays switch its array off */   \
    VALUE(GLint, colorLocation, -1)
GPU_STORE(STORE_DECLARE_VALUE, STORE_DECLARE_ARRAY)

// ===== Program builder =====

// Builds, links and uses the program from the two files; on any failure prints why on standard
// error and ends the process with status 1.
GLuint buildProgram(const char* vertexFile, const char* fragmentFile);

// The same from shader texts held in memory (the file viewer's built-in shaders): nothing is
// printed while all is well; a failure prints why on standard error and ends with status 1.
// The `attributeCount` names of `attributes` are bound to locations 0, 1, ... before linking,
// so that vertex arrays serve every program that reads them.
GLuint buildProgramFromSource(const char* vertexSource, const char* fragmentSource,
                              const char* const* attributes = nullptr, int attributeCount = 0);

// The whole file as a new NUL-terminated buffer the caller deletes with delete[], or nullptr.
char* readShaderSource(const char* fileName);

// One line on standard output: the object's info log, or the OK line when it is empty.
void printShaderInfoLog(GLuint shader);
void printProgramInfoLog(GLuint program);

// ===== Buffer set-up =====

// One vertex array, one buffer, the program, both attributes at their fixed offsets, white clear
// colour.
void initGpu();
// The same with a program built from shader texts held in memory.
void initGpuWithSources(const char* vertexSource, const char* fragmentSource);
