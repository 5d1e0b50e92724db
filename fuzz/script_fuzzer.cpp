// Fuzzes the interpreter with arbitrary source text: the lexer, the parser
// and its nesting limit, the evaluator, the host classes and, through
// scripts, the module. Each input runs in a fresh interpreter on a large
// stack, with a statement budget (so endless loops end) and lowered value
// limits (so doubling strings and vectors stays small).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "vesk/classes/host_classes.h"
#include "vesk/eval/interpreter.h"
#include "vesk/modules/loader.h"
#include "vesk/values/collector.h"

namespace {

Processor* Setup() {
    static Processor* processor = [] {
        std::string why;
        platform::ForceHeadless();
        vesk::RegisterHostClasses(&why);
        if (!vesk::LoadModule(VESK_MODULE_FILE, &why)) {
            std::fprintf(stderr, "cannot load the module: %s\n", why.c_str());
            std::abort();
        }
        vesk::Limits().vectorCount = 1 << 16;
        vesk::Limits().dataSize = 1 << 22;
        return new Processor;
    }();
    return processor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Processor* processor = Setup();
    std::string_view source(reinterpret_cast<const char*>(data), size);
    vesk::RunWithLargeStack(64u << 20, [&] {
        vesk::Interpreter interp(*processor);
        interp.SetOutput([](std::string_view) {});
        interp.SetStepLimit(20000);
        interp.RunScript(source, "fuzz.vsk");
        interp.ClearGlobals();
    });
    vesk::Collect();
    vesk::TakeErrors(processor);
    return 0;
}
