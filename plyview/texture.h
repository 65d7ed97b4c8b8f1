// Texture images on the GPU, for the surfaces of textured models. Used by the viewer's scene and
// its tests.
#pragma once

#include <GL/glew.h>

#include "model/image.h"

namespace plyview {

// `image` halved in each direction (a side of 1 stays 1), each texel the mean of those it covers.
Image halved(const Image& image);

// Uploads the image (top row first) as an RGBA8 texture with mipmaps, sampled with
// LINEAR_MIPMAP_LINEAR / LINEAR and repeating, so that coordinates beyond 0..1 tile it. An image
// beyond the GPU's largest texture is halved until it fits first: `scaled` then says so, and
// `image` holds what was uploaded. 0 for an empty image.
GLuint uploadTexture(Image& image, bool& scaled);

}  // namespace plyview
