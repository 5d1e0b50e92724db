// The arithmetic the module exports on host values: the promotion query,
// eight operators returning a new value and eight functions writing into a
// target. Each does the same-type numeric case itself and leaves every other
// case to the host's general arithmetic.
#include <cstdint>
#include <new>

#include "host/vesk.h"
#include "module/rules.h"

#define ARITH_EXPORT __attribute__((visibility("default")))

using rules::Wrap;

namespace {

enum class Op { Add, Sub, Mul, Div, Rest, Or, And, Xor };

// Integer results are computed in 64 bits (so INT_MIN / -1 is defined) and
// wrapped back to 32.
int64_t IntOp(Op op, int64_t a, int64_t b) {
    switch (op) {
    case Op::Add: return a + b;
    case Op::Sub: return a - b;
    case Op::Mul: return a * b;
    case Op::Div: return a / b;   // truncates toward zero
    case Op::Rest: return a % b;  // sign of a
    case Op::Or: return a | b;
    case Op::And: return a & b;
    case Op::Xor: return a ^ b;
    }
    return 0;
}

template <class T>
T RealOp(Op op, T a, T b) {
    switch (op) {
    case Op::Add: return a + b;
    case Op::Sub: return a - b;
    case Op::Mul: return a * b;
    default: return a / b;
    }
}

bool ZeroDivisor(const Variable& b) {
    switch (b.type) {
    case VT_BYTE: return b.data.b == 0;
    case VT_INT: return b.data.i == 0;
    case VT_FLOAT: return b.data.f == 0.0f;
    case VT_DOUBLE: return *b.data.d == 0.0;
    default: return false;
    }
}

bool Divides(Op op) { return op == Op::Div || op == Op::Rest; }

// The same-type case of a returning operator; false leaves it to the host.
bool Returning(Op op, const Variable& a, const Variable& b, Variable* r) {
    if (a.type != b.type) return false;
    bool realOk = op == Op::Add || op == Op::Sub || op == Op::Mul || op == Op::Div;
    if (Divides(op) && ZeroDivisor(b)) return false;
    switch (a.type) {
    case VT_BYTE:
        r->type = VT_BYTE;
        r->data.i = static_cast<int>(IntOp(op, a.data.b, b.data.b) & 0xFF);
        return true;
    case VT_INT: *r = static_cast<int>(Wrap(IntOp(op, a.data.i, b.data.i))); return true;
    case VT_FLOAT:
        if (!realOk) return false;
        *r = RealOp<float>(op, a.data.f, b.data.f);
        return true;
    case VT_DOUBLE:
        if (!realOk) return false;
        *r = Variable(RealOp<double>(op, *a.data.d, *b.data.d));
        return true;
    default: return false;
    }
}

// Release the target, give it the operands' type, then write the data word.
// The operands are read before the release, so a target that is also an
// operand is handled soundly.
void InPlace(Op op, Variable& r, const Variable& a, const Variable& b) {
    VVARTYPE t = a.type;
    bool zero = ZeroDivisor(b);
    int64_t ia = 0, ib = 0;
    double da = 0, db = 0;
    if (t == VT_BYTE) { ia = a.data.b; ib = b.data.b; }
    if (t == VT_INT) { ia = a.data.i; ib = b.data.i; }
    if (t == VT_FLOAT) { da = a.data.f; db = b.data.f; }
    if (t == VT_DOUBLE) { da = *a.data.d; db = *b.data.d; }
    if (r.type > 16) r._Clear();
    else r.type = VT_EMPTY;
    r.type = t;
    r.data.p = nullptr;  // a byte or float result leaves no old bits in the word
    if (Divides(op) && zero) {
        VeskError(VE_DIVZERO);
        r.type = VT_EMPTY;  // no result: leave nothing behind
        return;
    }
    switch (t) {
    case VT_BYTE: r.data.b = static_cast<unsigned char>(IntOp(op, ia, ib) & 0xFF); break;
    case VT_INT: r.data.i = Wrap(IntOp(op, ia, ib)); break;
    case VT_FLOAT: r.data.f = RealOp<float>(op, static_cast<float>(da), static_cast<float>(db)); break;
    case VT_DOUBLE: {
        double* d = new (std::nothrow) double(RealOp<double>(op, da, db));
        if (!d) r.type = VT_EMPTY;
        r.data.d = d;
        break;
    }
    }
}

void Bitwise(Op op, Variable& r, const Variable& a, const Variable& b,
             void (*fallback)(Variable&, const Variable&, const Variable&)) {
    if (a.type == b.type && a.type == VT_BYTE) r = static_cast<int>(IntOp(op, a.data.b, b.data.b));
    else if (a.type == b.type && a.type == VT_INT) r = static_cast<long>(IntOp(op, a.data.i, b.data.i));
    else fallback(r, a, b);
}

}  // namespace

ARITH_EXPORT VVARTYPE TopType(VVARTYPE a, VVARTYPE b) {
    if (a >= 4 && a <= 32 && b >= 4 && b <= 32) return a > b ? a : b;
    return 0xFFFF;
}

#define RETURNING(sym, op, fallback)                                   \
    ARITH_EXPORT Variable sym(const Variable& a, const Variable& b) {  \
        Variable r;                                                    \
        if (Returning(op, a, b, &r)) return r;                         \
        return fallback(a, b);                                         \
    }

RETURNING(operator+, Op::Add, _AddNumb)
RETURNING(operator-, Op::Sub, _SubNumb)
RETURNING(operator*, Op::Mul, _MulNumb)
RETURNING(operator/, Op::Div, _DivNumb)
RETURNING(operator%, Op::Rest, _RestNumb)
RETURNING(operator|, Op::Or, _BitOrNumb)
RETURNING(operator&, Op::And, _BitAndNumb)
RETURNING(operator^, Op::Xor, _BitXorNumb)

// Add, Sub, Mul and Div handle byte, int, float and double; Rest only byte
// and int.
#define IN_PLACE(sym, op, mask, fallback)                                        \
    ARITH_EXPORT void sym(Variable& r, const Variable& a, const Variable& b) {   \
        if ((a.type & (mask)) && a.type == b.type) InPlace(op, r, a, b);         \
        else fallback(r, a, b);                                                  \
    }

IN_PLACE(Add, Op::Add, 0x3C, __AddNumb)
IN_PLACE(Sub, Op::Sub, 0x3C, __SubNumb)
IN_PLACE(Mul, Op::Mul, 0x3C, __MulNumb)
IN_PLACE(Div, Op::Div, 0x3C, __DivNumb)
IN_PLACE(Rest, Op::Rest, 0x0C, __RestNumb)

ARITH_EXPORT void Or(Variable& r, const Variable& a, const Variable& b) { Bitwise(Op::Or, r, a, b, _OrNumb); }
ARITH_EXPORT void And(Variable& r, const Variable& a, const Variable& b) { Bitwise(Op::And, r, a, b, _AndNumb); }
ARITH_EXPORT void Xor(Variable& r, const Variable& a, const Variable& b) { Bitwise(Op::Xor, r, a, b, _XorNumb); }
