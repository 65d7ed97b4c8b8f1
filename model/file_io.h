// Reading files safely, for every reader of models: read() that survives signals, and the name of
// what a path that is not a regular file is.
#pragma once

#include <cstddef>

// read() that retries when a signal interrupts it; -1 with errno set on failure.
long readRetrying(int fd, char* into, std::size_t bytes);

// What a path that is not a regular file is, as a refusal names it: "a directory", "a FIFO",
// "a socket", "a device", or "not a file" (a mode of stat's).
const char* nonFileKind(unsigned mode);
