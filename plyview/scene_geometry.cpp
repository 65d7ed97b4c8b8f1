// What the file viewer draws from a model besides its own vertices, built on the CPU when first
// needed: the box polyline, the normal segments of the overlay, triangles with corners of their
// own (for face colours) and the breathing corners. The normals of the overlay and the
// displacement are those of the catalogue viewer's assembly.
#include "plyview/scene_parts.h"

namespace plyview {

namespace {

constexpr int kCornersPerTriangle = 3;

Vec4 corner(const FileModel& model, std::uint32_t v) {
    const float* p = &model.positions[static_cast<std::size_t>(v) * kCoordinates];
    return Vec4(p[0], p[1], p[2], 1.0f);
}

void append(std::vector<float>& out, const Vec4& p) {
    out.push_back(p.x);
    out.push_back(p.y);
    out.push_back(p.z);
}

float normalScale(float diagonal) {
    return static_cast<float>(static_cast<double>(diagonal) / kNormalScaleDivisor);
}

float centroid(float a, float b, float c) {
    return static_cast<float>((static_cast<double>(a) + b + c) / 3.0);
}

template <typename Visit>
void eachTriangle(const FileModel& model, Visit visit) {
    for (std::size_t t = 0; t + 2 < model.triangles.size(); t += kCornersPerTriangle) {
        visit(corner(model, model.triangles[t]), corner(model, model.triangles[t + 1]),
              corner(model, model.triangles[t + 2]));
    }
}

}  // namespace

std::vector<float> boxCorners(const FileModel& model) {
    Vec4 polyline[kBoxLineCount];
    boxPolyline(model.minX, model.maxX, model.minY, model.maxY, model.minZ, model.maxZ, polyline);
    std::vector<float> out;
    for (const Vec4& p : polyline) {
        append(out, p);
    }
    return out;
}

std::vector<float> normalSegments(const FileModel& model, float diagonal) {
    const float s = normalScale(diagonal);
    std::vector<float> out;
    out.reserve(model.triangles.size() * 2);
    eachTriangle(model, [&](const Vec4& p0, const Vec4& p1, const Vec4& p2) {
        const Vec4 n = scaledNormal(p0, p1, p2, s);
        const Vec4 c(centroid(p0.x, p1.x, p2.x), centroid(p0.y, p1.y, p2.y),
                     centroid(p0.z, p1.z, p2.z), 1.0f);
        append(out, c);
        append(out, Vec4(c.x + n.x, c.y + n.y, c.z + n.z, 1.0f));
    });
    return out;
}

namespace {

// The colour of corner i (vertex v) of the triangles: its vertex's, else its triangle's.
const std::uint8_t* cornerColour(const Paint& paint, std::size_t i, std::size_t v) {
    return paint.vertex != nullptr ? &(*paint.vertex)[v * kColourBytes]
                                   : &(*paint.triangle)[i / kCornersPerTriangle * kColourBytes];
}

}  // namespace

Corners cornersOf(const FileModel& model, const std::vector<float>& normals, const Paint& paint,
                  const std::vector<std::uint32_t>* order) {
    Corners corners;
    const bool coloured = paint.vertex != nullptr || paint.triangle != nullptr;
    const bool byCorner =
        paint.images && model.cornerTexcoords.size() == model.triangles.size() * kTexcoordFloats;
    const bool byVertex = paint.images && !byCorner && !model.texcoords.empty();
    corners.positions.reserve(model.triangles.size() * kCoordinates);
    corners.normals.reserve(model.triangles.size() * kCoordinates);
    const std::size_t count = model.triangleCount();
    for (std::size_t k = 0; k < count * kCornersPerTriangle; ++k) {
        const std::size_t t =
            order != nullptr ? (*order)[k / kCornersPerTriangle] : k / kCornersPerTriangle;
        const std::size_t i = t * kCornersPerTriangle + k % kCornersPerTriangle;
        const std::size_t v = model.triangles[i];
        corners.positions.insert(corners.positions.end(), &model.positions[v * kCoordinates],
                                 &model.positions[v * kCoordinates] + kCoordinates);
        corners.normals.insert(corners.normals.end(), &normals[v * kCoordinates],
                               &normals[v * kCoordinates] + kCoordinates);
        if (coloured) {
            const std::uint8_t* colour = cornerColour(paint, i, v);
            corners.colours.insert(corners.colours.end(), colour, colour + kColourBytes);
        }
        if (byCorner || byVertex) {
            const float* uv = byCorner ? &model.cornerTexcoords[i * kTexcoordFloats]
                                       : &model.texcoords[v * kTexcoordFloats];
            corners.texcoords.insert(corners.texcoords.end(), uv, uv + kTexcoordFloats);
        }
    }
    return corners;
}

std::vector<std::uint32_t> trianglesByImage(const FileModel& model, std::vector<ImageRun>& runs) {
    const std::size_t count = model.triangleCount();
    runs.clear();
    if (model.triangleTextures.size() != count) {
        runs.push_back(ImageRun{0, count, 0});  // every triangle in the first image
        return {};
    }
    // Numbers outside the file's images share one run, drawn in the triangles' colours.
    const auto images = static_cast<std::int32_t>(model.textureFiles.size());
    const auto slot = [images](std::int32_t image) {
        return image >= 0 && image < images ? static_cast<std::size_t>(image)
                                            : static_cast<std::size_t>(images);
    };
    std::vector<std::uint64_t> starts(static_cast<std::size_t>(images) + 2, 0);
    for (const std::int32_t image : model.triangleTextures) {
        ++starts[slot(image) + 1];
    }
    for (std::size_t k = 1; k < starts.size(); ++k) {
        if (starts[k] > 0) {
            const int image =
                k - 1 < static_cast<std::size_t>(images) ? static_cast<int>(k - 1) : -1;
            runs.push_back(ImageRun{starts[k - 1], starts[k], image});
        }
        starts[k] += starts[k - 1];
    }
    std::vector<std::uint32_t> order(count);
    for (std::size_t t = 0; t < count; ++t) {
        order[starts[slot(model.triangleTextures[t])]++] = static_cast<std::uint32_t>(t);
    }
    return order;
}

Corners breathingCorners(const FileModel& model, float diagonal, int pulse, const Paint& paint) {
    const float s = normalScale(diagonal);
    Corners corners;
    const bool coloured = paint.vertex != nullptr || paint.triangle != nullptr;
    std::size_t t = 0;
    eachTriangle(model, [&](Vec4 p0, Vec4 p1, Vec4 p2) {
        const Vec4 n = scaledNormal(p0, p1, p2, s);
        double offset[kCoordinates];
        if (breathingOffset(n, diagonal, pulse, offset)) {
            for (Vec4* p : {&p0, &p1, &p2}) {
                p->x = static_cast<float>(static_cast<double>(p->x) + offset[0]);
                p->y = static_cast<float>(static_cast<double>(p->y) + offset[1]);
                p->z = static_cast<float>(static_cast<double>(p->z) + offset[2]);
            }
        }
        const auto first = static_cast<std::uint32_t>(corners.positions.size() / kCoordinates);
        for (const Vec4* p : {&p0, &p1, &p2}) {
            append(corners.positions, *p);
            append(corners.normals, n);  // each triangle lit as the flat face it is
        }
        for (std::uint32_t k : {0u, 1u, 1u, 2u, 2u, 0u}) {
            corners.edges.push_back(first + k);
        }
        for (int k = 0; k < kCornersPerTriangle && coloured; ++k) {
            const std::size_t i = t + static_cast<std::size_t>(k);
            const std::uint8_t* colour = cornerColour(paint, i, model.triangles[i]);
            corners.colours.insert(corners.colours.end(), colour, colour + kColourBytes);
        }
        t += kCornersPerTriangle;
    });
    return corners;
}

}  // namespace plyview
