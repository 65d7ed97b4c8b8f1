// The `i` panel end to end: --png --panel puts dark text on a light box in the picture's top-left
// corner and prints the same lines, which tell what --info tells, and in a window `i` shows the
// panel and `i` again gives the first picture back.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

// The corner the panel's first lines cover: its margin, then a few letters of two lines.
constexpr int kCornerLeft = 8, kCornerTop = 8, kCornerWidth = 120, kCornerHeight = 40;
constexpr int kDarkBelow = 80;    // every channel under this: a letter
constexpr int kLightAbove = 200;  // every channel over this: the box (or the white background)
constexpr int kLetterPixels = 200;

struct CornerCounts {
    long dark = 0, light = 0;
};

CornerCounts corner(const Image& image) {
    CornerCounts counts;
    for (int y = kCornerTop; y < kCornerTop + kCornerHeight; ++y) {
        for (int x = kCornerLeft; x < kCornerLeft + kCornerWidth; ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            const int darkest = std::max({p[0], p[1], p[2]});
            const int lightest = std::min({p[0], p[1], p[2]});
            counts.dark += darkest < kDarkBelow;
            counts.light += lightest > kLightAbove;
        }
    }
    return counts;
}

// A ball framed in the middle: the corner holds nothing of it.
std::string ball() {
    return spherePly(1.0, {0, 0, 0});
}

// The header lines "property TYPE NAME" of the file's vertex element, as "TYPE NAME".
std::vector<std::string> vertexProperties(const std::string& ply) {
    std::istringstream in(ply);
    std::vector<std::string> properties;
    std::string line;
    bool vertex = false;
    while (std::getline(in, line) && line != "end_header") {
        if (line.rfind("element ", 0) == 0)
            vertex = line.rfind("element vertex ", 0) == 0;
        if (vertex && line.rfind("property ", 0) == 0)
            properties.push_back(line.substr(9));
    }
    return properties;
}

std::string vertexCount(const std::string& ply) {
    const std::string key = "element vertex ";
    const std::size_t at = ply.find(key) + key.size();
    return ply.substr(at, ply.find('\n', at) - at);
}

TEST_F(Plyview, PanelInAPictureIsDarkTextOnALightBoxAndItsLinesArePrinted) {
    const std::string ply = ball();
    write("ball.ply", ply);
    ASSERT_EQ(runHeadless({"--png", "plain.png", "--style", "surface", "ball.ply"}), 0)
        << headlessErrors();
    EXPECT_EQ(corner(xsession::readPng(work() / "plain.png")).dark, 0) << "the corner is empty";

    ASSERT_EQ(runHeadless({"--png", "out.png", "--panel", "--style", "surface", "ball.ply"}), 0)
        << headlessErrors();
    const CornerCounts counts = corner(xsession::readPng(work() / "out.png"));
    EXPECT_GT(counts.dark, kLetterPixels);
    EXPECT_GT(counts.light, counts.dark) << "letters on a box";

    const std::string out = headlessOutput();
    const std::vector<std::string> properties = vertexProperties(ply);
    ASSERT_FALSE(properties.empty());
    std::string expected = "vertex " + vertexCount(ply) + ":";
    for (std::size_t i = 0; i < properties.size(); ++i) {
        expected += (i == 0 ? " " : ", ") + properties[i];
    }
    for (const std::string& line :
         {std::string("file ball.ply\n"), "vertices " + vertexCount(ply) + " ", expected,
          std::string("style surface  up +y\n"), std::string(" ms  ")}) {
        EXPECT_NE(out.find(line), std::string::npos) << "no \"" << line << "\" in\n" << out;
    }
    // The facts --info tells of the same file, word for word.
    ASSERT_EQ(runHeadless({"--info", "ball.ply"}), 0) << headlessErrors();
    const std::string info = headlessOutput();
    const struct {
        const char *panel, *info;
    } kSame[] = {{R"(format (\S+))", R"(format: (\S+))"},
                 {R"(vertices (\d+))", R"(shows: (\d+) vertices)"},
                 {R"(triangles drawn (\d+))", R"(vertices, (\d+) triangles)"},
                 {R"(normals (\S+))", R"(normals: (\S+))"}};
    for (const auto& same : kSame) {
        std::smatch inPanel, inInfo;
        ASSERT_TRUE(std::regex_search(out, inPanel, std::regex(same.panel))) << same.panel;
        ASSERT_TRUE(std::regex_search(info, inInfo, std::regex(same.info))) << same.info;
        EXPECT_EQ(inPanel[1].str(), inInfo[1].str()) << same.panel << "\n" << out << info;
    }
}

TEST_F(Plyview, IShowsThePanelAndIAgainGivesTheFirstPictureBack) {
    write("ball.ply", ball());
    const Image first = startAndWait({"ball.ply"}, title("ball.ply", 1, 1));
    ASSERT_EQ(corner(first).dark, 0);
    session().press('i');
    const Image panel = session().waitFor(
        [](const Image& image) { return corner(image).dark > kLetterPixels; }, "the panel's text");
    EXPECT_GT(corner(panel).light, corner(panel).dark);
    session().press('i');
    EXPECT_EQ(session().waitForStable(xsession::kFrameTimeout,
                                      [](const Image& image) { return corner(image).dark == 0; }),
              first);
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
