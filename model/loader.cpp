// loadModel: reads the current model file on every frame. The bytes of the last good parse are
// kept, so an unchanged file costs one read and one comparison; a changed file is parsed in full
// into staging arrays and reaches the store only when it is valid.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"

namespace {

constexpr std::size_t kReadChunk = 1 << 16;  // growth step when a file outgrows its size hint
constexpr int kNoEntry = -1;                 // the store holds no good read of any entry
constexpr std::size_t kMessageSize = 512;

// Staging for a parse, so a refused file leaves the store as it was. Separate globals, like the
// store itself, so that memory checkers see the boundaries between them.
Vec4 stagedVertices[kMaxVertices];
FaceIndices stagedFaces[kMaxFaces];

std::vector<char> fileBytes;          // this frame's read; capacity reused from frame to frame
std::vector<char> goodBytes;          // the bytes whose parse the store holds
bool haveGoodBytes = false;           // goodBytes describes the store
int storedEntry = kNoEntry;           // catalogue entry whose last good read the store holds
char lastMessage[kMessageSize] = "";  // the last refusal printed, so it is printed once

// Reads the whole file into fileBytes. Returns false with errno set when it cannot be opened
// or read.
bool readWholeFile(const char* path, bool& opened) {
    opened = false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    opened = true;
    struct stat info {};
    std::size_t hint = kReadChunk;
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        hint = static_cast<std::size_t>(info.st_size) + 1;  // +1 sees the end in one pass
    }
    if (fileBytes.capacity() < hint) {
        fileBytes.reserve(hint);
    }
    fileBytes.resize(fileBytes.capacity());
    std::size_t used = 0;
    for (;;) {
        if (used == fileBytes.size()) {
            fileBytes.resize(fileBytes.size() + kReadChunk);  // the file grew while we read
        }
        const ssize_t got = ::read(fd, fileBytes.data() + used, fileBytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    fileBytes.resize(used);
    return true;
}

void reportOnce(const char* message) {
    if (std::strcmp(message, lastMessage) == 0) {
        return;
    }
    std::snprintf(lastMessage, sizeof lastMessage, "%s", message);
    std::fprintf(stderr, "%s\n", message);
    std::fflush(stderr);
}

// A refused file: keep the last good read of this entry on screen, or show nothing at all.
void refuse(const char* path, int entry, const char* what) {
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s: %s", path, what);
    reportOnce(message);
    if (storedEntry == entry && entry != kNoEntry) {
        return;
    }
    vertexCount = 0;
    faceCount = 0;
    maxX = maxY = maxZ = kBoxResetMax;
    minX = minY = minZ = kBoxResetMin;
    storedEntry = kNoEntry;
    haveGoodBytes = false;
}

void commit(const PlyMesh& mesh, int entry) {
    std::memcpy(vertices, mesh.vertices, sizeof(Vec4) * static_cast<std::size_t>(mesh.vertexCount));
    std::memcpy(faces, mesh.faces, sizeof(FaceIndices) * static_cast<std::size_t>(mesh.faceCount));
    vertexCount = mesh.vertexCount;
    faceCount = mesh.faceCount;
    minX = mesh.minX;
    maxX = mesh.maxX;
    minY = mesh.minY;
    maxY = mesh.maxY;
    minZ = mesh.minZ;
    maxZ = mesh.maxZ;
    storedEntry = entry;
    fileBytes.swap(goodBytes);
    haveGoodBytes = true;
    lastMessage[0] = '\0';
}

}  // namespace

void forgetLoadedModel() {
    haveGoodBytes = false;
    storedEntry = kNoEntry;
    lastMessage[0] = '\0';
}

void loadModelFile(const char* path, int entry) {
    bool opened = false;
    if (!readWholeFile(path, opened)) {
        if (!opened) {
            std::fprintf(stderr, "File does not exist!: %s\n", path);
            std::fflush(stderr);
            std::exit(1);
        }
        refuse(path, entry, std::strerror(errno));
        return;
    }
    if (haveGoodBytes && fileBytes.size() == goodBytes.size() &&
        std::memcmp(fileBytes.data(), goodBytes.data(), fileBytes.size()) == 0) {
        storedEntry = entry;  // same bytes parse to the same model, whichever entry holds them
        lastMessage[0] = '\0';
        return;
    }
    PlyMesh mesh;
    mesh.vertexCount = vertexCount;
    mesh.faceCount = faceCount;
    mesh.vertices = stagedVertices;
    mesh.faces = stagedFaces;
    PlyError error;
    if (!parsePly(fileBytes.data(), fileBytes.size(), mesh, error)) {
        refuse(path, entry, error.message);
        return;
    }
    commit(mesh, entry);
}

void loadModel(int index) {
    loadModelFile(modelFiles[index], index);
}
