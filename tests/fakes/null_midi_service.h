// A MIDI output service that discards everything: for benchmarks.
#pragma once

#include <string>

#include "engine/midi_output_service.h"

namespace velmira::testing {

class NullMidiService : public MidiOutputService {
 public:
  unsigned sent = 0;
  unsigned DeviceCount() override { return 1; }
  bool DeviceName(int, std::string* name) override {
    *name = "null";
    return true;
  }
  bool Open(int, MidiOutHandle* handle) override {
    *handle = 1;
    return true;
  }
  void ShortMessage(MidiOutHandle, uint32_t) override { ++sent; }
  void Close(MidiOutHandle) override {}
};

}  // namespace velmira::testing
