// Frame rendering: one call of display re-reads the model, builds the camera and draws the mesh
// pass and the overlays that are switched on. All GL state the frame touches is set here.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include "render/render.h"

namespace {

// Pass sizes: the whole capacity of each array is uploaded, whatever the model's size.
constexpr GLsizeiptr kNormalStoreBytes =
    kNormalLineCapacity * static_cast<GLsizeiptr>(sizeof(Vec4));
constexpr GLsizeiptr kBoxStoreBytes = kBoxLineCount * static_cast<GLsizeiptr>(sizeof(Vec4));
static_assert(kNormalStoreBytes == 640000, "normal pass uploads all segments");
static_assert(kBoxStoreBytes == 256, "box pass uploads the sixteen polyline entries");

void drawWithDepthTest(GLenum mode, GLsizei count) {
    glEnable(GL_DEPTH_TEST);
    glDrawArrays(mode, 0, count);
    glDisable(GL_DEPTH_TEST);
}

// The overlay stores hold positions only, so their colour comes from a constant attribute
// while the colour array is switched off; the mesh pass gets its array back afterwards.
void drawOverlay(const Vec4* data, GLsizeiptr bytes, GLenum mode, GLsizei count,
                 const Vec4& color) {
    glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    const bool haveColor = colorLocation >= 0;
    const GLuint location = static_cast<GLuint>(colorLocation);
    if (haveColor) {
        glDisableVertexAttribArray(location);
        glVertexAttrib4f(location, color.x, color.y, color.z, color.w);
    }
    drawWithDepthTest(mode, count);
    if (haveColor) {
        glEnableVertexAttribArray(location);
    }
}

// The ARB entry point when the driver offers it; a context without it still has the core one.
GLint uniformLocation(const char* uniform) {
    if (glGetUniformLocationARB != nullptr) {
        return glGetUniformLocationARB(program, uniform);
    }
    return glGetUniformLocation(program, uniform);
}

void uploadMatrix(const char* uniform, const float matrix[kMatrixFloats]) {
    glUniformMatrix4fv(uniformLocation(uniform), 1, GL_FALSE, matrix);
}

// -(max + min) / 2 + offset, in double, rounded once: puts the box centre on the line of sight.
float centredTranslation(float maxValue, float minValue, float offset) {
    return static_cast<float>(-(static_cast<double>(maxValue) + minValue) / 2.0 + offset);
}

// The catalogue camera: box centred in x and y, one diagonal back, near 0.1, far 10000.
void catalogueCamera(Mat4& projection, Mat4& model) {
    const float aspect = static_cast<float>(windowWidth) / static_cast<float>(windowHeight);
    projection = perspective(kFieldOfView, aspect, kNearPlane, kFarPlane);
    const float tx = centredTranslation(maxX, minX, offsetX);
    const float ty = centredTranslation(maxY, minY, offsetY);
    const float tz = offsetZ - boxDiagonal();
    // Kept whole: a product sums from +0, so identity() and rotateX(0) turn -0 to +0, inf to NaN.
    model = identity() * translate(tx, ty, tz) * rotateY(spinAngle) * rotateX(0.0f);
}

}  // namespace

int wrapModelIndex(int index) {
    if (index < kFirstModel) {
        index = catalogueLength() - 1;
    }
    if (index > catalogueLength() - 1) {
        index = kFirstModel;
    }
    return index;
}

void display() {
    modelIndex = wrapModelIndex(modelIndex);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadModel(modelIndex);

    Mat4 perspectiveMat(1.0f);
    Mat4 modelMat(1.0f);
    catalogueCamera(perspectiveMat, modelMat);
    float viewMatrixf[kMatrixFloats];
    toColumnMajor(perspectiveMat, viewMatrixf);
    float modelMatrixf[kMatrixFloats];
    toColumnMajor(modelMat, modelMatrixf);

    uploadMatrix(kModelMatrixUniform, modelMatrixf);
    uploadMatrix(kProjectionMatrixUniform, viewMatrixf);
    drawMesh();
}

void drawMesh() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    assembleMesh();
    glBufferData(GL_ARRAY_BUFFER, kMeshStoreBytes, nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, kPositionsOffset, kBlockBytes, points);
    glBufferSubData(GL_ARRAY_BUFFER, kColorsOffset, kBlockBytes, colors);
    drawWithDepthTest(GL_TRIANGLES, 3 * faceCount);
    if (showNormals == 1) {
        drawNormals();
    }
    if (showBox == 1) {
        drawBoundingBox();
    }
    glFlush();
    glutSwapBuffers();
}

void drawNormals() {
    drawOverlay(normalLines, kNormalStoreBytes, GL_LINES, 2 * faceCount, kNormalColor);
}

void drawBoundingBox() {
    float x0 = minX, x1 = maxX, z0 = minZ, z1 = maxZ;
    if (tourMode == 1) {
        x0 -= centerX;
        x1 -= centerX;
        z0 -= centerZ;
        z1 -= centerZ;
    }
    boxPolyline(x0, x1, minY, maxY, z0, z1, boxLines);
    // A model without vertices has the inverted reset box: there is nothing to outline.
    if (vertexCount <= 0) {
        return;
    }
    drawOverlay(boxLines, kBoxStoreBytes, GL_LINE_STRIP, kBoxLineCount, kBoxColor);
}

void requestRedisplay() {
    glutPostRedisplay();
}

void setIdleCallback(void (*callback)()) {
    glutIdleFunc(callback);
}
