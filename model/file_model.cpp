// Models at the file's own size: the general reader's geometry kept whole, coordinates centred
// in double before they become floats, and an estimate of the memory a file takes to show.
#include "model/file_model.h"

#include <algorithm>
#include <cmath>

#include "model/ply_attributes.h"
#include "model/ply_format.h"

namespace {

// ===== Constants =====

// Bytes per vertex and per triangle at the two peaks of showing a file. While it is parsed: the
// coordinates in double, then as floats beside them, and the triangles. While it is shown: the
// model, its edge list (about 1.5 edges of two numbers per triangle, and as much again while
// it is built), the simplifier's working memory for the proxy, and the GPU copy of positions
// and edges.
constexpr std::uint64_t kParseVertexBytes = 3 * sizeof(double) + 3 * sizeof(float);
constexpr std::uint64_t kParseTriangleBytes = 3 * sizeof(std::uint32_t);
constexpr std::uint64_t kShowVertexBytes = 4 * 3 * sizeof(float) + 4;
constexpr std::uint64_t kShowTriangleBytes = 9 * sizeof(std::uint32_t);
// What a vertex's normal and colour add while the file is read (a colour of a type other than
// uchar is kept as three floats until the file's largest value is known) and while it is shown
// (the model's copy and the GPU's, and surface normals computed beside the file's).
constexpr std::uint64_t kAttributeParseVertexBytes = 3 * sizeof(float) + 3 * sizeof(float) + 4;
constexpr std::uint64_t kAttributeShowVertexBytes = 2 * (3 * sizeof(float) + 4) + 3 * sizeof(float);
// A face colour, and the three corners of its own each triangle then gets (position, normal and
// colour), on the CPU and on the GPU.
constexpr std::uint64_t kFaceColourBytes = 4 + 2 * 3 * (2 * 3 * sizeof(float) + 4);
// A measured value, while the file is read and while it is shown; and the colour a vertex is
// shown in by the values of a measured vertex property (a measured face property is shown like a
// face colour, kFaceColourBytes per face).
constexpr std::uint64_t kMeasuredValueBytes = sizeof(float);
constexpr std::uint64_t kMeasuredColourBytes = kColourBytes;
constexpr int kPositionProperties = 3;  // a vertex with more may carry normals and colours
constexpr std::uint64_t kMinAsciiValueBytes = 2;  // one digit and one blank

// ===== Positions =====

// The box of the model's floats; left inverted without vertices.
void setBox(FileModel& model) {
    const std::vector<float>& p = model.positions;
    if (p.empty()) {
        return;
    }
    ply::Box box;
    box.seed(p[0], p[1], p[2]);
    for (std::size_t i = kCoordinates; i < p.size(); i += kCoordinates) {
        box.widen(p[i], p[i + 1], p[i + 2]);
    }
    box.into(model);
}

// The coordinates as floats less the centre of their box (the reader's own when it made them
// so), and the box of the floats; false when one leaves the float range. The doubles are
// released.
bool takePositions(ply::Geometry& geometry, FileModel& model, PlyError& error) {
    if (geometry.centred) {
        model.positions = std::move(geometry.centredPositions);
        std::copy(geometry.centre, geometry.centre + kCoordinates, model.centre);
        setBox(model);
        return true;
    }
    std::vector<double>& wide = geometry.positions;
    ply::findCentre(wide, model.centre);
    reserveLarge(model.positions, wide.size());
    model.positions.resize(wide.size());
    float* out = model.positions.data();
    for (std::size_t i = 0; i < wide.size(); i += kCoordinates) {
        for (int a = 0; a < kCoordinates; ++a) {
            const float value = static_cast<float>(wide[i + a] - model.centre[a]);
            if (!std::isfinite(value)) {
                return ply::fail(error, "vertex %zu: coordinate is beyond the float range",
                                 i / kCoordinates);
            }
            out[i + a] = value;
        }
    }
    std::vector<double>().swap(wide);
    setBox(model);
    return true;
}

// ===== Estimate =====

// The fewest bytes one instance of the element takes in the body.
std::uint64_t leastInstanceBytes(const ply::Header& header, const ply::Element& element) {
    std::uint64_t bytes = 0;
    for (int k = 0; k < element.propertyCount; ++k) {
        const ply::Property& property = header.property(element, k);
        if (header.format == ply::Format::kAscii) {
            bytes += kMinAsciiValueBytes;
        } else {
            bytes += static_cast<std::uint64_t>(
                ply::typeSize(property.list ? property.countType : property.type));
        }
    }
    return std::max<std::uint64_t>(bytes, 1);
}

// The measured properties a parse would keep of the vertex element and of the first face
// element, as readBody plans them: named and typed, without values.
std::vector<PropertyValues> measuredOf(const ply::Header& header) {
    std::vector<PropertyValues> measured;
    int vertexCount = 0;
    const ply::Element* faces = nullptr;
    for (const ply::Element& element : header.elements) {
        if (element.name == "vertex") {
            ply::AttributePlan plan;
            ply::planMeasured(header, element, true, 0, plan);
            ply::nameMeasured(header, element, plan, false, measured);
            vertexCount = plan.measured;
        } else if (element.name == "face" && faces == nullptr) {
            faces = &element;
        }
    }
    if (faces != nullptr) {
        ply::AttributePlan plan;
        ply::planMeasured(header, *faces, false, vertexCount, plan);
        ply::nameMeasured(header, *faces, plan, true, measured);
    }
    return measured;
}

struct MeasuredCounts {
    std::uint64_t vertex = 0;
    std::uint64_t face = 0;
};

MeasuredCounts measuredCounts(const ply::Header& header) {
    MeasuredCounts counts;
    for (const PropertyValues& property : measuredOf(header)) {
        ++(property.face ? counts.face : counts.vertex);
    }
    return counts;
}

}  // namespace

bool parseFileModel(const char* text, std::size_t size, FileModel& model, PlyError& error) {
    error.message[0] = '\0';
    model = FileModel{};
    ply::Header header;
    ply::Geometry geometry;
    ply::BodyOptions options;
    options.wide = true;
    options.attributes = true;
    options.centredFloats = true;
    if (!ply::readHeader(text, size, header, error) ||
        !ply::readBody(text, size, header, options, geometry, error) ||
        !takePositions(geometry, model, error)) {
        model = FileModel{};
        return false;
    }
    model.triangles = std::move(geometry.corners);
    model.normals = std::move(geometry.normals);
    model.colours = std::move(geometry.colours);
    model.faceColours = std::move(geometry.faceColours);
    model.properties = std::move(geometry.properties);
    PlyNotes& notes = model.notes;
    notes.splats = geometry.splats;
    notes.colourFloats255 = geometry.colourFloats255;
    notes.fileVertices = static_cast<std::int64_t>(model.vertexCount());
    notes.fileTriangles = static_cast<std::int64_t>(model.triangleCount());
    notes.shortFaces = geometry.shortFaces;
    notes.pointCloud = model.triangleCount() == 0 && model.vertexCount() > 0;
    return true;
}

std::uint64_t fileModelBytesNeeded(const char* head, std::size_t headBytes,
                                   std::uint64_t fileBytes) {
    ply::Header header;
    PlyError ignored;
    std::uint64_t vertices = 0;
    std::uint64_t triangles = 0;
    std::uint64_t attributed = 0;  // vertices that may carry normals and colours
    std::uint64_t coloured = 0;    // faces that may carry colours
    MeasuredCounts measured;
    if (ply::readHeader(head, headBytes, header, ignored)) {
        measured = measuredCounts(header);
        for (const ply::Element& element : header.elements) {
            const std::uint64_t fits = fileBytes / leastInstanceBytes(header, element);
            const std::uint64_t count = std::min(static_cast<std::uint64_t>(element.count), fits);
            if (element.name == "vertex") {
                vertices += count;
                attributed += element.propertyCount > kPositionProperties ? count : 0;
            } else if (element.name == "face" || element.name == "tristrips") {
                triangles += count;
                coloured += element.name == "face" && element.propertyCount > 1 ? count : 0;
            }
        }
    } else {
        // No header to go by: as many vertices and triangles as the bytes could hold.
        vertices = fileBytes / (3 * kMinAsciiValueBytes);
        triangles = vertices;
    }
    // A measured face property has a value for every triangle, whatever element it came from.
    const std::uint64_t values =
        (vertices * measured.vertex + triangles * measured.face) * kMeasuredValueBytes;
    const std::uint64_t parsing = fileBytes + vertices * kParseVertexBytes +
                                  triangles * kParseTriangleBytes +
                                  attributed * kAttributeParseVertexBytes + values;
    const std::uint64_t showing = vertices * kShowVertexBytes + triangles * kShowTriangleBytes +
                                  attributed * kAttributeShowVertexBytes +
                                  coloured * kFaceColourBytes + values +
                                  (measured.vertex > 0 ? vertices * kMeasuredColourBytes : 0) +
                                  (measured.face > 0 ? triangles * kFaceColourBytes : 0);
    return std::max(parsing, showing);
}

bool measuredPropertyNames(const char* head, std::size_t headBytes,
                           std::vector<std::string>& names) {
    ply::Header header;
    PlyError ignored;
    if (!ply::readHeader(head, headBytes, header, ignored)) {
        return false;
    }
    names.clear();
    for (const PropertyValues& property : measuredOf(header)) {
        names.push_back(property.name);
    }
    return true;
}
