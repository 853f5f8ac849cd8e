// Writing a performance down as a score: transcribing 10,000 notes (goal, with the layout:
// under 20 ms), and the jianpu text of them.
#include <benchmark/benchmark.h>

#include <vector>

#include "score/jianpu_text.h"
#include "score/transcribe.h"

namespace velmira {
namespace {

// 10,000 notes of the A row at 120 a minute: quarters, eighths and a rest now and then.
std::vector<PerformanceEvent> TenThousandNotes() {
  std::vector<PerformanceEvent> events;
  const uint32_t lengths[] = {500, 250, 250, 500, 125, 125, 250};
  uint32_t gap = 0;
  for (uint32_t i = 0; i < 10000; ++i) {
    const uint32_t scan = 0x1E + i % 7, length = lengths[i % 7];
    events.push_back({gap, 256, scan << 16 | 1, 0});
    events.push_back({length - 20, 257, scan << 16 | 0xC0000001u, 0});
    gap = i % 13 == 12 ? 270 : 20;
  }
  return events;
}

void BM_TranscribeTenThousandNotes(benchmark::State& s) {
  const std::vector<PerformanceEvent> events = TenThousandNotes();
  const Tempo tempo{500000, 4, 4, 0};
  for (auto _ : s) {
    const Score score =
        Transcribe(events.data(), static_cast<uint32_t>(events.size()), 1297, tempo);
    benchmark::DoNotOptimize(score.bars.size());
  }
}
BENCHMARK(BM_TranscribeTenThousandNotes)->Unit(benchmark::kMillisecond);

void BM_GuessTheTempoOfTenThousandNotes(benchmark::State& s) {
  const std::vector<PerformanceEvent> events = TenThousandNotes();
  for (auto _ : s) {
    const Score score =
        Transcribe(events.data(), static_cast<uint32_t>(events.size()), 1297, Tempo{});
    benchmark::DoNotOptimize(score.bars.size());
  }
}
BENCHMARK(BM_GuessTheTempoOfTenThousandNotes)->Unit(benchmark::kMillisecond);

void BM_JianpuTextOfTenThousandNotes(benchmark::State& s) {
  const std::vector<PerformanceEvent> events = TenThousandNotes();
  const Score score =
      Transcribe(events.data(), static_cast<uint32_t>(events.size()), 1297, Tempo{500000, 4, 4, 0});
  for (auto _ : s) benchmark::DoNotOptimize(WriteJianpuText(score).size());
}
BENCHMARK(BM_JianpuTextOfTenThousandNotes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmira

namespace velmira {
namespace {
void BM_PlayedNotesOfTenThousand(benchmark::State& s) {
  const std::vector<PerformanceEvent> events = TenThousandNotes();
  for (auto _ : s) {
    benchmark::DoNotOptimize(
        PlayedNotes(events.data(), static_cast<uint32_t>(events.size())).size());
  }
}
BENCHMARK(BM_PlayedNotesOfTenThousand)->Unit(benchmark::kMillisecond);
}  // namespace
}  // namespace velmira
