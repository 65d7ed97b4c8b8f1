// One Xlib connection to the virtual server: finds the viewer's window, presses keys through
// XTest as a user would, reads the window's pixels and closes the window.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cstdlib>
#include <thread>

#include "tools/xsession/xsession.h"

namespace xsession {

namespace {

constexpr unsigned kLeftButton = 1;
constexpr unsigned kWheelForward = 4, kWheelBack = 5;
constexpr int kPlainLevel = 0, kShiftLevel = 1;  // shift levels of a key in the first group

// ===== Globals =====
// Xlib reports errors through one process-wide handler, so the count lives at file scope.
int xErrorCount = 0;  // X errors seen since start: a window that vanished under a request

int countError(Display*, XErrorEvent*) {
    ++xErrorCount;
    return 0;
}

Display* asDisplay(void* display) {
    return static_cast<Display*>(display);
}

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1UL) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The channel's value scaled to 0..255, whatever width the visual gives it.
std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    const int shift = shiftOf(mask);
    const unsigned long max = mask >> shift;
    if (max == 0) {
        return 0;
    }
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255UL / max);
}

std::optional<WindowId> searchTree(Display* display, Window top, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(display, top, &name) != 0 && name != nullptr) {
        const bool match = title == name;
        XFree(name);
        XWindowAttributes attributes;
        if (match && XGetWindowAttributes(display, top, &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            return top;
        }
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, top, &root, &parent, &children, &count) == 0) {
        return std::nullopt;
    }
    std::optional<WindowId> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        found = searchTree(display, children[i], title);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace

XClient::XClient(const std::string& displayName) {
    XSetErrorHandler(countError);
    display_ = XOpenDisplay(displayName.c_str());
    if (display_ == nullptr) {
        throw SessionError("cannot connect to the X server " + displayName);
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(asDisplay(display_), &event, &error, &major, &minor)) {
        throw SessionError("the X server " + displayName + " has no XTest extension");
    }
}

XClient::~XClient() {
    if (display_ != nullptr) {
        XCloseDisplay(asDisplay(display_));
    }
}

std::optional<WindowId> XClient::findWindow(const std::string& title) {
    Display* display = asDisplay(display_);
    XSync(display, False);
    return searchTree(display, DefaultRootWindow(display), title);
}

Size XClient::clientSize(WindowId window) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(asDisplay(display_), window, &attributes) == 0) {
        throw SessionError("the window has gone");
    }
    return {attributes.width, attributes.height};
}

bool XClient::windowExists(WindowId window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(asDisplay(display_), window, &attributes) != 0;
}

void XClient::placeOnScreen(WindowId window) {
    Display* display = asDisplay(display_);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rootX, &rootY,
                          &child);
    if (rootX < 0 || rootY < 0) {
        XMoveWindow(display, window, 0, 0);
        XSync(display, False);
    }
}

void XClient::movePointerOver(WindowId window) {
    const Size size = clientSize(window);
    movePointerTo(window, {size.width / 2, size.height / 2});
}

void XClient::movePointerTo(WindowId window, Point at) {
    Display* display = asDisplay(display_);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), at.x, at.y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
}

void XClient::sendKeyCode(unsigned keycode, bool press) {
    XTestFakeKeyEvent(asDisplay(display_), keycode, press ? True : False, CurrentTime);
}

void XClient::shiftKey(bool press) {
    const KeyCode shift = XKeysymToKeycode(asDisplay(display_), XK_Shift_L);
    if (shift == 0) {
        throw SessionError("the keyboard map has no Shift key");
    }
    sendKeyCode(shift, press);
}

void XClient::sendKey(WindowId window, unsigned keycode, bool shift) {
    movePointerOver(window);
    if (shift) {
        shiftKey(true);
    }
    sendKeyCode(keycode, true);
    sendKeyCode(keycode, false);
    if (shift) {
        shiftKey(false);
    }
    XSync(asDisplay(display_), False);
}

void XClient::pressKey(WindowId window, char key) {
    Display* display = asDisplay(display_);
    // Printable ASCII keysyms equal their character codes.
    const KeySym symbol = key == kEscape   ? XK_Escape
                          : key == kDelete ? XK_Delete
                                           : static_cast<KeySym>(key);
    const KeyCode code = XKeysymToKeycode(display, symbol);
    const bool plain = code != 0 && XkbKeycodeToKeysym(display, code, 0, kPlainLevel) == symbol;
    if (code == 0 || (!plain && XkbKeycodeToKeysym(display, code, 0, kShiftLevel) != symbol)) {
        throw SessionError(std::string("the keyboard map has no key for '") + key + "'");
    }
    sendKey(window, code, !plain);
}

void XClient::pressArrow(WindowId window, Arrow arrow, bool shift) {
    const KeySym symbols[] = {XK_Left, XK_Right, XK_Up, XK_Down};
    const KeyCode code = XKeysymToKeycode(asDisplay(display_), symbols[static_cast<int>(arrow)]);
    if (code == 0) {
        throw SessionError("the keyboard map has no arrow keys");
    }
    sendKey(window, code, shift);
}

std::optional<Image> XClient::capture(WindowId window) {
    Display* display = asDisplay(display_);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    XImage* shot = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                             static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (shot == nullptr) {
        return std::nullopt;
    }
    Image image;
    image.width = attributes.width;
    image.height = attributes.height;
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    std::size_t at = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.rgb[at++] = channel(pixel, shot->red_mask);
            image.rgb[at++] = channel(pixel, shot->green_mask);
            image.rgb[at++] = channel(pixel, shot->blue_mask);
        }
    }
    XDestroyImage(shot);
    return image;
}

void XClient::requestClose(WindowId window) {
    Display* display = asDisplay(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void XClient::destroyWindow(WindowId window) {
    XDestroyWindow(asDisplay(display_), window);
    XSync(asDisplay(display_), False);
}

}  // namespace xsession

namespace xsession {

std::string XClient::title(WindowId window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(asDisplay(display_), window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

void XClient::drag(WindowId window, unsigned button, Point from, Point to, int steps,
                   Millis pause) {
    Display* display = asDisplay(display_);
    movePointerTo(window, from);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
    for (int i = 1; i <= steps; ++i) {
        movePointerTo(window,
                      {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        XSync(display, False);
        std::this_thread::sleep_for(pause);
    }
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void XClient::shiftDrag(WindowId window, unsigned button, Point from, Point to, int steps) {
    shiftKey(true);
    drag(window, button, from, to, steps);
    shiftKey(false);
    XSync(asDisplay(display_), False);
}

void XClient::click(WindowId window, unsigned button) {
    const Size size = clientSize(window);
    click(window, button, {size.width / 2, size.height / 2});
}

void XClient::controlClick(WindowId window, Point at) {
    const KeyCode control = XKeysymToKeycode(asDisplay(display_), XK_Control_L);
    if (control == 0) {
        throw SessionError("the keyboard map has no Control key");
    }
    sendKeyCode(control, true);
    click(window, 1, at);
    sendKeyCode(control, false);
    XSync(asDisplay(display_), False);
}

void XClient::click(WindowId window, unsigned button, Point at) {
    Display* display = asDisplay(display_);
    movePointerTo(window, at);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void XClient::doubleClick(WindowId window, Point at) {
    click(window, kLeftButton, at);
    std::this_thread::sleep_for(kDoubleClickGap);
    click(window, kLeftButton, at);
}

void XClient::wheel(WindowId window, Point at, int notches) {
    const unsigned button = notches > 0 ? kWheelForward : kWheelBack;
    for (int i = 0; i < std::abs(notches); ++i) {
        click(window, button, at);
    }
}

void XClient::resize(WindowId window, Size size) {
    XResizeWindow(asDisplay(display_), window, static_cast<unsigned>(size.width),
                  static_cast<unsigned>(size.height));
    XSync(asDisplay(display_), False);
}

}  // namespace xsession
