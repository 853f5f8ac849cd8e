// The figures of the score's page, in layout units for one digit size, and the small makers of
// primitives the head and the bars are drawn with. Every figure is a fraction of the digits'
// font height, measured against a sans-serif face (Arial, Liberation Sans): its digits are
// 0.56 of the font height wide and 0.72 high.
#pragma once

#include <string>
#include <vector>

#include "view/score_layout.h"

namespace velmira {

struct ScoreMetrics {
  explicit ScoreMetrics(float digitSize) : d(digitSize) {}
  float d;

  // The digit: its advance, the half width its underline covers, its height over the baseline.
  float DigitAdvance() const { return 0.56f * d; }
  float DigitHalfWidth() const { return 0.3f * d; }
  float DigitHeight() const { return 0.72f * d; }
  float TokenGap() const { return 0.16f * d; }

  // Octave dots: the first one's centre over the digit's top (or under the baseline or the last
  // underline), each next one a step further out.
  float OctaveDotRadius() const { return 0.085f * d; }
  float OctaveDotGap() const { return 0.2f * d; }
  float OctaveDotStep() const { return 0.22f * d; }

  // Underlines: the first one's centre under the baseline, the second one's a step lower.
  float UnderlineFirst() const { return 0.17f * d; }
  float UnderlineStep() const { return 0.14f * d; }
  float UnderlineThickness() const { return 0.06f * d; }
  // The centre of underline `level` (1 or 2) under the baseline; 0 for none.
  float UnderlineDepth(int level) const {
    return level > 0 ? UnderlineFirst() + (level - 1) * UnderlineStep() : 0.0f;
  }

  // The augmentation dot: right of the digit at mid height.
  float AugmentationGap() const { return 0.16f * d; }
  float AugmentationRise() const { return 0.3f * d; }
  float AugmentationWidth() const { return 0.3f * d; }

  // Accidentals: smaller, raised, just left of the digit (the width counted for spacing is less
  // than the sign's, which may stand in the gap before the digit).
  float AccidentalSize() const { return 0.6f * d; }
  float AccidentalRise() const { return 0.38f * d; }
  float AccidentalWidth() const { return 0.25f * d; }

  // The dash "-": a short line at mid height.
  float DashLength() const { return 0.5f * d; }
  float DashRise() const { return 0.33f * d; }
  float DashThickness() const { return 0.07f * d; }

  // Chords: between one digit's top and the next digit's baseline.
  float ChordGap() const { return 0.2f * d; }

  // Spacing of the bars: a beat's natural width and the room at each end of a bar.
  float BeatWidth() const { return 2.2f * d; }
  float BarPad() const { return 0.35f * d; }

  // Bar lines: thin, and the final double bar (thin, a gap, thick); they reach from above the
  // digits to under the first underline.
  float BarLineThin() const { return 0.06f * d; }
  float BarLineThick() const { return 0.2f * d; }
  float DoubleBarGap() const { return 0.16f * d; }
  float BarLineOver() const { return 0.25f * d; }
  float BarLineUnder() const { return 0.3f * d; }

  // Ties: their ends over the notes' tops, the height of their bow, how far in from the
  // digits' centres they start and end, and how long a tie into nothing (the last note) is.
  float TieGap() const { return 0.12f * d; }
  float TieBow() const { return 0.28f * d; }
  float TieInset() const { return 0.1f * d; }
  float TieRoom() const { return 0.5f * d; }
  float OpenTieLength() const { return 0.9f * d; }

  // The page: margins, the room between lines, the hints under the notes.
  float Margin() const { return 0.6f * d; }
  float LineGap() const { return 0.8f * d; }
  float HintSize() const { return 0.55f * d; }
  float HintGap() const { return 0.6f * d; }  // from the lowest mark to the hint's baseline
  float HintDescent() const { return 0.2f * d; }

  // The head.
  float TitleSize() const { return 1.25f * d; }
  float HeadSize() const { return 0.8f * d; }
  float MetreSize() const { return 0.55f * d; }
  float HeadGap() const { return 0.6f * d; }
};

// A rough advance of UTF-8 text in a sans-serif face: ASCII at about a digit's width, other
// characters (Chinese, symbols) a full em. The painters measure the real text; this only
// spaces the head's parts.
float EstimatedTextWidth(const std::string& text, float size);

void AddText(std::vector<ScorePrimitive>& out, float x, float baseline, float size,
             std::string text, ScorePrimitive::Align align, ScoreInk ink);
void AddDot(std::vector<ScorePrimitive>& out, float x, float y, float radius, ScoreInk ink);
void AddLine(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2,
             float thickness, ScoreInk ink);
void AddArc(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2, float bow);
void AddOval(std::vector<ScorePrimitive>& out, float x, float y, float halfWidth);

}  // namespace velmira
