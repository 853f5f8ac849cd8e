// A score in numbered musical notation (jianpu): bars of notes, chords and rests, measured in
// sixteenths, in the degrees of the major scale of its "1=". What the transcription of a
// performance makes, what the jianpu text holds, what the 简谱 window lays out and what a lesson
// teaches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmira {

// A pitch as jianpu writes it: a degree of the major scale (1 to 7), an accidental, and an
// octave counted from the octave of the A row's 1 to 7 (the keys A to J): +1 is written with a
// dot above (K is 1 an octave up), -1 with a dot below (R is 1 an octave down).
struct Pitch {
  int8_t degree = 1;      // 1..7
  int8_t accidental = 0;  // -1 flat, +1 sharp
  int8_t octave = 0;

  // Semitones above the A row's 1 (major scale, accidental, 12 an octave).
  int Semitones() const;
  bool operator==(const Pitch& o) const {
    return degree == o.degree && accidental == o.accidental && octave == o.octave;
  }
  bool operator!=(const Pitch& o) const { return !(*this == o); }
};

// The pitch that the key caps write for a number of semitones above the A row's 1: the caps'
// own labels (1 b2 2 b3 3 4 b5 5 b6 6 b7 7) and octave dots.
Pitch PitchOfSemitones(int semitones);

// One note, chord or rest of a bar.
struct ScoreItem {
  std::vector<Pitch> pitches;  // none: a rest; several: a chord, lowest first
  int start = 0;               // in sixteenths from the start of the bar
  int length = 4;              // in sixteenths
  bool tiedToNext = false;     // its pitches go on in the next item (across a bar line, or for a
                               // length that no single token writes)
  int line = 0;                // where the text it was read from holds it (0: not read)
  int column = 0;
  bool rest() const { return pitches.empty(); }
  // The same note, chord or rest in the same place (where a text held it does not count).
  bool operator==(const ScoreItem& o) const {
    return pitches == o.pitches && start == o.start && length == o.length &&
           tiedToNext == o.tiedToNext;
  }
  bool operator!=(const ScoreItem& o) const { return !(*this == o); }
};

struct ScoreBar {
  int length = 16;               // in sixteenths: the metre's; less for an upbeat or the last bar
  std::vector<ScoreItem> items;  // in order, one after the other without a gap (rests fill)
  bool operator==(const ScoreBar& o) const { return length == o.length && items == o.items; }
  bool operator!=(const ScoreBar& o) const { return !(*this == o); }
};

// The major keys a score may name after "1=", by semitones above C: C D E F G A B #F #C bB bE bA.
constexpr int kMajorKeyCount = 12;
// "C", "D" ... "#F", "bB" for a key of 0 to 11 semitones above C.
const char* MajorKeyName(int majorKey);
// The key signature command (1297 ...) of a major key, and the major key whose degree 1 a key
// signature sounds (a minor key names its relative major: a minor is 1=C).
int KeySignatureOfMajorKey(int majorKey);
int MajorKeyOfKeySignature(int keySignature);

struct Score {
  std::string title;  // UTF-8; may be empty
  int majorKey = 0;   // "1=": semitones above C, 0..11
  uint8_t numerator = 4;
  uint8_t denominator = 4;
  int bpm = 90;            // quarter notes a minute
  bool estimated = false;  // tempo and bar lines guessed from the playing ("♩≈")
  std::vector<ScoreBar> bars;

  // The length of a full bar, in sixteenths (16 in 4/4, 12 in 6/8).
  int BarLength() const { return 16 * numerator / denominator; }
  // The first bar is short (an upbeat).
  bool HasUpbeat() const { return !bars.empty() && bars.front().length < BarLength(); }
};

// Where an item lies: its bar and its place in the bar.
struct ItemRef {
  int bar = -1;
  int item = -1;
  bool valid() const { return bar >= 0; }
  bool operator==(const ItemRef& o) const { return bar == o.bar && item == o.item; }
};

}  // namespace velmira
