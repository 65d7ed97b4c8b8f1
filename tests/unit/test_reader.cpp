// The PLY reader: the accepted format with its quirks (counts that persist, tokens that only
// match whole, the inverted box of an empty model, tails kept), and the refusal of every kind
// of malformed file without touching the store.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "model/model.h"
#include "temp_folder.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

constexpr int kFirst = 0;   // airplane.ply
constexpr int kSecond = 1;  // mug.ply

// A header in the accepted subset followed by the body text as given.
std::string ply(int vertexTotal, int faceTotal, const std::string& body) {
    return "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertexTotal) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
           std::to_string(faceTotal) + "\nproperty list uchar int vertex_indices\nend_header\n" +
           body;
}

const std::string kTriangle = ply(3, 1, "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
const std::string kSquare = ply(4, 2, "-1 -2 -3\n4 -2 -3\n4 5 6\n-1 5 6\n3 0 1 2\n3 0 2 3\n");

class Reader : public testing::Test {
  protected:
    void SetUp() override {
        forgetLoadedModel();
        vertexCount = 0;
        faceCount = 0;
    }
    void TearDown() override {
        setCatalogue(nullptr, 0);
        setMissingFile(MissingFile::kEndProcess);
        setCentreCoordinates(false);
    }
    // Loads `text` as catalogue entry `entry` and returns what was printed on stderr.
    std::string load(const std::string& text, int entry = kFirst) {
        folder.write(modelFiles[entry], text);
        CaptureStderr();
        loadModel(entry);
        return GetCapturedStderr();
    }
    void expectBox(float x0, float x1, float y0, float y1, float z0, float z1) {
        EXPECT_EQ(minX, x0);
        EXPECT_EQ(maxX, x1);
        EXPECT_EQ(minY, y0);
        EXPECT_EQ(maxY, y1);
        EXPECT_EQ(minZ, z0);
        EXPECT_EQ(maxZ, z1);
    }
    TempFolder folder;
};

// ===== Accepted files =====

TEST_F(Reader, ReadsVerticesFacesAndBox) {
    EXPECT_EQ(load(kSquare), "");
    EXPECT_EQ(vertexCount, 4);
    EXPECT_EQ(faceCount, 2);
    EXPECT_EQ(vertices[2].x, 4.0f);
    EXPECT_EQ(vertices[2].z, 6.0f);
    EXPECT_EQ(vertices[2].w, 1.0f);
    EXPECT_EQ(faces[1].v1, 0);
    EXPECT_EQ(faces[1].v2, 2);
    EXPECT_EQ(faces[1].v3, 3);
    expectBox(-1, 4, -2, 5, -3, 6);
}

TEST_F(Reader, LaterCountWinsEvenInsideAComment) {
    const std::string text =
        "ply\nformat ascii 1.0\ncomment vertex 99 face 99\nelement vertex 7\ncomment vertex "
        "3\nproperty float x\n"
        "property float y\nproperty float z\nelement face 5\ncomment face 1\n"
        "property list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(vertexCount, 3);
    EXPECT_EQ(faceCount, 1);
}

TEST_F(Reader, OnlyWholeTokensAreKeywords) {
    // vertex_indices, vertexes and a "face" glued to other text match nothing.
    const std::string text =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\ncomment vertexes 50 surface 9 xface 9\nelement face 1\n"
        "property list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(vertexCount, 3);
    EXPECT_EQ(faceCount, 1);
}

TEST_F(Reader, AnyWhitespaceSeparatesTokens) {
    const std::string text =
        "ply\r\nformat ascii 1.0\r\n\r\nelement\tvertex  3\r\nproperty float x\r\nproperty float "
        "y\r\n"
        "property float z\r\nelement face 1\r\nproperty list uchar int vertex_indices\r\n"
        "end_header\r\n\r\n0 0 0\r\n  1\t0 0\r\n\r\n0\n1 0 3 0 1\n2\r\n";
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(vertexCount, 3);
    EXPECT_EQ(faceCount, 1);
    EXPECT_EQ(vertices[1].x, 1.0f);
    EXPECT_EQ(faces[0].v3, 2);
}

TEST_F(Reader, ZeroVerticesLeaveTheInvertedBox) {
    EXPECT_EQ(load(ply(0, 0, "")), "");
    EXPECT_EQ(vertexCount, 0);
    EXPECT_EQ(faceCount, 0);
    expectBox(kBoxResetMin, kBoxResetMax, kBoxResetMin, kBoxResetMax, kBoxResetMin, kBoxResetMax);
    EXPECT_EQ(kBoxResetMin, 3.4028235e38f);
    EXPECT_EQ(kBoxResetMax, -999999.0f);
}

TEST_F(Reader, BoxIsSeededByTheFirstVertex) {
    // All coordinates far below the reset maximum: the box must still come from the data.
    EXPECT_EQ(load(ply(2, 0, "-5e6 -5e6 -5e6\n-4e6 -6e6 -5e6\n")), "");
    expectBox(-5e6f, -4e6f, -6e6f, -5e6f, -5e6f, -5e6f);
}

TEST_F(Reader, ReadingAgainGivesTheSameModel) {
    load(kSquare);
    const Vec4 before = vertices[3];
    load(kSquare);
    forgetLoadedModel();
    load(kSquare);
    EXPECT_EQ(vertexCount, 4);
    EXPECT_EQ(faceCount, 2);
    EXPECT_EQ(std::memcmp(&before, &vertices[3], sizeof before), 0);
    expectBox(-1, 4, -2, 5, -3, 6);
}

TEST_F(Reader, SmallerModelKeepsTheTailsOfTheLargerOne) {
    load(kSquare, kSecond);
    load(kTriangle, kFirst);
    EXPECT_EQ(vertexCount, 3);
    EXPECT_EQ(vertices[3].x, -1.0f);  // fourth vertex of the square is still there
    EXPECT_EQ(faces[1].v3, 3);        // and its second face
}

TEST_F(Reader, AHeaderWithoutFacesIsAPointCloudWhateverWasShownBefore) {
    load(kTriangle, kSecond);
    const std::string cloud =
        "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
        "property float z\nend_header\n7 8 9\n1 0 0\n";
    CaptureStdout();
    EXPECT_EQ(load(cloud), "");
    EXPECT_EQ(GetCapturedStdout(), "airplane.ply: 2 vertices and no faces\n");
    EXPECT_EQ(vertexCount, 2);
    EXPECT_EQ(faceCount, 0);
    EXPECT_EQ(vertices[0].x, 7.0f);
    expectBox(1, 7, 0, 8, 0, 9);
}

TEST_F(Reader, CommentTextDeclaresNothing) {
    // Neither a format named in a comment, nor a comment inside the vertex element that says
    // "property", nor an end_header in a comment changes how the file is read.
    std::string text = kSquare;
    text.insert(text.find("element vertex"),
                "comment converted from format binary_little_endian\n");
    text.insert(text.find("property float z"), "comment no normal property here\nobj_info x\n");
    text.insert(text.find("element face"), "comment face 9 then end_header early\n");
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(faceCount, 2);
    expectBox(-1, 4, -2, 5, -3, 6);
}

TEST_F(Reader, PlainFilesWithPolygonsOrOtherAxesAreReadInFull) {
    EXPECT_EQ(load(ply(4, 1, "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n")), "");
    EXPECT_EQ(faceCount, 2);  // the quad as a fan from its first corner
    EXPECT_EQ(faces[1].v2, 2);
    EXPECT_EQ(faces[1].v3, 3);
    std::string zyx = kSquare;  // once read with its axes swapped
    zyx.replace(zyx.find("float x"), 7, "float Q").replace(zyx.find("float z"), 7, "float x");
    zyx.replace(zyx.find("float Q"), 7, "float z");
    EXPECT_EQ(load(zyx), "");
    expectBox(-3, 6, -2, 5, -1, 4);
}

TEST_F(Reader, AWordAfterACountKeywordKeepsTheCount) {
    // In a comment "vertex x" sets nothing; x is then an ordinary header token.
    std::string text = kTriangle;
    text.insert(text.find("element face"), "comment vertex x\n");
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(vertexCount, 3);
}

TEST_F(Reader, LongHeaderTokensAreJustNotKeywords) {
    const std::string text = "ply\ncomment " + std::string(5000, 'v') + "\n" +
                             kTriangle.substr(4);  // the rest of a valid header and body
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(vertexCount, 3);
}

TEST_F(Reader, AnEditOfTheSameSizeShowsAtOnce) {
    load(kTriangle);
    std::string edited = kTriangle;
    edited[edited.find("1 0 0")] = '9';
    load(edited);
    EXPECT_EQ(vertices[1].x, 9.0f);
    EXPECT_EQ(maxX, 9.0f);
}

TEST_F(Reader, CatalogueEnds) {
    EXPECT_STREQ(modelFiles[0], "airplane.ply");
    EXPECT_STREQ(modelFiles[42], "big_atc.ply");
    EXPECT_STREQ(modelFiles[11], "steeringweel.ply");
}

// ===== Refused files =====

struct Malformed {
    const char* what;
    std::string text;
    const char* message;  // expected after "airplane.ply: "
};

std::vector<Malformed> malformedFiles() {
    return {
        {"negative count", ply(-1, 0, ""),
         "line 3: an element line has a name and a count from 0 to 2147483647"},
        {"count beyond 32 bits", "ply\nformat ascii 1.0\nelement vertex 4294967299\nend_header\n",
         "line 3: an element line has a name and a count from 0 to 2147483647"},
        {"no line breaks", "ply format ascii 1.0 element vertex 0 element face 0",
         "not a PLY file (the first line is not \"ply\")"},
        {"header cut short", "ply\nformat ascii 1.0\nelement vertex 0\n",
         "file ends in the header"},
        {"no format line", "ply\nelement vertex 0\nend_header\n",
         "line 3: the header has no format line"},
        {"index out of range", ply(3, 1, "0 0 0 1 0 0 0 1 0 3 0 1 3"),
         "face 0: index 3 outside 0..2"},
        {"negative index", ply(3, 1, "0 0 0 1 0 0 0 1 0 3 0 -1 2"),
         "face 0: index -1 outside 0..2"},
        {"vertices end early", ply(3, 1, "0 0 0 1 0 0 0 1"), "file ends in vertex 2 of 3"},
        {"faces end early", ply(3, 2, "0 0 0 1 0 0 0 1 0 3 0 1 2 3 0"), "file ends in face 1 of 2"},
        {"word for a coordinate", ply(3, 1, "0 0 0 1 zero 0 0 1 0 3 0 1 2"),
         "vertex 1: expected a number"},
        {"word for an index", ply(3, 1, "0 0 0 1 0 0 0 1 0 3 0 one 2"),
         "face 0: expected a number"},
        {"nan coordinate", ply(3, 1, "0 0 0 nan 0 0 0 1 0 3 0 1 2"),
         "vertex 1: coordinate is not finite"},
        {"infinite coordinate", ply(3, 1, "0 0 0 1 0 0 0 -inf 0 3 0 1 2"),
         "vertex 2: coordinate is not finite"},
        {"overflowing coordinate", ply(3, 1, "0 0 0 1e39 0 0 0 1 0 3 0 1 2"),
         "vertex 1: coordinate is not finite"},
    };
}

TEST_F(Reader, EveryMalformedKindIsRefusedWithItsReason) {
    for (const Malformed& bad : malformedFiles()) {
        SCOPED_TRACE(bad.what);
        forgetLoadedModel();
        load(kSquare, kSecond);  // the store holds another entry
        const std::string printed = load(bad.text);
        EXPECT_EQ(printed, std::string("airplane.ply: ") + bad.message + "\n");
        EXPECT_EQ(vertexCount, 0);  // nothing of the bad file, nothing of the other entry
        EXPECT_EQ(faceCount, 0);
        EXPECT_EQ(maxX, kBoxResetMax);
        EXPECT_EQ(vertices[3].x, -1.0f);  // array contents untouched
    }
}

TEST_F(Reader, ARefusedRewriteKeepsTheLastGoodReadOfTheSameEntry) {
    load(kSquare);
    const std::string cut = kSquare.substr(0, kSquare.find("4 5 6"));
    EXPECT_EQ(load(cut), "airplane.ply: file ends in vertex 2 of 4\n");
    EXPECT_EQ(vertexCount, 4);
    EXPECT_EQ(faceCount, 2);
    expectBox(-1, 4, -2, 5, -3, 6);
    EXPECT_EQ(load(kSquare), "");  // the finished file is read again
}

TEST_F(Reader, AnotherEntryWithTheRefusedBytesIsNotTakenForTheKeptModel) {
    load(kSquare);
    EXPECT_NE(load(""), "");  // emptied while being rewritten: the square stays
    EXPECT_EQ(vertexCount, 4);
    EXPECT_NE(load("", kSecond), "");  // another entry, the same bytes: refused, not the square
    EXPECT_EQ(vertexCount, 0);
}

TEST_F(Reader, TheSameFaultIsPrintedOnceUntilAGoodRead) {
    const std::string bad = ply(3, 1, "0 0 0 1 0 0 0 1 0 3 0 1 7");
    EXPECT_NE(load(bad), "");
    EXPECT_EQ(load(bad), "");
    EXPECT_EQ(load(bad), "");
    EXPECT_NE(load(ply(3, 1, "0 0 0 1 0 0 0 1 0 3 0 1 8")), "");  // another fault: printed
    load(kTriangle);
    EXPECT_NE(load(bad), "");  // a good read in between: printed again
}

TEST_F(Reader, CapacityIsAccepted) {
    std::string body;
    for (int i = 0; i < kMaxVertices; ++i) {
        body += std::to_string(i) + " 0 " + std::to_string(i % 7) + "\n";
    }
    for (int f = 0; f < kMaxFaces; ++f) {
        body += "3 " + std::to_string(f % kMaxVertices) + " " +
                std::to_string((f + 1) % kMaxVertices) + " 9999\n";
    }
    EXPECT_EQ(load(ply(kMaxVertices, kMaxFaces, body)), "");
    EXPECT_EQ(vertexCount, kMaxVertices);
    EXPECT_EQ(faceCount, kMaxFaces);
    EXPECT_EQ(maxX, 9999.0f);
}

TEST_F(Reader, AMissingFileEndsTheProcessWithStatusOne) {
    EXPECT_EXIT(loadModel(kFirst), testing::ExitedWithCode(1),
                "^File does not exist!: airplane.ply\n$");
}

// ===== Hooks for a viewer of the user's own files =====

TEST_F(Reader, ACatalogueSetAtRunTimeIsLoadedByIndex) {
    EXPECT_EQ(catalogueLength(), kModelCount);
    const char* const paths[] = {"one.ply", "sub/two.ply"};
    setCatalogue(paths, 2);
    EXPECT_EQ(catalogueLength(), 2);
    std::filesystem::create_directory(folder.path() / "sub");
    folder.write("sub/two.ply", kSquare);
    loadModel(1);
    EXPECT_EQ(faceCount, 2);
    setCatalogue(nullptr, 0);
    EXPECT_EQ(catalogueLength(), kModelCount);
    EXPECT_STREQ(catalogueFile(kLastModel), "big_atc.ply");
}

TEST_F(Reader, EachLoadSaysWhatItDid) {
    folder.write("m.ply", kSquare);
    EXPECT_EQ(loadModelFile("m.ply", kFirst), LoadOutcome::kLoaded);
    EXPECT_EQ(loadModelFile("m.ply", kFirst), LoadOutcome::kUnchanged);
    folder.write("m.ply", "ply\nfor");
    CaptureStderr();
    EXPECT_EQ(loadModelFile("m.ply", kFirst), LoadOutcome::kRefused);
    GetCapturedStderr();
}

TEST_F(Reader, AMissingFileCanBeRefusedLikeABadOne) {
    setMissingFile(MissingFile::kRefuse);
    load(kSquare);
    std::filesystem::remove(folder.path() / modelFiles[kFirst]);
    CaptureStderr();
    EXPECT_EQ(loadModelFile(modelFiles[kFirst], kFirst), LoadOutcome::kRefused);
    EXPECT_EQ(loadModelFile(modelFiles[kFirst], kFirst), LoadOutcome::kRefused);
    EXPECT_EQ(GetCapturedStderr(), "airplane.ply: No such file or directory\n");  // once
    EXPECT_EQ(faceCount, 2);  // the last good read of the same entry stays
    CaptureStderr();
    EXPECT_EQ(loadModelFile("gone/x.ply", kSecond), LoadOutcome::kRefused);
    EXPECT_EQ(GetCapturedStderr(), "gone/x.ply: No such file or directory\n");
    EXPECT_EQ(faceCount, 0);  // another entry: an empty model
}

TEST_F(Reader, CentringKeepsTheSmallDigitsOfFarOffCoordinates) {
    const std::string survey =
        ply(3, 1,
            "429877111.59 5000000.25 -7\n429877111.79 5000000.75 -9\n429877111.6 5000000.5 "
            "-8\n3 0 1 2\n");
    load(survey);
    double centre[3];
    loadedModelCentre(centre);
    EXPECT_EQ(centre[0], 0.0);  // off: the coordinates as floats, centimetres lost
    EXPECT_EQ(vertices[0].x, vertices[2].x);
    setCentreCoordinates(true);
    EXPECT_EQ(loadModelFile(modelFiles[kFirst], kFirst), LoadOutcome::kLoaded);  // read anew
    loadedModelCentre(centre);
    EXPECT_EQ(centre[0], (429877111.59 + 429877111.79) / 2);
    EXPECT_EQ(centre[1], 5000000.5);
    EXPECT_EQ(centre[2], -8.0);
    EXPECT_EQ(vertices[0].x, static_cast<float>(429877111.59 - centre[0]));
    EXPECT_EQ(vertices[2].x, static_cast<float>(429877111.6 - centre[0]));
    EXPECT_NEAR(vertices[2].x - vertices[0].x, 0.01f, 1e-6f);
    EXPECT_EQ(vertices[1].y, 0.25f);
    EXPECT_EQ(minX, -maxX);  // the stored box is around the origin
    EXPECT_EQ(maxZ, 1.0f);
    EXPECT_EQ(faces[0].v3, 2);
}

// ===== Parsing from memory =====

TEST(ParsePly, ReportsWithoutTouchingTails) {
    Vec4 staged[4];
    FaceIndices stagedFaces[2] = {{7, 7, 7}, {7, 7, 7}};
    staged[3] = Vec4(42.0f);
    PlyMesh mesh;
    mesh.vertices = staged;
    mesh.faces = stagedFaces;
    PlyError error;
    const std::string text = ply(3, 1, "1 2 3 4 5 6 7 8 9 3 2 1 0");
    ASSERT_TRUE(parsePly(text.data(), text.size(), mesh, error)) << error.message;
    EXPECT_STREQ(error.message, "");
    EXPECT_EQ(staged[3].x, 42.0f);
    EXPECT_EQ(stagedFaces[1].v1, 7);
    EXPECT_EQ(mesh.maxZ, 9.0f);
    const std::string bad = ply(3, 1, "1 2 3");
    EXPECT_FALSE(parsePly(bad.data(), bad.size(), mesh, error));
    EXPECT_STREQ(error.message, "file ends in vertex 1 of 3");
}

}  // namespace
