// The file viewer in colour, end to end, in pictures read back: a file's colours in every
// encoding give one picture, surfaces are lit from the eye on both sides, coloured spheres,
// points and splats show their colours on a surface and green in the wireframe, and s steps
// through the styles in a real window.
#include <cmath>
#include <functional>
#include <set>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using Pixel = std::array<int, 3>;

constexpr std::array<int, 3> kOrange = {200, 80, 40};  // the square's one colour
constexpr int kLevelTolerance = 3;                     // rounding between encodings and GL
constexpr int kSide = 256;

Pixel pixelAt(const Image& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2]};
}

int brightness(const Pixel& p) {
    return p[0] + p[1] + p[2];
}

long darkPixels(const Image& image) {
    constexpr int kDark = 3 * 90;
    long dark = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            dark += brightness(pixelAt(image, x, y)) < kDark ? 1 : 0;
        }
    }
    return dark;
}

std::size_t distinctColours(const Image& image) {
    std::set<int> seen;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Pixel p = pixelAt(image, x, y);
            seen.insert(p[0] << 16 | p[1] << 8 | p[2]);
        }
    }
    return seen.size();
}

// A unit square in the plane z = 0, facing the eye, as two triangles.
plywrite::Mesh square() {
    plywrite::Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    return mesh;
}

// The square in kOrange, its colour encoded as `encode` says, on its vertices or its faces.
std::string orangeSquare(const std::function<void(plywrite::Options&)>& encode) {
    plywrite::Options options;
    options.normalsAndColours = true;
    options.coloursOnly = true;
    options.oneColour = kOrange;
    encode(options);
    return plywrite::write(square(), options);
}

// A UV sphere of `stacks` rings; `bowl` keeps only the half toward the eye (+z), open there.
plywrite::Mesh sphere(int slices, int stacks, bool bowl = false) {
    plywrite::Mesh mesh;
    for (int i = 0; i <= stacks; ++i) {
        for (int j = 0; j <= slices; ++j) {
            const double polar = M_PI * i / stacks, around = 2 * M_PI * j / slices;
            mesh.positions.push_back({std::sin(polar) * std::cos(around), std::cos(polar),
                                      std::sin(polar) * std::sin(around)});
        }
    }
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            if (bowl && j < slices / 2) {
                continue;  // the half with z > 0 is left out: the bowl opens toward the eye
            }
            const int a = i * (slices + 1) + j, b = a + slices + 1;
            mesh.faces.push_back({a, b, a + 1});
            mesh.faces.push_back({a + 1, b, b + 1});
        }
    }
    return mesh;
}

class PlyviewStyles : public Plyview {
  protected:
    // The picture plyview draws of `file` in `style`, kSide pixels square.
    Image picture(const std::string& file, const std::string& style) {
        const std::string png = file + "-" + style + ".png";
        const std::string size = std::to_string(kSide) + "x" + std::to_string(kSide);
        EXPECT_EQ(runHeadless({"--png", png, "--size", size, "--style", style, file}), 0)
            << headlessErrors();
        return xsession::readPng(work() / png);
    }
};

TEST_F(PlyviewStyles, AColourLooksTheSameInEveryEncoding) {
    using plywrite::Type;
    const std::vector<std::pair<std::string, std::function<void(plywrite::Options&)>>> cases = {
        {"uchar red green blue", [](plywrite::Options&) {}},
        {"uchar r g b",
         [](plywrite::Options& o) {
             o.colourNames = {"r", "g", "b"};
         }},
        {"float 0..1",
         [](plywrite::Options& o) {
             o.colour = Type::kFloat32;
             o.colourFull = 1;
         }},
        {"float 0..255", [](plywrite::Options& o) { o.colour = Type::kFloat32; }},
        {"ushort 0..255", [](plywrite::Options& o) { o.colour = Type::kUint16; }},
        {"diffuse with alpha",
         [](plywrite::Options& o) {
             o.colourNames = {"diffuse_red", "diffuse_green", "diffuse_blue"};
             o.alphaName = "diffuse_alpha";
         }},
        {"face colour",
         [](plywrite::Options& o) {
             o.normalsAndColours = false;
             o.faceColours = true;
         }},
    };
    std::optional<Image> first;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string file = "square" + std::to_string(i) + ".ply";
        write(file, orangeSquare(cases[i].second));
        const Image image = picture(file, "surface");
        if (!first) {
            first = image;
            // Facing the eye at its centre, the square is lit fully: its own colour.
            const Pixel centre = pixelAt(image, kSide / 2, kSide / 2);
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(centre[c], kOrange[c], kLevelTolerance) << "channel " << c;
            }
        }
        EXPECT_EQ(xsession::differingPixels(image, *first), 0) << cases[i].first;
    }
}

TEST_F(PlyviewStyles, SurfacesAreLitFromTheEyeOnBothSides) {
    write("ball.ply", plyOf(sphere(48, 24)));
    const Image ball = picture("ball.ply", "surface");
    const xsession::Spread drawn = xsession::spreadOf(ball, Colour::kOther);
    const int centreX = static_cast<int>(drawn.centreX), centreY = static_cast<int>(drawn.centreY);
    const Pixel centre = pixelAt(ball, centreX, centreY);
    const Pixel rim = pixelAt(ball, drawn.minX + drawn.width() / 20, centreY);
    EXPECT_GT(brightness(centre), brightness(rim) + 60);
    EXPECT_EQ(centre[0], centre[1]);  // a neutral grey without colours of its own
    // The inside of a bowl open toward the eye is lit as brightly as the outside.
    write("bowl.ply", plyOf(sphere(48, 24, true)));
    const Image bowl = picture("bowl.ply", "surface");
    EXPECT_NEAR(brightness(pixelAt(bowl, kSide / 2, kSide / 2)), brightness(centre), 30);
}

TEST_F(PlyviewStyles, ColoursShowOnSurfacesAndNeverInTheWireframe) {
    plywrite::Options coloured;
    coloured.normalsAndColours = true;
    coloured.format = plywrite::Format::kBinaryLittleEndian;
    write("coloured.ply", plywrite::write(sphere(48, 24), coloured));
    write("plain.ply", plyOf(sphere(48, 24)));
    EXPECT_GT(distinctColours(picture("coloured.ply", "surface")), 200u);
    const Image wire = picture("coloured.ply", "wire");
    const xsession::ColourCounts counts = coloursOf(wire);
    EXPECT_GT(counts.green, 0);
    EXPECT_EQ(counts.green + counts.white, static_cast<long>(kSide) * kSide);
    EXPECT_EQ(xsession::differingPixels(wire, picture("plain.ply", "wire")), 0);

    // Points keep their colours on a surface; so do splats, read in their base colour.
    coloured.pointCloud = true;
    write("cloud.ply", plywrite::write(plywrite::surface(40, 40), coloured));
    plywrite::Options splats;
    splats.pointCloud = true;
    splats.splats = true;
    write("splats.ply", plywrite::write(plywrite::surface(40, 40), splats));
    for (const char* file : {"cloud.ply", "splats.ply"}) {
        const Image points = picture(file, "surface");
        EXPECT_GT(distinctColours(points), 5u) << file;            // 1681 points of 3 x 3 pixels:
        EXPECT_GT(coloursOf(points).other, 1681 * 9 / 2) << file;  // most in other colours
        EXPECT_EQ(greenOf(picture(file, "wire")).count, 1681 * 9) << file;  // all green here
    }
    EXPECT_NE(headlessOutput().find("splats.ply: read as Gaussian splats"), std::string::npos)
        << headlessOutput();
}

TEST_F(PlyviewStyles, SStepsThroughTheStylesInTheWindow) {
    write("ball.ply", plyOf(sphere(24, 12)));
    const Image wire = startAndWait({"ball.ply"}, title("ball.ply", 1, 1));
    session().press('s');
    const Image surface = session().waitFor(
        [](const Image& image) { return coloursOf(image).green == 0; }, "the surface");
    EXPECT_GT(coloursOf(surface).other, 1000);
    session().press('s');
    const Image edges = session().waitForChange(surface);
    EXPECT_EQ(coloursOf(edges).green, 0);
    EXPECT_GT(darkPixels(edges), darkPixels(surface) + 500);  // the edges over the surface
    session().press('s');
    EXPECT_EQ(session().waitForStable(xsession::kFrameTimeout,
                                      [](const Image& image) { return greenOf(image).count > 0; }),
              wire);
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
