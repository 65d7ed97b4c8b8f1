// Frame rendering against the recording fake GL: one display call's GL traffic, the matrices it
// uploads, the overlay switches, the bounding box polyline and the model index wrap. Models are
// small PLY files written under catalogue names into a temporary working folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene_fixture.h"

namespace {

using Args = std::vector<long long>;

std::vector<float> uploaded(const Mat4& m) {
    std::vector<float> out(kMatrixFloats);
    toColumnMajor(m, out.data());
    return out;
}

// Mode and vertex count of every draw of the recorded frame.
std::vector<Args> draws() {
    std::vector<Args> out;
    for (const fakegl::Call& c : fakegl::named("glDrawArrays"))
        out.push_back({c.args[0], c.args[2]});
    return out;
}

class FrameTest : public SceneTest {
  protected:
    void writeModel(int index, const std::vector<Vec4>& verts,
                    const std::vector<FaceIndices>& tris) {
        folder.write(modelFiles[index], plyText(verts, tris));
    }

    // Box 0..12 x 0..16 at z = 2: diagonal 20, z centre 2.
    void writeExampleModel() {
        writeModel(0, {{0, 0, 2, 1}, {12, 0, 2, 1}, {0, 16, 2, 1}}, {{0, 1, 2}, {0, 2, 1}});
    }

    TempFolder folder;
};

TEST_F(FrameTest, OneFrameWithBothOverlaysMakesTheseCallsInThisOrder) {
    writeExampleModel();
    program = 7;
    colorLocation = 1;
    showNormals = 1;
    showBox = 1;
    fakegl::behaviour.uniformLocations = {{"model_matrix", 5}, {"projection_matrix", 9}};
    display();

    const ExpectedCall depthOn{"glEnable", {GL_DEPTH_TEST}};
    const ExpectedCall depthOff{"glDisable", {GL_DEPTH_TEST}};
    const std::vector<ExpectedCall> expected = {
        {"glClear", {0x4100}},
        {"glGetUniformLocationARB", {7}},
        {"glUniformMatrix4fv", {5, 1, GL_FALSE}},
        {"glGetUniformLocationARB", {7}},
        {"glUniformMatrix4fv", {9, 1, GL_FALSE}},
        {"glPolygonMode", {GL_FRONT_AND_BACK, GL_LINE}},
        // mesh: positions then colours into a fresh 1920000-byte store
        {"glBufferData", {GL_ARRAY_BUFFER, 1920000, GL_STATIC_DRAW}},
        {"glBufferSubData", {GL_ARRAY_BUFFER, 0, 960000}},
        {"glBufferSubData", {GL_ARRAY_BUFFER, 960000, 960000}},
        depthOn,
        {"glDrawArrays", {GL_TRIANGLES, 0, 6}},
        depthOff,
        // normals: positions only, constant colour while the colour array is off
        {"glBufferData", {GL_ARRAY_BUFFER, 640000, GL_STATIC_DRAW}},
        {"glDisableVertexAttribArray", {1}},
        {"glVertexAttrib4f", {1}},
        depthOn,
        {"glDrawArrays", {GL_LINES, 0, 4}},
        depthOff,
        {"glEnableVertexAttribArray", {1}},
        // box
        {"glBufferData", {GL_ARRAY_BUFFER, 256, GL_STATIC_DRAW}},
        {"glDisableVertexAttribArray", {1}},
        {"glVertexAttrib4f", {1}},
        depthOn,
        {"glDrawArrays", {GL_LINE_STRIP, 0, 16}},
        depthOff,
        {"glEnableVertexAttribArray", {1}},
        {"glFlush", {}},
        {"glutSwapBuffers", {}},
    };
    ASSERT_EQ(fakegl::calls.size(), expected.size()) << ::testing::PrintToString(fakegl::names());
    expectCalls(expected);
    const auto& calls = fakegl::calls;
    EXPECT_EQ(calls[1].text, "model_matrix");
    EXPECT_EQ(calls[3].text, "projection_matrix");
    EXPECT_EQ(calls[6].data, nullptr);
    EXPECT_EQ(calls[7].data, points);
    EXPECT_EQ(calls[8].data, colors);
    EXPECT_EQ(calls[12].data, normalLines);
    EXPECT_EQ(calls[14].floats, (std::vector<float>{1, 0, 0, 1}));  // red normals
    EXPECT_EQ(calls[19].data, boxLines);
    EXPECT_EQ(calls[21].floats, (std::vector<float>{0, 0, 1, 1}));  // blue box
}

TEST_F(FrameTest, UniformsAreFoundWithTheCoreCallWhenTheArbOneIsMissing) {
    writeExampleModel();
    program = 7;
    fakegl::behaviour.uniformLocations = {{"model_matrix", 5}, {"projection_matrix", 9}};
    __glewGetUniformLocationARB = nullptr;  // what GLEW leaves for a driver without the extension
    display();
    expectCalls({{"glClear", {0x4100}},
                 {"glGetUniformLocation", {7}},
                 {"glUniformMatrix4fv", {5, 1, GL_FALSE}},
                 {"glGetUniformLocation", {7}},
                 {"glUniformMatrix4fv", {9, 1, GL_FALSE}}});
    EXPECT_EQ(fakegl::calls[1].text, "model_matrix");
    EXPECT_EQ(fakegl::calls[3].text, "projection_matrix");
    EXPECT_EQ(fakegl::count("glGetUniformLocationARB"), 0u);
}

TEST_F(FrameTest, MatricesCentreTheBoxStepBackByTheDiagonalAndSpin) {
    writeExampleModel();
    windowWidth = 640;
    windowHeight = 480;
    offsetX = 1.5f;
    offsetY = -2.0f;
    offsetZ = 3.0f;
    spinAngle = 30.0f;
    display();
    const auto uploads = fakegl::named("glUniformMatrix4fv");
    ASSERT_EQ(uploads.size(), 2u);
    // tx = -6 + 1.5, ty = -8 - 2, tz = 3 - 20; the box's own z centre (2) plays no part.
    const std::vector<float>& model = uploads[0].floats;
    EXPECT_EQ(model[12], -4.5f);
    EXPECT_EQ(model[13], -10.0f);
    EXPECT_EQ(model[14], -17.0f);
    EXPECT_EQ(model, uploaded(identity() * translate(-4.5f, -10.0f, -17.0f) * rotateY(30.0f) *
                              rotateX(0.0f)));
    EXPECT_EQ(uploads[1].floats, uploaded(perspective(60.0f, 640.0f / 480.0f, 0.1f, 10000.0f)));
}

TEST_F(FrameTest, OverlaysAreDrawnOnlyWhenTheirFlagIsExactlyOne) {
    writeExampleModel();
    colorLocation = 1;
    const Args mesh{GL_TRIANGLES, 6}, normals{GL_LINES, 4}, box{GL_LINE_STRIP, 16};
    struct Case {
        int showNormals, showBox;
        std::vector<Args> draws;
    };
    const Case cases[] = {
        {0, 0, {mesh}}, {1, 0, {mesh, normals}}, {0, 1, {mesh, box}},
        {2, 2, {mesh}}, {-1, 1, {mesh, box}},    {1, 1, {mesh, normals, box}},
    };
    for (const Case& c : cases) {
        fakegl::calls.clear();
        showNormals = c.showNormals;
        showBox = c.showBox;
        display();
        EXPECT_EQ(draws(), c.draws) << "normals " << c.showNormals << ", box " << c.showBox;
        EXPECT_EQ(fakegl::count("glutSwapBuffers"), 1u);
    }
}

TEST_F(FrameTest, EmptyModelDrawsNothingAndNoBoxButAFacelessModelKeepsItsBox) {
    showNormals = 1;
    showBox = 1;
    writeModel(0, {}, {});
    display();
    EXPECT_EQ(draws(), (std::vector<Args>{{GL_TRIANGLES, 0}, {GL_LINES, 0}}));
    EXPECT_EQ(fakegl::count("glutSwapBuffers"), 1u);

    fakegl::calls.clear();
    forgetLoadedModel();
    writeModel(0, {{0, 0, 0, 1}, {1, 2, 3, 1}}, {});
    display();
    EXPECT_EQ(draws(), (std::vector<Args>{{GL_TRIANGLES, 0}, {GL_LINES, 0}, {GL_LINE_STRIP, 16}}));
}

TEST_F(FrameTest, BoxPolylineCoversTheTwelveEdgesAndFollowsTheTour) {
    // x -1..3 (centre 1), y -3..4, z -4..8 (centre 2).
    writeModel(0, {{-1, -3, -4, 1}, {3, 4, 8, 1}}, {});
    showBox = 1;
    // 0 = min, 1 = max, for x, y, z of each entry.
    const int corner[kBoxLineCount][3] = {
        {0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1},
        {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1},
    };
    const float xs[2] = {-1, 3}, ys[2] = {-3, 4}, zs[2] = {-4, 8};
    for (int tour : {0, 1}) {
        tourMode = tour;
        display();
        const float dx = tour ? 1.0f : 0.0f, dz = tour ? 2.0f : 0.0f;
        for (int i = 0; i < kBoxLineCount; ++i) {
            const Vec4& e = boxLines[i];
            EXPECT_EQ(e.x, xs[corner[i][0]] - dx) << "tour " << tour << ", entry " << i;
            EXPECT_EQ(e.y, ys[corner[i][1]]) << "tour " << tour << ", entry " << i;
            EXPECT_EQ(e.z, zs[corner[i][2]] - dz) << "tour " << tour << ", entry " << i;
            EXPECT_EQ(e.w, 1.0f) << "tour " << tour << ", entry " << i;
        }
    }
}

TEST_F(FrameTest, ModelIndexWrapsToTheOtherEndWithoutModulo) {
    // The two ends of the catalogue, told apart by their largest x.
    writeModel(kFirstModel, {{10, 0, 0, 1}}, {});
    writeModel(kLastModel, {{42, 0, 0, 1}}, {});
    const int cases[][2] = {{-1, 42}, {43, 0}, {-5, 42}, {50, 0}, {0, 0}, {42, 42}};
    for (const auto& c : cases) {
        modelIndex = c[0];
        forgetLoadedModel();
        display();
        EXPECT_EQ(modelIndex, c[1]) << "from " << c[0];
        EXPECT_EQ(maxX, c[1] == 0 ? 10.0f : 42.0f) << "from " << c[0];
    }
    for (int i = kFirstModel; i <= kLastModel; ++i) EXPECT_EQ(wrapModelIndex(i), i);
}

}  // namespace
