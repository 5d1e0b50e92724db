// How host objects end, and objects with named members.
#include "vesk/values/object.h"

#include "vesk/values/budget.h"

namespace vesk {

// The destructor row runs while the object is marked dying, so that the
// references the call takes do not free it again.
void DestroyObject(HostObject* object) {
    object->dying = true;
    if (object->ass && object->cls && object->cls->hooks.destroy) object->cls->hooks.destroy(object);
    // A native the destructor row left behind (a class without one, or a
    // native of another class) goes with its object.
    if (VeskAss* native = object->ass) {
        native->BreakJoint();
        delete native;
    }
    delete object;
}

// Members are charged to the memory budget like the slots of a vector.
MemberObject::MemberObject(ClassRecord* cls) : HostObject(cls) {
    Charge(cls->memberIds.size() * kSlotBytes, "an object");
    members.reserve(cls->memberIds.size());
    for (int id : cls->memberIds) members.emplace_back(id, Variable());
}

MemberObject::~MemberObject() { Unreserve(members.size() * kSlotBytes); }

Variable& MemberObject::Member(int nameID) {
    for (auto& m : members)
        if (m.first == nameID) return m.second;
    return HostObject::Member(nameID);
}

void MemberObject::VisitValues(void (*visit)(Variable&, void*), void* context) {
    for (auto& m : members) visit(m.second, context);
}

void MemberObject::DropValues() {
    for (auto& m : members) m.second._Clear();
}

}  // namespace vesk
