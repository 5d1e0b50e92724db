// A register of the evaluator: a host value with its double held in place.
// Registers, constants and the arguments of builtins are slots; a slot
// becomes a host Variable (its double an owned heap cell) only when it is
// stored into a vector, an object or a global, or handed to a class method.
// Every other kind has the Variable's representation, so sharing a string,
// vector or object between the two is the same reference count.
#pragma once

#include <cstdint>

#include "host/variable.h"

namespace vesk::vm {

// A local the function has not set yet: reading it reads the global of that
// name. Never leaves the evaluator.
constexpr VVARTYPE VT_UNSET = 2;

struct Slot {
    VVARTYPE type;
    union {
        int32_t i;
        float f;
        double d;
        unsigned char b;
        void* p;
        Vector* vec;
        VObject* obj;
        VRefCell* ref;
        VBlob* blob;
        VFunction* fn;
    };
};

// Kinds below a function own nothing (null, booleans, numbers, unset).
inline bool Owns(const Slot& s) { return s.type >= VT_FUNCTION; }

// One more reference to what the slot owns.
void RetainSlow(const Slot& s);
inline void Retain(const Slot& s) {
    if (Owns(s)) RetainSlow(s);
}

// Gives up what the slot owns (the slot itself is left as it is). May run
// destructor rows.
void ReleaseSlow(Slot& s);
inline void Release(Slot& s) {
    Slot old = s;
    s.type = VT_EMPTY;
    if (Owns(old)) ReleaseSlow(old);
}

// Writing a number or a boolean: what the slot held goes after the new value
// is in place.
inline void SetInt(Slot& s, int32_t v) {
    Slot old = s;
    s.type = VT_INT;
    s.i = v;
    if (Owns(old)) ReleaseSlow(old);
}
inline void SetDouble(Slot& s, double v) {
    Slot old = s;
    s.type = VT_DOUBLE;
    s.d = v;
    if (Owns(old)) ReleaseSlow(old);
}
inline void SetBoolean(Slot& s, bool v) {
    Slot old = s;
    s.type = VT_BOOL;
    s.i = v;
    if (Owns(old)) ReleaseSlow(old);
}

// to = from, sharing what from owns. What to held goes after to is set, so
// a destructor row that runs then sees the new value in place.
inline void Copy(Slot& to, const Slot& from) {
    Slot old = to;
    Retain(from);
    to = from;
    if (Owns(old)) ReleaseSlow(old);
}

// to = from, taking over what from owns; from becomes empty.
inline void Move(Slot& to, Slot& from) {
    Slot old = to;
    to = from;
    from.type = VT_EMPTY;
    if (Owns(old)) ReleaseSlow(old);
}

// The slot's number as a double; only for the four number kinds.
inline double NumberOf(const Slot& s) {
    switch (s.type) {
    case VT_DOUBLE: return s.d;
    case VT_INT: return s.i;
    case VT_FLOAT: return s.f;
    default: return s.b;
    }
}

inline bool IsNumberSlot(const Slot& s) {
    return s.type == VT_INT || s.type == VT_DOUBLE || s.type == VT_FLOAT || s.type == VT_BYTE;
}

// Between slots and host values. ToVariable writes a double into a place
// that holds one already without a new cell.
void ToVariable(const Slot& s, Variable& out);
void FromVariable(const Variable& v, Slot& out);
// A host value that shares (or, for a double, copies) the slot's value.
Variable AsVariable(const Slot& s);

// Truth of a slot, as Variable::IsTrue.
bool Truth(const Slot& s);

}  // namespace vesk::vm
