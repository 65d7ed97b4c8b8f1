// Normals to light a surface by: the file's own where they are usable, otherwise smooth normals
// from the faces, each triangle counting by its area (its cross product's length), so that a
// sliver next to a large face does not tilt the light.
#include <cmath>

#include "model/file_model.h"

namespace {

constexpr float kZeroLength = 0.0f;

float lengthOf(const float* v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The area-weighted sums of the triangles' normals at each vertex.
void faceNormalSums(const FileModel& model, std::vector<float>& sums) {
    sums.assign(model.positions.size(), 0.0f);
    const float* p = model.positions.data();
    for (std::size_t t = 0; t + 2 < model.triangles.size(); t += kCoordinates) {
        const std::size_t a = model.triangles[t] * std::size_t{3};
        const std::size_t b = model.triangles[t + 1] * std::size_t{3};
        const std::size_t c = model.triangles[t + 2] * std::size_t{3};
        const float u[3] = {p[b] - p[a], p[b + 1] - p[a + 1], p[b + 2] - p[a + 2]};
        const float v[3] = {p[c] - p[a], p[c + 1] - p[a + 1], p[c + 2] - p[a + 2]};
        const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                            u[0] * v[1] - u[1] * v[0]};
        for (std::size_t corner : {a, b, c}) {
            sums[corner] += n[0];
            sums[corner + 1] += n[1];
            sums[corner + 2] += n[2];
        }
    }
}

}  // namespace

void surfaceNormals(const FileModel& model, std::vector<float>& normals) {
    const bool fromFile = model.normals.size() == model.positions.size();
    std::vector<float> sums;
    bool summed = false;
    normals.resize(model.positions.size());
    for (std::size_t i = 0; i < normals.size(); i += kCoordinates) {
        const float* given = fromFile ? &model.normals[i] : nullptr;
        if (given != nullptr && lengthOf(given) > kZeroLength && std::isfinite(lengthOf(given))) {
            const float size = lengthOf(given);
            for (int a = 0; a < kCoordinates; ++a) normals[i + a] = given[a] / size;
            continue;
        }
        if (!summed) {
            faceNormalSums(model, sums);
            summed = true;
        }
        const float size = lengthOf(&sums[i]);
        for (int a = 0; a < kCoordinates; ++a) {
            normals[i + a] = size > kZeroLength && std::isfinite(size) ? sums[i + a] / size : 0.0f;
        }
    }
}
