// Definitions of the GL, GLEW and freeglut symbols the viewer links against: the only place that
// defines them for tests and benchmarks. GLEW reaches its entry points through function pointers,
// so those are defined as pointers to the functions here; GL 1.1 and freeglut are called by their
// exported names. Each function records its call (when recording) and answers from `behaviour`.
// A new entry point is one function here (plus its pointer, for a GLEW one).
#include "fake_gl.h"

#include <GL/glew.h>

#include <GL/freeglut.h>

#include <cstring>
#include <initializer_list>

namespace fakegl {

std::vector<Call> calls;
Behaviour behaviour;
bool recording = true;
void (*displayCallback)() = nullptr;
void (*keyboardCallback)(unsigned char, int, int) = nullptr;
void (*idleCallback)() = nullptr;

namespace {

unsigned nextName = 1;
std::map<unsigned, unsigned> shaderTypes;  // shader name -> type

// What a call carries besides its integer arguments. Plain pointers, so that building one
// allocates nothing when the call is not recorded.
struct Payload {
    const char* text = nullptr;
    const float* floats = nullptr;
    std::size_t floatCount = 0;
    const void* data = nullptr;

    static Payload ofText(const char* t) { return {t, nullptr, 0, nullptr}; }
    static Payload ofFloats(const float* f, std::size_t n) { return {nullptr, f, n, nullptr}; }
    static Payload ofData(const void* d) { return {nullptr, nullptr, 0, d}; }
};

void record(const char* name, std::initializer_list<long long> args = {}, Payload payload = {}) {
    if (!recording) {
        return;
    }
    Call call{name, args, {}, {}, payload.data, {}};
    if (payload.text != nullptr) {
        call.text = payload.text;
    }
    call.floats.assign(payload.floats, payload.floats + payload.floatCount);
    calls.push_back(std::move(call));
}

// The location the code asks for by name, or -1 when the program has no such name.
GLint locationOf(const std::map<std::string, int, std::less<>>& locations, const char* name) {
    auto it = locations.find(name);
    return it == locations.end() ? -1 : it->second;
}

void writeLog(const std::string& log, GLsizei size, GLsizei* written, GLchar* out) {
    if (size <= 0) {
        return;
    }
    const std::size_t n = std::min(log.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, log.data(), n);
    out[n] = '\0';
    if (written != nullptr) {
        *written = static_cast<GLsizei>(n);
    }
}

GLuint GLAPIENTRY createProgram() {
    record("glCreateProgram");
    return nextName++;
}
GLuint GLAPIENTRY createShader(GLenum type) {
    record("glCreateShader", {type});
    shaderTypes[nextName] = type;
    return nextName++;
}
void GLAPIENTRY shaderSource(GLuint shader, GLsizei count, const GLchar* const* sources,
                             const GLint* lengths) {
    record("glShaderSource", {shader, count, lengths == nullptr ? 0 : 1},
           Payload::ofText(sources[0]));
}
void GLAPIENTRY compileShader(GLuint shader) {
    record("glCompileShader", {shader});
}
void GLAPIENTRY getShaderiv(GLuint shader, GLenum what, GLint* value) {
    record("glGetShaderiv", {shader, what});
    if (what == GL_COMPILE_STATUS) {
        auto it = behaviour.compileStatusByType.find(shaderTypes[shader]);
        *value = it != behaviour.compileStatusByType.end() ? it->second : behaviour.compileStatus;
    } else if (what == GL_INFO_LOG_LENGTH) {
        *value = behaviour.shaderLogLength;
    }
}
void GLAPIENTRY getShaderInfoLog(GLuint shader, GLsizei size, GLsizei* written, GLchar* log) {
    record("glGetShaderInfoLog", {shader, size, written == nullptr ? 0 : 1});
    writeLog(behaviour.shaderLog, size, written, log);
}
void GLAPIENTRY attachShader(GLuint program, GLuint shader) {
    record("glAttachShader", {program, shader});
}
void GLAPIENTRY linkProgram(GLuint program) {
    record("glLinkProgram", {program});
}
void GLAPIENTRY getProgramiv(GLuint program, GLenum what, GLint* value) {
    record("glGetProgramiv", {program, what});
    if (what == GL_LINK_STATUS) {
        *value = behaviour.linkStatus;
    } else if (what == GL_INFO_LOG_LENGTH) {
        *value = behaviour.programLogLength;
    }
}
void GLAPIENTRY getProgramInfoLog(GLuint program, GLsizei size, GLsizei* written, GLchar* log) {
    record("glGetProgramInfoLog", {program, size, written == nullptr ? 0 : 1});
    writeLog(behaviour.programLog, size, written, log);
}
void GLAPIENTRY useProgram(GLuint program) {
    record("glUseProgram", {program});
}
void GLAPIENTRY genVertexArrays(GLsizei n, GLuint* out) {
    record("glGenVertexArrays", {n});
    for (GLsizei i = 0; i < n; ++i) out[i] = nextName++;
}
void GLAPIENTRY bindVertexArray(GLuint vao) {
    record("glBindVertexArray", {vao});
}
void GLAPIENTRY genBuffers(GLsizei n, GLuint* out) {
    record("glGenBuffers", {n});
    for (GLsizei i = 0; i < n; ++i) out[i] = nextName++;
}
void GLAPIENTRY bindBuffer(GLenum target, GLuint buffer) {
    record("glBindBuffer", {target, buffer});
}
GLint GLAPIENTRY getAttribLocation(GLuint program, const GLchar* name) {
    record("glGetAttribLocation", {program}, Payload::ofText(name));
    return locationOf(behaviour.attribLocations, name);
}
void GLAPIENTRY enableVertexAttribArray(GLuint index) {
    record("glEnableVertexAttribArray", {index});
}
void GLAPIENTRY disableVertexAttribArray(GLuint index) {
    record("glDisableVertexAttribArray", {index});
}
void GLAPIENTRY vertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                    GLsizei stride, const void* offset) {
    record("glVertexAttribPointer",
           {index, size, type, normalized, stride,
            static_cast<long long>(reinterpret_cast<std::size_t>(offset))});
}
void GLAPIENTRY vertexAttrib4f(GLuint index, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    const GLfloat value[] = {x, y, z, w};
    record("glVertexAttrib4f", {index}, Payload::ofFloats(value, 4));
}
void GLAPIENTRY bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    record("glBufferData", {target, size, usage}, Payload::ofData(data));
    if (recording && behaviour.keepBufferBytes && data != nullptr) {
        const auto* first = static_cast<const unsigned char*>(data);
        calls.back().bytes.assign(first, first + size);
    }
}
void GLAPIENTRY bufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data) {
    record("glBufferSubData", {target, offset, size}, Payload::ofData(data));
}
GLint GLAPIENTRY getUniformLocationARB(GLhandleARB program, const GLcharARB* name) {
    record("glGetUniformLocationARB", {program}, Payload::ofText(name));
    return locationOf(behaviour.uniformLocations, name);
}
GLint GLAPIENTRY getUniformLocation(GLuint program, const GLchar* name) {
    record("glGetUniformLocation", {program}, Payload::ofText(name));
    return locationOf(behaviour.uniformLocations, name);
}
void GLAPIENTRY uniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose,
                                 const GLfloat* value) {
    record("glUniformMatrix4fv", {location, count, transpose}, Payload::ofFloats(value, 16));
}
void GLAPIENTRY bindAttribLocation(GLuint program, GLuint index, const GLchar* name) {
    record("glBindAttribLocation", {program, index}, Payload::ofText(name));
}
void GLAPIENTRY uniform1f(GLint location, GLfloat value) {
    record("glUniform1f", {location}, Payload::ofFloats(&value, 1));
}
void GLAPIENTRY uniform2f(GLint location, GLfloat x, GLfloat y) {
    const GLfloat value[] = {x, y};
    record("glUniform2f", {location}, Payload::ofFloats(value, 2));
}
void GLAPIENTRY vertexAttribDivisor(GLuint index, GLuint divisor) {
    record("glVertexAttribDivisor", {index, divisor});
}
void GLAPIENTRY drawArraysInstanced(GLenum mode, GLint first, GLsizei count, GLsizei instances) {
    record("glDrawArraysInstanced", {mode, first, count, instances});
}
void GLAPIENTRY deleteBuffers(GLsizei n, const GLuint* names) {
    record("glDeleteBuffers", {n, n > 0 ? names[0] : 0});
}
void GLAPIENTRY deleteVertexArrays(GLsizei n, const GLuint* names) {
    record("glDeleteVertexArrays", {n, n > 0 ? names[0] : 0});
}
void GLAPIENTRY genFramebuffers(GLsizei n, GLuint* out) {
    record("glGenFramebuffers", {n});
    for (GLsizei i = 0; i < n; ++i) out[i] = nextName++;
}
void GLAPIENTRY bindFramebuffer(GLenum target, GLuint framebuffer) {
    record("glBindFramebuffer", {target, framebuffer});
}
void GLAPIENTRY deleteFramebuffers(GLsizei n, const GLuint* names) {
    record("glDeleteFramebuffers", {n, n > 0 ? names[0] : 0});
}
void GLAPIENTRY genRenderbuffers(GLsizei n, GLuint* out) {
    record("glGenRenderbuffers", {n});
    for (GLsizei i = 0; i < n; ++i) out[i] = nextName++;
}
void GLAPIENTRY bindRenderbuffer(GLenum target, GLuint renderbuffer) {
    record("glBindRenderbuffer", {target, renderbuffer});
}
void GLAPIENTRY deleteRenderbuffers(GLsizei n, const GLuint* names) {
    record("glDeleteRenderbuffers", {n, n > 0 ? names[0] : 0});
}
void GLAPIENTRY renderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height) {
    record("glRenderbufferStorage", {target, format, width, height});
}
void GLAPIENTRY framebufferRenderbuffer(GLenum target, GLenum attachment, GLenum renderTarget,
                                        GLuint renderbuffer) {
    record("glFramebufferRenderbuffer", {target, attachment, renderTarget, renderbuffer});
}
void GLAPIENTRY blitFramebuffer(GLint x0, GLint y0, GLint x1, GLint y1, GLint dx0, GLint dy0,
                                GLint dx1, GLint dy1, GLbitfield mask, GLenum filter) {
    record("glBlitFramebuffer", {x0, y0, x1, y1, dx0, dy0, dx1, dy1, mask, filter});
}
void GLAPIENTRY framebufferTexture2D(GLenum target, GLenum attachment, GLenum textureTarget,
                                     GLuint texture, GLint level) {
    record("glFramebufferTexture2D", {target, attachment, textureTarget, texture, level});
}
void GLAPIENTRY uniform1i(GLint location, GLint value) {
    record("glUniform1i", {location, value});
}
void GLAPIENTRY generateMipmap(GLenum target) {
    record("glGenerateMipmap", {target});
}

}  // namespace

void reset() {
    calls.clear();
    behaviour = Behaviour{};
    recording = true;
    __glewGetUniformLocationARB = getUniformLocationARB;
    displayCallback = nullptr;
    keyboardCallback = nullptr;
    idleCallback = nullptr;
    shaderTypes.clear();
    nextName = 1;
}

std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.name);
    return out;
}

std::vector<Call> named(const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : calls) {
        if (c.name == name)
            out.push_back(c);
    }
    return out;
}

std::size_t count(const std::string& name) {
    return named(name).size();
}

}  // namespace fakegl

// GL 1.1 and freeglut functions are called by their exported names.
using fakegl::record;

extern "C" {

// ----- GLEW: entry points are pointers, the loader and its flags are plain symbols -----
PFNGLCREATEPROGRAMPROC __glewCreateProgram = fakegl::createProgram;
PFNGLCREATESHADERPROC __glewCreateShader = fakegl::createShader;
PFNGLSHADERSOURCEPROC __glewShaderSource = fakegl::shaderSource;
PFNGLCOMPILESHADERPROC __glewCompileShader = fakegl::compileShader;
PFNGLGETSHADERIVPROC __glewGetShaderiv = fakegl::getShaderiv;
PFNGLGETSHADERINFOLOGPROC __glewGetShaderInfoLog = fakegl::getShaderInfoLog;
PFNGLATTACHSHADERPROC __glewAttachShader = fakegl::attachShader;
PFNGLLINKPROGRAMPROC __glewLinkProgram = fakegl::linkProgram;
PFNGLGETPROGRAMIVPROC __glewGetProgramiv = fakegl::getProgramiv;
PFNGLGETPROGRAMINFOLOGPROC __glewGetProgramInfoLog = fakegl::getProgramInfoLog;
PFNGLUSEPROGRAMPROC __glewUseProgram = fakegl::useProgram;
PFNGLGENVERTEXARRAYSPROC __glewGenVertexArrays = fakegl::genVertexArrays;
PFNGLBINDVERTEXARRAYPROC __glewBindVertexArray = fakegl::bindVertexArray;
PFNGLGENBUFFERSPROC __glewGenBuffers = fakegl::genBuffers;
PFNGLBINDBUFFERPROC __glewBindBuffer = fakegl::bindBuffer;
PFNGLGETATTRIBLOCATIONPROC __glewGetAttribLocation = fakegl::getAttribLocation;
PFNGLENABLEVERTEXATTRIBARRAYPROC __glewEnableVertexAttribArray = fakegl::enableVertexAttribArray;
PFNGLDISABLEVERTEXATTRIBARRAYPROC __glewDisableVertexAttribArray = fakegl::disableVertexAttribArray;
PFNGLVERTEXATTRIBPOINTERPROC __glewVertexAttribPointer = fakegl::vertexAttribPointer;
PFNGLVERTEXATTRIB4FPROC __glewVertexAttrib4f = fakegl::vertexAttrib4f;
PFNGLBUFFERDATAPROC __glewBufferData = fakegl::bufferData;
PFNGLBUFFERSUBDATAPROC __glewBufferSubData = fakegl::bufferSubData;
// A test may set the ARB one to null, as GLEW leaves it for a driver without the extension;
// reset() puts it back.
PFNGLGETUNIFORMLOCATIONARBPROC __glewGetUniformLocationARB = fakegl::getUniformLocationARB;
PFNGLGETUNIFORMLOCATIONPROC __glewGetUniformLocation = fakegl::getUniformLocation;
PFNGLUNIFORMMATRIX4FVPROC __glewUniformMatrix4fv = fakegl::uniformMatrix4fv;
PFNGLDELETEBUFFERSPROC __glewDeleteBuffers = fakegl::deleteBuffers;
PFNGLBINDATTRIBLOCATIONPROC __glewBindAttribLocation = fakegl::bindAttribLocation;
PFNGLUNIFORM1FPROC __glewUniform1f = fakegl::uniform1f;
PFNGLUNIFORM2FPROC __glewUniform2f = fakegl::uniform2f;
PFNGLVERTEXATTRIBDIVISORPROC __glewVertexAttribDivisor = fakegl::vertexAttribDivisor;
PFNGLDRAWARRAYSINSTANCEDPROC __glewDrawArraysInstanced = fakegl::drawArraysInstanced;
PFNGLDELETEVERTEXARRAYSPROC __glewDeleteVertexArrays = fakegl::deleteVertexArrays;
PFNGLGENFRAMEBUFFERSPROC __glewGenFramebuffers = fakegl::genFramebuffers;
PFNGLBINDFRAMEBUFFERPROC __glewBindFramebuffer = fakegl::bindFramebuffer;
PFNGLDELETEFRAMEBUFFERSPROC __glewDeleteFramebuffers = fakegl::deleteFramebuffers;
PFNGLGENRENDERBUFFERSPROC __glewGenRenderbuffers = fakegl::genRenderbuffers;
PFNGLBINDRENDERBUFFERPROC __glewBindRenderbuffer = fakegl::bindRenderbuffer;
PFNGLDELETERENDERBUFFERSPROC __glewDeleteRenderbuffers = fakegl::deleteRenderbuffers;
PFNGLRENDERBUFFERSTORAGEPROC __glewRenderbufferStorage = fakegl::renderbufferStorage;
PFNGLFRAMEBUFFERRENDERBUFFERPROC __glewFramebufferRenderbuffer = fakegl::framebufferRenderbuffer;
PFNGLBLITFRAMEBUFFERPROC __glewBlitFramebuffer = fakegl::blitFramebuffer;
PFNGLFRAMEBUFFERTEXTURE2DPROC __glewFramebufferTexture2D = fakegl::framebufferTexture2D;
PFNGLUNIFORM1IPROC __glewUniform1i = fakegl::uniform1i;
PFNGLGENERATEMIPMAPPROC __glewGenerateMipmap = fakegl::generateMipmap;

GLboolean glewExperimental = GL_FALSE;
GLboolean __GLEW_VERSION_3_1 = GL_TRUE;

GLenum GLEWAPIENTRY glewInit() {
    record("glewInit", {glewExperimental});
    __GLEW_VERSION_3_1 = fakegl::behaviour.version31 ? GL_TRUE : GL_FALSE;
    return fakegl::behaviour.glewInitResult;
}

const GLubyte* GLEWAPIENTRY glewGetErrorString(GLenum error) {
    record("glewGetErrorString", {error});
    return reinterpret_cast<const GLubyte*>("fake GLEW error");
}

// ----- OpenGL 1.1: exported functions -----
void GLAPIENTRY glClear(GLbitfield mask) {
    record("glClear", {mask});
}
// Reads back nothing drawn: every byte 0, as a cleared transparent framebuffer.
void GLAPIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels) {
    record("glReadPixels", {x, y, width, height, format, type});
    const GLsizei channels = format == GL_RGBA ? 4 : 3;
    std::memset(pixels, 0, static_cast<std::size_t>(width) * height * channels);
}
void GLAPIENTRY glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    const GLfloat rgba[] = {r, g, b, a};
    record("glClearColor", {}, fakegl::Payload::ofFloats(rgba, 4));
}
void GLAPIENTRY glPolygonMode(GLenum face, GLenum mode) {
    record("glPolygonMode", {face, mode});
}
void GLAPIENTRY glEnable(GLenum cap) {
    record("glEnable", {cap});
}
void GLAPIENTRY glDisable(GLenum cap) {
    record("glDisable", {cap});
}
void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    record("glDrawArrays", {mode, first, count});
}
void GLAPIENTRY glFlush() {
    record("glFlush");
}
void GLAPIENTRY glPointSize(GLfloat size) {
    record("glPointSize", {}, fakegl::Payload::ofFloats(&size, 1));
}
void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset) {
    record("glDrawElements",
           {mode, count, type, static_cast<long long>(reinterpret_cast<std::size_t>(offset))});
}
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    record("glViewport", {x, y, width, height});
}
void GLAPIENTRY glFinish() {
    record("glFinish");
}
void GLAPIENTRY glPolygonOffset(GLfloat factor, GLfloat units) {
    const GLfloat values[] = {factor, units};
    record("glPolygonOffset", {}, fakegl::Payload::ofFloats(values, 2));
}
void GLAPIENTRY glBlendFunc(GLenum source, GLenum destination) {
    record("glBlendFunc", {source, destination});
}
void GLAPIENTRY glDepthMask(GLboolean flag) {
    record("glDepthMask", {flag});
}
void GLAPIENTRY glDepthFunc(GLenum function) {
    record("glDepthFunc", {function});
}
void GLAPIENTRY glGenTextures(GLsizei n, GLuint* out) {
    record("glGenTextures", {n});
    for (GLsizei i = 0; i < n; ++i) out[i] = fakegl::nextName++;
}
void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) {
    record("glBindTexture", {target, texture});
}
void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* names) {
    record("glDeleteTextures", {n, n > 0 ? names[0] : 0});
}
void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint format, GLsizei width,
                             GLsizei height, GLint border, GLenum layout, GLenum type,
                             const void* /*pixels*/) {
    record("glTexImage2D", {target, level, format, width, height, border, layout, type});
}
void GLAPIENTRY glTexParameteri(GLenum target, GLenum name, GLint value) {
    record("glTexParameteri", {target, name, value});
}
void GLAPIENTRY glPixelStorei(GLenum name, GLint value) {
    record("glPixelStorei", {name, value});
}
void GLAPIENTRY glGetIntegerv(GLenum name, GLint* value) {
    record("glGetIntegerv", {name});
    if (name == GL_MAX_TEXTURE_SIZE) {
        *value = fakegl::behaviour.maxTextureSize;
    }
}

// ----- freeglut -----
void FGAPIENTRY glutInit(int* argc, char** /*argv*/) {
    record("glutInit", {*argc});
}
void FGAPIENTRY glutInitDisplayMode(unsigned int mode) {
    record("glutInitDisplayMode", {mode});
}
void FGAPIENTRY glutInitWindowSize(int w, int h) {
    record("glutInitWindowSize", {w, h});
}
void FGAPIENTRY glutInitContextVersion(int major, int minor) {
    record("glutInitContextVersion", {major, minor});
}
void FGAPIENTRY glutInitContextProfile(int profile) {
    record("glutInitContextProfile", {profile});
}
int FGAPIENTRY glutCreateWindow(const char* title) {
    record("glutCreateWindow", {}, fakegl::Payload::ofText(title));
    return 1;
}
void FGAPIENTRY glutDisplayFunc(void (*callback)()) {
    record("glutDisplayFunc");
    fakegl::displayCallback = callback;
}
void FGAPIENTRY glutKeyboardFunc(void (*callback)(unsigned char, int, int)) {
    record("glutKeyboardFunc");
    fakegl::keyboardCallback = callback;
}
void FGAPIENTRY glutIdleFunc(void (*callback)()) {
    record("glutIdleFunc", {callback == nullptr ? 0 : 1});
    fakegl::idleCallback = callback;
}
void FGAPIENTRY glutMainLoop() {
    record("glutMainLoop");
}
void FGAPIENTRY glutSwapBuffers() {
    record("glutSwapBuffers");
}
void FGAPIENTRY glutPostRedisplay() {
    record("glutPostRedisplay");
}

}  // extern "C"
