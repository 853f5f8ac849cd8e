// A MIDI output service that records every call, for tests. Like a real device it takes
// messages only on an open handle and opens a device only once; anything else is refused and
// noted, and the test that owns the fake fails when it is destroyed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "engine/midi_output_service.h"

namespace velmira::testing {

class FakeMidiService : public MidiOutputService {
 public:
  unsigned deviceCount = 1;
  bool mapperAvailable = true;
  std::set<int> failingOpens;    // devices whose open fails
  std::set<int> unnamedDevices;  // devices whose capability query fails

  std::vector<uint32_t> messages;  // every short message accepted, in order
  std::vector<int> opens;          // devices opened successfully
  int closes = 0;
  bool open = false;                    // some device is open
  std::vector<std::string> violations;  // calls a real device would have refused

  ~FakeMidiService() override {
    for (const std::string& violation : violations) ADD_FAILURE() << "MIDI service: " << violation;
  }

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
    const MidiOutHandle opened = HandleOf(device);
    if (openHandles_.count(opened)) {
      violations.push_back("open of device " + std::to_string(device) + ", which is already open");
      return false;
    }
    opens.push_back(device);
    openHandles_.insert(opened);
    open = true;
    *handle = opened;
    return true;
  }
  void ShortMessage(MidiOutHandle handle, uint32_t message) override {
    if (!openHandles_.count(handle)) {
      violations.push_back("message " + Hex(message) + " to handle " + Hex(handle) +
                           ", which is not open");
      return;
    }
    messages.push_back(message);
  }
  void Close(MidiOutHandle handle) override {
    if (openHandles_.erase(handle) == 0) {
      violations.push_back("close of handle " + Hex(handle) + ", which is not open");
      return;
    }
    ++closes;
    open = !openHandles_.empty();
  }

 private:
  static MidiOutHandle HandleOf(int device) {
    return 0x1000 + static_cast<MidiOutHandle>(device + 1);
  }
  static std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
  }
  std::set<MidiOutHandle> openHandles_;
};

}  // namespace velmira::testing
