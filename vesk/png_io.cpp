// PNG through libpng's simplified API: any PNG in, converted to RGB; RGB out.
#include "vesk/png_io.h"

#include <png.h>

#include <cstring>

namespace vesk {

bool ReadPng(const std::string& path, int* width, int* height, std::vector<unsigned char>* rgb,
             std::string* why) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        *why = "cannot read PNG " + path + ": " + image.message;
        return false;
    }
    if (image.width < 1 || image.height < 1 || image.width > kMaxImageSide || image.height > kMaxImageSide) {
        *why = "PNG " + path + " is " + std::to_string(image.width) + " x " +
               std::to_string(image.height) + "; sides of 1 to " + std::to_string(kMaxImageSide) +
               " pixels are supported";
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        *why = "cannot decode PNG " + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return true;
}

bool WritePng(const std::string& path, int width, int height, const unsigned char* rgb,
              std::string* why) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb, 0, nullptr)) {
        *why = "cannot write PNG " + path + ": " + image.message;
        return false;
    }
    return true;
}

}  // namespace vesk
