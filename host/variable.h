// Script values of the Vesk host as a module sees them: the type words,
// Variable, the vector and object behind a value, the native base class
// VeskAss and the register. The module reads these layouts directly; the
// host implements the methods, and its vectors and objects are types of its
// own that derive from Vector and VObject and add what it keeps beside them.
#pragma once

#include <cstddef>
#include <cstdint>

#define VESK_API __attribute__((visibility("default")))

typedef void* HINSTANCE;

// Type words of a value (the host's VVARTYPE).
typedef unsigned short VVARTYPE;
enum : VVARTYPE {
    VT_EMPTY = 0,
    VT_BOOL = 1,
    VT_BYTE = 4,
    VT_INT = 8,
    VT_FLOAT = 16,
    VT_DOUBLE = 32,       // data points to an owned double
    VT_FUNCTION = 64,     // script code built from source text
    VT_STRING = 0x100,    // bytes, embedded zeros allowed
    VT_DATA = 0x200,      // byte block made with Init
    VT_VECTOR = 0x400,
    VT_OBJECT = 0x800,
    VT_REF = 0x1000,      // reference cell holding a Variable
    VT_NATIVEREF = 0x8000 // reference to an object of a native class
};
constexpr VVARTYPE VT_ANYREF = 0x9000;       // either reference kind
constexpr VVARTYPE VT_OBJECT_OR_REF = 0x9800;
constexpr VVARTYPE VT_NUMERIC = 0x3C;        // byte, int, float, double

class Variable;
class Vector;
class VObject;
class VeskAss;
class Processor;

// The data word: 32-bit int or float, or a pointer (8 bytes on x86-64).
// Strings, data blocks, functions and references keep theirs in p.
union VData {
    int i;
    float f;
    unsigned char b;
    void* p;
    double* d;
    Vector* vec;
    VObject* obj;
};

class VESK_API Variable {
public:
    VVARTYPE type;
    VData data;
    Variable() : type(VT_EMPTY) { data.p = nullptr; }
    explicit Variable(double value);
    // VT_FUNCTION with source text gives a callable script function,
    // VT_STRING a string holding a copy of the text.
    Variable(VVARTYPE type, const char* text);
    Variable(const Variable& other);
    Variable& operator=(const Variable& other);
    ~Variable() {
        if (type > VT_FLOAT) _Clear();  // only the larger types own anything
    }

    Variable& operator=(int value);
    Variable& operator=(long value);
    Variable& operator=(unsigned long value);
    Variable& operator=(float value);
    Variable& operator=(double value);
    Variable& operator=(const char* text);  // copied
    Variable& operator=(bool) = delete;     // say which number is meant

    // Empty value of a type; a vector of count empty elements; a data block
    // of count zero bytes.
    void Init(VVARTYPE type, long count = 0);
    // Release what a value of a type above 16 owns; the value becomes empty.
    void _Clear();

    Variable* GetPointer();   // the Variable a reference designates (else this)
    VObject* GetVObject() const;
    long GetAssID() const;    // native object of a native-class reference

    // Numbers read inline (the drawing calls read millions of them); other
    // kinds convert in the host.
    float GetFloatNumb() const {
        if (type == VT_DOUBLE) return static_cast<float>(*data.d);
        if (type == VT_FLOAT) return data.f;
        if (type == VT_INT) return static_cast<float>(data.i);
        return static_cast<float>(ConvertToDouble());
    }
    double GetDoubleNumb() const {
        if (type == VT_DOUBLE) return *data.d;
        if (type == VT_FLOAT) return data.f;
        if (type == VT_INT) return data.i;
        return ConvertToDouble();
    }
    long GetLongNumb() const { return type == VT_INT ? data.i : ConvertToLong(); }
    double ConvertToDouble() const;
    long ConvertToLong() const;
    bool IsTrue() const;
    void* GetData() const;      // bytes of a string or data block, else null
    long GetDataSize() const;   // their count, else 0

    Variable& operator[](long index);          // element access
    Variable& operator()(const char* name);    // member by name
    Variable& operator()(int nameID);          // member by Token::GetNameID
};

// The host's vector; the module reads count and items directly.
class VESK_API Vector {
public:
    int count;
    int capacity;     // elements there is room for
    Variable* items;

    Variable& operator[](long index) {
        return (index >= 0 && index < count) ? items[index] : OutOfVector(index);
    }
    // The stand-by element for an index outside 0 .. count-1; reports it.
    Variable& OutOfVector(long index);

protected:
    Vector() = default;  // only the host makes vectors
};

// A script object: the three operations a module uses, in this order in
// the virtual table. The host's objects derive from it.
class VESK_API VObject {
public:
    virtual ~VObject();
    virtual long Count() = 0;                     // elements of an indexable object
    virtual VeskAss* GetAss() = 0;                // the joined native, or null
    virtual Variable& Element(long index) = 0;    // element of an indexable object

protected:
    VObject() = default;  // only the host makes objects
};

// Base of every native object joined to a script object.
class VESK_API VeskAss {
protected:
    virtual void PlaceHolder();
public:
    VeskAss() : joined(nullptr) {}
    virtual ~VeskAss();
    // Bind this native to the script object so that GetAss yields it.
    // Returns false, joining nothing, when the value holds no object or an
    // object that already has another native.
    bool Join(Variable* object, Processor* processor);
    void BreakJoint();
    bool IsJoined() const { return joined != nullptr; }
private:
    VObject* joined;
    VeskAss(const VeskAss&) = delete;
    VeskAss& operator=(const VeskAss&) = delete;
};

// The unit of argument and result passing.
class VESK_API VarRegister {
public:
    unsigned short isRef;
    Variable value;
    Variable* ref;

    VarRegister() : isRef(0), ref(nullptr) {}
    ~VarRegister() {}
    operator Variable*() { return isRef ? ref : &value; }
    operator float() { return static_cast<Variable*>(*this)->GetFloatNumb(); }
    Variable* designated() { return isRef ? ref : &value; }
private:
    VarRegister(const VarRegister&) = delete;
    VarRegister& operator=(const VarRegister&) = delete;
};
