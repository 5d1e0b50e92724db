// Script classes and their method rows: the parsed form of a signature such
// as "VOpenGL::Sphere(refer object POINT3 , number, int)", the registry of
// classes (host classes and those of loaded modules) and the objects the
// host makes for them.
#pragma once

#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/module.h"
#include "vesk/values/value.h"

struct Module;
struct VClass;

namespace vesk {

// Any is for host classes only: a value of whatever kind, passed as a value.
// Hashes method names given as std::string, string_view or C string alike.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

enum class ArgKind { Number, Int, Boolean, Object, Copy, Any };

struct ArgSpec {
    ArgKind kind;
    std::string className;  // for Object: "MDC", "Vector", "OglColor", …
    bool refer = false;     // written "refer object"
};

struct MethodRow {
    ::VClass* owner = nullptr;
    std::string method;            // "Sphere", "*", the class name, "~Class"
    std::vector<ArgSpec> args;
    bool variadic = false;         // ends with "..."
    VeskHandler handler = nullptr;
    std::string signature;         // the text as the table gave it
    int number = 0;                // position in its table, from 1
    int handlerNumber = 0;         // distinct handlers of its table, from 1
    Module* module = nullptr;      // null for host classes
};

// Parses one signature; on failure returns false and says why.
bool ParseSignature(const char* text, MethodRow* row, std::string* className,
                    std::string* why);

// How objects of a host class are made and printed.
struct ClassHooks {
    HostObject* (*make)(VClass* cls) = nullptr;  // default: a plain object, or one with the class's members
    bool printMembers = false;  // a MemberObject printed as Class(m1, m2, …), else "<Class>"
    bool valueClass = false;  // constructors fill the target themselves (Vector)
};



}  // namespace vesk

struct VClass {
    std::string name;
    Module* module = nullptr;  // the module that declared it, null for host classes
    vesk::ClassHooks hooks;
    std::vector<int> memberIds;  // members every object of the class has
    std::unordered_map<std::string, std::vector<vesk::MethodRow*>, vesk::NameHash, std::equal_to<>> methods;
    std::vector<std::unique_ptr<vesk::MethodRow>> rows;

    const std::vector<vesk::MethodRow*>* Find(std::string_view method) const;
    const vesk::MethodRow* Destructor() const;
};

namespace vesk {

VClass* FindClass(const std::string& name);
// Makes the class, or returns null when the name is taken by another owner.
VClass* DeclareClass(const std::string& name, Module* module);
const std::vector<VClass*>& AllClasses();

// The class whose methods a value answers: its object's class, or the host
// classes "Vector" and "String" for those values; null for the others.
VClass* ClassOfValue(const Variable& value);

// An object with named members (POINT3, RECT, ColorRef).
class MemberObject : public HostObject {
public:
    explicit MemberObject(VClass* cls);
    ~MemberObject() override;
    Variable& Member(int nameID) override;
    void VisitValues(void (*visit)(Variable&, void*), void* context) override;
    void DropValues() override;
    std::vector<std::pair<int, Variable>> members;
};

// Registers a table of host-class rows ("POINT3::POINT3(number, number,
// number)" and so on), ended by a null row.
bool RegisterHostRows(const MethodRecord* rows, std::string* why);

}  // namespace vesk
