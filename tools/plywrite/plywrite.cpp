// The PLY writer: header lines, then each element's instances in declared order, as text or
// as bytes of the chosen order.
#include "tools/plywrite/plywrite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace plywrite {
namespace {

// ===== Constants =====

constexpr int kTypeCount = 8;
constexpr const char* kShortNames[kTypeCount] = {"char", "uchar", "short", "ushort",
                                                 "int",  "uint",  "float", "double"};
constexpr const char* kSizedNames[kTypeCount] = {"int8",  "uint8",  "int16",   "uint16",
                                                 "int32", "uint32", "float32", "float64"};
constexpr int kSizes[kTypeCount] = {1, 1, 2, 2, 4, 4, 4, 8};
constexpr int kColourLevels = 256;
constexpr double kFullLevel = kColourLevels - 1;
// Largest value of each integer type, by Type: integer normals are held over this range.
constexpr double kTypeMax[kTypeCount] = {127, 255, 32767, 65535, 2147483647.0, 4294967295.0, 1, 1};
constexpr int kFaceLevelBase = 99;  // face colours: distinct from vertex colours and not 0
constexpr int kFaceLevelStep = 16;
constexpr int kSplatSteps = 9;  // splat coefficients: -2 to 2 in steps of kSplatStep
constexpr double kSplatStep = 0.5;
constexpr int kSplatRest = 3;  // f_rest_* coefficients written (real files have 45)
constexpr const char* kSplatScalars[] = {"opacity", "scale_0", "scale_1", "scale_2",
                                         "rot_0",   "rot_1",   "rot_2",   "rot_3"};
constexpr int kEdges = 2;       // instances of the unknown edge element
constexpr double kPower = 2.5;  // the unknown material's one float
constexpr int kDoubleDigits = 17;
constexpr std::size_t kSpillBytes = 1 << 20;  // a stream's bytes held before they are written

// ===== Values =====

// Collects values as text or as bytes; with a sink, passes them on whenever enough are held.
class Out {
  public:
    explicit Out(const Options& options, std::FILE* sink = nullptr)
        : options_(options), sink_(sink) {}

    void value(double v, Type type) {
        if (options_.format == Format::kAscii) {
            text(v, type);
        } else {
            bytes(v, type);
        }
    }

    // Ends an instance: ASCII gets its undeclared extra values and the line end.
    void endInstance() {
        if (options_.format != Format::kAscii) {
            return;
        }
        for (int k = 0; k < options_.extraLineValues; ++k) {
            out_ += " 7";
        }
        line();
    }

    void line() { out_ += options_.crlf ? "\r\n" : "\n"; }
    void raw(const std::string& s) { out_ += s; }
    std::string& str() { return out_; }

    // Writes what is held into the sink once it is large, or always when `all`; false when a
    // write failed. Called between instances, so text resumes at a line start.
    bool spill(bool all) {
        if (!all && out_.size() < kSpillBytes) {
            return true;
        }
        const bool written = std::fwrite(out_.data(), 1, out_.size(), sink_) == out_.size();
        out_.clear();
        return written;
    }

  private:
    void text(double v, Type type) {
        char buffer[64];
        if (type == Type::kFloat32) {
            std::snprintf(buffer, sizeof buffer, "%.*g", options_.floatDigits,
                          static_cast<double>(static_cast<float>(v)));
        } else if (type == Type::kFloat64) {
            std::snprintf(buffer, sizeof buffer, "%.*g", kDoubleDigits, v);
        } else {
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v));
        }
        if (!atLineStart()) {
            out_ += ' ';
        }
        out_ += buffer;
    }

    bool atLineStart() const { return out_.empty() || out_.back() == '\n'; }

    void bytes(double v, Type type) {
        unsigned char b[8] = {};
        const int size = kSizes[static_cast<int>(type)];
        switch (type) {
            case Type::kFloat32: {
                const float f = static_cast<float>(v);
                std::memcpy(b, &f, sizeof f);
                break;
            }
            case Type::kFloat64:
                std::memcpy(b, &v, sizeof v);
                break;
            default: {
                const auto i = static_cast<std::int64_t>(v);  // two's complement, low bytes first
                std::memcpy(b, &i, sizeof i);
            }
        }
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "bytes are built low first");
        for (int k = 0; k < size; ++k) {
            const int from = options_.format == Format::kBinaryBigEndian ? size - 1 - k : k;
            out_ += static_cast<char>(b[from]);
        }
    }

    const Options& options_;
    std::FILE* sink_;
    std::string out_;
};

const char* name(Type type, const Options& options) {
    return (options.sizedTypeNames ? kSizedNames : kShortNames)[static_cast<int>(type)];
}

// ===== Header =====

void headerLine(Out& out, const std::string& line) {
    out.raw(line);
    out.line();
}

// The header's first lines: magic, format, comment.
void preamble(Out& out, const Options& options) {
    const char* formats[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    headerLine(out, "ply");
    headerLine(out, std::string("format ") + formats[static_cast<int>(options.format)] + " 1.0");
    headerLine(out, "comment written by plywrite");
}

void scalarLine(Out& out, Type type, const std::string& property, const Options& options) {
    headerLine(out, std::string("property ") + name(type, options) + " " + property);
}

void colourDeclaration(Out& out, const Options& options) {
    for (const char* channel : options.colourNames) {
        scalarLine(out, options.colour, channel, options);
    }
    if (options.alphaName != nullptr) {
        scalarLine(out, options.colour, options.alphaName, options);
    }
}

void splatDeclaration(Out& out, const Options& options) {
    for (int c = 0; c < 3; ++c) {
        scalarLine(out, Type::kFloat32, "f_dc_" + std::to_string(c), options);
    }
    for (int k = 0; k < kSplatRest; ++k) {
        scalarLine(out, Type::kFloat32, "f_rest_" + std::to_string(k), options);
    }
    for (const char* property : kSplatScalars) {
        scalarLine(out, Type::kFloat32, property, options);
    }
}

// The extra properties of an element, when they go `first` (before the others) or last.
void extrasDeclaration(Out& out, const std::vector<Extra>& extras, bool first,
                       const Options& options) {
    if (first != options.extrasFirst) {
        return;
    }
    for (const Extra& extra : extras) {
        if (extra.list) {
            headerLine(out, std::string("property list ") + name(Type::kUint8, options) + " " +
                                name(extra.type, options) + " " + extra.name);
        } else {
            scalarLine(out, extra.type, extra.name, options);
        }
    }
}

void writeExtras(Out& out, const std::vector<Extra>& extras, std::size_t i, bool first,
                 const Options& options) {
    if (first != options.extrasFirst) {
        return;
    }
    for (const Extra& extra : extras) {
        if (!extra.lists.empty()) {
            out.value(static_cast<double>(extra.lists[i].size()), Type::kUint8);
            for (const double item : extra.lists[i]) {
                out.value(item, extra.type);
            }
            continue;
        }
        if (extra.list) {
            out.value(1, Type::kUint8);
        }
        out.value(extra.values[i], extra.type);
    }
}

void vertexDeclaration(Out& out, const Mesh& mesh, const Options& options) {
    headerLine(out, "element vertex " + std::to_string(mesh.positions.size()));
    extrasDeclaration(out, mesh.vertexExtras, true, options);
    for (const char* a = options.axes; *a != '\0'; ++a) {
        headerLine(out, std::string("property ") + name(options.coordinate, options) + " " + *a);
    }
    if (options.normalsAndColours) {
        for (const char* p : {"nx", "ny", "nz"}) {
            if (!options.coloursOnly) {
                scalarLine(out, options.normal, p, options);
            }
        }
        colourDeclaration(out, options);
    }
    if (options.splats) {
        splatDeclaration(out, options);
    }
    extrasDeclaration(out, mesh.vertexExtras, false, options);
}

void listDeclaration(Out& out, const char* element, std::size_t count, const Options& options,
                     const std::vector<Extra>& extras = {}) {
    headerLine(out, std::string("element ") + element + " " + std::to_string(count));
    extrasDeclaration(out, extras, true, options);
    headerLine(out, std::string("property list ") + name(options.listCount, options) + " " +
                        name(options.index, options) + " " + options.listName);
    if (options.faceProperties) {
        headerLine(out, std::string("property ") + name(Type::kUint8, options) + " red");
        headerLine(out, std::string("property list ") + name(Type::kUint8, options) + " " +
                            name(Type::kFloat32, options) + " texcoord");
    }
    if (options.faceColours) {
        colourDeclaration(out, options);
    }
    extrasDeclaration(out, extras, false, options);
}

// ===== Body =====

bool isInteger(Type type) {
    return type < Type::kFloat32;
}

// The channels of one colour, levels from `level`, and the alpha channel when there is one.
template <typename Level>
void writeColour(Out& out, Level level, const Options& options) {
    for (int c = 0; c < 3; ++c) {
        const int given = options.oneColour[static_cast<std::size_t>(c)];
        out.value((given >= 0 ? given : level(c)) * options.colourFull / kFullLevel,
                  options.colour);
    }
    if (options.alphaName != nullptr) {
        out.value(options.colourFull, options.colour);
    }
}

void writeSplat(Out& out, std::size_t i) {
    for (int c = 0; c < 3; ++c) {
        out.value(splatCoefficient(i, c), Type::kFloat32);
    }
    for (int k = 0; k < kSplatRest; ++k) {
        out.value(kSplatStep * k, Type::kFloat32);
    }
    for (std::size_t k = 0; k < std::size(kSplatScalars); ++k) {
        out.value(kSplatStep * static_cast<double>(k), Type::kFloat32);
    }
}

void writeVertices(Out& out, const Mesh& mesh, const Options& options) {
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const auto& p = mesh.positions[i];
        writeExtras(out, mesh.vertexExtras, i, true, options);
        for (const char* a = options.axes; *a != '\0'; ++a) {
            out.value(p[static_cast<std::size_t>((*a | 0x20) - 'x')], options.coordinate);
        }
        if (options.normalsAndColours) {
            const std::array<double, 3> normal = normalOf(p);
            for (std::size_t a = 0; a < normal.size() && !options.coloursOnly; ++a) {
                const double n = normal[a];
                out.value(isInteger(options.normal)
                              ? std::round(n * kTypeMax[static_cast<int>(options.normal)])
                              : n,
                          options.normal);
            }
            writeColour(
                out,
                [&mesh, i](int c) {
                    return mesh.colours.empty() ? vertexLevel(i, c)
                                                : mesh.colours[i][static_cast<std::size_t>(c)];
                },
                options);
        }
        if (options.splats) {
            writeSplat(out, i);
        }
        writeExtras(out, mesh.vertexExtras, i, false, options);
        out.endInstance();
    }
}

void writeLists(Out& out, const std::vector<std::vector<int>>& lists,
                const std::vector<Extra>& extras, const Options& options) {
    for (std::size_t f = 0; f < lists.size(); ++f) {
        writeExtras(out, extras, f, true, options);
        out.value(static_cast<double>(lists[f].size()), options.listCount);
        for (int v : lists[f]) {
            out.value(v, options.index);
        }
        if (options.faceProperties) {
            out.value(static_cast<double>(f % kColourLevels), Type::kUint8);
            out.value(static_cast<double>(2 * lists[f].size()), Type::kUint8);
            for (std::size_t k = 0; k < 2 * lists[f].size(); ++k) {
                out.value(0.25 * static_cast<double>(k), Type::kFloat32);
            }
        }
        if (options.faceColours) {
            writeColour(
                out, [f](int c) { return faceLevel(f, c); }, options);
        }
        writeExtras(out, extras, f, false, options);
        out.endInstance();
    }
}

void writeCorners(Out& out, bool declare, const Mesh& mesh, const Options& options) {
    if (options.pointCloud) {
        return;
    }
    const bool strips = options.strips;
    const std::vector<Extra> none;
    const std::vector<Extra>& extras = strips ? none : mesh.faceExtras;
    if (declare) {
        listDeclaration(out, strips ? "tristrips" : "face",
                        strips ? mesh.strips.size() : mesh.faces.size(), options, extras);
    } else {
        writeLists(out, strips ? mesh.strips : mesh.faces, extras, options);
    }
}

void writeUnknownFirst(Out& out, bool declare, const Options& options) {
    if (!options.unknownElements) {
        return;
    }
    if (declare) {
        headerLine(out, "element material 1");
        headerLine(out, std::string("property ") + name(Type::kUint8, options) + " ambient_red");
        headerLine(out, std::string("property ") + name(Type::kFloat32, options) + " power");
        return;
    }
    out.value(kColourLevels - 1, Type::kUint8);
    out.value(kPower, Type::kFloat32);
    out.endInstance();
}

void writeUnknownLast(Out& out, bool declare, const Options& options) {
    if (!options.unknownElements) {
        return;
    }
    if (declare) {
        headerLine(out, "element edge " + std::to_string(kEdges));
        headerLine(out, std::string("property ") + name(Type::kInt32, options) + " vertex1");
        headerLine(out, std::string("property ") + name(Type::kInt32, options) + " vertex2");
        return;
    }
    for (int e = 0; e < kEdges; ++e) {
        out.value(e, Type::kInt32);
        out.value(e + 1, Type::kInt32);
        out.endInstance();
    }
}

// Every element in its order: declared when `declare`, its instances otherwise.
void elements(Out& out, bool declare, const Mesh& mesh, const Options& options) {
    writeUnknownFirst(out, declare, options);
    if (options.facesFirst) {
        writeCorners(out, declare, mesh, options);
    }
    if (declare) {
        vertexDeclaration(out, mesh, options);
    } else {
        writeVertices(out, mesh, options);
    }
    if (!options.facesFirst) {
        writeCorners(out, declare, mesh, options);
    }
    writeUnknownLast(out, declare, options);
}

}  // namespace

std::string write(const Mesh& mesh, const Options& options) {
    Out out(options);
    preamble(out, options);
    for (const std::string& comment : mesh.comments) {
        headerLine(out, "comment " + comment);
    }
    elements(out, true, mesh, options);
    headerLine(out, "end_header");
    elements(out, false, mesh, options);
    return std::move(out.str());
}

bool writeFile(const std::string& path, const Mesh& mesh, const Options& options) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << write(mesh, options);
    return static_cast<bool>(file);
}

std::array<double, 3> normalOf(const std::array<double, 3>& p) {
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]) + 1;
    return {p[0] / length, p[1] / length, p[2] / length};
}

int vertexLevel(std::size_t vertex, int channel) {
    return static_cast<int>((vertex * static_cast<std::size_t>(channel + 3)) % kColourLevels);
}

int faceLevel(std::size_t face, int channel) {
    return static_cast<int>(
        (kFaceLevelBase + face * static_cast<std::size_t>((channel + 3) * kFaceLevelStep)) %
        kColourLevels);
}

double splatCoefficient(std::size_t vertex, int channel) {
    const auto step =
        static_cast<int>((7 * vertex + 3 * static_cast<std::size_t>(channel)) % kSplatSteps);
    return kSplatStep * (step - kSplatSteps / 2);
}

Mesh surface(int columns, int rows) {
    Mesh mesh;
    constexpr double kWaves = 6.0;  // crests across the surface
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= columns; ++c) {
            const double u = static_cast<double>(c) / columns;
            const double v = static_cast<double>(r) / rows;
            const double height = 0.05 * std::sin(kWaves * u * M_PI) * std::cos(kWaves * v * M_PI);
            mesh.positions.push_back({u * 2 - 1, v * 2 - 1, height});
        }
    }
    const int stride = columns + 1;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int a = r * stride + c;
            mesh.faces.push_back({a, a + 1, a + stride + 1});
            mesh.faces.push_back({a, a + stride + 1, a + stride});
        }
    }
    return mesh;
}

// ===== Streaming =====

namespace {

// The options a stream honours: no face properties or colours, no splat properties, vertex
// colours as uchar red green blue, nothing undeclared at line ends.
Options streamed(const Options& options) {
    Options kept = options;
    kept.faceProperties = kept.faceColours = kept.splats = false;
    kept.extraLineValues = 0;
    const Options plain;
    kept.colour = plain.colour;
    kept.colourNames = plain.colourNames;
    kept.alphaName = plain.alphaName;
    return kept;
}

void streamHeader(Out& out, const Source& source, const Options& options) {
    preamble(out, options);
    if (options.textureFile != nullptr) {
        headerLine(out, std::string("comment TextureFile ") + options.textureFile);
    }
    headerLine(out, "element vertex " + std::to_string(source.vertexCount));
    const std::string coordinate = name(options.coordinate, options);
    for (const char* a = options.axes; *a != '\0'; ++a) {
        headerLine(out, "property " + coordinate + " " + *a);
    }
    if (options.normalsAndColours) {
        for (const char* p : {"nx", "ny", "nz"}) {
            headerLine(out, "property " + coordinate + " " + p);
        }
        for (const char* p : {"red", "green", "blue"}) {
            headerLine(out, std::string("property ") + name(Type::kUint8, options) + " " + p);
        }
    }
    if (options.intensity) {
        headerLine(out, std::string("property ") + name(Type::kFloat32, options) + " intensity");
    }
    for (const char* p : {"s", "t"}) {
        if (options.textureFile != nullptr) {
            headerLine(out, std::string("property ") + name(Type::kFloat32, options) + " " + p);
        }
    }
    listDeclaration(out, "face", static_cast<std::size_t>(source.triangleCount), options);
    headerLine(out, "end_header");
}

void streamVertex(Out& out, const Vertex& v, const Options& options) {
    for (const char* a = options.axes; *a != '\0'; ++a) {
        out.value(v.position[static_cast<std::size_t>((*a | 0x20) - 'x')], options.coordinate);
    }
    if (options.normalsAndColours) {
        for (double n : v.normal) {
            out.value(n, options.coordinate);
        }
        for (std::uint8_t c : v.colour) {
            out.value(c, Type::kUint8);
        }
    }
    if (options.intensity) {
        out.value(intensityOf(v.position), Type::kFloat32);
    }
    if (options.textureFile != nullptr) {
        for (const double st : textureOf(v.position)) {
            out.value(st, Type::kFloat32);
        }
    }
    out.endInstance();
}

void streamTriangle(Out& out, const Triangle& t, const Options& options) {
    out.value(static_cast<double>(t.size()), options.listCount);
    for (std::int64_t v : t) {
        out.value(static_cast<double>(v), options.index);
    }
    out.endInstance();
}

}  // namespace

std::array<double, 2> textureOf(const std::array<double, 3>& position) {
    constexpr double kTurn = 6.283185307179586;
    return {std::atan2(position[2], position[0]) / kTurn + 0.5, position[1] * 0.5 + 0.5};
}

double intensityOf(const std::array<double, 3>& position) {
    constexpr double kRipples = 7;  // across a unit of x
    constexpr double kDepth = 0.3;
    return position[1] + kDepth * std::sin(kRipples * position[0]);
}

bool writeStream(std::FILE* file, const Source& source, const Options& requested) {
    const Options options = streamed(requested);
    Out out(options, file);
    streamHeader(out, source, options);
    bool written = true;
    for (std::int64_t i = 0; written && i < source.vertexCount; ++i) {
        streamVertex(out, source.vertex(i), options);
        written = out.spill(false);
    }
    for (std::int64_t f = 0; written && f < source.triangleCount; ++f) {
        streamTriangle(out, source.triangle(f), options);
        written = out.spill(false);
    }
    return written && out.spill(true) && std::fflush(file) == 0;
}

}  // namespace plywrite

// ===== Gaussian splats =====

namespace plywrite {
namespace {

constexpr int kSplatShRest[] = {0, 9, 24, 45};  // f_rest_* by degree
constexpr std::uint64_t kShuffleSeed = 0x5eed5eedULL;
constexpr std::uint64_t kLcgMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kLcgIncrement = 1442695040888963407ULL;
constexpr int kLcgShift = 33;
constexpr double kUnrelatedValue = 0.75;  // the unknown property's value on every splat
constexpr const char* kUnrelatedName = "confidence";

// One property of a splat file: its name and where its value lies in the flat values.
struct SplatProperty {
    std::string name;
    int field;
};

// The flat values of a splat: x y z, nx ny nz, f_dc, f_rest, opacity, scale, rot, unrelated.
constexpr int kNormalAt = 3;
constexpr int kDcAt = 6;
constexpr int kRestAt = 9;
constexpr int kOpacityAt = kRestAt + kSplatRestMax;
constexpr int kScaleAt = kOpacityAt + 1;
constexpr int kRotAt = kScaleAt + 3;
constexpr int kUnrelatedAt = kRotAt + 4;
constexpr int kSplatValues = kUnrelatedAt + 1;

std::vector<SplatProperty> splatProperties(const SplatOptions& options) {
    std::vector<SplatProperty> properties;
    for (int a = 0; a < 3; ++a) {
        properties.push_back({std::string(1, static_cast<char>('x' + a)), a});
    }
    for (int a = 0; a < 3 && options.normals; ++a) {
        properties.push_back({std::string("n") + static_cast<char>('x' + a), kNormalAt + a});
    }
    for (int c = 0; c < 3; ++c) {
        properties.push_back({"f_dc_" + std::to_string(c), kDcAt + c});
    }
    const int rest = options.restCount >= 0 ? std::min(options.restCount, kSplatRestMax)
                                            : kSplatShRest[options.degree];
    for (int k = 0; k < rest; ++k) {
        properties.push_back({"f_rest_" + std::to_string(k), kRestAt + k});
    }
    properties.push_back({"opacity", kOpacityAt});
    for (int a = 0; a < 3; ++a) {
        properties.push_back({"scale_" + std::to_string(a), kScaleAt + a});
    }
    for (int a = 0; a < 4; ++a) {
        properties.push_back({"rot_" + std::to_string(a), kRotAt + a});
    }
    if (options.unrelated) {
        properties.push_back({kUnrelatedName, kUnrelatedAt});
    }
    if (options.shuffled) {
        std::uint64_t state = kShuffleSeed;
        for (std::size_t i = properties.size() - 1; i > 0; --i) {
            state = state * kLcgMultiplier + kLcgIncrement;
            std::swap(properties[i], properties[(state >> kLcgShift) % (i + 1)]);
        }
    }
    return properties;
}

void splatValues(const SplatSpec& splat, double (&values)[kSplatValues]) {
    std::fill(std::begin(values), std::end(values), 0.0);
    std::copy(splat.position.begin(), splat.position.end(), values);
    std::copy(splat.dc.begin(), splat.dc.end(), values + kDcAt);
    std::copy(splat.rest.begin(), splat.rest.end(), values + kRestAt);
    values[kOpacityAt] = splat.opacityLogit;
    std::copy(splat.logScale.begin(), splat.logScale.end(), values + kScaleAt);
    std::copy(splat.rotation.begin(), splat.rotation.end(), values + kRotAt);
    values[kUnrelatedAt] = kUnrelatedValue;
}

Options splatFormat(const SplatOptions& options) {
    Options format;
    format.format = options.format;
    format.floatDigits = 9;
    return format;
}

void splatHeader(Out& out, std::int64_t count, const std::vector<SplatProperty>& properties,
                 const SplatOptions& options, const Options& format) {
    preamble(out, format);
    headerLine(out, "element vertex " + std::to_string(count));
    for (const SplatProperty& property : properties) {
        scalarLine(out, options.type, property.name, format);
    }
    if (options.emptyFaces) {
        headerLine(out, "element face 0");
        headerLine(out, "property list uchar int vertex_indices");
    }
    headerLine(out, "end_header");
}

void writeOneSplat(Out& out, const SplatSpec& splat, const std::vector<SplatProperty>& properties,
                   Type type) {
    double values[kSplatValues];
    splatValues(splat, values);
    for (const SplatProperty& property : properties) {
        out.value(values[property.field], type);
    }
    out.endInstance();
}

}  // namespace

std::string writeSplats(const std::vector<SplatSpec>& splats, const SplatOptions& options) {
    const Options format = splatFormat(options);
    Out out(format);
    const std::vector<SplatProperty> properties = splatProperties(options);
    splatHeader(out, static_cast<std::int64_t>(splats.size()), properties, options, format);
    for (const SplatSpec& splat : splats) {
        writeOneSplat(out, splat, properties, options.type);
    }
    return std::move(out.str());
}

bool writeSplatFile(const std::string& path, const std::vector<SplatSpec>& splats,
                    const SplatOptions& options) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << writeSplats(splats, options);
    return static_cast<bool>(file);
}

bool writeSplatStream(std::FILE* file, std::int64_t count,
                      const std::function<SplatSpec(std::int64_t)>& splat,
                      const SplatOptions& options) {
    const Options format = splatFormat(options);
    Out out(format, file);
    const std::vector<SplatProperty> properties = splatProperties(options);
    splatHeader(out, count, properties, options, format);
    bool written = true;
    for (std::int64_t i = 0; written && i < count; ++i) {
        writeOneSplat(out, splat(i), properties, options.type);
        written = out.spill(false);
    }
    return written && out.spill(true) && std::fflush(file) == 0;
}

}  // namespace plywrite
