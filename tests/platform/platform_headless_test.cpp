// Tests of the windowing layer on the surfaceless platform: offscreen devices,
// formats, contexts moving between devices, read-back, what is current, and
// the failure paths.
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

TEST_F(Headless, DrawsAndReadsBackLowestRowFirstWhateverIsCurrent) {
    // 33 pixels make a 99-byte row: any row padding shows (and overflows).
    const int w = 33, h = 21;
    DeviceHandle device = Formatted(CreateBitmapDevice(w, h), kBitmapFlags);
    int format = 0;
    ASSERT_TRUE(DevicePixelFormat(device, &format, nullptr));
    EXPECT_FALSE(IsWindowDevice(device));
    ContextHandle context = CurrentOn(device);
    ExpectCurrent(device, context);

    PaintQuadrant(w, h, kBlue, kRed);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    Pixels direct = Read(device, 0, 0, w, h);
    ExpectQuadrantPicture(direct, w, h, kBlue, kRed);
    GLint alignment = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8) << "the script's pack alignment must survive a read-back";
    Pixels corner = Read(device, w / 2 - 1, h / 2 - 1, 2, 2);  // around the quarter's corner
    EXPECT_EQ(std::vector<Rgb>({At(corner, 0), At(corner, 1), At(corner, 2), At(corner, 3)}),
              std::vector<Rgb>({kRed, kBlue, kBlue, kBlue}));

    // Without a current context a helper reads the same and leaves nothing current.
    ASSERT_TRUE(MakeCurrent(0, 0));
    EXPECT_EQ(Read(device, 0, 0, w, h), direct);
    ExpectCurrent(0, 0);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr) << "a helper context was left current";

    // One context moves between devices of one format (a window's
    // double-buffered flags are fine offscreen); reading another device
    // leaves the current pair alone, and so does describing the platform.
    DeviceHandle other = Formatted(CreateBitmapDevice(8, 8), kWindowFlags | PFD_DOUBLEBUFFER);
    int otherFormat = 0;
    DevicePixelFormat(other, &otherFormat, nullptr);
    EXPECT_EQ(otherFormat, format);
    ASSERT_TRUE(MakeCurrent(other, context)) << LastErrorText();
    Clear(kGreen);
    EXPECT_TRUE(SwapBuffers(other)) << "a swap offscreen is harmless";
    EXPECT_EQ(Read(device, 0, 0, w, h), direct);
    EXPECT_EQ(At(Read(other, 4, 4, 1, 1), 0), kGreen);
    ExpectCurrent(other, context);
    Info info;
    ASSERT_TRUE(QueryInfo(&info)) << LastErrorText();
    EXPECT_NE(std::string(info.glRenderer).find("llvmpipe"), std::string::npos) << info.glRenderer;
    EXPECT_NE(std::string(info.glVersion).find("Compatibility Profile"), std::string::npos) << info.glVersion;
    ExpectCurrent(other, context);
}

TEST_F(Headless, DestroyingOrDeletingWhatIsCurrentReleasesIt) {
    DeviceHandle device = Formatted(CreateBitmapDevice(4, 4), kBitmapFlags);
    ContextHandle context = CurrentOn(device);
    // A refused switch leaves the current pair alone.
    EXPECT_FALSE(MakeCurrent(device, 999));
    ExpectError("context 999 does not exist");
    EXPECT_FALSE(MakeCurrent(999, context));
    ExpectError("device 999 does not exist");
    ExpectCurrent(device, context);

    // Destroying the current device releases its context, which lives on.
    DestroyDevice(device);
    ExpectCurrent(0, 0);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr);
    unsigned char pixel[3];
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
    EXPECT_FALSE(DeleteContext(context));
    contexts.clear();
}

TEST_F(Headless, BadHandlesFormatsSizesAndRectanglesAreRefused) {
    unsigned char pixel[3];
    EXPECT_EQ(ChoosePixelFormat(999, Request(kBitmapFlags)), 0);
    ExpectError("device 999 does not exist");
    EXPECT_FALSE(SetPixelFormat(999, 1, Request(kBitmapFlags)) || CreateContext(999) || SwapBuffers(999) ||
                 ReadPixels(999, 0, 0, 1, 1, pixel) || DeviceSize(999, nullptr, nullptr) ||
                 DevicePixelFormat(999, nullptr, nullptr) || IsWindowDevice(999));
    DestroyDevice(999);
    EXPECT_EQ(CreateWindowDevice(64, 64, "no display here"), 0);
    ExpectError("no X display: window devices need an X server");
    for (const auto& size : {std::pair{100000, 100000}, {0, 10}, {10, 0}, {-5, 10}, {10, 16385}}) {
        EXPECT_EQ(CreateBitmapDevice(size.first, size.second), 0) << size.first << " x " << size.second;
        ExpectError("must be between 1 and");
    }

    // A device needs a format before anything else.
    DeviceHandle device = CreateBitmapDevice(6, 4);
    ASSERT_NE(device, 0);
    devices.push_back(device);
    EXPECT_EQ(CreateContext(device), 0);
    ExpectError("no pixel format");
    EXPECT_FALSE(ReadPixels(device, 0, 0, 1, 1, pixel) || SwapBuffers(device));
    EXPECT_FALSE(SetPixelFormat(device, 0, Request(kBitmapFlags)));
    ExpectError("pixel format 0 does not exist");
    ASSERT_TRUE(SetPixelFormat(device, ChoosePixelFormat(device, Request(kBitmapFlags)), Request(kBitmapFlags)));

    // Rectangles that leave the 6 x 4 device fail and leave the buffer alone.
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

// A white triangle with slanted edges on black: how many of its pixels lie
// strictly between black and white.
int GreyPixels(DeviceHandle device, int side) {
    Clear({0, 0, 0});
    glColor3f(1, 1, 1);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.9f, -0.9f);
    glVertex2f(0.9f, -0.6f);
    glVertex2f(-0.3f, 0.9f);
    glEnd();
    glFinish();
    Pixels rgb = Read(device, 0, 0, side, side);
    int grey = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) grey += rgb[i] != 0 && rgb[i] != 255;
    return grey;
}

TEST_F(Headless, MultisampledDevicesReadBackTheResolvedPicture) {
    // 0 and 1 are none; 2, 4 and 8 get the nearest count offered (llvmpipe: 4).
    DeviceHandle single = CreateBitmapDevice(40, 40), multi = CreateBitmapDevice(40, 40);
    devices.insert(devices.end(), {single, multi});
    int samples = -1;
    for (const auto& [asked, chosen] : {std::pair{2, 4}, {8, 4}, {1, 0}, {0, 0}, {4, 4}}) {
        ASSERT_TRUE(SetDeviceSamples(multi, asked)) << LastErrorText();
        ASSERT_TRUE(DeviceSamples(multi, &samples));
        EXPECT_EQ(samples, chosen) << asked << " asked";
    }
    for (int bad : {-1, 65, INT_MIN}) {
        EXPECT_FALSE(SetDeviceSamples(multi, bad));
        ExpectError("samples per pixel asked");
    }
    EXPECT_FALSE(SetDeviceSamples(999, 4) || DeviceSamples(999, &samples) || DeviceSamples(multi, nullptr));
    Formatted(single, kBitmapFlags);
    Formatted(multi, kBitmapFlags);
    ASSERT_TRUE(DeviceSamples(multi, &samples));
    EXPECT_EQ(samples, 4) << "the format's count";
    EXPECT_FALSE(SetDeviceSamples(multi, 0));
    ExpectError("has pixel format");
    ASSERT_TRUE(DeviceSamples(single, &samples));
    EXPECT_EQ(samples, 0);

    // Edges hold averaged samples only where there are samples to average.
    CurrentOn(single);
    EXPECT_EQ(GreyPixels(single, 40), 0);
    ContextHandle context = CurrentOn(multi);
    int grey = GreyPixels(multi, 40);
    EXPECT_GT(grey, 20) << "a multisampled edge is a ramp of greys";
    ASSERT_TRUE(MakeCurrent(0, 0));
    Pixels again = Read(multi, 0, 0, 40, 40);  // through a helper context
    ASSERT_TRUE(MakeCurrent(multi, context));
    EXPECT_EQ(Read(multi, 0, 0, 40, 40), again);

    // A rectangle away from the origin, with the scissor test on, reads the
    // same pixels as the whole picture holds there; the frame buffer
    // bindings and the scissor test are as they were.
    PaintQuadrant(40, 40, kBlue, kRed);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    Pixels whole = Read(multi, 0, 0, 40, 40), part = Read(multi, 15, 17, 9, 7);
    int wrong = 0;
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 9; ++col)
            wrong += At(part, size_t(row * 9 + col)) != At(whole, size_t((17 + row) * 40 + 15 + col));
    EXPECT_EQ(wrong, 0);
    ExpectQuadrantPicture(whole, 40, 40, kBlue, kRed);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLint binding = -1;
    glGetIntegerv(0x8CAA /* GL_READ_FRAMEBUFFER_BINDING */, &binding);
    EXPECT_EQ(binding, 0);
    glDisable(GL_SCISSOR_TEST);

    // A context moves only between devices of the same samples.
    EXPECT_FALSE(MakeCurrent(single, context));
}

}  // namespace
