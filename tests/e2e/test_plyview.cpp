// The file viewer end to end: files and folders from the command line in a real window, its
// title, stepping, the mouse, resizing, framing of large and offset models, point clouds, a file
// removed while shown, pictures drawn without a display, and the installed desktop files as a
// desktop uses them. It runs in an empty folder, so the shaders it uses can only be its built-in
// ones.
#include <algorithm>
#include <cmath>
#include <fstream>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using xsession::Point;
using xsession::Size;

constexpr int kPictureSide = 512;
constexpr int kThumbnailSide = 128;
constexpr int kTourSlices = 192;  // the second model of the tour: about 55,000 lines

// The value of `key` in a desktop key file; empty when it has none.
std::string keyOf(const fs::path& file, const std::string& key) {
    for (const std::string& line : linesOf(xsession::readFile(file))) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return "";
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// A thumbnailer's Exec line with its field codes filled in as a file manager does, as a shell
// command: the line's own quoting follows the shell's double-quote rules.
std::string thumbnailCommand(const std::string& exec, const fs::path& input, const fs::path& output,
                             int size) {
    std::string command;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char code = exec[i] == '%' && i + 1 < exec.size() ? exec[++i] : '\0';
        if (code == 'i') {
            command += shellQuoted(input.string());
        } else if (code == 'o') {
            command += shellQuoted(output.string());
        } else if (code == 's') {
            command += std::to_string(size);
        } else {
            command += code == '\0' ? exec[i] : code;  // "%%" is a percent sign
        }
    }
    return command;
}

// Pixels unlike the top-left corner, which is background: a blank picture has none.
long drawnPixels(const Image& image) {
    Image background = image;
    for (std::size_t i = 0; i < background.rgb.size(); ++i) {
        background.rgb[i] = image.rgb[i % 3];
    }
    return xsession::differingPixels(image, background);
}

TEST_F(Plyview, FilesAndAFolderFormTheCatalogueNamedInTheTitle) {
    write("one.ply", octahedronPly());
    write("two.ply", wedgePly());
    write("models/sphere.ply", spherePly(1, {0, 0, 0}));
    write("models/Box.PLY", boxPly({0, 0, 0}, {1, 2, 3}));
    write("models/notes.txt", "not a model");
    const Image first =
        startAndWait({"one.ply", "gone.ply", "two.ply", "models"}, title("one.ply", 1, 5));

    // A file that cannot be read keeps its place and shows an empty frame.
    EXPECT_EQ(greenOf(step('N', title("gone.ply", 2, 5))).count, 0);
    const Image two = step('N', title("two.ply", 3, 5));
    EXPECT_NE(two, first);
    EXPECT_GT(greenOf(two).count, 0);
    // A folder gives its PLY files in byte order of their names: "Box.PLY" before "sphere.ply".
    step('N', title("Box.PLY", 4, 5));
    const Image sphere = step('N', title("sphere.ply", 5, 5));
    EXPECT_EQ(step('N', title("one.ply", 1, 5)), first);
    EXPECT_EQ(step('P', title("sphere.ply", 5, 5)), sphere);
    EXPECT_EQ(step('W', title("one.ply", 1, 5)), first);
    EXPECT_EQ(quit(), 0);
    const std::vector<std::string> errors = linesOf(session().process().stderrText());
    ASSERT_FALSE(errors.empty());
    for (const std::string& line : errors) {
        EXPECT_EQ(line, "gone.ply: No such file or directory");
    }
}

TEST_F(Plyview, MouseTurnsAndZoomsAndWRestoresTheView) {
    write("box.ply", boxPly({0, 0, 0}, {2, 1, 0.5}));
    const Image first = startAndWait({"box.ply"}, title("box.ply", 1, 1));
    auto& client = session().client();
    const auto window = session().window();

    client.drag(window, kLeftButton, {200, 256}, {300, 226}, 10);
    const Image turned = session().waitForChange(first);
    EXPECT_GT(greenOf(turned).count, 0);
    session().press('W');
    EXPECT_EQ(session().waitForStable(), first);

    client.click(window, kWheelUp);
    const Image nearer = session().waitForChange(first);
    EXPECT_GT(greenOf(nearer).width(), greenOf(first).width());
    client.drag(window, kRightButton, {256, 300}, {256, 400}, 5);  // down: farther
    const Image farther = session().waitForChange(nearer);
    EXPECT_LT(greenOf(farther).width(), greenOf(nearer).width());
    session().press('W');
    EXPECT_EQ(session().waitForStable(), first);
    EXPECT_EQ(quit(), 0);
}

// plyview's own keys in its window: the overlays, a translation, the breathing and the tour
// through the files, each seen in the pixels and stopped again.
TEST_F(Plyview, KeysShowOverlaysMoveBreatheAndTourThroughTheFiles) {
    write("one.ply", spherePly(1, {0, 0, 0}));
    // The tour turns a frame a step: a light model's turn is over in a few tens of
    // milliseconds, too soon for the title to be seen; this one's takes a few hundred.
    write("two.ply", spherePly(1, {0, 0, 0}, kTourSlices, kTourSlices / 2));
    const Image first = startAndWait({"one.ply", "two.ply"}, title("one.ply", 1, 2));
    session().press('m');
    session().waitFor([](const Image& im) { return coloursOf(im).red > 0; }, "the normals");
    session().press('m');
    EXPECT_EQ(session().waitForStable(), first);

    session().press('x');  // moves left until pressed again
    session().waitFor(
        [&](const Image& im) { return greenOf(im).centreX < greenOf(first).centreX - 20; },
        "the model moved left");
    session().press('x');
    const Image moved = session().waitForStable();
    EXPECT_EQ(session().waitForStable(), moved);  // stopped
    session().press('W');
    EXPECT_EQ(session().waitForStable(), first);

    session().press('B');
    session().waitForChange(first);  // breathing
    session().press('B');
    // Stopped; pressed just when the breathing is back at rest, the second B leaves it stopped
    // one step out, as the catalogue viewer's does: W puts the model at rest either way.
    const Image stopped = session().waitForStable();
    EXPECT_EQ(session().waitForStable(), stopped);
    session().press('W');
    EXPECT_EQ(session().waitForStable(), first);

    session().press('R');  // a whole turn, then the next file
    session().waitFor(
        [&](const Image&) {
            return session().client().title(session().window()) == title("two.ply", 2, 2);
        },
        "the tour at the second file");
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(session().process().stderrText(), "");
}

TEST_F(Plyview, ResizingKeepsASphereRound) {
    write("sphere.ply", spherePly(1, {0, 0, 0}, 48, 24));
    startAndWait({"sphere.ply"}, title("sphere.ply", 1, 1));
    for (const Size size : {Size{700, 300}, Size{300, 600}}) {
        session().client().resize(session().window(), size);
        const Image image = session().waitForStable(xsession::kFrameTimeout, [&](const Image& i) {
            return i.width == size.width && i.height == size.height && greenOf(i).count > 0;
        });
        const xsession::Spread green = greenOf(image);
        const double ratio = static_cast<double>(green.width()) / green.height();
        EXPECT_NEAR(ratio, 1.0, 0.03) << size.width << "x" << size.height;
        expectFills(image, std::to_string(size.width) + "x" + std::to_string(size.height));
    }
    EXPECT_EQ(quit(), 0);
}

TEST_F(Plyview, LargeOffsetTinyAndSurveyModelsFillTheWindow) {
    write("large.ply", boxPly({-20000, 0, 5000}, {57000, 30000, 40000}));  // 77,000 units wide
    write("offset.ply", spherePly(0.35, {0.3, -0.2, 2.6}));                // far from z = 0
    write("tiny.ply", boxPly({0, 0, 0}, {0.1, 0.04, 0.02}));
    write("survey.ply",
          boxPly({429877111.59, 5412345.12, 250.0}, {429877112.79, 5412345.92, 250.8}));
    expectFills(startAndWait({"large.ply", "offset.ply", "tiny.ply", "survey.ply"},
                             title("large.ply", 1, 4)),
                "large");
    const char* const names[] = {"offset.ply", "tiny.ply", "survey.ply"};
    for (int i = 0; i < 3; ++i) {
        expectFills(step('N', title(names[i], i + 2, 4)), names[i]);
    }
    // 1.2 wide, 0.8 high: in floats at x = 429877111 it would collapse to a line (32-unit steps).
    const xsession::Spread survey = greenOf(session().capture());
    EXPECT_GT(survey.width(), survey.height() * 5 / 4);
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(session().process().stderrText(), "");
}

TEST_F(Plyview, APointCloudShowsItsPoints) {
    plywrite::Options cloud;
    cloud.pointCloud = true;
    cloud.format = plywrite::Format::kBinaryLittleEndian;
    write("cloud.ply", plywrite::write(plywrite::surface(19, 19), cloud));
    const Image image = startAndWait({"cloud.ply"}, title("cloud.ply", 1, 1));
    // 400 points of 3 x 3 pixels, well apart.
    EXPECT_GE(greenOf(image).count, 400 * 9);
    expectFills(image, "cloud");
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(session().process().stderrText(), "");
}

TEST_F(Plyview, AFileRemovedWhileShownKeepsItsPictureAndSaysSoOnce) {
    const fs::path path = write("shown.ply", octahedronPly());
    const Image first = startAndWait({"shown.ply"}, title("shown.ply", 1, 1));
    fs::remove(path);
    for (int i = 0; i < 2; ++i) {
        session().press('e');
        session().waitFor([](const Image& im) { return coloursOf(im).blue > 0; }, "the box");
        session().press('e');
        EXPECT_EQ(session().waitForStable(), first) << "round " << i;
    }
    EXPECT_EQ(quit(), 0);
    const std::vector<std::string> errors = linesOf(session().process().stderrText());
    ASSERT_EQ(errors.size(), 1u) << session().process().stderrText();
    EXPECT_EQ(errors[0].rfind("shown.ply: ", 0), 0u) << errors[0];
}

TEST_F(Plyview, PictureWithoutADisplayEqualsTheWindowsFirstFrame) {
    write("one.ply", octahedronPly());
    write("sphere.ply", spherePly(1, {0, 0, 0}));
    const Image windowed = startAndWait({"one.ply", "sphere.ply"}, title("one.ply", 1, 2));
    ASSERT_EQ(quit(), 0);
    ASSERT_EQ(runHeadless({"--png", "one.png", "one.ply"}), 0) << headlessErrors();
    EXPECT_EQ(xsession::readPng(work() / "one.png"), windowed);
    EXPECT_EQ(headlessErrors() + headlessOutput(), "");

    // Several files fill a folder, one picture each, of the size asked for.
    write("again/one.ply", octahedronPly());
    ASSERT_EQ(
        runHeadless({"--png", "pictures", "--size", "320x200", "one.ply", "sphere.ply", "again"}),
        0)
        << headlessErrors();
    for (const char* name : {"one.png", "sphere.png", "one-2.png"}) {
        const Image picture = xsession::readPng(work() / "pictures" / name);
        EXPECT_EQ(picture.width, 320) << name;
        EXPECT_EQ(picture.height, 200) << name;
        expectFills(picture, name);
    }
}

TEST_F(Plyview, CommandLineMistakesAndUnreadableFilesEndWithTheirStatus) {
    write("broken.ply", octahedronPly().substr(0, 150));
    write("good.ply", octahedronPly());
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errorStart;  // what standard error begins with
        std::size_t errorLines;
    };
    const std::vector<Case> cases = {
        {{}, 2, "usage: plyview", 1},
        {{"--bogus", "a.ply"}, 2, "plyview: unknown option '--bogus'", 2},
        {{"--png", "x.png", "--size", "0x5", "a.ply"}, 2, "plyview: --size", 2},
        {{"--png", "x.png", "missing.ply"}, 1, "missing.ply: ", 1},
        {{"--png", "x.png", "broken.ply"}, 1, "broken.ply: ", 1},
        {{"good.ply"}, 1, "plyview: no display", 1},
        {{"--help"}, 0, "", 0},  // last: its output is looked at below
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runHeadless(c.args), c.status) << ::testing::PrintToString(c.args);
        const std::string errors = headlessErrors();
        EXPECT_EQ(errors.substr(0, c.errorStart.size()), c.errorStart) << errors;
        EXPECT_EQ(linesOf(errors).size(), c.errorLines) << errors;
    }
    EXPECT_NE(headlessOutput().find("left drag"), std::string::npos) << headlessOutput();
    EXPECT_FALSE(fs::exists(work() / "x.png"));
}

// --info needs no display: each file's facts, a cut one's reason (status 1, one line on
// standard error), and with --json one object per file that a JSON reader takes.
TEST_F(Plyview, InfoTellsEachFileAndWhyOneIsRefused) {
    const std::string good = octahedronPly();
    write("good.ply", good);
    write("cut.ply", good.substr(0, good.size() - 10));
    ASSERT_EQ(runHeadless({"--info", "good.ply", "cut.ply"}), 1) << headlessErrors();
    const std::vector<std::string> lines = linesOf(headlessOutput());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "good.ply");
    for (const char* expected : {"  format: ascii", "  element vertex 6", "    property float x",
                                 "    property list uchar int vertex_indices",
                                 "  shows: 6 vertices, 8 triangles from 8 faces", "cut.ply"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
    EXPECT_EQ(lines.back().rfind("  refused: file ends in face 6 of 8", 0), 0u) << lines.back();
    const std::vector<std::string> errors = linesOf(headlessErrors());
    ASSERT_EQ(errors.size(), 1u) << headlessErrors();
    EXPECT_EQ(errors[0], "cut.ply: file ends in face 6 of 8");

    ASSERT_EQ(runHeadless({"--info", "--json", "good.ply", "cut.ply"}), 1) << headlessErrors();
    const std::string json = headlessOutput();
    EXPECT_EQ(linesOf(json).size(), 2u) << json;
    write("info.json", json);
    const char* check =
        "import json, sys\n"
        "facts = [json.loads(line) for line in open(sys.argv[1])]\n"
        "assert [f['refused'] for f in facts] == [False, True], facts\n"
        "assert facts[0]['triangles'] == 8 and facts[0]['box']['max'][0] > 0, facts[0]\n"
        "assert facts[1]['reason'] == 'file ends in face 6 of 8', facts[1]\n";
    EXPECT_EQ(runHeadless({"-c", check, "info.json"}, "/usr/bin/python3"), 0) << headlessErrors();
}

TEST_F(Plyview, InstalledViewersRunFromAnyFolder) {
    const fs::path prefix = work() / "installed";
    ASSERT_NO_FATAL_FAILURE(install(prefix));

    write("elsewhere/one.ply", octahedronPly());
    ASSERT_EQ(runHeadless({"--png", "one.png", "elsewhere/one.ply"}, prefix / "bin/plyview"), 0)
        << headlessErrors();
    EXPECT_GT(greenOf(xsession::readPng(work() / "one.png")).count, 0);
    xsession::TempDir logs("plyview-installed");
    xsession::ViewerSession catalogue(work() / "elsewhere", logs.path(),
                                      {(prefix / "bin/plyviewer").string()},
                                      xsession::kViewerTitle);
    EXPECT_GT(greenOf(catalogue.waitForFirstFrame()).count, 0);
    catalogue.press(xsession::kEscape);
    EXPECT_EQ(catalogue.waitForExit(), 0);
}

// The installed desktop entry, thumbnailer and MIME type as a desktop uses them. The prefix holds
// a space, which the Exec lines must quote.
TEST_F(Plyview, InstalledDesktopFilesOpenThumbnailAndRecogniseModels) {
    const fs::path share = work() / "desktop prefix/share";
    ASSERT_NO_FATAL_FAILURE(install(share.parent_path()));
    const fs::path entry = share / "applications/plyview.desktop";
    const fs::path thumbnailer = share / "thumbnailers/plyview.thumbnailer";
    EXPECT_EQ(runHeadless({entry.string()}, "desktop-file-validate"), 0);
    EXPECT_EQ(headlessOutput() + headlessErrors(), "");
    for (const fs::path& file : {entry, thumbnailer}) {
        EXPECT_EQ(keyOf(file, "MimeType"), PLYVIEW_MIME_TYPE ";") << file;
    }

    const fs::path model = write("model.ply", octahedronPly());
    const fs::path broken = write("broken.ply", octahedronPly().substr(0, 150));
    const std::string exec = keyOf(thumbnailer, "Exec");
    const fs::path png = work() / "thumbnail.png";
    ASSERT_EQ(runHeadless({"-c", thumbnailCommand(exec, model, png, kThumbnailSide)}, "/bin/sh"), 0)
        << exec << "\n"
        << headlessErrors();
    const Image thumbnail = xsession::readPng(png);
    EXPECT_EQ(thumbnail.width, kThumbnailSide);
    EXPECT_EQ(thumbnail.height, kThumbnailSide);
    EXPECT_GE(drawnPixels(thumbnail), kThumbnailSide);  // at least a line's worth of model
    const fs::path refused = work() / "refused.png";
    EXPECT_NE(
        runHeadless({"-c", thumbnailCommand(exec, broken, refused, kThumbnailSide)}, "/bin/sh"), 0);
    EXPECT_FALSE(fs::exists(refused));

    // The type is found by the name's ending and, without it, by the first line.
    const std::string dataDirs = "XDG_DATA_DIRS=" + share.string() + ":/usr/share";
    ASSERT_EQ(runHeadless({(share / "mime").string()}, "update-mime-database", {dataDirs}), 0)
        << headlessErrors();
    const fs::path unnamed = write("model-without-extension", octahedronPly());
    for (const fs::path& file : {model, unnamed}) {
        EXPECT_EQ(runHeadless({"query", "filetype", file.string()}, "xdg-mime", {dataDirs}), 0);
        EXPECT_EQ(headlessOutput(), PLYVIEW_MIME_TYPE "\n") << file << headlessErrors();
    }
}

}  // namespace
}  // namespace e2e
