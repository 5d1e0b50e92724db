// The script class OglMaterial: constructors, destructor, the per-face
// setters with their optional face selector, and the getters.
#include <new>

#include "color/material.h"
#include "module/rules.h"

using namespace rules;

namespace {

// A material only reaches a script when all its colours could be made.
OglMaterial* Built(OglMaterial* m) {
    if (m && !m->Complete()) {
        delete m;
        return nullptr;
    }
    return m;
}

void NewDefault(VarRegister*, VarRegister* args, int count, Processor* p) {
    Construct(args, count, p, Built(new (std::nothrow) OglMaterial(0.7f, 0.7f, 0.7f, 1.0f)));
}

void NewFromColor(VarRegister*, VarRegister* args, int count, Processor* p) {
    Construct(args, count, p,
              Built(new (std::nothrow) OglMaterial(NumberArg(args[0]), NumberArg(args[1]),
                                                   NumberArg(args[2]), NumberArg(args[3]))));
}

// All four colours are looked up first; any one missing is one error 43.
void NewFromColors(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglColor* c[4];
    if (!AllObjectArgs(args, 4, c)) return;
    Construct(args, count, p, Built(new (std::nothrow) OglMaterial(*c[0], *c[1], *c[2], *c[3])));
}

void NewCopy(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglMaterial* source = ObjectArg<OglMaterial>(args[0]);
    if (!source) return;
    Construct(args, count, p, Built(new (std::nothrow) OglMaterial(*source)));
}

void DeleteMaterial(VarRegister*, VarRegister* args, int count, Processor*) {
    Destruct(args, count);
}

using Face = OglMaterial::Face;
using Component = OglMaterial::Component;

// The face a selector picks: front when true.
Face FaceOf(int front) { return front ? OglMaterial::kFront : OglMaterial::kBack; }

// SetColor acts on both faces without a selector; a selector is read by the
// boolean rule (an integer reports 73 and selects the back face).
void SetColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    float r = NumberArg(args[0]), g = NumberArg(args[1]), b = NumberArg(args[2]), a = NumberArg(args[3]);
    if (count == 5) {
        m->SetColor(r, g, b, a, OglMaterial::kFront);
        m->SetColor(r, g, b, a, OglMaterial::kBack);
    } else {
        m->SetColor(r, g, b, a, FaceOf(BooleanArg(args[4])));
    }
}

// The four colour setters: two or three registers are the OglColor form
// (both faces back first, or the face the truth of argument 1 selects),
// every other count the number form (both faces front first, or the face
// the truth of argument 4 selects).
template <Component component>
void SetOneColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    if (count == 2 || count == 3) {
        OglColor* c = DirectObjectArg<OglColor>(args[0]);
        if (!c) return;
        if (count == 2) {
            m->Set(component, c->red, c->green, c->blue, c->alpha, OglMaterial::kBack);
            m->Set(component, c->red, c->green, c->blue, c->alpha, OglMaterial::kFront);
        } else {
            m->Set(component, c->red, c->green, c->blue, c->alpha, FaceOf(args[1].designated()->IsTrue()));
        }
        return;
    }
    float v[4];
    for (int i = 0; i < 4; i++) v[i] = NumberAt(args, count, i);
    if (count == 5) {
        m->Set(component, v[0], v[1], v[2], v[3], OglMaterial::kFront);
        m->Set(component, v[0], v[1], v[2], v[3], OglMaterial::kBack);
    } else {
        m->Set(component, v[0], v[1], v[2], v[3], FaceOf(ArgOrEmpty(args, count, 4).IsTrue()));
    }
}

void SetShininess(VarRegister*, VarRegister* args, int count, Processor*) {
    OglMaterial* m = Self<OglMaterial>(args, count);
    if (!m) return;
    float value = NumberArg(args[0]);
    if (count == 2) m->shininess[OglMaterial::kFront] = m->shininess[OglMaterial::kBack] = value;
    else m->shininess[FaceOf(BooleanArg(args[1]))] = value;
}

template <Component component>
void GetOneColor(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    OglColor c = m->Get(component, FaceOf(BooleanArg(args[0])));
    ObjectResult(result, p, OglColor::kScriptClass, {c.red, c.green, c.blue, c.alpha});
}

void GetShininess(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglMaterial* m = Self<OglMaterial>(args, count);
    if (!m) return;
    NumberResult(result, m->shininess[FaceOf(BooleanArg(args[0]))]);
}

const ModuleRow rows[] = {
    {142, NewDefault, "OglMaterial::OglMaterial(void)"},
    {143, NewFromColor, "OglMaterial::OglMaterial(number, number, number, number)"},
    {144, NewFromColors, "OglMaterial::OglMaterial(refer object OglColor, refer object OglColor, refer object OglColor, refer object OglColor)"},
    {145, NewCopy, "OglMaterial::OglMaterial(copy)"},
    {146, DeleteMaterial, "OglMaterial::~OglMaterial(void)"},
    {147, SetColor, "OglMaterial::SetColor(number, number, number, number, ...)"},
    {148, SetOneColor<OglMaterial::kDiffuse>, "OglMaterial::SetDiffuse(number, number, number, number, ...)"},
    {149, SetOneColor<OglMaterial::kDiffuse>, "OglMaterial::SetDiffuse(refer object OglColor, ...)"},
    {150, SetOneColor<OglMaterial::kSpecular>, "OglMaterial::SetSpecular(number, number, number, number, ...)"},
    {151, SetOneColor<OglMaterial::kSpecular>, "OglMaterial::SetSpecular(refer object OglColor, ...)"},
    {152, SetOneColor<OglMaterial::kAmbient>, "OglMaterial::SetAmbient(number, number, number, number, ...)"},
    {153, SetOneColor<OglMaterial::kAmbient>, "OglMaterial::SetAmbient(refer object OglColor, ...)"},
    {154, SetOneColor<OglMaterial::kEmission>, "OglMaterial::SetEmission(number, number, number, number, ...)"},
    {155, SetOneColor<OglMaterial::kEmission>, "OglMaterial::SetEmission(refer object OglColor, ...)"},
    {156, SetShininess, "OglMaterial::SetShininess(number, ...)"},
    {157, GetOneColor<OglMaterial::kDiffuse>, "OglMaterial::GetDiffuse(boolean)"},
    {158, GetOneColor<OglMaterial::kSpecular>, "OglMaterial::GetSpecular(boolean)"},
    {159, GetOneColor<OglMaterial::kAmbient>, "OglMaterial::GetAmbient(boolean)"},
    {160, GetOneColor<OglMaterial::kEmission>, "OglMaterial::GetEmission(boolean)"},
    {161, GetShininess, "OglMaterial::GetShininess(boolean)"},
};

}  // namespace

RowList MaterialRows() { return Rows(rows); }
