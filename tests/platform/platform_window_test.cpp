// Tests of the windowing layer on an X server (Xvfb in CI): window devices on
// screen, contexts moving to pbuffers, formats of every visual, events, and a
// connection the server closes.
// tests/scripts/pick_window_test.sh drives the same windows through a script.
#include "platform/platform.h"  // before Xlib, whose None macro it would meet
#include "tests/platform/platform_test_util.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

using namespace platform;
using namespace platform_test;

namespace {

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

    ::Display* x = nullptr;
};

// What the module asks for by default (single-buffered) and with double buffering.
TEST_F(Windows, WindowsShowTheirPictureAndShareAContextWithAPbuffer) {
    Info info;
    ASSERT_TRUE(QueryInfo(&info)) << LastErrorText();
    EXPECT_STREQ(info.platform, "x11");
    for (bool doubled : {false, true}) {
        const char* title = doubled ? "vesk test double" : "vesk test single";
        uint32_t flags = doubled ? kWindowFlags | PFD_DOUBLEBUFFER : kWindowFlags;
        DeviceHandle device = Formatted(CreateWindowDevice(40, 30, title), flags);
        EXPECT_TRUE(IsWindowDevice(device));
        EXPECT_EQ(ChoosePixelFormat(device, Request(kBitmapFlags)), 0);
        ExpectError("is a window");
        ::Window window = Find(title);
        ASSERT_NE(window, 0u) << "no mapped window named " << title;
        ContextHandle context = CurrentOn(device);
        PaintQuadrant(40, 30, kBlue, kRed);
        if (!doubled) {
            EXPECT_TRUE(Shows(window, 5, 25, kRed)) << "flushed drawing shows without a swap";
        }
        ASSERT_TRUE(SwapBuffers(device)) << LastErrorText();  // without a back buffer it does nothing
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(Shows(window, 5, 25, kRed)) << title << ": lower left on screen after the swap";
        EXPECT_TRUE(Shows(window, 35, 5, kBlue)) << title << ": upper right on screen";
        ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kBlue, kRed);
        if (!doubled) continue;

        // Swapped with nothing current, as a window's owner may do.
        PaintQuadrant(40, 30, kGreen, kBlue);
        MakeCurrent(0, 0);
        ExpectQuadrantPicture(Read(device, 0, 0, 40, 30), 40, 30, kGreen, kBlue);
        ASSERT_TRUE(SwapBuffers(device)) << LastErrorText();
        EXPECT_TRUE(Shows(window, 5, 25, kBlue));
        ExpectCurrent(0, 0);

        // Windows and pbuffers share a format on X11, so one context moves between them.
        DeviceHandle bitmap = Formatted(CreateBitmapDevice(40, 30), kBitmapFlags);
        int windowFormat = 0, bitmapFormat = 0;
        DevicePixelFormat(device, &windowFormat, nullptr);
        DevicePixelFormat(bitmap, &bitmapFormat, nullptr);
        EXPECT_EQ(windowFormat, bitmapFormat);
        ASSERT_TRUE(MakeCurrent(bitmap, context)) << LastErrorText();
        Clear(kRed);
        ASSERT_TRUE(MakeCurrent(device, context)) << LastErrorText();
        EXPECT_EQ(At(Read(bitmap, 10, 10, 1, 1), 0), kRed);
        EXPECT_EQ(At(Read(device, 30, 20, 1, 1), 0), kGreen);
        ExpectCurrent(device, context);
    }
}

TEST_F(Windows, EventsComeFromTheServerUntilTheWindowGoes) {
    const char* title = "vesk test events";
    DeviceHandle device = Formatted(CreateWindowDevice(50, 40, title), kWindowFlags | PFD_DOUBLEBUFFER);
    ::Window window = Find(title);
    ASSERT_NE(window, 0u);
    Event event;
    while (NextEvent(device, &event)) {  // returns at once when nothing is waiting
    }

    // Pointer and keys; the window sits at the root's origin (no window manager).
    XTestFakeMotionEvent(x, -1, 10, 20, 0);
    XTestFakeButtonEvent(x, 3, True, 0);
    XTestFakeButtonEvent(x, 3, False, 0);
    XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), True, 0);
    XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), False, 0);
    XSync(x, False);
    ASSERT_TRUE(Await(device, EventKind::Motion, &event));
    EXPECT_EQ(std::make_pair(event.x, event.y), std::make_pair(10, 20));
    ASSERT_TRUE(Await(device, EventKind::Button, &event));
    EXPECT_EQ(std::make_tuple(event.x, event.y, event.button), std::make_tuple(10, 20, 3));
    ASSERT_TRUE(Await(device, EventKind::Key, &event));
    EXPECT_EQ(event.button, int(XK_a));

    // Releases, the buttons held as the pointer moves, the modifier keys
    // held, and wheel steps, which are presses alone. X reports the state
    // from before each event: a key's own modifier is not yet in its press.
    while (NextEvent(device, &event)) {
    }
    auto key = [&](KeySym symbol, bool down) {
        XTestFakeKeyEvent(x, XKeysymToKeycode(x, symbol), down, 0);
    };
    key(XK_Shift_L, true);
    XTestFakeButtonEvent(x, 1, True, 0);
    XTestFakeButtonEvent(x, 3, True, 0);
    XTestFakeMotionEvent(x, -1, 12, 22, 0);
    XTestFakeButtonEvent(x, 3, False, 0);
    XTestFakeButtonEvent(x, 1, False, 0);
    key(XK_Shift_L, false);
    key(XK_Control_L, true);
    key(XK_Alt_L, true);
    XTestFakeButtonEvent(x, 4, True, 0);
    XTestFakeButtonEvent(x, 4, False, 0);
    XTestFakeButtonEvent(x, 5, True, 0);
    XTestFakeButtonEvent(x, 5, False, 0);
    XTestFakeMotionEvent(x, -1, 14, 24, 0);
    key(XK_b, true);
    key(XK_b, false);
    key(XK_Alt_L, false);
    key(XK_Control_L, false);
    XSync(x, False);
    using Seen = std::tuple<EventKind, int, int, int, int>;  // kind, x, y, button, modifiers
    std::vector<Seen> seen;
    auto drain = [&] {
        while (NextEvent(device, &event))
            seen.emplace_back(event.kind, event.x, event.y, event.button, event.modifiers);
        return seen.size() >= 16;
    };
    Within2s(drain);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    drain();  // nothing more, such as the releases of the wheel's buttons
    const int shift = XK_Shift_L, control = XK_Control_L, alt = XK_Alt_L;
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {EventKind::Key, 10, 20, shift, 0},
                        {EventKind::Button, 10, 20, 1, kShiftHeld},
                        {EventKind::Button, 10, 20, 3, kShiftHeld},
                        {EventKind::Motion, 12, 22, kLeftHeld | kRightHeld, kShiftHeld},
                        {EventKind::Release, 12, 22, 3, kShiftHeld},
                        {EventKind::Release, 12, 22, 1, kShiftHeld},
                        {EventKind::KeyUp, 12, 22, shift, kShiftHeld},
                        {EventKind::Key, 12, 22, control, 0},
                        {EventKind::Key, 12, 22, alt, kControlHeld},
                        {EventKind::Button, 12, 22, 4, kControlHeld | kAltHeld},
                        {EventKind::Button, 12, 22, 5, kControlHeld | kAltHeld},
                        {EventKind::Motion, 14, 24, 0, kControlHeld | kAltHeld},
                        {EventKind::Key, 14, 24, int(XK_b), kControlHeld | kAltHeld},
                        {EventKind::KeyUp, 14, 24, int(XK_b), kControlHeld | kAltHeld},
                        {EventKind::KeyUp, 14, 24, alt, kControlHeld | kAltHeld},
                        {EventKind::KeyUp, 14, 24, control, kControlHeld},
                    }));

    // A resize, and the device's size follows it.
    XResizeWindow(x, window, 45, 35);
    XSync(x, False);
    for (int i = 0; i < 50 && event.kind != EventKind::Resize; ++i)
        ASSERT_TRUE(WaitEvent(device, &event)) << LastErrorText();
    ASSERT_EQ(event.kind, EventKind::Resize);
    EXPECT_EQ(std::make_pair(event.x, event.y), std::make_pair(45, 35));
    int w = 0, h = 0;
    ASSERT_TRUE(DeviceSize(device, &w, &h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(45, 35));

    // Another protocol message is not a close; WM_DELETE_WINDOW is, and
    // closing stays the script's choice.
    auto send = [&](const char* protocol) {
        XEvent message = {};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        message.xclient.format = 32;
        message.xclient.data.l[0] = long(XInternAtom(x, protocol, False));
        XSendEvent(x, window, False, NoEventMask, &message);
        XSync(x, False);
    };
    send("WM_TAKE_FOCUS");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    while (NextEvent(device, &event)) EXPECT_NE(event.kind, EventKind::Close) << "from WM_TAKE_FOCUS";
    send("WM_DELETE_WINDOW");
    ASSERT_TRUE(WaitEvent(device, &event));
    EXPECT_EQ(event.kind, EventKind::Close);
    EXPECT_NE(Find(title), 0u);

    // Another client may destroy the window (xdotool windowclose): that too
    // is a close, after which the device refuses events and swaps.
    CurrentOn(device);
    XDestroyWindow(x, window);
    XSync(x, False);
    ASSERT_TRUE(Await(device, EventKind::Close, &event));
    EXPECT_FALSE(WaitEvent(device, &event));
    ExpectError("lost its window");
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_FALSE(SwapBuffers(device));
    ExpectError("lost its window");
    MakeCurrent(0, 0);
    DestroyDevice(device);
    devices.clear();
    EXPECT_FALSE(WaitEvent(device, &event));
    ExpectError("does not exist");
}

// A connection the server closes (xdotool windowkill, a stopped server) is
// lost for good, so the case runs in a child process of its own. What the
// child finds wrong it writes to standard error, which must stay empty:
// Xlib's own "X connection broken" text would land there too. A child that
// hangs is ended by its alarm. (A thread stuck in the driver, which only the
// platform's watch can report, is window_fault_test.sh's flushing case.)
class LostConnection : public Windows {
protected:
    static constexpr const char* kTitle = "vesk test lost";

    static void Check(bool ok, const char* what) {
        if (!ok) std::fprintf(stderr, "%s: %s\n", what, LastErrorText());
    }
    // Kills the platform's connection as xdotool windowkill does.
    void Kill(::Window window) {
        XKillClient(x, window);
        XSync(x, False);
    }

    // The loss is met in WaitEvent, on the caller's thread; from then on
    // every call that needs the display fails with the same words.
    [[noreturn]] void EveryCallFailsAfterAWaitMeetsTheLoss() {
        alarm(20);
        static std::atomic<int> calls{0};
        static std::thread::id caller;
        OnDisplayLost([](const char*) { calls++, caller = std::this_thread::get_id(); });
        DeviceHandle window = Formatted(CreateWindowDevice(40, 30, kTitle), kWindowFlags | PFD_DOUBLEBUFFER);
        DeviceHandle offscreen = Formatted(CreateBitmapDevice(8, 8), kBitmapFlags);
        ContextHandle context = CurrentOn(window);
        std::thread killer([this, id = Find(kTitle)] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Kill(id);
        });
        Event event;
        while (WaitEvent(window, &event)) {
        }
        killer.join();
        std::string lost = LastErrorText();
        Check(lost.find("was lost") != std::string::npos, "WaitEvent");
        Check(calls == 1 && caller == std::this_thread::get_id(), "handler on the waiting thread");
        Pixels rgb(40 * 30 * 3);
        Info info;
        Check(!NextEvent(window, &event) && lost == LastErrorText(), "NextEvent");
        Check(!SwapBuffers(window) && lost == LastErrorText(), "SwapBuffers");
        Check(!ReadPixels(window, 0, 0, 40, 30, rgb.data()) && lost == LastErrorText(), "ReadPixels window");
        Check(!ReadPixels(offscreen, 0, 0, 8, 8, rgb.data()) && lost == LastErrorText(), "ReadPixels pbuffer");
        Check(!MakeCurrent(offscreen, context) && lost == LastErrorText(), "MakeCurrent");
        Check(!CreateContext(offscreen) && lost == LastErrorText(), "CreateContext");
        Check(!CreateWindowDevice(10, 10, kTitle) && lost == LastErrorText(), "CreateWindowDevice");
        Check(!CreateBitmapDevice(8, 8) && lost == LastErrorText(), "CreateBitmapDevice");
        Check(!QueryInfo(&info) && lost == LastErrorText(), "QueryInfo");
        DeleteContext(context);
        DestroyDevice(window);
        DestroyDevice(offscreen);
        Check(calls == 1, "handler once");
        _exit(0);
    }
};

TEST_F(LostConnection, FailsEveryCallAndIsReportedOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(EveryCallFailsAfterAWaitMeetsTheLoss(), ::testing::ExitedWithCode(0), ::testing::Eq(""));
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
    EXPECT_EXIT((ForceHeadless(), _exit(surfacelessWithoutWindows() ? 0 : 1)), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT((setenv("VESK_HEADLESS", "1", 1), _exit(surfacelessWithoutWindows() ? 0 : 1)),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
