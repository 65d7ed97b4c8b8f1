// The command line: files and folders in, a catalogue out; --png, --size, --style and --help.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>

#include "plyview/options.h"

namespace plyview {

namespace {

constexpr const char* kPlyExtension = ".ply";
constexpr std::size_t kPlyExtensionLength = 4;
constexpr const char* kPngExtension = ".png";

// --style's values by name.
struct StyleName {
    const char* name;
    Style style;
};
constexpr StyleName kStyleNames[] = {
    {"wire", Style::kWire}, {"surface", Style::kSurface}, {"edges", Style::kEdges}};

bool endsWithPly(const std::string& name) {
    if (name.size() <= kPlyExtensionLength) {
        return false;
    }
    const std::string tail = name.substr(name.size() - kPlyExtensionLength);
    return std::equal(tail.begin(), tail.end(), kPlyExtension, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

std::string baseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const std::size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The folder's PLY files, sorted by the bytes of their names; false when it cannot be listed.
bool listPlyFiles(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (endsWithPly(name) && !isFolder(joinPath(folder, name))) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    return true;
}

// "WxH" with both sides in 1..kMaxPictureSize.
bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size()) {
        return false;
    }
    auto side = [](const std::string& digits, int& out) {
        if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) {
            return false;
        }
        out = std::stoi(digits);
        return out >= 1 && out <= kMaxPictureSize;
    };
    return side(text.substr(0, x), width) && side(text.substr(x + 1), height);
}

// One of kStyleNames; false for anything else.
bool parseStyle(const std::string& text, Style& style) {
    for (const StyleName& entry : kStyleNames) {
        if (text == entry.name) {
            style = entry.style;
            return true;
        }
    }
    return false;
}

}  // namespace

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string usageLine() {
    return "usage: plyview [--png OUT.png] [--size WxH] [--style wire|surface|edges] "
           "FILE|FOLDER...";
}

std::string helpText() {
    return usageLine() +
           "\n"
           "Shows PLY models framed to fill the window, as a green wireframe unless --style\n"
           "says otherwise. A folder stands for its *.ply files in name order. Every triangle\n"
           "and point is drawn; a model of more than 200,000 triangles is drawn from a lighter\n"
           "stand-in while it moves. The shown file is watched: an edit shows without a key,\n"
           "and a file that is refused or goes missing keeps its last picture.\n"
           "\n"
           "Options:\n"
           "  --png OUT     draw without a display and write a PNG picture; with several files\n"
           "                OUT is a folder that gets one NAME.png per file\n"
           "  --size WxH    picture or window size in pixels (default 512x512)\n"
           "  --style S     the first display style: wire (the default), surface, or edges\n"
           "                (a surface with its wireframe on it)\n"
           "  --help        this text\n"
           "\n"
           "Mouse:\n"
           "  left drag     turn the model about its centre\n"
           "  right drag    zoom (up: closer); the wheel zooms too\n"
           "\n"
           "Keys (case matters):\n"
           "  N / P         next / previous file (wraps around); W first file; all reset the view\n"
           "  e             bounding box on/off (blue)\n"
           "  m             face normals on/off (red)\n"
           "  s             next display style: wire -> surface -> edges -> wire\n"
           "  x X y Y z Z   move along an axis, press again to stop\n"
           "  R             turntable tour through the files; press again to pause\n"
           "  B             breathing: faces drift out along their normals and back\n"
           "  Esc           quit\n";
}

ParseResult parseCommandLine(int argc, const char* const* argv) {
    ParseResult result;
    Options& options = result.options;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--png" || arg == "--size" || arg == "--style") {
            if (i + 1 >= argc) {
                result.error = arg + " needs a value";
                return result;
            }
            const std::string value = argv[++i];
            if (arg == "--png") {
                options.pngOut = value;
            } else if (arg == "--style") {
                if (!parseStyle(value, options.style)) {
                    result.error = "--style wants wire, surface or edges, not '" + value + "'";
                    return result;
                }
            } else if (!parseSize(value, options.width, options.height)) {
                result.error = "--size wants WxH with sides from 1 to " +
                               std::to_string(kMaxPictureSize) + ", not '" + value + "'";
                return result;
            }
        } else {
            result.error = "unknown option '" + arg + "'";
            return result;
        }
    }
    if (!options.help && options.inputs.empty()) {
        result.error = "no file given";
    }
    return result;
}

std::vector<std::string> expandInputs(const std::vector<std::string>& inputs,
                                      std::vector<std::string>& problems) {
    std::vector<std::string> paths;
    for (const std::string& input : inputs) {
        if (!isFolder(input)) {
            paths.push_back(input);
            continue;
        }
        std::vector<std::string> names;
        if (!listPlyFiles(input, names)) {
            problems.push_back(input + ": " + std::strerror(errno));
        } else if (names.empty()) {
            problems.push_back(input + ": no .ply files in this folder");
        }
        for (const std::string& name : names) {
            paths.push_back(joinPath(input, name));
        }
    }
    return paths;
}

std::vector<std::string> pictureNames(const std::vector<std::string>& paths,
                                      const std::string& folder) {
    std::set<std::string> used;
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        std::string stem = baseName(path);
        if (endsWithPly(stem)) {
            stem.resize(stem.size() - kPlyExtensionLength);
        }
        std::string name = stem;
        for (int n = 2; used.count(name) != 0; ++n) {
            name = stem + "-" + std::to_string(n);  // also steps over a file named "stem-2"
        }
        used.insert(name);
        names.push_back(joinPath(folder, name + kPngExtension));
    }
    return names;
}

std::string windowTitle(const std::string& path, int index, int count) {
    return baseName(path) + " (" + std::to_string(index + 1) + "/" + std::to_string(count) +
           ") - " + kProgramName;
}

}  // namespace plyview
