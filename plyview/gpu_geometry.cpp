// Geometry on the GPU at the file's own size: vertices (positions, and normals and colours when
// they have them) uploaded once per model, primitives drawn indexed from them or as they come.
// Whatever passes one buffer's or one draw call's limits is split into pieces, each with its own
// vertex array, so that any model can be drawn. Every program reads the same attribute
// locations, so one vertex array serves them all.
#include "plyview/gpu_geometry.h"

#include <GL/glew.h>

#include <algorithm>
#include <limits>

#include "model/file_model.h"
#include "plyview/testing.h"

namespace plyview {

namespace {

// ===== Limits =====

// Mesa keeps a buffer object under 4 GiB; pieces of at most 2 GiB stay well clear of it.
constexpr std::uint64_t kBufferLimit = std::uint64_t{1} << 31;
// A draw call counts its indices in a GLsizei.
constexpr std::uint64_t kDrawLimit =
    static_cast<std::uint64_t>(std::numeric_limits<GLsizei>::max());
constexpr std::uint64_t kFloatsPerVertex = kCoordinates;                  // positions and normals
constexpr std::uint64_t kVertexBytes = kFloatsPerVertex * sizeof(float);  // the widest attribute
constexpr std::uint64_t kIndexBytes = sizeof(std::uint32_t);
constexpr std::uint32_t kUnmapped = std::numeric_limits<std::uint32_t>::max();

std::uint64_t bufferLimit = kBufferLimit;  // lowered by the tests to see pieces at small sizes

std::uint64_t perPrimitive(GLenum mode) {
    return mode == GL_TRIANGLES ? 3 : mode == GL_LINES ? 2 : 1;
}

GLuint newBuffer(GLenum target, std::uint64_t bytes, const void* data) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    return buffer;
}

void attribute(GLuint slot, GLuint buffer, GLint size, GLenum type, GLboolean normalised) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(slot);
    glVertexAttribPointer(slot, size, type, normalised, 0, nullptr);
}

VertexSpan range(const VertexSpan& all, std::uint64_t first, std::uint64_t count) {
    VertexSpan v = all;
    v.positions += first * kFloatsPerVertex;
    v.normals = all.normals != nullptr ? all.normals + first * kFloatsPerVertex : nullptr;
    v.colours = all.colours != nullptr ? all.colours + first * kColourBytes : nullptr;
    v.texcoords = all.texcoords != nullptr ? all.texcoords + first * kTexcoordFloats : nullptr;
    v.count = count;
    return v;
}

// What a piece gathers of the vertices its primitives use, renumbered from 0.
struct Gathered {
    std::vector<float> positions, normals, texcoords;
    std::vector<std::uint8_t> colours;
    std::vector<std::uint32_t> indices;

    VertexSpan vertices() const {
        return VertexSpan::of(positions, normals.empty() ? nullptr : &normals,
                              colours.empty() ? nullptr : &colours,
                              texcoords.empty() ? nullptr : &texcoords);
    }
};

void gather(const VertexSpan& all, std::uint32_t v, Gathered& out) {
    const std::uint64_t at = v * kFloatsPerVertex;
    out.positions.insert(out.positions.end(), all.positions + at,
                         all.positions + at + kFloatsPerVertex);
    if (all.normals != nullptr) {
        out.normals.insert(out.normals.end(), all.normals + at,
                           all.normals + at + kFloatsPerVertex);
    }
    if (all.colours != nullptr) {
        const std::uint64_t c = std::uint64_t{v} * kColourBytes;
        out.colours.insert(out.colours.end(), all.colours + c, all.colours + c + kColourBytes);
    }
    if (all.texcoords != nullptr) {
        const std::uint64_t t = std::uint64_t{v} * kTexcoordFloats;
        out.texcoords.insert(out.texcoords.end(), all.texcoords + t,
                             all.texcoords + t + kTexcoordFloats);
    }
}

}  // namespace

// ===== Vertices =====

VertexSpan VertexSpan::of(const std::vector<float>& positions, const std::vector<float>* normals,
                          const std::vector<std::uint8_t>* colours,
                          const std::vector<float>* texcoords) {
    VertexSpan span;
    span.positions = positions.data();
    span.normals = normals != nullptr ? normals->data() : nullptr;
    span.colours = colours != nullptr ? colours->data() : nullptr;
    span.texcoords = texcoords != nullptr ? texcoords->data() : nullptr;
    span.count = positions.size() / kFloatsPerVertex;
    return span;
}

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
    vertices_ = VertexBuffers{};
}

// A vertex array over these vertices, uploaded into buffers of their own.
GLuint GpuGeometry::vertexArray(const VertexSpan& vertices) {
    const auto upload = [this](const void* data, std::uint64_t bytes) -> GLuint {
        if (data == nullptr) {
            return 0;
        }
        buffers_.push_back(newBuffer(GL_ARRAY_BUFFER, bytes, data));
        return buffers_.back();
    };
    vertices_.positions = upload(vertices.positions, vertices.count * kVertexBytes);
    vertices_.normals = upload(vertices.normals, vertices.count * kVertexBytes);
    vertices_.colours = upload(vertices.colours, vertices.count * kColourBytes);
    vertices_.texcoords =
        upload(vertices.texcoords, vertices.count * kTexcoordFloats * sizeof(float));
    return sharedArray();
}

// A vertex array over the buffers uploaded last; an attribute without a buffer is constant.
GLuint GpuGeometry::sharedArray() const {
    GLuint array = 0;
    glGenVertexArrays(1, &array);
    glBindVertexArray(array);
    const auto feed = [](GLuint slot, GLuint buffer, GLint size, GLenum type, GLboolean unit) {
        if (buffer == 0) {
            glDisableVertexAttribArray(slot);
        } else {
            attribute(slot, buffer, size, type, unit);
        }
    };
    feed(kPositionSlot, vertices_.positions, kCoordinates, GL_FLOAT, GL_FALSE);
    feed(kNormalSlot, vertices_.normals, kCoordinates, GL_FLOAT, GL_FALSE);
    feed(kColourSlot, vertices_.colours, kColourBytes, GL_UNSIGNED_BYTE, GL_TRUE);
    feed(kTexcoordSlot, vertices_.texcoords, kTexcoordFloats, GL_FLOAT, GL_FALSE);
    return array;
}

void GpuGeometry::uploadIndexed(GLenum mode, const VertexSpan& all,
                                const std::vector<std::uint32_t>& indices) {
    release();
    mode_ = mode;
    const std::uint64_t corners = perPrimitive(mode);
    primitives_ = indices.size() / corners;
    if (all.count * kVertexBytes > bufferLimit) {
        uploadSelfContained(all, indices);
        return;
    }
    const std::uint64_t perPiece = std::min(bufferLimit / kIndexBytes, kDrawLimit) / corners;
    for (std::uint64_t first = 0; first < primitives_; first += perPiece) {
        const std::uint64_t count = std::min(perPiece, primitives_ - first);
        Piece piece;
        piece.array = first == 0 ? vertexArray(all) : sharedArray();
        piece.indices = newBuffer(GL_ELEMENT_ARRAY_BUFFER, corners * count * kIndexBytes,
                                  indices.data() + corners * first);
        piece.first = first;
        piece.count = count;
        pieces_.push_back(piece);
    }
    glBindVertexArray(0);
}

// Vertices beyond one buffer: each piece carries the vertices its primitives use, renumbered.
void GpuGeometry::uploadSelfContained(const VertexSpan& all,
                                      const std::vector<std::uint32_t>& indices) {
    const std::uint64_t corners = perPrimitive(mode_);
    const std::uint64_t perPiece =
        std::min({bufferLimit / (corners * kVertexBytes), bufferLimit / (corners * kIndexBytes),
                  kDrawLimit / corners});
    std::vector<std::uint32_t> local(all.count, kUnmapped);
    Gathered piece;
    for (std::uint64_t first = 0; first < primitives_; first += perPiece) {
        const std::uint64_t count = std::min(perPiece, primitives_ - first);
        piece = Gathered{};
        const std::uint32_t* used = indices.data() + corners * first;
        for (std::uint64_t i = 0; i < corners * count; ++i) {
            if (local[used[i]] == kUnmapped) {
                local[used[i]] = static_cast<std::uint32_t>(piece.positions.size() / kCoordinates);
                gather(all, used[i], piece);
            }
            piece.indices.push_back(local[used[i]]);
        }
        for (std::uint64_t i = 0; i < corners * count; ++i) {
            local[used[i]] = kUnmapped;  // only what this piece touched
        }
        Piece drawn;
        drawn.array = vertexArray(piece.vertices());
        drawn.indices = newBuffer(GL_ELEMENT_ARRAY_BUFFER, piece.indices.size() * kIndexBytes,
                                  piece.indices.data());
        drawn.first = first;
        drawn.count = count;
        pieces_.push_back(drawn);
    }
    glBindVertexArray(0);
}

void GpuGeometry::uploadArray(GLenum mode, const VertexSpan& all) {
    release();
    mode_ = mode;
    const std::uint64_t corners = perPrimitive(mode);
    const std::uint64_t perPiece =
        std::min(bufferLimit / kVertexBytes, kDrawLimit) / corners * corners;
    primitives_ = all.count / corners;
    for (std::uint64_t first = 0; first < all.count; first += perPiece) {
        const std::uint64_t count = std::min(perPiece, all.count - first);
        Piece piece;
        piece.array = vertexArray(range(all, first, count));
        piece.first = first / corners;
        piece.count = count / corners;
        pieces_.push_back(piece);
    }
    glBindVertexArray(0);
}

void GpuGeometry::draw(std::uint64_t first, std::uint64_t count, bool ownColours) const {
    const std::uint64_t end = std::min(first + count, primitives_);
    const auto corners = static_cast<GLsizei>(perPrimitive(mode_));
    const bool hideColours = hasColours() && !ownColours;
    forPiecesOf(pieces_, first, end, [&](const Piece& piece, std::uint64_t from, std::uint64_t to) {
        glBindVertexArray(piece.array);
        if (hideColours) {
            glDisableVertexAttribArray(kColourSlot);  // the constant colour instead
        }
        const auto offset = static_cast<GLint>(from - piece.first) * corners;
        const auto vertices = static_cast<GLsizei>(to - from) * corners;
        if (piece.indices != 0) {
            glDrawElements(mode_, vertices, GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(offset * kIndexBytes));
        } else {
            glDrawArrays(mode_, offset, vertices);
        }
        if (hideColours) {
            glEnableVertexAttribArray(kColourSlot);
        }
    });
}

}  // namespace plyview
