#include "win32/variant.h"
#include "win32/winmm_midi_output.h"

namespace velmira {

std::unique_ptr<MidiOutputService> CreateMidiOutputService() {
  return std::make_unique<WinmmMidiOutput>();
}

void ReportMenuBar(HWND) {}

Scheduling PlaybackScheduling() { return Scheduling::Timeline; }

}  // namespace velmira
