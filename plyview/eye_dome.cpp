// Eye-dome lighting: the frame of textures a cloud is drawn into, and the full-screen pass that
// shades it into the target. The pass's GL state is set and put back here, in one place.
#include "plyview/eye_dome.h"

#include <GL/glew.h>

#include <cmath>
#include <string>

#include "plyview/scene_parts.h"
#include "plyview/shader_text.h"

namespace plyview {

namespace {

constexpr GLint kColourUnit = 0;
constexpr GLint kDepthUnit = 1;
constexpr GLsizei kCorners = 3;  // one triangle covers the frame
constexpr const char* kParallelLine = "#define PARALLEL\n";
// Elements of a column-major projection: its depth terms, and the height it frames.
constexpr int kDepthScale = 10, kDepthShift = 14, kWFromDepth = 11, kWOne = 15, kYScale = 5;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

GLuint newTexture(GLint format, GLenum layout, GLenum type, int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, layout, type, nullptr);
    // Read texel by texel; without these a texture of one level is incomplete.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

EyeDomeProgram build(bool parallel) {
    const std::string fragment =
        std::string(parallel ? kParallelLine : "") + kEyeDomeFragmentShader;
    EyeDomeProgram program;
    program.name = buildViewerProgram(kEyeDomeVertexShader, fragment.c_str());
    glUniform1i(glGetUniformLocation(program.name, "frame_colour"), kColourUnit);
    glUniform1i(glGetUniformLocation(program.name, "frame_depth"), kDepthUnit);
    glUniform1f(glGetUniformLocation(program.name, "strength"), kEyeDomeStrength);
    glUniform1i(glGetUniformLocation(program.name, "radius"), kEyeDomeRadius);
    program.depthTerms = glGetUniformLocation(program.name, "depth_terms");
    program.scale = glGetUniformLocation(program.name, "scale");
    return program;
}

void ensurePrograms(EyeDome& dome) {
    if (dome.array != 0) {
        return;
    }
    dome.perspective = build(false);
    dome.parallel = build(true);
    glGenVertexArrays(1, &dome.array);  // nothing in it: the corners come from their numbers
}

}  // namespace

// ===== TextureFrame =====

void TextureFrame::ensure(int frameWidth, int frameHeight) {
    if (framebuffer != 0 && width == frameWidth && height == frameHeight) {
        return;
    }
    release();
    width = frameWidth;
    height = frameHeight;
    colour = newTexture(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, width, height);
    depth = newTexture(GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, width, height);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
}

void TextureFrame::release() {
    if (framebuffer != 0) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &colour);
        glDeleteTextures(1, &depth);
    }
    *this = TextureFrame();
}

// ===== The pass =====

void EyeDome::release() {
    if (array != 0) {
        glDeleteVertexArrays(1, &array);
    }
    frame.release();
    *this = EyeDome();
}

void shadeEyeDome(const TextureFrame& frame, const float projection[kMatrixFloats]) {
    EyeDome& dome = viewer().eyeDome;
    ensurePrograms(dome);
    const bool parallel = projection[kWFromDepth] == 0.0f;
    const EyeDomeProgram& program = parallel ? dome.parallel : dome.perspective;
    glUseProgram(program.name);
    glUniform4f(program.depthTerms, projection[kDepthScale], projection[kDepthShift],
                projection[kWFromDepth], projection[kWOne]);
    if (parallel) {
        // The distance at which the perspective frames the same height.
        const double tanHalf = std::tan(kFieldOfViewDegrees / 2 * kRadiansPerDegree);
        glUniform1f(program.scale, static_cast<float>(1.0 / (projection[kYScale] * tanHalf)));
    }
    glActiveTexture(GL_TEXTURE0 + kColourUnit);
    glBindTexture(GL_TEXTURE_2D, frame.colour);
    glActiveTexture(GL_TEXTURE0 + kDepthUnit);
    glBindTexture(GL_TEXTURE_2D, frame.depth);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);  // every pixel's depth written, as the frame holds it
    glBindVertexArray(dome.array);
    glDrawArrays(GL_TRIANGLES, 0, kCorners);
    glBindVertexArray(0);
    glDepthFunc(GL_LESS);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0 + kColourUnit);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace plyview
