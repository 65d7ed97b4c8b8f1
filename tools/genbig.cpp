// genbig [--ascii] [--measured] [--cloud] [--textured] torus|sphere FILE [TRIANGLES]: writes a big
// welded model with our own PLY writer in the layout mesh libraries write (binary little-endian,
// double x y z nx ny nz, uchar red green blue, faces as uchar counts and uint indices), instance by
// instance, so a file of any size is written in a few megabytes of memory. --ascii writes its
// text twin, with floats of six significant digits as exporters print them; --measured adds a
// float intensity to each vertex, as scanners write one; --cloud leaves the faces out, a point
// cloud of the shape's vertices; --textured adds texture coordinates `s t` to each vertex and
// names the image texture.jpg, written beside FILE (four coloured quadrants, 1024 x 1024). The
// bytes are the same on every run.
//
// genbig --splats N FILE: a Gaussian-splat scene of N splats (several tori and blobs), degree 3,
// binary little-endian with nx ny nz as capture tools write them (248 bytes a splat).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "tools/plywrite/image_write.h"
#include "tools/plywrite/plywrite.h"

namespace {

constexpr std::int64_t kTorusTriangles = 1'000'000;    // about 38 MB
constexpr std::int64_t kSphereTriangles = 12'200'000;  // about 470 MB
constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;
constexpr int kDecimal = 10;
constexpr int kAsciiDigits = 6;  // "%g", as most exporters write text values
constexpr const char* kAsciiFlag = "--ascii";
constexpr const char* kMeasuredFlag = "--measured";
constexpr const char* kCloudFlag = "--cloud";
constexpr const char* kTexturedFlag = "--textured";
constexpr const char* kSplatsFlag = "--splats";
constexpr int kSceneDegree = 3;
constexpr const char* kTextureName = "texture.jpg";
constexpr int kTextureSide = 1024;
constexpr int kTextureQuality = 90;
constexpr std::uint8_t kTextureColours[4][3] = {
    {220, 30, 30}, {30, 200, 30}, {30, 30, 220}, {220, 200, 30}};

int usage() {
    std::fprintf(stderr,
                 "usage: genbig [--ascii] [--measured] [--cloud] [--textured] torus|sphere FILE "
                 "[TRIANGLES]\n       genbig --splats N FILE\n");
    return kUsageStatus;
}

// Takes the flag when it comes next on the command line.
bool takeFlag(int& argc, char**& argv, const char* flag) {
    if (argc > 1 && std::strcmp(argv[1], flag) == 0) {
        --argc;
        ++argv;
        return true;
    }
    return false;
}

// The triangle count of the command line, or `fallback` when none is given; -1 when it is not
// a whole number.
std::int64_t triangleCount(int argc, char** argv, std::int64_t fallback) {
    if (argc < 4) {
        return fallback;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(argv[3], &end, kDecimal);
    return errno != 0 || end == argv[3] || *end != '\0' ? -1 : value;
}

// The image a textured file names, beside `file`.
bool writeTexture(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    const std::string path =
        (slash == std::string::npos ? "" : file.substr(0, slash + 1)) + kTextureName;
    const std::string bytes =
        plywrite::jpegBytes(plywrite::quadrants(kTextureSide, kTextureColours), kTextureQuality);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool written =
        out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "genbig: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// The splat scene of the command line `--splats N FILE`.
int writeSplatScene(int argc, char** argv) {
    char* end = nullptr;
    errno = 0;
    const long long count = argc == 4 ? std::strtoll(argv[2], &end, kDecimal) : -1;
    if (argc != 4 || errno != 0 || end == argv[2] || *end != '\0' || count < 0) {
        return usage();
    }
    plywrite::SplatOptions options;
    options.degree = kSceneDegree;
    options.normals = true;
    std::FILE* file = std::fopen(argv[3], "wb");
    const bool written =
        file != nullptr &&
        plywrite::writeSplatStream(
            file, count, [](std::int64_t i) { return plywrite::sceneSplat(i); }, options);
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "genbig: %s: %s\n", argv[3], std::strerror(errno));
        return kFailureStatus;
    }
    std::printf("%s: %lld splats\n", argv[3], count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kSplatsFlag) == 0) {
        return writeSplatScene(argc, argv);
    }
    const bool ascii = takeFlag(argc, argv, kAsciiFlag);
    const bool measured = takeFlag(argc, argv, kMeasuredFlag);
    const bool cloud = takeFlag(argc, argv, kCloudFlag);
    const bool textured = takeFlag(argc, argv, kTexturedFlag);
    if (argc < 3 || argc > 4) {
        return usage();
    }
    const std::string shape = argv[1];
    const bool isTorus = shape == "torus";
    if (!isTorus && shape != "sphere") {
        return usage();
    }
    const std::int64_t triangles =
        triangleCount(argc, argv, isTorus ? kTorusTriangles : kSphereTriangles);
    std::optional<plywrite::Source> source =
        isTorus ? plywrite::torus(triangles) : plywrite::sphere(triangles);
    if (!source) {
        std::fprintf(stderr, "genbig: TRIANGLES must be a whole number from %lld to %lld\n",
                     static_cast<long long>(plywrite::kMinShapeTriangles),
                     static_cast<long long>(plywrite::kMaxShapeTriangles));
        return kUsageStatus;
    }
    if (cloud) {
        source->triangleCount = 0;
    }
    plywrite::Options options;
    options.intensity = measured;
    options.textureFile = textured ? kTextureName : nullptr;
    options.format = plywrite::Format::kBinaryLittleEndian;
    options.coordinate = plywrite::Type::kFloat64;
    options.normalsAndColours = true;
    options.index = plywrite::Type::kUint32;
    if (ascii) {
        options.format = plywrite::Format::kAscii;
        options.coordinate = plywrite::Type::kFloat32;
        options.floatDigits = kAsciiDigits;
    }
    std::FILE* file = std::fopen(argv[2], "wb");
    const bool written = file != nullptr && plywrite::writeStream(file, *source, options);
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "genbig: %s: %s\n", argv[2], std::strerror(errno));
        return kFailureStatus;
    }
    if (textured && !writeTexture(argv[2])) {
        return kFailureStatus;
    }
    std::printf("%s: %lld vertices, %lld triangles\n", argv[2],
                static_cast<long long>(source->vertexCount),
                static_cast<long long>(source->triangleCount));
    return 0;
}
