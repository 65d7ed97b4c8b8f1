// Our PLY writer's streaming path and its big shapes: a streamed triangle mesh has exactly the
// bytes write() gives it, and the torus and sphere are welded, closed, facing outwards, of the
// sizes the big-file benchmark relies on, and read by the viewer's own reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/model.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::Options;
using plywrite::Source;
using plywrite::Type;

constexpr double kTolerance = 1e-12;

// What writeStream puts into a FILE*, as a string.
std::string streamed(const Source& source, const Options& options) {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* file = ::open_memstream(&bytes, &size);
    EXPECT_TRUE(plywrite::writeStream(file, source, options));
    std::fclose(file);
    std::string text(bytes, size);
    std::free(bytes);
    return text;
}

// A triangle mesh as a stream: positions as they are, triangles from its faces.
Source sourceOf(const plywrite::Mesh& mesh) {
    Source source;
    source.vertexCount = static_cast<std::int64_t>(mesh.positions.size());
    source.triangleCount = static_cast<std::int64_t>(mesh.faces.size());
    source.vertex = [&mesh](std::int64_t i) {
        return plywrite::Vertex{mesh.positions[static_cast<std::size_t>(i)], {}, {}};
    };
    source.triangle = [&mesh](std::int64_t f) {
        const auto& face = mesh.faces[static_cast<std::size_t>(f)];
        return plywrite::Triangle{face[0], face[1], face[2]};
    };
    return source;
}

std::array<double, 3> minus(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double dot(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

std::array<double, 3> cross(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct Shape {
    const char* name;
    std::optional<Source> (*make)(std::int64_t);
    std::int64_t extraVertices;  // beyond half the triangle count: a sphere's two poles
};
const Shape kShapes[] = {{"torus", plywrite::torus, 0}, {"sphere", plywrite::sphere, 2}};

// ===== Tests =====

TEST(PlyWriteStream, AStreamedTriangleMeshHasTheBytesWriteGivesIt) {
    const plywrite::Mesh mesh = plywrite::surface(200, 200);  // more than a spill in every format
    for (Format format : {Format::kAscii, Format::kBinaryLittleEndian, Format::kBinaryBigEndian}) {
        for (Type index : {Type::kInt32, Type::kUint16}) {
            SCOPED_TRACE(static_cast<int>(format) * 10 + static_cast<int>(index));
            Options options;
            options.format = format;
            options.index = index;
            options.listName = "vertex_index";
            EXPECT_EQ(streamed(sourceOf(mesh), options), plywrite::write(mesh, options));
        }
    }
}

TEST(PlyWriteStream, ShapesAreMadeOnlyWithinTheirLimits) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        EXPECT_FALSE(shape.make(plywrite::kMinShapeTriangles - 1));
        EXPECT_TRUE(shape.make(plywrite::kMinShapeTriangles));
        EXPECT_TRUE(shape.make(plywrite::kMaxShapeTriangles));
        EXPECT_FALSE(shape.make(plywrite::kMaxShapeTriangles + 1));
    }
}

TEST(PlyWriteStream, TheBenchmarksShapesHaveTheirSizes) {
    EXPECT_EQ(plywrite::torus(1'000'000)->triangleCount, 1'000'000);
    EXPECT_EQ(plywrite::torus(1'000'000)->vertexCount, 500'000);
    EXPECT_EQ(plywrite::sphere(12'200'000)->triangleCount, 12'197'556);
    EXPECT_EQ(plywrite::sphere(12'200'000)->vertexCount, 6'098'780);
}

// Every edge runs once each way (closed and facing one way), no two vertices share a place
// (welded), normals have unit length and each triangle turns its front the way they point.
TEST(PlyWriteStream, ShapesAreWeldedClosedAndFaceOutwards) {
    for (const Shape& shape : kShapes) {
        for (std::int64_t size : {plywrite::kMinShapeTriangles, std::int64_t{1000}}) {
            SCOPED_TRACE(std::string(shape.name) + " " + std::to_string(size));
            const Source source = *shape.make(size);
            EXPECT_EQ(source.vertexCount, source.triangleCount / 2 + shape.extraVertices);
            std::set<std::array<double, 3>> places;
            for (std::int64_t i = 0; i < source.vertexCount; ++i) {
                const plywrite::Vertex v = source.vertex(i);
                EXPECT_NEAR(dot(v.normal, v.normal), 1, kTolerance) << i;
                places.insert(v.position);
            }
            EXPECT_EQ(static_cast<std::int64_t>(places.size()), source.vertexCount);
            std::map<std::pair<std::int64_t, std::int64_t>, int> edges;
            for (std::int64_t f = 0; f < source.triangleCount; ++f) {
                const plywrite::Triangle t = source.triangle(f);
                const plywrite::Vertex a = source.vertex(t[0]), b = source.vertex(t[1]),
                                       c = source.vertex(t[2]);
                const auto front =
                    cross(minus(b.position, a.position), minus(c.position, a.position));
                for (const auto* corner : {&a, &b, &c}) {
                    EXPECT_GT(dot(front, corner->normal), 0) << f;
                }
                for (int k = 0; k < 3; ++k) {
                    ++edges[{t[k], t[(k + 1) % 3]}];
                }
            }
            for (const auto& [edge, count] : edges) {
                EXPECT_EQ(count, 1);
                EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
            }
        }
    }
}

TEST(PlyWriteStream, TheBigLayoutReadsBackThroughTheViewersReader) {
    Options options;
    options.format = Format::kBinaryLittleEndian;
    options.coordinate = Type::kFloat64;
    options.normalsAndColours = true;
    options.index = Type::kUint32;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        const Source source = *shape.make(1000);
        const std::string bytes = streamed(source, options);
        std::vector<Vec4> vertices(kMaxVertices);
        std::vector<FaceIndices> faces(kMaxFaces);
        PlyMesh mesh;
        mesh.vertices = vertices.data();
        mesh.faces = faces.data();
        PlyError error;
        ASSERT_TRUE(parsePly(bytes.data(), bytes.size(), mesh, error)) << error.message;
        EXPECT_EQ(mesh.vertexCount, source.vertexCount);
        EXPECT_EQ(mesh.faceCount, source.triangleCount);
        const plywrite::Triangle last = source.triangle(source.triangleCount - 1);
        EXPECT_EQ(faces[static_cast<std::size_t>(mesh.faceCount - 1)].v3, last[2]);
    }
}

}  // namespace
