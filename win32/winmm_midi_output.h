// The MIDI output service over the Windows multimedia library.
#pragma once

#include "engine/midi_output_service.h"

namespace velmira {

class WinmmMidiOutput final : public MidiOutputService {
 public:
  unsigned DeviceCount() override;
  bool DeviceName(int device, std::string* name) override;
  bool Open(int device, MidiOutHandle* handle) override;
  void ShortMessage(MidiOutHandle handle, uint32_t message) override;
  void Close(MidiOutHandle handle) override;
};

}  // namespace velmira
