// The `i` panel against the recording GL stand-in: its text uploaded when it changes and not per
// frame, laid out at the corner asked for, drawn over the frame with the depth test put back,
// the file's facts asked once per shown entry; and the lines it makes of given facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_gl/fake_gl.h"
#include "plyview/panel.h"
#include "plyview/testing.h"
#include "plyview/text.h"
#include "plyview/viewer.h"
#include "tools/plywrite/plywrite.h"

namespace {

using plyview::Corner;

std::size_t uploads() {
    return fakegl::count("glBufferData");
}

// Depth tests turned off and on again: one of each per pass drawn over the frame.
long long depthSwitches(const char* name) {
    const auto calls = fakegl::named(name);
    return std::count_if(calls.begin(), calls.end(),
                         [](const fakegl::Call& c) { return c.args.at(0) == GL_DEPTH_TEST; });
}

bool hasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// ===== Text =====

TEST(PlyviewText, QuadsAreUploadedOncePerChangeOfTextCornerOrFrame) {
    fakegl::reset();
    plyview::ScreenText text;
    const std::vector<std::string> lines{"file cube.ply", "vertices 8"};
    EXPECT_TRUE(text.show(lines, {Corner::kTopLeft, 512, 512}));
    const std::size_t once = uploads();
    EXPECT_GT(once, 0u);
    EXPECT_FALSE(text.show(lines, {Corner::kTopLeft, 512, 512}));
    EXPECT_EQ(uploads(), once) << "the same text again";
    EXPECT_TRUE(text.show({"file cube.ply", "vertices 9"}, {Corner::kTopLeft, 512, 512}));
    EXPECT_TRUE(text.show({"file cube.ply", "vertices 9"}, {Corner::kBottomRight, 512, 512}));
    EXPECT_TRUE(text.show({"file cube.ply", "vertices 9"}, {Corner::kBottomRight, 640, 480}));
    EXPECT_TRUE(text.show({"file cube.ply", "vertices 9"}, {Corner::kBottomRight, 640, 480, 30}));
    EXPECT_EQ(uploads(), 5 * once);
    text.release();
    fakegl::reset();
}

TEST(PlyviewText, LettersLieInsideTheirBoxAtTheCornerAsked) {
    constexpr int kWidth = 640, kHeight = 480, kCovered = 30;
    const std::vector<std::string> lines{"frame 3.2 ms", "style wire  up +y", "g|_"};
    for (const Corner corner :
         {Corner::kTopLeft, Corner::kTopRight, Corner::kBottomLeft, Corner::kBottomRight}) {
        const plyview::TextTriangles text =
            plyview::layOutText(lines, {corner, kWidth, kHeight, kCovered});
        ASSERT_EQ(text.box.size(), 6u * 3u);
        ASSERT_FALSE(text.letters.empty());
        float left = text.box[0], top = text.box[1], right = left, bottom = top;
        for (std::size_t i = 0; i < text.box.size(); i += 3) {
            left = std::min(left, text.box[i]);
            right = std::max(right, text.box[i]);
            top = std::min(top, text.box[i + 1]);
            bottom = std::max(bottom, text.box[i + 1]);
        }
        const bool atRight = corner == Corner::kTopRight || corner == Corner::kBottomRight;
        const bool atBottom = corner == Corner::kBottomLeft || corner == Corner::kBottomRight;
        const std::string what = "corner " + std::to_string(static_cast<int>(corner));
        EXPECT_FLOAT_EQ(atRight ? kWidth - right : left, plyview::kTextMargin) << what;
        EXPECT_FLOAT_EQ(atBottom ? kHeight - bottom : top - kCovered, plyview::kTextMargin) << what;
        EXPECT_FLOAT_EQ(right - left, text.width) << what;
        EXPECT_FLOAT_EQ(bottom - top, text.height) << what;
        for (std::size_t i = 0; i < text.letters.size(); i += 3) {
            EXPECT_GE(text.letters[i], left + plyview::kTextPadding) << what;
            EXPECT_LE(text.letters[i], right - plyview::kTextPadding) << what;
            EXPECT_GE(text.letters[i + 1], top + plyview::kTextPadding) << what;
            EXPECT_LE(text.letters[i + 1], bottom - plyview::kTextPadding) << what;
        }
    }
}

// ===== The panel's lines =====

PropertyFacts scalar(const std::string& name, const std::string& type) {
    PropertyFacts property;
    property.name = name;
    property.type = type;
    return property;
}

FileFacts cubeFacts() {
    FileFacts facts;
    facts.path = "/data/scans/cube.ply";
    facts.format = "binary_big_endian";
    facts.elements = {{"vertex",
                       8,
                       {scalar("x", "float"), scalar("y", "float"), scalar("z", "float"),
                        scalar("red", "uchar")}},
                      {"face", 6, {{"vertex_indices", "int", true, "uchar"}}}};
    facts.hasBox = true;
    facts.min[0] = -1, facts.min[1] = 0, facts.min[2] = 10;
    facts.max[0] = 1, facts.max[1] = 0.5, facts.max[2] = 12.25;
    facts.vertices = 8;
    facts.faces = 6;
    facts.triangles = 10;
    facts.facesLeftOut = 1;
    facts.normalsFrom = "computed";
    facts.coloursFrom = "vertices";
    return facts;
}

FileFacts splatFacts() {
    FileFacts facts = cubeFacts();
    facts.path = "splats.ply";
    facts.format = "binary_little_endian";
    ElementFacts vertex{"vertex", 3, {}};
    constexpr int kRestCoefficients = 45;  // a degree-3 splat's, more than a line holds
    for (int i = 0; i < kRestCoefficients; ++i) {
        vertex.properties.push_back(scalar("f_rest_" + std::to_string(i), "float"));
    }
    facts.elements = {vertex};
    facts.splatCount = 3;
    facts.splatDegree = 3;
    facts.splatsLeftOut = 2;
    return facts;
}

FileFacts refusedFacts() {
    FileFacts facts;
    facts.path = "broken.ply";
    facts.refused = true;
    facts.reason = "line 3: unknown property type 'flaot'";
    return facts;
}

TEST(PlyviewPanel, LinesNameTheFileItsCountsPropertiesBoxAndTheView) {
    struct Case {
        const char* what;
        FileFacts facts;
        plyview::PanelView view;
        std::vector<std::string> expected;  // each in some line
    };
    const std::vector<Case> cases = {
        {"a mesh",
         cubeFacts(),
         {plyview::Style::kEdges, plyview::UpAxis::kMinusZ, 4.0, false, false, "intensity"},
         {"file cube.ply", "format binary big endian", "vertices 8  faces 6",
          "triangles drawn 10  faces left out 1", "vertex 8: float x, float y, float z,",
          "  uchar red", "face 6: list uchar int vertex_indices",
          "normals computed  colours vertices", "box 2 x 0.5 x 2.25", "frame 4.0 ms  250 fps",
          "style edges  up -z", "colour source intensity"}},
        {"before a frame was timed",
         cubeFacts(),
         {plyview::Style::kWire, plyview::UpAxis::kPlusY, -1, false, false, ""},
         {"frame time not measured yet", "style wire  up +y"}},
        {"many properties",
         splatFacts(),
         {plyview::Style::kWire, plyview::UpAxis::kPlusY, -1, false, false, ""},
         {"format binary little endian", "vertex 3: float f_rest_0,", "float f_rest_44",
          "3 splats (degree 3)  left out 2"}},
        {"a cloud",
         cubeFacts(),
         {plyview::Style::kSurface, plyview::UpAxis::kPlusY, 2.0, true, false, ""},
         {"style surface  up +y", "eye-dome lighting: off"}},
        {"a refused file",
         refusedFacts(),
         {plyview::Style::kSurface, plyview::UpAxis::kPlusX, 2.0, false, false, ""},
         {"file broken.ply", "refused: line 3: unknown property type", "  'flaot'",
          "style surface  up +x"}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = plyview::panelLines(c.facts, c.view);
        for (const std::string& text : c.expected) {
            EXPECT_TRUE(hasLine(lines, text)) << c.what << ": no line with \"" << text << "\" in "
                                              << ::testing::PrintToString(lines);
        }
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), plyview::kPanelColumns) << c.what << ": " << line;
        }
    }
}

// ===== The panel in the viewer =====

int described = 0;
FileFacts countedFacts(const std::string& path) {
    ++described;
    FileFacts facts = cubeFacts();
    facts.path = path;
    return facts;
}

std::unique_ptr<FileModel> smallSurface() {
    const std::string text = plywrite::write(plywrite::surface(3, 3), {});
    auto model = std::make_unique<FileModel>();
    PlyError error;
    EXPECT_TRUE(parseFileModel(text.data(), text.size(), *model, error)) << error.message;
    return model;
}

class PlyviewPanelScene : public ::testing::Test {
  protected:
    void SetUp() override {
        fakegl::reset();
        described = 0;
        plyview::setFactsSource(countedFacts);
        plyview::startViewer(plyview::SceneTarget{}, plyview::Style::kSurface,
                             plyview::kDefaultPictureSize, plyview::kDefaultPictureSize);
        plyview::useFiles({"first.ply", "second.ply"});
        plyview::showModel(0, smallSurface(), {});
    }
    void TearDown() override {
        plyview::showModel(0, nullptr, {});
        plyview::setFactsSource(describeFile);
        fakegl::reset();
    }
};

TEST_F(PlyviewPanelScene, IShowsThePanelOverTheFrameWithFactsAskedOncePerEntry) {
    plyview::drawFrame();
    EXPECT_EQ(described, 0) << "no panel, no facts";
    EXPECT_EQ(depthSwitches("glDisable"), 0);

    EXPECT_EQ(plyview::pressKey(plyview::kKeyPanel), plyview::KeyOutcome::kChanged);
    EXPECT_TRUE(plyview::takeFrameRequest());
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(depthSwitches("glDisable"), 2) << "the box and the letters, over the model";
    EXPECT_EQ(depthSwitches("glEnable"), 1 + 2) << "the frame's own, and put back after each";
    EXPECT_EQ(fakegl::count("glFinish"), 1u) << "the frame's time includes the GPU's";
    EXPECT_TRUE(hasLine(plyview::panelText(), "file first.ply"));
    EXPECT_TRUE(hasLine(plyview::panelText(), "style surface  up +y"));

    // While the view moves, the frame time shown holds for a while: no upload per frame.
    plyview::noteMotion();
    plyview::drawFrame();
    const std::size_t before = uploads();
    for (int i = 0; i < 3; ++i) {
        plyview::noteMotion();
        plyview::drawFrame();
    }
    EXPECT_EQ(uploads(), before);
    EXPECT_EQ(described, 1);

    plyview::pressKey(plyview::kKeyStyle);
    plyview::drawFrame();
    EXPECT_TRUE(hasLine(plyview::panelText(), "style edges"));

    plyview::pressKey(plyview::kKeyNextFile);
    plyview::drawFrame();
    EXPECT_EQ(described, 2) << "the next entry's facts";
    EXPECT_TRUE(hasLine(plyview::panelText(), "file second.ply"));

    plyview::pressKey(plyview::kKeyPanel);
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(depthSwitches("glDisable"), 0) << "hidden again";
    EXPECT_EQ(fakegl::count("glFinish"), 0u);
}

}  // namespace
