// A splat file's frames against the recording GL stand-in: one instanced quad per splat from one
// buffer, blended without depth writes, in back-to-front order for the view; a heavy one in
// slices of the instances; a new order for a new view made in the background while the last is
// drawn; the stand-in while the view moves; and -y up for a capture unless --up chose an axis.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "fake_gl/fake_gl.h"
#include "model/file_model.h"
#include "plyview/platform.h"
#include "plyview/scene_parts.h"
#include "plyview/testing.h"
#include "plyview/viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr GLuint kTarget = 7;
constexpr int kModelMatrixElements = 16;

// `count` small round splats of opacity 0.5 scattered through a unit box, degree 0.
std::unique_ptr<FileModel> splatCloud(std::size_t count) {
    auto model = std::make_unique<FileModel>();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> within(-1.0f, 1.0f);
    for (std::size_t i = 0; i < count; ++i) {
        for (int k = 0; k < 3; ++k) {
            model->positions.push_back(within(random));
            model->splats.dc.push_back(within(random));
        }
        model->colours.insert(model->colours.end(), {200, 100, 50, 255});
        model->splats.covariances.insert(model->splats.covariances.end(),
                                         {1e-4f, 0, 0, 1e-4f, 0, 1e-4f});
        model->splats.opacities.push_back(0.5f);
    }
    model->minX = model->minY = model->minZ = -1;
    model->maxX = model->maxY = model->maxZ = 1;
    return model;
}

void swapped() {
    fakegl::calls.push_back({"present", {}, {}, {}, nullptr, {}});
}

// Splats drawn by the recorded instanced draws.
long long splatsDrawn() {
    long long total = 0;
    for (const fakegl::Call& call : fakegl::named("glDrawArraysInstanced")) {
        EXPECT_EQ(call.args[0], GL_TRIANGLE_STRIP);
        EXPECT_EQ(call.args[2], plyview::kSplatCorners);
        total += call.args[3];
    }
    return total;
}

// The instances the last upload of `count` splats carried.
std::vector<SplatInstance> lastInstances(std::size_t count) {
    std::vector<SplatInstance> instances;
    for (const fakegl::Call& call : fakegl::named("glBufferData")) {
        if (call.args[1] == static_cast<long long>(count * sizeof(SplatInstance)) &&
            call.bytes.size() == count * sizeof(SplatInstance)) {
            instances.resize(count);
            std::memcpy(instances.data(), call.bytes.data(), call.bytes.size());
        }
    }
    return instances;
}

// Depth along the view's forward direction never grows through the instances.
bool backToFront(const std::vector<SplatInstance>& instances, const SplatView& view) {
    float last = std::numeric_limits<float>::infinity();
    for (const SplatInstance& s : instances) {
        float depth = 0;
        for (int k = 0; k < 3; ++k) depth += (s.position[k] - view.eye[k]) * view.forward[k];
        if (depth > last + 1e-5f)
            return false;
        last = depth;
    }
    return !instances.empty();
}

// The last model matrix uploaded, column major.
std::vector<float> lastModelMatrix() {
    std::vector<float> matrix;
    for (const fakegl::Call& call : fakegl::named("glUniformMatrix4fv")) {
        if (call.args[0] == 0 && call.floats.size() == kModelMatrixElements)
            matrix = call.floats;
    }
    return matrix;
}

class PlyviewSplats : public ::testing::Test {
  protected:
    void SetUp() override { fakegl::reset(); }
    void TearDown() override {
        plyview::showModel(0, nullptr, {});
        plyview::setBufferLimitForTests(0);
        fakegl::reset();
    }
    void start(bool steps, plyview::Style style = plyview::Style::kSurface) {
        plyview::startViewer(plyview::SceneTarget{kTarget, swapped, steps}, style,
                             plyview::kDefaultPictureSize, plyview::kDefaultPictureSize);
    }
    void show(std::unique_ptr<FileModel> model) { plyview::showModel(0, std::move(model), {}); }
    // Frames and ticks until one is presented (a heavy one is drawn in steps).
    void finishFrame() {
        plyview::drawFrame();
        for (int tick = 0; tick < 10000 && fakegl::count("present") == 0; ++tick) {
            plyview::sceneTick();
            if (plyview::takeFrameRequest())
                plyview::drawFrame();
        }
    }
};

// Each style draws what it should of a splat file: the splats blended without depth writes in
// the surface styles (the centres over them in the edges style), the green centres alone in the
// wireframe.
TEST_F(PlyviewSplats, EachStyleDrawsSplatsOrCentres) {
    constexpr std::size_t kCount = 500;
    const struct {
        plyview::Style style;
        long long splats;
        std::size_t points;  // glDrawArrays of the centres
    } cases[] = {
        {plyview::Style::kSurface, kCount, 0},
        {plyview::Style::kEdges, kCount, 1},
        {plyview::Style::kWire, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        start(false, c.style);
        fakegl::behaviour.keepBufferBytes = true;
        show(splatCloud(kCount));
        fakegl::calls.clear();
        plyview::drawFrame();
        EXPECT_EQ(splatsDrawn(), c.splats);
        EXPECT_EQ(fakegl::count("glDrawArrays"), c.points);
        if (c.splats == 0)
            continue;
        EXPECT_EQ(fakegl::count("glVertexAttribDivisor"), 5u) << "each instance attribute";
        for (const fakegl::Call& call : fakegl::named("glVertexAttribDivisor")) {
            EXPECT_EQ(call.args[1], 1);
        }
        EXPECT_TRUE(backToFront(lastInstances(kCount), plyview::currentSplatView()));
        // Blended with depth writes off around the draw, and on again after it.
        const std::vector<std::string> names = fakegl::names();
        const auto at = [&](const std::string& name, long long arg) {
            for (std::size_t i = 0; i < fakegl::calls.size(); ++i) {
                if (names[i] == name && fakegl::calls[i].args[0] == arg)
                    return i;
            }
            return names.size();
        };
        const std::size_t draw = at("glDrawArraysInstanced", GL_TRIANGLE_STRIP);
        EXPECT_LT(at("glDepthMask", GL_FALSE), draw);
        EXPECT_LT(at("glBlendFunc", GL_SRC_ALPHA), draw);
        EXPECT_GT(at("glDepthMask", GL_TRUE), draw);
    }
}

// A splat costs kSplatLines: one past the direct limit is drawn in slices, each with the
// instance attributes pointed at its first splat, which together draw every splat once.
TEST_F(PlyviewSplats, AHeavyFrameIsDrawnInSlicesOfTheInstances) {
    const std::size_t direct = plyview::kDirectLines / plyview::kSplatLines;
    for (const std::size_t count : {direct, direct + 1}) {
        SCOPED_TRACE(count);
        start(true);
        show(splatCloud(count));
        fakegl::calls.clear();
        finishFrame();
        EXPECT_EQ(splatsDrawn(), static_cast<long long>(count));
        const std::size_t slices = fakegl::count("glDrawArraysInstanced");
        EXPECT_EQ(slices > 1, count > direct);
        // Where each slice reads its positions from: the splats drawn before it.
        std::vector<long long> offsets, expected;
        long long first = 0;
        for (const fakegl::Call& call : fakegl::calls) {
            if (call.name == "glVertexAttribPointer" && call.args[0] == plyview::kPositionSlot &&
                call.args[4] == static_cast<long long>(sizeof(SplatInstance))) {
                offsets.push_back(call.args[5]);
            } else if (call.name == "glDrawArraysInstanced") {
                expected.push_back(first * static_cast<long long>(sizeof(SplatInstance)));
                first += call.args[3];
            }
        }
        EXPECT_EQ(offsets, expected);
    }
}

// After a turn the last order is drawn at once while the new view's is made on another thread;
// the frame that follows takes it.
TEST_F(PlyviewSplats, ANewViewsOrderIsMadeInTheBackgroundWhileTheLastIsDrawn) {
    constexpr std::size_t kCount = 2000;
    start(true);
    fakegl::behaviour.keepBufferBytes = true;
    show(splatCloud(kCount));
    plyview::drawFrame();
    const SplatView before = plyview::currentSplatView();
    EXPECT_TRUE(backToFront(lastInstances(kCount), before));
    plyview::pressArrow(plyview::Arrow::kLeft, false);
    plyview::pressArrow(plyview::Arrow::kUp, false);
    const SplatView after = plyview::currentSplatView();
    ASSERT_FALSE(plyview::sameView(before, after));
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(splatsDrawn(), static_cast<long long>(kCount)) << "an order, at once";
    const Clock::time_point waited = Clock::now();
    plyview::takeFrameRequest();
    while (!plyview::takeFrameRequest() && Clock::now() - waited < std::chrono::seconds(30)) {
        plyview::sceneTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    plyview::drawFrame();
    const std::vector<SplatInstance> sorted = lastInstances(kCount);
    EXPECT_TRUE(backToFront(sorted, after));
    EXPECT_FALSE(backToFront(sorted, before));
}

// A file of more splats than the platform's stand-in gets one, drawn as splats while the view
// moves; the full splats are back once it settles.
TEST_F(PlyviewSplats, TheStandInIsDrawnWhileTheViewMoves) {
    const std::size_t count = plyview::standInSplats() + 1000;
    start(false);
    show(splatCloud(count));
    plyview::drawFrame();  // the first full frame starts the stand-in
    const Clock::time_point waited = Clock::now();
    while (!plyview::proxyReady() && Clock::now() - waited < std::chrono::seconds(60)) {
        plyview::sceneTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(plyview::proxyReady());
    plyview::noteMotion();
    fakegl::calls.clear();
    plyview::drawFrame();
    const long long moving = splatsDrawn();
    EXPECT_GT(moving, 0);
    EXPECT_LE(moving, static_cast<long long>(plyview::standInSplats()));
    std::this_thread::sleep_for(std::chrono::duration<double>(plyview::kSettleSeconds * 1.5));
    plyview::sceneTick();
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(splatsDrawn(), static_cast<long long>(count));
}

// Once the stand-in shows a turned view and nothing is dragged, the full splats' order for that
// view is started before the motion settles: the full picture then waits for no sort.
TEST_F(PlyviewSplats, TheFullOrderIsStartedWhileTheStandInShowsARestingView) {
    start(true);
    show(splatCloud(plyview::standInSplats() + 1000));
    finishFrame();
    const Clock::time_point waited = Clock::now();
    while (!plyview::proxyReady() && Clock::now() - waited < std::chrono::seconds(60)) {
        plyview::sceneTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(plyview::proxyReady());
    plyview::pressArrow(plyview::Arrow::kLeft, false);
    const SplatView turned = plyview::currentSplatView();
    const plyview::SplatLayer& full = plyview::viewer().shown.full.splats;
    bool ahead = false;
    for (int frame = 0; frame < 100 && !ahead; ++frame) {
        plyview::noteMotion();  // still moving: the stand-in is drawn
        plyview::drawFrame();
        ahead = plyview::sameView(full.job->view, turned);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(ahead);
}

// A capture starts with -y up (half a turn about x) and says so once; --up keeps its axis, and
// so does a cloud that is not a splat file.
TEST_F(PlyviewSplats, ACaptureStartsWithMinusYUpUnlessUpWasGiven) {
    const struct {
        const char* what;
        bool splats;
        bool upGiven;
        bool turned;
    } cases[] = {
        {"capture", true, false, true},
        {"capture, --up +y", true, true, false},
        {"cloud", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(false);
        plyview::StartView view;
        view.upGiven = c.upGiven;
        plyview::setStartView(view);
        plyview::useFiles({"scene.ply"});
        std::unique_ptr<FileModel> model = splatCloud(50);
        if (!c.splats)
            model->splats = SplatModel();
        testing::internal::CaptureStdout();
        show(std::move(model));
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(said, c.turned ? "scene.ply: a Gaussian-splat capture, shown with -y up (--up "
                                   "chooses another)\n"
                                 : "");
        fakegl::calls.clear();
        plyview::drawFrame();
        const std::vector<float> matrix = lastModelMatrix();
        ASSERT_EQ(matrix.size(), 16u);
        EXPECT_EQ(matrix[5] < 0 && matrix[10] < 0, c.turned) << "y and z turned over";
        EXPECT_GT(matrix[0], 0) << "x kept";
    }
}

}  // namespace
