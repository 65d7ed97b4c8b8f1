#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "model/splats.h"

namespace {

// Every half comes back as itself through a float, NaNs as NaNs.
TEST(HalfFloat, EveryHalfSurvivesAFloat) {
    for (std::uint32_t bits = 0; bits <= 0xffffu; ++bits) {
        const auto half = static_cast<std::uint16_t>(bits);
        const float value = floatOfHalf(half);
        if (std::isnan(value)) {
            EXPECT_TRUE(std::isnan(floatOfHalf(halfOf(value)))) << bits;
        } else {
            EXPECT_EQ(halfOf(value), half) << bits;
        }
    }
}

TEST(HalfFloat, RoundsToNearestEvenAndSaturatesToInfinity) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        float half;
    };
    const Case cases[] = {
        {1.0f, 1.0f},
        {-2.5f, -2.5f},
        {1.0f + 1.0f / 2048, 1.0f},                // a tie: to the even mantissa
        {1.0f + 3.0f / 2048, 1.0f + 2.0f / 1024},  // a tie: up to the even one
        {1.0f + 1.0f / 2048 + 1e-6f, 1.0f + 1.0f / 1024},
        {65504.0f, 65504.0f},  // the largest half
        {65520.0f, kInf},      // rounds past it
        {1e10f, kInf},
        {-kInf, -kInf},
        {5.960464477539063e-8f, 5.960464477539063e-8f},  // the smallest subnormal
        {2.9e-8f, 0.0f},                                 // under half of it
        {6.103515625e-5f, 6.103515625e-5f},              // the smallest normal
    };
    for (const Case& c : cases) {
        EXPECT_EQ(floatOfHalf(halfOf(c.value)), c.half) << c.value;
    }
}

}  // namespace
