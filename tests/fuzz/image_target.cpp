// Fuzz target: the decoding of texture images (PNG and JPEG) from arbitrary bytes, as a file
// names them: the declared size is judged against the memory figure before anything is
// decoded, a decoded image holds exactly its texels, and a refusal says why and keeps nothing.
// Seeds: image_seeds/, a tiny PNG and JPEG of our own image writer, and the fuzzer's first find:
// a JPEG whose Huffman table holds more codes than the decoder has room for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "invariants.h"
#include "model/image.h"

namespace {

// Enough for the seeds and any small image; a declared size beyond it must be refused unread.
constexpr std::uint64_t kMemoryBytes = std::uint64_t{64} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Image image;
    std::string problem;
    if (!decodeImage(data, size, kMemoryBytes, image, problem)) {
        if (problem.empty() || !image.empty()) {
            fuzz::broken("a refusal without a reason (%zu), or with texels (%zu)", problem.size(),
                         image.rgba.size());
        }
        return 0;
    }
    const auto width = static_cast<std::uint64_t>(image.width);
    const auto height = static_cast<std::uint64_t>(image.height);
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != width * height * kImageChannels) {
        fuzz::broken("%d x %d image with %zu bytes", image.width, image.height, image.rgba.size());
    }
    if (imageBytesNeeded(width, height) > kMemoryBytes) {
        fuzz::broken("%d x %d decoded beyond the memory figure", image.width, image.height);
    }
    return 0;
}
