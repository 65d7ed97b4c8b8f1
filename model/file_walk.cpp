// One lean pass over a PLY body: each value read once, by the same rules as the general reader
// (ply_body.cpp), but only counted and measured. Anything the reader would refuse stops the
// pass; the caller then asks the reader itself for its words, so only the happy path is here.
#include "model/file_walk.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/binary_values.h"
#include "model/scan_stream.h"

namespace ply {
namespace {

// ===== Constants =====

constexpr int kAxes = kBoxAxes;
constexpr int kTriangleCorners = 3;

// Where each property of an element goes.
constexpr int kAxisSlot = 0;                    // + axis
constexpr int kColourSlot = kAxisSlot + kAxes;  // + channel
constexpr int kOtherSlot = kColourSlot + kChannels;
constexpr int kIndexSlot = kOtherSlot + 1;  // the vertex index list of faces or strips

// ===== What to take from each element =====

enum class Role { kSkip, kVertex, kFace, kStrips };

struct Plan {
    Role role = Role::kSkip;
    std::vector<int> slots;   // by property
    bool keptColour = false;  // its colour is the one the viewer keeps
};

bool planVertices(const Header& header, const Element& element, Plan& plan) {
    int axes[kAxes];
    const char* names[kAxes];
    findAxes(header, element, axes, names);
    for (int a = 0; a < kAxes; ++a) {
        const int k = axes[a];
        if (k < 0 || header.property(element, k).list) {
            return false;
        }
        plan.slots[static_cast<std::size_t>(k)] = kAxisSlot + a;
    }
    plan.role = Role::kVertex;
    return true;
}

bool planCorners(const Header& header, const Element& element, Role role, Plan& plan) {
    const int k = findCornerList(header, element);
    if (k < 0 || !header.property(element, k).list) {
        return false;
    }
    plan.slots[static_cast<std::size_t>(k)] = kIndexSlot;
    plan.role = role;
    return true;
}

// The roles of the elements, as the reader plans them, and the colour it keeps: the vertices',
// else that of the first face element with one.
bool planAll(const Header& header, std::vector<Plan>& plans, BodyCounts& counts) {
    plans.assign(header.elements.size(), Plan{});
    bool vertexSeen = false;
    bool faceSeen = false;
    for (std::size_t e = 0; e < header.elements.size(); ++e) {
        const Element& element = header.elements[e];
        Plan& plan = plans[e];
        plan.slots.assign(static_cast<std::size_t>(element.propertyCount), kOtherSlot);
        bool ok = true;
        if (element.name == "vertex") {
            ok = !vertexSeen && planVertices(header, element, plan);
            vertexSeen = true;
            counts.vertexPlan = planAttributes(header, element, true);
        } else if (element.name == "face" || element.name == "tristrips") {
            const bool face = element.name == "face";
            ok = planCorners(header, element, face ? Role::kFace : Role::kStrips, plan);
            if (face && ok && !faceSeen) {  // the first face element with a colour
                counts.facePlan = planAttributes(header, element, false);
                faceSeen = counts.facePlan.colours != ColourSource::kNone;
                plan.keptColour = faceSeen;
            }
        }
        if (!ok) {
            return false;
        }
    }
    for (Plan& plan : plans) {
        const bool vertex = plan.role == Role::kVertex;
        plan.keptColour = vertex
                              ? counts.vertexPlan.colours != ColourSource::kNone
                              : plan.keptColour && counts.vertexPlan.colours == ColourSource::kNone;
    }
    if (counts.vertexPlan.colours != ColourSource::kNone) {
        counts.facePlan = AttributePlan{};
    }
    return vertexSeen;
}

// ===== Values =====

class BinaryValues {
  public:
    BinaryValues(const char* p, const char* end, bool swap) : p_(p), end_(end), swap_(swap) {}

    bool number(Type type, double& out) {
        const int size = typeSize(type);
        if (end_ - p_ < size) {
            return false;
        }
        out = binaryNumber(p_, type, swap_);
        p_ += size;
        return true;
    }
    bool skip(std::int64_t items, Type type) {
        if ((end_ - p_) / typeSize(type) < items) {
            return false;
        }
        p_ += items * typeSize(type);
        return true;
    }
    void endInstance() {}

    // An element without lists: the fixed stride checked once, then vertices read in place.
    bool fixedElement(const Header& header, const Element& element, const Plan& plan,
                      BodyCounts& counts);

  private:
    const char* p_;
    const char* end_;
    bool swap_;
};

class AsciiValues {
  public:
    AsciiValues(const char* p, const char* end) : numbers_(p, end), end_(end) {}

    // Integers whole and within their type, floats in double, as the reader (with coordinates in
    // double) takes them; a value above the 32-bit signed range is left to the reader.
    bool number(Type type, double& out) {
        scan::Result result;
        if (isInteger(type)) {
            std::int32_t whole = 0;
            result = numbers_.readInt(whole);
            const int t = static_cast<int>(type);
            if (whole < kTypeLowest[t] || whole > kTypeHighest[t]) {
                return false;
            }
            out = whole;
        } else {
            result = numbers_.readDouble(out);
        }
        return result == scan::Result::kOk && numbers_.tokenEnded();
    }
    bool skip(std::int64_t items, Type type) {
        double ignored = 0;
        for (std::int64_t n = 0; n < items; ++n) {
            if (!number(type, ignored)) {
                return false;
            }
        }
        return true;
    }
    void endInstance() { numbers_.endLine(); }
    bool atEnd() const { return numbers_.cursor() == end_; }

  private:
    scan::Stream numbers_;
    const char* end_;
};

// ===== Counting =====

// The triangles of faces (fans of n - 2) and strips, as the reader makes them.
class Corners {
  public:
    explicit Corners(std::int64_t vertexTotal) : vertexTotal_(vertexTotal) {}

    void start() { taken_ = 0; }
    bool faceCorner(std::int64_t index) {
        triangles_ += taken_ >= 2 ? 1 : 0;
        ++taken_;
        return index >= 0 && index < vertexTotal_;
    }
    bool stripCorner(std::int64_t index) {
        if (index == kStripRestart) {
            taken_ = 0;
            return true;
        }
        if (index < 0 || index >= vertexTotal_) {
            return false;
        }
        if (taken_ >= 2 && first_ != previous_ && previous_ != index && first_ != index) {
            ++triangles_;
        }
        first_ = previous_;
        previous_ = index;
        ++taken_;
        return true;
    }
    bool shortFace() const { return taken_ < kTriangleCorners; }
    std::int64_t triangles() const { return triangles_; }

  private:
    std::int64_t vertexTotal_;
    std::int64_t taken_ = 0;
    std::int64_t first_ = 0;
    std::int64_t previous_ = 0;
    std::int64_t triangles_ = 0;
};

void widenBox(BodyCounts& counts, const double (&xyz)[kAxes]) {
    for (int a = 0; a < kAxes; ++a) {
        counts.low[a] = !counts.anyVertex || xyz[a] < counts.low[a] ? xyz[a] : counts.low[a];
        counts.high[a] = !counts.anyVertex || xyz[a] > counts.high[a] ? xyz[a] : counts.high[a];
    }
    counts.anyVertex = true;
}

// A colour the reader keeps raw until its scale is known: the largest of each kind, as floats.
void weighColour(const AttributePlan& plan, const double (&rgb)[kChannels], BodyCounts& counts) {
    if (plan.colours != ColourSource::kScaled) {
        return;
    }
    for (int c = 0; c < kChannels; ++c) {
        float& largest =
            isInteger(plan.colourType[c]) ? counts.largestInteger : counts.largestFloat;
        largest = std::max(largest, static_cast<float>(rgb[c]));
    }
}

template <typename Values>
bool list(Values& values, const Property& property, Role role, bool indices, Corners& corners) {
    double length = 0;
    if (!values.number(property.countType, length) || length < 0) {
        return false;
    }
    const auto items = static_cast<std::int64_t>(length);
    if (!indices) {
        return values.skip(items, property.type);
    }
    corners.start();
    for (std::int64_t n = 0; n < items; ++n) {
        double item = 0;
        const bool strip = role == Role::kStrips;
        if (!values.number(property.type, item) ||
            !(strip ? corners.stripCorner(wholeIndex(item))
                    : corners.faceCorner(wholeIndex(item)))) {
            return false;
        }
    }
    return true;
}

// One instance, value by value.
template <typename Values>
bool instance(Values& values, const Header& header, const Element& element, const Plan& plan,
              Corners& corners, BodyCounts& counts) {
    double xyz[kAxes] = {0, 0, 0};
    double rgb[kChannels] = {0, 0, 0};
    const std::int64_t trianglesBefore = corners.triangles();
    for (int k = 0; k < element.propertyCount; ++k) {
        const Property& property = header.property(element, k);
        const int slot = plan.slots[static_cast<std::size_t>(k)];
        double value = 0;
        const bool ok = property.list
                            ? list(values, property, plan.role, slot == kIndexSlot, corners)
                            : values.number(property.type, value);
        if (!ok) {
            return false;
        }
        if (slot < kColourSlot) {
            xyz[slot] = value;
        } else if (slot < kOtherSlot) {
            rgb[slot - kColourSlot] = value;
        }
    }
    values.endInstance();
    if (plan.role == Role::kVertex) {
        if (!(std::isfinite(xyz[0]) && std::isfinite(xyz[1]) && std::isfinite(xyz[2]))) {
            return false;
        }
        widenBox(counts, xyz);
    } else if (plan.role == Role::kFace) {
        counts.shortFaces += corners.shortFace() ? 1 : 0;
    }
    const std::int64_t made = corners.triangles() - trianglesBefore;
    if (plan.keptColour && (plan.role == Role::kVertex || made > 0)) {
        weighColour(plan.role == Role::kVertex ? counts.vertexPlan : counts.facePlan, rgb, counts);
    }
    return true;
}

int offsetOf(const Header& header, const Element& element, int k) {
    int offset = 0;
    for (int j = 0; j < k; ++j) {
        offset += typeSize(header.property(element, j).type);
    }
    return offset;
}

bool BinaryValues::fixedElement(const Header& header, const Element& element, const Plan& plan,
                                BodyCounts& counts) {
    std::int64_t stride = 0;
    for (int k = 0; k < element.propertyCount; ++k) {
        stride += typeSize(header.property(element, k).type);
    }
    if (stride > 0 && (end_ - p_) / stride < element.count) {
        return false;
    }
    if (plan.role != Role::kVertex) {
        p_ += stride * element.count;
        return true;
    }
    int at[kAxes];
    Type type[kAxes];
    for (int k = 0; k < element.propertyCount; ++k) {
        const int slot = plan.slots[static_cast<std::size_t>(k)];
        if (slot < kColourSlot) {
            at[slot] = offsetOf(header, element, k);
            type[slot] = header.property(element, k).type;
        }
    }
    const AttributePlan& colour = counts.vertexPlan;
    const bool weigh = colour.colours == ColourSource::kScaled;
    int colourAt[kChannels] = {0, 0, 0};
    for (int c = 0; c < kChannels && weigh; ++c) {
        colourAt[c] = offsetOf(header, element, colour.colour[c]);
    }
    for (std::int64_t i = 0; i < element.count; ++i, p_ += stride) {
        double xyz[kAxes];
        for (int a = 0; a < kAxes; ++a) {
            xyz[a] = binaryNumber(p_ + at[a], type[a], swap_);
        }
        if (!std::isfinite(xyz[0] + xyz[1] + xyz[2]) &&
            !(std::isfinite(xyz[0]) && std::isfinite(xyz[1]) && std::isfinite(xyz[2]))) {
            return false;
        }
        widenBox(counts, xyz);
        if (weigh) {
            double rgb[kChannels];
            for (int c = 0; c < kChannels; ++c) {
                rgb[c] = binaryNumber(p_ + colourAt[c], colour.colourType[c], swap_);
            }
            weighColour(colour, rgb, counts);
        }
    }
    return true;
}

bool hasList(const Header& header, const Element& element) {
    for (int k = 0; k < element.propertyCount; ++k) {
        if (header.property(element, k).list) {
            return true;
        }
    }
    return false;
}

bool walkElement(BinaryValues& values, const Header& header, const Element& element,
                 const Plan& plan, Corners& corners, BodyCounts& counts) {
    if (!hasList(header, element)) {
        return values.fixedElement(header, element, plan, counts);
    }
    for (std::int64_t i = 0; i < element.count; ++i) {
        if (!instance(values, header, element, plan, corners, counts)) {
            return false;
        }
    }
    return true;
}

bool walkElement(AsciiValues& values, const Header& header, const Element& element,
                 const Plan& plan, Corners& corners, BodyCounts& counts) {
    for (std::int64_t i = 0; i < element.count; ++i) {
        if (element.propertyCount == 0 && values.atEnd()) {
            return true;  // instances without values: nothing left to pass over
        }
        if (!instance(values, header, element, plan, corners, counts)) {
            return false;
        }
    }
    return true;
}

template <typename Values>
bool walkAll(Values& values, const Header& header, const std::vector<Plan>& plans,
             BodyCounts& counts) {
    std::int64_t vertexTotal = 0;
    for (const Element& element : header.elements) {
        vertexTotal = element.name == "vertex" ? element.count : vertexTotal;
    }
    for (std::size_t e = 0; e < header.elements.size(); ++e) {
        const Element& element = header.elements[e];
        const Plan& plan = plans[e];
        Corners corners(vertexTotal);
        if (!walkElement(values, header, element, plan, corners, counts)) {
            return false;
        }
        counts.vertices += plan.role == Role::kVertex ? element.count : 0;
        counts.faces += plan.role == Role::kFace ? element.count : 0;
        counts.triangles += corners.triangles();
        counts.colouredTriangles += plan.keptColour ? corners.triangles() : 0;
    }
    return true;
}

}  // namespace

bool walkBody(const char* text, std::size_t size, const Header& header, BodyCounts& counts) {
    std::vector<Plan> plans;
    if (!planAll(header, plans, counts)) {
        return false;
    }
    const char* body = text + header.bodyOffset;
    const char* end = text + size;
    if (header.format == Format::kAscii) {
        AsciiValues values(body, end);
        return walkAll(values, header, plans, counts);
    }
    const bool swap =
        (header.format == Format::kBinaryBigEndian) == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    BinaryValues values(body, end, swap);
    return walkAll(values, header, plans, counts);
}

}  // namespace ply
