// The host's general arithmetic, the arithmetic of the script language:
// numbers promote byte < int < float < double; + also joins strings.
#include <cmath>
#include <cstdint>

#include "vesk/values/runtime.h"
#include "vesk/values/value.h"

namespace {

enum class Op { Add, Sub, Mul, Div, Rest, Or, And, Xor };

const char* Verb(Op op) {
    switch (op) {
    case Op::Add: return "add";
    case Op::Sub: return "subtract";
    case Op::Mul: return "multiply";
    case Op::Div: return "divide";
    case Op::Rest: return "take the remainder of";
    case Op::Or: return "combine with |";
    case Op::And: return "combine with &";
    case Op::Xor: return "combine with ^";
    }
    return "combine";
}

int Rank(VVARTYPE t) {
    switch (t) {
    case VT_BYTE: return 0;
    case VT_INT: return 1;
    case VT_FLOAT: return 2;
    case VT_DOUBLE: return 3;
    default: return -1;
    }
}

// Integer arithmetic in 64 bits, then wrapped to 32 (two's complement).
bool IntOp(Op op, int64_t a, int64_t b, int64_t* r) {
    switch (op) {
    case Op::Add: *r = a + b; return true;
    case Op::Sub: *r = a - b; return true;
    case Op::Mul: *r = a * b; return true;
    case Op::Div: if (b == 0) return false; *r = a / b; return true;  // truncates toward zero
    case Op::Rest: if (b == 0) return false; *r = a % b; return true; // sign of a
    case Op::Or: *r = a | b; return true;
    case Op::And: *r = a & b; return true;
    case Op::Xor: *r = a ^ b; return true;
    }
    return false;
}

bool RealOp(Op op, double a, double b, double* r) {
    switch (op) {
    case Op::Add: *r = a + b; return true;
    case Op::Sub: *r = a - b; return true;
    case Op::Mul: *r = a * b; return true;
    case Op::Div: if (b == 0.0) return false; *r = a / b; return true;
    case Op::Rest: if (b == 0.0) return false; *r = std::fmod(a, b); return true;
    default: return false;
    }
}

Variable Fail(Op op, const Variable& a, const Variable& b) {
    vesk::Error(vesk::VE_WRONG_KIND,
                std::string("cannot ") + Verb(op) + " " + vesk::AKind(a) + " and " + vesk::AKind(b));
    return Variable();
}

// + with a string joins the printed forms; a string's own bytes are used
// where they are, and the size of the result is checked before it is built.
Variable Join(const Variable& a, const Variable& b) {
    std::string printedA, printedB;
    std::string_view left = a.type == VT_STRING ? vesk::StringOf(a) : (printedA = vesk::Format(a));
    std::string_view right = b.type == VT_STRING ? vesk::StringOf(b) : (printedB = vesk::Format(b));
    Variable s;
    vesk::SetString(s, left, right);
    return s;
}

Variable Compute(Op op, const Variable& x, const Variable& y) {
    const Variable& a = *const_cast<Variable&>(x).GetPointer();
    const Variable& b = *const_cast<Variable&>(y).GetPointer();
    if (op == Op::Add && (a.type == VT_STRING || b.type == VT_STRING)) return Join(a, b);
    int ra = Rank(a.type), rb = Rank(b.type);
    if (ra < 0 || rb < 0) return Fail(op, a, b);
    int top = ra > rb ? ra : rb;
    bool bitwise = op == Op::Or || op == Op::And || op == Op::Xor;
    if (bitwise && top > 1) {
        vesk::Error(vesk::VE_WRONG_KIND, std::string("cannot ") + Verb(op) + " " + vesk::AKind(a) +
                                             " and " + vesk::AKind(b) +
                                             ": bitwise operators need integers");
        return Variable();
    }
    Variable r;
    if (top <= 1) {
        int64_t v;
        if (!IntOp(op, a.GetLongNumb(), b.GetLongNumb(), &v)) {
            VeskError(VE_DIVZERO);
            return r;
        }
        if (top == 0) {
            r.type = VT_BYTE;
            r.data.i = static_cast<int>(v & 0xFF);
        } else {
            r = static_cast<int>(static_cast<uint32_t>(v));
        }
        return r;
    }
    double v;
    if (!RealOp(op, a.GetDoubleNumb(), b.GetDoubleNumb(), &v)) {
        VeskError(VE_DIVZERO);
        return r;
    }
    if (top == 2) r = static_cast<float>(v);
    else r = v;
    return r;
}

void ComputeInto(Op op, Variable& r, const Variable& a, const Variable& b) {
    Variable v = Compute(op, a, b);  // a or b may be r itself
    r = v;
}

}  // namespace

Variable _AddNumb(const Variable& a, const Variable& b) { return Compute(Op::Add, a, b); }
Variable _SubNumb(const Variable& a, const Variable& b) { return Compute(Op::Sub, a, b); }
Variable _MulNumb(const Variable& a, const Variable& b) { return Compute(Op::Mul, a, b); }
Variable _DivNumb(const Variable& a, const Variable& b) { return Compute(Op::Div, a, b); }
Variable _RestNumb(const Variable& a, const Variable& b) { return Compute(Op::Rest, a, b); }
Variable _BitOrNumb(const Variable& a, const Variable& b) { return Compute(Op::Or, a, b); }
Variable _BitAndNumb(const Variable& a, const Variable& b) { return Compute(Op::And, a, b); }
Variable _BitXorNumb(const Variable& a, const Variable& b) { return Compute(Op::Xor, a, b); }

void __AddNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Add, r, a, b); }
void __SubNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Sub, r, a, b); }
void __MulNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Mul, r, a, b); }
void __DivNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Div, r, a, b); }
void __RestNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Rest, r, a, b); }
void _OrNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Or, r, a, b); }
void _AndNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::And, r, a, b); }
void _XorNumb(Variable& r, const Variable& a, const Variable& b) { ComputeInto(Op::Xor, r, a, b); }
