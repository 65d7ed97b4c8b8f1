// The general reader with normals and colours kept: every colour encoding gives the same bytes
// in every format, splat colours, normals of other types, the limits of the colour scales, and
// positions, triangles and refusals the same as with attributes off. The reader is called
// directly, below the store, since the store holds no attributes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/ply_format.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::Options;
using plywrite::Type;
using Bytes = std::vector<std::uint8_t>;

// A quad (two triangles), a triangle and a face of two corners (none).
const plywrite::Mesh kMesh = {
    {{0, 0, 0}, {2, 0, 1}, {2, 3, 0}, {0, 3, 1}, {1, 1, 4}}, {{0, 1, 2, 3}, {0, 3, 4}, {4, 2}}, {}};
const std::vector<std::size_t> kFaceOfTriangle = {0, 0, 1};
const Format kFormats[] = {Format::kAscii, Format::kBinaryLittleEndian, Format::kBinaryBigEndian};

struct Read {
    bool ok = false;
    std::string error;
    ply::Geometry geometry;
};

Read readBytes(const std::string& bytes, bool attributes) {
    Read read;
    ply::Header header;
    PlyError error;
    ply::BodyOptions options;
    options.attributes = attributes;
    read.ok = ply::readHeader(bytes.data(), bytes.size(), header, error) &&
              ply::readBody(bytes.data(), bytes.size(), header, options, read.geometry, error);
    read.error = error.message;
    return read;
}

// r, g, b, 255 of each item, the channels from `level`.
Bytes rgba(std::size_t items, const std::function<int(std::size_t, int)>& level) {
    Bytes bytes;
    for (std::size_t i = 0; i < items; ++i) {
        for (int c = 0; c < 3; ++c) {
            bytes.push_back(static_cast<std::uint8_t>(level(i, c)));
        }
        bytes.push_back(255);
    }
    return bytes;
}

const Bytes kVertexColours = rgba(kMesh.positions.size(), plywrite::vertexLevel);
const Bytes kFaceColours = rgba(kFaceOfTriangle.size(), [](std::size_t t, int c) {
    return plywrite::faceLevel(kFaceOfTriangle[t], c);
});

std::string trace(const std::string& what, Format format) {
    return what + ", format " + std::to_string(static_cast<int>(format));
}

// ===== Colours =====

enum class Expect { kVertex, kFace, kNone };

struct Encoding {
    const char* what;
    std::function<void(Options&)> change;
    Expect expect;
    bool floats255;
};

const std::vector<Encoding> kEncodings = {
    {"uchar red green blue", [](Options& o) { o.normalsAndColours = true; }, Expect::kVertex,
     false},
    {"uchar r g b with a",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colourNames = {"r", "g", "b"};
         o.alphaName = "a";
     },
     Expect::kVertex, false},
    {"diffuse_* with diffuse_alpha",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colourNames = {"diffuse_red", "diffuse_green", "diffuse_blue"};
         o.alphaName = "diffuse_alpha";
     },
     Expect::kVertex, false},
    {"float 0..1",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kFloat32;
         o.colourFull = 1;
     },
     Expect::kVertex, false},
    {"double 0..1",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kFloat64;
         o.colourFull = 1;
     },
     Expect::kVertex, false},
    {"float 0..255",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kFloat32;
     },
     Expect::kVertex, true},
    {"ushort 0..255",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kUint16;
     },
     Expect::kVertex, false},
    {"ushort over its range",
     [](Options& o) {
         o.normalsAndColours = true;
         o.colour = Type::kUint16;
         o.colourFull = 65535;
     },
     Expect::kVertex, false},
    {"uchar face colours, a quad's on both triangles", [](Options& o) { o.faceColours = true; },
     Expect::kFace, false},
    {"float 0..1 face colours",
     [](Options& o) {
         o.faceColours = true;
         o.colour = Type::kFloat32;
         o.colourFull = 1;
     },
     Expect::kFace, false},
    {"int face colours over its range",
     [](Options& o) {
         o.faceColours = true;
         o.colour = Type::kInt32;
         o.colourFull = 2147483647;
     },
     Expect::kFace, false},
    {"vertex and face colours: the vertices' only",
     [](Options& o) { o.normalsAndColours = o.faceColours = true; }, Expect::kVertex, false},
    {"colours on strips: none",
     [](Options& o) {
         o.strips = o.faceColours = true;
         o.listCount = Type::kInt32;
     },
     Expect::kNone, false},
};

TEST(ReaderAttributes, EveryColourEncodingGivesTheSameBytesInEveryFormat) {
    plywrite::Mesh mesh = kMesh;
    mesh.strips = {{0, 1, 3, 2}};
    for (Format format : kFormats) {
        for (const Encoding& encoding : kEncodings) {
            SCOPED_TRACE(trace(encoding.what, format));
            Options options;
            options.format = format;
            encoding.change(options);
            const Read read = readBytes(plywrite::write(mesh, options), true);
            ASSERT_TRUE(read.ok) << read.error;
            EXPECT_EQ(read.geometry.colours,
                      encoding.expect == Expect::kVertex ? kVertexColours : Bytes{});
            EXPECT_EQ(read.geometry.faceColours,
                      encoding.expect == Expect::kFace ? kFaceColours : Bytes{});
            EXPECT_EQ(read.geometry.colourFloats255, encoding.floats255);
            EXPECT_FALSE(read.geometry.splats);
        }
    }
}

// The file-wide maximum decides the scale: each limit at the limit and one past it.
TEST(ReaderAttributes, ColourScalesChangeJustPastTheirLimits) {
    struct Case {
        const char* type;
        const char* values;  // red of two vertices; green and blue are 0
        Bytes reds;
        bool floats255;
    };
    const Case cases[] = {
        {"float", "1.5 0.2", {255, 51}, false},   {"float", "1.50001 0.2", {2, 0}, true},
        {"float", "nan -0.5", {0, 0}, false},     {"ushort", "255 128", {255, 128}, false},
        {"ushort", "256 65535", {1, 255}, false}, {"short", "-5 255", {0, 255}, false},
        {"short", "-5 32767", {0, 255}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.values);
        std::string values = c.values;
        const std::size_t blank = values.find(' ');
        const std::string text = std::string(
                                     "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\n"
                                     "property float y\nproperty float z\n") +
                                 "property " + c.type + " red\nproperty " + c.type +
                                 " green\nproperty " + c.type + " blue\nend_header\n0 0 0 " +
                                 values.substr(0, blank) + " 0 0\n1 1 1 " +
                                 values.substr(blank + 1) + " 0 0\n";
        const Read read = readBytes(text, true);
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.geometry.colours, (Bytes{c.reds[0], 0, 0, 255, c.reds[1], 0, 0, 255}));
        EXPECT_EQ(read.geometry.colourFloats255, c.floats255);
    }
}

TEST(ReaderAttributes, FaceColoursAreKeptOnlyWhenEveryTriangleHasOne) {
    const std::string faces =
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
        "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    const std::string body = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n3 0 1 2 10 20 30\n";
    EXPECT_EQ(readBytes(faces + "end_header\n" + body, true).geometry.faceColours,
              (Bytes{10, 20, 30, 255}));
    const Read strips = readBytes(faces + "element tristrips 1\nproperty list int int " +
                                      "vertex_indices\nend_header\n" + body + "3 1 2 3\n",
                                  true);
    ASSERT_TRUE(strips.ok) << strips.error;
    EXPECT_EQ(strips.geometry.corners.size(), 6u);
    EXPECT_TRUE(strips.geometry.faceColours.empty());
}

TEST(ReaderAttributes, SplatColoursComeFromTheirCoefficientsUnlessColoursAreExplicit) {
    Bytes expected;
    for (std::size_t i = 0; i < kMesh.positions.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            const double unit = 0.5 + 0.28209479 * plywrite::splatCoefficient(i, c);
            expected.push_back(
                static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * 255)));
        }
        expected.push_back(255);
    }
    ASSERT_NE(std::count(expected.begin(), expected.end(), 0), 0);    // clamped below
    ASSERT_GT(std::count(expected.begin(), expected.end(), 255), 5);  // and above
    for (Format format : kFormats) {
        SCOPED_TRACE(trace("splats", format));
        Options options;
        options.format = format;
        options.pointCloud = options.splats = true;
        Read read = readBytes(plywrite::write(kMesh, options), true);
        EXPECT_EQ(read.geometry.colours, expected);
        EXPECT_TRUE(read.geometry.splats);
        options.normalsAndColours = true;
        read = readBytes(plywrite::write(kMesh, options), true);
        EXPECT_EQ(read.geometry.colours, kVertexColours);
        EXPECT_FALSE(read.geometry.splats);
    }
}

// ===== Normals =====

TEST(ReaderAttributes, NormalsOfEveryKindOfTypeAsFloats) {
    for (Format format : kFormats) {
        for (Type type : {Type::kFloat32, Type::kFloat64, Type::kInt16}) {
            SCOPED_TRACE(trace("type " + std::to_string(static_cast<int>(type)), format));
            Options options;
            options.format = format;
            options.normalsAndColours = true;
            options.normal = type;
            const Read read = readBytes(plywrite::write(kMesh, options), true);
            ASSERT_EQ(read.geometry.normals.size(), 3 * kMesh.positions.size());
            for (std::size_t i = 0; i < kMesh.positions.size(); ++i) {
                const auto normal = plywrite::normalOf(kMesh.positions[i]);
                for (std::size_t a = 0; a < 3; ++a) {
                    const double written =
                        type == Type::kInt16 ? std::round(normal[a] * 32767) : normal[a];
                    EXPECT_FLOAT_EQ(read.geometry.normals[3 * i + a], written) << i;
                }
            }
        }
    }
}

TEST(ReaderAttributes, ANormalThatIsNotFiniteBecomesZeroAndZeroStays) {
    const std::string text =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\nproperty float nx\nproperty float ny\nproperty double nz\n"
        "end_header\n0 0 0 0 0 0\n1 0 0 0.5 nan 1\n0 1 0 0 0 1e300\n";
    const Read read = readBytes(text, true);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.geometry.normals, std::vector<float>(9, 0.0f));
}

// ===== The same with attributes off =====

TEST(ReaderAttributes, PositionsTrianglesAndRefusalsAreTheSameOnAndOff) {
    const std::vector<std::function<void(Options&)>> layouts = {
        [](Options& o) { o.normalsAndColours = o.faceColours = o.splats = true; },
        [](Options& o) {
            o.normalsAndColours = true;
            o.coordinate = o.normal = Type::kFloat64;
            o.index = Type::kUint32;
        },
        [](Options& o) {
            o.faceColours = o.facesFirst = o.unknownElements = true;
            o.colour = Type::kFloat32;
        },
        [](Options& o) { o.normalsAndColours = o.faceProperties = true; },
    };
    for (Format format : kFormats) {
        for (std::size_t l = 0; l < layouts.size(); ++l) {
            SCOPED_TRACE(trace("layout " + std::to_string(l), format));
            Options options;
            options.format = format;
            layouts[l](options);
            const std::string file = plywrite::write(kMesh, options);
            const Read off = readBytes(file, false);
            const Read on = readBytes(file, true);
            ASSERT_TRUE(off.ok && on.ok) << off.error << on.error;
            EXPECT_EQ(on.geometry.positions, off.geometry.positions);
            EXPECT_EQ(on.geometry.corners, off.geometry.corners);
            EXPECT_EQ(on.geometry.shortFaces, off.geometry.shortFaces);
            EXPECT_TRUE(off.geometry.normals.empty() && off.geometry.colours.empty() &&
                        off.geometry.faceColours.empty());
            // Cut short at the end: the same refusal either way.
            const std::string cut = file.substr(0, file.size() - 5);
            EXPECT_EQ(readBytes(cut, true).error, readBytes(cut, false).error);
        }
    }
    const std::string header =
        "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
        "property float z\nproperty float nx\nproperty float ny\nproperty float nz\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
    for (const char* body :
         {"0 0 0 0 0 1 255 256 0\n", "0 0 0 0 n 1 1 2 3\n", "0 0 0 0 0 1 1 2\n"}) {
        SCOPED_TRACE(body);
        const Read on = readBytes(header + body, true);
        EXPECT_FALSE(on.ok);
        EXPECT_EQ(on.error, readBytes(header + body, false).error);
    }
}

}  // namespace
