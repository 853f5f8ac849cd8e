// The 32-bit key data stored with every recorded event, as the performance file holds it: the
// repeat count in bits 0..15, the scan code in bits 16..23, the extended-key flag in bit 24,
// bit 30 on an auto-repeat and on every key-up, bit 31 on every key-up. A key struck with the
// mouse carries its slot in bits 16..23 and nothing else.
#pragma once

#include <cstdint>

#include "engine/key_event.h"

namespace velmira {

constexpr uint32_t PackKeyData(const KeyEvent& key) {
  const uint32_t scan = static_cast<uint32_t>(key.scanCode & 0xFF) << 16;
  if (key.mouse) return scan;
  const uint32_t extended = key.extended ? 1u << 24 : 0u;
  if (!key.down) return scan | extended | 0xC0000001u;
  return scan | extended | key.repeatCount | (key.autoRepeat ? 1u << 30 : 0u);
}

// The key's slot (its scan code) in stored key data.
constexpr int KeySlotOf(uint32_t keyData) { return static_cast<int>((keyData >> 16) & 0xFF); }

}  // namespace velmira
