// A MIDI output service that passes every call on and writes it to a call log (the simulated
// synthesizer's format), to watch the real program at work.
#pragma once

#include <memory>
#include <string>

#include "engine/midi_call_log.h"
#include "engine/midi_output_service.h"

namespace velmira {

class LoggedMidiOutput final : public MidiOutputService {
 public:
  LoggedMidiOutput(std::unique_ptr<MidiOutputService> inner, Clock& clock, const std::string& path)
      : inner_(std::move(inner)), log_(clock, path) {}

  unsigned DeviceCount() override { return inner_->DeviceCount(); }
  bool DeviceName(int device, std::string* name) override {
    return inner_->DeviceName(device, name);
  }
  bool Open(int device, MidiOutHandle* handle) override {
    const bool ok = inner_->Open(device, handle);
    log_.Open(device, ok);
    return ok;
  }
  void ShortMessage(MidiOutHandle handle, uint32_t message) override {
    inner_->ShortMessage(handle, message);
    log_.Short(message);
  }
  void Close(MidiOutHandle handle) override {
    inner_->Close(handle);
    log_.Close();
  }

 private:
  std::unique_ptr<MidiOutputService> inner_;
  MidiCallLog log_;
};

}  // namespace velmira
