// Texture images on the GPU. Texels are 8-bit sRGB values used as they are, as vertex colours
// are: a texture and the vertex colours of the same file look alike, and both are lit the same.
#include "plyview/texture.h"

#include <algorithm>

namespace plyview {

Image halved(const Image& image) {
    Image half;
    half.width = std::max(1, image.width / 2);
    half.height = std::max(1, image.height / 2);
    half.rgba.resize(static_cast<std::size_t>(half.width) * half.height * kImageChannels);
    const std::size_t stride = static_cast<std::size_t>(image.width) * kImageChannels;
    std::uint8_t* out = half.rgba.data();
    for (int y = 0; y < half.height; ++y) {
        // An odd last row or column is taken twice rather than read past.
        const std::uint8_t* upper = &image.rgba[std::min(2 * y, image.height - 1) * stride];
        const std::uint8_t* lower = &image.rgba[std::min(2 * y + 1, image.height - 1) * stride];
        for (int x = 0; x < half.width; ++x) {
            const std::size_t left =
                static_cast<std::size_t>(std::min(2 * x, image.width - 1)) * kImageChannels;
            const std::size_t right =
                static_cast<std::size_t>(std::min(2 * x + 1, image.width - 1)) * kImageChannels;
            for (int c = 0; c < kImageChannels; ++c) {
                const unsigned sum =
                    upper[left + c] + upper[right + c] + lower[left + c] + lower[right + c];
                *out++ = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return half;
}

GLuint uploadTexture(Image& image, bool& scaled) {
    scaled = false;
    if (image.empty()) {
        return 0;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    while (largest > 0 && (image.width > largest || image.height > largest)) {
        image = halved(image);
        scaled = true;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of any width, packed
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.rgba.data());
    // The smaller levels are made here: the software renderer compiles code for
    // glGenerateMipmap the first time a process asks, which took longer than the box filter.
    Image level = halved(image);
    for (int k = 1;; ++k) {
        glTexImage2D(GL_TEXTURE_2D, k, GL_RGBA8, level.width, level.height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level.rgba.data());
        if (level.width == 1 && level.height == 1) {
            break;
        }
        level = halved(level);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

}  // namespace plyview
