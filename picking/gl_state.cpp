// The rendering contexts' states, by the platform's context handle (handles
// are never reused). The table is made once and never destroyed, so that a
// context closed late in the process's exit still finds it.
#include "picking/gl_state.h"

#include <memory>
#include <new>
#include <unordered_map>

namespace {

using Table = std::unordered_map<platform::ContextHandle, std::unique_ptr<GlState>>;

Table& States() {
    static Table* states = new Table;
    return *states;
}

}  // namespace

// Out of memory, there is no state: the callers then refuse what needs one.
GlState* GlStateOf(platform::ContextHandle context, bool make) {
    if (!context) return nullptr;
    auto it = States().find(context);
    if (it != States().end()) return it->second.get();
    if (!make) return nullptr;
    std::unique_ptr<GlState> state(new (std::nothrow) GlState);
    if (!state) return nullptr;
    try {
        return States().emplace(context, std::move(state)).first->second.get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DropGlState(platform::ContextHandle context) { States().erase(context); }

uint64_t ListNamesAlive() {
    uint64_t alive = 0;
    for (const auto& [context, state] : States()) alive += state->lists.Alive();
    return alive;
}
