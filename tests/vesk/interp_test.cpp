// The interpreter: what each operator and builtin gives (kind and value,
// promotion included) and the errors they raise, the direct arithmetic
// against the host's, scopes, recursion and its limit, element and member
// places, aliasing, reference counting, error order under try/catch and
// Processor::RunFunction on function text.
#include <time.h>

#include <chrono>
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "host/arith.h"
#include "tests/support/harness.h"
#include "vesk/eval/interpreter.h"

namespace {

// A host class whose destructor row counts its runs, and one whose
// destructor row also reports an error.
int destroyed = 0;
struct CountedNative : VeskAss {};

void NewCounted(VarRegister*, VarRegister* args, int count, Processor* p) {
    (new CountedNative)->Join(args[count - 1].designated(), p);
}
void DeleteCounted(VarRegister*, VarRegister* args, int count, Processor*) {
    VeskAss* a = args[count - 1].designated()->GetPointer()->GetVObject()->GetAss();
    destroyed++;
    a->BreakJoint();
    delete a;
}
void DeleteNoisy(VarRegister*, VarRegister* args, int count, Processor*) {
    DeleteCounted(nullptr, args, count, nullptr);
    vesk::Error(vesk::VE_UNSUPPORTED, "noisy goes");
}
const MethodRecord countedRows[] = {
    {NewCounted, "Counted::Counted(void)"},
    {DeleteCounted, "Counted::~Counted(void)"},
    {NewCounted, "Noisy::Noisy(void)"},
    {DeleteNoisy, "Noisy::~Noisy(void)"},
    {nullptr, nullptr},
};

// An interpreter on the test host; Run gives what the script printed, then
// its errors as "line: error N: message", or its syntax error.
class Script {
public:
    Script() : interp(h.processor) {
        std::string why;
        if (!vesk::FindClass("Counted")) {
            EXPECT_TRUE(vesk::RegisterHostRows(countedRows, &why)) << why;
        }
        interp.SetOutput([this](std::string_view s) { out += s; });
    }

    std::string Run(const std::string& source) {
        out.clear();
        vesk::ScriptOutcome o = interp.RunScript(source, "t.vsk");
        if (o.kind == vesk::ScriptOutcome::SyntaxError)
            return out + std::to_string(o.line) + ":" + std::to_string(o.column) + ": syntax: " + o.message;
        for (const vesk::ErrorEntry& e : o.errors)
            out += std::to_string(e.line) + ": error " + std::to_string(e.number) + ": " + e.message + "\n";
        return out;
    }

    // A global as "kind value", e.g. "integer 3", "double 3.5"; "undefined".
    std::string Typed(const char* name) {
        Variable* v = interp.Global(name);
        return v ? vesk::KindName(*v) + " " + vesk::Format(*v) : "undefined";
    }

    // What "r = expr;" gives: r as Typed, or the errors it raised.
    std::string Value(const std::string& expr) {
        std::string printed = Run("r = " + expr + ";");
        return printed.empty() ? Typed("r") : printed;
    }

    Harness h;
    vesk::Interpreter interp;
    std::string out;
};

TEST(Interp, OperatorsAndBuiltinsGiveTheirKindAndValue) {
    Script s;
    Variable b200, b100;
    b200.type = b100.type = VT_BYTE;
    b200.data.i = 200;
    b100.data.i = 100;
    s.interp.SetGlobal("x", b200);
    s.interp.SetGlobal("y", b100);
    s.interp.SetGlobal("f", Flt(1.5f));
    ASSERT_EQ(s.Run("function boom() { return 1 / 0; } v = [1]; w = v;"), "");
    const std::string needNumbers = " (only numbers with numbers, strings with strings)\n";
    const struct {
        std::string expr, want;
    } cases[] = {
        // Integers wrap at 32 bits and divide toward zero; a double makes a double.
        {"7 / 2", "integer 3"},          {"7 / 2.0", "double 3.5"},      {"2147483647 + 1", "integer -2147483648"},
        {"-7 / 2", "integer -3"},        {"7 % -3", "integer 1"},        {"-(-2147483648)", "integer -2147483648"},
        {"3 * 1.0", "double 3"},         {"0.5 % 0.25", "double 0"},     {"65536 * 65536", "integer 0"},
        // Bytes (x 200, y 100) and floats (f 1.5): byte < int < float < double.
        {"x + y", "byte 44"},            {"x * 2", "integer 400"},       {"x + f", "float 201.5"},
        {"f + 1", "float 2.5"},          {"f + 0.25", "double 1.75"},    {"-x", "integer -200"},
        {"~x", "byte 55"},               {"x << 1", "integer 400"},      {"~-1", "integer 0"},
        // Bitwise operators; shifts take the count modulo 32 and >> keeps the sign.
        {"[6 & 3, 6 | 3, 6 ^ 3, 1 << 33, -8 >> 1, 1 << 31]", "vector [2, 7, 5, 2, -4, -2147483648]"},
        // Numbers compare by value, strings by their bytes, the rest by identity.
        {"[3 == 3.0, 2 < 2.5, -0.0 == 0, 1 == \"1\", 0 == false, null == null]",
         "vector [true, true, true, false, false, true]"},
        {"[\"abc\" < \"abd\", \"b\" > \"abc\", \"a\" <= \"a\", \"a\" >= \"b\", \"x\" != \"x\", \"\\xff\" > \"a\"]",
         "vector [true, true, true, false, false, true]"},
        {"[v == w, v == [1], !\"\", !v]", "vector [true, false, true, false]"},
        {"1 + \"x\" + 2.5", "string 1x2.5"},
        // && and || stop early and give booleans.
        {"0 && boom()", "boolean false"}, {"1 || boom()", "boolean true"}, {"1 && 2", "boolean true"},
        {"1 && boom()", "1: error 10: division by zero\n"},
        // Operands of the wrong kind.
        {"1 < \"2\"", "1: error 4: cannot compare an integer with a string by <" + needNumbers},
        {"1.5 << 1", "1: error 4: cannot shift a double by an integer (shifts need integers)\n"},
        {"[1] + 1", "1: error 4: cannot add a vector and an integer\n"},
        {"f | 1", "1: error 4: cannot combine with | a float and an integer: bitwise operators need integers\n"},
        {"argv(1)", "1: error 4: cannot call a vector (only functions can be called)\n"},
        // Builtins.
        {"argv", "vector []"},
        {"[sin(0), cos(0), floor(-1.5), pow(2, 10), atan2(0, 1), abs(-7), abs(-2.5), tan(0)]",
         "vector [0, 1, -2, 1024, 0, 7, 2.5, 0]"},
        {"[int(\" 42 \"), int(-3.9), int(1e20), int(-1e20), float(2), float(\"0.5\"), str(1.5) + \"!\"]",
         "vector [42, -3, 2147483647, -2147483648, 2, 0.5, 1.5!]"},
        // Number text is a literal's, with a sign and blanks around: no nan,
        // inf, hexadecimal or empty text, nothing beyond a double's range.
        {"[int(\"  12\"), int(\"+5\"), float(\"-.5e1\"), float(\"1.\"), int(\"1e20\"), float(\"\\t2\\n\")]",
         "vector [12, 5, -5, 1, 2147483647, 2]"},
        {"int(\"nan\")", "1: error 4: int(): \"nan\" is not a number\n"},
        {"int(\"0x10\")", "1: error 4: int(): \"0x10\" is not a number\n"},
        {"float(\"1e400\")", "1: error 4: float(): \"1e400\" is out of the range of a double\n"},
        {"int(\"1\\n2\")", "1: error 4: int(): \"1\\x0A2\" is not a number\n"},  // one line of message
        {"new Vector(sqrt(-1))", "1: error 6: new Vector(nan): the count must be 0 or more\n"},
        {"len(3)", "1: error 4: len() of an integer: only vectors, strings and data blocks have a length\n"},
        {"sqrt(\"4\")", "1: error 4: sqrt(): the argument must be a number, not a string\n"},
        {"pow(1)", "1: error 7: pow() takes 2 arguments, 1 was given\n"},
        // round gives an integer when it fits, half away from zero; min and
        // max give the winning value with its kind; number() an integer for
        // integer text that fits.
        {"round(2.5)", "integer 3"},     {"round(-2.5)", "integer -3"},  {"round(0.49999999999999994)", "integer 0"},
        {"round(-0.4)", "integer 0"},    {"round(3e9)", "double 3000000000"}, {"round(sqrt(-1))", "double nan"},
        {"ceil(1.5)", "double 2"},       {"min(3, 1.5)", "double 1.5"},  {"max([2, 2.0, 1])", "integer 2"},
        {"min(2.0, 2)", "double 2"},     {"pi", "double 3.141592653589793"},
        {"number(\"12\")", "integer 12"}, {"number(\"12.0\")", "double 12"}, {"number(\"-2147483648\")", "integer -2147483648"},
        {"number(\"2147483648\")", "double 2147483648"}, {"number(\" 1e2 \")", "double 100"},
        {"[find(\"abc\", \"c\"), substr(\"abc\", 1, 1), len(split(\"a,,b\", \",\")), trim(\" x \")]", "vector [2, b, 3, x]"},
        {"min()", "1: error 7: min() takes at least 1 argument, 0 were given\n"},
        {"random() < 1 && random() >= 0", "boolean true"},
    };
    for (const auto& c : cases) EXPECT_EQ(s.Value(c.expr), c.want) << c.expr;

    // clock() is the monotonic clock and cpuclock() the process's processor
    // time, in seconds, as doubles.
    auto processor = [] {
        timespec c{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
        return static_cast<double>(c.tv_sec) + c.tv_nsec / 1e9;
    };
    auto monotonic = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    const std::pair<const char*, double (*)()> clocks[] = {{"clock()", monotonic}, {"cpuclock()", processor}};
    for (const auto& [call, now] : clocks) {
        double before = now();
        s.Run(std::string("t = ") + call + ";");
        double after = now();
        Variable* t = s.interp.Global("t");
        ASSERT_TRUE(t && t->type == VT_DOUBLE) << call;
        EXPECT_TRUE(before <= t->GetDoubleNumb() && t->GetDoubleNumb() <= after) << call;
    }
}

// Integers, floats and doubles take the interpreter's direct path; every result must
// equal the host's general arithmetic, errors included.
TEST(Interp, DirectArithmeticAgreesWithTheHost) {
    Script s;
    std::vector<Variable> values = {Int(0), Int(1), Int(-1), Int(7), Int(-7), Int(INT_MAX), Int(INT_MIN),
                                    Num(0.0), Num(2.5), Num(-0.5), Num(1e300), Num(-3.0), Flt(1.5f), Flt(-0.1f), Flt(0.0f)};
    struct OpCase { const char* text; Variable (*host)(const Variable&, const Variable&); };
    const OpCase ops[] = {{"+", _AddNumb}, {"-", _SubNumb}, {"*", _MulNumb}, {"/", _DivNumb}, {"%", _RestNumb}};
    for (const OpCase& op : ops) {
        for (const Variable& a : values) {
            for (const Variable& b : values) {
                s.interp.SetGlobal("a", a);
                s.interp.SetGlobal("b", b);
                std::string got = s.Run(std::string("r = a ") + op.text + " b;");
                Variable want = op.host(a, b);
                std::vector<int> hostErrors = s.h.Errors();
                std::string what = vesk::Format(a) + " " + op.text + " " + vesk::Format(b);
                if (!hostErrors.empty()) {
                    EXPECT_EQ(got, "1: error " + std::to_string(hostErrors[0]) + ": division by zero\n") << what;
                    continue;
                }
                ASSERT_EQ(got, "") << what;
                Variable* r = s.interp.Global("r");
                EXPECT_EQ(r->type, want.type) << what;
                EXPECT_TRUE(vesk::Identical(*r, want) || (std::isnan(r->GetDoubleNumb()) &&
                                                          std::isnan(want.GetDoubleNumb())))
                    << what << " gave " << vesk::Format(*r) << ", the host " << vesk::Format(want);
            }
        }
    }
}

TEST(Interp, ScopesOfFunctions) {
    Script s;
    EXPECT_EQ(s.Run("g = 10;\n"
                    "function reads() { return g + 1; }\n"
                    "function shadows() { g = 5; return g; }\n"
                    "function twice(g) { return g * 2; }\n"
                    "function beforeAndAfter() { a = g; g = 1; return [a, g]; }\n"
                    "function bumps() { g += 1; return g; }\n"
                    "print(reads(), shadows(), twice(3), beforeAndAfter(), bumps(), g);"),
              "11 5 6 [10, 1] 11 10\n");
    // After 'global', assignments, compound steps, counting loops, catch
    // variables and declared functions all reach the global; other
    // functions keep their locals of the same name.
    EXPECT_EQ(s.Run("n = 1; err = 0;\n"
                    "function use() {\n"
                    "  global n, err, helper, fresh;\n"
                    "  n += 2; fresh = n * 10;\n"
                    "  for (n = n; n < 6; n += 1) { }\n"
                    "  try { x = [][0]; } catch (err) { }\n"
                    "  function helper() { return \"h\"; }\n"
                    "  return n;\n"
                    "}\n"
                    "function local() { n = 100; return n; }\n"
                    "global n;\n"
                    "print(use(), n, fresh, err[0][0], helper(), local(), n);"),
              "6 6 30 11 h 100 6\n");
    EXPECT_EQ(s.Run("function mk() { tmp = 1; for (j = 0; j < 2; j += 1) { } } mk();\nprint(tmp);"),
              "2: error 3: name 'tmp' is not defined\n");
    EXPECT_EQ(s.Run("function outer() { function inner() { return 7; } return inner(); }\n"
                    "print(outer());\nprint(inner());"),
              "7\n3: error 3: name 'inner' is not defined\n");
    EXPECT_EQ(s.Run("function two(a, b) { return a; }\ntwo(1);"),
              "2: error 7: two() takes 2 arguments, 1 was given\n");
    EXPECT_EQ(s.Run("function len(x) { return 42; } print(len([1]), sqrt(4)); q = sqrt; print(q(9), q);"),
              "42 2\n3 <function sqrt>\n") << "a global shadows a builtin";
}

TEST(Interp, RecursionAndTheDepthLimit) {
    Script s;
    std::string deep, limit, after, small;
    ASSERT_TRUE(vesk::RunWithLargeStack(vesk::kScriptStackBytes, [&] {
        deep = s.Run("function d(n) { if (n == 0) return 0; return 1 + d(n - 1); }\nprint(d(999));");
        limit = s.Run("function down(n) {\n  return down(n + 1);\n}\ndown(0);");
        after = s.Run("try { down(0); } catch (e) { print(e[0][0]); }\nprint(d(10));");
    }));
    EXPECT_EQ(deep, "999\n");
    EXPECT_EQ(limit, "2: error 13: calls nested too deeply (1000 script calls in progress)\n");
    EXPECT_EQ(after, "13\n10\n") << "the depth is back to zero after unwinding";
    // Script calls do not nest on the thread's stack: a small one still
    // reaches the call limit, with wide expressions in every call.
    std::string nested = "wide(n + 1)";
    for (int i = 0; i < 100; i++) nested = "(1 + " + nested + ")";
    ASSERT_TRUE(vesk::RunWithLargeStack(1u << 20, [&] {
        small = s.Run("function wide(n) { return " + nested + "; }\nwide(0);");
    }));
    EXPECT_EQ(small, "1: error 13: calls nested too deeply (1000 script calls in progress)\n");

    s.interp.SetStepLimit(1000);
    EXPECT_EQ(s.Run("n = 0;\nwhile (true) { n += 1; }"), "2: error 12: the script ran more than 1000 statements\n");
    s.interp.SetStepLimit(1000);
    EXPECT_EQ(s.Run("for (i = 0; i < 100; i += 1) { }\nprint(i);"), "100\n") << "a budget that is not spent";
}

// What the compiled form decides ahead of running: which reads of a local
// may find it unset, where a member sits in an object of a class met before,
// and sources too large for its registers.
TEST(Interp, CompiledCodeKeepsTheRules) {
    Script s;
    EXPECT_EQ(s.Run("y = \"g\";\n"
                    "function f(k) { r = []; for (i = 0; i < 3; i += 1) { r->Add(y); if (i == k) y = i; } return r; }\n"
                    "function g() { if (false) { z = 1; } return z; }\n"
                    "print(f(1), f(9));\nz = 4; print(g());"),
              "[g, g, 1] [g, g, g]\n4\n");
    EXPECT_EQ(s.Run("function gx(o) { return o.x; }\n"
                    "a = gx(new POINT3(1, 2, 3));\nb = gx(new RECT(1, 2, 3, 4));"),
              "1: error 9: a RECT object has no member 'x'\n");
    EXPECT_EQ(s.Run("function sx(o, v) { o.x = v; return o; }\n"
                    "print(sx(new POINT3(1, 2, 3), 7.5), sx(new POINT3(), [1]), gx(sx(new POINT3(), 2)));"),
              "POINT3(7.5, 2, 3) POINT3([1], 0, 0) 2\n");
    EXPECT_EQ(s.Run("function counts() {\n"
                    "  r = []; n = 5;\n"
                    "  for (i = 0; i < n; i += 2) { if (i == 2) { n = 9; continue; } r->Add(i); }\n"
                    "  for (j = 10; j > 7; j -= 1) r->Add(j);\n"
                    "  for (x = 0.5; x != 2; x += 0.5) r->Add(x);\n"
                    "  for (q = 1; q <= 2; q += 1) r->Add(q);\n"
                    "  for (k = 0; k < 3; k += 1) { if (k == 1) break; r->Add(\"k\" + k); }\n"
                    "  for (m = 5; m < 3; m += 1) r->Add(\"never\");\n"
                    "  return [r, i, j, x, k, m];\n}\nprint(counts());"),
              "[[0, 4, 6, 8, 10, 9, 8, 0.5, 1, 1.5, 1, 2, k0], 10, 7, 2, 1, 5]\n")
        << "counting loops: their step and test as one";
    std::string wide = "v = [0";
    for (int i = 0; i < 70000; i++) wide += ", 0";
    EXPECT_EQ(s.Run(wide + "];"),
              "1: error 12: the script is too large to run: a function needs more than 65535 registers\n");
}

TEST(Interp, ElementAndMemberPlaces) {
    Script s;
    EXPECT_EQ(s.Run("pts = [[0, 0, 0], [1, 0, 0], [0, 1, 0]];\n"
                    "for (i = 0; i < 3; i = i + 1) { pts[i][2] = -i; }\n"
                    "m = [[1, 2], [3, 4]]; m[1][0] = m[0][1] * 10; m[0][0] += 5;\n"
                    "v = [new POINT3(0, 0, 0)]; v[0].x = 5; v[0].y += 2;\n"
                    "r = new Matrix(2, 2); r[1][0] = 7;\n"
                    "print(pts, m, v, r[1]);"),
              "[[0, 0, 0], [1, 0, -1], [0, 1, -2]] [[6, 2], [20, 4]] [POINT3(5, 2, 0)] [7, 0]\n");
    EXPECT_EQ(s.Run("v = [1, 2];\nx = v[2];"), "2: error 11: index 2 is outside the vector of 2 elements\n");
    EXPECT_EQ(s.Run("p = new POINT3(); p[0] = 1;").substr(0, 49), "1: error 77: element access on a value that has n");
    EXPECT_EQ(s.Run("x = [1][\"0\"];"), "1: error 4: an index must be a number, not a string\n");
    EXPECT_EQ(s.Run("t = \"abc\"; t[0] = 65;"),
              "1: error 4: a string cannot be changed in place; make a new one (s + \"...\")\n");
    EXPECT_EQ(s.Run("print(\"ab\"[2]);"), "1: error 11: index 2 is outside the string of 2 bytes\n");
    // NaN, the infinities and numbers beyond a long pick no element, whether
    // read or written (a NaN once picked element 0).
    EXPECT_EQ(s.Run("v = [1, 2];\nv[sqrt(-1)] = 9;"), "2: error 11: index nan is outside the vector of 2 elements\n");
    EXPECT_EQ(s.Run("v[pow(10, 400)] += 1;"), "1: error 11: index inf is outside the vector of 2 elements\n");
    EXPECT_EQ(s.Run("print(v, v[1.9]);"), "[1, 2] 2\n") << "a fraction is cut toward zero";
    EXPECT_EQ(s.Run("d = new MBmp(2, 2)->GetDIBits(); d[1] = 300; d[2] = -1; print(d, len(d), d[0], d[1], d[2]);"
                    "d[12] = 0;"),
              "<data 12 bytes> 12 0 44 255\n1: error 11: index 12 is outside the data block of 12 bytes\n");
}

TEST(Interp, SharedVectorsAndObjectsCopiedNumbers) {
    Script s;
    EXPECT_EQ(s.Run("a = [1, 2]; b = a; b[0] = 9; c = [a, a]; c[1][1] = 7;\n"
                    "function set(v) { v[0] = \"x\"; v->Add(3); }\nset(a);\n"
                    "x = 1; y = x; y += 1; d = 1.5; e = d; e += 1; s = \"s\"; t = s; t += \"!\";\n"
                    "p = new POINT3(1, 2, 3); q = p; q.z = 9;\n"
                    "print(a, b == a, c, x, d, s, t, p.z);"),
              "[x, 7, 3] true [[x, 7, 3], [x, 7, 3]] 1 1.5 s s! 9\n");
}

TEST(Interp, DestructorRowsRunOnceWhenTheLastReferenceGoes) {
    Script s;
    destroyed = 0;
    EXPECT_EQ(s.Run("for (i = 0; i < 100; i = i + 1) { c = new Counted(); }"), "");
    EXPECT_EQ(destroyed, 99) << "each assignment drops the previous object";
    s.Run("c = null;");
    EXPECT_EQ(destroyed, 100);
    s.Run("new Counted();");
    EXPECT_EQ(destroyed, 101) << "a temporary dies with its statement";
    s.Run("v = [new Counted()]; w = v; v = null;");
    EXPECT_EQ(destroyed, 101);
    s.Run("w = 0;");
    EXPECT_EQ(destroyed, 102);
    s.Run("function f() { l = new Counted(); return 0; } f();");
    EXPECT_EQ(destroyed, 103) << "a local dies when its function returns";
    s.Run("function g() { return new Counted(); } k = g();");
    EXPECT_EQ(destroyed, 103) << "a returned object lives on";
    s.Run("try { x = [new Counted(), 1 / 0]; } catch (e) { }");
    EXPECT_EQ(destroyed, 104) << "unwinding drops the temporaries";
    s.Run("function h() { l = new Counted(); x = 1 / 0; } h();");
    EXPECT_EQ(destroyed, 105) << "and the locals of the functions it leaves";
    s.Run("function one(a) { l = 1; return a; } x = one(len([new Counted()]));");
    EXPECT_EQ(destroyed, 106) << "a call whose locals cover what a builtin's argument left behind";
    s.Run("p = new Counted(); q = [p, p, [p]];");
    EXPECT_EQ(s.interp.ClearGlobals().size(), 0u);
    EXPECT_EQ(destroyed, 108) << "globals go when cleared: k and the one p, once";
}

TEST(Interp, ErrorsComeInOrderWithTheirLine) {
    Script s;
    EXPECT_EQ(s.Run("a = 1;\nprint(a);\n\nb = [1,\n  2,\n  zz];\n"), "1\n4: error 3: name 'zz' is not defined\n")
        << "the line of the statement that raised it";
    EXPECT_EQ(s.Run("try { x = [new Noisy(), 1 / 0]; } catch (e) { print(e); }"),
              "[[10, , division by zero], [18, noisy goes, noisy goes]]\n") << "errors in the order they were raised, unwinding included";
    EXPECT_EQ(s.Run("n = new Noisy();\nn = 0;\nprint(\"after\");"), "2: error 18: noisy goes\n")
        << "an error a destructor row reports stops the script where the object went";
    EXPECT_EQ(s.Run("n = new Noisy();\nprint(1);"), "1\n");
    std::vector<vesk::ErrorEntry> late = s.interp.ClearGlobals();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].line, 0) << "clearing the globals belongs to no line";
    EXPECT_EQ(late[0].message, "noisy goes");
    EXPECT_EQ(s.Run("function g() { try { return 5; } catch (e) { } return 6; } print(g());"
                    "for (i = 0; i < 3; i += 1) { try { if (i == 1) break; } catch (e) { } } print(i);"),
              "5\n1\n") << "return and break leave a try block";
}

// Function text run on matrices: Look's inverse times Full, a product whose
// known value also tells the order of the operands.
TEST(Interp, RunFunctionRunsFunctionText) {
    Script s;
    Variable fn(VT_FUNCTION, "param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;");
    Variable look = s.h.New("Matrix", {Int(4), Int(4)}), full = s.h.New("Matrix", {Int(4), Int(4)});
    const double lookRows[4][4] = {{2, 0, 0, 1}, {0, 4, 0, 0}, {0, 0, 0.5, 0}, {0, 0, 0, 1}};
    const double lookInverse[4][4] = {{0.5, 0, 0, -0.5}, {0, 0.25, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}};
    for (int i = 0; i < 16; i++) {
        look[i / 4][i % 4] = lookRows[i / 4][i % 4];
        full[i / 4][i % 4] = static_cast<double>(i + 1);
    }
    for (int round = 0; round < 2; round++) {  // the second call uses the compiled form
        VarRegister args[2], result;
        args[0].isRef = 1;
        args[0].ref = &full;
        args[1].value = look;
        ASSERT_EQ(s.h.processor.RunFunction(&result, fn, args, 2), 1);
        EXPECT_TRUE(s.h.Errors().empty());
        Variable& product = *result.designated();
        ASSERT_EQ(vesk::KindName(product), "Matrix object");
        for (int i = 0; i < 16; i++) {
            double want = 0;
            for (int k = 0; k < 4; k++) want += lookInverse[i / 4][k] * (k * 4 + i % 4 + 1);
            EXPECT_NEAR(product[i / 4][i % 4].GetDoubleNumb(), want, 1e-12) << "row " << i / 4 << ", column " << i % 4;
        }
    }
    VarRegister one[1], result;
    one[0].value = look;
    EXPECT_EQ(s.h.processor.RunFunction(&result, fn, one, 1), 0);
    EXPECT_EQ(s.h.TakeErrors().at(0).message, "the function text takes 2 arguments, 1 was given");
    Variable bad(VT_FUNCTION, "param a;\nreturn a +;");
    EXPECT_EQ(s.h.processor.RunFunction(&result, bad, one, 1), 0);
    EXPECT_EQ(s.h.TakeErrors().at(0).message, "in function text at 2:11: expected expression, found ';'");

    // A script's own function value, its result written through a reference.
    s.Run("function add(a, b) { return a + b; }");
    Variable target;
    VarRegister two[2], into;
    two[0].value = 2;
    two[1].value = 3.5;
    into.isRef = 1;
    into.ref = &target;
    EXPECT_EQ(s.h.processor.RunFunction(&into, *s.interp.Global("add"), two, 2), 1);
    EXPECT_EQ(vesk::Format(target), "5.5");
}

TEST(Interp, OperatorRowsOfTheLeftOperandsClass) {
    Script s;
    EXPECT_EQ(s.Run("c = new OglColor(0.25, 0.5, 0.125, 1); d = c; e = c * 2; c *= 2;\n"
                    "print(e->GetRed(), d->GetRed(), c == d, c == e);\n"
                    "m = new Matrix(2, 2); m->SetIdentity(); n = m; m *= 3; print(m[0][0], n[0][0], m == n);\n"
                    "p = new Matrix(1, 2); p[0][0] = 1; p[0][1] = 2; q = p * m; print(q[0]);"),
              "0.5 0.5 true false\n3 1 false\n[3, 6]\n");
    EXPECT_EQ(s.Run("c = new OglColor(); x = c + 1;").substr(0, 34), "1: error 4: cannot add an OglColor");
    EXPECT_EQ(s.Run("m = new Matrix(2, 2); x = m * \"a\";").substr(0, 29), "1: error 5: Matrix::* has no ");
}

}  // namespace
