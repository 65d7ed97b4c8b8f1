// Shader program builder and GPU set-up against the recording fake GL: console logs, call order,
// the exits on unreadable files, failed compiles and failed links, and the attribute layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scene_fixture.h"

namespace {

using ::testing::ExitedWithCode;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;
using Names = std::vector<std::string>;

constexpr const char* kVertexText = "#version 140\nin vec4 vPosition;\nvoid main() {}\n";
constexpr const char* kFragmentText = "#version 140\nout vec4 c;\nvoid main() { c = vec4(1); }\n";
constexpr const char* kAllOk = "Shader Info Log: OK\nShader Info Log: OK\nProgram Info Log: OK\n";

// A build with empty logs, as the fake names things: program 1, vertex shader 2, fragment 3.
// Each shader is read, created, sourced, compiled, logged, tested and attached before the next.
const std::vector<ExpectedCall> kBuildCalls = {
    {"glCreateProgram", {}},
    {"glCreateShader", {GL_VERTEX_SHADER}},
    {"glShaderSource", {2, 1, 0}},  // one NUL-terminated string, no length array
    {"glCompileShader", {2}},
    {"glGetShaderiv", {2, GL_INFO_LOG_LENGTH}},
    {"glGetShaderiv", {2, GL_COMPILE_STATUS}},
    {"glAttachShader", {1, 2}},
    {"glCreateShader", {GL_FRAGMENT_SHADER}},
    {"glShaderSource", {3, 1, 0}},
    {"glCompileShader", {3}},
    {"glGetShaderiv", {3, GL_INFO_LOG_LENGTH}},
    {"glGetShaderiv", {3, GL_COMPILE_STATUS}},
    {"glAttachShader", {1, 3}},
    {"glLinkProgram", {1}},
    {"glGetProgramiv", {1, GL_LINK_STATUS}},
    {"glUseProgram", {1}},
    {"glGetProgramiv", {1, GL_INFO_LOG_LENGTH}},
};

Names buildCallNames(std::size_t count) {
    Names names;
    for (std::size_t i = 0; i < count; ++i) names.push_back(kBuildCalls[i].name);
    return names;
}

std::ptrdiff_t occurrences(const Names& names, const char* name) {
    return std::count(names.begin(), names.end(), name);
}

// The statement of the death tests below.
void buildInChild() {
    captureChildOutput();
    buildProgram(kVertexShaderFile, kFragmentShaderFile);
}

class ProgramTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        folder.write(kVertexShaderFile, kVertexText);
        folder.write(kFragmentShaderFile, kFragmentText);
    }

    // Builds the program, or runs initGpu, with stdout and stderr captured.
    GLuint build(bool wholeSetUp = false) {
        CaptureStdout();
        CaptureStderr();
        GLuint built = 0;
        if (wholeSetUp) {
            initGpu();
        } else {
            built = buildProgram(kVertexShaderFile, kFragmentShaderFile);
        }
        out = GetCapturedStdout();
        err = GetCapturedStderr();
        return built;
    }

    TempFolder folder;
    std::string out, err;
};

TEST_F(ProgramTest, ReadShaderSourceGivesWholeFileEmptyStringOrNull) {
    folder.write("a.glsl", "line one\n\tline two\r\nno newline at end");
    folder.write("empty.glsl", "");
    CaptureStdout();
    CaptureStderr();
    std::unique_ptr<char[]> text(readShaderSource("a.glsl"));
    std::unique_ptr<char[]> empty(readShaderSource("empty.glsl"));
    std::unique_ptr<char[]> missing(readShaderSource("missing.glsl"));
    std::filesystem::create_directory(folder.path() / "folder.glsl");
    std::unique_ptr<char[]> folderSource(readShaderSource("folder.glsl"));
    EXPECT_EQ(GetCapturedStdout() + GetCapturedStderr(), "");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "line one\n\tline two\r\nno newline at end");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty.get(), "");
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(folderSource, nullptr);  // a directory is no source, and no huge allocation
}

TEST_F(ProgramTest, SuccessfulBuildLogsOkThreeTimesAndRunsEveryStepInOrder) {
    EXPECT_EQ(build(), 1u);
    EXPECT_EQ(out, kAllOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(fakegl::calls.size(), kBuildCalls.size());
    expectCalls(kBuildCalls);
    EXPECT_EQ(fakegl::calls[2].text, kVertexText);
    EXPECT_EQ(fakegl::calls[8].text, kFragmentText);
}

TEST_F(ProgramTest, WarningLogsArePrintedAndTheBuildContinues) {
    fakegl::behaviour.shaderLogLength = 5;  // "warn" and its terminator
    fakegl::behaviour.shaderLog = "warn";
    fakegl::behaviour.programLogLength = 7;
    fakegl::behaviour.programLog = "linked";
    build();
    EXPECT_EQ(out,
              "printShaderInfoLog: warn\nprintShaderInfoLog: warn\nprintProgramInfoLog: linked\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(fakegl::count("glUseProgram"), 1u);
    const auto fetches = fakegl::named("glGetShaderInfoLog");
    ASSERT_EQ(fetches.size(), 2u);
    EXPECT_EQ(fetches[0].args, (std::vector<long long>{2, 5, 1}));  // with charsWritten
}

TEST_F(ProgramTest, LogLengthOneIsAnEmptyLogNotTheOkLine) {
    fakegl::behaviour.shaderLogLength = 1;
    fakegl::behaviour.programLogLength = 1;
    CaptureStdout();
    printShaderInfoLog(5);
    printProgramInfoLog(6);
    EXPECT_EQ(GetCapturedStdout(), "printShaderInfoLog: \nprintProgramInfoLog: \n");
}

// ----- Failures end the process with status 1 -----

TEST_F(ProgramTest, MissingFilesExitBeforeTheirShaderIsCreated) {
    // The program is created before the vertex file is read.
    std::filesystem::remove(kVertexShaderFile);
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1), "^Failed to read vshader1\\.glsl\n$");
    EXPECT_EQ(childStdout(), "");
    EXPECT_EQ(childCalls(), buildCallNames(1));

    // The vertex shader is finished and attached before the fragment file is opened; a
    // directory in its place is unreadable like a missing file.
    folder.write(kVertexShaderFile, kVertexText);
    std::filesystem::remove(kFragmentShaderFile);
    std::filesystem::create_directory(folder.path() / kFragmentShaderFile);
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1), "^Failed to read fshader1\\.glsl\n$");
    EXPECT_EQ(childStdout(), "Shader Info Log: OK\n");
    EXPECT_EQ(childCalls(), buildCallNames(7));
}

TEST_F(ProgramTest, CompileFailureWritesTheLogOnBothStreams) {
    fakegl::behaviour.compileStatusByType[GL_FRAGMENT_SHADER] = 0;
    fakegl::behaviour.shaderLogLength = 11;
    fakegl::behaviour.shaderLog = "0:3: error";
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1),
                "^fshader1\\.glsl failed to compile:\n0:3: error\n$");
    EXPECT_EQ(childStdout(), "printShaderInfoLog: 0:3: error\nprintShaderInfoLog: 0:3: error\n");
    EXPECT_EQ(occurrences(childCalls(), "glAttachShader"), 1);
    EXPECT_EQ(occurrences(childCalls(), "glLinkProgram"), 0);
}

TEST_F(ProgramTest, LinkFailureWritesTheLogOnStderrAndNeverUsesTheProgram) {
    fakegl::behaviour.linkStatus = 0;
    fakegl::behaviour.programLogLength = 9;
    fakegl::behaviour.programLog = "bad link";
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1), "^Shader program failed to link\nbad link\n$");
    EXPECT_EQ(childStdout(), "Shader Info Log: OK\nShader Info Log: OK\n");
    EXPECT_EQ(occurrences(childCalls(), "glUseProgram"), 0);
}

TEST_F(ProgramTest, FailureWithZeroLengthLogPrintsAnEmptyLine) {
    fakegl::behaviour.compileStatus = 0;
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1), "^vshader1\\.glsl failed to compile:\n\n$");
    fakegl::behaviour.compileStatus = 1;
    fakegl::behaviour.linkStatus = 0;
    EXPECT_EXIT(buildInChild(), ExitedWithCode(1), "^Shader program failed to link\n\n$");
}

// ----- initGpu -----

TEST_F(ProgramTest, InitGpuBindsOneArrayAndBufferAndLaysOutBothAttributes) {
    build(true);
    EXPECT_EQ(out, kAllOk);
    // Vertex array 1 and buffer 2, so the program is 3.
    expectCalls({{"glGenVertexArrays", {1}},
                 {"glBindVertexArray", {1}},
                 {"glGenBuffers", {1}},
                 {"glBindBuffer", {GL_ARRAY_BUFFER, 2}},
                 {"glCreateProgram", {}}});
    EXPECT_EQ(fakegl::named("glShaderSource")[0].text, kVertexText);
    EXPECT_EQ(program, 3u);
    const std::size_t afterBuild = 4 + kBuildCalls.size();
    expectCalls({{"glUseProgram", {3}},
                 {"glGetAttribLocation", {3}},
                 {"glEnableVertexAttribArray", {0}},
                 {"glVertexAttribPointer", {0, 4, GL_FLOAT, GL_FALSE, 0, 0}},
                 {"glGetAttribLocation", {3}},
                 {"glEnableVertexAttribArray", {1}},
                 {"glVertexAttribPointer", {1, 4, GL_FLOAT, GL_FALSE, 0, 960000}},
                 {"glClearColor", {}}},
                afterBuild);
    ASSERT_EQ(fakegl::calls.size(), afterBuild + 8);
    EXPECT_EQ(fakegl::calls[afterBuild + 1].text, "vPosition");
    EXPECT_EQ(fakegl::calls[afterBuild + 4].text, "vColor");
    EXPECT_EQ(fakegl::calls.back().floats, (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(colorLocation, 1);
}

TEST_F(ProgramTest, InitGpuWithoutColorAttributeStillConfiguresPosition) {
    fakegl::behaviour.attribLocations = {{"vPosition", 4}};
    build(true);
    const auto pointers = fakegl::named("glVertexAttribPointer");
    ASSERT_FALSE(pointers.empty());
    EXPECT_EQ(pointers[0].args, (std::vector<long long>{4, 4, GL_FLOAT, GL_FALSE, 0, 0}));
    EXPECT_EQ(fakegl::named("glEnableVertexAttribArray")[0].args[0], 4);
    EXPECT_EQ(colorLocation, -1);
}

}  // namespace
