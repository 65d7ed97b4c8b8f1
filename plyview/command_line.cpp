// The command line: files and folders in, a catalogue out; --png, --size, --style, --info and
// --help.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "plyview/navigation.h"
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

// --view's values by name.
struct ViewWord {
    const char* name;
    ViewName view;
};
constexpr ViewWord kViewNames[] = {{"front", ViewName::kFront}, {"back", ViewName::kBack},
                                   {"left", ViewName::kLeft},   {"right", ViewName::kRight},
                                   {"top", ViewName::kTop},     {"bottom", ViewName::kBottom},
                                   {"iso", ViewName::kIso}};

// --up's values, in UpAxis order.
constexpr const char* kUpNames[kUpAxisCount] = {"+y", "-y", "+z", "-z", "+x", "-x"};

constexpr double kMaxTurnDegrees = 360.0;  // --turn's values, either way round

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

bool parseView(const std::string& text, ViewName& view) {
    for (const ViewWord& entry : kViewNames) {
        if (text == entry.name) {
            view = entry.view;
            return true;
        }
    }
    return false;
}

bool parseUp(const std::string& text, UpAxis& up) {
    for (int i = 0; i < kUpAxisCount; ++i) {
        if (text == kUpNames[i]) {
            up = static_cast<UpAxis>(i);
            return true;
        }
    }
    return false;
}

// A decimal number, all of `text`, within +-limit.
bool parseNumber(const std::string& text, double limit, double& value) {
    if (text.empty() || text.size() > 16 ||
        text.find_first_not_of("+-.0123456789") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && value >= -limit && value <= limit;
}

// "YAW,PITCH" in degrees; the pitch within +-90.
bool parseTurn(const std::string& text, Turn& turn) {
    const std::size_t comma = text.find(',');
    double yaw = 0, pitch = 0;
    if (comma == std::string::npos || !parseNumber(text.substr(0, comma), kMaxTurnDegrees, yaw) ||
        !parseNumber(text.substr(comma + 1), kMaxPitch, pitch)) {
        return false;
    }
    turn = Turn{static_cast<float>(yaw), static_cast<float>(pitch)};
    return true;
}

bool parsePointSize(const std::string& text, float& size) {
    double value = 0;
    if (!parseNumber(text, kMaxPointSize, value) || value < kMinPointSize) {
        return false;
    }
    size = static_cast<float>(value);
    return true;
}

// The options that take a value: stores it, or says what is wrong with it.
std::string takeValue(const std::string& option, const std::string& value, Options& options,
                      ViewName& view, Turn& turn) {
    const std::string given = ", not '" + value + "'";
    if (option == "--png") {
        options.pngOut = value;
    } else if (option == "--style") {
        if (!parseStyle(value, options.style))
            return "--style wants wire, surface or edges" + given;
    } else if (option == "--size") {
        if (!parseSize(value, options.width, options.height)) {
            return "--size wants WxH with sides from 1 to " + std::to_string(kMaxPictureSize) +
                   given;
        }
    } else if (option == "--view") {
        if (!parseView(value, view)) {
            return "--view wants front, back, left, right, top, bottom or iso" + given;
        }
    } else if (option == "--turn") {
        if (!parseTurn(value, turn)) {
            return "--turn wants YAW,PITCH in degrees, the pitch from -90 to 90" + given;
        }
    } else if (option == "--up") {
        if (!parseUp(value, options.start.up))
            return "--up wants +y, -y, +z, -z, +x or -x" + given;
        options.start.upGiven = true;
    } else if (option == "--color-by") {
        if (value.empty()) {
            return "--color-by wants a property's name, height or none";
        }
        options.start.colourBy = value;
    } else if (!parsePointSize(value, options.start.pointSize)) {
        return "--point-size wants a number of pixels from 1 to 20" + given;
    }
    return "";
}

bool takesValue(const std::string& option) {
    for (const char* name :
         {"--png", "--size", "--style", "--view", "--turn", "--up", "--point-size", "--color-by"}) {
        if (option == name) {
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
           "[--view SIDE] [--turn YAW,PITCH] [--up AXIS] [--ortho] [--point-size N] "
           "[--color-by NAME] [--panel] [--info [--json]] FILE|FOLDER...";
}

std::string helpText() {
    return usageLine() +
           "\n"
           "Shows PLY models framed to fill the window, as a green wireframe unless --style\n"
           "says otherwise. A folder stands for its *.ply files in name order. Every triangle\n"
           "and point is drawn; a model of more than 200,000 triangles is drawn from a lighter\n"
           "stand-in while it moves. The shown file is watched: an edit shows without a key,\n"
           "and a file that is refused or goes missing keeps its last picture. A textured\n"
           "model shows its images (PNG or JPEG, named by \"comment TextureFile\", found\n"
           "beside the file) on the surface styles; one that cannot be read gets a line.\n"
           "\n"
           "Options:\n"
           "  --png OUT     draw without a display and write a PNG picture; with several files\n"
           "                OUT is a folder that gets one NAME.png per file\n"
           "  --size WxH    picture or window size in pixels (default 512x512)\n"
           "  --style S     the first display style: wire (the default), surface, or edges\n"
           "                (a surface with its wireframe on it)\n"
           "  --view SIDE   seen from the front (the default), back, left, right, top, bottom,\n"
           "                or iso (three-quarter), with the up axis up\n"
           "  --turn Y,P    then turned by Y degrees about the up axis and P (-90..90) towards\n"
           "                the eye, as a drag right and down would\n"
           "  --up AXIS     the model axis shown pointing up: +y (the default), -y, +z, -z, +x, "
           "-x\n"
           "  --ortho       a parallel projection instead of perspective\n"
           "  --point-size N  pixels across a point of a cloud, 1 to 20 (default 3)\n"
           "  --color-by NAME  colour the surface styles by a property the file measured\n"
           "                (intensity, quality, label, ...), by height along the up axis, or\n"
           "                none; the file's colours or images (or grey) by default.\n"
           "                Starts in the surface style unless --style says otherwise. A\n"
           "                legend shows the scale; with --png its ends are printed too\n"
           "  --panel       the i panel shown from the start; with --png, in each picture (its\n"
           "                frame time the picture's own drawing) and its lines on standard\n"
           "                output\n"
           "  --info        no window: print each file's format, elements, properties with\n"
           "                their types, comments, box (in double) and what plyview shows of\n"
           "                it (vertices, triangles, faces left out, normals, colours,\n"
           "                splats), or why it is refused (status 1)\n"
           "  --json        with --info: one JSON object per file, one per line\n"
           "  --help        this text\n"
           "\n"
           "Mouse:\n"
           "  left drag     turn the model about the rotation centre\n"
           "  middle drag, Shift + left drag\n"
           "                pan: the point under the pointer follows it\n"
           "  wheel         zoom towards the point under the pointer (over the background:\n"
           "                towards the rotation centre)\n"
           "  right drag    zoom towards the rotation centre (up: closer)\n"
           "  double click  make the point under the pointer the rotation centre and the\n"
           "                window's centre; on the background, the model's centre again\n"
           "  Control + click  mark the point there (its coordinates are printed); a second\n"
           "                mark gives the distance, a third starts again\n"
           "\n"
           "Keys (case matters):\n"
           "  N / P         next / previous file (wraps around); W first file; all reset the view\n"
           "  0             the first view again\n"
           "  1 2 3 4 5 6   view from +z, -z, +x, -x, +y, -y\n"
           "  7             three-quarter view\n"
           "  o             perspective / orthographic\n"
           "  u             next up axis: +y -y +z -z +x -x\n"
           "  arrows        turn by 15 degrees; with Shift, pan by a tenth of the window\n"
           "  + / =, - / _  larger / smaller points (1 to 20 pixels)\n"
           "  Delete, Backspace  clear the marks\n"
           "  e             bounding box on/off (blue)\n"
           "  m             face normals on/off (red)\n"
           "  s             next display style: wire -> surface -> edges -> wire\n"
           "  c             next colour source: file colours -> each property -> height ->\n"
           "                none (grey), with a legend for a property or the height; from\n"
           "                the wireframe, to the surface\n"
           "  l             eye-dome lighting of point clouds on/off (surface styles): dark\n"
           "                where depth steps, at rims and edges\n"
           "  x X y Y z Z   move along an axis, press again to stop\n"
           "  R             turntable tour through the files; press again to pause\n"
           "  B             breathing: faces drift out along their normals and back\n"
           "  i             panel: the file's format, counts, properties, normals and colours,\n"
           "                box size, frame time, style and up axis; press again to hide\n"
           "  ?             this help, in the terminal\n"
           "  Esc           quit\n";
}

ParseResult parseCommandLine(int argc, const char* const* argv) {
    ParseResult result;
    Options& options = result.options;
    ViewName view = ViewName::kFront;
    Turn turn;
    bool onlyFiles = false;
    bool styleGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--ortho") {
            options.start.orthographic = true;
        } else if (arg == "--panel") {
            options.panel = true;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (takesValue(arg)) {
            styleGiven = styleGiven || arg == "--style";
            if (i + 1 >= argc) {
                result.error = arg + " needs a value";
                return result;
            }
            result.error = takeValue(arg, argv[++i], options, view, turn);
            if (!result.error.empty()) {
                return result;
            }
        } else {
            result.error = "unknown option '" + arg + "'";
            return result;
        }
    }
    // Colours show on surfaces: asking for them asks for a surface unless a style is named.
    if (!options.start.colourBy.empty() && !styleGiven) {
        options.style = Style::kSurface;
    }
    const Turn seen = turnOf(view);
    options.start.yaw = std::fmod(seen.yaw + turn.yaw, static_cast<float>(kMaxTurnDegrees));
    options.start.pitch = std::clamp(seen.pitch + turn.pitch, -kMaxPitch, kMaxPitch);
    if (!options.help && options.inputs.empty()) {
        result.error = "no file given";
    } else if (options.json && !options.info) {
        result.error = "--json goes with --info";
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
