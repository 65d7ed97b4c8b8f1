// Mesh assembly: indexed model to flat per-corner arrays, every frame from scratch, so neither
// breathing nor centring accumulates. Doubles are used where the rounding points say so; each
// value is stored as a float exactly once.
#include "render/render.h"

namespace {

float toFloat(double value) {
    return static_cast<float>(value);
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

float boxDiagonal() {
    return diagonalOf(minX, maxX, minY, maxY, minZ, maxZ);
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
