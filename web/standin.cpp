// A stand-in for the viewer core while the real one becomes portable: it takes the files whose
// first line is "ply", steps through them with N and P, and draws a green triangle on white that
// a left drag turns and the wheel zooms. Just enough for the page and its tests to be real.
#include <GL/glut.h>

#include <GLES3/gl3.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "web/web.h"

namespace web {

namespace {

// ===== Constants =====

constexpr unsigned char kKeyNext = 'N';
constexpr unsigned char kKeyPrevious = 'P';
constexpr char kMagicLine[] = "ply";
constexpr int kFirstLineBytes = 16;  // enough for "ply" and its line end
constexpr float kRadiansPerPixel = 0.01f;
constexpr float kWheelZoom = 0.9f;  // one wheel step up: the triangle grows by 1 / this
constexpr float kMinZoom = 0.1f;
constexpr float kMaxZoom = 10.0f;
constexpr GLuint kCornerAttribute = 0;
constexpr GLfloat kTriangle[] = {-0.6f, -0.5f, 0.6f, -0.5f, 0.0f, 0.6f};

constexpr const char* kVertexShader = R"(#version 300 es
precision highp float;
layout(location = 0) in vec2 corner;
uniform vec2 turn;   // cosine and sine of the angle
uniform vec2 scale;  // zoom, with x narrowed by the canvas's aspect
void main() {
    mat2 rotation = mat2(turn.x, turn.y, -turn.y, turn.x);
    gl_Position = vec4(scale * (rotation * corner), 0.0, 1.0);
}
)";
constexpr const char* kFragmentShader = R"(#version 300 es
precision mediump float;
out vec4 colour;
void main() { colour = vec4(0.0, 0.6, 0.0, 1.0); }
)";

// ===== State =====

std::vector<std::string> files;  // the list shown, in the user's order
int shown = 0;                   // its entry on screen
float angle = 0, zoom = 1;
float aspect = 1;  // canvas width / height
bool turning = false;
int lastX = 0;
GLuint program = 0, vertexArray = 0;
GLint turnLocation = -1, scaleLocation = -1;

// ===== Files =====

// Empty when the file is a PLY file, otherwise why not.
std::string refusal(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot be opened";
    }
    char line[kFirstLineBytes] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    line[std::strcspn(line, "\r\n")] = '\0';
    if (!read || std::strcmp(line, kMagicLine) != 0) {
        return "not a PLY file (its first line is not \"ply\")";
    }
    return "";
}

void show(int entry) {
    const int count = static_cast<int>(files.size());
    shown = (entry % count + count) % count;
    angle = 0;
    zoom = 1;
    showFile(files[static_cast<std::size_t>(shown)], shown, count);
    requestFrame();
}

// ===== Drawing =====

GLuint compile(GLenum type, const char* text) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

}  // namespace

// ===== Core =====

void startCore() {
    program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexShader));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
    glLinkProgram(program);
    turnLocation = glGetUniformLocation(program, "turn");
    scaleLocation = glGetUniformLocation(program, "scale");
    GLuint buffer = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof kTriangle, kTriangle, GL_STATIC_DRAW);
    glVertexAttribPointer(kCornerAttribute, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(kCornerAttribute);
}

int openFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> taken;
    for (const std::string& path : paths) {
        const std::string reason = refusal(path);
        if (reason.empty()) {
            taken.push_back(path);
        } else {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
        }
    }
    if (!taken.empty()) {
        files = taken;
        show(0);
    }
    return static_cast<int>(taken.size());
}

void drawFrame() {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (files.empty()) {
        return;
    }
    glUseProgram(program);
    glUniform2f(turnLocation, std::cos(angle), std::sin(angle));
    glUniform2f(scaleLocation, zoom / std::max(aspect, 1.0f), zoom * std::min(aspect, 1.0f));
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void resizeView(int width, int height) {
    glViewport(0, 0, width, height);
    aspect = height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    requestFrame();
}

void pressKey(unsigned char key) {
    if (files.empty() || (key != kKeyNext && key != kKeyPrevious)) {
        return;
    }
    show(shown + (key == kKeyNext ? 1 : -1));
}

void pressButton(int button, bool down, int x, int) {
    if (down && (button == kWheelUp || button == kWheelDown)) {
        zoom = std::clamp(button == kWheelUp ? zoom / kWheelZoom : zoom * kWheelZoom, kMinZoom,
                          kMaxZoom);
        requestFrame();
    } else if (button == GLUT_LEFT_BUTTON) {
        turning = down;
        lastX = x;
    }
}

void movePointer(int x, int) {
    if (turning) {
        angle += static_cast<float>(x - lastX) * kRadiansPerPixel;
        lastX = x;
        requestFrame();
    }
}

}  // namespace web
