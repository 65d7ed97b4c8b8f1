// The memory this process can still take, so that a file too large for it is refused with a
// line before anything is allocated, instead of the process being killed half-way.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

#include "plyview/platform.h"
#include "plyview/testing.h"

namespace plyview {

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kBytesPerKiB = 1024;
constexpr const char* kCgroupRoot = "/sys/fs/cgroup";
constexpr const char* kSelfCgroup = "/proc/self/cgroup";
constexpr const char* kUnifiedPrefix = "0::";  // the line of the unified (version 2) hierarchy

// "MemAvailable:  123456 kB" of /proc/meminfo, in bytes.
std::uint64_t memAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit) {
        if (key == "MemAvailable:") {
            return kib * kBytesPerKiB;
        }
    }
    return kUnlimited;
}

// The process's sizes from /proc/self/statm (pages): its whole address space and its data.
void processSizes(std::uint64_t& virtualBytes, std::uint64_t& dataBytes) {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0, shared = 0, text = 0, library = 0, data = 0;
    statm >> size >> resident >> shared >> text >> library >> data;
    const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    virtualBytes = size * page;
    dataBytes = data * page;
}

// What a resource limit leaves beyond `used`.
std::uint64_t leftUnder(int resource, std::uint64_t used) {
    struct rlimit limit {};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kUnlimited;
    }
    const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

// A number from a cgroup file, or kUnlimited for "max" or a file that is not there.
std::uint64_t cgroupValue(const std::string& file) {
    std::ifstream in(file);
    std::string word;
    if (!(in >> word) || word == "max") {
        return kUnlimited;
    }
    return std::strtoull(word.c_str(), nullptr, 10);
}

}  // namespace

// memory.max less memory.current of the process's own cgroup (version 2), or of the root.
std::uint64_t cgroupLeft(const std::string& selfCgroup, const std::string& root) {
    std::ifstream self(selfCgroup);
    std::string line, folder = root;
    while (std::getline(self, line)) {
        if (line.rfind(kUnifiedPrefix, 0) == 0) {
            folder += line.substr(std::strlen(kUnifiedPrefix));
        }
    }
    for (const std::string& at : {folder, root}) {
        const std::uint64_t cap = cgroupValue(at + "/memory.max");
        if (cap != kUnlimited) {
            const std::uint64_t used = cgroupValue(at + "/memory.current");
            return used != kUnlimited && cap > used ? cap - used : 0;
        }
    }
    return kUnlimited;
}

std::uint64_t availableMemoryBytes() {
    if (const char* given = std::getenv(kMemoryVariable)) {
        return std::strtoull(given, nullptr, 10) * kBytesPerMB;
    }
    std::uint64_t virtualBytes = 0, dataBytes = 0;
    processSizes(virtualBytes, dataBytes);
    return std::min({memAvailable(), leftUnder(RLIMIT_AS, virtualBytes),
                     leftUnder(RLIMIT_DATA, dataBytes), cgroupLeft(kSelfCgroup, kCgroupRoot)});
}

}  // namespace plyview
