// One-time GPU set-up: the vertex array, the buffer every pass draws from, the program and the
// fixed attribute layout.
#include "gpu/gpu.h"

GPU_STORE(STORE_DEFINE_VALUE, STORE_DEFINE_ARRAY)

namespace {

constexpr GLfloat kClearColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // white background

// Points one attribute of `program` at its block of the bound buffer; returns its location.
GLint bindAttribute(const char* name, GLsizeiptr offset) {
    const GLint location = glGetAttribLocation(program, name);
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), kFloatsPerVertex, GL_FLOAT, GL_FALSE, 0,
                          reinterpret_cast<const void*>(offset));
    return location;
}

// The program is built once the vertex array and the buffer are bound, then the layout follows.
template <typename BuildProgram>
void setUp(BuildProgram build) {
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    program = build();
    glUseProgram(program);
    bindAttribute(kPositionAttribute, kPositionsOffset);
    colorLocation = bindAttribute(kColorAttribute, kColorsOffset);
    glClearColor(kClearColor[0], kClearColor[1], kClearColor[2], kClearColor[3]);
}

}  // namespace

void initGpu() {
    setUp([] { return buildProgram(kVertexShaderFile, kFragmentShaderFile); });
}

void initGpuWithSources(const char* vertexSource, const char* fragmentSource) {
    setUp([=] { return buildProgramFromSource(vertexSource, fragmentSource); });
}
