#include "engine/midi_output.h"

#include "engine/key_signature.h"

namespace velmira {

void MidiOutput::SendShortMessage(uint32_t status, int channel, int data1, int data2) {
  if (!state_.switchedOn) return;
  service_.ShortMessage(
      state_.midiOut, PackShortMessage(status, static_cast<uint32_t>(channel),
                                       static_cast<uint32_t>(data1), static_cast<uint32_t>(data2)));
}

int MidiOutput::SendNote(uint32_t status, int channel, int octave, int semitone, int velocity) {
  int offset;
  if (!KeySignatureOffset(state_.keySignature, &offset)) return -1;
  const int note = octave * 12 + semitone + offset;
  SendShortMessage(status, channel, note, velocity);
  return note;
}

int MidiOutput::SendNoteOn(int channel, int octave, int semitone, int velocity) {
  return SendNote(0x90, channel, octave, semitone, velocity);
}

int MidiOutput::SendNoteOff(int channel, int octave, int semitone, int velocity) {
  return SendNote(0x80, channel, octave, semitone, velocity);
}

void MidiOutput::SendProgramChange(int channel, int program) {
  SendShortMessage(0xC0, channel, program, 0);
}

void MidiOutput::SendPitchBend(int channel, int value) {
  SendShortMessage(0xE0, channel, value & 0x7F, value >> 7);
}

void MidiOutput::SendSustain(int channel, bool down) {
  SendShortMessage(0xB0, channel, 64, down ? 127 : 0);
}

void MidiOutput::SendAllNotesOff() {
  for (int channel = 0; channel < 16; ++channel) SendShortMessage(0xB0, channel, 123, 0);
}

}  // namespace velmira
