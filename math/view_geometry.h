// What both viewers draw alike, to the bit: the box outline, the normal segments and the
// breathing displacement, computed in the same precision with the same rounding points, and
// the colours of the wireframe and the overlays.
#pragma once

#include "math/linalg.h"

// ===== Constants =====

constexpr int kBoxLineCount = 16;             // polyline through all twelve box edges
constexpr double kNormalScaleDivisor = 20.0;  // normals are |n| * 20 / diagonal long
constexpr double kPercent = 0.01;             // breathing amount is in percent

constexpr Vec4 kMeshColor{0.0f, 1.0f, 0.0f, 1.0f};    // green wireframe
constexpr Vec4 kNormalColor{1.0f, 0.0f, 0.0f, 1.0f};  // red normal segments
constexpr Vec4 kBoxColor{0.0f, 0.0f, 1.0f, 1.0f};     // blue bounding box

// ===== Geometry =====

// The polyline through all twelve edges of the box, as the box overlay draws it.
void boxPolyline(float x0, float x1, float y0, float y1, float z0, float z1,
                 Vec4 polyline[kBoxLineCount]);

// The normal of the corner order p0, p1, p2 divided by s = D / 20, the normal overlay's segment;
// a zero normal (w = 1) where the quotient is not finite (a model without size).
Vec4 scaledNormal(const Vec4& p0, const Vec4& p1, const Vec4& p2, float s);

// The breathing displacement of a face with scaled normal n: `pulse` percent of the diagonal D
// along the face's direction, in double. False when the face does not move (no direction, or a
// model without size).
bool breathingOffset(const Vec4& n, float diagonal, int pulse, double offset[3]);

// The diagonal of the box, D: the square root of the sum of the squared extents, each rounded to
// a float where the overlays and the breathing round it.
float diagonalOf(float minX, float maxX, float minY, float maxY, float minZ, float maxZ);
