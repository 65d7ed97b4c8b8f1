// The window, the first picture, the start-up console and the ways the viewer ends.
#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr int kWindowSize = 512;

class Window : public ViewerTest {};

TEST_F(Window, OpensTitled512SquareAndEscapeExitsWithZero) {
    start().waitForWindow();
    const xsession::Size size = session().client().clientSize(session().window());
    EXPECT_EQ(size.width, kWindowSize);
    EXPECT_EQ(size.height, kWindowSize);
    session().waitForFirstFrame();
    EXPECT_EQ(quit(), 0);
}

TEST_F(Window, ClosingTheWindowEndsTheViewer) {
    startAndWaitForFirstFrame();
    session().client().requestClose(session().window());
    EXPECT_NO_THROW(session().waitForExit()) << "the viewer kept running after WM_DELETE_WINDOW";
}

TEST_F(Window, StartsWithGreenWireframeOnWhiteAndThreeLogLines) {
    const Image first = startAndWaitForFirstFrame();
    const xsession::ColourCounts counts = coloursOf(first);
    EXPECT_GT(counts.green, 0);
    EXPECT_GT(counts.white, counts.green);
    EXPECT_EQ(counts.red, 0);
    EXPECT_EQ(counts.blue, 0);
    EXPECT_EQ(counts.other, 0);
    EXPECT_EQ(first.width, kWindowSize);

    ASSERT_EQ(quit(), 0);
    const std::vector<std::string> out = stdoutLines();
    ASSERT_EQ(out.size(), 3u) << session().process().stdoutText();
    // An empty log gives the OK line; Mesa may fill it, then the log follows the prefix.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(out[i] == "Shader Info Log: OK" || out[i].rfind("printShaderInfoLog: ", 0) == 0)
            << out[i];
    }
    EXPECT_TRUE(out[2] == "Program Info Log: OK" || out[2].rfind("printProgramInfoLog: ", 0) == 0)
        << out[2];
    EXPECT_EQ(session().process().stderrText(), "");
}

}  // namespace
}  // namespace e2e
