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

// Slot index carried in bits 16..23 of a key message's lparam.
constexpr int SlotIndexOf(uint32_t keyData) { return static_cast<int>((keyData >> 16) & 0xFF); }

// The playable slot for a key message, or null when the key does not play.
inline const KeySlot* PlayableSlot(uint32_t keyData) {
  const int index = SlotIndexOf(keyData);
  if (index >= kKeySlotCount || KeyMap[index].octave == -1) return nullptr;
  return &KeyMap[index];
}

// The key message parameter of a key-down (repeat count 1, bit 30 on an auto-repeat) and of a
// key-up (previous-state and transition bits set) for a scan code.
constexpr uint32_t KeyDownData(int scanCode, bool autoRepeat) {
  return (static_cast<uint32_t>(scanCode & 0xFF) << 16) | 1u | (autoRepeat ? 1u << 30 : 0u);
}
constexpr uint32_t KeyUpData(int scanCode) {
  return (static_cast<uint32_t>(scanCode & 0xFF) << 16) | 0xC0000001u;
}

// Which key-downs repeat a key that is already down, for systems whose key events do not
// always say so: a held key must never strike again.
class KeyRepeatFilter {
 public:
  // True when the key was down already (an auto-repeat).
  bool Press(int scanCode) {
    bool& down = down_[scanCode & 0xFF];
    const bool repeat = down;
    down = true;
    return repeat;
  }
  void Release(int scanCode) { down_[scanCode & 0xFF] = false; }
  void Clear() {
    for (bool& down : down_) down = false;
  }

 private:
  bool down_[256] = {};
};

// The space bar, outside the key slots, is the sustain pedal.
constexpr int kPedalScanCode = 57;
constexpr bool IsPedalKey(uint32_t keyData) { return SlotIndexOf(keyData) == kPedalScanCode; }

constexpr int BaseNote(const KeySlot& slot) { return slot.octave * 12 + slot.semitone; }

}  // namespace velmira
