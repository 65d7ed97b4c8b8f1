// Fuzz target: the PLY reader's parsePly on arbitrary bytes, ASCII and binary, with the
// invariants of invariants.h checked after every run, accepted or refused. The same text
// followed by blanks must then parse to the same result, for text bodies: blanks add no token,
// but they decide whether the number readers have room for their wide fast paths, so this
// compares the fast readers with the general ones on the same numbers. The general reader then
// reads the body with normals and colours off and kept, which must change nothing else.
//
// Input layout: the first four bytes are the counts the arrays' owner held before the parse
// (two little-endian 16-bit values, taken modulo the capacities plus one); the rest is the PLY
// file. In a PLY file the magic line "ply\n" fills
// those four bytes, so model files serve as seeds unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "invariants.h"
#include "model/model.h"
#include "model/ply_format.h"

namespace {

// ===== Constants =====

constexpr std::size_t kCountBytes = 4;        // prefix holding the counts before the parse
constexpr std::size_t kTrailingBlanks = 128;  // more than any fast path of the readers looks ahead

// ===== Globals =====
// Separate globals, not fields of one struct, so that AddressSanitizer puts a guard zone after
// each array and sees an overrun from one into the next.

Vec4 fuzzVertices[kMaxVertices];     // the vertices a parse fills; the sentinel everywhere else
FaceIndices fuzzFaces[kMaxFaces];    // the faces a parse fills; the sentinel everywhere else
bool sentinelWritten = false;        // both arrays have held the sentinel throughout once
Vec4 paddedVertices[kMaxVertices];   // the vertices of the parse with trailing blanks
FaceIndices paddedFaces[kMaxFaces];  // the faces of the parse with trailing blanks

// ===== Input =====

int littleEndian16(const std::uint8_t* data, std::size_t size, std::size_t at) {
    const int low = at < size ? data[at] : 0;
    const int high = at + 1 < size ? data[at + 1] : 0;
    return low | high << 8;
}

PlyMesh meshWithPriorCounts(const std::uint8_t* data, std::size_t size, Vec4* vertices,
                            FaceIndices* faces) {
    PlyMesh mesh;
    mesh.vertexCount = littleEndian16(data, size, 0) % (kMaxVertices + 1);
    mesh.faceCount = littleEndian16(data, size, 2) % (kMaxFaces + 1);
    mesh.vertices = vertices;
    mesh.faces = faces;
    return mesh;
}

// ===== Checks after a run =====

// After a refusal, elements beyond the counts (the last ones the header set) must still hold
// the sentinel: nothing beyond what the file declared was written. An accepted parse may have
// staged more before the general reader took over (a polygon met by the subset reader), and
// its tails are garbage by contract; all of it is put back to the sentinel. Counts outside the
// capacities leave nothing to check, and the whole arrays are put back.
void checkAndRestoreTails(const PlyMesh& mesh, bool accepted) {
    const bool vertexCountValid = mesh.vertexCount >= 0 && mesh.vertexCount <= kMaxVertices;
    const bool faceCountValid = mesh.faceCount >= 0 && mesh.faceCount <= kMaxFaces;
    const int vertexEnd = vertexCountValid && !accepted ? mesh.vertexCount : kMaxVertices;
    const int faceEnd = faceCountValid && !accepted ? mesh.faceCount : kMaxFaces;
    if (!accepted) {
        fuzz::expectSentinel(fuzzVertices, vertexEnd, kMaxVertices, "refused");
        fuzz::expectSentinel(fuzzFaces, faceEnd, kMaxFaces, "refused");
    }
    fuzz::fillSentinel(fuzzVertices, 0, vertexEnd);
    fuzz::fillSentinel(fuzzFaces, 0, faceEnd);
}

// Whether the header declares a text body: blanks after a binary body are bytes that may
// complete it, so only a text file must read the same with blanks after it.
bool declaresText(const char* text, std::size_t size) {
    static ply::Header header;
    PlyError ignored;
    return !ply::readHeader(text, size, header, ignored) || header.format == ply::Format::kAscii;
}

// Parses the text again with blanks after it and expects the same outcome: the same message,
// and after an acceptance the same counts, box and elements, bit for bit.
void expectSameWithTrailingBlanks(const std::uint8_t* data, std::size_t size, bool accepted,
                                  const PlyMesh& mesh, const PlyError& error) {
    const std::size_t skip = std::min(size, kCountBytes);
    std::vector<char> padded(data + skip, data + size);
    padded.insert(padded.end(), kTrailingBlanks, ' ');
    PlyMesh again = meshWithPriorCounts(data, size, paddedVertices, paddedFaces);
    PlyError againError;
    const bool againAccepted = parsePly(padded.data(), padded.size(), again, againError);
    if (againAccepted != accepted || std::strcmp(againError.message, error.message) != 0) {
        fuzz::broken("with trailing blanks: \"%s\", without: \"%s\"", againError.message,
                     error.message);
    }
    if (!accepted) {
        return;
    }
    if (again.vertexCount != mesh.vertexCount || again.faceCount != mesh.faceCount) {
        fuzz::broken("with trailing blanks the counts differ");
    }
    const fuzz::Box box = fuzz::boxOf(mesh);
    const fuzz::Box againBox = fuzz::boxOf(again);
    fuzz::expectSameBytes(againBox.data(), box.data(), sizeof box, "the box with trailing blanks");
    fuzz::expectSameBytes(paddedVertices, fuzzVertices,
                          sizeof(Vec4) * static_cast<std::size_t>(mesh.vertexCount),
                          "the vertices with trailing blanks");
    fuzz::expectSameBytes(paddedFaces, fuzzFaces,
                          sizeof(FaceIndices) * static_cast<std::size_t>(mesh.faceCount),
                          "the faces with trailing blanks");
}

// Reads the body as the file viewer does, splat files as splats: the splats well-formed, their
// centres (in double) one per splat kept.
void expectValidSplatRead(const char* text, std::size_t size, const ply::Header& header) {
    static ply::Geometry splats;
    ply::BodyOptions options;
    options.attributes = options.splats = options.wide = true;
    PlyError error;
    if (!ply::readBody(text, size, header, options, splats, error)) {
        fuzz::expectMessage(error, false);
        return;
    }
    fuzz::expectValidSplats(splats.splatModel, splats.positions.size() / fuzz::kAxes);
}

// Reads the body with attributes off and on: the same outcome and message, the same positions,
// triangles and short faces, nothing kept with them off and well-formed attributes with them on.
void expectSameWithAttributes(const char* text, std::size_t size) {
    static ply::Header header;
    static ply::Geometry plain;
    static ply::Geometry kept;
    PlyError plainError;
    PlyError keptError;
    if (!ply::readHeader(text, size, header, plainError)) {
        return;
    }
    ply::BodyOptions attributes;
    attributes.attributes = true;
    const bool plainRead = ply::readBody(text, size, header, ply::BodyOptions{}, plain, plainError);
    const bool keptRead = ply::readBody(text, size, header, attributes, kept, keptError);
    if (plainRead != keptRead || std::strcmp(plainError.message, keptError.message) != 0) {
        fuzz::broken("with attributes: \"%s\", without: \"%s\"", keptError.message,
                     plainError.message);
    }
    if (!plain.normals.empty() || !plain.colours.empty() || !plain.faceColours.empty() ||
        !plain.properties.empty()) {
        fuzz::broken("attributes kept when they were not asked for");
    }
    if (!keptRead) {
        return;
    }
    if (kept.positions.size() != plain.positions.size() ||
        kept.corners.size() != plain.corners.size() || kept.shortFaces != plain.shortFaces) {
        fuzz::broken("keeping attributes changed the counts");
    }
    fuzz::expectSameBytes(kept.positions.data(), plain.positions.data(),
                          sizeof(double) * plain.positions.size(), "the positions with attributes");
    fuzz::expectSameBytes(kept.corners.data(), plain.corners.data(),
                          sizeof(std::uint32_t) * plain.corners.size(),
                          "the triangles with attributes");
    fuzz::expectValidAttributes(kept);
    expectValidSplatRead(text, size, header);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!sentinelWritten) {
        fuzz::fillSentinel(fuzzVertices, 0, kMaxVertices);
        fuzz::fillSentinel(fuzzFaces, 0, kMaxFaces);
        sentinelWritten = true;
    }
    PlyMesh mesh = meshWithPriorCounts(data, size, fuzzVertices, fuzzFaces);
    const std::size_t skip = std::min(size, kCountBytes);
    PlyError error;
    const bool accepted =
        parsePly(reinterpret_cast<const char*>(data) + skip, size - skip, mesh, error);
    if (mesh.vertices != fuzzVertices || mesh.faces != fuzzFaces) {
        fuzz::broken("the parse replaced the caller's arrays");
    }
    fuzz::expectMessage(error, accepted);
    if (accepted) {
        fuzz::expectValidMesh(mesh);
    }
    if (declaresText(reinterpret_cast<const char*>(data) + skip, size - skip)) {
        expectSameWithTrailingBlanks(data, size, accepted, mesh, error);
    }
    checkAndRestoreTails(mesh, accepted);
    // The attribute check needs no prior counts, so it also takes the input whole: model files
    // and writer seeds, whose "ply" line the count prefix swallows, reach it unchanged.
    const char* text = reinterpret_cast<const char*>(data);
    expectSameWithAttributes(text + skip, size - skip);
    expectSameWithAttributes(text, size);
    return 0;
}
