// Splats from back to front: the depths as order-preserving integer keys, sorted by a stable
// least-significant-digit radix sort in three passes of 11 bits. Linear in the count and free of
// allocation once the scratch memory has its size, so a view may sort every frame.
#include <cstring>

#include "model/splats.h"

namespace {

constexpr int kDigitBits = 11;
constexpr int kPasses = 3;  // 33 bits cover the 32 of a key
constexpr std::uint32_t kBuckets = 1u << kDigitBits;
constexpr std::uint32_t kDigitMask = kBuckets - 1;
constexpr std::uint32_t kSignBit = 0x80000000u;

// A key that grows as the depth falls, so that an ascending sort puts the farthest first. The
// float's bits order positive floats, and their complement negative ones; -0 becomes +0 first,
// so that the two zeros tie as they compare.
std::uint32_t farFirstKey(float depth) {
    depth += 0.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &depth, sizeof bits);
    const std::uint32_t ascending = (bits & kSignBit) ? ~bits : (bits | kSignBit);
    return ~ascending;
}

std::uint32_t digit(std::uint32_t key, int pass) {
    return (key >> (pass * kDigitBits)) & kDigitMask;
}

using Histograms = std::uint32_t[kPasses][kBuckets];

// Each bucket's count becomes where its first key goes.
void startsOf(std::uint32_t* counts) {
    std::uint32_t sum = 0;
    for (std::uint32_t b = 0; b < kBuckets; ++b) {
        const std::uint32_t count = counts[b];
        counts[b] = sum;
        sum += count;
    }
}

}  // namespace

void sortByDepth(const float* positions, std::size_t count, const SplatView& view,
                 std::vector<std::uint32_t>& order, DepthSortScratch& scratch) {
    order.resize(count);
    scratch.keys.resize(count);
    scratch.swapKeys.resize(count);
    scratch.swapOrder.resize(count);
    std::uint32_t* keys = scratch.keys.data();
    std::uint32_t* swapKeys = scratch.swapKeys.data();
    std::uint32_t* swapOrder = scratch.swapOrder.data();
    std::uint32_t* out = order.data();

    // The depth is along `forward` from the eye, for either projection.
    const float* f = view.forward;
    const float* eye = view.eye;
    static thread_local Histograms histograms;
    std::memset(histograms, 0, sizeof histograms);
    for (std::size_t i = 0; i < count; ++i) {
        const float* p = positions + i * 3;
        const std::uint32_t key =
            farFirstKey((p[0] - eye[0]) * f[0] + (p[1] - eye[1]) * f[1] + (p[2] - eye[2]) * f[2]);
        keys[i] = key;
        for (int pass = 0; pass < kPasses; ++pass) {
            ++histograms[pass][digit(key, pass)];
        }
    }
    for (int pass = 0; pass < kPasses; ++pass) {
        startsOf(histograms[pass]);
    }

    // An odd number of passes: the first takes the splat numbers as they come and the last
    // writes numbers alone, so that they end in `order` with no copy.
    std::uint32_t* starts = histograms[0];
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t at = starts[digit(keys[i], 0)]++;
        swapKeys[at] = keys[i];
        out[at] = static_cast<std::uint32_t>(i);
    }
    starts = histograms[1];
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t at = starts[digit(swapKeys[i], 1)]++;
        keys[at] = swapKeys[i];
        swapOrder[at] = out[i];
    }
    starts = histograms[2];
    for (std::size_t i = 0; i < count; ++i) {
        out[starts[digit(keys[i], 2)]++] = swapOrder[i];
    }
}
