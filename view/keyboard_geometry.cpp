#include "view/keyboard_geometry.h"

#include "engine/key_map.h"

namespace velmira {

KeyboardOrigin SetKeyboardOrigin(int width, int height, int cellHeight) {
  return KeyboardOrigin{(width - kKeyBlockWidth) / 2, cellHeight + (height - kKeyBlockHeight) / 2,
                        Rect{0, 0, 0, 0}};
}

Rect CapRect(const KeyboardOrigin& origin, int slot) {
  const KeySlot& key = KeyMap[slot];
  const int left = origin.x0 + key.halfColumn * kCapWidth / 2;
  const int top = origin.y0 + key.row * kCapHeight;
  return Rect{left, top, left + kCapWidth, top + kCapHeight};
}

Rect LabelRect(const Rect& cap) { return Rect{cap.left, cap.top - 4, cap.right, cap.bottom - 4}; }

int CapSourceX(bool pressed, int shift) {
  if (!pressed) return 0;
  switch (shift) {
    case 0: return 38;
    case 1: return 76;
    case -1: return 114;
    default: return -1;
  }
}

OctaveDots OctaveDotBoxes(const Rect& cap, int octave) {
  const int cx = cap.left + 19;
  auto box = [&](int from, int to) { return Rect{cx - 2, cap.top + from, cx + 2, cap.top + to}; };
  OctaveDots dots;
  if (octave == 6) {
    dots.count = 1;
    dots.boxes[0] = box(3, 7);
  } else if (octave == 4) {
    dots.count = 1;
    dots.boxes[0] = box(24, 28);
  } else if (octave == 3) {
    dots.count = 2;
    dots.boxes[0] = box(24, 28);
    dots.boxes[1] = box(30, 34);
  }
  return dots;
}

const CapMark* MarkOf(const std::vector<CapMark>& marks, int slot) {
  for (const CapMark& mark : marks) {
    if (mark.slot == slot) return &mark;
  }
  return nullptr;
}

const char* MarkText(const CapMark& mark) {
  return mark.shift > 0 ? "Shift" : (mark.shift < 0 ? "Ctrl" : nullptr);
}

Rect MarkTextRect(const Rect& cap) { return Rect{cap.left, cap.top + 3, cap.right, cap.top + 14}; }

int HitTestKey(const KeyboardOrigin& origin, int x, int y) {
  if (x < origin.x0 || x > origin.x0 + kKeyBlockWidth || y < origin.y0 ||
      y > origin.y0 + kKeyBlockHeight) {
    return -1;
  }
  int row = (y - origin.y0) / kCapHeight;
  if (row > 3) row = 3;  // the bottom edge belongs to the last row
  int column = (row == 0 || row == 2) ? ((x - origin.x0) / kCapWidth) * 2
                                      : ((x - origin.x0 - 19) / kCapWidth) * 2 + 1;
  if (column < 0) column = 0;
  if (column > 23) column = 23;
  int hit = -1;
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyMap[slot].row == row && KeyMap[slot].halfColumn == column) hit = slot;
  }
  return hit;
}

int MouseKeys::ButtonDown(const KeyboardOrigin& origin, int x, int y) {
  int slot = HitTestKey(origin, x, y);
  if (slot < 0 && !IsEmpty(origin.pedal) && Contains(origin.pedal, x, y)) slot = kPedalScanCode;
  if (slot >= 0) mouseKeySlot_ = static_cast<unsigned>(slot);
  return slot;
}

int MouseKeys::ButtonUp() {
  if (mouseKeySlot_ == kNoMouseKey) return -1;
  const int slot = static_cast<int>(mouseKeySlot_);
  mouseKeySlot_ = kNoMouseKey;
  return slot;
}

}  // namespace velmira
