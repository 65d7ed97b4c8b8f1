// The facts --info tells of a file: declarations, comments, the box in double and what the
// viewer shows, from the lean pass, checked against files of our own writer and against the
// viewer's own reader on the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/file_facts.h"
#include "model/file_model.h"
#include "model/file_walk.h"
#include "plyview/info.h"
#include "temp_folder.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plywrite::Format;
using plywrite::Type;

constexpr double kSurveyX = 429877111.59;  // a survey easting: needs double to keep its digits

FileFacts describe(const std::string& bytes) {
    FileFacts facts;
    ply::describeText(bytes.data(), bytes.size(), facts);
    return facts;
}

// A quad, a pentagon, a two-corner face (left out) and a triangle: 2 + 3 + 0 + 1 triangles.
plywrite::Mesh polygons() {
    plywrite::Mesh mesh;
    for (int i = 0; i < 6; ++i) {
        mesh.positions.push_back({kSurveyX + i, 2.0 * i, -1.0 * i});
    }
    mesh.faces = {{0, 1, 2, 3}, {0, 1, 2, 3, 4}, {4, 5}, {3, 4, 5}};
    return mesh;
}

struct Case {
    const char* name;
    plywrite::Mesh mesh;
    plywrite::Options options;
    std::uint64_t triangles;
    std::uint64_t leftOut;
    const char* normals;
    const char* colours;
    const char* encoding;
};

plywrite::Options with(Format format, Type coordinate = Type::kFloat32) {
    plywrite::Options options;
    options.format = format;
    options.coordinate = coordinate;
    return options;
}

plywrite::Options coloured(Type colour, double full, bool coloursOnly = true) {
    plywrite::Options options = with(Format::kBinaryLittleEndian);
    options.normalsAndColours = true;
    options.coloursOnly = coloursOnly;
    options.colour = colour;
    options.colourFull = full;
    return options;
}

std::vector<Case> cases() {
    const plywrite::Mesh grid = plywrite::surface(4, 3);  // 20 vertices, 24 triangles
    plywrite::Options strips = with(Format::kBinaryLittleEndian);
    strips.strips = true;
    plywrite::Mesh stripMesh = grid;
    stripMesh.strips = {{0, 1, 5, 6, 10, -1, 2, 3, 7, 8}, {4, 4, 9}};  // 3 + 2 + 0
    plywrite::Options cloud = with(Format::kBinaryBigEndian, Type::kFloat64);
    cloud.pointCloud = true;
    plywrite::Options faceColours = with(Format::kAscii);
    faceColours.faceColours = true;
    plywrite::Options splats = with(Format::kBinaryLittleEndian);
    splats.splats = true;
    splats.pointCloud = true;
    return {
        {"ascii", grid, with(Format::kAscii), 24, 0, "computed", "none", ""},
        {"little endian doubles", grid, with(Format::kBinaryLittleEndian, Type::kFloat64), 24, 0,
         "computed", "none", ""},
        {"big endian", grid, with(Format::kBinaryBigEndian), 24, 0, "computed", "none", ""},
        {"ascii polygons", polygons(), with(Format::kAscii, Type::kFloat64), 6, 1, "computed",
         "none", ""},
        {"binary polygons", polygons(), with(Format::kBinaryBigEndian, Type::kFloat64), 6, 1,
         "computed", "none", ""},
        {"strips", stripMesh, strips, 5, 0, "computed", "none", ""},
        {"point cloud", grid, cloud, 0, 0, "none", "none", ""},
        {"uchar colours and normals", grid, coloured(Type::kUint8, 255, false), 24, 0, "file",
         "vertices", "uchar 0..255"},
        {"float colours 0..1", grid, coloured(Type::kFloat32, 1), 24, 0, "computed", "vertices",
         "float 0..1"},
        {"float colours 0..255", grid, coloured(Type::kFloat32, 255), 24, 0, "computed", "vertices",
         "float 0..255"},
        {"ushort colours", grid, coloured(Type::kUint16, 65535), 24, 0, "computed", "vertices",
         "ushort 0..65535"},
        {"face colours", grid, faceColours, 24, 0, "computed", "faces", "uchar 0..255"},
        {"splats", grid, splats, 0, 0, "none", "vertices", "f_dc splat"},
    };
}

// Every case as the table says, and as the viewer's reader finds the same bytes.
TEST(FileFacts, CountsAsTheViewerShowsThem) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const std::string bytes = plywrite::write(c.mesh, c.options);
        const FileFacts facts = describe(bytes);
        ASSERT_FALSE(facts.refused) << facts.reason;
        EXPECT_EQ(facts.vertices, c.mesh.positions.size());
        EXPECT_EQ(facts.triangles, c.triangles);
        EXPECT_EQ(facts.facesLeftOut, c.leftOut);
        EXPECT_EQ(facts.normalsFrom, c.normals);
        EXPECT_EQ(facts.coloursFrom, c.colours);
        EXPECT_EQ(facts.colourEncoding, c.encoding);
        EXPECT_EQ(facts.splats, std::string(c.name) == "splats");
        FileModel model;
        PlyError error;
        ASSERT_TRUE(parseFileModel(bytes.data(), bytes.size(), model, error)) << error.message;
        EXPECT_EQ(facts.vertices, model.vertexCount());
        EXPECT_EQ(facts.triangles, model.triangleCount());
        EXPECT_EQ(facts.facesLeftOut, static_cast<std::uint64_t>(model.notes.shortFaces));
        EXPECT_EQ(facts.coloursFrom == "faces", !model.faceColours.empty());
        EXPECT_EQ(facts.splats, model.notes.splats);
        EXPECT_EQ(facts.colourEncoding.find("0..255") != std::string::npos &&
                      facts.colourEncoding.rfind("float", 0) == 0,
                  model.notes.colourFloats255);
    }
}

// Declarations, comments and obj_info lines as written; the box keeps survey digits.
TEST(FileFacts, DeclarationsCommentsAndTheBoxInDouble) {
    std::string bytes =
        plywrite::write(polygons(), with(Format::kBinaryLittleEndian, Type::kFloat64));
    const std::string comment = "comment written by plywrite\n";
    bytes.insert(bytes.find(comment) + comment.size(), "obj_info scanned 2026\ncomment  second \n");
    const FileFacts facts = describe(bytes);
    EXPECT_EQ(facts.format, "binary_little_endian");
    ASSERT_EQ(facts.elements.size(), 2u);
    EXPECT_EQ(facts.elements[0].name, "vertex");
    EXPECT_EQ(facts.elements[0].count, 6);
    EXPECT_EQ(facts.elements[0].properties[0].type, "double");
    const PropertyFacts& list = facts.elements[1].properties[0];
    EXPECT_TRUE(list.list);
    EXPECT_EQ(list.countType + " " + list.type + " " + list.name, "uchar int vertex_indices");
    EXPECT_EQ(facts.comments, (std::vector<std::string>{"written by plywrite", "second"}));
    EXPECT_EQ(facts.objInfo, std::vector<std::string>{"scanned 2026"});
    EXPECT_EQ(facts.faces, 4u);
    ASSERT_TRUE(facts.hasBox);
    EXPECT_EQ(facts.min[0], kSurveyX);
    EXPECT_EQ(facts.max[0], kSurveyX + 5);
    EXPECT_EQ(facts.min[1], 0);
    EXPECT_EQ(facts.max[2], 0);
    const std::vector<std::string> lines = plyview::infoLines(facts);
    const auto has = [&lines](const std::string& text) {
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(has("box: x 429877111.59 .. 429877116.59"));
    EXPECT_TRUE(has("property list uchar int vertex_indices"));
    EXPECT_TRUE(has("obj_info: scanned 2026"));
    EXPECT_TRUE(has("6 triangles from 4 faces (left out, of fewer than 3 corners: 1)"));
    EXPECT_NE(plyview::infoJson(facts).find("\"min\":[429877111.59,0,-5]"), std::string::npos);
}

// A refused body gives the viewer's own words; the declarations are still told.
TEST(FileFacts, RefusalsInTheViewersWords) {
    const plywrite::Mesh grid = plywrite::surface(4, 3);
    plywrite::Mesh outside = grid;
    outside.faces[5][1] = 99;
    plywrite::Mesh infinite = grid;
    infinite.positions[3][1] = 1.0 / 0.0;
    struct Refused {
        const char* name;
        std::string bytes;
    };
    const std::string binary = plywrite::write(grid, with(Format::kBinaryLittleEndian));
    const std::string text = plywrite::write(grid, with(Format::kAscii));
    const std::vector<Refused> refused = {
        {"cut binary", binary.substr(0, binary.size() - 20)},
        {"cut ascii", text.substr(0, text.size() - 20)},
        {"index outside", plywrite::write(outside, with(Format::kBinaryBigEndian))},
        {"ascii index outside", plywrite::write(outside, with(Format::kAscii))},
        {"not finite", plywrite::write(infinite, with(Format::kBinaryLittleEndian))},
        {"cut header", binary.substr(0, 40)},
        {"not a number", text.substr(0, text.size() - 6) + "x 1 2\n"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        const FileFacts facts = describe(r.bytes);
        FileModel model;
        PlyError error;
        ASSERT_FALSE(parseFileModel(r.bytes.data(), r.bytes.size(), model, error));
        EXPECT_TRUE(facts.refused);
        EXPECT_EQ(facts.reason, error.message);
    }
    EXPECT_EQ(describe(binary.substr(0, binary.size() - 10)).reason, "file ends in face 23 of 24");
    EXPECT_EQ(describe(text.substr(0, 40)).elements.size(), 0u);
}

// Paths that are not readable files give the viewer's line; the JSON escapes what it must.
TEST(FileFacts, UnreadablePathsAndEscapedJson) {
    TempFolder folder;
    EXPECT_EQ(describeFile("missing.ply").reason, "No such file or directory");
    EXPECT_EQ(describeFile(".").reason, "not a regular file (a directory)");
    FileFacts facts;
    facts.path = "a \"quoted\"\\path\n";
    facts.refused = true;
    facts.reason = "tab\there, caf\xc3\xa9 \xe9t\xe9 \xc0\x80";  // UTF-8, Latin-1, overlong
    const std::string json = plyview::infoJson(facts);
    EXPECT_NE(json.find("\"path\":\"a \\\"quoted\\\"\\\\path\\u000a\""), std::string::npos);
    EXPECT_NE(json.find("\"reason\":\"tab\\u0009here, caf\xc3\xa9 \\ufffdt\\ufffd "
                        "\\ufffd\\ufffd\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"box\":null"), std::string::npos);
    EXPECT_EQ(json.find('\n'), std::string::npos);
}

}  // namespace
