// Which key events of a window system are a held key's auto-repeat, where the system does not
// always say so. A held key must never strike again.
//
// X11 repeats a held key as more presses without releases where the server grants detectable
// auto-repeat, and as release/press pairs stamped with one time where it does not. So a press
// of a key that is down is a repeat; and where repeats come in pairs, a release is held back
// until the next key event or until the shell's short timer runs out: a press of the same key
// with the same time stamp takes it back, as the repeat it is. The events that remain are
// handed to deliver(scanCode, down) in the order they happened.
#pragma once

#include <cstdint>

namespace velmira {

class KeyRepeatFilter {
 public:
  // How long a release may be held back waiting for its pair, by the shell's timer.
  static constexpr int kPairWaitMs = 15;

  // Whether this display sends repeats as release/press pairs.
  void SetPairedRepeats(bool paired) { paired_ = paired; }

  template <typename Deliver>
  void Press(int scanCode, uint32_t time, Deliver deliver) {
    const int key = scanCode & 0xFF;
    if (waiting_ && waitingKey_ == key && time - waitingTime_ <= 1) {
      waiting_ = false;  // the pair of an auto-repeat: the key stays down
      return;
    }
    Flush(deliver);
    if (down_[key]) return;
    down_[key] = true;
    deliver(key, true);
  }

  // Returns true when the release waits for Flush (the shell starts its timer).
  template <typename Deliver>
  bool Release(int scanCode, uint32_t time, Deliver deliver) {
    const int key = scanCode & 0xFF;
    Flush(deliver);
    if (!down_[key]) return false;  // its press was not seen here (struck in another window)
    if (paired_) {
      waiting_ = true;
      waitingKey_ = key;
      waitingTime_ = time;
      return true;
    }
    down_[key] = false;
    deliver(key, false);
    return false;
  }

  // Hands out the release that waits, if any: no press of its moment came.
  template <typename Deliver>
  void Flush(Deliver deliver) {
    if (!waiting_) return;
    waiting_ = false;
    down_[waitingKey_] = false;
    deliver(waitingKey_, false);
  }

  // After the window got the keyboard back: forgets the keys that are no longer down (released
  // in another window), keeps those still held, whose repeats must not strike again.
  template <typename IsDown>
  void Resync(IsDown isDown) {
    for (int key = 0; key < 256; ++key) {
      if (down_[key] && !isDown(key)) down_[key] = false;
    }
  }

 private:
  bool paired_ = false;
  bool down_[256] = {};
  bool waiting_ = false;
  int waitingKey_ = 0;
  uint32_t waitingTime_ = 0;
};

}  // namespace velmira
