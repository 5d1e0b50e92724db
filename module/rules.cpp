// The handler rules: lookups of native objects, argument readers and result
// writers shared by every handler of the module.
#include "module/rules.h"

namespace rules {

namespace {

// The object of a value that is an object or a reference (self lookup step
// 2); reports 40 for anything else.
VObject* ObjectOf(Variable* v) {
    if (v->type & VT_OBJECT) return v->data.obj;
    if (v->type & VT_ANYREF) return v->GetPointer()->GetVObject();
    VeskError(VE_NOT_OBJECT);
    return nullptr;
}

VeskAss* Require(VeskAss* native, const char* className) {
    if (!native) VeskError(VE_NO_NATIVE, className);
    return native;
}

}  // namespace

VeskAss* FindNative(VarRegister& reg) {
    VObject* o = ObjectOf(reg.designated());
    return o ? o->GetAss() : nullptr;
}

VeskAss* LookupSelf(VarRegister& reg, const char* className) {
    return Require(FindNative(reg), className);
}

VeskAss* LookupExtended(VarRegister& reg, const char* className) {
    Variable* v = reg.designated();
    if (v->type & VT_ANYREF) v = v->GetPointer();
    VeskAss* native;
    if (v->type & VT_OBJECT) {
        native = v->data.obj->GetAss();
    } else if (v->type & VT_NATIVEREF) {
        native = reinterpret_cast<VeskAss*>(v->GetAssID());
    } else {
        VObject* o = ObjectOf(v);
        native = o ? o->GetAss() : nullptr;
    }
    return Require(native, className);
}

VeskAss* LookupDirect(VarRegister& reg, const char* className) {
    VObject* o = reg.designated()->GetVObject();
    return Require(o ? o->GetAss() : nullptr, className);
}

Variable* HostObjectArg(VarRegister& reg) {
    Variable* v = reg.designated();
    return (v->type & VT_ANYREF) ? v->GetPointer() : v;
}

Variable* ResultTarget(VarRegister* result) { return HostObjectArg(*result); }

Variable& ArgOrEmpty(VarRegister* args, int count, int i) {
    static Variable empty;
    if (i < count - 1) return *args[i].designated();
    empty._Clear();
    return empty;
}

int BooleanArg(VarRegister& reg) {
    Variable* v = reg.designated();
    if (v->type == VT_BOOL) return v->data.i;
    VeskError(VE_NOT_BOOLEAN);
    return 0;
}

Variable& ElementOf(Variable& v, long i) {
    if (v.type & VT_VECTOR) return (*v.data.vec)[i];
    if (v.type & VT_OBJECT_OR_REF) return v[i];
    VeskError(VE_NOT_INDEXABLE);
    return v;
}

void BooleanResult(VarRegister* result, bool value) {
    Variable* w = result->designated();
    if (w->type > 16) w->_Clear();
    w->type = VT_BOOL;
    w->data.i = value ? 1 : 0;
}

void NumberResult(VarRegister* result, float value) {
    result->isRef = 0;
    result->value = value;
}

void IntResult(VarRegister* result, int value) {
    result->isRef = 0;
    result->value = value;
}

void ObjectResult(VarRegister* result, Processor* processor, const char* className,
                  std::initializer_list<float> numbers) {
    Variable* target = ResultTarget(result);
    VarRegister regs[4];
    int n = 0;
    for (float f : numbers) {
        if (n == 4) break;
        regs[n].isRef = 0;
        regs[n].value = f;
        n++;
    }
    processor->MakeInstance(*target, className, regs, n);
}

Variable* VectorResult(VarRegister* result, long n) {
    Variable* target = ResultTarget(result);
    target->Init(VT_VECTOR, n);
    return target;
}

void Construct(VarRegister* args, int count, Processor* processor, VeskAss* native) {
    if (!native) return;
    Variable* target = HostObjectArg(args[count - 1]);
    if (!native->Join(target, processor)) delete native;  // nothing to join it to
}

void Destruct(VarRegister* args, int count) {
    VeskAss* native = FindNative(args[count - 1]);
    if (!native) return;
    native->BreakJoint();
    delete native;
}

}  // namespace rules
