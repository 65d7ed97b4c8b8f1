// The catalogue's models: one maker per catalogue entry, each a few combined primitives, plus the
// small helpers that several makers share.
#pragma once

#include <string>
#include <vector>

#include "tools/genmodels/mesh_shapes.h"

namespace mesh {

// ===== Lookup =====

using ModelMaker = Mesh (*)();

// The maker for catalogue entry `index` (the file modelFiles[index]), or nullptr outside 0..42.
ModelMaker modelMaker(int index);

// ===== Shared helpers =====

// Maps the y axis of lathes and struts onto +x, and z of lofts and extrusions onto +x or +y.
Xf yToX();
Xf zToX();
Xf zToY();

// Adds `part` moved by `xf` and its mirror image across the plane z = 0.
void addPair(Mesh& m, const Mesh& part, const Xf& xf);

// Points of the cubic Bezier curve with control points p0..p3, steps + 1 of them.
std::vector<V3> bezier(V3 p0, V3 p1, V3 p2, V3 p3, int steps);

// Radii changing evenly from `from` to `to` over `count` (at least two) points.
std::vector<double> taper(double from, double to, std::size_t count);

// A counter-clockwise ellipse outline for prismZ.
std::vector<V2> ellipseOutline(double cx, double cy, double rx, double ry, int points);

// A tyre and hub of outer radius `radius` and `width`, axis along z, centred at the origin.
Mesh wheel(double radius, double width, int around, int across);

// Superellipse cross-sections for car bodies: (z = position along the car, top, bottom, half
// width) rows, sampled into loftZ sections with the given squareness.
struct BodyRow {
    double at, top, bottom, halfWidth;
};
Mesh carBody(const std::vector<BodyRow>& rows, int sides, double squareness);

// ===== Makers, grouped by file =====

namespace models {

// mesh_models_craft.cpp: aircraft, ships and vehicles
Mesh airplane();
Mesh f16();
Mesh chopper();
Mesh hind();
Mesh saratoga();
Mesh galleon();
Mesh pickupBig();
Mesh bigDodge();
Mesh bigPorsche();

// mesh_models_life.cpp: animals, plants and bones
Mesh cow();
Mesh shark();
Mesh hammerhead();
Mesh dolphins();
Mesh egret();
Mesh ant();
Mesh bigSpider();
Mesh apple();
Mesh pumpkin();
Mesh footbones();
Mesh fracttree();
Mesh stonebust();

// mesh_models_home.cpp: household things
Mesh mug();
Mesh teapot();
Mesh trashcan();
Mesh urn();
Mesh ketchup();
Mesh candlestick();
Mesh kerolamp();
Mesh sandal();
Mesh tennisShoe();
Mesh scissors();
Mesh walkman();
Mesh balance();

// mesh_models_works.cpp: machines, instruments and structures
Mesh pump();
Mesh steeringWheel();
Mesh stratocaster();
Mesh streetLamp();
Mesh tommygun();
Mesh turbine();
Mesh part();
Mesh helix();
Mesh weathervane();
Mesh bigAtc();

}  // namespace models

}  // namespace mesh
