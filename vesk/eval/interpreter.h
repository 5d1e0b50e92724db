// The script interpreter: runs scripts and script functions on a processor,
// holds the globals, and is the processor's runner of function values (what
// Processor::RunFunction uses). Also the large-stack thread scripts run on.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vesk/values/runtime.h"

namespace vesk {

// Limits that keep a script from taking the process down.
constexpr int kMaxScriptDepth = 1000;                  // nested script calls (error 13)
constexpr size_t kScriptStackBytes = 256u << 20;        // stack of the script thread

// Runs fn on a new thread whose stack is `bytes` large and waits for it.
// Everything a script touches (modules, OpenGL contexts) should stay on that
// one thread. Returns false when the thread cannot be made.
bool RunWithLargeStack(size_t bytes, const std::function<void()>& fn);

struct ScriptOutcome {
    enum Kind { Ok, SyntaxError, RuntimeError } kind = Ok;
    int line = 0, column = 0;        // SyntaxError: where
    std::string message;             // SyntaxError: what
    std::vector<ErrorEntry> errors;  // RuntimeError: the errors, in order
    // RuntimeError: the script calls the errors ended, innermost first
    // ("FILE:LINE: in NAME"), a call repeated in a row given once with its
    // count, and at most 41 lines.
    std::vector<std::string> calls;
};

namespace vm {
class Machine;
}

// How scripts run:
// - Values are host Variables with their copy rules: numbers and booleans
//   are copied, strings, data blocks, vectors, objects and functions shared.
//   Element and member assignment changes the shared value in place
//   (b = a; b[0] = 1 changes a). Strings do not change in place.
// - Names: assignment makes a variable. At top level it is a global; inside
//   a function every name the function assigns (and its parameters, the
//   functions it declares and its catch variables) is a local of that call.
//   A name is read from the call's locals if set, else the globals, else the
//   builtins; none of them: error 3. So a function reads globals it does not
//   shadow, and assigning inside it changes a global only after `global x;`
//   names it. Functions do not see the locals of the function around them.
// - `function f(...) {}` binds f when the statement runs (not before).
//   Calls need exactly as many arguments as parameters (error 7). A function
//   without return gives null.
// - Order: operands left to right; an assignment evaluates the target's
//   container and index, then the value; x op= e reads x, then e.
// - Arithmetic is the host's general arithmetic (integers wrap in 32 bits,
//   7 / 2 is 3, a double on either side gives a double, + joins strings),
//   unless the left operand's class has a row of the operator ("*" of
//   OglColor and Matrix). x op= e calls the "op=" row when x's class has one
//   (x keeps its object), else assigns x op e. << >> take integers (count
//   modulo 32, >> keeps the sign); comparisons take numbers or two strings
//   (bytes); == and != take anything (numbers by value, strings by bytes,
//   others by identity); && || give booleans and skip the right side when
//   the left decides.
// - Errors: a call or operation that records errors on the processor stops
//   evaluation; the innermost try skips the rest of its block and hands the
//   errors to its catch variable as [[number, text, message], ...]; without a try the
//   script ends with them. Each error carries the line of the statement or
//   call that was running (function text takes its caller's line).
// - Objects are freed, and their destructor rows run, when the last
//   reference goes: temporaries with their statement, locals when their call
//   returns or unwinds, globals when they are cleared. Objects kept alive
//   only by a reference cycle (a vector holding itself) go at the next
//   collection: at the end of loop passes and calls once the collector's
//   pressure has doubled (containers, natives and memory; see value.h),
//   when a request does not fit the memory budget, and when the script ends.
// - Limits: kMaxScriptDepth nested script calls (error 13). Script calls
//   do not nest on the thread's stack; the host calling a function value
//   does, and stops a margin before its end (error 13 too). The parser
//   bounds the nesting of one script or function text.
class Interpreter : public FunctionRunner {
public:
    // Installs itself as the processor's runner; the processor must outlive it.
    explicit Interpreter(Processor& processor);
    ~Interpreter() override;  // clears the globals (destructor rows run)
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Where print writes (default: stdout).
    void SetOutput(std::function<void(std::string_view)> write);
    // The global argv: a vector of these strings.
    void SetArguments(const std::vector<std::string>& arguments);
    // Writes every call into a class's rows, with its line and duration, to
    // `to` (null: off).
    void SetTrace(std::FILE* to);
    // Ends a run with error 12 once it has run this many statements (0: no
    // limit; a loop's test counts once a pass). For scripts that must finish.
    void SetStepLimit(long statements);

    // Parses and runs a script; `file` names it in errors. Globals persist
    // from one run to the next.
    ScriptOutcome RunScript(std::string_view source, const std::string& file);
    // What a source is before it runs (for the prompt): whether it parses,
    // whether it ended inside a statement, a bracket or a comment (more lines
    // may finish it), and whether it is one expression statement.
    struct Shape {
        bool parses = false;
        bool unfinished = false;
        bool loneExpression = false;
    };
    static Shape Inspect(std::string_view source);

    // Reads and sets globals (tests, the runner). Global returns null when
    // the name has no value.
    Variable* Global(const char* name);
    void SetGlobal(const char* name, const Variable& value);
    // Drops every global, the last defined first, so that destructor rows run
    // while the modules are still there; returns the errors that raised.
    std::vector<ErrorEntry> ClearGlobals();

    // FunctionRunner: runs a function value with the registers' designated
    // values as arguments; its return value lands in the result register.
    void Run(Processor* processor, VarRegister* result, VFunction* function, VarRegister* args,
             int count) override;

private:
    Processor& processor_;
    std::unique_ptr<vm::Machine> machine_;
};

}  // namespace vesk
