// What the builtin functions share: the argument readers of builtins.cpp,
// which word the errors of a wrong argument the same way for every builtin.
// Private to the evaluator.
#pragma once

#include <string>
#include <string_view>

#include "vesk/eval/machine.h"

namespace vesk::vm {

// The host value a slot holds or refers to, for the general cases.
Variable Deref(const Slot& s);

// A number argument as a double; anything else is error 4.
double NumberArg(Machine& m, const char* name, const Slot& arg);

// Reads the text of a number the way the script reads its literals: an
// optional sign, then decimal digits with an optional fraction and exponent
// (12, -3.5, .5, 1e3), with blanks around allowed. Anything else (empty or
// blank text, "nan", "inf", hexadecimal) is not a number. Returns false with
// the reason when it is not one.
bool ReadNumberText(std::string_view text, double* value, std::string* why);

// A number, or a string that holds one (see ReadNumberText); else error 4.
double Numeric(Machine& m, const char* name, const Slot& arg);

}  // namespace vesk::vm
