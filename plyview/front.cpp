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
    if (pressKey(key) == KeyOutcome::kQuit && platform.quit != nullptr) {
        platform.quit();
    }
    followAnimation();
    askForFrame();
}

void mouse(int button, int state, int x, int y) {
    frontButton(button, state == GLUT_DOWN, x, y);
}

void motion(int x, int y) {
    movePointer(x, y);
    askForFrame();
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
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutReshapeFunc(reshape);
    glutTimerFunc(0, tick, 0);
}

void frontButton(int button, bool down, int x, int y) {
    pressButton(button, down, x, y);
    askForFrame();
}

void frontRefresh() {
    followAnimation();
    askForFrame();
}

}  // namespace plyview
