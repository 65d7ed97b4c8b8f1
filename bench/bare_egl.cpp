// The reference for plyview --png: the least a program can do for the same picture. A
// surfaceless EGL context, one tiny shader, a 20,000-triangle grid drawn as a wireframe into a
// 512 x 512 framebuffer object and read back; no model file, no PNG. Its whole-process time and
// memory are what any offscreen picture on this renderer costs at least.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 512;
constexpr int kGrid = 100;  // 100 x 100 cells, two triangles each: 20,000 triangles

const char* const kVertex =
    "#version 140\nin vec4 p;\nvoid main() { gl_Position = vec4(p.xy * 0.9, 0.0, 1.0); }\n";
const char* const kFragment =
    "#version 140\nout vec4 c;\nvoid main() { c = vec4(0.0, 1.0, 0.0, 1.0); }\n";

bool makeContext() {
    const auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) ||
        !eglBindAPI(EGL_OPENGL_API)) {
        return false;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 1,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    return context != EGL_NO_CONTEXT &&
           eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

GLuint shader(GLenum type, const char* text) {
    const GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    return s;
}

}  // namespace

int main() {
    if (!makeContext()) {
        std::fprintf(stderr, "bare_egl: no surfaceless OpenGL 3.1 context\n");
        return 1;
    }
    GLuint framebuffer = 0, buffers[2] = {};
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(2, buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSide, kSide);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kSide, kSide);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              buffers[1]);
    glViewport(0, 0, kSide, kSide);

    const GLuint program = glCreateProgram();
    glAttachShader(program, shader(GL_VERTEX_SHADER, kVertex));
    glAttachShader(program, shader(GL_FRAGMENT_SHADER, kFragment));
    glBindAttribLocation(program, 0, "p");
    glLinkProgram(program);
    glUseProgram(program);

    std::vector<float> corners;
    auto corner = [&](int i, int j) {
        corners.insert(corners.end(), {2.0f * i / kGrid - 1, 2.0f * j / kGrid - 1, 0, 1});
    };
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            corner(i, j), corner(i + 1, j), corner(i, j + 1);
            corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1);
        }
    }
    GLuint vao = 0, vbo = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(float)),
                 corners.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);

    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_DEPTH_TEST);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners.size() / 4));
    std::vector<unsigned char> pixels(kSide * kSide * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    long green = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 3)
        green += pixels[i + 1] > 128 && pixels[i] < 128;
    std::printf("green pixels: %ld\n", green);
    return green > 0 ? 0 : 1;
}
