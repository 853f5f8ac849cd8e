// One live stroke pair (key-down and key-up, bass doubling on) through the note engine into a
// MIDI service that discards everything: a note key, and the sustain pedal.
#include <benchmark/benchmark.h>

#include "bench/allocations.h"
#include "engine/device_control.h"
#include "engine/note_engine.h"
#include "tests/fakes/fake_ui.h"
#include "tests/fakes/null_midi_service.h"

namespace velmira {
namespace {

// A stroke pair of one key with bass doubling on: a note key, or the space bar's pedal.
void StrokePairWithBass(benchmark::State& s, int scanCode) {
  PlayerState state;
  testing::NullMidiService service;
  testing::FakeUi ui;
  MidiOutput midi(state, service);
  NoteEngine engine(state, midi, ui);
  DeviceControl devices(state, midi, engine, ui);
  devices.OpenAtStart();
  engine.OnBassCommand();
  const AllocationCounter allocations;
  for (auto _ : s) {
    engine.PlayKey(KeyStroke(scanCode, true));
    engine.PlayKey(KeyStroke(scanCode, false));
  }
  allocations.Report(s);
  benchmark::DoNotOptimize(service.sent);
  s.SetItemsProcessed(s.iterations());
}

void BM_StrokePairWithBass(benchmark::State& s) { StrokePairWithBass(s, 0x1E); }
BENCHMARK(BM_StrokePairWithBass);

// The sustain pedal down and up: two control changes on each of the two channels.
void BM_PedalStrokePairWithBass(benchmark::State& s) { StrokePairWithBass(s, 0x39); }
BENCHMARK(BM_PedalStrokePairWithBass);

}  // namespace
}  // namespace velmira

BENCHMARK_MAIN();
