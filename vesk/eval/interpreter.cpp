// The interpreter as the host and the runner see it: running scripts, the
// globals, the processor's function runner, and the script thread.
#include "vesk/eval/interpreter.h"

#include <pthread.h>

#include <climits>
#include <cstdlib>

#include <new>

#include "vesk/eval/machine.h"
#include "vesk/syntax/parser.h"
#include "vesk/values/collector.h"

namespace vesk {

namespace {
int32_t InternName(const char* name) { return ::Token::GetNameID(name); }

// The calls an error ended as the runner shows them: a call repeated in a
// row (recursion) once, with its count; of very many, the first and last 20.
std::vector<std::string> CallLines(const std::vector<std::string>& calls) {
    constexpr size_t kEnds = 20;
    std::vector<std::string> lines;
    for (size_t i = 0, j; i < calls.size(); i = j) {
        for (j = i + 1; j < calls.size() && calls[j] == calls[i];) j++;
        lines.push_back(calls[i]);
        if (j - i > 1) lines.push_back("... the call above " + std::to_string(j - i - 1) + " more times");
    }
    if (lines.size() > 2 * kEnds + 1) {
        size_t left = lines.size() - 2 * kEnds;
        lines.erase(lines.begin() + kEnds + 1, lines.end() - kEnds);
        lines[kEnds] = "... " + std::to_string(left) + " more lines";
    }
    return lines;
}
}  // namespace

Interpreter::Interpreter(Processor& processor)
    : processor_(processor), machine_(std::make_unique<vm::Machine>(processor)) {
    RuntimeOf(&processor)->runner = this;
    machine_->write_ = [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); };
    SetArguments({});
    SetGlobal("pi", Variable(3.14159265358979323846));
}

Interpreter::~Interpreter() {
    ClearGlobals();
    VRuntime* rt = RuntimeOf(&processor_);
    if (rt->runner == this) rt->runner = nullptr;
}

void Interpreter::SetOutput(std::function<void(std::string_view)> write) { machine_->write_ = std::move(write); }

void Interpreter::SetTrace(std::FILE* to) { machine_->trace_ = to; }

void Interpreter::SetStepLimit(long statements) {
    machine_->stepLimit_ = statements;
    machine_->steps_ = 0;
}

void Interpreter::SetArguments(const std::vector<std::string>& arguments) {
    Variable argv;
    argv.Init(VT_VECTOR, static_cast<long>(arguments.size()));
    for (size_t i = 0; i < arguments.size() && argv.type == VT_VECTOR; i++)
        SetString(argv.data.vec->items[i], arguments[i]);
    SetGlobal("argv", argv);
}

ScriptOutcome Interpreter::RunScript(std::string_view source, const std::string& file) {
    ScriptOutcome outcome;
    RuntimeOf(&processor_)->file = file;
    RuntimeOf(&processor_)->source.reset();
    // The script itself counts as included: including it again does nothing.
    char real[PATH_MAX];
    if (file != "-e" && file != "-" && realpath(file.c_str(), real)) machine_->included_.insert(real);
    ParseResult parsed = ParseScript(source, InternName);
    if (!parsed) {
        outcome.kind = ScriptOutcome::SyntaxError;
        outcome.line = parsed.error.line;
        outcome.column = parsed.error.column;
        outcome.message = parsed.error.message;
        return outcome;
    }
    TakeErrors(&processor_);  // errors raised outside any run are not this run's
    std::string why;
    std::shared_ptr<vm::Program> program = vm::Compile(std::move(parsed.tree), false, &why);
    if (!program) {
        RunningScope scope(&processor_);
        RuntimeOf(&processor_)->line = 1;
        Error(VE_LIMIT, "the script is too large to run: " + why);
    } else {
        machine_->RunTop(*program);
    }
    if (processor_.errorState || !RuntimeOf(&processor_)->errors.empty()) {
        outcome.kind = ScriptOutcome::RuntimeError;
        outcome.calls = CallLines(RuntimeOf(&processor_)->calls);
        outcome.errors = TakeErrors(&processor_);
    }
    return outcome;
}

Interpreter::Shape Interpreter::Inspect(std::string_view source) {
    Shape shape;
    ParseResult parsed = ParseScript(source, InternName);
    shape.parses = static_cast<bool>(parsed);
    if (!parsed) {
        const std::string& m = parsed.error.message;
        shape.unfinished = m.find("end of file") != std::string::npos || m.find("unterminated comment") != std::string::npos;
        return shape;
    }
    const Node* root = parsed.tree->Root();
    shape.loneExpression = root->count == 1 && root->kids[0]->kind == NodeKind::ExprStmt;
    return shape;
}

Variable* Interpreter::Global(const char* name) {
    vm::Globals::Entry* e = machine_->globals_.Find(InternName(name));
    return e ? &e->value : nullptr;
}

void Interpreter::SetGlobal(const char* name, const Variable& value) {
    machine_->globals_.Define(InternName(name)) = value;
}

std::vector<ErrorEntry> Interpreter::ClearGlobals() {
    RunningScope scope(&processor_);
    RuntimeOf(&processor_)->line = 0;  // what a destructor row reports belongs to no line
    RuntimeOf(&processor_)->source.reset();
    machine_->globals_.Clear();
    Collect();  // what only the globals' cycles held
    return TakeErrors(&processor_);
}

void Interpreter::Run(Processor* processor, VarRegister* result, VFunction* function, VarRegister* args,
                      int count) {
    RunningScope scope(processor);
    int line = RuntimeOf(processor)->line;
    std::shared_ptr<const std::string> source = RuntimeOf(processor)->source;
    Variable out;
    try {
        std::vector<Variable> values(count > 0 ? count : 0);
        for (int i = 0; i < count; i++) values[i] = *args[i].designated();
        machine_->CallValue(function, values.data(), count, out);
    } catch (vm::Unwind&) {
    } catch (std::bad_alloc&) {
        Error(VE_LIMIT, "out of memory");
    }
    RuntimeOf(processor)->line = line;
    RuntimeOf(processor)->source = std::move(source);
    if (result) *result->designated() = out;
}

bool RunWithLargeStack(size_t bytes, const std::function<void()>& fn) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    auto body = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    int rc = pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&fn));
    pthread_attr_destroy(&attr);
    if (rc != 0) return false;
    pthread_join(thread, nullptr);
    return true;
}

}  // namespace vesk
