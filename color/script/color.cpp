// The script class OglColor: constructors, destructor, setters, getters and
// the "*" and "*=" operators.
#include "color/color.h"

#include <new>

#include "module/rules.h"

using namespace rules;

namespace {

void NewColor(VarRegister*, VarRegister* args, int count, Processor* p) {
    Construct(args, count, p, new (std::nothrow) OglColor);
}

void CopyColor(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglColor* source = ObjectArg<OglColor>(args[0]);
    if (!source) return;
    Construct(args, count, p, new (std::nothrow) OglColor(*source));
}

void NewColorRGBA(VarRegister*, VarRegister* args, int count, Processor* p) {
    Construct(args, count, p,
              new (std::nothrow) OglColor(NumberArg(args[0]), NumberArg(args[1]),
                                          NumberArg(args[2]), NumberArg(args[3])));
}

void NewColorRef(VarRegister*, VarRegister* args, int count, Processor* p) {
    OglColor converted = ColorRefConversion(*args[0].designated());
    Construct(args, count, p, new (std::nothrow) OglColor(converted));
}

void DeleteColor(VarRegister*, VarRegister* args, int count, Processor*) {
    Destruct(args, count);
}

void SetColorRef(VarRegister*, VarRegister* args, int count, Processor*) {
    OglColor* self = Self<OglColor>(args, count);
    if (!self) return;
    *self = ColorRefConversion(*args[0].designated());
}

void SetColorRGBA(VarRegister*, VarRegister* args, int count, Processor*) {
    OglColor* self = Self<OglColor>(args, count);
    if (!self) return;
    self->SetColor(NumberArg(args[0]), NumberArg(args[1]), NumberArg(args[2]), NumberArg(args[3]));
}

// The product becomes the native part of a new script OglColor: the host
// builds a default one, whose native colour is then replaced.
void Multiply(VarRegister* result, VarRegister* args, int count, Processor* p) {
    OglColor* self = Self<OglColor>(args, count);
    if (!self) return;
    OglColor* product = new (std::nothrow) OglColor(*self * NumberArg(args[0]));
    if (!product) return;
    Variable* target = ResultTarget(result);
    p->MakeInstance(*target, OglColor::kScriptClass, nullptr, 0);
    if (VeskAss* old = FindNative(*result)) {
        old->BreakJoint();
        delete old;
    }
    if (!product->Join(ResultTarget(result), p)) delete product;
}

void MultiplyInPlace(VarRegister*, VarRegister* args, int count, Processor*) {
    if (OglColor* self = Self<OglColor>(args, count)) *self *= NumberArg(args[0]);
}

const ModuleRow rows[] = {
    {129, NewColor, "OglColor::OglColor(void)"},
    {130, CopyColor, "OglColor::OglColor(copy)"},
    {131, NewColorRGBA, "OglColor::OglColor(number, number, number, number)"},
    {132, NewColorRef, "OglColor::OglColor(refer object ColorRef)"},
    {133, DeleteColor, "OglColor::~OglColor(void)"},
    {134, SetColorRef, "OglColor::SetColor(refer object ColorRef)"},
    {135, SetColorRGBA, "OglColor::SetColor(number, number, number, number)"},
    {136, FieldResult<OglColor, &OglColor::red>, "OglColor::GetRed(void)"},
    {137, FieldResult<OglColor, &OglColor::green>, "OglColor::GetGreen(void)"},
    {138, FieldResult<OglColor, &OglColor::blue>, "OglColor::GetBlue(void)"},
    {139, FieldResult<OglColor, &OglColor::alpha>, "OglColor::GetAlpha(void)"},
    {140, Multiply, "OglColor::*(number)"},
    {141, MultiplyInPlace, "OglColor::*=(number)"},
};

}  // namespace

RowList ColorRows() { return Rows(rows); }
