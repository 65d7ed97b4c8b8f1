// Textured models: images found beside the file and read or refused with one reason, and a
// textured surface drawn with each image bound over its own triangles, until `c` takes the
// file's colours away.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_gl/fake_gl.h"
#include "model/image.h"
#include "plyview/animation.h"
#include "plyview/files.h"
#include "plyview/platform.h"
#include "plyview/viewer.h"
#include "temp_folder.h"
#include "tools/plywrite/image_write.h"

namespace {

constexpr std::uint8_t kQuadrants[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

// A model in one folder that names `names`: two triangles of a square, one per image.
std::unique_ptr<FileModel> texturedSquare(const std::vector<std::string>& names) {
    auto model = std::make_unique<FileModel>();
    model->positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    model->triangles = {0, 1, 2, 0, 2, 3};
    model->texcoords = {0, 0, 1, 0, 1, 1, 0, 1};
    model->triangleTextures = {1, 0};
    model->textureFiles = names;
    model->minX = model->minY = model->minZ = 0;
    model->maxX = model->maxY = 1;
    model->maxZ = 0;
    return model;
}

TEST(PlyviewTextureImages, ReadBesideTheFileOrRefusedWithOneReason) {
    TempFolder folder;
    const plywrite::Texels texels = plywrite::quadrants(8, kQuadrants);
    const std::string png = plywrite::pngBytes(texels);
    const std::string jpeg = plywrite::jpegBytes(texels, 95);
    ::mkdir("models", 0700);
    folder.write("models/Skin.PNG", png);
    folder.write("models/photo.jpg", jpeg);
    folder.write("models/cut.png", png.substr(0, png.size() / 2));
    folder.write("models/noise.jpg", jpeg.substr(0, 2) + std::string(200, 'x'));
    std::string overfull = jpeg;  // a Huffman table of 510 codes, more than the decoder holds
    const std::size_t counts = overfull.find("\xff\xc4") + 5;
    overfull[counts + 14] = overfull[counts + 15] = '\xff';
    folder.write("models/overfull.jpg", overfull);
    std::string bloated = png;  // image data claiming a gigabyte in a file of a few hundred bytes
    const std::size_t idat = bloated.find("IDAT") - 4;
    bloated.replace(idat, 4, std::string("\x3f\xff\xff\xff", 4));
    folder.write("models/bloated.png", bloated);
    ASSERT_EQ(::mkfifo("models/pipe.png", 0600), 0);
    ::mkdir("models/folder.png", 0700);
    struct Case {
        const char* name;        // as the model names it
        std::uint64_t memoryMB;  // held against
        std::string problem;     // found within the reason; empty: read
    };
    const std::vector<Case> cases = {
        {"skin.png", 1000, ""},  // another case than on disk
        {"photo.jpg", 1000, ""},
        {"photo.jpg", 0, "needs about 1 MB, 0 MB available"},
        {"cut.png", 1000, "cannot be decoded ("},
        {"overfull.jpg", 1000, "cannot be decoded (a Huffman table of more than 256 codes)"},
        {"bloated.png", 1000, "cannot be decoded (a chunk longer than the file)"},
        {"noise.jpg", 1000, "not a PNG or JPEG image that can be read ("},
        {"missing.png", 1000, "No such file or directory"},
        {"pipe.png", 1000, "not a regular file (a FIFO)"},
        {"folder.png", 1000, "not a regular file (a directory)"},
    };
    for (const Case& c : cases) {
        Image image;
        std::string problem;
        const bool read =
            readImage(findImageFile("models", c.name), c.memoryMB * 1000000, image, problem);
        EXPECT_EQ(read, c.problem.empty()) << c.name << ": " << problem;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
        if (read) {
            ASSERT_EQ(image.rgba.size(), texels.rgba.size()) << c.name;
            for (std::size_t i = 0; i < image.rgba.size(); ++i) {  // JPEG is near, PNG exact
                EXPECT_NEAR(image.rgba[i], texels.rgba[i], c.name[0] == 's' ? 0 : 24) << i;
            }
        }
    }
}

TEST(PlyviewTextureScene, EachImageIsBoundOverItsTrianglesUntilCTakesThemAway) {
    TempFolder folder;
    folder.write("a.png", plywrite::pngBytes(plywrite::quadrants(4, kQuadrants)));
    folder.write("b.png", plywrite::pngBytes(plywrite::quadrants(2, kQuadrants)));
    fakegl::reset();
    plyview::startViewer(plyview::SceneTarget{}, plyview::Style::kSurface, 64, 64);
    plyview::useFiles({"square.ply"});
    fakegl::behaviour.maxTextureSize = 2;  // a.png is scaled down to fit, with a line
    ::testing::internal::CaptureStdout();
    plyview::showModel(0, texturedSquare({"a.png", "b.png"}), {});
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "square.ply: texture a.png: 4x4 scaled down to 2x2, the largest the GPU takes\n");
    // Each image's levels, 2 x 2 then 1 x 1, the first at the GPU's largest size.
    std::vector<std::array<long long, 3>> levels;
    for (const fakegl::Call& call : fakegl::named("glTexImage2D")) {
        levels.push_back({call.args[1], call.args[3], call.args[4]});
    }
    EXPECT_EQ(levels,
              (std::vector<std::array<long long, 3>>{{0, 2, 2}, {1, 1, 1}, {0, 2, 2}, {1, 1, 1}}));
    fakegl::calls.clear();
    plyview::drawFrame();
    // Image 0's triangle (the file's second) first, then image 1's, each with its texture.
    std::vector<long long> bound, drawn;
    for (const fakegl::Call& call : fakegl::calls) {
        if (call.name == "glBindTexture" && call.args[1] != 0) {
            bound.push_back(call.args[1]);
        } else if (call.name == "glDrawElements" && call.args[0] == GL_TRIANGLES) {
            drawn.push_back(call.args[3]);
        }
    }
    ASSERT_EQ(bound.size(), 2u);
    EXPECT_NE(bound[0], bound[1]);
    EXPECT_EQ(drawn, (std::vector<long long>{0, 3 * sizeof(std::uint32_t)}));
    plyview::pressKey(plyview::kKeyColourSource);  // the height
    fakegl::calls.clear();
    plyview::drawFrame();
    for (const fakegl::Call& call : fakegl::named("glBindTexture")) {
        EXPECT_EQ(call.args[1], 0) << "no image under the height's colours";
    }
    plyview::showModel(0, nullptr, {});
    EXPECT_EQ(fakegl::count("glDeleteTextures"), 2u);
    fakegl::reset();
}

}  // namespace
