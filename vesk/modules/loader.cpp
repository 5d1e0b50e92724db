// Loading a module: its exported entry points, version text, method table
// (every signature parsed, every class registered) and error table, and the
// error base the host gives it: 1000 for the first module, 2000 for the next.
#include "vesk/modules/loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "vesk/modules/registry.h"
#include "vesk/values/runtime.h"

namespace vesk {

namespace {

constexpr int kMaxRows = 100000;  // a table longer than this is not a table

std::vector<Module*>& Modules() {
    static auto* modules = new std::vector<Module*>;
    return *modules;
}

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

// Parses every row first, so that a bad table registers nothing.
bool ReadRows(Module* m, std::vector<std::pair<std::string, std::unique_ptr<MethodRow>>>* rows,
              std::string* why) {
    std::map<VeskHandler, int> handlers;
    for (int i = 0; m->methods[i].handler || m->methods[i].signature; i++) {
        if (i >= kMaxRows) return Fail(why, "the method table has no end");
        const MethodRecord& rec = m->methods[i];
        auto row = std::make_unique<MethodRow>();
        std::string className, whyRow;
        if (!rec.handler) return Fail(why, "row " + std::to_string(i + 1) + " has no handler");
        if (!ParseSignature(rec.signature, row.get(), &className, &whyRow))
            return Fail(why, "row " + std::to_string(i + 1) + " (" +
                                 (rec.signature ? rec.signature : "?") + "): " + whyRow);
        row->handler = rec.handler;
        row->number = i + 1;
        row->module = m;
        auto h = handlers.emplace(rec.handler, static_cast<int>(handlers.size()) + 1);
        row->handlerNumber = h.first->second;
        rows->emplace_back(className, std::move(row));
    }
    m->rowCount = static_cast<int>(rows->size());
    m->handlerCount = static_cast<int>(handlers.size());
    return true;
}

bool RegisterRows(Module* m, std::vector<std::pair<std::string, std::unique_ptr<MethodRow>>>& rows,
                  std::string* why) {
    for (auto& [className, row] : rows) {
        VClass* existing = FindClass(className);
        if (existing && existing->module != m)
            return Fail(why, "class " + className + " is already declared elsewhere");
    }
    for (auto& [className, row] : rows) {
        VClass* cls = DeclareClass(className, m);
        if (cls->rows.empty() || cls->rows.front()->module != m) m->classes.push_back(cls);
        row->owner = cls;
        cls->methods[row->method].push_back(row.get());
        cls->rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace

Module* LoadModule(const std::string& path, std::string* why) {
    for (Module* m : Modules())
        if (m->path == path) return m;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        Fail(why, dlerror());
        return nullptr;
    }
    auto version = reinterpret_cast<ModuleVersionFn>(dlsym(lib, "ModuleVersion"));
    auto methods = reinterpret_cast<ModuleMethodsFn>(dlsym(lib, "ModuleMethods"));
    auto errors = reinterpret_cast<ModuleErrorsFn>(dlsym(lib, "ModuleErrors"));
    auto instance = reinterpret_cast<GetLibInstFn>(dlsym(lib, "VeskSystemGetLibInst"));
    auto notify = reinterpret_cast<ModuleNotifyFn>(dlsym(lib, "ModuleNotify"));
    if (!version || !methods || !errors || !instance) {
        dlclose(lib);
        Fail(why, path + " is not a Vesk module (it lacks ModuleVersion, ModuleMethods, "
                         "ModuleErrors or VeskSystemGetLibInst)");
        return nullptr;
    }
    auto m = std::make_unique<Module>();
    m->path = path;
    m->library = lib;
    m->instance = instance();
    char text[257] = {0};
    version(text, 256);
    m->version.assign(text, strnlen(text, 256));
    m->methods = methods(0);
    m->errors = errors();
    std::vector<std::pair<std::string, std::unique_ptr<MethodRow>>> rows;
    if (!m->methods || !ReadRows(m.get(), &rows, why) || !RegisterRows(m.get(), rows, why)) {
        dlclose(lib);
        return nullptr;
    }
    size_t n = Modules().size() + 1;
    m->errorBase = n < 65 ? static_cast<unsigned short>(1000 * n) : 0xFFFF;
    if (notify) notify(0);
    Modules().push_back(m.release());
    return Modules().back();
}

const std::vector<Module*>& LoadedModules() { return Modules(); }

const Module* ModuleOfError(int number) {
    for (const Module* m : Modules())
        if (m->errorBase != 0xFFFF && number >= m->errorBase && number < m->errorBase + 1000)
            return m;
    return nullptr;
}

const char* ModuleErrorMessage(const Module* m, int code) {
    if (!m->errors) return nullptr;
    for (const ErrorRecord* e = m->errors; e->code || e->message || e->identifier; e++)
        if (e->code == code) return e->message;
    return nullptr;
}

void SetErrorBase(Module* m, unsigned short base) { m->errorBase = base; }

// Beside the executable (the build tree), then where an installation puts
// it, relative to the executable so that a moved tree still finds it.
std::string DefaultModulePath(const char*) {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = 0;
        std::string path(exe);
        std::string dir = path.substr(0, path.rfind('/') + 1);  // ".../bin/"
        std::string up = dir.size() > 1 ? dir.substr(0, dir.rfind('/', dir.size() - 2) + 1) : dir;
        for (const std::string& candidate : {dir + "cVOpenGL.so", up + "lib/cvopengl/cVOpenGL.so"})
            if (access(candidate.c_str(), R_OK) == 0) return candidate;
    }
    const char* env = std::getenv("VESK_MODULE_PATH");
    if (env && *env) {
        std::string p = env;
        if (p.size() < 3 || p.compare(p.size() - 3, 3, ".so") != 0) p += "/cVOpenGL.so";
        return p;
    }
    return "cVOpenGL.so";
}

}  // namespace vesk

// ---- the host interface ------------------------------------------------------

void VeskError(int number) { VeskError(number, nullptr); }

// A number in a module's range takes the module's table text, others the
// host's.
void VeskError(int number, const char* text) {
    std::string message;
    const Module* m = vesk::ModuleOfError(number);
    if (m) {
        // The table's text, then the reporter's: " System error #5" brings
        // its own blank; a bare phrase (GLU's NURBS texts) gets ": ".
        const char* base = vesk::ModuleErrorMessage(m, number - m->errorBase);
        message = base ? base : "module error";
        if (text && std::isalnum(static_cast<unsigned char>(text[0]))) message += ": ";
        if (text) message += text;
    } else {
        message = vesk::HostErrorMessage(number, text);
    }
    vesk::RecordError(number, text, message);
}

unsigned short GetErrorOffset(HINSTANCE module) {
    for (const Module* m : vesk::LoadedModules())
        if (m->instance == module) return m->errorBase;
    return 0xFFFF;
}
