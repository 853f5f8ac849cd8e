#include "view/score_bar.h"

#include <algorithm>

#include "score/notation.h"

namespace velmira {

namespace {

constexpr int kQuarter = 4;

// Sixteenths a beat as the bar is laid out (spacing, underlines joined within a beat): the
// score's beat, but a quarter in metres of halves.
int LayoutBeat(const Score& score) { return score.denominator == 2 ? kQuarter : BeatLength(score); }

int DotsAbove(const Pitch& p) { return std::max(0, static_cast<int>(p.octave)); }
int DotsBelow(const Pitch& p) { return std::max(0, -static_cast<int>(p.octave)); }

// The time at whose place an item's digit is centred: the middle of its first beat or of its
// own length when shorter; a note with dashes stands on a quarter like each of its dashes.
float CentreTime(const ScoreItem& item, int beat) {
  const int span = item.length >= 2 * kQuarter ? kQuarter : std::min(item.length, beat);
  return item.start + 0.5f * span;
}

constexpr const char* kDigits[8] = {"0", "1", "2", "3", "4", "5", "6", "7"};

}  // namespace

LengthMarks MarksOfLength(int length) {
  LengthMarks marks;
  if (length < kQuarter) {
    marks.underlines = length == 1 ? 2 : 1;
    marks.dotted = length == 3;
  } else {
    marks.dashes = length / kQuarter - 1;
    marks.dotted = length % kQuarter >= 2;
  }
  return marks;
}

BarLayout::BarLayout(const Score& score, const ScoreLayoutOptions& options)
    : score_(score), options_(options), m_(options.digitSize), beat_(LayoutBeat(score)) {}

int BarLayout::Phase(int bar) const {
  // An upbeat's beats are counted back from its end, so that it ends on a whole beat.
  return bar == 0 && score_.HasUpbeat() ? score_.bars[0].length % beat_ : 0;
}

int BarLayout::BeatOf(int bar, int time) const {
  return (time - Phase(bar) + beat_) / beat_ - 1;  // the part before the phase is beat -1
}

float BarLayout::AugmentationX(float cx) const {
  return cx + m_.DigitHalfWidth() + m_.AugmentationGap();
}

float BarLayout::XAt(float time) const {
  const auto after = std::upper_bound(stops_.begin() + 1, stops_.end() - 1, time,
                                      [](float t, const Stop& s) { return t < s.time; });
  const Stop& a = after[-1];
  const Stop& b = *after;
  return barLeft_ + (a.x + (time - a.time) / (b.time - a.time) * (b.x - a.x)) * stretch_;
}

void BarLayout::StackPitches(const ScoreItem& item) {
  rise_.assign(std::max<size_t>(1, item.pitches.size()), 0.0f);
  for (size_t k = 1; k < item.pitches.size(); ++k) {
    const int dots = DotsAbove(item.pitches[k - 1]) + DotsBelow(item.pitches[k]);
    rise_[k] = rise_[k - 1] + m_.DigitHeight() + m_.ChordGap() + dots * m_.OctaveDotStep();
  }
}

float BarLayout::Top(const ScoreItem& item) const {
  float top = rise_.back() + m_.DigitHeight();
  const int dots = item.rest() ? 0 : DotsAbove(item.pitches.back());
  if (dots > 0) top += m_.OctaveDotGap() + (dots - 1) * m_.OctaveDotStep() + m_.OctaveDotRadius();
  return top;
}

float BarLayout::Bottom(const ScoreItem& item) const {
  const int lines = MarksOfLength(item.length).underlines;
  const int dots = item.rest() ? 0 : DotsBelow(item.pitches.front());
  if (dots > 0) {
    return m_.UnderlineDepth(lines) + m_.OctaveDotGap() + (dots - 1) * m_.OctaveDotStep() +
           m_.OctaveDotRadius();
  }
  return lines > 0 ? m_.UnderlineDepth(lines) + 0.5f * m_.UnderlineThickness() : 0.0f;
}

float BarLayout::TokenWidth(const ScoreItem& item) const {
  float width = m_.DigitAdvance() + m_.TokenGap();
  for (const Pitch& p : item.pitches) {
    if (p.accidental != 0) {
      width += m_.AccidentalWidth();
      break;
    }
  }
  if (MarksOfLength(item.length).dotted) width += m_.AugmentationWidth();
  return width;
}

void BarLayout::PlaceStops(int bar) {
  // Each beat has its natural width, time-proportional within it, but for an item whose digit
  // (with its accidental and augmentation dot) needs more than its share: that share grows.
  const std::vector<ScoreItem>& items = score_.bars[bar].items;
  const int length = score_.bars[bar].length;
  const float perSixteenth = m_.BeatWidth() / beat_;
  stops_.assign(1, {0, 0.0f});
  size_t next = 0;  // the first item that starts after `time`
  for (int time = 0; time < length;) {
    const ScoreItem* starting = nullptr;
    for (; next < items.size() && items[next].start <= time; ++next) {
      if (items[next].start == time) starting = &items[next];
    }
    int end = std::min(length, Phase(bar) + (BeatOf(bar, time) + 1) * beat_);
    if (next < items.size()) end = std::min(end, items[next].start);
    float width = perSixteenth * (end - time);
    if (starting != nullptr) width = std::max(width, TokenWidth(*starting));
    stops_.push_back({end, stops_.back().x + width});
    time = end;
  }
  if (stops_.size() == 1) stops_.push_back({1, 0.0f});  // an empty bar
}

float BarLayout::NaturalWidth(int bar) {
  PlaceStops(bar);
  float width = 2 * m_.BarPad() + stops_.back().x;
  if (bar + 1 == static_cast<int>(score_.bars.size())) {
    width += m_.DoubleBarGap() + m_.BarLineThick();
  }
  return width;
}

BarExtent BarLayout::Extent(int bar) {
  BarExtent extent;
  extent.digitsTop = m_.DigitHeight();
  extent.below = m_.BarLineUnder();
  for (const ScoreItem& item : score_.bars[bar].items) {
    StackPitches(item);
    extent.digitsTop = std::max(extent.digitsTop, rise_.back() + m_.DigitHeight());
    extent.above = std::max(extent.above, Top(item));
    extent.below = std::max(extent.below, Bottom(item));
  }
  extent.above = std::max(extent.above, extent.digitsTop + m_.BarLineOver());
  return extent;
}

void BarLayout::Draw(int bar, float x, float stretch, const LineBand& band, OpenTie& tie,
                     std::vector<ScorePrimitive>& out) {
  const float width = NaturalWidth(bar) * stretch;
  barLeft_ = x + m_.BarPad() * stretch;
  stretch_ = stretch;
  placed_.clear();
  const std::vector<ScoreItem>& items = score_.bars[bar].items;
  for (size_t i = 0; i < items.size(); ++i) {
    DrawItem(items[i], bar, static_cast<int>(i), band, tie, out);
  }
  DrawUnderlines(band.baseline, out);
  DrawBarLine(bar, x + width, band, out);
}

void BarLayout::DrawItem(const ScoreItem& item, int bar, int index, const LineBand& band,
                         OpenTie& tie, std::vector<ScorePrimitive>& out) {
  const float cx = XAt(CentreTime(item, beat_));
  const bool marked = options_.marked == ItemRef{bar, index};
  const ScoreInk ink = marked ? ScoreInk::Marked : ScoreInk::Normal;
  const LengthMarks marks = MarksOfLength(item.length);
  StackPitches(item);
  DrawDigits(item, marks, cx, band.baseline, ink, out);

  // The dashes stand where the following quarters would, at the lowest digit's mid height.
  const float dashY = band.baseline - m_.DashRise();
  for (int j = 1; j <= marks.dashes; ++j) {
    const float x = XAt(item.start + j * kQuarter + 0.5f * kQuarter);
    AddLine(out, x - 0.5f * m_.DashLength(), dashY, x + 0.5f * m_.DashLength(), dashY,
            m_.DashThickness(), ink);
  }

  const float top = band.baseline - Top(item);
  if (tie.open) {
    const float y = std::min(tie.top, top) - m_.TieGap();
    AddArc(out, tie.x, y, cx - m_.TieInset(), y, m_.TieBow());
  }
  tie = {item.tiedToNext, cx + m_.TieInset(), top};

  if (const std::string* hint = HintOf(bar, index)) {
    AddText(out, cx, band.hintBaseline, m_.HintSize(), *hint, ScorePrimitive::Align::Centre,
            marked ? ScoreInk::Marked : ScoreInk::Hint);
  }

  const float right =
      marks.dotted ? AugmentationX(cx) + m_.OctaveDotRadius() : cx + m_.DigitHalfWidth();
  placed_.push_back(
      {cx - m_.DigitHalfWidth(), right, marks.underlines, BeatOf(bar, item.start), marked});
}

// Each digit of the item from the lowest up, with its accidental, octave dots and augmentation
// dot.
void BarLayout::DrawDigits(const ScoreItem& item, const LengthMarks& marks, float cx,
                           float baseline, ScoreInk ink, std::vector<ScorePrimitive>& out) {
  using Align = ScorePrimitive::Align;
  for (size_t k = 0; k < rise_.size(); ++k) {
    const float base = baseline - rise_[k];
    const Pitch p = item.rest() ? Pitch{0, 0, 0} : item.pitches[k];
    AddText(out, cx, base, m_.d, kDigits[std::clamp<int>(p.degree, 0, 7)], Align::Centre, ink);
    if (p.accidental != 0) {
      AddText(out, cx - m_.DigitHalfWidth(), base - m_.AccidentalRise(), m_.AccidentalSize(),
              p.accidental > 0 ? "#" : "b", Align::Right, ink);
    }
    for (int j = 0; j < DotsAbove(p); ++j) {
      AddDot(out, cx, base - m_.DigitHeight() - m_.OctaveDotGap() - j * m_.OctaveDotStep(),
             m_.OctaveDotRadius(), ink);
    }
    // The lowest digit's dots below go under its underlines.
    const float under = base + (k == 0 ? m_.UnderlineDepth(marks.underlines) : 0.0f);
    for (int j = 0; j < DotsBelow(p); ++j) {
      AddDot(out, cx, under + m_.OctaveDotGap() + j * m_.OctaveDotStep(), m_.OctaveDotRadius(),
             ink);
    }
    if (marks.dotted) {
      AddDot(out, AugmentationX(cx), base - m_.AugmentationRise(), m_.OctaveDotRadius(), ink);
    }
  }
}

const std::string* BarLayout::HintOf(int bar, int index) const {
  const auto* hints = options_.hints;
  if (hints == nullptr || bar >= static_cast<int>(hints->size())) return nullptr;
  const std::vector<std::string>& ofBar = (*hints)[bar];
  if (index >= static_cast<int>(ofBar.size()) || ofBar[index].empty()) return nullptr;
  return &ofBar[index];
}

void BarLayout::DrawUnderlines(float baseline, std::vector<ScorePrimitive>& out) {
  // Each level joins the neighbours that have it within one beat.
  for (int level = 1; level <= 2; ++level) {
    const float y = baseline + m_.UnderlineDepth(level);
    for (size_t i = 0; i < placed_.size();) {
      if (placed_[i].underlines < level) {
        ++i;
        continue;
      }
      size_t last = i;
      while (last + 1 < placed_.size() && placed_[last + 1].underlines >= level &&
             placed_[last + 1].beat == placed_[i].beat) {
        ++last;
      }
      const bool marked = last == i && placed_[i].marked;
      AddLine(out, placed_[i].left, y, placed_[last].right, y, m_.UnderlineThickness(),
              marked ? ScoreInk::Marked : ScoreInk::Normal);
      i = last + 1;
    }
  }
}

void BarLayout::DrawBarLine(int bar, float right, const LineBand& band,
                            std::vector<ScorePrimitive>& out) {
  const float top = band.baseline - band.digitsTop - m_.BarLineOver();
  const float bottom = band.baseline + m_.BarLineUnder();
  if (bar + 1 < static_cast<int>(score_.bars.size())) {
    AddLine(out, right, top, right, bottom, m_.BarLineThin(), ScoreInk::Normal);
    return;
  }
  const float thick = right - 0.5f * m_.BarLineThick();
  const float thin = right - m_.BarLineThick() - m_.DoubleBarGap() + 0.5f * m_.BarLineThin();
  AddLine(out, thin, top, thin, bottom, m_.BarLineThin(), ScoreInk::Normal);
  AddLine(out, thick, top, thick, bottom, m_.BarLineThick(), ScoreInk::Normal);
}

}  // namespace velmira
