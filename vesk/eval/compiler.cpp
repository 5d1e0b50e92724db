// From syntax tree to register code. Each function gets its locals (the
// names it assigns, its parameters, the functions it declares and its catch
// variables) in registers 0 .. locals-1 and its temporaries above them, a
// stack that every statement starts empty. A read of a local that may not be
// set yet goes through GETVAR, which falls back to the global; reads of
// locals that are surely set use the register itself. Loops test their
// condition at the bottom, so a pass costs one conditional jump.
#include <climits>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "vesk/eval/bytecode.h"
#include "vesk/values/value.h"

namespace vesk::vm {

namespace {

// A source the instruction format cannot address.
struct TooLarge {
    std::string why;
};

// The locals of one function: the names it assigns anywhere in its body
// (outside nested functions), the names of functions it declares, its catch
// variables, and first its parameters; less the names it declares global
// (the parser has made sure none of those is used above its declaration).
class Scope {
public:
    int Find(int32_t name) const {
        auto it = slots_.find(name);
        return it == slots_.end() ? -1 : it->second;
    }
    void Add(int32_t name) {
        if (globals_.count(name)) return;
        if (slots_.emplace(name, static_cast<int>(names_.size())).second) names_.push_back(name);
    }
    int Count() const { return static_cast<int>(names_.size()); }
    const std::vector<int32_t>& Names() const { return names_; }

    // Walks statements; the parser bounds their nesting, so recursion is safe.
    void Collect(const Node* s) {
        if (!s) return;
        switch (s->kind) {
        case NodeKind::Block:
            for (uint32_t i = 0; i < s->count; i++) Collect(s->kids[i]);
            break;
        case NodeKind::Assign:
        case NodeKind::CompoundAssign:
            if (s->kids[0]->kind == NodeKind::Name) Add(s->kids[0]->name);
            break;
        case NodeKind::If: Collect(s->kids[1]); Collect(s->kids[2]); break;
        case NodeKind::While: Collect(s->kids[1]); break;
        case NodeKind::For: Collect(s->kids[0]); Collect(s->kids[2]); Collect(s->kids[3]); break;
        case NodeKind::Function: Add(s->name); break;
        case NodeKind::Try: Collect(s->kids[0]); Add(s->name); Collect(s->kids[1]); break;
        case NodeKind::Global:
            for (uint32_t i = 0; i < s->count; i++) globals_.insert(s->kids[i]->name);
            break;
        default: break;
        }
    }

private:
    std::unordered_map<int32_t, int> slots_;
    std::vector<int32_t> names_;
    std::unordered_set<int32_t> globals_;
};

bool IsComparison(Op op) {
    return op == Op::Lt || op == Op::Le || op == Op::Gt || op == Op::Ge || op == Op::Eq || op == Op::Ne;
}

Opcode JumpOf(Op op) {
    switch (op) {
    case Op::Lt: return JLT;
    case Op::Le: return JLE;
    case Op::Gt: return JGT;
    case Op::Ge: return JGE;
    case Op::Eq: return JEQ;
    default: return JNE;
    }
}

// ADD .. MOD, or their constant forms; -1 for the other operators.
int ArithOf(Op op, bool konst) {
    int base = konst ? ADDK : ADD;
    switch (op) {
    case Op::Add: return base;
    case Op::Sub: return base + 1;
    case Op::Mul: return base + 2;
    case Op::Div: return base + 3;
    case Op::Mod: return base + 4;
    default: return -1;
    }
}

class FunctionCompiler {
public:
    FunctionCompiler(Program* program, Proto* proto, const Scope* scope)
        : program_(program), proto_(proto), scope_(scope) {
        int locals = scope ? scope->Count() : 0;
        proto_->locals = locals;
        top_ = locals;
        proto_->registers = locals;
        assigned_.assign(locals, 0);
        for (int i = 0; i < proto_->params; i++) assigned_[i] = 1;
        if (scope) proto_->localNames = scope->Names();
    }

    void Body(const Node* block) {
        Stat(block);
        line_ = program_->functionText ? 0 : lastLine_;
        Emit(RETURNNULL, 0, 0, 0);
    }

private:
    // ---- emitting ----------------------------------------------------------
    int Here() const { return static_cast<int>(proto_->code.size()); }

    int Emit(Opcode op, int a, int b, int c, uint8_t x = 0) {
        Instr in{};
        in.op = op;
        in.x = x;
        in.a = Reg(a);
        in.b = static_cast<uint16_t>(b);
        in.c = static_cast<uint16_t>(c);
        return Push(in);
    }
    int EmitBx(Opcode op, int a, uint32_t bx, uint8_t x = 0) {
        Instr in{};
        in.op = op;
        in.x = x;
        in.a = Reg(a);
        in.bx = bx;
        return Push(in);
    }
    int Push(Instr in) {
        if (statement_) {
            in.x |= kStatement;
            statement_ = false;
        }
        proto_->code.push_back(in);
        proto_->lines.push_back(line_);
        return Here() - 1;
    }
    // A jump whose offset is patched later; returns the index to patch.
    int EmitJump() { return EmitBx(JMP, 0, 0); }
    // A conditional instruction followed by its offset word.
    int EmitConditional(Opcode op, int a, int b, uint8_t x) {
        Emit(op, a, b, 0, x);
        Instr word{};
        word.op = JMP;  // never dispatched: the offset of the instruction before
        return Push(word);
    }
    // Offsets count from the instruction after the jump (or its word).
    void PatchTo(int at, int target) { proto_->code[at].sbx = target - (at + 1); }
    void PatchHere(const std::vector<int>& list) {
        for (int at : list) PatchTo(at, Here());
    }

    uint16_t Reg(int r) {
        if (r < 0 || r > 0xFFFF) throw TooLarge{"a function needs more than 65535 registers"};
        return static_cast<uint16_t>(r);
    }
    int Temp() {
        int r = top_++;
        Reg(r);
        if (top_ > proto_->registers) proto_->registers = top_;
        if (top_ > tempHigh_) tempHigh_ = top_;
        return r;
    }
    // Notes that a temporary may now hold something with a destructor row
    // or memory behind it, so that the statement's end lets go of it.
    void Owning(int reg) {
        if (reg >= proto_->locals) tempsOwn_ = true;
    }

    static uint16_t Index16(size_t i, const char* what) {
        if (i > 0xFFFF) throw TooLarge{std::string("a function uses more than 65535 ") + what};
        return static_cast<uint16_t>(i);
    }
    int Konst(const Node* e) {
        Slot k;
        switch (e->kind) {
        case NodeKind::Int: k = Slot(VT_INT, IntBits(e->intValue)); break;
        case NodeKind::Double: k = Slot(VT_DOUBLE, DoubleBits(e->doubleValue)); break;
        case NodeKind::Bool: k = Slot(VT_BOOL, e->intValue != 0); break;
        case NodeKind::String: {
            Variable s;
            SetString(s, e->text.data, e->text.size);
            if (s.type != VT_STRING) throw TooLarge{"a string literal is larger than the limit"};
            FromVariable(s, k);
            break;
        }
        default: break;
        }
        // Numbers repeat (loop steps, 0, 1): one constant each.
        if (k.type == VT_INT || k.type == VT_DOUBLE) {
            for (size_t i = 0; i < proto_->constants.size(); i++) {
                const Slot& c = proto_->constants[i];
                if (c.type == k.type && c.bits == k.bits)
                    return static_cast<int>(i);
                if (i > 64) break;
            }
        }
        proto_->constants.push_back(k);
        return Index16(proto_->constants.size() - 1, "constants");
    }
    int KonstSlot(const Slot& k) {
        for (size_t i = 0; i < proto_->constants.size() && i <= 64; i++)
            if (proto_->constants[i].type == k.type && proto_->constants[i].bits == k.bits) return static_cast<int>(i);
        proto_->constants.push_back(k);
        return Index16(proto_->constants.size() - 1, "constants");
    }
    int Name(int32_t id, const char* text) {
        auto it = nameIndex_.find(id);
        if (it != nameIndex_.end()) return it->second;
        proto_->names.push_back(id);
        proto_->nameTexts.push_back(text);
        proto_->builtins.push_back(static_cast<int16_t>(BuiltinIndex(id)));
        int i = Index16(proto_->names.size() - 1, "names");
        nameIndex_.emplace(id, i);
        return i;
    }
    int MemberSite(const Node* e) {
        proto_->members.push_back({e->name, &kNoClass, -1});
        return Index16(proto_->members.size() - 1, "member accesses");
    }
    int MethodSite(const Node* e) {
        proto_->methods.push_back({e->name, e->text.data, &kNoClass, nullptr});
        return Index16(proto_->methods.size() - 1, "method calls");
    }

    // ---- names ---------------------------------------------------------------
    int LocalOf(int32_t name) const { return scope_ ? scope_->Find(name) : -1; }
    bool SurelySet(int local) const { return assigned_[local] != 0; }

    // ---- expressions -----------------------------------------------------------
    // A register that holds e's value: a local that is surely set is read
    // where it is; anything else lands in a new temporary.
    int Any(const Node* e) {
        if (e->kind == NodeKind::Name) {
            int local = LocalOf(e->name);
            if (local >= 0 && SurelySet(local)) return local;
        }
        int r = Temp();
        Into(e, r);
        return r;
    }

    // A small number on the right of an arithmetic or comparison operator is
    // taken from the constants.
    bool KonstOperand(const Node* e) const {
        return e->kind == NodeKind::Int || e->kind == NodeKind::Double;
    }

    // Puts e's value into reg; reg is written by the last instruction only,
    // so `x = x + 1` and `x = [x]` read the old x.
    void Into(const Node* e, int reg) {
        int saved = top_;
        switch (e->kind) {
        case NodeKind::Int:
        case NodeKind::Double:
        case NodeKind::String:
        case NodeKind::Bool: {
            int k = Konst(e);
            EmitBx(LOADK, reg, k);
            if (e->kind == NodeKind::String) Owning(reg);
            break;
        }
        case NodeKind::Null: Emit(LOADNULL, reg, 0, 0); break;
        case NodeKind::Name: ReadName(e, reg); break;
        case NodeKind::Vector: {
            int first = top_;
            for (uint32_t i = 0; i < e->count; i++) Into(e->kids[i], Temp());
            Emit(NEWVEC, reg, first, Index16(e->count, "elements in one vector literal"));
            Owning(reg);
            break;
        }
        case NodeKind::Unary: {
            int b = Any(e->kids[0]);
            Emit(e->op == Op::Neg ? NEG : e->op == Op::Not ? NOT : BNOT, reg, b, 0);
            break;
        }
        case NodeKind::Binary: Binary(e, reg); break;
        case NodeKind::And:
        case NodeKind::Or: {
            std::vector<int> falses;
            Jump(e, false, &falses);
            Emit(LOADBOOL, reg, 1, 0);
            int end = EmitJump();
            PatchHere(falses);
            Emit(LOADBOOL, reg, 0, 0);
            PatchTo(end, Here());
            break;
        }
        case NodeKind::Call: Call(e, reg); break;
        case NodeKind::Method: {
            int base = CallBase(reg);
            Into(e->kids[0], base);
            for (uint32_t i = 1; i < e->count; i++) Into(e->kids[i], Temp());
            WithLine(e, [&] { Emit(METHOD, base, e->count - 1, MethodSite(e)); });
            Result(base, reg);
            break;
        }
        case NodeKind::New: {
            int base = CallBase(reg);
            for (uint32_t i = 0; i < e->count; i++) Into(e->kids[i], i == 0 ? base : Temp());
            WithLine(e, [&] { Emit(NEWOBJ, base, e->count, Name(e->name, e->text.data)); });
            Result(base, reg);
            break;
        }
        case NodeKind::Member: {
            int b = Any(e->kids[0]);
            Emit(GETMEMBER, reg, b, MemberSite(e));
            Owning(reg);
            break;
        }
        case NodeKind::Index: {
            int b = Any(e->kids[0]);
            int c = Any(e->kids[1]);
            Emit(GETINDEX, reg, b, c);
            Owning(reg);
            break;
        }
        default: Emit(LOADNULL, reg, 0, 0); break;  // the parser gives no other expression
        }
        top_ = saved;
    }

    void ReadName(const Node* e, int reg) {
        int local = LocalOf(e->name);
        if (local >= 0 && SurelySet(local)) {
            if (local != reg) Emit(MOVE, reg, local, 0);
        } else if (local >= 0) {
            Emit(GETVAR, reg, local, 0);
        } else {
            EmitBx(GETGLOBAL, reg, Name(e->name, e->text.data));
        }
        Owning(reg);
    }

    void Binary(const Node* e, int reg) {
        const Node* left = e->kids[0];
        const Node* right = e->kids[1];
        if (IsComparison(e->op)) {
            // As a value: the conditional jump and two loads.
            std::vector<int> falses;
            Jump(e, false, &falses);
            Emit(LOADBOOL, reg, 1, 0);
            int end = EmitJump();
            PatchHere(falses);
            Emit(LOADBOOL, reg, 0, 0);
            PatchTo(end, Here());
            return;
        }
        int arith = ArithOf(e->op, KonstOperand(right));
        int b = Any(left);
        if (arith >= 0 && KonstOperand(right)) {
            Emit(static_cast<Opcode>(arith), reg, b, Konst(right));
        } else {
            int c = Any(right);
            if (arith >= 0) Emit(static_cast<Opcode>(arith), reg, b, c);
            else Emit(BINARY, reg, b, c, static_cast<uint8_t>(e->op));
        }
        Owning(reg);  // + joins strings; operator rows give objects
    }

    // Calls put the callee (or self) and the arguments in consecutive
    // registers; the result lands where the callee was. When the target is
    // the newest temporary that is where the call goes, else a new one.
    int CallBase(int reg) { return reg == top_ - 1 && reg >= proto_->locals ? reg : Temp(); }
    void Result(int base, int reg) {
        Owning(base);
        if (base != reg) {
            Emit(MOVE, reg, base, 0, kTake);
            Owning(reg);
        }
    }
    template <class F>
    void WithLine(const Node* e, F emit) {
        int outer = line_;
        if (!program_->functionText) line_ = e->line;
        emit();
        line_ = outer;
    }

    // A callee named by something other than a local is looked up when the
    // call runs: the global of that name, else the builtin (CALLNAME makes no
    // function value for a builtin).
    void Call(const Node* e, int reg) {
        const Node* callee = e->kids[0];
        int base = CallBase(reg);
        bool byName = callee->kind == NodeKind::Name && LocalOf(callee->name) < 0;
        if (!byName) Into(callee, base);
        for (uint32_t i = 1; i < e->count; i++) Into(e->kids[i], Temp());
        int n = static_cast<int>(e->count) - 1;
        WithLine(e, [&] {
            if (byName) Emit(CALLNAME, base, n, Name(callee->name, callee->text.data));
            else Emit(CALL, base, n, 0);
        });
        Result(base, reg);
    }

    // Emits jumps, added to `out`, taken when cond's truth equals `when`;
    // otherwise control falls through.
    void Jump(const Node* cond, bool when, std::vector<int>* out) {
        int saved = top_;
        switch (cond->kind) {
        case NodeKind::Unary:
            if (cond->op == Op::Not) {
                Jump(cond->kids[0], !when, out);
                return;
            }
            break;
        case NodeKind::And:
        case NodeKind::Or: {
            bool isAnd = cond->kind == NodeKind::And;
            if (when != isAnd) {  // and→false, or→true: either side decides
                Jump(cond->kids[0], when, out);
                Jump(cond->kids[1], when, out);
            } else {  // and→true, or→false: both sides must agree
                std::vector<int> skip;
                Jump(cond->kids[0], !when, &skip);
                Jump(cond->kids[1], when, out);
                PatchHere(skip);
            }
            return;
        }
        case NodeKind::Binary:
            if (IsComparison(cond->op)) {
                int a = Any(cond->kids[0]);
                uint8_t x = when ? kIfTrue : 0;
                int b;
                if (KonstOperand(cond->kids[1])) {
                    b = Konst(cond->kids[1]);
                    x |= kKonst;
                } else {
                    b = Any(cond->kids[1]);
                }
                out->push_back(EmitConditional(JumpOf(cond->op), a, b, x));
                top_ = saved;
                return;
            }
            break;
        default: break;
        }
        int r = Any(cond);
        out->push_back(EmitConditional(when ? JMPIF : JMPIFNOT, r, 0, 0));
        top_ = saved;
    }

    // ---- statements ------------------------------------------------------------
    void Stat(const Node* s) {
        if (!s) return;
        if (s->kind == NodeKind::Block) {
            for (uint32_t i = 0; i < s->count; i++) Stat(s->kids[i]);
            return;
        }
        // An if or a loop holds no temporaries while its inner statements
        // run; what it notes about its own is kept across them.
        int outerLine = line_;
        bool outerOwn = tempsOwn_;
        int outerHigh = tempHigh_;
        line_ = program_->functionText ? 0 : s->line;
        lastLine_ = s->line;
        statement_ = true;
        tempsOwn_ = false;
        tempHigh_ = top_;
        switch (s->kind) {
        case NodeKind::ExprStmt: {
            int r = Temp();
            Into(s->kids[0], r);
            Owning(r);
            break;
        }
        case NodeKind::Assign: Assign(s); break;
        case NodeKind::CompoundAssign: Compound(s); break;
        case NodeKind::If: If(s); break;
        case NodeKind::While:
        case NodeKind::For: Loop(s); break;
        case NodeKind::Break:
        case NodeKind::Continue: {
            Loop_& loop = loops_.back();
            for (int i = loop.tries; i < tries_; i++) Emit(ENDTRY, 0, 0, 0);
            (s->kind == NodeKind::Break ? loop.breaks : loop.continues).push_back(EmitJump());
            break;
        }
        case NodeKind::Return:
            if (s->kids[0]) {
                int r = Any(s->kids[0]);
                Emit(RETURN, r, 0, 0);
            } else {
                Emit(RETURNNULL, 0, 0, 0);
            }
            tempsOwn_ = false;  // the frame lets go of everything
            break;
        case NodeKind::Function: Function(s); break;
        case NodeKind::Try: Try(s); break;
        default: break;  // the empty statement, and 'global' (settled in Scope)
        }
        // Temporaries die with their statement.
        if (tempsOwn_) Emit(CLEAR, proto_->locals, tempHigh_ - proto_->locals, 0);
        tempsOwn_ = outerOwn;
        tempHigh_ = outerHigh;
        statement_ = false;
        top_ = proto_->locals;
        line_ = outerLine;
    }

    void SetLocal(int local) { assigned_[local] = 1; }

    void Assign(const Node* s) {
        const Node* target = s->kids[0];
        const Node* value = s->kids[1];
        switch (target->kind) {
        case NodeKind::Name: {
            int local = LocalOf(target->name);
            if (local >= 0) {
                Into(value, local);
                SetLocal(local);
            } else {
                int r = Any(value);
                EmitBx(SETGLOBAL, r, Name(target->name, target->text.data));
            }
            return;
        }
        case NodeKind::Index: {
            int c = Any(target->kids[0]);
            int i = Any(target->kids[1]);
            int v = Any(value);
            Emit(SETINDEX, c, i, v);
            return;
        }
        case NodeKind::Member: {
            int o = Any(target->kids[0]);
            int v = Any(value);
            Emit(SETMEMBER, o, v, MemberSite(target));
            return;
        }
        default: return;  // the parser allows no other target
        }
    }

    // x op= e: the target is read, then e evaluated; the arithmetic
    // instruction carries kCompound so that an object's "op=" row runs first.
    void Arith(Op op, int into, int left, const Node* value) {
        if (KonstOperand(value)) {
            Emit(static_cast<Opcode>(ArithOf(op, true)), into, left, Konst(value), kCompound);
        } else {
            int v = Any(value);
            Emit(static_cast<Opcode>(ArithOf(op, false)), into, left, v, kCompound);
        }
        Owning(into);
    }

    void Compound(const Node* s) {
        const Node* target = s->kids[0];
        const Node* value = s->kids[1];
        switch (target->kind) {
        case NodeKind::Name: {
            int local = LocalOf(target->name);
            if (local >= 0 && SurelySet(local)) {
                Arith(s->op, local, local, value);
            } else if (local >= 0) {
                int t = Temp();
                Emit(GETVAR, t, local, 0);
                Owning(t);
                Arith(s->op, local, t, value);
                SetLocal(local);
            } else {
                int t = Temp();
                EmitBx(GETGLOBAL, t, Name(target->name, target->text.data));
                Owning(t);
                Arith(s->op, t, t, value);
                EmitBx(SETGLOBAL, t, Name(target->name, target->text.data));
            }
            return;
        }
        case NodeKind::Index: {
            int c = Any(target->kids[0]);
            int i = Any(target->kids[1]);
            int t = Temp();
            Emit(GETINDEX, t, c, i);
            Owning(t);
            Arith(s->op, t, t, value);
            Emit(SETINDEX, c, i, t);
            return;
        }
        case NodeKind::Member: {
            int o = Any(target->kids[0]);
            int t = Temp();
            int site = MemberSite(target);
            Emit(GETMEMBER, t, o, site);
            Owning(t);
            Arith(s->op, t, t, value);
            Emit(SETMEMBER, o, t, site);
            return;
        }
        default: return;
        }
    }

    // Definite assignment: what is surely set after both branches.
    using Assigned = std::vector<uint8_t>;
    static void Meet(Assigned& a, const Assigned& b) {
        for (size_t i = 0; i < a.size(); i++) a[i] = a[i] && b[i];
    }

    void If(const Node* s) {
        std::vector<int> elses;
        Jump(s->kids[0], false, &elses);
        Assigned before = assigned_;
        Stat(s->kids[1]);
        if (s->kids[2]) {
            int end = EmitJump();
            PatchHere(elses);
            Assigned afterThen = assigned_;
            assigned_ = before;
            Stat(s->kids[2]);
            Meet(assigned_, afterThen);
            PatchTo(end, Here());
        } else {
            PatchHere(elses);
            assigned_ = before;
        }
    }

    // A counting loop's step and test fused into one instruction: the step
    // `i += k` or `i -= k` (i a local that is set, k a number) and the test
    // `i < n`, `<=`, `>`, `>=` or `!=` (n a number or another local that is
    // set) run as FORLT .. FORNE at the end of each pass. Returns the opcode,
    // or -1 when the loop is not of that form.
    struct Fused {
        Opcode op;
        int counter, bound, step;
        bool konst;
    };
    bool FuseStep(const Node* step, const Node* condition, const Assigned& set, Fused* f) {
        if (!step || !condition || step->kind != NodeKind::CompoundAssign) return false;
        if (step->op != Op::Add && step->op != Op::Sub) return false;
        const Node* target = step->kids[0];
        const Node* by = step->kids[1];
        if (target->kind != NodeKind::Name || !KonstOperand(by)) return false;
        int counter = LocalOf(target->name);
        if (counter < 0 || !set[counter]) return false;
        if (condition->kind != NodeKind::Binary) return false;
        Opcode op;
        switch (condition->op) {
        case Op::Lt: op = FORLT; break;
        case Op::Le: op = FORLE; break;
        case Op::Gt: op = FORGT; break;
        case Op::Ge: op = FORGE; break;
        case Op::Ne: op = FORNE; break;
        default: return false;
        }
        const Node* left = condition->kids[0];
        const Node* right = condition->kids[1];
        if (left->kind != NodeKind::Name || left->name != target->name) return false;
        Slot k;
        if (by->kind == NodeKind::Int) {
            int64_t v = step->op == Op::Sub ? -int64_t(by->intValue) : by->intValue;
            if (v < INT32_MIN || v > INT32_MAX) return false;
            k = Slot(VT_INT, IntBits(static_cast<int32_t>(v)));
        } else {
            k = Slot(VT_DOUBLE, DoubleBits(step->op == Op::Sub ? -by->doubleValue : by->doubleValue));
        }
        if (KonstOperand(right)) {
            f->bound = Konst(right);
            f->konst = true;
        } else if (right->kind == NodeKind::Name) {
            int bound = LocalOf(right->name);
            if (bound < 0 || bound == counter || !set[bound]) return false;
            f->bound = bound;
            f->konst = false;
        } else {
            return false;
        }
        f->op = op;
        f->counter = counter;
        f->step = KonstSlot(k);
        return true;
    }

    // while: kids condition, body. for: kids init?, condition?, step?, body.
    // The condition is tested at the bottom; the first test is reached by a
    // jump over the body. A counting for loop tests once before the first
    // pass and then with its fused step at the end of each.
    void Loop(const Node* s) {
        bool isFor = s->kind == NodeKind::For;
        const Node* condition = s->kids[isFor ? 1 : 0];
        const Node* body = s->kids[isFor ? 3 : 1];
        const Node* step = isFor ? s->kids[2] : nullptr;
        int loopLine = line_;
        if (isFor && s->kids[0]) {
            Stat(s->kids[0]);
            line_ = loopLine;
        }
        Assigned before = assigned_;
        Fused fused{};
        bool fuse = FuseStep(step, condition, before, &fused);
        std::vector<int> exits;
        int toTest = -1;
        if (fuse) Jump(condition, false, &exits);
        else if (condition) toTest = EmitJump();
        int start = Here();
        loops_.push_back({{}, {}, tries_});
        Stat(body);
        PatchHere(loops_.back().continues);
        if (fuse) {
            int stepLine = program_->functionText ? 0 : step->line;
            line_ = stepLine;
            statement_ = true;  // each pass counts as a statement
            PatchTo(EmitConditional(fused.op, fused.counter, fused.bound, kIfTrue | (fused.konst ? kKonst : 0)),
                    start);
            proto_->code[Here() - 2].c = static_cast<uint16_t>(fused.step);
            statement_ = false;
            line_ = loopLine;
            assigned_ = before;
            PatchHere(exits);
            PatchHere(loops_.back().breaks);
            loops_.pop_back();
            return;
        }
        if (step) Stat(step);
        line_ = loopLine;
        if (toTest >= 0) PatchTo(toTest, Here());
        assigned_ = before;  // the body may not run at all
        statement_ = true;   // each pass counts as a statement
        if (condition) {
            std::vector<int> again;
            Jump(condition, true, &again);
            for (int at : again) PatchTo(at, start);
        } else {
            PatchTo(EmitJump(), start);
        }
        statement_ = false;
        PatchHere(loops_.back().breaks);
        loops_.pop_back();
    }

    void Function(const Node* s) {
        Proto& child = program_->protos.emplace_back();
        CompileFunction(program_, &child, s, std::string(s->Text()));
        proto_->children.push_back(&child);
        uint32_t index = static_cast<uint32_t>(proto_->children.size() - 1);
        int local = LocalOf(s->name);
        if (local >= 0) {
            EmitBx(FUNC, local, index);
            SetLocal(local);
        } else {
            int t = Temp();
            EmitBx(FUNC, t, index);
            EmitBx(SETGLOBAL, t, Name(s->name, s->text.data));
            Owning(t);
        }
    }

    void Try(const Node* s) {
        TrySite site{};
        int local = LocalOf(s->name);
        site.global = local < 0;
        site.reg = static_cast<uint16_t>(local < 0 ? 0 : local);
        site.name = s->name;
        proto_->tries.push_back(site);
        uint32_t index = static_cast<uint32_t>(proto_->tries.size() - 1);
        EmitBx(TRY, 0, index);
        Assigned before = assigned_;
        tries_++;
        Stat(s->kids[0]);
        tries_--;
        Emit(ENDTRY, 0, 0, 0);
        int end = EmitJump();
        proto_->tries[index].handler = Here();
        Assigned afterTry = assigned_;
        assigned_ = before;
        if (local >= 0) SetLocal(local);
        Stat(s->kids[1]);
        Meet(assigned_, afterTry);
        PatchTo(end, Here());
    }

public:
    static void CompileFunction(Program* program, Proto* proto, const Node* fn, const std::string& name);

private:
    Program* program_;
    Proto* proto_;
    const Scope* scope_;
    int top_ = 0;
    int line_ = 0;
    int lastLine_ = 0;
    bool statement_ = false;
    bool tempsOwn_ = false;
    int tempHigh_ = 0;
    int tries_ = 0;
    Assigned assigned_;
    struct Loop_ {
        std::vector<int> breaks, continues;
        int tries;
    };
    std::vector<Loop_> loops_;
    std::unordered_map<int32_t, int> nameIndex_;
};

// fn: a Function node; kids[0] is the body, the rest its parameters.
void FunctionCompiler::CompileFunction(Program* program, Proto* proto, const Node* fn,
                                       const std::string& name) {
    proto->program = program;
    proto->name = name;
    proto->line = fn->line;
    Scope scope;
    for (uint32_t i = 1; i < fn->count; i++) scope.Add(fn->kids[i]->name);
    proto->params = static_cast<int>(fn->count) - 1;
    scope.Collect(fn->kids[0]);
    FunctionCompiler c(program, proto, &scope);
    c.Body(fn->kids[0]);
}

}  // namespace

Proto::~Proto() {
    for (Slot& k : constants) Release(k);
}

std::shared_ptr<Program> Compile(std::unique_ptr<SyntaxTree> tree, bool functionText,
                                 std::string* why) {
    auto program = std::make_shared<Program>();
    program->functionText = functionText;
    program->tree = std::move(tree);
    const Node* root = program->tree->Root();
    try {
        Proto& main = program->protos.emplace_back();
        if (functionText) {
            FunctionCompiler::CompileFunction(program.get(), &main, root, "");
        } else {
            main.program = program.get();
            main.line = 1;
            FunctionCompiler c(program.get(), &main, nullptr);
            c.Body(root);
        }
    } catch (TooLarge& e) {
        if (why) *why = e.why;
        return nullptr;
    }
    return program;
}

}  // namespace vesk::vm
