// A MIDI output service that records every call, for tests.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/midi_output_service.h"

namespace velmira::testing {

class FakeMidiService : public MidiOutputService {
 public:
  unsigned deviceCount = 1;
  bool mapperAvailable = true;
  std::set<int> failingOpens;      // devices whose open fails
  std::set<int> unnamedDevices;    // devices whose capability query fails

  std::vector<uint32_t> messages;  // every short message, in order
  std::vector<int> opens;          // devices opened successfully
  int closes = 0;
  bool open = false;

  unsigned DeviceCount() override { return deviceCount; }
  bool DeviceName(int device, std::string* name) override {
    if (device == kMidiMapper) {
      if (!mapperAvailable) return false;
      *name = "Fake Mapper";
      return true;
    }
    if (unnamedDevices.count(device)) return false;
    *name = "Fake Synth " + std::to_string(device);
    return true;
  }
  bool Open(int device, MidiOutHandle* handle) override {
    if (failingOpens.count(device)) return false;
    opens.push_back(device);
    open = true;
    *handle = 0x1000 + static_cast<MidiOutHandle>(device + 1);
    return true;
  }
  void ShortMessage(MidiOutHandle, uint32_t message) override { messages.push_back(message); }
  void Close(MidiOutHandle) override {
    ++closes;
    open = false;
  }
};

// Discards everything: for benchmarks.
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
