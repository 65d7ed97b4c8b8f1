// Images for the tests and benchmarks of textured models, written by stb_image_write (Debian's
// libstb-dev): PNG and JPEG files' bytes from RGBA8 texels, and the four-quadrant picture the
// tests look for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plywrite {

// RGBA8 texels, top row first.
struct Texels {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

std::string pngBytes(const Texels& texels);
std::string jpegBytes(const Texels& texels, int quality);

// A square of `size` texels in four quadrants, as seen in the file: top left, top right,
// bottom left, bottom right, each an r, g, b colour.
Texels quadrants(int size, const std::uint8_t (&colours)[4][3]);

}  // namespace plywrite
