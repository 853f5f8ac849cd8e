// Lists the MIDI output devices that Velmira would offer, one per line: the mapper as -1,
// then 0..N-1. Exit code 0 with at least one device, 1 with none.
#include <cstdio>
#include <string>

#include "win32/winmm_midi_output.h"

int main() {
  velmira::WinmmMidiOutput midi;
  const unsigned count = midi.DeviceCount();
  std::string name;
  if (midi.DeviceName(velmira::kMidiMapper, &name)) std::printf("-1 %s\n", name.c_str());
  for (unsigned d = 0; d < count; ++d) {
    if (!midi.DeviceName(static_cast<int>(d), &name)) name = "?";
    std::printf("%u %s\n", d, name.c_str());
  }
  std::printf("devices: %u\n", count);
  return count > 0 ? 0 : 1;
}
