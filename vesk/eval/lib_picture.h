// The builtins for pictures: textmask (a line of text as a one-bit mask for
// VOpenGL::Put2bBitmap) and colormap (the colour of a named map at t).
// Private to the evaluator; builtins.cpp lists them.
#pragma once

#include "vesk/eval/machine.h"

namespace vesk::vm {

void TextMask(Machine& m, const char* name, Slot* args, int count, Slot& out);
void ColorMap(Machine& m, const char* name, Slot* args, int count, Slot& out);

}  // namespace vesk::vm
