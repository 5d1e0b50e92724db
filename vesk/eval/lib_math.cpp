// The mathematics beyond the core builtins: inverse trigonometry, exp and
// logarithms, ceil and round, min and max, and the random numbers.
//
// random() is xoshiro256** (Blackman and Vigna, 2018): 256 bits of state,
// each call gives the top 53 bits of the next 64-bit output times 2^-53, so
// a double in [0, 1). seed(n) fills the state with the first four outputs
// of splitmix64 started at n (as a 64-bit two's complement number), the
// seeding xoshiro's authors recommend; without seed() the state starts from
// the system's random source. The generator belongs to the script thread.
#include <cmath>
#include <random>

#include "vesk/eval/library.h"

namespace vesk::vm {

namespace {

double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Ceil(double x) { return std::ceil(x); }

template <double (*F)(double)>
void Math1(Machine& m, const char* name, Slot* args, int, Slot& out) {
    SetDouble(out, F(NumberArg(m, name, args[0])));
}

// Half away from zero (std::round, so 0.49999999999999994 stays 0, where
// floor(x + 0.5) would give 1); an integer when the result fits 32 bits,
// else the double (NaN, infinities and the very large).
void Round(Machine& m, const char* name, Slot* args, int, Slot& out) {
    const Slot& s = args[0];
    if (s.type == VT_INT) return SetInt(out, s.i);
    if (s.type == VT_BYTE) return SetInt(out, s.b);
    double r = std::round(NumberArg(m, name, s));
    if (r >= -2147483648.0 && r <= 2147483647.0) SetInt(out, static_cast<int32_t>(r));
    else SetDouble(out, r);
}

// min and max over their arguments, or over the elements of one vector. The
// winning value comes back as it was (an integer stays one); the first of
// equal ones wins; a NaN anywhere makes the result NaN.
template <bool kMax>
void Extreme(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    Variable first = Deref(args[0]);
    if (count == 1 && first.type == VT_VECTOR) {
        const Vector* v = first.data.vec;
        if (v->count == 0) m.Fail(VE_BAD_ARGUMENT, std::string(name) + "() of an empty vector");
        int best = -1;
        double bestValue = 0;
        for (int i = 0; i < v->count; i++) {
            const Variable& e = v->items[i];
            if (!IsNumber(e))
                m.Fail(VE_WRONG_KIND, std::string(name) + "(): element " + std::to_string(i) +
                                          " of the vector must be a number, not " + AKind(e));
            double d = e.GetDoubleNumb();
            if (std::isnan(d)) return SetDouble(out, d);
            if (best < 0 || (kMax ? d > bestValue : d < bestValue)) {
                best = i;
                bestValue = d;
            }
        }
        Variable result = v->items[best];
        return SetResult(m, out, result);
    }
    int best = -1;
    double bestValue = 0;
    for (int i = 0; i < count; i++) {
        std::string what = "argument " + std::to_string(i + 1);
        double d = NumberArg(m, name, args[i], what.c_str());
        if (std::isnan(d)) return SetDouble(out, d);
        if (best < 0 || (kMax ? d > bestValue : d < bestValue)) {
            best = i;
            bestValue = d;
        }
    }
    Copy(out, args[best]);
}

// ---- random numbers ----------------------------------------------------------------

uint64_t SplitMix64(uint64_t* x) {
    uint64_t z = (*x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

struct Xoshiro256 {
    uint64_t s[4];
    void Seed(uint64_t n) {
        for (uint64_t& word : s) word = SplitMix64(&n);
    }
    uint64_t Next() {
        uint64_t result = Rotl(s[1] * 5, 7) * 9;
        uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = Rotl(s[3], 45);
        return result;
    }
};

Xoshiro256& Generator() {
    thread_local Xoshiro256 generator = [] {
        std::random_device device;
        Xoshiro256 g;
        g.Seed((static_cast<uint64_t>(device()) << 32) ^ device());
        return g;
    }();
    return generator;
}

void Random(Machine&, const char*, Slot*, int, Slot& out) {
    SetDouble(out, static_cast<double>(Generator().Next() >> 11) * 0x1.0p-53);
}

void Seed(Machine& m, const char* name, Slot* args, int, Slot& out) {
    Generator().Seed(static_cast<uint64_t>(WholeArg(m, name, args[0], "the seed")));
    Release(out);
}

const Builtin kRows[] = {
    {"asin", 1, 1, Math1<Asin>},
    {"acos", 1, 1, Math1<Acos>},
    {"atan", 1, 1, Math1<Atan>},
    {"exp", 1, 1, Math1<Exp>},
    {"log", 1, 1, Math1<Log>},
    {"log10", 1, 1, Math1<Log10>},
    {"ceil", 1, 1, Math1<Ceil>},
    {"round", 1, 1, Round},
    {"min", 1, -1, Extreme<false>},
    {"max", 1, -1, Extreme<true>},
    {"random", 0, 0, Random},
    {"seed", 1, 1, Seed},
};

}  // namespace

BuiltinRows MathBuiltins() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vesk::vm
