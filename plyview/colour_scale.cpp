// The continuous scale as a published polynomial fit of a perceptually uniform colour map, the
// labels' colours spread round the hue circle, and the quantiles found by selection.
#include "plyview/colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace plyview {

namespace {

// ===== Scale data =====

// Coefficients c0..c6 of a degree-6 polynomial per channel, fitted to the viridis colour map (a
// public-domain fit): colour(t) = c0 + t (c1 + t (c2 + ...)).
constexpr int kScaleTerms = 7;
constexpr double kScaleFit[kScaleTerms][3] = {
    {0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
    {0.1050930431085774, 1.404613529898575, 1.384590162594685},
    {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
    {-4.634230498983486, -5.799100973351585, -19.33244095627987},
    {6.228269936347081, 14.17993336680509, 56.69055260068105},
    {4.776384997670288, -13.74514537774601, -65.35303263337234},
    {-5.435455855934631, 4.645852612178535, 26.3124352495832},
};

// Labels: hues a golden angle apart, so that neighbouring labels never look alike, in two
// lightnesses and saturations that alternate.
constexpr double kGoldenTurn = 0.6180339887498949;
constexpr double kLabelSaturation[2] = {0.85, 0.55};
constexpr double kLabelValue[2] = {0.95, 0.70};
constexpr double kFullLevel = 255;
constexpr int kHueSectors = 6;
constexpr int kLegendDigits = 3;      // significant digits at least
constexpr int kMaxLegendDigits = 15;  // what a double holds
constexpr int kNumberChars = 48;
constexpr std::size_t kScaleSteps = 4096;  // of the painting's table of the continuous scale
constexpr double kHalfStep = 0.5;

std::uint8_t level(double unit) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * kFullLevel));
}

Rgb fromHsv(double hue, double saturation, double value) {
    const double h = hue * kHueSectors;
    const int sector = static_cast<int>(h) % kHueSectors;
    const double f = h - std::floor(h);
    const double p = value * (1 - saturation);
    const double q = value * (1 - saturation * f);
    const double t = value * (1 - saturation * (1 - f));
    const double rgb[kHueSectors][3] = {{value, t, p}, {q, value, p}, {p, value, t},
                                        {p, q, value}, {t, p, value}, {value, p, q}};
    return Rgb{level(rgb[sector][0]), level(rgb[sector][1]), level(rgb[sector][2])};
}

std::array<Rgb, kMaxCategories> makeLabelColours() {
    std::array<Rgb, kMaxCategories> colours;
    for (std::size_t k = 0; k < kMaxCategories; ++k) {
        const double hue = std::fmod(static_cast<double>(k) * kGoldenTurn, 1.0);
        colours[k] = fromHsv(hue, kLabelSaturation[k % 2], kLabelValue[(k / 2) % 2]);
    }
    return colours;
}

// The continuous scale at t, clamped to [0, 1].
Rgb scaleAt(double t) {
    const double x = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.0;
    double channel[3];
    for (int c = 0; c < 3; ++c) {
        double sum = kScaleFit[kScaleTerms - 1][c];
        for (int k = kScaleTerms - 2; k >= 0; --k) {
            sum = kScaleFit[k][c] + x * sum;
        }
        channel[c] = sum;
    }
    return Rgb{level(channel[0]), level(channel[1]), level(channel[2])};
}

std::array<Rgb, kScaleSteps> makeScaleSteps() {
    std::array<Rgb, kScaleSteps> steps;
    for (std::size_t k = 0; k < kScaleSteps; ++k) {
        steps[k] = scaleAt(static_cast<double>(k) / (kScaleSteps - 1));
    }
    return steps;
}

// ===== Quantiles =====

// The finite values, less the property's base.
std::vector<float> finiteValues(const PropertyValues& property) {
    std::vector<float> finite;
    finite.reserve(property.values.size());
    for (const float v : property.values) {
        if (std::isfinite(v)) {
            finite.push_back(v);
        }
    }
    return finite;
}

// The value of rank round(q (n - 1)) among n; reorders `values`.
float quantile(std::vector<float>& values, double q) {
    const auto rank =
        static_cast<std::size_t>(std::lround(q * static_cast<double>(values.size() - 1)));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank),
                     values.end());
    return values[rank];
}

// The distinct values when there are at most kMaxCategories of them, else none.
std::vector<double> fewDistinct(const PropertyValues& property) {
    std::vector<float> seen;
    for (const float v : property.values) {
        if (!std::isfinite(v) || std::find(seen.begin(), seen.end(), v) != seen.end()) {
            continue;
        }
        if (seen.size() == kMaxCategories) {
            return {};
        }
        seen.push_back(v);
    }
    std::sort(seen.begin(), seen.end());
    std::vector<double> distinct;
    for (const float v : seen) {
        distinct.push_back(property.base + static_cast<double>(v));
    }
    return distinct;
}

}  // namespace

Rgb scaleColour(double t) {
    return scaleAt(t);
}

Rgb categoryColour(std::size_t k) {
    static const std::array<Rgb, kMaxCategories> colours = makeLabelColours();
    return colours[k % kMaxCategories];
}

Rgb ColourScale::colourOf(double value) const {
    if (empty || !std::isfinite(value)) {
        return kMissingColour;
    }
    if (categorical) {
        const auto at = std::lower_bound(categories.begin(), categories.end(), value);
        return at == categories.end() || *at != value
                   ? kMissingColour
                   : categoryColour(static_cast<std::size_t>(at - categories.begin()));
    }
    return scaleColour(high > low ? (value - low) / (high - low) : kFlatScalePoint);
}

ColourScale scaleOf(const PropertyValues& property) {
    ColourScale scale;
    if (property.integer) {
        scale.categories = fewDistinct(property);
        scale.categorical = !scale.categories.empty();
        scale.empty = !scale.categorical;
        if (scale.categorical) {
            return scale;
        }
    }
    std::vector<float> finite = finiteValues(property);
    scale.empty = finite.empty();
    if (!scale.empty) {
        scale.low = property.base + static_cast<double>(quantile(finite, kLowQuantile));
        scale.high = property.base + static_cast<double>(quantile(finite, kHighQuantile));
    }
    return scale;
}

void paintValues(const ColourScale& scale, const PropertyValues& property,
                 std::vector<std::uint8_t>& rgba) {
    rgba.resize(property.values.size() * kColourBytes);
    std::uint8_t* out = rgba.data();
    const auto put = [&out](Rgb colour) {
        out[0] = colour.r;
        out[1] = colour.g;
        out[2] = colour.b;
        out[3] = static_cast<std::uint8_t>(kFullLevel);
        out += kColourBytes;
    };
    if (scale.empty || scale.categorical || !(scale.high > scale.low)) {
        for (std::size_t i = 0; i < property.values.size(); ++i) {
            put(scale.colourOf(property.at(i)));
        }
        return;
    }
    // A continuous scale from a table of its steps, finer than a byte per channel resolves.
    static const std::array<Rgb, kScaleSteps> steps = makeScaleSteps();
    const double from = scale.low - property.base;
    const double perStep = (kScaleSteps - 1) / (scale.high - scale.low);
    for (const float v : property.values) {
        if (!std::isfinite(v)) {
            put(kMissingColour);
            continue;
        }
        const double at = std::clamp((static_cast<double>(v) - from) * perStep, 0.0,
                                     static_cast<double>(kScaleSteps - 1));
        put(steps[static_cast<std::size_t>(at + kHalfStep)]);
    }
}

std::string legendNumber(double value, const ColourScale& scale) {
    // Labels are whole numbers, written out in full.
    int digits = scale.categorical ? kMaxLegendDigits : kLegendDigits;
    const double span = scale.high - scale.low;
    const double largest = std::max(std::fabs(scale.low), std::fabs(scale.high));
    if (!scale.categorical && span > 0 && largest > 0) {
        digits += std::max(0, static_cast<int>(std::ceil(std::log10(largest / span))));
    }
    char text[kNumberChars];
    std::snprintf(text, sizeof text, "%.*g", std::min(digits, kMaxLegendDigits), value);
    return text;
}

}  // namespace plyview
