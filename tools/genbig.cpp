// genbig [--ascii] torus|sphere FILE [TRIANGLES]: writes a big welded model with our own PLY
// writer in the layout mesh libraries write (binary little-endian, double x y z nx ny nz, uchar
// red green blue, faces as uchar counts and uint indices), instance by instance, so a file of
// any size is written in a few megabytes of memory. --ascii writes its text twin, with floats of
// six significant digits as exporters print them. The bytes are the same on every run.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "tools/plywrite/plywrite.h"

namespace {

constexpr std::int64_t kTorusTriangles = 1'000'000;    // about 38 MB
constexpr std::int64_t kSphereTriangles = 12'200'000;  // about 470 MB
constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;
constexpr int kDecimal = 10;
constexpr int kAsciiDigits = 6;  // "%g", as most exporters write text values
constexpr const char* kAsciiFlag = "--ascii";

int usage() {
    std::fprintf(stderr, "usage: genbig [--ascii] torus|sphere FILE [TRIANGLES]\n");
    return kUsageStatus;
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

}  // namespace

int main(int argc, char** argv) {
    const bool ascii = argc > 1 && std::strcmp(argv[1], kAsciiFlag) == 0;
    if (ascii) {
        --argc;
        ++argv;
    }
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
    const std::optional<plywrite::Source> source =
        isTorus ? plywrite::torus(triangles) : plywrite::sphere(triangles);
    if (!source) {
        std::fprintf(stderr, "genbig: TRIANGLES must be a whole number from %lld to %lld\n",
                     static_cast<long long>(plywrite::kMinShapeTriangles),
                     static_cast<long long>(plywrite::kMaxShapeTriangles));
        return kUsageStatus;
    }
    plywrite::Options options;
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
    std::printf("%s: %lld vertices, %lld triangles\n", argv[2],
                static_cast<long long>(source->vertexCount),
                static_cast<long long>(source->triangleCount));
    return 0;
}
