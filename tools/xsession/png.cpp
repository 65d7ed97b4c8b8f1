// PNG files through libpng's simplified interface: 8-bit RGB, rows from the top.
#include <png.h>

#include <cstring>

#include "tools/xsession/xsession.h"

namespace xsession {

namespace {

png_image blankImage() {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

[[noreturn]] void fail(const std::string& doing, const fs::path& path, const png_image& image) {
    throw SessionError("cannot " + doing + " " + path.string() + ": " + image.message);
}

}  // namespace

void writePng(const fs::path& path, const Image& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) {
        throw SessionError("cannot write " + path.string() + ": the picture has no pixels");
    }
    png_image image = blankImage();
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) == 0) {
        fail("write", path, image);
    }
}

Image readPng(const fs::path& path) {
    png_image image = blankImage();
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        fail("read", path, image);
    }
    image.format = PNG_FORMAT_RGB;
    Image picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        fail("decode", path, image);
    }
    return picture;
}

}  // namespace xsession
