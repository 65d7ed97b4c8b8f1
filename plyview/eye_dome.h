// Eye-dome lighting of point clouds: the cloud's passes are drawn into a frame whose depth is a
// texture; its colours are copied into the target, and one full-screen pass multiplies every
// pixel of the model there by a shade, darker the farther its neighbours stand in front of it
// (shaders/eye_dome.frag). Points without normals have no light of their own; this gives them
// their shape. Internal to plyview/.
#pragma once

#include <GL/glew.h>

#include "math/linalg.h"

namespace plyview {

// How dark a step in depth is drawn: the shade is exp(-kEyeDomeStrength * response), the
// response summed over eight neighbours kEyeDomeRadius pixels away (see the shader). A whole
// number, below 256: the shader raises to its power by squaring.
constexpr int kEyeDomeStrength = 20;
constexpr int kEyeDomeRadius = 2;

// A framebuffer of one size whose depth is a texture, for a full-screen pass to read, and
// whose colours are copied out.
struct DepthFrame {
    GLuint framebuffer = 0, colour = 0, depth = 0;  // a renderbuffer, a texture
    int width = 0, height = 0;
    void ensure(int width, int height);  // made, or made again at another size
    void release();
};

// A program of the full-screen pass: the texture's unit is set once.
struct EyeDomeProgram {
    GLuint name = 0;
    GLint depthTerm = -1;
};

// The full-screen pass's programs (for either projection) and empty vertex array, made when
// first used, and the frame a directly drawn cloud goes into.
struct EyeDome {
    EyeDomeProgram perspective, parallel;
    GLuint array = 0;
    DepthFrame frame;
    void release();  // the programs go with the context, as the frames' own programs do
};

// Fills framebuffer `target` with `frame` shaded: its colours (the background's unchanged) and
// its depth, which later passes test against. `projection` is the one the frame was drawn with.
// Leaves `target` bound.
void shadeEyeDome(const DepthFrame& frame, const float projection[kMatrixFloats], GLuint target);

}  // namespace plyview
