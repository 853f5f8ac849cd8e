// Allocations through operator new that fail on demand, for the paths that must survive running
// out of memory. The unit-test program replaces operator new (tests/unit/failing_allocations.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmira::testing {

// From now on, every allocation of at least `bytes` throws std::bad_alloc.
void FailAllocationsFrom(size_t bytes);

class FailLargeAllocations {
 public:
  explicit FailLargeAllocations(size_t bytes) { FailAllocationsFrom(bytes); }
  ~FailLargeAllocations() { FailAllocationsFrom(SIZE_MAX); }
  FailLargeAllocations(const FailLargeAllocations&) = delete;
  FailLargeAllocations& operator=(const FailLargeAllocations&) = delete;
};

}  // namespace velmira::testing
