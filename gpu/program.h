// Building shader programs, for both viewers: from files or from texts held in memory, with their
// logs reported. Knows nothing of either viewer's store.
#pragma once

#include <GL/glew.h>

// The matrices every program of both viewers reads.
constexpr const char* kModelMatrixUniform = "model_matrix";
constexpr const char* kProjectionMatrixUniform = "projection_matrix";

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
