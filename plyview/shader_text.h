// The file viewer's shaders, built into it from plyview/shaders/ at build time, so that it runs
// from any folder. The texts have no version line: kShaderPreamble, the platform's own, goes in
// front of each.
#pragma once

namespace plyview {

extern const char kShaderPreamble[];  // the version line, from the platform's part

extern const char kFlatVertexShader[];  // lines, points, overlays: one colour each
extern const char kFlatFragmentShader[];
extern const char kLitVertexShader[];  // surfaces lit from the eye
extern const char kLitFragmentShader[];
extern const char kPickFragmentShader[];  // depth under the pointer, as a colour
// A frame of textures shaded by its depth (eye_dome.cpp).
extern const char kEyeDomeVertexShader[];
extern const char kEyeDomeFragmentShader[];
// Gaussian splats, one quad each, blended back to front.
extern const char kSplatVertexShader[];
extern const char kSplatFragmentShader[];

}  // namespace plyview
