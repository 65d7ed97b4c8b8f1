// Primitive makers: everything is a stack of rings stitched together, so the winding rule
// lives in one place (stitch) and every shape inherits it.
#include "tools/genmodels/mesh_shapes.h"

#include <cmath>
#include <cstddef>

namespace mesh {

namespace {

// ===== Stitching =====

using Ids = std::vector<int>;

Ids addRing(Mesh& m, const Ring& ring) {
    Ids ids;
    for (const V3& p : ring) {
        ids.push_back(m.addVertex(p));
    }
    return ids;
}

V3 centroid(const Ring& ring) {
    V3 sum;
    for (const V3& p : ring) {
        sum = sum + p;
    }
    return sum * (1.0 / static_cast<double>(ring.size()));
}

// Side triangles between ring a and the next ring b; either may be a single pole.
void joinRings(Mesh& m, const Ids& a, const Ids& b) {
    const std::size_t n = a.size() > 1 ? a.size() : b.size();
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t k = (j + 1) % n;
        if (a.size() == 1) {
            m.addTriangle(a[0], b[k], b[j]);
        } else if (b.size() == 1) {
            m.addTriangle(a[j], a[k], b[0]);
        } else {
            m.addTriangle(a[j], a[k], b[k]);
            m.addTriangle(a[j], b[k], b[j]);
        }
    }
}

// A flat cap fanned from the centroid; `atStart` caps the first ring, else the last. Every
// fan triangle must turn the same way as the ring as a whole, or the ring is not star-shaped
// about its centroid and the cap would fold over itself.
void capRing(Mesh& m, const Ring& ring, const Ids& ids, bool atStart) {
    const V3 c = centroid(ring);
    const std::size_t n = ids.size();
    V3 overall;
    for (std::size_t j = 0; j < n; ++j) {
        overall = overall + cross(ring[j] - c, ring[(j + 1) % n] - c);
    }
    const int centre = m.addVertex(c);
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t k = (j + 1) % n;
        if (dot(cross(ring[j] - c, ring[k] - c), overall) <= 0) {
            m.markFault("a flat cap is not star-shaped about its centre");
        }
        if (atStart) {
            m.addTriangle(centre, ids[k], ids[j]);
        } else {
            m.addTriangle(centre, ids[j], ids[k]);
        }
    }
}

// ===== Curve frames =====

V3 tangentAt(const std::vector<V3>& path, std::size_t i) {
    const std::size_t before = i > 0 ? i - 1 : 0;
    const std::size_t after = i + 1 < path.size() ? i + 1 : i;
    return normalize(path[after] - path[before]);
}

V3 across(V3 t) {
    const V3 helper = std::fabs(t.x) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0};
    return normalize(helper - t * dot(helper, t));
}

// sign(c) |c|^(2 / power): the superellipse coordinate of a point of the unit circle.
double superPower(double c, double power) {
    const double magnitude = std::pow(std::fabs(c), 2.0 / power);
    return c < 0 ? -magnitude : magnitude;
}

}  // namespace

Mesh stitch(const std::vector<Ring>& rings, bool loop) {
    Mesh m;
    std::vector<Ids> ids;
    for (const Ring& ring : rings) {
        ids.push_back(addRing(m, ring));
    }
    const std::size_t count = ids.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        joinRings(m, ids[i], ids[i + 1]);
    }
    if (loop) {
        joinRings(m, ids[count - 1], ids[0]);
        return m;
    }
    if (ids.front().size() > 1) {
        capRing(m, rings.front(), ids.front(), true);
    }
    if (ids.back().size() > 1) {
        capRing(m, rings.back(), ids.back(), false);
    }
    return m;
}

// ===== Surfaces of revolution =====

Mesh lathe(const std::vector<V2>& profile, int sides, bool loop, double phaseDeg) {
    std::vector<Ring> rings;
    for (const V2& p : profile) {
        if (p.u <= 0) {
            rings.push_back({V3{0, p.v, 0}});
            continue;
        }
        Ring ring;
        for (int j = 0; j < sides; ++j) {
            // Turning from +x towards -z, then up the profile, is outwards.
            const double a = 2 * kPi * j / sides + radians(phaseDeg);
            ring.push_back({p.u * std::cos(a), p.v, -p.u * std::sin(a)});
        }
        rings.push_back(ring);
    }
    return stitch(rings, loop);
}

Mesh sphere(int slices, int stacks) {
    std::vector<V2> profile{{0, -1}};
    for (int i = 1; i < stacks; ++i) {
        const double a = kPi * i / stacks - kPi / 2;
        profile.push_back({std::cos(a), std::sin(a)});
    }
    profile.push_back({0, 1});
    return lathe(profile, slices);
}

Mesh cylinder(int sides) {
    return frustum(sides, 1, 1);
}

Mesh frustum(int sides, double bottom, double top) {
    std::vector<V2> profile{{0, 0}};
    if (bottom > 0) {
        profile.push_back({bottom, 0});
    }
    if (top > 0) {
        profile.push_back({top, 1});
    }
    profile.push_back({0, 1});
    return lathe(profile, sides);
}

Mesh torus(int around, int across, double thickness) {
    std::vector<V2> profile;
    for (int i = 0; i < across; ++i) {
        const double a = 2 * kPi * i / across;
        profile.push_back({1 + thickness * std::cos(a), thickness * std::sin(a)});
    }
    return lathe(profile, around, true);
}

Mesh box() {
    // Corners in the order that turns outwards when followed by the ring above.
    const double corners[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
    std::vector<Ring> rings(2);
    for (int level = 0; level < 2; ++level) {
        for (const auto& c : corners) {
            rings[level].push_back({c[0], level == 0 ? -1.0 : 1.0, c[1]});
        }
    }
    return stitch(rings, false);
}

// ===== Extrusions and lofts =====

Mesh prismZ(const std::vector<V2>& outline, double depth) {
    std::vector<Ring> rings(2);
    for (int level = 0; level < 2; ++level) {
        const double z = (level == 0 ? -0.5 : 0.5) * depth;
        for (const V2& p : outline) {
            rings[level].push_back({p.u, p.v, z});
        }
    }
    return stitch(rings, false);
}

Mesh loftZ(const std::vector<Section>& sections, int sides) {
    std::vector<Ring> rings;
    for (const Section& s : sections) {
        if (s.rx <= 0 && s.ry <= 0) {
            rings.push_back({V3{s.cx, s.cy, s.z}});
            continue;
        }
        Ring ring;
        for (int j = 0; j < sides; ++j) {
            const double a = 2 * kPi * j / sides;
            ring.push_back({s.cx + s.rx * superPower(std::cos(a), s.power),
                            s.cy + s.ry * superPower(std::sin(a), s.power), s.z});
        }
        rings.push_back(ring);
    }
    return stitch(rings, false);
}

// ===== Tubes =====

Mesh tube(const std::vector<V3>& path, const std::vector<double>& radii, int sides) {
    std::vector<Ring> rings;
    V3 normal = across(tangentAt(path, 0));
    for (std::size_t i = 0; i < path.size(); ++i) {
        const V3 t = tangentAt(path, i);
        normal = normalize(normal - t * dot(normal, t));  // carried along without twisting
        const V3 binormal = cross(t, normal);
        Ring ring;
        for (int j = 0; j < sides; ++j) {
            const double a = 2 * kPi * j / sides;
            ring.push_back(path[i] + (normal * std::cos(a) + binormal * std::sin(a)) * radii[i]);
        }
        rings.push_back(ring);
    }
    return stitch(rings, false);
}

Mesh tube(const std::vector<V3>& path, double radius, int sides) {
    return tube(path, std::vector<double>(path.size(), radius), sides);
}

Mesh strut(V3 a, V3 b, double ra, double rb, int sides) {
    Mesh rod;
    rod.add(frustum(sides, ra, rb), move(a) * alignY(b - a));
    return rod;
}

std::vector<V3> arcXY(V3 centre, double radius, double fromDeg, double toDeg, int steps) {
    std::vector<V3> points;
    for (int i = 0; i <= steps; ++i) {
        const double a = radians(fromDeg + (toDeg - fromDeg) * i / steps);
        points.push_back(centre + V3{radius * std::cos(a), radius * std::sin(a), 0});
    }
    return points;
}

}  // namespace mesh
