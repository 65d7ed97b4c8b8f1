// Public interface of render/: the per-frame geometry and view part of the scene store, mesh
// assembly and frame rendering, and the two toolkit requests the interaction code needs.
// Used by input/ and app/.
#pragma once

#include "gpu/gpu.h"
#include "math/linalg.h"
#include "model/model.h"

// ===== Capacities and constants =====

constexpr int kWindowSize = 512;                    // width and height at start-up
constexpr int kNormalLineCapacity = 2 * kMaxFaces;  // two end points per face
constexpr int kBoxLineCount = 16;                   // polyline through all twelve box edges
constexpr float kFieldOfView = 60.0f;               // degrees
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 10000.0f;
constexpr double kNormalScaleDivisor = 20.0;  // normals are |n| * 20 / diagonal long
constexpr double kPercent = 0.01;             // breathing amount is in percent

constexpr Vec4 kMeshColor{0.0f, 1.0f, 0.0f, 1.0f};    // green wireframe
constexpr Vec4 kNormalColor{1.0f, 0.0f, 0.0f, 1.0f};  // red normal segments
constexpr Vec4 kBoxColor{0.0f, 0.0f, 1.0f, 1.0f};     // blue bounding box
constexpr float kPointSize = 3.0f;                    // pixels across a point of a cloud

// ===== Scene store: window, per-frame geometry, view =====

#define VIEW_STORE(VALUE, ARRAY)                                                         \
    /* pixels; fixed at start-up, gives the projection's aspect */                       \
    VALUE(int, windowWidth, kWindowSize)                                                 \
    VALUE(int, windowHeight, kWindowSize)                                                \
    /* corner 3f + k of face f */                                                        \
    ARRAY(Vec4, points, kCornerCapacity, Vec4())                                         \
    /* one colour per corner; element 0 starts green so that a frame drawn before any */ \
    /* assembly is not black */                                                          \
    ARRAY(Vec4, colors, kCornerCapacity, kMeshColor)                                     \
    /* scaled normal of each face, w = 1 */                                              \
    ARRAY(Vec4, faceNormals, kMaxFaces, Vec4())                                          \
    /* centroid, then centroid + normal, per face */                                     \
    ARRAY(Vec4, normalLines, kNormalLineCapacity, Vec4())                                \
    /* the box polyline of the last frame */                                             \
    ARRAY(Vec4, boxLines, kBoxLineCount, Vec4())                                         \
    /* accumulated translation, model units */                                           \
    VALUE(float, offsetX, 0.0f)                                                          \
    VALUE(float, offsetY, 0.0f)                                                          \
    VALUE(float, offsetZ, 0.0f)                                                          \
    /* degrees about the vertical axis */                                                \
    VALUE(float, spinAngle, 0.0f)                                                        \
    /* breathing amount, percent of the box diagonal */                                  \
    VALUE(int, pulse, 0)                                                                 \
    /* 1 while the tour owns the view: drawn centred */                                  \
    VALUE(int, tourMode, 0)                                                              \
    /* flags: normal segment overlay, bounding box overlay */                            \
    VALUE(int, showNormals, 0)                                                           \
    VALUE(int, showBox, 0)                                                               \
    /* box centre used by the tour centring */                                           \
    VALUE(float, centerX, 0.0f)                                                          \
    VALUE(float, centerZ, 0.0f)
VIEW_STORE(STORE_DECLARE_VALUE, STORE_DECLARE_ARRAY)

// ===== Mesh assembly =====

// Diagonal of the current bounding box.
float boxDiagonal();

// Expands the loaded model into corners, colours, face normals and normal segments, then applies
// the breathing displacement and, in tour mode, the centring.
void assembleMesh();

// Tour centring: moves corners and segments so the box's x/z centre is at the origin.
void centerMesh();

// ===== Frame rendering =====

void display();  // one frame: wrap the index, read the model, matrices, drawMesh
void drawMesh();
void drawNormals();
void drawBoundingBox();

// Brings a stepped model index back into the catalogue: below 0 to the last, past it to the
// first (no modulo).
int wrapModelIndex(int index);

// ===== Frames drawn by a front end =====
// A front end that keeps its own model on the GPU (the file viewer) draws every frame itself:
// display() then brings the index back into the catalogue and hands the frame over, so that the
// keys and animations, which call display(), show the front end's picture. nullptr (the
// default): the frame is read, assembled and drawn from the store.
void setFrameDrawer(void (*draw)());
using FrameDrawer = void (*)();
FrameDrawer frameDrawerInUse();  // what setFrameDrawer last set

// ===== Geometry shared with a front end =====

// The polyline through all twelve edges of the box, as the box overlay draws it.
void boxPolyline(float x0, float x1, float y0, float y1, float z0, float z1,
                 Vec4 polyline[kBoxLineCount]);

// The normal of the corner order p0, p1, p2 divided by s = D / 20, the normal overlay's segment;
// a zero normal (w = 1) where the quotient is not finite (a model without size).
Vec4 scaledNormal(const Vec4& p0, const Vec4& p1, const Vec4& p2, float s);

// The breathing displacement of a face with scaled normal n: `pulse` percent of the diagonal D
// along the face's direction, in double. False when the face does not move (no direction, or a
// model without size).
bool breathingOffset(const Vec4& n, float diagonal, int pulse, double offset[3]);

// ===== Toolkit requests for the interaction code =====

void requestRedisplay();                   // ask for one more frame when the loop is free
void setIdleCallback(void (*callback)());  // nullptr: the loop sleeps until an event
