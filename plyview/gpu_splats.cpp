// Splat instances on the GPU: one buffer of them per piece, a vertex array over it whose
// attributes advance once per instance (divisor 1), and an instanced draw of a four-corner strip.
// A new order of the same splats goes into the same buffers.
#include "plyview/gpu_splats.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>
#include <limits>

#include "model/file_model.h"
#include "plyview/gpu_geometry.h"

namespace plyview {

namespace {

constexpr std::uint64_t kInstanceBytes = sizeof(SplatInstance);
// A draw call counts its instances in a GLsizei.
constexpr std::uint64_t kDrawLimit =
    static_cast<std::uint64_t>(std::numeric_limits<GLsizei>::max());
constexpr GLuint kPerInstance = 1;  // the attributes' divisor

// The instance attributes of the bound vertex array, read from `first` instances into the bound
// buffer.
void pointAttributes(std::uint64_t first) {
    const auto at = [first](std::size_t member) {
        return reinterpret_cast<const void*>(first * kInstanceBytes + member);
    };
    constexpr auto stride = static_cast<GLsizei>(kInstanceBytes);
    glVertexAttribPointer(kPositionSlot, kCoordinates, GL_FLOAT, GL_FALSE, stride,
                          at(offsetof(SplatInstance, position)));
    glVertexAttribPointer(kCovarianceSlot, kCoordinates, GL_FLOAT, GL_FALSE, stride,
                          at(offsetof(SplatInstance, covariance)));
    glVertexAttribPointer(kCovarianceSecondSlot, kCoordinates, GL_FLOAT, GL_FALSE, stride,
                          at(offsetof(SplatInstance, covariance) + kCoordinates * sizeof(float)));
    glVertexAttribPointer(kOpacitySlot, 1, GL_FLOAT, GL_FALSE, stride,
                          at(offsetof(SplatInstance, opacity)));
    glVertexAttribPointer(kColourSlot, kColourBytes, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          at(offsetof(SplatInstance, colour)));
}

}  // namespace

void GpuSplats::release() {
    for (const Piece& piece : pieces_) {
        glDeleteVertexArrays(1, &piece.array);
        glDeleteBuffers(1, &piece.buffer);
    }
    pieces_.clear();
    count_ = 0;
}

void GpuSplats::upload(const SplatInstance* instances, std::uint64_t count) {
    if (count != count_) {
        release();
        const std::uint64_t perPiece =
            std::max<std::uint64_t>(1, std::min(bufferLimitBytes() / kInstanceBytes, kDrawLimit));
        for (std::uint64_t first = 0; first < count; first += perPiece) {
            Piece piece;
            piece.first = first;
            piece.count = std::min(perPiece, count - first);
            glGenVertexArrays(1, &piece.array);
            glBindVertexArray(piece.array);
            glGenBuffers(1, &piece.buffer);
            glBindBuffer(GL_ARRAY_BUFFER, piece.buffer);
            for (const GLuint slot : {kPositionSlot, kColourSlot, kCovarianceSlot,
                                      kCovarianceSecondSlot, kOpacitySlot}) {
                glEnableVertexAttribArray(slot);
                glVertexAttribDivisor(slot, kPerInstance);
            }
            pieces_.push_back(piece);
        }
        count_ = count;
    }
    for (const Piece& piece : pieces_) {
        glBindBuffer(GL_ARRAY_BUFFER, piece.buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(piece.count * kInstanceBytes),
                     instances + piece.first, GL_DYNAMIC_DRAW);
    }
    glBindVertexArray(0);
}

void GpuSplats::draw(std::uint64_t first, std::uint64_t count) const {
    const std::uint64_t end = std::min(first + count, count_);
    forPiecesOf(pieces_, first, end, [](const Piece& piece, std::uint64_t from, std::uint64_t to) {
        glBindVertexArray(piece.array);
        glBindBuffer(GL_ARRAY_BUFFER, piece.buffer);
        pointAttributes(from - piece.first);
        glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, kSplatCorners, static_cast<GLsizei>(to - from));
    });
    glBindVertexArray(0);
}

}  // namespace plyview
