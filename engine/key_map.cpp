#include "engine/key_map.h"

namespace velmira {

// clang-format off
const char* const kDegreeLabels[12] = {"1", "b2", "2", "b3", "3", "4",
                                       "b5", "5", "b6", "6", "b7", "7"};
// clang-format on

namespace {
constexpr KeySlot Empty() { return KeySlot{-1, -1, -1, -1, nullptr}; }
}  // namespace

// Labels follow the semitone: the same twelve strings serve every slot.
#define KEY(octave, semitone, row, half) \
  KeySlot { octave, semitone, row, half, kDegreeLabels[semitone] }

// clang-format off
const KeySlot KeyMap[kKeySlotCount] = {
    Empty(),          // 0x00 no key
    Empty(),          // 0x01 Esc
    KEY(3, 6, 0, 0),  // 0x02 1
    KEY(3, 8, 0, 2),  // 0x03 2
    KEY(3, 10, 0, 4), // 0x04 3
    KEY(3, 11, 0, 6), // 0x05 4
    KEY(4, 1, 0, 8),  // 0x06 5
    KEY(4, 3, 0, 10), // 0x07 6
    KEY(4, 4, 0, 12), // 0x08 7
    KEY(4, 6, 0, 14), // 0x09 8
    KEY(4, 8, 0, 16), // 0x0A 9
    KEY(4, 10, 0, 18),// 0x0B 0
    KEY(6, 6, 0, 20), // 0x0C minus
    KEY(6, 8, 0, 22), // 0x0D equals
    Empty(),          // 0x0E Backspace
    Empty(),          // 0x0F Tab
    KEY(3, 7, 1, 1),  // 0x10 Q
    KEY(3, 9, 1, 3),  // 0x11 W
    KEY(3, 11, 1, 5), // 0x12 E
    KEY(4, 0, 1, 7),  // 0x13 R
    KEY(4, 2, 1, 9),  // 0x14 T
    KEY(4, 4, 1, 11), // 0x15 Y
    KEY(4, 5, 1, 13), // 0x16 U
    KEY(4, 7, 1, 15), // 0x17 I
    KEY(4, 9, 1, 17), // 0x18 O
    KEY(4, 11, 1, 19),// 0x19 P
    KEY(6, 7, 1, 21), // 0x1A [
    KEY(6, 9, 1, 23), // 0x1B ]
    Empty(),          // 0x1C Enter
    Empty(),          // 0x1D Left Ctrl
    KEY(5, 0, 2, 2),  // 0x1E A
    KEY(5, 2, 2, 4),  // 0x1F S
    KEY(5, 4, 2, 6),  // 0x20 D
    KEY(5, 5, 2, 8),  // 0x21 F
    KEY(5, 7, 2, 10), // 0x22 G
    KEY(5, 9, 2, 12), // 0x23 H
    KEY(5, 11, 2, 14),// 0x24 J
    KEY(6, 0, 2, 16), // 0x25 K
    KEY(6, 2, 2, 18), // 0x26 L
    KEY(6, 4, 2, 20), // 0x27 semicolon
    KEY(6, 5, 2, 22), // 0x28 apostrophe
    Empty(),          // 0x29 grave accent
    Empty(),          // 0x2A Left Shift
    Empty(),          // 0x2B backslash
    KEY(5, 1, 3, 3),  // 0x2C Z
    KEY(5, 3, 3, 5),  // 0x2D X
    KEY(5, 4, 3, 7),  // 0x2E C
    KEY(5, 6, 3, 9),  // 0x2F V
    KEY(5, 8, 3, 11), // 0x30 B
    KEY(5, 10, 3, 13),// 0x31 N
    KEY(5, 11, 3, 15),// 0x32 M
    KEY(6, 1, 3, 17), // 0x33 comma
    KEY(6, 3, 3, 19), // 0x34 full stop
    KEY(6, 4, 3, 21), // 0x35 slash
};
// clang-format on

#undef KEY

const char* KeyLegend(int slot) {
  // clang-format off
  static const char* const kLegends[kKeySlotCount] = {
      nullptr, nullptr, "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", nullptr, nullptr,
      "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", nullptr, nullptr,
      "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", nullptr, nullptr, nullptr,
      "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/"};
  // clang-format on
  return slot >= 0 && slot < kKeySlotCount ? kLegends[slot] : nullptr;
}

}  // namespace velmira
