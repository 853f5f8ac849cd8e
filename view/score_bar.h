// One bar of a score on the page: how wide its beats are and what it draws (digits, chords,
// accidentals, octave dots, underlines, augmentation dots, dashes, ties, hints, its bar line).
// The score's layout (score_layout.cpp) measures the bars, fills them into lines and asks each
// bar to draw itself at its place.
#pragma once

#include <string>
#include <vector>

#include "score/score.h"
#include "view/score_layout.h"
#include "view/score_metrics.h"

namespace velmira {

// How far a bar's marks reach over and under the digits' baseline (both positive).
struct BarExtent {
  float digitsTop = 0;  // the top of the highest digit
  float above = 0;      // the highest mark (octave dots included)
  float below = 0;      // the lowest mark (underlines and octave dots under them)
};

// What a line tells its bars: where the digits' baseline and the hints' baseline lie, and how
// high the bar lines reach.
struct LineBand {
  float baseline = 0;
  float hintBaseline = 0;
  float digitsTop = 0;
};

// A tie whose first note is drawn and whose next one is not yet: where its arc starts and the
// top of its note (a y; the arc passes over the higher of its two notes).
struct OpenTie {
  bool open = false;
  float x = 0;
  float top = 0;
};

// How an item of a length is written: underlines, an augmentation dot, dashes after it.
struct LengthMarks {
  int underlines = 0;
  bool dotted = false;
  int dashes = 0;
};
LengthMarks MarksOfLength(int length);

class BarLayout {
 public:
  BarLayout(const Score& score, const ScoreLayoutOptions& options);

  const ScoreMetrics& metrics() const { return m_; }

  // The bar's width with every beat at its natural width, its bar line included (the final
  // double bar for the score's last bar).
  float NaturalWidth(int bar);
  BarExtent Extent(int bar);

  // Draws the bar from x, its natural widths times stretch; carries the tie from its last
  // item on to the next bar's first.
  void Draw(int bar, float x, float stretch, const LineBand& band, OpenTie& tie,
            std::vector<ScorePrimitive>& out);

 private:
  // A time of the bar where an item starts or a beat begins, and its x at natural widths from
  // the first beat's start: x is linear in time between two stops.
  struct Stop {
    int time;
    float x;
  };
  // Where an item was drawn, for its underlines.
  struct Placed {
    float left, right;
    int underlines;
    int beat;
    bool marked;
  };

  void PlaceStops(int bar);
  int Phase(int bar) const;
  int BeatOf(int bar, int time) const;
  float XAt(float time) const;  // in the bar being drawn: linear within each beat
  // The rise of each pitch's baseline over the item's (a chord's digits stacked).
  void StackPitches(const ScoreItem& item);
  float Top(const ScoreItem& item) const;  // over the baseline, octave dots included
  float Bottom(const ScoreItem& item) const;
  float TokenWidth(const ScoreItem& item) const;
  float AugmentationX(float cx) const;
  const std::string* HintOf(int bar, int index) const;  // null: none
  void DrawItem(const ScoreItem& item, int bar, int index, const LineBand& band, OpenTie& tie,
                std::vector<ScorePrimitive>& out);
  void DrawDigits(const ScoreItem& item, const LengthMarks& marks, float cx, float baseline,
                  ScoreInk ink, std::vector<ScorePrimitive>& out);
  void DrawUnderlines(float baseline, std::vector<ScorePrimitive>& out);
  void DrawBarLine(int bar, float right, const LineBand& band, std::vector<ScorePrimitive>& out);

  const Score& score_;
  const ScoreLayoutOptions& options_;
  ScoreMetrics m_;
  int beat_;  // sixteenths a beat
  std::vector<Stop> stops_;
  float barLeft_ = 0;  // where the first beat of the bar being drawn starts
  float stretch_ = 1;
  std::vector<float> rise_;
  std::vector<Placed> placed_;
};

}  // namespace velmira
