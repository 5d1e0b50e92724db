// A register of the evaluator: a host value with its double held in place.
// Registers, constants and the arguments of builtins are slots; a slot
// becomes a host Variable (its double an owned heap cell) only when it is
// stored into a vector, an object or a global, or handed to a class method.
// Every other kind has the Variable's representation, so sharing a string,
// vector or object between the two is the same reference count.
#pragma once

#include <cstdint>

#include "host/variable.h"
#include "vesk/values/value.h"

namespace vesk::vm {

// A local the function has not set yet: reading it reads the global of that
// name. Never leaves the evaluator.
constexpr VVARTYPE VT_UNSET = 2;

// A slot is two machine words, written and copied a word at a time: the
// type through `tag`, the value through a full word. A narrower store
// followed by a wider load of the same bytes stalls the processor, and
// registers are written and read back within a few instructions all the
// time, so `type` is only ever read.
struct Slot {
    union {
        VVARTYPE type;
        uint64_t tag;
    };
    union {
        int32_t i;
        float f;
        double d;
        unsigned char b;
        void* p;
        HostVector* vec;
        HostObject* obj;
        VRefCell* ref;
        VBlob* blob;
        VFunction* fn;
        uint64_t bits;
    };

    Slot() : tag(VT_EMPTY), bits(0) {}
    Slot(VVARTYPE t, uint64_t value) : tag(t), bits(value) {}
    Slot(const Slot& o) : tag(o.tag), bits(o.bits) {}
    Slot& operator=(const Slot& o) {
        tag = o.tag;
        bits = o.bits;
        return *this;
    }
    void Empty() { tag = VT_EMPTY; }
};

inline uint64_t IntBits(int32_t v) { return static_cast<uint32_t>(v); }
inline uint64_t DoubleBits(double v) {
    uint64_t b;
    __builtin_memcpy(&b, &v, sizeof b);
    return b;
}
inline uint64_t FloatBits(float v) {
    uint32_t b;
    __builtin_memcpy(&b, &v, sizeof b);
    return b;
}
inline uint64_t PointerBits(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Kinds below a function own nothing (null, booleans, numbers, unset).
inline bool Owns(const Slot& s) { return s.type >= VT_FUNCTION; }

// The reference count of what an owning slot holds.
inline long& RefCount(const Slot& s) {
    switch (s.type) {
    case VT_VECTOR: return s.vec->refs;
    case VT_OBJECT: return s.obj->refs;
    case VT_STRING:
    case VT_DATA: return s.blob->refs;
    case VT_FUNCTION: return s.fn->refs;
    default: return s.ref->refs;  // either kind of reference
    }
}

// One more reference to what the slot owns.
inline void Retain(const Slot& s) {
    if (Owns(s)) ++RefCount(s);
}

// Gives up what the slot owns (the slot itself is left as it is). May run
// destructor rows.
void ReleaseSlow(Slot& s);
// The same when another reference remains, which is the common case; false
// when this is the last one (then nothing was done).
inline bool ReleaseShared(const Slot& s) {
    long& r = RefCount(s);
    if (r <= 1) return false;
    --r;
    return true;
}
inline void Release(Slot& s) {
    Slot old = s;
    s.Empty();
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
}

// Writing a number or a boolean: what the slot held goes after the new value
// is in place.
inline void SetInt(Slot& s, int32_t v) {
    Slot old = s;
    s = Slot(VT_INT, IntBits(v));
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
}
inline void SetDouble(Slot& s, double v) {
    Slot old = s;
    s = Slot(VT_DOUBLE, DoubleBits(v));
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
}
inline void SetBoolean(Slot& s, bool v) {
    Slot old = s;
    s = Slot(VT_BOOL, v ? 1 : 0);
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
}

// to = from, sharing what from owns. What to held goes after to is set, so
// a destructor row that runs then sees the new value in place.
inline void Copy(Slot& to, const Slot& from) {
    Slot old = to;
    Retain(from);
    to = from;
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
}

// to = from, taking over what from owns; from becomes empty.
inline void Move(Slot& to, Slot& from) {
    Slot old = to;
    to = from;
    from.Empty();
    if (Owns(old) && !ReleaseShared(old)) ReleaseSlow(old);
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
// Moves a slot's value into an empty host value (a new vector element):
// what it owns changes hands, a double gets its cell. The slot is left empty.
inline void MoveToEmptyVariable(Slot& s, Variable& out) {
    if (s.type == VT_DOUBLE) {
        double* cell = NewDouble(s.d);
        out.type = cell ? VT_DOUBLE : VT_EMPTY;
        out.data.d = cell;
    } else if (s.type != VT_UNSET) {
        out.type = s.type;
        out.data.p = s.p;
    }
    s.Empty();
}
// A host value that shares (or, for a double, copies) the slot's value.
Variable AsVariable(const Slot& s);

// Truth of a slot, as Variable::IsTrue.
bool Truth(const Slot& s);

}  // namespace vesk::vm
