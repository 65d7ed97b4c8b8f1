// A splat file's vertices into the model: found by name, each splat's covariance and opacity
// worked out in double and stored as floats, its higher-order colour coefficients as half
// floats, and splats that could not be drawn left out.
#include "model/splat_read.h"

#include <cmath>
#include <limits>
#include <string>

#include "model/ply_attributes.h"

namespace ply {
namespace {

// ===== Constants =====

constexpr const char* kDcNames[] = {"f_dc_0", "f_dc_1", "f_dc_2"};
constexpr const char* kScaleNames[] = {"scale_0", "scale_1", "scale_2"};
constexpr const char* kRotNames[] = {"rot_0", "rot_1", "rot_2", "rot_3"};
constexpr const char* kOpacityName = "opacity";
constexpr const char* kRestPrefix = "f_rest_";
constexpr double kLargestFloat = std::numeric_limits<float>::max();
constexpr double kLargestDouble = std::numeric_limits<double>::max();
constexpr double kLargestHalf = 65504;      // the largest finite half float
constexpr std::size_t kLeastGrowth = 1024;  // splats made room for at a time, at the least

// The number of the element's scalar property called `name`, or -1.
int scalar(const Header& header, const Element& element, const std::string& name) {
    const int k = findProperty(header, element, name);
    return k >= 0 && !header.property(element, k).list ? k : -1;
}

// Sets `count` fields from `first` to the properties of `names`; false unless all are there.
template <std::size_t N>
bool takeNamed(const Header& header, const Element& element, const char* const (&names)[N],
               int first, SplatLayout& layout) {
    for (std::size_t n = 0; n < N; ++n) {
        const int k = scalar(header, element, names[n]);
        if (k < 0) {
            return false;
        }
        layout.property[first + static_cast<int>(n)] = k;
    }
    return true;
}

// The highest degree whose f_rest_* are all there, and their property numbers channel by
// channel: files hold all of red's coefficients, then green's, then blue's, each block a third
// of the f_rest_* there (so a count that is no degree's is read as blocks of its third).
void takeRest(const Header& header, const Element& element, SplatLayout& layout) {
    int present = 0;  // f_rest_0 .. f_rest_{present - 1} are all there
    while (present < kMaxSplatRest &&
           scalar(header, element, kRestPrefix + std::to_string(present)) >= 0) {
        ++present;
    }
    layout.degree = kMaxShDegree;
    while (layout.degree > 0 && 3 * kShRestPerChannel[layout.degree] > present) {
        --layout.degree;
    }
    layout.fields = kSplatRestField + 3 * kShRestPerChannel[layout.degree];
    const int kept = kShRestPerChannel[layout.degree];
    const int block = present / 3;
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < kept; ++k) {
            layout.property[kSplatRestField + c * kept + k] =
                scalar(header, element, kRestPrefix + std::to_string(c * block + k));
        }
    }
}

}  // namespace

// ===== Which files =====

bool planSplats(const Header& header, const Element& element, SplatLayout& layout) {
    SplatLayout found;
    const char* axisNames[kPositionAxes];
    int axes[kPositionAxes];
    findAxes(header, element, axes, axisNames);
    for (int a = 0; a < kPositionAxes; ++a) {
        if (axes[a] < 0 || header.property(element, axes[a]).list) {
            return false;
        }
        found.property[kSplatPositionField + a] = axes[a];
    }
    found.property[kSplatOpacityField] = scalar(header, element, kOpacityName);
    if (found.property[kSplatOpacityField] < 0 ||
        !takeNamed(header, element, kDcNames, kSplatDcField, found) ||
        !takeNamed(header, element, kScaleNames, kSplatScaleField, found) ||
        !takeNamed(header, element, kRotNames, kSplatRotField, found)) {
        return false;
    }
    takeRest(header, element, found);
    layout = found;
    return true;
}

bool isSplatFile(const Header& header) {
    bool splats = false;
    for (const Element& element : header.elements) {
        if (element.name == "vertex") {
            SplatLayout layout;
            splats = planSplats(header, element, layout);
        } else if ((element.name == "face" || element.name == "tristrips") && element.count > 0) {
            return false;
        }
    }
    return splats;
}

// ===== Values =====

double sigmoid(double logit) {
    return 1.0 / (1.0 + std::exp(-logit));
}

bool splatCovariance(const double scale[3], const double rotation[4],
                     double covariance[kCovarianceFloats]) {
    const double norm2 = rotation[0] * rotation[0] + rotation[1] * rotation[1] +
                         rotation[2] * rotation[2] + rotation[3] * rotation[3];
    if (!(norm2 > 0) || !std::isfinite(norm2)) {
        return false;
    }
    const double inverse = 1.0 / std::sqrt(norm2);
    const double w = rotation[0] * inverse, x = rotation[1] * inverse;
    const double y = rotation[2] * inverse, z = rotation[3] * inverse;
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                            {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                            {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
    const double s[3] = {std::exp(scale[0]), std::exp(scale[1]), std::exp(scale[2])};
    double m[3][3];  // R S
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m[i][j] = r[i][j] * s[j];
        }
    }
    int out = 0;
    bool fits = true;
    for (int i = 0; i < 3; ++i) {
        for (int j = i; j < 3; ++j) {
            const double value = m[i][0] * m[j][0] + m[i][1] * m[j][1] + m[i][2] * m[j][2];
            fits = fits && std::fabs(value) <= kLargestFloat;  // false for NaN too
            covariance[out++] = value;
        }
    }
    return fits;
}

// ===== Storage =====

void SplatSink::reserve(std::size_t count) {
    geometry_.positions.reserve(count * kPositionAxes);
    geometry_.colours.reserve(count * kColourBytes);
    SplatModel& model = geometry_.splatModel;
    model.degree = layout_.degree;
    model.covariances.reserve(count * kCovarianceFloats);
    model.opacities.reserve(count);
    model.dc.reserve(count * 3);
    model.rest.reserve(count * static_cast<std::size_t>(model.restPerSplat()));
    resizeAll(count);
}

void SplatSink::grow() {
    resizeAll(std::max(kLeastGrowth, 2 * room_));
}

void SplatSink::resizeAll(std::size_t count) {
    SplatModel& model = geometry_.splatModel;
    model.degree = layout_.degree;
    geometry_.positions.resize(count * kPositionAxes);
    geometry_.colours.resize(count * kColourBytes, kOpaque);
    model.covariances.resize(count * kCovarianceFloats);
    model.opacities.resize(count);
    model.dc.resize(count * 3);
    model.rest.resize(count * static_cast<std::size_t>(model.restPerSplat()));
    room_ = count;
    positions_ = geometry_.positions.data();
    colours_ = geometry_.colours.data();
    covariances_ = model.covariances.data();
    opacities_ = model.opacities.data();
    dc_ = model.dc.data();
    rest_ = model.rest.data();
}

bool SplatSink::store(const double* values, std::size_t at) {
    bool finite = true;  // every value tested, without a branch for each
    for (int f = 0; f < layout_.fields; ++f) {
        finite = finite & (std::fabs(values[f]) <= kLargestDouble);
    }
    double covariance[kCovarianceFloats];
    if (!finite ||
        !splatCovariance(values + kSplatScaleField, values + kSplatRotField, covariance)) {
        return false;
    }
    for (int a = 0; a < kPositionAxes; ++a) {
        positions_[at * kPositionAxes + static_cast<std::size_t>(a)] =
            values[kSplatPositionField + a];
    }
    for (int c = 0; c < kChannels; ++c) {
        const double dc = values[kSplatDcField + c];
        colours_[at * kColourBytes + static_cast<std::size_t>(c)] = splatByte(dc);
        dc_[at * kChannels + static_cast<std::size_t>(c)] = static_cast<float>(dc);
    }
    for (int k = 0; k < kCovarianceFloats; ++k) {
        covariances_[at * kCovarianceFloats + static_cast<std::size_t>(k)] =
            static_cast<float>(covariance[k]);
    }
    opacities_[at] = static_cast<float>(sigmoid(values[kSplatOpacityField]));
    const int rest = layout_.fields - kSplatRestField;
    std::uint16_t* halves = rest_ + at * static_cast<std::size_t>(rest);
    for (int k = 0; k < rest; ++k) {
        // Beyond the half range a coefficient saturates any colour already: it is kept at the
        // largest half rather than made infinite.
        const double value = values[kSplatRestField + k];
        halves[k] =
            quickHalfOf(static_cast<float>(std::max(-kLargestHalf, std::min(value, kLargestHalf))));
    }
    return true;
}

bool SplatSink::finish(PlyError& error) {
    if (kept_ < room_) {
        resizeAll(kept_);
        SplatModel& model = geometry_.splatModel;
        geometry_.positions.shrink_to_fit();
        geometry_.colours.shrink_to_fit();
        model.covariances.shrink_to_fit();
        model.opacities.shrink_to_fit();
        model.dc.shrink_to_fit();
        model.rest.shrink_to_fit();
    }
    geometry_.splats = kept_ > 0;
    const std::int64_t leftOut = geometry_.splatModel.leftOut;
    if (kept_ == 0 && leftOut > 0) {
        return fail(error, "all %lld splats have values that are not finite or a zero rotation",
                    static_cast<long long>(leftOut));
    }
    return true;
}

}  // namespace ply
