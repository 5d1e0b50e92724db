// The script methods of the drawing colour and material.
#include "color/drawing.h"
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

// One OglColor argument (count 2), or four numbers (every other count).
void SetColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    if (count == 2) {
        if (OglColor* c = DirectObjectArg<OglColor>(args[0]))
            SetDrawingColor(*c, gl->IsOpen(), gl->switches.lightEnabled);
        return;
    }
    OglColor c(NumberAt(args, count, 0), NumberAt(args, count, 1), NumberAt(args, count, 2), NumberAt(args, count, 3));
    SetDrawingColor(c, gl->IsOpen(), gl->switches.lightEnabled);
}

void SetMaterial(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    if (OglMaterial* m = ObjectArg<OglMaterial>(args[0]))
        SetDrawingMaterial(*m, gl->IsOpen(), gl->switches.lightEnabled);
}

const ModuleRow rows[] = {
    {34, SetColor, "VOpenGL::SetColor(refer object OglColor)"},
    {35, SetColor, "VOpenGL::SetColor(number, number, number, number)"},  // same handler: overload by count
    {36, SetMaterial, "VOpenGL::SetMaterial(refer object OglMaterial)"},
};

}  // namespace

RowList DrawingRows() { return Rows(rows); }
