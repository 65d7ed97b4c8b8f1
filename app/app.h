// Public interface of app/: start-up of the viewer. Used by main and the start-up tests.
#pragma once

constexpr const char* kWindowTitle = "Color Cube - Varnolt";
constexpr int kContextMajor = 3;
constexpr int kContextMinor = 1;
constexpr int kGlInitFailureStatus = 1;

// Loads the GL entry points for the current context; a context without OpenGL 3.1 ends the
// program with one line on standard error and status 1.
void requireOpenGl31();

// The toolkit with freeglut's own options from the command line, a double-buffered window with a
// depth buffer and a 3.1 core context, its size in the store, and the GL entry points.
void openWindow(int& argc, char** argv, const char* title, int width, int height);

// Opens the window with its 3.1 core context, sets up the GPU, registers the callbacks and runs
// the event loop. Returns only if the toolkit's loop does (it does not).
int runViewer(int argc, char** argv);
