// Lines, triangles and points of a model on the GPU at the file's own size, in pieces within one
// buffer's and one draw call's limits. Used by the viewer's scene and its tests.
#pragma once

#include <GL/glew.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace plyview {

// Where every program of the file viewer reads its vertices: bound before the programs are
// linked, so that one vertex array serves them all.
constexpr GLuint kPositionSlot = 0;
constexpr GLuint kColourSlot = 1;
constexpr GLuint kNormalSlot = 2;
constexpr GLuint kTexcoordSlot = 3;

// The most bytes one buffer holds here (lowered by the tests to see pieces at small sizes).
std::uint64_t bufferLimitBytes();

// For each piece of a geometry cut to the buffer limit (pieces holding primitives [first,
// first + count) each) that holds some of primitives [first, end): `draw(piece, from, to)`,
// from and to counted over all pieces.
template <typename Piece, typename Draw>
void forPiecesOf(const std::vector<Piece>& pieces, std::uint64_t first, std::uint64_t end,
                 Draw draw) {
    for (const Piece& piece : pieces) {
        const std::uint64_t from = std::max(first, piece.first);
        const std::uint64_t to = std::min(end, piece.first + piece.count);
        if (from < to) {
            draw(piece, from, to);
        }
    }
}

// Vertices handed to the GPU: `count` positions, and as many normals, colours and texture
// coordinates when they have them (null otherwise). The caller keeps them until the upload
// returns.
struct VertexSpan {
    const float* positions = nullptr;       // x, y, z
    const float* normals = nullptr;         // x, y, z
    const std::uint8_t* colours = nullptr;  // kColourBytes each
    const float* texcoords = nullptr;       // u, v
    std::uint64_t count = 0;

    static VertexSpan of(const std::vector<float>& positions,
                         const std::vector<float>* normals = nullptr,
                         const std::vector<std::uint8_t>* colours = nullptr,
                         const std::vector<float>* texcoords = nullptr);
};

// Lines, triangles or points of one model on the GPU, in pieces within one buffer's and one
// draw call's limits. A geometry without colours is drawn in the constant colour of kColourSlot.
// Objects are released only by release() (at exit the context may be gone).
class GpuGeometry {
  public:
    // Primitives indexed into the vertices: pairs (GL_LINES) or triples (GL_TRIANGLES).
    void uploadIndexed(GLenum mode, const VertexSpan& vertices,
                       const std::vector<std::uint32_t>& indices);
    // Vertices drawn as they come: GL_POINTS, GL_LINES (pairs), GL_TRIANGLES or GL_LINE_STRIP.
    void uploadArray(GLenum mode, const VertexSpan& vertices);
    // Primitives [first, first + count); `ownColours` false draws a coloured geometry in the
    // constant colour (a wireframe is green whatever the file's colours).
    void draw(std::uint64_t first, std::uint64_t count, bool ownColours = true) const;
    void drawAll(bool ownColours = true) const { draw(0, primitives_, ownColours); }
    std::uint64_t primitives() const { return primitives_; }
    bool empty() const { return pieces_.empty(); }
    bool hasColours() const { return vertices_.colours != 0; }
    bool hasNormals() const { return vertices_.normals != 0; }
    void release();

  private:
    struct Piece {
        GLuint array = 0;                    // vertex array of the piece
        GLuint indices = 0;                  // element buffer, or 0 for plain arrays
        std::uint64_t first = 0, count = 0;  // primitives it holds
    };
    struct VertexBuffers {  // of the vertices uploaded last; 0 where they have no such attribute
        GLuint positions = 0, normals = 0, colours = 0, texcoords = 0;
    };
    GLuint vertexArray(const VertexSpan& vertices);
    GLuint sharedArray() const;
    void uploadSelfContained(const VertexSpan& all, const std::vector<std::uint32_t>& indices);

    GLenum mode_ = GL_LINES;
    std::vector<Piece> pieces_;
    std::vector<GLuint> buffers_;  // vertex buffers
    VertexBuffers vertices_;
    std::uint64_t primitives_ = 0;
};

}  // namespace plyview
