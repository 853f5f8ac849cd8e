// A simulated MIDI output service for tests of the whole program where no MIDI device exists.
// It is configured by environment variables and logs every call, one line each, flushed at once:
//   VELMIRA_SIM_DEVICES    number of devices (default 1); device d is "Simulated Synth d"
//   VELMIRA_SIM_MAPPER     0 makes the mapper's capability query fail (default 1)
//   VELMIRA_SIM_FAIL_OPEN  comma-separated devices (-1 the mapper) whose open fails
//   VELMIRA_SIM_LOG        file that receives "<ms> open <d> ok|fail", "<ms> short <XXXXXXXX>",
//                          "<ms> close"
#pragma once

#include <set>
#include <string>

#include "engine/clock.h"
#include "engine/midi_call_log.h"
#include "engine/midi_output_service.h"

namespace velmira {

struct SimConfig {
  unsigned devices = 1;
  bool mapper = true;
  std::set<int> failOpen;
  std::string logPath;
};

// Reads the configuration through a getenv-like lookup (null for an unset variable).
// Malformed numbers are ignored and leave the default.
SimConfig ReadSimConfig(const char* (*lookup)(const char* name));

class SimMidiOutput final : public MidiOutputService {
 public:
  SimMidiOutput(SimConfig config, Clock& clock);
  SimMidiOutput(const SimMidiOutput&) = delete;
  SimMidiOutput& operator=(const SimMidiOutput&) = delete;

  unsigned DeviceCount() override { return config_.devices; }
  bool DeviceName(int device, std::string* name) override;
  bool Open(int device, MidiOutHandle* handle) override;
  void ShortMessage(MidiOutHandle handle, uint32_t message) override;
  void Close(MidiOutHandle handle) override;

 private:
  SimConfig config_;
  MidiCallLog log_;
};

}  // namespace velmira
