// Calling script methods and constructors: picking the row that fits the
// arguments, passing them as the handlers expect, and running destructors.
#pragma once

#include "vesk/modules/registry.h"

namespace vesk {

// Calls method `name` of `self` with the argument values. The result lands
// in `result`. Returns false when the call could not be made or raised errors
// (they are recorded on the processor).
bool CallMethod(Processor* processor, Variable& self, const char* name, Variable* args,
                int count, Variable& result);

// Constructs a new object of the class into `target`, choosing the
// constructor row that fits the arguments.
bool Construct(Processor* processor, const char* className, Variable* args, int count,
               Variable& target);

// Whether the value's class has a method of that name ("*=", "Count", …).
bool HasMethod(const Variable& self, const char* name);

// Picks the row of `rows` (the rows of one method) that fits the
// arguments, or reports why none fits and returns null.
const MethodRow* PickRow(const std::vector<MethodRow*>& rows, Variable* args, int count);

// Runs one row's handler with the arguments and self, the way modules expect:
// "refer object" arguments and self as registers referring to the values,
// the others as values, self last; the result register starts empty.
void InvokeRow(Processor* processor, const MethodRow& row, Variable& self, Variable* args,
               int count, Variable& result);

}  // namespace vesk
