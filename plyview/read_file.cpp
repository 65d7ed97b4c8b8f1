// Reading a file whole: its start first, to judge the memory it needs, then the rest into one
// buffer of its size with read(). Not mmap: a file truncated while mapped (as cp over it does)
// would raise SIGBUS in the middle of the parse.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "model/file_io.h"
#include "plyview/files.h"
#include "plyview/platform.h"

namespace plyview {

namespace {

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + kBytesPerMB - 1) / kBytesPerMB);
}

// ===== Pages faulted in ahead of the read =====

// On this machine's virtual memory the first write to each fresh page is most of what reading a
// file of hundreds of megabytes costs. While read() fills the buffer from the front, a helper
// on the other core has the system fault its pages in (MADV_POPULATE_WRITE, which leaves their
// contents alone), so that read() mostly copies. Where there are no threads, or the system lacks
// the advice, read() faults them itself as before.
#if defined(MADV_POPULATE_WRITE) && !defined(__EMSCRIPTEN__)
constexpr std::size_t kFaultAheadBytes = std::size_t{64} << 20;  // smaller files gain nothing
constexpr std::uintptr_t kPageBytes = 4096;

class PagesAhead {
  public:
    PagesAhead(char* data, std::size_t bytes) {
        const auto start = reinterpret_cast<std::uintptr_t>(data);
        const std::uintptr_t begin = (start + kPageBytes - 1) & ~(kPageBytes - 1);
        const std::uintptr_t end = (start + bytes) & ~(kPageBytes - 1);
        if (bytes < kFaultAheadBytes || end <= begin) {
            return;
        }
        try {
            helper_ = std::thread([begin, end] {
                ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
            });
        } catch (const std::system_error&) {
            // no thread to spare: read() faults the pages itself
        }
    }
    ~PagesAhead() {
        if (helper_.joinable()) {
            helper_.join();
        }
    }
    PagesAhead(const PagesAhead&) = delete;
    PagesAhead& operator=(const PagesAhead&) = delete;

  private:
    std::thread helper_;
};
#else
struct PagesAhead {
    PagesAhead(char*, std::size_t) {}
};
#endif

// The file's bytes into `text` (size + 1 bytes, so that a file that grew is seen); false with
// `problem` set. The start is read first and the memory judged before the rest is allocated.
bool readBytes(const std::string& path, std::unique_ptr<char[]>& text, std::size_t& size,
               std::string& problem) {
    const FileDescriptor file(openRegularFile(path, size, problem));
    if (file.fd < 0) {
        return false;
    }
    char head[kHeadBytes];
    const ssize_t headRead = readFully(file.fd, head, sizeof head);
    if (headRead < 0) {
        problem = std::strerror(errno);
        return false;
    }
    const auto headBytes = static_cast<std::size_t>(headRead);
    const std::uint64_t needed = fileModelBytesNeeded(head, headBytes, size);
    const std::uint64_t available = availableMemoryBytes();
    if (needed > available) {
        problem = "needs about " + megabytes(needed) + " MB, " +
                  std::to_string(available / kBytesPerMB) + " MB available";
        return false;
    }
    text.reset(new (std::nothrow) char[size + 1]);
    if (!text) {
        problem = "needs about " + megabytes(needed) + " MB, more than can be had";
        return false;
    }
    if (headBytes > size) {
        problem = "changed while it was read";  // it grew after its size was taken
        return false;
    }
    std::memcpy(text.get(), head, headBytes);
    const PagesAhead ahead(text.get() + headBytes, size + 1 - headBytes);
    const ssize_t rest = readFully(file.fd, text.get() + headBytes, size + 1 - headBytes);
    if (rest < 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (headBytes + static_cast<std::size_t>(rest) != size) {
        problem = "changed while it was read";  // the next look at it reads it again
        return false;
    }
    return true;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified == other.modified && changed == other.changed;
}

FileStamp stampOf(const std::string& path) {
    constexpr std::int64_t kNanosPerSecond = 1000000000;
    struct stat info {};
    FileStamp stamp;
    if (::stat(path.c_str(), &info) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = info.st_mtim.tv_sec * kNanosPerSecond + info.st_mtim.tv_nsec;
    stamp.changed = info.st_ctim.tv_sec * kNanosPerSecond + info.st_ctim.tv_nsec;
    return stamp;
}

void FileWatch::start(const FileStamp& stamp) {
    shown = stamp;
    pending = FileStamp{};
    tried = stamp;
}

bool FileWatch::due(const FileStamp& now) {
    if (now == shown || now == tried) {
        pending = FileStamp{};
        return false;
    }
    if (now != pending) {
        pending = now;
        return false;
    }
    tried = now;
    pending = FileStamp{};
    return true;
}

bool readFileModel(const std::string& path, FileModel& model, std::string& problem) {
    std::unique_ptr<char[]> text;
    std::size_t size = 0;
    if (!readBytes(path, text, size, problem)) {
        return false;
    }
    PlyError error;
    if (!parseFileModel(text.get(), size, model, error)) {
        problem = error.message;
        return false;
    }
    return true;
}

// ===== Reading with its messages =====

void report(const std::string& path, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
    std::fflush(stderr);
}

void tellNotes(const std::string& path, const PlyNotes& notes) {
    if (notes.shortFaces > 0) {
        std::printf("%s: faces of fewer than 3 corners left out: %lld\n", path.c_str(),
                    static_cast<long long>(notes.shortFaces));
    }
    if (notes.pointCloud) {
        std::printf("%s: %lld vertices and no faces\n", path.c_str(),
                    static_cast<long long>(notes.fileVertices));
    }
    if (notes.splats) {
        std::printf("%s: read as Gaussian splats, each drawn as a point in its base colour\n",
                    path.c_str());
    }
    if (notes.colourFloats255) {
        std::printf("%s: float colours above 1.5 read as 0..255\n", path.c_str());
    }
    std::fflush(stdout);
}

namespace {

// The splats a splat file holds, and those it gave bad values for, once per read.
void tellSplats(const std::string& path, const SplatModel& splats) {
    if (!splats.empty()) {
        std::printf("%s: read as Gaussian splats: %zu, colours of degree %d\n", path.c_str(),
                    splats.count(), splats.degree);
        std::fflush(stdout);
    }
    if (splats.leftOut > 0) {
        noteLine(path + ": " + std::to_string(splats.leftOut) +
                 " splats left out: a value not finite, or a zero rotation");
    }
}

}  // namespace

std::unique_ptr<FileModel> readAndTell(const std::string& path) {
    auto model = std::make_unique<FileModel>();
    std::string problem;
    if (!readFileModel(path, *model, problem)) {
        report(path, problem);
        return nullptr;
    }
    PlyNotes notes = model->notes;
    notes.splats = notes.splats && !model->isSplats();  // only base colours: drawn as points
    tellNotes(path, notes);
    tellSplats(path, model->splats);
    return model;
}

bool textured(const FileModel& model) {
    return !model.textureFiles.empty() &&
           ((!model.texcoords.empty() &&
             model.texcoords.size() == model.vertexCount() * kTexcoordFloats) ||
            (!model.cornerTexcoords.empty() &&
             model.cornerTexcoords.size() == model.triangles.size() * kTexcoordFloats));
}

std::vector<Image> readTextures(const std::string& path, const FileModel& model) {
    std::vector<Image> images;
    if (!textured(model)) {
        return images;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    for (const std::string& name : model.textureFiles) {
        images.emplace_back();
        std::string problem;
        if (!readImage(findImageFile(folder, name), availableMemoryBytes(), images.back(),
                       problem)) {
            noteLine(path + ": texture " + name + ": " + problem);
        }
    }
    return images;
}

}  // namespace plyview
