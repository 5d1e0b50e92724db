// Error reporting: the running processor per thread, the errors recorded
// against it and the host's texts, name IDs and the host connector. The
// modules' error tables and bases are the loader's (modules/loader.cpp).
#include <cctype>
#include <cstdio>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "vesk/values/runtime.h"

namespace {

thread_local Processor* running = nullptr;
thread_local VVConnect connector{0, nullptr};

// Interned names. A deque keeps every name where it is, so the texts handed
// out stay valid; the table lives as long as the process.
struct Names {
    std::unordered_map<std::string, int> ids;
    std::deque<std::string> names;
};

Names& NameTable() {
    static Names* table = new Names;
    return *table;
}

}  // namespace

namespace vesk {

Processor* CurrentProcessor() { return running; }

RunningScope::RunningScope(Processor* processor) : previous_(running) {
    running = processor;
    if (processor) {
        if (connector.count++ == 0) connector.processor = processor;
    }
}

RunningScope::~RunningScope() {
    if (running && --connector.count == 0) connector.processor = nullptr;
    running = previous_;
}

std::vector<ErrorEntry> TakeErrors(Processor* processor) {
    std::vector<ErrorEntry> errors;
    errors.swap(RuntimeOf(processor)->errors);
    RuntimeOf(processor)->calls.clear();
    processor->errorState = 0;
    return errors;
}

std::string HostErrorMessage(int number, const char* text) {
    std::string t = text ? text : "";
    switch (number) {
    case VE_SIZES:
        return t.empty() ? "the sizes of the vectors do not fit together" : t;
    case VE_DIVZERO: return t.empty() ? "division by zero" : t;
    case VE_NOT_OBJECT: return "the value is neither an object nor a reference to one";
    case VE_NO_NATIVE:
        return "the " + (t.empty() ? std::string("object") : t + " object") +
               " has no native part (its construction failed or it was destroyed)";
    case VE_NOT_BOOLEAN: return "a boolean argument (true or false) was expected; false is used";
    case VE_NOT_INDEXABLE:
        return "element access on a value that has no elements" +
               (t.empty() ? std::string() : " (a " + t + ")");
    default: return t;
    }
}

void Error(int number, const std::string& text) { VeskError(number, text.c_str()); }

void RecordError(int number, const char* text, const std::string& message) {
    Processor* p = running;
    if (!p) {
        std::fprintf(stderr, "error %d: %s\n", number, message.c_str());
        return;
    }
    VRuntime* rt = RuntimeOf(p);
    rt->errors.push_back({number, text ? text : "", message, rt->line, rt->source ? *rt->source : ""});
    p->errorState = 1;
}

}  // namespace vesk

// ---- the host interface ------------------------------------------------------

Processor::Processor() : errorState(0), runtime(new VRuntime) {}

Processor::~Processor() { delete vesk::RuntimeOf(this); }

int Token::GetNameID(const char* name) {
    Names& t = NameTable();
    auto it = t.ids.find(name);
    if (it != t.ids.end()) return it->second;
    int id = static_cast<int>(t.names.size());
    t.names.emplace_back(name);
    t.ids.emplace(t.names.back(), id);
    return id;
}

const char* Token::NameOf(int nameID) {
    Names& t = NameTable();
    if (nameID < 0 || nameID >= static_cast<int>(t.names.size())) return "?";
    return t.names[nameID].c_str();
}

Processor* VVConnect::_GetOwner() { return running ? running : processor; }

VVConnect* GetConnector() { return connector.count > 0 ? &connector : nullptr; }
