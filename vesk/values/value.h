// The host's side of script values: the cells behind strings, data blocks,
// references and functions, and the helpers the interpreter and the host
// classes use to make, inspect and print values.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/vesk.h"

// Bytes of a string or data block, shared by reference count. Strings keep
// a zero byte after their bytes so that GetData also gives a C string.
struct VBlob {
    long refs;
    long size;
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

// A reference cell: holds the Variable a reference value designates.
struct VRefCell {
    long refs = 1;
    Variable value;
    VLive live;
};

// A script function. Functions built from source text keep the text and are
// compiled by the interpreter at their first call.
struct VFunction {
    VFunction();   // charged to the memory budget like a container
    ~VFunction();
    VFunction(const VFunction&) = delete;
    VFunction& operator=(const VFunction&) = delete;
    long refs = 1;
    std::string name;                 // "" for functions made from text
    std::string source;               // the text, when made from text
    std::shared_ptr<const void> code; // the interpreter's compiled form
};

namespace vesk {

// Limits that keep absurd requests from taking the process down: the
// elements of one vector, and the bytes of one string, data block or bitmap.
// A process that must stay small (a fuzzer) may lower them.
struct ValueLimits {
    long vectorCount = 1L << 24;
    long dataSize = 1L << 30;
};
ValueLimits& Limits();

// Host error numbers of our own (the module's are in host/processor.h).
enum : int {
    VE_SYNTAX = 2,
    VE_UNDEFINED = 3,
    VE_WRONG_KIND = 4,
    VE_NO_METHOD = 5,
    VE_BAD_ARGUMENT = 6,
    VE_ARG_COUNT = 7,
    VE_NO_MEMBER = 9,
    VE_INDEX = 11,
    VE_LIMIT = 12,
    VE_TOO_DEEP = 13,
    VE_FILE = 14,
    VE_DEVICE = 15,
    VE_MATRIX = 16,
    VE_NO_CLASS = 17,
    VE_UNSUPPORTED = 18,
};

// Making values.
void SetBool(Variable& v, bool value);
void SetString(Variable& v, const void* bytes, long size);
inline void SetString(Variable& v, std::string_view s) { SetString(v, s.data(), (long)s.size()); }
// A string of two parts joined; its size is checked before it is built.
void SetString(Variable& v, std::string_view first, std::string_view second);
void SetObject(Variable& v, VObject* object);   // takes over one reference
void SetVector(Variable& v, Vector* vector);    // takes over one reference
Vector* NewVector(long count);                  // count empty elements, or null if too many
bool VectorAdd(Vector* vector, const Variable& item);  // false (and error 12) when full
// The new last element of a vector, empty; null (and error 12) when full.
Variable* VectorAppend(Vector* vector);
// The cell a double value owns (cells.cpp), and giving one back, whoever
// made it.
double* NewDouble(double value);
void FreeDouble(double* cell);
Variable MakeReference(const Variable& target);  // a reference cell holding target

// Inspecting values.
inline Variable& Deref(Variable& v) { return *v.GetPointer(); }
inline bool IsNumber(const Variable& v) {
    return v.type == VT_BYTE || v.type == VT_INT || v.type == VT_FLOAT || v.type == VT_DOUBLE;
}
std::string_view StringOf(const Variable& v);   // bytes of a string or data block
std::string KindName(const Variable& v);        // "integer", "POINT3 object", …
std::string AKind(const Variable& v);           // "an integer", "a POINT3 object", …
std::string WithArticle(const std::string& noun);
// The printed form, at most `limit` bytes: a longer one is cut there and
// ends with "..."; vectors nested more than 64 deep print as [...].
constexpr size_t kPrintLimit = size_t(1) << 20;
std::string Format(const Variable& v, size_t limit = kPrintLimit);
// A text for a message: at most `limit` bytes of it, then "..." if cut;
// control bytes (a newline, a zero) are written \xHH.
std::string Clip(std::string_view text, size_t limit = 200);
bool Identical(const Variable& a, const Variable& b);  // == of the language

// The stand-by element handed out for a missing element or member; it is
// emptied each time it is handed out.
Variable& Standby();

// Called by the value model when the last reference to an object goes:
// runs its class's destructor row, then frees it.
void DestroyObject(VObject* object);

}  // namespace vesk
