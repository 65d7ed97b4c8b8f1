// Mesh assembly: indexed model to flat per-corner arrays, every frame from scratch, so neither
// breathing nor centring accumulates. Doubles are used where the rounding points say so; each
// value is stored as a float exactly once.
#include <cmath>

#include "render/render.h"

namespace {

float toFloat(double value) {
    return static_cast<float>(value);
}

float squaredExtent(float maxValue, float minValue) {
    const float extent = toFloat(static_cast<double>(maxValue) - minValue);
    return toFloat(static_cast<double>(extent) * extent);
}

float centroidCoordinate(float a, float b, float c) {
    return toFloat((static_cast<double>(a) + b + c) / 3.0);
}

void assembleFace(int f, float s) {
    const FaceIndices& face = faces[f];
    const Vec4& p0 = points[3 * f] = vertices[face.v1];
    const Vec4& p1 = points[3 * f + 1] = vertices[face.v2];
    const Vec4& p2 = points[3 * f + 2] = vertices[face.v3];
    colors[3 * f] = colors[3 * f + 1] = colors[3 * f + 2] = kMeshColor;
    const Vec4 n = faceNormals[f] = scaledNormal(p0, p1, p2, s);
    const Vec4 c(centroidCoordinate(p0.x, p1.x, p2.x), centroidCoordinate(p0.y, p1.y, p2.y),
                 centroidCoordinate(p0.z, p1.z, p2.z), 1.0f);
    normalLines[2 * f] = c;
    normalLines[2 * f + 1] = Vec4(c.x + n.x, c.y + n.y, c.z + n.z, 1.0f);
}

// Moves the three corners of face f by pulse percent of D along the face's unit normal. A face
// without a direction (zero normal) or a model without size stays where it is.
void displaceFace(int f, float diagonal) {
    double offset[3];
    if (!breathingOffset(faceNormals[f], diagonal, pulse, offset)) {
        return;
    }
    for (int k = 0; k < 3; ++k) {
        Vec4& p = points[3 * f + k];
        p.x = toFloat(static_cast<double>(p.x) + offset[0]);
        p.y = toFloat(static_cast<double>(p.y) + offset[1]);
        p.z = toFloat(static_cast<double>(p.z) + offset[2]);
    }
}

float boxCentre(float maxValue, float minValue) {
    return toFloat((static_cast<double>(maxValue) + minValue) / 2.0);
}

}  // namespace

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

float boxDiagonal() {
    const float sum = toFloat(static_cast<double>(squaredExtent(maxX, minX)) +
                              squaredExtent(maxY, minY) + squaredExtent(maxZ, minZ));
    return toFloat(std::sqrt(static_cast<double>(sum)));
}

void assembleMesh() {
    // D depends only on the bounds, so it is the same for every face of the call.
    const float diagonal = boxDiagonal();
    const float s = toFloat(static_cast<double>(diagonal) / kNormalScaleDivisor);
    for (int f = 0; f < faceCount; ++f) {
        assembleFace(f, s);
    }
    if (pulse != 0) {
        for (int f = 0; f < faceCount; ++f) {
            displaceFace(f, diagonal);
        }
    }
    if (tourMode == 1) {
        centerMesh();
    }
}

void centerMesh() {
    centerX = boxCentre(maxX, minX);
    centerZ = boxCentre(maxZ, minZ);
    offsetX = centerX;
    for (int i = 0; i < 3 * faceCount; ++i) {
        points[i].x -= centerX;
        points[i].z -= centerZ;
    }
    for (int i = 0; i < 2 * faceCount; ++i) {
        normalLines[i].x -= centerX;
        normalLines[i].z -= centerZ;
    }
}
