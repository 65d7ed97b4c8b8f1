// The toolkit's side of the viewer, one for the desktop window and the web page: GLUT's display,
// keyboard, mouse, motion and reshape callbacks, the timer that runs the viewer's work between
// events, and the idle callback while an animation runs. What differs between the two, the
// title, what Escape does and how the help is shown, comes from the platform.
#pragma once

#include <string>

#include "plyview/viewer.h"

namespace plyview {

struct Platform {
    // Another file is shown: its path as given, its place from 0, the number of files.
    void (*entryShown)(const std::string& path, int entry, int count) = nullptr;
    void (*quit)() = nullptr;  // Escape; null where there is nothing to end (a page)
    void (*help)() = nullptr;  // `?`: the keys and mouse actions shown
};

// Where the window's frames go: the window itself, swapped once a frame is drawn.
SceneTarget windowTarget();

// Registers the callbacks on the current window and starts the timer; the toolkit's main loop
// then runs the viewer.
void startFront(const Platform& platform);

// For a page that gets events GLUT does not, or makes its own (the toolbar, touches): each as
// its callback takes it, a frame asked for after it.
void frontKey(unsigned char key);
void frontArrow(Arrow arrow, bool shift);
void frontButton(int button, bool down, int x, int y, int held = 0);
void frontMove(int x, int y);
void frontZoomAt(int x, int y, float factor);
void frontRefresh();  // a frame after a change made from outside (new files)

}  // namespace plyview
