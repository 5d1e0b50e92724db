// Small blocks of the value model (pool.cpp): vector blocks by size; the
// cells of doubles are NewDouble and FreeDouble in value.h.
#pragma once

#include <cstddef>

namespace vesk::pool {

constexpr size_t kBlockUnit = 16;
constexpr size_t kBlockClasses = 16;  // blocks up to 256 bytes; larger ones are malloc's

constexpr size_t ClassOf(size_t bytes) { return (bytes + kBlockUnit - 1) / kBlockUnit; }

// A block of at least `bytes`; null when there is no memory. Free must be
// given the same size.
void* Allocate(size_t bytes);
void Free(void* block, size_t bytes);

}  // namespace vesk::pool
