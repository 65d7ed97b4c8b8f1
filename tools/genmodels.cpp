// Placeholder generator: a tetrahedron under every catalogue name.
#include <cstdio>
#include <string>

#include "model/model.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: genmodels OUTDIR\n");
        return 2;
    }
    for (int i = 0; i < kModelCount; ++i) {
        const std::string path = std::string(argv[1]) + "/" + modelFiles[i];
        FILE* f = std::fopen(path.c_str(), "w");
        if (f == nullptr) {
            return 1;
        }
        std::fprintf(f,
                     "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                     "property float z\nelement face 4\nproperty list uchar int vertex_indices\n"
                     "end_header\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n");
        std::fclose(f);
    }
    return 0;
}
