// The dispatch loop: one label per instruction, threaded by computed gotos.
// Integers, doubles, vectors indexed by integers, members of host objects a
// site has met before and calls of script functions and builtins stay here;
// everything else leaves for the slow paths in ops.cpp. Before anything that
// may report an error or run a destructor row, the loop saves its place in
// the frame (SAVE), which is where error lines and unwinding start from.
#include <cmath>
#include <cstdint>

#include "vesk/modules/registry.h"
#include "vesk/eval/ops.h"
#include "vesk/eval/interpreter.h"
#include "vesk/values/collector.h"

namespace vesk::vm {

namespace {

// Integers, floats (what module methods give) and doubles; bytes take the
// general way.
inline bool Wide(const Slot& s) { return s.type == VT_INT || s.type == VT_DOUBLE || s.type == VT_FLOAT; }
inline double WideNum(const Slot& s) {
    return s.type == VT_INT ? s.i : s.type == VT_DOUBLE ? s.d : static_cast<double>(s.f);
}

// Integer arithmetic in 64 bits, wrapped to 32; false for a division by zero.
template <Op op>
inline bool IntArith(int64_t a, int64_t b, int32_t* r) {
    int64_t v;
    if constexpr (op == Op::Add) v = a + b;
    else if constexpr (op == Op::Sub) v = a - b;
    else if constexpr (op == Op::Mul) v = a * b;
    else if constexpr (op == Op::Div) {
        if (b == 0) return false;
        v = a / b;
    } else {
        if (b == 0) return false;
        v = a % b;
    }
    *r = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

template <Op op>
inline bool DoubleArith(double a, double b, double* r) {
    if constexpr (op == Op::Add) *r = a + b;
    else if constexpr (op == Op::Sub) *r = a - b;
    else if constexpr (op == Op::Mul) *r = a * b;
    else if constexpr (op == Op::Div) {
        if (b == 0.0) return false;
        *r = a / b;
    } else {
        if (b == 0.0) return false;
        *r = std::fmod(a, b);
    }
    return true;
}

inline bool FastTruth(const Slot& s) {
    switch (s.type) {
    case VT_BOOL:
    case VT_INT: return s.i != 0;
    case VT_DOUBLE: return s.d != 0.0;
    case VT_EMPTY: return false;
    default: return Truth(s);
    }
}

}  // namespace

template <bool kCounting>
void Machine::Execute(size_t stop) {
    (void)stop;
    Frame* f;
    const Instr* pc;
    Slot* R;
    const Slot* K;
    static const void* const kLabels[kOpcodeCount] = {
        &&op_LOADK, &&op_LOADNULL, &&op_LOADBOOL, &&op_MOVE, &&op_GETGLOBAL, &&op_SETGLOBAL,
        &&op_GETVAR, &&op_ADD, &&op_SUB, &&op_MUL, &&op_DIV, &&op_MOD, &&op_ADDK, &&op_SUBK,
        &&op_MULK, &&op_DIVK, &&op_MODK, &&op_BINARY, &&op_NEG, &&op_NOT, &&op_BNOT, &&op_JMP,
        &&op_JMPIF, &&op_JMPIFNOT, &&op_JLT, &&op_JLE, &&op_JGT, &&op_JGE, &&op_JEQ, &&op_JNE,
        &&op_FORLT, &&op_FORLE, &&op_FORGT, &&op_FORGE, &&op_FORNE,
        &&op_NEWVEC, &&op_GETINDEX, &&op_SETINDEX, &&op_GETMEMBER, &&op_SETMEMBER, &&op_CALL,
        &&op_CALLNAME, &&op_METHOD, &&op_NEWOBJ, &&op_FUNC, &&op_RETURN, &&op_RETURNNULL,
        &&op_TRY, &&op_ENDTRY, &&op_CLEAR,
    };

#define LOAD_FRAME()                      \
    do {                                  \
        f = &frames_.back();              \
        pc = f->pc;                       \
        R = f->base;                      \
        K = f->proto->constants.data();   \
    } while (0)
#define SAVE() (f->pc = pc)
#define NEXT()                                                              \
    do {                                                                    \
        if constexpr (kCounting) {                                          \
            if ((pc->x & kStatement) && ++steps_ > stepLimit_) {            \
                SAVE();                                                     \
                Fail(VE_LIMIT, "the script ran more than " +                \
                                   std::to_string(stepLimit_) + " statements"); \
            }                                                               \
        }                                                                   \
        goto* kLabels[pc->op];                                              \
    } while (0)
#define STEP() \
    do {       \
        ++pc;  \
        NEXT(); \
    } while (0)
// Letting go of a value an instruction replaced: a count down when another
// reference remains, else the slow way (a destructor row may run and report).
#define RELEASE_OLD(o)                            \
    do {                                          \
        if (Owns(o) && !ReleaseShared(o)) {       \
            SAVE();                               \
            Drop(o);                              \
        }                                         \
    } while (0)
// Writing a number or a boolean into a register; what it held goes after the
// new value is in place.
#define PUT(dst, TYPE, BITS)                \
    do {                                    \
        uint64_t v_ = (BITS);               \
        Slot& d_ = (dst);                   \
        if (d_.type >= VT_FUNCTION) {       \
            Slot o_ = d_;                   \
            d_ = Slot(TYPE, v_);            \
            RELEASE_OLD(o_);                \
        } else {                            \
            d_ = Slot(TYPE, v_);            \
        }                                   \
    } while (0)
#define PUT_INT(dst, v) PUT(dst, VT_INT, IntBits(static_cast<int32_t>(v)))
#define PUT_DOUBLE(dst, v) PUT(dst, VT_DOUBLE, DoubleBits(v))
#define PUT_BOOL(dst, v) PUT(dst, VT_BOOL, (v) ? 1 : 0)
// A copy into a register, sharing what the source owns.
#define COPY(dst, src)                  \
    do {                                \
        const Slot s_ = (src);          \
        Slot& d_ = (dst);               \
        Retain(s_);                     \
        if (d_.type >= VT_FUNCTION) {   \
            Slot o_ = d_;               \
            d_ = s_;                    \
            RELEASE_OLD(o_);            \
        } else {                        \
            d_ = s_;                    \
        }                               \
    } while (0)
// A host value into a register: a double leaves its cell behind.
#define COPY_VARIABLE(dst, var)                    \
    do {                                           \
        const Variable& w_ = (var);                \
        if (w_.type == VT_DOUBLE) {                \
            PUT_DOUBLE(dst, *w_.data.d);           \
        } else {                                   \
            COPY(dst, Slot(w_.type, PointerBits(w_.data.p))); \
        }                                          \
    } while (0)
// A script call: the arguments are already the callee's first registers.
#define ENTER(p, base)                                                                  \
    do {                                                                                \
        Slot* b_ = (base) + 1;                                                          \
        if (pc->b != (p)->params || depth_ >= kMaxScriptDepth ||                        \
            frames_.size() == frames_.capacity() || b_ + (p)->registers > stackEnd_) {  \
            Enter(p, b_, pc->b, base, false, true); /* reports what is wrong */         \
        }                                                                               \
        /* the window may hold what the caller's statement left in temporaries */ \
        for (int k_ = (p)->params; k_ < (p)->locals; k_++) {                           \
            Slot o_ = b_[k_];                                                           \
            b_[k_].tag = VT_UNSET;                                                      \
            RELEASE_OLD(o_);                                                            \
        }                                                                               \
        frames_.push_back({p, b_, (p)->code.data(), base, handlers_.size(),             \
                           runtime_->line, false, true});                               \
        depth_++;                                                                       \
        LOAD_FRAME();                                                                   \
        NEXT();                                                                         \
    } while (0)
#define BACKEDGE()                   \
    do {                             \
        if (CollectionDue()) {       \
            SAVE();                  \
            MaybeCollect();          \
            Check();                 \
        }                            \
    } while (0)
#define JUMP_IF(cond)                   \
    do {                                \
        if (cond) {                     \
            int32_t o_ = pc[1].sbx;     \
            pc += 2 + o_;               \
            if (o_ < 0) BACKEDGE();     \
        } else {                        \
            pc += 2;                    \
        }                               \
        NEXT();                         \
    } while (0)
#define ARITH(OP, YSLOT)                                                              \
    do {                                                                              \
        const Slot& x_ = R[pc->b];                                                    \
        const Slot& y_ = (YSLOT);                                                     \
        if (x_.type == VT_INT && y_.type == VT_INT) {                                 \
            int32_t r_;                                                               \
            if (IntArith<OP>(x_.i, y_.i, &r_)) {                                      \
                PUT_INT(R[pc->a], r_);                                                \
                break;                                                                \
            }                                                                         \
        } else if (x_.type == VT_DOUBLE && y_.type == VT_DOUBLE) {                    \
            double r_;                                                                \
            if (DoubleArith<OP>(x_.d, y_.d, &r_)) {                                   \
                PUT_DOUBLE(R[pc->a], r_);                                             \
                break;                                                                \
            }                                                                         \
        } else if (Wide(x_) && Wide(y_)) {                                            \
            /* a double makes a double; else a float is computed as a double  */     \
            /* and rounded, as the host's arithmetic does                       */     \
            double r_;                                                                \
            if (DoubleArith<OP>(WideNum(x_), WideNum(y_), &r_)) {                     \
                if (x_.type == VT_DOUBLE || y_.type == VT_DOUBLE)                     \
                    PUT_DOUBLE(R[pc->a], r_);                                         \
                else                                                                  \
                    PUT(R[pc->a], VT_FLOAT, FloatBits(static_cast<float>(r_)));       \
                break;                                                                \
            }                                                                         \
        }                                                                             \
        SAVE();                                                                       \
        Ops::Arith(*this, OP, R[pc->a], x_, y_, (pc->x & kCompound) != 0);            \
    } while (0)
#define COMPARE_JUMP(OP, CMP)                                                          \
    do {                                                                               \
        const Slot& x_ = R[pc->a];                                                     \
        const Slot& y_ = (pc->x & kKonst) ? K[pc->b] : R[pc->b];                       \
        bool r_;                                                                       \
        if (x_.type == VT_INT && y_.type == VT_INT) r_ = x_.i CMP y_.i;                \
        else if (x_.type == VT_DOUBLE && y_.type == VT_DOUBLE) r_ = x_.d CMP y_.d;     \
        else if (Wide(x_) && Wide(y_)) r_ = WideNum(x_) CMP WideNum(y_);               \
        else {                                                                         \
            SAVE();                                                                    \
            r_ = Ops::Compare(*this, OP, x_, y_);                                      \
        }                                                                              \
        JUMP_IF(r_ == ((pc->x & kIfTrue) != 0));                                       \
    } while (0)

    LOAD_FRAME();
    NEXT();

op_LOADK:
    COPY(R[pc->a], K[pc->bx]);
    STEP();
op_LOADNULL:
    PUT(R[pc->a], VT_EMPTY, 0);
    STEP();
op_LOADBOOL:
    PUT_BOOL(R[pc->a], pc->b != 0);
    STEP();
op_MOVE:
    if (pc->x & kTake) {  // the source is a temporary: its value moves
        Slot& d = R[pc->a];
        Slot o = d;
        d = R[pc->b];
        R[pc->b].Empty();
        RELEASE_OLD(o);
    } else {
        COPY(R[pc->a], R[pc->b]);
    }
    STEP();
op_GETGLOBAL: {
    SAVE();
    uint32_t n = pc->bx;
    Ops::GetGlobal(*this, R[pc->a], f->proto->names[n], f->proto->builtins[n]);
    STEP();
}
op_SETGLOBAL:
    SAVE();
    Ops::SetGlobal(*this, f->proto->names[pc->bx], R[pc->a],
                   pc->a >= static_cast<uint16_t>(f->proto->locals));
    STEP();
op_GETVAR:
    if (R[pc->b].type != VT_UNSET) {
        COPY(R[pc->a], R[pc->b]);
    } else {
        SAVE();
        Ops::GetVar(*this, R[pc->a], R[pc->b], f->proto->localNames[pc->b]);
    }
    STEP();
op_ADD:
    ARITH(Op::Add, R[pc->c]);
    STEP();
op_SUB:
    ARITH(Op::Sub, R[pc->c]);
    STEP();
op_MUL:
    ARITH(Op::Mul, R[pc->c]);
    STEP();
op_DIV:
    ARITH(Op::Div, R[pc->c]);
    STEP();
op_MOD:
    ARITH(Op::Mod, R[pc->c]);
    STEP();
op_ADDK:
    ARITH(Op::Add, K[pc->c]);
    STEP();
op_SUBK:
    ARITH(Op::Sub, K[pc->c]);
    STEP();
op_MULK:
    ARITH(Op::Mul, K[pc->c]);
    STEP();
op_DIVK:
    ARITH(Op::Div, K[pc->c]);
    STEP();
op_MODK:
    ARITH(Op::Mod, K[pc->c]);
    STEP();
op_BINARY: {
    const Slot& x = R[pc->b];
    const Slot& y = R[pc->c];
    Op op = static_cast<Op>(pc->x & kOpMask);
    if (x.type == VT_INT && y.type == VT_INT) {
        uint32_t a = static_cast<uint32_t>(x.i);
        switch (op) {
        case Op::BitAnd: PUT_INT(R[pc->a], static_cast<int32_t>(a & static_cast<uint32_t>(y.i))); STEP();
        case Op::BitOr: PUT_INT(R[pc->a], static_cast<int32_t>(a | static_cast<uint32_t>(y.i))); STEP();
        case Op::BitXor: PUT_INT(R[pc->a], static_cast<int32_t>(a ^ static_cast<uint32_t>(y.i))); STEP();
        case Op::Shl: PUT_INT(R[pc->a], static_cast<int32_t>(a << (y.i & 31))); STEP();
        case Op::Shr: PUT_INT(R[pc->a], x.i >> (y.i & 31)); STEP();
        default: break;
        }
    }
    SAVE();
    Ops::Arith(*this, op, R[pc->a], x, y, false);
    STEP();
}
op_NEG: {
    const Slot& x = R[pc->b];
    if (x.type == VT_DOUBLE) PUT_DOUBLE(R[pc->a], -x.d);
    else if (x.type == VT_INT) PUT_INT(R[pc->a], static_cast<int32_t>(0u - static_cast<uint32_t>(x.i)));
    else {
        SAVE();
        Ops::Unary(*this, Op::Neg, R[pc->a], x);
    }
    STEP();
}
op_NOT: {
    bool t = FastTruth(R[pc->b]);
    PUT_BOOL(R[pc->a], !t);
    STEP();
}
op_BNOT: {
    const Slot& x = R[pc->b];
    if (x.type == VT_INT) PUT_INT(R[pc->a], ~x.i);
    else {
        SAVE();
        Ops::Unary(*this, Op::BitNot, R[pc->a], x);
    }
    STEP();
}
op_JMP: {
    int32_t o = pc->sbx;
    pc += 1 + o;
    if (o < 0) BACKEDGE();
    NEXT();
}
op_JMPIF:
    JUMP_IF(FastTruth(R[pc->a]));
op_JMPIFNOT:
    JUMP_IF(!FastTruth(R[pc->a]));
op_JLT:
    COMPARE_JUMP(Op::Lt, <);
op_JLE:
    COMPARE_JUMP(Op::Le, <=);
op_JGT:
    COMPARE_JUMP(Op::Gt, >);
op_JGE:
    COMPARE_JUMP(Op::Ge, >=);
op_JEQ:
    COMPARE_JUMP(Op::Eq, ==);
op_JNE:
    COMPARE_JUMP(Op::Ne, !=);
// A loop's step, then its test (see FuseStep): integers and doubles step in
// place, anything else by the general arithmetic of `i += k`.
#define FOR_STEP()                                                          \
    do {                                                                    \
        Slot& i_ = R[pc->a];                                                \
        const Slot& k_ = K[pc->c];                                          \
        if (i_.type == VT_INT && k_.type == VT_INT) {                       \
            i_.bits = IntBits(static_cast<int32_t>(                         \
                static_cast<uint32_t>(i_.i) + static_cast<uint32_t>(k_.i))); \
        } else if (i_.type == VT_DOUBLE && k_.type == VT_DOUBLE) {          \
            i_.bits = DoubleBits(i_.d + k_.d);                              \
        } else {                                                            \
            SAVE();                                                         \
            Ops::Arith(*this, Op::Add, i_, i_, k_, true);                   \
        }                                                                   \
    } while (0)
op_FORLT:
    FOR_STEP();
    COMPARE_JUMP(Op::Lt, <);
op_FORLE:
    FOR_STEP();
    COMPARE_JUMP(Op::Le, <=);
op_FORGT:
    FOR_STEP();
    COMPARE_JUMP(Op::Gt, >);
op_FORGE:
    FOR_STEP();
    COMPARE_JUMP(Op::Ge, >=);
op_FORNE:
    FOR_STEP();
    COMPARE_JUMP(Op::Ne, !=);
#undef FOR_STEP
op_NEWVEC:
    SAVE();
    Ops::NewVector(*this, R[pc->a], R + pc->b, pc->c);
    STEP();
op_GETINDEX: {
    const Slot& c = R[pc->b];
    const Slot& i = R[pc->c];
    if (c.type == VT_VECTOR && i.type == VT_INT && static_cast<uint32_t>(i.i) < static_cast<uint32_t>(c.vec->count)) {
        COPY_VARIABLE(R[pc->a], c.vec->items[i.i]);
        STEP();
    }
    SAVE();
    Ops::GetIndex(*this, R[pc->a], c, i);
    STEP();
}
op_SETINDEX: {
    const Slot& c = R[pc->a];
    const Slot& i = R[pc->b];
    const Slot& v = R[pc->c];
    if (c.type == VT_VECTOR && i.type == VT_INT && static_cast<uint32_t>(i.i) < static_cast<uint32_t>(c.vec->count)) {
        Variable& e = c.vec->items[i.i];
        if (v.type == VT_DOUBLE && e.type == VT_DOUBLE) {
            *e.data.d = v.d;
            STEP();
        }
        if (v.type == VT_INT && e.type <= VT_FLOAT) {
            e.type = VT_INT;
            e.data.i = v.i;
            STEP();
        }
    }
    SAVE();
    Ops::SetIndex(*this, c, i, v);
    STEP();
}
op_GETMEMBER: {
    const Slot& o = R[pc->b];
    MemberSite& site = f->proto->members[pc->c];
    if (o.type == VT_OBJECT && o.obj->cls == site.cls) {
        COPY_VARIABLE(R[pc->a], static_cast<MemberObject*>(o.obj)->members[site.index].second);
        STEP();
    }
    SAVE();
    Ops::GetMember(*this, R[pc->a], o, site);
    STEP();
}
op_SETMEMBER: {
    const Slot& o = R[pc->a];
    const Slot& v = R[pc->b];
    MemberSite& site = f->proto->members[pc->c];
    if (o.type == VT_OBJECT && o.obj->cls == site.cls) {
        Variable& e = static_cast<MemberObject*>(o.obj)->members[site.index].second;
        if (v.type == VT_DOUBLE && e.type == VT_DOUBLE) {
            *e.data.d = v.d;
            STEP();
        }
    }
    SAVE();
    Ops::SetMember(*this, o, v, site);
    STEP();
}
op_CALL: {
    Slot* base = R + pc->a;
    SAVE();
    const Proto* p = base->type == VT_FUNCTION && base->fn->code
                         ? static_cast<const Proto*>(base->fn->code.get())
                         : Ops::CodeOf(*this, *base);
    if (p->builtin >= 0) {
        Ops::Builtin(*this, p->builtin, base + 1, pc->b, *base);
        STEP();
    }
    ENTER(p, base);
}
op_CALLNAME: {
    Slot* base = R + pc->a;
    SAVE();
    uint16_t n = pc->c;
    if (Globals::Entry* g = globals_.Find(f->proto->names[n])) {
        COPY_VARIABLE(*base, g->value);
        const Proto* p = base->type == VT_FUNCTION && base->fn->code
                             ? static_cast<const Proto*>(base->fn->code.get())
                             : Ops::CodeOf(*this, *base);
        if (p->builtin >= 0) {
            Ops::Builtin(*this, p->builtin, base + 1, pc->b, *base);
            STEP();
        }
        ENTER(p, base);
    }
    int builtin = f->proto->builtins[n];
    if (builtin < 0)
        FailUndefined(f->proto->names[n]);
    Ops::Builtin(*this, builtin, base + 1, pc->b, *base);
    STEP();
}
op_METHOD: {
    Slot* base = R + pc->a;
    MethodSite& site = f->proto->methods[pc->c];
    SAVE();
    if (base->type == VT_VECTOR && site.name == addName_ && pc->b == 1 && !trace_) {
        // Vector::Add without building registers: the row does just this.
        Slot& item = base[1];
        Variable* place = VectorAppend(base->vec);
        if (!place) Check();
        if (item.type == VT_DOUBLE) {
            double* cell = NewDouble(item.d);
            place->type = cell ? VT_DOUBLE : VT_EMPTY;
            place->data.d = cell;
        } else {
            ToVariable(item, *place);
        }
        Release(*base);
        Check();
        STEP();
    }
    Ops::Method(*this, base, pc->b, site);
    STEP();
}
op_NEWOBJ:
    SAVE();
    Ops::NewObject(*this, R + pc->a, pc->b, f->proto->nameTexts[pc->c]);
    STEP();
op_FUNC:
    SAVE();
    Ops::MakeFunction(*this, R[pc->a], f->proto->children[pc->bx]);
    STEP();
op_RETURN:
op_RETURNNULL: {
    // The frame's registers go back to empty; a last reference goes the
    // slow way, and what its destructor row reports stops the caller.
    SAVE();
    Slot value;
    if (pc->op == RETURN) {
        value = R[pc->a];
        R[pc->a].Empty();
    }
    for (int k = 0, n = f->proto->registers; k < n; k++) {
        if (R[k].type >= VT_FUNCTION) {
            Slot o = R[k];
            R[k].Empty();
            if (!ReleaseShared(o)) ReleaseSlow(o);
        } else {
            R[k].Empty();
        }
    }
    if (handlers_.size() > f->handlers) handlers_.resize(f->handlers);
    bool boundary = f->boundary;
    Slot* result = f->result;
    if (f->call) depth_--;
    frames_.pop_back();
    Slot o = *result;
    *result = value;
    if (Owns(o) && !ReleaseShared(o)) ReleaseSlow(o);
    Check();
    if (boundary) return;
    LOAD_FRAME();
    STEP();
}
op_TRY:
    handlers_.push_back({frames_.size() - 1, &f->proto->tries[pc->bx]});
    STEP();
op_ENDTRY:
    handlers_.pop_back();
    STEP();
op_CLEAR: {
    Slot* from = R + pc->a;
    for (int k = 0; k < pc->b; k++) {
        if (Owns(from[k])) {
            SAVE();
            Ops::Clear(*this, from + k, pc->b - k);
            break;
        }
        from[k].Empty();
    }
    STEP();
}

#undef LOAD_FRAME
#undef SAVE
#undef NEXT
#undef STEP
#undef PUT
#undef PUT_INT
#undef PUT_DOUBLE
#undef PUT_BOOL
#undef COPY
#undef COPY_VARIABLE
#undef RELEASE_OLD
#undef ENTER
#undef BACKEDGE
#undef JUMP_IF
#undef ARITH
#undef COMPARE_JUMP
}

template void Machine::Execute<false>(size_t);
template void Machine::Execute<true>(size_t);

}  // namespace vesk::vm
