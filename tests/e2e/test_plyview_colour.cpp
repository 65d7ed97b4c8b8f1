// Colour by what the file measured, end to end, in pictures read back: an intensity rises through
// the scale however far one outlier lies, labels get distinct colours, the height follows the up
// axis, a name the file lacks is a usage error, and `c` brings the scale and its legend into a
// real window.
#include <map>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

constexpr int kSide = 512;
constexpr int kGrid = 40;           // quads (or point gaps) along each side of the plane
constexpr double kOutlier = 1000;   // 1,000 times the largest other intensity
constexpr int kLevelTolerance = 2;  // rounding between the scale's steps and GL
constexpr int kLabels = 5;

int green(const Image& image, int x, int y) {
    return image.pixel(x, y)[1];
}

// How far along the scale a lit colour is, whatever the light: green's share of the sum rises
// from the dark blue end to the yellow one.
double greenShare(const Image& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    return p[1] / (1.0 + p[0] + p[1] + p[2]);
}

bool white(const std::uint8_t* p) {
    return p[0] > 250 && p[1] > 250 && p[2] > 250;
}

// The first and last pixels of a row that are not the background.
std::pair<int, int> rowExtent(const Image& image, int row) {
    int first = 0, last = image.width - 1;
    while (first < last && white(image.pixel(first, row))) {
        ++first;
    }
    while (last > first && white(image.pixel(last, row))) {
        --last;
    }
    return {first, last};
}

// A plane of (kGrid + 1)^2 vertices over [-1, 1]^2 at z = tilt (x + y), facing the eye, with an
// `intensity` equal to (x + 1) / 2 (kOutlier at one corner) and a `label` of kLabels bands
// along y; as quads, or as a cloud of points.
std::string measuredPlane(bool faces, double tilt = 0) {
    const int n = kGrid + 1;
    std::string text = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(n * n) +
                       "\nproperty float x\nproperty float y\nproperty float z\n"
                       "property float intensity\nproperty uchar label\n";
    if (faces) {
        text += "element face " + std::to_string(kGrid * kGrid) +
                "\nproperty list uchar int vertex_indices\n";
    }
    text += "end_header\n";
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double x = -1 + 2.0 * i / kGrid, y = -1 + 2.0 * j / kGrid;
            const double intensity = i == 0 && j == n - 1 ? kOutlier : (x + 1) / 2;
            const int label = std::min(kLabels - 1, j * kLabels / n);
            text += std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string(tilt * (x + y)) + " " + std::to_string(intensity) + " " +
                    std::to_string(label) + "\n";
        }
    }
    for (int j = 0; faces && j < kGrid; ++j) {
        for (int i = 0; i < kGrid; ++i) {
            const int a = j * n + i;
            text += "4 " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                    std::to_string(a + n + 1) + " " + std::to_string(a + n) + "\n";
        }
    }
    return text;
}

class PlyviewColour : public Plyview {
  protected:
    Image picture(const std::string& file, const std::vector<std::string>& options) {
        const std::string png = file + ".png";
        std::vector<std::string> args{"--png", png, "--size",
                                      std::to_string(kSide) + "x" + std::to_string(kSide)};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(file);
        EXPECT_EQ(runHeadless(args), 0) << headlessErrors();
        return xsession::readPng(work() / png);
    }
};

TEST_F(PlyviewColour, AnIntensityRisesThroughTheScaleAndAnOutlierDoesNotFlattenIt) {
    write("plane.ply", measuredPlane(true));
    const Image image = picture("plane.ply", {"--ortho", "--color-by", "intensity"});
    EXPECT_NE(
        headlessOutput().find("plane.ply: colour by intensity: 0 .. 1 (1st to 99th percentile)"),
        std::string::npos)
        << headlessOutput();
    // Along a row below the legend: green rises through the scale, left to right.
    const int row = kSide / 2 + kSide / 8;
    const auto [left, right] = rowExtent(image, row);
    ASSERT_GT(right - left, kSide / 2);
    int last = -1;
    for (int x = left + 2; x <= right - 2; ++x) {
        EXPECT_GE(green(image, x, row) + kLevelTolerance, last) << "at x " << x;
        last = std::max(last, green(image, x, row));
    }
    EXPECT_LT(green(image, left + 2, row), 40) << "the low end: dark blue";
    EXPECT_GT(green(image, right - 2, row), 180) << "the high end: yellow";
    // The legend's bar spans the scale in the top right corner.
    const int barX = kSide - 40;
    int barGreens = 0;
    for (int y = 0; y < kSide / 2; ++y) {
        barGreens += !white(image.pixel(barX, y)) && green(image, barX, y) > 180 ? 1 : 0;
    }
    EXPECT_GT(barGreens, 0) << "no yellow in the legend's column";
}

TEST_F(PlyviewColour, LabelsGetDistinctColoursAndAMissingNameIsAUsageError) {
    write("cloud.ply", measuredPlane(false));
    const Image image = picture("cloud.ply", {"--point-size", "8", "--color-by", "label"});
    // The colours of most of the cloud's pixels, below the legend.
    std::map<int, long> counts;
    long drawn = 0;
    for (int y = kSide / 2; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            if (!white(p)) {
                ++counts[p[0] << 16 | p[1] << 8 | p[2]];
                ++drawn;
            }
        }
    }
    int frequent = 0;
    for (const auto& [colour, count] : counts) {
        frequent += count * 40 > drawn ? 1 : 0;
    }
    EXPECT_EQ(frequent, 3) << "the lower half holds three of the five bands";
    EXPECT_NE(headlessOutput().find("cloud.ply: colour by label: 0 1 2 3 4"), std::string::npos)
        << headlessOutput();

    EXPECT_EQ(runHeadless({"--png", "x.png", "--color-by", "nosuch", "cloud.ply"}), 2);
    const std::string said = headlessErrors();
    EXPECT_NE(said.find("nosuch"), std::string::npos) << said;
    EXPECT_NE(said.find("intensity, label"), std::string::npos) << said;
}

TEST_F(PlyviewColour, TheHeightFollowsTheUpAxis) {
    write("tilted.ply", measuredPlane(true, 0.5));
    for (const char* up : {"+y", "+z"}) {
        const Image image = picture("tilted.ply", {"--up", up, "--color-by", "height"});
        const int column = kSide / 2;
        int top = 0, bottom = kSide - 1;
        while (top < bottom && white(image.pixel(column, top))) {
            ++top;
        }
        while (bottom > top && white(image.pixel(column, bottom))) {
            --bottom;
        }
        EXPECT_GT(greenShare(image, column, top + 3), greenShare(image, column, bottom - 3) + 0.15)
            << "up " << up << ": higher is further along the scale";
    }
    // Seen from the same side, the colours differ as the heights do.
    const Image y = picture("tilted.ply", {"--up", "+y", "--color-by", "height"});
    const Image yAgain = picture("tilted.ply", {"--up", "+y", "--color-by", "height"});
    const Image z = picture("tilted.ply", {"--up", "+z", "--view", "top", "--color-by", "height"});
    EXPECT_EQ(xsession::differingPixels(y, yAgain), 0);
    EXPECT_GT(xsession::differingPixels(y, z), kSide * kSide / 10);
}

TEST_F(PlyviewColour, CBringsAPropertyAndItsLegendIntoTheWindow) {
    write("plane.ply", measuredPlane(true));
    start({"--style", "surface", "--ortho", "plane.ply"}, title("plane.ply", 1, 1));
    session().waitForWindow();
    const Image grey = session().waitForStable(xsession::kWindowTimeout, [](const Image& image) {
        return xsession::countColours(image).other > kSide * kSide / 4;  // the grey plane
    });
    session().press('c');
    const int row = kSide / 2 + kSide / 8;
    const Image coloured = session().waitFor(
        [&](const Image& now) { return xsession::differingPixels(now, grey) > kSide * kSide / 4; },
        "a coloured frame");
    const auto [left, right] = rowExtent(coloured, row);
    EXPECT_LT(green(coloured, left + 2, row), 40);
    EXPECT_GT(green(coloured, right - 2, row), 180);
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
