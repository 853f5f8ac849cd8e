#include "view/score_layout.h"

#include <algorithm>
#include <cmath>

#include "view/score_bar.h"
#include "view/score_head.h"
#include "view/score_metrics.h"

namespace velmira {

namespace {

const ScoreItem* LastItem(const ScoreBar& bar) {
  return bar.items.empty() ? nullptr : &bar.items.back();
}

bool TiedInto(const Score& score, int bar) {
  for (int b = bar - 1; b >= 0; --b) {
    if (const ScoreItem* item = LastItem(score.bars[b])) return item->tiedToNext;
  }
  return false;
}

// Fills the bars from `firstBar` on into lines from the y `top` down, each line as wide as the
// page but the last, which is spaced as the line before it (or at its natural widths) as far
// as it fits.
void LayoutLines(const Score& score, const ScoreLayoutOptions& options, int firstBar, float top,
                 ScoreLayout& layout) {
  BarLayout bars(score, options);
  const ScoreMetrics& m = bars.metrics();
  const int count = static_cast<int>(score.bars.size());
  const float left = m.Margin();
  const float room = std::max(m.d, options.width - 2 * m.Margin());
  std::vector<float> widths;
  float bottom = top;
  for (int first = firstBar; first < count;) {
    widths.clear();
    float natural = 0;
    int end = first;
    while (end < count) {
      const float w = bars.NaturalWidth(end);
      if (end > first && natural + w > room) break;
      widths.push_back(w);
      natural += w;
      ++end;
    }
    const float full = room / natural;
    const float before = layout.lines.empty() ? 1.0f : layout.lines.back().stretch;
    const float stretch = end < count ? full : std::min(full, std::max(1.0f, before));

    BarExtent extent;
    for (int b = first; b < end; ++b) {
      const BarExtent e = bars.Extent(b);
      extent.digitsTop = std::max(extent.digitsTop, e.digitsTop);
      extent.above = std::max(extent.above, e.above);
      extent.below = std::max(extent.below, e.below);
    }
    LineBand band;
    band.baseline = top + extent.above + m.TieRoom();
    band.digitsTop = extent.digitsTop;
    bottom = band.baseline + extent.below;
    if (options.hints != nullptr) {
      band.hintBaseline = bottom + m.HintGap();
      bottom = band.hintBaseline + m.HintDescent();
    }

    layout.lines.push_back({first, layout.primitives.size(), top, stretch});
    // A tie from the line before comes in from the line's left edge.
    OpenTie tie{TiedInto(score, first), left, band.baseline};
    float x = left;
    for (int b = first; b < end; ++b) {
      bars.Draw(b, x, stretch, band, tie, layout.primitives);
      x += widths[b - first] * stretch;
      layout.barBottoms.push_back(bottom);
    }
    if (tie.open) {  // on to the next line, or into nothing after the last note
      const float y = tie.top - m.TieGap();
      const float to = end < count ? left + room : tie.x + m.OpenTieLength();
      AddArc(layout.primitives, tie.x, y, to, y, m.TieBow());
    }
    top = bottom + m.LineGap();
    first = end;
  }
  layout.height = bottom + m.Margin();
}

}  // namespace

Rgb ScoreInkColour(ScoreInk ink) {
  switch (ink) {
    case ScoreInk::Marked: return {230, 115, 0};
    case ScoreInk::Hint: return {70, 100, 150};
    case ScoreInk::Normal: break;
  }
  return {0, 0, 0};
}

ScoreArcCurves ArcCurves(const ScorePrimitive& arc) {
  // A quadratic curve passes half way to its control point: the control stands twice the bow
  // from the chord's middle, on the side above a chord drawn from left to right.
  const float dx = arc.x2 - arc.x, dy = arc.y2 - arc.y;
  const float length = std::max(1e-6f, std::sqrt(dx * dx + dy * dy));
  const float nx = dy / length, ny = -dx / length;
  const float mx = 0.5f * (arc.x + arc.x2), my = 0.5f * (arc.y + arc.y2);
  const float outer = 2 * arc.size, inner = 2 * 0.75f * arc.size;
  return {arc.x,           arc.y,           mx + nx * outer, my + ny * outer,
          mx + nx * inner, my + ny * inner, arc.x2,          arc.y2};
}

ScoreBand BandOf(const ScorePrimitive& p) {
  using Kind = ScorePrimitive::Kind;
  switch (p.kind) {
    case Kind::Text: return {p.y - p.size, p.y + p.size / 3};
    case Kind::Dot: return {p.y - p.size, p.y + p.size};
    case Kind::Oval: return {p.y - kOvalHeightRatio * p.size, p.y + kOvalHeightRatio * p.size};
    case Kind::Line: return {std::min(p.y, p.y2) - p.size / 2, std::max(p.y, p.y2) + p.size / 2};
    case Kind::Arc: break;
  }
  return {std::min(p.y, p.y2) - 2 * p.size, std::max(p.y, p.y2) + 2 * p.size};
}

ScoreLayout LayoutExportPage(const Score& score) {
  ScoreLayoutOptions page;
  page.width = 800;
  return LayoutScore(score, page);
}

std::vector<float> PageTops(const ScoreLayout& layout, float pageHeight) {
  std::vector<float> tops{0};
  for (size_t i = 0; i < layout.lines.size(); ++i) {
    const float bottom = i + 1 < layout.lines.size() ? layout.lines[i + 1].top : layout.height;
    const float top = layout.lines[i].top;
    if (bottom - tops.back() > pageHeight && top > tops.back()) tops.push_back(top);
  }
  return tops;
}

ScoreLayout LayoutScore(const Score& score, const ScoreLayoutOptions& options) {
  ScoreLayout layout;
  layout.width = options.width;
  // About three primitives an item (a digit and its marks), two a bar: reserved once so that a
  // long score is not copied as it grows.
  size_t items = 0;
  for (const ScoreBar& bar : score.bars) items += bar.items.size();
  layout.primitives.reserve(16 + 3 * items + 2 * score.bars.size());
  layout.barBottoms.reserve(score.bars.size());
  const float top =
      LayoutScoreHead(score, ScoreMetrics(options.digitSize), options.width, layout.primitives);
  layout.height = top;
  LayoutLines(score, options, 0, top, layout);
  return layout;
}

void RelayoutScoreFrom(ScoreLayout& layout, const Score& score, const ScoreLayoutOptions& options,
                       int firstChangedBar) {
  if (layout.lines.empty()) {
    layout = LayoutScore(score, options);
    return;
  }
  // The bar that was last changes too (its double bar, its line's stretch).
  const int oldCount = static_cast<int>(layout.barBottoms.size());
  const int from =
      std::max(0, std::min({firstChangedBar, oldCount - 1, static_cast<int>(score.bars.size())}));
  size_t line = layout.lines.size() - 1;
  while (line > 0 && layout.lines[line].firstBar > from) --line;
  const ScoreLine start = layout.lines[line];
  layout.primitives.resize(start.firstPrimitive);
  layout.barBottoms.resize(start.firstBar);
  layout.lines.resize(line);
  LayoutLines(score, options, start.firstBar, start.top, layout);
}

}  // namespace velmira
