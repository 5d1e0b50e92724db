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

#include "vesk/runtime.h"

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
};

class Machine;

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

    // Parses and runs a script; `file` names it in errors. Globals persist
    // from one run to the next.
    ScriptOutcome RunScript(std::string_view source, const std::string& file);

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
    std::unique_ptr<Machine> machine_;
};

}  // namespace vesk
