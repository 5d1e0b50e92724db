// Tests of the windowing layer on an X server (Xvfb in CI): window devices on
// screen, contexts moving to pbuffers, formats of every visual, and events.
#include "platform/platform.h"  // before Xlib, whose None macro it would meet
#include "tests/platform/platform_test_util.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

using namespace platform;
using namespace platform_test;

namespace {

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

bool HaveDisplay() {
    const char* name = std::getenv("DISPLAY");
    return name && *name;
}

// Polls `ready` for two seconds at most.
template <class Ready>
bool Within2s(Ready ready) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The test's own X connection looks at the platform's windows the way
// another client (or the user) would.
class Windows : public PlatformTest {
protected:
    void SetUp() override {
        if (!HaveDisplay()) GTEST_SKIP() << "DISPLAY is not set: window tests need an X server";
        x = XOpenDisplay(nullptr);
        ASSERT_NE(x, nullptr);
    }
    void TearDown() override {
        PlatformTest::TearDown();
        if (x) XCloseDisplay(x);
    }
    // The top-level window with this name, 0 when there is none.
    ::Window Find(const char* title) {
        XSync(x, False);
        ::Window root = DefaultRootWindow(x), parent = 0, *children = nullptr, found = 0;
        unsigned count = 0;
        XQueryTree(x, root, &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(x, children[i], &name) && name) {
                if (std::strcmp(name, title) == 0) found = children[i];
                XFree(name);
            }
        }
        if (children) XFree(children);
        return found;
    }
    // What the X server shows at (px, py), counted from the top.
    Rgb OnScreen(::Window window, int px, int py) {
        XImage* image = XGetImage(x, window, px, py, 1, 1, AllPlanes, ZPixmap);
        if (!image) return {-1, -1, -1};
        unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
    }
    bool Shows(::Window window, int px, int py, Rgb colour) {
        return Within2s([&] { return OnScreen(window, px, py) == colour; });
    }
    // Skips other events until one of this kind comes.
    bool Await(DeviceHandle device, EventKind kind, Event* event) {
        return Within2s([&] {
            while (NextEvent(device, event))
                if (event->kind == kind) return true;
            return false;
        });
    }
    void SendProtocolMessage(::Window window, const char* protocol) {
        XEvent message = {};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        message.xclient.format = 32;
        message.xclient.data.l[0] = long(XInternAtom(x, protocol, False));
        XSendEvent(x, window, False, NoEventMask, &message);
        XSync(x, False);
    }

    ::Display* x = nullptr;
};

TEST_F(Windows, DoubleBufferedWindowShowsEachFrameAfterItsSwap) {
    Info info;
    ASSERT_TRUE(QueryInfo(&info)) << LastErrorText();
    EXPECT_STREQ(info.platform, "x11");
    const char* title = "vesk test swap";
    DeviceHandle device =
        Formatted(CreateWindowDevice(40, 30, title), kWindowFlags | PFD_DOUBLEBUFFER);
    EXPECT_TRUE(IsWindowDevice(device));
    EXPECT_EQ(ChoosePixelFormat(device, Request(kBitmapFlags)), 0);
    ExpectError("is a window");
    EXPECT_GT(ChoosePixelFormat(device, Request(kBitmapFlags | PFD_DRAW_TO_WINDOW)), 0);
    ::Window window = Find(title);
    ASSERT_NE(window, 0u) << "no mapped window named " << title;

    // Swapped while current; the shown picture stays readable.
    CurrentOn(device);
    PaintQuadrant(40, 30, kBlue, kRed);
    ASSERT_TRUE(SwapBuffers(device)) << LastErrorText();
    EXPECT_TRUE(Shows(window, 5, 25, kRed)) << "lower left on screen";
    EXPECT_TRUE(Shows(window, 35, 5, kBlue)) << "upper right on screen";
    ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kBlue, kRed);

    // Swapped with nothing current, as a window's owner may do.
    PaintQuadrant(40, 30, kGreen, kBlue);
    MakeCurrent(0, 0);
    ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kGreen, kBlue);
    ASSERT_TRUE(SwapBuffers(device)) << LastErrorText();
    EXPECT_TRUE(Shows(window, 5, 25, kBlue));
    EXPECT_EQ(CurrentContext(), 0);
}

TEST_F(Windows, SingleBufferedWindowShowsFlushedDrawingWithoutASwap) {
    const char* title = "vesk test single";
    DeviceHandle device = Formatted(CreateWindowDevice(40, 30, title), kWindowFlags);
    ::Window window = Find(title);
    ASSERT_NE(window, 0u);
    CurrentOn(device);
    PaintQuadrant(40, 30, kGreen, kRed);
    EXPECT_TRUE(Shows(window, 5, 25, kRed));
    EXPECT_TRUE(Shows(window, 35, 5, kGreen));
    EXPECT_TRUE(SwapBuffers(device)) << "a swap without a back buffer does nothing";
    glFinish();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OnScreen(window, 5, 25), kRed) << "the swap wiped the picture";
    ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kGreen, kRed);
    MakeCurrent(0, 0);
    ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kGreen, kRed);
}

TEST_F(Windows, OneContextMovesBetweenAWindowAndAPbuffer) {
    DeviceHandle window =
        Formatted(CreateWindowDevice(20, 20, "vesk test move"), kWindowFlags | PFD_DOUBLEBUFFER);
    DeviceHandle bitmap = Formatted(CreateBitmapDevice(20, 20), kBitmapFlags);
    int windowFormat = 0, bitmapFormat = 0;
    DevicePixelFormat(window, &windowFormat, nullptr);
    DevicePixelFormat(bitmap, &bitmapFormat, nullptr);
    EXPECT_EQ(windowFormat, bitmapFormat) << "windows and pbuffers share a format on X11";

    ContextHandle context = CurrentOn(window);
    Clear(255, 0, 0);
    ASSERT_TRUE(MakeCurrent(bitmap, context)) << LastErrorText();
    Clear(0, 255, 0);
    ASSERT_TRUE(MakeCurrent(window, context)) << LastErrorText();
    EXPECT_EQ(At(Read(window, 10, 10, 1, 1), 0), kRed);
    EXPECT_EQ(At(Read(bitmap, 10, 10, 1, 1), 0), kGreen);
    EXPECT_EQ(CurrentDevice(), window);
}

TEST_F(Windows, EveryFormatDrawsToAWindowOfItsOwnVisual) {
    int drawn = 0;
    std::set<VisualID> visuals;  // of the windows, as the X server has them
    for (int format = 1; format < 1000; ++format) {
        DeviceHandle device = CreateWindowDevice(8, 8, "vesk test format");
        ASSERT_NE(device, 0) << LastErrorText();
        if (!SetPixelFormat(device, format, Request(kWindowFlags))) {
            std::string why = LastErrorText();
            DestroyDevice(device);
            if (why.find("does not exist") != std::string::npos) break;
            EXPECT_NE(why.find("cannot draw to"), std::string::npos) << why;
            continue;
        }
        ContextHandle context = CreateContext(device);
        ASSERT_TRUE(MakeCurrent(device, context)) << "format " << format << ": " << LastErrorText();
        Clear(255, 0, 255);
        EXPECT_EQ(At(Read(device, 4, 4, 1, 1), 0), (Rgb{255, 0, 255})) << "format " << format;
        ::Window window = Find("vesk test format");
        XWindowAttributes attributes;
        ASSERT_TRUE(window && XGetWindowAttributes(x, window, &attributes)) << "format " << format;
        visuals.insert(XVisualIDFromVisual(attributes.visual));
        DeleteContext(context);
        DestroyDevice(device);
        ++drawn;
    }
    EXPECT_GT(drawn, 1);
    EXPECT_EQ(Find("vesk test format"), 0u) << "a destroyed device left its window";
    // Mesa offers formats on each true-colour visual; their windows differ.
    XVisualInfo wanted = {};
    wanted.c_class = TrueColor;
    int count = 0;
    if (XVisualInfo* trueColour = XGetVisualInfo(x, VisualClassMask, &wanted, &count))
        XFree(trueColour);
    if (count > 1) {
        EXPECT_GT(visuals.size(), 1u) << "every window kept the first visual";
    }
}

TEST_F(Windows, PointerAndKeysComeOutOfNextEvent) {
    DeviceHandle device = Formatted(CreateWindowDevice(50, 40, "vesk test input"), kWindowFlags);
    Event event;
    while (NextEvent(device, &event)) {
    }
    EXPECT_FALSE(NextEvent(device, &event)) << "nothing is waiting";

    // The window sits at the root's origin: no window manager moves it.
    XTestFakeMotionEvent(x, -1, 10, 20, 0);
    XTestFakeButtonEvent(x, 3, True, 0);
    XTestFakeButtonEvent(x, 3, False, 0);
    XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), True, 0);
    XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), False, 0);
    XSync(x, False);
    ASSERT_TRUE(Await(device, EventKind::Motion, &event));
    EXPECT_EQ(event.x, 10);
    EXPECT_EQ(event.y, 20);
    ASSERT_TRUE(Await(device, EventKind::Button, &event));
    EXPECT_EQ(event.x, 10);
    EXPECT_EQ(event.y, 20);
    EXPECT_EQ(event.button, 3);
    ASSERT_TRUE(Await(device, EventKind::Key, &event));
    EXPECT_EQ(event.button, int(XK_a));
}

TEST_F(Windows, ResizeAndCloseComeOutOfWaitEvent) {
    const char* title = "vesk test close";
    DeviceHandle device = Formatted(CreateWindowDevice(30, 20, title), kWindowFlags);
    ::Window window = Find(title);
    ASSERT_NE(window, 0u);
    XResizeWindow(x, window, 45, 35);
    XSync(x, False);
    Event event;
    for (int i = 0; i < 50 && event.kind != EventKind::Resize; ++i)
        ASSERT_TRUE(WaitEvent(device, &event)) << LastErrorText();
    ASSERT_EQ(event.kind, EventKind::Resize);
    EXPECT_EQ(event.x, 45);
    EXPECT_EQ(event.y, 35);
    int w = 0, h = 0;
    ASSERT_TRUE(DeviceSize(device, &w, &h));
    EXPECT_EQ(w, 45) << "the device's size follows the window";
    EXPECT_EQ(h, 35);

    // Another protocol message is not a close; WM_DELETE_WINDOW is.
    SendProtocolMessage(window, "WM_TAKE_FOCUS");
    SendProtocolMessage(window, "WM_DELETE_WINDOW");
    ASSERT_TRUE(WaitEvent(device, &event));
    EXPECT_EQ(event.kind, EventKind::Close);
    EXPECT_NE(Find(title), 0u) << "closing is the script's choice";

    DestroyDevice(device);
    EXPECT_EQ(Find(title), 0u);
    EXPECT_FALSE(WaitEvent(device, &event));
    ExpectError("does not exist");
}

// Another client may destroy the window itself (xdotool windowclose): the
// script hears a close instead of waiting for ever, and the device then
// refuses events and swaps rather than touching a window that is no more.
TEST_F(Windows, AWindowDestroyedByAnotherClientIsAClose) {
    const char* title = "vesk test destroyed";
    DeviceHandle device = Formatted(CreateWindowDevice(30, 20, title), kWindowFlags | PFD_DOUBLEBUFFER);
    CurrentOn(device);
    ::Window window = Find(title);
    ASSERT_NE(window, 0u);
    XDestroyWindow(x, window);
    XSync(x, False);
    Event event;
    ASSERT_TRUE(Await(device, EventKind::Close, &event)) << "the destruction comes out as a close";
    EXPECT_FALSE(WaitEvent(device, &event)) << "nothing more will come";
    ExpectError("lost its window");
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_FALSE(SwapBuffers(device));
    ExpectError("lost its window");
    MakeCurrent(0, 0);
    DestroyDevice(device);
    devices.clear();
    EXPECT_EQ(Find(title), 0u);
}

// The display is chosen once per process, so each case runs in a fresh one.
TEST(HeadlessChoice, ForceHeadlessAndTheEnvironmentPickSurfaceless) {
    if (!HaveDisplay()) GTEST_SKIP() << "DISPLAY is not set";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto surfacelessWithoutWindows = [] {
        Info info;
        return QueryInfo(&info) && std::strcmp(info.platform, "surfaceless") == 0 &&
               CreateWindowDevice(10, 10, "vesk test headless") == 0 &&
               std::strstr(LastErrorText(), "headless mode was asked for") != nullptr;
    };
    EXPECT_EXIT((ForceHeadless(), _exit(surfacelessWithoutWindows() ? 0 : 1)),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT((setenv("VESK_HEADLESS", "1", 1), _exit(surfacelessWithoutWindows() ? 0 : 1)),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
