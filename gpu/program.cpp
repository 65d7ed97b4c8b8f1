// Shader program builder: reads, compiles and links the two shader files and reports the logs.
// Any failure ends the process with status 1; nothing here is recoverable.
#include "gpu/program.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kShaderCount = 2;
constexpr int kFailureStatus = 1;

struct ShaderEntry {
    const char* fileName;  // owned by the caller; names a built-in text in messages
    GLenum type;
    GLchar* source;       // owned from the read until the compile succeeds
    const char* builtIn;  // the text itself when it is built in, else nullptr
};

// ===== Info logs =====

enum class LogOwner { kShader, kProgram };

struct InfoLog {
    GLint length = 0;  // what GL_INFO_LOG_LENGTH reported, terminator included
    std::string text;  // the log up to its terminator; empty when the length is not positive
};

// Asks for the length of the object's info log, then fetches the log when there is one. `written`
// is handed to GL as given: the printers pass a length pointer, the failure path none. The last
// byte is terminated here, so a driver that forgets the terminator cannot overrun.
InfoLog fetchInfoLog(LogOwner owner, GLuint object, GLsizei* written) {
    InfoLog log;
    if (owner == LogOwner::kShader) {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &log.length);
    } else {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &log.length);
    }
    if (log.length <= 0) {
        return log;
    }
    std::string buffer(static_cast<std::size_t>(log.length), '\0');
    if (owner == LogOwner::kShader) {
        glGetShaderInfoLog(object, log.length, written, buffer.data());
    } else {
        glGetProgramInfoLog(object, log.length, written, buffer.data());
    }
    buffer.back() = '\0';
    log.text = buffer.c_str();
    return log;
}

// Writes one line on standard error, as every builder diagnostic does.
void errorLine(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

// The object's log as the last line on standard error (an empty line when there is none), then
// the end of the process.
[[noreturn]] void failWithLog(LogOwner owner, GLuint object) {
    errorLine(fetchInfoLog(owner, object, nullptr).text.c_str());
    std::exit(kFailureStatus);
}

// One line on standard output: the log after `prefix`, or the OK line when there is no log.
void printInfoLog(LogOwner owner, GLuint object, const char* prefix, const char* okLine) {
    GLsizei charsWritten = 0;
    const InfoLog log = fetchInfoLog(owner, object, &charsWritten);
    if (log.length > 0) {
        std::printf("%s%s\n", prefix, log.text.c_str());
    } else {
        std::printf("%s\n", okLine);
    }
}

// ===== Building =====

// reportLogs: the info logs go to standard output (built-in shaders are ours and keep quiet).
void compileAndAttach(ShaderEntry& entry, GLuint program, bool reportLogs) {
    if (entry.builtIn == nullptr) {
        entry.source = readShaderSource(entry.fileName);
        if (entry.source == nullptr) {
            std::fprintf(stderr, "Failed to read %s\n", entry.fileName);
            std::exit(kFailureStatus);
        }
    }
    const GLchar* text = entry.builtIn != nullptr ? entry.builtIn : entry.source;
    const GLuint shader = glCreateShader(entry.type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    if (reportLogs) {
        printShaderInfoLog(shader);
    }
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
        std::fprintf(stderr, "%s failed to compile:\n", entry.fileName);
        failWithLog(LogOwner::kShader, shader);
    }
    delete[] entry.source;
    entry.source = nullptr;
    glAttachShader(program, shader);
}

GLuint linkShaders(ShaderEntry (&shaders)[kShaderCount], bool reportLogs,
                   const char* const* attributes = nullptr, int attributeCount = 0) {
    const GLuint built = glCreateProgram();
    for (ShaderEntry& entry : shaders) {
        compileAndAttach(entry, built, reportLogs);
    }
    for (int location = 0; location < attributeCount; ++location) {
        glBindAttribLocation(built, static_cast<GLuint>(location), attributes[location]);
    }
    glLinkProgram(built);
    GLint linked = 0;
    glGetProgramiv(built, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        errorLine("Shader program failed to link");
        failWithLog(LogOwner::kProgram, built);
    }
    glUseProgram(built);
    if (reportLogs) {
        printProgramInfoLog(built);
    }
    return built;
}

}  // namespace

GLuint buildProgram(const char* vertexFile, const char* fragmentFile) {
    ShaderEntry shaders[kShaderCount] = {
        {vertexFile, GL_VERTEX_SHADER, nullptr, nullptr},
        {fragmentFile, GL_FRAGMENT_SHADER, nullptr, nullptr},
    };
    return linkShaders(shaders, true);
}

GLuint buildProgramFromSource(const char* vertexSource, const char* fragmentSource,
                              const char* const* attributes, int attributeCount) {
    ShaderEntry shaders[kShaderCount] = {
        {"built-in vertex shader", GL_VERTEX_SHADER, nullptr, vertexSource},
        {"built-in fragment shader", GL_FRAGMENT_SHADER, nullptr, fragmentSource},
    };
    return linkShaders(shaders, false, attributes, attributeCount);
}

char* readShaderSource(const char* fileName) {
    // Only a regular file has a size to read: a directory opens on most file systems and then
    // reports a size that no allocation can meet, and a FIFO would block the open.
    struct stat info {};
    if (::stat(fileName, &info) == 0 && !S_ISREG(info.st_mode)) {
        return nullptr;
    }
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

void printShaderInfoLog(GLuint shader) {
    printInfoLog(LogOwner::kShader, shader, "printShaderInfoLog: ", "Shader Info Log: OK");
}

void printProgramInfoLog(GLuint object) {
    printInfoLog(LogOwner::kProgram, object, "printProgramInfoLog: ", "Program Info Log: OK");
}
