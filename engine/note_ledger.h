// Which notes each key started and has not yet ended, so that a key-up ends exactly the notes
// that its key-down sent, whatever settings changed while the key was held.
#pragma once

#include <cstdint>

#include "engine/key_map.h"

namespace velmira {

struct SoundingNote {
  uint8_t channel;
  uint8_t note;
};

// The notes one key started, in the order they were sent.
struct SoundingNotes {
  static constexpr int kCapacity = 8;
  SoundingNote notes[kCapacity];
  int count = 0;
};

enum class NoteSource { Live, Replay };

class NoteLedger {
 public:
  // Remembers a note that a key-down of the slot sent. A note already held by the slot is not
  // added twice. When the slot's list is full the oldest note is returned through *evicted
  // (the caller ends it) and true is returned.
  bool Add(NoteSource source, int slot, SoundingNote note, SoundingNote* evicted);
  // Hands over and forgets the notes of a slot.
  SoundingNotes Take(NoteSource source, int slot);
  void Clear();
  bool Empty() const;

 private:
  SoundingNotes slots_[2][kKeySlotCount];
};

}  // namespace velmira
