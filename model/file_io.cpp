// Reading files safely, for every reader of models.
#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

long readRetrying(int fd, char* into, std::size_t bytes) {
    for (;;) {
        const ssize_t got = ::read(fd, into, bytes);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

const char* nonFileKind(unsigned mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return S_ISCHR(mode) || S_ISBLK(mode) ? "a device" : "not a file";
}

namespace {

constexpr std::size_t kBytesPerMB = 1024 * 1024;

// An open file descriptor, closed when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

}  // namespace

bool readWholeFile(const std::string& path, std::unique_ptr<char[]>& text, std::size_t& size,
                   std::string& problem) {
    // O_NONBLOCK: a FIFO would block the open until a writer came.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = std::string("not a regular file (") + nonFileKind(info.st_mode) + ")";
        return false;
    }
    size = static_cast<std::size_t>(info.st_size);
    text.reset(new (std::nothrow) char[size + 1]);
    if (!text) {
        problem =
            "needs about " + std::to_string(size / kBytesPerMB + 1) + " MB, more than can be had";
        return false;
    }
    std::size_t done = 0;
    while (done <= size) {  // one byte more than its size: a file that grew is seen
        const long got = readRetrying(file.fd, text.get() + done, size + 1 - done);
        if (got < 0) {
            problem = std::strerror(errno);
            return false;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    if (done != size) {
        problem = "changed while it was read";
        return false;
    }
    return true;
}
