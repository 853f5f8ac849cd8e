// A song (a score read from jianpu text) as the instrument plays it: the key that plays each
// note, and the performance of the whole song at its tempo with ideal timing.
//
// Key choice: a note is played without Shift or Ctrl where a key plays it (the middle rows before
// the number row and the Z row where several do), else with Shift or Ctrl. A chord is struck
// under one octave shift (the latch), the one that reaches all its notes. The same rule serves
// the player (the keys lit in a lesson) and the song's playback.
#pragma once

#include <string>
#include <vector>

#include "record/performance_event.h"
#include "record/tempo.h"
#include "score/score.h"

namespace velmira {

struct KeyChoice {
  int slot = -1;  // the key (its scan code)
  int shift = 0;  // -1 Ctrl, 0 none, +1 Shift
};

// The key for a note of `semitones` above the A row's 1, under the given shift (or the best
// shift when any is allowed); false when no key reaches it.
bool ChooseKey(int semitones, int shift, KeyChoice* choice);
bool ChooseKey(int semitones, KeyChoice* choice);

// The keys of every note of a score: [bar][item][pitch]; rests have none.
using SongKeys = std::vector<std::vector<std::vector<KeyChoice>>>;
// False when a note (or a chord under one shift) cannot be reached; *error names the first, by
// its place in the text when the score was read from one.
bool ChooseSongKeys(const Score& score, SongKeys* keys, std::string* error);

// The song as a performance: each note's key-down at its onset and key-up at its end (tied notes
// are struck once), with the song's tempo and its first bar line after the upbeat.
std::vector<PerformanceEvent> SongPerformance(const Score& score, const SongKeys& keys,
                                              Tempo* tempo);

}  // namespace velmira
