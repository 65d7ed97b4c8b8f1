// Scratch files for the benchmarks.
#include "bench/bench_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace benchfiles {

namespace {

constexpr std::size_t kPageSize = 4096;

}  // namespace

PageBuffer::PageBuffer(std::size_t size)
    : capacity_((size + 1 + kPageSize - 1) / kPageSize * kPageSize),
      bytes_(static_cast<char*>(std::aligned_alloc(kPageSize, capacity_))) {}

void readBare(const std::string& path, PageBuffer& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t used = 0;
    for (ssize_t got = 1; got > 0; used += static_cast<std::size_t>(got)) {
        got = ::read(fd, buffer.data() + used, buffer.capacity() - used);
        if (got < 0) {
            break;
        }
    }
    ::close(fd);
}
namespace {

constexpr const char* kScratchTemplate = "/tmp/plyviewer-bench-XXXXXX";
constexpr const char* kEndHeader = "end_header";
constexpr const char* kVertexElement = "element vertex ";
constexpr double kKiBPerMiB = 1024;

bool writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Position of a digit in the last vertex line: the line before the first face. Any digit of the
// vertex section will do; the last one makes a byte-wise comparison run the furthest.
std::size_t lastVertexDigit(const std::string& text, int vertexCount) {
    std::size_t line = text.find(kEndHeader);
    for (int i = 0; i < vertexCount && line != std::string::npos; ++i) {
        line = text.find('\n', line);
        line = line == std::string::npos ? line : line + 1;
    }
    if (line == std::string::npos) {
        return std::string::npos;
    }
    const std::size_t digit = text.find_first_of("0123456789", line);
    return digit < text.find('\n', line) ? digit : std::string::npos;
}

int declaredVertices(const std::string& text) {
    const std::size_t at = text.find(kVertexElement);
    return at == std::string::npos
               ? 0
               : std::atoi(text.c_str() + at + std::char_traits<char>::length(kVertexElement));
}

}  // namespace

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool makeChangingPair(const std::string& model, ChangingPair& pair) {
    const std::string text = readAll(model);
    const std::size_t digit = lastVertexDigit(text, declaredVertices(text));
    if (digit == std::string::npos) {
        return false;
    }
    std::string changed = text;
    changed[digit] = changed[digit] == '9' ? '8' : static_cast<char>(changed[digit] + 1);
    std::string folder = kScratchTemplate;
    if (::mkdtemp(folder.data()) == nullptr) {
        return false;
    }
    pair.folder = folder;
    pair.first = folder + "/first_" + model;
    pair.second = folder + "/second_" + model;
    return writeAll(pair.first, text) && writeAll(pair.second, changed);
}

void removeChangingPair(const ChangingPair& pair) {
    std::remove(pair.first.c_str());
    std::remove(pair.second.c_str());
    ::rmdir(pair.folder.c_str());
}

namespace {
Vec4 parsedVertices[kMaxVertices];  // output arrays of the in-memory parses
FaceIndices parsedFaces[kMaxFaces];
}  // namespace

double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / kKiBPerMiB;
        }
    }
    return 0;
}

bool parseText(const std::string& text, PlyError& error) {
    PlyMesh mesh;
    mesh.vertices = parsedVertices;
    mesh.faces = parsedFaces;
    return parsePly(text.data(), text.size(), mesh, error);
}

void parseEveryIteration(benchmark::State& state, const std::string& text) {
    PlyError error;
    for (auto _ : state) {
        if (!parseText(text, error)) {
            state.SkipWithError(error.message);
            break;
        }
        benchmark::DoNotOptimize(parsedVertices[0]);
    }
}

}  // namespace benchfiles
