// The windowing layer over EGL: the process's one display, devices (pbuffers
// and X11 windows), pixel formats (EGL configs), contexts and the last error.
// platform.h first: EGL's headers bring Xlib and its None macro.
#include "platform/platform.h"
#include "platform/x11_window.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace platform {
namespace {

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
};

constexpr int kMaxSide = 16384;  // what llvmpipe can render; more is a script error

struct Device {
    bool window = false;
    int width = 0, height = 0;
    std::string title;
    int format = 0;  // 0 until SetPixelFormat
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
State g;

const char* EglErrorName(EGLint code);

// Records a failure and returns false, so that checks read `return Fail(…)`.
__attribute__((format(printf, 2, 3))) bool Fail(unsigned code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(g.errorText, sizeof g.errorText, format, args);
    va_end(args);
    g.error = code;
    return false;
}

// Records the error of the EGL call that just failed, after words naming it.
__attribute__((format(printf, 1, 2))) bool FailEgl(const char* format, ...) {
    EGLint code = eglGetError();
    char what[200];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    return Fail(unsigned(code), "%s (%s)", what, EglErrorName(code));
}

template <size_t N>
void Copy(char (&to)[N], const char* from) {
    snprintf(to, N, "%s", from ? from : "");
}

EGLint Attr(EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(g.display, config, name, &value);
    return value;
}

bool HeadlessAsked() {
    const char* value = std::getenv("VESK_HEADLESS");
    return g.headless || (value && *value && std::strcmp(value, "0") != 0);
}

EGLDisplay PlatformDisplay(EGLenum platform, void* native) {
    EGLDisplay display = eglGetPlatformDisplay(platform, native, nullptr);
    if (display != EGL_NO_DISPLAY) return display;
    // Libraries that predate EGL 1.5 offer the same call as an extension.
    auto ext = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    return ext ? ext(platform, native, nullptr) : EGL_NO_DISPLAY;
}

bool Initialise(EGLDisplay display) {
    EGLint major = 0, minor = 0;
    return display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor) &&
           eglBindAPI(EGL_OPENGL_API);
}

// Every config is a pixel format; the largest pbuffer any of them allows
// bounds offscreen devices.
void LoadConfigs() {
    EGLint count = 0;
    eglGetConfigs(g.display, nullptr, 0, &count);
    g.configs.resize(size_t(count));
    eglGetConfigs(g.display, g.configs.data(), count, &count);
    g.configs.resize(size_t(count));
    EGLint width = 0, height = 0;
    for (EGLConfig config : g.configs) {
        if (!(Attr(config, EGL_SURFACE_TYPE) & EGL_PBUFFER_BIT)) continue;
        width = std::max(width, Attr(config, EGL_MAX_PBUFFER_WIDTH));
        height = std::max(height, Attr(config, EGL_MAX_PBUFFER_HEIGHT));
    }
    if (width > 0) g.maxPbufferWidth = std::min(width, kMaxSide);
    if (height > 0) g.maxPbufferHeight = std::min(height, kMaxSide);
}

// The X11 platform when a display opens and headless mode is not asked for,
// else Mesa's surfaceless one (offscreen devices only).
void OpenDisplay() {
    g.opened = true;
    g.noWindows = "DISPLAY is not set or cannot be opened";
    if (HeadlessAsked())
        g.noWindows = "headless mode was asked for";
    else
        g.x = x11::OpenDisplay();
    if (g.x) {
        g.display = PlatformDisplay(EGL_PLATFORM_X11_KHR, g.x);
        if (Initialise(g.display)) {
            g.platformName = "x11";
        } else {
            XCloseDisplay(g.x);
            g.x = nullptr;
            g.noWindows = "EGL cannot render to this X server";
        }
    }
    if (!g.x) {
        g.display = PlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
        if (!Initialise(g.display)) {
            g.display = EGL_NO_DISPLAY;
            return;
        }
        g.platformName = "surfaceless";
    }
    LoadConfigs();
}

bool Ready() {
    if (!g.opened) OpenDisplay();
    return g.display != EGL_NO_DISPLAY ||
           Fail(kNoDisplay, "no EGL display: neither the X11 nor Mesa's surfaceless "
                            "platform offers desktop OpenGL here");
}

Device* FindDevice(DeviceHandle handle) {
    auto found = g.devices.find(handle);
    if (found != g.devices.end()) return &found->second;
    Fail(kNoDevice, "device %ld does not exist", handle);
    return nullptr;
}

Context* FindContext(ContextHandle handle) {
    auto found = g.contexts.find(handle);
    if (found != g.contexts.end()) return &found->second;
    Fail(kNoContext, "context %ld does not exist", handle);
    return nullptr;
}

bool CheckSize(int width, int height, int maxWidth, int maxHeight) {
    if (width >= 1 && height >= 1 && width <= maxWidth && height <= maxHeight) return true;
    if (maxWidth == maxHeight)
        return Fail(kBadSize, "width and height must be between 1 and %d (asked for %d x %d)",
                    maxWidth, width, height);
    return Fail(kBadSize, "width must be between 1 and %d and height between 1 and %d "
                "(asked for %d x %d)", maxWidth, maxHeight, width, height);
}

DeviceHandle AddDevice(Device&& device) {
    long handle = ++g.lastDevice;
    g.devices.emplace(handle, std::move(device));
    return handle;
}

// What the module asks for; it also picks the visual a new window starts with.
PixelFormatRequest DefaultRequest() {
    PixelFormatRequest request;
    request.flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    request.colorBits = 24;
    request.depthBits = 16;
    return request;
}

// ---- pixel formats

int FormatOf(EGLConfig config) {
    auto found = std::find(g.configs.begin(), g.configs.end(), config);
    return found == g.configs.end() ? 0 : int(found - g.configs.begin()) + 1;
}

// A format a device can draw with: desktop OpenGL into the device's kind of
// surface (and, for a window, through an X visual).
bool Suits(const Device& device, EGLConfig config) {
    EGLint kind = device.window ? EGL_WINDOW_BIT : EGL_PBUFFER_BIT;
    return (Attr(config, EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) &&
           (Attr(config, EGL_SURFACE_TYPE) & kind) &&
           (!device.window || Attr(config, EGL_NATIVE_VISUAL_ID) != 0);
}

bool IsRgb888(EGLConfig config) {
    return Attr(config, EGL_RED_SIZE) == 8 && Attr(config, EGL_GREEN_SIZE) == 8 &&
           Attr(config, EGL_BLUE_SIZE) == 8;
}

// The first config in EGL's order (fewest extra bits first) that meets the
// request with these surface kinds; a window keeps its visual when it can.
EGLConfig PickConfig(const Device& device, const PixelFormatRequest& request, EGLint kinds) {
    const EGLint wanted[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                             EGL_ALPHA_SIZE, request.alphaBits,
                             EGL_DEPTH_SIZE, std::max<EGLint>(16, request.depthBits),
                             EGL_STENCIL_SIZE, request.stencilBits,
                             EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                             EGL_SURFACE_TYPE, kinds, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(g.display, wanted, nullptr, 0, &count) || count <= 0) return nullptr;
    std::vector<EGLConfig> found(static_cast<size_t>(count));
    eglChooseConfig(g.display, wanted, found.data(), count, &count);
    EGLConfig first = nullptr;
    for (int i = 0; i < count; ++i) {
        if (!IsRgb888(found[i]) || !Suits(device, found[i])) continue;
        if (!first) first = found[i];
        if (!device.window || VisualID(Attr(found[i], EGL_NATIVE_VISUAL_ID)) ==
                                  device.xwindow.visual)
            return found[i];
    }
    return first;
}

// On X11 a format that serves windows and pbuffers alike comes first, so that
// one context can move between an offscreen device and a window.
int ChooseFormat(const Device& device, const PixelFormatRequest& request) {
    EGLint own = device.window ? EGL_WINDOW_BIT : EGL_PBUFFER_BIT;
    EGLConfig config = g.x ? PickConfig(device, request, EGL_WINDOW_BIT | EGL_PBUFFER_BIT)
                           : nullptr;
    if (!config) config = PickConfig(device, request, own);
    return config ? FormatOf(config) : 0;
}

bool CheckRequest(const Device& device, DeviceHandle handle, const PixelFormatRequest& request) {
    if (!(request.flags & PFD_SUPPORT_OPENGL))
        return Fail(kBadRequest, "the pixel format request for device %ld lacks "
                    "PFD_SUPPORT_OPENGL", handle);
    if (request.pixelType != PFD_TYPE_RGBA)
        return Fail(kBadRequest, "colour-index pixel formats are not supported (device %ld)",
                    handle);
    if (device.window && (request.flags & PFD_DRAW_TO_BITMAP) &&
        !(request.flags & PFD_DRAW_TO_WINDOW))
        return Fail(kBadRequest, "device %ld is a window: it takes no bitmap pixel format",
                    handle);
    return true;
}

// ---- surfaces and windows

bool MakeWindow(Device* device, VisualID visual) {
    const char* why = x11::CreateWindow(g.x, visual, device->width, device->height,
                                        device->title.c_str(), &device->xwindow);
    return !why || Fail(kWindowFailed, "cannot open a %d x %d window: %s", device->width,
                        device->height, why);
}

// A window's visual is fixed when it is made: a format of another visual
// gets a new window of the same size and title.
bool MatchVisual(Device* device, EGLConfig config) {
    VisualID visual = VisualID(Attr(config, EGL_NATIVE_VISUAL_ID));
    if (visual == device->xwindow.visual) return true;
    x11::DestroyWindow(g.x, &device->xwindow);
    return MakeWindow(device, visual);
}

bool CreateSurface(Device* device, EGLConfig config) {
    if (!device->window) {
        const EGLint size[] = {EGL_WIDTH, device->width, EGL_HEIGHT, device->height, EGL_NONE};
        device->surface = eglCreatePbufferSurface(g.display, config, size);
        return device->surface != EGL_NO_SURFACE ||
               FailEgl("cannot create a %d x %d offscreen surface", device->width,
                       device->height);
    }
    if (!MatchVisual(device, config)) return false;
    device->surface = eglCreatePlatformWindowSurface(g.display, config, &device->xwindow.id,
                                                     nullptr);
    if (device->surface == EGL_NO_SURFACE)
        return FailEgl("cannot create the surface of a %d x %d window", device->width,
                       device->height);
    // What was shown stays in the back buffer, so reading back after a swap
    // gives the picture on the screen.
    if (Attr(config, EGL_SURFACE_TYPE) & EGL_SWAP_BEHAVIOR_PRESERVED_BIT)
        eglSurfaceAttrib(g.display, device->surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED);
    return true;
}

// ---- contexts

EGLContext NewContext(int format) {
    eglBindAPI(EGL_OPENGL_API);  // the API choice belongs to the thread
    // No attributes: EGL then gives its newest compatibility-profile context,
    // which keeps immediate mode, the matrix stack, selection and display lists.
    return eglCreateContext(g.display, g.configs[size_t(format - 1)], EGL_NO_CONTEXT, nullptr);
}

// EGL windows always render to a back buffer; a window whose format is
// single-buffered draws to the front one instead, so that what a script
// flushes appears without a swap. Pbuffers have one buffer: nothing to pick.
// A context that only reads leaves its draw buffer alone: with Mesa's
// software X11 path, a fresh context that selects the front buffer for
// drawing reads it back empty once.
bool Attach(const Device& device, EGLContext context, bool drawing = true) {
    if (!eglMakeCurrent(g.display, device.surface, device.surface, context)) return false;
    if (device.window) {
        GLenum buffer = (device.request.flags & PFD_DOUBLEBUFFER) ? GL_BACK : GL_FRONT;
        if (drawing) glDrawBuffer(buffer);
        glReadBuffer(buffer);
    }
    return true;
}

void Release() {
    if (g.display != EGL_NO_DISPLAY)
        eglMakeCurrent(g.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    g.currentDevice = 0;
    g.currentContext = 0;
}

// Makes the pair current again that was current before; nothing when it is gone.
void Restore(DeviceHandle device, ContextHandle context) {
    auto d = g.devices.find(device);
    auto c = g.contexts.find(context);
    if (d != g.devices.end() && c != g.contexts.end() && Attach(d->second, c->second.egl)) {
        g.currentDevice = device;
        g.currentContext = context;
        return;
    }
    Release();
}

// After EGL refused a switch, what is current is what EGL kept.
void SyncCurrent() {
    EGLContext context = eglGetCurrentContext();
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    g.currentDevice = 0;
    g.currentContext = 0;
    for (auto& [handle, c] : g.contexts)
        if (c.egl == context && context != EGL_NO_CONTEXT) g.currentContext = handle;
    for (auto& [handle, d] : g.devices)
        if (d.surface == surface && surface != EGL_NO_SURFACE) g.currentDevice = handle;
}

EGLContext Helper(int format) {
    EGLContext& helper = g.helpers[format];
    if (helper == EGL_NO_CONTEXT) helper = NewContext(format);
    return helper;
}

// Runs `work` (a read or a swap) with a context current on the device: the
// script's own when it is current there, else a helper of the device's
// format; afterwards the previous current pair is current again.
template <class Work>
bool OnDevice(const Device& device, DeviceHandle handle, Work work) {
    if (g.currentDevice == handle) return work();
    DeviceHandle savedDevice = g.currentDevice;
    ContextHandle savedContext = g.currentContext;
    EGLContext helper = Helper(device.format);
    if (helper == EGL_NO_CONTEXT || !Attach(device, helper, false)) {
        FailEgl("cannot make a context current on device %ld", handle);
        Restore(savedDevice, savedContext);
        return false;
    }
    bool done = work();
    Restore(savedDevice, savedContext);
    return done;
}

// glReadPixels with rows packed tight; the pack state of the context is put
// back afterwards.
void ReadCurrent(int x, int y, int w, int h, unsigned char* rgb) {
    const GLenum names[] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS,
                            GL_PACK_SKIP_PIXELS, GL_PACK_SWAP_BYTES, GL_PACK_LSB_FIRST};
    const GLint packed[] = {1, 0, 0, 0, 0, 0};
    GLint saved[6];
    for (int i = 0; i < 6; ++i) {
        glGetIntegerv(names[i], &saved[i]);
        glPixelStorei(names[i], packed[i]);
    }
    glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    for (int i = 0; i < 6; ++i) glPixelStorei(names[i], saved[i]);
}

bool PollWindow(DeviceHandle handle, Event* event, bool wait) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (!device->window)
        return Fail(kNotWindow, "device %ld is offscreen: it has no window events", handle);
    if (!event) return Fail(kBadArgument, "no event to fill in for device %ld", handle);
    if (!device->xwindow.id || device->xwindow.gone)
        return Fail(kWindowFailed, "device %ld has lost its window", handle);
    if (!x11::NextEvent(g.x, &device->xwindow, wait, event)) return false;
    if (event->kind == EventKind::Resize) {
        device->width = event->x;
        device->height = event->y;
    }
    return true;
}

}  // namespace

// ---- devices

DeviceHandle CreateBitmapDevice(int width, int height) {
    if (!Ready() || !CheckSize(width, height, g.maxPbufferWidth, g.maxPbufferHeight)) return 0;
    Device device;
    device.width = width;
    device.height = height;
    return AddDevice(std::move(device));
}

// The window opens at once with the visual of the format the module's usual
// request gets; a later format of another visual replaces the window.
DeviceHandle CreateWindowDevice(int width, int height, const char* title) {
    if (!Ready()) return 0;
    if (!g.x) {
        Fail(kNoXDisplay, "no X display: window devices need an X server (%s)", g.noWindows);
        return 0;
    }
    if (!CheckSize(width, height, kMaxSide, kMaxSide)) return 0;
    Device device;
    device.window = true;
    device.width = width;
    device.height = height;
    device.title = title ? title : "";
    int format = ChooseFormat(device, DefaultRequest());
    if (!format) {
        Fail(kBadRequest, "no pixel format of this EGL display can draw to a window");
        return 0;
    }
    if (!MakeWindow(&device, VisualID(Attr(g.configs[size_t(format - 1)],
                                           EGL_NATIVE_VISUAL_ID))))
        return 0;
    return AddDevice(std::move(device));
}

void DestroyDevice(DeviceHandle handle) {
    Device* device = FindDevice(handle);
    if (!device) return;
    if (g.currentDevice == handle) Release();
    if (device->surface != EGL_NO_SURFACE) eglDestroySurface(g.display, device->surface);
    if (device->window) x11::DestroyWindow(g.x, &device->xwindow);
    g.devices.erase(handle);
}

bool DeviceSize(DeviceHandle handle, int* width, int* height) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (width) *width = device->width;
    if (height) *height = device->height;
    return true;
}

bool IsWindowDevice(DeviceHandle handle) {
    Device* device = FindDevice(handle);
    return device && device->window;
}

// ---- pixel formats and contexts

DeviceHandle CurrentDevice() { return g.currentDevice; }

ContextHandle CurrentContext() { return g.currentContext; }

int ChoosePixelFormat(DeviceHandle handle, const PixelFormatRequest& request) {
    Device* device = FindDevice(handle);
    if (!device || !CheckRequest(*device, handle, request)) return 0;
    int format = ChooseFormat(*device, request);
    if (!format)
        Fail(kBadRequest, "no pixel format has 8-bit red, green and blue with %d alpha, "
             "%d depth and %d stencil bits for device %ld", request.alphaBits,
             std::max<int>(16, request.depthBits), request.stencilBits, handle);
    return format;
}

bool SetPixelFormat(DeviceHandle handle, int format, const PixelFormatRequest& request) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (device->format)
        return device->format == format ||
               Fail(kFormatSet, "pixel format %d cannot replace format %d on device %ld",
                    format, device->format, handle);
    if (format < 1 || size_t(format) > g.configs.size())
        return Fail(kBadFormat, "pixel format %d does not exist (there are %zu)", format,
                    g.configs.size());
    EGLConfig config = g.configs[size_t(format - 1)];
    if (!Suits(*device, config))
        return Fail(kBadFormat, "pixel format %d cannot draw to device %ld (%s)", format,
                    handle, device->window ? "a window" : "offscreen");
    if (!CreateSurface(device, config)) return false;
    device->format = format;
    device->request = request;
    return true;
}

ContextHandle CreateContext(DeviceHandle handle) {
    Device* device = FindDevice(handle);
    if (!device) return 0;
    if (!device->format) {
        Fail(kNoFormat, "device %ld has no pixel format yet: SetPixelFormat comes before "
             "CreateContext", handle);
        return 0;
    }
    EGLContext egl = NewContext(device->format);
    if (egl == EGL_NO_CONTEXT) {
        FailEgl("cannot create an OpenGL context of pixel format %d", device->format);
        return 0;
    }
    long context = ++g.lastContext;
    g.contexts[context] = {egl, device->format};
    return context;
}

// (any device, 0) releases, as wglMakeCurrent does. When EGL refuses the
// switch, the pair EGL kept current stays current and is what CurrentDevice
// and CurrentContext report; a refusal of ours changes nothing.
bool MakeCurrent(DeviceHandle handle, ContextHandle context) {
    if (context == 0) {
        Release();
        return true;
    }
    Context* c = FindContext(context);
    Device* device = c ? FindDevice(handle) : nullptr;
    if (!device) return false;
    if (!device->format)
        return Fail(kNoFormat, "device %ld has no pixel format yet: SetPixelFormat comes "
                    "before MakeCurrent", handle);
    if (!Attach(*device, c->egl)) {
        FailEgl("context %ld (pixel format %d) cannot be made current on device %ld "
                "(pixel format %d)", context, c->format, handle, device->format);
        SyncCurrent();
        return false;
    }
    g.currentDevice = handle;
    g.currentContext = context;
    return true;
}

bool DeleteContext(ContextHandle context) {
    Context* c = FindContext(context);
    if (!c) return false;
    if (g.currentContext == context) Release();
    eglDestroyContext(g.display, c->egl);
    g.contexts.erase(context);
    return true;
}

long LiveContexts() { return static_cast<long>(g.contexts.size()); }

// An offscreen device and a single-buffered window have no back buffer to
// show, so the swap does nothing there, as on Windows.
bool SwapBuffers(DeviceHandle handle) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (!device->format)
        return Fail(kNoFormat, "device %ld has no pixel format yet, so no buffers to swap",
                    handle);
    if (!device->window || !(device->request.flags & PFD_DOUBLEBUFFER)) return true;
    if (device->xwindow.gone) return Fail(kWindowFailed, "device %ld has lost its window", handle);
    return OnDevice(*device, handle, [&] {
        return eglSwapBuffers(g.display, device->surface) ||
               FailEgl("cannot swap the buffers of device %ld", handle);
    });
}

// A failure's code and words stay until the next failure, as GetLastError's do.
unsigned LastError() { return g.error; }

const char* LastErrorText() { return g.errorText; }

bool DevicePixelFormat(DeviceHandle handle, int* format, PixelFormatRequest* request) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (!device->format) return Fail(kNoFormat, "device %ld has no pixel format yet", handle);
    if (format) *format = device->format;
    if (request) *request = device->request;
    return true;
}

bool ReadPixels(DeviceHandle handle, int x, int y, int w, int h, unsigned char* rgb) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (!rgb) return Fail(kBadArgument, "no buffer to read the pixels of device %ld into", handle);
    if (!device->format)
        return Fail(kNoFormat, "device %ld has no pixel format yet, so nothing to read",
                    handle);
    if (x < 0 || y < 0 || w < 1 || h < 1 || x > device->width - w || y > device->height - h)
        return Fail(kBadRectangle, "%d x %d pixels at (%d, %d) are not inside device %ld "
                    "(%d x %d)", w, h, x, y, handle, device->width, device->height);
    return OnDevice(*device, handle, [&] {
        ReadCurrent(x, y, w, h, rgb);
        return true;
    });
}

bool NextEvent(DeviceHandle device, Event* event) { return PollWindow(device, event, false); }

bool WaitEvent(DeviceHandle device, Event* event) { return PollWindow(device, event, true); }

// The GL strings come from a 1 x 1 pbuffer and a context made for the call.
bool QueryInfo(Info* info) {
    if (!info) return Fail(kBadArgument, "no Info to fill in");
    if (!Ready()) return false;
    *info = Info();
    Copy(info->platform, g.platformName);
    Copy(info->eglVendor, eglQueryString(g.display, EGL_VENDOR));
    Copy(info->eglVersion, eglQueryString(g.display, EGL_VERSION));
    Device probe;
    probe.width = probe.height = 1;
    int format = ChooseFormat(probe, DefaultRequest());
    if (!format) return Fail(kBadRequest, "no pixel format of this EGL display draws offscreen");
    if (!CreateSurface(&probe, g.configs[size_t(format - 1)])) return false;
    DeviceHandle savedDevice = g.currentDevice;
    ContextHandle savedContext = g.currentContext;
    EGLContext context = NewContext(format);
    bool ok = context != EGL_NO_CONTEXT && Attach(probe, context);
    if (ok) {
        Copy(info->glVendor, reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
        Copy(info->glRenderer, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        Copy(info->glVersion, reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    } else {
        FailEgl("cannot make a context current to describe OpenGL");
    }
    Restore(savedDevice, savedContext);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(g.display, context);
    eglDestroySurface(g.display, probe.surface);
    return ok;
}

void ForceHeadless() {
    if (!g.opened) g.headless = true;
}

namespace {

const struct {
    EGLint code;
    const char* name;
} kEglErrors[] = {
    {EGL_SUCCESS, "EGL_SUCCESS"},
    {EGL_NOT_INITIALIZED, "EGL_NOT_INITIALIZED"},
    {EGL_BAD_ACCESS, "EGL_BAD_ACCESS"},
    {EGL_BAD_ALLOC, "EGL_BAD_ALLOC"},
    {EGL_BAD_ATTRIBUTE, "EGL_BAD_ATTRIBUTE"},
    {EGL_BAD_CONFIG, "EGL_BAD_CONFIG"},
    {EGL_BAD_CONTEXT, "EGL_BAD_CONTEXT"},
    {EGL_BAD_CURRENT_SURFACE, "EGL_BAD_CURRENT_SURFACE"},
    {EGL_BAD_DISPLAY, "EGL_BAD_DISPLAY"},
    {EGL_BAD_MATCH, "EGL_BAD_MATCH"},
    {EGL_BAD_NATIVE_PIXMAP, "EGL_BAD_NATIVE_PIXMAP"},
    {EGL_BAD_NATIVE_WINDOW, "EGL_BAD_NATIVE_WINDOW"},
    {EGL_BAD_PARAMETER, "EGL_BAD_PARAMETER"},
    {EGL_BAD_SURFACE, "EGL_BAD_SURFACE"},
    {EGL_CONTEXT_LOST, "EGL_CONTEXT_LOST"},
    {0, nullptr},
};

const char* EglErrorName(EGLint code) {
    for (int i = 0; kEglErrors[i].name; ++i)
        if (kEglErrors[i].code == code) return kEglErrors[i].name;
    return "unknown EGL error";
}

}  // namespace
}  // namespace platform
