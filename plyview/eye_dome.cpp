// Eye-dome lighting: the frame a cloud is drawn into, and the copy and full-screen pass that
// shade it into the target. The pass's GL state is set and put back here, in one place.
#include "plyview/eye_dome.h"

#include <GL/glew.h>

#include <cmath>
#include <string>

#include "plyview/scene_parts.h"
#include "plyview/shader_text.h"

namespace plyview {

namespace {

constexpr GLsizei kCorners = 3;  // one triangle covers the frame
// Elements of a column-major projection: its depth scale, the w a perspective takes from depth
// (0 in a parallel projection), and the height it frames.
constexpr int kDepthScale = 10, kWFromDepth = 11, kYScale = 5;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// The constants the shader text expects in front of it.
std::string shaderConstants(bool parallel) {
    return std::string(parallel ? "#define PARALLEL\n" : "") + "#define STRENGTH " +
           std::to_string(kEyeDomeStrength) + "\n#define RADIUS " + std::to_string(kEyeDomeRadius) +
           "\n";
}

EyeDomeProgram build(bool parallel) {
    const std::string fragment = shaderConstants(parallel) + kEyeDomeFragmentShader;
    EyeDomeProgram program;
    program.name = buildViewerProgram(kEyeDomeVertexShader, fragment.c_str());
    glUniform1i(glGetUniformLocation(program.name, "frame_depth"), 0);
    program.depthTerm = glGetUniformLocation(program.name, "depth_term");
    return program;
}

// The program for the frame's projection, built when first asked for; and the vertex array.
const EyeDomeProgram& programFor(EyeDome& dome, bool parallel) {
    if (dome.array == 0) {
        glGenVertexArrays(1, &dome.array);  // nothing in it: the corners come from their numbers
    }
    EyeDomeProgram& program = parallel ? dome.parallel : dome.perspective;
    if (program.name == 0) {
        program = build(parallel);
    }
    return program;
}

// What the shader's `depth_term` is for this projection.
float depthTerm(const float projection[kMatrixFloats], bool parallel) {
    const float depthScale = projection[kDepthScale];
    if (!parallel) {
        return 1.0f - depthScale;
    }
    // Depth times the planes' distance apart (-2 / depthScale) is the distance; over the
    // distance at which the perspective frames the same height, it is L.
    const double tanHalf = std::tan(kFieldOfViewDegrees / 2 * kRadiansPerDegree);
    return static_cast<float>(kEyeDomeStrength * -2.0 / depthScale * projection[kYScale] * tanHalf);
}

}  // namespace

// ===== DepthFrame =====

void DepthFrame::ensure(int frameWidth, int frameHeight) {
    if (framebuffer != 0 && width == frameWidth && height == frameHeight) {
        return;
    }
    release();
    width = frameWidth;
    height = frameHeight;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenTextures(1, &depth);
    glBindTexture(GL_TEXTURE_2D, depth);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width, height, 0, GL_DEPTH_COMPONENT,
                 GL_UNSIGNED_INT, nullptr);
    // Read texel by texel; without these a texture of one level is incomplete.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
}

void DepthFrame::release() {
    if (framebuffer != 0) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteTextures(1, &depth);
    }
    *this = DepthFrame();
}

// ===== The pass =====

void EyeDome::release() {
    if (array != 0) {
        glDeleteVertexArrays(1, &array);
    }
    frame.release();
    *this = EyeDome();
}

// The colours are copied as they are and then multiplied by the shade: a copy costs a software
// renderer less than reading them in the pass.
void shadeEyeDome(const DepthFrame& frame, const float projection[kMatrixFloats], GLuint target) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frame.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glBlitFramebuffer(0, 0, frame.width, frame.height, 0, 0, frame.width, frame.height,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glViewport(0, 0, frame.width, frame.height);
    EyeDome& dome = viewer().eyeDome;
    const bool parallel = projection[kWFromDepth] == 0.0f;
    const EyeDomeProgram& program = programFor(dome, parallel);
    glUseProgram(program.name);
    glUniform1f(program.depthTerm, depthTerm(projection, parallel));
    glBindTexture(GL_TEXTURE_2D, frame.depth);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);  // the colour there times the shade
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);  // every pixel's depth written, as the frame holds it
    glBindVertexArray(dome.array);
    glDrawArrays(GL_TRIANGLES, 0, kCorners);
    glBindVertexArray(0);
    glDepthFunc(GL_LESS);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace plyview
