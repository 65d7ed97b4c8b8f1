// What both viewers draw alike. Doubles are used where the rounding points say so; each value is
// stored as a float exactly once.
#include "math/view_geometry.h"

#include <cmath>

namespace {

float toFloat(double value) {
    return static_cast<float>(value);
}

float squaredExtent(float maxValue, float minValue) {
    const float extent = toFloat(static_cast<double>(maxValue) - minValue);
    return toFloat(static_cast<double>(extent) * extent);
}

}  // namespace

float diagonalOf(float minX, float maxX, float minY, float maxY, float minZ, float maxZ) {
    const float sum = toFloat(static_cast<double>(squaredExtent(maxX, minX)) +
                              squaredExtent(maxY, minY) + squaredExtent(maxZ, minZ));
    return toFloat(std::sqrt(static_cast<double>(sum)));
}

void boxPolyline(float x0, float x1, float y0, float y1, float z0, float z1,
                 Vec4 polyline[kBoxLineCount]) {
    const Vec4 corners[kBoxLineCount] = {
        {x0, y1, z1, 1}, {x1, y1, z1, 1}, {x1, y1, z0, 1}, {x0, y1, z0, 1},
        {x0, y1, z1, 1}, {x0, y0, z1, 1}, {x1, y0, z1, 1}, {x1, y1, z1, 1},
        {x1, y0, z1, 1}, {x1, y0, z0, 1}, {x1, y1, z0, 1}, {x1, y0, z0, 1},
        {x0, y0, z0, 1}, {x0, y1, z0, 1}, {x0, y0, z0, 1}, {x0, y0, z1, 1},
    };
    for (int i = 0; i < kBoxLineCount; ++i) {
        polyline[i] = corners[i];
    }
}

// A model without size (s = 0) makes the quotient infinite or NaN: such a face gets a zero normal.
Vec4 scaledNormal(const Vec4& p0, const Vec4& p1, const Vec4& p2, float s) {
    const float d1x = p0.x - p1.x, d1y = p0.y - p1.y, d1z = p0.z - p1.z;
    const float d2x = p0.x - p2.x, d2y = p0.y - p2.y, d2z = p0.z - p2.z;
    const double sd = s;
    Vec4 n(toFloat((static_cast<double>(d1y) * d2z - static_cast<double>(d1z) * d2y) / sd),
           toFloat((static_cast<double>(d1z) * d2x - static_cast<double>(d1x) * d2z) / sd),
           toFloat((static_cast<double>(d1x) * d2y - static_cast<double>(d1y) * d2x) / sd), 1.0f);
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) {
        return Vec4(0.0f, 0.0f, 0.0f, 1.0f);
    }
    return n;
}

// The same displacement for all three corners of a face: computed once, added to each.
bool breathingOffset(const Vec4& n, float diagonal, int pulse, double offset[3]) {
    const float lengthSquared =
        toFloat(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                static_cast<double>(n.z) * n.z);
    const float length = toFloat(std::sqrt(static_cast<double>(lengthSquared)));
    const float ratio = toFloat(static_cast<double>(length) / diagonal);
    if (ratio == 0.0f || !std::isfinite(ratio)) {
        return false;
    }
    const double amount = static_cast<double>(pulse) * kPercent;
    offset[0] = (amount * n.x) / ratio;
    offset[1] = (amount * n.y) / ratio;
    offset[2] = (amount * n.z) / ratio;
    return true;
}
