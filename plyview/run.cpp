// The file viewer from the command line to the window or the pictures.
#include "plyview/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plyview/info.h"

namespace plyview {

namespace {

// Among several files, one that cannot be opened is named at once; it keeps its place and
// shows an empty frame.
void nameUnopenable(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            report(path, std::strerror(errno));
        } else {
            ::close(fd);
        }
    }
}

}  // namespace

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
    if (options.info) {
        return printInfo(paths, options.json);
    }
    if (!options.pngOut.empty()) {
        return writePictures(options, paths);
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fprintf(stderr, "%s: no display to open a window on; --png OUT draws pictures\n",
                     kProgramName);
        return kStatusFailed;
    }
    // A single file that cannot be read ends the program; read before the window opens, it is
    // not read again for the first frame.
    std::unique_ptr<FileModel> first;
    FileStamp stamp;
    if (paths.size() == 1) {
        stamp = stampOf(paths[0]);
        first = readAndTell(paths[0]);
        if (!first) {
            return kStatusFailed;
        }
    } else {
        nameUnopenable(paths);
    }
    runWindow(argv, options, paths, std::move(first), stamp);
}

}  // namespace plyview
