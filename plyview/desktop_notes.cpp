// The desktop's notes about files shown all the same: on standard output, beside the reader's
// own. Apart from desktop.cpp, which draws, so that tools that read files without GL link.
#include <cstdio>

#include "plyview/platform.h"

namespace plyview {

void noteLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace plyview
