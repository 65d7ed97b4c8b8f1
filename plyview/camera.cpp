// plyview's camera: any box framed at the field of view, turned about a rotation centre, panned
// and zoomed; near and far planes from the model's own size and the point looked at, so a tiny
// part, a city scan and a bolt on that scan all show. Values are worked out in double and stored
// as floats once.
#include "plyview/camera.h"

#include <algorithm>
#include <cmath>

namespace plyview {

namespace {

constexpr double kHalf = 0.5;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
// The near plane: half the distance of the point looked at, within these parts of the far one;
// a close look keeps its detail, and depth stays fine-grained far off.
constexpr double kNearOfFocus = 0.5;
constexpr double kMinNearFraction = 1e-6;
constexpr double kMaxNearFraction = 0.01;

Rotation aboutX(double degrees) {
    const double c = std::cos(degrees * kRadiansPerDegree),
                 s = std::sin(degrees * kRadiansPerDegree);
    Rotation r;
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}

Rotation aboutY(double degrees) {
    const double c = std::cos(degrees * kRadiansPerDegree),
                 s = std::sin(degrees * kRadiansPerDegree);
    Rotation r;
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
}

// Near and far around the model's sphere; in perspective the near plane also comes close enough
// for the point looked at (the last point zoomed to, else the rotation centre).
void placePlanes(const Camera& camera, Eye& eye) {
    const Framing& framing = camera.framing;
    const double centreDepth = -toView(eye, {framing.centreX, framing.centreY, framing.centreZ}).z;
    const double slack = static_cast<double>(framing.radius) * kDepthSlack;
    eye.farPlane = centreDepth + slack;
    eye.nearPlane = centreDepth - slack;
    if (eye.orthographic) {
        return;  // a parallel projection may reach behind the eye
    }
    eye.farPlane = std::max(eye.farPlane, slack);  // a model behind the eye: nothing to show
    const Orbit& orbit = camera.orbit;
    const Point3 looked =
        orbit.targeted ? Point3{orbit.targetX, orbit.targetY, orbit.targetZ} : pivotOf(camera);
    const double focus = -toView(eye, looked).z * kNearOfFocus;
    const double floor =
        std::clamp(focus, eye.farPlane * kMinNearFraction, eye.farPlane * kMaxNearFraction);
    eye.nearPlane = std::max(eye.nearPlane, floor);
}

Mat4 orthographic(double halfHeight, double aspect, double nearPlane, double farPlane) {
    Mat4 m(1.0f);
    m[0][0] = static_cast<float>(1.0 / (halfHeight * aspect));
    m[1][1] = static_cast<float>(1.0 / halfHeight);
    m[2][2] = static_cast<float>(-2.0 / (farPlane - nearPlane));
    m[2][3] = static_cast<float>(-(farPlane + nearPlane) / (farPlane - nearPlane));
    return m;
}

}  // namespace

Point3 pivotOf(const Camera& camera) {
    const Orbit& orbit = camera.orbit;
    const Framing& framing = camera.framing;
    return orbit.centred ? Point3{orbit.centreX, orbit.centreY, orbit.centreZ}
                         : Point3{framing.centreX, framing.centreY, framing.centreZ};
}

bool boxIsEmpty(const Box& box) {
    return !(box.minX <= box.maxX && box.minY <= box.maxY && box.minZ <= box.maxZ);
}

// ===== Rotations =====

UpAxis nextUpAxis(UpAxis up) {
    return static_cast<UpAxis>((static_cast<int>(up) + 1) % kUpAxisCount);
}

Rotation operator*(const Rotation& a, const Rotation& b) {
    Rotation r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        }
    }
    return r;
}

Point3 operator*(const Rotation& r, const Point3& p) {
    return {r.m[0][0] * p.x + r.m[0][1] * p.y + r.m[0][2] * p.z,
            r.m[1][0] * p.x + r.m[1][1] * p.y + r.m[1][2] * p.z,
            r.m[2][0] * p.x + r.m[2][1] * p.y + r.m[2][2] * p.z};
}

Rotation transposed(const Rotation& r) {
    Rotation t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            t.m[i][j] = r.m[j][i];
        }
    }
    return t;
}

Rotation upRotation(UpAxis up) {
    // Quarter and half turns, written out so that they are exact.
    switch (up) {
        case UpAxis::kPlusY:
            return Rotation();
        case UpAxis::kMinusY:  // half a turn about x, as +z and -z are quarter turns about it:
            // a capture whose y points down is seen from the side its camera looked from
            return Rotation{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
        case UpAxis::kPlusZ:
            return Rotation{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}};
        case UpAxis::kMinusZ:
            return Rotation{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};
        case UpAxis::kPlusX:
            return Rotation{{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
        case UpAxis::kMinusX:
            return Rotation{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    }
    return Rotation();
}

Rotation turnRotation(double yaw, double pitch, UpAxis up) {
    const Rotation turned = aboutX(pitch) * aboutY(yaw);
    return up == UpAxis::kPlusY ? turned : turned * upRotation(up);
}

// ===== Framing =====

Framing frameBox(const Box& given, float aspect, const Rotation& seen) {
    Box box = given;
    if (boxIsEmpty(box)) {
        box = Box{-1, 1, -1, 1, -1, 1};
    }
    Framing framing;
    framing.centreX = static_cast<float>((static_cast<double>(box.minX) + box.maxX) * kHalf);
    framing.centreY = static_cast<float>((static_cast<double>(box.minY) + box.maxY) * kHalf);
    framing.centreZ = static_cast<float>((static_cast<double>(box.minZ) + box.maxZ) * kHalf);
    double half[3] = {(static_cast<double>(box.maxX) - box.minX) * kHalf,
                      (static_cast<double>(box.maxY) - box.minY) * kHalf,
                      (static_cast<double>(box.maxZ) - box.minZ) * kHalf};
    double radius = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
    if (!(radius > 0) || !std::isfinite(radius)) {
        half[0] = half[1] = half[2] = kHalf;  // a single point: a unit box around it
        radius = std::sqrt(3 * kHalf * kHalf);
    }
    // A corner at (x, y) in front of the centre by z, as seen, projects to x / (d - z): each
    // corner asks for a distance, and the farthest asked for frames them all. Seen from +z the
    // widest corners are those of the near face.
    const double tanY = std::tan(kFieldOfViewDegrees * kHalf * kRadiansPerDegree);
    const double tanX = tanY * std::max(static_cast<double>(aspect), 1e-6);
    double nearest = 0, distance = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const Point3 turned =
            seen * Point3{corner & 1 ? half[0] : -half[0], corner & 2 ? half[1] : -half[1],
                          corner & 4 ? half[2] : -half[2]};
        nearest = std::max(nearest, turned.z);
        distance = std::max({distance, turned.z + std::abs(turned.x) / (tanX * kFillMargin),
                             turned.z + std::abs(turned.y) / (tanY * kFillMargin)});
    }
    framing.distance = static_cast<float>(std::max(distance, nearest + radius * kMinStandOff));
    framing.radius = static_cast<float>(radius);
    return framing;
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

Box upright(const Box& box, UpAxis up) {
    if (boxIsEmpty(box)) {
        return box;
    }
    const Rotation r = upRotation(up);
    const double low[3] = {box.minX, box.minY, box.minZ};
    const double high[3] = {box.maxX, box.maxY, box.maxZ};
    float out[3][2];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (r.m[i][j] != 0) {  // each row holds one +-1: the axes are swapped, not turned
                out[i][0] = static_cast<float>(r.m[i][j] > 0 ? low[j] : -high[j]);
                out[i][1] = static_cast<float>(r.m[i][j] > 0 ? high[j] : -low[j]);
            }
        }
    }
    return Box{out[0][0], out[0][1], out[1][0], out[1][1], out[2][0], out[2][1]};
}

// ===== Turning =====

void turn(Orbit& view, int dx, int dy) {
    view.yaw = std::fmod(view.yaw + dx * kDegreesPerPixel, 360.0f);
    view.pitch = std::clamp(view.pitch + dy * kDegreesPerPixel, -kMaxPitch, kMaxPitch);
}

// ===== The eye =====

Eye eyeOf(const Camera& camera) {
    const Orbit& orbit = camera.orbit;
    const Motion& motion = camera.motion;
    Eye eye;
    eye.rotation =
        turnRotation(static_cast<double>(orbit.yaw) + motion.spin, orbit.pitch, camera.up);
    const double distance = camera.framing.distance * orbit.zoom;
    const Point3 pivot = eye.rotation * pivotOf(camera);
    // Keyboard offsets and the pan move the model on screen; turns are about the pivot.
    eye.shift = {orbit.panX + motion.offsetX - pivot.x, orbit.panY + motion.offsetY - pivot.y,
                 static_cast<double>(motion.offsetZ) - distance - pivot.z};
    eye.tanHalfY = std::tan(kFieldOfViewDegrees * kHalf * kRadiansPerDegree);
    eye.aspect = camera.aspect;
    eye.orthographic = camera.orthographic;
    eye.halfHeight = distance * eye.tanHalfY;  // the framed size, at the rotation centre
    placePlanes(camera, eye);
    return eye;
}

void matricesOf(const Eye& eye, Mat4& projection, Mat4& model) {
    projection =
        eye.orthographic
            ? orthographic(eye.halfHeight, eye.aspect, eye.nearPlane, eye.farPlane)
            : perspective(kFieldOfViewDegrees, static_cast<float>(eye.aspect),
                          static_cast<float>(eye.nearPlane), static_cast<float>(eye.farPlane));
    model = Mat4(1.0f);
    const double shift[3] = {eye.shift.x, eye.shift.y, eye.shift.z};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            model[i][j] = static_cast<float>(eye.rotation.m[i][j]);
        }
        model[i][3] = static_cast<float>(shift[i]);
    }
}

Point3 toView(const Eye& eye, const Point3& model) {
    const Point3 turned = eye.rotation * model;
    return {turned.x + eye.shift.x, turned.y + eye.shift.y, turned.z + eye.shift.z};
}

Point3 toModel(const Eye& eye, const Point3& view) {
    return transposed(eye.rotation) *
           Point3{view.x - eye.shift.x, view.y - eye.shift.y, view.z - eye.shift.z};
}

Point3 unproject(const Eye& eye, int x, int y, int width, int height, double depth) {
    const double ndcX = 2.0 * (x + kHalf) / width - 1.0;
    const double ndcY = 1.0 - 2.0 * (y + kHalf) / height;
    const double ndcZ = 2.0 * depth - 1.0;
    const double n = eye.nearPlane, f = eye.farPlane;
    if (eye.orthographic) {
        return {ndcX * eye.halfHeight * eye.aspect, ndcY * eye.halfHeight,
                -(ndcZ * (f - n) + (f + n)) * kHalf};
    }
    // Inverts the perspective's depth: ndcZ = (a z + b) / -z.
    const double a = -(f + n) / (f - n), b = -2.0 * f * n / (f - n);
    const double z = -b / (ndcZ + a);
    return {ndcX * -z * eye.tanHalfY * eye.aspect, ndcY * -z * eye.tanHalfY, z};
}

void toPixel(const Eye& eye, const Point3& view, int width, int height, double& x, double& y) {
    const double halfHeight = eye.orthographic ? eye.halfHeight : -view.z * eye.tanHalfY;
    x = (view.x / (halfHeight * eye.aspect) + 1) * width * kHalf;
    y = (1 - view.y / halfHeight) * height * kHalf;
}

double unitsPerPixel(const Eye& eye, double depth, int height) {
    const double halfHeight = eye.orthographic ? eye.halfHeight : depth * eye.tanHalfY;
    return 2.0 * halfHeight / std::max(height, 1);
}

}  // namespace plyview
