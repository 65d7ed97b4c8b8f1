// Splats per view and their stand-in: the spherical-harmonic colours basis function by basis
// function, the back-to-front sort against a stable comparison sort, the instances a view
// draws, and the merged stand-in (its moments, its count, and how much more like the full
// picture it looks than a subset of the same count).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "model/file_model.h"
#include "model/splats.h"

namespace {

constexpr float kC0 = 0.28209479177387814f;
constexpr float kTolerance = 1e-5f;
constexpr double kPi = 3.14159265358979323846;

// A splat at `p` with covariance `c`, opacity `o`, degree-0 coefficients `dc` and no others
// set (the model's degree decides how many it has).
void addSplat(FileModel& model, const std::vector<float>& p, const std::vector<float>& c, float o,
              const std::vector<float>& dc) {
    model.positions.insert(model.positions.end(), p.begin(), p.end());
    model.splats.covariances.insert(model.splats.covariances.end(), c.begin(), c.end());
    model.splats.opacities.push_back(o);
    model.splats.dc.insert(model.splats.dc.end(), dc.begin(), dc.end());
    model.splats.rest.resize(model.splats.count() * model.splats.restPerSplat(), halfOf(0));
}

void normalise(float* d) {
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int k = 0; k < 3; ++k) d[k] /= length;
}

// ===== Colours =====

using Basis = std::function<float(float, float, float)>;

// The basis functions 1..15 as the colour's definition writes them.
const Basis kBasis[] = {
    [](float, float y, float) { return -0.4886025119029199f * y; },
    [](float, float, float z) { return 0.4886025119029199f * z; },
    [](float x, float, float) { return -0.4886025119029199f * x; },
    [](float x, float y, float) { return 1.0925484305920792f * x * y; },
    [](float, float y, float z) { return -1.0925484305920792f * y * z; },
    [](float x, float y, float z) { return 0.31539156525252005f * (2 * z * z - x * x - y * y); },
    [](float x, float, float z) { return -1.0925484305920792f * x * z; },
    [](float x, float y, float) { return 0.5462742152960396f * (x * x - y * y); },
    [](float x, float y, float) { return -0.5900435899266435f * y * (3 * x * x - y * y); },
    [](float x, float y, float z) { return 2.890611442640554f * x * y * z; },
    [](float x, float y, float z) {
        return -0.4570457994644658f * y * (4 * z * z - x * x - y * y);
    },
    [](float x, float y, float z) {
        return 0.3731763325901154f * z * (2 * z * z - 3 * x * x - 3 * y * y);
    },
    [](float x, float y, float z) {
        return -0.4570457994644658f * x * (4 * z * z - x * x - y * y);
    },
    [](float x, float y, float z) { return 1.445305721320277f * z * (x * x - y * y); },
    [](float x, float y, float) { return -0.5900435899266435f * x * (x * x - 3 * y * y); },
};

// One coefficient at a time set to 1, in a channel that changes with it: that channel is
// 0.5 + 1 (from the constant term) + the basis function, the others 1.5.
TEST(SplatColour, EachBasisFunctionAtEachDegree) {
    float directions[][3] = {{1, 2, 3}, {-0.3f, 0.8f, -0.5f}, {0, 0, -1}};
    for (auto& d : directions) normalise(d);
    for (int degree = 1; degree <= kMaxShDegree; ++degree) {
        const int perChannel = kShRestPerChannel[degree];
        for (int k = 1; k <= perChannel; ++k) {
            const int channel = k % 3;
            FileModel model;
            model.splats.degree = degree;
            addSplat(model, {0, 0, 0}, {1, 0, 0, 1, 0, 1}, 1, {1 / kC0, 1 / kC0, 1 / kC0});
            model.splats.rest[channel * perChannel + k - 1] = halfOf(1);
            for (const auto& d : directions) {
                float rgb[3];
                splatColour(model.splats, 0, d, rgb);
                for (int c = 0; c < 3; ++c) {
                    const float expected =
                        1.5f + (c == channel ? kBasis[k - 1](d[0], d[1], d[2]) : 0);
                    EXPECT_NEAR(rgb[c], expected, kTolerance)
                        << "degree " << degree << " basis " << k << " channel " << c;
                }
            }
        }
    }
}

TEST(SplatColour, ClampedAtZeroNotAtOne) {
    FileModel model;
    model.splats.degree = 1;
    addSplat(model, {0, 0, 0}, {1, 0, 0, 1, 0, 1}, 1, {-3 / kC0, 0, 3 / kC0});
    const float along[3] = {0, 0, 1};
    float rgb[3];
    splatColour(model.splats, 0, along, rgb);
    EXPECT_EQ(rgb[0], 0.0f);
    EXPECT_NEAR(rgb[1], 0.5f, kTolerance);
    EXPECT_NEAR(rgb[2], 3.5f, kTolerance);
}

// ===== The sort =====

struct SortCase {
    const char* name;
    SplatView view;
    std::size_t count;
};

// Positions on a coarse lattice around the eye, so that depths tie and are negative too.
TEST(SplatSort, MatchesAStableSortOfTheDepths) {
    const float tilted = 1 / std::sqrt(3.0f);
    const SortCase cases[] = {
        {"eye inside, along -z", {{0, 0, 0}, {0, 0, -1}, false}, 5000},
        {"eye inside, tilted", {{0.5f, -1, 2}, {tilted, -tilted, tilted}, false}, 5000},
        {"parallel, eye far", {{0, 0, 100}, {0, 1, 0}, true}, 4097},
        {"one splat", {{0, 0, 0}, {1, 0, 0}, false}, 1},
        {"none", {{0, 0, 0}, {1, 0, 0}, false}, 0},
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<int> lattice(-8, 8);
    for (const SortCase& c : cases) {
        std::vector<float> positions(c.count * 3);
        for (float& p : positions) p = 0.25f * static_cast<float>(lattice(random));
        std::vector<std::uint32_t> order;
        DepthSortScratch scratch;
        sortByDepth(positions.data(), c.count, c.view, order, scratch);

        const auto depth = [&](std::uint32_t i) {
            const float* p = &positions[i * 3];
            const float* e = c.view.eye;
            const float* f = c.view.forward;
            return (p[0] - e[0]) * f[0] + (p[1] - e[1]) * f[1] + (p[2] - e[2]) * f[2];
        };
        std::vector<std::uint32_t> expected(c.count);
        std::iota(expected.begin(), expected.end(), 0u);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return depth(a) > depth(b); });
        EXPECT_EQ(order, expected) << c.name;

        // Sorting again at the same count keeps every buffer where it was.
        const std::uint32_t* before = order.data();
        const std::uint32_t* keys = scratch.keys.data();
        sortByDepth(positions.data(), c.count, c.view, order, scratch);
        EXPECT_EQ(order.data(), before) << c.name;
        EXPECT_EQ(scratch.keys.data(), keys) << c.name;
    }
}

// ===== Instances =====

std::uint8_t byteOf(float v) {
    return static_cast<std::uint8_t>(std::min(v, 1.0f) * 255 + 0.5f);
}

// Degree 1 so that colours change with the direction: each instance is its splat copied, and
// coloured for the direction from the eye (perspective), `forward` (parallel, or a splat at the
// eye).
TEST(SplatInstances, CopiedInOrderAndColouredForTheView) {
    FileModel model;
    model.splats.degree = 1;
    const std::vector<float> spots[] = {{1, 2, -3}, {0, 0, 0}, {-2, 0.5f, 4}};
    for (int i = 0; i < 3; ++i) {
        addSplat(model, spots[i], {1.f + i, 0.1f, 0.2f, 2, 0.3f, 3}, 0.25f * (i + 1),
                 {0.2f * i, -0.1f, 0.3f});
        for (int k = 0; k < model.splats.restPerSplat(); ++k) {
            model.splats.rest[i * model.splats.restPerSplat() + k] = halfOf(0.3f * (k - 4));
        }
    }
    const std::vector<std::uint32_t> order = {2, 0, 1};
    for (bool parallel : {false, true}) {
        SplatView view;
        view.parallel = parallel;
        std::vector<SplatInstance> out(order.size());
        splatInstances(model, order, view, out.data());
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::uint32_t s = order[i];
            const SplatInstance& instance = out[i];
            EXPECT_TRUE(
                std::equal(instance.position, instance.position + 3, &model.positions[s * 3]));
            EXPECT_TRUE(std::equal(instance.covariance, instance.covariance + 6,
                                   &model.splats.covariances[s * 6]));
            EXPECT_EQ(instance.opacity, model.splats.opacities[s]);
            float d[3] = {view.forward[0], view.forward[1], view.forward[2]};
            if (!parallel && s != 1) {  // splat 1 is at the eye
                std::copy_n(&model.positions[s * 3], 3, d);
                normalise(d);
            }
            float rgb[3];
            splatColour(model.splats, s, d, rgb);
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(instance.colour[c], byteOf(rgb[c])) << "splat " << s << " " << parallel;
            }
            EXPECT_EQ(instance.colour[3], 255);
        }
    }
}

// ===== The stand-in =====

// A torus of flat splats tangent to it, tilted towards the viewer, with sizes and colours that
// vary around it and from splat to splat.
FileModel torus(int around, int across) {
    constexpr float kRing = 1, kTube = 0.35f, kTilt = 1.0f, kFlat = 0.002f, kOverlap = 0.6f;
    FileModel model;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f), noise(-0.15f, 0.15f),
        opacity(0.6f, 0.95f), spread(0.4f, 1.6f);
    const float ct = std::cos(kTilt), st = std::sin(kTilt);
    const auto tilt = [&](const float* v, float* out) {  // about x
        out[0] = v[0];
        out[1] = ct * v[1] - st * v[2];
        out[2] = st * v[1] + ct * v[2];
    };
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            const float u = static_cast<float>(2 * kPi * (i + jitter(random)) / around);
            const float v = static_cast<float>(2 * kPi * (j + jitter(random)) / across);
            const float p[3] = {(kRing + kTube * std::cos(v)) * std::cos(u),
                                (kRing + kTube * std::cos(v)) * std::sin(u), kTube * std::sin(v)};
            const float tu[3] = {-std::sin(u), std::cos(u), 0};
            const float tv[3] = {-std::sin(v) * std::cos(u), -std::sin(v) * std::sin(u),
                                 std::cos(v)};
            const float n[3] = {std::cos(v) * std::cos(u), std::cos(v) * std::sin(u), std::sin(v)};
            const float su = kOverlap * static_cast<float>(2 * kPi) *
                             (kRing + kTube * std::cos(v)) / static_cast<float>(around);
            const float sv =
                kOverlap * static_cast<float>(2 * kPi) * kTube / static_cast<float>(across);
            float axes[3][3], centre[3];
            tilt(tu, axes[0]);
            tilt(tv, axes[1]);
            tilt(n, axes[2]);
            tilt(p, centre);
            const float f = spread(random);
            const float scales[3] = {f * f * su * su, f * f * sv * sv, kFlat * kFlat};
            std::vector<float> c(6, 0);
            const int at[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
            for (int e = 0; e < 6; ++e) {
                for (int a = 0; a < 3; ++a) {
                    c[e] += scales[a] * axes[a][at[e][0]] * axes[a][at[e][1]];
                }
            }
            std::vector<float> dc(3);
            for (int k = 0; k < 3; ++k) {
                const float level =
                    0.5f + 0.35f * std::sin(3 * u + 2.1f * k) * std::cos(v + k) + noise(random);
                dc[k] = (level - 0.5f) / kC0;
            }
            addSplat(model, {centre[0], centre[1], centre[2]}, c, opacity(random), dc);
        }
    }
    return model;
}

constexpr int kImage = 128;
constexpr float kHalfWidth = 1.5f;  // the image shows x and y in -1.5..1.5

struct Picture {
    std::vector<float> rgb = std::vector<float>(kImage * kImage * 3, 1.0f);  // white
    std::vector<float> transmittance = std::vector<float>(kImage * kImage, 1.0f);
};

// The splats seen along -z in a parallel projection, blended from back to front.
Picture rasterise(const FileModel& model) {
    const float scale = kImage / (2 * kHalfWidth);  // pixels per unit
    const SplatModel& s = model.splats;
    std::vector<std::uint32_t> order(s.count());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return model.positions[a * 3 + 2] < model.positions[b * 3 + 2];
    });
    const float along[3] = {0, 0, -1};
    Picture picture;
    for (std::uint32_t i : order) {
        const float* c = &s.covariances[i * 6];
        const float a = c[0] * scale * scale + kScreenBlurPixels2;
        const float b = c[1] * scale * scale;
        const float d = c[3] * scale * scale + kScreenBlurPixels2;
        const float det = a * d - b * b;
        const float cx = (model.positions[i * 3] + kHalfWidth) * scale;
        const float cy = (model.positions[i * 3 + 1] + kHalfWidth) * scale;
        const float rx = 3.5f * std::sqrt(a), ry = 3.5f * std::sqrt(d);
        float rgb[3];
        splatColour(s, i, along, rgb);
        for (int y = std::max(0, int(cy - ry)); y <= std::min(kImage - 1, int(cy + ry)); ++y) {
            for (int x = std::max(0, int(cx - rx)); x <= std::min(kImage - 1, int(cx + rx)); ++x) {
                const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
                const float q = (d * dx * dx - 2 * b * dx * dy + a * dy * dy) / det;
                const float alpha = std::min(kMaxSplatAlpha, s.opacities[i] * std::exp(-0.5f * q));
                if (alpha < kLeastSplatAlpha)
                    continue;
                const int p = y * kImage + x;
                for (int k = 0; k < 3; ++k) {
                    float& out = picture.rgb[p * 3 + k];
                    out = (1 - alpha) * out + alpha * std::min(rgb[k], 1.0f);
                }
                picture.transmittance[p] *= 1 - alpha;
            }
        }
    }
    return picture;
}

// Mean absolute difference per channel, in levels of 255, where the full picture shows splats.
double difference(const Picture& full, const Picture& other) {
    constexpr float kBackground = 1 - 1.0f / 255;
    double sum = 0;
    int pixels = 0;
    for (int p = 0; p < kImage * kImage; ++p) {
        if (full.transmittance[p] >= kBackground)
            continue;
        ++pixels;
        for (int k = 0; k < 3; ++k) sum += std::abs(full.rgb[p * 3 + k] - other.rgb[p * 3 + k]);
    }
    return 255 * sum / (3.0 * std::max(pixels, 1));
}

FileModel subset(const FileModel& model, std::size_t count) {
    std::vector<std::uint32_t> chosen(model.splats.count());
    std::iota(chosen.begin(), chosen.end(), 0u);
    std::shuffle(chosen.begin(), chosen.end(), std::mt19937(7));
    FileModel out;
    out.splats.degree = model.splats.degree;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t i = chosen[k];
        const float* c = &model.splats.covariances[i * 6];
        addSplat(out, {&model.positions[i * 3], &model.positions[i * 3] + 3}, {c, c + 6},
                 model.splats.opacities[i], {&model.splats.dc[i * 3], &model.splats.dc[i * 3] + 3});
    }
    return out;
}

TEST(SplatStandIn, LooksMuchMoreLikeTheSceneThanASubset) {
    const FileModel scene = torus(100, 40);
    FileModel standIn;
    ASSERT_TRUE(mergeSplats(scene, scene.splats.count() / 20, standIn));
    const Picture full = rasterise(scene);
    const double merged = difference(full, rasterise(standIn));
    const double thinned = difference(full, rasterise(subset(scene, standIn.splats.count())));
    std::printf("%zu splats, stand-in of %zu: mean difference %.1f, a subset's %.1f\n",
                scene.splats.count(), standIn.splats.count(), merged, thinned);
    EXPECT_LE(merged, thinned / 2);
}

// Counts at or under the target (and close to it), the same every time, box and colours kept.
TEST(SplatStandIn, AboutTheTargetAndTheSameEveryTime) {
    const FileModel scene = torus(60, 30);
    for (std::size_t target : {1u, 10u, 90u, 600u, 1799u, 1800u, 5000u}) {
        FileModel standIn, again;
        ASSERT_TRUE(mergeSplats(scene, target, standIn));
        ASSERT_TRUE(mergeSplats(scene, target, again));
        const std::size_t count = standIn.splats.count();
        EXPECT_LE(count, std::min<std::size_t>(target, 1800)) << target;
        EXPECT_GE(count, std::min<std::size_t>(target, 1800) * 6 / 10) << target;
        EXPECT_EQ(standIn.positions, again.positions) << target;
        EXPECT_EQ(standIn.splats.opacities, again.splats.opacities) << target;
        EXPECT_EQ(standIn.positions.size(), count * 3);
        EXPECT_EQ(standIn.splats.covariances.size(), count * 6);
        EXPECT_EQ(standIn.notes.fileVertices, static_cast<std::int64_t>(count));
        ASSERT_EQ(standIn.colours.size(), count * 4);
        for (std::size_t i = 0; i < count; ++i) {
            const float level = std::clamp(0.5f + kC0 * standIn.splats.dc[i * 3 + 1], 0.0f, 1.0f);
            EXPECT_NEAR(standIn.colours[i * 4 + 1], level * 255, 0.5f + 1e-3f);
            EXPECT_EQ(standIn.colours[i * 4 + 3], 255);
        }
    }
}

// Two splats close together merge into their weighted moments; a lone one far off stays itself.
TEST(SplatStandIn, MomentsOfAPairAndALoneSplatKept) {
    FileModel model;
    model.splats.degree = 1;
    model.centre[0] = 7;
    addSplat(model, {0, 0, 0}, {0.04f, 0.01f, 0, 0.01f, 0, 0.0001f}, 0.8f, {1, 2, 3});
    addSplat(model, {0.1f, 0.05f, 0}, {0.01f, 0, 0, 0.09f, 0.002f, 0.0004f}, 0.5f, {-1, 0, 2});
    addSplat(model, {50, 50, 50}, {0.02f, 0, 0, 0.03f, 0, 0.01f}, 0.3f, {0.5f, 0.25f, 1});
    for (std::size_t k = 0; k < model.splats.rest.size(); ++k) {
        model.splats.rest[k] = halfOf(0.125f * static_cast<float>(k) - 1);
    }
    FileModel standIn;
    ASSERT_TRUE(mergeSplats(model, 2, standIn));
    ASSERT_EQ(standIn.splats.count(), 2u);
    EXPECT_EQ(standIn.centre[0], 7);

    // Weights: opacity times the root of the sum of the 2 x 2 principal minors.
    const auto size = [](const float* c) {
        return std::sqrt(double(c[0]) * c[3] - double(c[1]) * c[1] + double(c[0]) * c[5] -
                         double(c[2]) * c[2] + double(c[3]) * c[5] - double(c[4]) * c[4]);
    };
    const float* c0 = &model.splats.covariances[0];
    const float* c1 = &model.splats.covariances[6];
    const double w0 = 0.8 * size(c0), w1 = 0.5 * size(c1);
    const double a = w0 / (w0 + w1), b = w1 / (w0 + w1);
    double mean[3], d0[3], d1[3];
    for (int k = 0; k < 3; ++k) {
        mean[k] = a * model.positions[k] + b * model.positions[3 + k];
        d0[k] = model.positions[k] - mean[k];
        d1[k] = model.positions[3 + k] - mean[k];
        EXPECT_NEAR(standIn.positions[k], mean[k], 1e-6);
        EXPECT_NEAR(standIn.splats.dc[k], a * model.splats.dc[k] + b * model.splats.dc[3 + k],
                    1e-6);
    }
    const int at[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
    for (int e = 0; e < 6; ++e) {
        const double expected =
            a * (c0[e] + d0[at[e][0]] * d0[at[e][1]]) + b * (c1[e] + d1[at[e][0]] * d1[at[e][1]]);
        EXPECT_NEAR(standIn.splats.covariances[e], expected, 1e-7) << e;
    }
    for (int k = 0; k < 9; ++k) {
        const double expected =
            a * floatOfHalf(model.splats.rest[k]) + b * floatOfHalf(model.splats.rest[9 + k]);
        EXPECT_NEAR(floatOfHalf(standIn.splats.rest[k]), expected, 2e-3) << k;
    }
    EXPECT_GT(standIn.splats.opacities[0], 0.5f);
    EXPECT_LE(standIn.splats.opacities[0], kMaxSplatAlpha);

    // The lone splat, exactly.
    EXPECT_TRUE(std::equal(&standIn.positions[3], &standIn.positions[6], &model.positions[6]));
    EXPECT_TRUE(std::equal(&standIn.splats.covariances[6], &standIn.splats.covariances[12],
                           &model.splats.covariances[12]));
    EXPECT_EQ(standIn.splats.opacities[1], 0.3f);
    EXPECT_TRUE(std::equal(&standIn.splats.dc[3], &standIn.splats.dc[6], &model.splats.dc[6]));
    EXPECT_TRUE(
        std::equal(&standIn.splats.rest[9], &standIn.splats.rest[18], &model.splats.rest[18]));
}

// Splats on top of each other cover as they would blended: 1 - (1 - 0.6)(1 - 0.5), at most
// the largest alpha.
TEST(SplatStandIn, CoincidentSplatsCoverAsBlended) {
    const std::vector<float> c = {0.04f, 0.01f, 0, 0.02f, 0, 0.001f};
    const struct {
        std::vector<float> opacities;
        float merged;
    } cases[] = {{{0.6f, 0.5f}, 0.8f}, {{0.9f, 0.9f, 0.9f}, kMaxSplatAlpha}};
    for (const auto& k : cases) {
        FileModel model;
        for (float o : k.opacities) addSplat(model, {1, 2, 3}, c, o, {0, 0, 0});
        FileModel standIn;
        ASSERT_TRUE(mergeSplats(model, 1, standIn));
        ASSERT_EQ(standIn.splats.count(), 1u);
        EXPECT_NEAR(standIn.splats.opacities[0], k.merged, 1e-5);
        EXPECT_TRUE(std::equal(c.begin(), c.end(), standIn.splats.covariances.begin()));
    }
}

TEST(SplatStandIn, StopsWhenCancelled) {
    const FileModel scene = torus(60, 30);
    std::atomic<bool> cancel{true};
    FileModel standIn;
    EXPECT_FALSE(mergeSplats(scene, 100, standIn, &cancel));
    cancel = false;
    EXPECT_TRUE(mergeSplats(scene, 100, standIn, &cancel));
}

}  // namespace
