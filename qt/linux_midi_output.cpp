#include "qt/linux_midi_output.h"

#include <cstdio>

namespace velmira {

// Handles are the device number plus one.
bool LinuxMidiOutput::DeviceName(int device, std::string* name) {
  if (device == 0) {
    *name = synth_.lost() ? "等待音频服务" : "Velmira 合成器";
    return true;
  }
  if (device < 1 || static_cast<size_t>(device) > ports_.count()) return false;
  *name = ports_.name(static_cast<size_t>(device) - 1);
  return true;
}

bool LinuxMidiOutput::Open(int device, MidiOutHandle* handle) {
  bool opened = false;
  error_.clear();
  if (device == 0) {
    opened = synth_.Open();
    if (!opened) {
      error_ = synth_.error();
      std::fprintf(stderr, "velmira: the synthesizer: %s\n", error_.c_str());
    }
  } else if (device >= 1 && static_cast<size_t>(device) <= ports_.count()) {
    opened = ports_.Connect(static_cast<size_t>(device) - 1);
    if (!opened) error_ = "ALSA 端口 " + ports_.name(static_cast<size_t>(device) - 1) + " 连不上";
  }
  if (opened) *handle = static_cast<MidiOutHandle>(device + 1);
  return opened;
}

void LinuxMidiOutput::ShortMessage(MidiOutHandle handle, uint32_t message) {
  if (handle == 1) {
    synth_.Send(message);
  } else if (handle > 1) {
    ports_.Send(message);
  }
}

void LinuxMidiOutput::Close(MidiOutHandle handle) {
  if (handle == 1) {
    synth_.Close();
  } else if (handle > 1) {
    ports_.Disconnect();
  }
}

}  // namespace velmira
