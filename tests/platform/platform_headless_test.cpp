// Tests of the windowing layer on the surfaceless platform: offscreen devices,
// formats, contexts moving between devices, read-back, and the failure paths.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/platform.h"
#include "tests/platform/platform_test_util.h"

using namespace platform;
using namespace platform_test;

namespace {

using Headless = PlatformTest;

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

GLfloat ClearRed() {
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    return clear[0];
}

TEST_F(Headless, DrawsAndReadsBackLowestRowFirst) {
    // 33 pixels make a 99-byte row: any row padding shows (and overflows).
    const int w = 33, h = 21;
    DeviceHandle device = Formatted(CreateBitmapDevice(w, h), kBitmapFlags);
    int format = 0;
    PixelFormatRequest stored;
    ASSERT_TRUE(DevicePixelFormat(device, &format, &stored));
    EXPECT_GT(format, 0);
    EXPECT_EQ(stored.flags, kBitmapFlags);
    ContextHandle context = CurrentOn(device);
    EXPECT_EQ(CurrentDevice(), device);
    EXPECT_EQ(CurrentContext(), context);

    PaintQuadrant(w, h, kBlue, kRed);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    ExpectQuadrantPicture(Read(device, 0, 0, w, h), w, h, kBlue, kRed);
    GLint alignment = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8) << "the script's pack alignment must survive a read-back";
    EXPECT_EQ(At(Read(device, 1, 1, 2, 2), 3), kRed) << "inside the lower left quarter";
    EXPECT_EQ(At(Read(device, w - 2, h - 1, 2, 1), 1), kBlue) << "top right corner";

    // Without a current context a helper reads the same and leaves nothing current.
    Pixels direct = Read(device, 0, 0, w, h);
    ASSERT_TRUE(MakeCurrent(0, 0));
    EXPECT_EQ(Read(device, 0, 0, w, h), direct);
    EXPECT_EQ(CurrentDevice(), 0);
    EXPECT_EQ(CurrentContext(), 0);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr) << "a helper context was left current";

    // With another device current, the script's context is current again after.
    DeviceHandle other = Formatted(CreateBitmapDevice(8, 8), kBitmapFlags);
    ContextHandle second = CurrentOn(other);
    glClearColor(0.5f, 0, 0, 1);
    EXPECT_EQ(Read(device, 0, 0, w, h), direct);
    EXPECT_EQ(CurrentDevice(), other);
    EXPECT_EQ(CurrentContext(), second);
    EXPECT_FLOAT_EQ(ClearRed(), 0.5f);
}

TEST_F(Headless, OneContextMovesBetweenDevicesOfOneFormat) {
    // A window's double-buffered flags are fine offscreen too.
    DeviceHandle a = Formatted(CreateBitmapDevice(10, 10), kBitmapFlags);
    DeviceHandle b = Formatted(CreateBitmapDevice(10, 10), kWindowFlags | PFD_DOUBLEBUFFER);
    int formatA = 0, formatB = 0;
    DevicePixelFormat(a, &formatA, nullptr);
    DevicePixelFormat(b, &formatB, nullptr);
    EXPECT_EQ(formatA, formatB);
    EXPECT_FALSE(IsWindowDevice(b));
    ContextHandle context = CurrentOn(a);
    Clear(255, 0, 0);
    ASSERT_TRUE(MakeCurrent(b, context)) << LastErrorText();
    EXPECT_EQ(CurrentDevice(), b);
    Clear(0, 255, 0);
    EXPECT_TRUE(SwapBuffers(b)) << "a swap offscreen is harmless";
    EXPECT_EQ(At(Read(a, 5, 5, 1, 1), 0), kRed);
    EXPECT_EQ(At(Read(b, 5, 5, 1, 1), 0), kGreen);
    EXPECT_EQ(CurrentDevice(), b) << "reading another device moved the context";
}

TEST_F(Headless, UnknownAndDestroyedHandlesFailCleanly) {
    unsigned char pixel[3];
    EXPECT_EQ(ChoosePixelFormat(999, Request(kBitmapFlags)), 0);
    ExpectError("device 999 does not exist");
    EXPECT_FALSE(SetPixelFormat(999, 1, Request(kBitmapFlags)));
    EXPECT_EQ(CreateContext(999), 0);
    EXPECT_FALSE(SwapBuffers(999) || ReadPixels(999, 0, 0, 1, 1, pixel) ||
                 DeviceSize(999, nullptr, nullptr) || DevicePixelFormat(999, nullptr, nullptr) ||
                 IsWindowDevice(999));
    DestroyDevice(999);
    EXPECT_FALSE(DeleteContext(999));
    ExpectError("context 999 does not exist");

    // A refused switch leaves the current pair alone.
    DeviceHandle device = Formatted(CreateBitmapDevice(4, 4), kBitmapFlags);
    ContextHandle context = CurrentOn(device);
    EXPECT_FALSE(MakeCurrent(device, 999));
    EXPECT_FALSE(MakeCurrent(999, context));
    ExpectError("device 999 does not exist");
    EXPECT_EQ(CurrentDevice(), device);
    EXPECT_EQ(CurrentContext(), context);

    // Destroying the current device releases its context, which lives on.
    DestroyDevice(device);
    EXPECT_EQ(CurrentDevice(), 0);
    EXPECT_EQ(CurrentContext(), 0);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr);
    EXPECT_FALSE(ReadPixels(device, 0, 0, 1, 1, pixel));
    EXPECT_FALSE(MakeCurrent(device, context));
    DeviceHandle next = Formatted(CreateBitmapDevice(4, 4), kBitmapFlags);
    EXPECT_NE(next, device) << "handles are never reused";
    EXPECT_TRUE(MakeCurrent(next, context)) << LastErrorText();

    // Deleting the current context releases it; its handle is then dead.
    EXPECT_TRUE(DeleteContext(context));
    EXPECT_EQ(CurrentContext(), 0);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr);
    EXPECT_FALSE(MakeCurrent(next, context));
}

TEST_F(Headless, AFormatIsNeededFirstAndSetOnce) {
    DeviceHandle bare = CreateBitmapDevice(8, 8);
    ASSERT_NE(bare, 0);
    devices.push_back(bare);
    unsigned char pixel[3];
    EXPECT_EQ(CreateContext(bare), 0);
    ExpectError("no pixel format");
    EXPECT_FALSE(ReadPixels(bare, 0, 0, 1, 1, pixel) || SwapBuffers(bare) ||
                 DevicePixelFormat(bare, nullptr, nullptr));
    EXPECT_FALSE(SetPixelFormat(bare, 0, Request(kBitmapFlags)));
    ExpectError("pixel format 0 does not exist");
    EXPECT_FALSE(SetPixelFormat(bare, 100000, Request(kBitmapFlags)));

    PixelFormatRequest shallow = Request(kBitmapFlags), deep = Request(kBitmapFlags);
    deep.depthBits = 24;
    int first = ChoosePixelFormat(bare, shallow), other = ChoosePixelFormat(bare, deep);
    ASSERT_GT(first, 0);
    ASSERT_NE(other, first) << "a 24-bit depth request gets another format";
    ASSERT_TRUE(SetPixelFormat(bare, first, shallow));
    EXPECT_TRUE(SetPixelFormat(bare, first, deep)) << "the same format again is accepted";
    EXPECT_FALSE(SetPixelFormat(bare, other, deep));
    ExpectError("pixel format " + std::to_string(other) + " cannot replace format " +
                std::to_string(first) + " on device " + std::to_string(bare));
    int format = 0;
    PixelFormatRequest stored;
    ASSERT_TRUE(DevicePixelFormat(bare, &format, &stored));
    EXPECT_EQ(format, first);
    EXPECT_EQ(stored.depthBits, 16) << "the repeated call changes nothing";
}

TEST_F(Headless, BadRequestsSizesAndRectanglesAreRefused) {
    DeviceHandle device = CreateBitmapDevice(6, 4);
    ASSERT_NE(device, 0);
    EXPECT_EQ(ChoosePixelFormat(device, Request(PFD_DRAW_TO_BITMAP)), 0);
    ExpectError("PFD_SUPPORT_OPENGL");
    PixelFormatRequest indexed = Request(kBitmapFlags);
    indexed.pixelType = 1;
    EXPECT_EQ(ChoosePixelFormat(device, indexed), 0);
    ExpectError("colour-index");
    EXPECT_EQ(CreateWindowDevice(64, 64, "no display here"), 0);
    ExpectError("no X display: window devices need an X server");

    const int sizes[][2] = {{100000, 100000}, {0, 10}, {10, 0}, {-5, 10}, {10, 16385}};
    for (const auto& size : sizes) {
        EXPECT_EQ(CreateBitmapDevice(size[0], size[1]), 0) << size[0] << " x " << size[1];
        ExpectError("must be between 1 and");
    }

    // Rectangles that leave the 6 x 4 device fail and leave the buffer alone.
    Formatted(device, kBitmapFlags);
    const int rects[][4] = {{-1, 0, 1, 1}, {0, -1, 1, 1}, {0, 0, 7, 1},       {5, 0, 2, 1},
                            {0, 3, 1, 2},  {0, 0, 0, 1},  {INT_MAX, 0, 1, 1}, {1, 1, INT_MAX, 1}};
    for (const auto& r : rects) {
        unsigned char sentinel[3] = {7, 7, 7};
        EXPECT_FALSE(ReadPixels(device, r[0], r[1], r[2], r[3], sentinel))
            << r[0] << ", " << r[1] << ", " << r[2] << " x " << r[3];
        ExpectError("not inside device");
        EXPECT_EQ(sentinel[0] + sentinel[1] + sentinel[2], 21);
    }
    EXPECT_FALSE(ReadPixels(device, 0, 0, 1, 1, nullptr));
    Event event;
    EXPECT_FALSE(NextEvent(device, &event));
    ExpectError("offscreen");
}

TEST_F(Headless, InfoDescribesLlvmpipeAndRestoresTheCurrentPair) {
    DeviceHandle device = Formatted(CreateBitmapDevice(4, 4), kBitmapFlags);
    ContextHandle context = CurrentOn(device);
    glClearColor(0.5f, 0, 0, 1);
    Info info;
    ASSERT_TRUE(QueryInfo(&info)) << LastErrorText();
    EXPECT_STREQ(info.platform, "surfaceless");
    EXPECT_NE(std::string(info.glRenderer).find("llvmpipe"), std::string::npos) << info.glRenderer;
    EXPECT_NE(std::string(info.glVersion).find("Compatibility Profile"), std::string::npos)
        << info.glVersion;
    EXPECT_NE(std::string(info.eglVersion), "");
    EXPECT_EQ(CurrentDevice(), device);
    EXPECT_EQ(CurrentContext(), context);
    EXPECT_FLOAT_EQ(ClearRed(), 0.5f);
}

}  // namespace
