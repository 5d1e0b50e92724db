// The script methods of the clear colour, the light, the fog and the
// render-state switches.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

OglContext* Context(VarRegister* args, int count) { return Self<OglContext>(args, count); }

// The colour a shared colour handler was given: with exactly one argument
// the OglColor (null after error 40 or 43), otherwise three numbers and an
// opaque alpha.
bool ColorArgument(VarRegister* args, int count, OglColor& out) {
    if (count == 2) {
        OglColor* c = ObjectArg<OglColor>(args[0]);
        if (c) out = *c;
        return c != nullptr;
    }
    out.SetColor(NumberAt(args, count, 0), NumberAt(args, count, 1), NumberAt(args, count, 2), 1.0f);
    return true;
}

void ColorResult(VarRegister* result, Processor* p, const OglColor& c) {
    ObjectResult(result, p, OglColor::kScriptClass, {c.red, c.green, c.blue, c.alpha});
}

// -- clear colour, wire frame, outline patch --

void SetClearColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Context(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->SetClearColor(color);
}

void EnableWired(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->wired = BooleanArg(args[0]);
}

void IsWired(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->wired != 0);
}

void SetOutlinePatch(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->outlinePatch = BooleanArg(args[0]);
}

void GetOutlinePatch(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->outlinePatch != 0);
}

// -- the light --

void SetAmbientLightColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Context(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->light.SetAmbient(color);
}

void SetDiffuseLightColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Context(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->light.SetDiffuse(color);
}

void SetSpecularLightColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Context(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->light.SetSpecular(color);
}

void SetLightPosition(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count))
        gl->SetLightPosition(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]));
}

void SetSpot(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->light.SetSpotCutoff(NumberArg(args[0]));
}

void GetSpot(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) NumberResult(result, gl->light.spotCutoff);
}

void GetLightPosition(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Context(args, count);
    if (!gl) return;
    const OglPoint4& at = gl->light.position;
    ObjectResult(result, p, "POINT3", {at.x, at.y, at.z});
}

void GetAmbientLightColor(VarRegister* result, VarRegister* args, int count, Processor* p) {
    if (OglContext* gl = Context(args, count)) ColorResult(result, p, gl->light.GetAmbient());
}

void GetDiffuseLightColor(VarRegister* result, VarRegister* args, int count, Processor* p) {
    if (OglContext* gl = Context(args, count)) ColorResult(result, p, gl->light.GetDiffuse());
}

void GetSpecularLightColor(VarRegister* result, VarRegister* args, int count, Processor* p) {
    if (OglContext* gl = Context(args, count)) ColorResult(result, p, gl->light.GetSpecular());
}

void EnableTwoSide(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->light.twoSide = BooleanArg(args[0]);
}

void IsTwoSide(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->light.twoSide != 0);
}

// -- the fog --

void SetFogDensity(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->fog.density = NumberArg(args[0]);
}

void GetFogDensity(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) NumberResult(result, gl->fog.density);
}

void SetFogLinearMode(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->fog.mode = GL_LINEAR;
}

void SetFogExpMode(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->fog.mode = GL_EXP2;
}

void SetFogColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Context(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color))
        gl->fog.SetColor(color.red, color.green, color.blue, color.alpha);
}

// -- switches --

void EnableFog(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableFog(BooleanArg(args[0]));
}

void EnableLight(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableLight(BooleanArg(args[0]));
}

void EnableBlend(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableBlend(BooleanArg(args[0]));
}

void EnableSmooth(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableSmooth(BooleanArg(args[0]));
}

void EnableSmoothLine(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableSmoothLine(BooleanArg(args[0]));
}

void EnableSmoothPoint(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) gl->EnableSmoothPoint(BooleanArg(args[0]));
}

void IsFog(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->fogEnabled != 0);
}

void IsLight(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->lightEnabled != 0);
}

void IsBlend(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->blend != 0);
}

void IsSmooth(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->smooth != 0);
}

void IsSmoothLine(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->smoothLine != 0);
}

void IsSmoothPoint(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Context(args, count)) BooleanResult(result, gl->smoothPoint != 0);
}

// Rows sharing a handler tell the OglColor form (one argument) from the
// three-number form by count.
const ModuleRow rows[] = {
    {21, EnableWired, "VOpenGL::EnableWired(boolean)"},
    {22, IsWired, "VOpenGL::IsWired(void)"},
    {23, SetOutlinePatch, "VOpenGL::SetOutlinePatch(boolean)"},
    {24, GetOutlinePatch, "VOpenGL::GetOutlinePatch(void)"},
    {25, SetClearColor, "VOpenGL::SetClearColor(refer object OglColor)"},
    {26, SetClearColor, "VOpenGL::SetClearColor(number, number, number)"},
    {27, SetAmbientLightColor, "VOpenGL::SetAmbientLightColor(refer object OglColor)"},
    {28, SetDiffuseLightColor, "VOpenGL::SetDiffuseLightColor(refer object OglColor)"},
    {29, SetSpecularLightColor, "VOpenGL::SetSpecularLightColor(refer object OglColor)"},
    {30, SetAmbientLightColor, "VOpenGL::SetAmbientLightColor(number, number, number)"},
    {31, SetDiffuseLightColor, "VOpenGL::SetDiffuseLightColor(number, number, number)"},
    {32, SetSpecularLightColor, "VOpenGL::SetSpecularLightColor(number, number, number)"},
    {33, SetLightPosition, "VOpenGL::SetLightPosition(number, number, number)"},
    {101, SetSpot, "VOpenGL::SetSpot(number)"},
    {102, SetFogDensity, "VOpenGL::SetFogDensity(number)"},
    {103, SetFogLinearMode, "VOpenGL::SetFogLinearMode(void)"},
    {104, SetFogExpMode, "VOpenGL::SetFogExpMode(void)"},
    {105, SetFogColor, "VOpenGL::SetFogColor(number, number, number)"},
    {106, SetFogColor, "VOpenGL::SetFogColor(refer object OglColor)"},
    {107, GetSpot, "VOpenGL::GetSpot(void)"},
    {108, GetLightPosition, "VOpenGL::GetLightPosition(void)"},
    {109, GetAmbientLightColor, "VOpenGL::GetAmbientLightColor(void)"},
    {110, GetDiffuseLightColor, "VOpenGL::GetDiffuseLightColor(void)"},
    {111, GetSpecularLightColor, "VOpenGL::GetSpecularLightColor(void)"},
    {114, EnableFog, "VOpenGL::EnableFog(boolean)"},
    {115, EnableLight, "VOpenGL::EnableLight(boolean)"},
    {116, EnableBlend, "VOpenGL::EnableBlend(boolean)"},
    {117, EnableTwoSide, "VOpenGL::EnableTwoSide(boolean)"},
    {118, EnableSmooth, "VOpenGL::EnableSmooth(boolean)"},
    {119, EnableSmoothLine, "VOpenGL::EnableSmoothLine(boolean)"},
    {120, EnableSmoothPoint, "VOpenGL::EnableSmoothPoint(boolean)"},
    {121, GetFogDensity, "VOpenGL::GetFogDensity(void)"},
    {122, IsFog, "VOpenGL::IsFog(void)"},
    {123, IsLight, "VOpenGL::IsLight(void)"},
    {124, IsBlend, "VOpenGL::IsBlend(void)"},
    {125, IsTwoSide, "VOpenGL::IsTwoSide(void)"},
    {126, IsSmooth, "VOpenGL::IsSmooth(void)"},
    {127, IsSmoothLine, "VOpenGL::IsSmoothLine(void)"},
    {128, IsSmoothPoint, "VOpenGL::IsSmoothPoint(void)"},
};

}  // namespace

RowList SwitchRows() { return Rows(rows); }
