// The program as players get it. Until it has a synthesizer of its own it plays through the
// simulated synthesizer (one device, no log).
#include "engine/sim_midi_output.h"
#include "qt/variant.h"

namespace velmira {

std::unique_ptr<MidiOutputService> CreateMidiOutputService(Clock& clock) {
  return std::make_unique<SimMidiOutput>(SimConfig{}, clock);
}

void ReportMenuBar(const QMenuBar*) {}

}  // namespace velmira
