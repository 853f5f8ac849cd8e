// A lesson: a song leads, the player strikes its notes. In waiting mode the score waits for the
// right keys (a wrong key sounds, is counted and moves nothing on); in following mode it runs at
// the song's tempo times the practice speed and a note is right when struck within 150 ms of its
// time. A chord is right when all its notes are struck within 150 ms of each other. A stroke is
// right by its pitch, whichever key gave it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "score/score.h"
#include "score/song.h"

namespace velmira {

enum class LessonMode { Waiting, Following };

constexpr uint32_t kLessonWindowMs = 150;

struct LessonResult {
  int notes = 0;            // notes and chords of the song
  int right = 0;            // struck right (waiting: with no wrong key while they were next)
  int wrongKeys = 0;        // strokes that were no note of the song at that moment
  double meanOffsetMs = 0;  // following: the mean of stroke minus due time of the right notes
};

class Lesson {
 public:
  // A song read and its keys chosen. In following mode the song's first bar line comes at
  // downbeatMs (after the count-in) and a quarter note lasts quarterMs, the metronome's beat.
  void Start(const Score& song, const SongKeys& keys, LessonMode mode, double quarterMs,
             uint32_t downbeatMs);
  void Stop() { active_ = false; }
  bool active() const { return active_; }
  LessonMode mode() const { return mode_; }

  // The note or chord to strike next (not valid when none is left), and its keys.
  ItemRef Next() const;
  std::vector<KeyChoice> NextKeys() const;
  // A live stroke of a note, semitones above the A row's 1, at a clock time.
  void OnStroke(int semitones, uint32_t nowMs);
  // Following mode: time passes; notes whose moment has gone by unstruck are missed.
  void OnTime(uint32_t nowMs);
  // Nothing struck, missed or wrong yet.
  bool Untouched() const;
  // Every note has been struck or missed.
  bool finished() const { return next_ >= targets_.size(); }
  LessonResult Result() const;

 private:
  struct Target {
    ItemRef where;
    std::vector<int> semitones;
    uint32_t dueMs;                // following mode: when it should be struck
    std::vector<uint32_t> struck;  // when each of its notes was struck (0: not yet)
    bool faulted = false;          // a wrong key came while it was next
  };
  void Advance(bool right, uint32_t offset);

  bool active_ = false;
  LessonMode mode_ = LessonMode::Waiting;
  SongKeys keys_;
  std::vector<Target> targets_;
  size_t next_ = 0;
  int right_ = 0;
  int wrong_ = 0;
  double offsetSum_ = 0;
};

}  // namespace velmira
