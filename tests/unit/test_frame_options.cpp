// What a front end may change about the core, against the recording fake GL: a catalogue of its
// own length, its camera, point clouds, an offscreen frame without a swap, and shaders built in.
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
        setCamera(nullptr);
        setFramePresenter(swapWindowBuffers);
        setPointClouds(false);
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

TEST_F(FrameOptionsTest, CameraPointCloudsAndAnOffscreenFrame) {
    folder.write(modelFiles[0], plyText({{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {}));
    colorLocation = 1;
    setCamera([](Mat4& projection, Mat4& model) {
        projection = translate(1, 2, 3);
        model = rotateY(90);
    });
    setPointClouds(true);
    setFramePresenter(nullptr);
    display();

    const auto uploads = fakegl::named("glUniformMatrix4fv");
    ASSERT_EQ(uploads.size(), 2u);
    std::vector<float> expected(kMatrixFloats);
    toColumnMajor(rotateY(90), expected.data());
    EXPECT_EQ(uploads[0].floats, expected);
    toColumnMajor(translate(1, 2, 3), expected.data());
    EXPECT_EQ(uploads[1].floats, expected);

    // After the empty triangle pass: the vertices themselves, 3 px, green, depth-tested.
    const std::vector<std::string> names = fakegl::names();
    const auto points = std::find(names.begin(), names.end(), "glPointSize");
    ASSERT_NE(points, names.end());
    const std::size_t at = static_cast<std::size_t>(points - names.begin());
    expectCalls({{"glPointSize", {}},
                 {"glBufferData", {GL_ARRAY_BUFFER, 48, GL_STATIC_DRAW}},
                 {"glDisableVertexAttribArray", {1}},
                 {"glVertexAttrib4f", {1}},
                 {"glEnable", {GL_DEPTH_TEST}},
                 {"glDrawArrays", {GL_POINTS, 0, 3}},
                 {"glDisable", {GL_DEPTH_TEST}},
                 {"glEnableVertexAttribArray", {1}}},
                at);
    EXPECT_EQ(fakegl::calls[at].floats, (std::vector<float>{kPointSize}));
    EXPECT_EQ(fakegl::calls[at + 1].data, vertices);
    EXPECT_EQ(fakegl::calls[at + 3].floats, (std::vector<float>{0, 1, 0, 1}));
    EXPECT_EQ(names.back(), "glFlush");  // nothing to swap offscreen

    // The catalogue viewer keeps a faceless model's points to itself.
    fakegl::calls.clear();
    setPointClouds(false);
    setFramePresenter(swapWindowBuffers);
    display();
    EXPECT_EQ(fakegl::count("glPointSize"), 0u);
    EXPECT_EQ(fakegl::names().back(), "glutSwapBuffers");
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
