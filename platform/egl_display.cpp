// The windowing layer's one EGL display (X11 when a display is there, else
// Mesa's surfaceless platform), its configs as pixel formats, and the record
// of the last failure.
#include "platform/egl_state.h"

#include <EGL/eglext.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace platform::egl {

State g;

namespace {

const char* EglErrorName(EGLint code);

}  // namespace

bool Fail(unsigned code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(g.errorText, sizeof g.errorText, format, args);
    va_end(args);
    g.error = code;
    return false;
}

bool FailEgl(const char* format, ...) {
    EGLint code = eglGetError();
    char what[200];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    return Fail(unsigned(code), "%s (%s)", what, EglErrorName(code));
}

EGLint Attr(EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(g.display, config, name, &value);
    return value;
}

namespace {

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
            x11::WatchConnection(g.x);
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

}  // namespace

bool Ready() {
    if (!g.opened) OpenDisplay();
    if (g.display == EGL_NO_DISPLAY)
        return Fail(kNoDisplay, "no EGL display: neither the X11 nor Mesa's surfaceless "
                                "platform offers desktop OpenGL here");
    return DisplayAlive();
}

bool DisplayAlive() {
    return !g.x || !x11::ConnectionLost(g.x) || Fail(kDisplayLost, "%s", x11::LostText());
}

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

bool Suits(const Device& device, EGLConfig config) {
    EGLint kind = device.window ? EGL_WINDOW_BIT : EGL_PBUFFER_BIT;
    return (Attr(config, EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) &&
           (Attr(config, EGL_SURFACE_TYPE) & kind) &&
           (!device.window || Attr(config, EGL_NATIVE_VISUAL_ID) != 0);
}

namespace {

bool IsRgb888(EGLConfig config) {
    return Attr(config, EGL_RED_SIZE) == 8 && Attr(config, EGL_GREEN_SIZE) == 8 &&
           Attr(config, EGL_BLUE_SIZE) == 8;
}

// The first config in EGL's order (fewest extra bits first) that meets the
// request with these surface kinds and has the device's samples; a window
// keeps its visual when it can.
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
        if (!IsRgb888(found[i]) || !Suits(device, found[i]) ||
            Attr(found[i], EGL_SAMPLES) != device.samples)
            continue;
        if (!first) first = found[i];
        if (!device.window || VisualID(Attr(found[i], EGL_NATIVE_VISUAL_ID)) ==
                                  device.xwindow.visual)
            return found[i];
    }
    return first;
}

}  // namespace

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
}  // namespace platform::egl

namespace platform {

using namespace egl;

void OnDisplayLost(DisplayLostHandler handler) { x11::SetLostHandler(handler); }

// A failure's code and words stay until the next failure, as GetLastError's do.
unsigned LastError() { return g.error; }

const char* LastErrorText() { return g.errorText; }

void ForceHeadless() {
    if (!g.opened) g.headless = true;
}

}  // namespace platform
