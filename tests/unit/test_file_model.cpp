// Models at the file's own size: every vertex and triangle kept and centred in double, the edge
// list, the proxy and its thresholds, and the memory a file is judged to need.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
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
