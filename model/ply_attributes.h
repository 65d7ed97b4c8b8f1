// Normals, colours, texture coordinates, face images and measured properties of a PLY body, for
// a caller that asks for them: which properties hold them, where their values go while the body
// is read, and colours brought to bytes at the end. Internal to model/.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "model/file_model.h"
#include "model/ply_format.h"

namespace ply {

// ===== Constants =====

constexpr int kChannels = 3;                 // red, green, blue
constexpr int kNormalFloats = 3;             // nx, ny, nz
constexpr std::uint8_t kOpaque = 255;        // the alpha byte of every colour
constexpr double kFullLevel = 255;           // the largest level of a colour byte
constexpr double kHalfLevel = 0.5;           // added before truncation: rounds to the nearest level
constexpr double kSplatBias = 0.5;           // a splat's colour: kSplatBias + kSplatWeight * f_dc
constexpr double kSplatWeight = 0.28209479;  // the degree-0 spherical harmonic, 1 / (2 sqrt(pi))
// Integer colours with a value above this anywhere in the file span their type's whole range;
// otherwise they are levels 0..255 already, as some writers store them in wider types.
constexpr double kByteTop = 255;
// Float colours with a value above this anywhere in the file are levels 0..255, not 0..1.
constexpr double kUnitTop = 1.5;
// The image of a triangle of no face with a texnumber, or whose texnumber is not a whole number
// from 0 to the largest int.
constexpr std::int32_t kNoImage = -1;
constexpr double kLargestImage = std::numeric_limits<std::int32_t>::max();

// ===== Which properties =====

enum class ColourSource : std::uint8_t {
    kNone,
    kBytes,   // three uchar channels: stored as they are read
    kScaled,  // channels of other types: kept raw, scaled once the whole body is read
    kSplat,   // f_dc_0..2 of a Gaussian-splat file: converted as they are read
};

// The property numbers of an element's normal and colour channels, -1 where there is none, and
// the types of the colour channels; and the measured properties kept of it.
struct AttributePlan {
    int normal[kNormalFloats] = {-1, -1, -1};
    int colour[kChannels] = {-1, -1, -1};
    Type colourType[kChannels] = {Type::kUint8, Type::kUint8, Type::kUint8};
    ColourSource colours = ColourSource::kNone;
    int measured = 0;                            // measured properties kept of the element
    int measuredProperty[kMaxKeptProperties]{};  // their property numbers, in file order
    int firstMeasured = 0;  // where the first of them stands in Geometry::properties
    int texcoord[kTexcoordFloats] = {-1, -1};  // a vertex element's u and v
    int texcoordList = -1;                     // a face element's u v per corner
    int texnumber = -1;                        // a face element's image number

    bool keepsNormals() const { return normal[0] >= 0; }
    bool keepsTexcoords() const { return texcoord[0] >= 0; }
    bool keepsImages() const { return texcoordList >= 0 || texnumber >= 0; }
    bool keepsAny() const {
        return keepsNormals() || colours != ColourSource::kNone || measured > 0 ||
               keepsTexcoords() || keepsImages();
    }
};

// The normal (of a vertex element) and the colour of an element, found by name among its
// scalar properties: nx ny nz all three; red green blue, else r g b, else diffuse_red
// diffuse_green diffuse_blue, all three of one naming; on vertices without any of these,
// f_dc_0 f_dc_1 f_dc_2.
AttributePlan planAttributes(const Header& header, const Element& element, bool vertex);

// The texture coordinates and image of an element, found by name: on vertices the scalars s t,
// else u v, else texture_u texture_v, else texture_s texture_t, both of one naming; on faces the
// list texcoord (else texcoords) and the scalar texnumber. Sets `plan`'s texcoord, texcoordList
// and texnumber.
void planTextures(const Header& header, const Element& element, bool vertex, AttributePlan& plan);

// The measured properties of an element: its scalar properties in file order less its positions
// (of a vertex element), normals, colour channels, texture coordinates and splat coefficients,
// at most kMaxKeptProperties - `before` of them, `before` being those kept of earlier elements.
// Sets `plan`'s measured, measuredProperty and firstMeasured.
void planMeasured(const Header& header, const Element& element, bool vertex, int before,
                  AttributePlan& plan);

// An entry in `properties` for each measured property of the plan, named and typed, its values
// to come.
void nameMeasured(const Header& header, const Element& element, const AttributePlan& plan,
                  bool face, std::vector<PropertyValues>& properties);

// ===== Values to bytes =====

// A level on 0..255 rounded to the nearest whole level; below 0 and NaN give 0, above 255 gives
// 255.
inline std::uint8_t levelByte(double level) {
    if (!(level > 0)) {
        return 0;
    }
    return level < kFullLevel ? static_cast<std::uint8_t>(level + kHalfLevel) : kOpaque;
}

// The colour of a splat's degree-0 coefficient, 0.5 + 0.28209479 f on 0..1, as a byte.
inline std::uint8_t splatByte(double coefficient) {
    return levelByte((kSplatBias + kSplatWeight * coefficient) * kFullLevel);
}

// A normal with a component that is not finite (as a float) becomes 0 0 0, which the caller
// replaces like any normal of length zero. The sum in double cannot overflow from floats.
inline void settleNormal(float* normal) {
    if (!std::isfinite(static_cast<double>(normal[0]) + normal[1] + normal[2])) {
        normal[0] = normal[1] = normal[2] = 0;
    }
}

// ===== Where the values go =====

// Takes the normals, colours and measured properties of a body as it is read and leaves them in
// the geometry. Bytes and splat colours are stored at once; colours of other types are kept raw
// until the whole body has been read, since their scale depends on the largest value in the
// file, and that raw copy is freed once they are scaled. Measured values are stored less the
// first finite value of their property.
class Attributes {
  public:
    // `vertex` is the plan of the vertex element, `face` that of the face element whose colours
    // are kept (none when the vertices have colours). The geometry's properties are named
    // already (nameMeasured).
    Attributes(Geometry& geometry, const AttributePlan& vertex, const AttributePlan& face)
        : geometry_(geometry), vertex_(vertex), face_(face) {}

    const AttributePlan& vertexPlan() const { return vertex_; }
    const AttributePlan& facePlan() const { return face_; }

    // ----- Vertices -----

    // Room for the attributes of vertices [0, count), alpha set. The
    // readers size for as many vertices as the rest of the file can hold, at most the declared
    // count, before reading.
    void sizeVertices(std::size_t count);
    // Room for vertex i, should the text hold more vertices than its bytes promised.
    void growTo(std::size_t i) {
        if (i >= vertices_) {
            resizeVertices(i + 1);
        }
    }
    float* normals() { return geometry_.normals.data(); }
    std::uint8_t* colours() { return geometry_.colours.data(); }
    float* rawColours() { return rawVertex_.data(); }
    float* texcoords() { return geometry_.texcoords.data(); }

    void normal(std::size_t i, int axis, double value) {
        geometry_.normals[i * kNormalFloats + static_cast<std::size_t>(axis)] =
            static_cast<float>(value);
    }
    void vertexColour(std::size_t i, int channel, double value) {
        const std::size_t c = static_cast<std::size_t>(channel);
        switch (vertex_.colours) {
            case ColourSource::kBytes:
                geometry_.colours[i * kColourBytes + c] = static_cast<std::uint8_t>(value);
                break;
            case ColourSource::kScaled:
                rawVertex_[i * kChannels + c] = static_cast<float>(value);
                break;
            case ColourSource::kSplat:
                geometry_.colours[i * kColourBytes + c] = splatByte(value);
                break;
            case ColourSource::kNone:
                break;
        }
    }
    // Measured property m of the vertex element at vertex i.
    void vertexMeasured(int m, std::size_t i, double value) {
        const int n = vertex_.firstMeasured + m;
        measuredValues(n)[i] = lessBase(n, value);
    }
    void vertexTexcoord(std::size_t i, int axis, double value) {
        geometry_.texcoords[i * kTexcoordFloats + static_cast<std::size_t>(axis)] =
            static_cast<float>(value);
    }
    // Where the values of measured property m of the vertex element go, and its base, for a
    // reader that finds the base ahead and then stores values without looking at it again.
    float* vertexMeasuredValues(int m) { return measuredValues(vertex_.firstMeasured + m); }
    void setVertexBase(int m, double base) {
        const int n = vertex_.firstMeasured + m;
        geometry_.properties[static_cast<std::size_t>(n)].base = base;
        based_[n] = true;
    }
    // After the values of vertex i.
    void endVertex(std::size_t i) {
        if (vertex_.keepsNormals()) {
            settleNormal(&geometry_.normals[i * kNormalFloats]);
        }
    }

    // ----- Faces -----

    void startFace() {
        cornersBefore_ = geometry_.corners.size();
        faceTexcoords_.clear();
        faceImage_ = kNoImage;
    }
    void faceColour(int channel, double value) { faceValues_[channel] = value; }
    void faceMeasured(int m, double value) { faceMeasured_[m] = value; }
    // The next value of the face's texcoord list, u and v by turns, corner by corner.
    void faceTexcoord(double value) { faceTexcoords_.push_back(static_cast<float>(value)); }
    void faceTexnumber(double value) {
        faceImage_ =
            value >= 0 && value <= kLargestImage ? static_cast<std::int32_t>(value) : kNoImage;
    }
    // After the values of a face of the element planned by `plan`: its colour and measured
    // values once for each triangle it gave.
    void endFace(const AttributePlan& plan);

    // ----- End -----

    // Scales the raw colours, frees them, drops face colours unless every triangle has one,
    // gives every vertex and triangle a measured value, and sets the geometry's notes.
    void finish();

  private:
    void resizeVertices(std::size_t count);
    // The corner texture coordinates and image of each of the `triangles` the face gave.
    void endFaceImages(const AttributePlan& plan, std::size_t triangles);
    float* measuredValues(int n) {
        return geometry_.properties[static_cast<std::size_t>(n)].values.data();
    }
    // A value of measured property n less its base, the first finite value of the property.
    float lessBase(int n, double value) {
        PropertyValues& property = geometry_.properties[static_cast<std::size_t>(n)];
        if (__builtin_expect(!based_[n], 0) && std::isfinite(value)) {
            property.base = value;
            based_[n] = true;
        }
        return static_cast<float>(value - property.base);
    }

    Geometry& geometry_;
    AttributePlan vertex_;
    AttributePlan face_;
    std::size_t vertices_ = 0;                   // vertices with room for their attributes
    std::vector<float> rawVertex_;               // kScaled vertex colours, three per vertex
    std::vector<float> rawFace_;                 // kScaled face colours, three per triangle
    std::size_t cornersBefore_ = 0;              // corners when the face being read started
    double faceValues_[kChannels] = {0, 0, 0};   // the colour of the face being read
    double faceMeasured_[kMaxKeptProperties]{};  // the measured values of the face being read
    bool based_[kMaxKeptProperties]{};           // by property: its base is known
    std::vector<float> faceTexcoords_;           // the texcoord list of the face being read
    std::int32_t faceImage_ = kNoImage;          // the texnumber of the face being read
};

}  // namespace ply
