// Start-up against the recording fake: window and context requests, GL entry point loading, GPU
// set-up, callback registration and the exits when OpenGL 3.1 is not available.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "scene_fixture.h"

namespace {

using ::testing::ExitedWithCode;
using Names = std::vector<std::string>;

class StartupTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        for (const char* name : {kVertexShaderFile, kFragmentShaderFile}) {
            std::filesystem::copy_file(std::filesystem::path(PLYVIEWER_SHADER_DIR) / name,
                                       folder.path() / name);
        }
        windowWidth = windowHeight = 1;  // so that start-up has to set them
        glewExperimental = GL_FALSE;
    }
    void TearDown() override {
        glewExperimental = GL_FALSE;
        SceneTest::TearDown();
    }

    int run() {
        char name[] = "plyviewer";
        char* argv[] = {name, nullptr};
        return runViewer(1, argv);
    }

    // Runs start-up in a child that must exit with status 1 and one line matching `pattern`;
    // the GPU must not have been touched.
    void expectInitFailure(const char* pattern) {
        EXPECT_EXIT(
            {
                captureChildOutput();
                run();
            },
            ExitedWithCode(kGlInitFailureStatus), pattern);
        EXPECT_EQ(childStdout(), "");
        const Names calls = childCalls();
        EXPECT_NE(std::find(calls.begin(), calls.end(), "glewInit"), calls.end());
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "glGenVertexArrays"), calls.end());
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "glutMainLoop"), calls.end());
    }

    TempFolder folder;
};

TEST_F(StartupTest, OpensTheWindowSetsUpTheGpuThenRegistersCallbacksAndLoops) {
    ::testing::internal::CaptureStdout();
    run();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Shader Info Log: OK\nShader Info Log: OK\nProgram Info Log: OK\n");

    const Names names = fakegl::names();
    ASSERT_GE(names.size(), 13u);
    EXPECT_EQ(
        Names(names.begin(), names.begin() + 8),
        (Names{"glutInit", "glutInitDisplayMode", "glutInitWindowSize", "glutInitContextVersion",
               "glutInitContextProfile", "glutCreateWindow", "glewInit", "glGenVertexArrays"}));
    EXPECT_EQ(Names(names.end() - 5, names.end()),
              (Names{"glClearColor", "glutDisplayFunc", "glutKeyboardFunc", "glutIdleFunc",
                     "glutMainLoop"}));
    const auto& calls = fakegl::calls;
    EXPECT_EQ(calls[0].args, (std::vector<long long>{1}));
    EXPECT_EQ(calls[1].args, (std::vector<long long>{18}));  // RGBA | DOUBLE | DEPTH
    EXPECT_EQ(calls[2].args, (std::vector<long long>{512, 512}));
    EXPECT_EQ(calls[3].args, (std::vector<long long>{3, 1}));
    EXPECT_EQ(calls[4].args, (std::vector<long long>{1}));  // core profile
    EXPECT_EQ(calls[5].text, "Color Cube - Varnolt");
    EXPECT_EQ(calls[6].args, (std::vector<long long>{GL_TRUE}));  // experimental before init
    EXPECT_EQ(fakegl::count("glCreateProgram"), 1u);

    EXPECT_EQ(fakegl::displayCallback, &display);
    EXPECT_EQ(fakegl::keyboardCallback, &keyboard);
    EXPECT_EQ(fakegl::idleCallback, &idle);
    EXPECT_EQ(windowWidth, 512);
    EXPECT_EQ(windowHeight, 512);
}

TEST_F(StartupTest, MissingOpenGl31EndsWithOneLineAndStatusOne) {
    fakegl::behaviour.glewInitResult = GLEW_ERROR_NO_GL_VERSION;
    expectInitFailure("^OpenGL 3\\.1 could not be initialised[^\n]*fake GLEW error\n$");
    fakegl::behaviour.glewInitResult = GLEW_OK;
    fakegl::behaviour.version31 = false;
    expectInitFailure("^OpenGL 3\\.1 could not be initialised[^\n]*\n$");
}

}  // namespace
