// What the program needs from a MIDI output system: the devices, their names, and a way to
// open one, send it short messages and close it. WinMM implements it on Windows
// (win32/winmm_midi_output), the built-in synthesizer and the ALSA sequencer's ports on Linux
// (qt/linux_midi_output); the simulation builds of both use a logging simulation
// (engine/sim_midi_output); tests use a recording fake (tests/fakes/fake_midi_service.h).
#pragma once

#include <cstdint>
#include <string>

namespace velmira {

using MidiOutHandle = std::uintptr_t;

constexpr int kMidiMapper = -1;

class MidiOutputService {
 public:
  virtual ~MidiOutputService() = default;
  virtual unsigned DeviceCount() = 0;
  // Product name of device -1 (the mapper) or 0..N-1; false when the query fails.
  virtual bool DeviceName(int device, std::string* name) = 0;
  virtual bool Open(int device, MidiOutHandle* handle) = 0;
  virtual void ShortMessage(MidiOutHandle handle, uint32_t message) = 0;
  virtual void Close(MidiOutHandle handle) = 0;
};

}  // namespace velmira
