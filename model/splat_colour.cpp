// A splat's colour seen from a direction, and the instances the drawing takes for a view: the
// spherical harmonics evaluated once per splat and direction, from half floats read by table.
#include <cmath>
#include <cstddef>
#include <cstring>
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

// The colour of splat s for the view as bytes: the direction from the eye to it (`forward` in a
// parallel view, or for a splat at the eye). `basis` holds the basis along `forward`.
template <int kDegree>
void colourBytes(const FileModel& model, std::size_t s, const SplatView& view, const float* basis,
                 const float* halves, std::uint8_t* bytes) {
    float own[splat::kMaxBasis];
    if (kDegree > 0 && !view.parallel) {
        const float* p = &model.positions[s * kCoordinates];
        const float d[3] = {p[0] - view.eye[0], p[1] - view.eye[1], p[2] - view.eye[2]};
        const float squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (squared > 0) {
            const float inverse = 1 / std::sqrt(squared);
            const float unit[3] = {d[0] * inverse, d[1] * inverse, d[2] * inverse};
            splat::shBasis(unit, kDegree, own);
            basis = own;
        }
    }
    float rgb[splat::kChannels];
    splat::shColour<kDegree>(model.splats, s, basis, halves, rgb);
    for (int c = 0; c < splat::kChannels; ++c) {
        bytes[c] = levelByte(rgb[c]);
    }
    bytes[splat::kChannels] = kOpaque;
}

// Splat s's centre, covariance and opacity.
void copyShape(const FileModel& model, std::size_t s, SplatInstance& instance) {
    const SplatModel& splats = model.splats;
    std::memcpy(instance.position, &model.positions[s * kCoordinates], sizeof instance.position);
    std::memcpy(instance.covariance, &splats.covariances[s * kCovarianceFloats],
                sizeof instance.covariance);
    instance.opacity = splats.opacities[s];
}

// An instance's last two fields, side by side as in the instance: found in the splats' own order,
// copied in back-to-front order as one.
struct Paint {
    float opacity;
    std::uint8_t colour[kColourBytes];
};
static_assert(offsetof(SplatInstance, colour) == offsetof(SplatInstance, opacity) + sizeof(float) &&
                  sizeof(Paint) == sizeof(SplatInstance) - offsetof(SplatInstance, opacity),
              "an instance ends with its paint");

// The instances for one degree. Higher degrees' colours are found first in the splats' own order
// and kept aside with the opacities: their coefficients, most of a splat's bytes, are then read
// in sequence, where reading them in back-to-front order would wait on memory for each splat
// (several times slower for a million), and the instances then gather from three arrays, not
// five.
template <int kDegree>
void instancesOfDegree(const FileModel& model, const std::vector<std::uint32_t>& order,
                       const SplatView& view, SplatInstance* out) {
    const float* halves = splat::halfTable();
    float basis[splat::kMaxBasis];
    splat::shBasis(view.forward, kDegree, basis);
    if constexpr (kDegree == 0) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            copyShape(model, order[i], out[i]);
            colourBytes<kDegree>(model, order[i], view, basis, halves, out[i].colour);
        }
    } else {
        // Kept between views on each thread, so that a view allocates nothing once the first
        // has sized it.
        static thread_local std::vector<Paint> paints;
        const std::size_t count = model.splats.count();
        paints.resize(count);
        Paint* paint = paints.data();
        for (std::size_t s = 0; s < count; ++s) {
            paint[s].opacity = model.splats.opacities[s];
            colourBytes<kDegree>(model, s, view, basis, halves, paint[s].colour);
        }
        const float* positions = model.positions.data();
        const float* covariances = model.splats.covariances.data();
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::size_t s = order[i];
            auto* bytes = reinterpret_cast<unsigned char*>(&out[i]);
            std::memcpy(bytes + offsetof(SplatInstance, position), positions + s * kCoordinates,
                        sizeof out[i].position);
            std::memcpy(bytes + offsetof(SplatInstance, covariance),
                        covariances + s * kCovarianceFloats, sizeof out[i].covariance);
            std::memcpy(bytes + offsetof(SplatInstance, opacity), &paint[s], sizeof(Paint));
        }
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
