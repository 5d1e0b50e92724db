// From syntax tree to the interpreter's compiled form: which names of a
// function are its locals, literals made into values, and calls marked so
// that the evaluator knows which operands it may read in place.
#include <unordered_map>

#include "vesk/code.h"

namespace vesk::code {

namespace {

// The locals of one function: the names it assigns anywhere in its body
// (outside nested functions), the names of functions it declares, its catch
// variables, and first its parameters.
class Scope {
public:
    int Find(int32_t name) const {
        auto it = slots_.find(name);
        return it == slots_.end() ? -1 : it->second;
    }
    void Add(int32_t name) { slots_.emplace(name, static_cast<int>(slots_.size())); }
    int Count() const { return static_cast<int>(slots_.size()); }

    // Walks statements; the parser bounds their nesting, so recursion is safe.
    void Collect(const Node* s) {
        if (!s) return;
        switch (s->kind) {
        case NodeKind::Block:
            for (uint32_t i = 0; i < s->count; i++) Collect(s->kids[i]);
            break;
        case NodeKind::Assign:
        case NodeKind::CompoundAssign:
            if (s->kids[0]->kind == NodeKind::Name) Add(s->kids[0]->name);
            break;
        case NodeKind::If: Collect(s->kids[1]); Collect(s->kids[2]); break;
        case NodeKind::While: Collect(s->kids[1]); break;
        case NodeKind::For: Collect(s->kids[0]); Collect(s->kids[2]); Collect(s->kids[3]); break;
        case NodeKind::Function: Add(s->name); break;
        case NodeKind::Try: Collect(s->kids[0]); Add(s->name); Collect(s->kids[1]); break;
        default: break;
        }
    }

private:
    std::unordered_map<int32_t, int> slots_;
};

class Compiler {
public:
    explicit Compiler(Program* program) : program_(program) {}

    FunctionCode* Function(const Node* fn, const std::string& name);
    FunctionCode* TopLevel(const Node* block);

private:
    Code* New(K kind, const Node* from);
    Code* NameRef(const Node* from, int32_t name, const char* text);
    const Code* Expr(const Node* e);
    const Code* Stat(const Node* s);
    const Code* Literal(const Node* e);

    Program* program_;
    const Scope* scope_ = nullptr;  // null at top level: every name is global
};

Code* Compiler::New(K kind, const Node* from) {
    Code& c = program_->nodes.emplace_back();
    c.kind = kind;
    c.line = program_->functionText ? 0 : from->line;
    c.op = from->op;
    c.name = from->name;
    if (from->name >= 0) c.text = from->text.data;
    return &c;
}

Code* Compiler::NameRef(const Node* from, int32_t name, const char* text) {
    int slot = scope_ ? scope_->Find(name) : -1;
    Code* c = New(slot >= 0 ? K::Local : K::Global, from);
    c->name = name;
    c->text = text;
    c->slot = slot;
    c->builtin = static_cast<int16_t>(BuiltinIndex(name));
    return c;
}

const Code* Compiler::Literal(const Node* e) {
    Code* c = New(K::Const, e);
    switch (e->kind) {
    case NodeKind::Int: c->constant = static_cast<int>(e->intValue); break;
    case NodeKind::Double: c->constant = e->doubleValue; break;
    case NodeKind::String: SetString(c->constant, e->text.data, e->text.size); break;
    case NodeKind::Bool: SetBool(c->constant, e->intValue != 0); break;
    default: break;  // null
    }
    return c;
}

const Code* Compiler::Expr(const Node* e) {
    K kind;
    switch (e->kind) {
    case NodeKind::Int:
    case NodeKind::Double:
    case NodeKind::String:
    case NodeKind::Bool:
    case NodeKind::Null: return Literal(e);
    case NodeKind::Name: return NameRef(e, e->name, e->text.data);
    case NodeKind::Vector: kind = K::Vector; break;
    case NodeKind::Unary: kind = K::Unary; break;
    case NodeKind::Binary: kind = K::Binary; break;
    case NodeKind::And: kind = K::And; break;
    case NodeKind::Or: kind = K::Or; break;
    case NodeKind::Call: kind = K::Call; break;
    case NodeKind::Method: kind = K::Method; break;
    case NodeKind::Member: kind = K::Member; break;
    case NodeKind::Index: kind = K::Index; break;
    case NodeKind::New: kind = K::New; break;
    default: kind = K::Empty; break;  // the parser gives no other expression
    }
    Code* c = New(kind, e);
    c->pure = kind != K::Call && kind != K::Method && kind != K::New;
    for (uint32_t i = 0; i < e->count; i++) {
        const Code* kid = Expr(e->kids[i]);
        c->pure = c->pure && kid->pure;
        c->kids.push_back(kid);
    }
    return c;
}

const Code* Compiler::Stat(const Node* s) {
    if (!s) return nullptr;
    switch (s->kind) {
    case NodeKind::Function: {
        Code* c = New(K::Function, s);
        c->function = Function(s, std::string(s->Text()));
        c->kids.push_back(NameRef(s, s->name, s->text.data));
        return c;
    }
    case NodeKind::Try: {
        Code* c = New(K::Try, s);
        c->kids.push_back(Stat(s->kids[0]));
        c->kids.push_back(NameRef(s, s->name, s->text.data));
        c->kids.push_back(Stat(s->kids[1]));
        return c;
    }
    case NodeKind::Assign:
    case NodeKind::CompoundAssign: {
        Code* c = New(s->kind == NodeKind::Assign ? K::Assign : K::Compound, s);
        c->kids.push_back(Expr(s->kids[0]));
        c->kids.push_back(Expr(s->kids[1]));
        return c;
    }
    case NodeKind::ExprStmt: {
        Code* c = New(K::Expr, s);
        c->kids.push_back(Expr(s->kids[0]));
        return c;
    }
    case NodeKind::If:
    case NodeKind::While: {
        Code* c = New(s->kind == NodeKind::If ? K::If : K::While, s);
        c->kids.push_back(Expr(s->kids[0]));
        for (uint32_t i = 1; i < s->count; i++) c->kids.push_back(Stat(s->kids[i]));
        return c;
    }
    case NodeKind::For: {
        Code* c = New(K::For, s);
        c->kids.push_back(Stat(s->kids[0]));
        c->kids.push_back(s->kids[1] ? Expr(s->kids[1]) : nullptr);
        c->kids.push_back(Stat(s->kids[2]));
        c->kids.push_back(Stat(s->kids[3]));
        return c;
    }
    case NodeKind::Return: {
        Code* c = New(K::Return, s);
        c->kids.push_back(s->kids[0] ? Expr(s->kids[0]) : nullptr);
        return c;
    }
    case NodeKind::Block: {
        Code* c = New(K::Block, s);
        for (uint32_t i = 0; i < s->count; i++) c->kids.push_back(Stat(s->kids[i]));
        return c;
    }
    case NodeKind::Break: return New(K::Break, s);
    case NodeKind::Continue: return New(K::Continue, s);
    default: return New(K::Empty, s);
    }
}

// fn: a Function node; kids[0] is the body, the rest its parameters.
FunctionCode* Compiler::Function(const Node* fn, const std::string& name) {
    FunctionCode& f = program_->functions.emplace_back();
    f.program = program_;
    f.name = name;
    f.line = fn->line;
    Scope scope;
    for (uint32_t i = 1; i < fn->count; i++) scope.Add(fn->kids[i]->name);
    f.params = static_cast<int>(fn->count) - 1;
    scope.Collect(fn->kids[0]);
    f.slots = scope.Count();
    const Scope* outer = scope_;
    scope_ = &scope;
    f.body = Stat(fn->kids[0]);
    scope_ = outer;
    return &f;
}

FunctionCode* Compiler::TopLevel(const Node* block) {
    FunctionCode& f = program_->functions.emplace_back();
    f.program = program_;
    f.line = 1;
    f.body = Stat(block);
    return &f;
}

}  // namespace

std::shared_ptr<Program> Compile(std::unique_ptr<SyntaxTree> tree, bool functionText) {
    auto program = std::make_shared<Program>();
    program->functionText = functionText;
    program->tree = std::move(tree);
    Compiler compiler(program.get());
    const Node* root = program->tree->Root();
    if (functionText) compiler.Function(root, "");
    else compiler.TopLevel(root);
    return program;
}

}  // namespace vesk::code
