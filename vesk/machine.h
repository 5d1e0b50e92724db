// The evaluator's state and its parts: globals, call frames, the way errors
// unwind, and the pieces the evaluation, operator and builtin files share.
// Private to the interpreter.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vesk/code.h"
#include "vesk/runtime.h"

namespace vesk {

// Name IDs are the host's, so that scripts, modules and host classes agree.
inline int32_t InternName(const char* name) { return ::Token::GetNameID(name); }

// Thrown once errors are recorded on the processor: evaluation stops and
// unwinds to the innermost try, or to the top. It never leaves the
// interpreter (handlers that call back into it get a plain return).
struct Unwind {};

// How a statement ended.
enum class Flow { Normal, Break, Continue, Return };

// Globals by name ID, in pages so that a global never moves while it is
// being read or assigned; plus the order of first definition.
class Globals {
public:
    struct Slot {
        Variable value;
        bool set = false;
    };
    Slot* Find(int32_t id) {
        size_t page = static_cast<size_t>(id) >> kPageBits;
        if (id < 0 || page >= pages_.size() || !pages_[page]) return nullptr;
        Slot* s = &pages_[page][id & kPageMask];
        return s->set ? s : nullptr;
    }
    // The global's slot, defined from now on.
    Variable& Define(int32_t id);
    // Empties every global, the last defined first.
    void Clear();

private:
    static constexpr int kPageBits = 8;
    static constexpr int kPageMask = (1 << kPageBits) - 1;
    std::vector<std::unique_ptr<Slot[]>> pages_;
    std::vector<int32_t> order_;
};

// The locals of one running function.
struct Frame {
    Variable* slots;
    bool* set;
    Variable result;  // what return gave
};

// Moves a value into a place without copying what it owns. The old value is
// released after the new one is in place, so a destructor row that runs then
// sees a consistent place.
inline void MoveInto(Variable& to, Variable& from) {
    Variable old;
    old.type = to.type;
    old.data = to.data;
    to.type = from.type;
    to.data = from.data;
    from.type = VT_EMPTY;
    from.data.p = nullptr;
}

class Machine {
public:
    explicit Machine(Processor& processor);
    ~Machine();

    // ---- entry points (interp.cpp) ------------------------------------------
    // Runs a compiled top level; errors unwind to here and stay recorded.
    void RunTop(const code::Program& program);
    // Runs a function value with these arguments.
    void CallValue(VFunction* fn, Variable* args, int count, Variable& out);

    // ---- evaluation (interp.cpp) ---------------------------------------------
    Flow Exec(const code::Code* s);
    void Eval(const code::Code* e, Variable& out);  // out is empty on entry
    // The value of a constant or a name where it lives; anything else is
    // evaluated into scratch.
    const Variable& Ref(const code::Code* e, Variable& scratch);

    // ---- operators (operators.cpp) ---------------------------------------------
    void Binary(Op op, const Variable& l, const Variable& r, Variable& out);
    void Unary(Op op, const Variable& v, Variable& out);
    // Compound assignment by the "op=" row of the target's class ("*=" for
    // Op::Mul), when it has one; false when it has none.
    bool AssignOperator(Op op, const Variable& target, const Variable& value);

    // ---- builtins (builtins.cpp) -----------------------------------------------
    void CallBuiltin(int index, Variable* args, int count, Variable& out);
    static void BuiltinValue(int index, Variable& out);  // the builtin as a function value

    // ---- calls into class rows (interp.cpp) ------------------------------------
    void CallMethod(Variable& self, const char* name, Variable* args, int count, Variable& out);

    void Check() {
        if (processor_.errorState) throw Unwind{};
    }
    [[noreturn]] void Fail(int number, const std::string& text);

    Processor& processor_;
    VRuntime* runtime_;
    Globals globals_;
    Frame* frame_ = nullptr;   // the running function's locals; null at top level
    int depth_ = 0;            // script calls in progress
    const char* stackLimit_ = nullptr;  // below this the stack is too full to call deeper
    std::function<void(std::string_view)> write_;
    std::FILE* trace_ = nullptr;
    long steps_ = 0;           // statements run
    long stepLimit_ = 0;       // 0: no limit

private:
    void CallFunction(const code::FunctionCode* fn, Variable* args, int count, Variable& out,
                      int line);
    void Call(const code::Code* c, Variable& out);
    void MethodCall(const code::Code* c, Variable& out);
    void NewObject(const code::Code* c, Variable& out);
    void ReadName(const code::Code* c, Variable& out);
    const Variable* FindName(const code::Code* c);
    Variable& Define(const code::Code* name);
    void Assign(const code::Code* s);
    void CompoundAssign(const code::Code* s);
    void ReadElement(const Variable& container, const Variable& index, Variable& out);
    Variable& ElementPlace(Variable& container, const Variable& index);
    void StoreElement(Variable& container, const Variable& index, Variable& value);
    Flow TryCatch(const code::Code* s);
    Flow Loop(const code::Code* s);
    bool Truth(const code::Code* condition);
    void Traced(const char* what, const char* cls, const std::function<void()>& call);
    void EnterStack();
};

// The argument values of one call: a few in place, more on the heap.
class ArgList {
public:
    explicit ArgList(size_t n) : n_(n) {
        if (n > kInline) heap_.reset(new Variable[n]);
    }
    Variable* data() { return heap_ ? heap_.get() : inline_; }
    int size() const { return static_cast<int>(n_); }

private:
    static constexpr size_t kInline = 6;
    Variable inline_[kInline];
    std::unique_ptr<Variable[]> heap_;
    size_t n_;
};

// Names of the builtins, for messages and function values.
const char* BuiltinName(int index);

// A value's kind with its article, for messages: "an integer", "a string".

}  // namespace vesk
