// Pictures without a display: an OpenGL 3.1 core context on Mesa's surfaceless EGL platform, a
// framebuffer object of the picture's size, the same frame as in the window, and a PNG file.
#include <GL/glew.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "plyview/run.h"
#include "plyview/viewer.h"

namespace plyview {

namespace {

constexpr int kRgbBytes = 3;
constexpr mode_t kFolderMode = 0777;  // as mkdir(1) makes it, less the umask
constexpr int kPanelPictureFrames = 3;

void failLine(const char* reason) {
    std::fprintf(stderr, "%s: OpenGL 3.1 could not be initialised without a display: %s\n",
                 kProgramName, reason);
}

// A 3.1 core context for drawing without any surface, or why there is none.
struct Context {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    const char* failure = nullptr;
};

// Loads the renderer and creates the context; it is made current by the thread that draws.
Context createContext() {
    Context made;
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        made.failure = "EGL has no platform displays";
        return made;
    }
    made.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (made.display == EGL_NO_DISPLAY || eglInitialize(made.display, &major, &minor) != EGL_TRUE) {
        made.failure = "no surfaceless EGL display";
        return made;
    }
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        made.failure = "EGL offers no desktop OpenGL";
        return made;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 1,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    made.context = eglCreateContext(made.display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (made.context == EGL_NO_CONTEXT) {
        made.failure = "no 3.1 core context";
    }
    return made;
}

// Makes the context current on this thread; false with the line printed when there is none.
bool makeCurrent(const Context& made) {
    if (made.failure == nullptr && eglBindAPI(EGL_OPENGL_API) == EGL_TRUE &&
        eglMakeCurrent(made.display, EGL_NO_SURFACE, EGL_NO_SURFACE, made.context) == EGL_TRUE) {
        return true;
    }
    failLine(made.failure != nullptr ? made.failure : "the context cannot be made current");
    return false;
}

// GLEW as built for GLX loads the GL entry points, then stops for want of a GLX display; that
// one refusal is expected here, as long as the entry points the frame needs are there.
bool loadEntryPoints() {
    glewExperimental = GL_TRUE;
    const GLenum status = glewInit();
    if (status != GLEW_OK && status != GLEW_ERROR_NO_GLX_DISPLAY) {
        failLine(reinterpret_cast<const char*>(glewGetErrorString(status)));
        return false;
    }
    if (glGenVertexArrays == nullptr || glGenFramebuffers == nullptr ||
        glGenRenderbuffers == nullptr || glUniformMatrix4fv == nullptr) {
        failLine("the context lacks the OpenGL 3.1 entry points");
        return false;
    }
    return true;
}

// Colour and depth of the picture's size, bound for drawing and reading.
bool makeFramebuffer(int width, int height, GLuint& framebuffer) {
    GLuint colour = 0, depth = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        failLine("no framebuffer of that size");
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

// The frame just drawn as a PNG; GL's rows run from the bottom, hence the negative stride.
bool writePicture(const std::string& path, int width, int height,
                  std::vector<unsigned char>& pixels) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;  // a wireframe on white compresses well even so
    const png_int_32 stride = -width * kRgbBytes;
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), stride, nullptr) == 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}

// The panel shows the last frame's time. The first frame with it reads the file's facts and
// uploads its text; the next one draws the very picture, and is measured; the last shows that
// time. Its lines go to stdout.
void drawPanelPicture() {
    showPanel(true);
    for (int i = 0; i < kPanelPictureFrames; ++i) {
        drawFrame();
    }
    for (const std::string& line : panelText()) {
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int writePictures(const Options& options, const std::vector<std::string>& paths) {
    // One file names its picture; several (or an existing folder) fill a folder.
    std::vector<std::string> outputs{options.pngOut};
    if (paths.size() > 1 || isFolder(options.pngOut)) {
        if (::mkdir(options.pngOut.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "%s: %s\n", options.pngOut.c_str(), std::strerror(errno));
            return kStatusFailed;
        }
        outputs = pictureNames(paths, options.pngOut);
    }
    // Loading the renderer is most of a picture's start-up and reading a model needs no GL, so
    // the first file is read meanwhile.
    Context made;
    std::thread loader([&made] { made = createContext(); });
    std::unique_ptr<FileModel> first = readAndTell(paths.front());
    loader.join();
    GLuint framebuffer = 0;
    if (!makeCurrent(made) || !loadEntryPoints() ||
        !makeFramebuffer(options.width, options.height, framebuffer)) {
        return kStatusFailed;
    }
    startViewer(SceneTarget{framebuffer, nullptr, false}, options.style, options.width,
                options.height);
    setStartView(options.start);
    useFiles(paths);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(options.width) * options.height *
                                      kRgbBytes);
    int status = kStatusOk;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int entry = static_cast<int>(i);
        showModel(entry, nullptr, FileStamp{});  // room for the next model before it is read
        std::unique_ptr<FileModel> model = i == 0 ? std::move(first) : readAndTell(paths[i]);
        if (!model) {
            status = kStatusFailed;
            continue;
        }
        showModel(entry, std::move(model), FileStamp{});  // a picture watches no file
        drawFrame();
        if (const std::string legend = legendLine(); !legend.empty()) {
            std::printf("%s: %s\n", paths[i].c_str(), legend.c_str());
            std::fflush(stdout);
        }
        if (options.panel) {
            drawPanelPicture();
        }
        if (!writePicture(outputs[i], options.width, options.height, pixels)) {
            status = kStatusFailed;
        }
    }
    return status;
}

}  // namespace plyview
