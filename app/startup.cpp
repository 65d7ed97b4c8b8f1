// Start-up: toolkit, window and context, GL entry points, GPU set-up, callbacks, event loop.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/app.h"
#include "input/input.h"

// Without the GL 3.1 entry points every later call would jump through a null pointer, so a
// context that cannot provide them ends the program with a clear reason instead.
void requireOpenGl31() {
    glewExperimental = GL_TRUE;  // a core context needs it for the vertex array entry points
    const GLenum status = glewInit();
    if (status != GLEW_OK) {
        std::fprintf(stderr, "OpenGL 3.1 could not be initialised: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(status)));
        std::exit(kGlInitFailureStatus);
    }
    if (!GLEW_VERSION_3_1) {
        std::fprintf(stderr, "OpenGL 3.1 could not be initialised: %s\n",
                     "the context does not provide OpenGL 3.1");
        std::exit(kGlInitFailureStatus);
    }
}

void openWindow(int& argc, char** argv, const char* title, int width, int height) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    windowWidth = width;
    windowHeight = height;
    glutInitContextVersion(kContextMajor, kContextMinor);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow(title);
    requireOpenGl31();
}

int runViewer(int argc, char** argv) {
    openWindow(argc, argv, kWindowTitle, kWindowSize, kWindowSize);
    initGpu();
    glutDisplayFunc(display);
    glutKeyboardFunc(keyboard);
    glutIdleFunc(idle);
    glutMainLoop();
    return 0;
}
