// The window thread's part of keeping a recovery copy of a 10-minute recording (about 20,000
// events): the snapshot of the events handed to the writer thread, which writes the file while
// the window thread goes on. Goal: under 1 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "record/recovery.h"

namespace velmira {
namespace {

void BM_RecoveryHandOverOf20000Events(benchmark::State& s) {
  std::vector<PerformanceEvent> events(20000);
  for (uint32_t i = 0; i < events.size(); ++i) {
    events[i] = {30, 256 + (i & 1), static_cast<uint32_t>(0x1E + (i / 2) % 11) << 16, 0};
  }
  RecoveryCopies copies("/tmp/velmira-bench-recovery");
  copies.Open();
  for (auto _ : s) {
    RecoverySnapshot snapshot;
    snapshot.events.assign(events.begin(), events.end());
    copies.Write(std::move(snapshot));
  }
  copies.Remove();
}
BENCHMARK(BM_RecoveryHandOverOf20000Events)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmira
