// The script methods of the context itself: its construction and end, its
// device binding (opening on an MDC's device, moving to another, freeing,
// closing, clearing, flushing and swapping) and the implementation strings.
#include "context/context.h"

#include <new>

#include "module/rules.h"

using namespace rules;
using platform::DeviceHandle;

namespace {

void NewContext(VarRegister*, VarRegister* args, int count, Processor* p) {
    Construct(args, count, p, new (std::nothrow) OglContext);
}

// Closes the rendering context first (the native's destructor).
void DeleteContext(VarRegister*, VarRegister* args, int count, Processor*) { Destruct(args, count); }

// Asks the MDC for its device and client rectangle, then runs the operation.
// Both replies arrive in the handler's result register, so the script sees
// the rectangle (or the ID when the device is missing).
void WithDevice(VarRegister* result, VarRegister* args, int count, Processor* p,
                void (*operation)(OglContext*, DeviceHandle)) {
    OglContext* gl = ExtendedSelf<OglContext>(args, count);
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
    gl->view.clientRect = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                           static_cast<int>(bottom)};
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

void FreeMDC(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->FreeMDC();
}

void Close(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Close();
}

void Clear(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Clear();
}

void Flush(VarRegister*, VarRegister* args, int count, Processor*) {
    if (Self<OglContext>(args, count)) OglContext::Flush();
}

void SwapBuffers(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->SwapBuffers();
}

void GetVersion(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (Self<OglContext>(args, count)) OglContext::GetVersion(*ResultTarget(result));
}

const ModuleRow rows[] = {
    {1, NewContext, "VOpenGL::VOpenGL(void)"},
    {2, DeleteContext, "VOpenGL::~VOpenGL(void)"},
    {3, StoreFlag<OglContext, &OglContext::doubleBuffer>, "VOpenGL::EnableDoubleBuff(boolean)"},
    {4, FlagResult<OglContext, &OglContext::doubleBuffer>, "VOpenGL::GetDoubleBuff(void)"},
    {9, GetVersion, "VOpenGL::GetVersion(void)"},
    {10, Open, "VOpenGL::Open(refer object MDC)"},
    {11, OpenBitmap, "VOpenGL::OpenBitmap(refer object MDC)"},
    {12, StoreFlag<OglContext, &OglContext::useAccelerator>, "VOpenGL::UseAccelerator(boolean)"},
    {13, FreeMDC, "VOpenGL::FreeMDC(void)"},
    {14, BindMDC, "VOpenGL::BindMDC(refer object MDC)"},
    {15, FlagResult<OglContext, &OglContext::hdc>, "VOpenGL::IsBind(void)"},
    {16, FlagResult<OglContext, &OglContext::hglrc>, "VOpenGL::IsOpen(void)"},
    {17, Close, "VOpenGL::Close(void)"},
    {18, Clear, "VOpenGL::Clear(void)"},
    {19, Flush, "VOpenGL::Flush(void)"},
    {20, SwapBuffers, "VOpenGL::SwapBuffers(void)"},
};

}  // namespace

RowList ContextRows() { return Rows(rows); }
