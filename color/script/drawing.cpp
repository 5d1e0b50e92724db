// The script methods of the drawing colour and material.
#include "color/material.h"
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {


// One OglColor argument (count 2), or four numbers (every other count).
void SetColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count);
    if (!gl) return;
    if (count == 2) {
        if (OglColor* c = DirectObjectArg<OglColor>(args[0])) gl->SetColor(*c);
        return;
    }
    float n[4];
    for (int i = 0; i < 4; i++) n[i] = NumberAt(args, count, i);
    gl->SetColor(OglColor(n[0], n[1], n[2], n[3]));
}

void SetMaterial(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    if (OglMaterial* m = ObjectArg<OglMaterial>(args[0])) gl->SetMaterial(*m);
}

const ModuleRow rows[] = {
    {34, SetColor, "VOpenGL::SetColor(refer object OglColor)"},
    {35, SetColor, "VOpenGL::SetColor(number, number, number, number)"},  // same handler: overload by count
    {36, SetMaterial, "VOpenGL::SetMaterial(refer object OglMaterial)"},
};

}  // namespace

RowList DrawingRows() { return Rows(rows); }
