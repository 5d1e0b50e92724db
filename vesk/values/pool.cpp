// The host's small blocks: the 8-byte cells that double values own, and the
// blocks of vectors (a header with its first elements behind it). They come
// from ranges of address space reserved at the first request, handed out in
// order, so that what a script builds in one go lies side by side (the
// module's readers walk the doubles of a vector), and reused through free
// lists, one for each size, threaded through the freed blocks. Only the
// pages blocks have reached are ever touched, and nothing goes back to the
// system: freeing is a push, allocating a pop. Cells from elsewhere (the
// module makes its own with new) are told apart by their address and
// deleted; when a range cannot be reserved, blocks come from new and malloc.
#include "vesk/values/pool.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "vesk/values/value.h"

#if defined(__SANITIZE_ADDRESS__)
#define VESK_POOL_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_POOL_POISON 1
#endif
#endif
#ifdef VESK_POOL_POISON
#include <sanitizer/asan_interface.h>
// A freed block is off limits to the sanitizer, as a freed allocation would
// be, but for the word that links it to the next free one.
#define BLOCK_FREED(p, n) ASAN_POISON_MEMORY_REGION(static_cast<char*>(static_cast<void*>(p)) + sizeof(void*), (n) - sizeof(void*))
#define BLOCK_IN_USE(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define BLOCK_FREED(p, n) ((void)(p), (void)(n))
#define BLOCK_IN_USE(p, n) ((void)(p), (void)(n))
#endif

namespace {

// One reserved range and a free list per size class.
struct Range {
    size_t bytes;
    char* begin = nullptr;
    char* end = nullptr;
    char* next = nullptr;  // the first byte never handed out
    bool tried = false;

    bool Has(const void* p) const {
        return static_cast<const char*>(p) >= begin && static_cast<const char*>(p) < end;
    }
    // `size` bytes never handed out, or null when the range is used up (or
    // could not be reserved).
    void* Bump(size_t size) {
        if (!tried) {
            tried = true;
            void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            if (p != MAP_FAILED) {
                begin = next = static_cast<char*>(p);
                end = begin + bytes;
            }
        }
        if (static_cast<size_t>(end - next) < size) return nullptr;
        void* p = next;
        next += size;
        return p;
    }
};

Range cells{size_t(1) << 34};   // room for 2^31 cells
Range blocks{size_t(1) << 35};
double* freeCells = nullptr;
void* freeBlocks[vesk::pool::kBlockClasses + 1] = {};

inline void* Pop(void*& list) {
    void* p = list;
    std::memcpy(&list, p, sizeof list);
    return p;
}
inline void Push(void*& list, void* p) {
    std::memcpy(p, &list, sizeof list);
    list = p;
}

}  // namespace

double* vesk::NewDouble(double value) {
    double* d;
    if (freeCells) {
        void* list = freeCells;
        d = static_cast<double*>(Pop(list));
        freeCells = static_cast<double*>(list);
    } else if (!(d = static_cast<double*>(cells.Bump(sizeof(double))))) {
        d = new (std::nothrow) double;
        if (!d) return nullptr;
    }
    *d = value;
    return d;
}

void vesk::FreeDouble(double* d) {
    if (!cells.Has(d)) {
        delete d;
        return;
    }
    void* list = freeCells;
    Push(list, d);  // a cell is all link word once freed: nothing left to poison
    freeCells = static_cast<double*>(list);
}

void* vesk::pool::Allocate(size_t bytes) {
    size_t c = ClassOf(bytes);
    if (c > kBlockClasses) return std::malloc(bytes);
    size_t size = c * kBlockUnit;
    if (freeBlocks[c]) {
        BLOCK_IN_USE(freeBlocks[c], size);
        return Pop(freeBlocks[c]);
    }
    if (void* p = blocks.Bump(size)) return p;
    return std::malloc(bytes);
}

void vesk::pool::Free(void* p, size_t bytes) {
    if (!p) return;
    if (!blocks.Has(p)) {
        std::free(p);
        return;
    }
    size_t c = ClassOf(bytes);
    Push(freeBlocks[c], p);
    BLOCK_FREED(p, c * kBlockUnit);
}
