// A performance's tempo and metre, and where its bars lie: what the metronome clicks, what the
// performance file keeps in its "beat" chunk and the MIDI export in its tempo and time
// signature, and what the score is written in.
#pragma once

#include <cstdint>

#include "record/performance_event.h"

namespace velmira {

struct Tempo {
  uint32_t microsPerQuarter = 0;  // as in a MIDI file; 0 when the performance has no tempo
  uint8_t numerator = 4;          // the metre, numerator / denominator
  uint8_t denominator = 4;
  uint32_t downbeatMs = 0;  // a bar line, in milliseconds from the time origin of the events

  bool known() const { return microsPerQuarter != 0; }
  bool operator==(const Tempo& o) const {
    return microsPerQuarter == o.microsPerQuarter && numerator == o.numerator &&
           denominator == o.denominator && downbeatMs == o.downbeatMs;
  }
};

// The range a tempo may have, in quarter notes per minute.
constexpr int kSlowestBpm = 30;
constexpr int kFastestBpm = 300;

// 90 quarters per minute are 666667 microseconds per quarter (rounded).
constexpr uint32_t MicrosPerQuarter(int bpm) {
  return static_cast<uint32_t>((60000000 + bpm / 2) / bpm);
}
// Quarter notes per minute, rounded.
int TempoBpm(const Tempo& tempo);

// What a file may hold: 200000 to 2000000 microseconds per quarter, a numerator of 1 to 12 over
// 2, 4 or 8.
bool TempoIsValid(const Tempo& tempo);

// The beat the metronome clicks: a quarter in x/4, a half in x/2, a dotted quarter in 6/8, 9/8
// and 12/8, an eighth in any other x/8; in quarters.
double BeatQuarters(const Tempo& tempo);
int BeatsPerBar(const Tempo& tempo);
double QuarterMs(const Tempo& tempo);
double BarMs(const Tempo& tempo);

// Where a performance's bars begin when it gets a tempo and has no bar line yet: its first
// key-down, in milliseconds from the events' origin (0 without one).
uint32_t FirstKeyDownMs(const PerformanceEvent* events, uint32_t count);

}  // namespace velmira
