// What the EGL files of the windowing layer share: the process's display
// state, its devices and contexts, the failure recorder and config choice.
// platform.h first: EGL's headers bring Xlib and its None macro.
#pragma once

#include "platform/platform.h"
#include "platform/x11_window.h"

#include <EGL/egl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace platform::egl {

// Failures of our own; a failed EGL call reports EGL's code (0x3001 and up).
enum Failure : unsigned {
    kNoDisplay = 1,  // no EGL display could be opened
    kNoXDisplay,     // window devices need an X server
    kNoDevice,       // unknown or destroyed device handle
    kNoContext,      // unknown or deleted context handle
    kBadSize,        // width or height out of range
    kBadRequest,     // no pixel format can meet the request
    kBadFormat,      // format number unknown or unfit for the device
    kFormatSet,      // the device already has another format
    kNoFormat,       // the device has no format, so no surface, yet
    kNotWindow,      // window events asked of an offscreen device
    kBadRectangle,   // read-back rectangle not inside the device
    kBadArgument,    // a missing output pointer
    kWindowFailed,   // the X server refused the window
    kDisplayLost,    // the connection to the X server is gone
};

constexpr int kMaxSide = 16384;  // what llvmpipe can render; more is a script error
constexpr int kMaxSamples = 64;  // more samples per pixel than any driver offers

struct Device {
    bool window = false;
    int width = 0, height = 0;
    std::string title;
    int format = 0;  // 0 until SetPixelFormat
    int samples = 0;  // samples per pixel its format is to have (0: one, no multisampling)
    PixelFormatRequest request;
    EGLSurface surface = EGL_NO_SURFACE;  // made with the format, once
    x11::XWindow xwindow;
};

struct Context {
    EGLContext egl = EGL_NO_CONTEXT;
    int format = 0;
};

struct State {
    bool opened = false;    // the display is tried once per process
    bool headless = false;  // ForceHeadless came first
    EGLDisplay display = EGL_NO_DISPLAY;
    ::Display* x = nullptr;  // set on the X11 platform only
    const char* platformName = "";
    const char* noWindows = "";            // why there is no X display
    std::vector<EGLConfig> configs;        // format n is configs[n - 1]
    int maxPbufferWidth = kMaxSide, maxPbufferHeight = kMaxSide;
    std::map<long, Device> devices;        // handles are never reused, so a
    std::map<long, Context> contexts;      // stale one fails instead of aliasing
    std::map<int, EGLContext> helpers;     // per format, for reading back
    long lastDevice = 0, lastContext = 0;
    DeviceHandle currentDevice = 0;
    ContextHandle currentContext = 0;
    unsigned error = 0;
    char errorText[256] = "";
};
extern State g;

// Records a failure and returns false, so that checks read `return Fail(…)`.
__attribute__((format(printf, 2, 3))) bool Fail(unsigned code, const char* format, ...);

// Records the error of the EGL call that just failed, after words naming it.
__attribute__((format(printf, 1, 2))) bool FailEgl(const char* format, ...);

template <size_t N>
void Copy(char (&to)[N], const char* from) {
    snprintf(to, N, "%s", from ? from : "");
}

EGLint Attr(EGLConfig config, EGLint name);

// Opens the display on first use; false (with the failure recorded) when
// there is none, or when it is the X server's and that connection is lost.
bool Ready();

// False, with the loss recorded, once the X connection is lost: after that
// nothing may reach the X11 EGL display, whose driver spins on the dead
// connection. Always true on the surfaceless platform.
bool DisplayAlive();

// What the module asks for; it also picks the visual a new window starts with.
PixelFormatRequest DefaultRequest();

// The format number of a config (0 when not one of the display's).
int FormatOf(EGLConfig config);

// A format a device can draw with: desktop OpenGL into the device's kind of
// surface (and, for a window, through an X visual).
bool Suits(const Device& device, EGLConfig config);

// On X11 a format that serves windows and pbuffers alike comes first, so that
// one context can move between an offscreen device and a window.
int ChooseFormat(const Device& device, const PixelFormatRequest& request);

// Refuses requests no format can meet on this device (colour index, bitmap
// formats for a window, no OpenGL).
bool CheckRequest(const Device& device, DeviceHandle handle, const PixelFormatRequest& request);

// The count above one among the sample counts this display offers for the
// device's kind nearest to `asked` (the larger of two as near); 0 when
// `asked` is 0 or 1, or when nothing multisampled is offered.
int NearestSamples(const Device& device, int asked);

// glReadPixels of the current context's read buffer, rows packed as the pack
// state says; a multisampled buffer is resolved first, so that what is read
// is the picture shown rather than one sample of each pixel.
void ReadFrame(int x, int y, int w, int h, unsigned char* rgb);

}  // namespace platform::egl
