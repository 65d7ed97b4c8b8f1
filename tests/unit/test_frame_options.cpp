// What may change about the catalogue viewer's core, against the recording fake GL: a catalogue
// of its own length, and shaders built in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene_fixture.h"

namespace {

using Args = std::vector<long long>;

class FrameOptionsTest : public SceneTest {
  protected:
    void TearDown() override {
        setCatalogue(nullptr, 0);
        SceneTest::TearDown();
    }
    TempFolder folder;
};

// The three files of a small catalogue, told apart by their largest x.
const char* const kFiles[] = {"first.ply", "second.ply", "third.ply"};

TEST_F(FrameOptionsTest, ACatalogueOfItsOwnLengthWrapsAndEndsTheTourThere) {
    for (int i = 0; i < 3; ++i)
        folder.write(kFiles[i], plyText({{0, 0, 0, 1}, {i + 1.0f, 1, 1, 1}}, {}));
    setCatalogue(kFiles, 3);
    const int wraps[][2] = {{-1, 2}, {3, 0}, {2, 2}};
    for (const auto& w : wraps) EXPECT_EQ(wrapModelIndex(w[0]), w[1]) << "from " << w[0];

    modelIndex = 2;
    tourMode = 1;
    animMode = kAnimTour;
    animating = 1;
    spinAngle = kFullTurnDegrees - kTourStepDegrees;
    idle();
    EXPECT_EQ(modelIndex, 0);
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(tourMode, 0);
    EXPECT_EQ(maxX, 1.0f);  // the first file is on screen
}

TEST_F(FrameOptionsTest, BuiltInShadersBuildQuietlyAndAFailureNamesThem) {
    ::testing::internal::CaptureStdout();
    initGpuWithSources("vertex text", "fragment text");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    const auto sources = fakegl::named("glShaderSource");
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].text, "vertex text");
    EXPECT_EQ(sources[1].text, "fragment text");

    fakegl::behaviour.compileStatusByType[GL_FRAGMENT_SHADER] = 0;
    EXPECT_EXIT(buildProgramFromSource("v", "f"), ::testing::ExitedWithCode(1),
                "^built-in fragment shader failed to compile:\n");
}

}  // namespace
