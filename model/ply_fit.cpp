// From the file's geometry to the store: coordinates centred when asked and rounded to floats,
// and a model beyond the store's capacities simplified until it fits both.
#include <meshoptimizer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/ply_format.h"

namespace ply {
namespace {

// ===== Constants =====

constexpr int kAxes = 3;
constexpr std::size_t kStride = sizeof(float) * kAxes;  // bytes per position handed to meshopt
constexpr int kMaxPasses = 8;  // simplification passes before the last resort
// Each further pass aims this much below what the vertex count alone would allow, since a
// simplified mesh keeps slightly more vertices per triangle than it started with.
constexpr double kVertexMargin = 0.95;
constexpr float kAnyError = std::numeric_limits<float>::max();  // stop at the count, not the error
constexpr std::uint32_t kUnused = std::numeric_limits<std::uint32_t>::max();

// ===== Working memory, reused from model to model =====

std::vector<float> flat;              // x, y, z per vertex as floats
std::vector<float> compacted;         // the vertices still in use, in order of first use
std::vector<std::uint32_t> simpler;   // the indices a simplification pass writes
std::vector<std::uint32_t> renumber;  // old vertex number to new, or kUnused

// ===== Fitting =====

bool fits(std::size_t triangles, std::size_t vertices) {
    return triangles <= static_cast<std::size_t>(kMaxFaces) &&
           vertices <= static_cast<std::size_t>(kMaxVertices);
}

// Keeps only the vertices the triangles use, numbered in order of first use, so that each pass
// works on as few vertices as there are. Returns how many are left.
std::size_t keepUsedVertices(std::vector<std::uint32_t>& corners, std::size_t vertexTotal) {
    renumber.assign(vertexTotal, kUnused);
    compacted.clear();
    for (std::uint32_t& v : corners) {
        if (renumber[v] == kUnused) {
            renumber[v] = static_cast<std::uint32_t>(compacted.size() / kAxes);
            compacted.insert(compacted.end(), &flat[v * kAxes], &flat[v * kAxes] + kAxes);
        }
        v = renumber[v];
    }
    flat.swap(compacted);
    return flat.size() / kAxes;
}

// One pass toward `targetTriangles`: the careful simplifier first, the sloppy one where that
// cannot get there (borders and seams it must keep).
void simplifyPass(std::vector<std::uint32_t>& corners, std::size_t vertexTotal,
                  std::size_t targetTriangles) {
    const std::size_t target = targetTriangles * kAxes;
    simpler.resize(corners.size());
    std::size_t kept = meshopt_simplify(simpler.data(), corners.data(), corners.size(), flat.data(),
                                        vertexTotal, kStride, target, kAnyError, 0, nullptr);
    if (kept > target) {
        kept = meshopt_simplifySloppy(simpler.data(), corners.data(), corners.size(), flat.data(),
                                      vertexTotal, kStride, target, kAnyError, nullptr);
    }
    simpler.resize(kept);
    corners.swap(simpler);
}

// Last resort, never reached by the meshes tried: triangles in order while their vertices fit.
void truncateToFit(std::vector<std::uint32_t>& corners) {
    std::size_t keep = 0;
    for (; keep + kAxes <= corners.size() && keep / kAxes < kMaxFaces; keep += kAxes) {
        const std::uint32_t highest =
            std::max({corners[keep], corners[keep + 1], corners[keep + 2]});
        if (highest >= static_cast<std::uint32_t>(kMaxVertices)) {
            break;  // numbered by first use: every later vertex is beyond the capacity too
        }
    }
    corners.resize(keep);
}

// Simplifies the triangles until both they and the vertices they use fit. Each pass aims at
// what the vertex capacity allows for the mesh's ratio of triangles to vertices, and works on
// the already smaller mesh of the pass before. Returns the vertices left.
std::size_t simplifyToFit(std::vector<std::uint32_t>& corners, std::size_t vertexTotal) {
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        vertexTotal = keepUsedVertices(corners, vertexTotal);
        const std::size_t triangles = corners.size() / kAxes;
        if (fits(triangles, vertexTotal)) {
            return vertexTotal;
        }
        const double share =
            std::min(1.0, static_cast<double>(kMaxVertices) / static_cast<double>(vertexTotal));
        const auto target = static_cast<std::size_t>(
            std::min(static_cast<double>(kMaxFaces),
                     static_cast<double>(triangles) * share * kVertexMargin));
        simplifyPass(corners, vertexTotal, target);
    }
    vertexTotal = keepUsedVertices(corners, vertexTotal);
    truncateToFit(corners);
    return keepUsedVertices(corners, vertexTotal);
}

// Thins a point cloud to the vertex capacity. Returns the points left.
std::size_t thinPoints(std::size_t vertexTotal) {
    simpler.resize(kMaxVertices);
    std::size_t kept =
        meshopt_simplifyPoints(simpler.data(), flat.data(), vertexTotal, kStride, kMaxVertices);
    kept = std::min<std::size_t>(kept, kMaxVertices);
    std::sort(simpler.begin(), simpler.begin() + static_cast<std::ptrdiff_t>(kept));
    compacted.clear();
    for (std::size_t k = 0; k < kept; ++k) {
        compacted.insert(compacted.end(), &flat[simpler[k] * kAxes],
                         &flat[simpler[k] * kAxes] + kAxes);
    }
    flat.swap(compacted);
    return kept;
}

// ===== Into the store =====

void store(const std::vector<std::uint32_t>& corners, std::size_t vertexTotal, PlyMesh& mesh) {
    mesh.vertexCount = static_cast<int>(vertexTotal);
    mesh.faceCount = static_cast<int>(corners.size() / kAxes);
    mesh.maxX = mesh.maxY = mesh.maxZ = kBoxResetMax;
    mesh.minX = mesh.minY = mesh.minZ = kBoxResetMin;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const float* p = &flat[static_cast<std::size_t>(i) * kAxes];
        mesh.vertices[i] = Vec4(p[0], p[1], p[2], 1.0f);
        if (i == 0) {
            mesh.minX = mesh.maxX = p[0];
            mesh.minY = mesh.maxY = p[1];
            mesh.minZ = mesh.maxZ = p[2];
        }
        mesh.maxX = std::max(mesh.maxX, p[0]);
        mesh.maxY = std::max(mesh.maxY, p[1]);
        mesh.maxZ = std::max(mesh.maxZ, p[2]);
        mesh.minX = std::min(mesh.minX, p[0]);
        mesh.minY = std::min(mesh.minY, p[1]);
        mesh.minZ = std::min(mesh.minZ, p[2]);
    }
    // Vertex numbers below the capacity: the same bits as signed.
    static_assert(sizeof(FaceIndices) == kAxes * sizeof(std::uint32_t), "three packed numbers");
    if (!corners.empty()) {  // an empty list may have no storage to copy from
        std::memcpy(mesh.faces, corners.data(), corners.size() * sizeof(std::uint32_t));
    }
}

}  // namespace

// The centre of the box of the coordinates, in double.
void findCentre(const std::vector<double>& positions, double centre[kAxes]) {
    for (int a = 0; a < kAxes; ++a) {
        double low = 0;
        double high = 0;
        for (std::size_t i = static_cast<std::size_t>(a); i < positions.size(); i += kAxes) {
            low = i < kAxes || positions[i] < low ? positions[i] : low;
            high = i < kAxes || positions[i] > high ? positions[i] : high;
        }
        centre[a] = (low + high) / 2.0;
    }
}

bool fitToStore(Geometry& geometry, PlyMesh& mesh, PlyError& error) {
    const std::size_t vertexTotal = geometry.positions.size() / kAxes;
    const std::size_t triangles = geometry.corners.size() / kAxes;
    mesh.centreXYZ[0] = mesh.centreXYZ[1] = mesh.centreXYZ[2] = 0.0;
    if (mesh.centre) {
        findCentre(geometry.positions, mesh.centreXYZ);
    }
    flat.resize(geometry.positions.size());
    for (std::size_t i = 0; i < geometry.positions.size(); ++i) {
        flat[i] = static_cast<float>(geometry.positions[i] - mesh.centreXYZ[i % kAxes]);
        if (!std::isfinite(flat[i])) {
            return fail(error, "vertex %zu: coordinate is beyond the float range", i / kAxes);
        }
    }
    PlyNotes& notes = mesh.notes;
    notes = PlyNotes{};
    notes.fileVertices = static_cast<std::int64_t>(vertexTotal);
    notes.fileTriangles = static_cast<std::int64_t>(triangles);
    notes.shortFaces = geometry.shortFaces;
    notes.pointCloud = triangles == 0 && vertexTotal > 0;
    notes.splats = geometry.splats;
    notes.colourFloats255 = geometry.colourFloats255;
    if (fits(triangles, vertexTotal)) {
        store(geometry.corners, vertexTotal, mesh);
        return true;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::size_t left =
        triangles == 0 ? thinPoints(vertexTotal) : simplifyToFit(geometry.corners, vertexTotal);
    store(geometry.corners, left, mesh);
    notes.simplified = true;
    notes.fitSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

}  // namespace ply
