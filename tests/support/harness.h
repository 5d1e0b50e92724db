// A host for tests: loads cVOpenGL.so the way the runner does and calls its
// rows either as a script would (through the dispatcher) or directly by
// signature with raw registers.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "vesk/modules/dispatch.h"
#include "vesk/classes/host_classes.h"
#include "vesk/modules/loader.h"
#include "vesk/values/runtime.h"

class Harness {
public:
    Harness();
    ~Harness();

    Module* module = nullptr;
    Processor processor;

    // Script-level calls: `new cls(args)` and `self->method(args)`.
    Variable New(const char* cls, std::vector<Variable> args = {});
    Variable Call(Variable& self, const char* method, std::vector<Variable> args = {});

    // Errors raised since the last take, oldest first; taking clears them.
    std::vector<vesk::ErrorEntry> TakeErrors();
    std::vector<int> Errors();

    // The handler a signature of the module's table is bound to (null if none).
    VeskHandler Handler(const char* signature);
    // Calls that handler with raw registers; returns the error numbers raised.
    std::vector<int> CallRow(const char* signature, VarRegister* result, VarRegister* args,
                             int count);
    // The same with registers holding these values (self last); `result` is
    // the result register's value before and after.
    std::vector<int> CallRow(const char* signature, std::vector<Variable> args, Variable* result = nullptr);

private:
    vesk::RunningScope* scope_;
};

// The native object joined to a script object.
template <class T>
T* NativeOf(const Variable& object) {
    return static_cast<T*>(object.data.obj->GetAss());
}
// Takes the native object away from a script object, as a failed
// allocation in its constructor would have left it; returns the object.
Variable& DropNative(Variable& object);
// A boolean result that is true (false for anything else).
inline bool IsTrue(const Variable& v) { return v.type == VT_BOOL && v.data.i != 0; }

inline Variable Int(int v) { Variable x; x = v; return x; }
inline Variable Num(double v) { return Variable(v); }
inline Variable Flt(float v) { Variable x; x = v; return x; }
inline Variable Bool(bool v) { Variable x; vesk::SetBool(x, v); return x; }
inline Variable Str(const char* s) { return Variable(VT_STRING, s); }
// A script vector of the given items.
inline Variable Vec(std::initializer_list<Variable> items) {
    Variable v;
    v.Init(VT_VECTOR, static_cast<long>(items.size()));
    long i = 0;
    for (const Variable& item : items) v[i++] = item;
    return v;
}
