// What the builtin functions share: the rows of the builtin libraries that
// builtins.cpp joins to its own, and the argument readers and result writers
// that word a wrong argument the same way for every builtin. Private to the
// evaluator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vesk/values/budget.h"
#include "vesk/eval/machine.h"

namespace vesk::vm {

// The rows of one library, in the order its file lists them.
struct BuiltinRows {
    const Builtin* rows;
    int count;
};
BuiltinRows MathBuiltins();     // lib_math.cpp: asin … round, min, max, random, seed
BuiltinRows StringBuiltins();   // lib_string.cpp: format, split, join, find, … number
BuiltinRows FileBuiltins();     // lib_file.cpp: readfile … writecsv, exists
BuiltinRows SystemBuiltins();   // lib_system.cpp: flush, sleep
BuiltinRows PictureBuiltins();  // lib_picture.cpp: textmask, colormap

// The host value a slot holds or refers to, for the general cases.
Variable Deref(const Slot& s);

// A number argument as a double; anything else is error 4 ("the argument",
// or `what`, "must be a number").
double NumberArg(Machine& m, const char* name, const Slot& arg);
double NumberArg(Machine& m, const char* name, const Slot& arg, const char* what);

// A whole number: an integer, or a double or float without a fraction, from
// -2^63 up to (not including) 2^63. Anything else is error 4.
int64_t WholeArg(Machine& m, const char* name, const Slot& arg, const char* what);

// The bytes of a string argument; they stay valid while the argument slot
// holds the string. Anything else is error 4.
std::string_view StringArg(Machine& m, const char* name, const Slot& arg, const char* what);

// Reads the text of a number the way the script reads its literals: an
// optional sign, then decimal digits with an optional fraction and exponent
// (12, -3.5, .5, 1e3), with blanks around allowed. Anything else (empty or
// blank text, "nan", "inf", hexadecimal) is not a number. Returns false with
// the reason when it is not one.
bool ReadNumberText(std::string_view text, double* value, std::string* why);

// The same text as a value: an integer when it is written without a fraction
// or an exponent and fits 32 bits, else a double.
bool ReadNumberValue(std::string_view text, Variable* value, std::string* why);

// A number, or a string that holds one (see ReadNumberText); else error 4.
double Numeric(Machine& m, const char* name, const Slot& arg);

// The whole content of a regular file into `bytes`, whose memory `held`
// charges to the memory budget (lib_file.cpp). A failure is error 14 naming
// the builtin `name`, the path and the system's reason.
void ReadWhole(Machine& m, const char* name, const std::string& path, std::string* bytes, Reservation* held);

// The blanks that split() splits at and trim() takes off.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Results: a host value moved into `out`, or a new string; the errors that
// making them reported (error 12) unwind.
void SetResult(Machine& m, Slot& out, Variable& value);
void SetText(Machine& m, Slot& out, std::string_view text);

// Text being built for a string value or a file: it never grows past the
// limit of one string (error 12, naming the builtin), and what its buffer
// holds is charged to the memory budget while it lives.
class TextBuilder {
public:
    TextBuilder(Machine& m, const char* name) : m_(m), name_(name) {}
    void Append(std::string_view s) {
        Make(s.size());
        text_.append(s);
    }
    void Append(size_t count, char c) {
        Make(count);
        text_.append(count, c);
    }
    const std::string& Text() const { return text_; }

private:
    // Room for `more` bytes, within the limit and the budget.
    void Make(size_t more);

    Machine& m_;
    const char* name_;
    std::string text_;
    Reservation held_;
    size_t charged_ = 0;
};

}  // namespace vesk::vm
