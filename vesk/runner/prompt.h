// The interactive prompt: `vesk` on a terminal without a script, or
// `vesk -i [SCRIPT]` after the script has run.
#pragma once

#include <functional>
#include <string>

#include "vesk/eval/interpreter.h"

namespace vesk {

// Reads statements with line editing and history, runs each in the global
// scope of `interpreter` and shows the value of a lone expression statement
// (kept in the global `_` too). An error is shown through `report` and the
// prompt goes on; while a statement is open (brackets, a comment) it reads
// more lines. Ends at the end of input (Ctrl-D).
void RunPrompt(Interpreter& interpreter, const std::function<void(const ScriptOutcome&)>& report);

}  // namespace vesk
