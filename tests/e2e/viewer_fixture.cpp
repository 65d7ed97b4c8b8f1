// Test meshes, console helpers and the per-test run folder of the end-to-end tests.
#include "tests/e2e/viewer_fixture.h"

#include <fstream>
#include <sstream>

namespace e2e {

namespace {

struct Mesh {
    std::vector<std::vector<float>> vertices;
    std::vector<std::vector<int>> faces;
};

std::string plyText(const Mesh& mesh) {
    std::ostringstream text;
    text << "ply\nformat ascii 1.0\nelement vertex " << mesh.vertices.size()
         << "\nproperty float x\nproperty float y\nproperty float z\nelement face "
         << mesh.faces.size() << "\nproperty list uchar int vertex_indices\nend_header\n";
    for (const auto& v : mesh.vertices) {
        text << v[0] << " " << v[1] << " " << v[2] << "\n";
    }
    for (const auto& f : mesh.faces) {
        text << "3 " << f[0] << " " << f[1] << " " << f[2] << "\n";
    }
    return text.str();
}

}  // namespace

std::string octahedronPly() {
    return plyText(
        {{{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
         {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}}});
}

std::string rodPly() {
    return plyText({{{-0.1f, -0.1f, -2}, {0.1f, -0.1f, -2}, {0, 0.1f, -2}, {0, 0, 2}},
                    {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}}});
}

std::string wedgePly() {
    return plyText({{{-2, 0, 0}, {2, 0, 0}, {-2, 1, 0}, {-2, 0, 0.5f}}, {{0, 1, 2}, {0, 1, 3}}});
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

xsession::ColourCounts coloursOf(const Image& image) {
    return xsession::countColours(image);
}

xsession::Spread greenOf(const Image& image) {
    return xsession::spreadOf(image, Colour::kGreen);
}

ViewerTest::ViewerTest()
    : root_("plyviewer-e2e"), runDir_(root_.path() / "run"), logDir_(root_.path() / "logs") {
    fs::create_directories(logDir_);
    fs::copy(PLYVIEWER_RUN_DIR, runDir_, fs::copy_options::recursive);
}

void ViewerTest::replaceRunFile(const std::string& name, const std::string& bytes) const {
    const fs::path aside = runDir_ / (name + ".new");
    {
        std::ofstream out(aside, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    fs::rename(aside, runDir_ / name);
}

void ViewerTest::removeRunFile(const std::string& name) const {
    fs::remove(runDir_ / name);
}

xsession::ViewerSession& ViewerTest::start() {
    session_.emplace(runDir_, logDir_);
    return *session_;
}

Image ViewerTest::startAndWaitForFirstFrame() {
    return start().waitForFirstFrame();
}

int ViewerTest::quit() {
    session_->press(xsession::kEscape);
    return session_->waitForExit();
}

}  // namespace e2e
