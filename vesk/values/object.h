// What every host object knows of its class, and objects with named members.
// The class registry (modules/registry.h) extends the record with the
// class's method rows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "vesk/values/value.h"

struct Module;

namespace vesk {

// How objects of a class are made, printed and ended.
struct ClassHooks {
    HostObject* (*make)(ClassRecord* cls) = nullptr;  // default: a plain object, or one with the class's members
    // Runs the class's destructor row on an object whose last reference went
    // (its native still joined); the registry sets it.
    void (*destroy)(HostObject* object) = nullptr;
    // Whether the class has a method of that name (for the hint that a
    // member read meant a call); the registry sets it.
    bool (*hasMethod)(const ClassRecord* cls, const std::string& name) = nullptr;
    bool printMembers = false;  // a MemberObject printed as Class(m1, m2, …), else "<Class>"
    bool valueClass = false;    // constructors fill the target themselves (Vector)
};

struct ClassRecord {
    std::string name;
    Module* module = nullptr;    // the module that declared it, null for host classes
    ClassHooks hooks;
    std::vector<int> memberIds;  // members every object of the class has
};

// An object with named members (POINT3, RECT, ColorRef).
class MemberObject : public HostObject {
public:
    explicit MemberObject(ClassRecord* cls);
    ~MemberObject() override;
    Variable& Member(int nameID) override;
    void VisitValues(void (*visit)(Variable&, void*), void* context) override;
    void DropValues() override;
    std::vector<std::pair<int, Variable>> members;
};

}  // namespace vesk
