// The builtin functions: print, len, str, int, float, the mathematics and
// the two clocks. A script may shadow any of them with a global or local of
// the same name.
#include <time.h>

#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "vesk/machine.h"

namespace vesk {

namespace {

struct Builtin {
    const char* name;
    int minArgs;
    int maxArgs;  // -1: any number
    void (*run)(Machine& m, const char* name, Variable* args, int count, Variable& out);
};
extern const Builtin kBuiltins[];
extern const int kBuiltinCount;

double NumberArg(Machine& m, const char* name, const Variable& arg) {
    const Variable& v = Deref(const_cast<Variable&>(arg));
    if (!IsNumber(v))
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): the argument must be a number, not " + AKind(v));
    return v.GetDoubleNumb();
}

// Reads the text of a number the way the script reads its literals: an
// optional sign, then decimal digits with an optional fraction and exponent
// (12, -3.5, .5, 1e3), with blanks around allowed. Anything else (empty or
// blank text, "nan", "inf", hexadecimal) is not a number. Returns false with
// the reason when it is not one.
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

// A number, or a string that holds one (see ReadNumberText).
double Numeric(Machine& m, const char* name, const Variable& arg) {
    const Variable& v = Deref(const_cast<Variable&>(arg));
    if (IsNumber(v)) return v.GetDoubleNumb();
    if (v.type == VT_STRING) {
        double d = 0;
        std::string why;
        if (ReadNumberText(StringOf(v), &d, &why)) return d;
        m.Fail(VE_WRONG_KIND, std::string(name) + "(): \"" + Clip(StringOf(v), 64) + "\" " + why);
    }
    m.Fail(VE_WRONG_KIND, std::string(name) + "(): cannot convert " + AKind(v) + " to a number");
}

// A string argument is written whole, from where it is; other values by
// their printed form, which Format bounds.
void Print(Machine& m, const char*, Variable* args, int count, Variable&) {
    for (int i = 0; i < count; i++) {
        if (i) m.write_(" ");
        const Variable& v = Deref(args[i]);
        m.write_(v.type == VT_STRING ? StringOf(v) : std::string_view(Format(v)));
    }
    m.write_("\n");
}

void Len(Machine& m, const char*, Variable* args, int, Variable& out) {
    const Variable& v = Deref(args[0]);
    if (v.type == VT_VECTOR) out = v.data.vec->count;
    else if (v.type == VT_STRING || v.type == VT_DATA) out = v.GetDataSize();
    else m.Fail(VE_WRONG_KIND, "len() of " + AKind(v) + ": only vectors, strings and data blocks have a length");
}

// A string is its own printed form: str gives the same string, not a copy.
void Str(Machine&, const char*, Variable* args, int, Variable& out) {
    const Variable& v = Deref(args[0]);
    if (v.type == VT_STRING) out = v;
    else SetString(out, Format(v));
}

// Toward zero, clamped to the integers; NaN gives 0.
void Int(Machine& m, const char* name, Variable* args, int, Variable& out) {
    double d = Numeric(m, name, args[0]);
    if (std::isnan(d)) out = 0;
    else if (d >= 2147483647.0) out = INT_MAX;
    else if (d <= -2147483648.0) out = INT_MIN;
    else out = static_cast<int>(d);
}

void Float(Machine& m, const char* name, Variable* args, int, Variable& out) { out = Numeric(m, name, args[0]); }

// abs keeps an integer an integer (the most negative one wraps to itself).
void Abs(Machine& m, const char* name, Variable* args, int, Variable& out) {
    const Variable& v = Deref(args[0]);
    if (v.type == VT_INT) out = v.data.i < 0 ? static_cast<int>(0u - static_cast<unsigned>(v.data.i)) : v.data.i;
    else if (v.type == VT_BYTE) out = static_cast<int>(v.data.b);
    else out = std::fabs(NumberArg(m, name, v));
}

template <double (*F)(double)>
void Math1(Machine& m, const char* name, Variable* args, int, Variable& out) {
    out = F(NumberArg(m, name, args[0]));
}

template <double (*F)(double, double)>
void Math2(Machine& m, const char* name, Variable* args, int, Variable& out) {
    out = F(NumberArg(m, name, args[0]), NumberArg(m, name, args[1]));
}

// Seconds on the monotonic clock, as a double: the difference of two reads
// times a stretch of script (bench/compare times its drawing with it).
void Clock(Machine&, const char*, Variable*, int, Variable& out) {
    out = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor seconds the whole process has used, every thread (OpenGL's
// rasteriser threads too): a measure that another program's load on the
// machine hardly moves.
void CpuClock(Machine&, const char*, Variable*, int, Variable& out) {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    out = static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Floor(double x) { return std::floor(x); }
double Atan2(double y, double x) { return std::atan2(y, x); }
double Pow(double x, double y) { return std::pow(x, y); }

// One function value per builtin, shared by every read of its name.
code::FunctionCode* BuiltinCodes() {
    static code::FunctionCode* codes = [] {
        auto* c = new code::FunctionCode[kBuiltinCount];
        for (int i = 0; i < kBuiltinCount; i++) {
            c[i].name = kBuiltins[i].name;
            c[i].builtin = i;
        }
        return c;
    }();
    return codes;
}

}  // namespace

namespace code {

int BuiltinIndex(int32_t nameID) {
    static std::vector<int32_t> ids = [] {
        std::vector<int32_t> v;
        for (int i = 0; i < kBuiltinCount; i++) v.push_back(::Token::GetNameID(kBuiltins[i].name));
        return v;
    }();
    for (int i = 0; i < kBuiltinCount; i++)
        if (ids[i] == nameID) return i;
    return -1;
}

}  // namespace code

const char* BuiltinName(int index) { return kBuiltins[index].name; }

void Machine::CallBuiltin(int index, Variable* args, int count, Variable& out) {
    const Builtin& b = kBuiltins[index];
    if (count < b.minArgs || (b.maxArgs >= 0 && count > b.maxArgs)) {
        std::string wanted = b.minArgs == b.maxArgs ? std::to_string(b.minArgs)
                                                    : std::to_string(b.minArgs) + " or " + std::to_string(b.maxArgs);
        Fail(VE_ARG_COUNT, std::string(b.name) + "() takes " + wanted +
                               (b.maxArgs == 1 ? " argument, " : " arguments, ") + std::to_string(count) +
                               (count == 1 ? " was" : " were") + " given");
    }
    b.run(*this, b.name, args, count, out);
    Check();
}

void Machine::BuiltinValue(int index, Variable& out) {
    VFunction* fn = new VFunction;
    fn->name = kBuiltins[index].name;
    fn->code = std::shared_ptr<const void>(std::shared_ptr<void>(), &BuiltinCodes()[index]);
    out._Clear();
    out.type = VT_FUNCTION;
    out.data.fn = fn;
}

namespace {

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
};
const int kBuiltinCount = sizeof kBuiltins / sizeof kBuiltins[0];

}  // namespace

}  // namespace vesk
