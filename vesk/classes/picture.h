// An MBmp's pixels, and an MDC's, for host code outside the classes' own
// files (MDC's GetPicture fills a new MBmp; an Animation takes frames of
// both).
#pragma once

#include <string>

#include "vesk/values/value.h"

namespace vesk {

// Rows top row first, 3 bytes red, green, blue a pixel.
struct PictureView {
    int width = 0, height = 0;
    unsigned char* rgb = nullptr;
};

// The pixels of an MBmp object; false for any other value.
bool PictureOf(const Variable& object, PictureView* view);

// The size of an MDC object's device; false for any other value.
bool DeviceSizeOf(const Variable& object, int* width, int* height);

// Reads the resolved pixels of an MDC object's device (what SaveAs saves)
// into rgb, which holds 3 x width x height bytes, top row first. False with
// the platform's reason when they cannot be read.
bool ReadDevicePicture(const Variable& object, unsigned char* rgb, std::string* why);

}  // namespace vesk
