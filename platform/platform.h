// The windowing layer: device contexts, pixel formats and rendering contexts
// over EGL (X11 windows when a display is there). Each call stands for the
// WGL/GDI call named in its comment. Nothing else in the project includes EGL
// or X11 headers. All calls are for the interpreter's thread.
#pragma once

#include <cstdint>

#define VPLATFORM_API __attribute__((visibility("default")))

namespace platform {

typedef long DeviceHandle;   // 0 is no device
typedef long ContextHandle;  // 0 is no context

// Mirrors the 40-byte pixel format descriptor.
struct PixelFormatRequest {
    uint16_t size = 40;
    uint16_t version = 1;
    uint32_t flags = 0;
    uint8_t pixelType = 0;  // PFD_TYPE_RGBA
    uint8_t colorBits = 0;
    uint8_t redBits = 0, redShift = 0, greenBits = 0, greenShift = 0;
    uint8_t blueBits = 0, blueShift = 0, alphaBits = 0, alphaShift = 0;
    uint8_t accumBits = 0, accumRedBits = 0, accumGreenBits = 0, accumBlueBits = 0,
            accumAlphaBits = 0;
    uint8_t depthBits = 0;
    uint8_t stencilBits = 0;
    uint8_t auxBuffers = 0;
    uint8_t layerType = 0;
    uint8_t reserved = 0;
    uint32_t layerMask = 0, visibleMask = 0, damageMask = 0;
};
static_assert(sizeof(PixelFormatRequest) == 40, "pixel format request is 40 bytes");

enum : uint32_t {
    PFD_DOUBLEBUFFER = 0x1,
    PFD_DRAW_TO_WINDOW = 0x4,
    PFD_DRAW_TO_BITMAP = 0x8,
    PFD_SUPPORT_GDI = 0x10,
    PFD_SUPPORT_OPENGL = 0x20,
    PFD_GENERIC_FORMAT = 0x40,
    PFD_SWAP_COPY = 0x400,
    PFD_GENERIC_ACCELERATED = 0x1000,
};
enum : uint8_t { PFD_TYPE_RGBA = 0 };

// Devices (the host's MDC makes and destroys them).
VPLATFORM_API DeviceHandle CreateBitmapDevice(int width, int height);   // memory DC (pbuffer)
VPLATFORM_API DeviceHandle CreateWindowDevice(int width, int height,
                                              const char* title);       // window DC
VPLATFORM_API void DestroyDevice(DeviceHandle device);
VPLATFORM_API bool DeviceSize(DeviceHandle device, int* width, int* height);
VPLATFORM_API bool IsWindowDevice(DeviceHandle device);

// Rendering contexts (what the module's device binding calls).
VPLATFORM_API DeviceHandle CurrentDevice();                        // wglGetCurrentDC
VPLATFORM_API ContextHandle CurrentContext();                      // wglGetCurrentContext
VPLATFORM_API int ChoosePixelFormat(DeviceHandle device,
                                    const PixelFormatRequest& request);  // 0 on failure
VPLATFORM_API bool SetPixelFormat(DeviceHandle device, int format,
                                  const PixelFormatRequest& request);
VPLATFORM_API ContextHandle CreateContext(DeviceHandle device);    // wglCreateContext
VPLATFORM_API bool MakeCurrent(DeviceHandle device, ContextHandle context);  // 0, 0 releases
VPLATFORM_API bool DeleteContext(ContextHandle context);           // wglDeleteContext
VPLATFORM_API long LiveContexts();                                 // made and not yet deleted
VPLATFORM_API bool SwapBuffers(DeviceHandle device);
VPLATFORM_API unsigned LastError();                                // GetLastError
VPLATFORM_API const char* LastErrorText();                         // the same, in words

// The pixel format a device was given by SetPixelFormat (false when none).
VPLATFORM_API bool DevicePixelFormat(DeviceHandle device, int* format,
                                     PixelFormatRequest* request);

// Antialiasing. SetDeviceSamples, before the device has a pixel format,
// asks that its format have `samples` samples per pixel: 0 or 1 is none,
// more is the nearest count above one that the display offers for the
// device's kind (none when it offers no multisampling). DeviceSamples gives
// the count of the device's format once it has one, else the count chosen
// (0: none). Read-back gives the resolved picture, as a window shows it.
VPLATFORM_API bool SetDeviceSamples(DeviceHandle device, int samples);
VPLATFORM_API bool DeviceSamples(DeviceHandle device, int* samples);

// Read back w x h pixels from (x, y), lowest row first, 3 bytes red, green,
// blue each, rows packed. Works whether or not a context is current.
VPLATFORM_API bool ReadPixels(DeviceHandle device, int x, int y, int w, int h,
                              unsigned char* rgb);

// Window events.
// Button is a press (a wheel step is a press of 4 or 5, with no release),
// Release a button let go; Key and KeyUp likewise for keys (a held key
// repeats as presses alone). Xlib's macros take the names KeyRelease and
// ButtonRelease.
enum class EventKind { None, Button, Motion, Key, Resize, Close, Release, KeyUp };
enum : int { kLeftHeld = 1, kMiddleHeld = 2, kRightHeld = 4 };    // Motion's button mask
enum : int { kShiftHeld = 1, kControlHeld = 2, kAltHeld = 4 };   // the modifiers mask
struct Event {
    EventKind kind = EventKind::None;
    int x = 0, y = 0;   // pointer position from the top left, or the new size for Resize
    int button = 0;     // mouse button (1 left, 2 middle, 3 right, 4 and 5 the wheel) for
                        // Button and Release, the buttons held (k…Held) for Motion, the X
                        // keysym for Key and KeyUp
    int modifiers = 0;  // the modifier keys (k…Held) held just before the event
};
VPLATFORM_API bool NextEvent(DeviceHandle device, Event* event);  // false: none waiting
VPLATFORM_API bool WaitEvent(DeviceHandle device, Event* event);  // false: not a window

// Describes the EGL display and a fresh offscreen context, for `vesk --info`.
struct Info {
    char platform[32];   // "x11" or "surfaceless"
    char eglVendor[128];
    char eglVersion[64];
    char glVendor[128];
    char glRenderer[128];
    char glVersion[128];
};
VPLATFORM_API bool QueryInfo(Info* info);

// When the connection to the X server is lost (the client was killed, the
// server stopped), `handler` is called once with a message naming the display:
// on the thread of the call that found the loss, or, when no call comes within
// a second (Mesa spins for ever in glFlush and eglSwapBuffers on a dead
// connection), on a thread of the platform's own. Calls that need the display
// fail from then on with that message. OpenGL calls on a context of that
// display can hang, so the handler should end the process; it must not call
// back into the platform.
typedef void (*DisplayLostHandler)(const char* message);
VPLATFORM_API void OnDisplayLost(DisplayLostHandler handler);

// Forces the surfaceless platform (as VESK_HEADLESS=1 does) when called before
// the first device is made.
VPLATFORM_API void ForceHeadless();

}  // namespace platform
