// A key stroke as the core takes it from a shell: which key, down or up, and the state of the
// modifiers at the moment it was struck. Each shell turns its window system's key events (and
// clicks on the on-screen keyboard) into these; nothing platform-shaped crosses.
#pragma once

#include <cstdint>

namespace velmira {

struct KeyEvent {
  int scanCode = 0;          // the keyboard's scan code of the main block, 0..255 (A is 30)
  bool extended = false;     // the extended-key flag (right Ctrl, keypad Enter ...)
  bool down = true;          // key-down or key-up
  bool autoRepeat = false;   // a key-down that repeats a key held down
  bool shift = false;        // either Shift held
  bool ctrl = false;         // either Ctrl held
  bool alt = false;          // Alt held: the stroke belongs to a menu or an accelerator
  bool mouse = false;        // struck on the on-screen keyboard (scanCode is the key's slot)
  uint16_t repeatCount = 1;  // strokes the system folded into one key-down
};

constexpr KeyEvent KeyStroke(int scanCode, bool down, bool shift = false, bool ctrl = false) {
  KeyEvent key;
  key.scanCode = scanCode;
  key.down = down;
  key.shift = shift;
  key.ctrl = ctrl;
  return key;
}

// A click on the on-screen keyboard, or its release.
constexpr KeyEvent MouseStroke(int slot, bool down, bool shift, bool ctrl) {
  KeyEvent key = KeyStroke(slot, down, shift, ctrl);
  key.mouse = true;
  return key;
}

}  // namespace velmira
