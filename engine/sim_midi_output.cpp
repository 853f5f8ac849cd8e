#include "engine/sim_midi_output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmira {

namespace {

bool ParseInt(const char* text, long* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || end == text) return false;
  while (*end == ' ') ++end;
  if (*end != '\0' && *end != ',') return false;
  *value = parsed;
  return true;
}

}  // namespace

SimConfig ReadSimConfig(const char* (*lookup)(const char* name)) {
  SimConfig config;
  long value;
  if (ParseInt(lookup("VELMIRA_SIM_DEVICES"), &value) && value >= 0 && value <= 256) {
    config.devices = static_cast<unsigned>(value);
  }
  if (ParseInt(lookup("VELMIRA_SIM_MAPPER"), &value)) config.mapper = value != 0;
  if (const char* list = lookup("VELMIRA_SIM_FAIL_OPEN")) {
    for (const char* p = list; *p != '\0';) {
      if (ParseInt(p, &value)) config.failOpen.insert(static_cast<int>(value));
      const char* comma = std::strchr(p, ',');
      if (comma == nullptr) break;
      p = comma + 1;
    }
  }
  if (const char* path = lookup("VELMIRA_SIM_LOG")) config.logPath = path;
  return config;
}

SimMidiOutput::SimMidiOutput(SimConfig config, Clock& clock)
    : config_(std::move(config)), log_(clock, config_.logPath) {}

bool SimMidiOutput::DeviceName(int device, std::string* name) {
  if (device == kMidiMapper) {
    if (!config_.mapper) return false;
    *name = "Simulated Mapper";
    return true;
  }
  if (device < 0 || static_cast<unsigned>(device) >= config_.devices) return false;
  *name = "Simulated Synth " + std::to_string(device);
  return true;
}

bool SimMidiOutput::Open(int device, MidiOutHandle* handle) {
  const bool exists = device == kMidiMapper
                          ? config_.mapper
                          : device >= 0 && static_cast<unsigned>(device) < config_.devices;
  const bool ok = exists && config_.failOpen.count(device) == 0;
  log_.Open(device, ok);
  if (ok) *handle = static_cast<MidiOutHandle>(device + 2);
  return ok;
}

void SimMidiOutput::ShortMessage(MidiOutHandle, uint32_t message) { log_.Short(message); }

void SimMidiOutput::Close(MidiOutHandle) { log_.Close(); }

}  // namespace velmira
