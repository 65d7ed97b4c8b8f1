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

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd >= 0) {
        ::close(fd);
    }
}

int openRegularFile(const std::string& path, std::size_t& size, std::string& problem) {
    // O_NONBLOCK: a FIFO would block the open until a writer came.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        problem = std::string("not a regular file (") + nonFileKind(info.st_mode) + ")";
    } else {
        size = static_cast<std::size_t>(info.st_size);
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

long readFully(int fd, char* into, std::size_t bytes) {
    std::size_t done = 0;
    while (done < bytes) {
        const long got = readRetrying(fd, into + done, bytes - done);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

bool readOpenedFile(int fd, std::size_t size, std::unique_ptr<char[]>& text, std::string& problem) {
    text.reset(new (std::nothrow) char[size + 1]);
    if (!text) {
        problem =
            "needs about " + std::to_string(size / kBytesPerMB + 1) + " MB, more than can be had";
        return false;
    }
    // One byte more than its size: a file that grew is seen.
    const long read = readFully(fd, text.get(), size + 1);
    if (read < 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (static_cast<std::size_t>(read) != size) {
        problem = "changed while it was read";
        return false;
    }
    return true;
}

bool readWholeFile(const std::string& path, std::unique_ptr<char[]>& text, std::size_t& size,
                   std::string& problem) {
    const FileDescriptor file(openRegularFile(path, size, problem));
    return file.fd >= 0 && readOpenedFile(file.fd, size, text, problem);
}
