// Machines, instruments and structures, among them the two size extremes of the catalogue:
// the small part and the control tower that fills the viewer's capacity exactly.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

#include "tools/genmodels/mesh_models.h"

namespace mesh {
namespace models {

namespace {

// ===== Shared parts =====

// A round disc facing +z at `at`, `depth` thick.
Mesh disc(V3 at, double radius, double depth, int sides) {
    Mesh d;
    d.add(cylinder(sides), move(at) * turnX(90) * scale(radius, depth, radius));
    return d;
}

// A letter drawn with thin bars in the xy plane, facing +z; points in a 0.4 x 0.5 cell.
Mesh letter(const std::vector<std::array<V2, 2>>& strokes) {
    Mesh l;
    for (const auto& s : strokes) {
        l.add(strut({s[0].u, s[0].v, 0}, {s[1].u, s[1].v, 0}, 0.03, 4));
    }
    return l;
}

// The control tower's outline: (radius, height) corners, counter-clockwise, closed through a
// thin shaft along the axis so the surface is a torus of exactly around x across vertices.
const V2 kTowerCorners[] = {{0.3, 0},    {4.0, 0},    {4.0, 1.2},  {2.2, 1.6},  {1.6, 2.6},
                            {1.5, 17.5}, {2.6, 19.0}, {3.0, 20.0}, {3.6, 22.6}, {3.2, 22.9},
                            {3.4, 23.2}, {0.8, 24.4}, {0.5, 24.6}, {0.5, 27.0}, {0.3, 27.0}};
constexpr int kTowerAround = 100;  // 100 x 100 vertices, 2 x 100 x 100 triangles
constexpr int kTowerAcross = 100;
constexpr double kShaftWeight = 0.15;  // the hidden axis shaft gets few profile points

// Spreads exactly `total` points over the closed outline, every corner among them, each edge
// getting a share that follows its (weighted) length.
std::vector<V2> spreadOverOutline(const std::vector<V2>& corners, int total) {
    const std::size_t n = corners.size();
    std::vector<double> weight(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const V2 a = corners[i];
        const V2 b = corners[(i + 1) % n];
        weight[i] = std::hypot(b.u - a.u, b.v - a.v) * (i + 1 == n ? kShaftWeight : 1.0);
        sum += weight[i];
    }
    std::vector<int> count(n);
    int given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        count[i] = std::max(1, static_cast<int>(std::lround(weight[i] / sum * total)));
        given += count[i];
    }
    for (std::size_t i = 0; given != total; i = (i + 1) % n) {  // settle rounding on long edges
        if (weight[i] > sum / static_cast<double>(n) && (given < total || count[i] > 1)) {
            const int step = given < total ? 1 : -1;
            count[i] += step;
            given += step;
        }
    }
    std::vector<V2> points;
    for (std::size_t i = 0; i < n; ++i) {
        const V2 a = corners[i];
        const V2 b = corners[(i + 1) % n];
        for (int k = 0; k < count[i]; ++k) {
            const double t = static_cast<double>(k) / count[i];
            points.push_back({a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t});
        }
    }
    return points;
}

}  // namespace

// ===== Machines =====

Mesh pump() {
    Mesh m;
    m.add(box(), move(0, 0.25, 0) * scale(0.9, 0.25, 0.9));
    m.add(cylinder(20), move(0, 0.5, 0) * scale(0.4, 3.0, 0.4));
    m.add(lathe({{0, 3.5}, {0.5, 3.5}, {0.5, 3.65}, {0.3, 3.85}, {0, 3.9}}, 20));  // cap
    for (double y : {1.0, 3.0}) {
        m.add(torus(20, 6, 0.2), move(0, y, 0) * scale(0.42));  // bands
    }
    m.add(tube(bezier({0.2, 2.9, 0}, {1.0, 2.9, 0}, {1.3, 2.8, 0}, {1.35, 2.3, 0}, 10), 0.11, 10));
    m.add(box(), move(-0.2, 3.95, 0) * scale(0.12, 0.15, 0.12));  // pivot bracket
    const std::vector<V3> lever =
        bezier({0.1, 3.7, 0}, {-0.6, 4.3, 0}, {-1.5, 4.4, 0}, {-2.4, 3.8, 0}, 12);
    m.add(tube(lever, taper(0.07, 0.05, lever.size()), 8));
    m.add(sphere(10, 6), move(-2.45, 3.75, 0) * scale(0.1));
    m.add(strut({0.05, 3.85, 0}, {0.05, 4.3, 0}, 0.04, 6));  // plunger rod
    m.transform(turnY(-25));
    return m;
}

Mesh steeringWheel() {
    Mesh m;
    m.add(torus(48, 12, 0.07), turnX(90) * scale(2));
    m.add(cylinder(24), turnX(90) * move(0, -0.25, 0) * scale(0.45, 0.4, 0.45));  // hub
    for (double deg : {0.0, 180.0, 270.0}) {
        const V3 dir{std::cos(radians(deg)), std::sin(radians(deg)), 0};
        m.add(strut(dir * 0.4, dir * 1.95, 0.09, 8));
    }
    m.add(strut({0, 0, -0.2}, {0, -1.2, -2.5}, 0.15, 12));  // column
    m.transform(turnX(-15) * turnY(-25));
    return m;
}

Mesh tommygun() {
    Mesh m;
    m.add(strut({1.0, 0, 0}, {5.0, 0, 0}, 0.12, 12));  // barrel
    for (int i = 0; i < 12; ++i) {
        const double x = 1.2 + 0.22 * i;
        m.add(strut({x, 0, 0}, {x + 0.06, 0, 0}, 0.2, 12));  // cooling fins
    }
    m.add(box(), move(5.1, 0.03, 0) * scale(0.2, 0.1, 0.1));  // compensator
    m.add(box(), move(0, 0.05, 0) * scale(1.2, 0.25, 0.17));  // receiver
    m.add(box(), move(-0.6, 0.35, 0) * scale(0.08, 0.08, 0.04));
    m.add(disc({0.5, -0.85, -0.2}, 0.7, 0.4, 24));                                    // drum
    m.add(prismZ({{-0.9, -1.0}, {-0.55, -1.0}, {-0.35, -0.2}, {-0.7, -0.2}}, 0.22));  // grip
    m.add(prismZ({{1.5, -0.9}, {1.8, -0.9}, {1.9, -0.1}, {1.5, -0.1}}, 0.22));        // fore grip
    m.add(prismZ({{-3.6, -0.9}, {-1.2, -0.25}, {-1.2, 0.15}, {-3.6, 0.2}}, 0.25));    // stock
    m.add(tube(arcXY({-0.2, -0.25, 0}, 0.25, 180, 360, 8), 0.03, 6));                 // guard
    m.transform(turnX(10) * turnY(-20));
    return m;
}

Mesh turbine() {
    Mesh m;
    m.add(box(), move(0, 0.2, 0) * scale(1.5, 0.2, 1.5));
    m.add(strut({0, 0, 0}, {0, 20, 0}, 0.7, 0.35, 16));  // tower
    m.add(loftZ(
        {{-2.0, 0, 20.3, 0.6, 0.6, 3}, {1.2, 0, 20.3, 0.75, 0.75, 3}, {1.6, 0, 20.3, 0.6, 0.6, 3}},
        16));  // nacelle
    m.add(lathe({{0, 0}, {0.7, 0}, {0.6, 0.5}, {0.3, 0.9}, {0, 1.0}}, 16),
          move(0, 20.3, 1.6) * turnX(90));  // spinner
    const Mesh blade = loftZ({{0.5, 0, 0, 0.45, 0.15},
                              {1.5, 0.25, 0, 0.7, 0.12},
                              {5.0, 0.1, 0, 0.45, 0.07},
                              {9.5, 0, 0, 0.12, 0.03}},
                             10);
    for (int k = 0; k < 3; ++k) {
        m.add(blade, move(0, 20.3, 2.0) * turnZ(120.0 * k + 10) * zToY());
    }
    m.transform(turnY(-30));
    return m;
}

Mesh part() {
    Mesh m;  // a hexagon nut: a square profile turned in six steps
    m.add(lathe({{0.5, 0}, {1, 0}, {1, 0.8}, {0.5, 0.8}}, 6, true, 30));
    m.transform(turnX(40) * turnY(-20));
    return m;
}

Mesh helix() {
    constexpr int kTurns = 5;
    constexpr int kStepsPerTurn = 40;
    constexpr double kRadius = 1.5;
    constexpr double kRisePerTurn = 0.9;
    std::vector<V3> path;
    for (int i = 0; i <= kTurns * kStepsPerTurn; ++i) {
        const double a = 2 * kPi * i / kStepsPerTurn;
        path.push_back(
            {kRadius * std::cos(a), kRisePerTurn * a / (2 * kPi), -kRadius * std::sin(a)});
    }
    Mesh m;
    m.add(tube(path, 0.25, 12));
    m.transform(turnX(15));
    return m;
}

// ===== Instruments =====

Mesh stratocaster() {
    Mesh m;
    m.add(prismZ(ellipseOutline(0, 0, 1.6, 1.2, 32), 0.45));      // lower bout
    m.add(prismZ(ellipseOutline(0, 1.0, 1.25, 0.75, 32), 0.45));  // upper bout
    m.add(prismZ(ellipseOutline(0, 0, 0.35, 0.9, 20), 0.45), move(-0.85, 2.0, 0) * turnZ(15));
    m.add(prismZ(ellipseOutline(0, 0, 0.3, 0.7, 20), 0.45), move(0.9, 1.8, 0) * turnZ(-15));
    m.add(box(), move(0, 4.0, 0.1) * scale(0.22, 2.6, 0.1));  // neck
    constexpr double kScaleLength = 7.5;
    for (int fret = 1; fret <= 21; ++fret) {
        const double y = 6.5 - kScaleLength * (1 - std::pow(2.0, -fret / 12.0));
        m.add(box(), move(0, y, 0.21) * scale(0.22, 0.012, 0.012));
    }
    m.add(prismZ({{-0.22, 6.5}, {0.25, 6.5}, {0.45, 7.2}, {0.35, 8.1}, {-0.15, 8.3}, {-0.3, 7.8}},
                 0.12),
          move(0, 0, 0.1));  // headstock
    for (int i = 0; i < 6; ++i) {
        m.add(disc({0.25, 6.8 + 0.22 * i, 0.16}, 0.06, 0.14, 8));  // tuners
    }
    for (double y : {-0.1, 0.35, 0.8}) {
        m.add(box(), move(0, y, 0.24) * turnZ(y < 0 ? -8 : 0) * scale(0.42, 0.08, 0.03));
    }
    m.add(box(), move(0, -0.6, 0.24) * scale(0.45, 0.15, 0.03));  // bridge
    for (const V2 knob : {V2{0.7, -0.55}, V2{0.95, -0.2}, V2{1.1, 0.2}}) {
        m.add(disc({knob.u, knob.v, 0.22}, 0.1, 0.1, 12));
    }
    m.transform(turnY(-20));
    return m;
}

Mesh weathervane() {
    Mesh m;
    m.add(frustum(12, 0.4, 0.1), scale(1, 0.4, 1));
    m.add(strut({0, 0, 0}, {0, 4.3, 0}, 0.07, 8));
    m.add(sphere(12, 8), move(0, 3.6, 0) * scale(0.25));
    m.add(strut({-1.2, 3.0, 0}, {1.2, 3.0, 0}, 0.04, 6));
    m.add(strut({0, 3.0, -1.2}, {0, 3.0, 1.2}, 0.04, 6));
    const Mesh north = letter({{{{-0.2, -0.25}, {-0.2, 0.25}}},
                               {{{-0.2, 0.25}, {0.2, -0.25}}},
                               {{{0.2, -0.25}, {0.2, 0.25}}}});
    const Mesh east = letter({{{{-0.2, -0.25}, {-0.2, 0.25}}},
                              {{{-0.2, 0.25}, {0.2, 0.25}}},
                              {{{-0.2, 0}, {0.1, 0}}},
                              {{{-0.2, -0.25}, {0.2, -0.25}}}});
    const Mesh south = letter({{{{0.2, 0.25}, {-0.2, 0.25}}},
                               {{{-0.2, 0.25}, {-0.2, 0}}},
                               {{{-0.2, 0}, {0.2, 0}}},
                               {{{0.2, 0}, {0.2, -0.25}}},
                               {{{0.2, -0.25}, {-0.2, -0.25}}}});
    const Mesh west = letter({{{{-0.2, 0.25}, {-0.1, -0.25}}},
                              {{{-0.1, -0.25}, {0, 0.1}}},
                              {{{0, 0.1}, {0.1, -0.25}}},
                              {{{0.1, -0.25}, {0.2, 0.25}}}});
    m.add(north, move(0, 3.0, -1.35) * turnY(180));
    m.add(south, move(0, 3.0, 1.35));
    m.add(east, move(1.35, 3.0, 0) * turnY(90));
    m.add(west, move(-1.35, 3.0, 0) * turnY(-90));
    Mesh arrow;
    arrow.add(strut({-1.6, 4.3, 0}, {1.4, 4.3, 0}, 0.04, 6));
    arrow.add(prismZ({{1.3, 4.05}, {1.9, 4.3}, {1.3, 4.55}}, 0.04));
    arrow.add(prismZ({{-1.7, 4.3}, {-1.2, 4.3}, {-1.5, 4.8}, {-1.9, 4.8}}, 0.04));
    arrow.add(prismZ({{-1.9, 3.8}, {-1.5, 3.8}, {-1.2, 4.3}, {-1.7, 4.3}}, 0.04));
    m.add(arrow, turnY(30));
    m.transform(turnX(10));
    return m;
}

// ===== Structures =====

Mesh streetLamp() {
    Mesh m;
    m.add(
        lathe({{0, 0}, {0.8, 0}, {0.8, 0.3}, {0.5, 0.5}, {0.35, 1.2}, {0.25, 1.4}, {0, 1.4}}, 16));
    m.add(strut({0, 1.3, 0}, {0, 8, 0}, 0.2, 0.12, 12));
    for (double y : {1.6, 4.0}) {
        m.add(torus(16, 6, 0.3), move(0, y, 0) * scale(0.22));
    }
    m.add(tube(bezier({0, 7.8, 0}, {0, 9.2, 0}, {1.8, 9.5, 0}, {2.2, 8.6, 0}, 16), 0.08, 8));
    m.add(frustum(8, 0.5, 0), move(2.2, 8.1, 0) * scale(1, 0.5, 1));     // lantern roof
    m.add(frustum(8, 0.3, 0.45), move(2.2, 7.2, 0) * scale(1, 0.9, 1));  // glass
    m.add(cylinder(8), move(2.2, 7.05, 0) * scale(0.32, 0.15, 0.32));
    m.add(sphere(8, 6), move(0, 8.05, 0) * scale(0.15));  // finial
    m.transform(turnY(-25));
    return m;
}

Mesh bigAtc() {
    const std::vector<V2> corners(std::begin(kTowerCorners), std::end(kTowerCorners));
    Mesh m;
    m.add(lathe(spreadOverOutline(corners, kTowerAcross), kTowerAround, true));
    m.transform(turnX(10));
    return m;
}

}  // namespace models
}  // namespace mesh
