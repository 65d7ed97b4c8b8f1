// Idle animation: what one tick does in each mode, the values it carries across stops and
// restarts, and the idle callback leaving the loop at rest.
#include <vector>

#include "unit/input_fixture.h"

namespace {

using namespace inputtest;
using AnimationTest = InputFixture;

std::vector<long long> idleRegistrations() {
    std::vector<long long> out;
    for (const fakegl::Call& c : fakegl::named("glutIdleFunc")) {
        out.push_back(c.args.at(0));
    }
    return out;
}

float stepOf(float maxValue, float minValue) {
    return static_cast<float>((static_cast<double>(maxValue) - minValue) / 50.0);
}

TEST_F(AnimationTest, IdleWithoutAnimationDrawsNothingAndLeavesTheLoop) {
    for (const int code : {kAnimNone, -1, 7, 10, 12, 20, 22}) {
        SetUp();
        animMode = code;
        const Snapshot before = snapshot();
        EXPECT_EQ(tick(), kNoFrame) << code;
        EXPECT_EQ(snapshot(), before) << code;
        EXPECT_EQ(idleRegistrations(), std::vector<long long>{0}) << code;
        EXPECT_EQ(fakegl::idleCallback, nullptr) << code;
    }
}

TEST_F(AnimationTest, StartingAnAnimationPutsIdleBackAndTicksDrawThenRequest) {
    const struct {
        const char* setup;
        unsigned char key;
    } starts[] = {{"", 'x'},   {"", 'Z'},   {"", 'R'},  {"", 'B'},
                  {"RR", 'R'}, {"RR", 'B'}, {"xx", 'y'}};
    for (const auto& start : starts) {
        SetUp();
        pressAll(start.setup);
        tick();  // nothing runs: idle leaves the loop
        ASSERT_EQ(fakegl::idleCallback, nullptr);
        press(start.key);
        SCOPED_TRACE(std::string("\"") + start.setup + "\" then " + char(start.key));
        EXPECT_EQ(idleRegistrations(), std::vector<long long>{1});
        EXPECT_EQ(fakegl::idleCallback, &idle);
        tick();
        EXPECT_TRUE(fakegl::named("glutIdleFunc").empty());
        std::vector<std::string> frameCalls;
        for (const std::string& name : fakegl::names()) {
            if (name == "glutSwapBuffers" || name == "glutPostRedisplay") {
                frameCalls.push_back(name);
            }
        }
        EXPECT_EQ(frameCalls, (std::vector<std::string>{"glutSwapBuffers", "glutPostRedisplay"}));
    }
}

TEST_F(AnimationTest, EachAxisKeyMovesItsOffsetByOneFiftiethOfTheExtent) {
    const struct {
        unsigned char key;
        int code;
        float* offset;
        const float *maxValue, *minValue;
        float sign;
    } axes[] = {
        {'x', kAnimMinusX, &offsetX, &maxX, &minX, -1},
        {'X', kAnimPlusX, &offsetX, &maxX, &minX, 1},
        {'Y', kAnimPlusY, &offsetY, &maxY, &minY, 1},
        {'y', kAnimMinusY, &offsetY, &maxY, &minY, -1},
        {'Z', kAnimPlusZ, &offsetZ, &maxZ, &minZ, 1},
        {'z', kAnimMinusZ, &offsetZ, &maxZ, &minZ, -1},
    };
    for (const auto& axis : axes) {
        SetUp();
        SCOPED_TRACE(std::string(1, axis.key));
        EXPECT_EQ(press(axis.key), kTickFrame);
        EXPECT_EQ(tick(), kTickFrame);
        EXPECT_EQ(state(), (State{axis.code, 1, 0}));
        const float step = stepOf(*axis.maxValue, *axis.minValue);
        EXPECT_EQ(animStep, step);
        EXPECT_EQ(*axis.offset, axis.sign * 2 * step);
        EXPECT_EQ(offsetX + offsetY + offsetZ, *axis.offset);  // the other two stay at 0
    }
}

TEST_F(AnimationTest, FiftyTicksMoveByTheWholeExtentAndTheMovementGoesOn) {
    const float extent = boxOf(0).maxX - boxOf(0).minX;
    press('x');  // the first of the fifty ticks
    ticks(49);
    EXPECT_NEAR(offsetX, -extent, 1e-5f);
    ticks(50);
    EXPECT_NEAR(offsetX, -2 * extent, 2e-5f);
}

// The step comes from the bounds read by the frame before, so it follows the model on screen;
// a model flat along the axis does not move, yet every tick still draws.
TEST_F(AnimationTest, StepFollowsTheBoundsOfTheLastFrameRead) {
    press('x');
    const float oldStep = animStep;
    Box flat = boxOf(0);
    flat.maxX = flat.minX;
    folder_.write(modelFiles[0], plyText(flat));
    EXPECT_EQ(tick(), kTickFrame);  // steps with the bounds read before, then reads the new file
    EXPECT_EQ(animStep, oldStep);
    EXPECT_EQ(offsetX, -2 * oldStep);
    EXPECT_EQ(tick(), kTickFrame);
    EXPECT_EQ(animStep, 0.0f);
    EXPECT_EQ(offsetX, -2 * oldStep);
    EXPECT_EQ(state(), (State{kAnimMinusX, 1, 0}));
}

TEST_F(AnimationTest, StoppingATranslationKeepsTheOffsetForTheNextStart) {
    for (const unsigned char second : {'x', 'X'}) {
        SetUp();
        press('x');
        ticks(4);
        const float stopped = offsetX;
        const float step = animStep;
        SCOPED_TRACE(std::string("x then ") + char(second));
        EXPECT_EQ(press(second), kDirectFrame);
        EXPECT_EQ(state(), kRest);
        EXPECT_EQ(offsetX, stopped);
        EXPECT_EQ(tick(), kNoFrame);
        EXPECT_EQ(offsetX, stopped);
        press(second);
        EXPECT_EQ(state(), (State{second == 'x' ? kAnimMinusX : kAnimPlusX, 1, 0}));
        EXPECT_EQ(offsetX, second == 'x' ? stopped - step : stopped + step);
    }
}

TEST_F(AnimationTest, TourFromModel40TurnsEachModelOnceAndEndsAtRestOnModel0) {
    modelIndex = 40;
    Frames frames = press('R');
    for (int t = 1; t <= 3 * 72; ++t) {
        if (t > 1) {
            frames = tick();
        }
        SCOPED_TRACE("tick " + std::to_string(t));
        ASSERT_EQ(frames, kTickFrame);
        ASSERT_GT(spinAngle, -360.0f);
        ASSERT_LT(spinAngle, 360.0f);
        const int turned = t % 72;
        const int model = t == 3 * 72 ? 0 : 40 + t / 72;
        const float sign = (40 + (t - 1) / 72) % 2 == 0 ? 1.0f : -1.0f;
        ASSERT_EQ(modelIndex, model);
        ASSERT_EQ(spinAngle, sign * 5.0f * static_cast<float>(turned));
        ASSERT_EQ(state(), t == 3 * 72 ? kRest : kTouring);
        if (turned == 0) {
            expectLoaded(model);  // the tick that moves on draws the next model
        }
    }
    EXPECT_EQ(offsetX, 0.0f);
    EXPECT_EQ(tick(), kNoFrame);
    EXPECT_EQ(press('x'), kTickFrame);
    EXPECT_EQ(state(), (State{kAnimMinusX, 1, 0}));
}

TEST_F(AnimationTest, PausedTourKeepsAngleModelAndYOffset) {
    pressAll("NY");  // model 1 turns with decreasing angle
    tick();
    press('Y');
    const float y = offsetY;
    press('R');
    ticks(9);
    EXPECT_EQ(press('R'), kDirectFrame);
    EXPECT_EQ(state(), kTourPaused);
    EXPECT_EQ(tick(), kNoFrame);
    EXPECT_EQ(spinAngle, -50.0f);
    EXPECT_EQ(modelIndex, 1);
    EXPECT_EQ(press('R'), kTickFrame);
    EXPECT_EQ(state(), kTouring);
    EXPECT_EQ(spinAngle, -55.0f);
    EXPECT_EQ(offsetY, y);
}

std::vector<int> pulsesOver(int tickCount) {
    std::vector<int> seen{pulse};
    for (int i = 0; i < tickCount; ++i) {
        idle();
        seen.push_back(pulse);
    }
    return seen;
}

TEST_F(AnimationTest, BreathingFromRestPassesTheBoundsBeforeTurning) {
    EXPECT_EQ(press('B'), kTickFrame);
    EXPECT_EQ(pulsesOver(22), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 10, 9,
                                                8, 7, 6, 5, 4, 3, 2, 1, 0,  1,  2}));
}

TEST_F(AnimationTest, BreathingRestartsFromWhereTheStopLeftIt) {
    const struct {
        int ticksBeforeStop;  // 13: falling at 7; 20: standing at 0
        unsigned char stopKey;
        int pulseAfterStop;
        State afterStop, afterRestart;
        std::vector<int> restart;  // pulse after "B", then after two ticks
    } rows[] = {
        {13, 'B', 0, kRest, kBreathing, {0, 1, 2}},
        {13, 'x', 7, kRest, kBreathing, {-1, 0, 1}},
        {13, 'R', 7, kTourPaused, kBreathingInTour, {-1, 0, 1}},
        {20, 'B', 1, kRest, kBreathing, {1, 2, 3}},
    };
    for (const auto& row : rows) {
        SetUp();
        press('B');
        ticks(row.ticksBeforeStop);
        SCOPED_TRACE(std::string("stopped by ") + char(row.stopKey) + " after " +
                     std::to_string(row.ticksBeforeStop) + " ticks");
        EXPECT_EQ(press(row.stopKey), kDirectFrame);
        EXPECT_EQ(state(), row.afterStop);
        EXPECT_EQ(pulse, row.pulseAfterStop);
        EXPECT_EQ(tick(), kNoFrame);
        EXPECT_EQ(press('B'), kTickFrame);
        EXPECT_EQ(state(), row.afterRestart);
        EXPECT_EQ(pulsesOver(2), row.restart);
    }
}

}  // namespace
