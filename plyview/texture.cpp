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
    const auto texel = [&image](int x, int y, int c) {
        x = std::min(x, image.width - 1);
        y = std::min(y, image.height - 1);
        return static_cast<unsigned>(
            image.rgba[(static_cast<std::size_t>(y) * image.width + x) * kImageChannels + c]);
    };
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            for (int c = 0; c < kImageChannels; ++c) {
                const unsigned sum = texel(2 * x, 2 * y, c) + texel(2 * x + 1, 2 * y, c) +
                                     texel(2 * x, 2 * y + 1, c) + texel(2 * x + 1, 2 * y + 1, c);
                half.rgba[(static_cast<std::size_t>(y) * half.width + x) * kImageChannels + c] =
                    static_cast<std::uint8_t>((sum + 2) / 4);
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
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

}  // namespace plyview
