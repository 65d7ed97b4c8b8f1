// Household things: mostly surfaces of revolution (lathe profiles run up the outside and, for
// open vessels, back down the inside), with handles as tubes along arcs and curves.
#include <cmath>

#include "tools/genmodels/mesh_models.h"

namespace mesh {
namespace models {

namespace {

// ===== Shared parts =====

// A footprint, toes at +x: an egg-shaped convex outline `length` long.
std::vector<V2> footprint(double length, double toeWidth, double heelWidth, int points) {
    std::vector<V2> outline;
    const double mid = (toeWidth + heelWidth) / 2;
    const double bulge = (toeWidth - heelWidth) / 2;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * kPi * i / points;
        outline.push_back({length / 2 * std::cos(a), (mid + bulge * std::cos(a)) * std::sin(a)});
    }
    return outline;
}

// An outline lying flat (its second coordinate along z), `thickness` high, resting on y = 0.
Mesh sole(const std::vector<V2>& outline, double thickness) {
    Mesh s;
    s.add(prismZ(outline, thickness), move(0, thickness / 2, 0) * turnX(90));
    return s;
}

// A round disc facing +z, from z0 to z0 + depth.
Mesh disc(V3 at, double radius, double depth, int sides) {
    Mesh d;
    d.add(cylinder(sides), move(at) * turnX(90) * scale(radius, depth, radius));
    return d;
}

}  // namespace

// ===== Vessels =====

Mesh mug() {
    Mesh m;
    m.add(lathe({{0, 0}, {0.95, 0}, {1.0, 0.08}, {1.0, 2.2}, {0.92, 2.2}, {0.92, 0.15}, {0, 0.15}},
                32));
    m.add(tube(arcXY({0.85, 1.1, 0}, 0.65, -80, 80, 16), 0.1, 10));
    m.transform(turnX(20) * turnY(-30));
    return m;
}

Mesh teapot() {
    Mesh m;
    m.add(lathe(
        {{0, 0}, {0.9, 0}, {1.25, 0.3}, {1.45, 0.8}, {1.4, 1.3}, {1.15, 1.7}, {0.8, 1.9}, {0, 1.9}},
        32));
    m.add(lathe({{0, 1.88}, {0.85, 1.88}, {0.7, 2.1}, {0.3, 2.25}, {0, 2.3}}, 32));  // lid
    m.add(sphere(12, 8), move(0, 2.38, 0) * scale(0.15));                            // knob
    const std::vector<V3> spout =
        bezier({1.2, 0.6, 0}, {1.9, 0.7, 0}, {1.9, 1.5, 0}, {2.4, 1.9, 0}, 12);
    m.add(tube(spout, taper(0.25, 0.1, spout.size()), 12));
    m.add(tube(arcXY({-1.35, 1.05, 0}, 0.6, 75, 285, 16), 0.09, 8));  // handle
    m.transform(turnX(15) * turnY(-20));
    return m;
}

Mesh trashcan() {
    Mesh m;
    m.add(lathe({{0, 0}, {0.9, 0}, {1.05, 2.2}, {0.98, 2.2}, {0.84, 0.1}, {0, 0.1}}, 32));
    for (double y : {0.6, 1.6}) {
        const double r = 0.9 + 0.15 * y / 2.2;
        m.add(torus(32, 6, 0.04), move(0, y, 0) * scale(r));  // ribs
    }
    m.add(lathe({{0, 2.18}, {1.12, 2.18}, {1.12, 2.3}, {0.5, 2.45}, {0, 2.5}}, 32));  // lid
    m.add(tube(arcXY({0, 2.45, 0}, 0.3, 0, 180, 10), 0.05, 6));
    m.add(box(), move(0, 0.05, 1.0) * scale(0.3, 0.05, 0.2));  // pedal
    m.transform(turnX(15));
    return m;
}

Mesh urn() {
    Mesh m;
    m.add(lathe({{0, 0},
                 {0.45, 0},
                 {0.5, 0.15},
                 {0.75, 0.6},
                 {1.05, 1.4},
                 {1.1, 2.0},
                 {0.9, 2.6},
                 {0.5, 3.0},
                 {0.42, 3.4},
                 {0.55, 3.6},
                 {0.6, 3.7},
                 {0.45, 3.7},
                 {0.34, 3.3},
                 {0, 3.2}},
                28));
    Mesh handle;
    handle.add(
        tube(bezier({0.4, 3.3, 0}, {1.2, 3.5, 0}, {1.3, 2.6, 0}, {0.95, 2.2, 0}, 14), 0.07, 8));
    m.add(handle);
    m.add(handle, scale(-1, 1, 1));
    m.transform(turnX(10) * turnY(-20));
    return m;
}

Mesh ketchup() {
    Mesh m;
    m.add(lathe({{0, 0},
                 {0.72, 0},
                 {0.8, 0.08},
                 {0.8, 2.2},
                 {0.65, 2.8},
                 {0.38, 3.2},
                 {0.36, 3.35},
                 {0, 3.35}},
                28));
    m.add(lathe({{0, 3.3}, {0.42, 3.3}, {0.42, 3.75}, {0.3, 3.82}, {0, 3.85}}, 28));  // cap
    m.add(cylinder(28), move(0, 0.7, 0) * scale(0.82, 1.0, 0.82));                    // label
    m.transform(turnX(15));
    return m;
}

Mesh candlestick() {
    Mesh m;
    m.add(lathe({{0, 0},
                 {1.2, 0},
                 {1.2, 0.12},
                 {1.0, 0.2},
                 {0.6, 0.35},
                 {0.2, 0.5},
                 {0.18, 0.8},
                 {0.32, 0.9},
                 {0.18, 1.0},
                 {0.15, 1.8},
                 {0.28, 1.9},
                 {0.15, 2.0},
                 {0.14, 2.3},
                 {0.6, 2.38},
                 {0.62, 2.48},
                 {0.3, 2.5},
                 {0.3, 2.7},
                 {0, 2.7}},
                24));
    m.add(cylinder(16), move(0, 2.6, 0) * scale(0.22, 2.0, 0.22));  // candle
    m.add(strut({0, 4.6, 0}, {0, 4.75, 0}, 0.02, 4));               // wick
    m.add(lathe({{0, 0}, {0.08, 0.05}, {0.12, 0.15}, {0.1, 0.3}, {0.04, 0.45}, {0, 0.5}}, 12),
          move(0, 4.7, 0));
    m.add(torus(16, 6, 0.25), move(1.35, 0.2, 0) * turnX(90) * scale(0.25));  // finger ring
    m.transform(turnX(15));
    return m;
}

Mesh kerolamp() {
    Mesh m;
    m.add(lathe(
        {{0, 0}, {0.9, 0}, {1.0, 0.1}, {1.1, 0.45}, {1.0, 0.8}, {0.5, 1.05}, {0.4, 1.1}, {0, 1.1}},
        28));
    m.add(cylinder(20), move(0, 1.05, 0) * scale(0.42, 0.3, 0.42));
    m.add(frustum(20, 0.5, 0.4), move(0, 1.3, 0) * scale(1, 0.3, 1));  // burner
    m.add(lathe({{0.38, 1.5},
                 {0.65, 2.0},
                 {0.68, 2.4},
                 {0.45, 2.8},
                 {0.33, 3.5},
                 {0.36, 3.6},
                 {0.31, 3.6},
                 {0.28, 3.5},
                 {0.4, 2.8},
                 {0.63, 2.4},
                 {0.6, 2.0},
                 {0.33, 1.5}},
                24, true));                                       // chimney glass
    m.add(tube(arcXY({0, 2.2, 0}, 1.1, -10, 190, 20), 0.03, 6));  // bail
    for (double x : {-1.08, 1.08}) {
        m.add(strut({x, 2.01, 0}, {x * 0.88, 0.7, 0}, 0.03, 6));
    }
    m.add(strut({0.4, 1.45, 0}, {0.75, 1.45, 0}, 0.04, 6));
    m.add(disc({0, 0, 0}, 0.12, 0.05, 12), move(0.75, 1.45, 0) * turnY(90));  // wick knob
    m.transform(turnX(15));
    return m;
}

// ===== Footwear =====

Mesh sandal() {
    Mesh m;
    m.add(sole(footprint(3.2, 1.15, 0.7, 32), 0.2));
    const double strapX[] = {0.75, -0.1};
    const double strapHalf[] = {0.5, 0.45};
    for (int i = 0; i < 2; ++i) {
        m.add(tube(arcXY({0, 0.15, 0}, strapHalf[i], 0, 180, 12), 0.05, 6),
              move(strapX[i], 0, 0) * turnY(90));
    }
    m.add(tube(arcXY({0, 0, 0}, 0.42, 90, 270, 12), 0.05, 6), move(-1.0, 0.45, 0) * turnX(90));
    for (double z : {-0.42, 0.42}) {
        m.add(strut({-1.0, 0.45, z}, {-1.05, 0.15, z * 0.8}, 0.04, 6));
    }
    m.transform(turnX(35) * turnY(-25));
    return m;
}

Mesh tennisShoe() {
    Mesh m;
    m.add(sole(footprint(3.3, 1.2, 0.8, 32), 0.35));
    m.add(carBody({{-1.55, 1.4, 0.15, 0.3},
                   {-1.35, 1.5, 0.15, 0.45},
                   {-0.8, 1.3, 0.15, 0.5},
                   {0.0, 1.05, 0.15, 0.55},
                   {0.8, 0.75, 0.15, 0.58},
                   {1.3, 0.55, 0.15, 0.5},
                   {1.58, 0.4, 0.2, 0.3}},
                  24, 2.5));
    m.add(torus(24, 6, 0.15), move(-0.95, 1.38, 0) * turnZ(-10) * scale(0.5, 0.3, 0.32));  // collar
    const double laceX[] = {-0.4, -0.1, 0.2, 0.5, 0.8};
    const double laceY[] = {1.2, 1.12, 1.0, 0.9, 0.78};
    for (int i = 0; i < 5; ++i) {
        m.add(strut({laceX[i], laceY[i], -0.28}, {laceX[i], laceY[i], 0.28}, 0.03, 6));
    }
    m.add(sphere(16, 8), move(1.25, 0.45, 0) * scale(0.4, 0.25, 0.45));  // toe cap
    m.transform(turnX(20) * turnY(-30));
    return m;
}

// ===== Small objects =====

Mesh scissors() {
    Mesh half;  // one blade with its shank and ring, pivot at the origin, blade along +x
    half.add(prismZ({{-0.3, -0.15}, {3.3, 0.0}, {-0.3, 0.22}}, 0.06), move(0, 0, 0.04));
    half.add(box(), move(-0.85, -0.2, 0.04) * turnZ(20) * scale(0.65, 0.09, 0.03));
    half.add(torus(24, 8, 0.2), move(-1.9, -0.55, 0.04) * turnX(90) * scale(0.55, 0.5, 0.4));
    Mesh m;
    m.add(half, turnZ(12));
    m.add(half, turnZ(-12) * scale(1, -1, -1));
    m.add(disc({0, 0, -0.12}, 0.12, 0.24, 12));  // pivot
    m.transform(turnY(-20));
    return m;
}

Mesh walkman() {
    Mesh m;
    m.add(box(), scale(1.2, 1.75, 0.32));
    m.add(box(), move(0, 0.25, 0.32) * scale(0.85, 0.55, 0.02));  // window
    for (double x : {-0.45, 0.45}) {
        m.add(disc({x, 0.25, 0.3}, 0.22, 0.08, 16));  // reels
    }
    for (int i = 0; i < 5; ++i) {
        m.add(box(), move(-0.8 + 0.4 * i, 1.8, 0) * scale(0.15, 0.08, 0.2));  // keys
    }
    m.add(cylinder(16), move(1.2, 0.9, 0) * yToX() * scale(0.25, 0.1, 0.25));  // volume
    m.add(strut({0.8, 1.75, 0}, {0.8, 1.9, 0}, 0.06, 8));                      // jack
    m.add(tube(arcXY({3.0, 0.3, 0}, 1.1, 0, 180, 20), 0.06, 8));               // headband
    for (double x : {1.9, 4.1}) {
        const double inward = x < 3.0 ? 1 : -1;
        m.add(strut({x, 0.3, 0}, {x + 0.2 * inward, 0.3, 0}, 0.35, 16));  // ear cup
        m.add(sphere(16, 8), move(x + 0.22 * inward, 0.3, 0) * scale(0.06, 0.33, 0.33));
    }
    m.add(tube(bezier({0.8, 1.85, 0}, {1.2, 2.8, 0.5}, {1.5, -1.5, 0.8}, {1.95, 0.1, 0}, 20), 0.025,
               5));
    m.transform(turnY(-20));
    return m;
}

Mesh balance() {
    Mesh m;
    m.add(lathe({{0, 0}, {1.4, 0}, {1.4, 0.15}, {1.0, 0.3}, {0.3, 0.45}, {0, 0.45}}, 32));
    m.add(cylinder(16), move(0, 0.4, 0) * scale(0.12, 3.6, 0.12));
    m.add(sphere(12, 8), move(0, 4.15, 0) * scale(0.18));
    m.add(box(), move(0, 3.8, 0) * scale(2.6, 0.06, 0.06));  // beam
    m.add(box(), move(0, 3.8, 0) * scale(0.2, 0.15, 0.1));   // pivot block
    Mesh pan;
    pan.add(lathe({{0, 1.5}, {0.5, 1.55}, {0.75, 1.8}, {0.71, 1.81}, {0.47, 1.6}, {0, 1.57}}, 24));
    for (double deg : {90.0, 210.0, 330.0}) {
        const double a = radians(deg);
        pan.add(strut({0, 3.75, 0}, {0.7 * std::cos(a), 1.8, 0.7 * std::sin(a)}, 0.015, 4));
    }
    m.add(pan, move(2.5, 0, 0));
    m.add(pan, move(-2.5, 0, 0));
    m.transform(turnX(10) * turnY(-15));
    return m;
}

}  // namespace models
}  // namespace mesh
