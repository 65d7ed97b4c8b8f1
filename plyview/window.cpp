// The desktop window: a 3.1 core context from freeglut, the viewer on it through the GLUT front
// end, a title that names the file, and Escape that ends the program.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "plyview/front.h"
#include "plyview/run.h"

namespace plyview {

namespace {

constexpr int kContextMajor = 3;
constexpr int kContextMinor = 1;

void showTitle(const std::string& path, int entry, int count) {
    glutSetWindowTitle(windowTitle(path, entry, count).c_str());
}

[[noreturn]] void quit() {
    std::exit(kStatusOk);
}

// What the marks say goes to the terminal, where it can be copied.
void printMarks(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// The window has no room for text of its own yet: the keys go to the terminal it came from.
void printHelp() {
    std::fputs(helpText().c_str(), stdout);
    std::fflush(stdout);
}

// Without the 3.1 entry points every later call would jump through a null pointer: a context
// that lacks them ends the program with its reason.
void requireOpenGl31() {
    glewExperimental = GL_TRUE;  // a core context needs it for the vertex array entry points
    const GLenum status = glewInit();
    const char* reason = status != GLEW_OK
                             ? reinterpret_cast<const char*>(glewGetErrorString(status))
                         : !GLEW_VERSION_3_1 ? "the context does not provide OpenGL 3.1"
                                             : nullptr;
    if (reason != nullptr) {
        std::fprintf(stderr, "%s: OpenGL 3.1 could not be initialised: %s\n", kProgramName, reason);
        std::exit(kStatusFailed);
    }
}

// Our options are not freeglut's: it only sees the program name.
void openWindow(char** argv, const std::string& title, int width, int height) {
    int toolkitArgc = argv[0] != nullptr ? 1 : 0;
    glutInit(&toolkitArgc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutInitContextVersion(kContextMajor, kContextMinor);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow(title.c_str());
    requireOpenGl31();
}

}  // namespace

void runWindow(char** argv, const Options& options, const std::vector<std::string>& paths,
               std::unique_ptr<FileModel> first, const FileStamp& stamp) {
    openWindow(argv, windowTitle(paths.front(), 0, static_cast<int>(paths.size())), options.width,
               options.height);
    startViewer(windowTarget(), options.style, options.width, options.height);
    setStartView(options.start);
    showPanel(options.panel);
    setMeasureListener(printMarks);
    useFiles(paths);
    if (first) {
        showModel(0, std::move(first), stamp);
    }
    startFront(Platform{showTitle, quit, printHelp});
    glutMainLoop();
    std::exit(kStatusOk);
}

}  // namespace plyview
