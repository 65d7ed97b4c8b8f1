// From the file's geometry to the store: coordinates centred when asked and rounded to floats,
// and a model beyond the store's capacities simplified until it fits both.
#include <meshoptimizer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
std::vector<std::uint32_t> simpler;   // the indices a simplification pass writes
std::vector<std::uint32_t> renumber;  // old vertex number to new, or kUnused

// ===== Fitting =====

std::size_t usedVertices(const std::vector<std::uint32_t>& corners, std::size_t vertexTotal) {
    renumber.assign(vertexTotal, kUnused);
    std::size_t used = 0;
    for (std::uint32_t v : corners) {
        if (renumber[v] == kUnused) {
            renumber[v] = static_cast<std::uint32_t>(used++);
        }
    }
    return used;
}

bool fits(std::size_t triangles, std::size_t vertices) {
    return triangles <= static_cast<std::size_t>(kMaxFaces) &&
           vertices <= static_cast<std::size_t>(kMaxVertices);
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

// Last resort, never reached by the meshes tried: triangles in order while they fit.
void truncateToFit(std::vector<std::uint32_t>& corners, std::size_t vertexTotal) {
    renumber.assign(vertexTotal, kUnused);
    std::size_t used = 0;
    std::size_t keep = 0;
    for (; keep + kAxes <= corners.size() && keep / kAxes < kMaxFaces; keep += kAxes) {
        std::size_t fresh = 0;
        for (int k = 0; k < kAxes; ++k) {
            fresh += renumber[corners[keep + k]] == kUnused ? 1 : 0;
        }
        if (used + fresh > static_cast<std::size_t>(kMaxVertices)) {
            break;
        }
        for (int k = 0; k < kAxes; ++k) {
            if (renumber[corners[keep + k]] == kUnused) {
                renumber[corners[keep + k]] = static_cast<std::uint32_t>(used++);
            }
        }
    }
    corners.resize(keep);
}

// Simplifies the triangles until both the triangles and the vertices they use fit, each pass
// working on the already smaller mesh.
void simplifyToFit(std::vector<std::uint32_t>& corners, std::size_t vertexTotal) {
    std::size_t target = kMaxFaces;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        const std::size_t triangles = corners.size() / kAxes;
        const std::size_t used = usedVertices(corners, vertexTotal);
        if (fits(triangles, used)) {
            return;
        }
        if (used > static_cast<std::size_t>(kMaxVertices)) {
            const double share = static_cast<double>(kMaxVertices) / static_cast<double>(used);
            target = std::min(target, static_cast<std::size_t>(static_cast<double>(triangles) *
                                                               share * kVertexMargin));
        }
        simplifyPass(corners, vertexTotal, target);
    }
    if (!fits(corners.size() / kAxes, usedVertices(corners, vertexTotal))) {
        truncateToFit(corners, vertexTotal);
    }
    usedVertices(corners, vertexTotal);
}

// Thins a point cloud to the vertex capacity; `renumber` then says which points stay.
void thinPoints(std::size_t vertexTotal) {
    simpler.resize(kMaxVertices);
    std::size_t kept =
        meshopt_simplifyPoints(simpler.data(), flat.data(), vertexTotal, kStride, kMaxVertices);
    kept = std::min<std::size_t>(kept, kMaxVertices);
    renumber.assign(vertexTotal, kUnused);
    std::sort(simpler.begin(), simpler.begin() + static_cast<std::ptrdiff_t>(kept));
    for (std::size_t k = 0; k < kept; ++k) {
        renumber[simpler[k]] = static_cast<std::uint32_t>(k);
    }
}

// ===== Into the store =====

void store(const std::vector<std::uint32_t>& corners, std::size_t vertexTotal, bool renumbered,
           PlyMesh& mesh) {
    int count = 0;
    for (std::size_t v = 0; v < vertexTotal; ++v) {
        const std::uint32_t to = renumbered ? renumber[v] : static_cast<std::uint32_t>(v);
        if (to != kUnused) {
            mesh.vertices[to] =
                Vec4(flat[v * kAxes], flat[v * kAxes + 1], flat[v * kAxes + 2], 1.0f);
            ++count;
        }
    }
    mesh.vertexCount = count;
    mesh.faceCount = static_cast<int>(corners.size() / kAxes);
    for (int f = 0; f < mesh.faceCount; ++f) {
        std::uint32_t c[kAxes];
        for (int k = 0; k < kAxes; ++k) {
            const std::uint32_t v = corners[static_cast<std::size_t>(f) * kAxes + k];
            c[k] = renumbered ? renumber[v] : v;
        }
        mesh.faces[f] =
            FaceIndices{static_cast<std::int32_t>(c[0]), static_cast<std::int32_t>(c[1]),
                        static_cast<std::int32_t>(c[2])};
    }
    mesh.maxX = mesh.maxY = mesh.maxZ = kBoxResetMax;
    mesh.minX = mesh.minY = mesh.minZ = kBoxResetMin;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const Vec4& p = mesh.vertices[i];
        if (i == 0) {
            mesh.minX = mesh.maxX = p.x;
            mesh.minY = mesh.maxY = p.y;
            mesh.minZ = mesh.maxZ = p.z;
        }
        mesh.maxX = std::max(mesh.maxX, p.x);
        mesh.maxY = std::max(mesh.maxY, p.y);
        mesh.maxZ = std::max(mesh.maxZ, p.z);
        mesh.minX = std::min(mesh.minX, p.x);
        mesh.minY = std::min(mesh.minY, p.y);
        mesh.minZ = std::min(mesh.minZ, p.z);
    }
}

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

}  // namespace

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
    if (fits(triangles, vertexTotal)) {
        store(geometry.corners, vertexTotal, false, mesh);
        return true;
    }
    const auto start = std::chrono::steady_clock::now();
    if (triangles == 0) {
        thinPoints(vertexTotal);
    } else {
        simplifyToFit(geometry.corners, vertexTotal);
    }
    store(geometry.corners, vertexTotal, true, mesh);
    notes.simplified = true;
    notes.fitSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

}  // namespace ply
