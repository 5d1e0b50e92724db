// Fuzzes the module through the host's dispatcher: the input decodes into a
// sequence of steps that make values (numbers, strings, vectors, host and
// module objects, references) and call methods of the module's classes on
// them with arguments drawn from those values.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vesk/modules/dispatch.h"
#include "vesk/classes/host_classes.h"
#include "vesk/modules/loader.h"
#include "vesk/values/collector.h"
#include "vesk/values/runtime.h"

namespace {

class Input {
public:
    Input(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool More() const { return i_ < n_; }
    uint8_t Byte() { return i_ < n_ ? d_[i_++] : 0; }
    int32_t Int() {
        int32_t v = 0;
        for (int k = 0; k < 4; k++) v = static_cast<int32_t>((static_cast<uint32_t>(v) << 8) | Byte());
        return v;
    }
    double Real() {
        switch (Byte() % 6) {
        case 0: return static_cast<double>(static_cast<int8_t>(Byte()));
        case 1: return Int() / 256.0;
        case 2: return NAN;
        case 3: return INFINITY;
        case 4: return -1e30;
        default: {
            double v;
            uint64_t bits = (static_cast<uint64_t>(static_cast<uint32_t>(Int())) << 32) | static_cast<uint32_t>(Int());
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        }
    }

private:
    const uint8_t* d_;
    size_t n_, i_ = 0;
};

struct World {
    Processor processor;
    Module* module = nullptr;
    Variable device;  // one offscreen device for every run: making devices is slow
    std::vector<VClass*> classes;
};

World& Setup() {
    static World* w = [] {
        auto* world = new World;
        std::string why;
        platform::ForceHeadless();
        vesk::RegisterHostClasses(&why);
        world->module = vesk::LoadModule(VESK_MODULE_FILE, &why);
        if (!world->module) {
            std::fprintf(stderr, "cannot load the module: %s\n", why.c_str());
            std::abort();
        }
        vesk::RunningScope scope(&world->processor);
        Variable args[2];
        args[0] = 64;
        args[1] = 48;
        vesk::Construct(&world->processor, "MDC", args, 2, world->device);
        world->classes = world->module->classes;
        vesk::TakeErrors(&world->processor);
        return world;
    }();
    return *w;
}

Variable MakeValue(World& w, Input& in, std::vector<Variable>& pool) {
    Variable v;
    switch (in.Byte() % 12) {
    case 0: v = in.Int(); break;
    case 1: v = in.Real(); break;
    case 2: vesk::SetBool(v, in.Byte() & 1); break;
    case 3: {
        uint8_t n = in.Byte() % 24;
        std::string s;
        for (int i = 0; i < n; i++) s += static_cast<char>(in.Byte());
        vesk::SetString(v, s);
        break;
    }
    case 4: {  // a vector of numbers or of values from the pool
        int n = in.Byte() % 40;
        bool numbers = in.Byte() & 1;
        v.Init(VT_VECTOR, n);
        for (int i = 0; i < n; i++) {
            if (numbers || pool.empty()) v[i] = in.Real();
            else v[i] = pool[in.Byte() % pool.size()];
        }
        break;
    }
    case 5: v = w.device; break;
    case 6: v = vesk::MakeReference(pool.empty() ? v : pool[in.Byte() % pool.size()]); break;
    case 7: {
        const char* hosts[] = {"POINT3", "ColorRef", "Matrix", "MBmp", "RECT"};
        const char* cls = hosts[in.Byte() % 5];
        Variable args[4];
        int n = in.Byte() % 5;
        for (int i = 0; i < n; i++) args[i] = in.Byte() % 8;
        vesk::Construct(&w.processor, cls, args, n, v);
        break;
    }
    default: {  // a module object, constructed with arguments from the pool
        VClass* cls = w.classes[in.Byte() % w.classes.size()];
        int n = in.Byte() % 5;
        std::vector<Variable> args(n);
        for (int i = 0; i < n; i++) args[i] = pool.empty() ? Variable(in.Real()) : pool[in.Byte() % pool.size()];
        vesk::Construct(&w.processor, cls->name.c_str(), args.data(), n, v);
        break;
    }
    }
    return v;
}

void CallSomething(World& w, Input& in, std::vector<Variable>& pool) {
    if (pool.empty()) return;
    Variable& self = pool[in.Byte() % pool.size()];
    VClass* cls = vesk::ClassOfValue(self);
    if (!cls || cls->rows.empty()) return;
    const vesk::MethodRow& row = *cls->rows[(in.Byte() | in.Byte() << 8) % cls->rows.size()];
    if (row.method == cls->name || row.method[0] == '~') return;
    int n = static_cast<int>(row.args.size()) + (in.Byte() % 8 == 0 ? in.Byte() % 3 : 0);
    std::vector<Variable> args(n);
    for (int i = 0; i < n; i++) args[i] = pool[in.Byte() % pool.size()];
    Variable result;
    vesk::CallMethod(&w.processor, self, row.method.c_str(), args.data(), n, result);
    if (pool.size() < 64) pool.push_back(result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = Setup();
    vesk::RunningScope scope(&w.processor);
    Input in(data, size);
    std::vector<Variable> pool;
    for (int step = 0; in.More() && step < 200; step++) {
        if (in.Byte() % 3 == 0 && pool.size() < 64) pool.push_back(MakeValue(w, in, pool));
        else CallSomething(w, in, pool);
        vesk::TakeErrors(&w.processor);
    }
    pool.clear();
    vesk::Collect();  // values the run tied into cycles
    vesk::TakeErrors(&w.processor);
    return 0;
}
