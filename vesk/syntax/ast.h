// Syntax tree of the vesk script language: node kinds, operators, the node
// record, the name table and the tree that owns all of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk {

// The deepest a tree may be: the parser refuses sources that would nest
// deeper, so every recursive walk over a tree stays within this many levels
// (plus one for the root).
constexpr int kMaxNesting = 256;

// What a node is. The comment after each kind lists its fields; kids[] slots
// written as "x?" may be null.
enum class NodeKind : uint8_t {
    // Expressions
    Int,        // intValue (32-bit; hexadecimal literals are the bit pattern)
    Double,     // doubleValue
    String,     // text: the bytes, embedded zeros allowed
    Bool,       // intValue 0 or 1
    Null,       //
    Name,       // name, text
    Vector,     // kids: the elements
    Unary,      // op (Neg, Not, BitNot); kids: operand
    Binary,     // op; kids: left, right
    And,        // kids: left, right (right evaluated only when left is true)
    Or,         // kids: left, right (right evaluated only when left is false)
    Call,       // kids: callee, arguments...
    Method,     // name, text: the method; kids: object, arguments...
    Member,     // name, text: the member; kids: object
    Index,      // kids: object, index
    New,        // name, text: the class; kids: arguments...
    // Statements
    Block,          // kids: statements
    ExprStmt,       // kids: expression
    Assign,         // kids: target (Name, Index or Member), value
    CompoundAssign, // op (Add, Sub, Mul, Div, Mod); kids: target, value
    If,             // kids: condition, then, else?
    While,          // kids: condition, body
    For,            // kids: init?, condition?, step?, body (init, step: statements)
    Break,          //
    Continue,       //
    Function,       // name, text (-1, "" for function text); kids: body (Block), parameters (Name)...
    Return,         // kids: value?
    Try,            // name, text: the catch variable; kids: try block, catch block
    Global,         // kids: the names (Name) that mean globals for the rest of the function
    Empty,          // the empty statement ';'
};

// Operators of Unary, Binary and CompoundAssign nodes.
enum class Op : uint8_t {
    None,
    Add, Sub, Mul, Div, Mod,
    Shl, Shr, BitAnd, BitOr, BitXor,
    Eq, Ne, Lt, Le, Gt, Ge,
    Neg, Not, BitNot,
};

// Bytes kept by the tree: a literal string or a name (names are nul-terminated).
struct Bytes {
    const char* data;
    uint32_t size;
};

// One node. Nodes are plain data in the tree's arena; they never own anything
// and the tree frees them all at once, so destruction never recurses.
struct Node {
    NodeKind kind;
    Op op;            // Unary, Binary, CompoundAssign; Op::None elsewhere
    uint16_t height;  // 1 for a leaf, else 1 + the tallest kid
    int32_t line;     // where the node's first token starts, 1-based
    int32_t column;   // byte column, 1-based
    int32_t name;     // name ID of Name, Method, Member, New, Function, Try; -1 elsewhere
    uint32_t count;   // number of kids
    Node** kids;
    union {
        int32_t intValue;    // Int, Bool
        double doubleValue;  // Double
        Bytes text;          // String bytes; the name's text where name is set
    };

    std::string_view Text() const { return {text.data, text.size}; }
};

// Gives the ID of a name; the text is nul-terminated. The host's
// Token::GetNameID fits here.
using NameInterner = std::function<int32_t(const char* name)>;

// Every distinct name a tree uses, with its ID and text.
class NameTable {
public:
    struct Entry {
        int32_t id;
        Bytes text;  // nul-terminated, owned by the tree
    };

    // Without an interner, IDs are the table's own: 0, 1, 2 ... in order of
    // first appearance.
    explicit NameTable(NameInterner interner) : interner_(std::move(interner)) {}

    const std::vector<Entry>& Entries() const { return entries_; }
    // The entry of a name seen before; null when the tree never uses it.
    const Entry* Find(std::string_view text) const;

private:
    friend class SyntaxTree;
    NameInterner interner_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string_view, size_t> index_;  // keys view entries_' text
};

// A bump allocator for nodes, kid arrays and bytes; freed only as a whole.
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    void* Allocate(size_t size, size_t align);
    // A copy of the bytes with a zero byte after them.
    Bytes Copy(std::string_view bytes);

private:
    static constexpr size_t kBlockSize = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    size_t left_ = 0;
};

// A parsed chunk: its root, its nodes and its names. The root of a script is a
// Block; the root of function text is a Function without a name.
class SyntaxTree {
public:
    explicit SyntaxTree(NameInterner interner) : names_(std::move(interner)) {}
    SyntaxTree(const SyntaxTree&) = delete;
    SyntaxTree& operator=(const SyntaxTree&) = delete;

    const Node* Root() const { return root_; }
    const NameTable& Names() const { return names_; }

    // Building, for the parser.
    Node* NewNode(NodeKind kind, int32_t line, int32_t column, uint32_t count);
    Bytes CopyBytes(std::string_view bytes) { return arena_.Copy(bytes); }
    NameTable::Entry Intern(std::string_view text);
    void SetRoot(Node* root) { root_ = root; }

private:
    Arena arena_;
    NameTable names_;
    Node* root_ = nullptr;
};

// The spelling of an operator ("+", "<<", "-" for Neg) and the name of a kind.
const char* OpText(Op op);
const char* KindName(NodeKind kind);

// The tree as an S-expression, for tests and debugging:
// (+ 1 (* 2 3)), (call (-> obj Sphere) 0 0 0 5), (= (index v i) 2).
std::string ToSExpr(const Node* node);

}  // namespace vesk
