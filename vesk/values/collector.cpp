// The cycle collector and the live set it walks: every vector, object and
// reference cell, in an array. Values that only refer to each other are
// found by trial deletion and freed by letting go of what they hold.
#include "vesk/values/collector.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "vesk/values/budget.h"

namespace {

// The live set: an array, so that a collection walks it in order, and each
// member knows its place, so that leaving it is a swap with the last.
VLive** liveSet = nullptr;
long liveCount = 0;
long liveRoom = 0;
long liveNatives = 0;  // natives joined to objects: contexts, devices, pictures, colours

// What a collection may win back, in two measures. Containers: each live
// vector, object and reference cell counts 1. Memory: each 16 KiB of the
// budget in use counts 1, and each object with a native part counts
// kNativeWeight more, since behind it may sit megabytes the host cannot see
// (an OpenGL context takes about 2 MB). A collection comes when either
// measure has doubled since the last one and passed its floor: the floor of
// memory is low, so that contexts tied into cycles go after a few dozen;
// that of containers is high, since every collection walks every live
// container and a script building a large structure would otherwise pay for
// a walk each time it doubled from ten thousand.
constexpr long kNativeWeight = 256;
constexpr int kBytesPerUnitShift = 14;
constexpr long kMinContainersAt = 100000;
constexpr long kMinMemoryAt = 10000;

long containersAt = kMinContainersAt;
long memoryAt = kMinMemoryAt;
bool collecting = false;
int moduleCalls = 0;  // module handlers running (ModuleCallScope)

long ContainerPressure() { return liveCount; }
long MemoryPressure() {
    return kNativeWeight * liveNatives + static_cast<long>(vesk::MemoryInUse() >> kBytesPerUnitShift);
}
bool Due() { return ContainerPressure() >= containersAt || MemoryPressure() >= memoryAt; }

// The evaluator asks collectionDue at the end of each loop pass; it is
// raised where the pressure grows by a container or a native.
void NotePressure() {
    if (Due()) vesk::collectionDue = true;
}

}  // namespace

namespace vesk {

// Every container on the list was charged kContainerBytes: a vector when it
// was made (with its slots), objects and reference cells here.
void Track(VLive& n, LiveKind kind, void* owner) {
    if (kind != kLiveVector) Charge(kContainerBytes, kind == kLiveObject ? "an object" : "a reference");
    n.kind = kind;
    n.owner = owner;
    n.index = -1;
    if (liveCount == liveRoom) {
        if (liveRoom >= INT32_MAX / 2) return;  // a set that large is never walked
        long room = liveRoom ? 2 * liveRoom : 1024;
        void* grown = std::realloc(static_cast<void*>(liveSet), room * sizeof(VLive*));
        if (!grown) return;  // out of memory: this one is never collected, nothing breaks
        liveSet = static_cast<VLive**>(grown);
        liveRoom = room;
    }
    n.index = liveCount;
    liveSet[liveCount++] = &n;
    NotePressure();
}

void Untrack(VLive& n) {
    if (!n.owner) return;
    if (n.index >= 0) {
        VLive* last = liveSet[--liveCount];
        liveSet[n.index] = last;
        last->index = n.index;
        n.index = -1;
    }
    n.owner = nullptr;
    Unreserve(kContainerBytes);
}

void NativeJoined() {
    liveNatives++;
    NotePressure();
}

void NativeParted() { liveNatives--; }

namespace {

constexpr long kReached = -1;

long& RefsOf(VLive* n) {
    switch (n->kind) {
    case kLiveVector: return static_cast<HostVector*>(n->owner)->refs;
    case kLiveObject: return static_cast<HostObject*>(n->owner)->refs;
    default: return static_cast<VRefCell*>(n->owner)->refs;
    }
}

// The live node of the container a value holds, if it holds one.
VLive* LiveOf(Variable& v) {
    switch (v.type) {
    case VT_VECTOR: return &VectorOf(v)->live;
    case VT_OBJECT: return &ObjectOf(v)->live;
    case VT_REF:
    case VT_NATIVEREF: return &CellOf(v)->live;
    default: return nullptr;
    }
}

void VisitChildren(VLive* n, void (*visit)(Variable&, void*), void* context) {
    switch (n->kind) {
    case kLiveVector: {
        HostVector* v = static_cast<HostVector*>(n->owner);
        for (int i = 0; i < v->count; i++) visit(v->items[i], context);
        break;
    }
    case kLiveObject: static_cast<HostObject*>(n->owner)->VisitValues(visit, context); break;
    default: visit(static_cast<VRefCell*>(n->owner)->value, context); break;
    }
}

void DropChildren(VLive* n) {
    switch (n->kind) {
    case kLiveVector: {
        HostVector* v = static_cast<HostVector*>(n->owner);
        for (int i = 0; i < v->count; i++) v->items[i]._Clear();
        break;
    }
    case kLiveObject: static_cast<HostObject*>(n->owner)->DropValues(); break;
    default: static_cast<VRefCell*>(n->owner)->value._Clear(); break;
    }
}

bool Busy(VLive* n) {
    return RefsOf(n) <= 0 || (n->kind == kLiveObject && static_cast<HostObject*>(n->owner)->dying);
}

void Release(VLive* n) {
    Variable v;
    switch (n->kind) {
    case kLiveVector: v.type = VT_VECTOR; v.data.vec = static_cast<HostVector*>(n->owner); break;
    case kLiveObject: v.type = VT_OBJECT; v.data.obj = static_cast<HostObject*>(n->owner); break;
    default: v.type = VT_REF; v.data.p = n->owner; break;
    }
}  // v's destructor gives up the reference

}  // namespace

void TrackCell(VRefCell* cell) { Track(cell->live, kLiveCell, cell); }

long LiveContainers() { return liveCount; }
long LiveNatives() { return liveNatives; }

ModuleCallScope::ModuleCallScope(bool active) : active_(active) {
    if (active_) moduleCalls++;
}

ModuleCallScope::~ModuleCallScope() {
    if (active_) moduleCalls--;
}

// Trial deletion: a container whose references all come from other
// containers is reachable only if a reachable container holds it; the
// others hold each other up and are freed by letting go of their values.
void Collect() {
    if (Freeing() || collecting) return;
    struct Running {
        Running() { collecting = true; }
        ~Running() { collecting = false; }
    } running;
    const long count = liveCount;  // nothing joins or leaves until the garbage goes
    for (long i = 0; i < count; i++) {
        VLive* n = liveSet[i];
        n->gc = Busy(n) ? 1 : RefsOf(n);
    }
    for (long i = 0; i < count; i++)
        VisitChildren(liveSet[i], [](Variable& v, void*) {
            if (VLive* c = LiveOf(v)) c->gc--;
        }, nullptr);
    std::vector<VLive*> work;
    for (long i = 0; i < count; i++)
        if (liveSet[i]->gc > 0) work.push_back(liveSet[i]);
    for (VLive* n : work) n->gc = kReached;
    while (!work.empty()) {
        VLive* n = work.back();
        work.pop_back();
        VisitChildren(n, [](Variable& v, void* w) {
            VLive* c = LiveOf(v);
            if (c && c->gc != kReached) {
                c->gc = kReached;
                static_cast<std::vector<VLive*>*>(w)->push_back(c);
            }
        }, &work);
    }
    std::vector<VLive*> garbage;
    for (long i = 0; i < count; i++)
        if (liveSet[i]->gc != kReached) garbage.push_back(liveSet[i]);
    for (VLive* n : garbage) RefsOf(n)++;  // hold each while the others let go
    for (VLive* n : garbage) DropChildren(n);
    for (VLive* n : garbage) Release(n);
    containersAt = std::max(kMinContainersAt, 2 * ContainerPressure());
    memoryAt = std::max(kMinMemoryAt, 2 * MemoryPressure());
    collectionDue = false;
}

bool collectionDue = false;

// Not while a module handler runs (the host called back into a script from
// inside one): freeing a cycle could close what the handler draws with.
void MaybeCollect() {
    if (moduleCalls > 0) return;
    if (Due()) Collect();
    else collectionDue = false;
}

bool CollectUnderPressure() {
    if (Freeing() || collecting || moduleCalls > 0) return false;
    Collect();
    return true;
}

}  // namespace vesk
