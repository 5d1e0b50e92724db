// The interpreter: evaluation order and precedence, integer and double
// arithmetic, short-circuits, scopes, recursion and its limit, element and
// member places, aliasing, reference counting, try/catch, syntax errors and
// Processor::RunFunction on function text.
#include <time.h>

#include <chrono>
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "host/arith.h"
#include "tests/support/harness.h"
#include "vesk/interp.h"

namespace {

// A host class whose destructor row counts its runs.
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
// A host class whose destructor row reports an error.
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

    Harness h;
    vesk::Interpreter interp;
    std::string out;
};

TEST(Interp, PrecedenceAndAssociativityAsEvaluated) {
    Script s;
    EXPECT_EQ(s.Run("print(1 + 2 * 3, (1 + 2) * 3, 10 - 4 - 3, 100 / 10 / 5, 2 * 3 % 4, 2 + 3 * 4 - 6 / 2);"),
              "7 9 3 2 2 11\n");
    EXPECT_EQ(s.Run("print(1 | 2 ^ 3 & 1, 1 << 2 + 1, 8 >> 1 + 1, -2 * -3, 5 - -3, -2 - 3);"), "3 8 2 6 8 -5\n");
    EXPECT_EQ(s.Run("print(!1 == false, 1 < 2 == true, 1 + 2 < 4, 1 || 0 && 0, !(1 && 0), 7 - 2 - 1 == 4);"),
              "true true true true true true\n");
    EXPECT_EQ(s.Run("v = [[1, 2], [3, [4, 5]]]; print(v[1][1][0] * 2 + -v[0][1]);"), "6\n");
    EXPECT_EQ(s.Run("m = new Matrix(2, 2); m->SetIdentity(); print((m * 3)[1][1], m->Inverse()->Rows());"),
              "3 2\n");
}

TEST(Interp, IntegersDoublesAndBytes) {
    Script s;
    EXPECT_EQ(s.Run("a = 7 / 2; b = 7 / 2.0; c = 2147483647 + 1; d = -2147483648 - 1; e = 65536 * 65536;"
                    "f = 7 % -3; g = -7 / 2; h = 1 + 2.5; i = 3 * 1.0; j = -(-2147483648); k = 1e3;"),
              "");
    EXPECT_EQ(s.Typed("a"), "integer 3");
    EXPECT_EQ(s.Typed("b"), "double 3.5");
    EXPECT_EQ(s.Typed("c"), "integer -2147483648");
    EXPECT_EQ(s.Typed("d"), "integer 2147483647");
    EXPECT_EQ(s.Typed("e"), "integer 0");
    EXPECT_EQ(s.Typed("f"), "integer 1");
    EXPECT_EQ(s.Typed("g"), "integer -3");
    EXPECT_EQ(s.Typed("h"), "double 3.5");
    EXPECT_EQ(s.Typed("i"), "double 3");
    EXPECT_EQ(s.Typed("j"), "integer -2147483648");
    EXPECT_EQ(s.Typed("k"), "double 1000");

    Variable b200, b100;
    b200.type = b100.type = VT_BYTE;
    b200.data.i = 200;
    b100.data.i = 100;
    s.interp.SetGlobal("x", b200);
    s.interp.SetGlobal("y", b100);
    s.interp.SetGlobal("f", Flt(1.5f));
    EXPECT_EQ(s.Run("p = x + y; q = x * 2; r = -x; t = ~x; u = x << 1; w = f + 1; z = f + 0.25; n = ~-1;"), "");
    EXPECT_EQ(s.Typed("p"), "byte 44");
    EXPECT_EQ(s.Typed("q"), "integer 400");
    EXPECT_EQ(s.Typed("r"), "integer -200");
    EXPECT_EQ(s.Typed("t"), "byte 55");
    EXPECT_EQ(s.Typed("u"), "integer 400");
    EXPECT_EQ(s.Typed("w"), "float 2.5");
    EXPECT_EQ(s.Typed("z"), "double 1.75");
    EXPECT_EQ(s.Typed("n"), "integer 0");
    EXPECT_EQ(s.Run("print(1 << 33, -8 >> 1, 1 << 31, 5 / 0.5, 0.5 % 0.25, 3 == 3.0, 2 < 2.5);"),
              "2 -4 -2147483648 10 0 true true\n");
}

// Integers and doubles take the interpreter's direct path; every result must
// equal the host's general arithmetic, errors included.
TEST(Interp, DirectArithmeticAgreesWithTheHost) {
    Script s;
    std::vector<Variable> values = {Int(0), Int(1), Int(-1), Int(7), Int(-7), Int(INT_MAX), Int(INT_MIN),
                                    Num(0.0), Num(2.5), Num(-0.5), Num(1e300), Num(-3.0)};
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

TEST(Interp, ComparisonsAndUnaryOperators) {
    Script s;
    EXPECT_EQ(s.Run("print(\"abc\" < \"abd\", \"b\" > \"abc\", \"a\" <= \"a\", \"a\" >= \"b\", \"x\" == \"x\", "
                    "\"x\" != \"x\", \"\\xff\" > \"a\");"),
              "true true true false true false true\n");
    EXPECT_EQ(s.Run("v = [1]; w = v; print(v == w, v == [1], null == null, 1 == \"1\", 0 == false, !\"\", !v);"),
              "true false true false false true false\n");
    EXPECT_EQ(s.Run("x = [1] < [2];"),
              "1: error 4: cannot compare a vector with a vector by < (only numbers with numbers, strings with "
              "strings)\n");
    EXPECT_EQ(s.Run("x = 1 < \"2\";").substr(0, 39), "1: error 4: cannot compare an integer w");
    EXPECT_EQ(s.Run("x = 1.5 << 1;"), "1: error 4: cannot shift a double by an integer (shifts need integers)\n");
    EXPECT_EQ(s.Run("x = -\"a\";"), "1: error 4: cannot negate a string (- needs a number)\n");
    EXPECT_EQ(s.Run("x = ~1.0;"), "1: error 4: cannot complement a double (~ needs an integer)\n");
    EXPECT_EQ(s.Run("x = [1] + 1;").substr(0, 30), "1: error 4: cannot add a vecto");
    EXPECT_EQ(s.Run("print(\"frame\" + 7 + \".png\", 1 + \"x\", -0.0 == 0);"), "frame7.png 1x true\n");
}

TEST(Interp, AndOrShortCircuitAndGiveBooleans) {
    Script s;
    EXPECT_EQ(s.Run("function boom() { return 1 / 0; }\n"
                    "a = 0 && boom(); b = 1 || boom(); c = 1 && 2; d = 0 || \"\"; e = null || [0];"),
              "");
    EXPECT_EQ(s.Typed("a"), "boolean false");
    EXPECT_EQ(s.Typed("b"), "boolean true");
    EXPECT_EQ(s.Typed("c"), "boolean true");
    EXPECT_EQ(s.Typed("d"), "boolean false");
    EXPECT_EQ(s.Typed("e"), "boolean true");
    EXPECT_EQ(s.Run("f = 1 && boom();"), "1: error 10: division by zero\n") << "boom does fail when called";
    EXPECT_EQ(s.Run("if (0 && undefinedName) print(1); else print(2);"), "2\n");
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
    EXPECT_EQ(s.Run("function mk() { tmp = 1; for (j = 0; j < 2; j += 1) { } } mk();\nprint(tmp);"),
              "2: error 3: name 'tmp' is not defined\n");
    EXPECT_EQ(s.Run("print(j);"), "1: error 3: name 'j' is not defined\n");
    EXPECT_EQ(s.Run("function outer() { function inner() { return 7; } return inner(); }\n"
                    "print(outer());\nprint(inner());"),
              "7\n3: error 3: name 'inner' is not defined\n");
    EXPECT_EQ(s.Run("function two(a, b) { return a; }\ntwo(1);"),
              "2: error 7: two() takes 2 arguments, 1 was given\n");
    EXPECT_EQ(s.Run("x = 5; x(1);"), "1: error 4: cannot call an integer (only functions can be called)\n");
    EXPECT_EQ(s.Run("print(sin(0), cos(0), floor(-1.5), pow(2, 10), atan2(0, 1), abs(-7), abs(-2.5), tan(0));"),
              "0 1 -2 1024 0 7 2.5 0\n");
    EXPECT_EQ(s.Run("print(int(\" 42 \"), int(-3.9), int(1e20), int(-1e20), float(2), float(\"0.5\"), str(1.5) + \"!\");"),
              "42 -3 2147483647 -2147483648 2 0.5 1.5!\n");
    EXPECT_EQ(s.Typed("argv"), "vector []");
    EXPECT_EQ(s.Run("x = int(\"12abc\");"), "1: error 4: int(): \"12abc\" is not a number\n");
    EXPECT_EQ(s.Run("x = len(3);"),
              "1: error 4: len() of an integer: only vectors, strings and data blocks have a length\n");
    EXPECT_EQ(s.Run("x = sqrt(\"4\");"), "1: error 4: sqrt(): the argument must be a number, not a string\n");
    EXPECT_EQ(s.Run("x = pow(1);"), "1: error 7: pow() takes 2 arguments, 1 was given\n");
    EXPECT_EQ(s.Run("function len(x) { return 42; } print(len([1]), sqrt(4)); q = sqrt; print(q(9), q);"),
              "42 2\n3 <function sqrt>\n") << "a global shadows a builtin";
    auto seconds = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    double before = seconds();
    s.Run("t = clock();");
    double after = seconds();
    Variable* t = s.interp.Global("t");
    EXPECT_TRUE(t && t->type == VT_DOUBLE && before <= t->GetDoubleNumb() && t->GetDoubleNumb() <= after)
        << "clock() is the monotonic clock in seconds, as a double";
    auto cpuSeconds = [] {
        timespec c{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
        return static_cast<double>(c.tv_sec) + c.tv_nsec / 1e9;
    };
    before = cpuSeconds();
    s.Run("c = cpuclock();");
    after = cpuSeconds();
    Variable* c = s.interp.Global("c");
    EXPECT_TRUE(c && c->type == VT_DOUBLE && before <= c->GetDoubleNumb() && c->GetDoubleNumb() <= after)
        << "cpuclock() is the process's processor time in seconds, as a double";
}

TEST(Interp, RecursionAndTheDepthLimit) {
    Script s;
    EXPECT_EQ(s.Run("function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }\n"
                    "function fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
                    "print(fact(12), fib(20));"),
              "479001600 6765\n");
    std::string deep, limit, after;
    ASSERT_TRUE(vesk::RunWithLargeStack(vesk::kScriptStackBytes, [&] {
        deep = s.Run("function d(n) { if (n == 0) return 0; return 1 + d(n - 1); }\nprint(d(999));");
        limit = s.Run("function down(n) {\n  return down(n + 1);\n}\ndown(0);");
        after = s.Run("try { down(0); } catch (e) { print(e[0][0]); }\nprint(d(10));");
    }));
    // On a small stack the stack runs out before the call count does.
    std::string nested = "wide(n + 1)";
    for (int i = 0; i < 100; i++) nested = "(1 + " + nested + ")";
    std::string small;
    ASSERT_TRUE(vesk::RunWithLargeStack(4u << 20, [&] {
        small = s.Run("function wide(n) { return " + nested + "; }\nwide(0);");
    }));
    EXPECT_EQ(small.substr(0, 38), "1: error 13: calls nested too deeply (") << small;
    EXPECT_LT(std::stoi(small.substr(38)), 1000) << small;
    EXPECT_EQ(deep, "999\n");
    EXPECT_EQ(limit, "2: error 13: calls nested too deeply (1000 script calls in progress)\n");
    EXPECT_EQ(after, "13\n10\n") << "the depth is back to zero after unwinding";

    s.interp.SetStepLimit(1000);
    EXPECT_EQ(s.Run("n = 0;\nwhile (true) { n += 1; }"), "2: error 12: the script ran more than 1000 statements\n");
    s.interp.SetStepLimit(1000);
    EXPECT_EQ(s.Run("for (i = 0; i < 100; i += 1) { }\nprint(i);"), "100\n") << "a budget that is not spent";
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
    EXPECT_EQ(s.Run("v = [1, 2];\nv[2] = 3;"), "2: error 11: index 2 is outside the vector of 2 elements\n");
    EXPECT_EQ(s.Run("p = new POINT3(); p[0] = 1;").substr(0, 49), "1: error 77: element access on a value that has n");
    EXPECT_EQ(s.Run("p = new POINT3(); p.w = 1;"), "1: error 9: a POINT3 object has no member 'w'\n");
    EXPECT_EQ(s.Run("x = [1][\"0\"];"), "1: error 4: an index must be a number, not a string\n");
    EXPECT_EQ(s.Run("t = \"abc\"; print(t[0], t[2], len(t)); t[0] = 65;"),
              "97 99 3\n1: error 4: a string cannot be changed in place; make a new one (s + \"...\")\n");
    EXPECT_EQ(s.Run("print(\"ab\"[2]);"), "1: error 11: index 2 is outside the string of 2 bytes\n");
    EXPECT_EQ(s.Run("d = new MBmp(2, 2)->GetDIBits(); d[1] = 300; d[2] = -1; print(d, len(d), d[0], d[1], d[2]);"
                    "d[12] = 0;"),
              "<data 12 bytes> 12 0 44 255\n1: error 11: index 12 is outside the data block of 12 bytes\n");
    EXPECT_EQ(s.Run("p = new POINT3(1, 2, 3);\nq = p;\nq.z = 9;\nprint(p.z);"), "9\n");
}

TEST(Interp, SharedVectorsAndCopiedNumbers) {
    Script s;
    EXPECT_EQ(s.Run("a = [1, 2]; b = a; b[0] = 9; c = [a, a]; c[1][1] = 7;\n"
                    "function set(v) { v[0] = \"x\"; v->Add(3); }\nset(a);\n"
                    "x = 1; y = x; y += 1; d = 1.5; e = d; e += 1; s = \"s\"; t = s; t += \"!\";\n"
                    "print(a, b == a, c, x, d, s, t);"),
              "[x, 7, 3] true [[x, 7, 3], [x, 7, 3]] 1 1.5 s s!\n");
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
    s.Run("p = new Counted(); q = [p, p, [p]];");
    EXPECT_EQ(s.interp.ClearGlobals().size(), 0u);
    EXPECT_EQ(destroyed, 107) << "globals go when cleared: k and the one p, once";
    // A module object dropped in a loop: its colour never leaks into the next.
    EXPECT_EQ(s.Run("for (i = 0; i < 1000; i += 1) { c = new OglColor(i, 0, 0, 1); c *= 2; d = c * 0.5; }"
                    "print(c->GetRed(), d->GetRed());"),
              "1998 999\n");
}

TEST(Interp, TryCatchGivesTheErrorsInOrder) {
    Script s;
    EXPECT_EQ(s.Run("try { x = 1 / 0; y = 2; } catch (e) { print(e, len(e)); }\nprint(y);"),
              "[[10, ]] 1\n2: error 3: name 'y' is not defined\n");
    EXPECT_EQ(s.Run("c = new OglColor();\n"
                    "try { c->SetColor(\"a\", 1, 2, 3); } catch (e) { print(e[0][0]); print(e[0][1]); }"),
              "6\nOglColor::SetColor: argument 1 must be a number, not a string\n");
    EXPECT_EQ(s.Run("gl = new VOpenGL();\ntry { gl->BindMDC(new MDC(4, 4)); } catch (e) { print(e); }"),
              "[[1001, ]]\n");
    EXPECT_EQ(s.Run("function f(n) { if (n == 0) return 1 / 0; return f(n - 1); }\n"
                    "try { try { f(3); } catch (inner) { print(\"inner\", inner); x = undefinedName; } }\n"
                    "catch (outer) { print(\"outer\", outer); }\nprint(f(1));"),
              "inner [[10, ]]\nouter [[3, name 'undefinedName' is not defined]]\n"
              "1: error 10: division by zero\n");
    EXPECT_EQ(s.Run("try { x = [new Noisy(), 1 / 0]; } catch (e) { print(e); }"),
              "[[10, ], [18, noisy goes]]\n") << "errors in the order they were raised, unwinding included";
    EXPECT_EQ(s.Run("n = new Noisy();\nn = 0;\nprint(\"after\");"), "2: error 18: noisy goes\n")
        << "an error a destructor row reports stops the script where the object went";
    EXPECT_EQ(s.Run("n = new Noisy();\nprint(1);"), "1\n");
    std::vector<vesk::ErrorEntry> late = s.interp.ClearGlobals();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].line, 0) << "clearing the globals belongs to no line";
    EXPECT_EQ(late[0].message, "noisy goes");
    EXPECT_EQ(s.Run("function g() { try { return 5; } catch (e) { } return 6; } print(g());"
                    "for (i = 0; i < 3; i += 1) { try { if (i == 1) break; } catch (e) { } } print(i);"),
              "5\n1\n");
}

TEST(Interp, ErrorsCarryTheirLineAndSyntaxErrorsTheirColumn) {
    Script s;
    EXPECT_EQ(s.Run("a = 1;\nprint(a);\n\nb = [1,\n  2,\n  zz];\n"), "1\n4: error 3: name 'zz' is not defined\n");
    EXPECT_EQ(s.Run("function f() {\n  return 1 / 0;\n}\nx = 1 +\n  f();"), "2: error 10: division by zero\n");
    EXPECT_EQ(s.Run("print(1);\ny = (2;"), "2:7: syntax: expected ')' to close '(' at 2:5, found ';'");
    EXPECT_EQ(s.out, "") << "nothing runs when the script does not parse";
    EXPECT_EQ(s.Run("x = 1;\n  if (x) { y = 2 }"), "2:18: syntax: expected ';' after assignment, found '}'");
}

// Matrices a, b with a known product: Look's inverse times Full.
TEST(Interp, RunFunctionRunsFunctionTextOnMatrices) {
    Script s;
    Variable fn(VT_FUNCTION, "param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;");
    Variable look = s.h.New("Matrix", {Int(4), Int(4)});
    Variable full = s.h.New("Matrix", {Int(4), Int(4)});
    const double lookRows[4][4] = {{2, 0, 0, 1}, {0, 4, 0, 0}, {0, 0, 0.5, 0}, {0, 0, 0, 1}};
    const double lookInverse[4][4] = {{0.5, 0, 0, -0.5}, {0, 0.25, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}};
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) {
            look[r][c] = lookRows[r][c];
            full[r][c] = static_cast<double>(r * 4 + c + 1);
        }
    for (int round = 0; round < 2; round++) {  // the second call uses the compiled form
        VarRegister args[2], result;
        args[0].isRef = 1;
        args[0].ref = &full;
        args[1].value = look;
        EXPECT_EQ(s.h.processor.RunFunction(&result, fn, args, 2), 1);
        EXPECT_TRUE(s.h.Errors().empty());
        Variable& product = *result.designated();
        ASSERT_EQ(vesk::KindName(product), "Matrix object");
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++) {
                double want = 0;
                for (int k = 0; k < 4; k++) want += lookInverse[r][k] * (k * 4 + c + 1);
                EXPECT_NEAR(product[r][c].GetDoubleNumb(), want, 1e-12) << r << "," << c;
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
