// The file viewer's frames against the recording GL stand-in: every line of a large model drawn
// indexed, in pieces within one buffer's and one draw call's limits; the proxy while the view
// moves; heavy full frames in steps; how files are read and refused; and which frames are shaded
// by eye-dome lighting, and where.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "fake_gl/fake_gl.h"
#include "model/file_model.h"
#include "plyview/files.h"
#include "plyview/gpu_geometry.h"
#include "plyview/platform.h"
#include "plyview/testing.h"
#include "plyview/viewer.h"
#include "temp_folder.h"
#include "tools/plywrite/plywrite.h"

namespace {

using Clock = std::chrono::steady_clock;

// `count` triangles that share no corner, in a row.
std::unique_ptr<FileModel> separateTriangles(std::size_t count) {
    auto model = std::make_unique<FileModel>();
    for (std::size_t i = 0; i < count; ++i) {
        const float x = static_cast<float>(i % 1000), y = static_cast<float>(i / 1000);
        model->positions.insert(model->positions.end(), {x, y, 0, x + 0.5f, y, 0, x, y + 0.5f, 0});
        const auto first = static_cast<std::uint32_t>(3 * i);
        model->triangles.insert(model->triangles.end(), {first, first + 1, first + 2});
    }
    model->minX = model->minY = model->minZ = 0;
    model->maxX = model->maxY = 1000;
    model->maxZ = 0;
    return model;
}

// A welded surface of columns x rows quads.
std::unique_ptr<FileModel> surface(int columns, int rows) {
    const std::string text = plywrite::write(plywrite::surface(columns, rows), {});
    auto model = std::make_unique<FileModel>();
    PlyError error;
    EXPECT_TRUE(parseFileModel(text.data(), text.size(), *model, error)) << error.message;
    return model;
}

// Indices drawn by glDrawElements of this mode, over all recorded calls.
long long indicesDrawn(GLenum mode) {
    long long total = 0;
    for (const fakegl::Call& call : fakegl::named("glDrawElements")) {
        total += call.args[0] == mode ? call.args[1] : 0;
    }
    return total;
}

void swapped() {
    fakegl::calls.push_back({"present", {}, {}, {}, nullptr, {}});
}

class PlyviewScene : public ::testing::Test {
  protected:
    void SetUp() override { fakegl::reset(); }
    void TearDown() override {
        plyview::showModel(0, nullptr, {});
        plyview::setBufferLimitForTests(0);
        fakegl::reset();
    }
    void start(bool steps) {
        plyview::startViewer(plyview::SceneTarget{7, swapped, steps}, plyview::Style::kWire,
                             plyview::kDefaultPictureSize, plyview::kDefaultPictureSize);
    }
    void show(std::unique_ptr<FileModel> model) { plyview::showModel(0, std::move(model), {}); }
};

TEST_F(PlyviewScene, EveryTriangleOfALargeModelIsDrawnAsIndexedLines) {
    start(false);
    constexpr std::size_t kTriangles = 640000;
    show(separateTriangles(kTriangles));
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(indicesDrawn(GL_LINES), static_cast<long long>(2 * 3 * kTriangles));
    EXPECT_EQ(fakegl::count("glDrawArrays"), 0u);
    EXPECT_EQ(fakegl::names().back(), "present");
}

// The model's lines under a buffer limit of `limit` bytes: what each piece uploads, and that
// the pieces together draw every line once with its own two end points.
void expectPieces(const FileModel* model, std::uint64_t limit, std::size_t pieces,
                  bool ownVertices) {
    const std::vector<float>& positions = model->positions;
    std::vector<std::uint32_t> lines;
    uniqueEdges(model->triangles, model->vertexCount(), lines);
    plyview::setBufferLimitForTests(limit);
    fakegl::calls.clear();
    fakegl::behaviour.keepBufferBytes = true;
    plyview::GpuGeometry geometry;
    geometry.uploadIndexed(GL_LINES, plyview::VertexSpan::of(positions), lines);
    std::vector<const fakegl::Call*> vertexUploads, indexUploads;
    for (const fakegl::Call& call : fakegl::calls) {
        if (call.name == "glBufferData") {
            EXPECT_LE(static_cast<std::uint64_t>(call.args[1]), limit);
            (call.args[0] == GL_ARRAY_BUFFER ? vertexUploads : indexUploads).push_back(&call);
        }
    }
    ASSERT_EQ(indexUploads.size(), pieces) << "limit " << limit;
    EXPECT_EQ(vertexUploads.size(), ownVertices ? pieces : 1) << "limit " << limit;
    // Every line's two end points, as the pieces have them, against the model's.
    std::vector<float> drawn, expected;
    for (std::size_t p = 0; p < pieces; ++p) {
        const auto* vertices =
            reinterpret_cast<const float*>(vertexUploads[ownVertices ? p : 0]->bytes.data());
        const auto* indices = reinterpret_cast<const std::uint32_t*>(indexUploads[p]->bytes.data());
        for (std::size_t i = 0; i < indexUploads[p]->bytes.size() / 4; ++i) {
            drawn.insert(drawn.end(), vertices + 3 * indices[i], vertices + 3 * indices[i] + 3);
        }
    }
    for (std::uint32_t v : lines) {
        expected.insert(expected.end(), &positions[3 * v], &positions[3 * v] + 3);
    }
    EXPECT_EQ(drawn, expected) << "limit " << limit;
    fakegl::calls.clear();
    geometry.drawAll();
    EXPECT_EQ(indicesDrawn(GL_LINES), static_cast<long long>(lines.size()));
    EXPECT_EQ(fakegl::count("glDrawElements"), pieces);
    geometry.release();
}

TEST_F(PlyviewScene, ModelsBeyondOneBufferAreDrawnInPieces) {
    // 121 vertices (1452 bytes), 320 lines (2560 bytes of indices).
    const auto welded = surface(10, 10);
    expectPieces(welded.get(), 2560, 1, false);  // the indices at the limit: one piece
    expectPieces(welded.get(), 2552, 2, false);  // one line past it: two
    // 300 vertices (3600 bytes), 300 lines: positions past the limit go with their pieces.
    const auto apart = separateTriangles(100);
    expectPieces(apart.get(), 3600, 1, false);
    expectPieces(apart.get(), 3596, 3, true);  // 149 lines of 2 vertices each per piece
}

TEST_F(PlyviewScene, TheProxyIsDrawnWhileTheViewMovesAndTheFullModelAfter) {
    start(false);
    show(surface(320, 320));  // 204,800 triangles: just past the proxy's threshold
    const std::uint64_t fullLines = plyview::fullLines();
    plyview::drawFrame();  // the first full frame starts the proxy
    const Clock::time_point waited = Clock::now();
    while (!plyview::proxyReady() && Clock::now() - waited < std::chrono::seconds(60)) {
        plyview::sceneTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(plyview::proxyReady());
    fakegl::calls.clear();
    plyview::pressButton(plyview::kLeftButton, true, 100, 100);  // a drag
    plyview::movePointer(120, 100);
    plyview::drawFrame();
    const long long moving = indicesDrawn(GL_LINES);
    EXPECT_GT(moving, 0);
    EXPECT_LT(moving, static_cast<long long>(fullLines) / 2);
    // Let go: the full model follows sooner than the settling wait after the wheel or keys.
    plyview::pressButton(plyview::kLeftButton, false, 120, 100);
    std::this_thread::sleep_for(
        std::chrono::duration<double>(plyview::kReleaseSettleSeconds * 1.5));
    ASSERT_LT(plyview::kReleaseSettleSeconds * 1.5, plyview::kSettleSeconds);
    fakegl::calls.clear();
    plyview::takeFrameRequest();
    plyview::sceneTick();  // the motion has settled
    EXPECT_TRUE(plyview::takeFrameRequest());
    plyview::drawFrame();
    EXPECT_EQ(indicesDrawn(GL_LINES), static_cast<long long>(2 * fullLines));
}

TEST_F(PlyviewScene, AHeavyFullFrameIsDrawnInStepsAndShownWhenDone) {
    start(true);
    show(separateTriangles(plyview::kDirectLines / 3 + 1));  // one line past the direct limit
    const std::uint64_t lines = plyview::fullLines();
    ASSERT_GT(lines, plyview::kDirectLines);
    fakegl::calls.clear();
    plyview::drawFrame();
    for (int tick = 0; tick < 1000 && fakegl::count("present") == 0; ++tick) {
        plyview::sceneTick();
    }
    EXPECT_EQ(indicesDrawn(GL_LINES), static_cast<long long>(2 * lines));
    EXPECT_GT(fakegl::count("glDrawElements"), 1u);  // in more than one step
    EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 1u);
    EXPECT_EQ(fakegl::count("present"), 1u);
    // The same view again is the finished frame, copied once more.
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(fakegl::count("glDrawElements"), 0u);
    EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 1u);
    // The panel goes over the finished frame, not into it.
    plyview::useFiles({"heavy.ply"});
    plyview::showPanel(true);
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(fakegl::count("glDrawElements"), 0u);
    EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 1u);
    EXPECT_EQ(fakegl::count("glDrawArrays"), 2u) << "the panel's box and letters";
    plyview::showPanel(false);

    // Just at the limit, a frame is drawn at once.
    show(separateTriangles(plyview::kDirectLines / 3));
    fakegl::calls.clear();
    plyview::drawFrame();
    EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 0u);
    EXPECT_EQ(indicesDrawn(GL_LINES), static_cast<long long>(2 * plyview::kDirectLines));
}

TEST_F(PlyviewScene, FilesAreReadWholeOrRefusedWithOneReason) {
    TempFolder folder;
    const std::string good = plywrite::write(plywrite::surface(200, 200), {});
    folder.write("good.ply", good);
    folder.write("cut.ply", good.substr(0, good.size() / 2));
    ASSERT_EQ(::mkfifo("pipe.ply", 0600), 0);
    ::mkdir("folder.ply", 0700);
    struct Case {
        const char* path;
        const char* memoryMB;  // kMemoryVariable, or null
        std::string problem;   // the start of it; empty: read
    };
    const std::vector<Case> cases = {
        {"good.ply", nullptr, ""},
        {"good.ply", "1000", ""},
        {"good.ply", "1", "needs about "},
        {"cut.ply", nullptr, "file ends in "},
        {"missing.ply", nullptr, "No such file or directory"},
        {"pipe.ply", nullptr, "not a regular file (a FIFO)"},
        {"folder.ply", nullptr, "not a regular file (a directory)"},
    };
    for (const Case& c : cases) {
        if (c.memoryMB != nullptr) {
            ::setenv(plyview::kMemoryVariable, c.memoryMB, 1);
        }
        FileModel model;
        std::string problem;
        const bool read = plyview::readFileModel(c.path, model, problem);
        ::unsetenv(plyview::kMemoryVariable);
        EXPECT_EQ(read, c.problem.empty()) << c.path << ": " << problem;
        EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << c.path;
        EXPECT_EQ(model.triangleCount(), read ? 80000u : 0u) << c.path;
    }
    // The whole line: the estimate is of the whole file, not of the start read to judge it.
    ::setenv(plyview::kMemoryVariable, "1", 1);
    FileModel model;
    std::string problem;
    plyview::readFileModel("good.ply", model, problem);
    ::unsetenv(plyview::kMemoryVariable);
    ASSERT_GT(good.size(), plyview::kHeadBytes);
    const std::uint64_t needed =
        fileModelBytesNeeded(good.data(), plyview::kHeadBytes, good.size());
    EXPECT_EQ(problem,
              "needs about " + std::to_string((needed + 999999) / 1000000) + " MB, 1 MB available");
}

// A finished heavy frame is copied again only for the same picture: another style, overlay or
// size draws it anew.
TEST_F(PlyviewScene, AFinishedFrameIsNotReusedForAnotherPicture) {
    start(true);
    show(separateTriangles(plyview::kDirectLines / 3 + 1));
    const auto finish = [] {
        plyview::drawFrame();
        for (int tick = 0; tick < 1000 && plyview::sceneTick() == 0;) ++tick;
    };
    const struct {
        const char* change;
        void (*apply)();
    } changes[] = {
        {"box", [] { plyview::pressKey('e'); }},
        {"normals", [] { plyview::pressKey('m'); }},
        {"size", [] { plyview::resizeView(300, 200); }},
        // Wire to edges, both drawn in steps (a surface alone is light enough to draw at once).
        {"style",
         [] {
             plyview::pressKey('s');
             plyview::pressKey('s');
         }},
    };
    for (const auto& c : changes) {
        finish();
        fakegl::calls.clear();
        plyview::drawFrame();
        EXPECT_EQ(fakegl::count("glDrawElements"), 0u) << "the same picture, before " << c.change;
        EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 1u)
            << "the same picture, before " << c.change;
        c.apply();
        fakegl::calls.clear();
        plyview::drawFrame();
        EXPECT_GT(fakegl::count("glDrawElements"), 0u) << c.change;
    }
}

// Triangles drawn as they come, past one buffer: every piece holds whole triangles, and the
// pieces together draw every corner once.
TEST_F(PlyviewScene, ArraysBeyondOneBufferAreCutAtWholeTriangles) {
    constexpr std::uint64_t kCorners = 3 * 25;
    std::vector<float> positions(3 * kCorners);
    for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<float>(i);
    for (const std::uint64_t limit : {std::uint64_t{12} * kCorners, std::uint64_t{12 * 10},
                                      std::uint64_t{12 * 9}}) {  // bytes: 3 floats a vertex
        plyview::setBufferLimitForTests(limit);
        fakegl::calls.clear();
        fakegl::behaviour.keepBufferBytes = true;
        plyview::GpuGeometry geometry;
        geometry.uploadArray(GL_TRIANGLES, plyview::VertexSpan::of(positions));
        std::vector<float> uploaded;
        for (const fakegl::Call& call : fakegl::named("glBufferData")) {
            const auto* floats = reinterpret_cast<const float*>(call.bytes.data());
            EXPECT_EQ(call.bytes.size() % (3 * 12), 0u) << "limit " << limit;
            uploaded.insert(uploaded.end(), floats, floats + call.bytes.size() / 4);
        }
        EXPECT_EQ(uploaded, positions) << "limit " << limit;
        fakegl::calls.clear();
        geometry.drawAll();
        long long drawn = 0;
        for (const fakegl::Call& call : fakegl::named("glDrawArrays")) drawn += call.args[2];
        EXPECT_EQ(drawn, static_cast<long long>(kCorners)) << "limit " << limit;
        geometry.release();
    }
}

}  // namespace

namespace {

// Every matrix the next frame uploads, in order.
std::vector<float> frameMatrices() {
    fakegl::calls.clear();
    plyview::drawFrame();
    std::vector<float> all;
    for (const fakegl::Call& call : fakegl::named("glUniformMatrix4fv")) {
        all.insert(all.end(), call.floats.begin(), call.floats.end());
    }
    return all;
}

void expectNear(const std::vector<float>& a, const std::vector<float>& b, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << what << i;
}

void click(int x, int y) {
    plyview::pressButton(plyview::kLeftButton, true, x, y);
    plyview::pressButton(plyview::kLeftButton, false, x, y);
}

// Two left presses within kDoubleClickPixels (over the background here: the stand-in GL reads
// nothing back) give the box centre back as the rotation centre, in the middle of the window;
// presses one pixel farther apart, or far enough apart in time, are two clicks. `0` gives the
// first view back, whatever the view keys did.
TEST_F(PlyviewScene, ADoubleClickIsTimedAndPlacedAndZeroGivesTheFirstViewBack) {
    start(false);
    show(surface(4, 4));
    const std::vector<float> first = frameMatrices();
    plyview::pressArrow(plyview::Arrow::kRight, true);
    const std::vector<float> panned = frameMatrices();
    ASSERT_NE(panned, first);
    click(100, 100);
    click(100 + plyview::kDoubleClickPixels + 1, 100);
    expectNear(frameMatrices(), panned, "too far apart");
    click(100, 100);
    std::this_thread::sleep_for(std::chrono::duration<double>(plyview::kDoubleClickSeconds * 1.2));
    click(100, 100);
    expectNear(frameMatrices(), panned, "too long apart");
    click(100 + plyview::kDoubleClickPixels, 100 - plyview::kDoubleClickPixels);
    expectNear(frameMatrices(), first, "a double click");

    for (const unsigned char key : {'3', '7', 'o', 'u', '+'}) plyview::pressKey(key);
    plyview::pressArrow(plyview::Arrow::kUp, false);
    EXPECT_NE(frameMatrices(), first);
    EXPECT_EQ(plyview::pressKey('0'), plyview::KeyOutcome::kChanged);
    EXPECT_EQ(frameMatrices(), first);
    EXPECT_EQ(plyview::pressKey('?'), plyview::KeyOutcome::kHelp);
}

}  // namespace

// ===== Eye-dome lighting =====

namespace {

// `count` points in rows of a thousand.
std::unique_ptr<FileModel> cloud(std::size_t count) {
    auto model = std::make_unique<FileModel>();
    for (std::size_t i = 0; i < count; ++i) {
        model->positions.insert(model->positions.end(),
                                {static_cast<float>(i % 1000), static_cast<float>(i / 1000), 0});
    }
    model->minX = model->minY = model->minZ = model->maxZ = 0;
    model->maxX = model->maxY = 1000;
    return model;
}

// A draw call and the framebuffer it drew into.
struct Draw {
    long long framebuffer, mode, count;
};

std::vector<Draw> draws() {
    std::vector<Draw> out;
    long long bound = 0;
    for (const fakegl::Call& call : fakegl::calls) {
        if (call.name == "glBindFramebuffer" && call.args[0] != GL_READ_FRAMEBUFFER) {
            bound = call.args[1];
        } else if (call.name == "glDrawArrays" || call.name == "glDrawElements") {
            out.push_back({bound, call.args[0], call.args[call.name == "glDrawArrays" ? 2 : 1]});
        }
    }
    return out;
}

constexpr long long kTarget = 7;  // PlyviewScene's

// The full-screen pass: one triangle into the target, writing depth whatever it holds.
bool shadedIntoTarget(const std::vector<Draw>& drawn) {
    const auto pass = std::find_if(drawn.begin(), drawn.end(), [](const Draw& d) {
        return d.framebuffer == kTarget && d.mode == GL_TRIANGLES && d.count == 3;
    });
    std::vector<long long> depthFunctions;
    for (const fakegl::Call& call : fakegl::named("glDepthFunc")) {
        depthFunctions.push_back(call.args[0]);
    }
    return pass != drawn.end() && depthFunctions == std::vector<long long>{GL_ALWAYS, GL_LESS};
}

}  // namespace

// A cloud in a surface style, `l` on, is drawn into a frame of its own and shaded into the
// target; the wireframe, `l` off and a mesh go straight into the target.
TEST_F(PlyviewScene, EyeDomeLightingShadesCloudsInTheSurfaceStylesWhileOn) {
    const struct {
        const char* what;
        bool mesh;
        int styleKeys;  // from the wireframe
        bool off;
        bool shaded;
    } cases[] = {
        {"cloud, surface", false, 1, false, true}, {"cloud, edges", false, 2, false, true},
        {"cloud, wire", false, 0, false, false},   {"cloud, l off", false, 1, true, false},
        {"mesh, surface", true, 1, false, false},
    };
    for (const auto& c : cases) {
        start(false);
        show(c.mesh ? surface(4, 4) : cloud(100));
        for (int i = 0; i < c.styleKeys; ++i) plyview::pressKey(plyview::kKeyStyle);
        if (c.off)
            plyview::pressKey(plyview::kKeyEyeDome);
        fakegl::calls.clear();
        plyview::drawFrame();
        const std::vector<Draw> drawn = draws();
        ASSERT_FALSE(drawn.empty()) << c.what;
        EXPECT_EQ(drawn.front().framebuffer != kTarget, c.shaded) << c.what;
        EXPECT_EQ(shadedIntoTarget(drawn), c.shaded) << c.what;
    }
}

// A heavy cloud drawn in steps is shaded as it is shown, with the box over it in the target;
// with `l` off it is drawn anew and copied as it is.
TEST_F(PlyviewScene, AHeavyCloudDrawnInStepsIsShadedWhenShown) {
    start(true);
    show(cloud(2 * plyview::kDirectLines + 2));  // a point costs half a line
    plyview::pressKey(plyview::kKeyStyle);
    plyview::pressKey(plyview::kKeyBox);
    const auto finish = [] {
        fakegl::calls.clear();
        plyview::drawFrame();
        for (int tick = 0; tick < 1000 && fakegl::count("present") == 0; ++tick) {
            plyview::sceneTick();
        }
    };
    finish();
    std::vector<Draw> drawn = draws();
    EXPECT_TRUE(shadedIntoTarget(drawn));
    EXPECT_EQ(drawn.back().framebuffer, kTarget);
    EXPECT_EQ(drawn.back().mode, GL_LINE_STRIP) << "the box, after the shading";

    plyview::pressKey(plyview::kKeyEyeDome);
    finish();
    drawn = draws();
    EXPECT_EQ(drawn.front().mode, GL_POINTS) << "drawn anew";
    EXPECT_EQ(fakegl::count("glBlitFramebuffer"), 1u);
    EXPECT_FALSE(shadedIntoTarget(drawn));
}
