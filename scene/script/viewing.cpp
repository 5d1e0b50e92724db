// The script methods of the camera and the model-view matrix.
#include <new>

#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

constexpr const char* kMatrixFunctionText = "param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;";

// The script function GetMatrix runs, built on first use and shared by every
// context until the module is unloaded.
Variable* matrixFunction = nullptr;

Variable* MatrixFunction() {
    if (!matrixFunction) matrixFunction = new (std::nothrow) Variable(VT_FUNCTION, kMatrixFunctionText);
    return matrixFunction;
}

__attribute__((destructor)) void ReleaseMatrixFunction() {
    if (!matrixFunction) return;
    matrixFunction->_Clear();
    delete matrixFunction;
    matrixFunction = nullptr;
}

// A script Matrix M into OpenGL's column-major array: element 4c + r is M[r][c].
void ReadMatrix(Variable& m, double out[16]) {
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) out[4 * c + r] = ElementOf(ElementOf(m, r), c).GetDoubleNumb();
}

// A new 4 x 4 script Matrix in `target` holding the column-major array.
void MakeMatrix(Processor* p, Variable& target, const double in[16]) {
    VarRegister sides[2];
    sides[0].value = 4;
    sides[1].value = 4;
    p->MakeInstance(target, "Matrix", sides, 2);
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) ElementOf(ElementOf(target, r), c) = in[4 * c + r];
}

void SetViewPort(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->view.SetViewport(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), NumberArg(args[3]),
                             gl->IsOpen());
}

void SetViewerPos(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    float n[9];
    for (int i = 0; i < 9; i++) n[i] = NumberArg(args[i]);
    gl->view.SetViewer(n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], gl->IsOpen());
}

void SetClipping(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->view.SetClipping(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), NumberArg(args[3]),
                             NumberArg(args[4]), NumberArg(args[5]), gl->IsOpen());
}

void SetPerspective(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->view.SetPerspective(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), NumberArg(args[3]),
                                gl->IsOpen());
}

// Four numbers: axis then angle; any other count: a POINT3 axis and the angle.
void Rotate(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    Point3 axis = PositionAt(args, count, count != 5);
    gl->view.Rotate(axis.x, axis.y, axis.z, NumberAt(args, count, count == 5 ? 3 : 1), gl->IsOpen());
}

// Three numbers, or (any other count) a POINT3.
void Translate(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    Point3 by = PositionAt(args, count, count != 4);
    gl->view.Translate(by.x, by.y, by.z, gl->IsOpen());
}

void SetScale(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->view.Scale(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), gl->IsOpen());
}

void PushModelMatrix(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->view.PushModelMatrix(gl->IsOpen());
}

void PopModelMatrix(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->view.PopModelMatrix(gl->IsOpen());
}

void LoadIdentityMatrix(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->view.LoadIdentity();
}

void LoadMatrix(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    double m[16];
    ReadMatrix(*HostObjectArg(args[0]), m);
    gl->view.LoadMatrix(m);
}

void MultiplyMatrix(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    double m[16];
    ReadMatrix(*HostObjectArg(args[0]), m);
    gl->view.MultiplyMatrix(m);
}

// The model transform without the viewer's part: the script function gets
// the full model-view and the viewer's alone, and returns Look^-1 * Full.
void GetMatrix(VarRegister* result, VarRegister* args, int count, Processor* p) {
    Variable* function = MatrixFunction();
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl || !function) return;
    double full[16], look[16];
    gl->view.GetMatrices(full, look);
    VarRegister call[2];
    MakeMatrix(p, call[0].value, full);
    MakeMatrix(p, call[1].value, look);
    p->RunFunction(result, *function, call, 2);
}

void GetViewerPos(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    const OglPoint4 points[3] = {gl->view.eye, gl->view.center, gl->view.up};
    Variable* vector = VectorResult(result, 3);
    for (int i = 0; i < 3; i++) {
        VarRegister element;
        element.isRef = 1;
        element.ref = &ElementOf(*vector, i);
        ObjectResult(&element, p, "POINT3", {points[i].x, points[i].y, points[i].z});
    }
}

void GetViewPort(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    const OglRect& v = gl->view.viewport;
    const float stored[4] = {v.left, v.right, v.top, v.bottom};
    Variable* vector = VectorResult(result, 4);
    for (int i = 0; i < 4; i++) ElementOf(*vector, i) = stored[i];
}

const ModuleRow rows[] = {
    {5, SetViewPort, "VOpenGL::SetViewPort(number, number, number, number)"},
    {6, SetViewerPos, "VOpenGL::SetViewerPos(number, number, number, number, number, number, number, number, number)"},
    {7, SetClipping, "VOpenGL::SetClipping(number, number, number, number, number, number)"},
    {8, SetPerspective, "VOpenGL::SetPerspective(number, number, number, number)"},
    {76, PushModelMatrix, "VOpenGL::PushModelMatrix(void)"},
    {77, PopModelMatrix, "VOpenGL::PopModelMatrix(void)"},
    {78, LoadIdentityMatrix, "VOpenGL::LoadIdentityMatrix(void)"},
    {79, LoadMatrix, "VOpenGL::LoadMatrix(object Matrix)"},
    {80, MultiplyMatrix, "VOpenGL::MultiplyMatrix(object Matrix)"},
    {81, GetMatrix, "VOpenGL::GetMatrix(void)"},
    {96, Rotate, "VOpenGL::Rotate(number, number, number, number)"},
    {97, Rotate, "VOpenGL::Rotate(refer object POINT3, number)"},  // same handler: overload by count
    {98, Translate, "VOpenGL::Translate(number, number, number)"},
    {99, Translate, "VOpenGL::Translate(refer object POINT3)"},    // same handler: overload by count
    {100, SetScale, "VOpenGL::SetScale(number, number, number)"},
    {112, GetViewerPos, "VOpenGL::GetViewerPos(void)"},
    {113, GetViewPort, "VOpenGL::GetViewPort(void)"},
};

}  // namespace

RowList ViewingRows() { return Rows(rows); }
