// Shader program builder: reads, compiles and links the two shader files and reports the logs.
// Any failure ends the process with status 1; nothing here is recoverable.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "gpu/gpu.h"

namespace {

constexpr int kShaderCount = 2;
constexpr int kFailureStatus = 1;

struct ShaderEntry {
    const char* fileName;  // owned by the caller
    GLenum type;
    GLchar* source;  // owned from the read until the compile succeeds
};

// Writes one line on standard error and flushes it, as every builder diagnostic does.
void errorLine(const char* text) {
    std::cerr << text << std::endl;
}

[[noreturn]] void failWithLog(GLsizei logSize, void (*fetch)(GLuint, GLsizei, GLsizei*, GLchar*),
                              GLuint object) {
    // A reported length of 0 still gets a terminated, empty line.
    GLchar* log = new GLchar[logSize > 0 ? logSize : 1];
    log[0] = '\0';
    if (logSize > 0) {
        fetch(object, logSize, nullptr, log);
        log[logSize - 1] = '\0';
    }
    errorLine(log);
    delete[] log;
    std::exit(kFailureStatus);
}

void getShaderLog(GLuint object, GLsizei size, GLsizei* written, GLchar* log) {
    glGetShaderInfoLog(object, size, written, log);
}

void getProgramLog(GLuint object, GLsizei size, GLsizei* written, GLchar* log) {
    glGetProgramInfoLog(object, size, written, log);
}

void compileAndAttach(ShaderEntry& entry, GLuint program) {
    entry.source = readShaderSource(entry.fileName);
    if (entry.source == nullptr) {
        std::cerr << "Failed to read " << entry.fileName << std::endl;
        std::exit(kFailureStatus);
    }
    const GLuint shader = glCreateShader(entry.type);
    glShaderSource(shader, 1, const_cast<const GLchar**>(&entry.source), nullptr);
    glCompileShader(shader);
    printShaderInfoLog(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
        std::cerr << entry.fileName << " failed to compile:" << std::endl;
        GLint logSize = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logSize);
        failWithLog(logSize, getShaderLog, shader);
    }
    delete[] entry.source;
    entry.source = nullptr;
    glAttachShader(program, shader);
}

}  // namespace

GLuint buildProgram(const char* vertexFile, const char* fragmentFile) {
    ShaderEntry shaders[kShaderCount] = {
        {vertexFile, GL_VERTEX_SHADER, nullptr},
        {fragmentFile, GL_FRAGMENT_SHADER, nullptr},
    };
    const GLuint built = glCreateProgram();
    for (ShaderEntry& entry : shaders) {
        compileAndAttach(entry, built);
    }
    glLinkProgram(built);
    GLint linked = 0;
    glGetProgramiv(built, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        errorLine("Shader program failed to link");
        GLint logSize = 0;
        glGetProgramiv(built, GL_INFO_LOG_LENGTH, &logSize);
        failWithLog(logSize, getProgramLog, built);
    }
    glUseProgram(built);
    printProgramInfoLog(built);
    return built;
}

char* readShaderSource(const char* fileName) {
    FILE* file = std::fopen(fileName, "r");
    if (file == nullptr) {
        return nullptr;
    }
    std::fseek(file, 0L, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0L, SEEK_SET);
    if (size < 0) {
        size = 0;  // not a seekable file: read it as empty rather than allocate garbage
    }
    char* buffer = new char[static_cast<std::size_t>(size) + 1];
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
    buffer[got] = '\0';
    std::fclose(file);
    return buffer;
}

namespace {

// The two log printers differ only in the GL calls and the texts.
template <typename GetIv, typename GetLog>
void printInfoLog(GLuint object, GetIv getIv, GetLog getLog, const char* format,
                  const char* okLine) {
    GLint infologLength = 0;
    GLsizei charsWritten = 0;
    getIv(object, GL_INFO_LOG_LENGTH, &infologLength);
    if (infologLength > 0) {
        GLchar* infoLog =
            static_cast<GLchar*>(std::malloc(static_cast<std::size_t>(infologLength)));
        infoLog[0] = '\0';
        getLog(object, infologLength, &charsWritten, infoLog);
        infoLog[infologLength - 1] = '\0';  // a driver that forgets the terminator cannot overrun
        std::printf(format, infoLog);
        std::free(infoLog);
    } else {
        std::printf("%s", okLine);
    }
}

}  // namespace

void printShaderInfoLog(GLuint shader) {
    printInfoLog(
        shader, [](GLuint o, GLenum n, GLint* v) { glGetShaderiv(o, n, v); },
        [](GLuint o, GLsizei s, GLsizei* w, GLchar* l) { glGetShaderInfoLog(o, s, w, l); },
        "printShaderInfoLog: %s\n", "Shader Info Log: OK\n");
}

void printProgramInfoLog(GLuint object) {
    printInfoLog(
        object, [](GLuint o, GLenum n, GLint* v) { glGetProgramiv(o, n, v); },
        [](GLuint o, GLsizei s, GLsizei* w, GLchar* l) { glGetProgramInfoLog(o, s, w, l); },
        "printProgramInfoLog: %s\n", "Program Info Log: OK\n");
}
