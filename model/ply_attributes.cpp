// Normals, colours, texture coordinates, face images and measured properties of a PLY body:
// found by name, stored as they are read, and colours of types other than uchar brought to bytes
// once the largest value in the file is known.
#include "model/ply_attributes.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace ply {
namespace {

// ===== Constants =====

constexpr const char* kNormalNames[kNormalFloats] = {"nx", "ny", "nz"};
// The colour namings in order of preference: the first one complete on the element is taken.
constexpr const char* kColourNames[][kChannels] = {
    {"red", "green", "blue"},
    {"r", "g", "b"},
    {"diffuse_red", "diffuse_green", "diffuse_blue"},
};
constexpr const char* kSplatNames[kChannels] = {"f_dc_0", "f_dc_1", "f_dc_2"};
// The vertex texture coordinate namings in order of preference, as for colours.
constexpr const char* kTexcoordNames[][kTexcoordFloats] = {
    {"s", "t"},
    {"u", "v"},
    {"texture_u", "texture_v"},
    {"texture_s", "texture_t"},
};
constexpr std::string_view kTexcoordLists[] = {"texcoord",
                                               "texcoords"};  // on faces, preferred first
constexpr std::string_view kTexnumberName = "texnumber";
constexpr int kCorners = 3;  // of a triangle
constexpr float kNoTexcoord = std::numeric_limits<float>::quiet_NaN();

// What is never a measured property, on any element: normals, colour channels and texture
// coordinates by name, and splat coefficients by the start of their name.
constexpr std::string_view kNotMeasured[] = {
    "nx", "ny", "nz", "red",         "green",         "blue",         "alpha",         "r",
    "g",  "b",  "a",  "diffuse_red", "diffuse_green", "diffuse_blue", "diffuse_alpha", "s",
    "t",  "u",  "v",  "texture_u",   "texture_v",     "texture_s",    "texture_t",     "texnumber"};
constexpr std::string_view kNotMeasuredStarts[] = {"f_dc_", "f_rest_"};
// The rest of a splat's description, on a vertex element that has kSplatMark: not measured either.
constexpr std::string_view kSplatMark = "f_dc_0";
constexpr std::string_view kSplatShape[] = {"opacity"};
constexpr std::string_view kSplatShapeStarts[] = {"scale_", "rot_"};

// ===== Finding the properties =====

// The property numbers of `names` among the element's scalar properties; false, with `found`
// untouched, unless all of them are there.
template <int N>
bool findAll(const Header& header, const Element& element, const char* const (&names)[N],
             int (&found)[N]) {
    int numbers[N];
    for (int n = 0; n < N; ++n) {
        numbers[n] = -1;
        for (int k = 0; k < element.propertyCount && numbers[n] < 0; ++k) {
            const Property& property = header.property(element, k);
            numbers[n] = !property.list && property.name == names[n] ? k : -1;
        }
        if (numbers[n] < 0) {
            return false;
        }
    }
    std::copy(numbers, numbers + N, found);
    return true;
}

// Takes the types of the colour channels found; whether all three are uchar.
bool takeColourTypes(const Header& header, const Element& element, AttributePlan& plan) {
    bool bytes = true;
    for (int c = 0; c < kChannels; ++c) {
        plan.colourType[c] = header.property(element, plan.colour[c]).type;
        bytes = bytes && plan.colourType[c] == Type::kUint8;
    }
    return bytes;
}

// Whether `name` is one of `names`, or starts with one of `starts`.
template <std::size_t N, std::size_t S>
bool named(std::string_view name, const std::string_view (&names)[N],
           const std::string_view (&starts)[S]) {
    const auto startsWith = [name](std::string_view start) {
        return name.substr(0, start.size()) == start;
    };
    return std::find(std::begin(names), std::end(names), name) != std::end(names) ||
           std::any_of(std::begin(starts), std::end(starts), startsWith);
}

// ===== Scaling =====

// Brings raw colours, three per item, to bytes at four per item in `out` (whose alpha bytes are
// set). The scale of each channel follows from its type and the largest value of the channels
// of its kind (integer or float); returns whether float channels were taken as 0..255.
bool scaleColours(const std::vector<float>& raw, const Type (&types)[kChannels],
                  std::vector<std::uint8_t>& out) {
    float largestInteger = 0;
    float largestFloat = 0;
    for (std::size_t k = 0; k < raw.size(); ++k) {
        float& largest = isInteger(types[k % kChannels]) ? largestInteger : largestFloat;
        largest = std::max(largest, raw[k]);  // NaN leaves it as it is
    }
    double scale[kChannels];
    const bool floats255 = largestFloat > kUnitTop;
    for (int c = 0; c < kChannels; ++c) {
        const double typeTop = static_cast<double>(kTypeHighest[static_cast<int>(types[c])]);
        scale[c] = isInteger(types[c]) ? (largestInteger > kByteTop ? kFullLevel / typeTop : 1)
                                       : (floats255 ? 1 : kFullLevel);
    }
    const std::size_t items = raw.size() / kChannels;
    for (std::size_t k = 0; k < items; ++k) {
        for (int c = 0; c < kChannels; ++c) {
            out[k * kColourBytes + static_cast<std::size_t>(c)] =
                levelByte(raw[k * kChannels + static_cast<std::size_t>(c)] * scale[c]);
        }
    }
    return floats255;
}

}  // namespace

// ===== Planning =====

AttributePlan planAttributes(const Header& header, const Element& element, bool vertex) {
    AttributePlan plan;
    if (vertex) {
        findAll(header, element, kNormalNames, plan.normal);
    }
    for (const auto& names : kColourNames) {
        if (findAll(header, element, names, plan.colour)) {
            const bool bytes = takeColourTypes(header, element, plan);
            plan.colours = bytes ? ColourSource::kBytes : ColourSource::kScaled;
            return plan;
        }
    }
    if (vertex && findAll(header, element, kSplatNames, plan.colour)) {
        takeColourTypes(header, element, plan);
        plan.colours = ColourSource::kSplat;
    }
    return plan;
}

void planTextures(const Header& header, const Element& element, bool vertex, AttributePlan& plan) {
    if (vertex) {
        for (const auto& names : kTexcoordNames) {
            if (findAll(header, element, names, plan.texcoord)) {
                break;
            }
        }
        return;
    }
    for (std::string_view name : kTexcoordLists) {
        const int k = findProperty(header, element, name);
        if (plan.texcoordList < 0 && k >= 0 && header.property(element, k).list) {
            plan.texcoordList = k;
        }
    }
    const int k = findProperty(header, element, kTexnumberName);
    plan.texnumber = k >= 0 && !header.property(element, k).list ? k : -1;
}

void planMeasured(const Header& header, const Element& element, bool vertex, int before,
                  AttributePlan& plan) {
    int axes[kPositionAxes] = {-1, -1, -1};
    const char* axisNames[kPositionAxes];
    if (vertex) {
        findAxes(header, element, axes, axisNames);
    }
    const AttributePlan colour = planAttributes(header, element, vertex);
    const bool splat = vertex && findProperty(header, element, kSplatMark) >= 0;
    const auto taken = [](int k, const auto& numbers) {
        return std::find(std::begin(numbers), std::end(numbers), k) != std::end(numbers);
    };
    plan.firstMeasured = before;
    plan.measured = 0;
    for (int k = 0; k < element.propertyCount && before + plan.measured < kMaxKeptProperties; ++k) {
        const Property& property = header.property(element, k);
        if (!property.list && !taken(k, axes) && !taken(k, colour.colour) &&
            !named(property.name, kNotMeasured, kNotMeasuredStarts) &&
            !(splat && named(property.name, kSplatShape, kSplatShapeStarts))) {
            plan.measuredProperty[plan.measured++] = k;
        }
    }
}

void nameMeasured(const Header& header, const Element& element, const AttributePlan& plan,
                  bool face, std::vector<PropertyValues>& properties) {
    for (int m = 0; m < plan.measured; ++m) {
        const Property& property = header.property(element, plan.measuredProperty[m]);
        PropertyValues& kept = properties.emplace_back();
        kept.name = std::string(property.name);
        kept.face = face;
        kept.integer = isInteger(property.type);
    }
}

// ===== Storage =====

void Attributes::sizeVertices(std::size_t count) {
    if (vertex_.keepsNormals()) {
        geometry_.normals.reserve(count * kNormalFloats);
    }
    if (vertex_.colours != ColourSource::kNone) {
        geometry_.colours.reserve(count * kColourBytes);
    }
    if (vertex_.colours == ColourSource::kScaled) {
        rawVertex_.reserve(count * kChannels);
    }
    if (vertex_.keepsTexcoords()) {
        geometry_.texcoords.reserve(count * kTexcoordFloats);
    }
    for (int m = 0; m < vertex_.measured; ++m) {
        geometry_.properties[static_cast<std::size_t>(vertex_.firstMeasured + m)].values.reserve(
            count);
    }
    resizeVertices(count);
}

void Attributes::resizeVertices(std::size_t count) {
    if (vertex_.keepsNormals()) {
        geometry_.normals.resize(count * kNormalFloats);
    }
    if (vertex_.colours != ColourSource::kNone) {
        geometry_.colours.resize(count * kColourBytes, kOpaque);
    }
    if (vertex_.colours == ColourSource::kScaled) {
        rawVertex_.resize(count * kChannels);
    }
    if (vertex_.keepsTexcoords()) {
        geometry_.texcoords.resize(count * kTexcoordFloats);
    }
    for (int m = 0; m < vertex_.measured; ++m) {
        geometry_.properties[static_cast<std::size_t>(vertex_.firstMeasured + m)].values.resize(
            count, kNoValue);
    }
    vertices_ = count;
}

void Attributes::endFace(const AttributePlan& plan) {
    const std::size_t triangles = (geometry_.corners.size() - cornersBefore_) / kCorners;
    if (plan.keepsImages()) {
        endFaceImages(plan, triangles);
    }
    for (int m = 0; m < plan.measured; ++m) {
        const int n = plan.firstMeasured + m;
        std::vector<float>& values = geometry_.properties[static_cast<std::size_t>(n)].values;
        values.resize(cornersBefore_ / kCorners, kNoValue);  // triangles of strips or other faces
        values.insert(values.end(), triangles, lessBase(n, faceMeasured_[m]));
    }
    if (plan.colours == ColourSource::kBytes) {
        const std::uint8_t rgba[kColourBytes] = {
            static_cast<std::uint8_t>(faceValues_[0]), static_cast<std::uint8_t>(faceValues_[1]),
            static_cast<std::uint8_t>(faceValues_[2]), kOpaque};
        for (std::size_t t = 0; t < triangles; ++t) {
            geometry_.faceColours.insert(geometry_.faceColours.end(), rgba, rgba + kColourBytes);
        }
    } else if (plan.colours == ColourSource::kScaled) {
        const float rgb[kChannels] = {static_cast<float>(faceValues_[0]),
                                      static_cast<float>(faceValues_[1]),
                                      static_cast<float>(faceValues_[2])};
        for (std::size_t t = 0; t < triangles; ++t) {
            rawFace_.insert(rawFace_.end(), rgb, rgb + kChannels);
        }
    }
}

void Attributes::endFaceImages(const AttributePlan& plan, std::size_t triangles) {
    const std::size_t before = cornersBefore_ / kCorners;  // triangles of strips or other faces
    if (plan.texnumber >= 0) {
        std::vector<std::int32_t>& images = geometry_.triangleTextures;
        images.resize(before, kNoImage);
        images.insert(images.end(), triangles, faceImage_);
    }
    if (plan.texcoordList < 0) {
        return;
    }
    std::vector<float>& out = geometry_.cornerTexcoords;
    out.resize(before * kCorners * kTexcoordFloats, kNoTexcoord);
    // The face's n corners made the fan of n - 2 triangles from its first corner. A list that
    // is not a pair per corner cannot be matched to the corners: the face keeps its triangles,
    // which show without an image rather than the whole file being refused.
    const std::size_t corners = triangles + 2;
    if (triangles == 0 || faceTexcoords_.size() != corners * kTexcoordFloats) {
        out.insert(out.end(), triangles * kCorners * kTexcoordFloats, kNoTexcoord);
        return;
    }
    const float* uv = faceTexcoords_.data();
    for (std::size_t t = 0; t < triangles; ++t) {
        for (const std::size_t corner : {std::size_t{0}, t + 1, t + 2}) {
            out.insert(out.end(), uv + corner * kTexcoordFloats,
                       uv + (corner + 1) * kTexcoordFloats);
        }
    }
}

void Attributes::finish() {
    const bool vertexFloats255 = vertex_.colours == ColourSource::kScaled &&
                                 scaleColours(rawVertex_, vertex_.colourType, geometry_.colours);
    bool faceFloats255 = false;
    if (face_.colours == ColourSource::kScaled) {
        geometry_.faceColours.assign(rawFace_.size() / kChannels * kColourBytes, kOpaque);
        faceFloats255 = scaleColours(rawFace_, face_.colourType, geometry_.faceColours);
    }
    std::vector<float>().swap(rawVertex_);
    std::vector<float>().swap(rawFace_);
    // Colours of a face element are kept only when every triangle has one: strips and a second
    // face element give triangles without.
    const std::size_t triangles = geometry_.corners.size() / kCorners;
    if (geometry_.faceColours.size() != triangles * kColourBytes) {
        geometry_.faceColours.clear();
        faceFloats255 = false;
    }
    const std::size_t vertices =
        (geometry_.centred ? geometry_.centredPositions.size() : geometry_.positions.size()) /
        kPositionAxes;
    for (PropertyValues& property : geometry_.properties) {
        property.values.resize(property.face ? triangles : vertices, kNoValue);
    }
    // Triangles of strips, or of faces after the last with an image, have none.
    if (!geometry_.cornerTexcoords.empty()) {
        geometry_.cornerTexcoords.resize(triangles * kCorners * kTexcoordFloats, kNoTexcoord);
    }
    if (!geometry_.triangleTextures.empty()) {
        geometry_.triangleTextures.resize(triangles, kNoImage);
    }
    if (vertex_.keepsTexcoords()) {
        geometry_.texcoords.resize(vertices * kTexcoordFloats);
    }
    geometry_.splats = vertex_.colours == ColourSource::kSplat && !geometry_.colours.empty();
    geometry_.colourFloats255 = vertexFloats255 || faceFloats255;
}

}  // namespace ply
