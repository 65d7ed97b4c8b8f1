// Image files through the project's safe reader, decoded by stb_image (Debian's libstb-dev),
// whose implementation is compiled here with PNG and JPEG only.
#include "model/image.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "model/file_io.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO  // files come through the safe reader, never stb's own
// The decoder's state starts zeroed: stb_image 2.27 decodes a JPEG scan with a Huffman table
// the file never defined from whatever its allocation held, which read far outside the table.
// Zeroed, such a table matches no code and the image is refused.
#define STBI_MALLOC(bytes) std::calloc(1, bytes)
#define STBI_REALLOC(block, bytes) std::realloc(block, bytes)
#define STBI_FREE(block) std::free(block)
#include <stb_image.h>

namespace {

constexpr std::uint64_t kBytesPerMB = 1000000;
// Mipmaps below the full-size level add a third of it: 1/4 + 1/16 + ... < 1/3.
constexpr std::uint64_t kMipmapNumerator = 4, kMipmapDenominator = 3;

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + kBytesPerMB - 1) / kBytesPerMB);
}

bool exists(const std::string& path) {
    std::size_t size = 0;
    std::string problem;
    const FileDescriptor file(openRegularFile(path, size, problem));
    return file.fd >= 0 || problem.rfind("not a regular file", 0) == 0;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (!name.empty() && name[0] == '/') {
        return name;
    }
    return folder.empty() ? name : folder + "/" + name;
}

// JPEG markers: those without a length, and the two whose contents are looked at.
constexpr std::uint8_t kMarkerByte = 0xFF, kStartOfImage = 0xD8, kHuffmanTables = 0xC4,
                       kStartOfScan = 0xDA, kFirstRestart = 0xD0, kEndOfImage = 0xD9,
                       kTemporary = 0x01;
constexpr std::size_t kHuffmanLengths = 16;  // counts of codes 1 to 16 bits long
constexpr std::size_t kHuffmanSymbols = 256;

bool hasNoLength(std::uint8_t marker) {
    return marker == 0 || marker == kTemporary ||
           (marker >= kFirstRestart && marker <= kEndOfImage);
}

// The codes of the Huffman tables of one DHT segment [from, end), as the decoder reads them
// (bytes past the file count as 0): false when one table has more than 256.
bool huffmanSegmentFits(const std::uint8_t* b, std::size_t size, std::size_t from,
                        std::size_t end) {
    for (std::size_t t = from; t < end;) {
        std::size_t codes = 0;
        for (std::size_t i = 1; i <= kHuffmanLengths; ++i) {
            codes += t + i < size ? b[t + i] : 0;
        }
        if (codes > kHuffmanSymbols) {
            return false;
        }
        t += 1 + kHuffmanLengths + codes;
    }
    return true;
}

// stb_image 2.27 (Debian's) fills a Huffman table of more than 256 codes past the end of its
// array, reading the size as well as decoding: such a JPEG is refused before stb sees it. Every
// marker segment is visited, the entropy-coded data between them passed over byte by byte. True for
// anything not a JPEG.
bool huffmanTablesFit(const std::uint8_t* b, std::size_t size) {
    std::size_t at = 1;  // fill bytes may come before the start marker too
    while (at < size && b[at] == kMarkerByte) {
        ++at;
    }
    if (size < 2 || b[0] != kMarkerByte || at >= size || b[at] != kStartOfImage) {
        return true;
    }
    ++at;
    while (at + 1 < size) {
        if (b[at] != kMarkerByte || b[at + 1] == kMarkerByte) {
            ++at;  // entropy-coded data, or a fill byte before a marker
            continue;
        }
        const std::uint8_t marker = b[at + 1];
        if (hasNoLength(marker) || at + 3 >= size) {
            at += 2;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(b[at + 2]) << 8 | b[at + 3];
        const std::size_t end = std::min(size, at + 2 + length);
        if (marker == kHuffmanTables && !huffmanSegmentFits(b, size, at + 4, end)) {
            return false;
        }
        at = marker == kStartOfScan ? end : at + 2 + std::max<std::size_t>(length, 2);
    }
    return true;
}

// PNG: the signature, then chunks of a 4-byte big-endian length, a 4-byte type, the data and a
// 4-byte check.
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkFrame = 12;  // length, type and check around a chunk's data

// stb_image grows its buffer for a PNG's image data to the length a chunk claims before it finds
// the file shorter, so a few bytes claiming a gigabyte took two: a chunk that claims more than
// the file holds is refused before stb sees it. True for anything not a PNG.
bool pngChunksFit(const std::uint8_t* b, std::size_t size) {
    if (size < sizeof kPngSignature || !std::equal(kPngSignature, std::end(kPngSignature), b)) {
        return true;
    }
    for (std::size_t at = sizeof kPngSignature; at + kChunkFrame <= size;) {
        const std::size_t length = static_cast<std::size_t>(b[at]) << 24 |
                                   static_cast<std::size_t>(b[at + 1]) << 16 |
                                   static_cast<std::size_t>(b[at + 2]) << 8 | b[at + 3];
        if (length > size - at - kChunkFrame) {
            return false;
        }
        at += kChunkFrame + length;
    }
    return true;
}

}  // namespace

std::uint64_t imageBytesNeeded(std::uint64_t width, std::uint64_t height) {
    const std::uint64_t texels = width * height * kImageChannels;
    return texels + texels * kMipmapNumerator / kMipmapDenominator;
}

std::string findImageFile(const std::string& folder, const std::string& name) {
    const std::string asWritten = joined(folder, name);
    if (name.empty() || name[0] == '/' || name.find('/') != std::string::npos ||
        exists(asWritten)) {
        return asWritten;
    }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return asWritten;
    }
    std::string found = asWritten;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = joined(folder, entry->d_name);
            break;
        }
    }
    closedir(dir);
    return found;
}

bool decodeImage(const std::uint8_t* bytes, std::size_t size, std::uint64_t availableBytes,
                 Image& image, std::string& problem) {
    image = Image{};
    const int length = size > INT32_MAX ? INT32_MAX : static_cast<int>(size);
    if (!huffmanTablesFit(bytes, size)) {
        problem = "cannot be decoded (a Huffman table of more than 256 codes)";
        return false;
    }
    if (!pngChunksFit(bytes, size)) {
        problem = "cannot be decoded (a chunk longer than the file)";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes, length, &width, &height, &channels) == 0) {
        problem =
            std::string("not a PNG or JPEG image that can be read (") + stbi_failure_reason() + ")";
        return false;
    }
    const std::uint64_t needed =
        imageBytesNeeded(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
    if (needed > availableBytes) {
        problem = std::to_string(width) + "x" + std::to_string(height) + " needs about " +
                  megabytes(needed) + " MB, " + std::to_string(availableBytes / kBytesPerMB) +
                  " MB available";
        return false;
    }
    stbi_uc* texels =
        stbi_load_from_memory(bytes, length, &width, &height, &channels, kImageChannels);
    if (texels == nullptr) {
        problem = std::string("cannot be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    image.width = width;
    image.height = height;
    image.rgba.assign(texels, texels + static_cast<std::size_t>(width) *
                                           static_cast<std::size_t>(height) * kImageChannels);
    stbi_image_free(texels);
    return true;
}

bool readImage(const std::string& path, std::uint64_t availableBytes, Image& image,
               std::string& problem) {
    std::size_t size = 0;
    const FileDescriptor file(openRegularFile(path, size, problem));
    if (file.fd < 0) {
        return false;
    }
    if (size > availableBytes) {
        problem = "needs about " + megabytes(size) + " MB, " +
                  std::to_string(availableBytes / kBytesPerMB) + " MB available";
        return false;
    }
    std::unique_ptr<char[]> bytes;
    return readOpenedFile(file.fd, size, bytes, problem) &&
           decodeImage(reinterpret_cast<const std::uint8_t*>(bytes.get()), size,
                       availableBytes - size, image, problem);
}
