// The spherical-harmonic basis of a splat's colour and the fast reading of its half-float
// coefficients, shared by the per-view colours and the stand-in. Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "model/splats.h"

namespace splat {

// ===== Constants =====

constexpr int kChannels = 3;  // red, green, blue
// Basis functions up to each degree, the constant one included: (degree + 1)².
constexpr int kBasisCount[kMaxShDegree + 1] = {1, 4, 9, 16};
constexpr int kMaxBasis = kBasisCount[kMaxShDegree];
constexpr float kColourBias = 0.5f;  // a colour is this plus the harmonics
constexpr float kSh0 = 0.28209479177387814f;
constexpr float kSh1 = 0.4886025119029199f;
constexpr float kSh2[5] = {1.0925484305920792f, -1.0925484305920792f, 0.31539156525252005f,
                           -1.0925484305920792f, 0.5462742152960396f};
constexpr float kSh3[7] = {-0.5900435899266435f, 2.890611442640554f,   -0.4570457994644658f,
                           0.3731763325901154f,  -0.4570457994644658f, 1.445305721320277f,
                           -0.5900435899266435f};

// ===== Basis and coefficients =====

// The basis functions 0..kBasisCount[degree]-1 at the unit direction d.
inline void shBasis(const float d[3], int degree, float basis[kMaxBasis]) {
    const float x = d[0], y = d[1], z = d[2];
    basis[0] = kSh0;
    if (degree < 1) {
        return;
    }
    basis[1] = -kSh1 * y;
    basis[2] = kSh1 * z;
    basis[3] = -kSh1 * x;
    if (degree < 2) {
        return;
    }
    const float xx = x * x, yy = y * y, zz = z * z;
    basis[4] = kSh2[0] * x * y;
    basis[5] = kSh2[1] * y * z;
    basis[6] = kSh2[2] * (2 * zz - xx - yy);
    basis[7] = kSh2[3] * x * z;
    basis[8] = kSh2[4] * (xx - yy);
    if (degree < 3) {
        return;
    }
    basis[9] = kSh3[0] * y * (3 * xx - yy);
    basis[10] = kSh3[1] * x * y * z;
    basis[11] = kSh3[2] * y * (4 * zz - xx - yy);
    basis[12] = kSh3[3] * z * (2 * zz - 3 * xx - 3 * yy);
    basis[13] = kSh3[4] * x * (4 * zz - xx - yy);
    basis[14] = kSh3[5] * z * (xx - yy);
    basis[15] = kSh3[6] * x * (xx - 3 * yy);
}

// Every half float's value, indexed by its bits: a look-up is much faster than decoding, and
// a view's colours read tens of millions of them.
const float* halfTable();

// Splat i's colour for the basis of one direction: 0.5 + Σ basis · coefficients per channel,
// clamped at 0. `halves` is halfTable(); kDegree is the model's.
template <int kDegree>
inline void shColour(const SplatModel& splats, std::size_t i, const float* basis,
                     const float* halves, float rgb[kChannels]) {
    constexpr int kPerChannel = kShRestPerChannel[kDegree];
    const float* dc = &splats.dc[i * kChannels];
    for (int c = 0; c < kChannels; ++c) {
        float sum = basis[0] * dc[c];
        if constexpr (kPerChannel > 0) {
            const std::uint16_t* own = &splats.rest[(i * kChannels + c) * kPerChannel];
            for (int k = 0; k < kPerChannel; ++k) {
                sum += basis[k + 1] * halves[own[k]];
            }
        }
        const float value = kColourBias + sum;
        rgb[c] = value > 0 ? value : 0;
    }
}

// Calls work(std::integral_constant<int, degree>) so that loops over coefficients have their
// length fixed at compile time.
template <typename Work>
void byDegree(int degree, Work&& work) {
    switch (degree) {
        case 0:
            work(std::integral_constant<int, 0>{});
            break;
        case 1:
            work(std::integral_constant<int, 1>{});
            break;
        case 2:
            work(std::integral_constant<int, 2>{});
            break;
        default:
            work(std::integral_constant<int, kMaxShDegree>{});
            break;
    }
}

}  // namespace splat
