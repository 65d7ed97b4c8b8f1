// The headless visit of scripts/run: six screenshots of a short scripted visit.
#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr xsession::Millis kVisitTimeout{150000};
constexpr int kWindowSize = 512;

const std::vector<std::string> kShots = {"01-first-model.png", "02-bounding-box.png",
                                         "03-normals.png",     "04-next-model.png",
                                         "05-tour.png",        "06-breathing.png"};

class Visit : public ViewerTest {};

TEST_F(Visit, SavesSixScreenshotsThatFollowTheSteps) {
    const xsession::TempDir out("plyviewer-visit-out");
    xsession::Launch launch;
    launch.argv = {PLYVIEWER_VISIT, runDir().string(), out.path().string()};
    launch.stdoutPath = out.path() / "visit-stdout.txt";
    launch.stderrPath = out.path() / "visit-stderr.txt";
    xsession::ChildProcess visit(launch);
    ASSERT_TRUE(visit.waitForExit(kVisitTimeout)) << "the visit did not finish";
    ASSERT_EQ(visit.exitStatus(), 0) << visit.stderrText();

    const std::string printed = visit.stdoutText();
    std::vector<Image> shots;
    for (const std::string& name : kShots) {
        EXPECT_NE(printed.find(name), std::string::npos) << name << " not listed";
        shots.push_back(xsession::readPng(out.path() / name));
        EXPECT_EQ(shots.back().width, kWindowSize) << name;
        EXPECT_EQ(shots.back().height, kWindowSize) << name;
    }
    // Every step changes the picture: box on, normals on, overlays off with the next model,
    // the turned model, the breathing first model.
    for (std::size_t i = 1; i < shots.size(); ++i) {
        EXPECT_NE(shots[i], shots[i - 1]) << kShots[i] << " equals " << kShots[i - 1];
    }
    EXPECT_GT(coloursOf(shots[1]).blue, 0);
    EXPECT_GT(coloursOf(shots[2]).red, 0);
    EXPECT_EQ(coloursOf(shots[3]).red + coloursOf(shots[3]).blue, 0);
}

}  // namespace
}  // namespace e2e
