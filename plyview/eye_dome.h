// Eye-dome lighting of point clouds: the cloud's passes are drawn into a frame of textures, then
// one full-screen pass copies that frame into the target with every pixel of the model darkened
// by how far its neighbours stand in front of it (shaders/eye_dome.frag). Points without normals
// have no light of their own; this gives them their shape. Internal to plyview/.
#pragma once

#include <GL/glew.h>

#include "math/linalg.h"

namespace plyview {

// How dark a step in depth is drawn: the shade is exp(-kEyeDomeStrength * response), the
// response summed over eight neighbours kEyeDomeRadius pixels away (see the shader).
constexpr float kEyeDomeStrength = 20.0f;
constexpr int kEyeDomeRadius = 2;

// A framebuffer whose colour and depth are textures, of one size: passes drawn into it can be
// read back pixel by pixel.
struct TextureFrame {
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;
    void ensure(int width, int height);  // made, or made again at another size
    void release();
};

// A program of the full-screen pass: the textures' units, strength and radius are set once.
struct EyeDomeProgram {
    GLuint name = 0;
    GLint depthTerms = -1, scale = -1;
};

// The full-screen pass's programs (for either projection) and empty vertex array, made when
// first used, and the frame a directly drawn cloud goes into.
struct EyeDome {
    EyeDomeProgram perspective, parallel;
    GLuint array = 0;
    TextureFrame frame;
    void release();  // the programs go with the context, as the frames' own programs do
};

// Fills the bound framebuffer's viewport with `frame` shaded: its colours (the background's
// unchanged) and its depth, which later passes test against. `projection` is the one the frame
// was drawn with.
void shadeEyeDome(const TextureFrame& frame, const float projection[kMatrixFloats]);

}  // namespace plyview
