// The two shaders, built into the file viewer from shaders/*.glsl at build time, so that it runs
// from any folder.
#pragma once

namespace plyview {

extern const char kVertexShaderText[];
extern const char kFragmentShaderText[];

}  // namespace plyview
