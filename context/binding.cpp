// Device binding: opening a rendering context on an MDC's device, moving it
// to another device, freeing and closing it, the initial OpenGL state, and
// clearing, flushing and swapping. The only code that talks to the platform.
#include <GL/glu.h>

#include <cstdio>

#include "context/context.h"
#include "context/gl_state.h"
#include "module/rules.h"

using namespace rules;
using platform::DeviceHandle;

namespace {

constexpr const char* kClass = "VOpenGL";

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

void OglContext::Open(DeviceHandle device) {
    uint32_t flags = kWindowFlags | (useAccelerator ? platform::PFD_GENERIC_ACCELERATED
                                                    : platform::PFD_GENERIC_FORMAT);
    if (doubleBuffer) flags |= platform::PFD_DOUBLEBUFFER;
    OpenWith(device, flags);
}

void OglContext::OpenBitmap(DeviceHandle device) { OpenWith(device, kBitmapFlags); }

// A failed open keeps what it set: the device, the saved pair and a context
// that was created but could not be made current.
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
    ApplyViewport();
    ApplyViewer();
    glShadeModel(smooth ? GL_SMOOTH : GL_FLAT);
    glFrontFace(GL_CCW);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    if (lightEnabled) {
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
        light.Enable();
        light.Apply();
    }
    if (fogEnabled) fog.Apply(clip.near, clip.far);
    ApplyProjection();
    glClearColor(clearColor.red, clearColor.green, clearColor.blue, clearColor.alpha);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (blend) {
        glEnable(GL_COLOR_LOGIC_OP);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_BLEND);
    }
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
        ApplyViewport();
        ApplyProjection();
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
    glClearColor(clearColor.red, clearColor.green, clearColor.blue, clearColor.alpha);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OglContext::Flush() {
    glFlush();
    glFinish();
}

void OglContext::SwapBuffers() {
    if (hdc && doubleBuffer) platform::SwapBuffers(hdc);
}

// ---- handlers ------------------------------------------------------------------

namespace {

typedef void (OglContext::*DeviceOperation)(DeviceHandle);

// Asks the MDC for its device and client rectangle, then runs the operation.
// Both replies arrive in the handler's result register, so the script sees
// the rectangle (or the ID when the device is missing).
void WithDevice(VarRegister* result, VarRegister* args, int count, Processor* p,
                void (*operation)(OglContext*, DeviceHandle)) {
    OglContext* gl = ExtendedSelf<OglContext>(args, count, kClass);
    if (!gl) return;
    Variable* mdc = HostObjectArg(args[0]);
    p->RunMethod(result, "GetID", nullptr, 0, mdc);
    DeviceHandle device = result->designated()->GetLongNumb();
    if (!device) {
        RaiseModuleError(OGL_NO_DC, nullptr);
        return;
    }
    p->RunMethod(result, "GetClientRect", nullptr, 0, mdc);
    Variable* rect = result->designated();
    if (rect->type & VT_ANYREF) rect = rect->GetPointer();
    long bottom = (*rect)("bottom").GetLongNumb();
    long right = (*rect)("right").GetLongNumb();
    long top = (*rect)("top").GetLongNumb();
    long left = (*rect)("left").GetLongNumb();
    gl->SetClientRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                      static_cast<int>(bottom));
    operation(gl, device);
}

void Open(VarRegister* result, VarRegister* args, int count, Processor* p) {
    WithDevice(result, args, count, p, [](OglContext* gl, DeviceHandle d) { gl->Open(d); });
}

void OpenBitmap(VarRegister* result, VarRegister* args, int count, Processor* p) {
    WithDevice(result, args, count, p, [](OglContext* gl, DeviceHandle d) { gl->OpenBitmap(d); });
}

void BindMDC(VarRegister* result, VarRegister* args, int count, Processor* p) {
    WithDevice(result, args, count, p, [](OglContext* gl, DeviceHandle d) { gl->BindMDC(d); });
}

void EnableDoubleBuff(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->doubleBuffer = BooleanArg(args[0]);
}

void GetDoubleBuff(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) BooleanResult(result, gl->doubleBuffer != 0);
}

void UseAccelerator(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->useAccelerator = BooleanArg(args[0]);
}

void FreeMDC(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->FreeMDC();
}

void IsBind(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) BooleanResult(result, gl->hdc != 0);
}

void IsOpen(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) BooleanResult(result, gl->hglrc != 0);
}

void Close(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->Close();
}

void Clear(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->Clear();
}

void Flush(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->Flush();
}

void SwapBuffers(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count, kClass)) gl->SwapBuffers();
}

const ModuleRow rows[] = {
    {3, EnableDoubleBuff, "VOpenGL::EnableDoubleBuff(boolean)"},
    {4, GetDoubleBuff, "VOpenGL::GetDoubleBuff(void)"},
    {10, Open, "VOpenGL::Open(refer object MDC)"},
    {11, OpenBitmap, "VOpenGL::OpenBitmap(refer object MDC)"},
    {12, UseAccelerator, "VOpenGL::UseAccelerator(boolean)"},
    {13, FreeMDC, "VOpenGL::FreeMDC(void)"},
    {14, BindMDC, "VOpenGL::BindMDC(refer object MDC)"},
    {15, IsBind, "VOpenGL::IsBind(void)"},
    {16, IsOpen, "VOpenGL::IsOpen(void)"},
    {17, Close, "VOpenGL::Close(void)"},
    {18, Clear, "VOpenGL::Clear(void)"},
    {19, Flush, "VOpenGL::Flush(void)"},
    {20, SwapBuffers, "VOpenGL::SwapBuffers(void)"},
};

}  // namespace

RowList BindingRows() { return Rows(rows); }
