// plyview's viewer: the one state it owns (the files and the one shown, the view, the mouse
// orbit, the animation, the style and overlays, the proxy, the watch on the shown file), its one
// frame function, and what keys, the mouse, the window's size and the passing of time do to it.
// It makes no toolkit call: a front end (front.h, or the pictures' loop) calls in, presents
// frames through the target it gives, and asks for a frame when takeFrameRequest() says so.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/file_facts.h"
#include "model/file_model.h"
#include "plyview/animation.h"
#include "plyview/files.h"
#include "plyview/options.h"

namespace plyview {

// ===== Timing =====

// Prints one line per frame shown, "frame full|proxy|breathing|nothing <ms since start> <ms it
// took>" (a full frame drawn in steps: from its first step to its last), and
// "proxy <triangles> triangles <vertices> vertices" when a proxy is ready, for the tests and
// benchmarks that must tell the proxy from the full model in a real window.
constexpr const char* kFrameLogVariable = "PLYVIEW_TEST_LOG";

constexpr double kSettleSeconds = 0.2;          // after the last motion, the full model again
constexpr double kReleaseSettleSeconds = 0.1;   // the same after a drag is let go
constexpr double kWatchSeconds = 0.1;           // how often the shown file's status is looked at
constexpr double kStepSeconds = 0.04;           // one step of a full redraw drawn in pieces
constexpr std::uint64_t kDirectLines = 600000;  // more lines than this are drawn in steps
constexpr std::uint64_t kFirstStepLines = 250000;
constexpr double kPanelRefreshSeconds = 0.5;  // the panel's frame time, while the view moves

// ===== Mouse =====

// The toolkit's button numbers: freeglut's and the web page's alike.
constexpr int kLeftButton = 0;
constexpr int kMiddleButton = 1;
constexpr int kRightButton = 2;
constexpr int kWheelUpButton = 3;  // the wheel comes as presses of buttons 3 and 4
constexpr int kWheelDownButton = 4;

// Two left presses this close in time and place are a double click.
constexpr double kDoubleClickSeconds = 0.3;
constexpr int kDoubleClickPixels = 4;

enum class Arrow { kLeft, kUp, kRight, kDown };

// Keys held with a mouse button, as a bit set.
constexpr int kShiftHeld = 1;
constexpr int kControlHeld = 2;

// ===== Starting =====

// Where frames go: the window (with a swap per frame) or a framebuffer drawn offscreen.
struct SceneTarget {
    GLuint framebuffer = 0;       // 0: the window
    void (*present)() = nullptr;  // shows a finished frame; null offscreen
    bool steps = false;           // heavy full frames drawn in steps between events
};

// Once the GL context is current: the programs and GL state, frames to `target`, the first
// style and the frame's size in pixels. Everything shown before is released and forgotten.
void startViewer(const SceneTarget& target, Style style, int width, int height);

// How each file is first seen (the command line's view, up axis, projection and point size);
// `0` gives it back. Shown at once.
void setStartView(const StartView& start);

// ===== Files =====

// The files shown, in order; entry 0 next. A file already read is handed over with showModel.
void useFiles(const std::vector<std::string>& paths);
const std::vector<std::string>& usedFiles();

// Shows `model` as entry `entry` without reading its file (already read, from the bytes of
// `stamp`); null shows nothing (and releases what was shown).
void showModel(int entry, std::unique_ptr<FileModel> model, const FileStamp& stamp);

// A new list the user gave while the viewer runs (the web page's files): the first file is
// read at once; a single file that is refused leaves the list shown before (0), otherwise the
// list replaces it and the count is returned. Refused files get their line.
int openFiles(const std::vector<std::string>& paths);

// Called with a file's path, its place from 0 and the count whenever another entry is shown.
void setEntryListener(void (*shown)(const std::string& path, int entry, int count));
// Called with what the marks say, a line each ("point 1: X Y Z", "distance: D"), whenever they
// change.
void setMeasureListener(void (*told)(const std::string& text));

// ===== Frames =====

// The one frame: the shown entry read when it changed, then drawn in the current style and
// view (or the next step of a heavy one started), then presented.
void drawFrame();

// True once, when something changed that a frame should show since the last call.
bool takeFrameRequest();

// ===== The panel =====

// Where the panel's file facts come from: describeFile unless a test gives its own. Asked once
// per shown entry, when the panel first shows it. Kept across startViewer.
void setFactsSource(FileFacts (*describe)(const std::string& path));
void showPanel(bool on);  // the `i` key's panel in the top-left corner; asks for a frame
// Frame pixels at the top that the front end covers (the page's toolbar): the panel goes below.
void setCoveredTop(int pixels);
bool panelShown();
// The lines the last frame's panel showed; empty before one did.
const std::vector<std::string>& panelText();

// ===== Colours =====

// What the shown model is coloured by: "file colours", a property's name, "height" or "none";
// empty before a frame has shown a model.
std::string colourSourceName();
// The legend's ends as one line, "colour by NAME: LOW .. HIGH (1st to 99th percentile)" (or its
// labels), while a property or the height colours the model; empty otherwise.
std::string legendLine();

// ===== Input =====

// The table of animation.h, `s` the next style, `i` the panel, and the view's keys; `?` asks for
// the help.
KeyOutcome pressKey(unsigned char key);
KeyOutcome pressArrow(Arrow arrow, bool shift);  // turns, or with Shift pans
// A press or release at window pixel (x, y), from the top left, with the keys `held`. The wheel
// zooms towards the model there; a left press may finish a double click, which sets the
// rotation centre; Control + a left press marks the point there for measuring.
void pressButton(int button, bool down, int x, int y, int held = 0);
// While a button is held: a left drag turns, a middle or Shift + left one pans, a right one
// zooms towards the rotation centre.
void movePointer(int x, int y);
// Zooms towards the model point under (x, y), the distance times `factor` (below 1: closer);
// over the background towards the rotation centre. A pinch on a touch screen.
void zoomAt(int x, int y, float factor);
void resizeView(int width, int height);

// ===== Between events =====

// One step of the running animation, when one runs; false when none does.
bool animationTick();
bool animating();

// Work between events: proxy results, the full model after motion, steps of a full redraw,
// edits of the shown file. Returns the seconds until it wants to run again.
double sceneTick();

}  // namespace plyview
