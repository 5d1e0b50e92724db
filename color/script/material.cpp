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

// SetColor acts on both faces without a selector; a selector is read by the
// boolean rule (an integer reports 73 and selects the back face).
void SetColor(VarRegister*, VarRegister* args, int count, Processor*) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    float r = NumberArg(args[0]), g = NumberArg(args[1]), b = NumberArg(args[2]), a = NumberArg(args[3]);
    if (count == 5) {
        m->SetColor(r, g, b, a, 1);
        m->SetColor(r, g, b, a, 0);
    } else {
        m->SetColor(r, g, b, a, BooleanArg(args[4]));
    }
}

typedef void (OglMaterial::*ColorSetter)(float, float, float, float, int);

// The four colour setters: two or three registers are the OglColor form
// (both faces back first, or the face the truth of argument 1 selects),
// every other count the number form (both faces front first, or the face
// the truth of argument 4 selects).
void SetOneColor(VarRegister* args, int count, ColorSetter set) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    if (count == 2 || count == 3) {
        OglColor* c = DirectObjectArg<OglColor>(args[0]);
        if (!c) return;
        if (count == 2) {
            (m->*set)(c->red, c->green, c->blue, c->alpha, 0);
            (m->*set)(c->red, c->green, c->blue, c->alpha, 1);
        } else {
            (m->*set)(c->red, c->green, c->blue, c->alpha, args[1].designated()->IsTrue());
        }
        return;
    }
    float v[4];
    for (int i = 0; i < 4; i++) v[i] = NumberAt(args, count, i);
    if (count == 5) {
        (m->*set)(v[0], v[1], v[2], v[3], 1);
        (m->*set)(v[0], v[1], v[2], v[3], 0);
    } else {
        (m->*set)(v[0], v[1], v[2], v[3], ArgOrEmpty(args, count, 4).IsTrue());
    }
}

void SetDiffuse(VarRegister*, VarRegister* args, int count, Processor*) {
    SetOneColor(args, count, &OglMaterial::SetDiffuse);
}
void SetSpecular(VarRegister*, VarRegister* args, int count, Processor*) {
    SetOneColor(args, count, &OglMaterial::SetSpecular);
}
void SetAmbient(VarRegister*, VarRegister* args, int count, Processor*) {
    SetOneColor(args, count, &OglMaterial::SetAmbient);
}
void SetEmission(VarRegister*, VarRegister* args, int count, Processor*) {
    SetOneColor(args, count, &OglMaterial::SetEmission);
}

void SetShininess(VarRegister*, VarRegister* args, int count, Processor*) {
    OglMaterial* m = Self<OglMaterial>(args, count);
    if (!m) return;
    float value = NumberArg(args[0]);
    if (count == 2) {
        m->SetShininess(value, 1);
        m->SetShininess(value, 0);
    } else {
        m->SetShininess(value, BooleanArg(args[1]));
    }
}

typedef OglColor (OglMaterial::*ColorGetter)(int) const;

void GetOneColor(VarRegister* result, VarRegister* args, int count, Processor* p, ColorGetter get) {
    OglMaterial* m = DirectSelf<OglMaterial>(args, count);
    if (!m) return;
    OglColor c = (m->*get)(BooleanArg(args[0]));
    ObjectResult(result, p, OglColor::kScriptClass, {c.red, c.green, c.blue, c.alpha});
}

void GetDiffuse(VarRegister* result, VarRegister* args, int count, Processor* p) {
    GetOneColor(result, args, count, p, &OglMaterial::GetDiffuse);
}
void GetSpecular(VarRegister* result, VarRegister* args, int count, Processor* p) {
    GetOneColor(result, args, count, p, &OglMaterial::GetSpecular);
}
void GetAmbient(VarRegister* result, VarRegister* args, int count, Processor* p) {
    GetOneColor(result, args, count, p, &OglMaterial::GetAmbient);
}
void GetEmission(VarRegister* result, VarRegister* args, int count, Processor* p) {
    GetOneColor(result, args, count, p, &OglMaterial::GetEmission);
}

void GetShininess(VarRegister* result, VarRegister* args, int count, Processor*) {
    OglMaterial* m = Self<OglMaterial>(args, count);
    if (!m) return;
    NumberResult(result, BooleanArg(args[0]) ? m->frontShininess : m->backShininess);
}

const ModuleRow rows[] = {
    {142, NewDefault, "OglMaterial::OglMaterial(void)"},
    {143, NewFromColor, "OglMaterial::OglMaterial(number, number, number, number)"},
    {144, NewFromColors, "OglMaterial::OglMaterial(refer object OglColor, refer object OglColor, refer object OglColor, refer object OglColor)"},
    {145, NewCopy, "OglMaterial::OglMaterial(copy)"},
    {146, DeleteMaterial, "OglMaterial::~OglMaterial(void)"},
    {147, SetColor, "OglMaterial::SetColor(number, number, number, number, ...)"},
    {148, SetDiffuse, "OglMaterial::SetDiffuse(number, number, number, number, ...)"},
    {149, SetDiffuse, "OglMaterial::SetDiffuse(refer object OglColor, ...)"},
    {150, SetSpecular, "OglMaterial::SetSpecular(number, number, number, number, ...)"},
    {151, SetSpecular, "OglMaterial::SetSpecular(refer object OglColor, ...)"},
    {152, SetAmbient, "OglMaterial::SetAmbient(number, number, number, number, ...)"},
    {153, SetAmbient, "OglMaterial::SetAmbient(refer object OglColor, ...)"},
    {154, SetEmission, "OglMaterial::SetEmission(number, number, number, number, ...)"},
    {155, SetEmission, "OglMaterial::SetEmission(refer object OglColor, ...)"},
    {156, SetShininess, "OglMaterial::SetShininess(number, ...)"},
    {157, GetDiffuse, "OglMaterial::GetDiffuse(boolean)"},
    {158, GetSpecular, "OglMaterial::GetSpecular(boolean)"},
    {159, GetAmbient, "OglMaterial::GetAmbient(boolean)"},
    {160, GetEmission, "OglMaterial::GetEmission(boolean)"},
    {161, GetShininess, "OglMaterial::GetShininess(boolean)"},
};

}  // namespace

RowList MaterialRows() { return Rows(rows); }
