// Shared helpers of the windowing-layer tests: the module's pixel format
// requests, drawing a known picture, reading it back and checking errors.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform_test {

using namespace platform;

// The flag sets the module's bitmap (0x438) and window (0x464) opens send.
constexpr uint32_t kBitmapFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL | PFD_SWAP_COPY;
constexpr uint32_t kWindowFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_SWAP_COPY | PFD_GENERIC_FORMAT;

inline PixelFormatRequest Request(uint32_t flags) {
    PixelFormatRequest request;
    request.flags = flags;
    request.colorBits = 24;
    request.depthBits = 16;
    return request;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline void PrintTo(const Rgb& c, std::ostream* out) { *out << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

using Pixels = std::vector<unsigned char>;

inline Rgb At(const Pixels& rgb, size_t pixel) { return {rgb[3 * pixel], rgb[3 * pixel + 1], rgb[3 * pixel + 2]}; }

// Exactly w * h * 3 bytes, so that a padded row overflows under the sanitizer.
inline Pixels Read(DeviceHandle device, int x, int y, int w, int h) {
    Pixels rgb(size_t(w) * size_t(h) * 3, 0);
    EXPECT_TRUE(ReadPixels(device, x, y, w, h, rgb.data())) << LastErrorText();
    return rgb;
}

inline void Clear(Rgb c) {
    glClearColor(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
}

// Clears a w x h device to the background and its lower-left quarter to the
// foreground: a picture that shows whether rows come lowest first.
inline void PaintQuadrant(int w, int h, Rgb background, Rgb foreground) {
    Clear(background);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, w / 2, h / 2);
    Clear(foreground);
    glDisable(GL_SCISSOR_TEST);
}

inline void ExpectQuadrantPicture(const Pixels& rgb, int w, int h, Rgb background, Rgb foreground) {
    int wrong = 0;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            wrong += At(rgb, size_t(row) * size_t(w) + size_t(col)) !=
                     (col < w / 2 && row < h / 2 ? foreground : background);
    EXPECT_EQ(wrong, 0) << "pixels off the picture; lowest row: " << ::testing::PrintToString(At(rgb, 0));
}

// Releases what is current and frees the devices and contexts a test made.
class PlatformTest : public ::testing::Test {
protected:
    void TearDown() override {
        MakeCurrent(0, 0);
        for (ContextHandle c : contexts) DeleteContext(c);
        for (DeviceHandle d : devices) DestroyDevice(d);
    }
    // Gives the device the format ChoosePixelFormat picks for these flags.
    DeviceHandle Formatted(DeviceHandle device, uint32_t flags) {
        EXPECT_NE(device, 0) << LastErrorText();
        devices.push_back(device);
        int format = ChoosePixelFormat(device, Request(flags));
        EXPECT_GT(format, 0) << LastErrorText();
        EXPECT_TRUE(SetPixelFormat(device, format, Request(flags))) << LastErrorText();
        return device;
    }
    ContextHandle CurrentOn(DeviceHandle device) {
        ContextHandle context = CreateContext(device);
        EXPECT_NE(context, 0) << LastErrorText();
        contexts.push_back(context);
        EXPECT_TRUE(MakeCurrent(device, context)) << LastErrorText();
        return context;
    }
    std::vector<DeviceHandle> devices;
    std::vector<ContextHandle> contexts;
};

inline void ExpectCurrent(DeviceHandle device, ContextHandle context) {
    EXPECT_EQ(std::make_pair(CurrentDevice(), CurrentContext()), std::make_pair(device, context));
}

// The last failure has a code and its text says `words`.
inline void ExpectError(const std::string& words) {
    EXPECT_NE(LastError(), 0u);
    EXPECT_NE(std::string(LastErrorText()).find(words), std::string::npos)
        << "error text: " << LastErrorText() << "\nexpected to contain: " << words;
}

}  // namespace platform_test
