// PLY text to model: header keywords, then the vertex and face sections. Each step returns
// success; the first fault found stops the parse and says what and where.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "model/model.h"
#include "model/scan_stream.h"

namespace {

constexpr int kVertexProperties = 3;  // x, y, z: anything more would shift the coordinates
constexpr int kTriangleCorners = 3;   // the only polygon size drawn

// A header token, by position in the text; never copied, so any length is safe.
struct Token {
    const char* begin = nullptr;
    std::size_t length = 0;

    bool is(const char* word) const {
        return length == std::strlen(word) && std::memcmp(begin, word, length) == 0;
    }
};

struct Cursor {
    const char* p;
    const char* end;
};

bool fail(PlyError& error, const char* format, ...) __attribute__((format(printf, 2, 3)));

bool fail(PlyError& error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.message, sizeof error.message, format, args);
    va_end(args);
    return false;
}

bool nextToken(Cursor& c, Token& token) {
    scan::skipSpace(c.p, c.end);
    token.begin = c.p;
    while (c.p < c.end && !(*c.p == ' ' || *c.p == '\n' || *c.p == '\r' || *c.p == '\t' ||
                            *c.p == '\v' || *c.p == '\f')) {
        ++c.p;
    }
    token.length = static_cast<std::size_t>(c.p - token.begin);
    return token.length > 0;
}

// The number after "vertex" or "face". A word in its place leaves the count as it was and is
// read as the next header token.
bool readCount(Cursor& c, const char* what, int capacity, int& count, PlyError& error) {
    std::int32_t value = 0;
    const char* before = c.p;
    switch (scan::readInt(c.p, c.end, value)) {
        case scan::Result::kOk:
            break;
        case scan::Result::kTooLarge:
            return fail(error, "%s count does not fit in 32 bits", what);
        default:
            c.p = before;
            return true;
    }
    if (value < 0) {
        return fail(error, "negative %s count %d", what, value);
    }
    if (value > capacity) {
        return fail(error, "%s count %d exceeds the capacity of %d", what, value, capacity);
    }
    count = value;
    return true;
}

// Counts the properties of the vertex element, which must be x, y, z alone.
struct VertexElement {
    bool open = false;
    int properties = 0;

    bool close(PlyError& error) {
        if (open && properties > kVertexProperties) {
            return fail(error, "vertex element has %d properties; only x, y, z are supported",
                        properties);
        }
        open = false;
        return true;
    }
};

bool parseHeader(Cursor& c, PlyMesh& mesh, PlyError& error) {
    Token token, previous;
    VertexElement vertexElement;
    while (nextToken(c, token)) {
        if (token.is("vertex")) {
            vertexElement.open = previous.is("element");
            vertexElement.properties = 0;
            if (!readCount(c, "vertex", kMaxVertices, mesh.vertexCount, error)) {
                return false;
            }
        } else if (token.is("face")) {
            if (!readCount(c, "face", kMaxFaces, mesh.faceCount, error)) {
                return false;
            }
        } else if (token.is("end_header")) {
            return vertexElement.close(error);
        } else if (token.is("element")) {
            if (!vertexElement.close(error)) {
                return false;
            }
        } else if (token.is("property")) {
            vertexElement.properties += vertexElement.open ? 1 : 0;
        } else if (previous.is("format") &&
                   (token.is("binary_little_endian") || token.is("binary_big_endian"))) {
            return fail(error, "binary PLY (format %.*s) is not supported",
                        static_cast<int>(token.length), token.begin);
        }
        previous = token;
    }
    return vertexElement.close(error);  // no end_header: the sections follow what was found
}

bool numberFault(scan::Result result, const char* section, int item, int count, PlyError& error) {
    if (result == scan::Result::kEnd) {
        return fail(error, "file ends in %s %d of %d", section, item, count);
    }
    return fail(error, "%s %d: expected a number", section, item);
}

// The bounding box while the vertices are read. Kept apart from the mesh, whose vertex stores
// could otherwise alias it and force it through memory on every vertex.
struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;

    void seed(float x, float y, float z) {
        minX = maxX = x;
        minY = maxY = y;
        minZ = maxZ = z;
    }

    void widen(float x, float y, float z) {
        if (x > maxX)
            maxX = x;
        if (y > maxY)
            maxY = y;
        if (z > maxZ)
            maxZ = z;
        if (x < minX)
            minX = x;
        if (y < minY)
            minY = y;
        if (z < minZ)
            minZ = z;
    }
};

bool parseVertices(scan::Stream& numbers, PlyMesh& mesh, PlyError& error) {
    Box box{mesh.minX, mesh.maxX, mesh.minY, mesh.maxY, mesh.minZ, mesh.maxZ};
    for (int i = 0; i < mesh.vertexCount; ++i) {
        float xyz[3];
        for (float& value : xyz) {
            const scan::Result result = numbers.readFloat(value);
            if (result != scan::Result::kOk) {
                return numberFault(result, "vertex", i, mesh.vertexCount, error);
            }
            if (!std::isfinite(value)) {
                return fail(error, "vertex %d: coordinate is not finite", i);
            }
        }
        if (i == 0) {
            box.seed(xyz[0], xyz[1], xyz[2]);
        }
        mesh.vertices[i] = Vec4(xyz[0], xyz[1], xyz[2], 1.0f);
        box.widen(xyz[0], xyz[1], xyz[2]);
    }
    mesh.minX = box.minX;
    mesh.maxX = box.maxX;
    mesh.minY = box.minY;
    mesh.maxY = box.maxY;
    mesh.minZ = box.minZ;
    mesh.maxZ = box.maxZ;
    return true;
}

// The vertex section in double precision, read twice: once for the box, whose centre is then
// known, and once to store each coordinate less that centre. Moves `p` past the section.
bool readCentredCoordinates(const char*& p, const char* end, PlyMesh& mesh, bool store,
                            PlyError& error) {
    double low[3] = {0, 0, 0};
    double high[3] = {0, 0, 0};
    Box box{mesh.minX, mesh.maxX, mesh.minY, mesh.maxY, mesh.minZ, mesh.maxZ};
    for (int i = 0; i < mesh.vertexCount; ++i) {
        double xyz[3];
        float stored[3];
        for (int axis = 0; axis < 3; ++axis) {
            const scan::Result result = scan::readDouble(p, end, xyz[axis]);
            if (result != scan::Result::kOk) {
                return numberFault(result, "vertex", i, mesh.vertexCount, error);
            }
            stored[axis] = static_cast<float>(xyz[axis] - mesh.centreXYZ[axis]);
            if (!std::isfinite(xyz[axis]) || (store && !std::isfinite(stored[axis]))) {
                return fail(error, "vertex %d: coordinate is not finite", i);
            }
            low[axis] = i == 0 || xyz[axis] < low[axis] ? xyz[axis] : low[axis];
            high[axis] = i == 0 || xyz[axis] > high[axis] ? xyz[axis] : high[axis];
        }
        if (store) {
            if (i == 0) {
                box.seed(stored[0], stored[1], stored[2]);
            }
            mesh.vertices[i] = Vec4(stored[0], stored[1], stored[2], 1.0f);
            box.widen(stored[0], stored[1], stored[2]);
        }
    }
    if (!store) {
        for (int axis = 0; axis < 3; ++axis) {
            mesh.centreXYZ[axis] = (low[axis] + high[axis]) / 2.0;
        }
        return true;
    }
    mesh.minX = box.minX;
    mesh.maxX = box.maxX;
    mesh.minY = box.minY;
    mesh.maxY = box.maxY;
    mesh.minZ = box.minZ;
    mesh.maxZ = box.maxZ;
    return true;
}

bool parseCentredVertices(const char*& p, const char* end, PlyMesh& mesh, PlyError& error) {
    const char* section = p;
    mesh.centreXYZ[0] = mesh.centreXYZ[1] = mesh.centreXYZ[2] = 0.0;
    if (!readCentredCoordinates(p, end, mesh, false, error)) {
        return false;
    }
    p = section;
    return readCentredCoordinates(p, end, mesh, true, error);
}

// One face record, the count and three indices, value by value: the general path, which also
// tells what is wrong with a malformed record.
bool readFaceValues(scan::Stream& numbers, std::int32_t (&values)[1 + kTriangleCorners], int f,
                    int faceCount, PlyError& error) {
    for (std::int32_t& value : values) {
        const scan::Result result = numbers.readInt(value);
        if (result == scan::Result::kTooLarge) {
            return fail(error, "face %d: number does not fit in 32 bits", f);
        }
        if (result != scan::Result::kOk) {
            return numberFault(result, "face", f, faceCount, error);
        }
    }
    return true;
}

bool parseFaces(scan::Stream& numbers, PlyMesh& mesh, PlyError& error) {
    for (int f = 0; f < mesh.faceCount; ++f) {
        std::int32_t values[1 + kTriangleCorners];
        if (!numbers.readShortInts(values) &&
            !readFaceValues(numbers, values, f, mesh.faceCount, error)) {
            return false;
        }
        if (values[0] != kTriangleCorners) {
            return fail(error, "face %d: only triangles are supported (it has %d corners)", f,
                        values[0]);
        }
        for (int k = 1; k <= kTriangleCorners; ++k) {
            if (values[k] < 0 || values[k] >= mesh.vertexCount) {
                return fail(error, "face %d: index %d outside 0..%d", f, values[k],
                            mesh.vertexCount - 1);
            }
        }
        mesh.faces[f] = FaceIndices{values[1], values[2], values[3]};
    }
    return true;
}

}  // namespace

bool parsePly(const char* text, std::size_t size, PlyMesh& mesh, PlyError& error) {
    error.message[0] = '\0';
    Cursor c{text, text + size};
    mesh.maxX = mesh.maxY = mesh.maxZ = kBoxResetMax;
    mesh.minX = mesh.minY = mesh.minZ = kBoxResetMin;
    if (!parseHeader(c, mesh, error)) {
        return false;
    }
    if (mesh.centre) {
        if (!parseCentredVertices(c.p, c.end, mesh, error)) {
            return false;
        }
        scan::Stream numbers(c.p, c.end);
        return parseFaces(numbers, mesh, error);
    }
    mesh.centreXYZ[0] = mesh.centreXYZ[1] = mesh.centreXYZ[2] = 0.0;
    scan::Stream numbers(c.p, c.end);
    return parseVertices(numbers, mesh, error) && parseFaces(numbers, mesh, error);
}
