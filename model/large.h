// Large arrays backed by huge pages where the system has them.
#pragma once

#include <cstddef>
#include <vector>

// Asks the system to back the 2 MiB-aligned inside of a large block with huge pages, before it
// is first written: a model of hundreds of megabytes is otherwise paid for page by page.
// Nothing happens for small blocks or where the system has no such pages.
void adviseHugePages(const void* data, std::size_t bytes);

// Reserves room for `count` elements and advises huge pages for it.
template <typename T>
void reserveLarge(std::vector<T>& array, std::size_t count) {
    array.reserve(count);
    adviseHugePages(array.data(), array.capacity() * sizeof(T));
}
