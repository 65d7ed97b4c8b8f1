// plyview's navigation end to end, in a real window and in pictures drawn without a display:
// pans and the wheel keep the grabbed point under the pointer, a double click chooses the
// rotation centre, the view keys and options show the side that faces the eye, the orthographic
// projection keeps parallel edges parallel, the up axis stands a post upright, a close-up of a
// huge model is neither lost nor clipped, and points take the size of their option and keys.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iterator>
#include <numeric>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using xsession::Arrow;
using xsession::classify;
using xsession::Point;
using xsession::Spread;
using Level = std::array<int, 3>;
using Args = std::vector<std::string>;

constexpr unsigned kMiddleButton = 2;
constexpr int kSide = 512;                     // plyview's window and pictures
constexpr double kCentre = (kSide - 1) / 2.0;  // the window's centre, as a pixel centroid
constexpr Point kCorner{8, 8};                 // background in every picture it is used in
constexpr double kTolerance = 2;               // pixels
constexpr int kDragSteps = 8;
constexpr double kWheelStep = 0.9;       // distance factor of one notch forward
constexpr double kRatioTolerance = 0.1;  // of a size ratio after some notches

// ===== Models =====

// The sides of a box by outward normal, and each side's colour in the test blocks.
enum Side { kPlusX, kMinusX, kPlusY, kMinusY, kPlusZ, kMinusZ, kSideCount };
constexpr std::array<Level, kSideCount> kSideColours = {
    {{255, 0, 0}, {0, 255, 255}, {0, 255, 0}, {255, 0, 255}, {0, 0, 255}, {255, 255, 0}}};
constexpr const char* kSideNames[kSideCount] = {"+x", "-x", "+y", "-y", "+z", "-z"};
// Corners of a box by number: bit 0 picks the high x, bit 1 the high y, bit 2 the high z.
constexpr std::array<std::array<int, 4>, kSideCount> kSideCorners = {
    {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}}};

constexpr Level kGrey{128, 128, 128};
constexpr Level kRed{255, 0, 0};
constexpr Level kGreen{0, 255, 0};
constexpr Level kBlue{0, 0, 255};

// A rectangle in the plane z = 0.
struct Rect {
    double minX, minY, maxX, maxY;
    bool holds(double x, double y) const { return x > minX && x < maxX && y > minY && y < maxY; }
};

// Flat-coloured pieces, each with vertices of its own so that no colour runs into the next.
class Pieces {
  public:
    void quad(const std::array<P3, 4>& corners, const Level& colour) {
        const int first = static_cast<int>(mesh_.positions.size());
        for (const P3& p : corners) {
            mesh_.positions.push_back({p.x, p.y, p.z});
            mesh_.colours.push_back(colour);
        }
        mesh_.faces.push_back({first, first + 1, first + 2});
        mesh_.faces.push_back({first, first + 2, first + 3});
    }

    void rect(const Rect& r, const Level& colour) {
        quad({P3{r.minX, r.minY, 0}, {r.maxX, r.minY, 0}, {r.maxX, r.maxY, 0}, {r.minX, r.maxY, 0}},
             colour);
    }

    // `outer` without `inner`, which lies inside it, as four rectangles.
    void ring(const Rect& outer, const Rect& inner, const Level& colour) {
        rect({outer.minX, outer.minY, outer.maxX, inner.minY}, colour);
        rect({outer.minX, inner.maxY, outer.maxX, outer.maxY}, colour);
        rect({outer.minX, inner.minY, inner.minX, inner.maxY}, colour);
        rect({inner.maxX, inner.minY, outer.maxX, inner.maxY}, colour);
    }

    // Each side in its colour from kSideColours.
    void box(P3 low, P3 high) {
        auto corner = [&](int i) {
            return P3{i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z};
        };
        for (int side = 0; side < kSideCount; ++side) {
            const auto& c = kSideCorners[side];
            quad({corner(c[0]), corner(c[1]), corner(c[2]), corner(c[3])}, kSideColours[side]);
        }
    }

    std::string ply() const {
        plywrite::Options options;
        options.coordinate = plywrite::Type::kFloat64;
        options.normalsAndColours = true;
        options.coloursOnly = true;
        return plywrite::write(mesh_, options);
    }

  private:
    plywrite::Mesh mesh_;
};

constexpr Rect kRedSpot{0.4, 0.2, 0.6, 0.4};        // off the plate's centre
constexpr Rect kGreenCentre{-0.1, -0.1, 0.1, 0.1};  // around the box centre
constexpr int kPlateCells = 20;                     // across the 2 x 2 plate

// A 2 x 2 plate facing +z around the origin, in grey cells, with a red spot and a green centre.
std::string markedPlate() {
    Pieces pieces;
    const double cell = 2.0 / kPlateCells;
    for (int i = 0; i < kPlateCells; ++i) {
        for (int j = 0; j < kPlateCells; ++j) {
            const Rect r{-1 + i * cell, -1 + j * cell, -1 + (i + 1) * cell, -1 + (j + 1) * cell};
            const double x = (r.minX + r.maxX) / 2, y = (r.minY + r.maxY) / 2;
            pieces.rect(r, kRedSpot.holds(x, y) ? kRed : kGreenCentre.holds(x, y) ? kGreen : kGrey);
        }
    }
    return pieces.ply();
}

// An L of two boxes in the xy plane, 2 wide, 3 high and 1 deep: no two views look alike.
std::string ellBlock() {
    Pieces pieces;
    pieces.box({0, 0, 0}, {2, 1, 1});
    pieces.box({0, 1, 0}, {1, 3, 1});
    return pieces.ply();
}

// A 100,000-unit plate facing +z with a 1,000-unit blue square and, in it, a 10-unit red one,
// both halfway out to the right.
std::string hugePlate() {
    constexpr double kHalfPlate = 50000, kHalfBlue = 500, kHalfRed = 5, kAt = kHalfPlate / 2;
    auto around = [&](double x, double half) { return Rect{x - half, -half, x + half, half}; };
    Pieces pieces;
    pieces.ring(around(0, kHalfPlate), around(kAt, kHalfBlue), kGrey);
    pieces.ring(around(kAt, kHalfBlue), around(kAt, kHalfRed), kBlue);
    pieces.rect(around(kAt, kHalfRed), kRed);
    return pieces.ply();
}

// ===== Measures =====

Spread spotOf(const Image& image) {
    return xsession::spreadOf(image, Colour::kRed);
}

Point pointAt(const Spread& spread) {
    return {static_cast<int>(std::lround(spread.centreX)),
            static_cast<int>(std::lround(spread.centreY))};
}

void expectAt(const Spread& spread, double x, double y, const std::string& what) {
    EXPECT_GT(spread.count, 0) << what;
    EXPECT_NEAR(spread.centreX, x, kTolerance) << what;
    EXPECT_NEAR(spread.centreY, y, kTolerance) << what;
}

// The side whose colour a pixel shows in any light: the channels at least half of the
// brightest one; none for white, grey and black.
int sideOf(const std::uint8_t* rgb) {
    constexpr int kDark = 40;
    const int brightest = std::max({rgb[0], rgb[1], rgb[2]});
    for (int side = 0; side < kSideCount && brightest > kDark; ++side) {
        bool match = true;
        for (int c = 0; c < 3; ++c) {
            match = match && (rgb[c] * 2 >= brightest) == (kSideColours[side][c] > 0);
        }
        if (match) {
            return side;
        }
    }
    return kSideCount;
}

// Pixels of each side's colour; the last entry counts every other pixel.
std::array<long, kSideCount + 1> sideCounts(const Image& image) {
    std::array<long, kSideCount + 1> counts{};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            ++counts[sideOf(image.pixel(x, y))];
        }
    }
    return counts;
}

std::string dominantSide(const Image& image) {
    const auto counts = sideCounts(image);
    const auto most = std::max_element(counts.begin(), counts.begin() + kSideCount);
    return *most > 0 ? kSideNames[most - counts.begin()] : "none";
}

// Sides that each show on at least a tenth of the pixels in side colours.
int sidesShown(const Image& image) {
    constexpr long kShare = 10;
    const auto counts = sideCounts(image);
    const long all = std::accumulate(counts.begin(), counts.begin() + kSideCount, 0L);
    return static_cast<int>(std::count_if(counts.begin(), counts.begin() + kSideCount,
                                          [&](long count) { return count * kShare >= all; }));
}

// Height over width of the green wireframe.
double tallness(const Image& image) {
    const Spread green = greenOf(image);
    return green.count > 0 ? static_cast<double>(green.height()) / green.width() : 0;
}

// A straight line through points (a, b) by least squares: b at any a.
class LineFit {
  public:
    void add(double a, double b) {
        ++n_;
        sa_ += a;
        sb_ += b;
        saa_ += a * a;
        sab_ += a * b;
    }
    double slope() const { return (n_ * sab_ - sa_ * sb_) / (n_ * saa_ - sa_ * sa_); }
    double at(double a) const { return sb_ / n_ + slope() * (a - sa_ / n_); }

  private:
    double n_ = 0, sa_ = 0, sb_ = 0, saa_ = 0, sab_ = 0;
};

// A long box's wireframe outline: lines fitted to the first and the last green pixel of each
// row (or column, when the outline lies wider than tall) away from its ends. `narrowing` is how
// much the lines' distance changes over the outline's length, `widthAtCentre` their distance at
// the window's centre, in pixels along the rows (columns).
struct Outline {
    double narrowing = 0;
    double widthAtCentre = 0;
};

Outline outlineOf(const Image& image) {
    constexpr double kEndMargin = 0.3;  // of the length at each end, where the end faces show
    const Spread green = greenOf(image);
    const bool rows = green.height() >= green.width();
    const int first = rows ? green.minY : green.minX, last = rows ? green.maxY : green.maxX;
    const int margin = static_cast<int>((last - first) * kEndMargin);
    LineFit low, high;
    for (int a = first + margin; a <= last - margin; ++a) {
        int lowest = -1, highest = -1;
        for (int b = 0; b < (rows ? image.width : image.height); ++b) {
            if (classify(rows ? image.pixel(b, a) : image.pixel(a, b)) == Colour::kGreen) {
                lowest = lowest < 0 ? b : lowest;
                highest = b;
            }
        }
        if (lowest >= 0) {
            low.add(a, lowest);
            high.add(a, highest);
        }
    }
    return {(high.slope() - low.slope()) * (last - first), high.at(kCentre) - low.at(kCentre)};
}

// ===== Fixture =====

class PlyviewNavigation : public Plyview {
  protected:
    // The picture of `file` drawn without a display, with `args`.
    Image picture(const std::string& file, const Args& args) {
        const std::string png = "picture" + std::to_string(++pictures_) + ".png";
        Args all = {"--png", png};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(file);
        EXPECT_EQ(runHeadless(all), 0) << headlessErrors();
        return xsession::readPng(work() / png);
    }

    // plyview in a window on `file` with `args`; its first frame, once the model shows.
    Image open(const std::string& file, Args args = {}) {
        args.push_back(file);
        start(args, title(file, 1, 1)).waitForWindow();
        return session().waitForStable(xsession::kWindowTimeout, [](const Image& image) {
            const long white = coloursOf(image).white;
            return white > 0 && white < static_cast<long>(image.width) * image.height;
        });
    }

    Image settled() { return session().waitForStable(); }
    Image changed(const Image& before) {
        session().waitForChange(before);
        return settled();
    }

  private:
    int pictures_ = 0;
};

// ===== Tests =====

TEST_F(PlyviewNavigation, PansAndTheWheelKeepTheGrabbedPointUnderThePointer) {
    write("plate.ply", markedPlate());
    const Image first = open("plate.ply", {"--style", "surface"});
    auto& client = session().client();
    const auto window = session().window();
    ASSERT_EQ(classify(first.pixel(kCorner.x, kCorner.y)), Colour::kWhite);

    struct Pan {
        const char* how;
        std::function<void(Point)> act;  // given where the spot is
        double dx, dy;                   // how far the spot moves
    };
    constexpr int kAcross = 60, kDown = 40;
    const double tenth = kSide / 10.0;  // a Shift+arrow's pan
    const std::vector<Pan> pans = {
        {"middle drag",
         [&](Point p) {
             client.drag(window, kMiddleButton, p, {p.x + kAcross, p.y - kDown}, kDragSteps);
         },
         kAcross, -kDown},
        {"Shift+left drag",
         [&](Point p) {
             client.shiftDrag(window, kLeftButton, p, {p.x - kAcross, p.y + kDown}, kDragSteps);
         },
         -kAcross, kDown},
        {"Shift+Right", [&](Point) { session().press(Arrow::kRight, true); }, tenth, 0},
        {"Shift+Up", [&](Point) { session().press(Arrow::kUp, true); }, 0, -tenth},
        {"Shift+Left", [&](Point) { session().press(Arrow::kLeft, true); }, -tenth, 0},
        {"Shift+Down", [&](Point) { session().press(Arrow::kDown, true); }, 0, tenth},
    };
    Image now = first;
    for (const Pan& pan : pans) {
        const Spread before = spotOf(now);
        pan.act(pointAt(before));
        now = changed(now);
        expectAt(spotOf(now), before.centreX + pan.dx, before.centreY + pan.dy, pan.how);
    }

    constexpr int kNotches = 5;
    const Spread spot = spotOf(now);
    const Point pointer = pointAt(spot);
    client.wheel(window, pointer, kNotches);
    now = changed(now);
    const Spread nearer = spotOf(now);
    expectAt(nearer, pointer.x, pointer.y, "five notches in over the spot");
    EXPECT_NEAR(static_cast<double>(nearer.width()) / spot.width(), std::pow(kWheelStep, -kNotches),
                kRatioTolerance);

    session().press('0');
    EXPECT_EQ(changed(now), first);

    // Over the background the wheel zooms away from and towards the rotation centre, the box
    // centre here: back first, so that the pointer stays over the background.
    constexpr int kBackgroundNotches = 3;
    now = first;
    for (const int notches : {-kBackgroundNotches, kBackgroundNotches}) {
        const Spread before = greenOf(now);
        client.wheel(window, kCorner, notches);
        now = changed(now);
        const std::string what = std::to_string(notches) + " notches over the background";
        expectAt(greenOf(now), kCentre, kCentre, what);
        EXPECT_NEAR(static_cast<double>(greenOf(now).width()) / before.width(),
                    std::pow(kWheelStep, -notches), kRatioTolerance)
            << what;
    }
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, ADoubleClickChoosesTheCentreTheModelTurnsAbout) {
    write("plate.ply", markedPlate());
    const Image first = open("plate.ply", {"--style", "surface"});
    auto& client = session().client();
    const auto window = session().window();
    const Point centre{kSide / 2, kSide / 2};
    constexpr int kTurnX = 40, kTurnY = 30;
    constexpr int kFarther = 30;  // pixels of a right drag downwards, which leaves the corner free

    // On the model, the point under the pointer; on the background, the box centre again.
    struct Choice {
        const char* mark;
        Spread (*find)(const Image&);
        bool onModel;  // the double click on the mark, else on the background
    };
    const Choice choices[] = {{"the red spot", spotOf, true}, {"the green centre", greenOf, false}};
    Image now = first;
    for (const Choice& choice : choices) {
        if (!choice.onModel) {
            ASSERT_EQ(classify(now.pixel(kCorner.x, kCorner.y)), Colour::kWhite);
        }
        client.doubleClick(window, choice.onModel ? pointAt(choice.find(now)) : kCorner);
        now = changed(now);
        expectAt(choice.find(now), kCentre, kCentre, std::string(choice.mark) + ", double click");
        client.drag(window, kLeftButton, centre, {centre.x + kTurnX, centre.y + kTurnY},
                    kDragSteps);
        now = changed(now);
        expectAt(choice.find(now), kCentre, kCentre, std::string(choice.mark) + ", turned");
        const Spread turned = choice.find(now);
        client.drag(window, kRightButton, centre, {centre.x, centre.y + kFarther}, kDragSteps);
        now = changed(now);
        expectAt(choice.find(now), kCentre, kCentre, std::string(choice.mark) + ", farther");
        EXPECT_LT(choice.find(now).width(), turned.width()) << choice.mark;
    }
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, ViewKeysShowTheSideFacingTheEyeAndArrowsTurnAsDragsDo) {
    write("ell.ply", ellBlock());
    const Image first = open("ell.ply", {"--style", "surface"});
    const std::pair<char, const char*> views[] = {{'1', "+z"}, {'2', "-z"}, {'3', "+x"},
                                                  {'4', "-x"}, {'5', "+y"}, {'6', "-y"}};
    for (const auto& [key, side] : views) {
        session().press(key);
        EXPECT_EQ(dominantSide(settled()), side) << "key " << key;
    }
    session().press('7');
    const Image iso = settled();
    EXPECT_EQ(sidesShown(iso), 3) << "the three-quarter view";
    session().press('0');
    EXPECT_EQ(changed(iso), first);

    // 15 degrees: the turn of a 30-pixel drag.
    constexpr int kArrowDrag = 30;
    constexpr long kMaxDiffering = kSide;  // pixels where float rounding may differ
    const Point centre{kSide / 2, kSide / 2};
    const std::pair<Arrow, Point> turns[] = {{Arrow::kRight, {centre.x + kArrowDrag, centre.y}},
                                             {Arrow::kUp, {centre.x, centre.y - kArrowDrag}}};
    for (const auto& [arrow, to] : turns) {
        session().press(arrow);
        const Image byKey = changed(first);
        session().press('0');
        EXPECT_EQ(changed(byKey), first);
        session().client().drag(session().window(), kLeftButton, centre, to, kDragSteps);
        const Image byDrag = changed(first);
        EXPECT_LE(xsession::differingPixels(byDrag, byKey), kMaxDiffering)
            << "arrow " << static_cast<int>(arrow);
        session().press('0');
        EXPECT_EQ(changed(byDrag), first);
    }
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, ViewAndTurnOptionsShowTheSideFacingTheEye) {
    write("ell.ply", ellBlock());
    const std::vector<std::pair<Args, const char*>> cases = {
        {{"--view", "front"}, "+z"},
        {{"--view", "back"}, "-z"},
        {{"--view", "right"}, "+x"},
        {{"--view", "left"}, "-x"},
        {{"--view", "top"}, "+y"},
        {{"--view", "bottom"}, "-y"},
        // A positive yaw turns the model as a rightward drag does: its left side comes forward.
        {{"--turn", "90,0"}, "-x"},
        {{"--view", "right", "--turn", "90,0"}, "+z"},
    };
    for (const auto& [args, side] : cases) {
        Args surface = {"--style", "surface"};
        surface.insert(surface.end(), args.begin(), args.end());
        EXPECT_EQ(dominantSide(picture("ell.ply", surface)), side)
            << ::testing::PrintToString(args);
    }
    EXPECT_EQ(sidesShown(picture("ell.ply", {"--style", "surface", "--view", "iso"})), 3);
}

TEST_F(PlyviewNavigation, TheOrthographicViewKeepsLongEdgesParallel) {
    write("long.ply", [] {
        Pieces pieces;
        pieces.box({-0.5, -0.5, -20}, {0.5, 0.5, 0});
        return pieces.ply();
    }());
    const Args turned = {"--turn", "20,20"};
    constexpr double kParallel = 1;    // pixels over the whole length
    constexpr double kConverging = 5;  // at least, in perspective
    const Image perspectivePicture = picture("long.ply", turned);
    const Outline perspective = outlineOf(perspectivePicture);
    Args orthographic = turned;
    orthographic.push_back("--ortho");
    const Outline ortho = outlineOf(picture("long.ply", orthographic));
    EXPECT_GT(std::abs(perspective.narrowing), kConverging);
    EXPECT_LE(std::abs(ortho.narrowing), kParallel);
    // The framed size at the rotation centre, the box centre at the window's centre, is kept.
    EXPECT_NEAR(ortho.widthAtCentre, perspective.widthAtCentre, kTolerance);

    const Image first = open("long.ply", turned);
    EXPECT_EQ(first, perspectivePicture);
    session().press('o');
    const Image toggled = changed(first);
    EXPECT_LE(std::abs(outlineOf(toggled).narrowing), kParallel);
    session().press('o');
    EXPECT_EQ(changed(toggled), first);
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, TheUpAxisStandsAPostAlongZUpright) {
    Pieces post;
    post.box({-0.5, -0.5, 0}, {0.5, 0.5, 6});
    post.box({0.5, -0.25, 0}, {1, 0.25, 0.5});  // a foot, so that no two views look alike
    write("post.ply", post.ply());
    constexpr double kStanding = 2;  // height over width, at least, of a post standing
    const std::vector<std::pair<Args, bool>> cases = {
        {{}, false},  // +y up: seen from its top end
        {{"--view", "right"}, false},
        {{"--up", "+z"}, true},
        {{"--up", "+z", "--view", "right"}, true},
        {{"--up", "-z"}, true},
    };
    for (const auto& [args, standing] : cases) {
        const double tall = tallness(picture("post.ply", args));
        EXPECT_EQ(tall > kStanding, standing) << ::testing::PrintToString(args) << ": " << tall;
    }

    // u: +y -> -y -> +z -> -z -> +x -> -x -> +y.
    const Image first = open("post.ply");
    const bool stands[] = {false, true, true, false, false, false};
    Image now = first;
    for (std::size_t i = 0; i < std::size(stands); ++i) {
        session().press('u');
        now = settled();
        EXPECT_EQ(tallness(now) > kStanding, stands[i]) << i + 1 << " presses: " << tallness(now);
    }
    EXPECT_EQ(now, first);
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, ACloseUpOfAHugePlateIsNeitherLostNorClipped) {
    write("huge.ply", hugePlate());
    Image now = open("huge.ply", {"--style", "surface"});
    // Each stage aims at the smallest mark that shows; 87 notches make the distance 1/10,000.
    const std::pair<Colour, int> stages[] = {
        {Colour::kBlue, 40}, {Colour::kRed, 25}, {Colour::kRed, 22}};
    for (const auto& [colour, notches] : stages) {
        const Spread mark = xsession::spreadOf(now, colour);
        ASSERT_GT(mark.count, 0) << "before " << notches << " notches";
        session().client().wheel(session().window(), pointAt(mark), notches);
        now = changed(now);
    }
    const xsession::ColourCounts counts = coloursOf(now);
    EXPECT_GT(counts.red, static_cast<long>(kSide) * kSide / 4);
    EXPECT_EQ(counts.white, 0);  // the plate is everywhere: nothing cut away in depth
    EXPECT_EQ(quit(), 0);
}

TEST_F(PlyviewNavigation, PointsTakeTheSizeOfTheirOptionAndKeysAndQuestionMarkPrintsHelp) {
    constexpr int kColumns = 9;  // 10 x 10 points, far enough apart for 20-pixel points
    constexpr long kPoints = (kColumns + 1) * (kColumns + 1);
    plywrite::Options cloud;
    cloud.pointCloud = true;
    write("cloud.ply", plywrite::write(plywrite::surface(kColumns, kColumns), cloud));
    const Args eightPixels = {"--point-size", "8"};
    const Image eight = picture("cloud.ply", eightPixels);
    const double ratio =
        static_cast<double>(greenOf(eight).count) / greenOf(picture("cloud.ply", {})).count;
    constexpr double kLeast = 5, kMost = 9;  // about (8 / 3)^2
    EXPECT_GT(ratio, kLeast);
    EXPECT_LT(ratio, kMost);
    const Image largest = picture("cloud.ply", {"--point-size", "20"});

    const Image first = open("cloud.ply", eightPixels);
    EXPECT_EQ(first, eight);
    session().press('+');
    const Image bigger = changed(first);
    EXPECT_GT(greenOf(bigger).count, greenOf(first).count);
    session().press('_');
    EXPECT_EQ(changed(bigger), first);
    session().press('=');
    EXPECT_EQ(changed(first), bigger);
    session().press('-');
    EXPECT_EQ(changed(bigger), first);
    constexpr int kPastTheEnd = 25;  // more presses than sizes
    session().press(std::string(kPastTheEnd, '-'));
    EXPECT_EQ(greenOf(settled()).count, kPoints);  // one pixel each
    session().press(std::string(kPastTheEnd, '+'));
    EXPECT_EQ(settled(), largest);
    session().press('?');
    EXPECT_EQ(quit(), 0);
    EXPECT_NE(session().process().stdoutText().find("Keys"), std::string::npos);
}

}  // namespace
}  // namespace e2e
