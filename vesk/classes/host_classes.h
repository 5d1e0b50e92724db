// The host classes scripts use beside the module's: Vector, String, POINT3,
// RECT and ColorRef here; Matrix, MDC and MBmp in their own files.
#pragma once

#include "vesk/modules/registry.h"

namespace vesk {

// Registers every host class (once); false with a reason when a table is bad.
bool RegisterHostClasses(std::string* why);

// Small helpers for host-class handlers.
inline Variable& SelfOf(VarRegister* args, int count) {
    return *args[count - 1].designated()->GetPointer();
}
inline Variable& ArgOf(VarRegister* args, int i) { return *args[i].designated()->GetPointer(); }
inline void SetResult(VarRegister* result, const Variable& value) { *result->designated() = value; }

// Makes a host object of the class with its members set, e.g. a POINT3.
Variable NewHostObject(const char* className);

}  // namespace vesk
