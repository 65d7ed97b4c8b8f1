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

// ===== Scene store: window, per-frame geometry, view =====

extern int windowWidth;  // pixels; fixed at start-up, gives the projection's aspect
extern int windowHeight;

extern Vec4 points[kCornerCapacity];           // corner 3f + k of face f
extern Vec4 colors[kCornerCapacity];           // one colour per corner
extern Vec4 faceNormals[kMaxFaces];            // scaled normal of each face, w = 1
extern Vec4 normalLines[kNormalLineCapacity];  // centroid, then centroid + normal, per face
extern Vec4 boxLines[kBoxLineCount];           // the box polyline of the last frame

extern float offsetX, offsetY, offsetZ;  // accumulated translation, model units
extern float spinAngle;                  // degrees about the vertical axis
extern int pulse;                        // breathing amount, percent of the box diagonal
extern int tourMode;                     // 1 while the tour owns the view: drawn centred
extern int showNormals;                  // flag: normal segment overlay
extern int showBox;                      // flag: bounding box overlay
extern float centerX, centerZ;           // box centre used by the tour centring

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
