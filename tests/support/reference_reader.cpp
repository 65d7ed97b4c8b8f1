// The reference reader: fopen in text mode, a header loop over "%s" tokens, then "%f %f %f" per
// vertex and "%d %d %d %d " per face, with the first vertex seeding the bounding box.
#include "support/reference_reader.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kTokenSize = 256;  // header token buffer; the read is bounded to 255

// The straightforward loop does not look at how many values a read converted.
void ignoreShortRead(int /*converted*/) {}

void readHeader(std::FILE* file, ReferenceModel& model) {
    char line[kTokenSize];
    while (!std::feof(file)) {
        std::memset(line, 0, sizeof line);
        // Nothing read leaves line empty; it matches no keyword and the end test ends the loop.
        ignoreShortRead(std::fscanf(file, "%255s", line));
        // A word where the count should be leaves the count as it was.
        if (std::strcmp(line, "vertex") == 0) {
            ignoreShortRead(std::fscanf(file, "%d", &model.vertexCount));
        } else if (std::strcmp(line, "face") == 0) {
            ignoreShortRead(std::fscanf(file, "%d", &model.faceCount));
        } else if (std::strcmp(line, "end_header") == 0) {
            break;
        }
    }
}

void widen(ReferenceModel& model, float x, float y, float z) {
    if (x > model.maxX)
        model.maxX = x;
    if (y > model.maxY)
        model.maxY = y;
    if (z > model.maxZ)
        model.maxZ = z;
    if (x < model.minX)
        model.minX = x;
    if (y < model.minY)
        model.minY = y;
    if (z < model.minZ)
        model.minZ = z;
}

void readVertices(std::FILE* file, ReferenceModel& model) {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    for (int i = 0; i < model.vertexCount; ++i) {
        // A short read keeps the previous vertex's values.
        ignoreShortRead(std::fscanf(file, "%f %f %f", &x, &y, &z));
        if (i == 0) {
            model.minX = model.maxX = x;
            model.minY = model.maxY = y;
            model.minZ = model.maxZ = z;
        }
        model.vertices[i] = Vec4(x, y, z, 1.0f);
        widen(model, x, y, z);
    }
}

void readFaces(std::FILE* file, ReferenceModel& model) {
    int lineNum = 0, vertex1 = 0, vertex2 = 0, vertex3 = 0;
    for (int f = 0; f < model.faceCount; ++f) {
        ignoreShortRead(std::fscanf(file, "%d %d %d %d ", &lineNum, &vertex1, &vertex2, &vertex3));
        model.faces[f] = FaceIndices{vertex1, vertex2, vertex3};
    }
}

}  // namespace

bool referenceRead(const char* path, ReferenceModel& model) {
    model.maxX = model.maxY = model.maxZ = kBoxResetMax;
    model.minX = model.minY = model.minZ = kBoxResetMin;
    std::FILE* file = std::fopen(path, "rt");
    if (file == nullptr) {
        return false;
    }
    readHeader(file, model);
    const bool fits = model.vertexCount <= kMaxVertices && model.faceCount <= kMaxFaces;
    if (fits) {
        readVertices(file, model);
        readFaces(file, model);
    }
    std::fclose(file);
    return fits;
}
