// The general reader: every element of an ASCII or binary body in declared order, each read or
// passed over by its declared layout. Positions come from the vertex element's x, y, z (or X,
// Y, Z), triangles from the vertex index lists of faces (fanned) and triangle strips; normals
// colours, texture coordinates and face images, when asked for, go to the attribute store of
// ply_attributes.h.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "model/binary_values.h"
#include "model/ply_attributes.h"
#include "model/ply_format.h"
#include "model/scan_stream.h"
#include "model/splat_read.h"

namespace ply {
namespace {

// ===== Constants =====

constexpr int kAxes = 3;
constexpr std::int64_t kMinAsciiValueBytes = 2;  // one digit and one blank

// ===== What to take from each element =====

enum class Role { kSkip, kVertex, kFace, kStrips, kSplats };

struct Plan {
    Role role = Role::kSkip;
    int axis[kAxes] = {-1, -1, -1};  // property numbers of x, y, z in the vertex element
    int list = -1;                   // property number of the vertex index list
    AttributePlan attributes;        // normals and colours kept; none unless asked for
};

bool planVertices(const Header& header, const Element& element, Plan& plan, PlyError& error) {
    const char* names[kAxes];
    findAxes(header, element, plan.axis, names);
    for (int a = 0; a < kAxes; ++a) {
        const char* name = names[a];
        if (plan.axis[a] < 0) {
            return fail(error, "the vertex element has no %s property", name);
        }
        if (header.property(element, plan.axis[a]).list) {
            return fail(error, "the vertex property %s is a list", name);
        }
    }
    plan.role = Role::kVertex;
    return true;
}

bool planCorners(const Header& header, const Element& element, Role role, Plan& plan,
                 PlyError& error) {
    plan.list = findCornerList(header, element);
    if (plan.list < 0 || !header.property(element, plan.list).list) {
        return fail(error, "the %.*s element has no vertex_indices list",
                    static_cast<int>(element.name.size()), element.name.data());
    }
    plan.role = role;
    return true;
}

// ===== Values read one by one =====

// Where each property of an element goes when it is read value by value.
constexpr int kAxisSlot = 0;                              // + axis: a coordinate
constexpr int kNormalSlot = kAxisSlot + kAxes;            // + axis: a normal component
constexpr int kColourSlot = kNormalSlot + kNormalFloats;  // + channel: a colour channel
constexpr int kOtherSlot = kColourSlot + kChannels;       // a scalar passed over
constexpr int kListSlot = kOtherSlot + 1;                 // a list: vertex numbers, or passed over
constexpr int kMeasuredSlot = kListSlot + 1;              // + m: the element's measured property m
constexpr int kTexcoordSlot = kMeasuredSlot + kMaxKeptProperties;  // + axis: a vertex's u or v
constexpr int kTexnumberSlot = kTexcoordSlot + kTexcoordFloats;    // a face's image

void fillSlots(const Header& header, const Element& element, const Plan& plan,
               std::vector<int>& slots) {
    slots.assign(static_cast<std::size_t>(element.propertyCount), kOtherSlot);
    for (int k = 0; k < element.propertyCount; ++k) {
        if (header.property(element, k).list) {
            slots[static_cast<std::size_t>(k)] = kListSlot;
        }
    }
    const auto mark = [&slots](int property, int slot) {
        if (property >= 0) {
            slots[static_cast<std::size_t>(property)] = slot;
        }
    };
    for (int a = 0; a < kAxes; ++a) {
        mark(plan.role == Role::kVertex ? plan.axis[a] : -1, kAxisSlot + a);
        mark(plan.attributes.normal[a], kNormalSlot + a);
    }
    for (int c = 0; c < kChannels; ++c) {
        mark(plan.attributes.colours != ColourSource::kNone ? plan.attributes.colour[c] : -1,
             kColourSlot + c);
    }
    for (int m = 0; m < plan.attributes.measured; ++m) {
        mark(plan.attributes.measuredProperty[m], kMeasuredSlot + m);
    }
    for (int a = 0; a < kTexcoordFloats; ++a) {
        mark(plan.attributes.texcoord[a], kTexcoordSlot + a);
    }
    mark(plan.attributes.texnumber, kTexnumberSlot);
}

// A measured value, texture coordinate or image of instance i, by its slot. Kept out of line:
// the loop over values that calls it stays as small as it was for files that keep none.
__attribute__((noinline)) void takeMeasured(const Plan& plan, int slot, std::size_t i, double value,
                                            Attributes& attributes) {
    if (slot == kTexnumberSlot) {
        attributes.faceTexnumber(value);
    } else if (slot >= kTexcoordSlot) {
        attributes.vertexTexcoord(i, slot - kTexcoordSlot, value);
    } else if (plan.role == Role::kVertex) {
        attributes.vertexMeasured(slot - kMeasuredSlot, i, value);
    } else {
        attributes.faceMeasured(slot - kMeasuredSlot, value);
    }
}

// A normal component, colour channel, measured value, texture coordinate or image of instance
// i, read value by value.
void takeAttribute(const Plan& plan, int slot, std::size_t i, double value,
                   Attributes& attributes) {
    if (slot < kColourSlot) {
        attributes.normal(i, slot - kNormalSlot, value);
    } else if (slot >= kMeasuredSlot) {
        takeMeasured(plan, slot, i, value, attributes);
    } else if (plan.role == Role::kVertex) {
        attributes.vertexColour(i, slot - kColourSlot, value);
    } else {
        attributes.faceColour(slot - kColourSlot, value);
    }
}

// Before and after the values of one instance read value by value, in an element whose plan
// keeps attributes: room for a vertex's attributes and its normal settled, or a face's colour
// and measured values given to the triangles it made.
void startInstance(const Plan& plan, std::size_t i, Attributes& attributes) {
    if (plan.role == Role::kVertex) {
        attributes.growTo(i);
    } else {
        attributes.startFace();
    }
}
void endInstance(const Plan& plan, std::size_t i, Attributes& attributes) {
    if (plan.role == Role::kVertex) {
        attributes.endVertex(i);
    } else {
        attributes.endFace(plan.attributes);
    }
}

// ===== Triangles from index lists =====

// Takes the vertex numbers of faces and strips one at a time and turns them into triangles.
class Corners {
  public:
    Corners(Geometry& geometry, std::int64_t vertexTotal, const Element& element)
        : out_(geometry.corners),
          shortFaces_(geometry.shortFaces),
          vertexTotal_(vertexTotal),
          element_(element) {}

    void startFace(std::int64_t item) {
        item_ = item;
        taken_ = 0;
    }
    // A polygon of n >= 3 corners becomes the fan of n - 2 triangles from its first corner.
    bool faceCorner(std::int64_t index, PlyError& error) {
        if (!inRange(index, error)) {
            return false;
        }
        const auto v = static_cast<std::uint32_t>(index);
        if (taken_ == 0) {
            first_ = v;
        } else if (taken_ >= 2) {
            triangle(first_, previous_, v);
        }
        previous_ = v;
        ++taken_;
        return true;
    }
    void endFace() { shortFaces_ += taken_ < 3 ? 1 : 0; }

    void startStrip(std::int64_t item) {
        item_ = item;
        taken_ = 0;
    }
    // In a strip every second triangle is turned round so that all face the same way; -1
    // starts a new strip, and triangles with a repeated corner are left out.
    bool stripCorner(std::int64_t index, PlyError& error) {
        if (index == kStripRestart) {
            taken_ = 0;
            return true;
        }
        if (!inRange(index, error)) {
            return false;
        }
        const auto v = static_cast<std::uint32_t>(index);
        if (taken_ >= 2 && first_ != previous_ && previous_ != v && first_ != v) {
            if (taken_ % 2 == 0) {
                triangle(first_, previous_, v);
            } else {
                triangle(previous_, first_, v);
            }
        }
        first_ = previous_;
        previous_ = v;
        ++taken_;
        return true;
    }

    // A whole triangle at once, the common face: its three vertex numbers checked together.
    bool wholeTriangle(std::int64_t item, std::int64_t a, std::int64_t b, std::int64_t c,
                       PlyError& error) {
        const auto total = static_cast<std::uint64_t>(vertexTotal_);
        if (static_cast<std::uint64_t>(a) < total && static_cast<std::uint64_t>(b) < total &&
            static_cast<std::uint64_t>(c) < total) {
            triangle(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                     static_cast<std::uint32_t>(c));
            return true;
        }
        item_ = item;
        const auto outside = [total](std::int64_t v) {
            return static_cast<std::uint64_t>(v) >= total;
        };
        return inRange(outside(a) ? a : outside(b) ? b : c, error);
    }

  private:
    void triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        out_.push_back(a);
        out_.push_back(b);
        out_.push_back(c);
    }

    bool inRange(std::int64_t index, PlyError& error) const {
        if (index >= 0 && index < vertexTotal_) {
            return true;
        }
        if (index == kNotAnIndex) {
            return fail(error, "%.*s %lld: an index is not a whole number",
                        static_cast<int>(element_.name.size()), element_.name.data(),
                        static_cast<long long>(item_));
        }
        return fail(error, "%.*s %lld: index %lld outside 0..%lld",
                    static_cast<int>(element_.name.size()), element_.name.data(),
                    static_cast<long long>(item_), static_cast<long long>(index),
                    static_cast<long long>(vertexTotal_ - 1));
    }

    std::vector<std::uint32_t>& out_;
    std::int64_t& shortFaces_;
    std::int64_t vertexTotal_;
    const Element& element_;
    std::int64_t item_ = 0;
    std::int64_t taken_ = 0;  // corners of this face or strip so far
    std::uint32_t first_ = 0;
    std::uint32_t previous_ = 0;
};

// ===== Shared by both body forms =====

bool fileEnds(PlyError& error, const Element& element, std::int64_t item) {
    return fail(error, "file ends in %.*s %lld of %lld", static_cast<int>(element.name.size()),
                element.name.data(), static_cast<long long>(item),
                static_cast<long long>(element.count));
}

bool notFinite(PlyError& error, std::int64_t item) {
    return fail(error, "vertex %lld: coordinate is not finite", static_cast<long long>(item));
}

bool negativeLength(PlyError& error, const Element& element, std::int64_t item,
                    std::int64_t length) {
    return fail(error, "%.*s %lld: negative list length %lld",
                static_cast<int>(element.name.size()), element.name.data(),
                static_cast<long long>(item), static_cast<long long>(length));
}

// Vertices and triangles reserved ahead (vertex attributes sized), bounded by what the rest of
// the file can hold, so a count in a small file cannot ask for memory it will never fill.
void reserveFor(const Plan& plan, const Element& element, std::int64_t bytesLeft,
                std::int64_t minInstanceBytes, Geometry& geometry, Attributes& attributes) {
    const std::int64_t fits = bytesLeft / std::max<std::int64_t>(minInstanceBytes, 1);
    const auto instances = static_cast<std::size_t>(std::min(element.count, fits));
    if (plan.role == Role::kVertex) {
        geometry.positions.reserve(geometry.positions.size() + kAxes * instances);
        attributes.sizeVertices(instances);
    } else if (plan.role == Role::kFace) {
        geometry.corners.reserve(geometry.corners.size() + kAxes * instances);
    }
}

// One splat's fields from the values of its instance, by property number.
void addSplat(SplatSink& sink, const std::vector<double>& byProperty) {
    const SplatLayout& layout = sink.layout();
    double values[kMaxSplatFields];
    for (int f = 0; f < layout.fields; ++f) {
        values[f] = byProperty[static_cast<std::size_t>(layout.property[f])];
    }
    sink.add(values);
}

// Splats reserved ahead, bounded by what the rest of the file can hold.
void reserveSplats(SplatSink& sink, const Element& element, std::int64_t bytesLeft,
                   std::int64_t minInstanceBytes) {
    const std::int64_t fits = bytesLeft / std::max<std::int64_t>(minInstanceBytes, 1);
    sink.reserve(static_cast<std::size_t>(std::min(element.count, fits)));
}

// ===== Binary bodies =====

// A vertex index held in a list of any item type.
std::int64_t binaryIndex(const char* p, Type type, bool swap) {
    if (isInteger(type)) {
        return binaryInteger(p, type, swap);
    }
    return wholeIndex(binaryNumber(p, type, swap));
}

// Byte offset of property k in an instance of scalars alone.
int offsetOf(const Header& header, const Element& element, int k) {
    int offset = 0;
    for (int j = 0; j < k; ++j) {
        offset += typeSize(header.property(element, j).type);
    }
    return offset;
}

// The fixed-size instances of a binary element: `count` of `stride` bytes from `first`.
struct Instances {
    const char* first;
    std::size_t count;
    std::int64_t stride;
};

// What a fixed-size vertex element keeps besides its coordinates: settled once for the element,
// so that its vertices are read by a loop that tests none of it per vertex. kTexcoordsToo keeps
// everything: measured values and texture coordinates as well.
enum class Keep { kNothing, kAttributes, kMeasuredToo, kTexcoordsToo };
template <Keep kKeep>
using KeepConstant = std::integral_constant<Keep, kKeep>;

// Where the normal, colour and measured values of a vertex lie in a fixed-size binary instance,
// and where they go: read along with the coordinates, in the same pass over the bytes.
class FixedAttributes {
  public:
    // The base of each measured property is found first, in a look at the instances that stops
    // at its first finite value, so that storing a value needs no test.
    FixedAttributes(const Header& header, const Element& element, Attributes& attributes,
                    const Instances& instances, bool swap)
        : plan_(attributes.vertexPlan()),
          normals_(attributes.normals()),
          colours_(attributes.colours()),
          raw_(attributes.rawColours()),
          texcoords_(attributes.texcoords()) {
        for (int a = 0; a < kNormalFloats && plan_.keepsNormals(); ++a) {
            normalAt_[a] = offsetOf(header, element, plan_.normal[a]);
            normalType_[a] = header.property(element, plan_.normal[a]).type;
        }
        for (int c = 0; c < kChannels && plan_.colours != ColourSource::kNone; ++c) {
            colourAt_[c] = offsetOf(header, element, plan_.colour[c]);
        }
        for (int a = 0; a < kTexcoordFloats && plan_.keepsTexcoords(); ++a) {
            texcoordAt_[a] = offsetOf(header, element, plan_.texcoord[a]);
            texcoordType_[a] = header.property(element, plan_.texcoord[a]).type;
        }
        for (int m = 0; m < plan_.measured; ++m) {
            measuredAt_[m] = offsetOf(header, element, plan_.measuredProperty[m]);
            measuredType_[m] = header.property(element, plan_.measuredProperty[m]).type;
            measured_[m] = attributes.vertexMeasuredValues(m);
            const char* p = instances.first + measuredAt_[m];
            for (std::size_t i = 0; i < instances.count; ++i, p += instances.stride) {
                const double value = binaryNumber(p, measuredType_[m], swap);
                if (std::isfinite(value)) {
                    base_[m] = value;
                    attributes.setVertexBase(m, value);
                    break;
                }
            }
        }
    }

    static Keep keepOf(const AttributePlan& plan) {
        return plan.keepsTexcoords() ? Keep::kTexcoordsToo
               : plan.measured > 0   ? Keep::kMeasuredToo
               : plan.keepsAny()     ? Keep::kAttributes
                                     : Keep::kNothing;
    }

    // The attributes of vertex i, whose instance starts at p: its normal and colour, its
    // measured values when kMeasuredToo, and its texture coordinates too when kTexcoordsToo.
    // Inlined into each vertex loop, which it is most of the work of when it keeps anything.
    template <Keep kKeep>
    __attribute__((always_inline)) void take(const char* p, std::size_t i, bool swap) const {
        if (plan_.keepsNormals()) {
            float* normal = normals_ + i * kNormalFloats;
            for (int a = 0; a < kNormalFloats; ++a) {
                normal[a] =
                    static_cast<float>(binaryNumber(p + normalAt_[a], normalType_[a], swap));
            }
            settleNormal(normal);
        }
        // Only where there are colours to store: no offset is taken from a null array.
        const auto rgba = [this, i] { return colours_ + i * kColourBytes; };
        switch (plan_.colours) {
            case ColourSource::kBytes:
                for (int c = 0; c < kChannels; ++c) {
                    rgba()[c] = static_cast<std::uint8_t>(p[colourAt_[c]]);
                }
                break;
            case ColourSource::kScaled:
                for (int c = 0; c < kChannels; ++c) {
                    raw_[i * kChannels + static_cast<std::size_t>(c)] = static_cast<float>(
                        binaryNumber(p + colourAt_[c], plan_.colourType[c], swap));
                }
                break;
            case ColourSource::kSplat:
                for (int c = 0; c < kChannels; ++c) {
                    rgba()[c] =
                        splatByte(binaryNumber(p + colourAt_[c], plan_.colourType[c], swap));
                }
                break;
            case ColourSource::kNone:
                break;
        }
        constexpr bool kMeasured = kKeep == Keep::kMeasuredToo || kKeep == Keep::kTexcoordsToo;
        for (int m = 0; kMeasured && m < plan_.measured; ++m) {
            measured_[m][i] = static_cast<float>(
                binaryNumber(p + measuredAt_[m], measuredType_[m], swap) - base_[m]);
        }
        if constexpr (kKeep == Keep::kTexcoordsToo) {
            for (int a = 0; a < kTexcoordFloats; ++a) {
                texcoords_[i * kTexcoordFloats + static_cast<std::size_t>(a)] =
                    static_cast<float>(binaryNumber(p + texcoordAt_[a], texcoordType_[a], swap));
            }
        }
    }

  private:
    const AttributePlan& plan_;
    float* normals_;
    std::uint8_t* colours_;
    float* raw_;
    float* texcoords_;
    int texcoordAt_[kTexcoordFloats] = {0, 0};
    Type texcoordType_[kTexcoordFloats] = {Type::kFloat32, Type::kFloat32};
    int normalAt_[kNormalFloats] = {0, 0, 0};
    Type normalType_[kNormalFloats] = {Type::kFloat32, Type::kFloat32, Type::kFloat32};
    int colourAt_[kChannels] = {0, 0, 0};
    int measuredAt_[kMaxKeptProperties]{};
    Type measuredType_[kMaxKeptProperties]{};
    float* measured_[kMaxKeptProperties]{};
    double base_[kMaxKeptProperties]{};  // 0 for a property with no finite value
};

class BinaryBody {
  public:
    BinaryBody(const char* p, const char* end, bool swap, bool centredFloats,
               Attributes& attributes, SplatSink* splats)
        : p_(p),
          end_(end),
          swap_(swap),
          centredFloats_(centredFloats),
          attributes_(attributes),
          splats_(splats) {}

    bool element(const Header& header, const Element& element, const Plan& plan,
                 std::int64_t vertexTotal, Geometry& geometry, PlyError& error) {
        std::int64_t stride = 0;
        bool fixed = true;
        for (int k = 0; k < element.propertyCount; ++k) {
            const Property& property = header.property(element, k);
            fixed = fixed && !property.list;
            stride += property.list ? typeSize(property.countType) : typeSize(property.type);
        }
        if (plan.role == Role::kSplats) {
            return fixed ? fixedSplats(header, element, stride, error)
                         : splatInstances(header, element, plan, vertexTotal, stride, geometry,
                                          error);
        }
        reserveFor(plan, element, end_ - p_, stride, geometry, attributes_);
        if (fixed) {
            return fixedElement(header, element, plan, stride, geometry, error);
        }
        fillSlots(header, element, plan, slots_);
        Corners corners(geometry, vertexTotal, element);
        const Property& first = header.property(element, 0);
        const bool onlyIndices = plan.role == Role::kFace && element.propertyCount == 1;
        if (onlyIndices && typeSize(first.countType) == 1 && typeSize(first.type) == 4 &&
            isInteger(first.type)) {
            return byteCountFaces(header, element, plan, first.type == Type::kInt32, corners,
                                  geometry, error);
        }
        for (std::int64_t i = 0; i < element.count; ++i) {
            if (!instance(header, element, plan, i, corners, geometry, error)) {
                return false;
            }
        }
        return true;
    }

  private:
    // The splats of a fixed-size vertex element, straight from their bytes: floats, as files
    // have them, without asking each value its type.
    bool fixedSplats(const Header& header, const Element& element, std::int64_t stride,
                     PlyError& error) {
        if (stride > 0 && (end_ - p_) / stride < element.count) {
            return fileEnds(error, element, (end_ - p_) / stride);
        }
        SplatSink& sink = *splats_;
        const SplatLayout& layout = sink.layout();
        int at[kMaxSplatFields];
        Type type[kMaxSplatFields];
        bool floats = true;
        for (int f = 0; f < layout.fields; ++f) {
            at[f] = offsetOf(header, element, layout.property[f]);
            type[f] = header.property(element, layout.property[f]).type;
            floats = floats && type[f] == Type::kFloat32;
        }
        sink.reserve(static_cast<std::size_t>(element.count));
        const auto count = static_cast<std::size_t>(element.count);
        p_ = floats ? splatLoop<true>(count, stride, at, type)
                    : splatLoop<false>(count, stride, at, type);
        return true;
    }

    // `count` splats of `stride` bytes from the cursor, their fields at `at` of types `type`
    // (all floats when kFloats); returns the cursor after them.
    template <bool kFloats>
    const char* splatLoop(std::size_t count, std::int64_t stride, const int* at,
                          const Type* type) const {
        SplatSink& sink = *splats_;
        const int fields = sink.layout().fields;
        const char* p = p_;
        const bool swap = swap_;
        for (std::size_t i = 0; i < count; ++i, p += stride) {
            double values[kMaxSplatFields];
            for (int f = 0; f < fields; ++f) {
                values[f] = kFloats ? loadFloat<float, std::uint32_t>(p + at[f], swap)
                                    : binaryNumber(p + at[f], type[f], swap);
            }
            sink.add(values);
        }
        return p;
    }

    // The splats of a vertex element with lists, instance by instance.
    bool splatInstances(const Header& header, const Element& element, const Plan& plan,
                        std::int64_t vertexTotal, std::int64_t leastBytes, Geometry& geometry,
                        PlyError& error) {
        reserveSplats(*splats_, element, end_ - p_, leastBytes);
        Corners corners(geometry, vertexTotal, element);
        std::vector<double> values(static_cast<std::size_t>(element.propertyCount));
        for (std::int64_t i = 0; i < element.count; ++i) {
            for (int k = 0; k < element.propertyCount; ++k) {
                const Property& property = header.property(element, k);
                if (property.list) {
                    if (!list(element, property, plan, k, i, corners, error)) {
                        return false;
                    }
                    continue;
                }
                const int size = typeSize(property.type);
                if (end_ - p_ < size) {
                    return fileEnds(error, element, i);
                }
                values[static_cast<std::size_t>(k)] = binaryNumber(p_, property.type, swap_);
                p_ += size;
            }
            addSplat(*splats_, values);
        }
        return true;
    }

    // Every instance the same size: checked once, then read without further checks.
    bool fixedElement(const Header& header, const Element& element, const Plan& plan,
                      std::int64_t stride, Geometry& geometry, PlyError& error) {
        const std::int64_t bytes = end_ - p_;
        if (stride > 0 && bytes / stride < element.count) {
            return fileEnds(error, element, bytes / stride);
        }
        if (plan.role != Role::kVertex) {
            p_ += stride * element.count;
            return true;
        }
        Layout layout;
        for (int a = 0; a < kAxes; ++a) {
            layout.offset[a] = offsetOf(header, element, plan.axis[a]);
            layout.type[a] = header.property(element, plan.axis[a]).type;
        }
        layout.stride = stride;
        if (centredFloats_) {
            return centredVertices(header, layout, element, plan, geometry, error);
        }
        const std::size_t first = geometry.positions.size();
        geometry.positions.resize(first + static_cast<std::size_t>(element.count) * kAxes);
        double* out = geometry.positions.data() + first;
        return withKept(header, element, plan, stride, [&](auto keep, const FixedAttributes* kept) {
            return fixedVertices<decltype(keep)::value>(layout, element.count, out, kept, error);
        });
    }

    // `read(KeepConstant, kept)`, a loop over the vertices of a fixed-size element made for what
    // the plan keeps, with the attributes sized and placed when it keeps any (null otherwise).
    template <typename Read>
    bool withKept(const Header& header, const Element& element, const Plan& plan,
                  std::int64_t stride, const Read& read) {
        const Keep keep = FixedAttributes::keepOf(plan.attributes);
        if (keep == Keep::kNothing) {
            return read(KeepConstant<Keep::kNothing>{}, nullptr);
        }
        const auto count = static_cast<std::size_t>(element.count);
        attributes_.sizeVertices(count);
        const FixedAttributes kept(header, element, attributes_, {p_, count, stride}, swap_);
        switch (keep) {
            case Keep::kAttributes:
                return read(KeepConstant<Keep::kAttributes>{}, &kept);
            case Keep::kMeasuredToo:
                return read(KeepConstant<Keep::kMeasuredToo>{}, &kept);
            default:
                return read(KeepConstant<Keep::kTexcoordsToo>{}, &kept);
        }
    }

    struct Layout {
        int offset[kAxes];  // of x, y, z in an instance
        Type type[kAxes];
        std::int64_t stride;  // bytes per instance

        double coordinate(const char* instance, int a, bool swap) const {
            return binaryNumber(instance + offset[a], type[a], swap);
        }
    };

    // The box of the coordinates of `count` instances from the cursor; false at the first that
    // is not finite. Made apart for three floats, the layout most files have, so that their loop
    // asks no value its type.
    template <bool kFloats>
    bool findBox(const Layout& layout, std::int64_t count, double (&low)[kAxes],
                 double (&high)[kAxes], PlyError& error) const {
        const char* p = p_;
        const bool swap = swap_;
        for (std::int64_t i = 0; i < count; ++i, p += layout.stride) {
            for (int a = 0; a < kAxes; ++a) {
                const double value =
                    kFloats ? loadFloat<float, std::uint32_t>(p + layout.offset[a], swap)
                            : layout.coordinate(p, a, swap);
                if (!std::isfinite(value)) {
                    return notFinite(error, i);
                }
                low[a] = i == 0 || value < low[a] ? value : low[a];
                high[a] = i == 0 || value > high[a] ? value : high[a];
            }
        }
        return true;
    }

    // The vertices as floats less the centre of their box: the box from a first look at the
    // bytes (any coordinate that is not finite refused there), then the floats and what else is
    // kept. The same values as the doubles less the centre would give, rounded once.
    bool centredVertices(const Header& header, const Layout& layout, const Element& element,
                         const Plan& plan, Geometry& geometry, PlyError& error) {
        double low[kAxes] = {0, 0, 0}, high[kAxes] = {0, 0, 0};
        const bool floats = layout.type[0] == Type::kFloat32 && layout.type[1] == Type::kFloat32 &&
                            layout.type[2] == Type::kFloat32;
        if (!(floats ? findBox<true>(layout, element.count, low, high, error)
                     : findBox<false>(layout, element.count, low, high, error))) {
            return false;
        }
        for (int a = 0; a < kAxes; ++a) {
            geometry.centre[a] = (low[a] + high[a]) / 2.0;
        }
        const auto count = static_cast<std::size_t>(element.count);
        geometry.centredPositions.reserve(count * kAxes);
        geometry.centredPositions.resize(count * kAxes);
        float* out = geometry.centredPositions.data();
        geometry.centred = withKept(header, element, plan, layout.stride,
                                    [&](auto keep, const FixedAttributes* kept) {
                                        return centredFloats<decltype(keep)::value>(
                                            layout, count, geometry.centre, out, kept, error);
                                    });
        return geometry.centred;
    }

    // The floats of `count` vertices less `centre`, and what else kKeep says.
    template <Keep kKeep>
    bool centredFloats(const Layout& layout, std::size_t count, const double (&centre)[kAxes],
                       float* out, const FixedAttributes* kept, PlyError& error) {
        // Local copies, kept in registers: the attribute bytes stored may alias members.
        const double middle[kAxes] = {centre[0], centre[1], centre[2]};
        const char* p = p_;
        const bool swap = swap_;
        for (std::size_t i = 0; i < count; ++i, p += layout.stride, out += kAxes) {
            for (int a = 0; a < kAxes; ++a) {
                out[a] = static_cast<float>(layout.coordinate(p, a, swap) - middle[a]);
                if (!std::isfinite(out[a])) {
                    return fail(error, "vertex %zu: coordinate is beyond the float range", i);
                }
            }
            if constexpr (kKeep != Keep::kNothing) {
                kept->take<kKeep>(p, i, swap);
            }
        }
        p_ = p;
        return true;
    }

    // The coordinates of `count` vertices, and what else kKeep says.
    template <Keep kKeep>
    bool fixedVertices(const Layout& layout, std::int64_t count, double* out,
                       const FixedAttributes* kept, PlyError& error) {
        const bool floats = layout.type[0] == Type::kFloat32 && layout.type[1] == Type::kFloat32 &&
                            layout.type[2] == Type::kFloat32;
        const char* p = p_;  // a local cursor: the attribute bytes stored may alias members
        const bool swap = swap_;
        for (std::int64_t i = 0; i < count; ++i, p += layout.stride, out += kAxes) {
            for (int a = 0; a < kAxes; ++a) {
                out[a] = floats ? loadFloat<float, std::uint32_t>(p + layout.offset[a], swap)
                                : binaryNumber(p + layout.offset[a], layout.type[a], swap);
            }
            if (!std::isfinite(out[0] + out[1] + out[2]) &&
                !(std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2]))) {
                return notFinite(error, i);
            }
            if constexpr (kKeep != Keep::kNothing) {
                kept->take<kKeep>(p, static_cast<std::size_t>(i), swap);
            }
        }
        p_ = p;
        return true;
    }

    // Faces of one list with a one-byte count and 32-bit numbers, as most tools write them:
    // triangles are taken whole, anything else instance by instance. Compiled on its own: inlined
    // into the rest of the binary reader, its loop kept the corners on the stack.
    __attribute__((noinline)) bool byteCountFaces(const Header& header, const Element& element,
                                                  const Plan& plan, bool signedIndex,
                                                  Corners& corners, Geometry& geometry,
                                                  PlyError& error) {
        constexpr std::ptrdiff_t kTriangleBytes = 1 + 3 * 4;
        const char* p = p_;  // a local cursor, kept in a register across the triangles
        for (std::int64_t i = 0; i < element.count; ++i) {
            if (end_ - p >= kTriangleBytes && *p == 3) {
                std::int64_t v[3];
                for (int k = 0; k < 3; ++k) {
                    const std::uint32_t bits = loadBits<std::uint32_t>(p + 1 + 4 * k, swap_);
                    v[k] = signedIndex ? static_cast<std::int32_t>(bits) : bits;
                }
                if (!corners.wholeTriangle(i, v[0], v[1], v[2], error)) {
                    return false;
                }
                p += kTriangleBytes;
                continue;
            }
            p_ = p;
            if (!instance(header, element, plan, i, corners, geometry, error)) {
                return false;
            }
            p = p_;
        }
        p_ = p;
        return true;
    }

    bool instance(const Header& header, const Element& element, const Plan& plan, std::int64_t i,
                  Corners& corners, Geometry& geometry, PlyError& error) {
        const auto at = static_cast<std::size_t>(i);
        const bool keep = plan.attributes.keepsAny();
        if (keep) {
            startInstance(plan, at, attributes_);
        }
        for (int k = 0; k < element.propertyCount; ++k) {
            const Property& property = header.property(element, k);
            const int slot = slots_[static_cast<std::size_t>(k)];
            if (slot == kListSlot) {
                if (!list(element, property, plan, k, i, corners, error)) {
                    return false;
                }
                continue;
            }
            const int size = typeSize(property.type);
            if (end_ - p_ < size) {
                return fileEnds(error, element, i);
            }
            if (slot < kNormalSlot && !coordinate(slot, property.type, i, geometry, error)) {
                return false;
            }
            if (slot >= kNormalSlot && slot != kOtherSlot) {
                takeAttribute(plan, slot, at, binaryNumber(p_, property.type, swap_), attributes_);
            }
            p_ += size;
        }
        if (keep) {
            endInstance(plan, at, attributes_);
        }
        return true;
    }

    // Axes may be declared in any order: each goes to its own place.
    bool coordinate(int axis, Type type, std::int64_t i, Geometry& geometry, PlyError& error) {
        const double value = binaryNumber(p_, type, swap_);
        if (!std::isfinite(value)) {
            return notFinite(error, i);
        }
        const std::size_t vertex = static_cast<std::size_t>(i) * kAxes;
        geometry.positions.resize(std::max(geometry.positions.size(), vertex + kAxes));
        geometry.positions[vertex + static_cast<std::size_t>(axis)] = value;
        return true;
    }

    bool list(const Element& element, const Property& property, const Plan& plan, int k,
              std::int64_t i, Corners& corners, PlyError& error) {
        const int countSize = typeSize(property.countType);
        if (end_ - p_ < countSize) {
            return fileEnds(error, element, i);
        }
        const std::int64_t length = binaryInteger(p_, property.countType, swap_);
        p_ += countSize;
        if (length < 0) {
            return negativeLength(error, element, i, length);
        }
        const int itemSize = typeSize(property.type);
        if ((end_ - p_) / itemSize < length) {
            return fileEnds(error, element, i);
        }
        if (k == plan.attributes.texcoordList) {
            for (std::int64_t n = 0; n < length; ++n, p_ += itemSize) {
                attributes_.faceTexcoord(binaryNumber(p_, property.type, swap_));
            }
            return true;
        }
        if (k != plan.list) {
            p_ += length * itemSize;
            return true;
        }
        const bool strip = plan.role == Role::kStrips;
        strip ? corners.startStrip(i) : corners.startFace(i);
        for (std::int64_t n = 0; n < length; ++n, p_ += itemSize) {
            const std::int64_t index = binaryIndex(p_, property.type, swap_);
            if (!(strip ? corners.stripCorner(index, error) : corners.faceCorner(index, error))) {
                return false;
            }
        }
        if (!strip) {
            corners.endFace();
        }
        return true;
    }

    const char* p_;
    const char* end_;
    bool swap_;
    bool centredFloats_;  // a fixed vertex element straight to centred floats
    Attributes& attributes_;
    SplatSink* splats_;       // a splat file's vertices go here; null otherwise
    std::vector<int> slots_;  // by property of the element read instance by instance
};

// ===== ASCII bodies =====

class AsciiBody {
  public:
    AsciiBody(const char* p, const char* end, bool wide, Attributes& attributes, SplatSink* splats)
        : numbers_(p, end), end_(end), wide_(wide), attributes_(attributes), splats_(splats) {}

    bool element(const Header& header, const Element& element, const Plan& plan,
                 std::int64_t vertexTotal, Geometry& geometry, PlyError& error) {
        if (plan.role == Role::kSplats) {
            return splatInstances(header, element, plan, vertexTotal, geometry, error);
        }
        reserveFor(plan, element, end_ - numbers_.cursor(),
                   kMinAsciiValueBytes * element.propertyCount, geometry, attributes_);
        Corners corners(geometry, vertexTotal, element);
        fillSlots(header, element, plan, slots_);
        const bool oneList = plan.role == Role::kFace && element.propertyCount == 1;
        const Type index = oneList ? header.property(element, 0).type : Type::kUint8;
        const bool plainFaces = oneList && typeSize(index) >= kShortIndexBytes && isInteger(index);
        wideIndices_ = typeSize(index) >= kWideIndexBytes;
        return plan.attributes.keepsAny()
                   ? instances<true>(header, element, plan, plainFaces, corners, geometry, error)
                   : instances<false>(header, element, plan, plainFaces, corners, geometry, error);
    }

  private:
    // The splats of a splat file's vertex element, each value read as its declared type (a float
    // written with 9 digits reads as the same float a binary file holds).
    bool splatInstances(const Header& header, const Element& element, const Plan& plan,
                        std::int64_t vertexTotal, Geometry& geometry, PlyError& error) {
        reserveSplats(*splats_, element, end_ - numbers_.cursor(),
                      kMinAsciiValueBytes * element.propertyCount);
        Corners corners(geometry, vertexTotal, element);
        std::vector<double> values(static_cast<std::size_t>(element.propertyCount));
        for (std::int64_t i = 0; i < element.count; ++i) {
            for (int k = 0; k < element.propertyCount; ++k) {
                const Property& property = header.property(element, k);
                const bool ok = property.list ? list(element, property, plan, k, i, corners, error)
                                              : number(element, property, property.type, i,
                                                       values[static_cast<std::size_t>(k)], error);
                if (!ok) {
                    return false;
                }
            }
            numbers_.endLine();
            addSplat(*splats_, values);
        }
        return true;
    }

    // Every instance of the element, value by value; normals and colours taken when kKeep (an
    // element without them reads as it would were none asked for).
    template <bool kKeep>
    bool instances(const Header& header, const Element& element, const Plan& plan, bool plainFaces,
                   Corners& corners, Geometry& geometry, PlyError& error) {
        for (std::int64_t i = 0; i < element.count; ++i) {
            if (plainFaces && shortTriangle(i, corners, error)) {
                if (error.message[0] != '\0') {
                    return false;
                }
                continue;
            }
            if (element.propertyCount == 0 && numbers_.cursor() == end_) {
                return true;  // instances without values: nothing left to pass over
            }
            double* xyz = plan.role == Role::kVertex ? vertexSlot(geometry, i) : nullptr;
            const auto at = static_cast<std::size_t>(i);
            if constexpr (kKeep) {
                startInstance(plan, at, attributes_);
            }
            for (int k = 0; k < element.propertyCount; ++k) {
                const Property& property = header.property(element, k);
                const int slot = slots_[static_cast<std::size_t>(k)];
                bool ok;
                if (slot == kListSlot) {
                    ok = list(element, property, plan, k, i, corners, error);
                } else if (slot == kOtherSlot) {
                    double ignored;
                    ok = number(element, property, property.type, i, ignored, error);
                } else if (!kKeep || slot < kNormalSlot) {
                    ok = coordinate(element, property, i, xyz[slot], error);
                } else {
                    double value = 0;
                    ok = number(element, property, property.type, i, value, error);
                    if (ok) {  // a refused value may lie outside its type
                        takeAttribute(plan, slot, at, value, attributes_);
                    }
                }
                if (!ok) {
                    return false;
                }
            }
            if constexpr (kKeep) {
                endInstance(plan, at, attributes_);
            }
            numbers_.endLine();  // values beyond the declared ones are passed over
        }
        return true;
    }

    static constexpr int kShortIndexBytes = 2;  // holds every number of up to four digits
    static constexpr int kWideIndexBytes = 4;   // and up to eight
    static constexpr int kWideDigits = 8;

    // A face written "3 a b c" with numbers of up to four digits (eight when the indices are of
    // a 32-bit type), taken in one go as the subset reader does; true when it was (with `error` set
    // if an index is outside the vertices), false with nothing read otherwise.
    bool shortTriangle(std::int64_t i, Corners& corners, PlyError& error) {
        const char* before = numbers_.cursor();
        std::int32_t values[1 + kAxes];
        const bool read = wideIndices_ ? numbers_.readShortInts<1 + kAxes, kWideDigits>(values)
                                       : numbers_.readShortInts(values);
        if (!read) {
            return false;
        }
        if (values[0] != kAxes) {
            numbers_.seek(before);
            return false;
        }
        if (corners.wholeTriangle(i, values[1], values[2], values[3], error)) {
            numbers_.endLine();
        }
        return true;
    }

    // The three coordinates of vertex i; the positions grow as the vertices are read, since
    // the count alone does not prove the text holds them.
    // Within the room reserved, the three are appended as plain stores: a resize there was
    // left to a call per vertex by the compiler.
    static double* vertexSlot(Geometry& geometry, std::int64_t i) {
        std::vector<double>& positions = geometry.positions;
        const std::size_t at = static_cast<std::size_t>(i) * kAxes;
        if (positions.size() == at && positions.capacity() >= at + kAxes) {
            for (int a = 0; a < kAxes; ++a) {
                positions.push_back(0);
            }
        } else if (positions.size() < at + kAxes) {
            positions.resize(at + kAxes);
        }
        return positions.data() + at;
    }

    // Any value of `type`; integers must be whole and in the type's range. Inlined into the
    // loop over an instance's values, where it is most of the work.
    __attribute__((always_inline)) bool number(const Element& element, const Property& property,
                                               Type type, std::int64_t i, double& out,
                                               PlyError& error) {
        scan::Result result;
        if (type == Type::kFloat32 || (type == Type::kFloat64 && !wide_)) {
            float narrow = 0;
            result = numbers_.readFloat(narrow);
            out = narrow;
        } else if (type == Type::kFloat64) {
            result = numbers_.readDouble(out);
        } else {
            std::int64_t whole = 0;
            result = integer(type, whole);
            out = static_cast<double>(whole);
        }
        if (__builtin_expect(result == scan::Result::kOk && numbers_.tokenEnded(), 1)) {
            return true;
        }
        return numberFault(element, property, type, i, result, error);
    }

    static bool numberFault(const Element& element, const Property& property, Type type,
                            std::int64_t i, scan::Result result, PlyError& error)
        __attribute__((noinline, cold)) {
        if (result == scan::Result::kEnd) {
            return fileEnds(error, element, i);
        }
        return fail(error, "%.*s %lld: %.*s is not a number of type %s",
                    static_cast<int>(element.name.size()), element.name.data(),
                    static_cast<long long>(i), static_cast<int>(property.name.size()),
                    property.name.data(), typeName(type));
    }

    scan::Result integer(Type type, std::int64_t& out) {
        const char* before = numbers_.cursor();
        std::int32_t value = 0;
        scan::Result result = numbers_.readInt(value);
        out = value;
        if (result == scan::Result::kTooLarge && type == Type::kUint32) {
            result = wideUnsigned(before, out);  // beyond the 32-bit signed range
        }
        const int t = static_cast<int>(type);
        if (result == scan::Result::kOk && (out < kTypeLowest[t] || out > kTypeHighest[t])) {
            return scan::Result::kNotANumber;
        }
        return result == scan::Result::kTooLarge ? scan::Result::kNotANumber : result;
    }

    scan::Result wideUnsigned(const char* from, std::int64_t& out) {
        const char* p = from;
        scan::skipSpace(p, end_);
        p += p < end_ && *p == '+';
        std::uint32_t value = 0;
        const auto [stop, code] = std::from_chars(p, end_, value);
        if (code != std::errc()) {
            return scan::Result::kNotANumber;
        }
        numbers_.seek(stop);
        out = value;
        return scan::Result::kOk;
    }

    // Coordinates read as floats, or as doubles when they are to be centred first.
    bool coordinate(const Element& element, const Property& property, std::int64_t i, double& out,
                    PlyError& error) {
        const Type as = isInteger(property.type) ? property.type
                        : wide_                  ? Type::kFloat64
                                                 : Type::kFloat32;
        if (!number(element, property, as, i, out, error)) {
            return false;
        }
        return std::isfinite(out) || notFinite(error, i);
    }

    bool list(const Element& element, const Property& property, const Plan& plan, int k,
              std::int64_t i, Corners& corners, PlyError& error) {
        double length = 0;
        if (!number(element, property, property.countType, i, length, error)) {
            return false;
        }
        if (length < 0) {
            return negativeLength(error, element, i, static_cast<std::int64_t>(length));
        }
        if (k == plan.attributes.texcoordList) {
            return texcoordItems(element, property, i, static_cast<std::int64_t>(length), error);
        }
        const bool indices = k == plan.list;
        const bool strip = plan.role == Role::kStrips;
        if (indices) {
            strip ? corners.startStrip(i) : corners.startFace(i);
        }
        for (std::int64_t n = 0; n < static_cast<std::int64_t>(length); ++n) {
            double item = 0;
            if (!number(element, property, property.type, i, item, error)) {
                return false;
            }
            if (!indices) {
                continue;
            }
            const std::int64_t index = wholeIndex(item);
            if (!(strip ? corners.stripCorner(index, error) : corners.faceCorner(index, error))) {
                return false;
            }
        }
        if (indices && !strip) {
            corners.endFace();
        }
        return true;
    }

    // The `length` items of a face's texcoord list. Out of line, so that the loop over the
    // values of faces without one is as it was.
    __attribute__((noinline)) bool texcoordItems(const Element& element, const Property& property,
                                                 std::int64_t i, std::int64_t length,
                                                 PlyError& error) {
        for (std::int64_t n = 0; n < length; ++n) {
            double item = 0;
            if (!number(element, property, property.type, i, item, error)) {
                return false;
            }
            attributes_.faceTexcoord(item);
        }
        return true;
    }

    scan::Stream numbers_;
    bool wideIndices_ = false;  // the face element's indices hold eight digits
    const char* end_;
    bool wide_;  // coordinates in double precision
    Attributes& attributes_;
    SplatSink* splats_;       // a splat file's vertices go here; null otherwise
    std::vector<int> slots_;  // by property of the element being read
};

bool planAll(const Header& header, std::vector<Plan>& plans, std::int64_t& vertexTotal,
             Geometry& geometry, PlyError& error) {
    plans.assign(header.elements.size(), Plan{});
    bool vertexSeen = false;
    for (std::size_t e = 0; e < header.elements.size(); ++e) {
        const Element& element = header.elements[e];
        bool ok = true;
        if (element.name == "vertex") {
            if (vertexSeen) {
                return fail(error, "a second vertex element");
            }
            vertexSeen = true;
            vertexTotal = element.count;
            ok = planVertices(header, element, plans[e], error);
        } else if (element.name == "face" || element.name == "tristrips") {
            geometry.hasFaces = true;
            ok = planCorners(header, element, element.name == "face" ? Role::kFace : Role::kStrips,
                             plans[e], error);
        }
        if (!ok) {
            return false;
        }
    }
    if (!vertexSeen) {
        return fail(error, "no vertex element");
    }
    return true;
}

// What to keep besides the geometry: the normals and colours of the vertex element, the colour
// of the first face element that has one when the vertices have none, the measured properties
// of the vertex element and then of the first face element, named in the geometry, and the
// texture coordinates of the vertices or else of the first face element, with its images.
// Returns the plans of the vertex element and of the face element whose colours are kept.
void planKept(const Header& header, std::vector<Plan>& plans, AttributePlan& vertex,
              AttributePlan& face, Geometry& geometry) {
    std::size_t vertices = 0;
    std::size_t coloured = plans.size();  // the face element whose colours are kept
    std::size_t measured = plans.size();  // the face element whose measured values are kept
    for (std::size_t e = 0; e < plans.size(); ++e) {
        Plan& plan = plans[e];
        if (plan.role == Role::kVertex) {
            plan.attributes = planAttributes(header, header.elements[e], true);
            vertices = e;
        } else if (plan.role == Role::kFace) {
            measured = std::min(measured, e);
            const AttributePlan colour = planAttributes(header, header.elements[e], false);
            if (coloured == plans.size() && colour.colours != ColourSource::kNone) {
                plan.attributes = colour;
                coloured = e;
            }
        }
    }
    AttributePlan& vertexPlan = plans[vertices].attributes;
    if (coloured < plans.size() && vertexPlan.colours != ColourSource::kNone) {
        plans[coloured].attributes = AttributePlan{};
        coloured = plans.size();
    }
    planMeasured(header, header.elements[vertices], true, 0, vertexPlan);
    nameMeasured(header, header.elements[vertices], vertexPlan, false, geometry.properties);
    planTextures(header, header.elements[vertices], true, vertexPlan);
    if (measured < plans.size()) {
        AttributePlan& facePlan = plans[measured].attributes;
        planMeasured(header, header.elements[measured], false, vertexPlan.measured, facePlan);
        nameMeasured(header, header.elements[measured], facePlan, true, geometry.properties);
        planTextures(header, header.elements[measured], false, facePlan);
        // Coordinates by corner are what the faces were drawn with: those of the vertices,
        // which cannot differ across a seam, are not read beside them.
        if (facePlan.texcoordList >= 0) {
            vertexPlan.texcoord[0] = vertexPlan.texcoord[1] = -1;
        }
    }
    vertex = vertexPlan;
    face = coloured < plans.size() ? plans[coloured].attributes : AttributePlan{};
}

// Every element in turn through one body reader.
template <typename Reader>
bool readElements(Reader& reader, const Header& header, const std::vector<Plan>& plans,
                  std::int64_t vertexTotal, Geometry& geometry, PlyError& error) {
    for (std::size_t e = 0; e < header.elements.size(); ++e) {
        if (!reader.element(header, header.elements[e], plans[e], vertexTotal, geometry, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool readBody(const char* text, std::size_t size, const Header& header, const BodyOptions& options,
              Geometry& geometry, PlyError& error) {
    geometry.positions.clear();
    geometry.centredPositions.clear();
    geometry.centred = false;
    geometry.corners.clear();
    geometry.shortFaces = 0;
    geometry.hasFaces = false;
    geometry.normals.clear();
    geometry.colours.clear();
    geometry.faceColours.clear();
    geometry.splats = geometry.colourFloats255 = false;
    geometry.properties.clear();
    geometry.texcoords.clear();
    geometry.cornerTexcoords.clear();
    geometry.triangleTextures.clear();
    geometry.splatModel = SplatModel{};
    static std::vector<Plan> plans;  // reused from parse to parse
    std::int64_t vertexTotal = 0;
    if (!planAll(header, plans, vertexTotal, geometry, error)) {
        return false;
    }
    // A splat file's vertices are splats, of which nothing else is kept.
    SplatLayout splatLayout;
    const bool splatFile = options.splats && isSplatFile(header);
    for (std::size_t e = 0; splatFile && e < plans.size(); ++e) {
        if (plans[e].role == Role::kVertex) {
            planSplats(header, header.elements[e], splatLayout);
            plans[e].role = Role::kSplats;
        }
    }
    SplatSink splats(geometry, splatLayout);
    SplatSink* splatSink = splatFile ? &splats : nullptr;
    AttributePlan vertexKept;
    AttributePlan faceKept;
    if (options.attributes && !splatFile) {
        planKept(header, plans, vertexKept, faceKept, geometry);
    }
    Attributes attributes(geometry, vertexKept, faceKept);
    const char* body = text + header.bodyOffset;
    const char* end = text + size;
    bool read;
    if (header.format == Format::kAscii) {
        AsciiBody reader(body, end, options.wide, attributes, splatSink);
        read = readElements(reader, header, plans, vertexTotal, geometry, error);
    } else {
        const bool swap = (header.format == Format::kBinaryBigEndian) ==
                          (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
        BinaryBody reader(body, end, swap, options.centredFloats, attributes, splatSink);
        read = readElements(reader, header, plans, vertexTotal, geometry, error);
    }
    if (read) {
        attributes.finish();
    }
    return read && (!splatFile || splats.finish(error));
}

}  // namespace ply
