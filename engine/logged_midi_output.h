// A MIDI output service that writes every call to a log before passing it on, in the format
// of the simulated synthesizer's call log: "<ms> open <d> ok|fail", "<ms> short <XXXXXXXX>",
// "<ms> close", one line each, flushed at once. For watching the real program at work.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "engine/clock.h"
#include "engine/midi_output_service.h"

namespace velmira {

class LoggedMidiOutput final : public MidiOutputService {
 public:
  LoggedMidiOutput(std::unique_ptr<MidiOutputService> inner, Clock& clock, const std::string& path);
  ~LoggedMidiOutput() override;
  LoggedMidiOutput(const LoggedMidiOutput&) = delete;
  LoggedMidiOutput& operator=(const LoggedMidiOutput&) = delete;

  unsigned DeviceCount() override { return inner_->DeviceCount(); }
  bool DeviceName(int device, std::string* name) override { return inner_->DeviceName(device, name); }
  bool Open(int device, MidiOutHandle* handle) override;
  void ShortMessage(MidiOutHandle handle, uint32_t message) override;
  void Close(MidiOutHandle handle) override;

 private:
  void Log(const char* text);

  std::unique_ptr<MidiOutputService> inner_;
  Clock& clock_;
  std::FILE* log_ = nullptr;
};

}  // namespace velmira
