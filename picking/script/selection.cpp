// The script methods of the name stack and selection.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

void InitNameStack(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->selection.InitNameStack();
}

void PushName(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->selection.PushName(static_cast<GLuint>(IntArg(args[0])));
}

void PopName(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->selection.PopName();
}

void LoadName(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->selection.LoadName(static_cast<GLuint>(IntArg(args[0])));
}

void BeginSelection(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    gl->selection.Begin(gl->view, OglContext::CurrentRenderingContext(), static_cast<int>(IntArg(args[0])),
                        static_cast<int>(IntArg(args[1])), static_cast<int>(IntArg(args[2])),
                        static_cast<int>(IntArg(args[3])));
}

void EndSelection(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->selection.End(OglContext::CurrentRenderingContext(), *ResultTarget(result));
}

const ModuleRow rows[] = {
    {90, InitNameStack, "VOpenGL::InitNameStack(void)"},
    {91, PushName, "VOpenGL::PushName(int)"},
    {92, PopName, "VOpenGL::PopName(void)"},
    {93, LoadName, "VOpenGL::LoadName(int)"},
    {94, BeginSelection, "VOpenGL::BeginSelection(int, int, int, int)"},
    {95, EndSelection, "VOpenGL::EndSelection(void)"},
};

}  // namespace

RowList SelectionRows() { return Rows(rows); }
