// A splat's colour seen from a direction, and the instances the drawing takes for a view: the
// spherical harmonics evaluated once per splat and direction, from half floats read by table.
#include <cmath>
#include <vector>

#include "model/file_model.h"
#include "model/splat_basis.h"

namespace {

constexpr int kHalfValues = 1 << 16;
constexpr float kFullLevel = 255;      // the largest level of a colour byte
constexpr float kHalfLevel = 0.5f;     // added before truncation: rounds to the nearest level
constexpr std::uint8_t kOpaque = 255;  // the alpha byte, which the drawing does not use

std::uint8_t levelByte(float value) {
    const float unit = value < 1 ? value : 1;  // already at least 0
    return static_cast<std::uint8_t>(unit * kFullLevel + kHalfLevel);
}

// The instances for one degree; `fixed` when every splat is seen along the same direction (a
// parallel view, or degree 0 whose colour has no direction at all), so that the basis is
// evaluated once.
template <int kDegree>
void instancesOfDegree(const FileModel& model, const std::vector<std::uint32_t>& order,
                       const SplatView& view, SplatInstance* out) {
    const SplatModel& splats = model.splats;
    const float* halves = splat::halfTable();
    const bool fixed = kDegree == 0 || view.parallel;
    float basis[splat::kMaxBasis];
    splat::shBasis(view.forward, kDegree, basis);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t s = order[i];
        SplatInstance& instance = out[i];
        const float* p = &model.positions[s * kCoordinates];
        const float* covariance = &splats.covariances[s * kCovarianceFloats];
        for (int k = 0; k < kCoordinates; ++k) {
            instance.position[k] = p[k];
        }
        for (int k = 0; k < kCovarianceFloats; ++k) {
            instance.covariance[k] = covariance[k];
        }
        instance.opacity = splats.opacities[s];
        if (!fixed) {
            const float d[3] = {p[0] - view.eye[0], p[1] - view.eye[1], p[2] - view.eye[2]};
            const float squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            if (squared > 0) {
                const float inverse = 1 / std::sqrt(squared);
                const float unit[3] = {d[0] * inverse, d[1] * inverse, d[2] * inverse};
                splat::shBasis(unit, kDegree, basis);
            } else {  // at the eye: no direction of its own
                splat::shBasis(view.forward, kDegree, basis);
            }
        }
        float rgb[splat::kChannels];
        splat::shColour<kDegree>(splats, s, basis, halves, rgb);
        for (int c = 0; c < splat::kChannels; ++c) {
            instance.colour[c] = levelByte(rgb[c]);
        }
        instance.colour[splat::kChannels] = kOpaque;
    }
}

}  // namespace

namespace splat {

const float* halfTable() {
    static const std::vector<float> table = [] {
        std::vector<float> values(kHalfValues);
        for (int bits = 0; bits < kHalfValues; ++bits) {
            values[static_cast<std::size_t>(bits)] = floatOfHalf(static_cast<std::uint16_t>(bits));
        }
        return values;
    }();
    return table.data();
}

}  // namespace splat

void splatColour(const SplatModel& splats, std::size_t i, const float direction[3], float rgb[3]) {
    const float* halves = splat::halfTable();
    splat::byDegree(splats.degree, [&](auto degree) {
        float basis[splat::kMaxBasis];
        splat::shBasis(direction, decltype(degree)::value, basis);
        splat::shColour<decltype(degree)::value>(splats, i, basis, halves, rgb);
    });
}

void splatInstances(const FileModel& model, const std::vector<std::uint32_t>& order,
                    const SplatView& view, SplatInstance* out) {
    splat::byDegree(model.splats.degree, [&](auto degree) {
        instancesOfDegree<decltype(degree)::value>(model, order, view, out);
    });
}
