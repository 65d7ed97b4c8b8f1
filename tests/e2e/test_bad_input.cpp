// Files that keep the viewer from starting: a clear message naming the file and status 1.
#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

class BadInput : public ViewerTest {};

TEST_F(BadInput, MissingFragmentShaderEndsAfterTheVertexShaderLog) {
    removeRunFile("fshader1.glsl");
    EXPECT_EQ(start().waitForExit(), 1);
    EXPECT_EQ(stderrLines(), std::vector<std::string>{"Failed to read fshader1.glsl"});
    const std::vector<std::string> out = stdoutLines();
    ASSERT_EQ(out.size(), 1u) << session().process().stdoutText();
    EXPECT_TRUE(out[0] == "Shader Info Log: OK" || out[0].rfind("printShaderInfoLog: ", 0) == 0);
}

TEST_F(BadInput, ShaderSyntaxErrorEndsWithTheCompilerLog) {
    replaceRunFile("vshader1.glsl", "#version 140\nvoid main() { this is not glsl }\n");
    EXPECT_EQ(start().waitForExit(), 1);
    const std::vector<std::string> err = stderrLines();
    ASSERT_GE(err.size(), 2u) << session().process().stderrText();
    EXPECT_EQ(err[0], "vshader1.glsl failed to compile:");
    EXPECT_FALSE(err[1].empty()) << "the compiler's log is missing";
    // The same log was printed on standard output before the status was looked at.
    const std::vector<std::string> out = stdoutLines();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].rfind("printShaderInfoLog: ", 0), 0u) << out[0];
}

TEST_F(BadInput, MissingModelNamesTheFile) {
    removeRunFile("airplane.ply");
    EXPECT_EQ(start().waitForExit(), 1);
    EXPECT_EQ(stderrLines(), std::vector<std::string>{"File does not exist!: airplane.ply"});
}

}  // namespace
}  // namespace e2e
