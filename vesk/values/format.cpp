// How values print and how messages name their kinds. A printed form is
// bounded twice: vectors nested deeper than kMaxPrintDepth print as [...],
// and the whole form stops at a length limit with "...". So a vector that
// holds itself, or shares parts (a DAG that would unfold exponentially),
// prints in time and memory linear in what is written.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "vesk/values/object.h"
#include "vesk/values/value.h"

namespace vesk {

namespace {

constexpr int kMaxPrintDepth = 64;  // deeper vectors print as [...]

// The shortest digits that read back to the same value, written out in full
// for magnitudes from 1e-7 to 1e21 (500000, not 5e+05) and with an exponent
// beyond them.
template <class T>
std::string Shortest(T value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string sci(buf, r.ptr);
    size_t e = sci.find('e');
    int exponent = std::atoi(sci.c_str() + e + 1);
    if (exponent < -7 || exponent >= 21) return sci;
    bool negative = sci[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; i++)
        if (sci[i] != '.') digits += sci[i];
    std::string out = negative ? "-" : "";
    if (exponent < 0) return out + "0." + std::string(-exponent - 1, '0') + digits;
    if (static_cast<int>(digits.size()) <= exponent + 1)
        return out + digits + std::string(exponent + 1 - digits.size(), '0');
    return out + digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
}

// Writes printed forms into one string until it holds `limit` bytes; what
// would go beyond is replaced by "..." and nothing more is visited.
class Printer {
public:
    explicit Printer(size_t limit) : limit_(limit) {}

    void Value(const Variable& v, int depth);
    std::string out;

private:
    bool Put(std::string_view s) {
        if (cut_) return false;
        if (s.size() <= limit_ - out.size()) {
            out += s;
            return true;
        }
        out += s.substr(0, limit_ - out.size());
        out += "...";
        cut_ = true;
        return false;
    }
    void Elements(const Vector* vec, int depth);
    void Object(HostObject* o, int depth);

    size_t limit_;
    bool cut_ = false;
};

void Printer::Elements(const Vector* vec, int depth) {
    if (depth >= kMaxPrintDepth) {
        Put("[...]");
        return;
    }
    if (!Put("[")) return;
    for (int i = 0; i < vec->count; i++) {
        if (i && !Put(", ")) return;
        Value(vec->items[i], depth + 1);
        if (cut_) return;
    }
    Put("]");
}

// Host objects with members print them, POINT3(1, 2, 3); others as <Class>.
void Printer::Object(HostObject* o, int depth) {
    if (!o->cls || !o->cls->hooks.printMembers) {
        Put("<");
        Put(o->ClassName());
        Put(">");
        return;
    }
    if (depth >= kMaxPrintDepth) {
        Put(o->ClassName());
        Put("(...)");
        return;
    }
    auto* h = static_cast<MemberObject*>(o);
    Put(o->ClassName());
    if (!Put("(")) return;
    for (size_t i = 0; i < h->members.size(); i++) {
        if (i && !Put(", ")) return;
        Value(h->members[i].second, depth + 1);
        if (cut_) return;
    }
    Put(")");
}

void Printer::Value(const Variable& v, int depth) {
    if (cut_) return;
    switch (v.type) {
    case VT_EMPTY: Put("null"); break;
    case VT_BOOL: Put(v.data.i ? "true" : "false"); break;
    case VT_BYTE: Put(std::to_string(v.data.b)); break;
    case VT_INT: Put(std::to_string(v.data.i)); break;
    case VT_FLOAT: Put(Shortest(v.data.f)); break;
    case VT_DOUBLE: Put(Shortest(*v.data.d)); break;
    case VT_FUNCTION:
        Put(FunctionOf(v)->name.empty() ? "<function>" : "<function " + FunctionOf(v)->name + ">");
        break;
    case VT_STRING: Put(StringOf(v)); break;
    case VT_DATA: Put("<data " + std::to_string(BlobOf(v)->size) + " bytes>"); break;
    case VT_VECTOR: Elements(v.data.vec, depth); break;
    case VT_OBJECT: Object(ObjectOf(v), depth); break;
    case VT_REF:
    case VT_NATIVEREF:
        if (depth >= kMaxPrintDepth) Put("...");
        else Value(CellOf(v)->value, depth + 1);
        break;
    default: Put("<type " + std::to_string(v.type) + ">"); break;
    }
}

}  // namespace

std::string Format(const Variable& v, size_t limit) {
    Printer p(limit);
    p.Value(v, 0);
    return std::move(p.out);
}

// Control bytes are written \xHH, so that a message stays one plain line.
std::string Clip(std::string_view text, size_t limit) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
        else ((out += "\\x") += kHex[c >> 4]) += kHex[c & 15];
    }
    if (text.size() > limit) out += "...";
    return out;
}

std::string KindName(const Variable& v) {
    switch (v.type) {
    case VT_EMPTY: return "null";
    case VT_BOOL: return "boolean";
    case VT_BYTE: return "byte";
    case VT_INT: return "integer";
    case VT_FLOAT: return "float";
    case VT_DOUBLE: return "double";
    case VT_FUNCTION: return "function";
    case VT_STRING: return "string";
    case VT_DATA: return "data block";
    case VT_VECTOR: return "vector";
    case VT_OBJECT: return std::string(ObjectOf(v)->ClassName()) + " object";
    case VT_REF:
    case VT_NATIVEREF: return "reference to a " + KindName(CellOf(v)->value);
    default: return "value of type " + std::to_string(v.type);
    }
}

std::string WithArticle(const std::string& noun) {
    bool vowel = !noun.empty() && std::string("aeiouAEIOU").find(noun[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + noun;
}

std::string AKind(const Variable& v) { return WithArticle(KindName(v)); }

}  // namespace vesk
