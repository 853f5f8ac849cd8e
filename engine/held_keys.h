// The live keys that are down now, by slot (the key slots and the space bar, the pedal), so that
// they can be released when the main window loses the keyboard focus (their key-ups would go to
// another window).
#pragma once

#include <cstdint>

#include "engine/key_map.h"

namespace velmira {

class HeldKeys {
 public:
  void Press(uint32_t keyData) {
    const int slot = SlotIndexOf(keyData);
    if (Tracked(slot)) slots_[slot] = (keyData & kScanBits) | kHeld;
  }
  // A key-up arrived. False when the key was already released for it on focus loss, so the
  // late key-up must not reach the engine a second time.
  bool Release(uint32_t keyData) {
    const int slot = SlotIndexOf(keyData);
    if (!Tracked(slot)) return true;
    const bool early = (slots_[slot] & kReleasedEarly) != 0;
    slots_[slot] = 0;
    return !early;
  }
  // Calls release(keyUpData) for each held key, as the key-up that did not arrive would carry
  // it (previous-state and transition bits set, repeat count 1).
  template <typename Release>
  void ReleaseAll(Release release) {
    for (uint32_t& data : slots_) {
      if ((data & kHeld) == 0) continue;
      const uint32_t keyUp = (data & kScanBits) | 0xC0000001u;
      data = kReleasedEarly;
      release(keyUp);
    }
  }
  void Clear() {
    for (uint32_t& data : slots_) data = 0;
  }

 private:
  static constexpr bool Tracked(int slot) { return slot < kKeySlotCount || slot == kPedalScanCode; }
  static constexpr uint32_t kScanBits = 0x01FF0000u;  // scan code and extended flag
  static constexpr uint32_t kHeld = 0x80000000u;
  static constexpr uint32_t kReleasedEarly = 0x40000000u;
  uint32_t slots_[kPedalScanCode + 1] = {};
};

}  // namespace velmira
