// The recursive-descent parser: statements, expressions by precedence,
// assignment targets, the nesting limit and the wording of syntax errors.
#include "vesk/syntax/parser.h"

#include <climits>
#include <unordered_set>
#include <vector>

#include "vesk/syntax/lexer.h"

namespace vesk {

namespace {

struct Pos {
    int32_t line, column;
};

// Thrown to abandon the parse at the first error.
struct Failure {
    ParseError error;
};

struct BinaryRule {
    Tok token;
    int level;  // higher binds tighter
    NodeKind kind;
    Op op;
};
struct CompoundRule {
    Tok token;
    Op op;
};
extern const BinaryRule kBinaryRules[];
extern const size_t kBinaryRuleCount;
extern const CompoundRule kCompoundRules[];
extern const size_t kCompoundRuleCount;

const BinaryRule* FindBinary(Tok token) {
    for (size_t i = 0; i < kBinaryRuleCount; ++i)
        if (kBinaryRules[i].token == token) return &kBinaryRules[i];
    return nullptr;
}

const CompoundRule* FindCompound(Tok token) {
    for (size_t i = 0; i < kCompoundRuleCount; ++i)
        if (kCompoundRules[i].token == token) return &kCompoundRules[i];
    return nullptr;
}

// The digits of -2147483648 without its sign.
constexpr int64_t kMinIntMagnitude = int64_t(INT32_MAX) + 1;

// What an expression is, for "cannot assign to ...".
const char* WhatItIs(const Node* node) {
    switch (node->kind) {
    case NodeKind::Vector: return "a vector literal";
    case NodeKind::Call:
    case NodeKind::Method: return "the result of a call";
    case NodeKind::New: return "a new object";
    case NodeKind::Unary:
    case NodeKind::Binary:
    case NodeKind::And:
    case NodeKind::Or: return "the result of an operator";
    default: return "a literal";
    }
}

class Parser {
public:
    Parser(std::string_view source, NameInterner interner)
        : lexer_(source), tree_(std::make_unique<SyntaxTree>(std::move(interner))) {}

    std::unique_ptr<SyntaxTree> Script();
    std::unique_ptr<SyntaxTree> FunctionText();

private:
    // Counts one level of nesting for as long as it lives.
    class Nest {
    public:
        explicit Nest(Parser& parser) : parser_(parser) {
            if (++parser_.depth_ > kMaxNesting) parser_.Fail(parser_.Here(), "nesting too deep");
        }
        ~Nest() { --parser_.depth_; }

    private:
        Parser& parser_;
    };

    // Tokens
    Pos Here() const { return {cur_.line, cur_.column}; }
    void Advance();
    bool Accept(Tok kind);
    void Require(Tok kind, std::string_view what);
    void Expect(Tok kind, std::string_view what);
    void ExpectClosing(Tok closer, Pos open);
    [[noreturn]] void Fail(Pos at, std::string message);
    [[noreturn]] void FailExpected(std::string_view what, bool afterValue = true);

    // Nodes
    Node* Make(NodeKind kind, Pos start, std::initializer_list<Node*> kids = {});
    Node* Make(NodeKind kind, Pos start, std::initializer_list<Node*> kids, Pos crossing);
    Node* MakeList(NodeKind kind, Pos start, size_t mark, Pos crossing, int limit = kMaxNesting);
    void SetHeight(Node* node, Pos crossing, int limit);
    void SetName(Node* node, const NameTable::Entry& entry);
    NameTable::Entry TakeName(std::string_view what);
    Node* NameNode();

    // Statements
    Node* Statement();
    Node* Block();
    Node* IfStat();
    Node* WhileStat();
    Node* ForStat();
    Node* JumpStat();
    Node* FuncStat();
    void ParamNames();
    Node* ReturnStat();
    Node* TryStat();
    Node* GlobalStat();
    Node* SimpleStat();
    void CheckTarget(const Node* target);
    Node* Condition(std::string_view paren);
    Node* LoopBody();

    // Expressions
    Node* Expr();
    Node* Binary(int minLevel);
    Node* Unary();
    Node* Postfix(Node* node);
    void Args();
    void ExprList(Tok closer, Pos open);
    Node* Primary();
    Node* VectorLit();
    Node* NewExpr();

    Lexer lexer_;
    Token cur_;
    std::unique_ptr<SyntaxTree> tree_;
    std::vector<Node*> scratch_;  // kids of the lists being built, innermost last
    int depth_ = 0;               // nesting of statements and expressions being parsed
    int loops_ = 0;               // enclosing loops of the current function
    int functions_ = 0;           // enclosing functions (function text counts as one)

    // What each function being parsed has met so far, innermost last. A name
    // declared 'global' must not have been used above in its function, so
    // that it means the same variable everywhere in that function.
    struct FunctionNames {
        std::unordered_set<int32_t> params, used;
    };
    std::vector<FunctionNames> names_;
    void Use(int32_t name) {
        if (!names_.empty()) names_.back().used.insert(name);
    }
};

// ---- Tokens ----------------------------------------------------------------

void Parser::Advance() {
    cur_ = lexer_.Next();
    if (cur_.kind == Tok::Error) Fail(Here(), std::move(cur_.bytes));
}

bool Parser::Accept(Tok kind) {
    if (cur_.kind != kind) return false;
    Advance();
    return true;
}

void Parser::Require(Tok kind, std::string_view what) {
    if (cur_.kind != kind) FailExpected(what);
}

void Parser::Expect(Tok kind, std::string_view what) {
    Require(kind, what);
    Advance();
}

// "expected ')' to close '(' at 3:7"
void Parser::ExpectClosing(Tok closer, Pos open) {
    if (cur_.kind == closer) return Advance();
    const char* pair = closer == Tok::RParen ? "')' to close '('" : closer == Tok::RBracket ? "']' to close '['"
                                                                                          : "'}' to close '{'";
    FailExpected(std::string(pair) + " at " + std::to_string(open.line) + ":" + std::to_string(open.column));
}

void Parser::Fail(Pos at, std::string message) {
    throw Failure{{at.line, at.column, std::move(message)}};
}

// afterValue: an expression was just read, so a '=' here is an attempt to use
// assignment as a value (a = b = c, if (a = b)).
void Parser::FailExpected(std::string_view what, bool afterValue) {
    std::string message = "expected " + std::string(what) + ", found " + Describe(cur_);
    if (afterValue && (cur_.kind == Tok::Assign || FindCompound(cur_.kind))) {
        message += " (assignment is a statement and gives no value";
        message += cur_.kind == Tok::Assign ? "; to compare, use '==')" : ")";
    }
    Fail(Here(), std::move(message));
}

// ---- Nodes -----------------------------------------------------------------

Node* Parser::Make(NodeKind kind, Pos start, std::initializer_list<Node*> kids) {
    return Make(kind, start, kids, start);
}

// crossing: where to report a tree grown too deep (an operator's own position)
Node* Parser::Make(NodeKind kind, Pos start, std::initializer_list<Node*> kids, Pos crossing) {
    Node* node = tree_->NewNode(kind, start.line, start.column, static_cast<uint32_t>(kids.size()));
    uint32_t i = 0;
    for (Node* kid : kids) node->kids[i++] = kid;
    SetHeight(node, crossing, kMaxNesting);
    return node;
}

// A node whose kids are scratch_[mark..]; they are taken off scratch_.
Node* Parser::MakeList(NodeKind kind, Pos start, size_t mark, Pos crossing, int limit) {
    Node* node = tree_->NewNode(kind, start.line, start.column, static_cast<uint32_t>(scratch_.size() - mark));
    for (uint32_t i = 0; i < node->count; ++i) node->kids[i] = scratch_[mark + i];
    scratch_.resize(mark);
    SetHeight(node, crossing, limit);
    return node;
}

// Chains of operators and postfixes nest without recursing in the parser, so
// the tree's height is bounded here as well as the parser's own depth.
void Parser::SetHeight(Node* node, Pos crossing, int limit) {
    int tallest = 0;
    for (uint32_t i = 0; i < node->count; ++i)
        if (node->kids[i] != nullptr && node->kids[i]->height > tallest) tallest = node->kids[i]->height;
    if (tallest + 1 > limit) Fail(crossing, "nesting too deep");
    node->height = static_cast<uint16_t>(tallest + 1);
}

void Parser::SetName(Node* node, const NameTable::Entry& entry) {
    node->name = entry.id;
    node->text = entry.text;
}

// The name at cur_, which must be one; what says what it names.
NameTable::Entry Parser::TakeName(std::string_view what) {
    Require(Tok::Name, what);
    NameTable::Entry entry = tree_->Intern(cur_.text);
    Advance();
    return entry;
}

Node* Parser::NameNode() {
    Node* node = Make(NodeKind::Name, Here());
    SetName(node, TakeName("a name"));
    Use(node->name);
    return node;
}

// ---- Chunks ----------------------------------------------------------------

// script -> { statement } EOF
std::unique_ptr<SyntaxTree> Parser::Script() {
    Advance();
    size_t mark = scratch_.size();
    while (cur_.kind != Tok::Eof) scratch_.push_back(Statement());
    tree_->SetRoot(MakeList(NodeKind::Block, {1, 1}, mark, Here(), kMaxNesting + 1));
    return std::move(tree_);
}

// functiontext -> [ 'param' params ';' ] { statement } EOF
std::unique_ptr<SyntaxTree> Parser::FunctionText() {
    Advance();
    functions_ = 1;
    names_.emplace_back();
    size_t mark = scratch_.size();
    scratch_.push_back(nullptr);  // the body, once it is parsed
    if (Accept(Tok::Param)) {
        ParamNames();
        Expect(Tok::Semicolon, "';' after the parameter names");
    }
    Pos bodyStart = Here();
    size_t bodyMark = scratch_.size();
    while (cur_.kind != Tok::Eof) scratch_.push_back(Statement());
    Node* body = MakeList(NodeKind::Block, bodyStart, bodyMark, Here());
    scratch_[mark] = body;
    tree_->SetRoot(MakeList(NodeKind::Function, {1, 1}, mark, Here(), kMaxNesting + 1));
    return std::move(tree_);
}

// ---- Statements ------------------------------------------------------------

// statement -> block | ifstat | whilestat | forstat | jumpstat | funcstat
//            | returnstat | trystat | globalstat | ';' | simplestat ';'
Node* Parser::Statement() {
    Nest nest(*this);
    switch (cur_.kind) {
    case Tok::LBrace: return Block();
    case Tok::If: return IfStat();
    case Tok::While: return WhileStat();
    case Tok::For: return ForStat();
    case Tok::Break:
    case Tok::Continue: return JumpStat();
    case Tok::Function: return FuncStat();
    case Tok::Return: return ReturnStat();
    case Tok::Try: return TryStat();
    case Tok::Global: return GlobalStat();
    case Tok::Semicolon: {
        Node* node = Make(NodeKind::Empty, Here());
        Advance();
        return node;
    }
    case Tok::Param: Fail(Here(), "'param' can only be the first statement of a function given as source text");
    case Tok::Else: Fail(Here(), "'else' without a matching 'if'");
    case Tok::Catch: Fail(Here(), "'catch' without a matching 'try'");
    default: {
        Node* node = SimpleStat();
        // The last statement of a source may leave out its ';' (vesk -e 'print(7)').
        if (cur_.kind != Tok::Eof)
            Expect(Tok::Semicolon, node->kind == NodeKind::ExprStmt ? "';' after expression" : "';' after assignment");
        return node;
    }
    }
}

// block -> '{' { statement } '}'
Node* Parser::Block() {
    Pos open = Here();
    Advance();
    size_t mark = scratch_.size();
    while (cur_.kind != Tok::RBrace) {
        if (cur_.kind == Tok::Eof) ExpectClosing(Tok::RBrace, open);
        scratch_.push_back(Statement());
    }
    Advance();
    return MakeList(NodeKind::Block, open, mark, open);
}

// condition -> '(' expr ')'
Node* Parser::Condition(std::string_view paren) {
    Pos open = Here();
    Expect(Tok::LParen, paren);
    Node* condition = Expr();
    ExpectClosing(Tok::RParen, open);
    return condition;
}

// ifstat -> 'if' condition statement [ 'else' statement ]
Node* Parser::IfStat() {
    Pos start = Here();
    Advance();
    Node* condition = Condition("'(' after 'if'");
    Node* then = Statement();
    Node* otherwise = Accept(Tok::Else) ? Statement() : nullptr;
    return Make(NodeKind::If, start, {condition, then, otherwise});
}

Node* Parser::LoopBody() {
    ++loops_;
    Node* body = Statement();
    --loops_;
    return body;
}

// whilestat -> 'while' condition statement
Node* Parser::WhileStat() {
    Pos start = Here();
    Advance();
    Node* condition = Condition("'(' after 'while'");
    return Make(NodeKind::While, start, {condition, LoopBody()});
}

// forstat -> 'for' '(' [ simplestat ] ';' [ expr ] ';' [ simplestat ] ')' statement
Node* Parser::ForStat() {
    Pos start = Here();
    Advance();
    Pos open = Here();
    Expect(Tok::LParen, "'(' after 'for'");
    Node* init = cur_.kind == Tok::Semicolon ? nullptr : SimpleStat();
    Expect(Tok::Semicolon, "';' after the loop's first part");
    Node* condition = cur_.kind == Tok::Semicolon ? nullptr : Expr();
    Expect(Tok::Semicolon, "';' after the loop's condition");
    Node* step = cur_.kind == Tok::RParen ? nullptr : SimpleStat();
    ExpectClosing(Tok::RParen, open);
    return Make(NodeKind::For, start, {init, condition, step, LoopBody()});
}

// jumpstat -> ( 'break' | 'continue' ) ';'
Node* Parser::JumpStat() {
    bool isBreak = cur_.kind == Tok::Break;
    if (loops_ == 0) Fail(Here(), isBreak ? "'break' outside a loop" : "'continue' outside a loop");
    Node* node = Make(isBreak ? NodeKind::Break : NodeKind::Continue, Here());
    Advance();
    Expect(Tok::Semicolon, isBreak ? "';' after 'break'" : "';' after 'continue'");
    return node;
}

// funcstat -> 'function' NAME '(' [ params ] ')' block
Node* Parser::FuncStat() {
    Pos start = Here();
    Advance();
    NameTable::Entry name = TakeName("a function name after 'function'");
    Use(name.id);
    names_.emplace_back();
    Pos open = Here();
    Expect(Tok::LParen, "'(' after the function name");
    size_t mark = scratch_.size();
    scratch_.push_back(nullptr);  // the body, once it is parsed
    if (cur_.kind != Tok::RParen) ParamNames();
    ExpectClosing(Tok::RParen, open);
    Require(Tok::LBrace, "'{' to begin the function body");
    int outerLoops = loops_;  // a loop around the declaration is not the body's
    loops_ = 0;
    ++functions_;
    Node* body = Block();
    --functions_;
    names_.pop_back();
    loops_ = outerLoops;
    scratch_[mark] = body;
    Node* node = MakeList(NodeKind::Function, start, mark, start);
    SetName(node, name);
    return node;
}

// params -> NAME { ',' NAME }      (each name once; onto scratch_)
void Parser::ParamNames() {
    std::unordered_set<int32_t> seen;
    do {
        Require(Tok::Name, "a parameter name");
        Node* name = NameNode();
        if (!seen.insert(name->name).second)
            Fail({name->line, name->column}, "duplicate parameter name '" + std::string(name->Text()) + "'");
        names_.back().params.insert(name->name);
        scratch_.push_back(name);
    } while (Accept(Tok::Comma));
}

// returnstat -> 'return' [ expr ] ';'
Node* Parser::ReturnStat() {
    if (functions_ == 0) Fail(Here(), "'return' outside a function");
    Pos start = Here();
    Advance();
    Node* value = cur_.kind == Tok::Semicolon ? nullptr : Expr();
    Expect(Tok::Semicolon, value ? "';' after the return value" : "';' after 'return'");
    return Make(NodeKind::Return, start, {value});
}

// trystat -> 'try' block 'catch' '(' NAME ')' block
Node* Parser::TryStat() {
    Pos start = Here();
    Advance();
    Require(Tok::LBrace, "'{' after 'try'");
    Node* body = Block();
    Expect(Tok::Catch, "'catch' after the try block");
    Pos open = Here();
    Expect(Tok::LParen, "'(' after 'catch'");
    NameTable::Entry name = TakeName("a name for the caught errors");
    Use(name.id);
    ExpectClosing(Tok::RParen, open);
    Require(Tok::LBrace, "'{' after 'catch (...)'");
    Node* handler = Block();
    Node* node = Make(NodeKind::Try, start, {body, handler});
    SetName(node, name);
    return node;
}

// globalstat -> 'global' NAME { ',' NAME } ';'
// At the top level every name is global already, and the statement does
// nothing.
Node* Parser::GlobalStat() {
    Pos start = Here();
    Advance();
    size_t mark = scratch_.size();
    do {
        Pos at = Here();
        if (cur_.kind != Tok::Name) Fail(at, "'global' is a keyword and takes the names of globals: global x, y;");
        NameTable::Entry name = TakeName("a name after 'global'");
        if (!names_.empty()) {
            std::string text(name.text.data, name.text.size);
            if (names_.back().params.count(name.id))
                Fail(at, "'" + text + "' is a parameter of this function and cannot also be global");
            if (names_.back().used.count(name.id))
                Fail(at, "'" + text + "' is used above in this function; put 'global " + text + "' before its first use");
        }
        Node* node = Make(NodeKind::Name, at);
        SetName(node, name);
        scratch_.push_back(node);
    } while (Accept(Tok::Comma));
    Expect(Tok::Semicolon, "';' after the global names");
    return MakeList(NodeKind::Global, start, mark, start);
}

// simplestat -> expr [ ( '=' | '+=' | '-=' | '*=' | '/=' | '%=' ) expr ]
Node* Parser::SimpleStat() {
    Pos start = Here();
    Node* target = Expr();
    const CompoundRule* compound = FindCompound(cur_.kind);
    if (cur_.kind != Tok::Assign && compound == nullptr) return Make(NodeKind::ExprStmt, start, {target});
    CheckTarget(target);
    Pos at = Here();
    Advance();
    Node* value = Expr();
    Node* node = Make(compound ? NodeKind::CompoundAssign : NodeKind::Assign, start, {target, value}, at);
    if (compound) node->op = compound->op;
    return node;
}

// Only a name, an element or a member takes a value; cur_ is the '=' or 'op='.
void Parser::CheckTarget(const Node* target) {
    if (target->kind == NodeKind::Name || target->kind == NodeKind::Index || target->kind == NodeKind::Member)
        return;
    Fail({target->line, target->column},
         std::string("cannot assign to ") + WhatItIs(target) + ": the left side of " + Excerpt(cur_.text) +
             " must be a name, an element v[i] or a member p.x");
}

// ---- Expressions -----------------------------------------------------------

// expr -> binary(1)
Node* Parser::Expr() {
    Nest nest(*this);
    return Binary(1);
}

// binary(n) -> unary { op binary(level(op) + 1) }    for ops of level >= n
// Left-associative; the levels are in kBinaryRules. The recursion only climbs
// levels, so its depth is bounded by their number.
Node* Parser::Binary(int minLevel) {
    Node* left = Unary();
    for (const BinaryRule* rule; (rule = FindBinary(cur_.kind)) != nullptr && rule->level >= minLevel;) {
        Pos at = Here();
        Advance();
        Node* right = Binary(rule->level + 1);
        left = Make(rule->kind, {left->line, left->column}, {left, right}, at);
        left->op = rule->op;
    }
    return left;
}

// unary -> ( '-' | '!' | '~' ) unary | postfix
Node* Parser::Unary() {
    Op op = cur_.kind == Tok::Minus ? Op::Neg
          : cur_.kind == Tok::Bang  ? Op::Not
          : cur_.kind == Tok::Tilde ? Op::BitNot
                                    : Op::None;
    if (op == Op::None) return Postfix(Primary());
    Nest nest(*this);
    Pos start = Here();
    Advance();
    if (op == Op::Neg && cur_.kind == Tok::Int && cur_.intValue == kMinIntMagnitude) {
        // -2147483648: the one integer whose digits alone do not fit
        Node* literal = Make(NodeKind::Int, start);
        literal->intValue = INT32_MIN;
        Advance();
        return Postfix(literal);
    }
    Node* node = Make(NodeKind::Unary, start, {Unary()});
    node->op = op;
    return node;
}

// postfix -> primary { '->' NAME args | args | '.' NAME | '[' expr ']' }
Node* Parser::Postfix(Node* node) {
    Pos start{node->line, node->column};
    for (;;) {
        Pos at = Here();
        size_t mark = scratch_.size();
        switch (cur_.kind) {
        case Tok::Arrow: {
            Advance();
            NameTable::Entry name = TakeName("a method name after '->'");
            Require(Tok::LParen, "'(' after the method name");
            scratch_.push_back(node);
            Args();
            node = MakeList(NodeKind::Method, start, mark, at);
            SetName(node, name);
            break;
        }
        case Tok::LParen:
            scratch_.push_back(node);
            Args();
            node = MakeList(NodeKind::Call, start, mark, at);
            break;
        case Tok::Dot: {
            Advance();
            NameTable::Entry name = TakeName("a member name after '.'");
            node = Make(NodeKind::Member, start, {node}, at);
            SetName(node, name);
            break;
        }
        case Tok::LBracket: {
            Advance();
            Node* index = Expr();
            ExpectClosing(Tok::RBracket, at);
            node = Make(NodeKind::Index, start, {node, index}, at);
            break;
        }
        default: return node;
        }
    }
}

// args -> '(' exprlist ')'      (onto scratch_)
void Parser::Args() {
    Pos open = Here();
    Advance();
    ExprList(Tok::RParen, open);
}

// exprlist -> [ expr { ',' expr } ]      (onto scratch_, then the closer)
void Parser::ExprList(Tok closer, Pos open) {
    if (cur_.kind != closer) {
        do scratch_.push_back(Expr());
        while (Accept(Tok::Comma));
    }
    ExpectClosing(closer, open);
}

// primary -> INT | DOUBLE | STRING | 'true' | 'false' | 'null' | NAME
//          | '(' expr ')' | vector | newexpr
Node* Parser::Primary() {
    Pos start = Here();
    Node* node;
    switch (cur_.kind) {
    case Tok::Int:
        if (cur_.intValue > INT32_MAX)
            Fail(start, "integer " + Excerpt(cur_.text) +
                            " does not fit in 32 bits; add a decimal point to make it a double");
        node = Make(NodeKind::Int, start);
        node->intValue = static_cast<int32_t>(cur_.intValue);
        break;
    case Tok::Double:
        node = Make(NodeKind::Double, start);
        node->doubleValue = cur_.doubleValue;
        break;
    case Tok::String:
        node = Make(NodeKind::String, start);
        node->text = tree_->CopyBytes(cur_.bytes);
        break;
    case Tok::True:
    case Tok::False:
        node = Make(NodeKind::Bool, start);
        node->intValue = cur_.kind == Tok::True;
        break;
    case Tok::Null: node = Make(NodeKind::Null, start); break;
    case Tok::Name: return NameNode();
    case Tok::LParen: {
        Advance();
        Node* inner = Expr();
        ExpectClosing(Tok::RParen, start);
        return inner;
    }
    case Tok::LBracket: return VectorLit();
    case Tok::New: return NewExpr();
    default: FailExpected("expression", false);
    }
    Advance();
    return node;
}

// vector -> '[' exprlist ']'
Node* Parser::VectorLit() {
    Pos open = Here();
    Advance();
    size_t mark = scratch_.size();
    ExprList(Tok::RBracket, open);
    return MakeList(NodeKind::Vector, open, mark, open);
}

// newexpr -> 'new' NAME args      (the parentheses are required: new C())
Node* Parser::NewExpr() {
    Pos start = Here();
    Advance();
    NameTable::Entry name = TakeName("a class name after 'new'");
    if (cur_.kind != Tok::LParen) FailExpected("'(' after 'new " + std::string(name.text.data) + "'");
    size_t mark = scratch_.size();
    Args();
    Node* node = MakeList(NodeKind::New, start, mark, start);
    SetName(node, name);
    return node;
}

ParseResult Run(std::string_view source, NameInterner interner, bool functionText) {
    ParseResult result;
    if (source.size() > size_t(INT32_MAX)) {  // positions are 32-bit
        result.error = {1, 1, "source too large"};
        return result;
    }
    try {
        Parser parser(source, std::move(interner));
        result.tree = functionText ? parser.FunctionText() : parser.Script();
    } catch (Failure& failure) {
        result.error = std::move(failure.error);
    }
    return result;
}

}  // namespace

std::string ParseError::ToString() const {
    return std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

ParseResult ParseScript(std::string_view source, NameInterner interner) {
    return Run(source, std::move(interner), false);
}

ParseResult ParseFunctionText(std::string_view source, NameInterner interner) {
    return Run(source, std::move(interner), true);
}

namespace {

// Binary operators, lowest precedence first.
const BinaryRule kBinaryRules[] = {
    {Tok::OrOr, 1, NodeKind::Or, Op::None},
    {Tok::AndAnd, 2, NodeKind::And, Op::None},
    {Tok::Pipe, 3, NodeKind::Binary, Op::BitOr},
    {Tok::Caret, 4, NodeKind::Binary, Op::BitXor},
    {Tok::Amp, 5, NodeKind::Binary, Op::BitAnd},
    {Tok::EqEq, 6, NodeKind::Binary, Op::Eq},
    {Tok::NotEq, 6, NodeKind::Binary, Op::Ne},
    {Tok::Lt, 7, NodeKind::Binary, Op::Lt},
    {Tok::Le, 7, NodeKind::Binary, Op::Le},
    {Tok::Gt, 7, NodeKind::Binary, Op::Gt},
    {Tok::Ge, 7, NodeKind::Binary, Op::Ge},
    {Tok::Shl, 8, NodeKind::Binary, Op::Shl},
    {Tok::Shr, 8, NodeKind::Binary, Op::Shr},
    {Tok::Plus, 9, NodeKind::Binary, Op::Add},
    {Tok::Minus, 9, NodeKind::Binary, Op::Sub},
    {Tok::Star, 10, NodeKind::Binary, Op::Mul},
    {Tok::Slash, 10, NodeKind::Binary, Op::Div},
    {Tok::Percent, 10, NodeKind::Binary, Op::Mod},
};
const size_t kBinaryRuleCount = sizeof kBinaryRules / sizeof kBinaryRules[0];

const CompoundRule kCompoundRules[] = {
    {Tok::PlusAssign, Op::Add},
    {Tok::MinusAssign, Op::Sub},
    {Tok::StarAssign, Op::Mul},
    {Tok::SlashAssign, Op::Div},
    {Tok::PercentAssign, Op::Mod},
};
const size_t kCompoundRuleCount = sizeof kCompoundRules / sizeof kCompoundRules[0];

}  // namespace

}  // namespace vesk
