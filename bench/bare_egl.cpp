// The reference for plyview --png: the least a program can do for the same picture. A
// surfaceless EGL context, one tiny shader, a wireframe drawn into a 512 x 512 framebuffer object
// and read back; no PNG. Without an argument it draws a 20,000-triangle grid: what any offscreen
// picture on this renderer costs at least. With FILE it reads a binary little-endian PLY of
// exactly the layout mesh libraries write (double x y z nx ny nz, uchar red green blue; faces of
// a uchar 3 and three uint), with no checks beyond that, uploads the positions and the triangles
// and draws them as indexed lines, the box centred and filling the view.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bare_context.h"

namespace {

constexpr int kGrid = 100;        // 100 x 100 cells, two triangles each: 20,000 triangles
constexpr float kFill = 0.9f;     // the model's widest half reaches 90 % of the half-view
constexpr int kVertexBytes = 51;  // six doubles and three uchar
constexpr int kFaceBytes = 13;    // a uchar count and three uint
constexpr std::size_t kChunkRecords = 1 << 16;
constexpr int kLineSize = 256;

const char* const kVertex =
    "#version 140\nin vec4 p;\nuniform vec4 frame;\n"
    "void main() { gl_Position = vec4((p.xyz - frame.xyz) * frame.w, 1.0); }\n";
const char* const kFragment =
    "#version 140\nout vec4 c;\nvoid main() { c = vec4(0.0, 1.0, 0.0, 1.0); }\n";

GLuint makeProgram() {
    const GLuint program = glCreateProgram();
    glAttachShader(program, shader(GL_VERTEX_SHADER, kVertex));
    glAttachShader(program, shader(GL_FRAGMENT_SHADER, kFragment));
    glBindAttribLocation(program, 0, "p");
    glLinkProgram(program);
    glUseProgram(program);
    return program;
}

void upload(GLenum target, const void* data, std::size_t bytes) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
}

// The grid, unindexed, in the view as it is: returns the vertices to draw.
GLsizei uploadGrid(GLuint program) {
    std::vector<float> corners;
    auto corner = [&](int i, int j) {
        corners.insert(corners.end(), {2.0f * i / kGrid - 1, 2.0f * j / kGrid - 1, 0, 1});
    };
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            corner(i, j), corner(i + 1, j), corner(i, j + 1);
            corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1);
        }
    }
    upload(GL_ARRAY_BUFFER, corners.data(), corners.size() * sizeof(float));
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glUniform4f(glGetUniformLocation(program, "frame"), 0, 0, 0, kFill);
    return static_cast<GLsizei>(corners.size() / 4);
}

// Reads `count` records of `size` bytes a chunk at a time, handing each to `take` with its
// number; false when the file ends first.
template <typename Take>
bool readRecords(std::FILE* file, std::size_t size, std::size_t count, Take take) {
    std::vector<unsigned char> chunk(kChunkRecords * size);
    for (std::size_t done = 0, n = 0; done < count; done += n) {
        n = std::fread(chunk.data(), size, std::min(kChunkRecords, count - done), file);
        if (n == 0)
            return false;
        for (std::size_t r = 0; r < n; ++r) take(&chunk[r * size], done + r);
    }
    return true;
}

// The file's positions and triangles, the box centred and scaled into the view: returns the
// indices to draw, or 0 when the file cannot be read.
GLsizei uploadFile(const char* path, GLuint program) {
    std::FILE* file = std::fopen(path, "rb");
    char line[kLineSize] = {};
    long vertexCount = 0, faceCount = 0;
    while (file && std::fgets(line, sizeof line, file) && std::strcmp(line, "end_header\n") != 0) {
        std::sscanf(line, "element vertex %ld", &vertexCount);
        std::sscanf(line, "element face %ld", &faceCount);
    }
    std::vector<float> positions(static_cast<std::size_t>(vertexCount) * 3);
    std::vector<std::uint32_t> indices(static_cast<std::size_t>(faceCount) * 3);
    float low[3] = {1e38f, 1e38f, 1e38f}, high[3] = {-1e38f, -1e38f, -1e38f};
    const bool read =
        file &&
        readRecords(file, kVertexBytes, positions.size() / 3,
                    [&](const unsigned char* record, std::size_t i) {
                        double xyz[3];
                        std::memcpy(xyz, record, sizeof xyz);
                        for (int a = 0; a < 3; ++a) {
                            positions[i * 3 + a] = static_cast<float>(xyz[a]);
                            low[a] = std::min(low[a], positions[i * 3 + a]);
                            high[a] = std::max(high[a], positions[i * 3 + a]);
                        }
                    }) &&
        readRecords(file, kFaceBytes, indices.size() / 3,
                    [&](const unsigned char* record, std::size_t f) {
                        std::memcpy(&indices[f * 3], record + 1, 3 * sizeof(std::uint32_t));
                    });
    if (file)
        std::fclose(file);
    if (!read)
        return 0;
    upload(GL_ARRAY_BUFFER, positions.data(), positions.size() * sizeof(float));
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    upload(GL_ELEMENT_ARRAY_BUFFER, indices.data(), indices.size() * sizeof(std::uint32_t));
    const float half = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]}) / 2;
    glUniform4f(glGetUniformLocation(program, "frame"), (low[0] + high[0]) / 2,
                (low[1] + high[1]) / 2, (low[2] + high[2]) / 2, half > 0 ? kFill / half : 1);
    return static_cast<GLsizei>(indices.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (!makeContext()) {
        std::fprintf(stderr, "bare_egl: no surfaceless OpenGL 3.1 context\n");
        return 1;
    }
    makeFramebuffer();
    const GLuint program = makeProgram();
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glEnableVertexAttribArray(0);
    const GLsizei count = argc > 1 ? uploadFile(argv[1], program) : uploadGrid(program);

    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_DEPTH_TEST);
    if (argc > 1) {
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
    } else {
        glDrawArrays(GL_TRIANGLES, 0, count);
    }
    std::vector<unsigned char> pixels(kBareSide * kBareSide * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kBareSide, kBareSide, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    long green = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 3)
        green += pixels[i + 1] > 128 && pixels[i] < 128;
    std::printf("green pixels: %ld\n", green);
    return green > 0 ? 0 : 1;
}
