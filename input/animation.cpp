// Idle animation: translation along one axis, the turntable tour and the breathing, one step
// per idle call. At rest the idle callback takes itself off the loop, so a still viewer sleeps
// instead of spinning a core.
#include "input/input.h"

ANIMATION_STORE(STORE_DEFINE_VALUE, STORE_DEFINE_ARRAY)

namespace {

// One translation tick: the offset moves by 1/50 of the model's extent along its axis.
void translateStep(float& offset, float maxValue, float minValue, int direction) {
    animStep = static_cast<float>((static_cast<double>(maxValue) - minValue) / kTranslationDivisor);
    offset = direction > 0 ? offset + animStep : offset - animStep;
}

void tourStep() {
    spinAngle += (modelIndex % 2 == 0) ? kTourStepDegrees : -kTourStepDegrees;
    if (spinAngle >= kFullTurnDegrees || spinAngle <= -kFullTurnDegrees) {
        spinAngle = 0.0f;
        ++modelIndex;
    }
    if (modelIndex > catalogueLength() - 1) {
        modelIndex = kFirstModel;
        animMode = kAnimNone;
        resetAnimation();
    }
}

void breatheStep() {
    pulse += pulseStep;
    if (pulse > kPulsePeak) {
        pulseStep = -1;
    } else if (pulse < kPulseFloor) {
        pulseStep = 1;
    }
}

// Advances the active animation; false when no animation is active.
bool advance() {
    switch (animMode) {
        case kAnimMinusX:
            translateStep(offsetX, maxX, minX, -1);
            return true;
        case kAnimPlusX:
            translateStep(offsetX, maxX, minX, +1);
            return true;
        case kAnimPlusY:
            translateStep(offsetY, maxY, minY, +1);
            return true;
        case kAnimMinusY:
            translateStep(offsetY, maxY, minY, -1);
            return true;
        case kAnimPlusZ:
            translateStep(offsetZ, maxZ, minZ, +1);
            return true;
        case kAnimMinusZ:
            translateStep(offsetZ, maxZ, minZ, -1);
            return true;
        case kAnimTour:
            tourStep();
            return true;
        case kAnimBreathe:
            breatheStep();
            return true;
        default:
            return false;
    }
}

}  // namespace

void idle() {
    if (!advance()) {
        setIdleCallback(nullptr);  // nothing moves: sleep until the next key or expose
        return;
    }
    display();
    requestRedisplay();
}

void toggleAnimation() {
    animating = animating == 0 ? 1 : 0;
    if (animating == 1) {
        setIdleCallback(idle);
        idle();
    } else {
        animMode = kAnimNone;
        display();
    }
}

void resetAnimation() {
    offsetX = offsetY = offsetZ = 0.0f;
    animMode = kAnimNone;
    animStep = 0.0f;
    animating = 0;
    spinAngle = 0.0f;
    tourMode = 0;
    pulse = 0;
}
