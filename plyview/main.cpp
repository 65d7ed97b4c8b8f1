// The file viewer's entry point.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "plyview/run.h"

namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";

// A large model is hundreds of megabytes, written once, and in a virtual machine each page's
// first write is a costly trip to the host: the renderer's copies of the model and its working
// memory took half of a picture's time. The C library backs its large blocks with huge pages
// when asked to, but reads that wish only when a program starts: so plyview starts itself once
// more with it. Nothing changes when the exec fails.
void startWithHugePages(char** argv) {
    const char* tunables = std::getenv(kTunables);
    if (tunables != nullptr && std::strstr(tunables, "glibc.malloc.hugetlb") != nullptr) {
        return;  // asked for already (or decided otherwise by the user)
    }
    const std::string wanted = tunables != nullptr && *tunables != '\0'
                                   ? std::string(tunables) + ":" + kHugePages
                                   : std::string(kHugePages);
    if (::setenv(kTunables, wanted.c_str(), 1) == 0) {
        ::execv("/proc/self/exe", argv);
    }
}

}  // namespace

int main(int argc, char** argv) {
    startWithHugePages(argv);
    return plyview::run(argc, argv);
}
