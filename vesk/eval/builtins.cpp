// The builtin functions: print, len, str, int, float, the mathematics and
// the two clocks, and the table that joins them to include (include.cpp)
// and the builtin libraries (library.h). A script may shadow any of them
// with a global or local of the same name. They take slots, so the
// mathematics costs no host value.
#include <time.h>

#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "vesk/eval/library.h"

namespace vesk::vm {

Variable Deref(const Slot& s) {
    Variable v = AsVariable(s);
    return *v.GetPointer();
}

double NumberArg(Machine& m, const char* name, const Slot& arg) { return NumberArg(m, name, arg, "the argument"); }

bool ReadNumberText(std::string_view text, double* value, std::string* why) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    size_t i = 0, n = text.size();
    auto digits = [&] {
        size_t start = i;
        while (i < n && text[i] >= '0' && text[i] <= '9') i++;
        return i - start;
    };
    if (i < n && (text[i] == '+' || text[i] == '-')) i++;
    size_t mantissa = digits();
    if (i < n && text[i] == '.') {
        i++;
        mantissa += digits();
    }
    if (mantissa > 0 && i < n && (text[i] == 'e' || text[i] == 'E')) {
        i++;
        if (i < n && (text[i] == '+' || text[i] == '-')) i++;
        if (digits() == 0) mantissa = 0;
    }
    if (mantissa == 0 || i != n) {
        *why = "is not a number";
        return false;
    }
    if (text[0] == '+') text.remove_prefix(1);
    auto r = std::from_chars(text.data(), text.data() + text.size(), *value);
    if (r.ec != std::errc()) {
        *why = "is out of the range of a double";
        return false;
    }
    return true;
}

double Numeric(Machine& m, const char* name, const Slot& arg) {
    if (IsNumberSlot(arg)) return NumberOf(arg);
    Variable v = Deref(arg);
    if (IsNumber(v)) return v.GetDoubleNumb();
    if (v.type == VT_STRING) {
        double d = 0;
        std::string why;
        if (ReadNumberText(StringOf(v), &d, &why)) return d;
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): \"" + Clip(StringOf(v), 64) + "\" " + why);
    }
    m.Fail(VE_WRONG_KIND, std::string(name) + "(): cannot convert " + AKind(v) + " to a number");
}

namespace {

// A string argument is written whole, from where it is; other values by
// their printed form, which Format bounds.
void Print(Machine& m, const char*, Slot* args, int count, Slot& out) {
    for (int i = 0; i < count; i++) {
        if (i) m.write_(" ");
        Variable v = Deref(args[i]);
        m.write_(v.type == VT_STRING ? StringOf(v) : std::string_view(Format(v)));
    }
    m.write_("\n");
    // Output that cannot be written (a pipe whose reader has gone, a full
    // disk) ends the script rather than letting it print into nothing.
    if (std::ferror(stdout)) m.Fail(VE_FILE, "print(): the script's output cannot be written (its pipe or file is closed or full)");
    Release(out);
}

void Len(Machine& m, const char*, Slot* args, int, Slot& out) {
    const Slot& s = args[0];
    if (s.type == VT_VECTOR) return SetInt(out, s.vec->count);
    if (s.type == VT_STRING || s.type == VT_DATA) return SetInt(out, static_cast<int32_t>(s.blob->size));
    Variable v = Deref(s);
    if (v.type == VT_VECTOR) return SetInt(out, v.data.vec->count);
    if (v.type == VT_STRING || v.type == VT_DATA) return SetInt(out, static_cast<int32_t>(v.GetDataSize()));
    m.Fail(VE_WRONG_KIND, "len() of " + AKind(v) + ": only vectors, strings and data blocks have a length");
}

// A string is its own printed form: str gives the same string, not a copy.
void Str(Machine& m, const char*, Slot* args, int, Slot& out) {
    Variable s = Deref(args[0]);
    if (s.type != VT_STRING) SetString(s, Format(s));
    m.Check();
    Slot r{};
    FromVariable(s, r);
    Move(out, r);
}

// Toward zero, clamped to the integers; NaN gives 0.
void Int(Machine& m, const char* name, Slot* args, int, Slot& out) {
    double d = Numeric(m, name, args[0]);
    if (std::isnan(d)) SetInt(out, 0);
    else if (d >= 2147483647.0) SetInt(out, INT_MAX);
    else if (d <= -2147483648.0) SetInt(out, INT_MIN);
    else SetInt(out, static_cast<int32_t>(d));
}

void Float(Machine& m, const char* name, Slot* args, int, Slot& out) { SetDouble(out, Numeric(m, name, args[0])); }

// abs keeps an integer an integer (the most negative one wraps to itself).
void Abs(Machine& m, const char* name, Slot* args, int, Slot& out) {
    const Slot& s = args[0];
    if (s.type == VT_INT) SetInt(out, s.i < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(s.i)) : s.i);
    else if (s.type == VT_BYTE) SetInt(out, s.b);
    else SetDouble(out, std::fabs(NumberArg(m, name, s)));
}

template <double (*F)(double)>
void Math1(Machine& m, const char* name, Slot* args, int, Slot& out) {
    SetDouble(out, F(NumberArg(m, name, args[0])));
}

template <double (*F)(double, double)>
void Math2(Machine& m, const char* name, Slot* args, int, Slot& out) {
    SetDouble(out, F(NumberArg(m, name, args[0]), NumberArg(m, name, args[1])));
}

// Seconds on the monotonic clock, as a double: the difference of two reads
// times a stretch of script (bench/compare times its drawing with it).
void Clock(Machine&, const char*, Slot*, int, Slot& out) {
    SetDouble(out, std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// Processor seconds the whole process has used, every thread (OpenGL's
// rasteriser threads too): a measure that another program's load on the
// machine hardly moves.
void CpuClock(Machine&, const char*, Slot*, int, Slot& out) {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    SetDouble(out, static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9);
}

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Floor(double x) { return std::floor(x); }
double Atan2(double y, double x) { return std::atan2(y, x); }
double Pow(double x, double y) { return std::pow(x, y); }

const Builtin kBuiltins[] = {
    {"print", 0, -1, Print},
    {"len", 1, 1, Len},
    {"str", 1, 1, Str},
    {"int", 1, 1, Int},
    {"float", 1, 1, Float},
    {"abs", 1, 1, Abs},
    {"sin", 1, 1, Math1<Sin>},
    {"cos", 1, 1, Math1<Cos>},
    {"tan", 1, 1, Math1<Tan>},
    {"sqrt", 1, 1, Math1<Sqrt>},
    {"floor", 1, 1, Math1<Floor>},
    {"atan2", 2, 2, Math2<Atan2>},
    {"pow", 2, 2, Math2<Pow>},
    {"clock", 0, 0, Clock},
    {"cpuclock", 0, 0, CpuClock},
    {"include", 1, 1, IncludeBuiltin},
};

// These rows, then each library's, in one table made when the host library
// loads; it does not change after.
const std::vector<Builtin> kTable = [] {
    std::vector<Builtin> all(std::begin(kBuiltins), std::end(kBuiltins));
    for (BuiltinRows library : {MathBuiltins(), StringBuiltins(), FileBuiltins(), SystemBuiltins(), PictureBuiltins()})
        all.insert(all.end(), library.rows, library.rows + library.count);
    return all;
}();
const int kBuiltinCount = static_cast<int>(kTable.size());

}  // namespace

const Builtin& BuiltinAt(int index) { return kTable[index]; }
int BuiltinCount() { return kBuiltinCount; }

// One prototype per builtin, shared by every function value of its name.
const Proto* BuiltinProto(int index) {
    static Proto* protos = [] {
        auto* p = new Proto[kBuiltinCount];
        for (int i = 0; i < kBuiltinCount; i++) {
            p[i].name = kTable[i].name;
            p[i].builtin = i;
        }
        return p;
    }();
    return &protos[index];
}

int BuiltinIndex(int32_t nameID) {
    static const std::vector<int32_t> ids = [] {
        std::vector<int32_t> v;
        for (int i = 0; i < kBuiltinCount; i++) v.push_back(::Token::GetNameID(kTable[i].name));
        return v;
    }();
    for (int i = 0; i < kBuiltinCount; i++)
        if (ids[i] == nameID) return i;
    return -1;
}

}  // namespace vesk::vm
