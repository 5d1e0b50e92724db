// The cycle collector: values that only refer to each other (a vector
// holding itself, a child pointing at its parent) are found and freed by
// walking the live set, which holds every vector, object and reference cell.
#pragma once

#include "vesk/values/value.h"

namespace vesk {

// Cycles: values that only refer to each other (a vector holding itself, a
// child pointing at its parent) are found and freed by Collect, which walks
// every live vector, object and reference cell. The evaluator calls
// MaybeCollect at the end of a loop pass when collectionDue is raised, and
// Collect at the end. MaybeCollect collects when either measure has doubled
// since the last collection: containers (each live container 1; at least
// 100 000) or memory (each 16 KiB of the budget in use 1, and 256 for each
// native joined to an object, since a context or device holds far more than
// the host sees; at least 10 000).
void Collect();
void MaybeCollect();
// Whether the live containers have grown enough that a collection is due;
// the evaluator asks at the end of each loop pass.
extern bool collectionDue;
inline bool CollectionDue() { return collectionDue; }
long LiveContainers();
long LiveNatives();
// Collects now if that is safe here (no module handler is running and no
// collection or freeing is under way); the memory budget calls it before it
// refuses a request. Returns whether it collected.
bool CollectUnderPressure();
// Marks a module handler running: freeing a cycle then could run another
// object's destructor row under it (closing the OpenGL context it draws
// with), so collections wait until it returns.
class ModuleCallScope {
public:
    explicit ModuleCallScope(bool active);
    ~ModuleCallScope();
    ModuleCallScope(const ModuleCallScope&) = delete;
    ModuleCallScope& operator=(const ModuleCallScope&) = delete;
private:
    bool active_;
};
// Puts a reference cell on the live list (MakeReference does; for cells made elsewhere).
void TrackCell(VRefCell* cell);

// ---- the live set, kept by the value model ----------------------------------

enum LiveKind : unsigned char { kLiveVector = 1, kLiveObject = 2, kLiveCell = 3 };
// Puts a container in the live set (an object or a cell is charged to the
// budget here, a vector when it is made) and takes it out again.
void Track(VLive& entry, LiveKind kind, void* owner);
void Untrack(VLive& entry);
// A native joined to an object or parted from it: natives weigh on when a
// collection comes.
void NativeJoined();
void NativeParted();
// Whether the value model is freeing values right now (value.cpp): a
// collection waits until it is done.
bool Freeing();

}  // namespace vesk
