// genmodels OUTDIR: writes every model of the viewer's catalogue into OUTDIR as ASCII PLY.
// The models are procedural and the output is the same, byte for byte, on every run. A model
// that breaks the viewer's limits or a file that cannot be written stops the run with a
// message naming it and a non-zero exit status.
#include <cstdio>
#include <string>

#include "model/model.h"
#include "tools/genmodels/mesh_models.h"
#include "tools/genmodels/mesh_ply.h"

namespace {

static_assert(mesh::kMaxVertices == kMaxVertices, "generator and viewer capacities differ");
static_assert(mesh::kMaxFaces == kMaxFaces, "generator and viewer capacities differ");

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;

bool writeModel(const std::string& outDir, int index) {
    const std::string fileName = modelFiles[index];
    const mesh::Mesh model = mesh::modelMaker(index)();
    const std::string problem = mesh::findProblem(model);
    if (!problem.empty()) {
        std::fprintf(stderr, "genmodels: %s: %s\n", fileName.c_str(), problem.c_str());
        return false;
    }
    const std::string path = outDir + "/" + fileName;
    const std::string stem = fileName.substr(0, fileName.rfind('.'));
    const std::string failure = mesh::writeFile(path, mesh::plyText(model, stem));
    if (!failure.empty()) {
        std::fprintf(stderr, "genmodels: cannot write %s: %s\n", path.c_str(), failure.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: genmodels OUTDIR\n");
        return kUsageStatus;
    }
    for (int i = 0; i < kModelCount; ++i) {
        if (!writeModel(argv[1], i)) {
            return kFailureStatus;
        }
    }
    return 0;
}
