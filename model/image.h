// Images that textured models name: found beside the model's file, read through the safe file
// reader, their size judged against the memory there is before they are decoded, and decoded to
// RGBA8. PNG and JPEG only. Shared by the desktop viewer and the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kImageChannels = 4;  // r, g, b, a per texel, 0..255

// A decoded image, its top row first as image files store it.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // kImageChannels per texel
    bool empty() const { return rgba.empty(); }
};

// The bytes an image of width x height takes once read: its texels, and their copy on the GPU
// with every smaller level of detail.
std::uint64_t imageBytesNeeded(std::uint64_t width, std::uint64_t height);

// Where the image `name` a model in `folder` names is: the name as written (relative to the
// folder unless it is absolute) when it is there, else an entry of the folder whose name differs
// only in case (files made on systems that ignore case), else the name as written.
std::string findImageFile(const std::string& folder, const std::string& name);

// Decodes a whole PNG or JPEG file held in memory. Its declared size is read first: an image that
// would take more than `availableBytes` is refused before it is decoded. False with `problem`
// set ("needs about N MB, M MB available", the decoder's reason) otherwise.
bool decodeImage(const std::uint8_t* bytes, std::size_t size, std::uint64_t availableBytes,
                 Image& image, std::string& problem);

// Reads and decodes the image file at `path`: regular files only, without blocking on a FIFO.
// False with `problem` set: the system's reason, "not a regular file (a FIFO)", decodeImage's.
bool readImage(const std::string& path, std::uint64_t availableBytes, Image& image,
               std::string& problem);
