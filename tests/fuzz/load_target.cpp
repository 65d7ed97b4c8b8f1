// Fuzz target: loadModelFile, the reader's file side, over a sequence of files written to one
// path in turn. After every load the store and what was printed must match the reader's rules,
// worked out here from parsePly alone: a good file replaces the store (the array tails keep
// older models); a refused one prints "<file>: <problem>" once while the fault stays the same,
// and keeps the last good read of the same entry or leaves an empty model.
//
// Input layout: four bytes of counts the store holds before the first load, as in
// parse_target.cpp, then the files, separated by "@@" and one byte that picks the catalogue
// entry of the next load (its value modulo 3; 'a', 'b' and 'c' also pad the file in front with
// blanks, so that its text straddles the boundary of the loader's 256 KiB compare pieces:
// rare choices, because a padded file costs a hundred small ones).
// The first file is loaded as entry 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "invariants.h"
#include "model/model.h"

extern "C" void __sanitizer_set_report_fd(void* fd) __attribute__((weak));

namespace {

// ===== Constants =====

constexpr std::size_t kCountBytes = 4;  // prefix holding the counts before the first load
constexpr char kSeparator[] = "@@";     // between two files; one choice byte follows
constexpr std::size_t kSeparatorBytes = 2;
constexpr int kEntryChoices = 3;  // enough for "the same entry" and "another one"
constexpr unsigned char kFirstPaddedChoice = 'a';
constexpr unsigned char kLastPaddedChoice = 'c';
constexpr std::size_t kFrontPadding = (1 << 18) - 32;  // just short of a piece boundary
constexpr int kMaxLoads = 8;                           // bounds the time one input takes
constexpr int kNoEntry = -1;

// ===== Globals =====
// Separate arrays, so that AddressSanitizer guards each one.

Vec4 referenceVertices[kMaxVertices];   // parsePly's vertices for the file being loaded
FaceIndices referenceFaces[kMaxFaces];  // parsePly's faces for the file being loaded
Vec4 expectedVertices[kMaxVertices];    // what the store's vertices must be, tails included
FaceIndices expectedFaces[kMaxFaces];   // what the store's faces must be, tails included

// What the store's scalars must be and what the reader must remember between loads.
struct Expected {
    int vertexCount = 0;
    int faceCount = 0;
    fuzz::Box box = {};
    int heldEntry = kNoEntry;  // entry whose last good read the store holds
    std::string lastPrinted;   // the refusal printed last; not printed again
    std::string output;        // what the load just made must print
} expected;

std::string folderPath;  // a temporary folder of our own
std::string modelPath;   // the file every load reads
std::string stderrPath;  // where the loads' standard error is captured
int capturedFd = -1;     // open on stderrPath, appending
int consoleFd = -1;      // the real standard error, kept for sanitizer and failure reports

// ===== Set-up =====

void removeFolder() {
    ::unlink(modelPath.c_str());
    ::unlink(stderrPath.c_str());
    ::rmdir(folderPath.c_str());
}

void setUpOnce() {
    char pattern[] = "/tmp/plyviewer-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        fuzz::broken("cannot create a temporary folder");
    }
    folderPath = pattern;
    modelPath = folderPath + "/model.ply";
    stderrPath = folderPath + "/stderr.txt";
    capturedFd = ::open(stderrPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_APPEND, 0600);
    consoleFd = ::dup(STDERR_FILENO);
    if (capturedFd < 0 || consoleFd < 0) {
        fuzz::broken("cannot set up the capture of standard error");
    }
    if (__sanitizer_set_report_fd != nullptr) {
        __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(consoleFd)));
    }
    std::atexit(removeFolder);
}

// ===== Input =====

struct Load {
    const char* text;
    std::size_t size;
    int entry;
    bool padded;
};

std::vector<Load> splitLoads(const char* text, std::size_t size) {
    std::vector<Load> loads;
    Load load{text, 0, 0, false};
    std::size_t start = 0;
    for (std::size_t i = 0;
         i + kSeparatorBytes < size && loads.size() + 1 < static_cast<std::size_t>(kMaxLoads);
         ++i) {
        if (std::memcmp(text + i, kSeparator, kSeparatorBytes) != 0) {
            continue;
        }
        load.size = i - start;
        loads.push_back(load);
        const auto choice = static_cast<unsigned char>(text[i + kSeparatorBytes]);
        start = i + kSeparatorBytes + 1;
        load = Load{text + start, 0, choice % kEntryChoices,
                    choice >= kFirstPaddedChoice && choice <= kLastPaddedChoice};
        i = start - 1;
    }
    load.size = size - start;
    loads.push_back(load);
    return loads;
}

std::vector<char> fileBytesOf(const Load& load) {
    std::vector<char> bytes(load.padded ? kFrontPadding : 0, ' ');
    bytes.insert(bytes.end(), load.text, load.text + load.size);
    return bytes;
}

// ===== The reader's rules =====

fuzz::Box storeBox() {
    return {minX, maxX, minY, maxY, minZ, maxZ};
}

void expectEmptyModel() {
    expected.vertexCount = 0;
    expected.faceCount = 0;
    for (int axis = 0; axis < fuzz::kAxes; ++axis) {
        expected.box[2 * axis] = kBoxResetMin;
        expected.box[2 * axis + 1] = kBoxResetMax;
    }
    expected.heldEntry = kNoEntry;
}

void expectAccepted(const PlyMesh& mesh, int entry) {
    std::memcpy(expectedVertices, referenceVertices,
                sizeof(Vec4) * static_cast<std::size_t>(mesh.vertexCount));
    std::memcpy(expectedFaces, referenceFaces,
                sizeof(FaceIndices) * static_cast<std::size_t>(mesh.faceCount));
    expected.vertexCount = mesh.vertexCount;
    expected.faceCount = mesh.faceCount;
    expected.box = fuzz::boxOf(mesh);
    expected.heldEntry = entry;
    expected.lastPrinted.clear();
    expected.output.clear();
}

void expectRefused(const PlyError& error, int entry) {
    const std::string message = modelPath + ": " + error.message;
    expected.output = message == expected.lastPrinted ? "" : message + "\n";
    expected.lastPrinted = message;
    if (expected.heldEntry != entry) {
        expectEmptyModel();
    }
}

// Parses the file as the loader must, with the counts the store holds, and updates `expected`.
void predictLoad(const std::vector<char>& file, int entry) {
    PlyMesh mesh;
    mesh.vertexCount = expected.vertexCount;
    mesh.faceCount = expected.faceCount;
    mesh.vertices = referenceVertices;
    mesh.faces = referenceFaces;
    PlyError error;
    if (parsePly(file.data(), file.size(), mesh, error)) {
        expectAccepted(mesh, entry);
    } else {
        expectRefused(error, entry);
    }
}

// ===== Loading and checking =====

void writeModel(const std::vector<char>& file) {
    const int fd = ::open(modelPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) {
        fuzz::broken("cannot write %s", modelPath.c_str());
    }
    ::close(fd);
}

// Runs one load with standard error captured, and returns what it printed.
std::string loadCapturingStderr(int entry) {
    std::fflush(stderr);
    if (::ftruncate(capturedFd, 0) != 0 || ::dup2(capturedFd, STDERR_FILENO) < 0) {
        fuzz::broken("cannot capture standard error");
    }
    loadModelFile(modelPath.c_str(), entry);
    std::fflush(stderr);
    ::dup2(consoleFd, STDERR_FILENO);
    struct stat info {};
    ::fstat(capturedFd, &info);
    std::string printed(static_cast<std::size_t>(info.st_size), '\0');
    if (::pread(capturedFd, printed.data(), printed.size(), 0) != info.st_size) {
        fuzz::broken("cannot read the captured standard error");
    }
    return printed;
}

void expectStore(const std::string& printed) {
    if (printed != expected.output) {
        fuzz::broken("printed \"%s\", the rules give \"%s\"", printed.c_str(),
                     expected.output.c_str());
    }
    if (vertexCount != expected.vertexCount || faceCount != expected.faceCount) {
        fuzz::broken("store holds %d vertices and %d faces, the rules give %d and %d", vertexCount,
                     faceCount, expected.vertexCount, expected.faceCount);
    }
    const fuzz::Box box = storeBox();
    fuzz::expectSameBytes(box.data(), expected.box.data(), sizeof box, "the store's bounding box");
    fuzz::expectSameBytes(vertices, expectedVertices, sizeof vertices, "the store's vertices");
    fuzz::expectSameBytes(faces, expectedFaces, sizeof faces, "the store's faces");
}

// The store as the prefix describes it, and a reader that remembers nothing.
void startInput(const std::uint8_t* data, std::size_t size) {
    forgetLoadedModel();
    const auto byteAt = [&](std::size_t i) { return i < size ? int{data[i]} : 0; };
    vertexCount = (byteAt(0) | byteAt(1) << 8) % (kMaxVertices + 1);
    faceCount = (byteAt(2) | byteAt(3) << 8) % (kMaxFaces + 1);
    expected.vertexCount = vertexCount;
    expected.faceCount = faceCount;
    expected.box = storeBox();
    expected.heldEntry = kNoEntry;
    expected.lastPrinted.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (capturedFd < 0) {
        setUpOnce();
    }
    startInput(data, size);
    const std::size_t skip = size < kCountBytes ? size : kCountBytes;
    for (const Load& load : splitLoads(reinterpret_cast<const char*>(data) + skip, size - skip)) {
        const std::vector<char> file = fileBytesOf(load);
        writeModel(file);
        predictLoad(file, load.entry);
        expectStore(loadCapturingStderr(load.entry));
    }
    return 0;
}
