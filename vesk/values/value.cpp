// The value model: Variable, the host's vectors and objects, VeskAss
// joins and the reference counting that frees values, iteratively so that
// deeply nested vectors cannot exhaust the stack.
#include "vesk/values/value.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <algorithm>
#include <vector>

#include "vesk/values/budget.h"
#include "vesk/values/collector.h"
#include "vesk/values/pool.h"
#include "vesk/values/object.h"
#include "vesk/values/runtime.h"
#include "vesk/values/suggest.h"

namespace {

// ---- releasing -----------------------------------------------------------

enum class Doomed { Vector, Object, Cell };
struct DoomedItem { Doomed kind; void* p; };

thread_local std::vector<DoomedItem> pending;
thread_local bool reaping = false;

// A vector made with its elements holds them right behind itself (one
// allocation); once it outgrows them they move to an array of their own.
inline bool ItemsInline(const vesk::HostVector* v) { return v->items == reinterpret_cast<const Variable*>(v + 1); }

void DestroyVector(vesk::HostVector* v) {
    vesk::Untrack(v->live);
    for (int i = 0; i < v->count; i++) v->items[i]._Clear();
    if (!ItemsInline(v)) std::free(v->items);
    size_t block = sizeof(vesk::HostVector) + v->live.inlineItems * sizeof(Variable);
    vesk::Unreserve(static_cast<uint64_t>(v->capacity) * vesk::kSlotBytes);
    v->~HostVector();
    vesk::pool::Free(v, block);
}

// Frees a value whose last reference went; values freed meanwhile queue up
// behind it instead of recursing.
void Reap(Doomed kind, void* p) {
    pending.push_back({kind, p});
    if (reaping) return;
    reaping = true;
    while (!pending.empty()) {
        DoomedItem d = pending.back();
        pending.pop_back();
        switch (d.kind) {
        case Doomed::Vector: DestroyVector(static_cast<vesk::HostVector*>(d.p)); break;
        case Doomed::Object: vesk::DestroyObject(static_cast<vesk::HostObject*>(d.p)); break;
        case Doomed::Cell: {
            auto* cell = static_cast<VRefCell*>(d.p);
            vesk::Untrack(cell->live);
            delete cell;
            break;
        }
        }
    }
    reaping = false;
}

// The bytes of a string or data block, checked against the limit of one
// value and the budget before anything is allocated. `zero` clears them
// (a data block); a string's maker fills them and only the ending zero is set.
VBlob* NewBlob(uint64_t size, bool zero, const char* what) {
    if (size > static_cast<uint64_t>(vesk::Limits().dataSize)) {
        vesk::Error(vesk::VE_LIMIT, std::string(what) + " of " + std::to_string(size) +
                                        " bytes is larger than the limit of " +
                                        std::to_string(vesk::Limits().dataSize));
        return nullptr;
    }
    if (!vesk::Reserve(size + vesk::kBlobOverhead, what)) return nullptr;
    void* p = std::malloc(sizeof(VBlob) + size + 1);
    if (!p) {
        vesk::Unreserve(size + vesk::kBlobOverhead);
        vesk::Error(vesk::VE_LIMIT, "out of memory for " + std::to_string(size) + " bytes");
        return nullptr;
    }
    VBlob* b = static_cast<VBlob*>(p);
    b->refs = 1;
    b->size = static_cast<long>(size);
    if (zero) std::memset(b->bytes(), 0, size);
    b->bytes()[size] = 0;
    return b;
}

void ReleaseBlob(VBlob* b) {
    if (--b->refs != 0) return;
    vesk::Unreserve(static_cast<uint64_t>(b->size) + vesk::kBlobOverhead);
    std::free(b);
}

// Copies what `from` owns into `to`, which holds nothing yet.
void CopyInto(Variable& to, const Variable& from) {
    to.type = from.type;
    to.data = from.data;
    switch (from.type) {
    case VT_DOUBLE: {
        double* d = vesk::NewDouble(*from.data.d);
        if (!d) { to.type = VT_EMPTY; to.data.p = nullptr; }
        to.data.d = d;
        break;
    }
    case VT_FUNCTION: vesk::FunctionOf(from)->refs++; break;
    case VT_STRING:
    case VT_DATA: vesk::BlobOf(from)->refs++; break;
    case VT_VECTOR: vesk::VectorOf(from)->refs++; break;
    case VT_OBJECT: vesk::ObjectOf(from)->refs++; break;
    case VT_REF:
    case VT_NATIVEREF: vesk::CellOf(from)->refs++; break;
    default: break;
    }
}

// Clamped conversion: NaN gives 0, out-of-range values the nearest limit.
long ToLong(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2233720368547758e18) return LONG_MAX;
    if (d <= -9.2233720368547758e18) return LONG_MIN;
    return static_cast<long>(d);
}

thread_local Variable standby;

}  // namespace

static_assert(sizeof(Variable) + 32 <= vesk::kSlotBytes, "a slot's charge covers its Variable and a double");

// ---- functions ---------------------------------------------------------------

VFunction::VFunction() { vesk::Charge(vesk::kContainerBytes, "a function"); }

VFunction::~VFunction() { vesk::Unreserve(vesk::kContainerBytes); }

// ---- Variable --------------------------------------------------------------

Variable::Variable(double value) : type(VT_EMPTY) {
    data.p = nullptr;
    *this = value;
}

Variable::Variable(VVARTYPE t, const char* text) : type(VT_EMPTY) {
    data.p = nullptr;
    if (t == VT_FUNCTION) {
        VFunction* f = new (std::nothrow) VFunction;
        if (!f) return;
        f->source = text ? text : "";
        type = VT_FUNCTION;
        data.p = f;
    } else if (t == VT_STRING) {
        *this = text;
    } else {
        Init(t);
    }
}

Variable::Variable(const Variable& other) : type(VT_EMPTY) {
    data.p = nullptr;
    CopyInto(*this, other);
}

Variable& Variable::operator=(const Variable& other) {
    if (this == &other) return *this;
    Variable keep(other);  // other may live inside what we release
    _Clear();
    type = keep.type;
    data = keep.data;
    keep.type = VT_EMPTY;
    keep.data.p = nullptr;
    return *this;
}

void Variable::_Clear() {
    VVARTYPE t = type;
    VData d = data;
    type = VT_EMPTY;
    data.p = nullptr;
    switch (t) {
    case VT_DOUBLE: vesk::FreeDouble(d.d); break;
    case VT_FUNCTION: {
        auto* f = static_cast<VFunction*>(d.p);
        if (--f->refs == 0) delete f;
        break;
    }
    case VT_STRING:
    case VT_DATA: ReleaseBlob(static_cast<VBlob*>(d.p)); break;
    case VT_VECTOR: {
        auto* v = static_cast<vesk::HostVector*>(d.vec);
        if (--v->refs == 0) Reap(Doomed::Vector, v);
        break;
    }
    case VT_OBJECT: {
        auto* o = vesk::HostOf(d.obj);
        if (--o->refs == 0 && !o->dying) Reap(Doomed::Object, o);
        break;
    }
    case VT_REF:
    case VT_NATIVEREF: {
        auto* cell = static_cast<VRefCell*>(d.p);
        if (--cell->refs == 0) Reap(Doomed::Cell, cell);
        break;
    }
    default: break;
    }
}

Variable& Variable::operator=(int value) {
    _Clear();
    type = VT_INT;
    data.i = value;
    return *this;
}

// A long that fits 32 bits stays an integer; a larger one becomes a double,
// which holds it exactly up to 2^53.
Variable& Variable::operator=(long value) {
    if (value >= INT_MIN && value <= INT_MAX) return *this = static_cast<int>(value);
    return *this = static_cast<double>(value);
}

Variable& Variable::operator=(unsigned long value) {
    if (value <= static_cast<unsigned long>(INT_MAX)) return *this = static_cast<int>(value);
    return *this = static_cast<double>(value);
}

Variable& Variable::operator=(float value) {
    _Clear();
    type = VT_FLOAT;
    data.f = value;
    return *this;
}

Variable& Variable::operator=(double value) {
    if (type == VT_DOUBLE) {
        *data.d = value;
        return *this;
    }
    double* d = vesk::NewDouble(value);
    _Clear();
    if (!d) return *this;
    type = VT_DOUBLE;
    data.d = d;
    return *this;
}

Variable& Variable::operator=(const char* text) {
    Variable s;
    vesk::SetString(s, text ? text : "", text ? (long)std::strlen(text) : 0);
    return *this = s;
}

void Variable::Init(VVARTYPE t, long count) {
    _Clear();
    switch (t) {
    case VT_VECTOR: {
        vesk::HostVector* v = vesk::NewVector(count < 0 ? 0 : count);
        if (v) vesk::SetVector(*this, v);
        break;
    }
    case VT_DATA:
    case VT_STRING: {
        VBlob* b = NewBlob(t == VT_DATA && count > 0 ? static_cast<uint64_t>(count) : 0, true,
                           t == VT_DATA ? "a data block" : "a string");
        if (!b) break;
        type = t;
        data.p = b;
        break;
    }
    case VT_DOUBLE: *this = 0.0; break;
    case VT_BOOL:
    case VT_BYTE:
    case VT_INT:
    case VT_FLOAT:
        type = t;
        data.i = 0;
        break;
    default: break;  // objects, functions and references need more than a type
    }
}

Variable* Variable::GetPointer() {
    if (type == VT_REF || type == VT_NATIVEREF) return &vesk::CellOf(*this)->value;
    return this;
}

VObject* Variable::GetVObject() const {
    if (type == VT_OBJECT) return data.obj;
    if (type == VT_REF || type == VT_NATIVEREF) return vesk::CellOf(*this)->value.GetVObject();
    return nullptr;
}

long Variable::GetAssID() const {
    VObject* o = GetVObject();
    return o ? reinterpret_cast<long>(o->GetAss()) : 0;
}

double Variable::ConvertToDouble() const {
    switch (type) {
    case VT_BOOL: return data.i != 0 ? 1.0 : 0.0;
    case VT_BYTE: return data.b;
    case VT_INT: return data.i;
    case VT_FLOAT: return data.f;
    case VT_DOUBLE: return *data.d;
    case VT_REF:
    case VT_NATIVEREF: return vesk::CellOf(*this)->value.GetDoubleNumb();
    default: return 0.0;
    }
}

long Variable::ConvertToLong() const {
    switch (type) {
    case VT_BOOL: return data.i != 0;
    case VT_BYTE: return data.b;
    case VT_INT: return data.i;
    case VT_FLOAT: return ToLong(data.f);
    case VT_DOUBLE: return ToLong(*data.d);
    case VT_REF:
    case VT_NATIVEREF: return vesk::CellOf(*this)->value.GetLongNumb();
    default: return 0;
    }
}

bool Variable::IsTrue() const {
    switch (type) {
    case VT_EMPTY: return false;
    case VT_BOOL: return data.i != 0;
    case VT_BYTE: return data.b != 0;
    case VT_INT: return data.i != 0;
    case VT_FLOAT: return data.f != 0.0f;
    case VT_DOUBLE: return *data.d != 0.0;
    case VT_STRING: return vesk::BlobOf(*this)->size > 0;
    case VT_REF:
    case VT_NATIVEREF: return vesk::CellOf(*this)->value.IsTrue();
    default: return true;
    }
}

void* Variable::GetData() const {
    if (type == VT_STRING || type == VT_DATA) return vesk::BlobOf(*this)->bytes();
    if (type == VT_REF || type == VT_NATIVEREF) return vesk::CellOf(*this)->value.GetData();
    return nullptr;
}

long Variable::GetDataSize() const {
    if (type == VT_STRING || type == VT_DATA) return vesk::BlobOf(*this)->size;
    if (type == VT_REF || type == VT_NATIVEREF) return vesk::CellOf(*this)->value.GetDataSize();
    return 0;
}

Variable& Variable::operator[](long index) {
    if (type == VT_VECTOR) return (*data.vec)[index];
    if (type == VT_REF || type == VT_NATIVEREF) return vesk::CellOf(*this)->value[index];
    if (type == VT_OBJECT) return data.obj->Element(index);
    VeskError(VE_NOT_INDEXABLE, vesk::KindName(*this).c_str());
    return *this;
}

Variable& Variable::operator()(const char* name) {
    return (*this)(Token::GetNameID(name ? name : ""));
}

Variable& Variable::operator()(int nameID) {
    if (type == VT_OBJECT) return vesk::ObjectOf(*this)->Member(nameID);
    if (type == VT_REF || type == VT_NATIVEREF) return vesk::CellOf(*this)->value(nameID);
    vesk::Error(vesk::VE_NO_MEMBER, vesk::AKind(*this) + " has no member '" +
                                        Token::NameOf(nameID) + "'");
    return vesk::Standby();
}

// ---- Vector ----------------------------------------------------------------

Variable& Vector::OutOfVector(long index) {
    vesk::Error(vesk::VE_INDEX, "index " + std::to_string(index) + " is outside the vector of " +
                                    std::to_string(count) + (count == 1 ? " element" : " elements"));
    return vesk::Standby();
}

// ---- objects -----------------------------------------------------------------

VObject::~VObject() = default;

namespace vesk {

HostObject::HostObject(ClassRecord* c) : refs(1), cls(c), ass(nullptr), dying(false) {
    Track(live, kLiveObject, this);
}

HostObject::~HostObject() {
    Untrack(live);
    if (ass) ass->BreakJoint();
}

void HostObject::VisitValues(void (*)(Variable&, void*), void*) {}

void HostObject::DropValues() {}

long HostObject::Count() { return 0; }

const char* HostObject::ClassName() const { return cls ? cls->name.c_str() : "object"; }

VeskAss* HostObject::GetAss() { return ass; }

// A name the class has as a method was probably meant as a call with '->';
// otherwise the closest member, if one is close.
Variable& HostObject::Member(int nameID) {
    std::string name = Token::NameOf(nameID);
    std::string hint;
    if (cls && cls->hooks.hasMethod && cls->hooks.hasMethod(cls, name)) {
        hint = "; " + name + " is a method: call it with '->', as in x->" + name + "(...)";
    } else if (cls) {
        std::vector<std::string_view> members;
        for (int id : cls->memberIds) members.push_back(Token::NameOf(id));
        hint = DidYouMean(name, members);
    }
    Error(VE_NO_MEMBER, WithArticle(std::string(ClassName()) + " object") + " has no member '" + name + "'" + hint);
    return Standby();
}

Variable& HostObject::Element(long) {
    VeskError(VE_NOT_INDEXABLE, (std::string(ClassName()) + " object").c_str());
    return Standby();
}

}  // namespace vesk

// ---- VeskAss -----------------------------------------------------------------

void VeskAss::PlaceHolder() {}

VeskAss::~VeskAss() { BreakJoint(); }

bool VeskAss::Join(Variable* object, Processor*) {
    Variable* v = object ? object->GetPointer() : nullptr;
    if (!v || v->type != VT_OBJECT) return false;
    vesk::HostObject* o = vesk::ObjectOf(*v);
    if (o->ass == this) return true;
    if (o->ass) return false;  // an object keeps the native it has
    BreakJoint();
    o->ass = this;
    joined = o;
    vesk::NativeJoined();
    return true;
}

void VeskAss::BreakJoint() {
    if (!joined) return;
    vesk::HostObject* o = vesk::HostOf(joined);
    if (o->ass == this) o->ass = nullptr;
    joined = nullptr;
    vesk::NativeParted();
}

// ---- helpers -----------------------------------------------------------------

namespace vesk {

bool Freeing() { return reaping; }

ValueLimits& Limits() {
    static ValueLimits limits;
    return limits;
}

Variable& Standby() {
    standby._Clear();
    return standby;
}

void SetBool(Variable& v, bool value) {
    v._Clear();
    v.type = VT_BOOL;
    v.data.i = value ? 1 : 0;
}

void SetString(Variable& v, const void* bytes, long size) {
    SetString(v, std::string_view(static_cast<const char*>(bytes), size > 0 ? size : 0), {});
}

void SetString(Variable& v, std::string_view first, std::string_view second) {
    VBlob* b = NewBlob(static_cast<uint64_t>(first.size()) + second.size(), false, "a string");
    v._Clear();
    if (!b) return;
    if (!first.empty()) std::memcpy(b->bytes(), first.data(), first.size());
    if (!second.empty()) std::memcpy(b->bytes() + first.size(), second.data(), second.size());
    v.type = VT_STRING;
    v.data.p = b;
}

void SetObject(Variable& v, HostObject* object) {
    v._Clear();
    v.type = VT_OBJECT;
    v.data.obj = object;
}

void SetVector(Variable& v, HostVector* vector) {
    v._Clear();
    v.type = VT_VECTOR;
    v.data.vec = vector;
}

HostVector* NewVector(long count) {
    if (count < 0) count = 0;
    if (count > Limits().vectorCount) {
        Error(VE_LIMIT, "a vector of " + std::to_string(count) +
                            " elements is larger than the limit of " +
                            std::to_string(Limits().vectorCount));
        return nullptr;
    }
    uint64_t bytes = kContainerBytes + static_cast<uint64_t>(count) * kSlotBytes;
    if (!Reserve(bytes, "a vector")) return nullptr;
    void* memory = pool::Allocate(sizeof(HostVector) + count * sizeof(Variable));
    if (!memory) {
        Unreserve(bytes);
        Error(VE_LIMIT, "out of memory for a vector of " + std::to_string(count) + " elements");
        return nullptr;
    }
    HostVector* v = new (memory) HostVector;
    Variable* items = reinterpret_cast<Variable*>(v + 1);
    for (long i = 0; i < count; i++) new (&items[i]) Variable;
    v->items = count ? items : nullptr;
    v->live.inlineItems = static_cast<uint32_t>(count);
    v->count = static_cast<int>(count);
    v->capacity = static_cast<int>(count);
    v->refs = 1;
    Track(v->live, kLiveVector, v);
    return v;
}

bool VectorAdd(HostVector* v, const Variable& item) {
    Variable copy(item);  // item may be an element of this very vector
    Variable* slot = VectorAppend(v);
    if (!slot) return false;
    slot->type = copy.type;
    slot->data = copy.data;
    copy.type = VT_EMPTY;
    return true;
}

Variable* VectorAppend(HostVector* v) {
    if (v->count == v->capacity) {
        if (v->capacity >= Limits().vectorCount) {
            Error(VE_LIMIT, "a vector cannot grow beyond " + std::to_string(Limits().vectorCount) +
                                " elements");
            return nullptr;
        }
        long grown = v->capacity < 4 ? 4 : 2L * v->capacity;
        if (grown > Limits().vectorCount) grown = Limits().vectorCount;
        uint64_t more = static_cast<uint64_t>(grown - v->capacity) * kSlotBytes;
        if (!Reserve(more, "a growing vector")) return nullptr;
        // Variables move as their bytes, so growing is a realloc, which
        // for a large vector remaps its pages instead of copying them.
        Variable* items;
        if (v->items && ItemsInline(v)) {
            items = static_cast<Variable*>(std::malloc(grown * sizeof(Variable)));
            if (items) std::memcpy(static_cast<void*>(items), static_cast<void*>(v->items), v->count * sizeof(Variable));
        } else {
            items = static_cast<Variable*>(std::realloc(static_cast<void*>(v->items), grown * sizeof(Variable)));
        }
        if (!items) {
            Unreserve(more);
            Error(VE_LIMIT, "out of memory growing a vector");
            return nullptr;
        }
        for (long i = v->capacity; i < grown; i++) new (&items[i]) Variable;
        v->items = items;
        v->capacity = static_cast<int>(grown);
    }
    return &v->items[v->count++];
}

Variable MakeReference(const Variable& target) {
    Variable r;
    const Variable* t = const_cast<Variable&>(target).GetPointer();
    VRefCell* cell = new (std::nothrow) VRefCell;
    if (!cell) return r;
    cell->value = *t;
    TrackCell(cell);
    HostObject* o = HostOf(t->GetVObject());
    r.type = (o && o->cls && o->cls->module) ? VT_NATIVEREF : VT_REF;
    r.data.p = cell;
    return r;
}

std::string_view StringOf(const Variable& v) {
    void* p = v.GetData();
    if (!p) return {};
    return std::string_view(static_cast<const char*>(p), v.GetDataSize());
}

bool Identical(const Variable& a, const Variable& b) {
    const Variable& x = *const_cast<Variable&>(a).GetPointer();
    const Variable& y = *const_cast<Variable&>(b).GetPointer();
    if (IsNumber(x) && IsNumber(y)) return x.GetDoubleNumb() == y.GetDoubleNumb();
    if (x.type != y.type) return false;
    switch (x.type) {
    case VT_EMPTY: return true;
    case VT_BOOL: return (x.data.i != 0) == (y.data.i != 0);
    case VT_STRING: return StringOf(x) == StringOf(y);
    default: return x.data.p == y.data.p;
    }
}

}  // namespace vesk
