// Keys, mouse and window size as the viewer takes them, wherever they come from: the desktop
// window's toolkit or the web page. Drags turn, pan and zoom; the wheel zooms towards the
// pointed point; a double click sets the rotation centre; the view's keys choose sides, the
// projection, the up axis and the size of points. Every change asks for a frame.
#include <algorithm>
#include <cmath>

#include "plyview/navigation.h"
#include "plyview/scene_parts.h"
#include "plyview/testing.h"

namespace plyview {

namespace {

constexpr int kAxisViewCount = 6;
constexpr float kPointSizeStep = 1.0f;

// The model axis and side of each axis view key, '1' to '6'.
struct AxisView {
    int axis, sign;
};
constexpr AxisView kAxisViews[kAxisViewCount] = {{2, 1}, {2, -1}, {0, 1}, {0, -1}, {1, 1}, {1, -1}};

void nextStyle(Style& style) {
    style = style == Style::kWire      ? Style::kSurface
            : style == Style::kSurface ? Style::kEdges
                                       : Style::kWire;
}

// The view moved by the mouse or a view key: the proxy is drawn until it settles.
void moved() {
    noteMotion();
    viewer().frameWanted = true;
}

Orbit startOrbit() {
    const StartView& start = viewer().start;
    return orbitFrom(Turn{start.yaw, start.pitch});
}

void resetView() {
    Viewer& state = viewer();
    state.orbit = startOrbit();
    state.up = startUp();
    state.orthographic = state.start.orthographic;
    toRest(state.view);
}

// The view's own keys; false for any other.
bool viewKey(unsigned char key) {
    Viewer& state = viewer();
    if (key == kKeyResetView) {
        resetView();
    } else if (key >= kKeyFirstAxisView && key <= kKeyLastAxisView) {
        const AxisView side = kAxisViews[key - kKeyFirstAxisView];
        state.orbit = orbitFrom(turnFromAxis(side.axis, side.sign, state.up));
    } else if (key == kKeyIsoView) {
        state.orbit = orbitFrom(turnOf(ViewName::kIso));
    } else if (key == kKeyOrthographic) {
        state.orthographic = !state.orthographic;
    } else if (key == kKeyUpAxis) {
        state.up = nextUpAxis(state.up);
        state.upForSplats = false;  // the user's choice from now on
        state.orbit = startOrbit();
    } else if (key == kKeyLargerPoints || key == kKeyLargerPointsToo) {
        state.pointSize = std::min(state.pointSize + kPointSizeStep, kMaxPointSize);
    } else if (key == kKeySmallerPoints || key == kKeySmallerPointsToo) {
        state.pointSize = std::max(state.pointSize - kPointSizeStep, kMinPointSize);
    } else {
        return false;
    }
    moved();
    return true;
}

// A left press that follows the last one closely enough in time and place.
bool doubleClick(int x, int y) {
    Pointer& pointer = viewer().pointer;
    const Clock::time_point now = Clock::now();
    const bool twice =
        std::chrono::duration<double>(now - pointer.pressed).count() < kDoubleClickSeconds &&
        std::abs(x - pointer.pressX) <= kDoubleClickPixels &&
        std::abs(y - pointer.pressY) <= kDoubleClickPixels;
    // A third press starts the count again rather than making a second double click.
    pointer.pressed = twice ? Clock::time_point() : now;
    pointer.pressX = x;
    pointer.pressY = y;
    return twice;
}

// The rotation centre at the model point under (x, y), or the box centre over the background.
void centreAt(int x, int y) {
    const Camera camera = currentCamera();
    Point3 point;
    if (pickPoint(x, y, point)) {
        centreOn(viewer().orbit, camera, toModel(eyeOf(camera), point), true);
    } else {
        const Framing& framing = camera.framing;
        centreOn(viewer().orbit, camera, {framing.centreX, framing.centreY, framing.centreZ},
                 false);
    }
    moved();
}

// A drag begins: a pan grabs the point under the pointer (the rotation centre's depth over the
// background), so that it follows the pointer.
void startDrag(int button, int x, int y, int held) {
    const bool shift = (held & kShiftHeld) != 0;
    Pointer& pointer = viewer().pointer;
    pointer.button = button;
    pointer.pan = button == kMiddleButton || (button == kLeftButton && shift);
    pointer.lastX = x;
    pointer.lastY = y;
    if (pointer.pan) {
        Point3 point;
        pointer.grabDepth = pickPoint(x, y, point) ? -point.z : centreDepth(currentCamera());
    }
}

}  // namespace

KeyOutcome pressKey(unsigned char key) {
    Viewer& state = viewer();
    if (key == kKeyStyle) {
        nextStyle(state.style);
        state.frameWanted = true;
        return KeyOutcome::kChanged;
    }
    if (key == kKeyHelp) {
        return KeyOutcome::kHelp;
    }
    if (key == kKeyPanel) {
        showPanel(!state.panel);
        return KeyOutcome::kChanged;
    }
    if (key == kKeyColourSource) {
        nextColourSource();
        return KeyOutcome::kChanged;
    }
    if (key == kKeyEyeDome) {
        state.eyeDomeOn = !state.eyeDomeOn;
        state.frameWanted = true;
        return KeyOutcome::kChanged;
    }
    if (key == kKeyDelete || key == kKeyBackspace) {
        clearMarks();
        return KeyOutcome::kChanged;
    }
    if (viewKey(key)) {
        return KeyOutcome::kChanged;
    }
    if (key == kKeyNextFile || key == kKeyPreviousFile || key == kKeyFirstFile) {
        state.orbit = startOrbit();
    }
    const KeyOutcome outcome =
        applyKey(state.view, key, shownBox(), static_cast<int>(state.files.size()));
    state.frameWanted = state.frameWanted || outcome == KeyOutcome::kChanged;
    return outcome;
}

KeyOutcome pressArrow(Arrow arrow, bool shift) {
    Viewer& state = viewer();
    const int across = arrow == Arrow::kLeft ? -1 : arrow == Arrow::kRight ? 1 : 0;
    const int down = arrow == Arrow::kUp ? -1 : arrow == Arrow::kDown ? 1 : 0;
    if (shift) {
        const Camera camera = currentCamera();
        panPixels(state.orbit, camera, across * static_cast<double>(state.width) / kKeyPanParts,
                  down * static_cast<double>(state.height) / kKeyPanParts, centreDepth(camera),
                  state.height);
    } else {
        const int pixels = static_cast<int>(kKeyTurnDegrees / kDegreesPerPixel);
        turn(state.orbit, across * pixels, down * pixels);
    }
    moved();
    return KeyOutcome::kChanged;
}

void pressButton(int button, bool down, int x, int y, int held) {
    Viewer& state = viewer();
    if (down && (button == kWheelUpButton || button == kWheelDownButton)) {
        zoomAt(x, y, button == kWheelUpButton ? kWheelZoom : 1.0f / kWheelZoom);
    } else if (down &&
               (button == kLeftButton || button == kMiddleButton || button == kRightButton)) {
        if (button == kLeftButton && (held & kControlHeld) != 0) {
            markAt(x, y);  // a mark, not a drag: a plain click is the double click's
            return;
        }
        if (button == kLeftButton && doubleClick(x, y)) {
            centreAt(x, y);
        }
        startDrag(button, x, y, held);
    } else if (!down && button == state.pointer.button) {
        state.pointer.button = kNoDrag;
        motionEnded();
    }
}

void movePointer(int x, int y) {
    Viewer& state = viewer();
    Pointer& pointer = state.pointer;
    const int dx = x - pointer.lastX, dy = y - pointer.lastY;
    pointer.lastX = x;
    pointer.lastY = y;
    if (pointer.button == kNoDrag || (dx == 0 && dy == 0)) {
        return;
    }
    if (pointer.pan) {
        panPixels(state.orbit, currentCamera(), dx, dy, pointer.grabDepth, state.height);
    } else if (pointer.button == kLeftButton) {
        turn(state.orbit, dx, dy);
    } else if (pointer.button == kRightButton) {
        zoomToCentre(state.orbit, currentCamera(), std::exp(dy * kZoomPerPixel));  // up: closer
    }
    moved();
}

void zoomAt(int x, int y, float factor) {
    Viewer& state = viewer();
    const Camera camera = currentCamera();
    Point3 point;
    if (pickPoint(x, y, point)) {
        zoomToward(state.orbit, camera, point, factor, true);
    } else {
        zoomToCentre(state.orbit, camera, factor);
    }
    moved();
}

void resizeView(int width, int height) {
    viewer().width = width > 0 ? width : 1;
    viewer().height = height > 0 ? height : 1;
    viewer().frameWanted = true;
}

}  // namespace plyview
