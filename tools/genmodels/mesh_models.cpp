// The catalogue-entry-to-maker table and the helpers that several model files share.
#include "tools/genmodels/mesh_models.h"

#include <cmath>
#include <iterator>

#include "model/model.h"

namespace mesh {

namespace {

// ===== Lookup table =====

// The maker of catalogue entry i is kMakers[i]: the same order as the viewer's "next model" key.
const ModelMaker kMakers[] = {
    models::airplane,     models::mug,         models::cow,       models::stonebust,
    models::pickupBig,    models::pump,        models::pumpkin,   models::sandal,
    models::saratoga,     models::scissors,    models::shark,     models::steeringWheel,
    models::stratocaster, models::streetLamp,  models::teapot,    models::tennisShoe,
    models::tommygun,     models::trashcan,    models::turbine,   models::urn,
    models::walkman,      models::part,        models::chopper,   models::dolphins,
    models::egret,        models::f16,         models::footbones, models::fracttree,
    models::galleon,      models::hammerhead,  models::helix,     models::hind,
    models::kerolamp,     models::ketchup,     models::bigSpider, models::candlestick,
    models::bigDodge,     models::bigPorsche,  models::ant,       models::apple,
    models::balance,      models::weathervane, models::bigAtc,
};
static_assert(std::size(kMakers) == kModelCount, "one maker per catalogue entry");

}  // namespace

ModelMaker modelMaker(int index) {
    return index >= 0 && index < kModelCount ? kMakers[index] : nullptr;
}

// ===== Orientation and shape helpers =====

Xf yToX() {
    return turnZ(-90);
}
Xf zToX() {
    return turnY(90);
}
Xf zToY() {
    return turnX(-90);
}

void addPair(Mesh& m, const Mesh& part, const Xf& xf) {
    m.add(part, xf);
    m.add(part, scale(1, 1, -1) * xf);
}

std::vector<V3> bezier(V3 p0, V3 p1, V3 p2, V3 p3, int steps) {
    std::vector<V3> points;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double s = 1 - t;
        points.push_back(p0 * (s * s * s) + p1 * (3 * s * s * t) + p2 * (3 * s * t * t) +
                         p3 * (t * t * t));
    }
    return points;
}

std::vector<double> taper(double from, double to, std::size_t count) {
    std::vector<double> radii;
    for (std::size_t i = 0; i < count; ++i) {
        const double share = static_cast<double>(i) / static_cast<double>(count - 1);
        radii.push_back(from + (to - from) * share);
    }
    return radii;
}

std::vector<V2> ellipseOutline(double cx, double cy, double rx, double ry, int points) {
    std::vector<V2> outline;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * kPi * i / points;
        outline.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return outline;
}

// ===== Vehicle parts =====

namespace {

constexpr double kTyreThickness = 0.38;  // tube radius of the tyre torus, centre circle 1
constexpr double kHubShare = 0.8;        // hub width as a share of the tyre width

}  // namespace

Mesh wheel(double radius, double width, int around, int across) {
    const double s = radius / (1 + kTyreThickness);
    Mesh w;
    w.add(torus(around, across, kTyreThickness),
          turnX(90) * scale(s, width / (2 * kTyreThickness), s));
    const double hubRadius = s * (1 - kTyreThickness) * 1.05;
    w.add(cylinder(around / 2), turnX(90) * move(0, -kHubShare * width / 2, 0) *
                                    scale(hubRadius, kHubShare * width, hubRadius));
    return w;
}

Mesh carBody(const std::vector<BodyRow>& rows, int sides, double squareness) {
    std::vector<Section> sections;
    for (const BodyRow& r : rows) {
        sections.push_back(
            {r.at, 0, (r.top + r.bottom) / 2, r.halfWidth, (r.top - r.bottom) / 2, squareness});
    }
    // Along z the rows run rear to front; turned so the car points along +x.
    Mesh body;
    body.add(loftZ(sections, sides), zToX());
    return body;
}

}  // namespace mesh
