// The interpreter's compiled form of a syntax tree: nodes with their names
// resolved to local slots or globals, literals made into values once, and the
// functions a program declares. Private to the interpreter.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "vesk/ast.h"
#include "vesk/value.h"

namespace vesk::code {

// What a compiled node is. Expressions first, then statements; the fields
// each kind uses are those of the syntax node it comes from.
enum class K : uint8_t {
    Const,     // constant: a literal, made once
    Local,     // a name the function assigns: slot (then the global, then the builtin)
    Global,    // any other name: the global, then the builtin
    Vector,    // kids: elements
    Unary,     // op; kids: operand
    Binary,    // op; kids: left, right
    And,       // kids: left, right
    Or,        // kids: left, right
    Call,      // kids: callee, arguments...
    Method,    // name, text: the method; kids: object, arguments...
    Member,    // name, text: the member; kids: object
    Index,     // kids: object, index
    New,       // name, text: the class; kids: arguments...
    Block,     // kids: statements
    Expr,      // kids: expression
    Assign,    // kids: target (Local, Global, Index or Member), value
    Compound,  // op; kids: target, value
    If,        // kids: condition, then, else (may be null)
    While,     // kids: condition, body
    For,       // kids: init?, condition?, step?, body
    Break,
    Continue,
    Function,  // function: what it declares; kids: target name (Local or Global)
    Return,    // kids: value (may be null)
    Try,       // kids: try block, catch name (Local or Global), catch block
    Empty,
};

struct FunctionCode;
struct Program;

struct Code {
    K kind = K::Empty;
    Op op = Op::None;
    // No call, method or new inside: evaluating it runs no script code, so
    // an operand beside it may be read where it lives instead of copied.
    bool pure = true;
    int16_t builtin = -1;   // Local, Global: the builtin of that name, or -1
    int32_t line = 0;       // 0 in function text: its errors take the caller's line
    int32_t name = -1;      // name ID of names, methods, members, classes
    int32_t slot = -1;      // Local: the slot
    const char* text = "";  // the name's text (lives in the tree)
    Variable constant;      // Const
    std::vector<const Code*> kids;
    const FunctionCode* function = nullptr;  // Function
};

// A function: declared in a script, made from source text, or a builtin.
struct FunctionCode {
    Program* program = nullptr;  // null for builtins
    std::string name;            // "" for function text
    int line = 0;
    int params = 0;              // its parameters are slots 0 .. params-1
    int slots = 0;               // parameters and locals
    const Code* body = nullptr;  // a Block
    int builtin = -1;            // index into the builtin table, else -1
};

// A compiled chunk: the tree its names' texts live in, and every node and
// function compiled from it. Function values share its ownership.
struct Program : std::enable_shared_from_this<Program> {
    std::unique_ptr<SyntaxTree> tree;
    std::deque<Code> nodes;              // stable addresses, freed flat
    std::deque<FunctionCode> functions;  // functions[0]: the top level or the text function
    bool functionText = false;

    const FunctionCode& Main() const { return functions.front(); }
};

// The builtin table's index of a name ID, or -1 (filled in by builtins.cpp).
int BuiltinIndex(int32_t nameID);

// Compiles a parsed script (root: Block) or function text (root: Function
// without a name) into a program.
std::shared_ptr<Program> Compile(std::unique_ptr<SyntaxTree> tree, bool functionText);

}  // namespace vesk::code
