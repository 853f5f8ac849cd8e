// The Linux program's MIDI output: device 0 is the built-in synthesizer, devices 1 and on the
// ALSA sequencer's writable ports. There is no MIDI mapper.
#pragma once

#include <string>

#include "engine/midi_output_service.h"
#include "qt/alsa_sequencer.h"
#include "qt/fluid_synth_device.h"

namespace velmira {

class LinuxMidiOutput final : public MidiOutputService {
 public:
  explicit LinuxMidiOutput(AudioOptions audio) : synth_(std::move(audio)) {}

  FluidSynthDevice& synth() { return synth_; }
  size_t portCount() const { return ports_.count(); }
  // Why the last Open failed, for the player; empty once taken.
  std::string TakeError() { return std::move(error_); }

  unsigned DeviceCount() override { return 1 + static_cast<unsigned>(ports_.count()); }
  // The synthesizer's name, or while its audio server is away what it waits for.
  bool DeviceName(int device, std::string* name) override;
  bool Open(int device, MidiOutHandle* handle) override;
  void ShortMessage(MidiOutHandle handle, uint32_t message) override;
  void Close(MidiOutHandle handle) override;

 private:
  FluidSynthDevice synth_;
  AlsaSequencer ports_;
  std::string error_;
};

}  // namespace velmira
