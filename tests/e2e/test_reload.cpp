// The model file is read for every frame: a new valid file shows at once, a broken one is
// refused with one message while the last good mesh stays on screen.
#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr int kRefusedFrames = 3;  // box on/off rounds drawn while the broken file is in place

class LiveReload : public ViewerTest {
  protected:
    // Draws two frames ("e" twice) and waits until the box is gone again.
    Image redraw() {
        session().press('e');
        session().waitFor([](const Image& i) { return coloursOf(i).blue > 0; }, "the box");
        session().press('e');
        return session().waitFor([](const Image& i) { return coloursOf(i).blue == 0; },
                                 "the box to go");
    }
};

TEST_F(LiveReload, NewFileIsDrawnAndTruncatedFileIsRefusedOnce) {
    replaceRunFile("airplane.ply", octahedronPly());
    const Image first = startAndWaitForFirstFrame();

    replaceRunFile("airplane.ply", wedgePly());
    const Image reloaded = redraw();
    EXPECT_NE(reloaded, first);
    EXPECT_GT(greenOf(reloaded).count, 0);

    const std::string wedge = wedgePly();
    replaceRunFile("airplane.ply", wedge.substr(0, wedge.size() / 2));
    for (int i = 0; i < kRefusedFrames; ++i) {
        EXPECT_EQ(redraw(), reloaded) << "round " << i;
    }
    ASSERT_EQ(quit(), 0);
    const std::vector<std::string> err = stderrLines();
    ASSERT_EQ(err.size(), 1u) << session().process().stderrText();
    EXPECT_EQ(err[0].rfind("airplane.ply", 0), 0u) << err[0];
}

}  // namespace
}  // namespace e2e
