// plyview's keys and animation ticks. A key that starts an animation takes its first step at
// once; pressing an animation key while one runs stops it. The tour steps through the files
// and ends back at the first.
#include "plyview/animation.h"

namespace plyview {

namespace {

// A translation animation: its key, the offset it moves, the box extent it steps by, and which
// way.
struct Translation {
    unsigned char key;
    Animation animation;
    float ViewState::*offset;
    float Box::*max;
    float Box::*min;
    int direction;
};
constexpr Translation kTranslations[] = {
    {kKeyMinusX, Animation::kMinusX, &ViewState::offsetX, &Box::maxX, &Box::minX, -1},
    {kKeyPlusX, Animation::kPlusX, &ViewState::offsetX, &Box::maxX, &Box::minX, +1},
    {kKeyPlusY, Animation::kPlusY, &ViewState::offsetY, &Box::maxY, &Box::minY, +1},
    {kKeyMinusY, Animation::kMinusY, &ViewState::offsetY, &Box::maxY, &Box::minY, -1},
    {kKeyPlusZ, Animation::kPlusZ, &ViewState::offsetZ, &Box::maxZ, &Box::minZ, +1},
    {kKeyMinusZ, Animation::kMinusZ, &ViewState::offsetZ, &Box::maxZ, &Box::minZ, -1},
};

// One translation tick: the offset moves by 1/50 of the box's extent along its axis.
void translateStep(ViewState& state, float& offset, float maxValue, float minValue, int direction) {
    state.step =
        static_cast<float>((static_cast<double>(maxValue) - minValue) / kTranslationDivisor);
    offset = direction > 0 ? offset + state.step : offset - state.step;
}

void tourStep(ViewState& state, int entries) {
    state.spin += state.entry % 2 == 0 ? kTourStepDegrees : -kTourStepDegrees;
    if (state.spin >= kFullTurnDegrees || state.spin <= -kFullTurnDegrees) {
        state.spin = 0.0f;
        ++state.entry;
    }
    if (state.entry > entries - 1) {
        toRest(state);
        state.entry = 0;
    }
}

void breatheStep(ViewState& state) {
    state.pulse += state.pulseStep;
    if (state.pulse > kPulsePeak) {
        state.pulseStep = -1;
    } else if (state.pulse < kPulseFloor) {
        state.pulseStep = 1;
    }
}

// Starts `animation`, or stops the one that runs (whichever it is).
void toggle(ViewState& state, Animation animation, const Box& box, int entries) {
    state.animation = animation;
    state.animating = !state.animating;
    if (state.animating) {
        applyTick(state, box, entries);
    } else {
        state.animation = Animation::kNone;
    }
}

// Axis keys are ignored while the tour owns the view, even when it is paused.
KeyOutcome translate(ViewState& state, Animation animation, const Box& box, int entries) {
    if (state.tour) {
        return KeyOutcome::kNothing;
    }
    toggle(state, animation, box, entries);
    return KeyOutcome::kChanged;
}

KeyOutcome showEntry(ViewState& state, int entry, int entries) {
    toRest(state);
    state.entry = wrapEntry(entry, entries);
    return KeyOutcome::kChanged;
}

}  // namespace

void toRest(ViewState& state) {
    state.offsetX = state.offsetY = state.offsetZ = 0.0f;
    state.animation = Animation::kNone;
    state.step = 0.0f;
    state.animating = false;
    state.spin = 0.0f;
    state.tour = false;
    state.pulse = 0;
}

int wrapEntry(int entry, int entries) {
    if (entry < 0) {
        entry = entries - 1;
    }
    if (entry > entries - 1) {
        entry = 0;
    }
    return entry;
}

KeyOutcome applyKey(ViewState& state, unsigned char key, const Box& box, int entries) {
    switch (key) {
        case kKeyEscape:
            return KeyOutcome::kQuit;
        case kKeyBreathe:
            state.pulse = state.pulse == 0 ? 1 : 0;
            toggle(state, Animation::kBreathe, box, entries);
            return KeyOutcome::kChanged;
        case kKeyNextFile:
            return showEntry(state, state.entry + 1, entries);
        case kKeyPreviousFile:
            return showEntry(state, state.entry - 1, entries);
        case kKeyFirstFile:
            return showEntry(state, 0, entries);
        case kKeyTour:
            state.tour = true;
            toggle(state, Animation::kTour, box, entries);
            return KeyOutcome::kChanged;
        case kKeyBox:
            state.box = !state.box;
            return KeyOutcome::kChanged;
        case kKeyNormals:
            state.normals = !state.normals;
            return KeyOutcome::kChanged;
        default:
            for (const Translation& t : kTranslations) {
                if (key == t.key) {
                    return translate(state, t.animation, box, entries);
                }
            }
            return KeyOutcome::kNothing;
    }
}

bool applyTick(ViewState& state, const Box& box, int entries) {
    for (const Translation& t : kTranslations) {
        if (state.animation == t.animation) {
            translateStep(state, state.*t.offset, box.*t.max, box.*t.min, t.direction);
            return true;
        }
    }
    if (state.animation == Animation::kTour) {
        tourStep(state, entries);
        return true;
    }
    if (state.animation == Animation::kBreathe) {
        breatheStep(state);
        return true;
    }
    return false;
}

}  // namespace plyview
