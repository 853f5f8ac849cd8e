// Saving, loading and exporting a 1,000,000-event performance, each beside a plain copy of the
// same number of bytes (read and written with stdio, flushed to disk like the save).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/allocations.h"
#include "record/midi_export.h"
#include "record/performance_file.h"

namespace velmira {
namespace {

constexpr uint32_t kEvents = 1000000;
constexpr LocalDate kDate{2026, 12, 8};

const std::vector<PerformanceEvent>& Performance() {
  static const std::vector<PerformanceEvent> events = [] {
    std::vector<PerformanceEvent> e(kEvents);
    for (uint32_t i = 0; i < kEvents; ++i) {
      e[i] = {20, 256 + (i & 1), static_cast<uint32_t>(0x1E + (i / 2) % 11) << 16, 0};
    }
    return e;
  }();
  return events;
}

std::string Path(const char* name) { return std::string("/tmp/velmira-bench-") + name; }

void CopyFile(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), "wb");
  std::vector<char> buffer(1 << 16);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
    std::fwrite(buffer.data(), 1, n, out);
  std::fflush(out);
  ::fsync(fileno(out));
  std::fclose(out);
  std::fclose(in);
}

void BM_CopyPerformanceBytes(benchmark::State& s) {
  const std::string source = Path("source.qji");
  SavePerformanceFile(Performance().data(), kEvents, 1297, false, source.c_str(), kDate);
  const AllocationCounter allocations;
  for (auto _ : s) CopyFile(source, Path("copy.qji"));
  allocations.Report(s);
}
BENCHMARK(BM_CopyPerformanceBytes)->Unit(benchmark::kMillisecond);

void BM_SavePerformance(benchmark::State& s) {
  const std::string path = Path("save.qji");
  const AllocationCounter allocations;
  for (auto _ : s) {
    const char* error =
        SavePerformanceFile(Performance().data(), kEvents, 1297, true, path.c_str(), kDate);
    if (error != nullptr) s.SkipWithError("save failed");
  }
  allocations.Report(s);
}
BENCHMARK(BM_SavePerformance)->Unit(benchmark::kMillisecond);

void BM_LoadPerformance(benchmark::State& s) {
  const std::string path = Path("load.qji");
  SavePerformanceFile(Performance().data(), kEvents, 1297, false, path.c_str(), kDate);
  const AllocationCounter allocations;
  for (auto _ : s) {
    LoadedPerformance loaded;
    if (LoadPerformanceFile(path.c_str(), &loaded) != nullptr || loaded.events.count() != kEvents) {
      s.SkipWithError("load failed");
    }
    benchmark::DoNotOptimize(loaded.events.events()[kEvents - 1].deltaMs);
  }
  allocations.Report(s);
}
BENCHMARK(BM_LoadPerformance)->Unit(benchmark::kMillisecond);

void BM_ExportPerformanceWithBass(benchmark::State& s) {
  const std::string path = Path("export.mid");
  const AllocationCounter allocations;
  for (auto _ : s) {
    if (ExportMidiFile(Performance().data(), kEvents, 1297, 0, true, path.c_str()) != nullptr) {
      s.SkipWithError("export failed");
    }
  }
  allocations.Report(s);
}
BENCHMARK(BM_ExportPerformanceWithBass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmira
