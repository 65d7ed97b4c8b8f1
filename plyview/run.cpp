// The file viewer from the command line to the window or the pictures.
#include "plyview/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/file_io.h"
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

// The properties a file's colours may come from, by its header; false when its start cannot be
// read or is no header (the file is refused later, with its own line).
bool measuredNames(const std::string& path, std::vector<std::string>& names) {
    std::size_t size = 0;
    std::string problem;
    const FileDescriptor file(openRegularFile(path, size, problem));
    std::vector<char> head(std::min(size, kHeadBytes));
    return file.fd >= 0 && readFully(file.fd, head.data(), head.size()) >= 0 &&
           measuredPropertyNames(head.data(), head.size(), names);
}

// --color-by names what every file has: the first file without it is a usage error that says
// what it has instead.
std::string colourByProblem(const std::string& wanted, const std::vector<std::string>& paths) {
    if (wanted.empty() || wanted == kHeightSource || wanted == kNoColourSource) {
        return "";
    }
    for (const std::string& path : paths) {
        std::vector<std::string> names;
        if (!measuredNames(path, names) ||
            std::find(names.begin(), names.end(), wanted) != names.end()) {
            continue;
        }
        std::string has;
        for (const std::string& name : names) {
            has += name + ", ";
        }
        return "--color-by " + wanted + ": " + path + " has no such property; it has " + has +
               kHeightSource + " and " + kNoColourSource;
    }
    return "";
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
    if (const std::string problem = colourByProblem(options.start.colourBy, paths);
        !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, problem.c_str());
        return kStatusUsage;
    }
    if (options.info) {
        return printInfo(paths, options.json, options.start.colourBy);
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
