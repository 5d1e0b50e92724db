// The handler rules: lookups of native objects, argument and vector readers,
// the wording of the host errors, and result writers shared by every handler
// of the module.
#include "module/rules.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <new>

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
    if (!native) MissingNative(className);
    return native;
}

}  // namespace

// ---- native objects

void MissingNative(const char* className) { VeskError(VE_NO_NATIVE, className); }

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

// ---- arguments

Variable* HostObjectArg(VarRegister& reg) {
    Variable* v = reg.designated();
    return (v->type & VT_ANYREF) ? v->GetPointer() : v;
}

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

float NumberAt(VarRegister* args, int count, int i) { return ArgOrEmpty(args, count, i).GetFloatNumb(); }

int IntAt(VarRegister* args, int count, int i) { return ClampToInt(ArgOrEmpty(args, count, i).GetLongNumb()); }

Variable& VectorArg(VarRegister* args, int count, int i) { return *ArgOrEmpty(args, count, i).GetPointer(); }

Point3 PointAt(VarRegister* args, int count, int i) {
    Variable& p = VectorArg(args, count, i);
    return {p("x").GetFloatNumb(), p("y").GetFloatNumb(), p("z").GetFloatNumb()};
}

Point3 PositionAt(VarRegister* args, int count, bool point) {
    if (point) return PointAt(args, count, 0);
    return {NumberAt(args, count, 0), NumberAt(args, count, 1), NumberAt(args, count, 2)};
}

Variable& ElementOf(Variable& v, long i) {
    if (v.type & VT_VECTOR) return (*v.data.vec)[i];
    if (v.type & VT_OBJECT_OR_REF) return v[i];
    VeskError(VE_NOT_INDEXABLE);
    return v;
}

long CountOf(Variable& value) {
    Variable& v = *value.GetPointer();
    long n = 0;
    if (v.type == VT_VECTOR) n = v.data.vec->count;
    else if (v.type == VT_OBJECT) n = v.data.obj->Count();
    return n < 0 ? 0 : n;
}

// ---- sizes and numbers

bool SizesFit(bool fit) {
    if (!fit) VeskError(VE_SIZES);
    return fit;
}

bool SizeError(const char* format, ...) {
    char text[200];
    va_list values;
    va_start(values, format);
    std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    VeskError(VE_SIZES, text);
    return false;
}

int Trunc(double v) {
    if (std::isnan(v)) return 0;
    if (v >= INT_MAX) return INT_MAX;
    if (v <= INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int ClampToInt(long v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v); }

// ---- the vector readers: points, normals and colours from script Vectors
// into packed float triples, one allocation per array and no name look-up
// per element, since drawing calls read millions of them.

namespace {

const char* const kPointMembers[3] = {"x", "y", "z"};
const char* const kColorMembers[3] = {"Red", "Green", "Blue"};

// 3n+1 floats must stay countable with an int.
constexpr long kMaxEntries = (INT_MAX - 1) / 3;

bool IsNumber(const Variable& v) {
    return v.type == VT_BYTE || v.type == VT_INT || v.type == VT_FLOAT || v.type == VT_DOUBLE;
}

// An array of n entries; missing when memory is short, or when n is beyond
// reach (error 8).
PointArray Allocate(long n) {
    PointArray a;
    if (n < 0 || n > kMaxEntries) {
        SizeError("%ld points are more than the %ld a call can draw", n, kMaxEntries);
        return a;
    }
    a.data.reset(new (std::nothrow) float[3 * n + 1]);
    if (!a.data) return a;
    a.count = static_cast<int>(n);
    a.data[3 * n] = 0.0f;
    return a;
}

// Element k of a Vector inside its count is its item k, so a Vector's items
// are read directly; other indexable objects go through element access.
void ReadFlat(Variable& v, float* out, long floats) {
    if (v.type == VT_VECTOR) {
        const Variable* items = v.data.vec->items;
        for (long k = 0; k < floats; k++) out[k] = items[k].GetFloatNumb();
        return;
    }
    for (long k = 0; k < floats; k++) out[k] = ElementOf(v, k).GetFloatNumb();
}

// One entry from a 3-element Vector, or from three members of an object.
void ReadTriple(Variable& e, const int ids[3], float* out) {
    if (e.type == VT_VECTOR) {
        for (int c = 0; c < 3; c++) out[c] = ElementOf(e, c).GetFloatNumb();
        return;
    }
    for (int c = 0; c < 3; c++) out[c] = e(ids[c]).GetFloatNumb();
}

void ReadEntries(Variable& v, const char* const names[3], PointArray& a, const Processor* p) {
    const int ids[3] = {Token::GetNameID(names[0]), Token::GetNameID(names[1]),
                        Token::GetNameID(names[2])};
    float* out = a.data.get();
    for (int i = 0; i < a.count && !(p && p->errorState); i++)
        ReadTriple(ElementOf(v, i), ids, out + 3 * i);
}

// Packed colours: red in bits 0-7, green in 8-15, blue in 16-23.
void ReadPacked(Variable& v, PointArray& a) {
    float* out = a.data.get();
    for (int i = 0; i < a.count; i++) {
        long c = ElementOf(v, i).GetLongNumb();
        out[3 * i] = static_cast<float>((c & 0xFF) / 255.0);
        out[3 * i + 1] = static_cast<float>(((c >> 8) & 0xFF) / 255.0);
        out[3 * i + 2] = static_cast<float>(((c >> 16) & 0xFF) / 255.0);
    }
}

}  // namespace

// An empty vector holds no points: element 0 is not looked at.
PointArray ReadPointArray(Variable& vector, const Processor* p) {
    Variable& v = *vector.GetPointer();
    long n = CountOf(v);
    if (n == 0) return Allocate(0);
    bool flat = IsNumber(ElementOf(v, 0));
    PointArray a = Allocate(flat ? n / 3 : n);
    if (a.Missing()) return a;
    if (flat) ReadFlat(v, a.data.get(), 3L * a.count);
    else ReadEntries(v, kPointMembers, a, p);
    return a;
}

PointArray ReadColorArray(Variable& vector, int expected, const Processor* p) {
    Variable& v = *vector.GetPointer();
    long n = CountOf(v);
    if (n == 0) return Allocate(0);
    bool numbers = IsNumber(ElementOf(v, 0));
    bool packed = numbers && n == expected;
    PointArray a = Allocate(numbers && !packed ? n / 3 : n);
    if (a.Missing()) return a;
    if (packed) ReadPacked(v, a);
    else if (numbers) ReadFlat(v, a.data.get(), 3L * a.count);
    else ReadEntries(v, kColorMembers, a, p);
    return a;
}

// ---- results

Variable* ResultTarget(VarRegister* result) { return HostObjectArg(*result); }

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

// ---- construction

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
