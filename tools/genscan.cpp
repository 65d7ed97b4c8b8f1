// genscan FILE: writes the benchmarks' stand-in for a 3D scan with our own PLY writer: a wavy
// surface of 127,000 triangles as binary little-endian PLY with per-vertex normals and colours,
// lying away from the origin as a scanner leaves it. The bytes are the same on every run.
#include <cstdio>

#include "tools/plywrite/plywrite.h"

namespace {

constexpr int kColumns = 254;  // 2 x 254 x 250 = 127,000 triangles
constexpr int kRows = 250;
constexpr double kScannerOffset[3] = {0.35, -0.2, 2.6};
constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: genscan FILE\n");
        return kUsageStatus;
    }
    plywrite::Mesh scan = plywrite::surface(kColumns, kRows);
    for (auto& p : scan.positions) {
        for (int axis = 0; axis < 3; ++axis) p[axis] += kScannerOffset[axis];
    }
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    options.normalsAndColours = true;
    if (!plywrite::writeFile(argv[1], scan, options)) {
        std::perror(argv[1]);
        return kFailureStatus;
    }
    std::printf("%s: %zu vertices, %zu triangles\n", argv[1], scan.positions.size(),
                scan.faces.size());
    return 0;
}
