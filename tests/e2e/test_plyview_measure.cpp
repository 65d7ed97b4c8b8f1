// Marking and measuring in a real window: Control + a click on a corner of a box far from the
// origin prints the corner's own survey coordinates, a second one the distance between them,
// a cloud's point is found near the pointer, and Delete clears the marks from the picture.
#include <cmath>
#include <sstream>

#include "tests/e2e/plyview_fixture.h"

namespace e2e {
namespace {

using xsession::Point;

constexpr P3 kLow{429877111.59, 5412345.12, 250.0};  // survey coordinates, a 1.2 x 0.8 x 0.8 box
constexpr P3 kHigh{429877112.79, 5412345.92, 250.8};

// The three numbers after "point N: " in the output's last such line.
P3 markedPoint(const std::string& output, int n) {
    const std::string label = "point " + std::to_string(n) + ": ";
    const std::size_t at = output.rfind(label);
    P3 p{NAN, NAN, NAN};
    if (at != std::string::npos) {
        std::istringstream(output.substr(at + label.size())) >> p.x >> p.y >> p.z;
    }
    return p;
}

double distanceOf(const std::string& output) {
    const std::size_t at = output.rfind("distance: ");
    return at == std::string::npos ? NAN : std::stod(output.substr(at + 10));
}

void expectNear(const P3& got, const P3& want, double tolerance, const std::string& what) {
    EXPECT_NEAR(got.x, want.x, tolerance) << what;
    EXPECT_NEAR(got.y, want.y, tolerance) << what;
    EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

TEST_F(Plyview, AControlClickMarksACornerInItsOwnCoordinatesAndTwoMeasureTheirDistance) {
    write("survey.ply", boxPly(kLow, kHigh));
    const Image first = startAndWait({"survey.ply"}, title("survey.ply", 1, 1));
    // Seen from the front, the wireframe's outline is the near face: its corners are vertices.
    const xsession::Spread box = greenOf(first);
    const double size = std::sqrt(1.2 * 1.2 + 0.8 * 0.8 + 0.8 * 0.8);
    auto& client = session().client();
    client.controlClick(session().window(), Point{box.minX, box.minY});
    const Image one = session().waitForChange(first);
    client.controlClick(session().window(), Point{box.maxX, box.maxY});
    session().waitForChange(one);
    session().waitFor(
        [&](const Image&) { return !std::isnan(distanceOf(session().process().stdoutText())); },
        "the distance printed");
    const std::string output = session().process().stdoutText();
    expectNear(markedPoint(output, 1), {kLow.x, kHigh.y, kHigh.z}, 0.001 * size, output);
    expectNear(markedPoint(output, 2), {kHigh.x, kLow.y, kHigh.z}, 0.001 * size, output);
    EXPECT_NEAR(distanceOf(output), std::sqrt(1.2 * 1.2 + 0.8 * 0.8), 0.005 * 1.44);

    session().press(xsession::kDelete);
    EXPECT_EQ(session().waitForStable(), first);  // the marks gone
    EXPECT_EQ(quit(), 0);
    EXPECT_NE(session().process().stdoutText().find("marks cleared"), std::string::npos);
}

TEST_F(Plyview, AControlClickBesideACloudsPointMarksThatPoint) {
    plywrite::Mesh cloud;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) cloud.positions.push_back({i * 10.0, j * 10.0, 0});
    }
    write("cloud.ply", plyOf(cloud));
    const Image first = startAndWait({"cloud.ply"}, title("cloud.ply", 1, 1));
    const xsession::Spread dots = greenOf(first);
    // Two pixels off the top-left point's centre: the point at (0, 40) is meant.
    session().client().controlClick(session().window(), Point{dots.minX + 3, dots.minY + 3});
    session().waitFor(
        [&](const Image&) {
            return !std::isnan(markedPoint(session().process().stdoutText(), 1).x);
        },
        "the point printed");
    expectNear(markedPoint(session().process().stdoutText(), 1), {0, 40, 0}, 1e-3, "cloud");
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace e2e
