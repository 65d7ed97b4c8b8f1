// The page's platform part: the GL context on the page's canvas, plyview's GLUT front end on it,
// the files the page hands over, the title line, the help, the canvas size, and the pointer
// events the page passes on itself (the wheel, touches, drags, the toolbar's keys). Everything
// else is plyview's own, as on the desktop.
#include <GL/glew.h>

#include <GL/glut.h>

#include <emscripten.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plyview/front.h"
#include "plyview/viewer.h"
#include "web/web.h"

namespace web {

namespace {

// ===== Page =====

constexpr const char* kProgramName = "plyview";
// WebGL2 keeps the canvas's depth buffer only when asked for it at creation.
constexpr unsigned kDisplayMode = GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH;
constexpr int kStatusNoContext = 1;

constexpr int kArrowCount = 4;  // plyview::Arrow's values, 0..3

EM_JS(void, pageShowFile, (const char* name, int index, int count),
      { Module.showFile(UTF8ToString(name), index, count); });
EM_JS(void, pageShowMarks, (const char* text), { Module.showMarks(UTF8ToString(text)); });

void showMarks(const std::string& text) {
    pageShowMarks(text.c_str());
}
EM_JS(void, pageToggleHelp, (), { Module.toggleHelp(); });

// The page names a file by the name the user knows it by: the last part of its path.
void showFile(const std::string& path, int index, int count) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    pageShowFile(name.c_str(), index, count);
}

// The `?` key: the page shows its help, or hides it again.
void toggleHelp() {
    pageToggleHelp();
}

// The lines of `text`, empty ones left out.
std::vector<std::string> splitPaths(const char* text) {
    std::vector<std::string> paths(1);
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c != kPathSeparator) {
            paths.back() += *c;
        } else if (!paths.back().empty()) {
            paths.emplace_back();
        }
    }
    if (paths.back().empty()) {
        paths.pop_back();
    }
    return paths;
}

}  // namespace

}  // namespace web

// ===== Exported to the page =====

extern "C" {

// The files the page has written, one path a line; how many are shown now.
EMSCRIPTEN_KEEPALIVE int web_open_files(const char* paths) {
    const int shown = plyview::openFiles(web::splitPaths(paths));
    plyview::frontRefresh();
    return shown;
}

// Device pixels at the canvas's top under the toolbar: the panel goes below them.
EMSCRIPTEN_KEEPALIVE void web_covered_top(int pixels) {
    plyview::setCoveredTop(pixels);
}

// The canvas's new size in device pixels; the viewer gets it as a reshape.
EMSCRIPTEN_KEEPALIVE void web_resize(int width, int height) {
    glutReshapeWindow(width, height);
}

// Wheel notches at a canvas pixel, as GLUT's buttons 3 (up) and 4 pressed and released.
EMSCRIPTEN_KEEPALIVE void web_wheel(int steps, int x, int y) {
    const int button = steps > 0 ? plyview::kWheelUpButton : plyview::kWheelDownButton;
    for (int i = 0; i < std::abs(steps); ++i) {
        plyview::frontButton(button, true, x, y);
        plyview::frontButton(button, false, x, y);
    }
}

// A key as GLUT's keyboard callback takes it, from the page's toolbar.
EMSCRIPTEN_KEEPALIVE void web_key(int code) {
    plyview::frontKey(static_cast<unsigned char>(code));
}

// An arrow key, plyview::Arrow's value; Shift pans instead of turning.
EMSCRIPTEN_KEEPALIVE void web_arrow(int arrow, int shift) {
    if (arrow >= 0 && arrow < web::kArrowCount) {
        plyview::frontArrow(static_cast<plyview::Arrow>(arrow), shift != 0);
    }
}

// A button pressed or released at a canvas pixel, as GLUT's mouse callback gets it.
EMSCRIPTEN_KEEPALIVE void web_pointer(int button, int down, int x, int y, int held) {
    plyview::frontButton(button, down != 0, x, y, held);
}

// The pointer at a canvas pixel while a button is held.
EMSCRIPTEN_KEEPALIVE void web_move(int x, int y) {
    plyview::frontMove(x, y);
}

// Two fingers' span changed: the distance times `factor` (below 1 closer) towards the model
// point under (x, y).
EMSCRIPTEN_KEEPALIVE void web_pinch(int x, int y, float factor) {
    if (factor > 0 && std::isfinite(factor)) {
        plyview::frontZoomAt(x, y, factor);
    }
}

// A frame drawn now, for the page to read the canvas before the browser clears it.
EMSCRIPTEN_KEEPALIVE void web_draw_now() {
    plyview::drawFrame();
}

}  // extern "C"

// Opens the GL context on the page's canvas and hands the browser the callbacks; glutMainLoop
// returns to the browser and never comes back. Nothing is shown before the first files.
int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(web::kDisplayMode);
    if (glutCreateWindow(web::kProgramName) == 0) {
        std::fprintf(stderr, "%s: this browser gives no WebGL2 context\n", web::kProgramName);
        return web::kStatusNoContext;
    }
    plyview::startViewer(plyview::windowTarget(), plyview::Style::kWire, glutGet(GLUT_WINDOW_WIDTH),
                         glutGet(GLUT_WINDOW_HEIGHT));
    plyview::setMeasureListener(web::showMarks);
    plyview::startFront(plyview::Platform{web::showFile, nullptr, web::toggleHelp});
    glutMainLoop();
    return 0;
}
