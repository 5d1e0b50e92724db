// The windowing layer's devices (pbuffers and X11 windows) with their
// surfaces, the contexts made current on them, read-back, swaps and window
// events.
#include "platform/egl_state.h"

#include <GL/gl.h>

#include <algorithm>

namespace platform {
namespace {

using namespace egl;

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

// Nothing is released on a lost display: releasing flushes, and the
// driver's flush would never return.
void Release() {
    if (g.display != EGL_NO_DISPLAY && DisplayAlive())
        eglMakeCurrent(g.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    g.currentDevice = 0;
    g.currentContext = 0;
}

// Makes the pair current again that was current before; nothing when it is gone.
void Restore(DeviceHandle device, ContextHandle context) {
    auto d = g.devices.find(device);
    auto c = g.contexts.find(context);
    if (d != g.devices.end() && c != g.contexts.end() && DisplayAlive() &&
        Attach(d->second, c->second.egl)) {
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
    ReadFrame(x, y, w, h, rgb);
    for (int i = 0; i < 6; ++i) glPixelStorei(names[i], saved[i]);
}

bool PollWindow(DeviceHandle handle, Event* event, bool wait) {
    Device* device = FindDevice(handle);
    if (!device) return false;
    if (!device->window)
        return Fail(kNotWindow, "device %ld is offscreen: it has no window events", handle);
    if (!event) return Fail(kBadArgument, "no event to fill in for device %ld", handle);
    if (!DisplayAlive()) return false;
    if (!device->xwindow.id || device->xwindow.gone)
        return Fail(kWindowFailed, "device %ld has lost its window", handle);
    if (!x11::NextEvent(g.x, &device->xwindow, wait, event)) {
        DisplayAlive();  // records the loss when that is why
        return false;
    }
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
                                           EGL_NATIVE_VISUAL_ID))) ||
        !DisplayAlive())
        return 0;
    return AddDevice(std::move(device));
}

void DestroyDevice(DeviceHandle handle) {
    Device* device = FindDevice(handle);
    if (!device) return;
    if (g.currentDevice == handle) Release();
    if (DisplayAlive()) {  // a lost display is left alone; the process is ending
        if (device->surface != EGL_NO_SURFACE) eglDestroySurface(g.display, device->surface);
        if (device->window) x11::DestroyWindow(g.x, &device->xwindow);
    }
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
    if (!DisplayAlive() || !CreateSurface(device, config) || !DisplayAlive()) return false;
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
    if (!DisplayAlive()) return 0;
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
    if (!DisplayAlive()) return false;
    if (!Attach(*device, c->egl)) {
        FailEgl("context %ld (pixel format %d) cannot be made current on device %ld "
                "(pixel format %d)", context, c->format, handle, device->format);
        SyncCurrent();
        return false;
    }
    g.currentDevice = handle;
    g.currentContext = context;
    return DisplayAlive();  // a window's size is asked of the server here
}

bool DeleteContext(ContextHandle context) {
    Context* c = FindContext(context);
    if (!c) return false;
    if (g.currentContext == context) Release();
    if (DisplayAlive()) eglDestroyContext(g.display, c->egl);
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
    if (!DisplayAlive()) return false;
    if (device->xwindow.gone) return Fail(kWindowFailed, "device %ld has lost its window", handle);
    bool swapped = OnDevice(*device, handle, [&] {
        return eglSwapBuffers(g.display, device->surface) ||
               FailEgl("cannot swap the buffers of device %ld", handle);
    });
    return DisplayAlive() && swapped;  // the loss may be met during the swap
}


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
    if (!DisplayAlive()) return false;
    bool read = OnDevice(*device, handle, [&] {
        ReadCurrent(x, y, w, h, rgb);
        return true;
    });
    return DisplayAlive() && read;  // what a lost display gave is not the picture
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
    if (!DisplayAlive()) return false;
    if (context != EGL_NO_CONTEXT) eglDestroyContext(g.display, context);
    eglDestroySurface(g.display, probe.surface);
    return ok;
}

}  // namespace platform
