// Public interface of render/: the per-frame geometry and view part of the scene store, mesh
// assembly and frame rendering, and the two toolkit requests the interaction code needs.
// Used by input/ and app/.
#pragma once

#include "gpu/gpu.h"
#include "math/linalg.h"
#include "math/view_geometry.h"
#include "model/model.h"

// ===== Capacities and constants =====

constexpr int kWindowSize = 512;                    // width and height at start-up
constexpr int kNormalLineCapacity = 2 * kMaxFaces;  // two end points per face
constexpr float kFieldOfView = 60.0f;               // degrees
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 10000.0f;

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

// ===== Toolkit requests for the interaction code =====

void requestRedisplay();                   // ask for one more frame when the loop is free
void setIdleCallback(void (*callback)());  // nullptr: the loop sleeps until an event
