// The register machine: globals, the register stack and the call frames,
// try handlers, the dispatch loop and the slow paths it leaves for (general
// arithmetic, elements, members, calls into class rows, builtins). Private to
// the evaluator.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "vesk/eval/bytecode.h"
#include "vesk/values/runtime.h"

namespace vesk::vm {

// Thrown once errors are recorded on the processor: the machine unwinds to
// the innermost try of the running activation, or out of it. It never leaves
// the evaluator (handlers that call back into it get a plain return).
struct Unwind {};

// Globals by name ID, in pages so that a global never moves while it is
// being read or assigned; plus the order of first definition. They are host
// values: the runner and the tests read them as such.
class Globals {
public:
    struct Entry {
        Variable value;
        bool set = false;
    };
    Entry* Find(int32_t id) {
        size_t page = static_cast<size_t>(id) >> kPageBits;
        if (id < 0 || page >= pages_.size() || !pages_[page]) return nullptr;
        Entry* e = &pages_[page][id & kPageMask];
        return e->set ? e : nullptr;
    }
    // The global's place, defined from now on.
    Variable& Define(int32_t id);
    // Empties every global, the last defined first.
    void Clear();
    // The name IDs of the globals, in order of definition.
    const std::vector<int32_t>& Names() const { return order_; }

private:
    static constexpr int kPageBits = 8;
    static constexpr int kPageMask = (1 << kPageBits) - 1;
    std::vector<std::unique_ptr<Entry[]>> pages_;
    std::vector<int32_t> order_;
};

// One call in progress.
struct Frame {
    const Proto* proto;
    Slot* base;           // its registers
    const Instr* pc;      // the instruction it is at, saved whenever it calls out
    Slot* result;         // where its value goes
    size_t handlers;      // try handlers on the stack when it was entered
    int entryLine;        // the line its caller was at (for function text)
    bool boundary;        // entered from C++: its return ends that activation
    bool call;            // a script call, counted against the depth limit
};

struct Handler {
    size_t frame;         // index of the frame the try block runs in
    const TrySite* site;
};

using BuiltinFn = void (*)(class Machine& m, const char* name, Slot* args, int count, Slot& out);
struct Builtin {
    const char* name;
    int minArgs;
    int maxArgs;  // -1: any number
    BuiltinFn run;
};
const Builtin& BuiltinAt(int index);
int BuiltinCount();
// The prototype standing for a builtin in function values.
const Proto* BuiltinProto(int index);
// include(path) (include.cpp).
void IncludeBuiltin(Machine& m, const char* name, Slot* args, int count, Slot& out);

class Machine {
public:
    explicit Machine(Processor& processor);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Runs a compiled top level; errors unwind to here and stay recorded.
    void RunTop(const Program& program);
    // Runs a function value with these arguments (the host calling in).
    void CallValue(VFunction* fn, Variable* args, int count, Variable& out);
    // Runs the top level of an included file where the include was called:
    // it sets globals, and its errors travel to the includer's try blocks.
    void RunIncluded(const Program& program);
    // The program of the running script code; null when none runs.
    const Program* RunningProgram() const;

    [[noreturn]] void Fail(int number, const std::string& text);
    // Error 3 for a name that is neither a local, a global nor a builtin,
    // with the closest of those when one is close.
    [[noreturn]] void FailUndefined(int32_t name);
    void Check() {
        if (processor_.errorState) throw Unwind{};
    }
    // The script line of the running instruction, into the processor's
    // runtime, so that an error reported now carries it.
    void SyncLine();

    Processor& processor_;
    VRuntime* runtime_;
    Globals globals_;
    std::function<void(std::string_view)> write_;
    std::FILE* trace_ = nullptr;
    long steps_ = 0;       // statements run (counted while a limit is set)
    long stepLimit_ = 0;   // 0: no limit
    // The files the script and its includes came from, by their real paths:
    // a file is included once.
    std::unordered_set<std::string> included_;

private:
    friend struct Ops;
    // Whether the thread's stack is nearly used up (the host calling in
    // nests on it).
    bool CppStackLow() const;
    template <bool kCounting>
    void Execute(size_t stop);
    // Runs frames until the one entered at index `stop` returns, catching
    // errors in the try blocks of those frames.
    void Run(size_t stop);
    bool Catch(size_t stop);
    // A new frame for proto whose first `count` registers at base hold the
    // arguments; `call`: a script call (counted against the depth limit).
    void Enter(const Proto* proto, Slot* base, int count, Slot* result, bool boundary, bool call);
    // Ends the top frame; its value goes where the caller wanted it.
    void Leave(Slot* value);
    void PopFrames(size_t keep);
    // Notes the script calls of the frames above `stop` in the processor's
    // runtime, innermost first, as an error leaves them uncaught.
    void NoteCalls(size_t stop);
    void ClearFrame(Frame& frame);
    Slot* Top() const;
    // Lets go of a value an instruction replaced; a destructor row that
    // reports stops the script.
    void Drop(Slot& old);

    Slot* stack_ = nullptr;     // the registers of every frame, reserved once
    Slot* stackEnd_ = nullptr;
    std::vector<Frame> frames_;         // reserved: frames never move
    std::vector<Handler> handlers_;
    int depth_ = 0;                     // script calls in progress
    int32_t addName_;                   // the name ID of "Add"
};

}  // namespace vesk::vm
