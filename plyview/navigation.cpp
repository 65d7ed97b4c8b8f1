// plyview's navigation, as arithmetic on the orbit: a change of pan and distance that keeps a
// point where the user pointed, worked out in double.
#include "plyview/navigation.h"

#include <algorithm>
#include <cmath>

namespace plyview {

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

struct NamedTurn {
    ViewName view;
    Turn turn;
};
constexpr NamedTurn kViews[] = {
    {ViewName::kFront, {0, 0}},
    {ViewName::kBack, {180, 0}},
    {ViewName::kRight, {-90, 0}},
    {ViewName::kLeft, {90, 0}},
    {ViewName::kTop, {0, 90}},
    {ViewName::kBottom, {0, -90}},
    {ViewName::kIso, {kIsoYaw, kIsoPitch}},
};

// The factor, limited so that the eye comes no nearer than `closest` to what it is `depth` from,
// and goes no farther than its limit; never the other way than asked.
double limitFactor(double factor, double depth, double closest) {
    const double limited = std::max(factor, closest / depth);
    return factor < 1 ? std::min(limited, 1.0) : std::max(limited, 1.0);
}

}  // namespace

// ===== Views =====

Turn turnOf(ViewName view) {
    for (const NamedTurn& named : kViews) {
        if (named.view == view) {
            return named.turn;
        }
    }
    return Turn{};
}

Turn turnFromAxis(int axis, int sign, UpAxis up) {
    Point3 side;
    (axis == 0 ? side.x : axis == 1 ? side.y : side.z) = sign;
    const Point3 seen = upRotation(up) * side;  // the side as the up axis stands
    if (seen.y != 0) {
        return Turn{0, seen.y > 0 ? kMaxPitch : -kMaxPitch};  // looking along the up axis
    }
    return Turn{static_cast<float>(std::atan2(-seen.x, seen.z) * kDegreesPerRadian), 0};
}

Orbit orbitFrom(const Turn& turn) {
    Orbit orbit;
    orbit.yaw = orbit.framedYaw = turn.yaw;
    orbit.pitch = orbit.framedPitch = std::clamp(turn.pitch, -kMaxPitch, kMaxPitch);
    return orbit;
}

// ===== Moves =====

void zoomToward(Orbit& orbit, const Camera& camera, const Point3& point, double factor,
                bool aimed) {
    if (!(factor > 0) || !std::isfinite(factor)) {
        return;
    }
    const double framed = camera.framing.distance;
    const double distance = framed * orbit.zoom;
    const double closest = static_cast<double>(camera.framing.radius) * kClosestFraction;
    const double farthest = framed * kMaxZoom;
    double f = 0, newDistance = 0;
    if (camera.orthographic) {
        // The view's size follows the centre's distance; the eye's place does not matter.
        f = limitFactor(std::min(factor, farthest / distance), distance, closest);
        newDistance = f * distance;
    } else {
        const double depth = -point.z;
        if (!(depth > 0)) {
            return;  // behind the eye: no way towards it
        }
        f = limitFactor(factor, depth, closest);
        newDistance = distance + (1 - f) * point.z;
        if (newDistance > farthest) {
            f = 1 - (farthest - distance) / point.z;
            newDistance = farthest;
        }
    }
    const Eye eye = eyeOf(camera);
    orbit.panX -= (1 - f) * point.x;
    orbit.panY -= (1 - f) * point.y;
    orbit.zoom = newDistance / framed;
    orbit.targeted = aimed;
    if (aimed) {
        const Point3 target = toModel(eye, point);
        orbit.targetX = target.x;
        orbit.targetY = target.y;
        orbit.targetZ = target.z;
    }
}

void zoomToCentre(Orbit& orbit, const Camera& camera, double factor) {
    zoomToward(orbit, camera, toView(eyeOf(camera), pivotOf(camera)), factor, false);
}

void panPixels(Orbit& orbit, const Camera& camera, double dx, double dy, double depth, int height) {
    const double units = unitsPerPixel(eyeOf(camera), depth, height);
    orbit.panX += dx * units;
    orbit.panY -= dy * units;
}

void centreOn(Orbit& orbit, const Camera& camera, const Point3& point, bool own) {
    const Point3 seen = toView(eyeOf(camera), point);
    const Motion& motion = camera.motion;
    orbit.centred = own;
    orbit.centreX = point.x;
    orbit.centreY = point.y;
    orbit.centreZ = point.z;
    orbit.targeted = false;
    // The pan takes the keys' offsets back, so that the point is in the middle.
    orbit.panX = -motion.offsetX;
    orbit.panY = -motion.offsetY;
    if (!camera.orthographic) {  // a parallel view keeps its size
        const double closest = static_cast<double>(camera.framing.radius) * kClosestFraction;
        orbit.zoom = std::max(motion.offsetZ - seen.z, closest) / camera.framing.distance;
    }
}

double centreDepth(const Camera& camera) {
    return -toView(eyeOf(camera), pivotOf(camera)).z;
}

}  // namespace plyview
