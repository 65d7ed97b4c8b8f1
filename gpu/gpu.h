// The catalogue viewer's part of gpu/: the one-time buffer set-up, with the buffer layout that
// its shader files and its frame rendering share, and its GPU store. Used by render/ and app/.
#pragma once

#include <GL/glew.h>

#include "gpu/program.h"
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

// ===== Scene store: GPU =====

#define GPU_STORE(VALUE, ARRAY)                                \
    /* the linked shader program, current for the whole run */ \
    VALUE(GLuint, program, 0)                                  \
    /* where vColor is fed; overlays switch its array off */   \
    VALUE(GLint, colorLocation, -1)
GPU_STORE(STORE_DECLARE_VALUE, STORE_DECLARE_ARRAY)

// ===== Buffer set-up =====

// One vertex array, one buffer, the program, both attributes at their fixed offsets, white clear
// colour.
void initGpu();
// The same with a program built from shader texts held in memory.
void initGpuWithSources(const char* vertexSource, const char* fragmentSource);
