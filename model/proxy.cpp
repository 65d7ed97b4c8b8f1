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

// The first triangle that uses each vertex (kUnused for a vertex none uses). A proxy's
// triangles are not the model's, so what its faces carry goes to the vertices: each takes that of
// the first triangle around it.
std::vector<std::uint32_t> firstTriangles(const FileModel& model) {
    std::vector<std::uint32_t> first(model.vertexCount(), kUnused);
    for (std::size_t i = 0; i < model.triangles.size(); ++i) {
        std::uint32_t& t = first[model.triangles[i]];
        t = t == kUnused ? static_cast<std::uint32_t>(i / kCoordinates) : t;
    }
    return first;
}

// The proxy's measured properties: those of the model, each to have a value per vertex.
void nameProperties(const FileModel& model, FileModel& proxy) {
    for (const PropertyValues& property : model.properties) {
        PropertyValues& kept = proxy.properties.emplace_back();
        kept.name = property.name;
        kept.integer = property.integer;
        kept.base = property.base;
    }
}

// Vertex v of the model, with what it carries, appended to the proxy.
class VertexCopier {
  public:
    explicit VertexCopier(const FileModel& model)
        : model_(model),
          normals_(model.normals.size() == model.positions.size()),
          fromFaces_(model.colours.empty() && !model.faceColours.empty()),
          texcoords_(!model.texcoords.empty() &&
                     model.texcoords.size() == model.vertexCount() * kTexcoordFloats),
          cornerTexcoords_(!model.cornerTexcoords.empty() &&
                           model.cornerTexcoords.size() ==
                               model.triangleCount() * kCoordinates * kTexcoordFloats),
          images_(!model.triangleTextures.empty() &&
                  model.triangleTextures.size() == model.triangleCount()) {
        const auto onFaces = [](const PropertyValues& property) { return property.face; };
        if (fromFaces_ || cornerTexcoords_ || images_ ||
            std::any_of(model.properties.begin(), model.properties.end(), onFaces)) {
            firstTriangle_ = firstTriangles(model);
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
        if (fromFaces_) {
            appendColour(model_.faceColours, triangleOf(v), proxy);
        } else if (!model_.colours.empty()) {
            appendColour(model_.colours, v, proxy);
        }
        if (texcoords_) {
            const std::size_t uv = static_cast<std::size_t>(v) * kTexcoordFloats;
            proxy.texcoords.insert(proxy.texcoords.end(), &model_.texcoords[uv],
                                   &model_.texcoords[uv] + kTexcoordFloats);
        } else if (cornerTexcoords_) {
            appendCornerTexcoord(v, proxy);
        }
        for (std::size_t n = 0; n < model_.properties.size(); ++n) {
            const PropertyValues& property = model_.properties[n];
            const std::size_t at = property.face ? triangleOf(v) : v;
            proxy.properties[n].values.push_back(at < property.values.size() ? property.values[at]
                                                                             : kNoValue);
        }
    }

    // The image of a proxy triangle whose first corner is the model's vertex v: that of the
    // first triangle around v, the one its coordinates by corner come from.
    void appendImage(std::uint32_t v, FileModel& proxy) const {
        if (images_) {
            const std::size_t t = triangleOf(v);
            proxy.triangleTextures.push_back(t < model_.triangleTextures.size()
                                                 ? model_.triangleTextures[t]
                                                 : model_.triangleTextures.front());
        }
    }

  private:
    std::size_t triangleOf(std::uint32_t v) const { return firstTriangle_[v]; }

    // The texture coordinates of v at its corner of the first triangle that uses it; NaN for a
    // vertex no triangle uses.
    void appendCornerTexcoord(std::uint32_t v, FileModel& proxy) const {
        const std::size_t t = triangleOf(v);
        std::size_t corner = 0;
        while (t < model_.triangleCount() && corner + 1 < kCoordinates &&
               model_.triangles[t * kCoordinates + corner] != v) {
            ++corner;
        }
        const std::size_t uv = (t * kCoordinates + corner) * kTexcoordFloats;
        if (t < model_.triangleCount()) {
            proxy.texcoords.insert(proxy.texcoords.end(), &model_.cornerTexcoords[uv],
                                   &model_.cornerTexcoords[uv] + kTexcoordFloats);
        } else {
            proxy.texcoords.insert(proxy.texcoords.end(), kTexcoordFloats, kNoValue);
        }
    }

    static void appendColour(const std::vector<std::uint8_t>& colours, std::size_t item,
                             FileModel& proxy) {
        const std::size_t c = item * kColourBytes;
        if (c < colours.size()) {
            proxy.colours.insert(proxy.colours.end(), &colours[c], &colours[c] + kColourBytes);
        } else {
            proxy.colours.insert(proxy.colours.end(), kColourBytes, 0);
        }
    }

    const FileModel& model_;
    bool normals_;                              // the model has the file's normals
    bool fromFaces_;                            // its colours are its faces'
    bool texcoords_;                            // the model has texture coordinates by vertex
    bool cornerTexcoords_;                      // by triangle corner, which go to the vertices
    bool images_;                               // an image per triangle
    std::vector<std::uint32_t> firstTriangle_;  // by vertex, when its faces carry anything
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
    for (std::size_t k = 0; k < kept.size(); ++k) {
        std::uint32_t& v = kept[k];
        if (k % kCoordinates == 0) {
            copier.appendImage(v, proxy);
        }
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

void copyFrame(const FileModel& model, FileModel& proxy) {
    std::copy(model.centre, model.centre + kCoordinates, proxy.centre);
    proxy.minX = model.minX;
    proxy.maxX = model.maxX;
    proxy.minY = model.minY;
    proxy.maxY = model.maxY;
    proxy.minZ = model.minZ;
    proxy.maxZ = model.maxZ;
    proxy.notes = model.notes;
    proxy.textureFiles = model.textureFiles;
}

bool needsProxy(const FileModel& model) {
    return model.triangleCount() > kProxyFromTriangles ||
           (model.triangleCount() == 0 && model.vertexCount() > kProxyFromPoints);
}

bool buildProxy(const FileModel& model, FileModel& proxy, const std::atomic<bool>& cancel,
                std::size_t triangles) {
    proxy = FileModel{};
    copyFrame(model, proxy);
    nameProperties(model, proxy);
    if (cancel.load()) {
        return false;
    }
    return model.triangleCount() > 0 ? simplifyTriangles(model, proxy, cancel, triangles)
                                     : thinPoints(model, proxy, cancel);
}
