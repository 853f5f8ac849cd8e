#include "view/score_metrics.h"

#include <utility>

namespace velmira {

float EstimatedTextWidth(const std::string& text, float size) {
  float width = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      width += 0.56f * size;
    } else if (c >= 0xC0) {  // the first byte of a character beyond ASCII
      width += size;
    }
  }
  return width;
}

namespace {
// A primitive of that kind at (x, y) appended; the caller sets what else it has.
ScorePrimitive& Add(std::vector<ScorePrimitive>& out, ScorePrimitive::Kind kind, float x, float y,
                    float size) {
  ScorePrimitive& p = out.emplace_back();
  p.kind = kind;
  p.x = x;
  p.y = y;
  p.size = size;
  return p;
}
}  // namespace

void AddText(std::vector<ScorePrimitive>& out, float x, float baseline, float size,
             std::string text, ScorePrimitive::Align align, ScoreInk ink) {
  ScorePrimitive& p = Add(out, ScorePrimitive::Kind::Text, x, baseline, size);
  p.text = std::move(text);
  p.align = align;
  p.ink = ink;
}

void AddDot(std::vector<ScorePrimitive>& out, float x, float y, float radius, ScoreInk ink) {
  Add(out, ScorePrimitive::Kind::Dot, x, y, radius).ink = ink;
}

void AddLine(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2,
             float thickness, ScoreInk ink) {
  ScorePrimitive& p = Add(out, ScorePrimitive::Kind::Line, x, y, thickness);
  p.x2 = x2;
  p.y2 = y2;
  p.ink = ink;
}

void AddArc(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2, float bow) {
  ScorePrimitive& p = Add(out, ScorePrimitive::Kind::Arc, x, y, bow);
  p.x2 = x2;
  p.y2 = y2;
}

void AddOval(std::vector<ScorePrimitive>& out, float x, float y, float halfWidth) {
  Add(out, ScorePrimitive::Kind::Oval, x, y, halfWidth);
}

}  // namespace velmira
