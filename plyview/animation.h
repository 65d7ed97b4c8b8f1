// plyview's keys and what they and the animation's ticks change: the file shown, the offsets,
// the turntable, the breathing and the overlays. A state machine of plain values, stepped by
// applyKey and applyTick; the viewer draws what it says.
#pragma once

#include "plyview/camera.h"

namespace plyview {

// ===== Keys (case-sensitive character codes) =====

constexpr unsigned char kKeyEscape = 27;
constexpr unsigned char kKeyBreathe = 'B';
constexpr unsigned char kKeyNextFile = 'N';
constexpr unsigned char kKeyPreviousFile = 'P';
constexpr unsigned char kKeyTour = 'R';
constexpr unsigned char kKeyFirstFile = 'W';
constexpr unsigned char kKeyBox = 'e';
constexpr unsigned char kKeyNormals = 'm';
constexpr unsigned char kKeyStyle = 's';
constexpr unsigned char kKeyMinusX = 'x';
constexpr unsigned char kKeyPlusX = 'X';
constexpr unsigned char kKeyMinusY = 'y';
constexpr unsigned char kKeyPlusY = 'Y';
constexpr unsigned char kKeyMinusZ = 'z';
constexpr unsigned char kKeyPlusZ = 'Z';
// The view's keys, the viewer's own (applyKey leaves them alone).
constexpr unsigned char kKeyResetView = '0';
constexpr unsigned char kKeyFirstAxisView = '1';  // '1'..'6': from +z, -z, +x, -x, +y, -y
constexpr unsigned char kKeyLastAxisView = '6';
constexpr unsigned char kKeyIsoView = '7';
constexpr unsigned char kKeyOrthographic = 'o';
constexpr unsigned char kKeyUpAxis = 'u';
constexpr unsigned char kKeyLargerPoints = '+';
constexpr unsigned char kKeyLargerPointsToo = '=';  // '+' unshifted, as some layouts report it
constexpr unsigned char kKeySmallerPoints = '-';
constexpr unsigned char kKeySmallerPointsToo = '_';
constexpr unsigned char kKeyHelp = '?';
constexpr unsigned char kKeyPanel = 'i';   // the file's facts and the frame time, top left
constexpr unsigned char kKeyDelete = 127;  // clears the marks, as Backspace does
constexpr unsigned char kKeyBackspace = 8;
constexpr unsigned char kKeyColourSource = 'c';  // the next of the model's colour sources
constexpr unsigned char kKeyEyeDome = 'l';       // eye-dome lighting of clouds off and on

// ===== Animations and their steps =====

enum class Animation { kNone, kMinusX, kPlusX, kPlusY, kMinusY, kPlusZ, kMinusZ, kTour, kBreathe };

constexpr double kTranslationDivisor = 50.0;  // a translation tick moves 1/50 of the extent
constexpr float kTourStepDegrees = 5.0f;      // a turn takes 72 ticks
constexpr float kFullTurnDegrees = 360.0f;
constexpr int kPulsePeak = 10;  // breathing turns down once pulse has passed this
constexpr int kPulseFloor = 1;  // and up again once it has fallen below this

// ===== State =====

struct ViewState {
    int entry = 0;                                         // the file shown, counted from 0
    float offsetX = 0.0f, offsetY = 0.0f, offsetZ = 0.0f;  // model units, in view space
    float spin = 0.0f;                                     // turntable degrees about the vertical
    int pulse = 0;      // breathing amount, percent of the box diagonal
    int pulseStep = 1;  // +1 or -1: where the breathing goes next; never reset
    bool tour = false;  // the tour owns the view: the model turns about its own centre
    Animation animation = Animation::kNone;
    bool animating = false;
    float step = 0.0f;                  // the last translation tick's step
    bool normals = false, box = false;  // the overlays
};

// What a key did.
enum class KeyOutcome {
    kNothing,  // not a key of the table, or one that changes nothing now
    kChanged,  // the state changed: a frame shows it
    kQuit,     // Escape
    kHelp,     // `?`: the front end shows the keys
};

// Steps the state by one key. `box` is the shown model's box (a translation's first tick reads
// it), `entries` the number of files. The style key `s` is the viewer's, not the state's.
KeyOutcome applyKey(ViewState& state, unsigned char key, const Box& box, int entries);

// One tick of the running animation; false (and nothing changed) when none runs.
bool applyTick(ViewState& state, const Box& box, int entries);

// Everything back to rest but the entry, the breathing's direction and the overlays.
void toRest(ViewState& state);

// The entry one past or before the list's ends wraps around to the other end.
int wrapEntry(int entry, int entries);

}  // namespace plyview
