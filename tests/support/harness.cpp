// The test host: host classes registered, the module loaded from the build,
// one processor running for the test's lifetime.
#include "tests/support/harness.h"

#include <cstdlib>

#include <gtest/gtest.h>

Harness::Harness() {
    std::string why;
    if (!vesk::RegisterHostClasses(&why)) ADD_FAILURE() << why;
    module = vesk::LoadModule(VESK_MODULE_FILE, &why);
    if (!module) ADD_FAILURE() << "cannot load " << VESK_MODULE_FILE << ": " << why;
    scope_ = new vesk::RunningScope(&processor);
}

Harness::~Harness() {
    vesk::TakeErrors(&processor);
    delete scope_;
}

Variable& DropNative(Variable& object) {
    if (VeskAss* native = object.GetVObject() ? object.GetVObject()->GetAss() : nullptr) {
        native->BreakJoint();
        delete native;
    }
    return object;
}

Variable Harness::New(const char* cls, std::vector<Variable> args) {
    Variable target;
    vesk::Construct(&processor, cls, args.data(), static_cast<int>(args.size()), target);
    return target;
}

Variable Harness::Call(Variable& self, const char* method, std::vector<Variable> args) {
    Variable result;
    vesk::CallMethod(&processor, self, method, args.data(), static_cast<int>(args.size()), result);
    return result;
}

std::vector<vesk::ErrorEntry> Harness::TakeErrors() { return vesk::TakeErrors(&processor); }

std::vector<int> Harness::Errors() {
    std::vector<int> numbers;
    for (const auto& e : TakeErrors()) numbers.push_back(e.number);
    return numbers;
}

VeskHandler Harness::Handler(const char* signature) {
    if (!module) return nullptr;
    for (int i = 0; module->methods[i].handler; i++)
        if (std::string(module->methods[i].signature) == signature) return module->methods[i].handler;
    return nullptr;
}

std::vector<int> Harness::CallRow(const char* signature, std::vector<Variable> args, Variable* result) {
    std::vector<VarRegister> regs(args.size());
    for (size_t i = 0; i < args.size(); i++) regs[i].value = args[i];
    VarRegister out;
    if (result) out.value = *result;
    std::vector<int> errors = CallRow(signature, &out, regs.data(), static_cast<int>(regs.size()));
    if (result) *result = *out.designated();
    return errors;
}

std::vector<int> Harness::CallRow(const char* signature, VarRegister* result, VarRegister* args,
                                  int count) {
    VeskHandler h = Handler(signature);
    if (!h) {
        ADD_FAILURE() << "no row " << signature;
        return {};
    }
    TakeErrors();
    h(result, args, count, &processor);
    return Errors();
}
