// The evaluator: statements and expressions over the compiled form, names
// (local, then global, then builtin), calls of script functions and of class
// rows, element and member places, try/catch and the unwinding of errors.
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <new>

#include "vesk/dispatch.h"
#include "vesk/interp.h"
#include "vesk/machine.h"
#include "vesk/parser.h"

namespace vesk {

using code::Code;
using code::FunctionCode;
using code::K;

namespace {

std::string Plural(long n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string Label(const FunctionCode* fn) {
    return fn->name.empty() ? std::string("the function text") : fn->name + "()";
}

// A function value's compiled form; function text is compiled at its first
// call and kept in the value.
const FunctionCode* CodeOf(Machine& m, VFunction* fn) {
    if (!fn->code) {
        ParseResult parsed = ParseFunctionText(fn->source, InternName);
        if (!parsed)
            m.Fail(VE_SYNTAX, "in function text at " + parsed.error.ToString());
        std::shared_ptr<code::Program> program = code::Compile(std::move(parsed.tree), true);
        fn->code = std::shared_ptr<const void>(program, &program->Main());
    }
    return static_cast<const FunctionCode*>(fn->code.get());
}

}  // namespace

// ---- the machine -------------------------------------------------------------------

Machine::Machine(Processor& processor) : processor_(processor), runtime_(processor.runtime) {}

Machine::~Machine() = default;

void Machine::Fail(int number, const std::string& text) {
    Error(number, text);
    throw Unwind{};
}

namespace {

// Below this address the stack is too full for one more call: the margin
// covers the deepest expression the parser allows plus the handlers it may
// call. Null when the thread's stack cannot be found.
const char* StackLimit() {
    pthread_attr_t attr;
    void* low = nullptr;
    size_t size = 0;
    const char* limit = nullptr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        size_t margin = std::max(size / 8, std::min(size_t(2) << 20, size / 2));
        limit = static_cast<const char*>(low) + margin;
    }
    pthread_attr_destroy(&attr);
    return limit;
}

}  // namespace

// The limit belongs to the thread the outermost call runs on.
void Machine::EnterStack() {
    static thread_local const char* limit = StackLimit();
    if (depth_ == 0) stackLimit_ = limit;
}

void Machine::RunTop(const code::Program& program) {
    RunningScope scope(&processor_);
    EnterStack();
    Frame* outer = frame_;
    frame_ = nullptr;
    try {
        Exec(program.Main().body);
    } catch (Unwind&) {
    } catch (std::bad_alloc&) {
        Error(VE_LIMIT, "out of memory");
    }
    frame_ = outer;
}

void Machine::CallValue(VFunction* fn, Variable* args, int count, Variable& out) {
    EnterStack();
    CallFunction(CodeOf(*this, fn), args, count, out, runtime_->line);
}

// Runs a function in a frame of its own; the arguments are moved into its
// first slots. `line` is the caller's, restored for what follows the call.
void Machine::CallFunction(const FunctionCode* fn, Variable* args, int count, Variable& out,
                           int line) {
    if (fn->builtin >= 0) {
        CallBuiltin(fn->builtin, args, count, out);
        return;
    }
    if (count != fn->params)
        Fail(VE_ARG_COUNT, Label(fn) + " takes " + Plural(fn->params, "argument") + ", " +
                               std::to_string(count) + (count == 1 ? " was" : " were") + " given");
    if (depth_ >= kMaxScriptDepth ||
        static_cast<const char*>(__builtin_frame_address(0)) < stackLimit_)
        Fail(VE_TOO_DEEP, "calls nested too deeply (" + std::to_string(depth_) +
                              " script calls in progress)");
    constexpr int kInline = 8;
    Variable inlineSlots[kInline];
    bool inlineSet[kInline] = {};
    std::unique_ptr<Variable[]> heapSlots;
    std::unique_ptr<bool[]> heapSet;
    Frame frame{inlineSlots, inlineSet, Variable()};
    if (fn->slots > kInline) {
        heapSlots.reset(new Variable[fn->slots]);
        heapSet.reset(new bool[fn->slots]());
        frame.slots = heapSlots.get();
        frame.set = heapSet.get();
    }
    for (int i = 0; i < count; i++) {
        MoveInto(frame.slots[i], args[i]);
        frame.set[i] = true;
    }
    struct Restore {
        Machine& m;
        Frame* outer;
        ~Restore() {
            m.frame_ = outer;
            m.depth_--;
        }
    } restore{*this, frame_};
    frame_ = &frame;
    depth_++;
    Exec(fn->body);
    MoveInto(out, frame.result);
    if (line > 0) runtime_->line = line;
}

// ---- statements -------------------------------------------------------------------

namespace {
inline void SetLine(VRuntime* rt, const Code* c) {
    if (c->line > 0) rt->line = c->line;
}
}  // namespace

Flow Machine::Exec(const Code* s) {
    if (stepLimit_ && ++steps_ > stepLimit_)
        Fail(VE_LIMIT, "the script ran more than " + std::to_string(stepLimit_) + " statements");
    switch (s->kind) {
    case K::Block:
        for (const Code* k : s->kids) {
            Flow f = Exec(k);
            MaybeCollect();  // values tied into cycles, between statements only
            Check();  // what a temporary's destructor row reported
            if (f != Flow::Normal) return f;
        }
        return Flow::Normal;
    case K::Expr: {
        SetLine(runtime_, s);
        Variable discarded;
        Eval(s->kids[0], discarded);
        return Flow::Normal;
    }
    case K::Assign:
        SetLine(runtime_, s);
        Assign(s);
        return Flow::Normal;
    case K::Compound:
        SetLine(runtime_, s);
        CompoundAssign(s);
        return Flow::Normal;
    case K::If:
        SetLine(runtime_, s);
        if (Truth(s->kids[0])) return Exec(s->kids[1]);
        return s->kids[2] ? Exec(s->kids[2]) : Flow::Normal;
    case K::While:
    case K::For: return Loop(s);
    case K::Break: return Flow::Break;
    case K::Continue: return Flow::Continue;
    case K::Return:
        SetLine(runtime_, s);
        if (s->kids[0]) {
            Variable value;
            Eval(s->kids[0], value);
            MoveInto(frame_->result, value);
        }
        return Flow::Return;
    case K::Function: {
        VFunction* fn = new VFunction;
        fn->name = s->function->name;
        fn->code = std::shared_ptr<const void>(s->function->program->shared_from_this(), s->function);
        Variable value;
        value.type = VT_FUNCTION;
        value.data.fn = fn;
        MoveInto(Define(s->kids[0]), value);
        return Flow::Normal;
    }
    case K::Try: return TryCatch(s);
    default: return Flow::Normal;
    }
}

// The truth of a condition, once its temporaries are gone.
bool Machine::Truth(const Code* condition) {
    bool yes;
    {
        Variable scratch;
        yes = Ref(condition, scratch).IsTrue();
    }
    Check();
    return yes;
}

// while: kids condition, body. for: kids init?, condition?, step?, body.
Flow Machine::Loop(const Code* s) {
    bool isFor = s->kind == K::For;
    const Code* condition = s->kids[isFor ? 1 : 0];
    const Code* body = s->kids[isFor ? 3 : 1];
    if (isFor && s->kids[0]) Exec(s->kids[0]);
    for (;;) {
        if (condition) {
            SetLine(runtime_, s);
            if (!Truth(condition)) break;
        }
        Flow f = Exec(body);
        MaybeCollect();  // a body of one statement has no block to do it
        Check();
        if (f == Flow::Break) break;
        if (f == Flow::Return) return f;
        if (isFor && s->kids[2]) Exec(s->kids[2]);
    }
    return Flow::Normal;
}

// The errors raised in the try block become a vector of [number, text]
// pairs in the catch variable; the rest of the try block is skipped.
Flow Machine::TryCatch(const Code* s) {
    try {
        return Exec(s->kids[0]);
    } catch (Unwind&) {
    } catch (std::bad_alloc&) {
        Error(VE_LIMIT, "out of memory");
    }
    std::vector<ErrorEntry> errors = TakeErrors(&processor_);
    Variable list;
    list.Init(VT_VECTOR, static_cast<long>(errors.size()));
    Check();
    for (size_t i = 0; i < errors.size(); i++) {
        Variable& pair = list.data.vec->items[i];
        pair.Init(VT_VECTOR, 2);
        Check();
        pair.data.vec->items[0] = errors[i].number;
        SetString(pair.data.vec->items[1], errors[i].text);
    }
    MoveInto(Define(s->kids[1]), list);
    return Exec(s->kids[2]);
}

Variable& Machine::Define(const Code* name) {
    if (name->kind == K::Local) {
        frame_->set[name->slot] = true;
        return frame_->slots[name->slot];
    }
    return globals_.Define(name->name);
}

void Machine::Assign(const Code* s) {
    const Code* target = s->kids[0];
    Variable value;
    switch (target->kind) {
    case K::Local:
    case K::Global:
        Eval(s->kids[1], value);
        MoveInto(Define(target), value);
        return;
    case K::Index: {
        Variable container, index;
        Eval(target->kids[0], container);
        Eval(target->kids[1], index);
        Eval(s->kids[1], value);
        StoreElement(container, index, value);
        return;
    }
    case K::Member: {
        Variable object;
        Eval(target->kids[0], object);
        Eval(s->kids[1], value);
        Variable& place = object(target->name);
        Check();
        MoveInto(place, value);
        return;
    }
    default: return;  // the parser allows no other target
    }
}

// x op= e: the "op=" row of the object x holds, else x = x op e. The target
// is read before e is evaluated, as in x = x op e.
void Machine::CompoundAssign(const Code* s) {
    const Code* target = s->kids[0];
    const Code* valueCode = s->kids[1];
    Variable current, value, result;
    switch (target->kind) {
    case K::Local:
    case K::Global: {
        const Variable* now = &Ref(target, current);
        if (!valueCode->pure && now != &current) {
            current = *now;
            now = &current;
        }
        Eval(valueCode, value);
        if (AssignOperator(s->op, *now, value)) return;
        Binary(s->op, *now, value, result);
        MoveInto(Define(target), result);
        return;
    }
    case K::Index: {
        Variable container, index;
        Eval(target->kids[0], container);
        Eval(target->kids[1], index);
        ReadElement(container, index, current);
        Eval(valueCode, value);
        if (AssignOperator(s->op, current, value)) return;
        Binary(s->op, current, value, result);
        StoreElement(container, index, result);
        return;
    }
    case K::Member: {
        Variable object;
        Eval(target->kids[0], object);
        current = object(target->name);
        Check();
        Eval(valueCode, value);
        if (AssignOperator(s->op, current, value)) return;
        Binary(s->op, current, value, result);
        Variable& place = object(target->name);
        Check();
        MoveInto(place, result);
        return;
    }
    default: return;
    }
}

// ---- expressions --------------------------------------------------------------------

const Variable* Machine::FindName(const Code* c) {
    if (c->kind == K::Local && frame_->set[c->slot]) return &frame_->slots[c->slot];
    if (Globals::Slot* g = globals_.Find(c->name)) return &g->value;
    return nullptr;
}

void Machine::ReadName(const Code* c, Variable& out) {
    if (const Variable* v = FindName(c)) {
        out = *v;
        return;
    }
    if (c->builtin >= 0) return BuiltinValue(c->builtin, out);
    Fail(VE_UNDEFINED, std::string("name '") + c->text + "' is not defined");
}

const Variable& Machine::Ref(const Code* e, Variable& scratch) {
    switch (e->kind) {
    case K::Const: return e->constant;
    case K::Local:
    case K::Global:
        if (const Variable* v = FindName(e)) return *v;
        ReadName(e, scratch);
        return scratch;
    default: Eval(e, scratch); return scratch;
    }
}

void Machine::Eval(const Code* e, Variable& out) {
    switch (e->kind) {
    case K::Const: out = e->constant; return;
    case K::Local:
    case K::Global: ReadName(e, out); return;
    case K::Vector: {
        Vector* v = NewVector(static_cast<long>(e->kids.size()));
        Check();
        Variable vector;
        SetVector(vector, v);
        for (size_t i = 0; i < e->kids.size(); i++) Eval(e->kids[i], v->items[i]);
        MoveInto(out, vector);
        return;
    }
    case K::Unary: {
        Variable scratch;
        Unary(e->op, Ref(e->kids[0], scratch), out);
        return;
    }
    case K::Binary:
    case K::Index: {
        // The left operand is read in place only when the right one runs no
        // script code that could change it.
        Variable ls, rs;
        const Variable* l = &ls;
        if (e->kids[1]->pure) l = &Ref(e->kids[0], ls);
        else Eval(e->kids[0], ls);
        const Variable& r = Ref(e->kids[1], rs);
        if (e->kind == K::Binary) Binary(e->op, *l, r, out);
        else ReadElement(*l, r, out);
        return;
    }
    case K::And:
    case K::Or: {
        bool value;
        {
            Variable scratch;
            value = Ref(e->kids[0], scratch).IsTrue();
        }
        if (value == (e->kind == K::And)) {
            Variable scratch;
            value = Ref(e->kids[1], scratch).IsTrue();
        }
        SetBool(out, value);
        return;
    }
    case K::Member: {
        Variable scratch;
        Variable& place = const_cast<Variable&>(Ref(e->kids[0], scratch))(e->name);
        Check();
        out = place;
        return;
    }
    case K::Call: Call(e, out); return;
    case K::Method: MethodCall(e, out); return;
    case K::New: NewObject(e, out); return;
    default: return;
    }
}

// ---- elements -------------------------------------------------------------------------

namespace {

// What an index is outside of, for messages: "the vector of 2 elements".
std::string Extent(const Variable& c) {
    if (c.type == VT_VECTOR) return "the vector of " + Plural(c.data.vec->count, "element");
    if (c.type == VT_STRING || c.type == VT_DATA) return "the " + KindName(c) + " of " + Plural(c.GetDataSize(), "byte");
    return AKind(c);
}

// A number that names a position: a fraction is cut toward zero; NaN, the
// infinities and numbers beyond the range of a long name none (error 11).
long IndexOf(Machine& m, const Variable& container, const Variable& index) {
    const Variable& i = *const_cast<Variable&>(index).GetPointer();
    if (!IsNumber(i)) m.Fail(VE_WRONG_KIND, "an index must be a number, not " + AKind(i));
    if (i.type == VT_FLOAT || i.type == VT_DOUBLE) {
        double d = i.GetDoubleNumb();
        if (!(d > -9.2e18 && d < 9.2e18))
            m.Fail(VE_INDEX, "index " + Format(i) + " is outside " + Extent(container));
    }
    return i.GetLongNumb();
}

// Strings and data blocks: byte i, or error 11.
unsigned char& ByteAt(Machine& m, Variable& bytes, long i) {
    long n = bytes.GetDataSize();
    if (i < 0 || i >= n) m.Fail(VE_INDEX, "index " + std::to_string(i) + " is outside " + Extent(bytes));
    return static_cast<unsigned char*>(bytes.GetData())[i];
}

}  // namespace

void Machine::ReadElement(const Variable& container, const Variable& index, Variable& out) {
    Variable& c = Deref(const_cast<Variable&>(container));
    long i = IndexOf(*this, c, index);
    if (c.type == VT_STRING || c.type == VT_DATA) {
        out = static_cast<int>(ByteAt(*this, c, i));
        return;
    }
    Variable& element = c[i];
    Check();
    out = element;
}

// Vectors and indexable objects take the value in place; a data block
// stores its low 8 bits; strings do not change.
void Machine::StoreElement(Variable& container, const Variable& index, Variable& value) {
    Variable& c = Deref(container);
    long i = IndexOf(*this, c, index);
    if (c.type == VT_STRING)
        Fail(VE_WRONG_KIND, "a string cannot be changed in place; make a new one (s + \"...\")");
    if (c.type == VT_DATA) {
        const Variable& v = Deref(value);
        if (!IsNumber(v)) Fail(VE_WRONG_KIND, "a data block holds bytes, not " + AKind(v));
        ByteAt(*this, c, i) = static_cast<unsigned char>(v.GetLongNumb() & 0xFF);
        return;
    }
    Variable& element = c[i];
    Check();
    MoveInto(element, value);
}

// ---- calls ------------------------------------------------------------------------------

void Machine::Call(const Code* c, Variable& out) {
    const Code* callee = c->kids[0];
    Variable function;  // keeps the function alive while it runs
    int builtin = -1;
    if (callee->kind == K::Local || callee->kind == K::Global) {
        if (const Variable* v = FindName(callee)) function = *v;
        else if (callee->builtin >= 0) builtin = callee->builtin;
        else Fail(VE_UNDEFINED, std::string("name '") + callee->text + "' is not defined");
    } else {
        Eval(callee, function);
    }
    ArgList args(c->kids.size() - 1);
    for (int i = 0; i < args.size(); i++) Eval(c->kids[i + 1], args.data()[i]);
    SetLine(runtime_, c);
    if (builtin >= 0) return CallBuiltin(builtin, args.data(), args.size(), out);
    Variable& f = Deref(function);
    if (f.type != VT_FUNCTION)
        Fail(VE_WRONG_KIND, "cannot call " + AKind(f) + " (only functions can be called)");
    CallFunction(CodeOf(*this, f.data.fn), args.data(), args.size(), out, c->line);
}

void Machine::MethodCall(const Code* c, Variable& out) {
    Variable self;  // a copy: the call must not lose its object midway
    Eval(c->kids[0], self);
    ArgList args(c->kids.size() - 1);
    for (int i = 0; i < args.size(); i++) Eval(c->kids[i + 1], args.data()[i]);
    SetLine(runtime_, c);
    CallMethod(self, c->text, args.data(), args.size(), out);
}

void Machine::NewObject(const Code* c, Variable& out) {
    ArgList args(c->kids.size());
    for (int i = 0; i < args.size(); i++) Eval(c->kids[i], args.data()[i]);
    SetLine(runtime_, c);
    if (trace_) Traced(c->text, c->text, [&] { Construct(&processor_, c->text, args.data(), args.size(), out); });
    else Construct(&processor_, c->text, args.data(), args.size(), out);
    Check();
}

void Machine::CallMethod(Variable& self, const char* name, Variable* args, int count, Variable& out) {
    if (trace_) {
        VClass* cls = ClassOfValue(self);
        Traced(name, cls ? cls->name.c_str() : "?",
               [&] { vesk::CallMethod(&processor_, self, name, args, count, out); });
    } else {
        vesk::CallMethod(&processor_, self, name, args, count, out);
    }
    Check();
}

void Machine::Traced(const char* what, const char* cls, const std::function<void()>& call) {
    auto start = std::chrono::steady_clock::now();
    call();
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::fprintf(trace_, "trace: %s:%d: %s::%s %.3f ms%s\n", runtime_->file.c_str(), runtime_->line, cls,
                 what, took.count(), processor_.errorState ? " (error)" : "");
}

}  // namespace vesk
