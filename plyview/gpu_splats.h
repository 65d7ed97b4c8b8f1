// Gaussian splats on the GPU: their instances (model/splats.h) in back-to-front order, each
// drawn as one quad whose corners the vertex shader makes. Used by the viewer's scene and its
// tests.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "model/splats.h"

namespace plyview {

// Where the splat program reads an instance: position and colour where every other program
// reads them, then the two halves of the covariance and the opacity (in the splats' own vertex
// arrays, so that the slots other programs give normals and texture coordinates are free).
constexpr GLuint kCovarianceSlot = 2;        // xx, xy, xz
constexpr GLuint kCovarianceSecondSlot = 3;  // yy, yz, zz
constexpr GLuint kOpacitySlot = 4;
// The splat program's attribute names, in the order of their slots.
constexpr const char* kSplatAttributes[] = {"position", "colour", "covariance_a", "covariance_b",
                                            "opacity"};
constexpr int kSplatAttributeCount = 5;
constexpr GLsizei kSplatCorners = 4;  // a quad, as a triangle strip

// Splat instances in buffers within one buffer's limit, drawn instanced: one quad per splat.
// Objects are released only by release() (at exit the context may be gone).
class GpuSplats {
  public:
    // The instances, in the order they are drawn; the buffers are kept when the count is the
    // same (a new order of the same splats).
    void upload(const SplatInstance* instances, std::uint64_t count);
    // Splats [first, first + count): the instance attributes are pointed at the first of them,
    // since neither GL 3.1 nor WebGL2 draws from a base instance.
    void draw(std::uint64_t first, std::uint64_t count) const;
    std::uint64_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    void release();

  private:
    struct Piece {
        GLuint array = 0, buffer = 0;
        std::uint64_t first = 0, count = 0;  // splats it holds
    };
    std::vector<Piece> pieces_;
    std::uint64_t count_ = 0;
};

}  // namespace plyview
