// A performance written down as a score. Pitches come from the keys themselves (their labels and
// octave dots, as on the caps) and the octave shift recorded with each stroke; the bass voice
// and the pedal are not written. Onsets go to the nearest sixteenth of the tempo's grid. A key
// lifted less than a sixteenth before the next note is struck lasts to its onset; otherwise its
// release goes to the nearest sixteenth and a rest follows. A note lasts at least a sixteenth and
// ends where the next begins (one line of melody); notes that start on the same sixteenth form a
// chord, which lasts until its shortest note ends; what crosses a bar line is split there and tied.
// Empty bars before the first note are not written; notes before the first bar line form an upbeat.
#pragma once

#include <string>
#include <vector>

#include "record/performance_event.h"
#include "record/tempo.h"
#include "score/score.h"

namespace velmira {

// A note as it was played: when it began and ended, in ms from the events' origin.
struct PlayedNote {
  uint32_t onMs = 0;
  uint32_t offMs = 0;
  Pitch pitch;
};
std::vector<PlayedNote> PlayedNotes(const PerformanceEvent* events, uint32_t count);

// The score of a performance in the key signature (a command id) it sounds in. Without a tempo
// the tempo and the first bar line are estimated from the onsets (score.estimated), in the metre
// given.
Score Transcribe(const PerformanceEvent* events, uint32_t count, int keySignature,
                 const Tempo& tempo, const std::string& title = "", uint8_t numerator = 4,
                 uint8_t denominator = 4);
// The same from the notes.
Score TranscribeNotes(const std::vector<PlayedNote>& notes, int keySignature, const Tempo& tempo,
                      const std::string& title = "", uint8_t numerator = 4,
                      uint8_t denominator = 4);

}  // namespace velmira
