// Device binding: opening a rendering context on an MDC's device, moving it
// to another device, freeing and closing it, the initial OpenGL state,
// clearing, flushing and swapping, and the implementation strings. The only
// code that talks to the platform.
#include "context/context.h"

#include <GL/gl.h>

#include <cstdio>

#include "module/rules.h"
#include "picking/gl_state.h"

using platform::DeviceHandle;

namespace {

// Flags of a window open without the optional parts, and of a bitmap open.
constexpr uint32_t kWindowFlags =
    platform::PFD_DRAW_TO_WINDOW | platform::PFD_SUPPORT_OPENGL | platform::PFD_SWAP_COPY;
constexpr uint32_t kBitmapFlags = platform::PFD_DRAW_TO_BITMAP | platform::PFD_SUPPORT_GDI |
                                  platform::PFD_SUPPORT_OPENGL | platform::PFD_SWAP_COPY;

platform::PixelFormatRequest Request(uint32_t flags) {
    platform::PixelFormatRequest r;
    r.flags = flags;
    r.pixelType = platform::PFD_TYPE_RGBA;
    r.colorBits = 24;
    r.depthBits = 16;
    return r;
}

void SetFormat(DeviceHandle device, uint32_t flags) {
    platform::PixelFormatRequest r = Request(flags);
    int format = platform::ChoosePixelFormat(device, r);
    platform::SetPixelFormat(device, format, r);
}

void RaiseSystemError(int code) {
    char text[64];
    std::snprintf(text, sizeof text, " System error #%d", static_cast<int>(platform::LastError()));
    RaiseModuleError(code, text);
}

}  // namespace

OglContext::~OglContext() {
    if (hglrc) Close();
}

void OglContext::Open(DeviceHandle device) {
    uint32_t flags = kWindowFlags | (useAccelerator ? platform::PFD_GENERIC_ACCELERATED
                                                    : platform::PFD_GENERIC_FORMAT);
    if (doubleBuffer) flags |= platform::PFD_DOUBLEBUFFER;
    OpenWith(device, flags);
}

void OglContext::OpenBitmap(DeviceHandle device) { OpenWith(device, kBitmapFlags); }

void OglContext::OpenWith(DeviceHandle device, uint32_t flags) {
    if (hglrc) Close();
    savedDC = platform::CurrentDevice();
    savedRC = platform::CurrentContext();
    hdc = device;
    pixelFlags = flags;
    SetFormat(hdc, pixelFlags);
    hglrc = platform::CreateContext(hdc);
    if (hglrc && platform::MakeCurrent(hdc, hglrc)) {
        SendInitialState();
        return;
    }
    RaiseSystemError(hglrc ? OGL_CANTBIND_DC : OGL_WRONG_DC);
}

void OglContext::SendInitialState() {
    view.ApplyViewport();
    view.ApplyViewer();
    switches.ApplyShadeModel();
    glFrontFace(GL_CCW);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    if (switches.lightEnabled) {
        switches.ApplyLighting(light);
        light.Apply();
    }
    if (switches.fogEnabled) fog.Apply(view.clip.near, view.clip.far);
    view.ApplyProjection();
    switches.ApplyClearColor();
    glClear(GL_DEPTH_BUFFER_BIT);
    switches.ApplyBlend();
}

// Moves the open rendering context to another device; only the viewport and
// the projection are sent again.
int OglContext::BindMDC(DeviceHandle device) {
    if (!hglrc) {
        RaiseModuleError(OGL_NO_DC, nullptr);
        return 0;
    }
    savedDC = platform::CurrentDevice();
    savedRC = platform::CurrentContext();
    hdc = device;
    SetFormat(hdc, pixelFlags);
    if (platform::MakeCurrent(hdc, hglrc)) {
        view.ApplyViewport();
        view.ApplyProjection();
        return 1;
    }
    RaiseSystemError(OGL_CANTBIND_DC);
    return 0;
}

int OglContext::FreeMDC() {
    if (!hglrc) return 0;
    int made = platform::MakeCurrent(savedDC, savedRC);
    savedDC = hdc = 0;
    savedRC = 0;
    return made;
}

// The rendering context's own state (its selection buffer, its list books)
// goes after the context itself, so OpenGL never holds a freed buffer.
void OglContext::Close() {
    if (hglrc) {
        platform::MakeCurrent(savedDC, savedRC);
        platform::DeleteContext(hglrc);
        DropGlState(hglrc);
    }
    hdc = savedDC = 0;
    hglrc = savedRC = 0;
}

void OglContext::Clear() {
    if (!hdc || !hglrc) return;
    switches.ApplyClearColor();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OglContext::Flush() {
    glFlush();
    glFinish();
}

void OglContext::SwapBuffers() {
    if (hdc && doubleBuffer) platform::SwapBuffers(hdc);
}

void OglContext::CurrentDeviceSize(int* width, int* height) {
    *width = *height = 0;
    platform::DeviceSize(platform::CurrentDevice(), width, height);
}

// The light goes to OpenGL only when it would reach this context: another
// context (or none) being current must not receive it.
void OglContext::SetLightPosition(float x, float y, float z) {
    light.SetPosition(x, y, z, 1.0f);
    if (hglrc && platform::CurrentContext() == hglrc) light.Apply();
}

// Empty texts without a context.
void OglContext::GetVersion(Variable& target) {
    target.Init(VT_VECTOR, 4);
    const GLenum names[4] = {GL_VENDOR, GL_RENDERER, GL_VERSION, GL_EXTENSIONS};
    for (int i = 0; i < 4; i++) {
        const GLubyte* text = glGetString(names[i]);
        rules::ElementOf(target, i) = text ? reinterpret_cast<const char*>(text) : "";
    }
}
