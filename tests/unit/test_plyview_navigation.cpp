// plyview's navigation as arithmetic: zooming towards a point keeps it where it is on screen and
// stops at the limits, a pan moves the grabbed point with the pointer, a new rotation centre
// comes to the window's centre and stays there while the model turns, the depth read back gives
// the point again, the views look from the side they name with the up axis up, a close look at
// a huge model keeps its point between the planes, and the command line's view options.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "plyview/navigation.h"
#include "plyview/options.h"

namespace {

using plyview::Camera;
using plyview::Point3;

constexpr int kWidth = 640, kHeight = 480;
constexpr double kPixelTolerance = 1e-3;

Camera cameraOf(const plyview::Box& box, bool orthographic, plyview::UpAxis up = {}) {
    Camera camera;
    camera.aspect = static_cast<float>(kWidth) / kHeight;
    camera.framing = plyview::frameBox(box, camera.aspect);
    camera.orthographic = orthographic;
    camera.up = up;
    return camera;
}

// Window pixel (x right, y down, fractional) and depth-buffer value of a model point.
struct Seen {
    double x, y, depth;
};

Seen see(const Camera& camera, const Point3& model) {
    const plyview::Eye eye = plyview::eyeOf(camera);
    const Point3 v = plyview::toView(eye, model);
    const double n = eye.nearPlane, f = eye.farPlane;
    double ndcX = 0, ndcY = 0, ndcZ = 0;
    if (eye.orthographic) {
        ndcX = v.x / (eye.halfHeight * eye.aspect);
        ndcY = v.y / eye.halfHeight;
        ndcZ = (-2 * v.z - (f + n)) / (f - n);
    } else {
        ndcX = v.x / (-v.z * eye.tanHalfY * eye.aspect);
        ndcY = v.y / (-v.z * eye.tanHalfY);
        ndcZ = ((-(f + n) / (f - n)) * v.z - 2 * f * n / (f - n)) / -v.z;
    }
    return {(ndcX + 1) * kWidth / 2, (1 - ndcY) * kHeight / 2, (ndcZ + 1) / 2};
}

const plyview::Box kBox{-2, 6, -1, 3, -4, 1};
const std::vector<Point3> kPoints = {{5, 2, 0.5}, {-1.5, -0.5, 1}, {2, 1, -1.5}};

TEST(PlyviewNavigation, ZoomTowardsAPointKeepsItOnScreenWithinTheLimits) {
    for (const bool ortho : {false, true}) {
        for (const Point3& p : kPoints) {
            Camera camera = cameraOf(kBox, ortho);
            plyview::turn(camera.orbit, 40, 30);
            const Seen before = see(camera, p);
            const double depth = -plyview::toView(plyview::eyeOf(camera), p).z;
            plyview::zoomToward(camera.orbit, camera, plyview::toView(plyview::eyeOf(camera), p),
                                0.5, true);
            const Seen after = see(camera, p);
            const std::string where = (ortho ? "ortho " : "") + std::to_string(p.x);
            EXPECT_NEAR(after.x, before.x, kPixelTolerance) << where;
            EXPECT_NEAR(after.y, before.y, kPixelTolerance) << where;
            if (!ortho) {
                EXPECT_NEAR(-plyview::toView(plyview::eyeOf(camera), p).z, depth / 2, 1e-9 * depth);
            }
            // Many steps in stop at the closest approach, still in front of the near plane;
            // many out at the farthest.
            for (int i = 0; i < 400; ++i) {
                plyview::zoomToward(camera.orbit, camera,
                                    plyview::toView(plyview::eyeOf(camera), p), 0.5, true);
            }
            const plyview::Eye close = plyview::eyeOf(camera);
            const double closest = camera.framing.radius * plyview::kClosestFraction;
            if (!ortho) {
                EXPECT_NEAR(-plyview::toView(close, p).z, closest, closest * 1e-3) << where;
            }
            EXPECT_GT(see(camera, p).depth, 0) << where;
            EXPECT_LT(see(camera, p).depth, 1) << where;
            EXPECT_NEAR(see(camera, p).x, before.x, 0.5) << where;
            for (int i = 0; i < 400; ++i) plyview::zoomToCentre(camera.orbit, camera, 2.0);
            EXPECT_FLOAT_EQ(camera.orbit.zoom, plyview::kMaxZoom) << where;
        }
    }
}

TEST(PlyviewNavigation, APanMovesTheGrabbedPointWithThePointer) {
    for (const bool ortho : {false, true}) {
        Camera camera = cameraOf(kBox, ortho);
        plyview::turn(camera.orbit, -70, 20);
        const Point3 p = kPoints[0];
        const Seen before = see(camera, p);
        const double depth = -plyview::toView(plyview::eyeOf(camera), p).z;
        plyview::panPixels(camera.orbit, camera, 37, -12, depth, kHeight);
        const Seen after = see(camera, p);
        EXPECT_NEAR(after.x - before.x, 37, kPixelTolerance) << ortho;
        EXPECT_NEAR(after.y - before.y, -12, kPixelTolerance) << ortho;
    }
}

TEST(PlyviewNavigation, ARotationCentreComesToTheMiddleAndStaysThereWhileTurning) {
    for (const bool ortho : {false, true}) {
        Camera camera = cameraOf(kBox, ortho);
        camera.motion.offsetX = 0.7f;  // the keys' offsets are taken back too
        plyview::turn(camera.orbit, 25, -10);
        plyview::panPixels(camera.orbit, camera, 50, 30, 10, kHeight);
        const Point3 p = kPoints[1];
        const double depth = -plyview::toView(plyview::eyeOf(camera), p).z;
        const double size = plyview::eyeOf(camera).halfHeight;
        plyview::centreOn(camera.orbit, camera, p, true);
        for (int step = 0; step < 4; ++step) {
            const Seen seen = see(camera, p);
            EXPECT_NEAR(seen.x, kWidth / 2.0, kPixelTolerance) << ortho << step;
            EXPECT_NEAR(seen.y, kHeight / 2.0, kPixelTolerance) << ortho << step;
            if (ortho) {  // a parallel view keeps its size, the depth does not matter
                EXPECT_DOUBLE_EQ(plyview::eyeOf(camera).halfHeight, size);
            } else {
                EXPECT_NEAR(-plyview::toView(plyview::eyeOf(camera), p).z, depth, 1e-9);
            }
            plyview::turn(camera.orbit, 33, 17);
        }
    }
}

TEST(PlyviewNavigation, TheDepthUnderAPixelGivesThePointBack) {
    for (const bool ortho : {false, true}) {
        Camera camera = cameraOf(kBox, ortho);
        plyview::turn(camera.orbit, 15, 40);
        for (const Point3& p : kPoints) {
            const plyview::Eye eye = plyview::eyeOf(camera);
            const Seen seen = see(camera, p);
            // Half a pixel off the pixel's centre at most: unproject reads at the centre.
            const int x = static_cast<int>(seen.x), y = static_cast<int>(seen.y);
            const Point3 back = plyview::unproject(eye, x, y, kWidth, kHeight, seen.depth);
            const Point3 view = plyview::toView(eye, p);
            const double pixel = plyview::unitsPerPixel(eye, -view.z, kHeight);
            EXPECT_NEAR(back.z, view.z, 1e-6) << ortho;
            EXPECT_NEAR(back.x, view.x, pixel) << ortho;
            EXPECT_NEAR(back.y, view.y, pixel) << ortho;
        }
    }
}

// The eye looks from the named side, and the up axis points up wherever it is not looked along.
TEST(PlyviewNavigation, AxisViewsLookFromTheirSideWithTheUpAxisUp) {
    for (int up = 0; up < plyview::kUpAxisCount; ++up) {
        const auto upAxis = static_cast<plyview::UpAxis>(up);
        const plyview::Rotation toUp = plyview::transposed(plyview::upRotation(upAxis));
        const Point3 upward = toUp * Point3{0, 1, 0};  // the model's up axis
        for (int axis = 0; axis < 3; ++axis) {
            for (const int sign : {1, -1}) {
                const plyview::Turn turn = plyview::turnFromAxis(axis, sign, upAxis);
                const plyview::Rotation r = plyview::turnRotation(turn.yaw, turn.pitch, upAxis);
                const Point3 eyeward = plyview::transposed(r) * Point3{0, 0, 1};
                const double along[3] = {eyeward.x, eyeward.y, eyeward.z};
                const std::string where =
                    std::to_string(up) + " " + std::to_string(axis) + " " + std::to_string(sign);
                EXPECT_NEAR(along[axis], sign, 1e-9) << where;
                const Point3 upOnScreen = r * upward;
                if (std::abs(along[0] * upward.x + along[1] * upward.y + along[2] * upward.z) <
                    0.5) {
                    EXPECT_NEAR(upOnScreen.y, 1, 1e-9) << where;
                }
            }
        }
    }
    // The three-quarter view looks along the diagonal from the right, the front and the top.
    const plyview::Turn iso = plyview::turnOf(plyview::ViewName::kIso);
    const Point3 eyeward =
        plyview::transposed(plyview::turnRotation(iso.yaw, iso.pitch, {})) * Point3{0, 0, 1};
    EXPECT_NEAR(eyeward.x, 1 / std::sqrt(3.0), 1e-6);
    EXPECT_NEAR(eyeward.y, 1 / std::sqrt(3.0), 1e-6);
    EXPECT_NEAR(eyeward.z, 1 / std::sqrt(3.0), 1e-6);
}

TEST(PlyviewNavigation, ACloseLookAtAHugeModelKeepsItsPointBetweenThePlanes) {
    const plyview::Box plate{0, 100000, 0, 100000, 0, 10};
    Camera camera = cameraOf(plate, false);
    const Point3 feature{70000, 50000, 10};
    // About 1/20,000 of the plate across the view.
    for (int step = 0; step < 1000 && -plyview::toView(plyview::eyeOf(camera), feature).z > 5;
         ++step) {
        plyview::zoomToward(camera.orbit, camera, plyview::toView(plyview::eyeOf(camera), feature),
                            0.9, true);
    }
    ASSERT_LE(-plyview::toView(plyview::eyeOf(camera), feature).z, 5);
    const Seen seen = see(camera, feature);
    EXPECT_GT(seen.depth, 0);
    EXPECT_LT(seen.depth, 1);
    // The plate around the feature, a tenth of the view away, is in front of the far plane.
    const Seen beside = see(camera, Point3{feature.x + 0.3, feature.y, feature.z});
    EXPECT_LT(beside.depth, 1);
    EXPECT_GT(beside.x, seen.x + 10);
}

std::string parseError(std::vector<const char*> args, plyview::StartView& start) {
    args.insert(args.begin(), "plyview");
    args.push_back("a.ply");
    const plyview::ParseResult r =
        plyview::parseCommandLine(static_cast<int>(args.size()), args.data());
    start = r.options.start;
    return r.error;
}

TEST(PlyviewNavigation, ViewOptionsAndTheirMistakes) {
    struct Case {
        std::vector<const char*> args;
        float yaw, pitch;
        std::string error;  // a prefix; empty: accepted
    };
    const std::vector<Case> cases = {
        {{}, 0, 0, ""},
        {{"--view", "right"}, -90, 0, ""},
        {{"--turn", "90,0"}, 90, 0, ""},
        {{"--turn", "10,-20", "--view", "top"}, 10, 70, ""},  // the turn comes after the view
        {{"--view", "iso"}, plyview::kIsoYaw, plyview::kIsoPitch, ""},
        {{"--view", "side"}, 0, 0, "--view wants front"},
        {{"--turn", "90"}, 0, 0, "--turn wants YAW,PITCH"},
        {{"--turn", "-360,90"}, 0, 90, ""},  // the limits, and one past them
        {{"--turn", "0,91"}, 0, 0, "--turn wants YAW,PITCH"},
        {{"--turn", "361,0"}, 0, 0, "--turn wants YAW,PITCH"},
        {{"--turn", "1e3,0"}, 0, 0, "--turn wants YAW,PITCH"},
        {{"--up", "z"}, 0, 0, "--up wants"},
        {{"--point-size", "0"}, 0, 0, "--point-size wants"},
        {{"--point-size", "21"}, 0, 0, "--point-size wants"},
    };
    for (const Case& c : cases) {
        plyview::StartView start;
        const std::string error = parseError(c.args, start);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.args.size();
        EXPECT_EQ(error.empty(), c.error.empty()) << error;
        if (c.error.empty()) {
            EXPECT_FLOAT_EQ(start.yaw, c.yaw);
            EXPECT_FLOAT_EQ(start.pitch, c.pitch);
        }
    }
    plyview::StartView start;
    ASSERT_EQ(parseError({"--up", "-z", "--ortho", "--point-size", "20"}, start), "");
    EXPECT_EQ(start.up, plyview::UpAxis::kMinusZ);
    EXPECT_TRUE(start.orthographic);
    EXPECT_EQ(start.pointSize, plyview::kMaxPointSize);
    ASSERT_EQ(parseError({"--point-size", "1"}, start), "");
    EXPECT_EQ(start.pointSize, plyview::kMinPointSize);
}

}  // namespace
