// Fuzz target: the file viewer's path on arbitrary bytes. The memory estimate, the parse into a
// model at the file's own size, its edge list and its proxy, with what each must leave behind:
// every index below the vertex count, every coordinate finite and inside the box, each edge
// once and in order, a proxy that indexes only its own vertices. The facts --info tells of the
// same bytes (its own lean pass) must agree with the model: refused with the same words, or
// the same counts, attributes and box centre.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "invariants.h"
#include "model/file_model.h"
#include "model/file_walk.h"
#include "model/model.h"
#include "model/proxy.h"

namespace {

constexpr std::size_t kHeadBytes = 1 << 16;  // as much of the start as the viewer judges by

void expectIndicesBelow(const std::vector<std::uint32_t>& indices, std::size_t count,
                        const char* what) {
    for (std::uint32_t v : indices) {
        if (v >= count) {
            fuzz::broken("%s: index %u of %zu vertices", what, v, count);
        }
    }
}

void expectValidModel(const FileModel& model) {
    if (model.positions.size() % kCoordinates != 0 || model.triangles.size() % 3 != 0) {
        fuzz::broken("positions or triangles not whole");
    }
    expectIndicesBelow(model.triangles, model.vertexCount(), "triangles");
    const float low[] = {model.minX, model.minY, model.minZ};
    const float high[] = {model.maxX, model.maxY, model.maxZ};
    for (std::size_t i = 0; i < model.positions.size(); ++i) {
        const float value = model.positions[i];
        const std::size_t a = i % kCoordinates;
        if (!std::isfinite(value) || value < low[a] || value > high[a]) {
            fuzz::broken("vertex %zu: %g outside its box", i / kCoordinates, value);
        }
    }
    if (model.notes.fileVertices != static_cast<std::int64_t>(model.vertexCount()) ||
        model.notes.fileTriangles != static_cast<std::int64_t>(model.triangleCount()) ||
        model.notes.simplified) {
        fuzz::broken("the notes do not tell the model's own counts");
    }
}

void expectValidEdges(const FileModel& model) {
    std::vector<std::uint32_t> edges;
    uniqueEdges(model.triangles, model.vertexCount(), edges);
    expectIndicesBelow(edges, model.vertexCount(), "edges");
    if (edges.size() > 2 * model.triangles.size()) {
        fuzz::broken("more edges than the triangles have");
    }
    for (std::size_t i = 0; i + 1 < edges.size(); i += 2) {
        const bool ordered = edges[i] < edges[i + 1];
        const bool after = i == 0 || edges[i - 2] < edges[i] ||
                           (edges[i - 2] == edges[i] && edges[i - 1] < edges[i + 1]);
        if (!ordered || !after) {
            fuzz::broken("edge %zu out of order or repeated", i / 2);
        }
    }
}

void expectValidProxy(const FileModel& model) {
    FileModel proxy;
    std::atomic<bool> cancel{false};
    if (!buildProxy(model, proxy, cancel)) {
        fuzz::broken("a proxy nobody cancelled was not built");
    }
    expectIndicesBelow(proxy.triangles, proxy.vertexCount(), "proxy triangles");
    if (proxy.vertexCount() > model.vertexCount() || proxy.maxX != model.maxX ||
        proxy.minZ != model.minZ) {
        fuzz::broken("the proxy is larger than its model or framed otherwise");
    }
    // The proxy carries every measured property of its model, by vertex.
    if (proxy.properties.size() != model.properties.size()) {
        fuzz::broken("the proxy keeps %zu measured properties of %zu", proxy.properties.size(),
                     model.properties.size());
    }
    // Texture coordinates by vertex whichever way the model kept them, images by triangle as the
    // model has them, and its image names.
    fuzz::expectValidTextures(proxy.texcoords, proxy.cornerTexcoords, proxy.triangleTextures,
                              proxy.vertexCount(), proxy.triangleCount());
    if (!proxy.cornerTexcoords.empty() || proxy.textureFiles != model.textureFiles ||
        (proxy.triangleTextures.empty() != model.triangleTextures.empty() &&
         proxy.triangleCount() > 0) ||
        (proxy.texcoords.empty() != (model.texcoords.empty() && model.cornerTexcoords.empty()) &&
         proxy.vertexCount() > 0)) {
        fuzz::broken("the proxy's texture coordinates or image names are not its model's");
    }
    for (std::size_t n = 0; n < proxy.properties.size(); ++n) {
        const PropertyValues& kept = proxy.properties[n];
        if (kept.face || kept.name != model.properties[n].name ||
            kept.base != model.properties[n].base || kept.values.size() != proxy.vertexCount()) {
            fuzz::broken("proxy property %zu is not its model's by vertex", n);
        }
    }
}

// The box centre the viewer took off, from the facts' box in double; a fallback to the reader
// rebuilds the box from floats, hence the tolerance.
constexpr double kCentreTolerance = 1e-5;

void expectSameFacts(const char* text, std::size_t size, bool accepted, const FileModel& model,
                     const PlyError& error) {
    FileFacts facts;
    ply::describeText(text, size, facts);
    if (facts.refused != !accepted || (facts.refused && facts.reason != error.message)) {
        fuzz::broken("the facts say \"%s\", the viewer \"%s\"", facts.reason.c_str(),
                     accepted ? "accepted" : error.message);
    }
    if (!accepted) {
        return;
    }
    if (facts.vertices != model.vertexCount() || facts.triangles != model.triangleCount() ||
        facts.facesLeftOut != static_cast<std::uint64_t>(model.notes.shortFaces) ||
        facts.splats != model.notes.splats ||
        (facts.coloursFrom == "vertices") != !model.colours.empty() ||
        (facts.coloursFrom == "faces") != !model.faceColours.empty() ||
        (facts.normalsFrom == "file") != !model.normals.empty() ||
        facts.hasBox != (model.vertexCount() > 0)) {
        fuzz::broken("the facts' counts or attributes differ from the model's");
    }
    for (int a = 0; a < kCoordinates && facts.hasBox; ++a) {
        const double middle = (facts.min[a] + facts.max[a]) / 2.0;
        const double scale = 1 + std::fabs(middle) + (facts.max[a] - facts.min[a]);
        if (std::fabs(middle - model.centre[a]) > kCentreTolerance * scale) {
            fuzz::broken("axis %d: the facts' box centre %.17g, the model's %.17g", a, middle,
                         model.centre[a]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const std::uint64_t needed = fileModelBytesNeeded(text, std::min(size, kHeadBytes), size);
    if (needed < size) {
        fuzz::broken("the estimate %llu is below the file's own %zu bytes",
                     static_cast<unsigned long long>(needed), size);
    }
    FileModel model;
    PlyError error;
    const bool accepted = parseFileModel(text, size, model, error);
    fuzz::expectMessage(error, accepted);
    expectSameFacts(text, size, accepted, model, error);
    if (!accepted) {
        if (!model.positions.empty() || !model.triangles.empty()) {
            fuzz::broken("a refused file left a model behind");
        }
        return 0;
    }
    expectValidModel(model);
    fuzz::expectValidSplats(model.splats, model.vertexCount());
    fuzz::expectValidProperties(model.properties, model.vertexCount(), model.triangleCount());
    fuzz::expectValidTextures(model.texcoords, model.cornerTexcoords, model.triangleTextures,
                              model.vertexCount(), model.triangleCount());
    expectValidEdges(model);
    expectValidProxy(model);
    return 0;
}
