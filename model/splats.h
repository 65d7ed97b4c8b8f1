// 3D Gaussian splats, as splat files hold them: each vertex a Gaussian with a covariance, an
// opacity and a view-dependent colour from spherical harmonics. What the reader keeps of such a
// file, the colours a view gives them, their order from back to front, and the coarser splat
// model that stands in for them while the view moves. CPU work only: used by model/'s reader,
// plyview/ and the benchmarks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct FileModel;

// ===== Constants =====

constexpr int kMaxShDegree = 3;
// Higher-order coefficients per colour channel at each degree; a file holds three times as many
// f_rest_* (9, 24 or 45).
constexpr int kShRestPerChannel[kMaxShDegree + 1] = {0, 3, 8, 15};
constexpr int kCovarianceFloats = 6;     // xx, xy, xz, yy, yz, zz of a symmetric 3 x 3 matrix
constexpr float kMaxSplatAlpha = 0.99f;  // a fragment's alpha is at most this
constexpr float kLeastSplatAlpha = 1.0f / 255;  // fragments under this are not drawn
constexpr float kScreenBlurPixels2 = 0.3f;      // added to the screen covariance's diagonal

// ===== What the reader keeps =====

// The splats of a splat file, beside FileModel::positions (their centres, less the model's
// centre) and FileModel::colours (their degree-0 colours). Empty for every other file.
struct SplatModel {
    int degree = 0;  // of the spherical harmonics the file holds, 0..kMaxShDegree
    // Σ = R S Sᵀ Rᵀ per splat, in the file's frame: S = diag(exp(scale_k)), R from the
    // normalised quaternion (rot_0, rot_1, rot_2, rot_3) = (w, x, y, z).
    std::vector<float> covariances;  // kCovarianceFloats per splat
    std::vector<float> opacities;    // sigmoid(opacity) per splat
    std::vector<float> dc;           // f_dc_0, f_dc_1, f_dc_2 per splat, as the file has them
    // f_rest_* as half floats, 3 * kShRestPerChannel[degree] per splat, channel by channel as in
    // the file (all of red's, then green's, then blue's).
    std::vector<std::uint16_t> rest;
    // Splats of the file left out: a value not finite, or a zero quaternion.
    std::int64_t leftOut = 0;

    std::size_t count() const { return opacities.size(); }
    bool empty() const { return opacities.empty(); }
    int restPerSplat() const { return 3 * kShRestPerChannel[degree]; }
};

// ===== Per view =====

// Where the splats are seen from, in the frame of FileModel::positions: the eye, and for a
// parallel projection the one direction every ray has.
struct SplatView {
    float eye[3] = {0, 0, 0};
    float forward[3] = {0, 0, -1};  // unit length; used when `parallel`
    bool parallel = false;
};

// What the drawing takes of one splat, in back-to-front order: its centre, covariance, opacity,
// and its colour for the view as bytes (alpha unused, 255).
struct SplatInstance {
    float position[3];
    float covariance[kCovarianceFloats];
    float opacity;
    std::uint8_t colour[4];
};
static_assert(sizeof(SplatInstance) == 44, "instances are packed for the vertex arrays");

// The colour of splat `i` seen along the unit direction `direction` (from the eye to its
// centre): 0.5 + the spherical harmonics up to the model's degree, clamped at 0, per channel.
void splatColour(const SplatModel& splats, std::size_t i, const float direction[3], float rgb[3]);

// Scratch memory of the sort, kept between sorts so that none allocates.
struct DepthSortScratch {
    std::vector<std::uint32_t> keys, swapKeys, swapOrder;
};

// `order` becomes the splat numbers 0..count-1 from the farthest to the nearest along
// `forward` (unit length) seen from `eye`: a radix sort of the depths, stable, linear in count.
void sortByDepth(const float* positions, std::size_t count, const SplatView& view,
                 std::vector<std::uint32_t>& order, DepthSortScratch& scratch);

// The instances of `model`'s splats in `order`, coloured for `view`; `out` holds order.size().
void splatInstances(const FileModel& model, const std::vector<std::uint32_t>& order,
                    const SplatView& view, SplatInstance* out);

// ===== The stand-in =====

// A coarser splat model of at most about `target` splats: neighbouring splats merged into one
// each, moment-matched (the weighted mean of their centres; their covariances plus the spread
// of their centres; opacity and colour coefficients weighted). False when `cancel` was set.
bool mergeSplats(const FileModel& model, std::size_t target, FileModel& standIn,
                 const std::atomic<bool>* cancel = nullptr);

// ===== Half floats =====

std::uint16_t halfOf(float value);  // rounded to nearest even; overflow gives infinity
float floatOfHalf(std::uint16_t half);
