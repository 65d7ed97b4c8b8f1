// PLY to model. The header, read line by line, chooses the reader: files of the plain ASCII
// triangle form go to the subset reader below (header keywords as tokens, then the vertex and
// face sections), every other layout to the general reader. Each step returns success; the
// first fault found stops the parse and says what and where.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "model/fixed_reader.h"
#include "model/ply_format.h"
#include "model/scan_stream.h"

namespace {

using ply::fail;

constexpr int kTriangleCorners = 3;  // the only polygon size the subset reader takes

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

// The header's tokens: the counts after "vertex" and "face" wherever they stand, up to the
// word end_header. The line-by-line reading has already chosen this reader, so format and
// properties need no more checks here.
bool parseHeader(Cursor& c, PlyMesh& mesh, PlyError& error) {
    Token token;
    while (nextToken(c, token)) {
        if (token.is("vertex")) {
            if (!readCount(c, "vertex", kMaxVertices, mesh.vertexCount, error)) {
                return false;
            }
        } else if (token.is("face")) {
            if (!readCount(c, "face", kMaxFaces, mesh.faceCount, error)) {
                return false;
            }
        } else if (token.is("end_header")) {
            return true;
        }
    }
    return true;
}

bool numberFault(scan::Result result, const char* section, int item, int count, PlyError& error) {
    if (result == scan::Result::kEnd) {
        return fail(error, "file ends in %s %d of %d", section, item, count);
    }
    return fail(error, "%s %d: expected a number", section, item);
}

bool parseVertices(scan::Stream& numbers, PlyMesh& mesh, PlyError& error) {
    ply::Box box{mesh.minX, mesh.maxX, mesh.minY, mesh.maxY, mesh.minZ, mesh.maxZ};
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
    box.into(mesh);
    return true;
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

bool parseFaces(scan::Stream& numbers, PlyMesh& mesh, PlyError& error, bool& polygonMet) {
    for (int f = 0; f < mesh.faceCount; ++f) {
        std::int32_t values[1 + kTriangleCorners];
        if (!numbers.readShortInts(values) &&
            !readFaceValues(numbers, values, f, mesh.faceCount, error)) {
            return false;
        }
        if (values[0] != kTriangleCorners) {
            polygonMet = true;
            return false;
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

namespace ply {

PlainOutcome parsePlainText(const char* text, std::size_t size, std::size_t bodyOffset,
                            PlyMesh& mesh, PlyError& error) {
    Cursor c{text, text + size};
    mesh.maxX = mesh.maxY = mesh.maxZ = kBoxResetMax;
    mesh.minX = mesh.minY = mesh.minZ = kBoxResetMin;
    if (!parseHeader(c, mesh, error)) {
        return PlainOutcome::kRefused;
    }
    const char* lineBody = text + bodyOffset;
    scan::skipSpace(c.p, c.end);
    scan::skipSpace(lineBody, c.end);
    if (c.p != lineBody) {
        return PlainOutcome::kNotPlain;  // the word end_header stood in a comment
    }
    scan::Stream numbers(c.p, c.end);
    bool polygonMet = false;
    if (parseVertices(numbers, mesh, error) && parseFaces(numbers, mesh, error, polygonMet)) {
        return PlainOutcome::kRead;
    }
    return polygonMet ? PlainOutcome::kNotPlain : PlainOutcome::kRefused;
}

}  // namespace ply

bool parsePly(const char* text, std::size_t size, PlyMesh& mesh, PlyError& error) {
    error.message[0] = '\0';
    mesh.notes = PlyNotes{};
    mesh.centreXYZ[0] = mesh.centreXYZ[1] = mesh.centreXYZ[2] = 0.0;
    static ply::Header header;  // reused, so its lists keep their room
    if (!ply::readHeader(text, size, header, error)) {
        return false;
    }
    if (!mesh.centre && ply::isPlainTriangleForm(header)) {
        switch (ply::parsePlainText(text, size, header.bodyOffset, mesh, error)) {
            case ply::PlainOutcome::kRead:
                mesh.notes.fileVertices = mesh.vertexCount;
                mesh.notes.fileTriangles = mesh.faceCount;
                mesh.notes.pointCloud = mesh.faceCount == 0 && mesh.vertexCount > 0;
                return true;
            case ply::PlainOutcome::kRefused:
                return false;
            case ply::PlainOutcome::kNotPlain:
                break;
        }
    }
    static ply::Geometry geometry;  // reused, so its lists keep their room
    ply::BodyOptions options;
    options.wide = mesh.centre;
    return ply::readBody(text, size, header, options, geometry, error) &&
           ply::fitToStore(geometry, mesh, error);
}
