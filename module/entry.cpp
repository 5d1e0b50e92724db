// What the host sees of the module before any script runs: the entry point
// that stores the instance handle, the exported version text, tables and
// queries, and the one rule by which module errors are raised.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "host/module.h"
#include "module/rules.h"
#include "module/table.h"

#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HINSTANCE instance = nullptr;

// The library entry point: stores the instance handle (the load address) and
// nothing else.
__attribute__((constructor)) void Attach() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Attach), &info)) instance = info.dli_fbase;
}

}  // namespace

HINSTANCE ModuleInstance() { return instance; }

void RaiseModuleError(int code, const char* text) {
    unsigned short base = GetErrorOffset(instance);
    if (base == 0xFFFF) return;
    VeskError(base + code, text);
}

MODULE_EXPORT HINSTANCE VeskSystemGetLibInst() { return instance; }

MODULE_EXPORT Processor* GetOwner() {
    VVConnect* connector = GetConnector();
    if (!connector) return nullptr;
    if (connector->count <= 1) return connector->processor;
    return connector->_GetOwner();
}

// Copies the version text with strncpy's rules: padded with zero bytes when
// shorter than length, unterminated when as long or longer.
MODULE_EXPORT char* ModuleVersion(char* buffer, unsigned length) {
    char text[256];
    std::snprintf(text, sizeof text, "VESK Support DLL v3.7 |VESK version:%d.%02d.%02d", 4, 62, 12);
    std::strcat(text, ".a");
    if (buffer) std::strncpy(buffer, text, length);
    return buffer;
}

MODULE_EXPORT const MethodRecord* ModuleMethods(int) { return MethodTable(); }

MODULE_EXPORT const ErrorRecord* ModuleErrors() { return ErrorTable(); }

MODULE_EXPORT void ModuleNotify(int) {}
