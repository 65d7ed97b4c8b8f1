// Gaussian-splat files end to end, in pictures read back: a splat's ellipse, its alpha and its
// colour over the background; overlapping splats blended back to front whatever their file
// order; view-dependent colours basis by basis; a torus of flat splats closed; a file's layout
// and bad values that change nothing; the stand-in close to the full picture; and a turn in the
// window that changes a colour as the view does.
#include <cmath>
#include <random>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using plywrite::SplatSpec;
using Vec3 = std::array<double, 3>;

constexpr int kSide = 512;
constexpr double kLevels = 255;
constexpr double kMostAlpha = 0.99;
constexpr double kScreenBlur = 0.3;       // square pixels, on the screen covariance's diagonal
constexpr double kNearlyOpaque = 0.9999;  // an opacity whose alpha is clamped at kMostAlpha
constexpr double kNearlyClear = 1e-4;     // an opacity under the least alpha drawn: not drawn
constexpr double kPi = 3.14159265358979323846;

// Real spherical harmonics of degrees 1 to 3 at a unit direction, in the order of a splat
// file's coefficients.
constexpr double kSh1 = 0.4886025119029199;
constexpr double kSh2[] = {1.0925484305920792, -1.0925484305920792, 0.31539156525252005,
                           -1.0925484305920792, 0.5462742152960396};
constexpr double kSh3[] = {-0.5900435899266435, 2.890611442640554,   -0.4570457994644658,
                           0.3731763325901154,  -0.4570457994644658, 1.445305721320277,
                           -0.5900435899266435};
constexpr int kRestPerChannel[] = {0, 3, 8, 15};
constexpr int kMaxDegree = 3;

std::vector<double> shBasis(const Vec3& d) {
    const double x = d[0], y = d[1], z = d[2], xx = x * x, yy = y * y, zz = z * z;
    return {-kSh1 * y,
            kSh1 * z,
            -kSh1 * x,
            kSh2[0] * x * y,
            kSh2[1] * y * z,
            kSh2[2] * (2 * zz - xx - yy),
            kSh2[3] * x * z,
            kSh2[4] * (xx - yy),
            kSh3[0] * y * (3 * xx - yy),
            kSh3[1] * x * y * z,
            kSh3[2] * y * (4 * zz - xx - yy),
            kSh3[3] * z * (2 * zz - 3 * xx - 3 * yy),
            kSh3[4] * x * (4 * zz - xx - yy),
            kSh3[5] * z * (xx - yy),
            kSh3[6] * x * (xx - 3 * yy)};
}

// The direction a --turn YAW,PITCH view looks along, in the model's frame (+y up): turned by
// pitch about x after yaw about y, as the viewer turns.
Vec3 viewDirection(double yawDegrees, double pitchDegrees) {
    const double yaw = yawDegrees * kPi / 180, pitch = pitchDegrees * kPi / 180;
    return {std::cos(pitch) * std::sin(yaw), -std::sin(pitch), -std::cos(pitch) * std::cos(yaw)};
}

double level(const Image& image, double x, double y, int channel) {
    // Bilinear between the four pixel centres around (x, y), in pixels from the top left.
    const double fx = x - 0.5, fy = y - 0.5;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    const auto at = [&](int px, int py) { return image.pixel(px, py)[channel] / kLevels; };
    return (1 - ty) * ((1 - tx) * at(x0, y0) + tx * at(x0 + 1, y0)) +
           ty * ((1 - tx) * at(x0, y0 + 1) + tx * at(x0 + 1, y0 + 1));
}

bool background(const std::uint8_t* p) {
    return p[0] > 250 && p[1] > 250 && p[2] > 250;
}

// A tiny black splat, nearly opaque: a mark whose pixel shows where a point of the model is.
SplatSpec mark(const Vec3& at) {
    return plywrite::splatOf(at, {1e-3, 1e-3, 1e-3}, {0, 0, 1}, 0, kNearlyOpaque, {0, 0, 0});
}

// The darkness-weighted centre of the pixels within `reach` of (x, y).
std::pair<double, double> darkCentre(const Image& image, double x, double y, int reach) {
    double sum = 0, sx = 0, sy = 0;
    for (int py = static_cast<int>(y) - reach; py <= static_cast<int>(y) + reach; ++py) {
        for (int px = static_cast<int>(x) - reach; px <= static_cast<int>(x) + reach; ++px) {
            const double w = 1 - image.pixel(px, py)[0] / kLevels;
            sum += w;
            sx += w * (px + 0.5);
            sy += w * (py + 0.5);
        }
    }
    return {sx / sum, sy / sum};
}

class PlyviewSplats : public Plyview {
  protected:
    void splatFile(const std::string& name, const std::vector<SplatSpec>& splats,
                   const plywrite::SplatOptions& options = {}) {
        write(name, plywrite::writeSplats(splats, options));
    }
    Image picture(const std::string& file, const std::vector<std::string>& options,
                  const std::vector<std::string>& environment = {}) {
        const std::string png = file + ".png";
        std::vector<std::string> args{"--png", png, "--style", "surface"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(file);
        EXPECT_EQ(runHeadless(args, PLYVIEW_EXE, environment), 0) << headlessErrors();
        return xsession::readPng(work() / png);
    }
};

// One splat of standard deviations 0.1 x (2, 0.5, 0.5) turned 30 degrees about the view axis,
// black, between two marks one unit either side that give the pixels' scale: its ellipse's long
// axis and axis ratio from the image moments of the darkness, and its alpha at one standard
// deviation against the centre's, in either projection. A pure red splat of opacity 0.5 over white
// is (1, 0.5, 0.5) at its centre.
TEST_F(PlyviewSplats, AnEllipseOfTheRightShapeAlphaAndColour) {
    constexpr double kOpacity = 0.8, kLong = 0.2, kShort = 0.05, kTurn = 30;
    const std::vector<std::string> front{"--ortho", "--up", "+y"};
    // In perspective the marks at the splat's depth scale as it does: the same figures.
    const struct {
        double degrees;
        std::vector<std::string> options;
    } cases[] = {{kTurn, front}, {0, front}, {kTurn, {"--up", "+y"}}};
    for (const auto& [degrees, options] : cases) {
        SCOPED_TRACE(testing::Message() << degrees << " degrees, " << options.size() << " options");
        splatFile("one.ply", {plywrite::splatOf({0, 0, 0}, {kLong, kShort, kShort}, {0, 0, 1},
                                                degrees, kOpacity, {0, 0, 0}),
                              mark({-1, 0, 0}), mark({1, 0, 0})});
        const Image image = picture("one.ply", options);
        const auto left = darkCentre(image, kSide * 0.05, kSide / 2, 6);
        const auto right = darkCentre(image, kSide * 0.95, kSide / 2, 6);
        ASSERT_LT(left.first, kSide / 4.0);
        ASSERT_GT(right.first, kSide * 3 / 4.0);
        const double perUnit = (right.first - left.first) / 2;
        const double cx = (left.first + right.first) / 2, cy = (left.second + right.second) / 2;
        // Moments of the darkness within the ellipse's reach, y pointing up.
        const int reach = static_cast<int>(perUnit * kLong * 3.5);
        double m = 0, mx = 0, my = 0, mxx = 0, myy = 0, mxy = 0;
        for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y) {
            for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
                const double w = 1 - image.pixel(x, y)[0] / kLevels;
                const double dx = x + 0.5 - cx, dy = cy - (y + 0.5);
                m += w;
                mx += w * dx;
                my += w * dy;
                mxx += w * dx * dx;
                myy += w * dy * dy;
                mxy += w * dx * dy;
            }
        }
        mx /= m;
        my /= m;
        const double a = mxx / m - mx * mx, b = mxy / m - mx * my, c = myy / m - my * my;
        const double angle = 0.5 * std::atan2(2 * b, a - c) * 180 / kPi;
        const double spread = std::sqrt((a - c) * (a - c) / 4 + b * b);
        const double ratio = std::sqrt(((a + c) / 2 + spread) / ((a + c) / 2 - spread));
        EXPECT_NEAR(angle, degrees, 3);
        EXPECT_NEAR(ratio, 4, 0.4);
        // Alpha one standard deviation along each axis, against the centre's.
        const double turn = degrees * kPi / 180;
        const double centre = 1 - level(image, cx, cy, 0);
        EXPECT_NEAR(centre, kOpacity, 2 / kLevels);
        for (const double sigma : {kLong, kShort}) {
            const double along = sigma == kLong ? turn : turn + kPi / 2;
            const double pixels = sigma * perUnit;
            const double seen =
                1 - level(image, cx + pixels * std::cos(along), cy - pixels * std::sin(along), 0);
            const double expected =
                kOpacity * std::exp(-0.5 * pixels * pixels / (pixels * pixels + kScreenBlur));
            EXPECT_NEAR(seen, expected, 2 / kLevels) << "sigma " << sigma;
            EXPECT_NEAR(expected / kOpacity, std::exp(-0.5), 0.01);
        }
    }
    splatFile("red.ply",
              {plywrite::splatOf({0, 0, 0}, {0.3, 0.3, 0.3}, {0, 0, 1}, 0, 0.5, {1, 0, 0})});
    const Image red = picture("red.ply", front);
    const std::uint8_t* middle = red.pixel(kSide / 2, kSide / 2);
    EXPECT_NEAR(middle[0], 255, 2);
    EXPECT_NEAR(middle[1], 127.5, 2);
    EXPECT_NEAR(middle[2], 127.5, 2);
}

// Three splats of alpha 0.5 in red, green and blue, one behind the other: where they overlap,
// each is laid over what is behind it, from the back, in either file order.
TEST_F(PlyviewSplats, OverlappingSplatsBlendFromTheBackWhateverTheirFileOrder) {
    const Vec3 colours[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // back to front
    std::vector<SplatSpec> splats;
    for (int k = 0; k < 3; ++k) {
        splats.push_back(plywrite::splatOf({0.02 * k, 0, -0.1 + 0.1 * k}, {0.5, 0.5, 0.5},
                                           {0, 0, 1}, 0, 0.5, colours[k]));
    }
    Vec3 expected{1, 1, 1};
    for (const Vec3& colour : colours) {
        for (int c = 0; c < 3; ++c) expected[c] = 0.5 * colour[c] + 0.5 * expected[c];
    }
    for (const bool reversed : {false, true}) {
        std::vector<SplatSpec> inFile = splats;
        if (reversed)
            std::reverse(inFile.begin(), inFile.end());
        splatFile("three.ply", inFile);
        const Image image = picture("three.ply", {"--ortho", "--up", "+y"});
        const std::uint8_t* middle = image.pixel(kSide / 2, kSide / 2);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(middle[c], expected[c] * kLevels, 3) << "reversed " << reversed;
        }
    }
}

// A splat of each degree with one of that degree's coefficients of red set, seen along one
// direction in a parallel projection: it is coloured 0.5 + that basis function times the
// coefficient. Its alpha comes from green, whose colour is 0.5, so that red's colour under it is
// known exactly.
TEST_F(PlyviewSplats, ViewDependentColoursFollowEachBasisFunction) {
    constexpr double kCoefficient = 0.8;
    const std::vector<double> basis = shBasis(viewDirection(30, 20));
    for (int degree = 1; degree <= kMaxDegree; ++degree) {
        plywrite::SplatOptions options;
        options.degree = degree;
        for (int j = kRestPerChannel[degree - 1]; j < kRestPerChannel[degree]; ++j) {
            SplatSpec splat = plywrite::splatOf({0, 0, 0}, {0.5, 0.5, 0.5}, {0, 0, 1}, 0,
                                                kNearlyOpaque, {0.5, 0.5, 0.5});
            splat.rest[static_cast<std::size_t>(j)] = kCoefficient;  // red's block comes first
            splatFile("sh.ply", {splat}, options);
            const Image image = picture("sh.ply", {"--ortho", "--up", "+y", "--turn", "30,20"});
            const std::uint8_t* p = image.pixel(kSide / 2, kSide / 2);
            const double alpha = (1 - p[1] / kLevels) / 0.5;
            const double red = 0.5 + kCoefficient * basis[static_cast<std::size_t>(j)];
            EXPECT_NEAR(alpha, kMostAlpha, 2 / kLevels) << "degree " << degree << ", " << j;
            EXPECT_NEAR((1 - (1 - p[0] / kLevels) / alpha) * kLevels, red * kLevels, 3)
                << "degree " << degree << ", coefficient " << j;
        }
    }
}

// A torus of flat splats is closed: hardly any background shows inside its ring.
TEST_F(PlyviewSplats, ATorusOfFlatSplatsIsClosed) {
    splatFile("torus.ply", plywrite::splatTorus(120, 48));
    const Image image = picture("torus.ply", {"--ortho", "--up", "+y"});
    const double cx = kSide / 2.0, cy = kSide / 2.0;
    double outer = 0, inner = kSide;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (!background(image.pixel(x, y))) {
                const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                outer = std::max(outer, r);
                inner = std::min(inner, r);
            }
        }
    }
    ASSERT_GT(outer, kSide / 4.0);
    const double margin = 0.03 * outer;  // the soft rims
    long inside = 0, holes = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (r > inner + margin && r < outer - margin) {
                ++inside;
                holes += background(image.pixel(x, y)) ? 1 : 0;
            }
        }
    }
    EXPECT_LE(holes, inside / 100) << holes << " of " << inside;
}

// Text and binary files of every degree, their properties in an order of their own, show the
// very pictures of their plain twins; bad values are left out, counted in one line, and the
// picture is that of the good splats alone.
TEST_F(PlyviewSplats, LayoutsAndBadValuesChangeNothingButTheirLine) {
    constexpr int kCount = 400;
    const std::vector<std::string> view{"--turn", "40,25"};
    for (int degree = 0; degree <= 3; ++degree) {
        SCOPED_TRACE(degree);
        std::vector<SplatSpec> splats;
        for (int i = 0; i < kCount; ++i) {
            SplatSpec splat = plywrite::sceneSplat(i);
            std::fill(splat.rest.begin(), splat.rest.end(), 0.0);
            const SplatSpec full = plywrite::sceneSplat(i);
            for (int c = 0; c < 3; ++c) {  // the degree's coefficients of each channel
                for (int j = 0; j < kRestPerChannel[degree]; ++j) {
                    splat.rest[c * kRestPerChannel[degree] + j] =
                        full.rest[c * kRestPerChannel[kMaxDegree] + j];
                }
            }
            splats.push_back(splat);
        }
        plywrite::SplatOptions plain;
        plain.degree = degree;
        splatFile("plain.ply", splats, plain);
        const Image expected = picture("plain.ply", view);
        for (const plywrite::Format format :
             {plywrite::Format::kAscii, plywrite::Format::kBinaryBigEndian}) {
            plywrite::SplatOptions twin = plain;
            twin.format = format;
            twin.shuffled = true;
            splatFile("twin.ply", splats, twin);
            EXPECT_EQ(xsession::differingPixels(picture("twin.ply", view), expected), 0)
                << "format " << static_cast<int>(format);
        }
    }
    // Three bad splats among good ones, their centres inside the good ones' box.
    std::vector<SplatSpec> good;
    for (int i = 0; i < kCount; ++i) good.push_back(plywrite::sceneSplat(i));
    std::vector<SplatSpec> bad = good;
    SplatSpec zeroTurn = good[0], endless = good[1], unknown = good[2];
    zeroTurn.rotation = {0, 0, 0, 0};
    endless.logScale[0] = std::numeric_limits<double>::infinity();
    unknown.dc[1] = std::numeric_limits<double>::quiet_NaN();
    bad.insert(bad.begin() + kCount / 2, {zeroTurn, endless, unknown});
    splatFile("good.ply", good);
    splatFile("bad.ply", bad);
    const Image alone = picture("good.ply", view);
    const Image withBad = picture("bad.ply", view);
    const std::string said = headlessOutput();
    const std::string line = "bad.ply: 3 splats left out: a value not finite, or a zero rotation\n";
    ASSERT_NE(said.find(line), std::string::npos) << said;
    EXPECT_EQ(said.find(line), said.rfind(line)) << "once";
    EXPECT_NE(said.find("bad.ply: a Gaussian-splat capture, shown with -y up (--up chooses "
                        "another)"),
              std::string::npos)
        << said;
    EXPECT_EQ(xsession::differingPixels(withBad, alone), 0);
}

// The stand-in that moving frames draw (made for the picture in the tests' mode) is closer to the
// full picture than a random tenth of the splats is: the merged splats cover what they stand for.
TEST_F(PlyviewSplats, TheStandInIsCloserToTheFullPictureThanARandomSubset) {
    std::vector<SplatSpec> splats = plywrite::splatTorus(160, 64);
    const std::size_t standIn = splats.size() / 10;
    // The box's corners as invisible splats in both files, so that both are framed alike.
    const SplatSpec low = plywrite::splatOf({-1.5, -1.5, -0.5}, {0.01, 0.01, 0.01}, {0, 0, 1}, 0,
                                            kNearlyClear, {0, 0, 0});
    SplatSpec high = low;
    high.position = {1.5, 1.5, 0.5};
    std::vector<SplatSpec> subset = splats;
    std::shuffle(subset.begin(), subset.end(), std::mt19937(11));
    subset.resize(standIn);
    for (std::vector<SplatSpec>* file : {&splats, &subset}) {
        file->push_back(low);
        file->push_back(high);
    }
    splatFile("full.ply", splats);
    splatFile("subset.ply", subset);
    const std::vector<std::string> view{"--turn", "20,30", "--up", "+y"};
    const Image full = picture("full.ply", view);
    const Image random = picture("subset.ply", view);
    const Image merged =
        picture("full.ply", view, {"PLYVIEW_TEST_STAND_IN=" + std::to_string(standIn)});
    ASSERT_TRUE(merged != full) << "the stand-in drawn";
    double mergedOff = 0, randomOff = 0;
    long pixels = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (background(full.pixel(x, y)))
                continue;
            ++pixels;
            for (int c = 0; c < 3; ++c) {
                mergedOff += std::abs(merged.pixel(x, y)[c] - full.pixel(x, y)[c]);
                randomOff += std::abs(random.pixel(x, y)[c] - full.pixel(x, y)[c]);
            }
        }
    }
    ASSERT_GT(pixels, kSide * kSide / 10);
    EXPECT_LE(mergedOff, randomOff / 2) << mergedOff / pixels << " against " << randomOff / pixels;
}

// In the window, half a turn with the arrow keys brings the eye to the other side of a degree-1
// splat: the red of its z basis function changes sign, as the formula says.
TEST_F(PlyviewSplats, HalfATurnInTheWindowChangesADegreeOneColour) {
    constexpr double kCoefficient = 0.8;
    SplatSpec splat =
        plywrite::splatOf({0, 0, 0}, {0.5, 0.5, 0.5}, {0, 0, 1}, 0, kNearlyOpaque, {0.5, 0.5, 0.5});
    splat.rest[1] = kCoefficient;  // red's z basis function
    plywrite::SplatOptions options;
    options.degree = 1;
    splatFile("turn.ply", {splat}, options);
    const auto red = [](const Image& image) {
        return image.pixel(image.width / 2, image.height / 2)[0];
    };
    const auto over = [](double colour) {
        return (kMostAlpha * colour + (1 - kMostAlpha)) * kLevels;
    };
    start({"--style", "surface", "--up", "+y", "turn.ply"}, title("turn.ply", 1, 1))
        .waitForWindow();
    const Image front = session().waitForStable(
        xsession::kFrameTimeout, [&](const Image& image) { return red(image) < 128; });
    EXPECT_NEAR(red(front), over(0.5 + kCoefficient * kSh1 * -1), 3) << "looking along -z";
    const int halfTurn = static_cast<int>(180 / 15);  // the arrow keys turn 15 degrees
    for (int i = 0; i < halfTurn; ++i) session().press(xsession::Arrow::kLeft);
    const Image back = session().waitFor(
        [&](const Image& image) {
            return std::abs(red(image) - over(0.5 + kCoefficient * kSh1)) <= 3;
        },
        "the red of the other side");
    EXPECT_NEAR(red(back), over(0.5 + kCoefficient * kSh1), 3) << "looking along +z";
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
