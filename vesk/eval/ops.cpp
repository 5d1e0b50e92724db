// The machine's slow paths: the general arithmetic and comparisons, names
// that are not locals, vectors, elements and members in general, calls into
// class rows and builtins, and function values. Operands arrive as slots and
// are turned into host values where the host's own rules take over.
#include "vesk/eval/ops.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>

#include "host/arith.h"
#include "vesk/modules/dispatch.h"
#include "vesk/syntax/parser.h"

namespace vesk::vm {

namespace {

// A slot that lets go of what it holds when the slow path ends, normally or
// by unwinding.
struct Keep {
    Slot s;
    ~Keep() { Release(s); }
};

// Only these kinds of value have a class that may declare operator rows.
bool HasClass(const Variable& v) {
    return v.type == VT_OBJECT || v.type == VT_VECTOR || v.type == VT_STRING;
}

bool IsInteger(const Variable& v) { return v.type == VT_INT || v.type == VT_BYTE; }

const Variable& Held(const Variable& v) {
    return (v.type == VT_REF || v.type == VT_NATIVEREF) ? CellOf(v)->value : v;
}

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
bool Order(Machine& m, Op op, const Variable& a, const Variable& b) {
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
    m.Fail(VE_WRONG_KIND, "cannot compare " + AKind(a) + " with " + AKind(b) + " by " + OpText(op) +
                              " (only numbers with numbers, strings with strings)");
}

// Shifts work on the 32-bit integer; the count is taken modulo 32 and >>
// keeps the sign.
void Shift(Machine& m, Op op, const Variable& a, const Variable& b, Variable& out) {
    if (!IsInteger(a) || !IsInteger(b))
        m.Fail(VE_WRONG_KIND, "cannot shift " + AKind(a) + " by " + AKind(b) + " (shifts need integers)");
    uint32_t x = static_cast<uint32_t>(a.GetLongNumb());
    int count = static_cast<int>(b.GetLongNumb() & 31);
    int32_t r = op == Op::Shl ? static_cast<int32_t>(x << count) : static_cast<int32_t>(x) >> count;
    out = static_cast<int>(r);
}

// A method row called for an operator, traced like any other call.
void CallRow(Machine& m, Variable& self, const char* name, Variable* args, int count, Variable& out) {
    if (!m.trace_) {
        vesk::CallMethod(&m.processor_, self, name, args, count, out);
        m.Check();
        return;
    }
    VClass* cls = ClassOfValue(self);
    auto start = std::chrono::steady_clock::now();
    vesk::CallMethod(&m.processor_, self, name, args, count, out);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::fprintf(m.trace_, "trace: %s:%d: %s::%s %.3f ms%s\n", m.runtime_->file.c_str(), m.runtime_->line,
                 cls ? cls->name.c_str() : "?", name, took.count(), m.processor_.errorState ? " (error)" : "");
    m.Check();
}

// The result of a slow path goes into its register last.
void Put(Machine& m, Slot& out, const Variable& value) {
    Keep h;
    FromVariable(value, h.s);
    Move(out, h.s);
    m.Check();
}

std::string Plural(long n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

// What an index is outside of, for messages: "the vector of 2 elements".
std::string Extent(const Variable& c) {
    if (c.type == VT_VECTOR) return "the vector of " + Plural(c.data.vec->count, "element");
    if (c.type == VT_STRING || c.type == VT_DATA) return "the " + KindName(c) + " of " + Plural(c.GetDataSize(), "byte");
    return AKind(c);
}

// A number that names a position: a fraction is cut toward zero; NaN, the
// infinities and numbers beyond the range of a long name none (error 11).
long IndexOf(Machine& m, const Variable& container, const Variable& index) {
    const Variable& i = Held(index);
    if (!IsNumber(i)) m.Fail(VE_WRONG_KIND, "an index must be a number, not " + AKind(i));
    if (i.type == VT_FLOAT || i.type == VT_DOUBLE) {
        double d = i.GetDoubleNumb();
        if (!(d > -9.2e18 && d < 9.2e18)) m.Fail(VE_INDEX, "index " + Format(i) + " is outside " + Extent(container));
    }
    return i.GetLongNumb();
}

// Strings and data blocks: byte i, or error 11.
unsigned char& ByteAt(Machine& m, Variable& bytes, long i) {
    long n = bytes.GetDataSize();
    if (i < 0 || i >= n) m.Fail(VE_INDEX, "index " + std::to_string(i) + " is outside " + Extent(bytes));
    return static_cast<unsigned char*>(bytes.GetData())[i];
}

// Where a member sits in objects of a class, when every object of the class
// is a host object with the same members in the same order.
int MemberIndex(const ClassRecord* cls, int32_t name) {
    if (!cls || cls->hooks.make || cls->memberIds.empty()) return -1;
    for (size_t k = 0; k < cls->memberIds.size(); k++)
        if (cls->memberIds[k] == name) return static_cast<int>(k);
    return -1;
}

void Remember(MemberSite& site, const Slot& object) {
    if (object.type != VT_OBJECT) return;
    const ClassRecord* cls = object.obj->cls;
    int k = MemberIndex(cls, site.name);
    if (k >= 0) {
        site.cls = cls;
        site.index = k;
    }
}

// Argument values of a call into a class: host values, a few in place.
class Args {
public:
    Args(const Slot* slots, int n) : n_(n) {
        if (n > kInline) heap_.reset(new Variable[n]);
        for (int i = 0; i < n; i++) ToVariable(slots[i], data()[i]);
    }
    Variable* data() { return heap_ ? heap_.get() : inline_; }

private:
    static constexpr int kInline = 8;
    Variable inline_[kInline];
    std::unique_ptr<Variable[]> heap_;
    int n_;
};

}  // namespace

void Ops::Arith(Machine& m, Op op, Slot& out, const Slot& x, const Slot& y, bool compound) {
    m.SyncLine();
    Variable va = AsVariable(x), vb = AsVariable(y);
    const Variable& a = Held(va);
    const Variable& b = Held(vb);
    Variable result;
    if (compound) {
        const char* row = AssignRowName(op);
        if (row && HasClass(a) && HasMethod(a, row)) {
            Variable self(a), arg(b), ignored;
            CallRow(m, self, row, &arg, 1, ignored);
            Put(m, out, va);  // the target keeps its object
            return;
        }
    }
    switch (op) {
    case Op::Eq:
    case Op::Ne: SetBool(result, Identical(a, b) == (op == Op::Eq)); break;
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge: SetBool(result, Order(m, op, a, b)); break;
    case Op::Shl:
    case Op::Shr: Shift(m, op, a, b, result); break;
    default: {
        const char* name = OpText(op);
        if (HasClass(a) && HasMethod(a, name)) {
            Variable self(a), arg(b);
            CallRow(m, self, name, &arg, 1, result);
            break;
        }
        HostOp host = HostOpOf(op);
        if (!host) m.Fail(VE_UNSUPPORTED, std::string("operator ") + name + " is not known");
        result = host(a, b);
        m.Check();
        break;
    }
    }
    Put(m, out, result);
}

// - negates numbers (an integer wraps, a byte becomes an integer); ~
// complements integers and bytes.
void Ops::Unary(Machine& m, Op op, Slot& out, const Slot& x) {
    m.SyncLine();
    Variable vx = AsVariable(x);
    const Variable& v = Held(vx);
    Variable result;
    switch (op) {
    case Op::Neg:
        switch (v.type) {
        case VT_INT: result = static_cast<int>(0u - static_cast<uint32_t>(v.data.i)); break;
        case VT_BYTE: result = -static_cast<int>(v.data.b); break;
        case VT_FLOAT: result = -v.data.f; break;
        case VT_DOUBLE: result = -*v.data.d; break;
        default: m.Fail(VE_WRONG_KIND, "cannot negate " + AKind(v) + " (- needs a number)");
        }
        break;
    case Op::BitNot:
        if (v.type == VT_INT) {
            result = ~v.data.i;
        } else if (v.type == VT_BYTE) {
            result.type = VT_BYTE;
            result.data.i = static_cast<int>(~static_cast<unsigned>(v.data.b) & 0xFF);
        } else {
            m.Fail(VE_WRONG_KIND, "cannot complement " + AKind(v) + " (~ needs an integer)");
        }
        break;
    default: SetBool(result, !v.IsTrue()); break;
    }
    Put(m, out, result);
}

bool Ops::Compare(Machine& m, Op op, const Slot& x, const Slot& y) {
    m.SyncLine();
    Variable va = AsVariable(x), vb = AsVariable(y);
    const Variable& a = Held(va);
    const Variable& b = Held(vb);
    if (op == Op::Eq || op == Op::Ne) return Identical(a, b) == (op == Op::Eq);
    return Order(m, op, a, b);
}

// ---- names ---------------------------------------------------------------------

void Ops::GetGlobal(Machine& m, Slot& out, int32_t name, int builtin) {
    if (Globals::Entry* g = m.globals_.Find(name)) {
        FromVariable(g->value, out);
        m.Check();
        return;
    }
    m.SyncLine();
    if (builtin < 0) m.FailUndefined(name);
    Keep h;
    MakeFunction(m, h.s, BuiltinProto(builtin));
    Move(out, h.s);
    m.Check();
}

void Ops::SetGlobal(Machine& m, int32_t name, Slot& value, bool take) {
    m.SyncLine();
    ToVariable(value, m.globals_.Define(name));
    if (take) Release(value);
    m.Check();
}

void Ops::GetVar(Machine& m, Slot& out, const Slot& local, int32_t name) {
    if (local.type != VT_UNSET) {
        Slot copy = local;
        Assign(m, out, copy, false);
        return;
    }
    GetGlobal(m, out, name, BuiltinIndex(name));
}

// ---- vectors, elements, members ---------------------------------------------------

void Ops::NewVector(Machine& m, Slot& out, Slot* items, int count) {
    m.SyncLine();
    HostVector* v = vesk::NewVector(count);
    m.Check();
    if (!v) m.Fail(VE_LIMIT, "out of memory for a vector");
    Variable vector;
    SetVector(vector, v);
    for (int i = 0; i < count; i++) {
        MoveToEmptyVariable(items[i], v->items[i]);
    }
    Put(m, out, vector);
}

void Ops::GetIndex(Machine& m, Slot& out, const Slot& container, const Slot& index) {
    m.SyncLine();
    Variable vc = AsVariable(container), vi = AsVariable(index);
    Variable& c = *vc.GetPointer();
    long i = IndexOf(m, c, vi);
    if (c.type == VT_STRING || c.type == VT_DATA) {
        Variable byte;
        byte = static_cast<int>(ByteAt(m, c, i));
        Put(m, out, byte);
        return;
    }
    Variable& element = c[i];
    m.Check();
    Variable copy(element);
    Put(m, out, copy);
}

// Vectors and indexable objects take the value in place; a data block
// stores its low 8 bits; strings do not change.
void Ops::SetIndex(Machine& m, const Slot& container, const Slot& index, const Slot& value) {
    m.SyncLine();
    Variable vc = AsVariable(container), vi = AsVariable(index);
    Variable& c = *vc.GetPointer();
    long i = IndexOf(m, c, vi);
    if (c.type == VT_STRING)
        m.Fail(VE_WRONG_KIND, "a string cannot be changed in place; make a new one (s + \"...\")");
    if (c.type == VT_DATA) {
        Variable vv = AsVariable(value);
        const Variable& v = Held(vv);
        if (!IsNumber(v)) m.Fail(VE_WRONG_KIND, "a data block holds bytes, not " + AKind(v));
        ByteAt(m, c, i) = static_cast<unsigned char>(v.GetLongNumb() & 0xFF);
        return;
    }
    Variable& element = c[i];
    m.Check();
    ToVariable(value, element);
    m.Check();
}

void Ops::GetMember(Machine& m, Slot& out, const Slot& object, MemberSite& site) {
    m.SyncLine();
    Variable vo = AsVariable(object);
    Variable& place = vo(site.name);
    m.Check();
    Remember(site, object);
    Variable copy(place);
    Put(m, out, copy);
}

void Ops::SetMember(Machine& m, const Slot& object, const Slot& value, MemberSite& site) {
    m.SyncLine();
    Variable vo = AsVariable(object);
    Variable& place = vo(site.name);
    m.Check();
    Remember(site, object);
    ToVariable(value, place);
    m.Check();
}

// ---- calls ------------------------------------------------------------------------

// The site remembers the rows of the last class it met, so that a call in
// a loop looks its method up once; a value without the method goes the
// general way, which words the error.
void Ops::Method(Machine& m, Slot* base, int count, MethodSite& site) {
    m.SyncLine();
    Variable self = AsVariable(base[0]);  // a copy: the call must not lose its object midway
    Args args(base + 1, count);
    Variable out;
    VClass* cls = m.trace_ ? nullptr : ClassOfValue(self);
    if (cls && cls != site.cls) {
        const std::vector<MethodRow*>* rows = cls->Find(site.text);
        if (rows && cls->name != site.text && site.text[0] != '~') {
            site.cls = cls;
            site.rows = rows;
        }
    }
    if (cls && cls == site.cls) {
        RunningScope scope(&m.processor_);
        auto* rows = static_cast<const std::vector<MethodRow*>*>(site.rows);
        if (const MethodRow* row = PickRow(*rows, args.data(), count))
            InvokeRow(&m.processor_, *row, self, args.data(), count, out);
        m.Check();
    } else {
        CallRow(m, self, site.text, args.data(), count, out);
    }
    Put(m, base[0], out);
}

void Ops::NewObject(Machine& m, Slot* base, int count, const char* className) {
    m.SyncLine();
    Args args(base, count);
    Variable out;
    if (m.trace_) {
        auto start = std::chrono::steady_clock::now();
        Construct(&m.processor_, className, args.data(), count, out);
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        std::fprintf(m.trace_, "trace: %s:%d: %s::%s %.3f ms%s\n", m.runtime_->file.c_str(), m.runtime_->line,
                     className, className, took.count(), m.processor_.errorState ? " (error)" : "");
    } else {
        Construct(&m.processor_, className, args.data(), count, out);
    }
    m.Check();
    Put(m, base[0], out);
}

void Ops::Builtin(Machine& m, int index, Slot* args, int count, Slot& out) {
    const ::vesk::vm::Builtin& b = BuiltinAt(index);
    if (count < b.minArgs || (b.maxArgs >= 0 && count > b.maxArgs)) {
        m.SyncLine();
        std::string wanted = b.minArgs == b.maxArgs ? std::to_string(b.minArgs)
                             : b.maxArgs < 0        ? "at least " + std::to_string(b.minArgs)
                                                    : std::to_string(b.minArgs) + " or " + std::to_string(b.maxArgs);
        m.Fail(VE_ARG_COUNT, std::string(b.name) + "() takes " + wanted +
                                 (b.maxArgs == 1 || (b.maxArgs < 0 && b.minArgs == 1) ? " argument, " : " arguments, ") + std::to_string(count) +
                                 (count == 1 ? " was" : " were") + " given");
    }
    b.run(m, b.name, args, count, out);
}

const Proto* Ops::CodeOf(Machine& m, const Slot& callee) {
    const Slot* f = &callee;
    Slot held;
    if (callee.type == VT_REF || callee.type == VT_NATIVEREF) {
        const Variable& v = callee.ref->value;
        held = Slot(v.type, PointerBits(v.data.p));
        f = &held;
    }
    if (f->type != VT_FUNCTION) {
        m.SyncLine();
        Variable v = AsVariable(*f);
        m.Fail(VE_WRONG_KIND, "cannot call " + AKind(v) + " (only functions can be called)");
    }
    VFunction* fn = f->fn;
    if (!fn->code) {
        m.SyncLine();
        ParseResult parsed = ParseFunctionText(fn->source, [](const char* n) { return ::Token::GetNameID(n); });
        if (!parsed) m.Fail(VE_SYNTAX, "in function text at " + parsed.error.ToString());
        std::string why;
        std::shared_ptr<Program> program = Compile(std::move(parsed.tree), true, &why);
        if (!program) m.Fail(VE_LIMIT, "function text: " + why);
        fn->code = std::shared_ptr<const void>(program, &program->Main());
    }
    return static_cast<const Proto*>(fn->code.get());
}

void Ops::MakeFunction(Machine& m, Slot& out, const Proto* proto) {
    auto* fn = new VFunction;
    fn->name = proto->name;
    if (proto->program)
        fn->code = std::shared_ptr<const void>(proto->program->shared_from_this(), proto);
    else
        fn->code = std::shared_ptr<const void>(std::shared_ptr<void>(), proto);
    Keep h;
    h.s = Slot(VT_FUNCTION, PointerBits(fn));
    Move(out, h.s);
    m.Check();
}

void Ops::Assign(Machine& m, Slot& to, Slot& from, bool take) {
    m.SyncLine();
    if (take) Move(to, from);
    else Copy(to, from);
    m.Check();
}

void Ops::Clear(Machine& m, Slot* from, int count) {
    m.SyncLine();
    for (int i = 0; i < count; i++) Release(from[i]);
    m.Check();
}

}  // namespace vesk::vm
