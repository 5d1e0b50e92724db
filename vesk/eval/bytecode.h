// The evaluator's compiled form: instructions for a register machine, the
// prototype of each function (its code, constants, line table, the places
// its member and method calls remember what they found) and the program a
// source compiles to. Private to the evaluator.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "vesk/syntax/ast.h"
#include "vesk/eval/slot.h"

namespace vesk::vm {

// R(x) is register x of the running call, K(x) constant x of its prototype.
// Instructions that take a second word (a jump offset) say so.
enum Opcode : uint8_t {
    LOADK,      // R(a) = K(bx)
    LOADNULL,   // R(a) = null
    LOADBOOL,   // R(a) = b != 0
    MOVE,       // R(a) = R(b)
    GETGLOBAL,  // R(a) = the global name(bx), else the builtin of that name; error 3
    SETGLOBAL,  // the global name(bx) = R(a)
    GETVAR,     // R(a) = local R(b) if it was set, else as GETGLOBAL of local b's name
    ADD, SUB, MUL, DIV, MOD,          // R(a) = R(b) op R(c); x: kCompound
    ADDK, SUBK, MULK, DIVK, MODK,     // R(a) = R(b) op K(c); x: kCompound
    BINARY,     // R(a) = R(b) op R(c) for the other operators; x: the Op
    NEG, NOT, BNOT,                   // R(a) = op R(b)
    JMP,        // pc += sbx
    JMPIF,      // if R(a) is true: pc += second word
    JMPIFNOT,   // if R(a) is false: pc += second word
    JLT, JLE, JGT, JGE, JEQ, JNE,     // if (R(a) op RK(b)) == (x & kIfTrue): pc += second word
    FORLT, FORLE, FORGT, FORGE, FORNE,  // R(a) += K(c); then as JLT .. JNE (a loop's step and test)
    NEWVEC,     // R(a) = a vector of the c values R(b) .. R(b + c - 1), which it takes
    GETINDEX,   // R(a) = R(b)[R(c)]
    SETINDEX,   // R(a)[R(b)] = R(c)
    GETMEMBER,  // R(a) = R(b).member site c
    SETMEMBER,  // R(a).member site c = R(b)
    CALL,       // R(a) = R(a)(R(a+1) .. R(a+b))
    CALLNAME,   // R(a) = name c (a local that is not set, a global or a builtin)(R(a+1) .. R(a+b))
    METHOD,     // R(a) = R(a)->method site c(R(a+1) .. R(a+b))
    NEWOBJ,     // R(a) = new class name c(R(a) .. R(a+b-1))
    FUNC,       // R(a) = the function of prototype bx
    RETURN,     // return R(a)
    RETURNNULL, // return null
    TRY,        // a handler for try block bx goes on
    ENDTRY,     // the innermost handler comes off
    CLEAR,      // R(a) .. R(a + b - 1) = empty (temporaries die with their statement)
    kOpcodeCount
};

// Flags in x. BINARY keeps its Op in the low seven bits.
enum : uint8_t {
    kCompound = 1,      // arithmetic of `x op= e`: the target's "op=" row first
    kTake = 1,          // MOVE: the source is a temporary; its value moves
    kKonst = 2,         // conditional jumps: b is a constant
    kIfTrue = 4,        // conditional jumps: jump when the comparison holds
    kOpMask = 0x7F,     // BINARY: the operator
    kStatement = 0x80,  // the first instruction of a statement (step counting)
};

struct Instr {
    uint8_t op;
    uint8_t x;
    uint16_t a;
    union {
        struct {
            uint16_t b;
            uint16_t c;
        };
        uint32_t bx;
        int32_t sbx;
    };
};
static_assert(sizeof(Instr) == 8, "an instruction is two words");

// Stands for "no class met yet" in the sites below (no object has it).
inline const char kNoClass = 0;

// What a member read or write remembers: the host-object class it met last
// and where the member sits in objects of that class.
struct MemberSite {
    int32_t name;
    const void* cls = &kNoClass;
    int index = -1;
};

// A method call: the method's name, and the class it met last with that
// class's rows of the method.
struct MethodSite {
    int32_t name;
    const char* text;
    const void* cls = &kNoClass;
    const void* rows = nullptr;
};

// A try block: where its catch starts and the variable that takes the errors.
struct TrySite {
    int32_t handler;   // instruction index of the catch block
    bool global;       // the catch variable is a global (else register)
    uint16_t reg;
    int32_t name;
};

struct Program;

// One function: declared in a script, made from source text, the top level
// of a script, or a builtin.
struct Proto {
    Program* program = nullptr;  // null for builtins
    std::string name;            // "" for function text and the top level
    int line = 0;
    int params = 0;              // registers 0 .. params-1
    int locals = 0;              // registers 0 .. locals-1 are named
    int registers = 0;           // locals and temporaries
    int builtin = -1;            // index into the builtin table, else -1
    std::vector<Instr> code;
    std::vector<int32_t> lines;  // per instruction; 0: the caller's line
    std::vector<Slot> constants;
    std::vector<int32_t> names;  // name IDs: globals, CALLNAME, classes, locals' names
    std::vector<int32_t> localNames;  // name ID of each local register
    std::vector<int16_t> builtins;    // per names entry: the builtin of that name, or -1
    std::vector<const char*> nameTexts;
    mutable std::vector<MemberSite> members;
    mutable std::vector<MethodSite> methods;
    std::vector<TrySite> tries;
    std::vector<const Proto*> children;  // functions declared in it, for FUNC

    ~Proto();
};

// A compiled chunk: the tree its names' texts live in, and every prototype
// compiled from it. Function values share its ownership.
struct Program : std::enable_shared_from_this<Program> {
    std::unique_ptr<SyntaxTree> tree;
    std::deque<Proto> protos;  // protos[0]: the top level or the function text
    bool functionText = false;
    std::shared_ptr<const std::string> file;  // the included file it came from; null: the script

    const Proto& Main() const { return protos.front(); }
};

// The builtin table's index of a name ID, or -1 (builtins.cpp).
int BuiltinIndex(int32_t nameID);

// Compiles a parsed script (root: Block) or function text (root: Function
// without a name). On a source too large for the machine (more registers,
// constants or names than an instruction can address) returns null and says
// why.
std::shared_ptr<Program> Compile(std::unique_ptr<SyntaxTree> tree, bool functionText,
                                 std::string* why);

}  // namespace vesk::vm
