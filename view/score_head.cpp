#include "view/score_head.h"

#include <algorithm>
#include <string>

namespace velmira {

namespace {
constexpr const char* kApproximately = "\xE2\x89\x88";  // "≈"
}  // namespace

float LayoutScoreHead(const Score& score, const ScoreMetrics& m, float width,
                      std::vector<ScorePrimitive>& out) {
  using Align = ScorePrimitive::Align;
  const float d = m.d;
  float y = m.Margin();
  if (!score.title.empty()) {
    const float baseline = y + 0.9f * m.TitleSize();
    AddText(out, 0.5f * width, baseline, m.TitleSize(), score.title, Align::Centre,
            ScoreInk::Normal);
    y = baseline + 0.3f * m.TitleSize() + 0.3f * d;
  }

  const float baseline = y + m.HeadSize();
  float x = m.Margin();
  const std::string key = std::string("1=") + MajorKeyName(score.majorKey);
  AddText(out, x, baseline, m.HeadSize(), key, Align::Left, ScoreInk::Normal);
  x += EstimatedTextWidth(key, m.HeadSize()) + 0.5f * d;

  // The metre stacked around the middle of the head's digits.
  const std::string numerator = std::to_string(score.numerator);
  const std::string denominator = std::to_string(score.denominator);
  const float fraction = std::max(EstimatedTextWidth(numerator, m.MetreSize()),
                                  EstimatedTextWidth(denominator, m.MetreSize())) +
                         0.1f * d;
  const float middle = x + 0.5f * fraction;
  const float rule = baseline - 0.36f * m.HeadSize();
  AddText(out, middle, rule - 0.08f * d, m.MetreSize(), numerator, Align::Centre, ScoreInk::Normal);
  AddLine(out, x, rule, x + fraction, rule, 0.05f * d, ScoreInk::Normal);
  AddText(out, middle, rule + 0.08f * d + 0.72f * m.MetreSize(), m.MetreSize(), denominator,
          Align::Centre, ScoreInk::Normal);
  x += fraction + 0.6f * d;

  // The crotchet: a filled head resting on the baseline, its stem up from its right side.
  const float head = 0.2f * d;
  const float headY = baseline - kOvalHeightRatio * head;
  AddOval(out, x + head, headY, head);
  const float stemX = x + 2 * head - 0.03f * d;
  AddLine(out, stemX, headY, stemX, baseline - 0.85f * d, 0.06f * d, ScoreInk::Normal);
  const std::string tempo = (score.estimated ? kApproximately : "=") + std::to_string(score.bpm);
  AddText(out, x + 2 * head + 0.1f * d, baseline, m.HeadSize(), tempo, Align::Left,
          ScoreInk::Normal);

  return baseline + 0.25f * d + m.HeadGap();
}

}  // namespace velmira
