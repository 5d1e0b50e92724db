// The running interpreter as handlers see it, name IDs, the host connector,
// error reporting and error bases.
#pragma once

#include "host/variable.h"

// The signature every script method handler has.
typedef void (*VeskHandler)(VarRegister* result, VarRegister* args, int count,
                            Processor* processor);

class VESK_API Processor {
public:
    Processor();
    ~Processor();

    int errorState;  // nonzero once an error was raised in the running call

    // Call a method of the object; args are the method's arguments only.
    int RunMethod(VarRegister* result, const char* name, VarRegister* args, int count,
                  Variable* object);
    // Call a script function value (type VT_FUNCTION).
    int RunFunction(VarRegister* result, Variable& function, VarRegister* args, int count);
    // Construct a new object of the class into target.
    int MakeInstance(Variable& target, const char* className, VarRegister* args, int count);

    // The host's own state of the processor (the errors of the running call,
    // its script line, the runner of script functions); a module leaves it alone.
    void* runtime;

private:
    Processor(const Processor&) = delete;
    Processor& operator=(const Processor&) = delete;
};

class VESK_API Token {
public:
    static int GetNameID(const char* name);
    static const char* NameOf(int nameID);
};

class VESK_API VVConnect {
public:
    int count;             // processors connected
    Processor* processor;  // the first one
    Processor* _GetOwner();
};

VESK_API VVConnect* GetConnector();

// Base of a module's error numbers; 0xFFFF when it has none.
VESK_API unsigned short GetErrorOffset(HINSTANCE module);

// Report an error against the running call, then return.
VESK_API void VeskError(int number);
VESK_API void VeskError(int number, const char* text);

// Host error numbers the module raises.
enum : int {
    VE_SIZES = 8,          // vector sizes do not fit together
    VE_DIVZERO = 10,       // division or remainder by zero
    VE_NOT_OBJECT = 40,    // neither an object nor a reference
    VE_NO_NATIVE = 43,     // object without its native part; text: the class
    VE_NOT_BOOLEAN = 73,   // a boolean argument that is not a boolean
    VE_NOT_INDEXABLE = 77  // element access on a value that has no elements
};
