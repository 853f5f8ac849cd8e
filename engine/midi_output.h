// Packing and sending of MIDI short messages to the open output device.
#pragma once

#include <cstdint>

#include "engine/midi_output_service.h"
#include "engine/player_state.h"

namespace velmira {

// status | channel | data1 << 8 | data2 << 16; callers keep the data bytes within 0..127.
constexpr uint32_t PackShortMessage(uint32_t status, uint32_t channel, uint32_t data1,
                                    uint32_t data2) {
  return status | channel | (data1 << 8) | (data2 << 16);
}

class MidiOutput {
 public:
  MidiOutput(PlayerState& state, MidiOutputService& service) : state_(state), service_(service) {}

  // Sends nothing while the instrument is switched off.
  void SendShortMessage(uint32_t status, int channel, int data1, int data2);
  // The note is octave * 12 + semitone + the current key signature's offset. Returns the note
  // sent, or -1 when the key signature has no offset and nothing was sent.
  int SendNoteOn(int channel, int octave, int semitone, int velocity);
  int SendNoteOff(int channel, int octave, int semitone, int velocity);
  void SendProgramChange(int channel, int program);
  void SendPitchBend(int channel, int value);
  // Control change 64, the damper pedal: 127 down, 0 up.
  void SendSustain(int channel, bool down);
  // Control change 123 on channels 0..15 in ascending order.
  void SendAllNotesOff();

  MidiOutputService& service() { return service_; }

 private:
  int SendNote(uint32_t status, int channel, int octave, int semitone, int velocity);

  PlayerState& state_;
  MidiOutputService& service_;
};

}  // namespace velmira
