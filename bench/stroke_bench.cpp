// One live stroke pair (key-down and key-up, bass doubling on) through the note engine into a
// MIDI service that discards everything.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/device_control.h"
#include "engine/note_engine.h"
#include "tests/fakes/null_midi_service.h"
#include "tests/fakes/fake_ui.h"

// Every heap allocation in the process is counted, so that the benchmark can report how many
// happened on the keystroke path (there should be none).
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
namespace {

class NoKeys : public ModifierKeys {
 public:
  bool ShiftDown() override { return false; }
  bool CtrlDown() override { return false; }
};

void BM_StrokePairWithBass(benchmark::State& s) {
  PlayerState state;
  testing::NullMidiService service;
  testing::FakeUi ui;
  NoKeys keys;
  MidiOutput midi(state, service);
  NoteEngine engine(state, midi, ui, keys);
  DeviceControl devices(state, midi, engine, ui);
  devices.OpenAtStart();
  engine.OnBassCommand();
  const uint32_t keyData = 0x1Eu << 16;
  const long allocationsBefore = g_allocations.load();
  for (auto _ : s) {
    engine.PlayKeyEvent(256, keyData);
    engine.PlayKeyEvent(257, keyData);
  }
  s.counters["allocations"] = static_cast<double>(g_allocations.load() - allocationsBefore);
  benchmark::DoNotOptimize(service.sent);
  s.SetItemsProcessed(s.iterations());
}
BENCHMARK(BM_StrokePairWithBass);

}  // namespace
}  // namespace velmira

BENCHMARK_MAIN();
