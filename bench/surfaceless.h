// A GL 3.1 core context without any display (Mesa's surfaceless EGL), current on this thread
// with GLEW's entry points loaded, for the benchmarks that draw offscreen. Not for the bare
// reference program, which stays whole in its own file.
#pragma once

// False when no such context can be made.
bool makeSurfacelessContext();
