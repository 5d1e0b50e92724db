// The operators of the language: arithmetic through the host's general
// arithmetic or the operator rows of the left operand's class, shifts,
// comparisons, and the unary operators.
#include <cstdint>

#include "host/arith.h"
#include "vesk/dispatch.h"
#include "vesk/machine.h"

namespace vesk {

namespace {

// Only these kinds of value have a class that may declare operator rows.
bool HasClass(const Variable& v) {
    return v.type == VT_OBJECT || v.type == VT_VECTOR || v.type == VT_STRING;
}

bool IsInteger(const Variable& v) { return v.type == VT_INT || v.type == VT_BYTE; }

// The host's general arithmetic for the arithmetic and bitwise operators.
using HostOp = Variable (*)(const Variable&, const Variable&);
HostOp HostOpOf(Op op) {
    switch (op) {
    case Op::Add: return _AddNumb;
    case Op::Sub: return _SubNumb;
    case Op::Mul: return _MulNumb;
    case Op::Div: return _DivNumb;
    case Op::Mod: return _RestNumb;
    case Op::BitOr: return _BitOrNumb;
    case Op::BitAnd: return _BitAndNumb;
    case Op::BitXor: return _BitXorNumb;
    default: return nullptr;
    }
}

// The row name of a compound assignment operator.
const char* AssignRowName(Op op) {
    switch (op) {
    case Op::Add: return "+=";
    case Op::Sub: return "-=";
    case Op::Mul: return "*=";
    case Op::Div: return "/=";
    case Op::Mod: return "%=";
    default: return nullptr;
    }
}

// Numbers compare by value across kinds; strings compare their bytes.
int Order(Machine& m, Op op, const Variable& a, const Variable& b) {
    if (IsNumber(a) && IsNumber(b)) {
        double x = a.GetDoubleNumb(), y = b.GetDoubleNumb();
        switch (op) {
        case Op::Lt: return x < y;
        case Op::Le: return x <= y;
        case Op::Gt: return x > y;
        default: return x >= y;
        }
    }
    if (a.type == VT_STRING && b.type == VT_STRING) {
        int c = StringOf(a).compare(StringOf(b));
        switch (op) {
        case Op::Lt: return c < 0;
        case Op::Le: return c <= 0;
        case Op::Gt: return c > 0;
        default: return c >= 0;
        }
    }
    m.Fail(VE_WRONG_KIND, "cannot compare " + AKind(a) + " with " + AKind(b) +
                              " by " + OpText(op) + " (only numbers with numbers, strings with strings)");
}

// Shifts work on the 32-bit integer; the count is taken modulo 32 and >>
// keeps the sign.
void Shift(Machine& m, Op op, const Variable& a, const Variable& b, Variable& out) {
    if (!IsInteger(a) || !IsInteger(b))
        m.Fail(VE_WRONG_KIND, "cannot shift " + AKind(a) + " by " + AKind(b) +
                                  " (shifts need integers)");
    uint32_t x = static_cast<uint32_t>(a.GetLongNumb());
    int count = static_cast<int>(b.GetLongNumb() & 31);
    int32_t r = op == Op::Shl ? static_cast<int32_t>(x << count) : static_cast<int32_t>(x) >> count;
    out = static_cast<int>(r);
}

void SetByte(Variable& out, unsigned value) {
    out._Clear();
    out.type = VT_BYTE;
    out.data.i = static_cast<int>(value & 0xFF);
}

const Variable& Held(const Variable& v) {
    return (v.type == VT_REF || v.type == VT_NATIVEREF) ? v.data.ref->value : v;
}

// out is empty: an integer or a boolean is written in place.
void PutInt(Variable& out, int64_t v) {
    out.type = VT_INT;
    out.data.i = static_cast<int>(static_cast<uint32_t>(v));
}
void PutBool(Variable& out, bool v) {
    out.type = VT_BOOL;
    out.data.i = v;
}

// Loops and coordinates are integers and doubles: these take them without
// the host's call, with the host's results (32-bit integers wrap, a double on
// either side makes a double). Division by zero, the other kinds and the
// other operators go the general way. Returns whether it wrote out.
bool FastBinary(Op op, const Variable& a, const Variable& b, Variable& out) {
    if (a.type == VT_INT && b.type == VT_INT) {
        int64_t x = a.data.i, y = b.data.i;
        switch (op) {
        case Op::Add: PutInt(out, x + y); return true;
        case Op::Sub: PutInt(out, x - y); return true;
        case Op::Mul: PutInt(out, x * y); return true;
        case Op::Div: if (y == 0) return false; PutInt(out, x / y); return true;
        case Op::Mod: if (y == 0) return false; PutInt(out, x % y); return true;
        case Op::Eq: PutBool(out, x == y); return true;
        case Op::Ne: PutBool(out, x != y); return true;
        case Op::Lt: PutBool(out, x < y); return true;
        case Op::Le: PutBool(out, x <= y); return true;
        case Op::Gt: PutBool(out, x > y); return true;
        case Op::Ge: PutBool(out, x >= y); return true;
        default: return false;
        }
    }
    bool numbers = (a.type == VT_INT || a.type == VT_DOUBLE) && (b.type == VT_INT || b.type == VT_DOUBLE);
    if (!numbers) return false;
    double x = a.type == VT_INT ? a.data.i : *a.data.d;
    double y = b.type == VT_INT ? b.data.i : *b.data.d;
    switch (op) {
    case Op::Add: out = x + y; return true;
    case Op::Sub: out = x - y; return true;
    case Op::Mul: out = x * y; return true;
    case Op::Div: if (y == 0.0) return false; out = x / y; return true;
    case Op::Eq: PutBool(out, x == y); return true;
    case Op::Ne: PutBool(out, x != y); return true;
    case Op::Lt: PutBool(out, x < y); return true;
    case Op::Le: PutBool(out, x <= y); return true;
    case Op::Gt: PutBool(out, x > y); return true;
    case Op::Ge: PutBool(out, x >= y); return true;
    default: return false;
    }
}

}  // namespace

void Machine::Binary(Op op, const Variable& left, const Variable& right, Variable& out) {
    const Variable& a = Held(left);
    const Variable& b = Held(right);
    if (FastBinary(op, a, b, out)) return;
    switch (op) {
    case Op::Eq:
    case Op::Ne: SetBool(out, Identical(a, b) == (op == Op::Eq)); return;
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge: SetBool(out, Order(*this, op, a, b)); return;
    case Op::Shl:
    case Op::Shr: Shift(*this, op, a, b, out); return;
    default: break;
    }
    const char* name = OpText(op);
    if (HasClass(a) && HasMethod(a, name)) {
        Variable self(a), arg(b);
        CallMethod(self, name, &arg, 1, out);
        return;
    }
    HostOp host = HostOpOf(op);
    if (!host) Fail(VE_UNSUPPORTED, std::string("operator ") + name + " is not known");
    Variable result = host(a, b);
    Check();
    MoveInto(out, result);
}

bool Machine::AssignOperator(Op op, const Variable& target, const Variable& value) {
    const Variable& t = Deref(const_cast<Variable&>(target));
    const char* name = AssignRowName(op);
    if (!name || !HasClass(t) || !HasMethod(t, name)) return false;
    Variable self(t), arg(value), ignored;
    CallMethod(self, name, &arg, 1, ignored);
    return true;
}

// - negates numbers (an integer wraps, a byte becomes an integer); ! gives
// the boolean opposite of the value's truth; ~ complements integers and bytes.
void Machine::Unary(Op op, const Variable& operand, Variable& out) {
    const Variable& v = Deref(const_cast<Variable&>(operand));
    switch (op) {
    case Op::Not: SetBool(out, !v.IsTrue()); return;
    case Op::Neg:
        switch (v.type) {
        case VT_INT: out = static_cast<int>(0u - static_cast<uint32_t>(v.data.i)); return;
        case VT_BYTE: out = -static_cast<int>(v.data.b); return;
        case VT_FLOAT: out = -v.data.f; return;
        case VT_DOUBLE: out = -*v.data.d; return;
        default: Fail(VE_WRONG_KIND, "cannot negate " + AKind(v) + " (- needs a number)");
        }
    case Op::BitNot:
        if (v.type == VT_INT) out = ~v.data.i;
        else if (v.type == VT_BYTE) SetByte(out, ~static_cast<unsigned>(v.data.b));
        else Fail(VE_WRONG_KIND, "cannot complement " + AKind(v) + " (~ needs an integer)");
        return;
    default: Fail(VE_UNSUPPORTED, std::string("operator ") + OpText(op) + " is not known");
    }
}

}  // namespace vesk
