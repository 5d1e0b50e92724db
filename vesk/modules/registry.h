// Script classes and their method rows: the parsed form of a signature such
// as "VOpenGL::Sphere(refer object POINT3 , number, int)" and the registry of
// classes (host classes and those of loaded modules).
#pragma once

#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/module.h"
#include "vesk/values/object.h"

struct VClass;

namespace vesk {

// Hashes method names given as std::string, string_view or C string alike.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// Any is for host classes only: a value of whatever kind, passed as a value.
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

}  // namespace vesk

// A class in the registry: its record, and its method rows by name and in
// the order they were registered.
struct VClass : vesk::ClassRecord {
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

// Registers a table of host-class rows ("POINT3::POINT3(number, number,
// number)" and so on), ended by a null row.
bool RegisterHostRows(const MethodRecord* rows, std::string* why);

}  // namespace vesk
