// plyview's camera: any box framed at the field of view, turned and zoomed by the mouse, moved
// by the keys and animations. Pure arithmetic; used by the viewer and its tests.
#pragma once

#include "math/linalg.h"

namespace plyview {

constexpr float kFieldOfViewDegrees = 60.0f;  // vertical

struct Box {
    float minX, maxX, minY, maxY, minZ, maxZ;
};

bool boxIsEmpty(const Box& box);  // inverted on some axis: no vertex seeded it

// How the model is looked at: its centre on the line of sight, `distance` in front of the eye.
struct Framing {
    float centreX = 0, centreY = 0, centreZ = 0;
    float distance = 1;  // eye to box centre at rest
    float radius = 1;    // half the box diagonal: the model stays within it however it turns
};

constexpr double kFillMargin = 0.9;   // the box's widest corner reaches 90 % of the half-view
constexpr double kMinStandOff = 0.5;  // in radii, in front of the box's near face
constexpr double kDepthSlack = 1.25;  // radii around the model kept between near and far

// The distance at which the whole box is in view, seen from +z, at a window's aspect ratio. A
// box without extent is framed as a unit box around its point; an empty (inverted) box as a
// unit box around the origin.
Framing frameBox(const Box& box, float aspect);

// The box a model sweeps when it turns about the vertical axis through its box centre: x and z
// reach out to the corners' distance from that axis. The tour is framed with it.
Box turntableBox(const Box& box);

// What the mouse changed: turns about the box centre and a distance factor.
struct Orbit {
    float yaw = 0;    // degrees about the vertical axis
    float pitch = 0;  // degrees about the horizontal axis, within +-kMaxPitch
    float zoom = 1;   // distance factor, within kMinZoom..kMaxZoom
};

constexpr float kDegreesPerPixel = 0.5f;
constexpr float kMaxPitch = 90.0f;
constexpr float kWheelZoom = 0.9f;      // one wheel step towards the model
constexpr float kZoomPerPixel = 0.01f;  // right drag: exp(pixels * this)
constexpr float kMinZoom = 0.02f;
constexpr float kMaxZoom = 50.0f;

void turn(Orbit& view, int dx, int dy);  // left drag by (dx, dy) pixels
void zoomBy(Orbit& view, float factor);  // wheel and right drag

// What the keys and animations add: offsets in view space and the turntable angle.
struct Motion {
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    float spin = 0;  // degrees about the vertical axis
};

// The two matrices of a frame: the framing, then the orbit and the motion applied to it.
void viewMatrices(const Framing& framing, const Orbit& view, const Motion& motion, float aspect,
                  Mat4& projection, Mat4& model);

}  // namespace plyview
