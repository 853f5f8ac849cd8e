// The call log of a MIDI output service, one line a call, flushed at once:
// "<ms> open <d> ok|fail", "<ms> short <XXXXXXXX>", "<ms> close". The simulated synthesizer
// writes it for the tests; the real program with VELMIRA_MIDI_LOG, to be watched at work.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/clock.h"

namespace velmira {

class MidiCallLog {
 public:
  // An empty path writes nothing.
  MidiCallLog(Clock& clock, const std::string& path);
  ~MidiCallLog();
  MidiCallLog(const MidiCallLog&) = delete;
  MidiCallLog& operator=(const MidiCallLog&) = delete;

  void Open(int device, bool ok);
  void Short(uint32_t message);
  void Close() { Line("close"); }

 private:
  void Line(const char* text);

  Clock& clock_;
  std::FILE* file_ = nullptr;
};

}  // namespace velmira
