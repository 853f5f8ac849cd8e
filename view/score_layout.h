// The page of a score in numbered notation (jianpu) as a list of drawing primitives: the head
// (title, "1=", metre, tempo) and the bars filled into lines of equal width. The 简谱 window
// draws the list with its shell's painter, the SVG export writes it out: both show the same
// page. Layout units are those of the caller (pixels at scale 1); y grows downwards.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "score/score.h"
#include "view/window_layout.h"

namespace velmira {

// What a primitive is drawn in: the music, the lesson's next note (orange), a key hint.
enum class ScoreInk { Normal, Marked, Hint };
Rgb ScoreInkColour(ScoreInk ink);

struct ScorePrimitive {
  enum class Kind { Text, Dot, Line, Arc, Oval };
  enum class Align { Left, Centre, Right };
  Kind kind = Kind::Text;
  float x = 0, y = 0;         // Text: anchor (see align); Dot, Oval: centre; Line, Arc: start
  float x2 = 0, y2 = 0;       // Line, Arc: end (an arc bows above the line between its ends)
  float size = 0;             // Text: font height; Dot: radius; Line: thickness; Arc: the height of
                              // its bow; Oval: half its width (its half height is 0.7 of that)
  std::string text;           // Text only, UTF-8
  Align align = Align::Left;  // Text: x is its left, centre or right; y is the baseline
  ScoreInk ink = ScoreInk::Normal;
};

// How an arc is filled, the same in every painter: a crescent between two quadratic Bézier
// curves from (fromX, fromY) to (toX, toY), the outer through the control point "outer", the
// inner back through "inner". Its thickness in the middle is a quarter of its bow.
struct ScoreArcCurves {
  float fromX, fromY;
  float outerX, outerY;
  float innerX, innerY;
  float toX, toY;
};
ScoreArcCurves ArcCurves(const ScorePrimitive& arc);

// The half height of an oval, from its half width (size).
constexpr float kOvalHeightRatio = 0.7f;

// How far up and down a primitive may draw (a text from an em over its baseline to a third of
// one under it), so that a painter can pass over what lies outside the part it repaints.
struct ScoreBand {
  float top, bottom;
};
ScoreBand BandOf(const ScorePrimitive& p);

struct ScoreLayoutOptions {
  float width = 800;     // the width to wrap to
  float digitSize = 20;  // the digits' font height; everything scales with it
  ItemRef marked;        // drawn in ScoreInk::Marked; none by default
  // A short text under each item ([bar][item], such as "A" or "⇧K"), or null. Empty strings and
  // missing entries show nothing.
  const std::vector<std::vector<std::string>>* hints = nullptr;
};

// Where a line of bars starts: lines are laid out one after the other, so a layout can be
// cut at the start of a line and continued from there (RelayoutScoreFrom).
struct ScoreLine {
  int firstBar = 0;
  size_t firstPrimitive = 0;
  float top = 0;
  float stretch = 1;  // its bars' widths over their natural widths
};

struct ScoreLayout {
  std::vector<ScorePrimitive> primitives;
  float width = 0, height = 0;
  std::vector<float> barBottoms;  // per bar: the bottom of its line, to scroll a bar into view
  std::vector<ScoreLine> lines;
};

ScoreLayout LayoutScore(const Score& score, const ScoreLayoutOptions& options);
// The page as it is exported (SVG, PDF): 800 layout units wide, nothing marked.
ScoreLayout LayoutExportPage(const Score& score);
// The tops of the pages a layout prints on, pageHeight layout units each: its lines are never
// cut, a line that does not fit starts the next page (one taller than a page stands alone).
std::vector<float> PageTops(const ScoreLayout& layout, float pageHeight);

// Lays out again from the line that holds bar `firstChangedBar` to the end, keeping the head
// and every line before it: the layout of a score whose bars before that line are unchanged,
// made by LayoutScore (or by this) with the same options, title, key, metre and tempo. Its cost
// is that of the last lines, not of the score: the live window calls it with the first bar
// that the transcription changed (the bar before it too, when that bar's last item changed
// its tie into the new one). The result equals LayoutScore's for the new score.
void RelayoutScoreFrom(ScoreLayout& layout, const Score& score, const ScoreLayoutOptions& options,
                       int firstChangedBar);

}  // namespace velmira
