// Keys, mouse and window size as the file viewer takes them, wherever they come from: the
// desktop window's toolkit or the web page. Drags turn the model, the wheel and right drags zoom,
// and every change asks for a frame.
#include <cmath>

#include "plyview/plyview.h"

namespace plyview {

namespace {

constexpr int kNoDrag = -1;

// ===== Pointer state =====
int dragButton = kNoDrag;  // button held down for a drag
int lastX = 0, lastY = 0;  // pointer position at the last drag event

void moved() {
    noteMotion();
    requestRedisplay();
}

}  // namespace

void pressKey(unsigned char key) {
    if (key == kKeyStyle) {
        nextStyle();
        display();
        return;
    }
    if (key == kKeyNextModel || key == kKeyPreviousModel || key == kKeyFirstModel) {
        orbit = Orbit();
    }
    keyboard(key, 0, 0);
}

void pressButton(int button, bool down, int x, int y) {
    if (down && (button == kWheelUpButton || button == kWheelDownButton)) {
        zoomBy(orbit, button == kWheelUpButton ? kWheelZoom : 1.0f / kWheelZoom);
        moved();
    } else if (down && (button == kLeftButton || button == kRightButton)) {
        dragButton = button;
        lastX = x;
        lastY = y;
    } else if (!down && button == dragButton) {
        dragButton = kNoDrag;
    }
}

void movePointer(int x, int y) {
    const int dx = x - lastX, dy = y - lastY;
    lastX = x;
    lastY = y;
    if (dragButton == kLeftButton) {
        turn(orbit, dx, dy);
    } else if (dragButton == kRightButton) {
        zoomBy(orbit, std::exp(static_cast<float>(dy) * kZoomPerPixel));  // up: closer
    } else {
        return;
    }
    moved();
}

void resizeView(int width, int height) {
    windowWidth = width > 0 ? width : 1;
    windowHeight = height > 0 ? height : 1;
    requestRedisplay();
}

}  // namespace plyview
