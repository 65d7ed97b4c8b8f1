// The file-name-to-maker table and the helpers that several model files share.
#include "tools/mesh_models.h"

#include <cmath>

namespace mesh {

namespace {

// ===== Lookup table =====

struct Entry {
    const char* file;
    ModelMaker make;
};

// In catalogue order, so a reader can follow the viewer's "next model" key along the list.
const Entry kModels[] = {
    {"airplane.ply", models::airplane},
    {"mug.ply", models::mug},
    {"cow.ply", models::cow},
    {"stonebust.ply", models::stonebust},
    {"pickup_big.ply", models::pickupBig},
    {"pump.ply", models::pump},
    {"pumpa_tb.ply", models::pumpkin},
    {"sandal.ply", models::sandal},
    {"saratoga.ply", models::saratoga},
    {"scissors.ply", models::scissors},
    {"shark.ply", models::shark},
    {"steeringweel.ply", models::steeringWheel},
    {"stratocaster.ply", models::stratocaster},
    {"street_lamp.ply", models::streetLamp},
    {"teapot.ply", models::teapot},
    {"tennis_shoe.ply", models::tennisShoe},
    {"tommygun.ply", models::tommygun},
    {"trashcan.ply", models::trashcan},
    {"turbine.ply", models::turbine},
    {"urn2.ply", models::urn},
    {"walkman.ply", models::walkman},
    {"part.ply", models::part},
    {"chopper.ply", models::chopper},
    {"dolphins.ply", models::dolphins},
    {"egret.ply", models::egret},
    {"f16.ply", models::f16},
    {"footbones.ply", models::footbones},
    {"fracttree.ply", models::fracttree},
    {"galleon.ply", models::galleon},
    {"hammerhead.ply", models::hammerhead},
    {"helix.ply", models::helix},
    {"hind.ply", models::hind},
    {"kerolamp.ply", models::kerolamp},
    {"ketchup.ply", models::ketchup},
    {"big_spider.ply", models::bigSpider},
    {"canstick.ply", models::candlestick},
    {"big_dodge.ply", models::bigDodge},
    {"big_porsche.ply", models::bigPorsche},
    {"ant.ply", models::ant},
    {"apple.ply", models::apple},
    {"balance.ply", models::balance},
    {"weathervane.ply", models::weathervane},
    {"big_atc.ply", models::bigAtc},
};

}  // namespace

ModelMaker findModel(const std::string& fileName) {
    for (const Entry& entry : kModels) {
        if (fileName == entry.file) {
            return entry.make;
        }
    }
    return nullptr;
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
