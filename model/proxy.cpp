// The proxy: a light copy of a large model, drawn while it moves. The sloppy simplifier is fast
// and keeps the overall shape, which is all a moving picture shows; the full model comes back
// when the motion stops.
#include <meshoptimizer.h>

#include <algorithm>
#include <limits>

#include "model/model.h"

namespace {

constexpr std::size_t kStride = sizeof(float) * kCoordinates;   // bytes per position
constexpr float kAnyError = std::numeric_limits<float>::max();  // stop at the count alone
constexpr std::uint32_t kUnused = std::numeric_limits<std::uint32_t>::max();

void copyFrame(const FileModel& model, FileModel& proxy) {
    std::copy(model.centre, model.centre + kCoordinates, proxy.centre);
    proxy.minX = model.minX;
    proxy.maxX = model.maxX;
    proxy.minY = model.minY;
    proxy.maxY = model.maxY;
    proxy.minZ = model.minZ;
    proxy.maxZ = model.maxZ;
    proxy.notes = model.notes;
}

void appendPosition(const FileModel& model, std::uint32_t v, std::vector<float>& out) {
    const float* p = &model.positions[static_cast<std::size_t>(v) * kCoordinates];
    out.insert(out.end(), p, p + kCoordinates);
}

bool simplifyTriangles(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel) {
    // The simplifier takes no target above what it is given.
    const std::size_t target = std::min(kProxyTriangles * kCoordinates, model.triangles.size());
    std::vector<std::uint32_t> kept(model.triangles.size());
    kept.resize(meshopt_simplifySloppy(kept.data(), model.triangles.data(), model.triangles.size(),
                                       model.positions.data(), model.vertexCount(), kStride, target,
                                       kAnyError, nullptr));
    if (cancel.load()) {
        return false;
    }
    // Only the vertices the kept triangles use, numbered in order of first use.
    std::vector<std::uint32_t> renumber(model.vertexCount(), kUnused);
    for (std::uint32_t& v : kept) {
        if (renumber[v] == kUnused) {
            renumber[v] = static_cast<std::uint32_t>(proxy.positions.size() / kCoordinates);
            appendPosition(model, v, proxy.positions);
        }
        v = renumber[v];
    }
    proxy.triangles = std::move(kept);
    return !cancel.load();
}

bool thinPoints(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel) {
    const std::size_t target = std::min(kProxyPoints, model.vertexCount());
    std::vector<std::uint32_t> kept(target);
    kept.resize(std::min(target, meshopt_simplifyPoints(kept.data(), model.positions.data(),
                                                        model.vertexCount(), kStride, target)));
    std::sort(kept.begin(), kept.end());
    for (std::uint32_t v : kept) {
        appendPosition(model, v, proxy.positions);
    }
    return !cancel.load();
}

}  // namespace

bool needsProxy(const FileModel& model) {
    return model.triangleCount() > kProxyFromTriangles ||
           (model.triangleCount() == 0 && model.vertexCount() > kProxyFromPoints);
}

bool buildProxy(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel) {
    proxy = FileModel{};
    copyFrame(model, proxy);
    if (cancel.load()) {
        return false;
    }
    return model.triangleCount() > 0 ? simplifyTriangles(model, proxy, cancel)
                                     : thinPoints(model, proxy, cancel);
}
