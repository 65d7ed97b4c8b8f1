// The file viewer shows the whole file, end to end: every triangle of a large model in a
// picture, the proxy during a real drag and the full model after it, a window that answers
// keys and edits while the proxy is built, files refused for want of memory, and edits seen at
// rest.
#include <chrono>
#include <thread>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGrid = 800;  // 800 x 800 = 640,000 triangles, one per cell
constexpr int kHugeSide = 8192;
constexpr xsession::Millis kSlowRun{180000};  // a picture of 67 million pixels on a busy machine
constexpr int kProxySide = 320;  // 320 x 320 quads: 204,800 triangles, past the proxy's threshold
// A torus of 300 x 200 flat splats: 60,000, past the splat stand-in's threshold.
constexpr int kSplatAround = 300;
constexpr int kSplatTube = 200;
constexpr long kSplatPixels = 20000;  // a torus of splats filling the frame covers far more
constexpr long kFewGreen = 20;        // splats of random colours: a few pixels may look green
// plyview's test mode: a line per frame shown and when the proxy is ready; the proxy slowed; the
// memory a file's needs are held against.
constexpr const char* kFrameLog = "PLYVIEW_TEST_LOG=1";
constexpr const char* kSlowProxy = "PLYVIEW_TEST_PROXY_DELAY_MS=600000";
constexpr const char* kOneMB = "PLYVIEW_MEMORY_AVAILABLE_MB=1";

// One small triangle in each cell of a kGrid x kGrid grid in the plane z = 0, sharing nothing.
std::string gridOfTriangles() {
    plywrite::Mesh mesh;
    for (int r = 0; r < kGrid; ++r) {
        for (int c = 0; c < kGrid; ++c) {
            const int first = static_cast<int>(mesh.positions.size());
            mesh.positions.push_back({c + 0.2, r + 0.2, 0});
            mesh.positions.push_back({c + 0.8, r + 0.2, 0});
            mesh.positions.push_back({c + 0.2, r + 0.8, 0});
            mesh.faces.push_back({first, first + 1, first + 2});
        }
    }
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    return plywrite::write(mesh, options);
}

std::string binarySurface(int columns, int rows) {
    plywrite::Options options;
    options.format = plywrite::Format::kBinaryLittleEndian;
    return plywrite::write(plywrite::surface(columns, rows), options);
}

std::string binarySurface(int side) {
    return binarySurface(side, side);
}

// Cells of the grid in which the picture shows no green; the grid spans the green pixels.
int emptyCells(const Image& image) {
    const xsession::Spread green = greenOf(image);
    const double cellX = green.width() / (kGrid - 0.4), cellY = green.height() / (kGrid - 0.4);
    std::vector<char> seen(static_cast<std::size_t>(kGrid) * kGrid, 0);
    for (int y = green.minY; y <= green.maxY; ++y) {
        for (int x = green.minX; x <= green.maxX; ++x) {
            if (xsession::classify(image.pixel(x, y)) != Colour::kGreen) {
                continue;
            }
            const int c = std::min(kGrid - 1, static_cast<int>((x - green.minX) / cellX + 0.2));
            const int r = std::min(kGrid - 1, static_cast<int>((green.maxY - y) / cellY + 0.2));
            seen[static_cast<std::size_t>(r) * kGrid + c] = 1;
        }
    }
    return static_cast<int>(std::count(seen.begin(), seen.end(), 0));
}

class PlyviewWhole : public Plyview {
  protected:
    std::string output() { return session().process().stdoutText(); }
    // Waits until plyview's frame log has a line that begins with `start` after `from` lines.
    std::size_t waitForLog(const std::string& start, std::size_t from, const std::string& what) {
        const auto deadline = Clock::now() + xsession::kWindowTimeout;
        while (Clock::now() < deadline) {
            const std::vector<std::string> lines = linesOf(output());
            for (std::size_t i = from; i < lines.size(); ++i) {
                if (lines[i].rfind(start, 0) == 0) {
                    return i;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ADD_FAILURE() << "no \"" << start << "\" line: " << what << "\n" << output();
        return 0;
    }
};

TEST_F(PlyviewWhole, EveryTriangleOfALargeModelIsInThePicture) {
    write("grid.ply", gridOfTriangles());
    const std::string size = std::to_string(kHugeSide) + "x" + std::to_string(kHugeSide);
    ASSERT_EQ(
        runHeadless({"--png", "grid.png", "--size", size, "grid.ply"}, PLYVIEW_EXE, {}, kSlowRun),
        0)
        << headlessErrors();
    EXPECT_EQ(emptyCells(xsession::readPng(work() / "grid.png")), 0);
    EXPECT_EQ(headlessOutput().find("simplified"), std::string::npos) << headlessOutput();
    EXPECT_EQ(headlessErrors(), "");
}

TEST_F(PlyviewWhole, TheProxyMovesWithADragAndTheFullModelComesBack) {
    write("scan.ply", binarySurface(kProxySide));
    start({"scan.ply"}, title("scan.ply", 1, 1), {kFrameLog});
    session().waitForFirstFrame();
    const std::size_t ready = waitForLog("proxy ", 0, "the proxy is built after the first frame");
    session().client().drag(session().window(), kLeftButton, {200, 256}, {320, 226}, 12);
    const std::size_t moved = waitForLog("frame proxy", ready, "proxy frames during the drag");
    waitForLog("frame full", moved, "the full model after the drag");
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(session().process().stderrText(), "");
}

// A splat file past the stand-in's threshold: `s` from the green centres to the splats, a drag
// draws the merged stand-in, and the full picture of every splat comes back when it ends.
TEST_F(PlyviewWhole, TheSplatStandInMovesWithADragAndTheFullPictureComesBack) {
    write("torus.ply", plywrite::writeSplats(plywrite::splatTorus(kSplatAround, kSplatTube), {}));
    start({"--up", "+y", "torus.ply"}, title("torus.ply", 1, 1), {kFrameLog});
    const Image centres = session().waitForFirstFrame();
    EXPECT_GT(coloursOf(centres).green, 0) << "the wireframe shows the centres";
    session().press('s');
    const auto splats = [](const Image& image) {
        const xsession::ColourCounts counts = coloursOf(image);
        return counts.other > kSplatPixels && counts.green < counts.other / kFewGreen;
    };
    session().waitFor(splats, "the splats");
    const std::size_t ready = waitForLog("proxy ", 0, "the stand-in is built");
    session().client().drag(session().window(), kLeftButton, {200, 256}, {320, 226}, 12);
    const std::size_t moved = waitForLog("frame proxy", ready, "stand-in frames during the drag");
    waitForLog("frame full", moved, "every splat after the drag");
    EXPECT_TRUE(splats(session().waitForStable(xsession::kFrameTimeout, splats)));
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(session().process().stderrText(), "");
}

TEST_F(PlyviewWhole, TheWindowAnswersKeysWhileTheProxyIsBuilt) {
    write("scan.ply", binarySurface(kProxySide));
    write("small.ply", octahedronPly());
    start({"scan.ply", "small.ply"}, title("scan.ply", 1, 2), {kFrameLog, kSlowProxy});
    const Image first = session().waitForFirstFrame();
    session().press('e');
    session().waitFor([](const Image& image) { return coloursOf(image).blue > 0; }, "the box");
    session().press('e');
    EXPECT_EQ(session().waitFor([](const Image& image) { return coloursOf(image).blue == 0; },
                                "the box gone"),
              first);
    // Another file and back: each proxy under way is left behind, not waited for.
    step('N', title("small.ply", 2, 2));
    step('P', title("scan.ply", 1, 2));
    // The title changes once the scan is read, before its edges are built and drawn: on a busy
    // machine the small model's frame can stay long enough to look stable.
    session().waitFor([&](const Image& image) { return image == first; }, "the scan's frame");
    EXPECT_EQ(output().find("proxy "), std::string::npos) << "the proxy was not slowed";
    EXPECT_EQ(quit(), 0);  // at once, while the proxy is still under way
}

// An edit while the proxy is built: the job under way is left behind, the edited file is read and
// shown, and its own proxy is started as the first one was; quitting leaves that one behind too.
TEST_F(PlyviewWhole, AnEditWhileTheProxyIsBuiltIsShown) {
    const fs::path shown = write("scan.ply", binarySurface(kProxySide));
    start({"scan.ply"}, title("scan.ply", 1, 1), {kFrameLog, kSlowProxy});
    const Image first = session().waitForFirstFrame();
    const std::size_t before = linesOf(output()).size();
    // Twice as wide and half as high: as many triangles, so it needs a proxy too, in another shape.
    write("edited.ply", binarySurface(2 * kProxySide, kProxySide / 2));
    fs::rename(work() / "edited.ply", shown);  // as editors save
    EXPECT_GT(greenOf(session().waitForChange(first, xsession::kWindowTimeout)).count, 0);
    waitForLog("frame full", before, "a full frame of the edited file");
    EXPECT_EQ(output().find("proxy "), std::string::npos) << "the proxy was not slowed";
    EXPECT_EQ(quit(), 0);  // at once, while the second proxy is still under way
    EXPECT_EQ(session().process().stderrText(), "");
}

TEST_F(PlyviewWhole, AFileTooLargeForTheMemoryIsRefusedWithOneLine) {
    write("big.ply", binarySurface(200));  // 2.1 MB: needs several MB
    write("small.ply", octahedronPly());
    const std::string limit = kOneMB;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--png", "big.png", "big.ply"}}) {
        EXPECT_EQ(runHeadless(args, PLYVIEW_EXE, {limit}), 1);
        const std::vector<std::string> errors = linesOf(headlessErrors());
        ASSERT_EQ(errors.size(), 1u) << headlessErrors();
        EXPECT_EQ(errors[0].rfind("big.ply: needs about ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(" MB, 1 MB available"), std::string::npos) << errors[0];
    }
    EXPECT_FALSE(fs::exists(work() / "big.png"));

    // Alone in a window it ends the program; among several it shows an empty frame.
    start({"big.ply"}, title("big.ply", 1, 1), {limit});
    EXPECT_EQ(session().waitForExit(), 1);
    start({"small.ply", "big.ply"}, title("small.ply", 1, 2), {limit});
    session().waitForFirstFrame();
    step('N', title("big.ply", 2, 2));
    EXPECT_EQ(greenOf(session().capture()).count, 0);
    EXPECT_GT(greenOf(step('N', title("small.ply", 1, 2))).count, 0);
    EXPECT_EQ(quit(), 0);
    const std::vector<std::string> errors = linesOf(session().process().stderrText());
    ASSERT_EQ(errors.size(), 1u) << session().process().stderrText();
    EXPECT_EQ(errors[0].rfind("big.ply: needs about ", 0), 0u) << errors[0];
}

TEST_F(PlyviewWhole, AnEditAtRestIsShownWithoutAKey) {
    const fs::path shown = write("shown.ply", octahedronPly());
    const fs::path other = write("other.ply", spherePly(1, {0, 0, 0}));
    const Image first = startAndWait({"shown.ply"}, title("shown.ply", 1, 1));
    // As cp does it: the same file truncated and written again.
    fs::copy_file(other, shown, fs::copy_options::overwrite_existing);
    const Image sphere = session().waitForChange(first, std::chrono::seconds(5));
    EXPECT_GT(greenOf(sphere).count, 0);

    // A half-written file: one line, and the last good picture stays.
    const std::string text = xsession::readFile(other);
    write("shown.ply", text.substr(0, text.size() / 2));
    std::this_thread::sleep_for(std::chrono::seconds(1));  // several looks at the file
    EXPECT_EQ(session().waitForStable(), sphere);
    EXPECT_EQ(quit(), 0);
    const std::vector<std::string> errors = linesOf(session().process().stderrText());
    ASSERT_EQ(errors.size(), 1u) << session().process().stderrText();
    EXPECT_EQ(errors[0].rfind("shown.ply: file ends in ", 0), 0u) << errors[0];
}

}  // namespace
}  // namespace e2e
