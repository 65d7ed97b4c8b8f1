// The window: the files' catalogue on the core's keys and animations, with a title that names
// the file, the mouse orbit, and a projection that follows the window's shape.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "plyview/plyview.h"

namespace plyview {

namespace {

constexpr int kWheelUp = 3;  // freeglut reports the wheel as buttons 3 and 4
constexpr int kWheelDown = 4;
constexpr int kNoDrag = -1;

// ===== Window state =====
const std::vector<std::string>* shownPaths = nullptr;  // the catalogue, for the title
int dragButton = kNoDrag;                              // mouse button held down for a drag
int lastX = 0, lastY = 0;                              // pointer position at the last drag event

int entryCount() {
    return static_cast<int>(shownPaths->size());
}

// A new entry on screen gets its title and a fresh view.
void entryShown(int entry) {
    orbit = Orbit();
    const std::string& path = (*shownPaths)[static_cast<std::size_t>(entry)];
    glutSetWindowTitle(windowTitle(path, entry, entryCount()).c_str());
}

// Work between events, as often as the scene asks for it.
void tick(int) {
    const double seconds = sceneTick();
    glutTimerFunc(static_cast<unsigned>(seconds * 1000), tick, 0);
}

void present() {
    glutSwapBuffers();
}

void keys(unsigned char key, int x, int y) {
    if (key == kKeyStyle) {
        nextStyle();
        display();
        return;
    }
    if (key == kKeyNextModel || key == kKeyPreviousModel || key == kKeyFirstModel) {
        orbit = Orbit();
    }
    keyboard(key, x, y);
}

void mouse(int button, int state, int x, int y) {
    if (state == GLUT_DOWN && (button == kWheelUp || button == kWheelDown)) {
        zoomBy(orbit, button == kWheelUp ? kWheelZoom : 1.0f / kWheelZoom);
        noteMotion();
        glutPostRedisplay();
    } else if (state == GLUT_DOWN && (button == GLUT_LEFT_BUTTON || button == GLUT_RIGHT_BUTTON)) {
        dragButton = button;
        lastX = x;
        lastY = y;
    } else if (state == GLUT_UP && button == dragButton) {
        dragButton = kNoDrag;
    }
}

void drag(int x, int y) {
    const int dx = x - lastX, dy = y - lastY;
    lastX = x;
    lastY = y;
    if (dragButton == GLUT_LEFT_BUTTON) {
        turn(orbit, dx, dy);
    } else if (dragButton == GLUT_RIGHT_BUTTON) {
        zoomBy(orbit, std::exp(static_cast<float>(dy) * kZoomPerPixel));  // up: closer
    } else {
        return;
    }
    noteMotion();
    glutPostRedisplay();
}

void reshape(int width, int height) {
    glViewport(0, 0, width, height);
    windowWidth = width > 0 ? width : 1;
    windowHeight = height > 0 ? height : 1;
    glutPostRedisplay();
}

}  // namespace

void runWindow(int argc, char** argv, const Options& options, const std::vector<std::string>& paths,
               std::unique_ptr<FileModel> first, const FileStamp& stamp) {
    shownPaths = &paths;
    // Our options are not freeglut's: it only sees the program name.
    int toolkitArgc = argc > 0 ? 1 : 0;
    openWindow(toolkitArgc, argv, windowTitle(paths.front(), 0, entryCount()).c_str(),
               options.width, options.height);
    setStyle(options.style);
    startScene(SceneTarget{0, present, true});
    if (first) {
        showModel(kFirstModel, std::move(first), stamp);
    }
    setEntryListener(entryShown);
    glutDisplayFunc(display);
    glutKeyboardFunc(keys);
    glutIdleFunc(idle);
    glutMouseFunc(mouse);
    glutMotionFunc(drag);
    glutReshapeFunc(reshape);
    glutTimerFunc(0, tick, 0);
    glutMainLoop();
    std::exit(kStatusOk);
}

}  // namespace plyview
