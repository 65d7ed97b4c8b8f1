// Geometry on the GPU at the file's own size: positions uploaded once per model, lines drawn
// indexed from them, and plain arrays (points, normal segments, breathing corners). Whatever
// passes one buffer's or one draw call's limits is split into pieces, each with its own vertex
// array, so that any model can be drawn.
#include <GL/glew.h>

#include <algorithm>
#include <limits>

#include "plyview/plyview.h"

namespace plyview {

namespace {

// ===== Limits =====

// Mesa keeps a buffer object under 4 GiB; pieces of at most 2 GiB stay well clear of it.
constexpr std::uint64_t kBufferLimit = std::uint64_t{1} << 31;
// A draw call counts its indices in a GLsizei.
constexpr std::uint64_t kDrawLimit =
    static_cast<std::uint64_t>(std::numeric_limits<GLsizei>::max());
constexpr std::uint64_t kPositionBytes = kCoordinates * sizeof(float);
constexpr std::uint64_t kIndexBytes = sizeof(std::uint32_t);
constexpr std::uint32_t kUnmapped = std::numeric_limits<std::uint32_t>::max();

std::uint64_t bufferLimit = kBufferLimit;  // lowered by the tests to see pieces at small sizes

// ===== GL objects =====

GLuint newBuffer(GLenum target, std::uint64_t bytes, const void* data) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    return buffer;
}

// A vertex array whose positions come from `buffer`; the colour is a constant attribute.
GLuint newVertexArray(GLuint buffer, const ShaderSlots& slots) {
    GLuint array = 0;
    glGenVertexArrays(1, &array);
    glBindVertexArray(array);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(static_cast<GLuint>(slots.position));
    glVertexAttribPointer(static_cast<GLuint>(slots.position), kCoordinates, GL_FLOAT, GL_FALSE, 0,
                          nullptr);
    if (slots.colour >= 0) {
        glDisableVertexAttribArray(static_cast<GLuint>(slots.colour));
    }
    return array;
}

}  // namespace

// ===== Limits for the tests =====

void setBufferLimitForTests(std::uint64_t bytes) {
    bufferLimit = bytes == 0 ? kBufferLimit : bytes;
}

std::uint64_t bufferLimitBytes() {
    return bufferLimit;
}

// ===== GpuGeometry =====

void GpuGeometry::release() {
    for (const Piece& piece : pieces_) {
        glDeleteVertexArrays(1, &piece.array);
        if (piece.indices != 0) {
            glDeleteBuffers(1, &piece.indices);
        }
    }
    for (GLuint buffer : buffers_) {
        glDeleteBuffers(1, &buffer);
    }
    pieces_.clear();
    buffers_.clear();
    primitives_ = 0;
}

void GpuGeometry::uploadLines(const std::vector<float>& positions,
                              const std::vector<std::uint32_t>& lines, const ShaderSlots& slots) {
    release();
    mode_ = GL_LINES;
    primitives_ = lines.size() / 2;
    const std::uint64_t vertexBytes = positions.size() * sizeof(float);
    const std::uint64_t perPiece = std::min(bufferLimit / kIndexBytes, kDrawLimit) / 2;
    if (vertexBytes > bufferLimit) {
        uploadSelfContained(positions, lines, slots);
        return;
    }
    const GLuint vertices = newBuffer(GL_ARRAY_BUFFER, vertexBytes, positions.data());
    buffers_.push_back(vertices);
    for (std::uint64_t first = 0; first < primitives_; first += perPiece) {
        const std::uint64_t count = std::min<std::uint64_t>(perPiece, primitives_ - first);
        Piece piece;
        piece.array = newVertexArray(vertices, slots);
        piece.indices =
            newBuffer(GL_ELEMENT_ARRAY_BUFFER, 2 * count * kIndexBytes, lines.data() + 2 * first);
        piece.first = first;
        piece.count = count;
        pieces_.push_back(piece);
    }
    glBindVertexArray(0);
}

// Positions beyond one buffer: each piece of lines carries the vertices it uses, renumbered.
void GpuGeometry::uploadSelfContained(const std::vector<float>& positions,
                                      const std::vector<std::uint32_t>& lines,
                                      const ShaderSlots& slots) {
    const std::uint64_t perPiece = std::min(
        {bufferLimit / (2 * kPositionBytes), bufferLimit / (2 * kIndexBytes), kDrawLimit / 2});
    std::vector<std::uint32_t> local(positions.size() / kCoordinates, kUnmapped);
    std::vector<float> pieceVertices;
    std::vector<std::uint32_t> pieceLines;
    for (std::uint64_t first = 0; first < primitives_; first += perPiece) {
        const std::uint64_t count = std::min<std::uint64_t>(perPiece, primitives_ - first);
        pieceVertices.clear();
        pieceLines.clear();
        for (std::uint64_t i = 2 * first; i < 2 * (first + count); ++i) {
            const std::uint32_t v = lines[i];
            if (local[v] == kUnmapped) {
                local[v] = static_cast<std::uint32_t>(pieceVertices.size() / kCoordinates);
                const float* p = &positions[static_cast<std::size_t>(v) * kCoordinates];
                pieceVertices.insert(pieceVertices.end(), p, p + kCoordinates);
            }
            pieceLines.push_back(local[v]);
        }
        for (std::uint64_t i = 2 * first; i < 2 * (first + count); ++i) {
            local[lines[i]] = kUnmapped;  // only what this piece touched
        }
        const GLuint vertices =
            newBuffer(GL_ARRAY_BUFFER, pieceVertices.size() * sizeof(float), pieceVertices.data());
        buffers_.push_back(vertices);
        Piece piece;
        piece.array = newVertexArray(vertices, slots);
        piece.indices =
            newBuffer(GL_ELEMENT_ARRAY_BUFFER, pieceLines.size() * kIndexBytes, pieceLines.data());
        piece.first = first;
        piece.count = count;
        pieces_.push_back(piece);
    }
    glBindVertexArray(0);
}

void GpuGeometry::uploadArray(GLenum mode, const std::vector<float>& positions,
                              const ShaderSlots& slots) {
    release();
    mode_ = mode;
    const std::uint64_t vertexCount = positions.size() / kCoordinates;
    const std::uint64_t perVertex = mode == GL_LINES ? 2 : 1;  // pieces end between primitives
    const std::uint64_t perPiece =
        std::min(bufferLimit / kPositionBytes, kDrawLimit) / perVertex * perVertex;
    primitives_ = vertexCount / perVertex;
    for (std::uint64_t first = 0; first < vertexCount; first += perPiece) {
        const std::uint64_t count = std::min<std::uint64_t>(perPiece, vertexCount - first);
        const GLuint vertices = newBuffer(GL_ARRAY_BUFFER, count * kPositionBytes,
                                          positions.data() + first * kCoordinates);
        buffers_.push_back(vertices);
        Piece piece;
        piece.array = newVertexArray(vertices, slots);
        piece.first = first / perVertex;
        piece.count = count / perVertex;
        pieces_.push_back(piece);
    }
    glBindVertexArray(0);
}

void GpuGeometry::draw(std::uint64_t first, std::uint64_t count) const {
    const std::uint64_t end = std::min(first + count, primitives_);
    const GLsizei perPrimitive = mode_ == GL_LINES ? 2 : 1;
    for (const Piece& piece : pieces_) {
        const std::uint64_t from = std::max(first, piece.first);
        const std::uint64_t to = std::min(end, piece.first + piece.count);
        if (from >= to) {
            continue;
        }
        glBindVertexArray(piece.array);
        const auto offset = static_cast<GLint>(from - piece.first) * perPrimitive;
        const auto vertices = static_cast<GLsizei>(to - from) * perPrimitive;
        if (piece.indices != 0) {
            glDrawElements(mode_, vertices, GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(offset * kIndexBytes));
        } else {
            glDrawArrays(mode_, offset, vertices);
        }
    }
}

}  // namespace plyview
