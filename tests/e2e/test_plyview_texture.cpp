// Textured models end to end, in pictures read back: a square (and a cube) in an image of four
// coloured quadrants, as PNG and JPEG, through coordinates per corner and per vertex, shows each
// quadrant where the coordinates put it; two images chosen per face each show on their half; an
// image that cannot be read gives one line, no hang, and the model in grey.
#include <sys/stat.h>

#include "tests/e2e/plyview_fixture.h"
#include "tools/plywrite/image_write.h"

namespace e2e {
namespace {

constexpr int kSide = 256;
constexpr int kTexels = 64;
constexpr int kJpegQuality = 90;
enum Hue { kRed, kGreen, kBlue, kYellow, kGrey, kOther };
// Top left, top right, bottom left, bottom right of the image as stored.
constexpr std::uint8_t kQuadrants[4][3] = {
    {220, 30, 30}, {30, 200, 30}, {30, 30, 220}, {220, 200, 30}};
constexpr std::uint8_t kRedOnly[4][3] = {
    {220, 30, 30}, {220, 30, 30}, {220, 30, 30}, {220, 30, 30}};
constexpr std::uint8_t kBlueOnly[4][3] = {
    {30, 30, 220}, {30, 30, 220}, {30, 30, 220}, {30, 30, 220}};

// The colour a lit pixel has, whatever the light's strength: channels against the largest.
Hue hueOf(const std::uint8_t* p) {
    const int top = std::max({p[0], p[1], p[2]});
    const auto high = [top](int c) { return c > top * 2 / 3; };
    if (top < 20) {
        return kOther;
    }
    const int highs = high(p[0]) + high(p[1]) + high(p[2]);
    if (highs == 3) {
        return kGrey;
    }
    if (highs == 2) {
        return high(p[0]) && high(p[1]) ? kYellow : kOther;
    }
    return high(p[0]) ? kRed : high(p[1]) ? kGreen : kBlue;
}

// The square [-1, 1]^2 facing the eye as two quads side by side, texture coordinates running
// over the whole image (u along x, v along y): per corner, or per vertex as `s t`; with the
// right quad's texnumber 1 when `twoImages`.
std::string squarePly(const std::vector<std::string>& images, bool perCorner,
                      bool twoImages = false) {
    std::string text = "ply\nformat ascii 1.0\n";
    for (const std::string& image : images) {
        text += "comment TextureFile " + image + "\n";
    }
    text += "element vertex 6\nproperty float x\nproperty float y\nproperty float z\n";
    text += perCorner ? "" : "property float s\nproperty float t\n";
    text += "element face 2\nproperty list uchar int vertex_indices\n";
    text += perCorner ? "property list uchar float texcoord\n" : "";
    text += twoImages ? "property int texnumber\n" : "";
    text += "end_header\n";
    const double xs[3] = {-1, 0, 1};
    for (const double y : {-1.0, 1.0}) {
        for (const double x : xs) {
            text += std::to_string(x) + " " + std::to_string(y) + " 0";
            text += perCorner ? "\n"
                              : " " + std::to_string((x + 1) / 2) + " " +
                                    std::to_string((y + 1) / 2) + "\n";
        }
    }
    for (int quad = 0; quad < 2; ++quad) {
        const int corners[4] = {quad, quad + 1, quad + 4, quad + 3};
        text += "4";
        for (const int v : corners) {
            text += " " + std::to_string(v);
        }
        if (perCorner) {
            text += " 8";
            for (const int v : corners) {
                text += " " + std::to_string((xs[v % 3] + 1) / 2) + " " + (v < 3 ? "0" : "1");
            }
        }
        text += twoImages ? " " + std::to_string(quad) + "\n" : "\n";
    }
    return text;
}

// The cube [-1, 1]^3, each face in the whole image by coordinates per corner: the face towards
// the eye (z = 1) with u along x and v along y.
std::string cubePly(const std::string& image) {
    std::string text = "ply\nformat ascii 1.0\ncomment TextureFile " + image +
                       "\nelement vertex 8\nproperty float x\nproperty float y\n"
                       "property float z\nelement face 6\n"
                       "property list uchar int vertex_indices\n"
                       "property list uchar float texcoord\nend_header\n";
    for (int v = 0; v < 8; ++v) {  // bit 0: x, bit 1: y, bit 2: z
        text +=
            std::string(v & 1 ? "1" : "-1") + (v & 2 ? " 1" : " -1") + (v & 4 ? " 1\n" : " -1\n");
    }
    const char* faces[6] = {"4 4 5 7 6", "4 1 0 2 3", "4 0 4 6 2",
                            "4 5 1 3 7", "4 6 7 3 2", "4 0 1 5 4"};
    for (const char* face : faces) {
        text += std::string(face) + " 8 0 0 1 0 1 1 0 1\n";
    }
    return text;
}

class PlyviewTexture : public Plyview {
  protected:
    Image picture(const std::string& file) {
        const std::string png = file + ".png";
        EXPECT_EQ(runHeadless({"--png", png, "--size",
                               std::to_string(kSide) + "x" + std::to_string(kSide), "--ortho",
                               "--style", "surface", file}),
                  0)
            << headlessErrors();
        return xsession::readPng(work() / png);
    }
    Hue at(const Image& image, double fx, double fy) {
        return hueOf(image.pixel(static_cast<int>(fx * kSide), static_cast<int>(fy * kSide)));
    }
};

TEST_F(PlyviewTexture, EachQuadrantShowsWhereTheCoordinatesPutIt) {
    const plywrite::Texels quadrants = plywrite::quadrants(kTexels, kQuadrants);
    write("quadrants.png", plywrite::pngBytes(quadrants));
    write("Quadrants.JPG", plywrite::jpegBytes(quadrants, kJpegQuality));
    write("red.png", plywrite::pngBytes(plywrite::quadrants(kTexels, kRedOnly)));
    write("blue.jpg", plywrite::jpegBytes(plywrite::quadrants(kTexels, kBlueOnly), kJpegQuality));
    struct Case {
        std::string name, ply;
        Hue hues[4];  // top left, top right, bottom left, bottom right of the picture
    };
    const std::vector<Case> cases = {
        {"corner-png", squarePly({"quadrants.png"}, true), {kRed, kGreen, kBlue, kYellow}},
        {"vertex-png", squarePly({"quadrants.png"}, false), {kRed, kGreen, kBlue, kYellow}},
        // Another case than on disk: found among the folder's entries.
        {"corner-jpeg", squarePly({"quadrants.jpg"}, true), {kRed, kGreen, kBlue, kYellow}},
        {"vertex-jpeg", squarePly({"Quadrants.JPG"}, false), {kRed, kGreen, kBlue, kYellow}},
        {"cube", cubePly("quadrants.png"), {kRed, kGreen, kBlue, kYellow}},
        {"two-images", squarePly({"red.png", "blue.jpg"}, true, true), {kRed, kBlue, kRed, kBlue}},
    };
    for (const Case& c : cases) {
        write(c.name + ".ply", c.ply);
        const Image image = picture(c.name + ".ply");
        EXPECT_EQ(headlessErrors(), "") << c.name;
        const double places[4][2] = {{0.3, 0.3}, {0.7, 0.3}, {0.3, 0.7}, {0.7, 0.7}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(at(image, places[k][0], places[k][1]), c.hues[k])
                << c.name << " at place " << k;
        }
    }
}

TEST_F(PlyviewTexture, AnImageThatCannotBeReadGivesOneLineAndTheModelIsGrey) {
    const std::string png = plywrite::pngBytes(plywrite::quadrants(kTexels, kQuadrants));
    write("cut.png", png.substr(0, png.size() / 2));
    write("noise.jpg", "\xff\xd8\xff\xe0" + std::string(300, 'x'));
    fs::create_directories(work() / "folder.png");
    ASSERT_EQ(::mkfifo((work() / "pipe.png").c_str(), 0600), 0);
    struct Case {
        std::string image, reason;
    };
    const std::vector<Case> cases = {
        {"missing.png", "No such file or directory"},
        {"folder.png", "not a regular file (a directory)"},
        {"pipe.png", "not a regular file (a FIFO)"},
        {"cut.png", "cannot be decoded ("},
        {"noise.jpg", "not a PNG or JPEG image that can be read ("},
    };
    for (const Case& c : cases) {
        write("square.ply", squarePly({c.image}, true));
        const Image image = picture("square.ply");
        // A note on standard output: the file itself is shown, not refused.
        EXPECT_EQ(headlessErrors(), "") << c.image;
        const std::string said = headlessOutput();
        const std::string line = "square.ply: texture " + c.image + ": " + c.reason;
        EXPECT_EQ(said.substr(0, line.size()), line) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(at(image, 0.5, 0.5), kGrey) << c.image;
    }
}

}  // namespace
}  // namespace e2e
