// The instrument's layout: for each keyboard scan code 0..53, the note it plays and where its
// cap sits on the on-screen keyboard.
#pragma once

#include <cstdint>

namespace velmira {

struct KeySlot {
  int32_t octave;      // 3..6, -1 for an empty slot
  int32_t semitone;    // 0..11 above the C of that octave, -1 for an empty slot
  int32_t row;         // 0 number row, 1 Q row, 2 A row, 3 Z row; -1 for an empty slot
  int32_t halfColumn;  // 0..23 in half key-cap widths; -1 for an empty slot
  const char* label;   // scale-degree label, null for an empty slot
};

constexpr int kKeySlotCount = 54;
extern const KeySlot KeyMap[kKeySlotCount];

// The twelve labels, indexed by semitone.
extern const char* const kDegreeLabels[12];

// What the key of a slot shows on a keyboard ("A", ";", "1" ...), for the keys that play; null
// for the others.
const char* KeyLegend(int slot);

// The playable slot of a key (by its scan code), or null when the key does not play.
inline const KeySlot* PlayableSlot(int slot) {
  if (slot < 0 || slot >= kKeySlotCount || KeyMap[slot].octave == -1) return nullptr;
  return &KeyMap[slot];
}

// The space bar, outside the key slots, is the sustain pedal.
constexpr int kPedalScanCode = 57;

constexpr int BaseNote(const KeySlot& slot) { return slot.octave * 12 + slot.semitone; }

}  // namespace velmira
