// The files plyview shows, as the core's catalogue: the paths as the user gave them, in order.
#include "plyview/plyview.h"

namespace plyview {

namespace {

// The core keeps pointers to these strings while they are the catalogue.
std::vector<std::string> files;
std::vector<const char*> names;

}  // namespace

void useFiles(const std::vector<std::string>& paths) {
    files = paths;
    names.clear();
    for (const std::string& path : files) {
        names.push_back(path.c_str());
    }
    setCatalogue(names.data(), static_cast<int>(names.size()));
}

const std::vector<std::string>& usedFiles() {
    return files;
}

}  // namespace plyview
