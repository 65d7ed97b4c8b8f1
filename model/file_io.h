// Reading files safely, for every reader of models: read() that survives signals, opening only
// regular files (never blocking on a FIFO), the name of what a path that is not a regular file
// is, and a whole file read at once.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// read() that retries when a signal interrupts it; -1 with errno set on failure.
long readRetrying(int fd, char* into, std::size_t bytes);

// What a path that is not a regular file is, as a refusal names it: "a directory", "a FIFO",
// "a socket", "a device", or "not a file" (a mode of stat's).
const char* nonFileKind(unsigned mode);

// An open file descriptor, closed when it goes.
struct FileDescriptor {
    int fd;
    explicit FileDescriptor(int opened) : fd(opened) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
};

// Opens `path` for reading, without blocking on a FIFO, when it is a regular file: the
// descriptor, with `size` set; -1 with `problem` set otherwise ("not a regular file (a FIFO)",
// or the system's reason).
int openRegularFile(const std::string& path, std::size_t& size, std::string& problem);

// Reads until `bytes` are in or the file ends; how many came, or -1 with errno set.
long readFully(int fd, char* into, std::size_t bytes);

// The `size` bytes of a file opened by openRegularFile read into `text` (size + 1 bytes, so that
// a file that grew is seen). False with `problem` set as readWholeFile words it.
bool readOpenedFile(int fd, std::size_t size, std::unique_ptr<char[]>& text, std::string& problem);

// The whole of a regular file read with read() into `text` (size + 1 bytes, so that a file that
// grew is seen), without blocking on a FIFO. False with `problem` set as the viewer words it:
// the system's reason, "not a regular file (a FIFO)", "changed while it was read".
bool readWholeFile(const std::string& path, std::unique_ptr<char[]>& text, std::size_t& size,
                   std::string& problem);
