// Public interface of input/: the keyboard commands and the idle animation with their part of
// the scene store. Used by app/.
#pragma once

#include "render/render.h"

// ===== Keys (case-sensitive character codes) =====

constexpr unsigned char kKeyEscape = 27;
constexpr unsigned char kKeyBreathe = 'B';
constexpr unsigned char kKeyNextModel = 'N';
constexpr unsigned char kKeyPreviousModel = 'P';
constexpr unsigned char kKeyTour = 'R';
constexpr unsigned char kKeyFirstModel = 'W';
constexpr unsigned char kKeyBox = 'e';
constexpr unsigned char kKeyNormals = 'm';
constexpr unsigned char kKeyMinusX = 'x';
constexpr unsigned char kKeyPlusX = 'X';
constexpr unsigned char kKeyPlusY = 'Y';
constexpr unsigned char kKeyMinusY = 'y';
constexpr unsigned char kKeyPlusZ = 'Z';
constexpr unsigned char kKeyMinusZ = 'z';
constexpr int kEscapeStatus = 0;

// ===== Animation codes and steps =====

constexpr int kAnimNone = 0;
constexpr int kAnimMinusX = 1;
constexpr int kAnimPlusX = 2;
constexpr int kAnimPlusY = 3;
constexpr int kAnimMinusY = 4;
constexpr int kAnimPlusZ = 5;
constexpr int kAnimMinusZ = 6;
constexpr int kAnimTour = 11;
constexpr int kAnimBreathe = 21;

constexpr double kTranslationDivisor = 50.0;  // a translation tick moves 1/50 of the extent
constexpr float kTourStepDegrees = 5.0f;      // a turn takes 72 ticks
constexpr float kFullTurnDegrees = 360.0f;
constexpr int kPulsePeak = 10;  // breathing turns down once pulse has passed this
constexpr int kPulseFloor = 1;  // and up again once it has fallen below this

// ===== Scene store: animation =====

#define ANIMATION_STORE(VALUE, ARRAY)                          \
    /* code of the active animation; 0 = none */               \
    VALUE(int, animMode, kAnimNone)                            \
    /* step applied by the last translation tick */            \
    VALUE(float, animStep, 0.0f)                               \
    /* flag: an animation runs */                              \
    VALUE(int, animating, 0)                                   \
    /* +1 or -1: where the breathing goes next; never reset */ \
    VALUE(int, pulseStep, 1)
ANIMATION_STORE(STORE_DECLARE_VALUE, STORE_DECLARE_ARRAY)

// ===== Callbacks and state changes =====

void keyboard(unsigned char key, int x, int y);  // freeglut keyboard callback
void idle();                                     // freeglut idle callback: one animation tick
void toggleAnimation();  // starts the animation in animMode, or stops the running one
void resetAnimation();   // everything back to rest; draws nothing
