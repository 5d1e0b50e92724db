// Loading modules: dlopen, the exported entry points, the version text, the
// method and error tables, the module's classes and its error base.
#pragma once

#include <string>
#include <vector>

#include "host/module.h"

struct VClass;

struct Module {
    std::string path;
    void* library = nullptr;
    HINSTANCE instance = nullptr;
    std::string version;
    unsigned short errorBase = 0xFFFF;
    const MethodRecord* methods = nullptr;
    const ErrorRecord* errors = nullptr;
    int rowCount = 0;
    int handlerCount = 0;
    std::vector<VClass*> classes;
};

namespace vesk {

// Loads a module (once per path); on failure returns null and says why.
Module* LoadModule(const std::string& path, std::string* why);
const std::vector<Module*>& LoadedModules();

// The module whose error numbers include `number`, or null.
const Module* ModuleOfError(int number);
// The error-table message of a module's code, or null.
const char* ModuleErrorMessage(const Module* module, int code);

// Changes a module's error base (tests use it to check 0xFFFF and others).
void SetErrorBase(Module* module, unsigned short base);

// Where the runner looks for cVOpenGL.so by default: beside the executable,
// else in ../lib/cvopengl/ from the executable's folder (an installed tree),
// else VESK_MODULE_PATH.
std::string DefaultModulePath(const char* argv0);

}  // namespace vesk
