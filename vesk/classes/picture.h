// An MBmp's pixels for host code outside the class's own file (MDC's
// GetPicture fills a new one).
#pragma once

#include "vesk/values/value.h"

namespace vesk {

// Rows top row first, 3 bytes red, green, blue a pixel.
struct PictureView {
    int width = 0, height = 0;
    unsigned char* rgb = nullptr;
};

// The pixels of an MBmp object; false for any other value.
bool PictureOf(const Variable& object, PictureView* view);

}  // namespace vesk
