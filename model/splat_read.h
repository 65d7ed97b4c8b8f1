// The vertex element of a 3D Gaussian-splat file as the general reader takes it: which files are
// splat files, where each splat's values lie in an instance, and what becomes of them (centres
// in double for the model's positions, degree-0 colour bytes, covariances, opacities and colour
// coefficients). Splats with a value that is not finite, or a zero rotation, are left out and
// counted. Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "model/ply_format.h"
#include "model/splats.h"

namespace ply {

// ===== Where a splat's values lie =====

// The values of one splat, by field: its centre, f_dc_0..2, opacity, scale_0..2, rot_0..3, then
// the f_rest_* of its degree.
constexpr int kSplatPositionField = 0;
constexpr int kSplatDcField = kSplatPositionField + 3;
constexpr int kSplatOpacityField = kSplatDcField + 3;
constexpr int kSplatScaleField = kSplatOpacityField + 1;
constexpr int kSplatRotField = kSplatScaleField + 3;
constexpr int kSplatRestField = kSplatRotField + 4;
constexpr int kMaxSplatRest = 3 * kShRestPerChannel[kMaxShDegree];  // 45
constexpr int kMaxSplatFields = kSplatRestField + kMaxSplatRest;

// The property number of each field in the vertex element, and how many fields it has.
struct SplatLayout {
    int property[kMaxSplatFields] = {};
    int fields = 0;  // kSplatRestField + 3 * kShRestPerChannel[degree]
    int degree = 0;
};

// Whether the vertex element holds splats: x y z (or X Y Z), f_dc_0..2, opacity, scale_0..2 and
// rot_0..3 as numeric scalars, with f_rest_* up to the highest degree whose coefficients are all
// there; other properties are passed over. Sets `layout` when it does.
bool planSplats(const Header& header, const Element& element, SplatLayout& layout);

// Whether the header is that of a splat file: a splat vertex element and no faces (no face or
// strip element, or only ones of no instances).
bool isSplatFile(const Header& header);

// ===== What becomes of them =====

constexpr std::uint32_t kLeastNormalHalf = 0x38800000u;       // 2^-14 as float bits
constexpr std::uint32_t kHalfRoundsToInfinity = 0x477FF000u;  // 65520: past the largest half
constexpr std::uint32_t kHalfRebias = 0x38000000u;  // (127 - 15) << 23: float to half exponent
constexpr int kHalfDroppedBits = 13;                // of a float's mantissa
constexpr std::uint32_t kHalfTie = (1u << (kHalfDroppedBits - 1)) - 1;

// halfOf, the same bits, worked out inline for the normal half range that colour coefficients
// mostly lie in: a file holds 45 per splat, and a call each was a third of reading one.
inline std::uint16_t quickHalfOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t magnitude = bits & 0x7FFFFFFFu;
    if (magnitude - kLeastNormalHalf < kHalfRoundsToInfinity - kLeastNormalHalf) {
        // Round to nearest, ties to even; a carry out of the mantissa steps the exponent.
        const std::uint32_t rounded = magnitude + kHalfTie + ((magnitude >> kHalfDroppedBits) & 1u);
        return static_cast<std::uint16_t>(((bits >> 16) & 0x8000u) |
                                          ((rounded - kHalfRebias) >> kHalfDroppedBits));
    }
    return halfOf(value);
}

// Takes the splats of the vertex element one by one: the good ones into the geometry's
// positions (in double), colours and splat model, the others counted in its leftOut.
class SplatSink {
  public:
    SplatSink(Geometry& geometry, const SplatLayout& layout)
        : geometry_(geometry), layout_(layout) {}

    const SplatLayout& layout() const { return layout_; }

    // Room for `count` splats, the most the rest of the file can hold; more are made room for
    // as they come.
    void reserve(std::size_t count);

    // One splat's values by field (layout().fields of them), in double.
    void add(const double* values) {
        if (kept_ == room_) {
            grow();
        }
        if (!store(values, kept_)) {
            ++geometry_.splatModel.leftOut;
            return;
        }
        ++kept_;
    }

    // Sizes every array to the splats kept and sets the geometry's notes; false when the file
    // has splats and all of them were left out.
    bool finish(PlyError& error);

  private:
    bool store(const double* values, std::size_t at);
    void grow();
    void resizeAll(std::size_t count);

    Geometry& geometry_;
    SplatLayout layout_;
    // The arrays' data, kept apart from the vectors: a colour byte stored could otherwise alias
    // them and have every pointer loaded again for each value.
    double* positions_ = nullptr;
    std::uint8_t* colours_ = nullptr;
    float* covariances_ = nullptr;
    float* opacities_ = nullptr;
    float* dc_ = nullptr;
    std::uint16_t* rest_ = nullptr;
    std::size_t kept_ = 0;  // splats stored so far
    std::size_t room_ = 0;  // splats the arrays are sized for
};

// Σ = R S Sᵀ Rᵀ in double for the log scales and the quaternion (w, x, y, z), as xx, xy, xz,
// yy, yz, zz; false when the quaternion is zero or a value of Σ is not finite as a float.
bool splatCovariance(const double scale[3], const double rotation[4],
                     double covariance[kCovarianceFloats]);

// 1 / (1 + exp(-logit)).
double sigmoid(double logit);

}  // namespace ply
