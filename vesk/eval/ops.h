// The machine's slow paths: everything an instruction does beyond its
// fast case of integers, doubles and vectors. Each takes its operands as
// slots and writes its result into `out` last, so `out` may be an operand.
// Errors are recorded on the processor and unwind (Machine::Fail, Check).
// Private to the evaluator.
#pragma once

#include "vesk/eval/machine.h"

namespace vesk::vm {

struct Ops {
    // Arithmetic and bitwise operators, by the host's general arithmetic or
    // the left operand's operator row; `compound` tries its "op=" row first.
    static void Arith(Machine& m, Op op, Slot& out, const Slot& x, const Slot& y, bool compound);
    static void Unary(Machine& m, Op op, Slot& out, const Slot& x);
    // < <= > >= == != on any two values.
    static bool Compare(Machine& m, Op op, const Slot& x, const Slot& y);

    // Names: a global, else the builtin of that name, else error 3.
    static void GetGlobal(Machine& m, Slot& out, int32_t name, int builtin);
    static void SetGlobal(Machine& m, int32_t name, Slot& value, bool take);
    static void GetVar(Machine& m, Slot& out, const Slot& local, int32_t name);

    static void NewVector(Machine& m, Slot& out, Slot* items, int count);
    static void GetIndex(Machine& m, Slot& out, const Slot& container, const Slot& index);
    static void SetIndex(Machine& m, const Slot& container, const Slot& index, const Slot& value);
    static void GetMember(Machine& m, Slot& out, const Slot& object, MemberSite& site);
    static void SetMember(Machine& m, const Slot& object, const Slot& value, MemberSite& site);

    // Calls: base holds self (or the callee), then the arguments; the result
    // replaces base.
    static void Method(Machine& m, Slot* base, int count, MethodSite& site);
    static void NewObject(Machine& m, Slot* base, int count, const char* className);
    static void Builtin(Machine& m, int index, Slot* args, int count, Slot& out);
    // The prototype a function value runs (text is compiled at its first call).
    static const Proto* CodeOf(Machine& m, const Slot& callee);
    static void MakeFunction(Machine& m, Slot& out, const Proto* proto);

    // to = from (or takes it), letting go of what to held; a destructor row
    // that reports stops the script here.
    static void Assign(Machine& m, Slot& to, Slot& from, bool take);
    static void Clear(Machine& m, Slot* from, int count);
};

}  // namespace vesk::vm
