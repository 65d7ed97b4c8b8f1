// Entering the run folder.
#include "support/run_folder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {
constexpr const char* kRunFolderVariable = "PLYVIEWER_RUN_DIR";  // overrides the built-in one
}  // namespace

bool enterRunFolder() {
    const char* folder = std::getenv(kRunFolderVariable);
    if (folder == nullptr) {
        folder = PLYVIEWER_RUN_DIR;
    }
    if (::chdir(folder) != 0) {
        std::fprintf(stderr, "cannot enter the run folder %s\n", folder);
        return false;
    }
    return true;
}

}  // namespace testsupport
