// The window, per-frame geometry and view part of the scene store, with initial values.
#include "render/render.h"

int windowWidth = kWindowSize;
int windowHeight = kWindowSize;

// Element 0 starts green so that a frame drawn before any assembly is not black.
Vec4 points[kCornerCapacity];
Vec4 colors[kCornerCapacity] = {kMeshColor};
Vec4 faceNormals[kMaxFaces];
Vec4 normalLines[kNormalLineCapacity];
Vec4 boxLines[kBoxLineCount];

float offsetX = 0.0f;
float offsetY = 0.0f;
float offsetZ = 0.0f;
float spinAngle = 0.0f;
int pulse = 0;
int tourMode = 0;
int showNormals = 0;
int showBox = 0;
float centerX = 0.0f;
float centerZ = 0.0f;
