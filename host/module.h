// What a module exports to the host: the method and error table records and
// the entry points the host looks up by name after loading it.
#pragma once

#include "host/processor.h"

// One method-table row; a row whose two fields are null ends the table.
struct MethodRecord {
    VeskHandler handler;
    const char* signature;  // "Class::Method(argument words)"
};

// One error-table row, packed; a row of three zero fields ends the table.
#pragma pack(push, 1)
struct ErrorRecord {
    unsigned short code;
    const char* message;
    const char* identifier;
};
#pragma pack(pop)
static_assert(sizeof(ErrorRecord) == 2 + 2 * sizeof(void*), "error records are packed");

extern "C" {
typedef char* (*ModuleVersionFn)(char* buffer, unsigned length);
typedef const MethodRecord* (*ModuleMethodsFn)(int);
typedef const ErrorRecord* (*ModuleErrorsFn)();
typedef void (*ModuleNotifyFn)(int);
typedef HINSTANCE (*GetLibInstFn)();
typedef Processor* (*GetOwnerFn)();
}
