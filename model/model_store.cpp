// The loaded model's part of the scene store, with its initial values.
#include "model/model.h"

int modelIndex = kFirstModel;
int vertexCount = 0;
int faceCount = 0;
Vec4 vertices[kMaxVertices];
FaceIndices faces[kMaxFaces];
float minX = 0.0f;
float maxX = 0.0f;
float minY = 0.0f;
float maxY = 0.0f;
float minZ = 0.0f;
float maxZ = 0.0f;
