// What stands behind a Processor: the errors raised in the running call,
// the script line they belong to, and the hook through which script
// functions run. Also the per-thread "running processor".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vesk/values/value.h"

namespace vesk {

struct ErrorEntry {
    int number;
    std::string text;     // what the reporter passed ("" when nothing)
    std::string message;  // the full message shown to the user
    int line;             // script line of the call that raised it (0: none)
    std::string file;     // the included file it was raised in; "" for the script itself
    int column = 0;       // a syntax error's column in an included file
};

// Runs script functions; the interpreter installs one on its processor.
class FunctionRunner {
public:
    virtual ~FunctionRunner() = default;
    virtual void Run(Processor* processor, VarRegister* result, VFunction* function,
                     VarRegister* args, int count) = 0;
};

}  // namespace vesk

struct VRuntime {
    std::vector<vesk::ErrorEntry> errors;
    std::string file;  // script file, for messages
    int line = 0;      // line of the call being evaluated
    std::shared_ptr<const std::string> source;  // the included file that line is in; null: the script
    // The script calls the recorded errors have left, innermost first, as
    // "FILE:LINE: in NAME"; cleared when the errors are taken.
    std::vector<std::string> calls;
    int depth = 0;     // nesting of calls in progress
    vesk::FunctionRunner* runner = nullptr;
};

namespace vesk {

// What stands behind a processor.
inline VRuntime* RuntimeOf(Processor* processor) { return static_cast<VRuntime*>(processor->runtime); }

// The processor errors are reported against, per thread.
Processor* CurrentProcessor();

// Makes a processor the running one for a scope.
class RunningScope {
public:
    explicit RunningScope(Processor* processor);
    ~RunningScope();
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
private:
    Processor* previous_;
};

// Takes the errors recorded so far and clears the processor's error state.
std::vector<ErrorEntry> TakeErrors(Processor* processor);

// The message of a host error number, with the text its reporter gave.
std::string HostErrorMessage(int number, const char* text);

// Records an error with its full message against the running call (on
// stderr when nothing runs); VeskError composes the message.
void RecordError(int number, const char* text, const std::string& message);

// Convenience for host code: report with a formatted text.
void Error(int number, const std::string& text);

}  // namespace vesk
