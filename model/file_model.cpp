// Models at the file's own size: the general reader's geometry kept whole, coordinates centred
// in double before they become floats, and an estimate of the memory a file takes to show.
#include "model/file_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "model/ply_attributes.h"
#include "model/ply_format.h"
#include "model/splat_read.h"

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
// Texture coordinates: a pair per vertex in the parse and the model, and the GPU's copy; or a
// pair per triangle corner in the parse and the model, and each corner's own copy on the CPU and
// on the GPU (the corners themselves are counted as for face colours).
constexpr std::uint64_t kTexcoordBytes = kTexcoordFloats * sizeof(float);
constexpr std::uint64_t kParseVertexTexcoordBytes = kTexcoordBytes;
constexpr std::uint64_t kShowVertexTexcoordBytes = 2 * kTexcoordBytes;
constexpr std::uint64_t kParseCornerTexcoordBytes = 3 * kTexcoordBytes;
constexpr std::uint64_t kShowCornerTexcoordBytes = 3 * 3 * kTexcoordBytes;
constexpr std::uint64_t kImageBytes = sizeof(std::int32_t);  // a triangle's image number
// A splat file's splats: the model's arrays (centre, colour, covariance, opacity, f_dc, and two
// bytes per higher-order coefficient), the centres in double while the file is read, and what
// showing them takes: the instances drawn, their order and the sort's scratch, and the GPU's
// copy of the instances; and a stand-in of at most kStandInSplats with the same again.
constexpr std::uint64_t kSplatModelBytes = 3 * sizeof(float) + kColourBytes +
                                           kCovarianceFloats * sizeof(float) + sizeof(float) +
                                           3 * sizeof(float);
constexpr std::uint64_t kSplatRestBytes = sizeof(std::uint16_t);
constexpr std::uint64_t kSplatParseBytes = 3 * sizeof(double);
constexpr std::uint64_t kSplatShowBytes =
    2 * sizeof(SplatInstance) + sizeof(std::uint32_t) + 3 * sizeof(std::uint32_t);
constexpr std::uint64_t kStandInSplats = 50'000;
constexpr int kPositionProperties = 3;  // a vertex with more may carry normals and colours
constexpr std::uint64_t kMinAsciiValueBytes = 2;  // one digit and one blank

// A header comment naming an image: "comment TextureFile NAME", the keyword in any case.
constexpr std::string_view kCommentWord = "comment";
constexpr std::string_view kTextureFileWord = "texturefile";
constexpr std::string_view kHeaderBlanks = " \t\r\v\f";

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
    model.positions.reserve(wide.size());
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

// ===== Images =====

// The first word of `line` (blanks before it taken off), and the rest after it.
std::string_view firstWord(std::string_view line, std::string_view& rest) {
    const std::size_t start = std::min(line.find_first_not_of(kHeaderBlanks), line.size());
    const std::size_t end = std::min(line.find_first_of(kHeaderBlanks, start), line.size());
    rest = line.substr(end);
    return line.substr(start, end - start);
}

bool sameLetters(std::string_view word, std::string_view lower) {
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    };
    return word.size() == lower.size() && std::equal(word.begin(), word.end(), lower.begin(), same);
}

// The names of the images the header's comments name, in order: the rest of each "comment
// TextureFile" line, blanks around it taken off, so that a name may hold blanks.
void takeTextureFiles(std::string_view header, std::vector<std::string>& names) {
    while (!header.empty()) {
        const std::size_t end = std::min(header.find('\n'), header.size());
        std::string_view rest = header.substr(0, end);
        header.remove_prefix(std::min(end + 1, header.size()));
        if (firstWord(rest, rest) != kCommentWord ||
            !sameLetters(firstWord(rest, rest), kTextureFileWord)) {
            continue;
        }
        const std::size_t first = rest.find_first_not_of(kHeaderBlanks);
        if (first != std::string_view::npos) {
            names.emplace_back(
                rest.substr(first, rest.find_last_not_of(kHeaderBlanks) + 1 - first));
        }
    }
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

// The texture coordinates and images a parse would keep, as readBody plans them: by vertex, else
// by corner of the first face element, with its images.
struct TextureCounts {
    bool vertex = false;
    bool corners = false;
    bool images = false;
};

TextureCounts texturesOf(const ply::Header& header) {
    TextureCounts counts;
    bool faceSeen = false;
    for (const ply::Element& element : header.elements) {
        const bool vertex = element.name == "vertex";
        if (vertex || (element.name == "face" && !faceSeen)) {
            ply::AttributePlan plan;
            ply::planTextures(header, element, vertex, plan);
            counts.vertex = counts.vertex || plan.keepsTexcoords();
            counts.corners = counts.corners || plan.texcoordList >= 0;
            counts.images = counts.images || plan.texnumber >= 0;
            faceSeen = faceSeen || !vertex;
        }
    }
    counts.vertex = counts.vertex && !counts.corners;
    return counts;
}

// What reading and showing the splats of a splat file takes at its peak, the file's bytes
// included.
std::uint64_t splatBytesNeeded(const ply::Header& header, std::uint64_t fileBytes) {
    std::uint64_t splats = 0;
    ply::SplatLayout layout;
    for (const ply::Element& element : header.elements) {
        if (element.name == "vertex" && ply::planSplats(header, element, layout)) {
            const std::uint64_t fits = fileBytes / leastInstanceBytes(header, element);
            splats = std::min(static_cast<std::uint64_t>(element.count), fits);
        }
    }
    const std::uint64_t model =
        kSplatModelBytes +
        kSplatRestBytes * static_cast<std::uint64_t>(3 * kShRestPerChannel[layout.degree]);
    const std::uint64_t parsing = fileBytes + splats * (model + kSplatParseBytes);
    const std::uint64_t standIn = std::min(splats, kStandInSplats) * (model + kSplatShowBytes);
    const std::uint64_t showing = splats * (model + kSplatShowBytes) + standIn;
    return std::max(parsing, showing);
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
    options.splats = true;
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
    model.texcoords = std::move(geometry.texcoords);
    model.cornerTexcoords = std::move(geometry.cornerTexcoords);
    model.triangleTextures = std::move(geometry.triangleTextures);
    model.splats = std::move(geometry.splatModel);
    takeTextureFiles(std::string_view(text, header.bodyOffset), model.textureFiles);
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
    TextureCounts textures;
    if (ply::readHeader(head, headBytes, header, ignored)) {
        if (ply::isSplatFile(header)) {
            return splatBytesNeeded(header, fileBytes);
        }
        measured = measuredCounts(header);
        textures = texturesOf(header);
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
    const std::uint64_t images = textures.images ? triangles * kImageBytes : 0;
    const std::uint64_t parsing = fileBytes + vertices * kParseVertexBytes +
                                  triangles * kParseTriangleBytes +
                                  attributed * kAttributeParseVertexBytes + values + images +
                                  (textures.vertex ? vertices * kParseVertexTexcoordBytes : 0) +
                                  (textures.corners ? triangles * kParseCornerTexcoordBytes : 0);
    const std::uint64_t showing = vertices * kShowVertexBytes + triangles * kShowTriangleBytes +
                                  attributed * kAttributeShowVertexBytes +
                                  coloured * kFaceColourBytes + values + images +
                                  (textures.vertex ? vertices * kShowVertexTexcoordBytes : 0) +
                                  (textures.corners ? triangles * kShowCornerTexcoordBytes : 0) +
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
