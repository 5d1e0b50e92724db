// The drawing colour and material: sending an OglColor or an OglMaterial to
// OpenGL for what is drawn next. Neither is stored in the context.
#include "color/material.h"
#include "context/context.h"
#include "module/rules.h"

// Under lighting a colour reaches the material through colour tracking,
// switched on again at every call (a material may have switched it off).
void OglContext::SetColor(const OglColor& color) {
    if (!IsOpen()) return;
    if (lightEnabled) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
    glColor4f(color.red, color.green, color.blue, color.alpha);
}

// Colour tracking would override the material's colours, so it goes off first.
void OglContext::SetMaterial(const OglMaterial& material) {
    if (!IsOpen()) return;
    if (lightEnabled) glDisable(GL_COLOR_MATERIAL);
    material.Apply();
}

// ---- handlers ------------------------------------------------------------------

using namespace rules;

namespace {

constexpr const char* kClass = "VOpenGL";

// One OglColor argument (count 2), or four numbers (every other count).
void SetColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = DirectSelf<OglContext>(args, count, kClass);
    if (!gl) return;
    if (count == 2) {
        if (OglColor* c = DirectObjectArg<OglColor>(args[0], "OglColor")) gl->SetColor(*c);
        return;
    }
    float n[4];
    for (int i = 0; i < 4; i++) n[i] = ArgOrEmpty(args, count, i).GetFloatNumb();
    gl->SetColor(OglColor(n[0], n[1], n[2], n[3]));
}

void SetMaterial(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count, kClass);
    if (!gl) return;
    if (OglMaterial* m = ObjectArg<OglMaterial>(args[0], "OglMaterial")) gl->SetMaterial(*m);
}

const ModuleRow rows[] = {
    {34, SetColor, "VOpenGL::SetColor(refer object OglColor)"},
    {35, SetColor, "VOpenGL::SetColor(number, number, number, number)"},  // same handler: overload by count
    {36, SetMaterial, "VOpenGL::SetMaterial(refer object OglMaterial)"},
};

}  // namespace

RowList DrawingRows() { return Rows(rows); }
