// plyview's navigation: the views from each side, and the moves the mouse and keys make with
// the orbit: zooming towards a point, panning so the grabbed point follows the pointer, and a
// rotation centre where the user points. Pure arithmetic over the camera.
#pragma once

#include "plyview/camera.h"

namespace plyview {

// ===== Views =====

// A side to look from, relative to the up axis (front: from +z with +y up).
enum class ViewName { kFront, kBack, kRight, kLeft, kTop, kBottom, kIso };

struct Turn {
    float yaw = 0, pitch = 0;  // degrees, as Orbit's
};

constexpr float kIsoYaw = -45.0f;         // three-quarter view: from the right, front and top
constexpr float kIsoPitch = 35.26439f;    // atan(1 / sqrt(2)): along a cube's diagonal
constexpr float kKeyTurnDegrees = 15.0f;  // an arrow key's turn
constexpr int kKeyPanParts = 10;          // Shift + an arrow pans this part of the window

Turn turnOf(ViewName view);
// The turn that shows the model from its axis `axis` (0 x, 1 y, 2 z) on the side `sign`, the up
// axis upright unless the eye looks along it.
Turn turnFromAxis(int axis, int sign, UpAxis up);
// A fresh orbit looking from `turn`, framed for that side.
Orbit orbitFrom(const Turn& turn);

// ===== Moves =====

// The eye moves towards `point` (view space) until its distance is `factor` times what it was;
// the point stays where it is on screen. Orthographic: the view's size shrinks about the point.
// `aimed`: the near plane follows the point from now on. Never nearer than kClosestFraction
// model radii, never farther than kMaxZoom framings.
void zoomToward(Orbit& orbit, const Camera& camera, const Point3& point, double factor, bool aimed);
// As zoomToward, towards the rotation centre.
void zoomToCentre(Orbit& orbit, const Camera& camera, double factor);
// The model moves by (dx, dy) pixels (y down) as a point at `depth` in front of the eye sees it.
void panPixels(Orbit& orbit, const Camera& camera, double dx, double dy, double depth, int height);
// Turns happen about `point` (model space) from now on, and it moves to the window's centre at
// its depth. `own`: the user's centre; else the box centre given back.
void centreOn(Orbit& orbit, const Camera& camera, const Point3& point, bool own);
// The rotation centre's depth in front of the eye.
double centreDepth(const Camera& camera);

}  // namespace plyview
