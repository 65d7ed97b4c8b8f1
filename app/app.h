// Public interface of app/: start-up of the viewer. Used by main and the start-up tests.
#pragma once

constexpr const char* kWindowTitle = "Color Cube - Varnolt";
constexpr int kContextMajor = 3;
constexpr int kContextMinor = 1;
constexpr int kGlInitFailureStatus = 1;

// Opens the window with its 3.1 core context, sets up the GPU, registers the callbacks and runs
// the event loop. Returns only if the toolkit's loop does (it does not).
int runViewer(int argc, char** argv);
