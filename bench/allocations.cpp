#include "bench/allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<long> g_allocations{0};

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace velmira {
long AllocationsSoFar() { return g_allocations.load(); }
}  // namespace velmira
