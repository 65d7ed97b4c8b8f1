// The viewer's reader against the per-token reference reader ("%s", "%d", "%f" through the C
// library) and against strtof: the same counts, vertices bit for bit, faces and bounding box on
// every generated model and on unusual but valid number forms wherever they fall in the text,
// and every decimal of a seeded random sweep read exactly as strtof reads it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/model.h"
#include "support/reference_reader.h"
#include "temp_folder.h"

namespace {

// ===== Reading both ways =====

ReferenceModel reference;  // large: kept out of the stack
Vec4 parsedVertices[kMaxVertices];
FaceIndices parsedFaces[kMaxFaces];

std::string ply(int vertexTotal, int faceTotal, const std::string& body) {
    return "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertexTotal) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
           std::to_string(faceTotal) + "\nproperty list uchar int vertex_indices\nend_header\n" +
           body;
}

PlyMesh parseText(const std::string& text) {
    PlyMesh mesh;
    mesh.vertices = parsedVertices;
    mesh.faces = parsedFaces;
    PlyError error;
    EXPECT_TRUE(parsePly(text.data(), text.size(), mesh, error)) << error.message;
    return mesh;
}

std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Counts, vertices and faces byte for byte, and the six bounds bit for bit.
void expectSame(int vertexCount, int faceCount, const Vec4* vertexData, const FaceIndices* faceData,
                const float box[6], const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(vertexCount, reference.vertexCount);
    ASSERT_EQ(faceCount, reference.faceCount);
    EXPECT_EQ(std::memcmp(vertexData, reference.vertices, sizeof(Vec4) * vertexCount), 0);
    EXPECT_EQ(std::memcmp(faceData, reference.faces, sizeof(FaceIndices) * faceCount), 0);
    const float expected[6] = {reference.minX, reference.maxX, reference.minY,
                               reference.maxY, reference.minZ, reference.maxZ};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bits(box[i]), bits(expected[i])) << "bound " << i;
    }
}

// The file at `path` read by the reference, by parsePly from memory and by loadModelFile into
// the store: all three agree.
void expectReadersAgree(const std::string& path) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(referenceRead(path.c_str(), reference));
    const PlyMesh mesh = parseText(readFileBytes(path));
    const float parsedBox[6] = {mesh.minX, mesh.maxX, mesh.minY, mesh.maxY, mesh.minZ, mesh.maxZ};
    expectSame(mesh.vertexCount, mesh.faceCount, parsedVertices, parsedFaces, parsedBox,
               "parsePly");
    forgetLoadedModel();
    loadModelFile(path.c_str(), kFirstModel);
    const float storeBox[6] = {minX, maxX, minY, maxY, minZ, maxZ};
    expectSame(vertexCount, faceCount, vertices, faces, storeBox, "loadModelFile");
}

// ===== Generated models =====

TEST(AgainstReference, EveryGeneratedModel) {
    for (int index = kFirstModel; index <= kLastModel; ++index) {
        expectReadersAgree(std::string(PLYVIEWER_RUN_DIR) + "/" + modelFiles[index]);
    }
}

// ===== Unusual number forms =====

// Forms "%f" and "%d" accept that a model file seldom holds: exponents, signs, a bare point on
// either side, hexadecimal, more digits than a float keeps, the largest float, a subnormal.
const char* const kOddCoordinates[] = {
    "1e3",
    "-0",
    ".5",
    "+2.",
    "0x1p-2",
    "1E-3",
    "123456789012345678",
    "3.4028235e38",
    "1e-40",
    "0.000001",
    "3.14159265358979323846264338327950288",
    "-.25",
    "12345678",
    "1234567.5",
    "0.1234567",
    "9999999.9999999",
    "000123.4500",
    "1e+2",
    "-2.5E-3",
    "16777217",
    "0.30000001192092895507812",
    "-7",
    "5.",
    "+0.5",
    "99.99999",
    "1.17549435e-38",
    "-123.456789012",
    "4294967296.5",
    "0.0",
    "7",
};
constexpr int kOddCount = sizeof kOddCoordinates / sizeof kOddCoordinates[0];
static_assert(kOddCount % 3 == 0, "whole vertices");

// Numbers with no blank between them: "%f" and "%d" stop at the sign that starts the next one.
const std::string kGluedVertices = "1.5-2.5 3\n+1+2+3\n-4-5-.6e1\n";
constexpr int kGluedVertexCount = 3;
const std::string kGluedFace = "+3+0+1+2\n";

// The odd forms as vertices, each record shifted by `shift` blanks so that over all shifts every
// number starts at every position of the reader's 64-character windows; faces with signed and
// zero-padded indices and mixed line ends.
std::string oddModel(int shift) {
    std::string body;
    for (int i = 0; i < kOddCount; ++i) {
        body += std::string(static_cast<std::size_t>(shift), ' ') + kOddCoordinates[i];
        body += i % 3 == 2 ? (i % 2 == 0 ? "\r\n" : "\n") : (i % 2 == 0 ? "\t" : " ");
    }
    body += std::string(static_cast<std::size_t>(shift), ' ') + kGluedVertices;
    body += "3 0 1 2\n+3 +3 0004 5\r\n3\t09 8   7\n" + kGluedFace;
    return ply(kOddCount / 3 + kGluedVertexCount, 4, body);
}

TEST(AgainstReference, UnusualNumberFormsAtEveryWindowPosition) {
    TempFolder folder;
    for (int shift = 0; shift <= 64; ++shift) {
        folder.write("odd.ply", oddModel(shift));
        expectReadersAgree((folder.path() / "odd.ply").string());
    }
}

// ===== Seeded random sweep =====

constexpr int kLowestExponent = -45;   // below the smallest subnormal: reads as zero
constexpr int kHighestMagnitude = 38;  // digits before the point plus exponent stay finite
constexpr unsigned kBlankKinds = 5;

// A decimal of the given shape: sign, integer digits, point and fraction digits, exponent.
std::string randomDecimal(std::mt19937& random, int maxWhole, int maxFraction, bool exponents) {
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::string text = pick(0, 2) == 0 ? "-" : "";
    const int whole = pick(1, maxWhole);
    for (int i = 0; i < whole; ++i) {
        text += static_cast<char>('0' + pick(0, 9));
    }
    const int fraction = pick(0, maxFraction);
    if (fraction > 0) {
        text += '.';
        for (int i = 0; i < fraction; ++i) {
            text += static_cast<char>('0' + pick(0, 9));
        }
    }
    if (exponents && pick(0, 3) == 0) {
        // Down into the subnormals and up to near the largest float, never past it.
        text += "e" + std::to_string(pick(kLowestExponent, kHighestMagnitude - whole));
    }
    return text;
}

// A whole model of random decimals with random blanks between them; every coordinate must have
// the bits strtof gives for its text, and the reference must agree on everything.
void sweep(unsigned seed, int maxWhole, int maxFraction, bool exponents) {
    std::mt19937 random(seed);
    const char* const blanks[kBlankKinds] = {" ", "\n", "\r\n", "\t", "   "};
    std::vector<std::string> numbers;
    std::string body;
    for (int i = 0; i < 3 * kMaxVertices; ++i) {
        numbers.push_back(randomDecimal(random, maxWhole, maxFraction, exponents));
        body += numbers.back() + blanks[random() % kBlankKinds];
    }
    TempFolder folder;
    folder.write("sweep.ply", ply(kMaxVertices, 0, body));
    expectReadersAgree((folder.path() / "sweep.ply").string());
    for (int i = 0; i < 3 * kMaxVertices; ++i) {
        const float expected = std::strtof(numbers[i].c_str(), nullptr);
        const float got = parsedVertices[i / 3][i % 3];
        ASSERT_EQ(bits(got), bits(expected)) << numbers[i];
    }
}

TEST(AgainstStrtof, ShortDecimalsOfASeededSweep) {
    sweep(20240601, 4, 6, false);
}

TEST(AgainstStrtof, LongDecimalsAndExponentsOfASeededSweep) {
    sweep(77, 12, 14, true);
}

}  // namespace
