// plyview's camera: any box framed at the field of view, turned and zoomed by the mouse,
// near and far planes from the model's own size, so a tiny part and a city scan both fill the
// window. Values are worked out in double and stored as floats once.
#include "plyview/camera.h"

#include <algorithm>
#include <cmath>

namespace plyview {

namespace {

constexpr double kHalf = 0.5;
constexpr double kNearFraction = 0.01;  // the near plane never comes closer than this x distance
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

}  // namespace

bool boxIsEmpty(const Box& box) {
    return !(box.minX <= box.maxX && box.minY <= box.maxY && box.minZ <= box.maxZ);
}

Framing frameBox(const Box& given, float aspect) {
    Box box = given;
    if (boxIsEmpty(box)) {
        box = Box{-1, 1, -1, 1, -1, 1};
    }
    Framing framing;
    framing.centreX = static_cast<float>((static_cast<double>(box.minX) + box.maxX) * kHalf);
    framing.centreY = static_cast<float>((static_cast<double>(box.minY) + box.maxY) * kHalf);
    framing.centreZ = static_cast<float>((static_cast<double>(box.minZ) + box.maxZ) * kHalf);
    double hx = (static_cast<double>(box.maxX) - box.minX) * kHalf;
    double hy = (static_cast<double>(box.maxY) - box.minY) * kHalf;
    double hz = (static_cast<double>(box.maxZ) - box.minZ) * kHalf;
    double radius = std::sqrt(hx * hx + hy * hy + hz * hz);
    if (!(radius > 0) || !std::isfinite(radius)) {
        hx = hy = hz = kHalf;  // a single point: a unit box around it
        radius = std::sqrt(3 * kHalf * kHalf);
    }
    // Seen from +z, a corner at (x, y) in front of the centre by z projects to x / (d - z): the
    // widest corners are those of the near face, so they decide the distance.
    const double tanY = std::tan(kFieldOfViewDegrees * kHalf * kRadiansPerDegree);
    const double tanX = tanY * std::max(static_cast<double>(aspect), 1e-6);
    const double fit =
        std::max({hx / (tanX * kFillMargin), hy / (tanY * kFillMargin), radius * kMinStandOff});
    framing.distance = static_cast<float>(hz + fit);
    framing.radius = static_cast<float>(radius);
    return framing;
}

void turn(Orbit& view, int dx, int dy) {
    view.yaw = std::fmod(view.yaw + dx * kDegreesPerPixel, 360.0f);
    view.pitch = std::clamp(view.pitch + dy * kDegreesPerPixel, -kMaxPitch, kMaxPitch);
}

void zoomBy(Orbit& view, float factor) {
    if (factor > 0 && std::isfinite(factor)) {
        view.zoom = std::clamp(view.zoom * factor, kMinZoom, kMaxZoom);
    }
}

void viewMatrices(const Framing& framing, const Orbit& view, const Motion& motion, float aspect,
                  Mat4& projection, Mat4& model) {
    const double distance = static_cast<double>(framing.distance) * view.zoom;
    const double slack = static_cast<double>(framing.radius) * kDepthSlack;
    const float nearPlane =
        static_cast<float>(std::max(distance - slack, distance * kNearFraction));
    const float farPlane = static_cast<float>(distance + slack);
    projection = perspective(kFieldOfViewDegrees, aspect, nearPlane, farPlane);
    // Keyboard offsets move the model on screen; the mouse and the tour turn it about its centre.
    model =
        translate(motion.offsetX, motion.offsetY, motion.offsetZ - static_cast<float>(distance)) *
        rotateX(view.pitch) * rotateY(view.yaw) * rotateY(motion.spin) *
        translate(-framing.centreX, -framing.centreY, -framing.centreZ);
}

Box turntableBox(const Box& box) {
    const double cx = (static_cast<double>(box.minX) + box.maxX) * kHalf;
    const double cz = (static_cast<double>(box.minZ) + box.maxZ) * kHalf;
    const double hx = (static_cast<double>(box.maxX) - box.minX) * kHalf;
    const double hz = (static_cast<double>(box.maxZ) - box.minZ) * kHalf;
    const double reach = std::sqrt(hx * hx + hz * hz);
    return Box{static_cast<float>(cx - reach), static_cast<float>(cx + reach), box.minY, box.maxY,
               static_cast<float>(cz - reach), static_cast<float>(cz + reach)};
}

}  // namespace plyview
