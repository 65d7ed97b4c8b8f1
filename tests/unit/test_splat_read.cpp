#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "model/file_model.h"
#include "model/splat_read.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::SplatOptions;
using plywrite::SplatSpec;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A few splats unlike one another, with every higher-order coefficient set.
std::vector<SplatSpec> someSplats() {
    std::vector<SplatSpec> splats;
    for (int i = 0; i < 5; ++i) {
        SplatSpec s = plywrite::sceneSplat(i * 11);
        s.position[0] += 1000.25 * i;  // a large offset: centred in double
        splats.push_back(s);
    }
    return splats;
}

bool read(const std::string& bytes, FileModel& model, PlyError& error) {
    return parseFileModel(bytes.data(), bytes.size(), model, error);
}

FileModel readOrFail(const std::string& bytes) {
    FileModel model;
    PlyError error;
    EXPECT_TRUE(read(bytes, model, error)) << error.message;
    return model;
}

// The same splats in text, either byte order, any property order, with normals, an unknown
// property and an empty face element: the same model, bit for bit (9 digits hold a float).
TEST(SplatRead, EveryLayoutGivesTheSameModel) {
    const std::vector<SplatSpec> splats = someSplats();
    for (int degree = 0; degree <= kMaxShDegree; ++degree) {
        SplatOptions plain;
        plain.degree = degree;
        const FileModel expected = readOrFail(plywrite::writeSplats(splats, plain));
        ASSERT_EQ(expected.splats.count(), splats.size());
        EXPECT_EQ(expected.splats.degree, degree);
        EXPECT_EQ(expected.splats.rest.size(), splats.size() * 3 * kShRestPerChannel[degree]);
        EXPECT_TRUE(expected.notes.splats && expected.notes.pointCloud);
        using Change = void (*)(SplatOptions&);
        const Change variants[] = {
            [](SplatOptions& o) { o.format = Format::kAscii; },
            [](SplatOptions& o) { o.format = Format::kBinaryBigEndian; },
            [](SplatOptions& o) { o.shuffled = o.normals = o.unrelated = o.emptyFaces = true; },
            [](SplatOptions& o) {
                o.format = Format::kAscii;
                o.shuffled = o.normals = o.unrelated = true;
            },
        };
        int v = 0;
        for (const auto& change : variants) {
            SCOPED_TRACE("degree " + std::to_string(degree) + " variant " + std::to_string(v++));
            SplatOptions options = plain;
            change(options);
            const FileModel model = readOrFail(plywrite::writeSplats(splats, options));
            EXPECT_EQ(model.positions, expected.positions);
            EXPECT_EQ(model.colours, expected.colours);
            EXPECT_EQ(model.splats.covariances, expected.splats.covariances);
            EXPECT_EQ(model.splats.opacities, expected.splats.opacities);
            EXPECT_EQ(model.splats.dc, expected.splats.dc);
            EXPECT_EQ(model.splats.rest, expected.splats.rest);
            EXPECT_TRUE(model.normals.empty() && model.properties.empty());
        }
    }
}

// A list after each splat's values (an empty one): the vertices are read instance by instance,
// in text and binary, to the same model.
TEST(SplatRead, AVertexListIsPassedOver) {
    const std::vector<SplatSpec> splats = someSplats();
    SplatOptions options;
    options.degree = 2;
    const FileModel expected = readOrFail(plywrite::writeSplats(splats, options));
    for (const Format format : {Format::kAscii, Format::kBinaryLittleEndian}) {
        options.format = format;
        std::string bytes = plywrite::writeSplats(splats, options);
        const std::size_t headerEnd = bytes.find("end_header\n");
        bytes.insert(headerEnd, "property list uchar int tags\n");
        const std::size_t body =
            headerEnd + std::strlen("property list uchar int tags\nend_header\n");
        std::string withLists = bytes.substr(0, body);
        const std::size_t instance = (bytes.size() - body) / splats.size();
        for (std::size_t i = 0; i < splats.size(); ++i) {
            if (format == Format::kAscii) {
                const std::size_t end = bytes.find('\n', body);
                withLists += bytes.substr(body, end - body) + " 0\n";
                bytes.erase(body, end + 1 - body);
            } else {
                withLists += bytes.substr(body + i * instance, instance) + '\0';
            }
        }
        const FileModel model = readOrFail(withLists);
        EXPECT_EQ(model.positions, expected.positions);
        EXPECT_EQ(model.splats.covariances, expected.splats.covariances);
        EXPECT_EQ(model.splats.rest, expected.splats.rest);
    }
}

// Σ = R S Sᵀ Rᵀ worked by hand for standard deviations (2, 0.5, 0.25) turned 30° about z and
// about x; a quaternion of any length gives the same.
TEST(SplatRead, CovarianceOfATurnedSplat) {
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    const double xx = 4, yy = 0.25, zz = 0.0625;  // the variances along the splat's own axes
    struct Case {
        std::array<double, 3> axis;
        double lengthScale;
        double expected[kCovarianceFloats];
    };
    const Case cases[] = {
        {{0, 0, 1},
         1,
         {xx * c * c + yy * s * s, (xx - yy) * c * s, 0, xx * s * s + yy * c * c, 0, zz}},
        {{1, 0, 0},
         3,
         {xx, 0, 0, yy * c * c + zz * s * s, (yy - zz) * c * s, yy * s * s + zz * c * c}},
    };
    for (const Case& k : cases) {
        SplatSpec splat = plywrite::splatOf({1, 2, 3}, {2, 0.5, 0.25}, k.axis, 30, 0.5, {1, 0, 0});
        for (double& q : splat.rotation) {
            q *= k.lengthScale;
        }
        const FileModel model = readOrFail(plywrite::writeSplats({splat}, {}));
        ASSERT_EQ(model.splats.count(), 1u);
        for (int i = 0; i < kCovarianceFloats; ++i) {
            EXPECT_NEAR(model.splats.covariances[i], k.expected[i], 1e-6) << i;
        }
    }
}

TEST(SplatRead, OpacityIsTheSigmoidOfTheLogit) {
    const double logits[] = {0, std::log(3.0), -std::log(3.0), 20, -20, 0.125};
    std::vector<SplatSpec> splats;
    for (const double logit : logits) {
        SplatSpec splat = plywrite::splatOf({0, 0, 0}, {1, 1, 1}, {0, 0, 1}, 0, 0.5, {0, 0, 0});
        splat.opacityLogit = logit;
        splats.push_back(splat);
    }
    const FileModel model = readOrFail(plywrite::writeSplats(splats, {}));
    ASSERT_EQ(model.splats.count(), std::size(logits));
    EXPECT_EQ(model.splats.opacities[0], 0.5f);
    EXPECT_FLOAT_EQ(model.splats.opacities[1], 0.75f);
    EXPECT_FLOAT_EQ(model.splats.opacities[2], 0.25f);
    for (std::size_t i = 0; i < std::size(logits); ++i) {
        const double logit = static_cast<float>(logits[i]);  // as the file holds it
        EXPECT_EQ(model.splats.opacities[i], static_cast<float>(1 / (1 + std::exp(-logit)))) << i;
    }
}

// A splat that cannot be drawn is left out of every array and counted; the others keep their
// places in order, and the box is theirs alone.
TEST(SplatRead, BadValuesLeaveTheSplatOut) {
    struct Case {
        const char* name;
        void (*spoil)(SplatSpec&);
    };
    const Case cases[] = {
        {"NaN position", [](SplatSpec& s) { s.position[1] = kNaN; }},
        {"infinite scale", [](SplatSpec& s) { s.logScale[2] = kInf; }},
        {"scale beyond floats", [](SplatSpec& s) { s.logScale[0] = 50; }},
        {"NaN opacity", [](SplatSpec& s) { s.opacityLogit = kNaN; }},
        {"NaN f_dc", [](SplatSpec& s) { s.dc[2] = kNaN; }},
        {"NaN f_rest", [](SplatSpec& s) { s.rest[7] = kNaN; }},
        {"zero rotation",
         [](SplatSpec& s) {
             s.rotation = {0, 0, 0, 0};
         }},
    };
    SplatOptions options;
    options.degree = 1;
    std::vector<SplatSpec> good = someSplats();
    good.erase(good.begin() + 1);
    const FileModel expected = readOrFail(plywrite::writeSplats(good, options));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<SplatSpec> splats = someSplats();
        c.spoil(splats[1]);
        splats[1].position[2] += (std::isfinite(splats[1].position[1]) ? 1e6 : 0);  // off the box
        FileModel model = readOrFail(plywrite::writeSplats(splats, options));
        EXPECT_EQ(model.splats.leftOut, 1);
        EXPECT_EQ(model.splats.count(), good.size());
        EXPECT_EQ(model.vertexCount(), good.size());
        EXPECT_EQ(model.positions, expected.positions);
        EXPECT_EQ(model.maxZ, expected.maxZ);
        EXPECT_EQ(model.splats.covariances, expected.splats.covariances);
        EXPECT_EQ(model.splats.rest, expected.splats.rest);
        EXPECT_EQ(model.colours, expected.colours);
        // Every splat bad: nothing to show, refused in one line.
        for (SplatSpec& s : splats) {
            c.spoil(s);
        }
        PlyError error;
        EXPECT_FALSE(read(plywrite::writeSplats(splats, options), model, error));
        EXPECT_STREQ(error.message,
                     "all 5 splats have values that are not finite or a zero rotation");
    }
}

// The degree is the highest whose f_rest_* are all there; an odd count is read as three blocks
// of its third, the start of each block kept.
TEST(SplatRead, DegreeFollowsTheRestCount) {
    struct Case {
        int count;
        int degree;
    };
    const Case cases[] = {{0, 0}, {9, 1}, {24, 2}, {45, 3}, {30, 2}, {8, 0}};
    SplatSpec splat = plywrite::sceneSplat(3);
    for (int k = 0; k < plywrite::kSplatRestMax; ++k) {
        splat.rest[static_cast<std::size_t>(k)] = k;  // halves hold these whole numbers exactly
    }
    for (const Case& c : cases) {
        SplatOptions options;
        options.restCount = c.count;
        const FileModel model = readOrFail(plywrite::writeSplats({splat}, options));
        EXPECT_EQ(model.splats.degree, c.degree) << c.count;
        const int perChannel = kShRestPerChannel[c.degree];
        ASSERT_EQ(model.splats.rest.size(), 3u * perChannel);
        for (int channel = 0; channel < 3; ++channel) {
            for (int k = 0; k < perChannel; ++k) {
                EXPECT_EQ(floatOfHalf(model.splats.rest[channel * perChannel + k]),
                          channel * (c.count / 3) + k)
                    << c.count;
            }
        }
    }
}

// Files that are not splat files read as before: f_dc alone gives a coloured cloud, and faces
// a mesh even with every splat property.
TEST(SplatRead, OtherFilesReadAsBefore) {
    const plywrite::Mesh mesh = plywrite::surface(3, 2);
    plywrite::Options dcOnly;
    dcOnly.format = plywrite::Format::kBinaryLittleEndian;
    dcOnly.normalsAndColours = dcOnly.coloursOnly = dcOnly.pointCloud = true;
    dcOnly.colour = plywrite::Type::kFloat32;
    dcOnly.colourNames = {"f_dc_0", "f_dc_1", "f_dc_2"};
    plywrite::Options withFaces;
    withFaces.splats = true;
    for (const plywrite::Options& options : {dcOnly, withFaces}) {
        const FileModel model = readOrFail(plywrite::write(mesh, options));
        EXPECT_TRUE(model.splats.empty());
        EXPECT_EQ(model.vertexCount(), mesh.positions.size());
        EXPECT_EQ(model.colours.size(), mesh.positions.size() * kColourBytes);
        EXPECT_TRUE(model.notes.splats);
        EXPECT_EQ(model.triangleCount(), options.pointCloud ? 0 : mesh.faces.size());
    }
}

// The estimate of a large splat file counts at least the model's own arrays.
TEST(SplatRead, EstimateHoldsTheSplatArrays) {
    constexpr std::uint64_t kSplats = 1'000'000;
    constexpr std::uint64_t kModelBytes = 12 + 4 + 24 + 4 + 12 + 90;
    constexpr std::uint64_t kFileBytes = 248 * kSplats;
    SplatOptions options;
    options.degree = 3;
    options.normals = true;
    std::string head = plywrite::writeSplats({}, options);
    head.replace(head.find("vertex 0"), 8, "vertex " + std::to_string(kSplats));
    const std::uint64_t bytes = fileModelBytesNeeded(head.data(), head.size(), kFileBytes);
    EXPECT_GE(bytes, kFileBytes + kSplats * kModelBytes);
}

// Each splat of the torus lies flat on it: the surface normal at its centre is the axis its
// covariance is thinnest along, and the torus's splats are read back whole.
TEST(SplatRead, TorusSplatsLieFlatOnTheSurface) {
    constexpr int kAround = 24, kTube = 12;
    const std::vector<SplatSpec> torus = plywrite::splatTorus(kAround, kTube);
    const FileModel model = readOrFail(plywrite::writeSplats(torus, {}));
    ASSERT_EQ(model.splats.count(), static_cast<std::size_t>(kAround * kTube));
    for (std::size_t i = 0; i < torus.size(); ++i) {
        const auto& p = torus[i].position;
        const double theta = std::atan2(p[1], p[0]);
        double n[3] = {p[0] - std::cos(theta), p[1] - std::sin(theta), p[2]};  // from the ring
        const double length = std::hypot(n[0], n[1], n[2]);
        for (double& a : n) {
            a /= length;
        }
        const float* c = &model.splats.covariances[i * kCovarianceFloats];
        const double sigma[3][3] = {{c[0], c[1], c[2]}, {c[1], c[3], c[4]}, {c[2], c[4], c[5]}};
        double along[3];  // Σ n
        for (int r = 0; r < 3; ++r) {
            along[r] = sigma[r][0] * n[0] + sigma[r][1] * n[1] + sigma[r][2] * n[2];
        }
        const double thin = along[0] * n[0] + along[1] * n[1] + along[2] * n[2];
        const double trace = c[0] + c[3] + c[5];
        EXPECT_LT(thin, 1e-2 * trace) << i;
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(along[r], thin * n[r], 1e-4 * trace) << i;
        }
    }
}

// The reader's inline half floats are halfOf's, bit for bit, across the float range.
TEST(SplatRead, QuickHalvesAreHalfOfs) {
    constexpr std::uint64_t kStep = 4099;  // odd, so every low mantissa pattern comes up
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += kStep) {
        float value;
        const auto word = static_cast<std::uint32_t>(bits);
        std::memcpy(&value, &word, sizeof value);
        if (!std::isnan(value)) {
            ASSERT_EQ(ply::quickHalfOf(value), halfOf(value)) << value;
        }
    }
    for (const float edge : {6.1035156e-5f, 65504.0f, 65519.99f, 65520.0f, 1.0009765625f}) {
        EXPECT_EQ(ply::quickHalfOf(edge), halfOf(edge)) << edge;
        EXPECT_EQ(ply::quickHalfOf(-edge), halfOf(-edge)) << edge;
    }
}

}  // namespace
