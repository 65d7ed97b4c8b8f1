// The general reader: every layout our writer produces reads back as the same mesh, hand-made
// bytes of both byte orders give the values written down here, every refusal prints its line,
// the notes on standard output, models fitted to the store, and paths that are not files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/model.h"
#include "temp_folder.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::Options;
using plywrite::Type;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

constexpr const char* kPath = "m.ply";
constexpr int kEntry = 0;
constexpr int kOtherEntry = 1;

// A quad, a triangle and a face of two corners, which is left out.
const plywrite::Mesh kMesh = {
    {{0, 0, 0}, {2, 0, 1}, {2, 3, 0}, {0, 3, 1}, {1, 1, 4}}, {{0, 1, 2, 3}, {0, 3, 4}, {4, 2}}, {}};
// The same mesh as strips: -1 restarts, every second triangle turned, repeated corners dropped.
const plywrite::Mesh kStrips = {kMesh.positions, {}, {{0, 1, 3, 2, -1, 0, 3, 4}, {2, 2, 4, 1}}};
// What the store must hold, worked out by hand.
const std::vector<FaceIndices> kMeshTriangles = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
const std::vector<FaceIndices> kStripTriangles = {{0, 1, 3}, {3, 1, 2}, {0, 3, 4}, {4, 2, 1}};
const std::string kShortFaceNote = "m.ply: faces of fewer than 3 corners left out: 1\n";

struct Printed {
    std::string out, err;
};

class GeneralReader : public testing::Test {
  protected:
    void SetUp() override { forgetLoadedModel(); }
    void TearDown() override { setCentreCoordinates(false); }

    Printed load(const std::string& bytes, int entry = kEntry) {
        folder.write(kPath, bytes);
        return loadPath(entry);
    }
    Printed loadPath(int entry = kEntry) {
        CaptureStdout();
        CaptureStderr();
        outcome = loadModelFile(kPath, entry);
        return {GetCapturedStdout(), GetCapturedStderr()};
    }
    void expectStore(const plywrite::Mesh& mesh, const std::vector<FaceIndices>& triangles) {
        ASSERT_EQ(vertexCount, static_cast<int>(mesh.positions.size()));
        ASSERT_EQ(faceCount, static_cast<int>(triangles.size()));
        for (int i = 0; i < vertexCount; ++i) {
            for (int a = 0; a < 3; ++a) {
                EXPECT_EQ((&vertices[i].x)[a], static_cast<float>(mesh.positions[i][a])) << i;
            }
        }
        for (int f = 0; f < faceCount; ++f) {
            EXPECT_EQ(faces[f].v1, triangles[f].v1) << f;
            EXPECT_EQ(faces[f].v2, triangles[f].v2) << f;
            EXPECT_EQ(faces[f].v3, triangles[f].v3) << f;
        }
    }
    void expectFitsTheStore() {
        EXPECT_LE(vertexCount, kMaxVertices);
        EXPECT_LE(faceCount, kMaxFaces);
        for (int f = 0; f < faceCount; ++f) {
            for (int v : {faces[f].v1, faces[f].v2, faces[f].v3}) {
                ASSERT_TRUE(v >= 0 && v < vertexCount) << f;
            }
        }
    }

    TempFolder folder;
    LoadOutcome outcome = LoadOutcome::kRefused;
};

// ===== Round trips =====

using Change = std::function<void(Options&)>;

const std::vector<std::pair<const char*, Change>> kVariants = {
    {"plain", [](Options&) {}},
    {"normals, colours and face properties",
     [](Options& o) { o.normalsAndColours = o.faceProperties = true; }},
    {"sized type names", [](Options& o) { o.sizedTypeNames = true; }},
    {"axes declared z y x", [](Options& o) { o.axes = "zyx"; }},
    {"axes X Y Z", [](Options& o) { o.axes = "XYZ"; }},
    {"vertex_index list", [](Options& o) { o.listName = "vertex_index"; }},
    {"faces before vertices", [](Options& o) { o.facesFirst = true; }},
    {"unknown elements before and after", [](Options& o) { o.unknownElements = true; }},
    {"extra values at line ends", [](Options& o) { o.extraLineValues = 2; }},
    {"CRLF line ends", [](Options& o) { o.crlf = true; }},
};

const Format kFormats[] = {Format::kAscii, Format::kBinaryLittleEndian, Format::kBinaryBigEndian};

TEST_F(GeneralReader, EveryVariantInEveryFormatGivesTheMeshBack) {
    for (Format format : kFormats) {
        for (const auto& [what, change] : kVariants) {
            SCOPED_TRACE(std::string(what) + ", format " +
                         std::to_string(static_cast<int>(format)));
            Options options;
            options.format = format;
            change(options);
            const Printed printed = load(plywrite::write(kMesh, options));
            EXPECT_EQ(printed.err, "");
            EXPECT_EQ(printed.out, kShortFaceNote);
            expectStore(kMesh, kMeshTriangles);
        }
    }
}

TEST_F(GeneralReader, EveryScalarTypeForCoordinatesCountsAndIndices) {
    const Type integers[] = {Type::kInt8,   Type::kUint8, Type::kInt16,
                             Type::kUint16, Type::kInt32, Type::kUint32};
    for (Format format : kFormats) {
        for (int t = 0; t < 8; ++t) {
            SCOPED_TRACE("type " + std::to_string(t) + ", format " +
                         std::to_string(static_cast<int>(format)));
            Options options;
            options.format = format;
            options.coordinate = static_cast<Type>(t);
            options.listCount = integers[t % 6];
            options.index = integers[(t + 3) % 6];
            EXPECT_EQ(load(plywrite::write(kMesh, options)).err, "");
            expectStore(kMesh, kMeshTriangles);
        }
    }
}

TEST_F(GeneralReader, StripsBecomeTrianglesFacingOneWay) {
    for (Format format : kFormats) {
        Options options;
        options.format = format;
        options.strips = true;
        options.listCount = Type::kInt32;
        EXPECT_EQ(load(plywrite::write(kStrips, options)).err, "");
        expectStore(kStrips, kStripTriangles);
    }
}

// Bytes written down value by value, most significant first, and reversed for little-endian:
// a byte-order fault shared by the writer and the reader cannot pass this.
std::string handMade(bool bigEndian) {
    const std::vector<std::vector<unsigned char>> values = {
        {0x00, 0x01},
        {0x40, 0x00, 0x00, 0x00},
        {0xBF, 0xE0, 0, 0, 0, 0, 0, 0},  // 1, 2, -0.5
        {0xFF, 0xFE},
        {0x3E, 0x80, 0x00, 0x00},
        {0x40, 0x08, 0, 0, 0, 0, 0, 0},  // -2, .25, 3
        {0x01, 0x02},
        {0xBF, 0x80, 0x00, 0x00},
        {0, 0, 0, 0, 0, 0, 0, 0},  // 258, -1, 0
        {0x03},
        {0, 0, 0, 2},
        {0, 0, 0, 0},
        {0, 0, 0, 1}};  // 3: 2 0 1
    std::string bytes = std::string("ply\nformat binary_") + (bigEndian ? "big" : "little") +
                        "_endian 1.0\nelement vertex 3\nproperty short x\nproperty float y\n"
                        "property double z\nelement face 1\n"
                        "property list uchar uint vertex_indices\nend_header\n";
    for (auto value : values) {
        if (!bigEndian) {
            std::reverse(value.begin(), value.end());
        }
        bytes.append(value.begin(), value.end());
    }
    return bytes;
}

TEST_F(GeneralReader, HandMadeBytesOfBothOrders) {
    const plywrite::Mesh expected = {{{1, 2, -0.5}, {-2, 0.25, 3}, {258, -1, 0}}, {}, {}};
    for (bool bigEndian : {true, false}) {
        EXPECT_EQ(load(handMade(bigEndian)).err, "");
        expectStore(expected, {{2, 0, 1}});
    }
}

// ===== Refusals =====

// An ASCII header of the general form (extra vertex property), with the body given.
std::string general(const std::string& declarations, const std::string& body) {
    return "ply\nformat ascii 1.0\n" + declarations + "end_header\n" + body;
}
const std::string kVertices =
    "element vertex 3\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n";
const std::string kFaces = "element face 1\nproperty list char int vertex_indices\n";

struct Refusal {
    const char* what;
    std::string bytes;
    const char* message;  // after "m.ply: "
};

std::vector<Refusal> refusals() {
    std::string nan = handMade(true);
    nan.replace(nan.size() - 13 - 8 - 4, 4, "\x7F\xC0\0\0", 4);  // y of vertex 2
    std::string cut = handMade(false);
    cut.resize(cut.size() - 3);
    const std::string triangle = "0 0 0 1\n1 0 0 2\n0 1 0 3\n";
    return {
        {"non-finite binary coordinate", nan, "vertex 2: coordinate is not finite"},
        {"non-finite text coordinate", general(kVertices + kFaces, "0 0 0 1\ninf 0 0 2\n"),
         "vertex 1: coordinate is not finite"},
        {"index outside the vertices", general(kVertices + kFaces, triangle + "3 0 1 3\n"),
         "face 0: index 3 outside 0..2"},
        {"strip index outside",
         general(kVertices + "element tristrips 1\nproperty list int int vertex_indices\n",
                 triangle + "4 0 1 2 -2\n"),
         "tristrips 0: index -2 outside 0..2"},
        {"binary body cut short", cut, "file ends in face 0 of 1"},
        {"text body cut short in an unknown element",
         general(kVertices + kFaces + "element edge 2\nproperty int a\n",
                 triangle + "3 0 1 2\n7\n"),
         "file ends in edge 1 of 2"},
        {"integer out of its type's range", general(kVertices, "0 0 0 1\n0 0 0 256\n0 0 0 2\n"),
         "vertex 1: red is not a number of type uchar"},
        {"fraction for an integer", general(kVertices, "0 0 0 1.5\n"),
         "vertex 0: red is not a number of type uchar"},
        {"word for a coordinate", general(kVertices, "0 zero 0 1\n"),
         "vertex 0: y is not a number of type float"},
        {"negative list length", general(kVertices + kFaces, triangle + "-1\n"),
         "face 0: negative list length -1"},
        {"unknown format", "ply\nformat binary_middle_endian 1.0\nend_header\n",
         "line 2: unknown format \"binary_middle_endian\""},
        {"unknown version", "ply\nformat ascii 2.0\nend_header\n",
         "line 2: format version 2.0 is not 1.0"},
        {"unknown type", general("element vertex 1\nproperty float16 x\n", ""),
         "line 4: unknown type \"float16\""},
        {"unknown header line", general("elements vertex 1\n", ""),
         "line 3: unknown header line \"elements\""},
        {"no vertex element", general("element point 0\n", ""), "no vertex element"},
        {"no z", general("element vertex 0\nproperty float x\nproperty float y\n", ""),
         "the vertex element has no z property"},
        {"faces without indices", general(kVertices + "element face 1\nproperty int n\n", ""),
         "the face element has no vertex_indices list"},
        {"not a PLY file", "solid cube\nfacet normal 0 0 1\n",
         "not a PLY file (the first line is not \"ply\")"},
    };
}

TEST_F(GeneralReader, EveryRefusalPrintsItsLineOnceAndEmptiesAnotherEntrysModel) {
    for (const Refusal& refusal : refusals()) {
        SCOPED_TRACE(refusal.what);
        forgetLoadedModel();
        load(plywrite::write(kMesh, Options{}), kOtherEntry);
        const Printed first = load(refusal.bytes);
        EXPECT_EQ(first.err, std::string("m.ply: ") + refusal.message + "\n");
        EXPECT_EQ(outcome, LoadOutcome::kRefused);
        EXPECT_EQ(vertexCount, 0);
        EXPECT_EQ(faceCount, 0);
        EXPECT_EQ(loadPath().err, "");  // the same fault again: not printed again
    }
}

TEST_F(GeneralReader, TrailingBytesAfterTheDeclaredElementsAreIgnored) {
    Options options;
    options.format = Format::kBinaryLittleEndian;
    EXPECT_EQ(load(plywrite::write(kMesh, options) + "trailing \x01\x02").err, "");
    expectStore(kMesh, kMeshTriangles);
}

// ===== Notes and fitting =====

TEST_F(GeneralReader, APointCloudIsKeptWithOneLine) {
    Options options;
    options.pointCloud = true;
    const Printed printed = load(plywrite::write(kMesh, options));
    EXPECT_EQ(printed.out, "m.ply: 5 vertices and no faces\n");
    expectStore(kMesh, {});
    EXPECT_EQ(loadPath().out, "");  // unchanged: said once
    EXPECT_EQ(outcome, LoadOutcome::kUnchanged);
}

TEST_F(GeneralReader, AnOversizedSurfaceIsSimplifiedOnceAndKept) {
    Options options;
    options.format = Format::kBinaryLittleEndian;
    const Printed printed = load(plywrite::write(plywrite::surface(150, 100), options));
    EXPECT_EQ(
        printed.out.rfind("m.ply: simplified to fit, 15251 vertices and 30000 triangles to ", 0),
        0u)
        << printed.out;
    expectFitsTheStore();
    EXPECT_GT(faceCount, kMaxFaces / 2);
    EXPECT_NEAR(minX, -1, 0.05);
    EXPECT_NEAR(maxY, 1, 0.05);
    const Vec4 kept = vertices[vertexCount - 1];
    EXPECT_EQ(loadPath().out, "");  // unchanged: neither simplified nor said again
    EXPECT_EQ(outcome, LoadOutcome::kUnchanged);
    EXPECT_EQ(std::memcmp(&kept, &vertices[vertexCount - 1], sizeof kept), 0);
}

TEST_F(GeneralReader, UnweldedTrianglesAndBigCloudsAlsoFit) {
    plywrite::Mesh soup;  // every triangle with corners of its own: nothing to collapse
    for (int t = 0; t < 25000; ++t) {
        const double x = t % 160;
        const double y = t / 160;
        soup.positions.insert(soup.positions.end(), {{x, y, 0}, {x + 1, y, 0}, {x, y + 1, 0}});
        soup.faces.push_back({3 * t, 3 * t + 1, 3 * t + 2});
    }
    Options options;
    options.format = Format::kBinaryBigEndian;
    EXPECT_EQ(load(plywrite::write(soup, options)).err, "");
    expectFitsTheStore();
    EXPECT_GT(faceCount, 0);
    options.pointCloud = true;
    const Printed cloud = load(plywrite::write(soup, options));
    EXPECT_EQ(cloud.out.rfind("m.ply: 75000 vertices and no faces\nm.ply: thinned to fit", 0), 0u)
        << cloud.out;
    EXPECT_LE(vertexCount, kMaxVertices);
    EXPECT_GT(vertexCount, kMaxVertices / 2);
}

TEST_F(GeneralReader, CentringWorksForBinaryDoubles) {
    setCentreCoordinates(true);
    const plywrite::Mesh survey = {
        {{429877111.59, 10, 0}, {429877111.79, 12, 1}, {429877111.6, 11, 0}}, {{0, 1, 2}}, {}};
    Options options;
    options.format = Format::kBinaryLittleEndian;
    options.coordinate = Type::kFloat64;
    load(plywrite::write(survey, options));
    double centre[3];
    loadedModelCentre(centre);
    EXPECT_EQ(centre[0], (429877111.59 + 429877111.79) / 2);
    EXPECT_EQ(vertices[2].x, static_cast<float>(429877111.6 - centre[0]));
    EXPECT_EQ(minY, -1.0f);
}

// ===== Paths that are not regular files =====

TEST_F(GeneralReader, NonFilesAndHugeFilesAreRefusedAtOnce) {
    const std::vector<std::pair<std::function<void()>, const char*>> cases = {
        {[] { ::mkfifo(kPath, 0600); }, "not a regular file (a FIFO)"},
        {[] { std::filesystem::create_symlink("/dev/zero", kPath); },
         "not a regular file (a device)"},
        {[] { std::filesystem::create_directory(kPath); }, "not a regular file (a directory)"},
        {[] { std::filesystem::resize_file(kPath, 257u << 20); },  // sparse: no disk used
         "larger than the limit of 256 MiB"},
    };
    for (const auto& [make, message] : cases) {
        SCOPED_TRACE(message);
        folder.write(kPath, "");  // for the size case; the others replace it
        if (std::string(message).find("limit") == std::string::npos) {
            std::filesystem::remove(kPath);
        }
        make();
        EXPECT_EQ(loadPath().err, std::string("m.ply: ") + message + "\n");
        EXPECT_EQ(outcome, LoadOutcome::kRefused);
        std::filesystem::remove_all(kPath);
    }
}

}  // namespace
