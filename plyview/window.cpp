// The window: the files' catalogue on the core's keys and animations, with a title that names
// the file, the mouse orbit, and a projection that follows the window's shape.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "plyview/plyview.h"

namespace plyview {

namespace {

// ===== Window state =====
const std::vector<std::string>* shownPaths = nullptr;  // the catalogue, for the title

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

void keys(unsigned char key, int, int) {
    pressKey(key);
}

void mouse(int button, int state, int x, int y) {
    pressButton(button, state == GLUT_DOWN, x, y);
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
    glutMotionFunc(movePointer);
    glutReshapeFunc(resizeView);
    glutTimerFunc(0, tick, 0);
    glutMainLoop();
    std::exit(kStatusOk);
}

}  // namespace plyview
