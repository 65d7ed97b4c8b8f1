// The file viewer from the command line to the window or the pictures.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "plyview/plyview.h"

namespace plyview {

namespace {

// ===== Catalogue =====
// The paths as given; the core keeps pointers to these strings for the whole run.
std::vector<std::string> catalogue;
std::vector<const char*> catalogueNames;

bool canOpen(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// A single file that cannot be read ends the program; among several, such a file stays an entry
// that shows an empty frame, once the reader has said why.
bool checkAtStart() {
    if (catalogue.size() == 1) {
        return loadModelFile(catalogueNames[0], kFirstModel) != LoadOutcome::kRefused;
    }
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        if (!canOpen(catalogue[i])) {
            loadModelFile(catalogueNames[i], static_cast<int>(i));
        }
    }
    return true;
}

}  // namespace

void useFiles(const std::vector<std::string>& paths) {
    catalogue = paths;
    catalogueNames.clear();
    for (const std::string& path : catalogue) {
        catalogueNames.push_back(path.c_str());
    }
    setCatalogue(catalogueNames.data(), static_cast<int>(catalogueNames.size()));
    setMissingFile(MissingFile::kRefuse);
    setCentreCoordinates(true);
    setPointClouds(true);
    setCamera(fileCamera);
}

int run(int argc, char** argv) {
    if (argc <= 1) {
        std::fprintf(stderr, "%s\n", usageLine().c_str());
        return kStatusUsage;
    }
    const ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s\n", kProgramName, parsed.error.c_str(),
                     usageLine().c_str());
        return kStatusUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(helpText().c_str(), stdout);
        return kStatusOk;
    }
    std::vector<std::string> problems;
    const std::vector<std::string> paths = expandInputs(options.inputs, problems);
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "%s\n", problem.c_str());
    }
    if (paths.empty()) {
        return kStatusFailed;
    }
    useFiles(paths);
    if (!options.pngOut.empty()) {
        return writePictures(options, catalogue);
    }
    if (!checkAtStart()) {
        return kStatusFailed;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fprintf(stderr, "%s: no display to open a window on; --png OUT draws pictures\n",
                     kProgramName);
        return kStatusFailed;
    }
    runWindow(argc, argv, options, catalogue);
}

}  // namespace plyview
