// The reference for plyview --png of a Gaussian-splat file: the least a program can do for the
// same picture. It reads a binary little-endian splat PLY whose vertex properties are all floats
// (x y z, f_dc_0..2, f_rest_*, opacity, scale_0..2, rot_0..3, others passed over) with one plain
// loop and no checks, makes each splat's covariance, opacity and colour for the view, sorts the
// splats by depth with a radix sort, and draws them as blended quads into a 512 x 512
// framebuffer object, back to front, the box centred and filling a 60-degree view; no PNG.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bare_context.h"

namespace {

constexpr std::size_t kChunkRecords = 1 << 16;
constexpr int kLineSize = 256;
constexpr int kMaxRest = 45;       // f_rest_* of degree 3
constexpr int kCoefficients = 16;  // per channel at degree 3
constexpr float kFill = 0.9f;
constexpr float kHalfFieldRadians = 0.5235988f;  // 30 degrees
constexpr int kRadixBits = 11;
constexpr int kRadixPasses = 3;
constexpr std::uint32_t kRadixMask = (1u << kRadixBits) - 1;

const char* const kVertex = R"(#version 140
in vec3 centre; in vec3 covA; in vec3 covB; in float opacity; in vec4 colour;
uniform mat4 view; uniform mat4 projection; uniform vec2 focal; uniform vec2 viewport;
noperspective out vec2 offset; flat out vec3 conic; flat out vec4 paint;
void main() {
  vec4 t = view * vec4(centre, 1.0);
  vec4 clip = projection * t;
  float z = -t.z;
  if (z <= 0.0 || opacity < 1.0 / 255.0) { gl_Position = vec4(0.0, 0.0, 2.0, 1.0); return; }
  mat3 s = mat3(covA.x, covA.y, covA.z, covA.y, covB.x, covB.y, covA.z, covB.y, covB.z);
  mat3 w = mat3(view);
  mat3 j = mat3(focal.x / z, 0.0, 0.0, 0.0, focal.y / z, 0.0,
                focal.x * t.x / (z * z), focal.y * t.y / (z * z), 0.0);
  mat3 c = j * w * s * transpose(w) * transpose(j);
  float a = c[0][0] + 0.3, b = c[0][1], d = c[1][1] + 0.3;
  float mid = 0.5 * (a + d), det = a * d - b * b, disc = sqrt(max(mid * mid - det, 0.0));
  float l1 = mid + disc, l2 = max(mid - disc, 0.0);
  vec2 e1 = abs(b) > 1e-12 ? normalize(vec2(b, l1 - a)) : (a >= d ? vec2(1, 0) : vec2(0, 1));
  vec2 e2 = vec2(-e1.y, e1.x);
  float k = sqrt(2.0 * log(255.0 * opacity));
  vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1)) * 2.0 - 1.0;
  offset = (corner.x * sqrt(l1) * e1 + corner.y * sqrt(l2) * e2) * k;
  gl_Position = clip + vec4(offset * 2.0 / viewport * clip.w, 0.0, 0.0);
  conic = vec3(d, -b, a) / det;
  paint = vec4(colour.rgb, opacity);
})";
const char* const kFragment = R"(#version 140
noperspective in vec2 offset; flat in vec3 conic; flat in vec4 paint; out vec4 c;
void main() {
  float power = -0.5 * (conic.x * offset.x * offset.x + 2.0 * conic.y * offset.x * offset.y +
                        conic.z * offset.y * offset.y);
  float alpha = min(0.99, paint.a * exp(power));
  if (alpha < 1.0 / 255.0) discard;
  c = vec4(paint.rgb, alpha);
})";

struct Instance {
    float centre[3], covariance[6], opacity;
    unsigned char colour[4];
};

struct Splats {
    std::vector<Instance> splats;
    std::vector<float> sh;  // kCoefficients per channel, red, green, blue, per splat
    int rest = 0;           // f_rest_* per channel
    float low[3] = {1e38f, 1e38f, 1e38f}, high[3] = {-1e38f, -1e38f, -1e38f};
};

// The vertex count and where each property of interest stands, in floats; -1 when missing.
struct Layout {
    long count = 0;
    int floats = 0, x = -1, dc = -1, rest = -1, restCount = 0, opacity = -1, scale = -1, rot = -1;
};

Layout readHeader(std::FILE* file) {
    Layout layout;
    char line[kLineSize] = {};
    while (std::fgets(line, sizeof line, file) && std::strcmp(line, "end_header\n") != 0) {
        std::sscanf(line, "element vertex %ld", &layout.count);
        char name[kLineSize] = {};
        if (std::sscanf(line, "property float %255s", name) != 1) {
            continue;
        }
        const std::string n = name;
        const int at = layout.floats++;
        if (n == "x")
            layout.x = at;
        if (n == "f_dc_0")
            layout.dc = at;
        if (n == "f_rest_0")
            layout.rest = at;
        if (n.rfind("f_rest_", 0) == 0)
            ++layout.restCount;
        if (n == "opacity")
            layout.opacity = at;
        if (n == "scale_0")
            layout.scale = at;
        if (n == "rot_0")
            layout.rot = at;
    }
    return layout;
}

void covariance(const float* scale, const float* rot, float* out) {
    float q[4];
    const float length =
        std::sqrt(rot[0] * rot[0] + rot[1] * rot[1] + rot[2] * rot[2] + rot[3] * rot[3]);
    for (int i = 0; i < 4; ++i) q[i] = rot[i] / length;
    const float w = q[0], x = q[1], y = q[2], z = q[3];
    const float r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                           {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                           {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
    float m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) m[i][k] = r[i][k] * std::exp(scale[k]);
    int o = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j)
            out[o++] = m[i][0] * m[j][0] + m[i][1] * m[j][1] + m[i][2] * m[j][2];
}

bool readSplats(const char* path, Splats& s) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    const Layout l = readHeader(file);
    s.rest = std::min(l.restCount, kMaxRest) / 3;
    s.splats.resize(static_cast<std::size_t>(l.count));
    s.sh.assign(s.splats.size() * 3 * kCoefficients, 0.0f);
    const std::size_t size = static_cast<std::size_t>(l.floats) * sizeof(float);
    std::vector<float> chunk(kChunkRecords * static_cast<std::size_t>(l.floats));
    for (std::size_t done = 0, n = 0; done < s.splats.size(); done += n) {
        n = std::fread(chunk.data(), size, std::min(kChunkRecords, s.splats.size() - done), file);
        if (n == 0)
            break;
        for (std::size_t r = 0; r < n; ++r) {
            const float* v = &chunk[r * static_cast<std::size_t>(l.floats)];
            Instance& splat = s.splats[done + r];
            float* sh = &s.sh[(done + r) * 3 * kCoefficients];
            for (int a = 0; a < 3; ++a) {
                splat.centre[a] = v[l.x + a];
                s.low[a] = std::min(s.low[a], v[l.x + a]);
                s.high[a] = std::max(s.high[a], v[l.x + a]);
                sh[a * kCoefficients] = v[l.dc + a];
                for (int k = 0; k < s.rest; ++k)
                    sh[a * kCoefficients + 1 + k] = v[l.rest + a * s.rest + k];
            }
            splat.opacity = 1 / (1 + std::exp(-v[l.opacity]));
            covariance(&v[l.scale], &v[l.rot], splat.covariance);
        }
    }
    std::fclose(file);
    return true;
}

// Each splat's colour seen from `eye`: the spherical harmonics up to the file's degree.
void colour(Splats& s, const float* eye) {
    for (std::size_t i = 0; i < s.splats.size(); ++i) {
        Instance& splat = s.splats[i];
        float d[3];
        for (int a = 0; a < 3; ++a) d[a] = splat.centre[a] - eye[a];
        const float inverse = 1 / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const float x = d[0] * inverse, y = d[1] * inverse, z = d[2] * inverse;
        const float xx = x * x, yy = y * y, zz = z * z;
        const float basis[kCoefficients] = {0.28209479f,
                                            -0.48860251f * y,
                                            0.48860251f * z,
                                            -0.48860251f * x,
                                            1.09254843f * x * y,
                                            -1.09254843f * y * z,
                                            0.31539157f * (2 * zz - xx - yy),
                                            -1.09254843f * x * z,
                                            0.54627422f * (xx - yy),
                                            -0.59004359f * y * (3 * xx - yy),
                                            2.89061144f * x * y * z,
                                            -0.45704580f * y * (4 * zz - xx - yy),
                                            0.37317633f * z * (2 * zz - 3 * xx - 3 * yy),
                                            -0.45704580f * x * (4 * zz - xx - yy),
                                            1.44530572f * z * (xx - yy),
                                            -0.59004359f * x * (xx - 3 * yy)};
        const float* sh = &s.sh[i * 3 * kCoefficients];
        for (int c = 0; c < 3; ++c) {
            float v = 0.5f;
            for (int k = 0; k <= s.rest; ++k) v += basis[k] * sh[c * kCoefficients + k];
            splat.colour[c] = static_cast<unsigned char>(std::clamp(v, 0.0f, 1.0f) * 255 + 0.5f);
        }
        splat.colour[3] = 255;
    }
}

// The splats from the farthest to the nearest along -z: an LSD radix sort of the depths.
std::vector<Instance> sorted(const std::vector<Instance>& splats) {
    const std::size_t n = splats.size();
    std::vector<std::uint32_t> keys(n), order(n), swapKeys(n), swapOrder(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &splats[i].centre[2], sizeof bits);  // far: small z first
        keys[i] = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
        order[i] = static_cast<std::uint32_t>(i);
    }
    for (int pass = 0; pass < kRadixPasses; ++pass) {
        const int shift = pass * kRadixBits;
        std::vector<std::size_t> count((1u << kRadixBits) + 1, 0);
        for (std::size_t i = 0; i < n; ++i) ++count[((keys[i] >> shift) & kRadixMask) + 1];
        for (std::size_t b = 1; b < count.size(); ++b) count[b] += count[b - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t to = count[(keys[i] >> shift) & kRadixMask]++;
            swapKeys[to] = keys[i];
            swapOrder[to] = order[i];
        }
        keys.swap(swapKeys);
        order.swap(swapOrder);
    }
    std::vector<Instance> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = splats[order[i]];
    return out;
}

GLuint makeProgram() {
    const GLuint program = glCreateProgram();
    glAttachShader(program, shader(GL_VERTEX_SHADER, kVertex));
    glAttachShader(program, shader(GL_FRAGMENT_SHADER, kFragment));
    const char* names[] = {"centre", "covA", "covB", "opacity", "colour"};
    for (GLuint i = 0; i < 5; ++i) glBindAttribLocation(program, i, names[i]);
    glLinkProgram(program);
    glUseProgram(program);
    return program;
}

void upload(const std::vector<Instance>& splats) {
    GLuint vao = 0, buffer = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(splats.size() * sizeof(Instance)),
                 splats.data(), GL_STATIC_DRAW);
    const GLsizei stride = sizeof(Instance);
    const struct {
        GLint size;
        GLenum type;
        std::size_t offset;
    } attributes[] = {{3, GL_FLOAT, offsetof(Instance, centre)},
                      {3, GL_FLOAT, offsetof(Instance, covariance)},
                      {3, GL_FLOAT, offsetof(Instance, covariance) + 3 * sizeof(float)},
                      {1, GL_FLOAT, offsetof(Instance, opacity)},
                      {4, GL_UNSIGNED_BYTE, offsetof(Instance, colour)}};
    for (GLuint i = 0; i < 5; ++i) {
        glEnableVertexAttribArray(i);
        glVertexAttribPointer(i, attributes[i].size, attributes[i].type,
                              attributes[i].type == GL_UNSIGNED_BYTE, stride,
                              reinterpret_cast<const void*>(attributes[i].offset));
        glVertexAttribDivisor(i, 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Splats s;
    if (argc < 2 || !makeContext() || !readSplats(argv[1], s)) {
        std::fprintf(stderr, "bare_splats: FILE and a surfaceless OpenGL 3.1 context needed\n");
        return 1;
    }
    makeFramebuffer();
    const GLuint program = makeProgram();
    // The box centred in front of an eye on +z, far enough for its sphere to fill the view.
    float centre[3], radius = 0;
    for (int a = 0; a < 3; ++a) {
        centre[a] = (s.low[a] + s.high[a]) / 2;
        radius += (s.high[a] - s.low[a]) * (s.high[a] - s.low[a]) / 4;
    }
    radius = std::sqrt(radius);
    const float distance = radius / std::sin(kHalfFieldRadians) / kFill;
    const float eye[3] = {centre[0], centre[1], centre[2] + distance};
    colour(s, eye);
    const float nearPlane = std::max(distance - radius * 1.25f, distance * 1e-3f);
    const float farPlane = distance + radius * 1.25f;
    const float f = 1 / std::tan(kHalfFieldRadians);
    const float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -eye[0], -eye[1], -eye[2], 1};
    const float projection[16] = {f,
                                  0,
                                  0,
                                  0,
                                  0,
                                  f,
                                  0,
                                  0,
                                  0,
                                  0,
                                  (farPlane + nearPlane) / (nearPlane - farPlane),
                                  -1,
                                  0,
                                  0,
                                  2 * farPlane * nearPlane / (nearPlane - farPlane),
                                  0};
    glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, view);
    glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, projection);
    glUniform2f(glGetUniformLocation(program, "focal"), f * kBareSide / 2, f * kBareSide / 2);
    glUniform2f(glGetUniformLocation(program, "viewport"), kBareSide, kBareSide);
    upload(sorted(s.splats));

    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, static_cast<GLsizei>(s.splats.size()));
    std::vector<unsigned char> pixels(kBareSide * kBareSide * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kBareSide, kBareSide, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    long painted = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 3)
        painted += pixels[i] < 250 || pixels[i + 1] < 250 || pixels[i + 2] < 250;
    std::printf("painted pixels: %ld\n", painted);
    return painted > 0 ? 0 : 1;
}
