// The session driver's own picture helpers, without a server: PNG files and measurements.
#include <fstream>

#include "tests/e2e/viewer_fixture.h"

namespace e2e {
namespace {

constexpr int kWidth = 7;
constexpr int kHeight = 5;

Image whiteImage() {
    Image image;
    image.width = kWidth;
    image.height = kHeight;
    image.rgb.assign(static_cast<std::size_t>(kWidth) * kHeight * 3, 255);
    return image;
}

void paint(Image& image, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

TEST(Pictures, PngRoundTripKeepsEveryPixelAndBadFilesAreNamed) {
    const xsession::TempDir dir("plyviewer-png");
    Image image = whiteImage();
    for (int i = 0; i < kWidth * kHeight; ++i) {
        paint(image, i % kWidth, i / kWidth, static_cast<std::uint8_t>(i),
              static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i));
    }
    xsession::writePng(dir.path() / "shot.png", image);
    EXPECT_EQ(xsession::readPng(dir.path() / "shot.png"), image);

    std::ofstream(dir.path() / "fake.png") << "not a picture";
    try {
        xsession::readPng(dir.path() / "fake.png");
        FAIL() << "a text file was read as a PNG";
    } catch (const xsession::SessionError& error) {
        EXPECT_NE(std::string(error.what()).find("fake.png"), std::string::npos);
    }
}

TEST(Pictures, ColourClassesAndWhereTheGreenLies) {
    Image image = whiteImage();
    paint(image, 1, 1, 0, 255, 0);
    paint(image, 5, 3, 0, 255, 0);
    paint(image, 2, 4, 255, 0, 0);
    paint(image, 0, 0, 0, 0, 255);
    paint(image, 6, 4, 0, 0, 0);
    const xsession::ColourCounts counts = coloursOf(image);
    EXPECT_EQ(counts.green, 2);
    EXPECT_EQ(counts.red, 1);
    EXPECT_EQ(counts.blue, 1);
    EXPECT_EQ(counts.other, 1);
    EXPECT_EQ(counts.white, kWidth * kHeight - 5);

    const xsession::Spread green = greenOf(image);
    EXPECT_EQ(green.count, 2);
    EXPECT_DOUBLE_EQ(green.centreX, 3.0);
    EXPECT_DOUBLE_EQ(green.centreY, 2.0);
    EXPECT_EQ(green.width(), 5);
    EXPECT_EQ(green.height(), 3);
    EXPECT_EQ(xsession::differingPixels(image, whiteImage()), 5);
}

}  // namespace
}  // namespace e2e
