// The proxy: a light copy of a large model, drawn while it moves. The sloppy simplifier is fast
// and keeps the overall shape, which is all a moving picture shows; the full model comes back
// when the motion stops.
#include "model/proxy.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <limits>

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

// The colour of each vertex when the model has face colours only: that of the first triangle
// that uses it. A proxy's triangles are not the model's, so they carry colours by vertex.
std::vector<std::uint8_t> coloursFromFaces(const FileModel& model) {
    std::vector<std::uint8_t> colours(model.vertexCount() * kColourBytes, 0);
    std::vector<bool> taken(model.vertexCount(), false);
    for (std::size_t i = 0; i < model.triangles.size(); ++i) {
        const std::uint32_t v = model.triangles[i];
        if (!taken[v]) {
            taken[v] = true;
            std::copy_n(&model.faceColours[i / kCoordinates * kColourBytes], kColourBytes,
                        &colours[static_cast<std::size_t>(v) * kColourBytes]);
        }
    }
    return colours;
}

// Vertex v of the model, with what it carries, appended to the proxy.
class VertexCopier {
  public:
    explicit VertexCopier(const FileModel& model)
        : model_(model),
          normals_(model.normals.size() == model.positions.size()),
          fromFaces_(model.colours.empty() && !model.faceColours.empty()) {
        if (fromFaces_) {
            faceDerived_ = coloursFromFaces(model);
        }
    }

    void append(std::uint32_t v, FileModel& proxy) const {
        const std::size_t at = static_cast<std::size_t>(v) * kCoordinates;
        proxy.positions.insert(proxy.positions.end(), &model_.positions[at],
                               &model_.positions[at] + kCoordinates);
        if (normals_) {
            proxy.normals.insert(proxy.normals.end(), &model_.normals[at],
                                 &model_.normals[at] + kCoordinates);
        }
        const std::vector<std::uint8_t>& colours = fromFaces_ ? faceDerived_ : model_.colours;
        if (!colours.empty()) {
            const std::size_t c = static_cast<std::size_t>(v) * kColourBytes;
            proxy.colours.insert(proxy.colours.end(), &colours[c], &colours[c] + kColourBytes);
        }
    }

  private:
    const FileModel& model_;
    bool normals_;    // the model has the file's normals
    bool fromFaces_;  // its colours are its faces'
    std::vector<std::uint8_t> faceDerived_;
};

bool simplifyTriangles(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel,
                       std::size_t triangles) {
    // The simplifier takes no target above what it is given.
    const std::size_t target = std::min(triangles * kCoordinates, model.triangles.size());
    std::vector<std::uint32_t> kept(model.triangles.size());
    kept.resize(meshopt_simplifySloppy(kept.data(), model.triangles.data(), model.triangles.size(),
                                       model.positions.data(), model.vertexCount(), kStride, target,
                                       kAnyError, nullptr));
    if (cancel.load()) {
        return false;
    }
    // Only the vertices the kept triangles use, numbered in order of first use.
    const VertexCopier copier(model);
    std::vector<std::uint32_t> renumber(model.vertexCount(), kUnused);
    for (std::uint32_t& v : kept) {
        if (renumber[v] == kUnused) {
            renumber[v] = static_cast<std::uint32_t>(proxy.positions.size() / kCoordinates);
            copier.append(v, proxy);
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
    const VertexCopier copier(model);
    for (std::uint32_t v : kept) {
        copier.append(v, proxy);
    }
    return !cancel.load();
}

}  // namespace

bool needsProxy(const FileModel& model) {
    return model.triangleCount() > kProxyFromTriangles ||
           (model.triangleCount() == 0 && model.vertexCount() > kProxyFromPoints);
}

bool buildProxy(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel,
                std::size_t triangles) {
    proxy = FileModel{};
    copyFrame(model, proxy);
    if (cancel.load()) {
        return false;
    }
    return model.triangleCount() > 0 ? simplifyTriangles(model, proxy, cancel, triangles)
                                     : thinPoints(model, proxy, cancel);
}
