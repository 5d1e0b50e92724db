// How values print and how messages name their kinds.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "vesk/classes.h"
#include "vesk/value.h"

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

void FormatInto(std::string& out, const Variable& v, int depth);

void FormatVector(std::string& out, Vector* vec, int depth) {
    if (depth >= kMaxPrintDepth) {
        out += "[...]";
        return;
    }
    out += '[';
    for (int i = 0; i < vec->count; i++) {
        if (i) out += ", ";
        FormatInto(out, vec->items[i], depth + 1);
    }
    out += ']';
}

void FormatInto(std::string& out, const Variable& v, int depth) {
    switch (v.type) {
    case VT_EMPTY: out += "null"; break;
    case VT_BOOL: out += v.data.i ? "true" : "false"; break;
    case VT_BYTE: out += std::to_string(v.data.b); break;
    case VT_INT: out += std::to_string(v.data.i); break;
    case VT_FLOAT: out += Shortest(v.data.f); break;
    case VT_DOUBLE: out += Shortest(*v.data.d); break;
    case VT_FUNCTION:
        out += v.data.fn->name.empty() ? "<function>" : "<function " + v.data.fn->name + ">";
        break;
    case VT_STRING: out += StringOf(v); break;
    case VT_DATA: out += "<data " + std::to_string(v.data.blob->size) + " bytes>"; break;
    case VT_VECTOR: FormatVector(out, v.data.vec, depth); break;
    case VT_OBJECT: {
        VObject* o = v.data.obj;
        if (o->cls && o->cls->hooks.format) out += o->cls->hooks.format(o);
        else out += std::string("<") + o->ClassName() + ">";
        break;
    }
    case VT_REF:
    case VT_NATIVEREF: FormatInto(out, v.data.ref->value, depth + 1); break;
    default: out += "<type " + std::to_string(v.type) + ">"; break;
    }
}

}  // namespace

std::string Format(const Variable& v) {
    std::string out;
    FormatInto(out, v, 0);
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
    case VT_OBJECT: return std::string(v.data.obj->ClassName()) + " object";
    case VT_REF:
    case VT_NATIVEREF: return "reference to a " + KindName(v.data.ref->value);
    default: return "value of type " + std::to_string(v.type);
    }
}

std::string WithArticle(const std::string& noun) {
    bool vowel = !noun.empty() && std::string("aeiouAEIOU").find(noun[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + noun;
}

std::string AKind(const Variable& v) { return WithArticle(KindName(v)); }

}  // namespace vesk
