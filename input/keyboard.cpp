// Keyboard commands: fourteen case-sensitive keys; every other key does nothing at all.
#include <cstdlib>

#include "input/input.h"

namespace {

int flipped(int value) {
    return value == 0 ? 1 : 0;
}

void showModel(int index) {
    resetAnimation();
    modelIndex = index;
    display();
}

// Axis keys are ignored while the tour owns the view, even when it is paused.
void startTranslation(int code) {
    if (tourMode != 0) {
        return;
    }
    animMode = code;
    toggleAnimation();
}

}  // namespace

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
    switch (key) {
        case kKeyEscape:
            std::exit(kEscapeStatus);
        case kKeyBreathe:
            pulse = flipped(pulse);
            animMode = kAnimBreathe;
            toggleAnimation();
            break;
        case kKeyNextModel:
            showModel(modelIndex + 1);
            break;
        case kKeyPreviousModel:
            showModel(modelIndex - 1);
            break;
        case kKeyFirstModel:
            showModel(kFirstModel);
            break;
        case kKeyTour:
            tourMode = 1;
            animMode = kAnimTour;
            toggleAnimation();
            break;
        case kKeyBox:
            showBox = flipped(showBox);
            display();
            break;
        case kKeyNormals:
            showNormals = flipped(showNormals);
            display();
            break;
        case kKeyMinusX:
            startTranslation(kAnimMinusX);
            break;
        case kKeyPlusX:
            startTranslation(kAnimPlusX);
            break;
        case kKeyPlusY:
            startTranslation(kAnimPlusY);
            break;
        case kKeyMinusY:
            startTranslation(kAnimMinusY);
            break;
        case kKeyPlusZ:
            startTranslation(kAnimPlusZ);
            break;
        case kKeyMinusZ:
            startTranslation(kAnimMinusZ);
            break;
        default:
            break;
    }
}
