// loadModel: reads the current model file on every frame. The bytes of the last good parse are
// kept, so an unchanged file costs one read and one comparison; a changed file is parsed in full
// into staging arrays and reaches the store only when it is valid.
//
// One byte buffer serves both: while it holds the bytes of the last good parse, a read is
// compared with it piece by piece; from the first difference on, the rest of the file is read
// into it behind the matching prefix, which is thereby already in place for the parse.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "model/file_io.h"
#include "model/model.h"

namespace {

// ===== Constants =====

constexpr std::size_t kReadChunk = 1 << 16;  // growth step when a file outgrows its size hint
// Piece of an unchanged file read and compared at a time: as large as the L2 cache, so that a
// model of the catalogue's size takes two or three read calls, whose cost in the kernel
// outweighs the comparison's, while the piece stays cached for the comparison.
constexpr std::size_t kCompareChunk = 1 << 18;
constexpr std::size_t kPageSize = 4096;
constexpr int kNoEntry = -1;  // the store holds no good read of any entry
constexpr std::size_t kMessageSize = 512;
// Larger files are refused before they are read: a model beyond this is no viewer's to show,
// and a file that keeps growing (a device posing as a model) cannot take the memory.
constexpr std::size_t kMaxFileMiB = 256;
constexpr std::size_t kMaxFileBytes = kMaxFileMiB << 20;

// ===== Page-aligned byte buffers =====
// The read buffers and the comparison piece start on a page boundary, as the file's pages do, so
// the kernel's copy and the comparison move whole cache lines; with the 16-byte alignment of
// plain allocations the comparison of an unchanged file costs markedly more.
template <typename T>
struct PageAligned {
    using value_type = T;
    PageAligned() = default;
    template <typename U>
    explicit PageAligned(const PageAligned<U>&) {}
    T* allocate(std::size_t n) {
        return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(kPageSize)));
    }
    void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t(kPageSize)); }
    bool operator==(const PageAligned&) const { return true; }
    bool operator!=(const PageAligned&) const { return false; }
};
using Bytes = std::vector<char, PageAligned<char>>;

// ===== Reader state =====
// Staging for a parse, so a refused file leaves the store as it was. Separate globals, like the
// store itself, so that memory checkers see the boundaries between them.
Vec4 stagedVertices[kMaxVertices];
FaceIndices stagedFaces[kMaxFaces];

// The byte buffer only ever grows: its size is its capacity, and the bytes in use are counted
// apart, so a frame neither allocates nor clears memory once the largest model has been seen.
Bytes fileBytes;             // the last read; the bytes of the last good parse while haveGoodBytes
std::size_t fileUsed = 0;    // bytes of fileBytes that hold it
bool haveGoodBytes = false;  // fileBytes holds what the store was parsed from
int storedEntry = kNoEntry;  // catalogue entry whose last good read the store holds
char lastMessage[kMessageSize] = "";  // the last refusal printed, so it is printed once
MissingFile missingFile = MissingFile::kEndProcess;  // what a file that cannot be opened does
bool centreCoordinates = false;                      // store coordinates less their box centre
double storedCentre[3] = {0, 0, 0};                  // the centre taken off the store's model
// Where an unchanged file's bytes land to be compared.
alignas(kPageSize) char compareChunk[kCompareChunk];

// ===== Reading =====

enum class ReadOutcome {
    kUnchanged,
    kChanged,
    kCannotOpen,
    kFailed,       // errno tells why
    kNotReadable,  // not a regular file, or larger than kMaxFileBytes: `readFault` says which
};

char readFault[kMessageSize] = "";  // why the last kNotReadable path was not read

ReadOutcome tooLarge() {
    std::snprintf(readFault, sizeof readFault, "larger than the limit of %zu MiB", kMaxFileMiB);
    return ReadOutcome::kNotReadable;
}

void ensureFileBytes(std::size_t bytes) {
    if (fileBytes.size() < bytes) {
        fileBytes.resize(bytes);
    }
}

// Reads the rest of the file into fileBytes behind the `fileUsed` bytes already there.
// `sizeHint` is the size the file had when it was opened.
ReadOutcome readRest(int fd, std::size_t sizeHint) {
    ensureFileBytes(sizeHint + 1);  // +1 sees the end at once
    for (;;) {
        if (fileUsed > kMaxFileBytes) {
            return tooLarge();  // it grew while we read
        }
        if (fileUsed == fileBytes.size()) {
            fileBytes.resize(fileBytes.size() + kReadChunk);
        }
        const ssize_t got =
            readRetrying(fd, fileBytes.data() + fileUsed, fileBytes.size() - fileUsed);
        if (got < 0) {
            return ReadOutcome::kFailed;
        }
        if (got == 0) {
            return ReadOutcome::kChanged;
        }
        fileUsed += static_cast<std::size_t>(got);
    }
}

// The file differs from the good bytes from `offset` on: the piece just read goes behind the
// matching prefix, and the buffer no longer holds the good bytes.
void takeOver(std::size_t offset, std::size_t pieceBytes) {
    haveGoodBytes = false;
    ensureFileBytes(offset + pieceBytes + 1);  // never empty, and room to see the end
    std::memcpy(fileBytes.data() + offset, compareChunk, pieceBytes);
    fileUsed = offset + pieceBytes;
}

// Reads piece by piece into compareChunk and compares each piece with the good bytes at the same
// offset, so an unchanged file never leaves the cache-resident piece. On kFailed errno tells why.
ReadOutcome readComparing(int fd, std::size_t sizeHint) {
    std::size_t offset = 0;
    for (;;) {
        const ssize_t got = readRetrying(fd, compareChunk, kCompareChunk);
        if (got < 0) {
            return ReadOutcome::kFailed;
        }
        const std::size_t bytes = static_cast<std::size_t>(got);
        if (got == 0 && offset == fileUsed) {
            return ReadOutcome::kUnchanged;
        }
        if (got == 0 || bytes > fileUsed - offset ||
            std::memcmp(compareChunk, fileBytes.data() + offset, bytes) != 0) {
            takeOver(offset, bytes);
            if (got == 0) {
                return ReadOutcome::kChanged;  // the file got shorter
            }
            return readRest(fd, sizeHint);
        }
        offset += bytes;
    }
}

// Opens without waiting (a FIFO would block the open until a writer came), and reads only a
// regular file of at most kMaxFileBytes.
ReadOutcome readModelFile(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return ReadOutcome::kCannotOpen;
    }
    struct stat info {};
    ReadOutcome outcome;
    if (::fstat(fd, &info) != 0) {
        outcome = ReadOutcome::kFailed;
    } else if (!S_ISREG(info.st_mode)) {
        std::snprintf(readFault, sizeof readFault, "not a regular file (%s)",
                      nonFileKind(info.st_mode));
        outcome = ReadOutcome::kNotReadable;
    } else if (static_cast<std::size_t>(info.st_size) > kMaxFileBytes) {
        outcome = tooLarge();
    } else if (haveGoodBytes) {
        outcome = readComparing(fd, static_cast<std::size_t>(info.st_size));
    } else {
        fileUsed = 0;
        outcome = readRest(fd, static_cast<std::size_t>(info.st_size));
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return outcome;
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
    haveGoodBytes = false;  // the buffer now holds the refused bytes, not the store's
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s: %s", path, what);
    reportOnce(message);
    if (storedEntry == entry && entry != kNoEntry) {
        return;
    }
    vertexCount = 0;
    faceCount = 0;
    storedCentre[0] = storedCentre[1] = storedCentre[2] = 0.0;
    maxX = maxY = maxZ = kBoxResetMax;
    minX = minY = minZ = kBoxResetMin;
    storedEntry = kNoEntry;
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
    std::memcpy(storedCentre, mesh.centreXYZ, sizeof storedCentre);
    storedEntry = entry;
    haveGoodBytes = true;
    lastMessage[0] = '\0';
}

// What the user should know about a model that was read: one line each, on standard output,
// once per change of the file (an unchanged file is not parsed again).
void tellNotes(const char* path, const PlyNotes& notes) {
    if (notes.shortFaces > 0) {
        std::printf("%s: faces of fewer than 3 corners left out: %lld\n", path,
                    static_cast<long long>(notes.shortFaces));
    }
    if (notes.pointCloud) {
        std::printf("%s: %lld vertices and no faces\n", path,
                    static_cast<long long>(notes.fileVertices));
    }
    if (notes.simplified && notes.pointCloud) {
        std::printf("%s: thinned to fit, %lld points to %d in %.2f s\n", path,
                    static_cast<long long>(notes.fileVertices), vertexCount, notes.fitSeconds);
    } else if (notes.simplified) {
        std::printf(
            "%s: simplified to fit, %lld vertices and %lld triangles to %d and %d in %.2f s\n",
            path, static_cast<long long>(notes.fileVertices),
            static_cast<long long>(notes.fileTriangles), vertexCount, faceCount, notes.fitSeconds);
    }
    std::fflush(stdout);
}

}  // namespace

void forgetLoadedModel() {
    haveGoodBytes = false;
    storedEntry = kNoEntry;
    lastMessage[0] = '\0';
}

void setMissingFile(MissingFile mode) {
    missingFile = mode;
}

void setCentreCoordinates(bool on) {
    centreCoordinates = on;
    forgetLoadedModel();  // the same bytes now give other stored coordinates
}

void loadedModelCentre(double out[3]) {
    std::memcpy(out, storedCentre, sizeof storedCentre);
}

LoadOutcome loadModelFile(const char* path, int entry) {
    switch (readModelFile(path)) {
        case ReadOutcome::kCannotOpen:
            if (missingFile == MissingFile::kRefuse) {
                refuse(path, entry, std::strerror(errno));
                return LoadOutcome::kRefused;
            }
            std::fprintf(stderr, "File does not exist!: %s\n", path);
            std::fflush(stderr);
            std::exit(1);
        case ReadOutcome::kFailed:
            refuse(path, entry, std::strerror(errno));
            return LoadOutcome::kRefused;
        case ReadOutcome::kNotReadable:
            refuse(path, entry, readFault);
            return LoadOutcome::kRefused;
        case ReadOutcome::kUnchanged:
            storedEntry = entry;  // same bytes parse to the same model, whichever entry holds them
            lastMessage[0] = '\0';
            return LoadOutcome::kUnchanged;
        case ReadOutcome::kChanged:
            break;
    }
    PlyMesh mesh;
    mesh.centre = centreCoordinates;
    mesh.vertexCount = vertexCount;
    mesh.faceCount = faceCount;
    mesh.vertices = stagedVertices;
    mesh.faces = stagedFaces;
    PlyError error;
    if (!parsePly(fileBytes.data(), fileUsed, mesh, error)) {
        refuse(path, entry, error.message);
        return LoadOutcome::kRefused;
    }
    commit(mesh, entry);
    tellNotes(path, mesh.notes);
    return LoadOutcome::kLoaded;
}

void loadModel(int index) {
    loadModelFile(catalogueFile(index), index);
}
