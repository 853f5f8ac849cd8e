// Recording: one live key event into the EventBuffer, amortised over a million.
#include <benchmark/benchmark.h>

#include "bench/allocations.h"
#include "engine/clock.h"
#include "record/recorder.h"
#include "tests/fakes/fake_ui.h"

namespace velmira {
namespace {

class TickingClock : public Clock {
 public:
  uint32_t now = 0;
  uint32_t NowMs() override { return now += 7; }
};

void BM_RecordMillionEvents(benchmark::State& s) {
  constexpr uint32_t kEvents = 1000000;
  testing::FakeUi ui;
  PlayerState player;
  player.switchedOn = true;
  TickingClock clock;
  const AllocationCounter allocations;
  for (auto _ : s) {
    EventBuffer events;
    PlaybackBuffer playback;
    DocumentState document;
    Recorder recorder(events, playback, document, player, clock, ui);
    recorder.StartRecording();
    for (uint32_t i = 0; i < kEvents; ++i) {
      recorder.RecordKey(KeyStroke(0x1E, (i & 1) == 0), 0);
    }
    benchmark::DoNotOptimize(events.count());
  }
  allocations.Report(s);
  // items_per_second is events per second; its inverse is the time per event.
  s.SetItemsProcessed(static_cast<int64_t>(s.iterations()) * kEvents);
}
BENCHMARK(BM_RecordMillionEvents)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmira
