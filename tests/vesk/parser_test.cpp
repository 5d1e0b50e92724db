// Tests of the script syntax: trees the parser builds (as S-expressions),
// literal values, names, positions, error messages, limits and robustness.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "vesk/parser.h"

namespace vesk {
namespace {

// The whole tree of a script, or "error L:C: message".
std::string Tree(std::string_view source) {
    ParseResult result = ParseScript(source);
    return result ? ToSExpr(result.tree->Root()) : "error " + result.error.ToString();
}

// The tree of one expression, parsed as the statement "e;".
std::string Expr(const std::string& expr) {
    ParseResult result = ParseScript(expr + ";");
    if (!result) return "error " + result.error.ToString();
    const Node* root = result.tree->Root();
    if (root->count != 1 || root->kids[0]->kind != NodeKind::ExprStmt) return "not one expression statement";
    return ToSExpr(root->kids[0]->kids[0]);
}

// "L:C: message" of a source that must not parse.
std::string Error(std::string_view source, bool functionText = false) {
    ParseResult result = functionText ? ParseFunctionText(source) : ParseScript(source);
    return result ? "parsed: " + ToSExpr(result.tree->Root()) : result.error.ToString();
}

// The first statement's value, for literal checks: "x = <literal>;"
const Node* Literal(const ParseResult& result) {
    return result ? result.tree->Root()->kids[0]->kids[1] : nullptr;
}

std::string Repeat(std::string_view unit, size_t times) {
    std::string out;
    out.reserve(unit.size() * times);
    for (size_t i = 0; i < times; ++i) out += unit;
    return out;
}

TEST(Syntax, PrecedenceAndAssociativityAtEveryLevel) {
    EXPECT_EQ(Expr("1 - 2 - 3"), "(- (- 1 2) 3)");
    EXPECT_EQ(Expr("a / b / c"), "(/ (/ a b) c)");
    EXPECT_EQ(Expr("a >> b >> c"), "(>> (>> a b) c)");
    EXPECT_EQ(Expr("a || b || c"), "(|| (|| a b) c)");
    EXPECT_EQ(Expr("a || b && c"), "(|| a (&& b c))");
    EXPECT_EQ(Expr("a && b || c"), "(|| (&& a b) c)");
    EXPECT_EQ(Expr("a && b | c"), "(&& a (| b c))");
    EXPECT_EQ(Expr("a | b ^ c & d"), "(| a (^ b (& c d)))");
    EXPECT_EQ(Expr("a & b ^ c | d"), "(| (^ (& a b) c) d)");
    EXPECT_EQ(Expr("a & b == c"), "(& a (== b c))");
    EXPECT_EQ(Expr("a == b != c"), "(!= (== a b) c)");
    EXPECT_EQ(Expr("a < b == c"), "(== (< a b) c)");
    EXPECT_EQ(Expr("a <= b > c >= d"), "(>= (> (<= a b) c) d)");
    EXPECT_EQ(Expr("a << b < c"), "(< (<< a b) c)");
    EXPECT_EQ(Expr("1 << 2 + 3"), "(<< 1 (+ 2 3))");
    EXPECT_EQ(Expr("a + b * c % d - e"), "(- (+ a (% (* b c) d)) e)");
    EXPECT_EQ(Expr("-a * b"), "(* (- a) b)");
    EXPECT_EQ(Expr("!a && ~b"), "(&& (! a) (~ b))");
    EXPECT_EQ(Expr("- -x"), "(- (- x))");
    EXPECT_EQ(Expr("!!x"), "(! (! x))");
    EXPECT_EQ(Expr("-!~x"), "(- (! (~ x)))");
    EXPECT_EQ(Expr("-x[i]"), "(- (index x i))");
    EXPECT_EQ(Expr("-p.x"), "(- (. p x))");
    EXPECT_EQ(Expr("(a + b) * c"), "(* (+ a b) c)");
    EXPECT_EQ(Expr("a - (b - c)"), "(- a (- b c))");
    EXPECT_EQ(Expr("a == b"), "(== a b)");

    // && and || are their own kinds (they short-circuit), not Binary.
    ParseResult result = ParseScript("a && b || c;");
    ASSERT_TRUE(result);
    const Node* orNode = result.tree->Root()->kids[0]->kids[0];
    EXPECT_EQ(orNode->kind, NodeKind::Or);
    EXPECT_EQ(orNode->kids[0]->kind, NodeKind::And);
}

TEST(Syntax, PostfixChains) {
    EXPECT_EQ(Expr("m->GetSpecular(true)->GetRed()"), "(call (-> (call (-> m GetSpecular) true) GetRed))");
    EXPECT_EQ(Expr("v[i][j].x"), "(. (index (index v i) j) x)");
    EXPECT_EQ(Expr("obj->Sphere(0, 0, 0, 5)"), "(call (-> obj Sphere) 0 0 0 5)");
    EXPECT_EQ(Expr("f(1)(2)"), "(call (call f 1) 2)");
    EXPECT_EQ(Expr("(f)(x, y)"), "(call f x y)");
    EXPECT_EQ(Expr("a.b->c(d)[e].f"), "(. (index (call (-> (. a b) c) d) e) f)");
    EXPECT_EQ(Expr("new POINT3(1, 2, 3).x"), "(. (new POINT3 1 2 3) x)");
    EXPECT_EQ(Expr("new C()->M(new D())"), "(call (-> (new C) M) (new D))");
    EXPECT_EQ(Expr("f(g(x), [1, [2]], -y)"), "(call f (call g x) [1 [2]] (- y))");
    EXPECT_EQ(Expr("[]"), "[]");
}

TEST(Syntax, AssignmentTargetsAndCompoundAssignment) {
    EXPECT_EQ(Tree("x = 1;"), "(block (= x 1))");
    EXPECT_EQ(Tree("v[i] = e;"), "(block (= (index v i) e))");
    EXPECT_EQ(Tree("pts[i][2] = -i;"), "(block (= (index (index pts i) 2) (- i)))");
    EXPECT_EQ(Tree("p.x = e;"), "(block (= (. p x) e))");
    EXPECT_EQ(Tree("v[i].x = e;"), "(block (= (. (index v i) x) e))");
    EXPECT_EQ(Tree("(a) = 1;"), "(block (= a 1))");
    EXPECT_EQ(Tree("c *= 2; a += 1; a -= b; m[r][c] /= 2; p.x %= 3;"),
              "(block (*= c 2) (+= a 1) (-= a b) (/= (index (index m r) c) 2) (%= (. p x) 3))");

    // Compound assignment stays its own node: objects may have a "*=" method.
    ParseResult result = ParseScript("c *= 2;");
    ASSERT_TRUE(result);
    const Node* node = result.tree->Root()->kids[0];
    EXPECT_EQ(node->kind, NodeKind::CompoundAssign);
    EXPECT_EQ(node->op, Op::Mul);

    const std::string rule = " must be a name, an element v[i] or a member p.x";
    EXPECT_EQ(Error("f() = 1;"), "1:1: cannot assign to the result of a call: the left side of '='" + rule);
    EXPECT_EQ(Error("o->M() += 1;"), "1:1: cannot assign to the result of a call: the left side of '+='" + rule);
    EXPECT_EQ(Error("  1 = 2;"), "1:3: cannot assign to a literal: the left side of '='" + rule);
    EXPECT_EQ(Error("x;\na + b = c;"), "2:1: cannot assign to the result of an operator: the left side of '='" + rule);
    EXPECT_EQ(Error("-a *= 2;"), "1:1: cannot assign to the result of an operator: the left side of '*='" + rule);
    EXPECT_EQ(Error("[a] = 1;"), "1:1: cannot assign to a vector literal: the left side of '='" + rule);
    EXPECT_EQ(Error("new C() = 1;"), "1:1: cannot assign to a new object: the left side of '='" + rule);
    // Assignment is a statement: it neither chains nor serves as a value.
    const std::string hint = " (assignment is a statement and gives no value; to compare, use '==')";
    EXPECT_EQ(Error("a = b = c;"), "1:7: expected ';' after assignment, found '='" + hint);
    EXPECT_EQ(Error("if (a = 1) x;"), "1:7: expected ')' to close '(' at 1:4, found '='" + hint);
    EXPECT_EQ(Error("f(a += 1);"), "1:5: expected ')' to close '(' at 1:2, found '+=' (assignment is a statement "
                                    "and gives no value)");
}

TEST(Syntax, Statements) {
    EXPECT_EQ(Tree("if (a) x; else y;"), "(block (if a (expr x) (expr y)))");
    EXPECT_EQ(Tree("if (a) if (b) x; else y;"), "(block (if a (if b (expr x) (expr y)) _))");
    EXPECT_EQ(Tree("if (a == 1) { } else if (b) ; else { z = 1; }"),
              "(block (if (== a 1) (block) (if b (empty) (block (= z 1)))))");
    EXPECT_EQ(Tree("while (i < n) i += 1;"), "(block (while (< i n) (+= i 1)))");
    EXPECT_EQ(Tree("for (;;) break;"), "(block (for _ _ _ (break)))");
    EXPECT_EQ(Tree("for (i = 0; i < 3; i += 1) { continue; }"),
              "(block (for (= i 0) (< i 3) (+= i 1) (block (continue))))");
    EXPECT_EQ(Tree("for (f(); ; g()) ;"), "(block (for (expr (call f)) _ (expr (call g)) (empty)))");
    EXPECT_EQ(Tree("function f() { }"), "(block (function f () (block)))");
    EXPECT_EQ(Tree("function f(a, b) { return a; return; }"),
              "(block (function f (a b) (block (return a) (return _))))");
    EXPECT_EQ(Tree("while (1) { function g() { return 1; } if (x) break; }"),
              "(block (while 1 (block (function g () (block (return 1))) (if x (break) _))))");
    EXPECT_EQ(Tree("function f() { while (1) { if (x) { continue; } } }"),
              "(block (function f () (block (while 1 (block (if x (block (continue)) _))))))");
    EXPECT_EQ(Tree("try { f(); } catch (err) { print(err); }"),
              "(block (try (block (expr (call f))) err (block (expr (call print err)))))");
    EXPECT_EQ(Tree("{ { x; } ; }"), "(block (block (block (expr x)) (empty)))");
    EXPECT_EQ(Tree(""), "(block)");

    EXPECT_EQ(Error("continue;"), "1:1: 'continue' outside a loop");
    EXPECT_EQ(Error("while (1) { }\nbreak;"), "2:1: 'break' outside a loop");
    // A function is a boundary: the loop around its declaration is not its own.
    EXPECT_EQ(Error("while (1) { function g() { break; } }"), "1:28: 'break' outside a loop");
    EXPECT_EQ(Error("for (;;) ; break;"), "1:12: 'break' outside a loop");
    EXPECT_EQ(Error("return 1;"), "1:1: 'return' outside a function");
    EXPECT_EQ(Error("function f() { } return;"), "1:18: 'return' outside a function");
    EXPECT_EQ(Error("function f(a, b, a) { }"), "1:18: duplicate parameter name 'a'");
    EXPECT_EQ(Error("function f(a, 1) { }"), "1:15: expected a parameter name, found '1'");
    EXPECT_EQ(Error("function f(a) x;"), "1:15: expected '{' to begin the function body, found 'x'");
    EXPECT_EQ(Error("try { } x;"), "1:9: expected 'catch' after the try block, found 'x'");
    EXPECT_EQ(Error("x; else y;"), "1:4: 'else' without a matching 'if'");
    EXPECT_EQ(Error("for (i = 0, j = 0; ;) ;"), "1:11: expected ';' after the loop's first part, found ','");
}

TEST(Syntax, ParamOnlyOpensFunctionText) {
    ParseResult result = ParseFunctionText("param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;");
    ASSERT_TRUE(result) << result.error.ToString();
    const Node* root = result.tree->Root();
    EXPECT_EQ(ToSExpr(root),
              "(function _ (FullMatr LookMatr) (block (return (* (call (-> LookMatr Inverse)) FullMatr))))");
    ASSERT_EQ(root->kind, NodeKind::Function);
    EXPECT_EQ(root->name, -1);
    ASSERT_EQ(root->count, 3u);
    EXPECT_EQ(root->kids[1]->Text(), "FullMatr");
    EXPECT_EQ(root->kids[2]->Text(), "LookMatr");

    EXPECT_EQ(ToSExpr(ParseFunctionText("x = 1; return;").tree->Root()),
              "(function _ () (block (= x 1) (return _)))");
    EXPECT_EQ(ToSExpr(ParseFunctionText("param a;").tree->Root()), "(function _ (a) (block))");

    const std::string notFirst = "'param' can only be the first statement of a function given as source text";
    EXPECT_EQ(Error("param a;"), "1:1: " + notFirst);
    EXPECT_EQ(Error("x = 1;\nparam a;", true), "2:1: " + notFirst);
    EXPECT_EQ(Error("param a; param b;", true), "1:10: " + notFirst);
    EXPECT_EQ(Error("function f() { param a; }", true), "1:16: " + notFirst);
    EXPECT_EQ(Error("param a, a;", true), "1:10: duplicate parameter name 'a'");
    EXPECT_EQ(Error("param;", true), "1:6: expected a parameter name, found ';'");
    EXPECT_EQ(Error("param a b;", true), "1:9: expected ';' after the parameter names, found 'b'");
    EXPECT_EQ(Error("break;", true), "1:1: 'break' outside a loop");
}

TEST(Syntax, IntegerLiterals) {
    struct Case {
        const char* source;
        int32_t value;
    } cases[] = {
        {"x = 0;", 0},
        {"x = 2147483647;", INT32_MAX},
        {"x = -2147483648;", INT32_MIN},
        {"x = 007;", 7},  // no octal
        {"x = 0x0000FF;", 255},
        {"x = 0XfF00;", 0xFF00},
        {"x = 0xFFFFFFFF;", -1},
        {"x = 0x80000000;", INT32_MIN},
    };
    for (const Case& c : cases) {
        ParseResult result = ParseScript(c.source);
        const Node* literal = Literal(result);
        ASSERT_NE(literal, nullptr) << c.source << ": " << result.error.ToString();
        EXPECT_EQ(literal->kind, NodeKind::Int) << c.source;
        EXPECT_EQ(literal->intValue, c.value) << c.source;
    }
    EXPECT_EQ(Expr("-2147483648 - 1"), "(- -2147483648 1)");
    EXPECT_EQ(Expr("- -2147483648"), "(- -2147483648)");

    const std::string tooBig = " does not fit in 32 bits; add a decimal point to make it a double";
    EXPECT_EQ(Error("x = 2147483648;"), "1:5: integer '2147483648'" + tooBig);
    EXPECT_EQ(Error("x = 1 - 2147483648;"), "1:9: integer '2147483648'" + tooBig);
    EXPECT_EQ(Error("x = -2147483649;"), "1:6: integer '2147483649'" + tooBig);
    EXPECT_EQ(Error("x = 99999999999999999999999999;"), "1:5: integer '99999999999999999999999999'" + tooBig);
    EXPECT_EQ(Error("x = 0x100000000;"), "1:5: hexadecimal number '0x100000000' does not fit in 32 bits");
    EXPECT_EQ(Error("x = 0x;"), "1:5: malformed number '0x'");
    EXPECT_EQ(Error("x = 0x1G;"), "1:5: malformed number '0x1G'");
    EXPECT_EQ(Error("x = 12abc;"), "1:5: malformed number '12abc'");
}

TEST(Syntax, DoubleAndOtherLiterals) {
    struct Case {
        const char* source;
        double value;
    } cases[] = {
        {"x = 1.;", 1.0}, {"x = .5;", 0.5}, {"x = 1e3;", 1000.0}, {"x = 2.5E-3;", 0.0025},
        {"x = 1.5e+2;", 150.0}, {"x = 0.1;", 0.1}, {"x = 3.0;", 3.0}, {"x = 1.e2;", 100.0},
    };
    for (const Case& c : cases) {
        ParseResult result = ParseScript(c.source);
        const Node* literal = Literal(result);
        ASSERT_NE(literal, nullptr) << c.source << ": " << result.error.ToString();
        EXPECT_EQ(literal->kind, NodeKind::Double) << c.source;
        EXPECT_EQ(literal->doubleValue, c.value) << c.source;
    }
    EXPECT_EQ(Error("x = 1e999;"), "1:5: number '1e999' is out of the range of a double");
    EXPECT_EQ(Error("x = 1e-999;"), "1:5: number '1e-999' is out of the range of a double");
    EXPECT_EQ(Error("x = 1e;"), "1:5: malformed number '1e'");

    EXPECT_EQ(Expr("[true, false, null, [], [[1]]]"), "[true false null [] [[1]]]");
    ParseResult truth = ParseScript("x = true;");
    const Node* t = Literal(truth);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind, NodeKind::Bool);
    EXPECT_EQ(t->intValue, 1);
}

TEST(Syntax, StringLiterals) {
    ParseResult result = ParseScript("x = \"a\\n\\t\\\\\\\"\\x00\\x7e\\xFF\xC3\xA9\";");
    const Node* literal = Literal(result);
    ASSERT_NE(literal, nullptr) << result.error.ToString();
    ASSERT_EQ(literal->kind, NodeKind::String);
    EXPECT_EQ(literal->Text(), std::string_view("a\n\t\\\"\0~\xFF\xC3\xA9", 10));
    EXPECT_EQ(literal->Text().data()[10], '\0');  // kept nul-terminated for the host
    EXPECT_EQ(Expr("\"\""), "\"\"");

    // Raw bytes of any kind are fine inside strings and comments.
    const char raw[] = "x = \"\0\xFF\"; // \0\xFF\n/* \0 */";
    EXPECT_EQ(Tree(std::string_view(raw, sizeof raw - 1)), "(block (= x \"\\x00\\xFF\"))");

    EXPECT_EQ(Error("x = \"a\\qb\";"), "1:7: unknown escape '\\q' in string (known: \\n \\t \\\\ \\\" \\xHH)");
    EXPECT_EQ(Error("x = \"\\x4\";"), "1:6: '\\x' needs two hexadecimal digits");
    EXPECT_EQ(Error("x = \"ab\ncd\";"),
              "1:5: unterminated string (a string ends on its line; write \\n for a newline)");
    EXPECT_EQ(Error("x = 1;\ny = \"abc"), "2:5: unterminated string");
    EXPECT_EQ(Error("x = \"abc\\"), "1:5: unterminated string");
}

TEST(Syntax, CommentsSpaceAndStrayBytes) {
    EXPECT_EQ(Tree("// a\nx /* b \n c */ = /**/ 1; // end"), "(block (= x 1))");
    EXPECT_EQ(Tree("\xEF\xBB\xBF#!/usr/bin/env vesk\nx = 1;\r\ny = 2;\r\n"), "(block (= x 1) (= y 2))");
    ParseResult result = ParseScript("/* one\ntwo */ x\r\n  = 1;");
    ASSERT_TRUE(result);
    EXPECT_EQ(result.tree->Root()->kids[0]->line, 2);
    EXPECT_EQ(result.tree->Root()->kids[0]->column, 8);
    EXPECT_EQ(Error("\xEF\xBB\xBFx y"), "1:3: expected ';' after expression, found 'y'");

    EXPECT_EQ(Error("x = 1;\n  /* open\n\n"), "2:3: unterminated comment");
    EXPECT_EQ(Error(std::string_view("x\0;", 3)), "1:2: unexpected byte 0x00");
    EXPECT_EQ(Error("x = 1;\n  \xFF"), "2:3: unexpected byte 0xFF");
    EXPECT_EQ(Error("x = a @ b;"), "1:7: unexpected character '@'");
    EXPECT_EQ(Error("x = #1;"), "1:5: unexpected character '#'");
}

TEST(Syntax, ErrorPositionsAndMessages) {
    EXPECT_EQ(Error("x = 1\ny = 2;"), "2:1: expected ';' after assignment, found 'y'");
    EXPECT_EQ(Error("f(x) g;"), "1:6: expected ';' after expression, found 'g'");
    EXPECT_TRUE(ParseScript("x = 1;\nprint(x)")) << "the last statement may leave out its ';'";
    EXPECT_EQ(Error("print(x)\n}"), "2:1: expected ';' after expression, found '}'");
    EXPECT_EQ(Error("f(a, b;"), "1:7: expected ')' to close '(' at 1:2, found ';'");
    EXPECT_EQ(Error("x = (1 + 2;"), "1:11: expected ')' to close '(' at 1:5, found ';'");
    EXPECT_EQ(Error("v = [1, 2;"), "1:10: expected ']' to close '[' at 1:5, found ';'");
    EXPECT_EQ(Error("v[1;"), "1:4: expected ']' to close '[' at 1:2, found ';'");
    EXPECT_EQ(Error("if (x) {\n  y = 1;\n"), "3:1: expected '}' to close '{' at 1:8, found end of file");
    EXPECT_EQ(Error("f(\n"), "2:1: expected expression, found end of file");
    EXPECT_EQ(Error("x = ;"), "1:5: expected expression, found ';'");
    EXPECT_EQ(Error("x = \"long string that goes on and on\" y;"),
              "1:39: expected ';' after assignment, found 'y'");
    EXPECT_EQ(Error("x = 1 \"a long string that goes on and on\";"),
              "1:7: expected ';' after assignment, found '\"a long string that goes on and ...'");
    EXPECT_EQ(Error("y = new C;"), "1:10: expected '(' after 'new C', found ';'");
    EXPECT_EQ(Error("obj->;"), "1:6: expected a method name after '->', found ';'");
    EXPECT_EQ(Error("obj->Name;"), "1:10: expected '(' after the method name, found ';'");
    EXPECT_EQ(Error("p.new = 1;"), "1:3: expected a member name after '.', found 'new'");
    EXPECT_EQ(Error("if x;"), "1:4: expected '(' after 'if', found 'x'");
    EXPECT_EQ(Error("while (1 x;"), "1:10: expected ')' to close '(' at 1:7, found 'x'");
    EXPECT_EQ(Error("function (a) { }"), "1:10: expected a function name after 'function', found '('");
    EXPECT_EQ(Error("try { } catch { }"), "1:15: expected '(' after 'catch', found '{'");
    EXPECT_EQ(Error("x = 1 <<= 2;"), "1:9: expected expression, found '='");
}

TEST(Syntax, NodePositionsAndNames) {
    ParseResult result = ParseScript("x = 1;\n  gl->Open(a +\n b);");
    ASSERT_TRUE(result);
    const Node* call = result.tree->Root()->kids[1]->kids[0];
    EXPECT_EQ(call->kind, NodeKind::Method);
    EXPECT_EQ(call->Text(), "Open");
    EXPECT_EQ(std::make_pair(call->line, call->column), std::make_pair(2, 3));  // starts at the object
    const Node* sum = call->kids[1];
    EXPECT_EQ(std::make_pair(sum->line, sum->column), std::make_pair(2, 12));
    EXPECT_EQ(std::make_pair(sum->kids[1]->line, sum->kids[1]->column), std::make_pair(3, 2));

    // Without an interner, IDs are the tree's own, in order of first use.
    result = ParseScript("b = a + b; a.c = b;");
    ASSERT_TRUE(result);
    const NameTable& names = result.tree->Names();
    ASSERT_EQ(names.Entries().size(), 3u);
    EXPECT_EQ(names.Find("b")->id, 0);
    EXPECT_EQ(names.Find("a")->id, 1);
    EXPECT_EQ(names.Find("c")->id, 2);
    EXPECT_EQ(names.Find("d"), nullptr);
    const Node* member = result.tree->Root()->kids[1]->kids[0];
    EXPECT_EQ(member->name, 2);
    EXPECT_EQ(member->kids[0]->name, 1);

    // With an interner, each distinct name is asked for once and its ID used.
    std::vector<std::string> asked;
    auto interner = [&asked](const char* name) {
        asked.push_back(name);
        return static_cast<int32_t>(1000 + asked.size());
    };
    result = ParseScript("function f(p) { return p->M(new POINT3(p)); } try { } catch (p) { }", interner);
    ASSERT_TRUE(result);
    EXPECT_EQ(asked, (std::vector<std::string>{"f", "p", "M", "POINT3"}));
    const Node* function = result.tree->Root()->kids[0];
    EXPECT_EQ(function->name, 1001);
    EXPECT_EQ(function->kids[1]->name, 1002);
    const Node* method = function->kids[0]->kids[0]->kids[0];
    EXPECT_EQ(method->name, 1003);
    EXPECT_EQ(method->kids[1]->name, 1004);
    EXPECT_EQ(method->kids[1]->Text(), "POINT3");
    EXPECT_EQ(result.tree->Root()->kids[1]->name, 1002);
}

// A source that should be refused for nesting, or parse within the height bound.
void ExpectBounded(const std::string& source) {
    ParseResult result = ParseScript(source);
    if (result)
        EXPECT_LE(result.tree->Root()->height, kMaxNesting + 1) << source.substr(0, 40);
    else
        EXPECT_EQ(result.error.message, "nesting too deep") << source.substr(0, 40);
}

TEST(Syntax, NestingLimit) {
    const size_t mb = 1 << 20;
    for (const char* unit : {"(", "-", "[", "{", "!", "~", "f(", "a[", "if (1) ", "while (1) ",
                             "function f() {", "[-(", "if (a) x; else "}) {
        ParseResult result = ParseScript(Repeat(unit, mb / std::strlen(unit)));
        ASSERT_FALSE(result) << unit;
        EXPECT_EQ(result.error.message, "nesting too deep") << unit;
        EXPECT_EQ(result.error.line, 1) << unit;
    }
    // Chains nest the tree without nesting the parser; they are bounded too.
    for (const char* unit : {"+a", "&&a", ".b", "[0]", "()", "->M()"}) {
        ParseResult result = ParseScript("x = a" + Repeat(unit, mb / std::strlen(unit)) + ";");
        ASSERT_FALSE(result) << unit;
        EXPECT_EQ(result.error.message, "nesting too deep") << unit;
    }
    // Reported where the limit is crossed: the parenthesis one level too deep.
    EXPECT_EQ(Error(Repeat("(", 1000)), "1:256: nesting too deep");
    EXPECT_EQ(Error("x = a" + Repeat(" + a", 1000) + ";"), "1:1027: nesting too deep");
    // Ordinary depth is fine.
    EXPECT_TRUE(ParseScript("x = " + Repeat("(", 200) + "a" + Repeat(")", 200) + ";"));
    EXPECT_TRUE(ParseScript("x = a" + Repeat(" + a", 200) + ";"));
    EXPECT_TRUE(ParseScript(Repeat("{", 100) + Repeat("}", 100)));

    // Around the limit, every shape either parses within the bound or is refused.
    for (int n = kMaxNesting - 8; n <= kMaxNesting + 8; ++n) {
        ExpectBounded(Repeat("{", n) + Repeat("}", n));
        ExpectBounded("x = " + Repeat("-(", n) + "a" + Repeat(")", n) + ";");
        ExpectBounded("x = " + Repeat("[", n) + Repeat("]", n) + ";");
        ExpectBounded("x = a" + Repeat(" * a", n) + ";");
        ExpectBounded(Repeat("if (a) { ", n / 2) + "x;" + Repeat("}", n / 2));
        ExpectBounded(Repeat("function f() { ", n / 2) + "return a.b[c];" + Repeat("}", n / 2));
    }
}

TEST(Syntax, HugeInputsParse) {
    const std::string statement = "pts[i][2] = -i * 3 + f(x, \"s\"); // note\n";
    const size_t count = (2 << 20) / statement.size();
    ParseResult result = ParseScript(Repeat(statement, count));
    ASSERT_TRUE(result);
    EXPECT_EQ(result.tree->Root()->count, count);
    std::string names;
    for (int i = 0; i < 20000; ++i) {
        names += "a";
        names += std::to_string(i);
        names += ", ";
    }
    EXPECT_TRUE(ParseScript("function f(" + names + "z) { }"));
    EXPECT_TRUE(ParseScript("x = [" + Repeat("1, ", 1 << 18) + "0];"));
}

TEST(Syntax, ArbitraryBytesNeverCrash) {
    std::mt19937 random(20240601);
    const std::string alphabet = "(){}[];,.=+-*/%<>!&|^~\"\\ \n\tabcifwhlenurtpm0123456789xe_";
    for (int i = 0; i < 20000; ++i) {
        std::string source(random() % 48, ' ');
        for (char& c : source)
            c = random() % 8 == 0 ? static_cast<char>(random() & 0xFF) : alphabet[random() % alphabet.size()];
        ParseResult result = i % 2 ? ParseScript(source) : ParseFunctionText(source);
        if (result) {
            ToSExpr(result.tree->Root());
        } else {
            EXPECT_GE(result.error.line, 1);
            EXPECT_GE(result.error.column, 1);
            EXPECT_FALSE(result.error.message.empty());
        }
    }
}

const char kDesignScript[] = R"(// comment   /* comment */
dc = new MDC(640, 480);                 // offscreen device; new MDC(w, h, "title") opens a window
gl = new VOpenGL();
gl->Open(dc);
gl->SetPerspective(45, 640.0 / 480, 1, 100);
gl->SetViewerPos(0, 0, 10,  0, 0, 0,  0, 1, 0);
pts = [[0, 0, 0], [1, 0, 0], [0, 1, 0]];
for (i = 0; i < 3; i = i + 1) { pts[i][2] = -i; }
if (gl->IsOpen()) { gl->Triangles(pts); } else { print("closed"); }
function ring(n, r) { v = []; for (i = 0; i < n; i = i + 1) { v->Add(new POINT3(r * cos(i), r * sin(i), 0)); } return v; }
try { gl->EnableFog(1); } catch (e) { print(e); }   // [[73, "…"]]
gl->Flush();
dc->SaveAs("scene.png");
)";

TEST(Syntax, RealisticScript) {
    ParseResult result = ParseScript(kDesignScript);
    ASSERT_TRUE(result) << result.error.ToString();
    const char* expected[] = {
        "(= dc (new MDC 640 480))",
        "(= gl (new VOpenGL))",
        "(expr (call (-> gl Open) dc))",
        "(expr (call (-> gl SetPerspective) 45 (/ 640.0 480) 1 100))",
        "(expr (call (-> gl SetViewerPos) 0 0 10 0 0 0 0 1 0))",
        "(= pts [[0 0 0] [1 0 0] [0 1 0]])",
        "(for (= i 0) (< i 3) (= i (+ i 1)) (block (= (index (index pts i) 2) (- i))))",
        "(if (call (-> gl IsOpen)) (block (expr (call (-> gl Triangles) pts)))"
        " (block (expr (call print \"closed\"))))",
        "(function ring (n r) (block (= v []) (for (= i 0) (< i n) (= i (+ i 1)) (block (expr (call (-> v Add)"
        " (new POINT3 (* r (call cos i)) (* r (call sin i)) 0))))) (return v)))",
        "(try (block (expr (call (-> gl EnableFog) 1))) e (block (expr (call print e))))",
        "(expr (call (-> gl Flush)))",
        "(expr (call (-> dc SaveAs) \"scene.png\"))",
    };
    const Node* root = result.tree->Root();
    ASSERT_EQ(root->count, std::size(expected));
    for (uint32_t i = 0; i < root->count; ++i) {
        EXPECT_EQ(ToSExpr(root->kids[i]), expected[i]);
        EXPECT_EQ(root->kids[i]->line, static_cast<int32_t>(i + 2));
        EXPECT_EQ(root->kids[i]->column, 1);
    }
    // Every prefix of it parses or fails cleanly.
    std::string source = kDesignScript;
    for (size_t n = 0; n < source.size(); ++n) {
        ParseResult prefix = ParseScript(std::string_view(source).substr(0, n));
        if (!prefix) {
            EXPECT_GE(prefix.error.line, 1);
        }
    }
}

}  // namespace
}  // namespace vesk
