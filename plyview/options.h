// plyview's command line: options, help, the files it names, and the names of pictures and
// titles made from them. Used by its main, its window, its pictures and its tests.
#pragma once

#include <string>
#include <vector>

#include "plyview/camera.h"

namespace plyview {

// ===== Constants =====

constexpr const char* kProgramName = "plyview";
constexpr int kDefaultPictureSize = 512;  // --png width and height when --size is not given
constexpr int kMaxPictureSize = 8192;     // per side, within every renderer's framebuffer limit
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;        // a file or the renderer failed
constexpr int kStatusUsage = 2;         // the command line itself is wrong
constexpr float kDefaultPointSize = 3;  // pixels across a point of a cloud
constexpr float kMinPointSize = 1;
constexpr float kMaxPointSize = 20;

// The colour sources besides the file's properties, as --color-by, the panel and --info name
// them.
constexpr const char* kFileColoursSource = "file colours";
constexpr const char* kHeightSource = "height";
constexpr const char* kNoColourSource = "none";

// ===== Command line =====

// How the model is drawn: `--style` chooses the first one, the key `s` steps through them in
// this order and wraps around.
enum class Style { kWire, kSurface, kEdges };

// How each file is first seen, and what `0` gives back.
struct StartView {
    float yaw = 0, pitch = 0;             // --view, then --turn added
    UpAxis up = UpAxis::kPlusY;           // --up
    bool upGiven = false;                 // --up was given: a splat file keeps it too
    bool orthographic = false;            // --ortho
    float pointSize = kDefaultPointSize;  // --point-size
    std::string colourBy;                 // --color-by: a property's name, "height" or "none"
};

struct Options {
    std::vector<std::string> inputs;  // files and folders, as given
    std::string pngOut;               // --png OUT: a file, or a folder for several models
    int width = kDefaultPictureSize;  // --size WxH, for the picture or the window
    int height = kDefaultPictureSize;
    Style style = Style::kWire;  // --style wire|surface|edges
    StartView start;
    bool help = false;
    bool info = false;   // --info: each file's facts, without a window
    bool json = false;   // --json (with --info): as one JSON object per line
    bool panel = false;  // --panel: the `i` panel shown; in pictures, its lines on stdout
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

ParseResult parseCommandLine(int argc, const char* const* argv);
std::string usageLine();
std::string helpText();  // usage, keys, mouse and options

bool isFolder(const std::string& path);

// The catalogue from the inputs: a folder gives its *.ply files (any case of the extension) in
// byte order of their names, a file stays as given. Folders that cannot be listed or hold no
// PLY file are reported in `problems`, one line each.
std::vector<std::string> expandInputs(const std::vector<std::string>& inputs,
                                      std::vector<std::string>& problems);

// Picture names for --png with several models: OUT/<name>.png, "-2", "-3" ... where names repeat.
std::vector<std::string> pictureNames(const std::vector<std::string>& paths,
                                      const std::string& folder);

// "bunny.ply (2/5) - plyview": the file's own name, its place counted from 1, the program.
std::string windowTitle(const std::string& path, int index, int count);

}  // namespace plyview
