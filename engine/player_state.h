// The current performance settings. One record for the whole run, read and written on the
// window thread only.
#pragma once

#include <cstdint>

#include "engine/midi_output_service.h"

namespace velmira {

struct PlayerState {
  int32_t outputDevice = -1;  // -1 is the MIDI mapper
  MidiOutHandle midiOut = 0;  // valid while switchedOn
  bool switchedOn = false;
  int32_t channel = 0;  // melody channel 0..14
  int32_t program = 0;  // General MIDI program 0..127
  int32_t velocity = 127;
  int32_t keySignature = 1297;  // command id of the key signature, C major
  bool bassDoubling = false;
  // The octave-shift latch: the shift of the keys held now and how many are held under each.
  int32_t shiftState = 0;
  int32_t holdLowered = 0;
  int32_t holdPlain = 0;
  int32_t holdRaised = 0;
};

}  // namespace velmira
