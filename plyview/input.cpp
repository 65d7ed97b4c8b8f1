// Keys, mouse and window size as the viewer takes them, wherever they come from: the desktop
// window's toolkit or the web page. Drags turn the model, the wheel and right drags zoom, and
// every change asks for a frame.
#include <cmath>

#include "plyview/scene_parts.h"
#include "plyview/testing.h"

namespace plyview {

namespace {

void nextStyle(Style& style) {
    style = style == Style::kWire      ? Style::kSurface
            : style == Style::kSurface ? Style::kEdges
                                       : Style::kWire;
}

// The view moved by the mouse: the proxy is drawn until it settles.
void moved() {
    noteMotion();
    viewer().frameWanted = true;
}

}  // namespace

KeyOutcome pressKey(unsigned char key) {
    Viewer& state = viewer();
    if (key == kKeyStyle) {
        nextStyle(state.style);
        state.frameWanted = true;
        return KeyOutcome::kChanged;
    }
    if (key == kKeyNextFile || key == kKeyPreviousFile || key == kKeyFirstFile) {
        state.orbit = Orbit();
    }
    const KeyOutcome outcome =
        applyKey(state.view, key, shownBox(), static_cast<int>(state.files.size()));
    state.frameWanted = state.frameWanted || outcome == KeyOutcome::kChanged;
    return outcome;
}

void pressButton(int button, bool down, int x, int y) {
    Viewer& state = viewer();
    if (down && (button == kWheelUpButton || button == kWheelDownButton)) {
        zoomBy(state.orbit, button == kWheelUpButton ? kWheelZoom : 1.0f / kWheelZoom);
        moved();
    } else if (down && (button == kLeftButton || button == kRightButton)) {
        state.pointer = Pointer{button, x, y};
    } else if (!down && button == state.pointer.button) {
        state.pointer.button = kNoDrag;
    }
}

void movePointer(int x, int y) {
    Pointer& pointer = viewer().pointer;
    const int dx = x - pointer.lastX, dy = y - pointer.lastY;
    pointer.lastX = x;
    pointer.lastY = y;
    if (pointer.button == kLeftButton) {
        turn(viewer().orbit, dx, dy);
    } else if (pointer.button == kRightButton) {
        zoomBy(viewer().orbit, std::exp(static_cast<float>(dy) * kZoomPerPixel));  // up: closer
    } else {
        return;
    }
    moved();
}

void resizeView(int width, int height) {
    viewer().width = width > 0 ? width : 1;
    viewer().height = height > 0 ? height : 1;
    viewer().frameWanted = true;
}

}  // namespace plyview
