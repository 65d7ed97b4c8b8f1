// Writes images through stb_image_write, its implementation compiled here.
#include "tools/plywrite/image_write.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace plywrite {

namespace {

constexpr int kChannels = 4;

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
}

}  // namespace

std::string pngBytes(const Texels& texels) {
    std::string bytes;
    stbi_write_png_to_func(append, &bytes, texels.width, texels.height, kChannels,
                           texels.rgba.data(), texels.width * kChannels);
    return bytes;
}

std::string jpegBytes(const Texels& texels, int quality) {
    std::string bytes;
    stbi_write_jpg_to_func(append, &bytes, texels.width, texels.height, kChannels,
                           texels.rgba.data(), quality);
    return bytes;
}

Texels quadrants(int size, const std::uint8_t (&colours)[4][3]) {
    Texels texels;
    texels.width = texels.height = size;
    texels.rgba.reserve(static_cast<std::size_t>(size) * size * kChannels);
    const int half = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int quadrant = (y < half ? 0 : 2) + (x < half ? 0 : 1);
            texels.rgba.insert(texels.rgba.end(), colours[quadrant], colours[quadrant] + 3);
            texels.rgba.push_back(255);
        }
    }
    return texels;
}

}  // namespace plywrite
