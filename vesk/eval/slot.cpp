// Slots and host values: sharing what a slot owns, letting go of it, and
// turning slots into Variables and back.
#include "vesk/eval/slot.h"

#include <cstring>

#include "vesk/values/value.h"

namespace vesk::vm {

// What a slot owns is what a Variable of the same type and data owns, so the
// host's own release does the work (destructor rows included).
void ReleaseSlow(Slot& s) {
    Variable v;
    v.type = s.type;
    v.data.p = s.p;
}  // v's destructor lets go

void ToVariable(const Slot& s, Variable& out) {
    switch (s.type) {
    case VT_DOUBLE: out = s.d; return;
    case VT_UNSET: out._Clear(); return;
    default: break;
    }
    if (!Owns(s)) {
        out._Clear();
        out.type = s.type;
        out.data.p = s.p;
        return;
    }
    Variable shell;
    shell.type = s.type;
    shell.data.p = s.p;
    out = shell;                // shares what the slot owns
    shell.type = VT_EMPTY;      // the shell owned nothing of its own
}

void FromVariable(const Variable& v, Slot& out) {
    if (v.type == VT_DOUBLE) {
        SetDouble(out, *v.data.d);
        return;
    }
    Copy(out, Slot(v.type, PointerBits(v.data.p)));
}

Variable AsVariable(const Slot& s) {
    Variable v;
    ToVariable(s, v);
    return v;
}

bool Truth(const Slot& s) {
    switch (s.type) {
    case VT_EMPTY:
    case VT_UNSET: return false;
    case VT_BOOL:
    case VT_INT: return s.i != 0;
    case VT_BYTE: return s.b != 0;
    case VT_FLOAT: return s.f != 0.0f;
    case VT_DOUBLE: return s.d != 0.0;
    case VT_STRING: return s.blob->size > 0;
    case VT_REF:
    case VT_NATIVEREF: return s.ref->value.IsTrue();
    default: return true;
    }
}

}  // namespace vesk::vm
