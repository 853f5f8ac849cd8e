// The live keys that are down now, by slot, so that they can be released when the main window
// loses the keyboard focus (their key-ups would go to another window).
#pragma once

#include <cstdint>

#include "engine/key_map.h"

namespace velmira {

class HeldKeys {
 public:
  void Press(uint32_t keyData) {
    const int slot = SlotIndexOf(keyData);
    if (slot < kKeySlotCount) keyData_[slot] = keyData | kHeld;
  }
  void Release(uint32_t keyData) {
    const int slot = SlotIndexOf(keyData);
    if (slot < kKeySlotCount) keyData_[slot] = 0;
  }
  // Calls release(keyUpData) for each held key, as the key-up that did not arrive would carry
  // it (previous-state and transition bits set, repeat count 1), and forgets them all.
  template <typename Release>
  void ReleaseAll(Release release) {
    for (uint32_t& data : keyData_) {
      if (data == 0) continue;
      const uint32_t keyUp = (data & 0x01FF0000u) | 0xC0000001u;
      data = 0;
      release(keyUp);
    }
  }
  void Clear() {
    for (uint32_t& data : keyData_) data = 0;
  }

 private:
  static constexpr uint32_t kHeld = 0x80000000u;  // marks a slot as held even for lparam 0
  uint32_t keyData_[kKeySlotCount] = {};
};

}  // namespace velmira
