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

// The score of a take while it is recorded, brought up to date at every stroke at the cost of
// its last bars, not of the take: the same score as Transcribe of the same events. Without a
// tempo the estimate is made again only while the take is short and each time it has doubled
// since the last estimate, so the live score's tempo may lag behind what Transcribe would guess.
class LiveTranscription {
 public:
  LiveTranscription();
  void Start(int keySignature, const Tempo& tempo, const std::string& title, uint8_t numerator,
             uint8_t denominator);
  // The take's events so far: those of the last call with more after them. Returns the first bar
  // that changed (the number of bars when none did).
  int Update(const PerformanceEvent* events, uint32_t count);
  const Score& score() const { return score_; }

 private:
  friend std::vector<PlayedNote> PlayedNotes(const PerformanceEvent*, uint32_t);
  friend Score TranscribeNotes(const std::vector<PlayedNote>&, int, const Tempo&,
                               const std::string&, uint8_t, uint8_t);
  friend Score Transcribe(const PerformanceEvent*, uint32_t, int, const Tempo&, const std::string&,
                          uint8_t, uint8_t);
  struct Stroke {
    int onset;  // in sixteenths from the first bar line
    int end;
    std::vector<Pitch> pitches;
    size_t firstNote;
    uint32_t struckMs;   // when its first key went down
    uint32_t releaseMs;  // when its first key came up
  };
  // Reads the events after those read already into notes_; returns the first note that changed.
  size_t ReadNotes(const PerformanceEvent* events, uint32_t count);
  // The score again from the note `changed` on, the notes before it being as at the last call;
  // once: no later call follows, the bars placed may be given up to the score.
  int Rewrite(size_t changed, bool once = false);
  void SetTempo(const Tempo& tempo);
  void Place(int from, int to, std::vector<Pitch> pitches);

  Tempo tempo_;
  bool estimating_ = false;
  size_t estimatedAt_ = 0;  // the notes the estimate was made from
  std::vector<PlayedNote> notes_;
  uint32_t read_ = 0;      // events read
  uint32_t atMs_ = 0;      // the time of the last event read
  std::vector<int> open_;  // per key slot: its note while the key is down, or -1
  std::vector<Stroke> strokes_;
  std::vector<ScoreBar> placed_;  // the bars as placed, before splitting for writing
  int grid0_ = 0;                 // where bar 0 of placed_ begins
  bool exact_ = false;            // placed_ and score_.bars are bar for bar the same
  Score score_;
};

}  // namespace velmira
