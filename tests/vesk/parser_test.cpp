// Tests of the script syntax: trees the parser builds (as S-expressions),
// literal values, names, positions, error messages, limits and robustness.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "vesk/syntax/parser.h"

namespace vesk {
namespace {

// The whole tree of a script or function text, or "L:C: message".
std::string Parsed(std::string_view source, bool functionText = false) {
    ParseResult result = functionText ? ParseFunctionText(source) : ParseScript(source);
    return result ? ToSExpr(result.tree->Root()) : result.error.ToString();
}

// The tree of one expression, parsed as the statement "e;".
std::string Expr(const std::string& expr) {
    ParseResult result = ParseScript(expr + ";");
    if (!result) return result.error.ToString();
    const Node* root = result.tree->Root();
    if (root->count != 1 || root->kids[0]->kind != NodeKind::ExprStmt) return "not one expression statement";
    return ToSExpr(root->kids[0]->kids[0]);
}

std::string Repeat(std::string_view unit, size_t times) {
    std::string out;
    out.reserve(unit.size() * times);
    for (size_t i = 0; i < times; ++i) out += unit;
    return out;
}

struct Case {
    std::string source, want;
    bool functionText = false;
};

TEST(Syntax, ExpressionTrees) {
    const Case cases[] = {
        // Every binary level is left-associative and binds tighter than the one above.
        {"1 - 2 - 3", "(- (- 1 2) 3)"},              {"a / b / c", "(/ (/ a b) c)"},
        {"a || b && c", "(|| a (&& b c))"},          {"a && b || c", "(|| (&& a b) c)"},
        {"a && b | c", "(&& a (| b c))"},            {"a | b ^ c & d", "(| a (^ b (& c d)))"},
        {"a & b ^ c | d", "(| (^ (& a b) c) d)"},    {"a & b == c", "(& a (== b c))"},
        {"1 << 2 + 3", "(<< 1 (+ 2 3))"},            {"a + b * c % d - e", "(- (+ a (% (* b c) d)) e)"},
        // Unary operators bind tighter than binary ones and looser than postfix ones.
        {"-a * b", "(* (- a) b)"},                   {"!a && ~b", "(&& (! a) (~ b))"},
        {"-x[i]", "(- (index x i))"},                {"-p.x", "(- (. p x))"},
        // Postfix chains.
        {"m->GetSpecular(true)->GetRed()", "(call (-> (call (-> m GetSpecular) true) GetRed))"},
        {"a.b->c(d)[e].f", "(. (index (call (-> (. a b) c) d) e) f)"},
        {"new POINT3(1, 2, 3).x", "(. (new POINT3 1 2 3) x)"},
        {"[true, false, null, [], [[1]], \"\"]", "[true false null [] [[1]] \"\"]"},
        // Literals: integers in 32 bits (hexadecimal ones wrap, no octal), doubles, escapes.
        {"-2147483648 - 1", "(- -2147483648 1)"},    {"- -2147483648", "(- -2147483648)"},
        {"[0, 007, 2147483647, 0x0000FF, 0XfF00, 0xFFFFFFFF, 0x80000000]", "[0 7 2147483647 255 65280 -1 -2147483648]"},
        {"[1., .5, 2.5E-3, 1.5e+2, 0.1, 1.e2, 3.0]", "[1.0 0.5 0.0025 150.0 0.1 100.0 3.0]"},
        {"\"a\\n\\t\\\\\\\"\\x00\\x7e\\xFF\xC3\xA9\"", "\"a\\n\\t\\\\\\\"\\x00~\\xFF\\xC3\\xA9\""},
    };
    for (const Case& c : cases) EXPECT_EQ(Expr(c.source), c.want) << c.source;

    // && and || are their own kinds (they short-circuit), not Binary; a
    // compound assignment stays its own node, as objects may have a "*=" row.
    ParseResult result = ParseScript("a && b || c; c *= 2;");
    ASSERT_TRUE(result);
    const Node* orNode = result.tree->Root()->kids[0]->kids[0];
    EXPECT_EQ(orNode->kind, NodeKind::Or);
    EXPECT_EQ(orNode->kids[0]->kind, NodeKind::And);
    EXPECT_EQ(result.tree->Root()->kids[1]->kind, NodeKind::CompoundAssign);
    EXPECT_EQ(result.tree->Root()->kids[1]->op, Op::Mul);
    result = ParseScript("x = \"a\\x00b\";");
    ASSERT_TRUE(result);
    const Node* text = result.tree->Root()->kids[0]->kids[1];
    EXPECT_EQ(text->Text(), std::string_view("a\0b", 3));
    EXPECT_EQ(text->Text().data()[3], '\0') << "kept nul-terminated for the host";
}

TEST(Syntax, StatementTrees) {
    const char raw[] = "x = \"\0\xFF\"; // \0\xFF\n/* \0 */";  // raw bytes in strings and comments
    const Case cases[] = {
        {"v[i].x = e; pts[i][2] = -i; (a) = 1;",
         "(block (= (. (index v i) x) e) (= (index (index pts i) 2) (- i)) (= a 1))"},
        {"c *= 2; a += 1; a -= b; m[r][c] /= 2; p.x %= 3;",
         "(block (*= c 2) (+= a 1) (-= a b) (/= (index (index m r) c) 2) (%= (. p x) 3))"},
        {"if (a) if (b) x; else y;", "(block (if a (if b (expr x) (expr y)) _))"},
        {"if (a == 1) { } else if (b) ; else { z = 1; }",
         "(block (if (== a 1) (block) (if b (empty) (block (= z 1)))))"},
        {"while (i < n) i += 1;", "(block (while (< i n) (+= i 1)))"},
        {"for (i = 0; i < 3; i += 1) { continue; }", "(block (for (= i 0) (< i 3) (+= i 1) (block (continue))))"},
        {"function f(a, b) { return a; return; }", "(block (function f (a b) (block (return a) (return _))))"},
        {"try { f(); } catch (err) { print(err); }",
         "(block (try (block (expr (call f))) err (block (expr (call print err)))))"},
        {"global a; function f(b) { global c, d; c = b; }",
         "(block (global a) (function f (b) (block (global c d) (= c b))))"},
        {"", "(block)"},
        {"x = 1;\nprint(x)", "(block (= x 1) (expr (call print x)))"},  // the last ';' may be left out
        {"// a\nx /* b \n c */ = /**/ 1; // end", "(block (= x 1))"},
        {"\xEF\xBB\xBF#!/usr/bin/env vesk\nx = 1;\r\ny = 2;\r\n", "(block (= x 1) (= y 2))"},
        {std::string(raw, sizeof raw - 1), "(block (= x \"\\x00\\xFF\"))"},
        // Function text: 'param' may open it, and 'return' is allowed.
        {"param FullMatr, LookMatr; return LookMatr->Inverse() * FullMatr;",
         "(function _ (FullMatr LookMatr) (block (return (* (call (-> LookMatr Inverse)) FullMatr))))", true},
        {"x = 1; return;", "(function _ () (block (= x 1) (return _)))", true},
    };
    for (const Case& c : cases) EXPECT_EQ(Parsed(c.source, c.functionText), c.want) << c.source;
}

TEST(Syntax, ErrorsGiveLineColumnAndWhatWasExpected) {
    const std::string assign = " must be a name, an element v[i] or a member p.x";
    const std::string noValue = " (assignment is a statement and gives no value";
    const std::string tooBig = " does not fit in 32 bits; add a decimal point to make it a double";
    const std::string notFirst = "'param' can only be the first statement of a function given as source text";
    const Case cases[] = {
        // What may stand left of '=': the message names what was found.
        {"f() = 1;", "1:1: cannot assign to the result of a call: the left side of '='" + assign},
        {"  1 = 2;", "1:3: cannot assign to a literal: the left side of '='" + assign},
        {"x;\na + b = c;", "2:1: cannot assign to the result of an operator: the left side of '='" + assign},
        {"a = b = c;", "1:7: expected ';' after assignment, found '='" + noValue + "; to compare, use '==')"},
        {"if (a = 1) x;", "1:7: expected ')' to close '(' at 1:4, found '='" + noValue + "; to compare, use '==')"},
        {"f(a += 1);", "1:5: expected ')' to close '(' at 1:2, found '+='" + noValue + ")"},
        // Statements out of place; a function is a boundary for its loop.
        {"continue;", "1:1: 'continue' outside a loop"},
        {"while (1) { function g() { break; } }", "1:28: 'break' outside a loop"},
        {"return 1;", "1:1: 'return' outside a function"},
        {"break;", "1:1: 'break' outside a loop", true},
        {"x; else y;", "1:4: 'else' without a matching 'if'"},
        {"function f(a, b, a) { }", "1:18: duplicate parameter name 'a'"},
        {"function f(a) x;", "1:15: expected '{' to begin the function body, found 'x'"},
        // 'global' names no parameter and nothing used above it in its function.
        {"function f(a, b) { global b; }", "1:27: 'b' is a parameter of this function and cannot also be global"},
        {"function f() { x = 1; if (y) { global y; } }",
         "1:39: 'y' is used above in this function; put 'global y' before its first use"},
        {"function f() { function g() { global f, g; } global g; }",
         "1:53: 'g' is used above in this function; put 'global g' before its first use"},
        {"global = 1;", "1:8: 'global' is a keyword and takes the names of globals: global x, y;"},
        // 'param' only opens function text.
        {"param a;", "1:1: " + notFirst},
        {"x = 1;\nparam a;", "2:1: " + notFirst, true},
        {"param a b;", "1:9: expected ';' after the parameter names, found 'b'", true},
        // Missing and unclosed punctuation, found at the next token.
        {"x = 1\ny = 2;", "2:1: expected ';' after assignment, found 'y'"},
        {"f(a, b;", "1:7: expected ')' to close '(' at 1:2, found ';'"},
        {"if (x) {\n  y = 1;\n", "3:1: expected '}' to close '{' at 1:8, found end of file"},
        {"x = 1 <<= 2;", "1:9: expected expression, found '='"},
        {"x = 1 \"a long string that goes on and on\";",
         "1:7: expected ';' after assignment, found '\"a long string that goes on and ...'"},
        {"obj->Name;", "1:10: expected '(' after the method name, found ';'"},
        {"p.new = 1;", "1:3: expected a member name after '.', found 'new'"},
        // Numbers.
        {"x = 2147483648;", "1:5: integer '2147483648'" + tooBig},
        {"x = 0x100000000;", "1:5: hexadecimal number '0x100000000' does not fit in 32 bits"},
        {"x = 0x;", "1:5: malformed number '0x'"},
        {"x = 1e999;", "1:5: number '1e999' is out of the range of a double"},
        // Strings, comments and stray bytes.
        {"x = \"a\\qb\";", "1:7: unknown escape '\\q' in string (known: \\n \\t \\\\ \\\" \\xHH)"},
        {"x = \"\\x4\";", "1:6: '\\x' needs two hexadecimal digits"},
        {"x = \"ab\ncd\";", "1:5: unterminated string (a string ends on its line; write \\n for a newline)"},
        {"x = 1;\n  /* open\n\n", "2:3: unterminated comment"},
        {std::string("x\0;", 3), "1:2: unexpected byte 0x00"},
        {"x = 1;\n  \xFF", "2:3: unexpected byte 0xFF"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parsed(c.source, c.functionText), c.want) << c.source;
}

TEST(Syntax, NodePositionsAndNames) {
    ParseResult result = ParseScript("x = 1;\n  gl->Open(a +\n b);\n/* one\ntwo */ y\r\n  = 1;");
    ASSERT_TRUE(result);
    const Node* call = result.tree->Root()->kids[1]->kids[0];
    EXPECT_EQ(call->Text(), "Open");
    EXPECT_EQ(std::make_pair(call->line, call->column), std::make_pair(2, 3));  // starts at the object
    const Node* sum = call->kids[1];
    EXPECT_EQ(std::make_pair(sum->line, sum->column), std::make_pair(2, 12));
    EXPECT_EQ(std::make_pair(sum->kids[1]->line, sum->kids[1]->column), std::make_pair(3, 2));
    const Node* afterComment = result.tree->Root()->kids[2];
    EXPECT_EQ(std::make_pair(afterComment->line, afterComment->column), std::make_pair(5, 8));

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
    EXPECT_EQ(result.tree->Root()->kids[1]->name, 1002);
}

TEST(Syntax, NestingLimit) {
    // Nesting the parser (recursion) and chains that nest only the tree.
    for (const char* unit : {"(", "-", "[", "{", "!", "f(", "a[", "if (1) ", "while (1) ", "function f() {",
                             "if (a) x; else "}) {
        ParseResult result = ParseScript(Repeat(unit, 100000));
        EXPECT_EQ(result ? "parsed" : result.error.message, "nesting too deep") << unit;
    }
    for (const char* unit : {"+a", "&&a", ".b", "[0]", "()", "->M()"}) {
        ParseResult result = ParseScript("x = a" + Repeat(unit, 100000) + ";");
        EXPECT_EQ(result ? "parsed" : result.error.message, "nesting too deep") << unit;
    }
    // Reported where the limit is crossed: the parenthesis one level too deep.
    EXPECT_EQ(Parsed(Repeat("(", 1000)), "1:256: nesting too deep");
    EXPECT_EQ(Parsed("x = a" + Repeat(" + a", 1000) + ";"), "1:1027: nesting too deep");
    EXPECT_TRUE(ParseScript("x = " + Repeat("(", 200) + "a" + Repeat(")", 200) + ";"));
    EXPECT_TRUE(ParseScript(Repeat("{", 100) + Repeat("}", 100)));

    // Around the limit, every shape either parses within the bound or is refused.
    for (int n = kMaxNesting - 8; n <= kMaxNesting + 8; ++n) {
        for (const std::string& source :
             {Repeat("{", n) + Repeat("}", n), "x = " + Repeat("-(", n) + "a" + Repeat(")", n) + ";",
              "x = " + Repeat("[", n) + Repeat("]", n) + ";", "x = a" + Repeat(" * a", n) + ";",
              Repeat("if (a) { ", n / 2) + "x;" + Repeat("}", n / 2),
              Repeat("function f() { ", n / 2) + "return a.b[c];" + Repeat("}", n / 2)}) {
            ParseResult result = ParseScript(source);
            if (result)
                EXPECT_LE(result.tree->Root()->height, kMaxNesting + 1) << source.substr(0, 40);
            else
                EXPECT_EQ(result.error.message, "nesting too deep") << source.substr(0, 40);
        }
    }
}

TEST(Syntax, HugeAndArbitraryInputs) {
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

    // Every prefix of a real script parses or fails cleanly (fuzz/script_fuzzer
    // tries arbitrary bytes).
    std::vector<std::string> sources;
    const std::string script =
        "gl = new VOpenGL(); gl->Open(new MDC(64, 48));\n"
        "for (i = 0; i < 3; i += 1) { pts[i][2] = -i; } // comment\n"
        "function ring(n, r) { v = []; v->Add(new POINT3(r * cos(n), 0x1F, 1.5e-3)); return v; }\n"
        "try { gl->EnableFog(1); } catch (e) { print(e, \"\\t\\x41\"); } /* end */";
    for (size_t n = 0; n <= script.size(); ++n) sources.push_back(script.substr(0, n));
    for (size_t i = 0; i < sources.size(); ++i) {
        result = i % 2 ? ParseScript(sources[i]) : ParseFunctionText(sources[i]);
        if (result) {
            ToSExpr(result.tree->Root());
        } else {
            EXPECT_GE(result.error.line, 1) << sources[i];
            EXPECT_GE(result.error.column, 1) << sources[i];
            EXPECT_FALSE(result.error.message.empty()) << sources[i];
        }
    }
}

}  // namespace
}  // namespace vesk
