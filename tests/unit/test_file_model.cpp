// Models at the file's own size: every vertex and triangle kept and centred in double, the
// properties the file measured, the edge list, the proxy and its thresholds, and the memory a
// file is judged to need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/file_model.h"
#include "model/model.h"
#include "model/proxy.h"
#include "tools/plywrite/plywrite.h"

namespace {

using Edges = std::vector<std::uint32_t>;
using plywrite::Format;
using plywrite::Type;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

FileModel parsed(const std::string& text) {
    FileModel model;
    PlyError error;
    EXPECT_TRUE(parseFileModel(text.data(), text.size(), model, error)) << error.message;
    return model;
}

std::string binary(const plywrite::Mesh& mesh, bool pointCloud = false) {
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    options.pointCloud = pointCloud;
    return plywrite::write(mesh, options);
}

// Triangles that share nothing: `count` of them side by side.
plywrite::Mesh separateTriangles(int count) {
    plywrite::Mesh mesh;
    for (int i = 0; i < count; ++i) {
        mesh.positions.push_back({i * 2.0, 0, 0});
        mesh.positions.push_back({i * 2.0 + 1, 0, 0});
        mesh.positions.push_back({i * 2.0, 1, 0});
        mesh.faces.push_back({3 * i, 3 * i + 1, 3 * i + 2});
    }
    return mesh;
}

TEST(FileModel, KeepsEveryVertexAndTriangleCentredInDouble) {
    // Beyond the catalogue's store, and far from the origin.
    plywrite::Mesh mesh = plywrite::surface(150, 100);  // 30,000 triangles
    for (auto& p : mesh.positions) p[0] += 429877111.0;
    plywrite::Options options;
    options.coordinate = plywrite::Type::kFloat64;
    options.format = plywrite::Format::kBinaryBigEndian;
    const FileModel model = parsed(plywrite::write(mesh, options));
    ASSERT_EQ(model.vertexCount(), mesh.positions.size());
    ASSERT_EQ(model.triangleCount(), mesh.faces.size());
    EXPECT_EQ(model.centre[0], 429877111.0);
    EXPECT_FLOAT_EQ(model.minX, -1.0f);
    EXPECT_FLOAT_EQ(model.maxX, 1.0f);
    // Small digits survive: the second column sits 2/150 units from the first.
    EXPECT_NEAR(model.positions[3] - model.positions[0], 2.0 / 150, 1e-6);
    for (std::size_t f = 0; f < mesh.faces.size(); f += 997) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(model.triangles[3 * f + k], static_cast<std::uint32_t>(mesh.faces[f][k]));
        }
    }
    EXPECT_FALSE(model.notes.simplified);
    EXPECT_FALSE(model.notes.pointCloud);
    // As text (doubles read one by one, centred after), whose indices of five digits are read
    // eight digits at a time: the same model as binary's floats centred while they are read.
    options.format = plywrite::Format::kAscii;
    options.index = plywrite::Type::kUint32;
    const FileModel text = parsed(plywrite::write(mesh, options));
    EXPECT_EQ(text.triangles, model.triangles);
    EXPECT_EQ(text.positions, model.positions);
    EXPECT_EQ(text.centre[0], model.centre[0]);
    EXPECT_EQ(text.maxY, model.maxY);
}

// ===== What the file measured =====

struct Expected {
    const char* name;
    bool face;
    bool integer;
    double base;
    std::vector<double> values;  // by vertex or by triangle; NaN where there is none
};

void expectProperties(const FileModel& model, const std::vector<Expected>& expected) {
    ASSERT_EQ(model.properties.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const PropertyValues& kept = model.properties[n];
        const Expected& e = expected[n];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(kept.name, e.name);
        EXPECT_EQ(kept.face, e.face);
        EXPECT_EQ(kept.integer, e.integer);
        EXPECT_EQ(kept.base, e.base);
        ASSERT_EQ(kept.values.size(), e.face ? model.triangleCount() : model.vertexCount());
        ASSERT_EQ(kept.values.size(), e.values.size());
        for (std::size_t i = 0; i < e.values.size(); ++i) {
            if (std::isnan(e.values[i])) {
                EXPECT_TRUE(std::isnan(kept.values[i])) << i;
            } else {
                EXPECT_EQ(kept.at(i), e.values[i]) << i;
            }
        }
    }
}

// Every layout a body can take keeps the same values: text, fixed-size binary vertices of either
// byte order (centred while read), vertices of variable size (a list among them), properties
// declared before the coordinates. The first intensity is NaN, so its base is the next value;
// quality keeps its small digits beside its large offset; faces give a value to each triangle they
// make (a quad two, a face of two corners none).
TEST(FileModel, KeepsWhatTheFileMeasuredInEveryLayout) {
    plywrite::Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 1}};
    mesh.faces = {{0, 1, 2, 3}, {3, 4}, {0, 2, 4}};
    mesh.vertexExtras = {
        {"intensity", Type::kFloat32, {kNaN, 0.5, 1.5, 2.5, -1}},
        {"label", Type::kUint8, {3, 0, 255, 7, 3}},
        {"quality", Type::kFloat64, {1e9 + 0.25, 1e9 + 0.5, 1e9, 1e9 + 1, 1e9 - 0.75}}};
    mesh.faceExtras = {{"segment", Type::kInt32, {10, 20, -30}}};
    const std::vector<Expected> expected = {
        {"intensity", false, false, 0.5, {kNaN, 0.5, 1.5, 2.5, -1}},
        {"label", false, true, 3, {3, 0, 255, 7, 3}},
        {"quality", false, false, 1e9 + 0.25, mesh.vertexExtras[2].values},
        {"segment", true, true, 10, {10, 10, -30}}};
    struct Case {
        const char* what;
        Format format;
        bool extrasFirst;
        bool vertexList;
    };
    const Case cases[] = {
        {"ascii", Format::kAscii, false, false},
        {"ascii, declared first", Format::kAscii, true, false},
        {"binary", Format::kBinaryLittleEndian, false, false},
        {"big-endian", Format::kBinaryBigEndian, false, false},
        {"binary, declared first", Format::kBinaryLittleEndian, true, false},
        {"binary, variable size", Format::kBinaryLittleEndian, false, true},
        {"big-endian, variable size, declared first", Format::kBinaryBigEndian, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plywrite::Mesh written = mesh;
        if (c.vertexList) {
            written.vertexExtras.push_back({"tags", Type::kInt32, {1, 2, 3, 4, 5}, true});
        }
        plywrite::Options options;
        options.format = c.format;
        options.extrasFirst = c.extrasFirst;
        const FileModel model = parsed(plywrite::write(written, options));
        ASSERT_EQ(model.triangleCount(), 3u);
        expectProperties(model, expected);
    }
}

// Triangles of strips and of a second face element have no value of the first face element's
// properties: NaN, so that there is a value for every triangle whatever made it.
TEST(FileModel, TrianglesOfNoMeasuredFaceHaveNoValue) {
    const FileModel model = parsed(
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
        "property float z\nelement tristrips 1\nproperty list uchar int vertex_indices\n"
        "element face 2\nproperty list uchar int vertex_indices\nproperty float quality\n"
        "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0\n1 0 0\n0 1 0\n1 1 0\n4 0 1 2 3\n3 0 1 2 5.5\n3 1 3 2 -inf\n3 0 1 3\n");
    ASSERT_EQ(model.triangleCount(), 5u);
    ASSERT_EQ(model.properties.size(), 1u);
    const std::vector<float>& values = model.properties[0].values;
    EXPECT_EQ(model.properties[0].base, 5.5);
    EXPECT_TRUE(std::isnan(values[0]) && std::isnan(values[1]) && std::isnan(values[4]));
    EXPECT_EQ(values[2], 0.0f);
    EXPECT_EQ(values[3], -std::numeric_limits<float>::infinity());
}

// Texture coordinates by vertex under each naming and type, or by corner from the faces' lists
// (which win over the vertices'), each face's image and the images the comments name, in every
// layout. A face's list that is not a pair per corner leaves its triangles without coordinates.
TEST(FileModel, KeepsTextureCoordinatesImagesAndTheirFiles) {
    plywrite::Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 1}};
    mesh.faces = {{0, 1, 2, 3}, {1, 4, 2}, {0, 2, 4}};
    mesh.comments = {"TextureFile  wood grain.png ", "texturefile stone.png",
                     "TextureFiles no.png"};
    const std::vector<double> u = {0, 0.25, 0.5, 0.75, 1};
    const std::vector<double> v = {1, 0.5, 0, 2, 4};
    const std::vector<float> vertexUv = {0, 1, 0.25, 0.5, 0.5, 0, 0.75, 2, 1, 4};
    const plywrite::Extra faceUv{"texcoord",
                                 Type::kFloat32,
                                 {},
                                 true,
                                 {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14}, {1, 2, 3, 4}}};
    const plywrite::Extra texnumber{"texnumber", Type::kInt32, {2, 0, -3}};
    const float n = std::numeric_limits<float>::quiet_NaN();
    // The quad's fan is corners 0 1 2 and 0 2 3; the third face's list is too short.
    const std::vector<float> cornerUv = {1, 2,  3,  4,  5,  6,  1, 2, 5, 6, 7, 8,
                                         9, 10, 11, 12, 13, 14, n, n, n, n, n, n};
    struct Case {
        const char* what;
        const char* names[2];
        Type type;
        bool faces;       // texcoord lists and texnumber on the faces
        bool vertexList;  // vertices of varying size
    };
    const Case cases[] = {
        {"s t beside face lists", {"s", "t"}, Type::kFloat32, true, false},
        {"u v doubles", {"u", "v"}, Type::kFloat64, false, false},
        {"texture_u texture_v, varying size",
         {"texture_u", "texture_v"},
         Type::kFloat32,
         false,
         true},
        {"texture_s texture_t", {"texture_s", "texture_t"}, Type::kFloat64, false, false},
    };
    for (const Format format :
         {Format::kAscii, Format::kBinaryLittleEndian, Format::kBinaryBigEndian}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << ", format " << static_cast<int>(format));
            plywrite::Mesh written = mesh;
            written.vertexExtras = {{c.names[0], c.type, u}, {c.names[1], c.type, v}};
            if (c.faces) {
                written.faceExtras = {faceUv, texnumber};
            }
            if (c.vertexList) {
                written.vertexExtras.push_back({"tags", Type::kInt32, {1, 2, 3, 4, 5}, true});
            }
            plywrite::Options options;
            options.format = format;
            const FileModel model = parsed(plywrite::write(written, options));
            ASSERT_EQ(model.triangleCount(), 4u);
            EXPECT_EQ(model.textureFiles,
                      (std::vector<std::string>{"wood grain.png", "stone.png"}));
            EXPECT_EQ(model.texcoords, c.faces ? std::vector<float>{} : vertexUv);
            ASSERT_EQ(model.cornerTexcoords.size(), c.faces ? cornerUv.size() : 0u);
            for (std::size_t k = 0; k < model.cornerTexcoords.size(); ++k) {
                EXPECT_TRUE(model.cornerTexcoords[k] == cornerUv[k] ||
                            (std::isnan(model.cornerTexcoords[k]) && std::isnan(cornerUv[k])))
                    << k;
            }
            const std::vector<std::int32_t> images = {2, 2, 0, -1};  // -3 is no image
            EXPECT_EQ(model.triangleTextures, c.faces ? images : std::vector<std::int32_t>{});
            EXPECT_TRUE(model.properties.empty());
        }
    }
}

// Strips have no texture coordinates or images: their triangles get NaN and -1, so that there is
// a pair per corner and an image per triangle whatever made the triangle. An image number is
// kept up to the largest int; one past it is no image.
TEST(FileModel, TrianglesOfStripsHaveNoTextureCoordinates) {
    const FileModel model = parsed(
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
        "property float z\nelement tristrips 1\nproperty list uchar int vertex_indices\n"
        "element face 2\nproperty list uchar int vertex_indices\nproperty uint texnumber\n"
        "property list uchar float texcoords\nend_header\n"
        "0 0 0\n1 0 0\n0 1 0\n1 1 0\n4 0 1 2 3\n3 0 1 3 2147483647 6 1 2 3 4 5 6\n"
        "3 0 1 2 2147483648 6 1 2 3 4 5 6\n");
    ASSERT_EQ(model.triangleCount(), 4u);
    ASSERT_EQ(model.cornerTexcoords.size(), 24u);
    EXPECT_TRUE(std::all_of(model.cornerTexcoords.begin(), model.cornerTexcoords.begin() + 12,
                            [](float value) { return std::isnan(value); }));
    EXPECT_EQ(std::vector<float>(model.cornerTexcoords.begin() + 12, model.cornerTexcoords.end()),
              (std::vector<float>{1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(model.triangleTextures, (std::vector<std::int32_t>{-1, -1, 2147483647, -1}));
}

// At most kMaxKeptProperties, vertex ones first; and what is a position, normal, colour, texture
// coordinate or splat coefficient is never kept.
TEST(FileModel, MeasuredPropertiesUpToTheCapLessTheOthers) {
    const auto numbered = [](const char* start, int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(start + std::to_string(i));
        }
        return names;
    };
    const auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    constexpr int kVertexOnes = kMaxKeptProperties - 4;
    struct Case {
        const char* what;
        const char* axes;
        std::vector<std::string> vertex, face, kept;
    };
    const std::vector<Case> cases = {
        {"at the cap", "xyz", numbered("v", kVertexOnes), numbered("f", 4),
         joined(numbered("v", kVertexOnes), numbered("f", 4))},
        {"one past, on a face", "xyz", numbered("v", kVertexOnes), numbered("f", 5),
         joined(numbered("v", kVertexOnes), numbered("f", 4))},
        {"one past, on vertices",
         "xyz",
         numbered("v", kMaxKeptProperties + 1),
         {"f0"},
         numbered("v", kMaxKeptProperties)},
        {"a splat's and the others",
         "XYZ",
         {"nx",       "ny",        "nz",          "red",           "green",     "blue",   "alpha",
          "r",        "a",         "diffuse_red", "diffuse_alpha", "s",         "t",      "u",
          "v",        "texture_u", "texture_t",   "texnumber",     "f_dc_0",    "f_dc_1", "f_dc_2",
          "f_rest_0", "opacity",   "scale_0",     "rot_3",         "confidence"},
         {"red", "green", "blue", "alpha", "texture_v", "quality"},
         {"confidence", "quality"}},
        {"a splat's names without f_dc_0, an axis in the other case",
         "xyz",
         {"opacity", "scale_0", "rot_0", "X"},
         {},
         {"opacity", "scale_0", "rot_0", "X"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plywrite::Mesh mesh = separateTriangles(1);
        for (const std::string& name : c.vertex) {
            mesh.vertexExtras.push_back({name, Type::kFloat32, {0, 0, 0}});
        }
        for (const std::string& name : c.face) {
            mesh.faceExtras.push_back({name, Type::kUint8, {0}});
        }
        plywrite::Options options;
        options.axes = c.axes;
        const FileModel model = parsed(plywrite::write(mesh, options));
        std::vector<std::string> kept;
        for (const PropertyValues& property : model.properties) {
            kept.push_back(property.name);
        }
        EXPECT_EQ(kept, c.kept);
    }
}

TEST(FileModel, PointCloudsAndRefusals) {
    const FileModel cloud = parsed(binary(plywrite::surface(9, 9), true));
    EXPECT_EQ(cloud.vertexCount(), 100u);
    EXPECT_EQ(cloud.triangleCount(), 0u);
    EXPECT_TRUE(cloud.notes.pointCloud);

    FileModel model = parsed(binary(separateTriangles(2)));
    const std::string cut = binary(separateTriangles(2)).substr(0, 200);
    PlyError error;
    EXPECT_FALSE(parseFileModel(cut.data(), cut.size(), model, error));
    EXPECT_EQ(std::string(error.message).rfind("file ends in ", 0), 0u) << error.message;
    EXPECT_EQ(model.vertexCount(), 0u);  // emptied, not half filled
    EXPECT_GT(model.minX, model.maxX);
    // Coordinates a float cannot hold, in text and in binary: the same refusals.
    for (const auto format : {plywrite::Format::kAscii, plywrite::Format::kBinaryLittleEndian}) {
        for (const auto& [value, message] :
             {std::pair<double, const char*>{std::numeric_limits<double>::infinity(),
                                             "vertex 4: coordinate is not finite"},
              {1e300, "vertex 0: coordinate is beyond the float range"}}) {
            plywrite::Mesh far = separateTriangles(2);
            far.positions[4][1] = value;
            plywrite::Options options;
            options.format = format;
            options.coordinate = plywrite::Type::kFloat64;
            const std::string text = plywrite::write(far, options);
            EXPECT_FALSE(parseFileModel(text.data(), text.size(), model, error));
            EXPECT_STREQ(error.message, message);
        }
    }
}

// Sorted pairs of the list, to compare with what a triangle list should give.
std::set<std::pair<std::uint32_t, std::uint32_t>> pairsOf(const Edges& edges) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> pairs;
    for (std::size_t i = 0; i < edges.size(); i += 2) {
        EXPECT_LT(edges[i], edges[i + 1]);
        pairs.insert({edges[i], edges[i + 1]});
    }
    EXPECT_EQ(pairs.size(), edges.size() / 2) << "an edge listed twice";
    return pairs;
}

TEST(FileModel, EveryEdgeOnceWhateverTheMeshIsLike) {
    struct Case {
        const char* what;
        Edges triangles;
        std::size_t vertices;
        std::size_t edges;
    };
    const std::vector<Case> cases = {
        {"one triangle", {0, 1, 2}, 3, 3},
        {"two sharing an edge", {0, 1, 2, 2, 1, 3}, 4, 5},
        {"closed tetrahedron", {0, 1, 2, 0, 3, 1, 1, 3, 2, 2, 3, 0}, 4, 6},
        {"opposite windings", {0, 1, 2, 0, 2, 1}, 3, 3},
        {"three on one edge", {0, 1, 2, 1, 0, 3, 0, 1, 4}, 5, 7},
        {"a corner repeated", {5, 5, 7}, 8, 1},
        {"all corners one", {4, 4, 4}, 5, 0},
        {"nothing", {}, 3, 0},
    };
    for (const Case& c : cases) {
        Edges edges;
        uniqueEdges(c.triangles, c.vertices, edges);
        const auto pairs = pairsOf(edges);
        EXPECT_EQ(pairs.size(), c.edges) << c.what;
        for (std::size_t t = 0; t + 2 < c.triangles.size(); t += 3) {
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t a = c.triangles[t + k], b = c.triangles[t + (k + 1) % 3];
                if (a != b) {
                    EXPECT_EQ(pairs.count({std::min(a, b), std::max(a, b)}), 1u) << c.what;
                }
            }
        }
    }
    // A welded surface: V + F - 1 edges (Euler, one boundary); separate triangles: all three.
    const FileModel surface = parsed(binary(plywrite::surface(40, 30)));
    Edges edges;
    uniqueEdges(surface.triangles, surface.vertexCount(), edges);
    EXPECT_EQ(edges.size() / 2, surface.vertexCount() + surface.triangleCount() - 1);
    const FileModel apart = parsed(binary(separateTriangles(50)));
    uniqueEdges(apart.triangles, apart.vertexCount(), edges);
    EXPECT_EQ(edges.size() / 2, 150u);
}

TEST(FileModel, AProxyFromJustPastItsThresholds) {
    FileModel model;
    const auto withTriangles = [&model](std::size_t triangles) {
        model.triangles.assign(3 * triangles, 0);
        model.positions.assign(9, 0.0f);
        return needsProxy(model);
    };
    EXPECT_FALSE(withTriangles(kProxyFromTriangles));
    EXPECT_TRUE(withTriangles(kProxyFromTriangles + 1));
    const auto withPoints = [&model](std::size_t points) {
        model.triangles.clear();
        model.positions.assign(3 * points, 0.0f);
        return needsProxy(model);
    };
    EXPECT_FALSE(withPoints(kProxyFromPoints));
    EXPECT_TRUE(withPoints(kProxyFromPoints + 1));
}

TEST(FileModel, TheProxyIsLightKeepsTheFrameAndCanBeCancelled) {
    const FileModel model = parsed(binary(plywrite::surface(320, 320)));  // 204,800 triangles
    ASSERT_TRUE(needsProxy(model));
    FileModel proxy;
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(buildProxy(model, proxy, cancel));
    EXPECT_GT(proxy.triangleCount(), kProxyTriangles / 2);
    EXPECT_LE(proxy.triangleCount(), kProxyTriangles);
    EXPECT_LT(proxy.vertexCount(), model.vertexCount() / 2);
    EXPECT_EQ(*std::max_element(proxy.triangles.begin(), proxy.triangles.end()) + 1,
              proxy.vertexCount());  // only the vertices in use, numbered from 0
    EXPECT_EQ(proxy.maxX, model.maxX);
    EXPECT_EQ(proxy.minZ, model.minZ);

    FileModel cloud = parsed(binary(plywrite::surface(1000, 1000), true));  // 1,002,001 points
    ASSERT_TRUE(buildProxy(cloud, proxy, cancel));
    EXPECT_LE(proxy.vertexCount(), kProxyPoints);
    EXPECT_GT(proxy.vertexCount(), kProxyPoints / 2);
    cancel = true;
    EXPECT_FALSE(buildProxy(model, proxy, cancel));
}

TEST(FileModel, MemoryNeededFollowsTheHeaderBoundedByTheBytes) {
    const std::string file = binary(plywrite::surface(100, 100));
    const std::uint64_t needed = fileModelBytesNeeded(file.data(), file.size(), file.size());
    EXPECT_GT(needed, file.size() * 2);  // the bytes, the parse and the drawing copies
    EXPECT_LT(needed, file.size() * 8);
    // A header that claims two billion vertices in a few hundred bytes asks for little.
    const std::string lying =
        "ply\nformat binary_little_endian 1.0\nelement vertex 2000000000\nproperty float x\n"
        "property float y\nproperty float z\nend_header\n" +
        std::string(120, '\0');
    EXPECT_LT(fileModelBytesNeeded(lying.data(), lying.size(), lying.size()), 10000u);
    // A measured property costs its value and the colour it is shown in, at each vertex; a
    // texture coordinate, without its pair, is neither measured nor kept; a pair costs its
    // floats in the parse, the model and the GPU's copy.
    const auto withExtras = [](std::vector<const char*> names) {
        plywrite::Mesh mesh = plywrite::surface(100, 100);
        for (const char* name : names) {
            mesh.vertexExtras.push_back({name, Type::kFloat32, {}});
            mesh.vertexExtras.back().values.assign(mesh.positions.size(), 1.0);
        }
        const std::string file = binary(mesh);
        return fileModelBytesNeeded(file.data(), file.size(), file.size());
    };
    const std::uint64_t vertices = 101 * 101;
    EXPECT_EQ(withExtras({"intensity", "u"}) - withExtras({"u", "r"}),
              (sizeof(float) + kColourBytes) * vertices);
    EXPECT_EQ(withExtras({"u", "v"}) - withExtras({"u", "r"}),
              2 * kTexcoordFloats * sizeof(float) * vertices);
    // Without a header to go by, the bytes alone decide.
    EXPECT_GT(fileModelBytesNeeded("junk", 4, 1000000), 1000000u);
}

// A face-coloured model keeps its colours in its proxy: each vertex the proxy uses takes the
// colour of a face around it.
TEST(FileModel, AProxyOfAFaceColouredModelIsColoured) {
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    options.faceColours = true;
    const FileModel model = parsed(plywrite::write(plywrite::surface(320, 320), options));
    ASSERT_TRUE(model.colours.empty());
    ASSERT_EQ(model.faceColours.size(), model.triangleCount() * kColourBytes);
    FileModel proxy;
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(buildProxy(model, proxy, cancel));
    ASSERT_EQ(proxy.colours.size(), proxy.vertexCount() * kColourBytes);
    std::set<std::vector<std::uint8_t>> faceColours, proxyColours;
    for (std::size_t i = 0; i < model.faceColours.size(); i += kColourBytes) {
        faceColours.insert({&model.faceColours[i], &model.faceColours[i] + kColourBytes});
    }
    for (std::size_t i = 0; i < proxy.colours.size(); i += kColourBytes) {
        proxyColours.insert({&proxy.colours[i], &proxy.colours[i] + kColourBytes});
    }
    EXPECT_GT(proxyColours.size(), 1u);
    for (const auto& colour : proxyColours) {
        EXPECT_EQ(faceColours.count(colour), 1u);
    }
}

// A proxy carries what the file measured by vertex: a vertex's own values, and those of the
// first face around it (the face its colour and texture coordinates come from, at the vertex's
// corner, and the image of each triangle from its first corner). A thinned point cloud keeps its
// points' values.
TEST(FileModel, AProxyCarriesWhatTheFileMeasuredByVertex) {
    plywrite::Mesh mesh = plywrite::surface(320, 320);
    plywrite::Extra height{"height", Type::kFloat64, {}};
    for (const auto& p : mesh.positions) {
        height.values.push_back(1e6 + 1000 * p[2]);
    }
    plywrite::Extra facet{"facet", Type::kInt32, {}};
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        facet.values.push_back(static_cast<double>(f));
    }
    // Each corner's coordinates name its vertex and face.
    plywrite::Extra texcoord{"texcoord", Type::kFloat32, {}, true, {}};
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        std::vector<double>& uv = texcoord.lists.emplace_back();
        for (int v : mesh.faces[f]) {
            uv.insert(uv.end(), {static_cast<double>(v), static_cast<double>(f)});
        }
    }
    mesh.vertexExtras = {height};
    plywrite::Extra texnumber{"texnumber", Type::kUint8, {}};
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        texnumber.values.push_back(static_cast<double>(f % 3));
    }
    mesh.faceExtras = {facet, texcoord, texnumber};
    mesh.comments = {"TextureFile skin.png"};
    plywrite::Options options;
    options.format = Format::kBinaryLittleEndian;
    options.faceColours = true;
    const FileModel model = parsed(plywrite::write(mesh, options));
    const FileModel cloud = parsed(binary(mesh, true));  // its vertices alone, thinned
    std::atomic<bool> cancel{false};
    for (const FileModel* source : {&model, &cloud}) {
        FileModel proxy;
        ASSERT_TRUE(buildProxy(*source, proxy, cancel));
        ASSERT_EQ(proxy.properties.size(), source->properties.size());
        EXPECT_EQ(proxy.textureFiles, source->textureFiles);
        EXPECT_TRUE(proxy.cornerTexcoords.empty());
        ASSERT_EQ(proxy.texcoords.size(),
                  source == &cloud ? 0u : proxy.vertexCount() * kTexcoordFloats);
        for (std::size_t n = 0; n < proxy.properties.size(); ++n) {
            EXPECT_EQ(proxy.properties[n].name, source->properties[n].name);
            EXPECT_EQ(proxy.properties[n].base, source->properties[n].base);
            EXPECT_EQ(proxy.properties[n].integer, source->properties[n].integer);
            EXPECT_FALSE(proxy.properties[n].face);
            ASSERT_EQ(proxy.properties[n].values.size(), proxy.vertexCount());
        }
        std::map<std::vector<float>, std::uint32_t> vertexAt;  // the source's, by position
        for (std::uint32_t v = 0; v < source->vertexCount(); ++v) {
            vertexAt[{&source->positions[3 * v], &source->positions[3 * v] + 3}] = v;
        }
        for (std::size_t v = 0; v < proxy.vertexCount(); v += 7) {
            const std::uint32_t m =
                vertexAt.at({&proxy.positions[3 * v], &proxy.positions[3 * v] + 3});
            EXPECT_EQ(proxy.properties[0].values[v], source->properties[0].values[m]);
            if (source == &cloud) {
                continue;
            }
            const auto f = static_cast<std::size_t>(proxy.properties[1].at(v));
            const auto& corners = mesh.faces[f];
            EXPECT_NE(std::find(corners.begin(), corners.end(), static_cast<int>(m)),
                      corners.end());
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(proxy.colours[v * kColourBytes + c], plywrite::faceLevel(f, c));
            }
            EXPECT_EQ(proxy.texcoords[2 * v], static_cast<float>(m));
            EXPECT_EQ(proxy.texcoords[2 * v + 1], static_cast<float>(f));
        }
        ASSERT_EQ(proxy.triangleTextures.size(), source == &cloud ? 0u : proxy.triangleCount());
        for (std::size_t t = 0; t < proxy.triangleTextures.size(); t += 7) {
            const auto f = static_cast<std::size_t>(proxy.properties[1].at(proxy.triangles[3 * t]));
            EXPECT_EQ(proxy.triangleTextures[t], static_cast<std::int32_t>(f % 3));
        }
    }
}

// The file's normals light the surface where they have a length; a zero one is replaced by the
// normal of the faces around its vertex, so that no vertex is lit by a NaN.
TEST(FileModel, AZeroLengthNormalFromTheFileIsComputedInstead) {
    FileModel model;
    model.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    model.triangles = {0, 1, 2};
    model.normals = {0, 0, 1, 0, 0, 0, 1, 0, 0};  // the second has no length, the third is odd
    std::vector<float> normals;
    surfaceNormals(model, normals);
    EXPECT_EQ(normals, (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 0, 0}));
}

}  // namespace
