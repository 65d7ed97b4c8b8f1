// The file viewer's front end without a window: the command line, folders, picture and window
// names, and the camera that frames any box.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "model/ply_result.h"
#include "plyview/camera.h"
#include "plyview/files.h"
#include "plyview/options.h"
#include "plyview/testing.h"
#include "scene_fixture.h"

namespace {

using Strings = std::vector<std::string>;

plyview::ParseResult parse(Strings args) {
    args.insert(args.begin(), "plyview");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return plyview::parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(PlyviewCommandLine, OptionsFilesAndMistakes) {
    struct Case {
        Strings args;
        Strings inputs;
        std::string png;
        int width, height;
        std::string error;  // a prefix of the message; empty: accepted
        plyview::Style style = plyview::Style::kWire;
    };
    using plyview::Style;
    const std::vector<Case> cases = {
        {{"a.ply", "dir"}, {"a.ply", "dir"}, "", 512, 512, ""},
        {{"--png", "o.png", "--size", "640x480", "a.ply"}, {"a.ply"}, "o.png", 640, 480, ""},
        {{"--", "--png", "-"}, {"--png", "-"}, "", 512, 512, ""},  // after --, all are files
        {{"--help"}, {}, "", 512, 512, ""},
        {{}, {}, "", 512, 512, "no file given"},
        {{"--png"}, {}, "", 512, 512, "--png needs a value"},
        {{"-x", "a.ply"}, {}, "", 512, 512, "unknown option '-x'"},
        {{"--size", "640", "a.ply"}, {}, "", 512, 512, "--size wants WxH"},
        {{"--size", "0x10", "a.ply"}, {}, "", 512, 512, "--size wants WxH"},
        {{"--size", "8193x10", "a.ply"}, {}, "", 512, 512, "--size wants WxH"},
        {{"--size", "12x-3", "a.ply"}, {}, "", 512, 512, "--size wants WxH"},
        {{"--style", "surface", "a.ply"}, {"a.ply"}, "", 512, 512, "", Style::kSurface},
        {{"--png", "o.png", "--style", "edges", "a"}, {"a"}, "o.png", 512, 512, "", Style::kEdges},
        {{"--style", "wire", "a.ply"}, {"a.ply"}, "", 512, 512, ""},
        {{"--style", "Surface", "a.ply"}, {}, "", 512, 512, "--style wants wire, surface or edges"},
        {{"a.ply", "--style"}, {}, "", 512, 512, "--style needs a value"},
        {{"--info", "--json", "a.ply"}, {"a.ply"}, "", 512, 512, ""},
        {{"--json", "a.ply"}, {}, "", 512, 512, "--json goes with --info"},
    };
    for (const Case& c : cases) {
        const plyview::ParseResult r = parse(c.args);
        const std::string where = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.error.substr(0, c.error.size()), c.error) << where;
        EXPECT_EQ(r.error.empty(), c.error.empty()) << where << ": " << r.error;
        if (c.error.empty()) {
            EXPECT_EQ(r.options.inputs, c.inputs) << where;
            EXPECT_EQ(r.options.pngOut, c.png) << where;
            EXPECT_EQ(r.options.width, c.width) << where;
            EXPECT_EQ(r.options.height, c.height) << where;
            EXPECT_EQ(r.options.style, c.style) << where;
            EXPECT_EQ(r.options.info, r.options.json) << where;  // both or neither, here
        }
    }
}

TEST(PlyviewCommandLine, HelpNamesOptionsMouseAndKeys) {
    const std::string help = plyview::helpText();
    for (const char* item : {"usage: plyview", "--png", "--size", "--style", "--info", "--json",
                             "left drag", "wheel", "N / P", "  l  ", "Esc"}) {
        EXPECT_NE(help.find(item), std::string::npos) << item;
    }
}

TEST(PlyviewCommandLine, FoldersGiveTheirPlyFilesInByteOrder) {
    TempFolder folder;
    std::filesystem::create_directories("scans/sub.ply");  // a folder, even with that name
    std::filesystem::create_directories("empty");
    for (const char* name :
         {"scans/b.ply", "scans/a.PLY", "scans/C.Ply", "scans/notes.txt", "scans/.ply"}) {
        folder.write(name, "");
    }
    Strings problems;
    const Strings paths =
        plyview::expandInputs({"x.ply", "scans/", "empty", "missing.ply"}, problems);
    EXPECT_EQ(paths,
              (Strings{"x.ply", "scans/C.Ply", "scans/a.PLY", "scans/b.ply", "missing.ply"}));
    EXPECT_EQ(problems, (Strings{"empty: no .ply files in this folder"}));
}

TEST(PlyviewNames, PicturesAndTitles) {
    EXPECT_EQ(plyview::pictureNames(
                  {"a/bunny.ply", "b/bunny.PLY", "bunny-2.ply", "c/bunny.ply", "noext"}, "out/"),
              (Strings{"out/bunny.png", "out/bunny-2.png", "out/bunny-2-2.png", "out/bunny-3.png",
                       "out/noext.png"}));
    EXPECT_EQ(plyview::windowTitle("scans/bunny.ply", 1, 5), "bunny.ply (2/5) - plyview");
    EXPECT_EQ(plyview::windowTitle("bunny.ply", 0, 1), "bunny.ply (1/1) - plyview");
}

// ===== Camera =====

struct Projected {
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    double nearest = 1e9, farthest = -1e9;  // eye distance of the corners
};

// The eight corners through the camera into normalised device coordinates.
Projected project(const plyview::Box& b, const plyview::Orbit& orbit, float aspect,
                  const plyview::Box& framed, const plyview::Motion& motion = {}) {
    Mat4 projection(1.0f), model(1.0f);
    plyview::Camera camera;
    camera.framing = plyview::frameBox(framed, aspect);
    camera.orbit = orbit;
    camera.motion = motion;
    camera.aspect = aspect;
    plyview::matricesOf(plyview::eyeOf(camera), projection, model);
    Projected out;
    for (int i = 0; i < 8; ++i) {
        const Vec4 corner(i & 1 ? b.maxX : b.minX, i & 2 ? b.maxY : b.minY, i & 4 ? b.maxZ : b.minZ,
                          1);
        double eye[4] = {}, clip[4] = {};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) eye[r] += static_cast<double>(model[r][c]) * corner[c];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) clip[r] += static_cast<double>(projection[r][c]) * eye[c];
        out.minX = std::min(out.minX, clip[0] / clip[3]);
        out.maxX = std::max(out.maxX, clip[0] / clip[3]);
        out.minY = std::min(out.minY, clip[1] / clip[3]);
        out.maxY = std::max(out.maxY, clip[1] / clip[3]);
        out.nearest = std::min(out.nearest, clip[2] / clip[3]);
        out.farthest = std::max(out.farthest, clip[2] / clip[3]);
    }
    return out;
}

TEST(PlyviewCamera, AnyBoxFillsHalfTheSmallerSideAndStaysInView) {
    const std::vector<plyview::Box> boxes = {
        {-1, 1, -1, 1, -1, 1},                   // cube at the origin
        {0, 0.1f, 0, 0.05f, 0, 0.02f},           // a 0.1-unit part
        {-20000, 57000, 0, 30000, 5000, 40000},  // a 77,000-unit scan
        {-0.6f, 0.6f, -0.4f, 0.4f, 2.0f, 2.6f},  // beyond z = 0
        {0, 10, 0, 10, 0, 0},                    // flat
        {-0.1f, 0.1f, -0.1f, 0.1f, -50, 50},     // a rod along the line of sight
        {-50, 50, -0.1f, 0.1f, -0.1f, 0.1f},     // a rod across it
    };
    for (const float aspect : {1.0f, 2.0f, 0.5f}) {
        for (const plyview::Box& b : boxes) {
            const Projected p = project(b, {}, aspect, b);
            const std::string where =
                "box from " + std::to_string(b.minX) + " aspect " + std::to_string(aspect);
            // Device coordinates run -1..1 on both axes: in units of half the window's height,
            // the spans are (x span) * aspect and (y span), half the smaller side min(aspect, 1).
            const double span = std::max((p.maxX - p.minX) * aspect, p.maxY - p.minY);
            if (b.minX != -0.1f) {  // a rod seen end-on has nothing to spread
                EXPECT_GE(span, std::min(aspect, 1.0f)) << where;
            }
            EXPECT_GT(p.minX, -1) << where;
            EXPECT_LT(p.maxX, 1) << where;
            EXPECT_GT(p.minY, -1) << where;
            EXPECT_LT(p.maxY, 1) << where;
            EXPECT_GT(p.nearest, -1) << where;  // between the near and far planes
            EXPECT_LT(p.farthest, 1) << where;
        }
    }
}

TEST(PlyviewCamera, TurningAndZoomingKeepTheModelBetweenNearAndFar) {
    const plyview::Box box{100, 140, -3, 5, 7, 8};
    for (const plyview::Orbit& orbit :
         {plyview::Orbit{90, 0, 1}, plyview::Orbit{37, -90, 1}, plyview::Orbit{180, 45, 0.7f},
          plyview::Orbit{0, 0, plyview::kMaxZoom}}) {
        const Projected p = project(box, orbit, 1.0f, box);
        EXPECT_GT(p.nearest, -1) << orbit.yaw << " " << orbit.pitch << " " << orbit.zoom;
        EXPECT_LT(p.farthest, 1) << orbit.yaw << " " << orbit.pitch << " " << orbit.zoom;
    }
}

TEST(PlyviewCamera, TheTourIsFramedSoTheTurningModelStaysInView) {
    // A model deep along the line of sight, centred as the tour centres it: framed at rest, it
    // would reach out of the view when it has turned sideways.
    const plyview::Box box{-0.5f, 0.5f, 0, 1, -4, 4};
    const plyview::Box sweep = plyview::turntableBox(box);
    EXPECT_FLOAT_EQ(sweep.maxX, std::sqrt(16.25f));
    EXPECT_FLOAT_EQ(sweep.minZ, -std::sqrt(16.25f));
    EXPECT_EQ(sweep.minY, box.minY);
    double widest = 0, widestAtRest = 0;
    for (float spin = 0; spin < 360; spin += 5) {
        const plyview::Motion turned{0, 0, 0, spin};
        const Projected p = project(box, {}, 1.0f, sweep, turned);
        widest = std::max({widest, -p.minX, p.maxX});
        EXPECT_GT(p.nearest, -1) << spin;
        const Projected r = project(box, {}, 1.0f, box, turned);
        widestAtRest = std::max({widestAtRest, -r.minX, r.maxX});
    }
    EXPECT_LT(widest, 1.0);
    EXPECT_GT(widestAtRest, 1.0);  // what the tour would show with the framing at rest
}

TEST(PlyviewCamera, EmptyAndPointBoxesGiveFiniteMatrices) {
    for (const plyview::Box b : {plyview::Box{kBoxResetMin, kBoxResetMax, kBoxResetMin,
                                              kBoxResetMax, kBoxResetMin, kBoxResetMax},
                                 plyview::Box{5, 5, 5, 5, 5, 5}}) {
        Mat4 projection(1.0f), model(1.0f);
        plyview::Camera camera;
        camera.framing = plyview::frameBox(b, 1.0f);
        plyview::matricesOf(plyview::eyeOf(camera), projection, model);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                EXPECT_TRUE(std::isfinite(projection[r][c]) && std::isfinite(model[r][c]));
            }
        }
    }
}

TEST(PlyviewCamera, DragTurnsWithinLimits) {
    plyview::Orbit orbit;
    plyview::turn(orbit, 100, -1000);
    EXPECT_EQ(orbit.yaw, 100 * plyview::kDegreesPerPixel);
    EXPECT_EQ(orbit.pitch, -plyview::kMaxPitch);
}

}  // namespace

namespace {

// An edit is read once its status has held still for one more look, and each edit once.
TEST(PlyviewWatch, AChangedFileIsReadOnceItHasHeldForOneLook) {
    const auto stamp = [](std::uint64_t size, std::int64_t modified) {
        plyview::FileStamp s;
        s.exists = true;
        s.size = size;
        s.modified = modified;
        return s;
    };
    const plyview::FileStamp shown = stamp(10, 1), writing = stamp(20, 2), written = stamp(30, 3);
    plyview::FileWatch watch;
    watch.start(shown);
    const struct {
        plyview::FileStamp now;
        bool read;
    } looks[] = {
        {shown, false},   {writing, false},  // first sight of a change: not yet
        {written, false},                    // still changing
        {written, true},                     // held for one look: read
        {written, false},                    // read once, whatever came of it
        {shown, false},                      // back to what is shown: nothing to read
        {writing, false}, {writing, true},
    };
    int look = 0;
    for (const auto& l : looks) {
        EXPECT_EQ(watch.due(l.now), l.read) << "look " << look++;
    }
}

// The memory a cgroup leaves, read from a tree of the test's own: the process's own group by
// its line in /proc/self/cgroup, else the root's, else no limit.
TEST(PlyviewMemory, TheProcesssCgroupLimitIsFoundByItsPath) {
    TempFolder tree;
    std::filesystem::create_directories("cg/user.slice/app.scope");
    tree.write("self", "1:name=systemd:/elsewhere\n0::/user.slice/app.scope\n");
    tree.write("cg/user.slice/app.scope/memory.max", "5000\n");
    tree.write("cg/user.slice/app.scope/memory.current", "1200\n");
    tree.write("cg/memory.max", "max\n");
    EXPECT_EQ(plyview::cgroupLeft("self", "cg"), 3800u);
    tree.write("cg/user.slice/app.scope/memory.max", "max\n");
    EXPECT_EQ(plyview::cgroupLeft("self", "cg"), std::numeric_limits<std::uint64_t>::max());
    tree.write("cg/memory.max", "900\n");
    tree.write("cg/memory.current", "1000\n");
    EXPECT_EQ(plyview::cgroupLeft("self", "cg"), 0u);  // over its limit: nothing left
}

}  // namespace
