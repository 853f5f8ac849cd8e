// Where the key caps lie in the main window, which cap a click hits, and which picture cell a
// cap shows. All divisions truncate toward zero, taken after the multiplication.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ui_effects.h"

namespace velmira {

struct Rect {
  int left;
  int top;
  int right;
  int bottom;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

constexpr int kCapWidth = 38;
constexpr int kCapHeight = 39;
constexpr int kKeyBlockWidth = 475;   // 23 half-columns of 19 plus one cap
constexpr int kKeyBlockHeight = 156;  // four rows of 39

// The key block's top-left corner in client coordinates; (0, 0) until the first resize. The
// sustain pedal's place beneath the block, empty where the window leaves it no room.
struct KeyboardOrigin {
  int x0 = 0;
  int y0 = 0;
  Rect pedal{0, 0, 0, 0};
};

constexpr bool IsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }
constexpr bool Contains(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// From the client size and the cell height: x0 = (W - 475) / 2, y0 = ch + (H - 156) / 2.
KeyboardOrigin SetKeyboardOrigin(int width, int height, int cellHeight);

// The cap of a slot that has a position (callers never pass an empty slot).
Rect CapRect(const KeyboardOrigin& origin, int slot);
// The cap moved up by 4 pixels: where its label is centred.
Rect LabelRect(const Rect& cap);

// Source x of the cap picture's cell: 0 grey (up), 38 blue (shift 0), 76 red (+1),
// 114 green (-1); -1 when a pressed cap carries another shift (the picture is left as it was).
int CapSourceX(bool pressed, int shift);
// The orange cell: a cap that a lesson asks to strike next, while it is up.
constexpr int kMarkedCapSourceX = 152;
// The mark of a slot among the marks, or null.
const CapMark* MarkOf(const std::vector<CapMark>& marks, int slot);
// What a marked cap says of the octave shift its note needs ("Shift", "Ctrl"), or null, and
// where: a strip along the cap's top edge, above its label.
const char* MarkText(const CapMark& mark);
Rect MarkTextRect(const Rect& cap);

// The octave dots of a cap: octave 6 one above the label, 4 one below, 3 two below.
struct OctaveDots {
  int count = 0;
  Rect boxes[2] = {};
};
OctaveDots OctaveDotBoxes(const Rect& cap, int octave);

constexpr unsigned kNoMouseKey = 255;

// The slot under a left click at (x, y), or -1 when the click lies outside the block or
// between caps.
int HitTestKey(const KeyboardOrigin& origin, int x, int y);

// The key held with the mouse. The click sends the key-down that the computer keyboard would
// send for the slot (slot index in bits 16..23, all other bits 0); the release sends the key-up.
// A click on the pedal holds it the same way, as the space bar (scan code 57).
class MouseKeys {
 public:
  // Returns the slot hit (57 for the pedal), or -1 (then nothing changes).
  int ButtonDown(const KeyboardOrigin& origin, int x, int y);
  // Returns the slot to release, or -1 when no key is held; forgets it.
  int ButtonUp();
  unsigned MouseKeySlot() const { return mouseKeySlot_; }

 private:
  unsigned mouseKeySlot_ = kNoMouseKey;
};

constexpr uint32_t MouseKeyData(int slot) { return static_cast<uint32_t>(slot) << 16; }

}  // namespace velmira
