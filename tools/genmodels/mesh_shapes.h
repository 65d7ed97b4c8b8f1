// Primitive makers of the model generator. Every primitive is a closed surface whose triangles
// run counter-clockwise seen from outside, so any union of them, however moved, encloses a
// positive volume and its face normals point outwards.
#pragma once

#include <vector>

#include "tools/genmodels/mesh.h"

namespace mesh {

// ===== Building blocks =====

struct V2 {
    double u = 0, v = 0;
};

// A closed loop of points; a single point stands for a pole.
using Ring = std::vector<V3>;

// Joins consecutive rings of equal size with quads. Walking along a ring and then on to the
// next ring must turn outwards by the right-hand rule. An open stack (loop false) ends in
// poles (rings of one point) or in flat caps fanned from the ring's centroid; a looped stack
// joins the last ring back to the first.
Mesh stitch(const std::vector<Ring>& rings, bool loop);

// ===== Surfaces of revolution about the y axis =====

// `profile` gives (radius, height) points running counter-clockwise in the (r, y) half-plane:
// outside from bottom to top, inside back down. A radius of 0 is a pole on the axis. With
// `loop` the profile is a closed curve and the surface a ring torus of any cross-section.
Mesh lathe(const std::vector<V2>& profile, int sides, bool loop = false, double phaseDeg = 0);

Mesh sphere(int slices, int stacks);                   // radius 1 about the origin
Mesh cylinder(int sides);                              // radius 1, y from 0 to 1
Mesh frustum(int sides, double bottom, double top);    // radii at y 0 and y 1; top 0: cone
Mesh torus(int around, int across, double thickness);  // centre circle of radius 1 in xz
Mesh box();                                            // the cube from -1 to 1 on every axis

// ===== Extrusions and lofts along z =====

// An outline counter-clockwise in the xy plane, star-shaped about its centroid, extruded from
// z = -depth/2 to +depth/2.
Mesh prismZ(const std::vector<V2>& outline, double depth);

// An elliptic cross-section (cx + rx cos t, cy + ry sin t) at height z; a larger `power` makes
// it a superellipse, squarer towards a rectangle. A section with both radii 0 ends the loft in
// a point.
struct Section {
    double z, cx, cy, rx, ry;
    double power = 2;
};

// Cross-sections joined in order of increasing z; the open ends are capped.
Mesh loftZ(const std::vector<Section>& sections, int sides);

// ===== Tubes along curves =====

// A round tube along `path` (at least two points) with a radius per point, framed by parallel
// transport so it does not twist; both ends are capped.
Mesh tube(const std::vector<V3>& path, const std::vector<double>& radii, int sides);
Mesh tube(const std::vector<V3>& path, double radius, int sides);

// A straight rod from a to b, radius ra at a and rb at b (rb 0: a cone with its tip at b).
Mesh strut(V3 a, V3 b, double ra, double rb, int sides);
inline Mesh strut(V3 a, V3 b, double radius, int sides) {
    return strut(a, b, radius, radius, sides);
}

// Points on a circular arc in the xy plane, angles in degrees from the +x axis.
std::vector<V3> arcXY(V3 centre, double radius, double fromDeg, double toDeg, int steps);

}  // namespace mesh
