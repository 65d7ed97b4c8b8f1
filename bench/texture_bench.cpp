// A texture image read, decoded and uploaded with mipmaps on this machine's renderer (surfaceless
// EGL, no display): plyview's path (readImage through the safe reader with its memory check, then
// uploadTexture) against a bare one in the same process doing the same with the same decoder
// (fread, stb_image, glTexImage2D per level, each level a 2 x 2 box filter of the one before). Each
// finishes with glFinish; they take turns. Usage: plyview_texture_bench IMAGE [RUNS] — prints the
// medians in ms and their ratio; plyview_texture_bench --write IMAGE SIDE writes a SIDE x SIDE JPEG
// with detail everywhere (gradients and a fine pattern, as a photograph has), by our own image
// writer.
#include <GL/glew.h>

#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/surfaceless.h"
#include "model/image.h"
#include "plyview/platform.h"
#include "plyview/texture.h"
#include "tools/plywrite/image_write.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDefaultRuns = 7;
constexpr int kJpegQuality = 90;
constexpr int kFullLevel = 255;

int writeImage(const char* path, int side) {
    plywrite::Texels texels;
    texels.width = texels.height = side;
    texels.rgba.reserve(static_cast<std::size_t>(side) * side * 4);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            texels.rgba.push_back(static_cast<std::uint8_t>(x * kFullLevel / side));
            texels.rgba.push_back(static_cast<std::uint8_t>(y * kFullLevel / side));
            texels.rgba.push_back(static_cast<std::uint8_t>((x ^ y) & kFullLevel));
            texels.rgba.push_back(kFullLevel);
        }
    }
    const std::string bytes = plywrite::jpegBytes(texels, kJpegQuality);
    std::FILE* file = std::fopen(path, "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file != nullptr && std::fclose(file) == 0 && written ? 0 : 1;
}

double bare(const char* path) {
    const Clock::time_point start = Clock::now();
    std::FILE* file = std::fopen(path, "rb");
    std::vector<unsigned char> bytes;
    unsigned char chunk[1 << 16];
    for (std::size_t n; file != nullptr && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* texels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                            &height, &channels, 4);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    std::vector<unsigned char> level(texels, texels + static_cast<std::size_t>(width) * height * 4);
    for (int k = 1; width > 1 || height > 1; ++k) {
        const int w = std::max(1, width / 2), h = std::max(1, height / 2);
        std::vector<unsigned char> next(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int x0 = std::min(2 * x, width - 1), x1 = std::min(2 * x + 1, width - 1);
                const int y0 = std::min(2 * y, height - 1), y1 = std::min(2 * y + 1, height - 1);
                for (int c = 0; c < 4; ++c) {
                    const auto at = [&](int px, int py) {
                        return level[(py * width + px) * 4 + c];
                    };
                    next[(y * w + x) * 4 + c] = static_cast<unsigned char>(
                        (at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1) + 2) / 4);
                }
            }
        }
        level.swap(next);
        width = w;
        height = h;
        glTexImage2D(GL_TEXTURE_2D, k, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     level.data());
    }
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    stbi_image_free(texels);
    glDeleteTextures(1, &texture);
    return ms;
}

double ours(const char* path) {
    const Clock::time_point start = Clock::now();
    Image image;
    std::string problem;
    if (!readImage(path, plyview::availableMemoryBytes(), image, problem)) {
        std::fprintf(stderr, "%s: %s\n", path, problem.c_str());
        std::exit(1);
    }
    bool scaled = false;
    const GLuint texture = plyview::uploadTexture(image, scaled);
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    glDeleteTextures(1, &texture);
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write") {
        return writeImage(argv[2], std::atoi(argv[3]));
    }
    if (argc < 2 || !makeSurfacelessContext()) {
        std::fprintf(stderr, "usage: plyview_texture_bench IMAGE [RUNS] (needs surfaceless EGL)\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : kDefaultRuns;
    std::vector<double> bareMs, oursMs;
    for (int i = 0; i < runs; ++i) {
        bareMs.push_back(bare(argv[1]));
        oursMs.push_back(ours(argv[1]));
    }
    std::printf("bare %.1f ms plyview %.1f ms ratio %.2f\n", median(bareMs), median(oursMs),
                median(oursMs) / median(bareMs));
    return 0;
}
