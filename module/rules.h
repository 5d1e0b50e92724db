// The handler rules: the module's one helper library, which every script
// method handler is written with, as Lua's auxiliary library is for Lua.
// Finding the native object behind self or an argument; reading number, int,
// boolean, point and vector arguments and elements; writing results; the
// constructor and destructor rules. These helpers are the one place that
// words the host errors 8, 40, 43, 73 and 77: other files call them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "host/vesk.h"

// Module error codes of the error table.
enum ModuleErrorCode {
    OGL_WRONG_DC = 0,
    OGL_NO_DC = 1,
    OGL_CANTBIND_DC = 2,
    OGL_NAME_STACK_OVERFLOW = 3,
    OGL_NAME_STACK_UNDERFLOW = 4,
    OGL_NO_SELECTION_MODE = 5,
    OGL_NURBS_ERROR = 6,
};

// The instance handle the entry point stored.
HINSTANCE ModuleInstance();

// Reports module error `code` (with an optional text) at this module's error
// base; silent when the host gave the module no base (0xFFFF).
void RaiseModuleError(int code, const char* text);

namespace rules {

// ---- native objects
// A native class names its script class once, as
// `static constexpr const char* kScriptClass`; the lookups below take the
// class from there and report error 43 with it.

// Self lookup: an object, or a reference to one (else error 40); its native
// object (else error 43 with the class name).
VeskAss* LookupSelf(VarRegister& reg, const char* className);
// Extended self lookup (used when opening on a device): follows a reference
// value first.
VeskAss* LookupExtended(VarRegister& reg, const char* className);
// Direct self lookup: whatever object the value holds, no error 40.
VeskAss* LookupDirect(VarRegister& reg, const char* className);
// Self lookup steps without error 43 (the destructor and the replacing
// object result use it).
VeskAss* FindNative(VarRegister& reg);
// Error 43 for an object of `className` without its native part.
void MissingNative(const char* className);

// The native object as the class the row declares. The host only passes
// objects of that class; a native of another class counts as missing.
template <class T>
T* As(VeskAss* native) {
    if (!native) return nullptr;
    T* t = dynamic_cast<T*>(native);
    if (!t) MissingNative(T::kScriptClass);
    return t;
}

template <class T>
T* Self(VarRegister* args, int count) {
    return As<T>(LookupSelf(args[count - 1], T::kScriptClass));
}
template <class T>
T* ExtendedSelf(VarRegister* args, int count) {
    return As<T>(LookupExtended(args[count - 1], T::kScriptClass));
}
template <class T>
T* DirectSelf(VarRegister* args, int count) {
    return As<T>(LookupDirect(args[count - 1], T::kScriptClass));
}
// Object argument of a module class: the self lookup steps on the argument.
template <class T>
T* ObjectArg(VarRegister& reg) {
    return As<T>(LookupSelf(reg, T::kScriptClass));
}
// Direct object argument: the direct self lookup steps on the argument.
template <class T>
T* DirectObjectArg(VarRegister& reg) {
    return As<T>(LookupDirect(reg, T::kScriptClass));
}
// The natives of n object arguments, all looked up before any is reported:
// one error 43 when any is missing.
template <class T>
bool AllObjectArgs(VarRegister* regs, int n, T** out) {
    bool all = true;
    for (int i = 0; i < n; i++) all &= (out[i] = dynamic_cast<T*>(FindNative(regs[i]))) != nullptr;
    if (!all) MissingNative(T::kScriptClass);
    return all;
}

// ---- arguments

// Host object argument: the value, followed when it is a reference.
Variable* HostObjectArg(VarRegister& reg);
// Argument i of a row shared by overloads, or an empty value when the call
// has fewer arguments, so that a handler never reads past its registers.
Variable& ArgOrEmpty(VarRegister* args, int count, int i);

inline float NumberArg(VarRegister& reg) { return reg.designated()->GetFloatNumb(); }
inline long IntArg(VarRegister& reg) { return reg.designated()->GetLongNumb(); }
// A boolean value gives its data word; anything else reports 73 and gives 0.
int BooleanArg(VarRegister& reg);

// Argument i (of ArgOrEmpty) as a float, as an int pinned to the int range,
// or as a host object (a reference followed).
float NumberAt(VarRegister* args, int count, int i);
int IntAt(VarRegister* args, int count, int i);
Variable& VectorArg(VarRegister* args, int count, int i);

// A POINT3 argument: its members x, y, z as floats (the class is not checked).
struct Point3 {
    float x, y, z;
};
Point3 PointAt(VarRegister* args, int count, int i);
// A position from argument 0 on: a POINT3 when `point`, else three numbers.
Point3 PositionAt(VarRegister* args, int count, bool point);

// Element i of a vector or indexable object; anything else reports 77 and
// stands for itself.
Variable& ElementOf(Variable& v, long i);
// Elements of a Vector or indexable object (following a reference); any
// other value has none.
long CountOf(Variable& v);

// ---- the vector readers of the drawing calls

// n entries as consecutive float triples (x, y, z or red, green, blue), plus
// one spare float. A missing array (null data) means the allocation failed.
struct PointArray {
    std::unique_ptr<float[]> data;
    int count = 0;

    bool Missing() const { return !data; }
    const float* Get() const { return data.get(); }
};

// Reads points: flat numbers when element 0 is a number (count / 3 points,
// trailing numbers ignored), else one point per element, a 3-element Vector
// or an object with members "x", "y", "z". Reading stops at the first point
// that raised an error: the call draws nothing then, and one error says why.
PointArray ReadPointArray(Variable& vector, const Processor* p);
// Reads colours: numbers are packed colours (red in the lowest byte) when
// there are exactly `expected` of them, else flat float triples; other
// elements are 3-element Vectors or objects with "Red", "Green", "Blue".
PointArray ReadColorArray(Variable& vector, int expected, const Processor* p);

// ---- sizes and numbers

// Raises host error 8 unless the sizes fit; returns whether they do.
bool SizesFit(bool fit);
// Host error 8 with a text saying which sizes do not fit; returns false.
bool SizeError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Truncation toward zero to a 32-bit integer; values beyond its range (and
// NaN) are pinned instead of being undefined.
int Trunc(double v);
// A long pinned to the int range.
int ClampToInt(long v);
// 32-bit two's complement wrap-around of a 64-bit result, as the host's
// integers behave.
inline int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// ---- results

// The result target of object and vector results: the designated value of
// the result register, followed when it is a reference.
Variable* ResultTarget(VarRegister* result);
void BooleanResult(VarRegister* result, bool value);
void NumberResult(VarRegister* result, float value);
void IntResult(VarRegister* result, int value);
// A new object of class K, constructed by the host from number arguments.
void ObjectResult(VarRegister* result, Processor* processor, const char* className,
                  std::initializer_list<float> numbers);
// Makes the result a vector of n elements and returns it.
Variable* VectorResult(VarRegister* result, long n);

// Handlers of rows that read or write one field reached from self through a
// chain of members, such as FlagResult<OglContext, &OglContext::switches,
// &OglSwitches::wired>: the field as a boolean result, a boolean argument
// stored into it, or the field as a number result.
template <class T, auto... path>
void FlagResult(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (T* self = Self<T>(args, count)) BooleanResult(result, (*self .* ... .* path) != 0);
}
template <class T, auto... path>
void StoreFlag(VarRegister*, VarRegister* args, int count, Processor*) {
    if (T* self = Self<T>(args, count)) (*self .* ... .* path) = BooleanArg(args[0]);
}
template <class T, auto... path>
void FieldResult(VarRegister* result, VarRegister* args, int count, Processor*) {
    if (T* self = Self<T>(args, count)) NumberResult(result, (*self .* ... .* path));
}

// ---- construction

// Constructor rule: joins a newly allocated native to the object being
// constructed; a null native (failed allocation) joins nothing, silently.
void Construct(VarRegister* args, int count, Processor* processor, VeskAss* native);
// Destructor rule: breaks the join and deletes the native, if there is one.
void Destruct(VarRegister* args, int count);

}  // namespace rules

// A row of the method table as a subsystem declares it: its position in the
// table, its handler and its signature.
struct ModuleRow {
    int number;
    VeskHandler handler;
    const char* signature;
};

struct RowList {
    const ModuleRow* rows;
    int count;
};

template <int N>
constexpr RowList Rows(const ModuleRow (&rows)[N]) {
    return {rows, N};
}
