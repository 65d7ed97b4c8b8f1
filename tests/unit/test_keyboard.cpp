// Keyboard commands: the transitions each key causes from every animation state, what it draws,
// and the keys that must leave everything alone.
#include "unit/input_fixture.h"

namespace {

using namespace inputtest;
using KeyboardTest = InputFixture;

constexpr int kTick = -1;  // an idle tick in place of a key

// Key sequences from start-up that reach each state.
const char* const kSetups[] = {"", "x", "R", "RR", "B", "RRB"};
const char* const kTourSetups[] = {"R", "RR", "RRB"};
const char kAxisKeys[] = "xXyYzZ";

TEST_F(KeyboardTest, TransitionsFromEveryState) {
    struct Row {
        const char* setup;
        int action;
        State after;
        Frames frames;
        int pulse;
    };
    const State translatingMinusX{kAnimMinusX, 1, 0};
    const Row rows[] = {
        {"", 'x', translatingMinusX, kTickFrame, 0},
        {"", 'R', kTouring, kTickFrame, 0},
        {"", 'B', kBreathing, kTickFrame, 2},
        {"", kTick, kRest, kNoFrame, 0},
        {"x", 'x', kRest, kDirectFrame, 0},
        {"x", 'X', kRest, kDirectFrame, 0},
        {"x", 'R', kTourPaused, kDirectFrame, 0},
        {"x", 'B', kRest, kDirectFrame, 1},
        {"x", kTick, translatingMinusX, kTickFrame, 0},
        {"R", 'x', kTouring, kNoFrame, 0},
        {"R", 'R', kTourPaused, kDirectFrame, 0},
        {"R", 'B', kTourPaused, kDirectFrame, 1},
        {"R", kTick, kTouring, kTickFrame, 0},
        {"RR", 'Z', kTourPaused, kNoFrame, 0},
        {"RR", 'R', kTouring, kTickFrame, 0},
        {"RR", 'B', kBreathingInTour, kTickFrame, 2},
        {"RR", kTick, kTourPaused, kNoFrame, 0},
        {"B", 'y', kRest, kDirectFrame, 2},
        {"B", 'R', kTourPaused, kDirectFrame, 2},
        {"B", 'B', kRest, kDirectFrame, 0},
        {"B", kTick, kBreathing, kTickFrame, 3},
        {"RRB", 'X', kBreathingInTour, kNoFrame, 2},
        {"RRB", 'R', kTourPaused, kDirectFrame, 2},
        {"RRB", 'B', kTourPaused, kDirectFrame, 0},
        {"RRB", kTick, kBreathingInTour, kTickFrame, 3},
    };
    for (const Row& row : rows) {
        SetUp();
        pressAll(row.setup);
        const Frames frames =
            row.action == kTick ? tick() : press(static_cast<unsigned char>(row.action));
        SCOPED_TRACE(std::string("after \"") + row.setup + "\" then " +
                     (row.action == kTick ? std::string("tick") : std::string(1, row.action)));
        EXPECT_EQ(state(), row.after);
        EXPECT_EQ(frames, row.frames);
        EXPECT_EQ(pulse, row.pulse);
    }
}

TEST_F(KeyboardTest, UnknownKeysAndIgnoredAxisKeysDoNothing) {
    const unsigned char unknown[] = {'n', 'E', 'M', 'b', 'r', 'w', 'p', ' ', '\t', '0', 0, 200};
    auto expectNoEffect = [](unsigned char key, const char* setup) {
        const Snapshot before = snapshot();
        keyboard(key, 0, 0);
        EXPECT_EQ(snapshot(), before) << "key " << int(key) << " after \"" << setup << "\"";
        EXPECT_TRUE(fakegl::calls.empty()) << "key " << int(key) << " after \"" << setup << "\"";
    };
    for (const char* setup : kSetups) {
        SetUp();
        pressAll(setup);
        fakegl::calls.clear();
        for (unsigned char key : unknown) {
            expectNoEffect(key, setup);
        }
    }
    for (const char* setup : kTourSetups) {
        SetUp();
        pressAll(setup);
        fakegl::calls.clear();
        for (const char* k = kAxisKeys; *k != '\0'; ++k) {
            expectNoEffect(static_cast<unsigned char>(*k), setup);
        }
    }
}

TEST_F(KeyboardTest, OverlayKeysFlipTheirFlagAndLeaveTheAnimationRunning) {
    for (const char* setup : kSetups) {
        for (const unsigned char key : {kKeyBox, kKeyNormals}) {
            SetUp();
            pressAll(setup);
            Snapshot expected = snapshot();
            int& flag = key == kKeyBox ? expected.showBox : expected.showNormals;
            for (int expectedFlag : {1, 0}) {
                SCOPED_TRACE(std::string("\"") + setup + "\" then " + char(key));
                EXPECT_EQ(press(key), kDirectFrame);
                flag = expectedFlag;
                EXPECT_EQ(snapshot(), expected);
            }
        }
    }
}

TEST_F(KeyboardTest, CatalogueKeysShowTheirModelAtRestKeepingOverlaysAndPulseStep) {
    struct Row {
        unsigned char key;
        int from, to;
    };
    const Row rows[] = {{'N', 42, 0}, {'P', 0, 42}, {'W', 17, 0}, {'N', 5, 6}, {'P', 5, 4}};
    for (const Row& row : rows) {
        for (const char* setup : kSetups) {
            SetUp();
            modelIndex = row.from;
            pressAll("emY");  // overlays on, and a y offset to clear
            tick();
            press('Y');
            pressAll(setup);
            pulseStep = -1;
            SCOPED_TRACE(std::string("\"") + setup + "\" on model " + std::to_string(row.from) +
                         " then " + char(row.key));
            EXPECT_EQ(press(row.key), kDirectFrame);
            EXPECT_EQ(snapshot(),
                      (Snapshot{kRest, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, -1, row.to, 1, 1}));
            expectLoaded(row.to);
        }
    }
}

TEST_F(KeyboardTest, EscapeExitsWithStatusZeroInAnyState) {
    for (const char* setup : kSetups) {
        SetUp();
        pressAll(setup);
        EXPECT_EXIT(keyboard(kKeyEscape, 0, 0), ::testing::ExitedWithCode(0), "") << setup;
    }
}

}  // namespace
