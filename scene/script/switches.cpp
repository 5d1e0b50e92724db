// The script methods of the clear colour, the light, the fog and the
// render-state switches.
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

namespace {

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

// -- the clear colour and the light --

void SetClearColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->switches.SetClearColor(color, gl->IsOpen());
}

template <void (OglLight::*set)(const OglColor&)>
void SetLightColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) (gl->light.*set)(color);
}

template <OglColor (OglLight::*get)() const>
void LightColorResult(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    OglColor c = (gl->light.*get)();
    ObjectResult(result, p, OglColor::kScriptClass, {c.red, c.green, c.blue, c.alpha});
}

void SetLightPosition(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->SetLightPosition(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]));
}

void GetLightPosition(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglContext* gl = Self<OglContext>(args, count);
    if (!gl) return;
    const OglPoint4& at = gl->light.position;
    ObjectResult(result, p, "POINT3", {at.x, at.y, at.z});
}

void SetSpot(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->light.SetSpotCutoff(NumberArg(args[0]));
}

// -- the fog --

void SetFogDensity(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->fog.density = NumberArg(args[0]);
}

template <GLenum mode>
void SetFogMode(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->fog.mode = mode;
}

void SetFogColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglContext* gl = Self<OglContext>(args, count);
    OglColor color;
    if (gl && ColorArgument(args, count, color)) gl->fog.SetColor(color.red, color.green, color.blue, color.alpha);
}

// -- switches that OpenGL holds: sent at once while open --

void EnableFog(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->switches.EnableFog(BooleanArg(args[0]), gl->IsOpen(), gl->fog, gl->view.clip);
}

void EnableLight(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count))
        gl->switches.EnableLight(BooleanArg(args[0]), gl->IsOpen(), gl->light);
}

void EnableBlend(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->switches.EnableBlend(BooleanArg(args[0]), gl->IsOpen());
}

void EnableSmooth(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglContext* gl = Self<OglContext>(args, count)) gl->switches.EnableSmooth(BooleanArg(args[0]), gl->IsOpen());
}

// The other switches are stored, and every switch is read back, as a flag
// of the switches (or of the light).
template <int OglSwitches::*flag>
constexpr VeskHandler StoreSwitch = StoreFlag<OglContext, &OglContext::switches, flag>;
template <int OglSwitches::*flag>
constexpr VeskHandler IsSwitch = FlagResult<OglContext, &OglContext::switches, flag>;

// Rows sharing a handler tell the OglColor form (one argument) from the
// three-number form by count.
const ModuleRow rows[] = {
    {21, StoreSwitch<&OglSwitches::wired>, "VOpenGL::EnableWired(boolean)"},
    {22, IsSwitch<&OglSwitches::wired>, "VOpenGL::IsWired(void)"},
    {23, StoreSwitch<&OglSwitches::outlinePatch>, "VOpenGL::SetOutlinePatch(boolean)"},
    {24, IsSwitch<&OglSwitches::outlinePatch>, "VOpenGL::GetOutlinePatch(void)"},
    {25, SetClearColor, "VOpenGL::SetClearColor(refer object OglColor)"},
    {26, SetClearColor, "VOpenGL::SetClearColor(number, number, number)"},
    {27, SetLightColor<&OglLight::SetAmbient>, "VOpenGL::SetAmbientLightColor(refer object OglColor)"},
    {28, SetLightColor<&OglLight::SetDiffuse>, "VOpenGL::SetDiffuseLightColor(refer object OglColor)"},
    {29, SetLightColor<&OglLight::SetSpecular>, "VOpenGL::SetSpecularLightColor(refer object OglColor)"},
    {30, SetLightColor<&OglLight::SetAmbient>, "VOpenGL::SetAmbientLightColor(number, number, number)"},
    {31, SetLightColor<&OglLight::SetDiffuse>, "VOpenGL::SetDiffuseLightColor(number, number, number)"},
    {32, SetLightColor<&OglLight::SetSpecular>, "VOpenGL::SetSpecularLightColor(number, number, number)"},
    {33, SetLightPosition, "VOpenGL::SetLightPosition(number, number, number)"},
    {101, SetSpot, "VOpenGL::SetSpot(number)"},
    {102, SetFogDensity, "VOpenGL::SetFogDensity(number)"},
    {103, SetFogMode<GL_LINEAR>, "VOpenGL::SetFogLinearMode(void)"},
    {104, SetFogMode<GL_EXP2>, "VOpenGL::SetFogExpMode(void)"},
    {105, SetFogColor, "VOpenGL::SetFogColor(number, number, number)"},
    {106, SetFogColor, "VOpenGL::SetFogColor(refer object OglColor)"},
    {107, FieldResult<OglContext, &OglContext::light, &OglLight::spotCutoff>, "VOpenGL::GetSpot(void)"},
    {108, GetLightPosition, "VOpenGL::GetLightPosition(void)"},
    {109, LightColorResult<&OglLight::GetAmbient>, "VOpenGL::GetAmbientLightColor(void)"},
    {110, LightColorResult<&OglLight::GetDiffuse>, "VOpenGL::GetDiffuseLightColor(void)"},
    {111, LightColorResult<&OglLight::GetSpecular>, "VOpenGL::GetSpecularLightColor(void)"},
    {114, EnableFog, "VOpenGL::EnableFog(boolean)"},
    {115, EnableLight, "VOpenGL::EnableLight(boolean)"},
    {116, EnableBlend, "VOpenGL::EnableBlend(boolean)"},
    {117, StoreFlag<OglContext, &OglContext::light, &OglLight::twoSide>, "VOpenGL::EnableTwoSide(boolean)"},
    {118, EnableSmooth, "VOpenGL::EnableSmooth(boolean)"},
    {119, StoreSwitch<&OglSwitches::smoothLine>, "VOpenGL::EnableSmoothLine(boolean)"},
    {120, StoreSwitch<&OglSwitches::smoothPoint>, "VOpenGL::EnableSmoothPoint(boolean)"},
    {121, FieldResult<OglContext, &OglContext::fog, &OglFog::density>, "VOpenGL::GetFogDensity(void)"},
    {122, IsSwitch<&OglSwitches::fogEnabled>, "VOpenGL::IsFog(void)"},
    {123, IsSwitch<&OglSwitches::lightEnabled>, "VOpenGL::IsLight(void)"},
    {124, IsSwitch<&OglSwitches::blend>, "VOpenGL::IsBlend(void)"},
    {125, FlagResult<OglContext, &OglContext::light, &OglLight::twoSide>, "VOpenGL::IsTwoSide(void)"},
    {126, IsSwitch<&OglSwitches::smooth>, "VOpenGL::IsSmooth(void)"},
    {127, IsSwitch<&OglSwitches::smoothLine>, "VOpenGL::IsSmoothLine(void)"},
    {128, IsSwitch<&OglSwitches::smoothPoint>, "VOpenGL::IsSmoothPoint(void)"},
};

}  // namespace

RowList SwitchRows() { return Rows(rows); }
