// The generated model catalogue as the viewer reads it: every entry loads within the store's
// capacity, every model is made of closed parts whose triangles face outwards, and the
// generator writes the same bytes on every run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/model.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSmallModelFaces = 100;    // the catalogue starts with models this small
constexpr int kBigModelFaces = 5000;     // every big_* model has at least this many
constexpr int kTowerEntry = kLastModel;  // big_atc.ply fills the store exactly
constexpr std::size_t kMaxDecimals = 4;  // digits after the point in a coordinate

// ===== Helpers =====

// A copy of the store after one load, so models can be examined side by side.
struct Loaded {
    std::string name;
    std::vector<Vec4> vertices;
    std::vector<FaceIndices> faces;
    float extent[3];
};

// Loads every catalogue entry from the run folder, restoring the working directory after.
class CatalogueTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        ASSERT_EQ(chdir(PLYVIEWER_RUN_DIR), 0) << PLYVIEWER_RUN_DIR;
        forgetLoadedModel();
        for (int i = 0; i < kModelCount; ++i) {
            ASSERT_TRUE(fs::exists(modelFiles[i])) << modelFiles[i];  // missing would exit
            loadModel(i);
            Loaded m{modelFiles[i], {}, {}, {maxX - minX, maxY - minY, maxZ - minZ}};
            m.vertices.assign(vertices, vertices + std::max(vertexCount, 0));
            m.faces.assign(faces, faces + std::max(faceCount, 0));
            models().push_back(m);
        }
        forgetLoadedModel();
        ASSERT_EQ(chdir(here), 0);
    }

    static std::vector<Loaded>& models() {
        static std::vector<Loaded> all;
        return all;
    }
};

struct Vec3d {
    double x, y, z;
};

Vec3d at(const Loaded& m, int index) {
    const Vec4& v = m.vertices[static_cast<std::size_t>(index)];
    return {v.x, v.y, v.z};
}

Vec3d cross(Vec3d a, Vec3d b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(Vec3d a, Vec3d b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3d minus(Vec3d a, Vec3d b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Signed volume of each connected part (keyed by a root vertex): positive when the part's
// triangles run counter-clockwise seen from outside.
std::map<int, double> partVolumes(const Loaded& m) {
    std::vector<int> parent(m.vertices.size());
    for (std::size_t i = 0; i < parent.size(); ++i) {
        parent[i] = static_cast<int>(i);
    }
    for (const FaceIndices& f : m.faces) {
        parent[findRoot(parent, f.v1)] = findRoot(parent, f.v2);
        parent[findRoot(parent, f.v2)] = findRoot(parent, f.v3);
    }
    std::map<int, double> volume;
    for (const FaceIndices& f : m.faces) {
        volume[findRoot(parent, f.v1)] += dot(at(m, f.v1), cross(at(m, f.v2), at(m, f.v3))) / 6;
    }
    return volume;
}

// Directed edges that do not occur exactly once together with their reverse: zero for a
// closed surface whose neighbouring triangles agree on their winding.
int unmatchedEdges(const Loaded& m) {
    std::map<std::pair<int, int>, int> uses;
    for (const FaceIndices& f : m.faces) {
        ++uses[{f.v1, f.v2}];
        ++uses[{f.v2, f.v3}];
        ++uses[{f.v3, f.v1}];
    }
    int unmatched = 0;
    for (const auto& [edge, count] : uses) {
        const auto reverse = uses.find({edge.second, edge.first});
        if (count != 1 || reverse == uses.end() || reverse->second != 1) {
            ++unmatched;
        }
    }
    return unmatched;
}

// Runs the generator into `dir`; returns its exit status and leaves its messages in `errors`.
int runGenerator(const fs::path& dir, std::string& errors) {
    const fs::path log = fs::temp_directory_path() / ("genmodels-" + std::to_string(getpid()));
    const std::string command =
        std::string(PLYVIEWER_GENMODELS) + " '" + dir.string() + "' 2> '" + log.string() + "'";
    const int status = std::system(command.c_str());
    errors = readFileBytes(log);
    fs::remove(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "-12.5", "0.0625", "3": what the reader's exact fast path takes. No exponent, no trailing
// fraction zeros, no "-0", at most four decimals.
bool isShortDecimal(const std::string& token) {
    std::size_t i = token.size() > 1 && token[0] == '-' ? 1 : 0;
    const std::size_t digitsFrom = i;
    while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i]))) {
        ++i;
    }
    if (i == digitsFrom || token == "-0") {
        return false;
    }
    if (i == token.size()) {
        return true;
    }
    const std::size_t fraction = token.size() - i - 1;
    return token[i] == '.' && fraction >= 1 && fraction <= kMaxDecimals && token.back() != '0' &&
           std::all_of(token.begin() + static_cast<long>(i) + 1, token.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

fs::path freshFolder(const char* tag) {
    std::string pattern = (fs::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    return mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

// ===== Loading =====

TEST_F(CatalogueTest, EveryModelLoadsWithinCapacityAndHasRealExtent) {
    ASSERT_EQ(models().size(), static_cast<std::size_t>(kModelCount));
    int smallest = kMaxFaces;
    for (const Loaded& m : models()) {
        SCOPED_TRACE(m.name);
        ASSERT_GT(m.vertices.size(), 0u) << "refused by the reader (see the message above)";
        ASSERT_GT(m.faces.size(), 0u);
        EXPECT_LE(m.vertices.size(), static_cast<std::size_t>(kMaxVertices));
        EXPECT_LE(m.faces.size(), static_cast<std::size_t>(kMaxFaces));
        const int count = static_cast<int>(m.vertices.size());
        for (const FaceIndices& f : m.faces) {
            for (int index : {f.v1, f.v2, f.v3}) {
                ASSERT_TRUE(index >= 0 && index < count) << index;
            }
        }
        for (float extent : m.extent) {
            EXPECT_GT(extent, 0.0f);
        }
        if (m.name.rfind("big_", 0) == 0) {
            EXPECT_GE(m.faces.size(), static_cast<std::size_t>(kBigModelFaces));
        }
        smallest = std::min(smallest, static_cast<int>(m.faces.size()));
    }
    EXPECT_LT(smallest, kSmallModelFaces);
}

TEST_F(CatalogueTest, ControlTowerFillsTheStoreExactly) {
    const Loaded& tower = models()[kTowerEntry];
    EXPECT_EQ(tower.name, "big_atc.ply");
    EXPECT_EQ(tower.vertices.size(), static_cast<std::size_t>(kMaxVertices));
    EXPECT_EQ(tower.faces.size(), static_cast<std::size_t>(kMaxFaces));
}

// ===== Shape =====

TEST_F(CatalogueTest, EveryPartIsClosedFacesOutwardsAndHasNoFlatTriangles) {
    for (const Loaded& m : models()) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(unmatchedEdges(m), 0);
        for (const auto& [root, volume] : partVolumes(m)) {
            EXPECT_GT(volume, 0.0) << "part containing vertex " << root;
        }
        int flat = 0;
        for (const FaceIndices& f : m.faces) {
            const Vec3d n = cross(minus(at(m, f.v2), at(m, f.v1)), minus(at(m, f.v3), at(m, f.v1)));
            flat += dot(n, n) > 0 ? 0 : 1;
        }
        EXPECT_EQ(flat, 0);
    }
}

// ===== Files =====

TEST(CatalogueFiles, CoordinatesAreShortDecimalsAndCommentsNameNoElement) {
    for (const char* name : modelFiles) {
        SCOPED_TRACE(name);
        std::istringstream text(readFileBytes(fs::path(PLYVIEWER_RUN_DIR) / name));
        std::string line;
        int vertexLines = -1;
        while (std::getline(text, line) && line != "end_header") {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "comment") {
                EXPECT_EQ(line.find(" vertex"), std::string::npos) << line;
                EXPECT_EQ(line.find(" face"), std::string::npos) << line;
            }
            if (line.rfind("element vertex ", 0) == 0) {
                vertexLines = std::stoi(line.substr(std::strlen("element vertex ")));
            }
        }
        ASSERT_GT(vertexLines, 0);
        for (int i = 0; i < vertexLines && std::getline(text, line); ++i) {
            std::istringstream words(line);
            std::string word;
            int count = 0;
            while (words >> word) {
                ++count;
                ASSERT_TRUE(isShortDecimal(word)) << "line " << i << ": " << line;
            }
            ASSERT_EQ(count, 3) << line;
        }
    }
}

// ===== Generator =====

TEST(Generator, WritesTheSameBytesOnEveryRunInThePlainSubset) {
    const fs::path first = freshFolder("genmodels-a");
    const fs::path second = freshFolder("genmodels-b");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    std::string errors;
    ASSERT_EQ(runGenerator(first, errors), 0) << errors;
    ASSERT_EQ(runGenerator(second, errors), 0) << errors;
    for (const char* name : modelFiles) {
        SCOPED_TRACE(name);
        const std::string bytes = readFileBytes(first / name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_TRUE(bytes == readFileBytes(second / name));
        EXPECT_EQ(bytes.find('\r'), std::string::npos);
        EXPECT_EQ(bytes.rfind("ply\nformat ascii 1.0\ncomment ", 0), 0u);
        EXPECT_NE(
            bytes.find("\nproperty float x\nproperty float y\nproperty float z\nelement face "),
            std::string::npos);
        EXPECT_NE(bytes.find("\nproperty list uchar int vertex_indices\nend_header\n"),
                  std::string::npos);
    }
    fs::remove_all(first);
    fs::remove_all(second);
}

TEST(Generator, NamesTheFileItCannotWriteAndFails) {
    const fs::path missing = fs::temp_directory_path() / "genmodels-no-such-folder" / "deeper";
    std::string errors;
    EXPECT_NE(runGenerator(missing, errors), 0);
    EXPECT_NE(errors.find("airplane.ply"), std::string::npos) << errors;
}

}  // namespace
