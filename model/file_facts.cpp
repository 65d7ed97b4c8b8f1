// The facts of a PLY file: its header as declared, then one lean pass over its body
// (file_walk.cpp). A body the pass cannot take whole goes through the viewer's own reader, so a
// refusal is worded exactly as the viewer words it.
#include "model/file_facts.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

#include "model/file_io.h"
#include "model/file_model.h"
#include "model/file_walk.h"
#include "model/splat_read.h"

namespace {

using ply::ColourSource;

constexpr std::string_view kCommentWord = "comment";
constexpr std::string_view kObjInfoWord = "obj_info";
constexpr const char* kBlanks = " \t\r\v\f";
constexpr int kAxes = ply::kBoxAxes;

const char* formatName(ply::Format format) {
    switch (format) {
        case ply::Format::kAscii:
            return "ascii";
        case ply::Format::kBinaryLittleEndian:
            return "binary_little_endian";
        default:
            return "binary_big_endian";
    }
}

// The text after `word` on a header line that starts with it, blanks around it taken off.
bool lineText(std::string_view line, std::string_view word, std::string& text) {
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || line.compare(start, word.size(), word) != 0) {
        return false;
    }
    std::string_view rest = line.substr(start + word.size());
    if (!rest.empty() && std::strchr(kBlanks, rest.front()) == nullptr) {
        return false;  // "commentary" is another word
    }
    const std::size_t first = rest.find_first_not_of(kBlanks);
    const std::size_t last = rest.find_last_not_of(kBlanks);
    text = first == std::string_view::npos ? "" : std::string(rest.substr(first, last - first + 1));
    return true;
}

// The comment and obj_info lines of the header, which the header reader passes over.
void takeCommentLines(std::string_view header, FileFacts& facts) {
    while (!header.empty()) {
        const std::size_t end = header.find('\n');
        const std::string_view line = header.substr(0, end);
        header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
        std::string text;
        if (lineText(line, kCommentWord, text)) {
            facts.comments.push_back(text);
        } else if (lineText(line, kObjInfoWord, text)) {
            facts.objInfo.push_back(text);
        }
    }
}

void takeDeclarations(const ply::Header& header, FileFacts& facts) {
    facts.format = formatName(header.format);
    for (const ply::Element& element : header.elements) {
        ElementFacts out{std::string(element.name), element.count, {}};
        for (int k = 0; k < element.propertyCount; ++k) {
            const ply::Property& property = header.property(element, k);
            out.properties.push_back({std::string(property.name), ply::typeName(property.type),
                                      property.list,
                                      property.list ? ply::typeName(property.countType) : ""});
        }
        facts.elements.push_back(std::move(out));
    }
}

// How the kept colour is read: "uchar 0..255", "float 0..1", "ushort 0..65535", "f_dc splat".
std::string colourEncoding(const ply::AttributePlan& plan, bool floats255, bool wideIntegers) {
    const ply::Type type = plan.colourType[0];
    switch (plan.colours) {
        case ColourSource::kBytes:
            return "uchar 0..255";
        case ColourSource::kSplat:
            return "f_dc splat";
        case ColourSource::kScaled:
            if (!ply::isInteger(type)) {
                return std::string(ply::typeName(type)) + (floats255 ? " 0..255" : " 0..1");
            }
            return std::string(ply::typeName(type)) + " 0.." +
                   std::to_string(wideIntegers ? ply::kTypeHighest[static_cast<int>(type)]
                                               : static_cast<std::int64_t>(ply::kFullLevel));
        default:
            return "";
    }
}

// What the viewer shows, from the lean pass.
void takeCounts(const ply::BodyCounts& counts, FileFacts& facts) {
    facts.hasBox = counts.anyVertex;
    for (int a = 0; a < kAxes; ++a) {
        facts.min[a] = counts.low[a];
        facts.max[a] = counts.high[a];
    }
    facts.vertices = static_cast<std::uint64_t>(counts.vertices);
    facts.faces = static_cast<std::uint64_t>(counts.faces);
    facts.triangles = static_cast<std::uint64_t>(counts.triangles);
    facts.facesLeftOut = static_cast<std::uint64_t>(counts.shortFaces);
    const bool vertexColours =
        counts.vertexPlan.colours != ColourSource::kNone && counts.vertices > 0;
    // Face colours are kept only when every triangle has one.
    const bool faceColours = !vertexColours && counts.facePlan.colours != ColourSource::kNone &&
                             counts.triangles > 0 && counts.colouredTriangles == counts.triangles;
    const ply::AttributePlan& kept = vertexColours ? counts.vertexPlan : counts.facePlan;
    facts.coloursFrom = vertexColours ? "vertices" : faceColours ? "faces" : "none";
    if (vertexColours || faceColours) {
        facts.colourEncoding = colourEncoding(kept, counts.largestFloat > ply::kUnitTop,
                                              counts.largestInteger > ply::kByteTop);
    }
    facts.splats = vertexColours && counts.vertexPlan.colours == ColourSource::kSplat;
    facts.normalsFrom = counts.vertexPlan.keepsNormals() && counts.vertices > 0 ? "file"
                        : counts.triangles > 0                                  ? "computed"
                                                                                : "none";
}

// Whether the coordinates less the centre of their box stay floats, as the viewer needs.
bool fitsFloats(const ply::BodyCounts& counts) {
    for (int a = 0; a < kAxes; ++a) {
        const double centre = (counts.low[a] + counts.high[a]) / 2.0;
        if (!std::isfinite(static_cast<float>(counts.high[a] - centre)) ||
            !std::isfinite(static_cast<float>(counts.low[a] - centre))) {
            return false;
        }
    }
    return true;
}

// The viewer's own reader decides a body the lean pass could not take.
void askTheReader(const char* text, std::size_t size, FileFacts& facts) {
    FileModel model;
    PlyError error;
    if (!parseFileModel(text, size, model, error)) {
        facts.refused = true;
        facts.reason = error.message;
        return;
    }
    // Taken by the reader after all (a form the pass leaves to it): its counts, its box.
    const PlyNotes& notes = model.notes;
    facts.vertices = static_cast<std::uint64_t>(notes.fileVertices);
    facts.triangles = static_cast<std::uint64_t>(notes.fileTriangles);
    facts.facesLeftOut = static_cast<std::uint64_t>(notes.shortFaces);
    facts.hasBox = model.vertexCount() > 0;
    const float low[kAxes] = {model.minX, model.minY, model.minZ};
    const float high[kAxes] = {model.maxX, model.maxY, model.maxZ};
    for (int a = 0; a < kAxes && facts.hasBox; ++a) {
        facts.min[a] = model.centre[a] + low[a];
        facts.max[a] = model.centre[a] + high[a];
    }
    facts.normalsFrom = !model.normals.empty() ? "file" : facts.triangles > 0 ? "computed" : "none";
    facts.coloursFrom = !model.colours.empty()       ? "vertices"
                        : !model.faceColours.empty() ? "faces"
                                                     : "none";
    facts.splats = notes.splats;
    facts.splatCount = model.splats.count();
    facts.splatDegree = model.splats.degree;
    facts.splatsLeftOut = static_cast<std::uint64_t>(model.splats.leftOut);
    if (!model.splats.empty()) {
        facts.colourEncoding = "f_dc splat";
    }
}

}  // namespace

namespace ply {

void describeText(const char* text, std::size_t size, FileFacts& facts) {
    Header header;
    PlyError error;
    if (!readHeader(text, size, header, error)) {
        facts.refused = true;
        facts.reason = error.message;
        return;
    }
    takeDeclarations(header, facts);
    takeCommentLines(std::string_view(text, header.bodyOffset), facts);
    measuredPropertyNames(text, header.bodyOffset, facts.measured);
    BodyCounts counts;
    for (const Element& element : header.elements) {
        facts.faces += element.name == "face" ? static_cast<std::uint64_t>(element.count) : 0;
    }
    // Splats left out are found only by the reader's own look at each splat.
    if (!isSplatFile(header) && walkBody(text, size, header, counts) && fitsFloats(counts)) {
        takeCounts(counts, facts);
        return;
    }
    askTheReader(text, size, facts);
}

}  // namespace ply

FileFacts describeFile(const std::string& path) {
    FileFacts facts;
    facts.path = path;
    std::unique_ptr<char[]> text;
    std::size_t size = 0;
    if (!readWholeFile(path, text, size, facts.reason)) {
        facts.refused = true;
        return facts;
    }
    ply::describeText(text.get(), size, facts);
    return facts;
}
