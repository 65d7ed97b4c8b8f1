// Public interface of plyview/: the file viewer's front end on the catalogue viewer's core. It
// turns the command line into a catalogue, frames any model with its own camera, orbits it
// with the mouse in a window, and draws pictures into PNG files without a display. Top of the
// include chain; used by its main and its tests.
#pragma once

#include <string>
#include <vector>

#include "input/input.h"

namespace plyview {

// ===== Constants =====

constexpr const char* kProgramName = "plyview";
constexpr int kDefaultPictureSize = 512;  // --png width and height when --size is not given
constexpr int kMaxPictureSize = 8192;     // per side, within every renderer's framebuffer limit
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;  // a file or the renderer failed
constexpr int kStatusUsage = 2;   // the command line itself is wrong

// ===== Command line =====

// How the model is drawn: `--style` chooses the first one, the key `s` steps through them in
// this order and wraps around.
enum class Style { kWire, kSurface, kEdges };

struct Options {
    std::vector<std::string> inputs;  // files and folders, as given
    std::string pngOut;               // --png OUT: a file, or a folder for several models
    int width = kDefaultPictureSize;  // --size WxH, for the picture or the window
    int height = kDefaultPictureSize;
    Style style = Style::kWire;  // --style wire|surface|edges
    bool help = false;
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

// ===== Camera =====

struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;
};

// How the model is looked at: its centre on the line of sight, `distance` in front of the eye.
struct Framing {
    float centreX = 0, centreY = 0, centreZ = 0;
    float distance = 1;  // eye to box centre at rest
    float radius = 1;    // half the box diagonal: the model stays within it however it turns
};

constexpr double kFillMargin = 0.9;   // the box's widest corner reaches 90 % of the half-view
constexpr double kMinStandOff = 0.5;  // in radii, in front of the box's near face
constexpr double kDepthSlack = 1.25;  // radii around the model kept between near and far

// The distance at which the whole box is in view, seen from +z, at a window's aspect ratio. A
// box without extent is framed as a unit box around its point; an empty (inverted) box as a
// unit box around the origin.
Framing frameBox(const Box& box, float aspect);

// The box a model sweeps when it turns about the vertical axis through its box centre: x and z
// reach out to the corners' distance from that axis. The tour is framed with it.
Box turntableBox(const Box& box);

// What the mouse changed: turns about the box centre and a distance factor.
struct Orbit {
    float yaw = 0;    // degrees about the vertical axis
    float pitch = 0;  // degrees about the horizontal axis, within +-kMaxPitch
    float zoom = 1;   // distance factor, within kMinZoom..kMaxZoom
};

constexpr float kDegreesPerPixel = 0.5f;
constexpr float kMaxPitch = 90.0f;
constexpr float kWheelZoom = 0.9f;      // one wheel step towards the model
constexpr float kZoomPerPixel = 0.01f;  // right drag: exp(pixels * this)
constexpr float kMinZoom = 0.02f;
constexpr float kMaxZoom = 50.0f;

extern Orbit orbit;  // the mouse view of the window; reset when another file is shown

void turn(Orbit& view, int dx, int dy);  // left drag by (dx, dy) pixels
void zoomBy(Orbit& view, float factor);  // wheel and right drag

// The file viewer's camera from the store: framing of the loaded box, the orbit, and the
// keyboard's offsets, turntable angle and tour centring. Installed with setCamera.
void fileCamera(Mat4& projection, Mat4& model);
// What the keys and animations add: offsets in view space and the turntable angle.
struct Motion {
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    float spin = 0;  // degrees about the vertical axis
};

// The same from explicit values; fileCamera passes the store's.
void viewMatrices(const Framing& framing, const Orbit& view, const Motion& motion, float aspect,
                  Mat4& projection, Mat4& model);

// ===== Running =====

// Sets up the core for the files: their catalogue, refusal instead of exit for files that go
// missing, centred coordinates, points for clouds, the file camera.
void useFiles(const std::vector<std::string>& paths);

// The window on the catalogue `paths` (kept alive by the caller): title, mouse, reshape; never
// returns.
[[noreturn]] void runWindow(int argc, char** argv, const Options& options,
                            const std::vector<std::string>& paths);

// Draws every file of the catalogue offscreen and writes the pictures; the process status.
int writePictures(const Options& options, const std::vector<std::string>& paths);

// The whole program: parse, expand, check, then the window or the pictures.
int run(int argc, char** argv);

}  // namespace plyview
