#include "engine/note_ledger.h"

namespace velmira {

bool NoteLedger::Add(NoteSource source, int slot, SoundingNote note, SoundingNote* evicted) {
  SoundingNotes& list = slots_[static_cast<int>(source)][slot];
  for (int i = 0; i < list.count; ++i) {
    if (list.notes[i].channel == note.channel && list.notes[i].note == note.note) return false;
  }
  bool evictedOne = false;
  if (list.count == SoundingNotes::kCapacity) {
    *evicted = list.notes[0];
    for (int i = 1; i < list.count; ++i) list.notes[i - 1] = list.notes[i];
    --list.count;
    evictedOne = true;
  }
  list.notes[list.count++] = note;
  return evictedOne;
}

SoundingNotes NoteLedger::Take(NoteSource source, int slot) {
  SoundingNotes& list = slots_[static_cast<int>(source)][slot];
  SoundingNotes taken = list;
  list.count = 0;
  return taken;
}

void NoteLedger::Clear() {
  for (auto& source : slots_)
    for (auto& list : source) list.count = 0;
}

bool NoteLedger::Empty() const {
  for (const auto& source : slots_)
    for (const auto& list : source)
      if (list.count != 0) return false;
  return true;
}

}  // namespace velmira
