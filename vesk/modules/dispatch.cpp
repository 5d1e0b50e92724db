// Calling script methods and constructors. A call picks the row of the
// object's class whose argument list fits (the count first, then the kinds)
// and runs its handler with registers laid out the way modules expect.
#include "vesk/modules/dispatch.h"

#include <algorithm>
#include <memory>

#include "vesk/values/budget.h"
#include "vesk/values/collector.h"
#include "vesk/values/runtime.h"
#include "vesk/values/suggest.h"

namespace vesk {

namespace {

constexpr int kMaxCallDepth = 200;  // handlers calling back into the host

bool CountFits(const MethodRow& row, int count) {
    int fixed = static_cast<int>(row.args.size());
    return row.variadic ? count >= fixed : count == fixed;
}

bool KindFits(const ArgSpec& word, const Variable& arg, const VClass* owner) {
    const Variable& v = *const_cast<Variable&>(arg).GetPointer();
    switch (word.kind) {
    case ArgKind::Number:
    case ArgKind::Int: return IsNumber(v);
    case ArgKind::Boolean:
    case ArgKind::Any: return true;
    case ArgKind::Copy: return v.type == VT_OBJECT && ObjectOf(v)->cls == owner;
    case ArgKind::Object:
        if (word.className == "Vector") return v.type == VT_VECTOR;
        if (word.className == "String") return v.type == VT_STRING;
        return v.type == VT_OBJECT && ObjectOf(v)->cls && ObjectOf(v)->cls->name == word.className;
    }
    return false;
}


std::string Expected(const ArgSpec& word, const VClass* owner) {
    switch (word.kind) {
    case ArgKind::Number: return "a number";
    case ArgKind::Int: return "an integer";
    case ArgKind::Boolean: return "a boolean";
    case ArgKind::Any: return "a value";
    case ArgKind::Copy: return WithArticle(owner->name + " object");
    case ArgKind::Object:
        if (word.className == "Vector" || word.className == "String") return WithArticle(word.className);
        return WithArticle(word.className + " object");
    }
    return "something else";
}

// The forms a call may take, one signature a line, the first 8 of them.
std::string Forms(const std::vector<MethodRow*>& rows) {
    constexpr size_t kShown = 8;
    std::string out = rows.size() == 1 ? "; its form is:" : "; its forms are:";
    for (size_t i = 0; i < rows.size() && i < kShown; i++) out += "\n    " + rows[i]->signature;
    if (rows.size() > kShown) out += "\n    ... and " + std::to_string(rows.size() - kShown) + " more";
    return out;
}

// The names of a class's methods, sorted (constructors and destructors left out).
std::vector<std::string_view> MethodNames(const VClass& cls) {
    std::vector<std::string_view> names;
    for (const auto& [name, rows] : cls.methods)
        if (name != cls.name && name[0] != '~') names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

// What to say after "X has no method 'name'": the method probably meant,
// else every method of the class.
std::string MethodHint(const VClass& cls, std::string_view name) {
    std::vector<std::string_view> names = MethodNames(cls);
    std::string hint = DidYouMean(name, names);
    if (!hint.empty()) return hint;
    std::string out = "; its methods are: ";
    for (size_t i = 0; i < names.size(); i++) (out += i ? ", " : "") += names[i];
    return out;
}

bool Fits(const MethodRow& row, Variable* args, int count) {
    if (!CountFits(row, count)) return false;
    for (size_t i = 0; i < row.args.size(); i++)
        if (!KindFits(row.args[i], args[i], row.owner)) return false;
    return true;
}

// Says why no row fits: the count, the one argument of the only row with
// that count, or the kinds against every form.
void ReportNoFit(const std::vector<MethodRow*>& rows, Variable* args, int count) {
    const MethodRow& first = *rows.front();
    std::string what = first.owner->name + "::" + first.method;
    std::vector<const MethodRow*> byCount;
    for (const MethodRow* r : rows)
        if (CountFits(*r, count)) byCount.push_back(r);
    std::string n = std::to_string(count) + (count == 1 ? " argument" : " arguments");
    if (byCount.empty()) {
        Error(VE_NO_METHOD, what + " takes no form with " + n + Forms(rows));
    } else if (byCount.size() == 1) {
        const MethodRow* r = byCount.front();
        size_t i = 0;
        while (KindFits(r->args[i], args[i], r->owner)) i++;
        Error(VE_BAD_ARGUMENT, what + ": argument " + std::to_string(i + 1) + " must be " +
                                   Expected(r->args[i], r->owner) + ", not " + WithArticle(KindName(args[i])) +
                                   Forms(rows));
    } else {
        std::string kinds;
        for (int i = 0; i < count; i++) kinds += (i ? ", " : "") + KindName(args[i]);
        Error(VE_NO_METHOD, what + " has no form for (" + kinds + ")" + Forms(rows));
    }
}

// A module reports error 73 without saying where; the row knows which of
// its arguments are booleans (and a variadic row's extra arguments may be),
// so each such error gets the method and the next of those arguments that
// is not true or false.
void NameBooleanArguments(const MethodRow& row, Variable* args, int count, size_t firstError) {
    std::vector<ErrorEntry>& errors = RuntimeOf(CurrentProcessor())->errors;
    const int fixed = static_cast<int>(row.args.size());
    auto suspect = [&](int i) {
        bool boolean = i < fixed ? row.args[i].kind == ArgKind::Boolean : row.variadic;
        return boolean && args[i].GetPointer()->type != VT_BOOL;
    };
    int i = 0;
    for (size_t e = firstError; e < errors.size(); e++) {
        if (errors[e].number != VE_NOT_BOOLEAN || !errors[e].text.empty()) continue;
        while (i < count && !suspect(i)) i++;
        if (i == count) return;
        errors[e].message = row.owner->name + "::" + row.method + ": argument " + std::to_string(i + 1) +
                            " must be a boolean (true or false), not " +
                            WithArticle(KindName(*args[i].GetPointer())) + "; false is used";
        i++;
    }
}

// Error 8 comes from the module saying which count rule failed, and the
// host names the method it came from.
void NameSizeErrors(const MethodRow& row, size_t firstError) {
    std::vector<ErrorEntry>& errors = RuntimeOf(CurrentProcessor())->errors;
    const std::string method = row.method + ": ";
    for (size_t e = firstError; e < errors.size(); e++) {
        std::string& m = errors[e].message;
        if (errors[e].number != VE_SIZES) continue;
        m = row.owner->name + "::" + (m.compare(0, method.size(), method) == 0 ? m : method + m);
    }
}

}  // namespace

const MethodRow* PickRow(const std::vector<MethodRow*>& rows, Variable* args, int count) {
    for (const MethodRow* r : rows)
        if (Fits(*r, args, count)) return r;
    ReportNoFit(rows, args, count);
    return nullptr;
}

// Registers are made only for the arguments the call has (plus self), in
// place, so that a call costs no allocation for up to eight arguments.
void InvokeRow(Processor* processor, const MethodRow& row, Variable& self, Variable* args,
               int count, Variable& result) {
    VRuntime* rt = RuntimeOf(processor);
    if (rt->depth >= kMaxCallDepth) {
        Error(VE_TOO_DEEP, row.signature + ": calls nested too deeply");
        return;
    }
    alignas(VarRegister) unsigned char local[9 * sizeof(VarRegister)];
    std::unique_ptr<unsigned char[]> heap;
    unsigned char* storage = local;
    if (count + 1 > 9) {
        heap.reset(new unsigned char[(count + 1) * sizeof(VarRegister)]);
        storage = heap.get();
    }
    VarRegister* regs = reinterpret_cast<VarRegister*>(storage);
    for (int i = 0; i <= count; i++) new (&regs[i]) VarRegister;
    int fixed = static_cast<int>(row.args.size());
    for (int i = 0; i < count; i++) {
        bool byRef = i < fixed && (row.args[i].kind == ArgKind::Object || row.args[i].kind == ArgKind::Copy);
        if (byRef) {
            regs[i].isRef = 1;
            regs[i].ref = &args[i];
        } else {
            regs[i].value = args[i];
        }
    }
    regs[count].isRef = 1;
    regs[count].ref = &self;
    VarRegister out;
    RunningScope scope(processor);
    size_t firstError = rt->errors.size();
    {
        ModuleCallScope noCollection(row.module != nullptr);
        rt->depth++;
        row.handler(&out, regs, count + 1, processor);
        rt->depth--;
    }
    if (rt->errors.size() > firstError) {
        NameBooleanArguments(row, args, count, firstError);
        NameSizeErrors(row, firstError);
    }
    if (row.module) ChargeContexts();  // the handler may have made or deleted one
    result = *out.designated();
    for (int i = 0; i <= count; i++) regs[i].~VarRegister();
}

bool CallMethod(Processor* processor, Variable& self, const char* name, Variable* args,
                int count, Variable& result) {
    RunningScope scope(processor);
    VClass* cls = ClassOfValue(self);
    if (!cls) {
        Error(VE_NO_METHOD, AKind(self) + " has no methods (called ->" + name + ")");
        return false;
    }
    const std::vector<MethodRow*>* rows = cls->Find(name);
    if (!rows || cls->name == name || name[0] == '~') {
        Error(VE_NO_METHOD, cls->name + " has no method '" + name + "'" + MethodHint(*cls, name));
        return false;
    }
    const MethodRow* row = PickRow(*rows, args, count);
    if (!row) return false;
    InvokeRow(processor, *row, self, args, count, result);
    return processor->errorState == 0;
}

bool Construct(Processor* processor, const char* className, Variable* args, int count,
               Variable& target) {
    RunningScope scope(processor);
    VClass* cls = FindClass(className);
    if (!cls) {
        std::vector<std::string_view> names;
        for (const VClass* c : AllClasses()) names.push_back(c->name);
        Error(VE_NO_CLASS, std::string("there is no class '") + className + "'" + DidYouMean(className, names));
        return false;
    }
    const std::vector<MethodRow*>* rows = cls->Find(cls->name);
    if (!rows) {
        Error(VE_NO_CLASS, cls->name + " objects cannot be made with new");
        return false;
    }
    const MethodRow* row = PickRow(*rows, args, count);
    if (!row) return false;
    Variable object;
    if (!cls->hooks.valueClass) {
        HostObject* o = cls->hooks.make ? cls->hooks.make(cls)
                        : cls->memberIds.empty() ? new HostObject(cls)
                                                 : new MemberObject(cls);
        SetObject(object, o);
    }
    Variable ignored;
    InvokeRow(processor, *row, object, args, count, ignored);
    target = object;
    return processor->errorState == 0;
}

bool HasMethod(const Variable& self, const char* name) {
    VClass* cls = ClassOfValue(self);
    return cls && cls->Find(name);
}

}  // namespace vesk

// ---- Processor ---------------------------------------------------------------

namespace {

// The designated values of the registers, as an array of values.
std::unique_ptr<Variable[]> Values(VarRegister* args, int count) {
    std::unique_ptr<Variable[]> values(new Variable[count > 0 ? count : 1]);
    for (int i = 0; i < count; i++) values[i] = *args[i].designated();
    return values;
}

}  // namespace

int Processor::RunMethod(VarRegister* result, const char* name, VarRegister* args, int count,
                         Variable* object) {
    if (!object || !name) return 0;
    auto values = Values(args, count);
    Variable out;
    bool ok = vesk::CallMethod(this, *object, name, values.get(), count, out);
    if (result) *result->designated() = out;
    return ok;
}

int Processor::RunFunction(VarRegister* result, Variable& function, VarRegister* args,
                           int count) {
    vesk::RunningScope scope(this);
    Variable& f = *function.GetPointer();
    if (f.type != VT_FUNCTION) {
        vesk::Error(vesk::VE_WRONG_KIND, "cannot call a " + vesk::KindName(f));
        return 0;
    }
    VRuntime* rt = vesk::RuntimeOf(this);
    if (!rt->runner) {
        vesk::Error(vesk::VE_UNSUPPORTED, "script functions cannot run without the interpreter");
        return 0;
    }
    rt->runner->Run(this, result, vesk::FunctionOf(f), args, count);
    return errorState == 0;
}

int Processor::MakeInstance(Variable& target, const char* className, VarRegister* args,
                            int count) {
    if (!className) return 0;
    auto values = Values(args, count);
    return vesk::Construct(this, className, values.get(), count, target);
}
