// Every heap allocation of the benchmark program is counted. Each benchmark reports the number
// it made per iteration as the counter "allocations", so that every run carries the same
// counters (the CSV reporter requires it) and the keystroke path can show it allocates nothing.
#pragma once

#include <benchmark/benchmark.h>

namespace velmira {

long AllocationsSoFar();

class AllocationCounter {
 public:
  AllocationCounter() : before_(AllocationsSoFar()) {}
  void Report(benchmark::State& state) const {
    state.counters["allocations"] = benchmark::Counter(
        static_cast<double>(AllocationsSoFar() - before_), benchmark::Counter::kAvgIterations);
  }

 private:
  long before_;
};

}  // namespace velmira
