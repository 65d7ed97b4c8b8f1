// Splats for tests and benchmarks: one splat described as a person would (standard deviations,
// a turn about an axis, an opacity and a colour), a closed torus of flat splats, and a scene of
// many splats made one at a time from their number.
#include <cmath>
#include <cstdint>

#include "tools/plywrite/plywrite.h"

namespace plywrite {
namespace {

// ===== Constants =====

constexpr double kTurn = 2 * M_PI;
constexpr double kDegree = M_PI / 180;
constexpr double kShC0 = 0.28209479177387814;  // the degree-0 spherical harmonic
constexpr double kTorusRadius = 1.0;
constexpr double kTubeRadius = 0.4;
// A torus splat's standard deviation across the surface, as a share of the gap to its
// neighbours, and along the normal, as a share of that: wide enough to close the surface.
constexpr double kSpreadShare = 0.6;
constexpr double kThinShare = 0.05;
constexpr double kTorusOpacity = 0.98;
constexpr double kColourBase = 0.2;  // torus colours lie in kColourBase .. kColourBase + range
constexpr double kColourRange = 0.7;
constexpr std::uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t kSaltMultiplier = 0xBF58476D1CE4E5B9ULL;
constexpr int kHashShift = 29;
constexpr double kUnitHash = 1.0 / 4294967296.0;  // 2^-32: a 32-bit hash on 0..1
constexpr int kHashBits = 32;

// A number 0..1 for (i, salt), the same every time.
double hash01(std::uint64_t i, std::uint64_t salt) {
    std::uint64_t x = (i + 1) * kHashMultiplier ^ (salt + 1) * kSaltMultiplier;
    x ^= x >> kHashShift;
    x *= kHashMultiplier;
    x ^= x >> kHashShift;
    return static_cast<double>(x >> kHashBits) * kUnitHash;
}

double logit(double p) {
    return std::log(p / (1 - p));
}

// f_dc of a colour channel on 0..1.
double dcOf(double level) {
    return (level - 0.5) / kShC0;
}

using Vec = std::array<double, 3>;

Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace

// ===== One splat =====

std::array<double, 4> quaternionOf(const Vec& u, const Vec& v, const Vec& n) {
    // The matrix's columns are u, v, n: m[row][column].
    const double m[3][3] = {{u[0], v[0], n[0]}, {u[1], v[1], n[1]}, {u[2], v[2], n[2]}};
    const double trace = m[0][0] + m[1][1] + m[2][2];
    std::array<double, 4> q{};
    if (trace > 0) {
        const double s = 2 * std::sqrt(trace + 1);
        q = {s / 4, (m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s};
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = 2 * std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]);
        q = {(m[2][1] - m[1][2]) / s, s / 4, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s};
    } else if (m[1][1] > m[2][2]) {
        const double s = 2 * std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]);
        q = {(m[0][2] - m[2][0]) / s, (m[0][1] + m[1][0]) / s, s / 4, (m[1][2] + m[2][1]) / s};
    } else {
        const double s = 2 * std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]);
        q = {(m[1][0] - m[0][1]) / s, (m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, s / 4};
    }
    return q;
}

SplatSpec splatOf(const Vec& position, const Vec& sigma, const Vec& axis, double degrees,
                  double opacity, const Vec& rgb) {
    SplatSpec splat;
    splat.position = position;
    for (std::size_t a = 0; a < 3; ++a) {
        splat.logScale[a] = std::log(sigma[a]);
        splat.dc[a] = dcOf(rgb[a]);
    }
    const double half = degrees * kDegree / 2;
    splat.rotation = {std::cos(half), axis[0] * std::sin(half), axis[1] * std::sin(half),
                      axis[2] * std::sin(half)};
    splat.opacityLogit = logit(opacity);
    return splat;
}

// ===== Shapes =====

std::vector<SplatSpec> splatTorus(int around, int tube) {
    std::vector<SplatSpec> splats;
    splats.reserve(static_cast<std::size_t>(around) * static_cast<std::size_t>(tube));
    for (int i = 0; i < around; ++i) {
        const double theta = kTurn * i / around;
        for (int j = 0; j < tube; ++j) {
            const double phi = kTurn * j / tube;
            const double ring = kTorusRadius + kTubeRadius * std::cos(phi);
            const Vec normal = {std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta),
                                std::sin(phi)};
            const Vec u = {-std::sin(theta), std::cos(theta), 0};  // round the axis
            const Vec v = cross(normal, u);                        // round the tube
            const double gapU = kTurn * ring / around;
            const double gapV = kTurn * kTubeRadius / tube;
            SplatSpec splat;
            splat.position = {ring * std::cos(theta), ring * std::sin(theta),
                              kTubeRadius * std::sin(phi)};
            const double thin = kThinShare * kSpreadShare * std::min(gapU, gapV);
            splat.logScale = {std::log(kSpreadShare * gapU), std::log(kSpreadShare * gapV),
                              std::log(thin)};
            splat.rotation = quaternionOf(u, v, normal);
            splat.opacityLogit = logit(kTorusOpacity);
            const auto n = static_cast<std::uint64_t>(splats.size());
            for (std::size_t c = 0; c < 3; ++c) {
                splat.dc[c] = dcOf(kColourBase + kColourRange * hash01(n, c));
            }
            splats.push_back(splat);
        }
    }
    return splats;
}

namespace {

// ===== The scene =====

constexpr int kSceneParts = 7;      // tori and blobs, by turns
constexpr double kSceneSpread = 6;  // parts lie within this of the origin
constexpr double kLeastPartSize = 0.5;
constexpr double kPartSizeRange = 1.5;
constexpr double kSceneTube = 0.4;     // a torus part's tube, as a share of its size
constexpr double kBumpHeight = 0.15;   // a blob's bumps, as a share of its size
constexpr double kBumpsAround = 5;     // bumps round a blob's axis
constexpr double kBumpsAcross = 3;     // and along it
constexpr double kLeastSigma = 0.004;  // standard deviations across a part's surface
constexpr double kSigmaRange = 0.03;
constexpr double kLeastAspect = 0.3;  // the second deviation as a share of the first, at least
constexpr double kLeastOpacity = 0.2;
constexpr double kOpacityRange = 0.79;
constexpr double kRestRange = 0.4;        // higher-order coefficients within ±kRestRange / 2
constexpr double kPartColourRange = 0.5;  // of a part's colour about its own
constexpr double kSteepNormal = 0.9;      // a normal this close to z is crossed with x instead

// The hash's salts: what each number of a splat is drawn for. A part's own numbers are drawn
// for splat 0 with salts from kPartSalts on.
enum Salt : std::uint64_t {
    kAroundSalt = 1,
    kAcrossSalt,
    kHeightSalt,
    kColourSalt,  // three, one per channel
    kSigmaSalt = kColourSalt + 3,
    kAspectSalt,
    kOpacitySalt,
    kRestSalt,  // kSplatRestMax of them
    kPartSalts = kRestSalt + kSplatRestMax,
};
constexpr std::uint64_t kPartNumbers = 8;  // size, centre (3), colour (3), and one spare

std::uint64_t partSalt(int part, int value) {
    return kPartSalts + static_cast<std::uint64_t>(part) * kPartNumbers +
           static_cast<std::uint64_t>(value);
}

}  // namespace

SplatSpec sceneSplat(std::int64_t i) {
    const auto n = static_cast<std::uint64_t>(i);
    const int part = static_cast<int>(n % kSceneParts);
    const double size = kLeastPartSize + kPartSizeRange * hash01(0, partSalt(part, 0));
    Vec centre{};
    for (std::size_t a = 0; a < 3; ++a) {
        centre[a] = kSceneSpread * (2 * hash01(0, partSalt(part, 1 + static_cast<int>(a))) - 1);
    }
    const double theta = kTurn * hash01(n, kAroundSalt);
    const double phi = kTurn * hash01(n, kAcrossSalt);
    Vec normal;
    Vec at;
    if (part % 2 == 0) {  // a torus
        const double ring = size * (1 + kSceneTube * std::cos(phi));
        normal = {std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)};
        at = {ring * std::cos(theta), ring * std::sin(theta), size * kSceneTube * std::sin(phi)};
    } else {  // a blob: a sphere with bumps
        const double z = 2 * hash01(n, kHeightSalt) - 1;
        const double r = std::sqrt(1 - z * z);
        normal = {r * std::cos(theta), r * std::sin(theta), z};
        const double bump =
            1 + kBumpHeight * std::sin(kBumpsAround * theta) * std::cos(kBumpsAcross * phi);
        at = {size * bump * normal[0], size * bump * normal[1], size * bump * normal[2]};
    }
    const Vec helper = std::fabs(normal[2]) < kSteepNormal ? Vec{0, 0, 1} : Vec{1, 0, 0};
    Vec u = cross(helper, normal);
    const double length = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    u = {u[0] / length, u[1] / length, u[2] / length};
    const Vec v = cross(normal, u);
    SplatSpec splat;
    for (std::size_t a = 0; a < 3; ++a) {
        splat.position[a] = centre[a] + at[a];
        const double base = hash01(0, partSalt(part, 4 + static_cast<int>(a)));
        splat.dc[a] = dcOf(base + kPartColourRange * (hash01(n, kColourSalt + a) - 0.5));
    }
    const double sigma = kLeastSigma + kSigmaRange * hash01(n, kSigmaSalt);
    splat.logScale = {std::log(sigma), std::log(sigma * (kLeastAspect + hash01(n, kAspectSalt))),
                      std::log(sigma * kThinShare)};
    splat.rotation = quaternionOf(u, v, normal);
    splat.opacityLogit = logit(kLeastOpacity + kOpacityRange * hash01(n, kOpacitySalt));
    for (std::size_t k = 0; k < splat.rest.size(); ++k) {
        splat.rest[k] = kRestRange * (hash01(n, kRestSalt + k) - 0.5);
    }
    return splat;
}

}  // namespace plywrite
