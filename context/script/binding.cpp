// The script methods of device binding: opening on an MDC's device, moving
// to another, freeing, closing, clearing, flushing and swapping.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;
using platform::DeviceHandle;

namespace {


typedef void (OglContext::*DeviceOperation)(DeviceHandle);

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
    if (OglContext* gl = Self<OglContext>(args, count)) gl->doubleBuffer = BooleanArg(args[0]);
}

void GetDoubleBuff(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) BooleanResult(result, gl->doubleBuffer != 0);
}

void UseAccelerator(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->useAccelerator = BooleanArg(args[0]);
}

void FreeMDC(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->FreeMDC();
}

void IsBind(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) BooleanResult(result, gl->hdc != 0);
}

void IsOpen(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) BooleanResult(result, gl->hglrc != 0);
}

void Close(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Close();
}

void Clear(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Clear();
}

void Flush(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->Flush();
}

void SwapBuffers(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->SwapBuffers();
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
