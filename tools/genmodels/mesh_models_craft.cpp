// Aircraft, ships and road vehicles. Each points its nose along +x with y up, then turns a
// little towards the viewer (who looks along -z) so that both the side and the top show.
#include "tools/genmodels/mesh_models.h"

namespace mesh {
namespace models {

namespace {

// ===== Shared parts =====

// Three-quarter view: nose turned towards the viewer, top tilted towards them.
Xf threeQuarter(double yawDeg, double tiltDeg) {
    return turnX(tiltDeg) * turnY(-yawDeg);
}

// `blades` flat blades of length `radius` about a short hub, turning about the y axis.
Mesh rotor(int blades, double radius, double chord) {
    Mesh r;
    for (int k = 0; k < blades; ++k) {
        r.add(box(), turnY(360.0 * k / blades) * move(radius / 2, 0, 0) *
                         scale(radius / 2, 0.03, chord / 2));
    }
    r.add(cylinder(12), move(0, -0.08, 0) * scale(chord * 0.8, 0.16, chord * 0.8));
    return r;
}

// A landing skid on each side: a runner curling up at the front and two legs.
void addSkids(Mesh& m, double low, double halfTrack, double top) {
    const std::vector<V3> runner{
        {-1.8, low, 0}, {1.5, low, 0}, {1.9, low + 0.1, 0}, {2.1, low + 0.35, 0}};
    Mesh skid;
    skid.add(tube(runner, 0.06, 8));
    skid.add(strut({-1.0, low, 0}, {-0.8, top, -0.5}, 0.05, 6));
    skid.add(strut({0.9, low, 0}, {0.7, top, -0.5}, 0.05, 6));
    addPair(m, skid, move(0, 0, halfTrack));
}

// A fin standing in the xy plane: a convex outline extruded thin across z.
Mesh fin(const std::vector<V2>& outline, double thickness) {
    return prismZ(outline, thickness);
}

// A flat planform (outline in x and span z) lying in the xz plane, `thickness` high.
Mesh planform(const std::vector<V2>& outline, double thickness) {
    Mesh p;
    p.add(prismZ(outline, thickness), turnX(90));
    return p;
}

}  // namespace

// ===== Aircraft =====

Mesh airplane() {
    Mesh m;
    const std::vector<V2> body{{0, 0},     {0.25, 0.3}, {0.55, 2.0},  {0.7, 3.8}, {0.7, 8.0},
                               {0.6, 9.0}, {0.4, 9.6},  {0.15, 9.95}, {0, 10}};
    m.add(lathe(body, 16), move(-5, 0, 0) * yToX());
    m.add(loftZ({{-5.5, -1.2, -0.15, 0.45, 0.05},
                 {-0.6, 0.2, -0.3, 1.1, 0.13},
                 {0.6, 0.2, -0.3, 1.1, 0.13},
                 {5.5, -1.2, -0.15, 0.45, 0.05}},
                12));
    m.add(loftZ({{-2.0, -4.6, 0.15, 0.3, 0.03},
                 {-0.3, -4.1, 0.1, 0.6, 0.06},
                 {0.3, -4.1, 0.1, 0.6, 0.06},
                 {2.0, -4.6, 0.15, 0.3, 0.03}},
                10));
    m.add(loftZ({{0.1, -4.0, 0, 0.75, 0.06}, {2.0, -4.7, 0, 0.35, 0.04}}, 10), zToY());
    const std::vector<V2> nacelle{{0, 0},      {0.15, 0},  {0.33, 0.5},
                                  {0.35, 1.5}, {0.3, 1.7}, {0, 1.7}};
    Mesh engine;
    engine.add(lathe(nacelle, 12), move(-0.3, -0.75, 0) * yToX());
    engine.add(box(), move(0.5, -0.45, 0) * scale(0.45, 0.2, 0.05));
    addPair(m, engine, move(0, 0, 2.3));
    m.transform(threeQuarter(35, 20));
    return m;
}

Mesh f16() {
    Mesh m;
    const std::vector<V2> body{{0, 0},      {0.35, 0},  {0.45, 0.5}, {0.55, 3},
                               {0.55, 6.5}, {0.4, 8.5}, {0.15, 9.7}, {0, 10}};
    m.add(lathe(body, 14), move(-5, 0, 0) * yToX());
    m.add(planform({{2.0, -0.6}, {2.0, 0.6}, {-1.5, 4.5}, {-2.3, 4.5}, {-2.3, -4.5}, {-1.5, -4.5}},
                   0.12),
          move(0, -0.1, 0));
    m.add(planform(
        {{-3.0, -0.5}, {-3.0, 0.5}, {-4.6, 2.6}, {-5.3, 2.6}, {-5.3, -2.6}, {-4.6, -2.6}}, 0.08));
    m.add(fin({{-2.8, 0.3}, {-4.6, 3.0}, {-5.3, 3.0}, {-5.2, 0.3}}, 0.1));
    m.add(sphere(16, 10), move(2.6, 0.45, 0) * scale(1.3, 0.45, 0.38));
    m.add(box(), move(0.8, -0.6, 0) * scale(1.5, 0.28, 0.45));
    Mesh missile;
    missile.add(strut({-2.5, -0.1, 0}, {0.3, -0.1, 0}, 0.08, 8));
    missile.add(strut({0.3, -0.1, 0}, {0.7, -0.1, 0}, 0.08, 0, 8));
    addPair(m, missile, move(0, 0, 4.6));
    m.transform(threeQuarter(40, 20));
    return m;
}

Mesh chopper() {
    Mesh m;
    m.add(sphere(20, 12), scale(1.8, 1.2, 1.1));
    m.add(strut({-1.2, 0.3, 0}, {-6, 0.6, 0}, 0.35, 0.12, 10));
    m.add(fin({{-5.5, 0.5}, {-6.0, 1.9}, {-6.5, 1.9}, {-6.3, 0.3}}, 0.08));
    m.add(rotor(2, 0.7, 0.12), move(-6.2, 1.5, 0.12) * turnX(90));
    m.add(strut({0, 1.0, 0}, {0, 1.6, 0}, 0.12, 8));
    m.add(rotor(3, 4.2, 0.25), move(0, 1.65, 0));
    addSkids(m, -1.6, 0.9, -0.9);
    m.transform(threeQuarter(30, 15));
    return m;
}

Mesh hind() {
    Mesh m;
    m.add(loftZ({{-2.5, 0, 0.3, 0.7, 0.9},
                 {0, 0, 0.1, 0.95, 1.1},
                 {2.0, 0, -0.1, 0.8, 0.9},
                 {3.2, 0, -0.3, 0.5, 0.6},
                 {3.8, 0, -0.4, 0.2, 0.25}},
                16),
          zToX());
    m.add(sphere(14, 8), move(3.0, 0.2, 0) * scale(0.6, 0.45, 0.42));  // gunner
    m.add(sphere(14, 8), move(1.8, 0.8, 0) * scale(0.7, 0.5, 0.5));    // pilot
    m.add(box(), move(0.2, 1.2, 0) * scale(1.6, 0.35, 0.55));          // engines
    m.add(strut({-2.3, 0.6, 0}, {-7, 0.9, 0}, 0.4, 0.15, 10));
    m.add(fin({{-6.3, 0.6}, {-6.8, 2.2}, {-7.3, 2.2}, {-7.1, 0.5}}, 0.1));
    m.add(rotor(3, 0.9, 0.14), move(-7.0, 1.6, 0.15) * turnX(90));
    m.add(strut({0.2, 1.4, 0}, {0.2, 2.0, 0}, 0.14, 8));
    m.add(rotor(5, 5.0, 0.3), move(0.2, 2.05, 0));
    Mesh wing;
    wing.add(box(), move(-0.3, -0.2, 1.4) * turnX(-8) * scale(0.55, 0.06, 1.2));
    wing.add(strut({-1.1, -0.55, 1.3}, {0.5, -0.55, 1.3}, 0.15, 8));
    wing.add(strut({-1.1, -0.55, 2.2}, {0.5, -0.55, 2.2}, 0.15, 8));
    wing.add(wheel(0.3, 0.16, 16, 6), move(-1.2, -1.25, 0.8));
    addPair(m, wing, Xf{});
    m.add(wheel(0.25, 0.14, 16, 6), move(2.6, -0.85, 0));
    m.transform(threeQuarter(30, 15));
    return m;
}

// ===== Ships =====

Mesh saratoga() {
    Mesh m;
    m.add(loftZ({{-14, 0, 0.2, 1.25, 0.9},
                 {-12, 0, 0.1, 1.6, 1.1},
                 {6, 0, 0.1, 1.6, 1.15},
                 {11, 0, 0.2, 1.1, 1.0},
                 {14.5, 0, 0.4, 0.25, 0.8}},
                16),
          zToX());
    m.add(box(), move(0.5, 1.25, 0.2) * scale(15.5, 0.1, 2.3));              // flight deck
    m.add(box(), move(-3, 1.25, -1.9) * turnY(-9) * scale(7, 0.1, 1.0));     // angled deck
    m.add(box(), move(1.0, 2.1, 2.0) * scale(2.0, 0.9, 0.3));                // island
    m.add(box(), move(1.2, 3.2, 2.0) * scale(1.0, 0.3, 0.25));               // bridge
    m.add(box(), move(0.2, 3.3, 2.0) * turnZ(-10) * scale(0.5, 0.5, 0.28));  // funnel
    m.add(strut({1.4, 3.4, 2.0}, {1.4, 5.0, 2.0}, 0.06, 6));
    m.add(box(), move(1.4, 4.6, 2.0) * scale(0.05, 0.2, 0.6));  // radar
    const V3 parked[] = {{-9, 1.45, -0.8}, {-7, 1.45, 0.6}, {-5, 1.45, -0.6}, {6, 1.45, -0.5}};
    for (const V3& p : parked) {
        Mesh plane;
        plane.add(box(), scale(0.4, 0.07, 0.07));
        plane.add(box(), move(0.05, 0, 0) * scale(0.1, 0.03, 0.35));
        plane.add(box(), move(-0.32, 0.07, 0) * scale(0.06, 0.08, 0.03));
        m.add(plane, move(p) * turnY(150));
    }
    m.transform(threeQuarter(30, 30));
    return m;
}

Mesh galleon() {
    Mesh m;
    m.add(loftZ({{-5, 0, 1.3, 1.1, 1.0},
                 {-4, 0, 0.9, 1.5, 1.3},
                 {1, 0, 0.7, 1.5, 1.2},
                 {4, 0, 0.9, 1.0, 1.0},
                 {5.5, 0, 1.3, 0.3, 0.6}},
                16),
          zToX());
    m.add(box(), move(-4.1, 2.5, 0) * scale(1.2, 0.7, 1.2));  // stern castle
    m.add(box(), move(3.5, 2.0, 0) * scale(0.9, 0.4, 0.85));  // forecastle
    const double mastX[] = {-2.5, 0.5, 3.0};
    const double mastTop[] = {6.5, 8.0, 6.2};
    for (int i = 0; i < 3; ++i) {
        const double x = mastX[i];
        const double h = mastTop[i];
        m.add(strut({x, 1.0, 0}, {x, h, 0}, 0.1, 8));
        for (int s = 0; s < 2; ++s) {
            const double low = 2.6 + s * (h - 2.6) / 2;
            const double high = low + (h - 2.6) / 2 - 0.3;
            const double width = 1.5 - 0.35 * s;
            m.add(strut({x, high, -width}, {x, high, width}, 0.05, 6));
            m.add(box(),
                  move(x + 0.15, (low + high) / 2, 0) * scale(0.04, (high - low) / 2, width));
        }
        m.add(fin({{x, h - 0.6}, {x + 0.8, h - 0.45}, {x, h - 0.25}}, 0.03), Xf{});  // pennant
    }
    m.add(strut({4.6, 2.2, 0}, {7.8, 3.6, 0}, 0.08, 0.04, 8));  // bowsprit
    m.add(fin({{4.0, 2.4}, {7.4, 3.5}, {3.2, 6.0}}, 0.03));     // jib
    m.transform(threeQuarter(35, 15));
    return m;
}

// ===== Road vehicles =====

Mesh pickupBig() {
    Mesh m;
    m.add(box(), move(0, 1.0, 0) * scale(3.0, 0.45, 1.1));
    m.add(fin({{-0.6, 1.4}, {1.9, 1.4}, {1.2, 2.6}, {-0.6, 2.6}}, 2.0));  // cab
    Mesh wall;
    wall.add(box(), move(-1.85, 1.72, 1.03) * scale(1.15, 0.28, 0.07));
    addPair(m, wall, Xf{});
    m.add(box(), move(-2.93, 1.72, 0) * scale(0.07, 0.28, 1.1));  // tailgate
    m.add(box(), move(3.05, 0.75, 0) * scale(0.12, 0.18, 1.15));  // bumpers
    m.add(box(), move(-3.05, 0.75, 0) * scale(0.12, 0.18, 1.15));
    m.add(box(), move(3.02, 1.15, 0) * scale(0.04, 0.2, 0.6));  // grille
    Mesh side;
    side.add(cylinder(16), move(3.0, 1.2, 0.85) * yToX() * scale(0.16, 0.06, 0.16));  // lamp
    side.add(box(), move(1.25, 2.0, 1.12) * scale(0.08, 0.12, 0.1));                  // mirror
    side.add(wheel(0.75, 0.5, 40, 14), move(2.0, 0.75, 1.0));
    side.add(wheel(0.75, 0.5, 40, 14), move(-2.0, 0.75, 1.0));
    addPair(m, side, Xf{});
    m.transform(threeQuarter(30, 15));
    return m;
}

Mesh bigDodge() {
    Mesh m;
    m.add(carBody({{-5.0, 1.35, 0.55, 1.55},
                   {-4.8, 1.50, 0.45, 1.80},
                   {-4.0, 1.55, 0.40, 1.88},
                   {-2.5, 1.55, 0.40, 1.90},
                   {-1.0, 1.55, 0.40, 1.90},
                   {1.0, 1.50, 0.40, 1.90},
                   {3.0, 1.45, 0.40, 1.90},
                   {4.4, 1.40, 0.45, 1.85},
                   {4.9, 1.30, 0.55, 1.70},
                   {5.1, 1.15, 0.65, 1.45}},
                  40, 5));
    m.add(carBody({{-3.0, 1.55, 1.3, 1.35},
                   {-2.0, 2.35, 1.3, 1.45},
                   {-0.2, 2.45, 1.3, 1.5},
                   {0.6, 2.3, 1.3, 1.5},
                   {1.6, 1.58, 1.3, 1.55}},
                  40, 5));
    m.add(box(), move(2.6, 1.52, 0) * scale(1.0, 0.1, 0.35));         // hood scoop
    m.add(box(), move(-4.75, 1.78, 0) * scale(0.2, 0.04, 1.6));       // spoiler
    m.add(strut({5.15, 0.75, -1.55}, {5.15, 0.75, 1.55}, 0.12, 12));  // bumpers
    m.add(strut({-5.05, 0.75, -1.45}, {-5.05, 0.75, 1.45}, 0.12, 12));
    Mesh side;
    side.add(sphere(16, 8), move(5.05, 1.05, 1.1) * scale(0.08, 0.2, 0.2));  // headlamps
    side.add(sphere(16, 8), move(5.1, 1.05, 0.65) * scale(0.08, 0.18, 0.18));
    side.add(box(), move(-5.0, 1.15, 1.0) * scale(0.05, 0.12, 0.45));  // tail lamp
    side.add(box(), move(-4.2, 1.75, 1.4) * scale(0.06, 0.2, 0.05));   // spoiler post
    side.add(strut({-5.0, 0.5, 0.9}, {-5.6, 0.5, 0.9}, 0.08, 10));     // exhaust
    side.add(wheel(0.85, 0.6, 48, 16), move(3.0, 0.85, 1.6));
    side.add(wheel(0.85, 0.6, 48, 16), move(-3.1, 0.85, 1.6));
    addPair(m, side, Xf{});
    m.transform(threeQuarter(30, 15));
    return m;
}

Mesh bigPorsche() {
    Mesh m;
    m.add(carBody({{-4.6, 1.1, 0.45, 1.2},
                   {-4.4, 1.35, 0.4, 1.6},
                   {-3.6, 1.45, 0.38, 1.78},
                   {-2.6, 1.45, 0.38, 1.8},
                   {-1.0, 1.35, 0.38, 1.72},
                   {1.0, 1.25, 0.38, 1.72},
                   {2.6, 1.3, 0.38, 1.8},
                   {3.6, 1.15, 0.4, 1.75},
                   {4.3, 0.95, 0.42, 1.6},
                   {4.6, 0.75, 0.48, 1.3}},
                  48, 3));
    m.add(carBody({{-4.3, 1.3, 1.1, 0.9},
                   {-3.2, 1.75, 1.1, 1.2},
                   {-1.6, 2.15, 1.1, 1.3},
                   {-0.2, 2.25, 1.1, 1.35},
                   {0.6, 2.1, 1.1, 1.4},
                   {1.6, 1.4, 1.1, 1.45}},
                  48, 3));
    m.add(box(), move(-4.1, 1.62, 0) * scale(0.45, 0.05, 1.25));  // tail spoiler
    Mesh side;
    side.add(sphere(20, 10), move(3.35, 1.2, 1.15) * scale(0.32, 0.2, 0.3));  // headlamp
    side.add(box(), move(-4.55, 1.2, 1.05) * scale(0.06, 0.08, 0.4));         // tail lamp
    side.add(box(), move(1.2, 1.75, 1.5) * scale(0.1, 0.08, 0.12));           // mirror
    side.add(strut({-4.4, 0.5, 0.5}, {-4.9, 0.5, 0.5}, 0.07, 10));            // exhaust
    side.add(wheel(0.8, 0.55, 44, 16), move(2.9, 0.8, 1.55));
    side.add(wheel(0.8, 0.6, 44, 16), move(-3.0, 0.8, 1.55));
    addPair(m, side, Xf{});
    m.transform(threeQuarter(30, 15));
    return m;
}

}  // namespace models
}  // namespace mesh
