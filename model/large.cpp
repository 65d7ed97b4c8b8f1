// Large arrays backed by huge pages where the system offers them (Linux, with transparent huge
// pages in "madvise" mode as Debian sets them): one fault per 2 MiB instead of one per 4 KiB.
#include "model/large.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
constexpr std::size_t kLargeBytes = std::size_t{2} << 20;  // at least one huge page

}  // namespace

void adviseHugePages(const void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    if (data == nullptr || bytes < kLargeBytes) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}
