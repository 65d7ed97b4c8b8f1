// Throwaway stand-ins for the per-view splat work until model/'s own land; removed on merge.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "model/file_model.h"
#include "model/splats.h"

void splatColour(const SplatModel& splats, std::size_t i, const float*, float rgb[3]) {
    for (int c = 0; c < 3; ++c) {
        rgb[c] = std::max(0.0f, 0.5f + 0.28209479f * splats.dc[i * 3 + c]);
    }
}

void sortByDepth(const float* positions, std::size_t count, const SplatView& view,
                 std::vector<std::uint32_t>& order, DepthSortScratch&) {
    order.resize(count);
    std::iota(order.begin(), order.end(), 0u);
    const auto depth = [&](std::uint32_t i) {
        const float* p = positions + std::size_t{i} * 3;
        return (p[0] - view.eye[0]) * view.forward[0] + (p[1] - view.eye[1]) * view.forward[1] +
               (p[2] - view.eye[2]) * view.forward[2];
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return depth(a) > depth(b); });
}

void splatInstances(const FileModel& model, const std::vector<std::uint32_t>& order,
                    const SplatView& view, SplatInstance* out) {
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        SplatInstance& s = out[k];
        std::copy_n(&model.positions[i * 3], 3, s.position);
        std::copy_n(&model.splats.covariances[i * kCovarianceFloats], kCovarianceFloats,
                    s.covariance);
        s.opacity = model.splats.opacities[i];
        float rgb[3];
        splatColour(model.splats, i, view.forward, rgb);
        for (int c = 0; c < 3; ++c) {
            s.colour[c] = static_cast<std::uint8_t>(std::lround(std::min(rgb[c], 1.0f) * 255));
        }
        s.colour[3] = 255;
    }
}

bool mergeSplats(const FileModel& model, std::size_t target, FileModel& standIn,
                 const std::atomic<bool>*) {
    standIn = FileModel();
    const std::size_t n = model.splats.count();
    const std::size_t step = std::max<std::size_t>(1, (n + target - 1) / std::max<std::size_t>(target, 1));
    for (std::size_t i = 0; i < n; i += step) {
        standIn.positions.insert(standIn.positions.end(), &model.positions[i * 3], &model.positions[i * 3] + 3);
        standIn.colours.insert(standIn.colours.end(), &model.colours[i * 4], &model.colours[i * 4] + 4);
        standIn.splats.covariances.insert(standIn.splats.covariances.end(), &model.splats.covariances[i * 6], &model.splats.covariances[i * 6] + 6);
        standIn.splats.opacities.push_back(model.splats.opacities[i]);
        standIn.splats.dc.insert(standIn.splats.dc.end(), &model.splats.dc[i * 3], &model.splats.dc[i * 3] + 3);
    }
    standIn.minX = model.minX; standIn.maxX = model.maxX; standIn.minY = model.minY;
    standIn.maxY = model.maxY; standIn.minZ = model.minZ; standIn.maxZ = model.maxZ;
    return true;
}
