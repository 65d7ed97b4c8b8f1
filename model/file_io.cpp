// Reading files safely, for every reader of models.
#include "model/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
