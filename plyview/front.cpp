// The toolkit's side of the viewer: every GLUT call plyview makes once its window is open, but
// for the title and the end of the program, which the platform makes. The viewer says when it
// wants a frame; this asks the toolkit for one.
#include "plyview/front.h"

#include <GL/glew.h>

#include <GL/freeglut.h>

namespace plyview {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

// ===== Front end state =====
Platform platform;  // the title and Escape, as the window or the page handles them

void askForFrame() {
    if (takeFrameRequest()) {
        glutPostRedisplay();
    }
}

void present() {
    glutSwapBuffers();
}

// ===== Callbacks =====

void display() {
    drawFrame();
}

// One animation step per frame while one runs; then the loop sleeps until the next event.
void idleTick() {
    if (!animationTick()) {
        glutIdleFunc(nullptr);
    }
    askForFrame();
}

void followAnimation() {
    if (animating()) {
        glutIdleFunc(idleTick);
    }
}

void keyboard(unsigned char key, int, int) {
    frontKey(key);
}

int keysHeld() {
    const int modifiers = glutGetModifiers();
    return ((modifiers & GLUT_ACTIVE_SHIFT) != 0 ? kShiftHeld : 0) |
           ((modifiers & GLUT_ACTIVE_CTRL) != 0 ? kControlHeld : 0);
}

// The arrow keys, and Delete where the toolkit reports it as a special key; the others do
// nothing.
void special(int key, int, int) {
    if (key == GLUT_KEY_DELETE) {
        frontKey(kKeyDelete);
        return;
    }
    const Arrow arrow = key == GLUT_KEY_LEFT    ? Arrow::kLeft
                        : key == GLUT_KEY_RIGHT ? Arrow::kRight
                        : key == GLUT_KEY_UP    ? Arrow::kUp
                                                : Arrow::kDown;
    if (key == GLUT_KEY_LEFT || key == GLUT_KEY_RIGHT || key == GLUT_KEY_UP ||
        key == GLUT_KEY_DOWN) {
        frontArrow(arrow, (keysHeld() & kShiftHeld) != 0);
    }
}

void mouse(int button, int state, int x, int y) {
    frontButton(button, state == GLUT_DOWN, x, y, keysHeld());
}

void motion(int x, int y) {
    frontMove(x, y);
}

void reshape(int width, int height) {
    resizeView(width, height);
    askForFrame();
}

// The viewer's work between events, as often as it asks for it.
void tick(int) {
    const double seconds = sceneTick();
    askForFrame();
    glutTimerFunc(static_cast<unsigned>(seconds * kMillisecondsPerSecond), tick, 0);
}

}  // namespace

SceneTarget windowTarget() {
    return SceneTarget{0, present, true};
}

void startFront(const Platform& given) {
    platform = given;
    setEntryListener(given.entryShown);
    glutDisplayFunc(display);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutReshapeFunc(reshape);
    glutTimerFunc(0, tick, 0);
}

void frontKey(unsigned char key) {
    const KeyOutcome outcome = pressKey(key);
    if (outcome == KeyOutcome::kQuit && platform.quit != nullptr) {
        platform.quit();
    } else if (outcome == KeyOutcome::kHelp && platform.help != nullptr) {
        platform.help();
    }
    followAnimation();
    askForFrame();
}

void frontArrow(Arrow arrow, bool shift) {
    pressArrow(arrow, shift);
    askForFrame();
}

void frontButton(int button, bool down, int x, int y, int held) {
    pressButton(button, down, x, y, held);
    askForFrame();
}

void frontMove(int x, int y) {
    movePointer(x, y);
    askForFrame();
}

void frontZoomAt(int x, int y, float factor) {
    zoomAt(x, y, factor);
    askForFrame();
}

void frontRefresh() {
    followAnimation();
    askForFrame();
}

}  // namespace plyview
