// The argument readers and result writers the builtin libraries share (the
// first of them, Deref, NumberArg, ReadNumberText and Numeric, live with
// the core builtins in builtins.cpp).
#include "vesk/eval/library.h"

#include <cmath>

namespace vesk::vm {

double NumberArg(Machine& m, const char* name, const Slot& arg, const char* what) {
    if (IsNumberSlot(arg)) return NumberOf(arg);
    Variable v = Deref(arg);
    if (!IsNumber(v))
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): " + what + " must be a number, not " + AKind(v));
    return v.GetDoubleNumb();
}

int64_t WholeArg(Machine& m, const char* name, const Slot& arg, const char* what) {
    if (arg.type == VT_INT) return arg.i;
    if (arg.type == VT_BYTE) return arg.b;
    double d = NumberArg(m, name, arg, what);
    // 2^63 is the first double beyond int64_t; every double below it converts.
    if (!(d == std::floor(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
        Variable v = Deref(arg);
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): " + what + " must be a whole number, not " + Format(v));
    }
    return static_cast<int64_t>(d);
}

std::string_view StringArg(Machine& m, const char* name, const Slot& arg, const char* what) {
    if (arg.type == VT_STRING) return {reinterpret_cast<const char*>(arg.blob->bytes()), size_t(arg.blob->size)};
    if (arg.type == VT_REF) {
        const Variable& v = arg.ref->value;
        if (v.type == VT_STRING) return StringOf(v);
    }
    Variable v = Deref(arg);
    m.Fail(VE_WRONG_KIND, std::string(name) + "(): " + what + " must be a string, not " + AKind(v));
}

bool ReadNumberValue(std::string_view text, Variable* value, std::string* why) {
    double d = 0;
    if (!ReadNumberText(text, &d, why)) return false;
    bool whole = text.find_first_of(".eE") == std::string_view::npos;
    if (whole && d >= -2147483648.0 && d <= 2147483647.0) *value = static_cast<int>(d);
    else *value = d;
    return true;
}

void SetResult(Machine& m, Slot& out, Variable& value) {
    m.Check();
    Slot r{};
    FromVariable(value, r);
    Move(out, r);
}

void SetText(Machine& m, Slot& out, std::string_view text) {
    Variable s;
    SetString(s, text);
    SetResult(m, out, s);
}

void TextBuilder::Make(size_t more) {
    uint64_t limit = static_cast<uint64_t>(Limits().dataSize);
    uint64_t size = static_cast<uint64_t>(text_.size()) + more;
    if (size > limit)
        m_.Fail(VE_LIMIT, std::string(name_) + "(): the text would be " + std::to_string(size) +
                              " bytes, more than the limit of a string, " + std::to_string(limit));
    if (size <= charged_) return;
    // Growing by half again each time keeps the budget's bookkeeping off
    // the path of small appends.
    uint64_t want = size + size / 2 < limit ? size + size / 2 : limit;
    if (want < 256) want = 256;
    if (!held_.Take(want, "a text being built")) m_.Check();
    charged_ = want;
    text_.reserve(want);
}

}  // namespace vesk::vm
