// The edge list of a triangle list: every edge once. Half-edges are put into buckets by their
// lower vertex (a counting sort: two passes over the triangles), then each bucket's few higher
// vertices are sorted and repeats dropped. Linear time; besides the result, one number per
// half-edge and one offset per vertex.
#include <algorithm>
#include <limits>

#include "model/file_model.h"

namespace {

constexpr std::uint32_t kDropped = std::numeric_limits<std::uint32_t>::max();

// Offsets into the half-edge buckets: 32 bits while the half-edges fit in them.
template <typename Offset>
void bucketEdges(const std::vector<std::uint32_t>& triangles, std::size_t vertexCount,
                 std::vector<std::uint32_t>& edges) {
    // begin[v + 1] counts the half-edges whose lower vertex is v, then becomes where they end.
    std::vector<Offset> begin;
    begin.reserve(vertexCount + 2);
    begin.assign(vertexCount + 2, 0);
    const auto eachHalfEdge = [&triangles](auto&& take) {
        for (std::size_t t = 0; t + 2 < triangles.size(); t += kCoordinates) {
            for (int k = 0; k < kCoordinates; ++k) {
                const std::uint32_t a = triangles[t + static_cast<std::size_t>(k)];
                const std::uint32_t b = triangles[t + static_cast<std::size_t>((k + 1) % 3)];
                if (a != b) {
                    take(std::min(a, b), std::max(a, b));
                }
            }
        }
    };
    eachHalfEdge([&begin](std::uint32_t low, std::uint32_t) { ++begin[low + 2]; });
    for (std::size_t v = 2; v < begin.size(); ++v) {
        begin[v] += begin[v - 1];
    }
    // Filling moves begin[v + 1] from where bucket v starts to where it ends.
    std::vector<std::uint32_t> higher;
    higher.reserve(static_cast<std::size_t>(begin.back()));
    higher.resize(static_cast<std::size_t>(begin.back()));
    eachHalfEdge([&](std::uint32_t low, std::uint32_t high) { higher[begin[low + 1]++] = high; });

    // Each bucket sorted, its repeats marked; then the edges counted and written.
    std::size_t unique = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const auto first = higher.begin() + static_cast<std::ptrdiff_t>(begin[v]);
        const auto last = higher.begin() + static_cast<std::ptrdiff_t>(begin[v + 1]);
        std::sort(first, last);
        const auto kept = std::unique(first, last);
        std::fill(kept, last, kDropped);
        unique += static_cast<std::size_t>(kept - first);
    }
    edges.reserve(2 * unique);
    edges.resize(2 * unique);
    std::size_t out = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        for (Offset i = begin[v]; i < begin[v + 1] && higher[i] != kDropped; ++i) {
            edges[out++] = static_cast<std::uint32_t>(v);
            edges[out++] = higher[i];
        }
    }
}

}  // namespace

void uniqueEdges(const std::vector<std::uint32_t>& triangles, std::size_t vertexCount,
                 std::vector<std::uint32_t>& edges) {
    edges.clear();
    if (triangles.size() < std::numeric_limits<std::uint32_t>::max()) {
        bucketEdges<std::uint32_t>(triangles, vertexCount, edges);
    } else {
        bucketEdges<std::uint64_t>(triangles, vertexCount, edges);
    }
}
