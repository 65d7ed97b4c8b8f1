// Animals, plants and bones: ellipsoids for bodies, tubes along curves for necks, legs and
// tails, thin extrusions for fins. Heads face +x (or the viewer, for the bust).
#include <algorithm>
#include <cmath>

#include "tools/genmodels/mesh_models.h"

namespace mesh {
namespace models {

namespace {

// ===== Shared parts =====

// An ellipsoid with the given centre and semi-axes.
Mesh blob(V3 centre, V3 radii, int slices, int stacks) {
    Mesh b;
    b.add(sphere(slices, stacks), move(centre) * scale(radii.x, radii.y, radii.z));
    return b;
}

// ===== Sea creatures =====

// A shark with its nose at +x; `hammer` adds the wide flat head of a hammerhead.
Mesh fish(bool hammer) {
    Mesh m;
    m.add(loftZ({{-6.0, 0, 0.3, 0.06, 0.12},
                 {-4.5, 0, 0.15, 0.3, 0.45},
                 {-2.0, 0, 0, 0.75, 0.95},
                 {0.5, 0, 0, 0.95, 1.1},
                 {2.5, 0, -0.05, 0.8, 0.9},
                 {4.0, 0, -0.15, 0.45, 0.55},
                 {4.8, 0, -0.25, 0.12, 0.15}},
                20),
          zToX());
    m.add(prismZ({{-0.6, 0.9}, {0.9, 0.9}, {-0.6, 2.6}, {-1.0, 2.5}}, 0.15));      // dorsal
    m.add(prismZ({{-3.8, 0.35}, {-3.2, 0.35}, {-3.9, 0.9}, {-4.1, 0.85}}, 0.08));  // second
    m.add(prismZ({{-5.7, -0.1}, {-5.4, 0.2}, {-6.9, 2.0}, {-7.2, 1.9}}, 0.08));    // tail
    m.add(prismZ({{-6.3, -1.0}, {-5.4, 0.35}, {-5.8, 0.5}, {-6.6, -0.9}}, 0.08));
    Mesh side;
    side.add(loftZ({{0.6, 1.0, -0.6, 0.6, 0.08}, {2.4, -0.3, -1.1, 0.2, 0.03}}, 10));  // pectoral
    if (hammer) {
        side.add(blob({4.35, -0.05, 1.3}, {0.12, 0.12, 0.12}, 10, 6));  // eye on the head's end
    } else {
        side.add(blob({3.6, 0.2, 0.45}, {0.1, 0.1, 0.1}, 10, 6));
    }
    addPair(m, side, Xf{});
    if (hammer) {
        m.add(blob({4.3, -0.1, 0}, {0.5, 0.15, 1.45}, 20, 8));
    }
    m.transform(turnX(10) * turnY(-25));
    return m;
}

// A leaping dolphin along an arc in the xy plane, head at +x.
Mesh dolphin() {
    constexpr double kArc = 3.0;
    constexpr int kSteps = 40;
    auto at = [](double deg) {
        return V3{kArc * std::cos(radians(deg)), kArc * std::sin(radians(deg)), 0};
    };
    auto alongBody = [&](double deg) { return move(at(deg)) * turnZ(deg - 90); };
    std::vector<V3> path;
    std::vector<double> radii;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        path.push_back(at(160 - 140 * t));
        radii.push_back(std::max(0.05, 0.45 * std::pow(std::sin(kPi * std::pow(t, 1.4)), 0.8)));
    }
    Mesh m;
    m.add(tube(path, radii, 14));
    m.add(prismZ({{-0.5, -0.1}, {0.4, -0.1}, {-0.3, 0.6}, {-0.55, 0.55}}, 0.08),
          alongBody(95) * move(0, 0.38, 0));
    m.add(sphere(12, 6), alongBody(157) * scale(0.3, 0.05, 0.75));  // flukes
    Mesh side;
    side.add(sphere(10, 6), alongBody(60) * move(-0.1, -0.3, 0.35) * turnX(30) *
                                scale(0.35, 0.05, 0.18));                       // flipper
    side.add(sphere(8, 5), alongBody(35) * move(0, 0.05, 0.22) * scale(0.05));  // eye
    addPair(m, side, Xf{});
    return m;
}

// ===== Legs and limbs =====

// A long bone along a to b: a slim shaft with knobbly ends.
Mesh bone(V3 a, V3 b, double radius) {
    const V2 shape[] = {{0, 0},      {0.7, 0.02}, {1.0, 0.08}, {0.9, 0.18},
                        {0.55, 0.3}, {0.45, 0.5}, {0.55, 0.7}, {0.9, 0.82},
                        {1.0, 0.92}, {0.7, 0.98}, {0, 1}};
    std::vector<V2> profile;
    for (const V2& p : shape) {
        profile.push_back({p.u * radius, p.v});
    }
    Mesh b1;
    b1.add(lathe(profile, 10), move(a) * alignY(b - a));
    return b1;
}

// Two unit vectors across `dir`, completing a right-handed frame.
void frameAcross(V3 dir, V3& n, V3& b) {
    const V3 helper = std::fabs(dir.y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
    n = normalize(cross(dir, helper));
    b = cross(dir, n);
}

constexpr double kTreeTaper = 0.7;    // radius kept from one branch to the next
constexpr double kTreeShrink = 0.72;  // length kept from one branch to the next
constexpr double kTreeSpread = 35;    // degrees between a branch and its children

void branch(Mesh& m, V3 base, V3 dir, double length, double radius, int depth) {
    const V3 tip = base + dir * length;
    const int sides = depth >= 4 ? 8 : depth >= 2 ? 6 : depth == 1 ? 5 : 4;
    m.add(strut(base, tip, radius, radius * kTreeTaper, sides));
    if (depth == 0) {
        return;
    }
    V3 n, b;
    frameAcross(dir, n, b);
    for (int k = 0; k < 3; ++k) {
        const double turn = radians(120.0 * k + 37.0 * depth);
        const V3 out = n * std::cos(turn) + b * std::sin(turn);
        const V3 child =
            normalize(dir * std::cos(radians(kTreeSpread)) + out * std::sin(radians(kTreeSpread)));
        branch(m, tip - dir * (radius * 0.3), child, length * kTreeShrink, radius * kTreeTaper,
               depth - 1);
    }
}

}  // namespace

// ===== Animals =====

Mesh cow() {
    Mesh m;
    m.add(blob({0, 2.2, 0}, {2.0, 0.95, 0.9}, 24, 12));
    m.add(strut({1.5, 2.4, 0}, {2.2, 2.75, 0}, 0.5, 0.35, 12));  // neck
    m.add(sphere(16, 10), move(2.35, 2.6, 0) * turnZ(-25) * scale(0.7, 0.5, 0.45));
    m.add(blob({2.85, 2.25, 0}, {0.35, 0.3, 0.38}, 12, 8));  // muzzle
    m.add(blob({-0.7, 1.3, 0}, {0.4, 0.3, 0.35}, 12, 8));    // udder
    m.add(tube({{-1.95, 2.7, 0}, {-2.15, 2.3, 0}, {-2.2, 1.6, 0}, {-2.15, 1.2, 0}}, 0.05, 6));
    m.add(blob({-2.15, 1.1, 0}, {0.1, 0.18, 0.1}, 8, 5));  // tuft
    Mesh side;
    for (double x : {1.3, -1.3}) {
        side.add(strut({x, 1.8, 0.5}, {x, 0.15, 0.5}, 0.25, 0.17, 10));
        side.add(strut({x, 0.15, 0.5}, {x, 0, 0.5}, 0.19, 10));  // hoof
    }
    side.add(strut({2.3, 2.95, 0.2}, {2.2, 3.45, 0.6}, 0.08, 0, 8));  // horn
    side.add(sphere(10, 6), move(2.1, 2.9, 0.5) * turnX(30) * scale(0.1, 0.08, 0.28));
    side.add(blob({2.7, 2.75, 0.32}, {0.06, 0.06, 0.06}, 8, 5));  // eye
    addPair(m, side, Xf{});
    m.transform(turnX(10) * turnY(-25));
    return m;
}

Mesh shark() {
    return fish(false);
}
Mesh hammerhead() {
    return fish(true);
}

Mesh dolphins() {
    Mesh m;
    m.add(dolphin());
    m.add(dolphin(), move(2.0, -1.2, -2.0) * turnY(15) * scale(0.8));
    m.transform(turnY(-20));
    return m;
}

Mesh egret() {
    Mesh m;
    m.add(sphere(20, 12), move(0, 3.0, 0) * turnZ(20) * scale(1.0, 0.5, 0.45));
    const std::vector<V3> neck =
        bezier({0.7, 3.3, 0}, {1.3, 4.0, 0}, {0.4, 4.6, 0}, {1.4, 5.2, 0}, 16);
    m.add(tube(neck, taper(0.14, 0.08, neck.size()), 8));
    m.add(blob({1.5, 5.2, 0}, {0.22, 0.15, 0.14}, 12, 8));
    m.add(strut({1.65, 5.2, 0}, {2.6, 5.0, 0}, 0.06, 0, 8));      // beak
    m.add(strut({-0.8, 2.85, 0}, {-1.5, 2.6, 0}, 0.2, 0.02, 8));  // tail
    Mesh side;
    side.add(strut({0.1, 2.8, 0.18}, {0.0, 1.7, 0.2}, 0.05, 0.04, 6));
    side.add(strut({0.0, 1.7, 0.2}, {-0.05, 0.03, 0.2}, 0.035, 6));
    for (const V3 toe : {V3{0.45, 0.03, 0.2}, V3{0.3, 0.03, 0.5}, V3{-0.35, 0.03, 0.2}}) {
        side.add(strut({-0.05, 0.03, 0.2}, toe, 0.025, 5));
    }
    side.add(sphere(16, 8), move(-0.15, 3.1, 0.32) * turnZ(15) * scale(0.95, 0.35, 0.12));
    side.add(blob({1.62, 5.27, 0.11}, {0.03, 0.03, 0.03}, 6, 4));
    addPair(m, side, Xf{});
    m.transform(turnY(-30));
    return m;
}

Mesh ant() {
    Mesh m;
    m.add(sphere(20, 12), move(-2.2, 1.0, 0) * turnZ(15) * scale(1.1, 0.75, 0.7));
    m.add(blob({-0.95, 0.95, 0}, {0.2, 0.22, 0.15}, 10, 6));
    m.add(sphere(16, 10), move(0, 1.05, 0) * turnZ(-10) * scale(0.8, 0.35, 0.32));
    m.add(blob({1.2, 1.3, 0}, {0.5, 0.45, 0.45}, 16, 10));
    Mesh side;
    side.add(strut({1.6, 1.1, 0.15}, {1.95, 1.0, 0.05}, 0.07, 0, 6));  // mandible
    side.add(tube({{1.4, 1.6, 0.15}, {1.6, 2.4, 0.45}, {2.3, 2.6, 0.55}}, 0.04, 6));
    const double reach[] = {0.5, 0.05, -0.5};
    for (int i = 0; i < 3; ++i) {
        const double x = 0.45 - 0.45 * i;
        const double dx = reach[i];
        side.add(tube({{x, 0.95, 0.2}, {x + dx, 1.6, 1.0}, {x + 2 * dx, 0.02, 1.7}}, 0.05, 6));
    }
    addPair(m, side, Xf{});
    m.transform(turnX(15) * turnY(-25));
    return m;
}

Mesh bigSpider() {
    Mesh m;
    m.add(blob({0.9, 1.3, 0}, {0.9, 0.55, 0.75}, 48, 24));
    m.add(sphere(48, 24), move(-1.2, 1.6, 0) * turnZ(15) * scale(1.4, 1.05, 1.05));
    Mesh side;
    const double eyeAt[][4] = {{1.72, 1.5, 0.12, 0.09},
                               {1.68, 1.42, 0.3, 0.07},
                               {1.6, 1.7, 0.2, 0.08},
                               {1.52, 1.64, 0.38, 0.06}};
    for (const auto& e : eyeAt) {
        side.add(blob({e[0], e[1], e[2]}, {e[3], e[3], e[3]}, 12, 8));
    }
    side.add(strut({1.65, 1.1, 0.15}, {1.85, 0.65, 0.12}, 0.12, 0.03, 10));  // fang
    side.add(tube(bezier({1.5, 1.0, 0.3}, {2.1, 1.2, 0.5}, {2.4, 0.8, 0.6}, {2.5, 0.3, 0.6}, 10),
                  0.06, 8));  // palp
    for (double deg : {40.0, 75.0, 105.0, 140.0}) {
        const V3 dir{std::cos(radians(deg)), 0, std::sin(radians(deg))};
        const V3 base = V3{0.9, 1.25, 0} + dir * 0.55;
        const std::vector<V3> leg =
            bezier(base, base + dir * 0.8 + V3{0, 1.4, 0}, base + dir * 2.0 + V3{0, 1.4, 0},
                   base + dir * 3.2 + V3{0, -1.2, 0}, 24);
        side.add(tube(leg, taper(0.1, 0.04, leg.size()), 10));
    }
    addPair(m, side, Xf{});
    m.transform(turnX(20) * turnY(-30));
    return m;
}

// ===== Plants and fruit =====

Mesh apple() {
    constexpr int kStacks = 24;
    std::vector<V2> profile;
    for (int i = 0; i <= kStacks; ++i) {
        const double a = -kPi / 2 + kPi * i / kStacks;
        const double r = (i == 0 || i == kStacks) ? 0 : std::cos(a) * (1 + 0.08 * std::sin(a));
        const double dimple = std::exp(-std::pow(std::cos(a) / 0.22, 2));
        profile.push_back({r, 0.92 * std::sin(a) + (a < 0 ? 0.12 : -0.22) * dimple});
    }
    Mesh m;
    m.add(lathe(profile, 32));
    m.add(tube(bezier({0, 0.6, 0}, {0, 0.9, 0}, {0.05, 1.05, 0}, {0.15, 1.15, 0}, 6), 0.035, 6));
    m.add(sphere(12, 6), move(0.32, 1.0, 0) * turnZ(25) * scale(0.3, 0.025, 0.12));  // leaf
    return m;
}

Mesh pumpkin() {
    constexpr int kStacks = 24;
    constexpr int kAround = 64;
    constexpr int kRibs = 5;  // grooves come in pairs per turn of sin^2
    std::vector<Ring> rings{{V3{0, -0.6, 0}}};
    for (int i = 1; i < kStacks; ++i) {
        const double a = -kPi / 2 + kPi * i / kStacks;
        const double dimple = std::exp(-std::pow(std::cos(a) / 0.25, 2));
        const double y = 0.7 * std::sin(a) + (a < 0 ? 0.1 : -0.25) * dimple;
        Ring ring;
        for (int j = 0; j < kAround; ++j) {
            const double phi = 2 * kPi * j / kAround;
            const double r = std::cos(a) * (1 - 0.07 * std::pow(std::sin(kRibs * phi), 2));
            ring.push_back({r * std::cos(phi), y, -r * std::sin(phi)});
        }
        rings.push_back(ring);
    }
    rings.push_back({V3{0, 0.45, 0}});
    Mesh m;
    m.add(stitch(rings, false));
    m.add(strut({0, 0.35, 0}, {0.12, 0.95, 0.05}, 0.12, 0.08, 7));
    m.transform(scale(1.5));
    return m;
}

Mesh fracttree() {
    Mesh m;
    branch(m, {0, 0, 0}, {0, 1, 0}, 3.0, 0.3, 5);
    return m;
}

// ===== Bones and sculpture =====

Mesh footbones() {
    Mesh m;
    m.add(sphere(16, 10), move(-2.6, 0.55, 0) * turnZ(15) * scale(0.9, 0.5, 0.45));  // heel
    m.add(blob({-1.6, 1.05, 0}, {0.6, 0.35, 0.45}, 14, 8));                          // talus
    m.add(blob({-0.9, 0.95, -0.15}, {0.25, 0.3, 0.45}, 12, 8));                      // navicular
    m.add(box(), move(-1.1, 0.5, 0.45) * scale(0.35, 0.22, 0.25));                   // cuboid
    for (double z : {-0.45, -0.15, 0.15}) {
        m.add(box(), move(-0.5, 0.8, z) * scale(0.22, 0.2, 0.13));  // cuneiforms
    }
    for (int toe = 0; toe < 5; ++toe) {
        const double z = -0.55 + 0.27 * toe;
        const double r = toe == 0 ? 0.13 : 0.09;
        const V3 base{-0.3, 0.7 - 0.05 * toe, z * 0.9};
        const V3 head{1.3 - 0.12 * toe, 0.28, z * 1.2};
        m.add(bone(base, head, r));
        const V3 dir = normalize(V3{head.x - base.x, 0, head.z - base.z});
        const int joints = toe == 0 ? 2 : 3;
        const double len = toe == 0 ? 0.55 : 0.42 - 0.03 * toe;
        V3 at = head + dir * 0.05;
        for (int j = 0; j < joints; ++j) {
            const V3 next = at + dir * (len * (1 - 0.25 * j)) + V3{0, -0.04, 0};
            m.add(bone(at, next, r * 0.85));
            at = next + dir * 0.04;
        }
    }
    m.transform(turnX(35) * turnY(-25));
    return m;
}

Mesh stonebust() {
    Mesh m;
    m.add(box(), move(0, 0.3, 0) * scale(1.1, 0.3, 0.85));
    m.add(frustum(16, 0.75, 0.55), move(0, 0.6, 0) * scale(1, 0.5, 1));
    m.add(blob({0, 1.9, 0}, {1.5, 0.85, 0.75}, 24, 12));            // chest and shoulders
    m.add(cylinder(12), move(0, 2.5, 0) * scale(0.32, 0.6, 0.32));  // neck
    m.add(blob({0, 3.45, 0.05}, {0.55, 0.7, 0.62}, 20, 12));        // head
    m.add(strut({0, 3.45, 0.6}, {0, 3.22, 0.82}, 0.12, 0, 6));      // nose
    m.add(box(), move(0, 3.62, 0.6) * scale(0.4, 0.05, 0.06));      // brow
    for (double x : {-1.0, 1.0}) {
        m.add(blob({0.55 * x, 3.45, 0}, {0.07, 0.18, 0.12}, 8, 5));    // ear
        m.add(blob({0.2 * x, 3.52, 0.57}, {0.07, 0.05, 0.04}, 8, 5));  // eye
    }
    m.add(blob({0, 3.0, 0.45}, {0.2, 0.12, 0.12}, 10, 6));  // chin
    m.transform(turnY(-20));
    return m;
}

}  // namespace models
}  // namespace mesh
