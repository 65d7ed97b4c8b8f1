// Key presses as a user makes them: overlays, catalogue steps, moves, the tour and breathing.
#include <cctype>
#include <ostream>

#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr double kMinShift = 6.0;   // pixels the green centroid must move to count as moved
constexpr double kMinGrowth = 1.1;  // factor the green extent must change to count as zoom
constexpr int kTourChanges = 3;     // successive new pictures that show the turn going on

class Keys : public ViewerTest {};

bool hasBlue(const Image& image) {
    return coloursOf(image).blue > 0;
}
bool hasRed(const Image& image) {
    return coloursOf(image).red > 0;
}

TEST_F(Keys, BoxKeyAddsBlueOutlineAndSecondPressRemovesIt) {
    const Image first = startAndWaitForFirstFrame();
    session().press('e');
    const Image boxed = session().waitFor(hasBlue, "blue box lines");
    EXPECT_EQ(coloursOf(boxed).red, 0);
    session().press('e');
    EXPECT_EQ(session().waitFor([](const Image& i) { return !hasBlue(i); }, "no blue"), first);
    EXPECT_EQ(quit(), 0);
}

TEST_F(Keys, NormalsKeyAddsRedSegmentsAndSecondPressRemovesThem) {
    const Image first = startAndWaitForFirstFrame();
    session().press('m');
    const Image normals = session().waitFor(hasRed, "red normal segments");
    EXPECT_EQ(coloursOf(normals).blue, 0);
    session().press('m');
    EXPECT_EQ(session().waitFor([](const Image& i) { return !hasRed(i); }, "no red"), first);
    EXPECT_EQ(quit(), 0);
}

TEST_F(Keys, NextFirstAndPreviousStepThroughTheCatalogue) {
    replaceRunFile("airplane.ply", octahedronPly());
    replaceRunFile("mug.ply", wedgePly());
    replaceRunFile("big_atc.ply", rodPly());
    const Image first = startAndWaitForFirstFrame();
    session().press('N');
    const Image next = session().waitForStable(xsession::kFrameTimeout,
                                               [&first](const Image& i) { return i != first; });
    session().press('W');
    EXPECT_EQ(session().waitForChange(next), first);
    session().press('P');
    const Image last = session().waitForStable(xsession::kFrameTimeout,
                                               [&first](const Image& i) { return i != first; });
    EXPECT_NE(last, next) << "\"P\" from the first model should show the last one";
    EXPECT_EQ(quit(), 0);
}

struct AxisCase {
    char key;
    int dx;  // expected sign of the centroid's move in window columns
    int dy;  // and in window rows (rows grow downwards)
};

void PrintTo(const AxisCase& axis, std::ostream* out) {
    *out << "key '" << axis.key << "'";
}

class AxisKey : public ViewerTest, public ::testing::WithParamInterface<AxisCase> {};

double along(const xsession::Spread& from, const xsession::Spread& to, const AxisCase& axis) {
    return (to.centreX - from.centreX) * axis.dx + (to.centreY - from.centreY) * axis.dy;
}

TEST_P(AxisKey, MovesTheWireframeUntilPressedAgain) {
    const AxisCase axis = GetParam();
    replaceRunFile("airplane.ply", rodPly());
    const xsession::Spread rest = greenOf(startAndWaitForFirstFrame());
    session().press(axis.key);
    session().waitFor(
        [&](const Image& i) {
            return greenOf(i).count > 0 && along(rest, greenOf(i), axis) >= kMinShift;
        },
        std::string("the wireframe to move after '") + axis.key + "'");
    session().press(axis.key);
    const xsession::Spread stopped = greenOf(session().waitForStable());
    ASSERT_GT(stopped.count, 0) << "the wireframe left the window before it stopped";
    EXPECT_GE(along(rest, stopped, axis), kMinShift);
    EXPECT_EQ(quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Axes, AxisKey,
                         ::testing::Values(AxisCase{'x', -1, 0}, AxisCase{'X', 1, 0},
                                           AxisCase{'y', 0, 1}, AxisCase{'Y', 0, -1}),
                         [](const ::testing::TestParamInfo<AxisCase>& info) {
                             const char key = info.param.key;
                             return std::string(1, key) + (std::isupper(key) ? "_upper" : "_lower");
                         });

struct ZoomCase {
    char key;
    bool larger;
};

void PrintTo(const ZoomCase& zoom, std::ostream* out) {
    *out << "key '" << zoom.key << "'";
}

class ZoomKey : public ViewerTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomKey, ChangesTheSizeUntilPressedAgain) {
    const ZoomCase zoom = GetParam();
    replaceRunFile("airplane.ply", octahedronPly());
    const double rest = greenOf(startAndWaitForFirstFrame()).width();
    auto zoomed = [&](const Image& i) {
        const double width = greenOf(i).width();
        return zoom.larger ? width >= rest * kMinGrowth : width * kMinGrowth <= rest;
    };
    session().press(zoom.key);
    session().waitFor(zoomed, std::string("the size to change after '") + zoom.key + "'");
    session().press(zoom.key);
    EXPECT_TRUE(zoomed(session().waitForStable()));
    EXPECT_EQ(quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depth, ZoomKey,
                         ::testing::Values(ZoomCase{'Z', true}, ZoomCase{'z', false}),
                         [](const ::testing::TestParamInfo<ZoomCase>& info) {
                             return std::string(info.param.larger ? "Z_upper_nearer"
                                                                  : "z_lower_farther");
                         });

TEST_F(Keys, TourKeepsTurningUntilPausedAndEscapeStillExits) {
    Image seen = startAndWaitForFirstFrame();
    session().press('R');
    for (int i = 0; i < kTourChanges; ++i) {
        seen = session().waitForChange(seen);
    }
    session().press('R');
    const Image paused = session().waitForStable();  // the turn has stopped
    session().press('R');
    session().waitForChange(paused);
    EXPECT_EQ(quit(), 0) << "Escape during the tour";
}

TEST_F(Keys, BreathingDriftsTheFacesApartAndBack) {
    replaceRunFile("airplane.ply", octahedronPly());
    const int rest = greenOf(startAndWaitForFirstFrame()).width();
    session().press('B');
    int widest = rest;
    bool cameBack = false;
    session().waitFor(
        [&](const Image& i) {
            const int width = greenOf(i).width();
            widest = std::max(widest, width);
            cameBack = cameBack || (widest > rest * kMinGrowth && width * kMinGrowth < widest);
            return cameBack;
        },
        "the faces to drift apart and back");
    session().press('B');
    session().waitForStable();
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
