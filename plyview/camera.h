// plyview's camera: any box framed at the field of view, seen from any side with any axis up,
// turned about a rotation centre, panned and zoomed, in perspective or parallel projection. Pure
// arithmetic; used by the viewer, its navigation and its tests.
#pragma once

#include "math/linalg.h"

namespace plyview {

constexpr float kFieldOfViewDegrees = 60.0f;  // vertical

struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;
};

bool boxIsEmpty(const Box& box);  // inverted on some axis: no vertex seeded it

struct Point3 {
    double x = 0, y = 0, z = 0;
};

// ===== Up axis =====

// The model axis shown pointing up; `u` steps through them in this order and wraps around.
enum class UpAxis { kPlusY, kMinusY, kPlusZ, kMinusZ, kPlusX, kMinusX };
constexpr int kUpAxisCount = 6;

UpAxis nextUpAxis(UpAxis up);

// A rotation in double: rows of a 3 x 3 matrix acting on column vectors.
struct Rotation {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

Rotation operator*(const Rotation& a, const Rotation& b);
Point3 operator*(const Rotation& r, const Point3& p);
Rotation transposed(const Rotation& r);  // the inverse of a rotation

Rotation upRotation(UpAxis up);  // the up axis to +y; a side axis stays towards the eye
// About the vertical axis by `yaw`, then about the horizontal one by `pitch` (degrees), after
// the up axis is made vertical: the rotation from model to view directions.
Rotation turnRotation(double yaw, double pitch, UpAxis up);

// ===== Framing =====

// How the model is looked at: its centre on the line of sight, `distance` in front of the eye.
struct Framing {
    float centreX = 0, centreY = 0, centreZ = 0;
    float distance = 1;  // eye to box centre at rest
    float radius = 1;    // half the box diagonal: the model stays within it however it turns
};

constexpr double kFillMargin = 0.9;   // the box's widest corner reaches 90 % of the half-view
constexpr double kMinStandOff = 0.5;  // in radii, in front of the box's near face
constexpr double kDepthSlack = 1.25;  // radii around the model kept between near and far

// The distance at which the whole box is in view, seen through `seen` (unturned: from +z), at a
// window's aspect ratio. A box without extent is framed as a unit box around its point; an
// empty (inverted) box as a unit box around the origin.
Framing frameBox(const Box& box, float aspect, const Rotation& seen = Rotation());

// The box a model sweeps when it turns about the vertical axis through its box centre: x and z
// reach out to the corners' distance from that axis. The tour is framed with it.
Box turntableBox(const Box& box);
// The box as the up axis shows it: its axes swapped and turned so that the up axis is +y.
Box upright(const Box& box, UpAxis up);

// ===== What the user changed =====

// The mouse's and the navigation keys' view: turns about the rotation centre, a distance factor
// and a pan. A fresh Orbit is the framed view from +z.
struct Orbit {
    float yaw = 0;    // degrees about the vertical axis
    float pitch = 0;  // degrees about the horizontal axis, within +-kMaxPitch
    // The rest in double: a close look at a large model moves by fractions of a float's step.
    double zoom = 1;            // the rotation centre's distance from the eye, over the framing's
    double panX = 0, panY = 0;  // the model moved across the view, in model units
    bool centred = false;       // a rotation centre of the user's, else the box centre
    double centreX = 0, centreY = 0, centreZ = 0;  // that centre, in model coordinates
    bool targeted = false;  // the near plane follows the point zoomed to last, else the centre
    double targetX = 0, targetY = 0, targetZ = 0;
    float framedYaw = 0, framedPitch = 0;  // the side the framing was made for
};

constexpr float kDegreesPerPixel = 0.5f;
constexpr float kMaxPitch = 90.0f;
constexpr float kWheelZoom = 0.9f;         // one wheel step towards the model
constexpr float kZoomPerPixel = 0.01f;     // right drag: exp(pixels * this)
constexpr float kMaxZoom = 50.0f;          // farthest: this many framing distances
constexpr double kClosestFraction = 1e-5;  // nearest approach to a point, in model radii

void turn(Orbit& view, int dx, int dy);  // left drag by (dx, dy) pixels

// What the keys and animations add: offsets in view space and the turntable angle.
struct Motion {
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    float spin = 0;  // degrees about the vertical axis
};

// ===== A frame's eye =====

// Everything a frame's matrices come from.
struct Camera {
    Framing framing;
    Orbit orbit;
    Motion motion;
    UpAxis up = UpAxis::kPlusY;
    bool orthographic = false;
    float aspect = 1;
};

// The eye of a frame in double: model to view space, and the projection.
struct Eye {
    Rotation rotation;  // model directions to view directions
    Point3 shift;       // where the model's origin is in view space
    double tanHalfY = 0, aspect = 1;
    bool orthographic = false;
    double halfHeight = 1;  // orthographic: half the view's height in model units
    double nearPlane = 0, farPlane = 1;
};

// Where the eye turns about, in model space: the user's centre, else the box centre.
Point3 pivotOf(const Camera& camera);
Eye eyeOf(const Camera& camera);
void matricesOf(const Eye& eye, Mat4& projection, Mat4& model);

Point3 toView(const Eye& eye, const Point3& model);
Point3 toModel(const Eye& eye, const Point3& view);
// The view-space point seen at window pixel (x, y) (from the top left) of a width x height
// frame, with the depth buffer's value `depth` (0 near .. 1 far) there.
Point3 unproject(const Eye& eye, int x, int y, int width, int height, double depth);
// Where a view-space point in front of the eye is seen: window pixels from the top left of a
// width x height frame (fractional; a pixel's centre is at +0.5).
void toPixel(const Eye& eye, const Point3& view, int width, int height, double& x, double& y);
// How many model units one pixel spans at a view-space depth (distance in front of the eye).
double unitsPerPixel(const Eye& eye, double depth, int height);

}  // namespace plyview
