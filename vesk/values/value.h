// The host's side of script values: its vectors and objects, the cells
// behind strings, data blocks, references and functions, and the helpers
// the interpreter and the host classes use to make, inspect and print values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/vesk.h"

// Every vector, object and reference cell is in the live set, which the
// collector walks to find values that only refer to each other.
struct VLive {
    void* owner = nullptr;
    int32_t gc = 0;
    int32_t index = -1;      // its place in the set; -1 when it is in none
    unsigned char kind = 0;
    uint32_t inlineItems = 0;  // a vector: the elements made behind it
};

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

struct ClassRecord;

// The host's vector: the elements a module reads, then what the host keeps
// beside them. A vector made with its elements holds them right behind it.
struct HostVector : Vector {
    long refs;
    VLive live;
};

// The host's object: the operations a module uses, then the host's own, its
// reference count, its class, the native joined to it and its place in the
// live set.
class HostObject : public VObject {
public:
    explicit HostObject(ClassRecord* cls);
    ~HostObject() override;
    long Count() override;                  // 0: a plain object has no elements
    VeskAss* GetAss() override;
    Variable& Element(long index) override;  // error 77
    virtual const char* ClassName() const;
    virtual Variable& Member(int nameID);    // error 9
    // The values the object holds, for finding cycles, and letting go of them.
    virtual void VisitValues(void (*visit)(Variable&, void*), void* context);
    virtual void DropValues();

    long refs;
    ClassRecord* cls;
    VeskAss* ass;
    bool dying;
    VLive live;
};

// What a value's data word points at, by the value's type: the host's own
// kinds behind the module's Vector and VObject, and the cells the module
// never sees.
inline HostVector* VectorOf(const Variable& v) { return static_cast<HostVector*>(v.data.vec); }
inline HostObject* ObjectOf(const Variable& v) { return static_cast<HostObject*>(v.data.obj); }
inline HostObject* HostOf(VObject* o) { return static_cast<HostObject*>(o); }
inline VRefCell* CellOf(const Variable& v) { return static_cast<VRefCell*>(v.data.p); }
inline VBlob* BlobOf(const Variable& v) { return static_cast<VBlob*>(v.data.p); }
inline VFunction* FunctionOf(const Variable& v) { return static_cast<VFunction*>(v.data.p); }

}  // namespace vesk

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
void SetObject(Variable& v, HostObject* object);   // takes over one reference
void SetVector(Variable& v, HostVector* vector);    // takes over one reference
HostVector* NewVector(long count);                  // count empty elements, or null if too many
bool VectorAdd(HostVector* vector, const Variable& item);  // false (and error 12) when full
// The new last element of a vector, empty; null (and error 12) when full.
Variable* VectorAppend(HostVector* vector);
// The cell a double value owns (pool.cpp), and giving one back, whoever
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
// runs its class's destructor row (ClassHooks::destroy), then frees the
// object and a native the row left joined to it.
void DestroyObject(HostObject* object);

}  // namespace vesk
