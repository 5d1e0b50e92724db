// Double cells: the 8-byte blocks a double value owns. They come from one
// range of address space reserved at the first request, handed out in order,
// so that the doubles of a vector built in one go lie side by side (the
// module's readers walk them), and reused through a free list threaded
// through the freed cells. Only the pages cells have reached are ever
// touched. Cells from elsewhere (the module makes its own with new) are told
// apart by their address and deleted; when the range cannot be reserved,
// every cell is made with new.
#include <sys/mman.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "vesk/value.h"

#if defined(__SANITIZE_ADDRESS__)
#define VESK_CELLS_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_CELLS_POISON 1
#endif
#endif
#ifdef VESK_CELLS_POISON
#include <sanitizer/asan_interface.h>
// A freed cell is off limits to the sanitizer, as a freed block would be,
// but for the word that links it to the next free one.
#define CELL_FREED(p) ASAN_POISON_MEMORY_REGION(p, sizeof(double))
#define CELL_IN_USE(p) ASAN_UNPOISON_MEMORY_REGION(p, sizeof(double))
#else
#define CELL_FREED(p) ((void)(p))
#define CELL_IN_USE(p) ((void)(p))
#endif

namespace {

constexpr size_t kRangeBytes = size_t(1) << 34;  // room for 2^31 cells

char* rangeBegin = nullptr;
char* rangeEnd = nullptr;
char* next = nullptr;       // the first cell never handed out
double* freeList = nullptr;
bool reserved = false;

void ReserveRange() {
    reserved = true;
    void* p = mmap(nullptr, kRangeBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED) return;
    rangeBegin = next = static_cast<char*>(p);
    rangeEnd = rangeBegin + kRangeBytes;
}

inline bool InRange(const void* p) {
    return static_cast<const char*>(p) >= rangeBegin && static_cast<const char*>(p) < rangeEnd;
}

}  // namespace

double* vesk::NewDouble(double value) {
    double* d;
    if (freeList) {
        d = freeList;
        CELL_IN_USE(d);
        std::memcpy(&freeList, d, sizeof freeList);
    } else if (next < rangeEnd) {
        d = reinterpret_cast<double*>(next);
        next += sizeof(double);
    } else if (!reserved) {
        ReserveRange();
        return NewDouble(value);
    } else {
        d = new (std::nothrow) double;
        if (!d) return nullptr;
    }
    *d = value;
    return d;
}

void vesk::FreeDouble(double* d) {
    if (!InRange(d)) {
        delete d;
        return;
    }
    std::memcpy(d, &freeList, sizeof freeList);
    freeList = d;
    CELL_FREED(d);
}
