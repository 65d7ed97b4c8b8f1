// How measured values become colours: a perceptually uniform scale over the range most values
// fall in, or one distinct colour per label when a property holds a few whole numbers. Pure
// computation, no GL; used by the viewer's colouring and legend and by the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/file_model.h"

namespace plyview {

// ===== Constants =====

// A continuous scale spans these quantiles of the finite values: a few outliers, even 1,000
// times the rest, cannot squeeze every other value into one end of the scale.
constexpr double kLowQuantile = 0.01;
constexpr double kHighQuantile = 0.99;
// An integer property with at most this many distinct values is a set of labels.
constexpr std::size_t kMaxCategories = 32;
constexpr std::uint8_t kMissingLevel = 150;  // the neutral grey of NaN and infinite values
constexpr double kFlatScalePoint = 0.5;      // where every value goes when all are equal

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
};
constexpr Rgb kMissingColour{kMissingLevel, kMissingLevel, kMissingLevel};

// The continuous scale at t in [0, 1] (clamped): dark blue through green to yellow, lightness
// rising all the way.
Rgb scaleColour(double t);
// The colour of label number k (< kMaxCategories), distinct from its neighbours and the grey.
Rgb categoryColour(std::size_t k);

// ===== A property's scale =====

struct ColourScale {
    bool categorical = false;
    bool empty = true;               // no finite value: everything is grey
    double low = 0, high = 0;        // continuous: the values at the scale's two ends
    std::vector<double> categories;  // categorical: the distinct values, ascending

    Rgb colourOf(double value) const;
};

// The scale of a property's values, in time linear in their count (quantiles by selection).
ColourScale scaleOf(const PropertyValues& property);

// Each value's colour as r, g, b, 255 (kColourBytes per value) into `rgba`, resized to fit.
void paintValues(const ColourScale& scale, const PropertyValues& property,
                 std::vector<std::uint8_t>& rgba);

// A value as the legend and the standard output show it: enough significant digits that the
// ends of the scale read apart.
std::string legendNumber(double value, const ColourScale& scale);

}  // namespace plyview
