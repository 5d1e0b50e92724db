// Script classes: parsing signatures into rows, the class registry, and the
// destructor rows that end objects of registered classes.
#include "vesk/modules/registry.h"

#include <sstream>

#include "vesk/modules/dispatch.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

std::vector<std::unique_ptr<VClass>>& Registry() {
    static auto* classes = new std::vector<std::unique_ptr<VClass>>;
    return *classes;
}

std::vector<VClass*>& ClassList() {
    static auto* list = new std::vector<VClass*>;
    return *list;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// argword -> 'number' | 'int' | 'boolean' | 'any' | 'copy' | ['refer'] 'object' Name
bool ParseArg(const std::string& text, ArgSpec* arg, std::string* why) {
    std::vector<std::string> w = Words(text);
    if (w.size() == 1 && w[0] == "number") *arg = {ArgKind::Number, "", false};
    else if (w.size() == 1 && w[0] == "int") *arg = {ArgKind::Int, "", false};
    else if (w.size() == 1 && w[0] == "boolean") *arg = {ArgKind::Boolean, "", false};
    else if (w.size() == 1 && w[0] == "any") *arg = {ArgKind::Any, "", false};
    else if (w.size() == 1 && w[0] == "copy") *arg = {ArgKind::Copy, "", true};
    else if (w.size() == 3 && w[0] == "refer" && w[1] == "object") *arg = {ArgKind::Object, w[2], true};
    else if (w.size() == 2 && w[0] == "object") *arg = {ArgKind::Object, w[1], false};
    else {
        *why = "unknown argument word '" + Trim(text) + "'";
        return false;
    }
    return true;
}

// The destructor row of a dying object's class, run with the object as self
// (the references the call takes do not free it again: it is marked dying).
void RunDestructorRow(HostObject* object) {
    const MethodRow* dtor = static_cast<VClass*>(object->cls)->Destructor();
    if (!dtor) return;
    Variable self;
    self.type = VT_OBJECT;
    self.data.obj = object;
    Variable result;
    Processor* p = CurrentProcessor();
    if (p) {
        InvokeRow(p, *dtor, self, nullptr, 0, result);
    } else {
        Processor quiet;
        RunningScope scope(&quiet);
        InvokeRow(&quiet, *dtor, self, nullptr, 0, result);
    }
    self.type = VT_EMPTY;  // the reference was never counted
}

}  // namespace

// signature -> Class '::' Method '(' ('void' | argword {',' argword} [',' '...']) ')'
bool ParseSignature(const char* text, MethodRow* row, std::string* className,
                    std::string* why) {
    if (!text) {
        *why = "no signature text";
        return false;
    }
    std::string s = text;
    size_t colons = s.find("::"), open = s.find('('), close = s.rfind(')');
    if (colons == std::string::npos || open == std::string::npos || close == std::string::npos ||
        colons > open || close < open || close + 1 != s.size()) {
        *why = "expected Class::Method(arguments)";
        return false;
    }
    *className = Trim(s.substr(0, colons));
    row->method = Trim(s.substr(colons + 2, open - colons - 2));
    if (className->empty() || row->method.empty()) {
        *why = "empty class or method name";
        return false;
    }
    row->signature = s;
    row->args.clear();
    row->variadic = false;
    std::string list = Trim(s.substr(open + 1, close - open - 1));
    if (list == "void") return true;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        if (row->variadic) {
            *why = "'...' must come last";
            return false;
        }
        if (Trim(item) == "...") {
            row->variadic = true;
            continue;
        }
        ArgSpec arg;
        if (!ParseArg(item, &arg, why)) return false;
        row->args.push_back(arg);
    }
    if (row->args.empty() && !row->variadic) {
        *why = "an empty argument list is written (void)";
        return false;
    }
    return true;
}

}  // namespace vesk

const std::vector<vesk::MethodRow*>* VClass::Find(std::string_view method) const {
    auto it = methods.find(method);
    return it == methods.end() ? nullptr : &it->second;
}

const vesk::MethodRow* VClass::Destructor() const {
    const std::vector<vesk::MethodRow*>* rows = Find("~" + name);
    return rows && !rows->empty() ? rows->front() : nullptr;
}

namespace vesk {

namespace {

// A method a script may call on the class (not its constructor or destructor).
bool HasMethod(const ClassRecord* record, const std::string& name) {
    const VClass* cls = static_cast<const VClass*>(record);
    return name != cls->name && name[0] != '~' && cls->Find(name);
}

}  // namespace

VClass* FindClass(const std::string& name) {
    for (VClass* c : ClassList())
        if (c->name == name) return c;
    return nullptr;
}

VClass* DeclareClass(const std::string& name, Module* module) {
    if (VClass* c = FindClass(name)) return c->module == module ? c : nullptr;
    auto cls = std::make_unique<VClass>();
    cls->name = name;
    cls->module = module;
    cls->hooks.destroy = RunDestructorRow;
    cls->hooks.hasMethod = HasMethod;
    ClassList().push_back(cls.get());
    Registry().push_back(std::move(cls));
    return ClassList().back();
}

const std::vector<VClass*>& AllClasses() { return ClassList(); }

VClass* ClassOfValue(const Variable& value) {
    static VClass* vectorClass = nullptr;
    static VClass* stringClass = nullptr;
    const Variable& v = *const_cast<Variable&>(value).GetPointer();
    switch (v.type) {
    case VT_OBJECT: return static_cast<VClass*>(ObjectOf(v)->cls);
    case VT_VECTOR: return vectorClass ? vectorClass : (vectorClass = FindClass("Vector"));
    case VT_STRING: return stringClass ? stringClass : (stringClass = FindClass("String"));
    default: return nullptr;
    }
}

bool RegisterHostRows(const MethodRecord* rows, std::string* why) {
    for (int i = 0; rows[i].handler || rows[i].signature; i++) {
        auto row = std::make_unique<MethodRow>();
        std::string className;
        if (!ParseSignature(rows[i].signature, row.get(), &className, why)) {
            *why = std::string(rows[i].signature ? rows[i].signature : "?") + ": " + *why;
            return false;
        }
        VClass* cls = DeclareClass(className, nullptr);
        if (!cls) {
            *why = "class " + className + " is already declared by a module";
            return false;
        }
        row->owner = cls;
        row->handler = rows[i].handler;
        row->number = i + 1;
        cls->methods[row->method].push_back(row.get());
        cls->rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace vesk
