// The syntax tree's storage (arena, name table, node allocation) and its
// S-expression printer.
#include "vesk/syntax/ast.h"

#include <charconv>
#include <cstring>

namespace vesk {

namespace {
extern const char* const kKindNames[];
extern const char* const kOpTexts[];
}  // namespace

void* Arena::Allocate(size_t size, size_t align) {
    size_t pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
    if (next_ == nullptr || pad + size > left_) {
        // Big requests (a block of a million statements) get a block of their own.
        size_t blockSize = size + align > kBlockSize ? size + align : kBlockSize;
        blocks_.push_back(std::make_unique<char[]>(blockSize));
        next_ = blocks_.back().get();
        left_ = blockSize;
        pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
    }
    char* result = next_ + pad;
    next_ = result + size;
    left_ -= pad + size;
    return result;
}

Bytes Arena::Copy(std::string_view bytes) {
    char* data = static_cast<char*>(Allocate(bytes.size() + 1, 1));
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    data[bytes.size()] = '\0';
    return {data, static_cast<uint32_t>(bytes.size())};
}

const NameTable::Entry* NameTable::Find(std::string_view text) const {
    auto it = index_.find(text);
    return it == index_.end() ? nullptr : &entries_[it->second];
}

NameTable::Entry SyntaxTree::Intern(std::string_view text) {
    auto it = names_.index_.find(text);
    if (it != names_.index_.end()) return names_.entries_[it->second];
    Bytes copy = arena_.Copy(text);
    int32_t id = names_.interner_ ? names_.interner_(copy.data)
                                  : static_cast<int32_t>(names_.entries_.size());
    names_.entries_.push_back({id, copy});
    names_.index_.emplace(std::string_view(copy.data, copy.size), names_.entries_.size() - 1);
    return names_.entries_.back();
}

Node* SyntaxTree::NewNode(NodeKind kind, int32_t line, int32_t column, uint32_t count) {
    Node* node = static_cast<Node*>(arena_.Allocate(sizeof(Node), alignof(Node)));
    node->kind = kind;
    node->op = Op::None;
    node->height = 1;
    node->line = line;
    node->column = column;
    node->name = -1;
    node->count = count;
    node->kids = count == 0 ? nullptr
                            : static_cast<Node**>(arena_.Allocate(count * sizeof(Node*), alignof(Node*)));
    for (uint32_t i = 0; i < count; ++i) node->kids[i] = nullptr;
    node->text = {"", 0};
    return node;
}

const char* OpText(Op op) { return kOpTexts[static_cast<int>(op)]; }
const char* KindName(NodeKind kind) { return kKindNames[static_cast<int>(kind)]; }

namespace {

// Shortest text that reads back as the same double, always marked as a double.
void AppendDouble(std::string& out, double value) {
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string_view text(buffer, end - buffer);
    out += text;
    if (text.find_first_of(".en") == std::string_view::npos) out += ".0";
}

void AppendQuoted(std::string& out, std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (unsigned char c : bytes) {
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\\' || c == '"') (out += '\\') += static_cast<char>(c);
        else if (c < 0x20 || c >= 0x7F) ((out += "\\x") += kHex[c >> 4]) += kHex[c & 15];
        else out += static_cast<char>(c);
    }
    out += '"';
}

void Print(std::string& out, const Node* node);

void PrintKids(std::string& out, const Node* node, uint32_t from) {
    for (uint32_t i = from; i < node->count; ++i) {
        out += ' ';
        Print(out, node->kids[i]);
    }
}

const char* Head(const Node* node) {
    switch (node->kind) {
    case NodeKind::Unary:
    case NodeKind::Binary: return OpText(node->op);
    default: return KindName(node->kind);
    }
}

void Print(std::string& out, const Node* node) {
    if (node == nullptr) {
        out += '_';
        return;
    }
    switch (node->kind) {
    case NodeKind::Int: out += std::to_string(node->intValue); return;
    case NodeKind::Double: AppendDouble(out, node->doubleValue); return;
    case NodeKind::String: AppendQuoted(out, node->Text()); return;
    case NodeKind::Bool: out += node->intValue ? "true" : "false"; return;
    case NodeKind::Null: out += "null"; return;
    case NodeKind::Name: out += node->Text(); return;
    case NodeKind::Vector:
        out += "[";
        for (uint32_t i = 0; i < node->count; ++i) {
            if (i > 0) out += ' ';
            Print(out, node->kids[i]);
        }
        out += "]";
        return;
    case NodeKind::CompoundAssign: ((out += '(') += OpText(node->op)) += '='; break;
    case NodeKind::Method:  // a method call reads as a call of obj->Name
        out += "(call (-> ";
        Print(out, node->kids[0]);
        ((out += ' ') += node->Text()) += ')';
        PrintKids(out, node, 1);
        out += ')';
        return;
    case NodeKind::Member:
        out += "(. ";
        Print(out, node->kids[0]);
        ((out += ' ') += node->Text()) += ')';
        return;
    case NodeKind::Function:
        out += "(function ";
        out += node->name < 0 ? std::string_view("_") : node->Text();
        out += " (";
        for (uint32_t i = 1; i < node->count; ++i) {
            if (i > 1) out += ' ';
            Print(out, node->kids[i]);
        }
        out += ") ";
        Print(out, node->kids[0]);
        out += ')';
        return;
    case NodeKind::Try:
        out += "(try ";
        Print(out, node->kids[0]);
        ((out += ' ') += node->Text()) += ' ';
        Print(out, node->kids[1]);
        out += ')';
        return;
    default: (out += '(') += Head(node); break;
    }
    if (node->kind == NodeKind::New) (out += ' ') += node->Text();
    PrintKids(out, node, 0);
    out += ')';
}

}  // namespace

std::string ToSExpr(const Node* node) {
    std::string out;
    Print(out, node);
    return out;
}

namespace {

// Indexed by NodeKind; also the heads the printer writes.
const char* const kKindNames[] = {
    "int", "double", "string", "bool", "null", "name", "vector", "unary", "binary",
    "&&", "||", "call", "->", ".", "index", "new",
    "block", "expr", "=", "compound", "if", "while", "for", "break", "continue",
    "function", "return", "try", "global", "empty",
};
static_assert(sizeof kKindNames / sizeof kKindNames[0] == static_cast<size_t>(NodeKind::Empty) + 1);

// Indexed by Op.
const char* const kOpTexts[] = {
    "",
    "+", "-", "*", "/", "%",
    "<<", ">>", "&", "|", "^",
    "==", "!=", "<", "<=", ">", ">=",
    "-", "!", "~",
};
static_assert(sizeof kOpTexts / sizeof kOpTexts[0] == static_cast<size_t>(Op::BitNot) + 1);

}  // namespace

}  // namespace vesk
