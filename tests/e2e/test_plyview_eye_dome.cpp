// Point clouds shaded end to end, in pictures read back: eye-dome lighting darkens a ball's rim
// and the step where a near plane ends, but neither a plane facing the eye, near or far, in
// either projection; `l` turns it off in the window (and the box still hides behind the cloud);
// a cloud with normals is lit brightest where they face the eye.
#include <cmath>
#include <set>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

constexpr int kBallPoints = 200000;  // 3-pixel points cover a ball filling half the window
constexpr int kPlaneSide = 300;      // points along a side of the far plane: they cover it
constexpr int kSurfaceLevel = 191;   // the surface's grey, 0.75, unshaded
constexpr int kLevelTolerance = 3;
constexpr int kRimDarker = 40;      // levels a shaded rim is below the centre at least
constexpr double kRimInset = 0.04;  // of the ball's width, in from its silhouette

int level(const Image& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    return (p[0] + p[1] + p[2]) / 3;
}

// A cloud of these points, binary; with normals (pointing from the origin) when asked, all one
// light grey then.
std::string cloudPly(std::vector<std::array<double, 3>> points, bool normals = false) {
    plywrite::Mesh mesh;
    mesh.positions = std::move(points);
    plywrite::Options options;
    options.pointCloud = true;
    options.format = plywrite::Format::kBinaryLittleEndian;
    options.normalsAndColours = normals;
    options.oneColour = {kSurfaceLevel, kSurfaceLevel, kSurfaceLevel};
    return plywrite::write(mesh, options);
}

// A unit ball's surface, points spread evenly (a golden-angle spiral).
std::vector<std::array<double, 3>> ball() {
    std::vector<std::array<double, 3>> points;
    const double turn = M_PI * (3 - std::sqrt(5.0));
    for (int i = 0; i < kBallPoints; ++i) {
        const double y = 1 - 2 * (i + 0.5) / kBallPoints, r = std::sqrt(1 - y * y);
        points.push_back({r * std::cos(turn * i), y, r * std::sin(turn * i)});
    }
    return points;
}

// The ball's centre and a point of its left rim, in the middle row of what is drawn in grey.
struct Ball {
    int centre, rim;
};
Ball levelsOf(const Image& image) {
    const xsession::Spread drawn = xsession::spreadOf(image, Colour::kOther);
    const int y = static_cast<int>(drawn.centreY);
    return {level(image, static_cast<int>(drawn.centreX), y),
            level(image, drawn.minX + static_cast<int>(drawn.width() * kRimInset), y)};
}

std::size_t greyShades(const Image& image) {
    std::set<int> seen;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (xsession::classify(image.pixel(x, y)) == Colour::kOther) {
                seen.insert(level(image, x, y));
            }
        }
    }
    return seen.size();
}

TEST_F(Plyview, EyeDomeLightingShadesACloudsRimAndLTurnsItOff) {
    write("ball.ply", cloudPly(ball()));
    write("lit.ply", cloudPly(ball(), true));
    start({"--style", "surface", "ball.ply", "lit.ply"}, title("ball.ply", 1, 2)).waitForWindow();
    // The ball on the white background: a black window before the first frame is not it.
    const auto grey = [](const Image& image) {
        const xsession::ColourCounts counts = coloursOf(image);
        return counts.other > 10000 && counts.white > 10000;
    };
    const Image shaded = session().waitForStable(xsession::kWindowTimeout, grey);
    const Ball on = levelsOf(shaded);
    EXPECT_NEAR(on.centre, kSurfaceLevel, kLevelTolerance) << "facing the eye: unshaded";
    EXPECT_LT(on.rim, on.centre - kRimDarker);

    // The box drawn after the shading still hides behind the ball, as it does unshaded.
    session().press('e');
    const Image boxed = session().waitForChange(shaded);
    session().press('l');
    const Image flat = session().waitForChange(boxed);
    EXPECT_EQ(greyShades(flat), 1u) << "one grey, rim and centre alike";
    EXPECT_EQ(coloursOf(flat).blue, coloursOf(boxed).blue);
    EXPECT_GT(coloursOf(flat).blue, 0);

    // Lit by its normals alone (`l` stays off): brightest where they face the eye.
    const Image lit = step('N', title("lit.ply", 2, 2));
    const Ball light = levelsOf(lit);
    EXPECT_NEAR(light.centre, kSurfaceLevel, kLevelTolerance);
    EXPECT_LT(light.rim, light.centre - kRimDarker);
    EXPECT_EQ(quit(), 0);
}

// Two planes facing the eye, the near one over the right half of the far one: a dark line on
// the far plane where the near one ends, and both planes as bright as the unshaded grey, which
// shading by depth alone would not give.
TEST_F(Plyview, EyeDomeLightingDarkensAStepInDepthAndNotPlanesFacingTheEye) {
    std::vector<std::array<double, 3>> points;
    for (int i = 0; i < kPlaneSide; ++i) {
        for (int j = 0; j < kPlaneSide; ++j) {
            const double x = -1 + 2.0 * i / (kPlaneSide - 1), y = -1 + 2.0 * j / (kPlaneSide - 1);
            points.push_back({x, y, 0});
            if (x >= 0) {
                points.push_back({x, y, 0.5});
            }
        }
    }
    write("planes.ply", cloudPly(points));
    for (const std::string projection : {"perspective", "--ortho"}) {
        std::vector<std::string> args{"--png", "planes.png", "--style", "surface", "planes.ply"};
        if (projection == "--ortho") {
            args.push_back(projection);
        }
        ASSERT_EQ(runHeadless(args), 0) << headlessErrors();
        const Image image = xsession::readPng(work() / "planes.png");
        const xsession::Spread drawn = xsession::spreadOf(image, Colour::kOther);
        const int y = static_cast<int>(drawn.centreY);
        int step = drawn.minX + 1;  // the darkest pixel inside the row
        for (int x = drawn.minX + 1; x < drawn.maxX; ++x) {
            step = level(image, x, y) < level(image, step, y) ? x : step;
        }
        EXPECT_NEAR(step, image.width / 2, image.width / 20) << projection;
        EXPECT_LT(level(image, step, y), kSurfaceLevel / 2) << projection;
        for (const int x : {(drawn.minX + step) / 2, (step + drawn.maxX) / 2}) {
            EXPECT_NEAR(level(image, x, y), kSurfaceLevel, kLevelTolerance) << projection << x;
        }
    }
}

}  // namespace
}  // namespace e2e
