// Half floats (IEEE 754 binary16) for the splats' higher-order colour coefficients: half the
// memory of floats, and plenty for colours that end as bytes.
#include <cstring>

#include "model/splats.h"

namespace {

constexpr std::uint32_t kFloatSign = 0x80000000u;
constexpr std::uint32_t kFloatExponent = 0x7f800000u;
constexpr std::uint32_t kFloatMantissa = 0x007fffffu;
constexpr int kFloatMantissaBits = 23;
constexpr int kHalfMantissaBits = 10;
constexpr int kDroppedBits = kFloatMantissaBits - kHalfMantissaBits;  // 13
constexpr int kFloatBias = 127;
constexpr int kHalfBias = 15;
constexpr int kHalfMaxExponent = 31;  // infinity and NaN
constexpr std::uint16_t kHalfSign = 0x8000u;
constexpr std::uint16_t kHalfInfinity = 0x7c00u;
constexpr std::uint16_t kHalfQuietNan = 0x7e00u;
constexpr std::uint32_t kHalfMantissa = 0x3ffu;

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOfBits(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// `mantissa` shifted right by `shift`, rounded to nearest, ties to even.
std::uint32_t roundedShift(std::uint32_t mantissa, int shift) {
    if (shift > 31) {
        return 0;
    }
    const std::uint32_t kept = mantissa >> shift;
    const std::uint32_t rest = mantissa & ((1u << shift) - 1);
    const std::uint32_t half = 1u << (shift - 1);
    return kept + ((rest > half || (rest == half && (kept & 1u))) ? 1u : 0u);
}

}  // namespace

std::uint16_t halfOf(float value) {
    const std::uint32_t bits = bitsOf(value);
    const auto sign = static_cast<std::uint16_t>((bits & kFloatSign) >> 16);
    const int exponent = static_cast<int>((bits & kFloatExponent) >> kFloatMantissaBits);
    const std::uint32_t mantissa = bits & kFloatMantissa;
    if (exponent == 2 * kFloatBias + 1) {  // infinity or NaN
        return static_cast<std::uint16_t>(sign | (mantissa ? kHalfQuietNan : kHalfInfinity));
    }
    const int halfExponent = exponent - kFloatBias + kHalfBias;
    if (halfExponent >= kHalfMaxExponent) {
        return static_cast<std::uint16_t>(sign | kHalfInfinity);
    }
    if (halfExponent <= 0) {  // a subnormal half, or zero
        const std::uint32_t full = mantissa | (1u << kFloatMantissaBits);
        return static_cast<std::uint16_t>(sign |
                                          roundedShift(full, kDroppedBits + 1 - halfExponent));
    }
    // A carry out of the mantissa steps the exponent, up to infinity, as it should.
    const std::uint32_t normal = (static_cast<std::uint32_t>(halfExponent) << kHalfMantissaBits) +
                                 roundedShift(mantissa, kDroppedBits);
    return static_cast<std::uint16_t>(sign | normal);
}

float floatOfHalf(std::uint16_t half) {
    const std::uint32_t sign = static_cast<std::uint32_t>(half & kHalfSign) << 16;
    const int exponent = (half >> kHalfMantissaBits) & kHalfMaxExponent;
    std::uint32_t mantissa = half & kHalfMantissa;
    if (exponent == kHalfMaxExponent) {
        return floatOfBits(sign | kFloatExponent | (mantissa << kDroppedBits));
    }
    if (exponent == 0) {
        if (mantissa == 0) {
            return floatOfBits(sign);
        }
        int shift = 0;  // a subnormal half is a normal float
        while (!(mantissa & (1u << kHalfMantissaBits))) {
            mantissa <<= 1;
            ++shift;
        }
        const auto floatExponent = static_cast<std::uint32_t>(kFloatBias - kHalfBias + 1 - shift);
        return floatOfBits(sign | (floatExponent << kFloatMantissaBits) |
                           ((mantissa & kHalfMantissa) << kDroppedBits));
    }
    const auto floatExponent = static_cast<std::uint32_t>(exponent - kHalfBias + kFloatBias);
    return floatOfBits(sign | (floatExponent << kFloatMantissaBits) | (mantissa << kDroppedBits));
}
